object LinkFields: TLinkFields
  Left = 240
  Top = 160
  BorderIcons = [biSystemMenu]
  BorderStyle = bsDialog
  Caption = 'Field Link Designer'
  ClientHeight = 297
  ClientWidth = 377
  Position = poScreenCenter
  PixelsPerInch = 96
  TextHeight = 13
  object lblIndexes: TLabel
    Left = 8
    Top = 12
    Width = 90
    Height = 13
    Caption = 'A&vailable Indexes'
    FocusControl = cbIndexes
  end
  object cbIndexes: TComboBox
    Left = 112
    Top = 8
    Width = 145
    Height = 21
    Style = csDropDownList
    ItemHeight = 13
    TabOrder = 0
    OnChange = cbIndexesChange
  end
  object lblDetail: TLabel
    Left = 8
    Top = 40
    Width = 63
    Height = 13
    Caption = 'D&etail Fields'
    FocusControl = lbDetail
  end
  object lbDetail: TListBox
    Left = 8
    Top = 56
    Width = 137
    Height = 97
    ItemHeight = 13
    TabOrder = 1
    OnClick = ListClick
  end
  object btAdd: TButton
    Left = 152
    Top = 88
    Width = 73
    Height = 25
    Caption = '&Add'
    TabOrder = 2
    OnClick = btAddClick
  end
  object lblMaster: TLabel
    Left = 232
    Top = 40
    Width = 66
    Height = 13
    Caption = '&Master Fields'
    FocusControl = lbMaster
  end
  object lbMaster: TListBox
    Left = 232
    Top = 56
    Width = 137
    Height = 97
    ItemHeight = 13
    TabOrder = 3
    OnClick = ListClick
  end
  object lblJoined: TLabel
    Left = 8
    Top = 160
    Width = 65
    Height = 13
    Caption = '&Joined Fields'
    FocusControl = lbJoined
  end
  object lbJoined: TListBox
    Left = 8
    Top = 176
    Width = 273
    Height = 81
    ItemHeight = 13
    TabOrder = 4
    OnClick = ListClick
  end
  object btDelete: TButton
    Left = 296
    Top = 176
    Width = 73
    Height = 25
    Caption = '&Delete'
    TabOrder = 5
    OnClick = btDeleteClick
  end
  object btClear: TButton
    Left = 296
    Top = 208
    Width = 73
    Height = 25
    Caption = '&Clear'
    TabOrder = 6
    OnClick = btClearClick
  end
  object btOk: TButton
    Left = 208
    Top = 264
    Width = 73
    Height = 25
    Caption = 'OK'
    Default = True
    ModalResult = 1
    TabOrder = 7
  end
  object btCancel: TButton
    Left = 296
    Top = 264
    Width = 73
    Height = 25
    Cancel = True
    Caption = 'Cancel'
    ModalResult = 2
    TabOrder = 8
  end
end
