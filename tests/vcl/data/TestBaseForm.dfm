object TestBaseForm: TTestBaseForm
  Left = 100
  Top = 100
  BorderStyle = bsDialog
  Caption = 'Base'
  ClientHeight = 100
  ClientWidth = 200
  Color = clBtnFace
  Font.Charset = DEFAULT_CHARSET
  Font.Color = clWindowText
  Font.Height = -11
  Font.Name = 'MS Sans Serif'
  Font.Style = []
  OldCreateOrder = False
  OnCreate = FormCreate
  PixelsPerInch = 96
  TextHeight = 13
  object btBase: TButton
    Left = 8
    Top = 8
    Width = 75
    Height = 25
    Caption = 'Base'
    TabOrder = 0
  end
end
