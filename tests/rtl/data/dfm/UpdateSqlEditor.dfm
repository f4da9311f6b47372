object OVUpdateSQLEditForm: TOVUpdateSQLEditForm
  Left = 300
  Top = 200
  BorderStyle = bsDialog
  Caption = 'UpdateSQL Editor'
  ClientHeight = 280
  ClientWidth = 475
  Color = clBtnFace
  Font.Charset = DEFAULT_CHARSET
  Font.Color = clWindowText
  Font.Height = -11
  Font.Name = 'MS Sans Serif'
  Font.Style = []
  OldCreateOrder = True
  Position = poScreenCenter
  OnCloseQuery = FormCloseQuery
  OnCreate = FormCreate
  OnDestroy = FormDestroy
  PixelsPerInch = 96
  TextHeight = 13
  object pcUpdateSQL: TPageControl
    Left = 0
    Top = 0
    Width = 475
    Height = 243
    ActivePage = tsOptions
    Align = alClient
    TabOrder = 0
    OnChanging = pcUpdateSQLChanging
    object tsOptions: TTabSheet
      Caption = 'Options'
      object gbxGenSQL: TGroupBox
        Left = 8
        Top = 4
        Width = 451
        Height = 205
        Anchors = [akLeft, akTop, akRight, akBottom]
        Caption = ' SQL Generation '
        TabOrder = 0
        object lblTableName: TLabel
          Left = 12
          Top = 20
          Width = 61
          Height = 13
          Caption = 'Table &Name:'
          FocusControl = cbTableName
        end
        object cbTableName: TComboBox
          Left = 12
          Top = 36
          Width = 133
          Height = 21
          ItemHeight = 13
          TabOrder = 0
          OnChange = cbTableNameChange
          OnDropDown = cbTableNameDropDown
        end
        object lbKeyFields: TListBox
          Left = 156
          Top = 36
          Width = 137
          Height = 157
          ItemHeight = 13
          MultiSelect = True
          PopupMenu = pmFields
          TabOrder = 3
          OnClick = SettingsChanged
        end
        object rgrStatementType: TRadioGroup
          Left = 12
          Top = 120
          Width = 133
          Height = 73
          Caption = ' Statement &Type '
          ItemIndex = 1
          Items.Strings = (
            'Modify'
            'Insert'
            'Delete'
            'Refresh')
          TabOrder = 6
          OnClick = StatementTypeClick
        end
        object cbQuotedFields: TCheckBox
          Left = 12
          Top = 96
          Width = 133
          Height = 17
          Caption = '&Quote Field Names'
          TabOrder = 2
          OnClick = SettingsChanged
        end
      end
    end
    object tsSQL: TTabSheet
      Caption = 'SQL'
      ImageIndex = 1
      object lblSQLText: TLabel
        Left = 8
        Top = 4
        Width = 52
        Height = 13
        Caption = 'S&QL Text:'
        FocusControl = meSQLText
      end
      object meSQLText: TMemo
        Left = 8
        Top = 20
        Width = 451
        Height = 189
        Anchors = [akLeft, akTop, akRight, akBottom]
        Font.Charset = DEFAULT_CHARSET
        Font.Color = clWindowText
        Font.Height = -12
        Font.Name = 'Courier New'
        Font.Style = []
        ParentFont = False
        ScrollBars = ssBoth
        TabOrder = 0
        WordWrap = False
        OnKeyPress = meSQLTextKeyPress
      end
    end
  end
  object pnlButton: TPanel
    Left = 0
    Top = 243
    Width = 475
    Height = 37
    Align = alBottom
    BevelOuter = bvNone
    TabOrder = 1
    object btOk: TButton
      Left = 308
      Top = 6
      Width = 75
      Height = 25
      Anchors = [akTop, akRight]
      Caption = 'OK'
      Default = True
      ModalResult = 1
      TabOrder = 0
      OnClick = btOkClick
    end
    object btCancel: TButton
      Left = 392
      Top = 6
      Width = 75
      Height = 25
      Anchors = [akTop, akRight]
      Cancel = True
      Caption = 'Cancel'
      ModalResult = 2
      TabOrder = 1
    end
  end
  object pmFields: TPopupMenu
    Left = 420
    Top = 4
    object miSelectAll: TMenuItem
      Caption = '&Select All'
      ShortCut = 16449
      OnClick = SelectAllClick
    end
    object miClearAll: TMenuItem
      Caption = '&Clear All'
      OnClick = ClearAllClick
    end
  end
end
