object FieldsEditor: TFieldsEditor
  Left = 240
  Top = 160
  BorderIcons = [biSystemMenu]
  BorderStyle = bsDialog
  Caption = 'Fields'
  ClientHeight = 289
  ClientWidth = 425
  Position = poScreenCenter
  PixelsPerInch = 96
  TextHeight = 13
  object lblFields: TLabel
    Left = 8
    Top = 8
    Width = 87
    Height = 13
    Caption = '&Persistent fields:'
    FocusControl = lbFields
  end
  object lbFields: TListBox
    Left = 8
    Top = 24
    Width = 161
    Height = 257
    ItemHeight = 13
    MultiSelect = True
    TabOrder = 0
    OnClick = ListClick
  end
  object lblAvailable: TLabel
    Left = 256
    Top = 8
    Width = 77
    Height = 13
    Caption = '&Available fields:'
    FocusControl = lbAvailable
  end
  object lbAvailable: TListBox
    Left = 256
    Top = 24
    Width = 161
    Height = 225
    ItemHeight = 13
    MultiSelect = True
    TabOrder = 4
    OnClick = ListClick
  end
  object btAdd: TButton
    Left = 176
    Top = 24
    Width = 73
    Height = 25
    Caption = '< &Add'
    TabOrder = 1
    OnClick = btAddClick
  end
  object btAddAll: TButton
    Left = 176
    Top = 56
    Width = 73
    Height = 25
    Caption = '<< Add a&ll'
    TabOrder = 2
    OnClick = btAddAllClick
  end
  object btDelete: TButton
    Left = 176
    Top = 96
    Width = 73
    Height = 25
    Caption = '&Delete >'
    TabOrder = 3
    OnClick = btDeleteClick
  end
  object btClose: TButton
    Left = 344
    Top = 256
    Width = 73
    Height = 25
    Cancel = True
    Caption = 'Close'
    Default = True
    ModalResult = 1
    TabOrder = 5
  end
end
