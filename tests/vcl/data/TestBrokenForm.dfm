object TestBrokenForm: TTestBrokenForm
  Caption = 'Broken'
  object btOk: TButton
    Left = 8
    Colour = clRed
  end
end
