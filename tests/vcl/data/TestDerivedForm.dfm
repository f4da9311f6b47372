inherited TestDerivedForm: TTestDerivedForm
  Caption = 'Derived'
  PixelsPerInch = 96
  TextHeight = 13
  inherited btBase: TButton
    Caption = 'Changed'
  end
  object btExtra: TButton
    Left = 8
    Top = 40
    Width = 75
    Height = 25
    Caption = 'Extra'
    TabOrder = 1
  end
end
