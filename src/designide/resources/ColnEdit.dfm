object CollectionEditor: TCollectionEditor
  Left = 240
  Top = 160
  BorderIcons = [biSystemMenu]
  BorderStyle = bsDialog
  Caption = 'Editing'
  ClientHeight = 265
  ClientWidth = 321
  Position = poScreenCenter
  PixelsPerInch = 96
  TextHeight = 13
  object lbItems: TListBox
    Left = 8
    Top = 8
    Width = 209
    Height = 249
    ItemHeight = 13
    TabOrder = 0
    OnClick = lbItemsClick
  end
  object btAdd: TButton
    Left = 232
    Top = 8
    Width = 81
    Height = 25
    Caption = '&Add'
    TabOrder = 1
    OnClick = btAddClick
  end
  object btDelete: TButton
    Left = 232
    Top = 40
    Width = 81
    Height = 25
    Caption = '&Delete'
    TabOrder = 2
    OnClick = btDeleteClick
  end
  object btMoveUp: TButton
    Left = 232
    Top = 80
    Width = 81
    Height = 25
    Caption = 'Move &Up'
    TabOrder = 3
    OnClick = btMoveUpClick
  end
  object btMoveDown: TButton
    Left = 232
    Top = 112
    Width = 81
    Height = 25
    Caption = 'Move Do&wn'
    TabOrder = 4
    OnClick = btMoveDownClick
  end
  object btClose: TButton
    Left = 232
    Top = 232
    Width = 81
    Height = 25
    Cancel = True
    Caption = 'Close'
    Default = True
    ModalResult = 1
    TabOrder = 5
  end
end
