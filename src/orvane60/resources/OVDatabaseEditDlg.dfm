object OVDatabaseEditDlg: TOVDatabaseEditDlg
  Left = 200
  Top = 110
  ActiveControl = edDatabaseName
  BorderIcons = [biSystemMenu]
  BorderStyle = bsDialog
  Caption = 'Database Editor'
  ClientHeight = 360
  ClientWidth = 465
  Color = clBtnFace
  Font.Charset = DEFAULT_CHARSET
  Font.Color = clWindowText
  Font.Height = -11
  Font.Name = 'MS Sans Serif'
  Font.Style = []
  OldCreateOrder = False
  Position = poScreenCenter
  OnCloseQuery = FormCloseQuery
  PixelsPerInch = 96
  TextHeight = 13
  object lblDatabaseName: TLabel
    Left = 8
    Top = 12
    Width = 31
    Height = 13
    Caption = '&Name:'
    FocusControl = edDatabaseName
  end
  object lblServerType: TLabel
    Left = 8
    Top = 40
    Width = 59
    Height = 13
    Caption = '&Server type:'
    FocusControl = cbServerType
  end
  object lblRemoteDatabase: TLabel
    Left = 8
    Top = 68
    Width = 87
    Height = 13
    Caption = '&Remote database:'
    FocusControl = cbRemoteDatabase
  end
  object lblParams: TLabel
    Left = 8
    Top = 164
    Width = 176
    Height = 13
    Caption = '&Parameters (one NAME=VALUE per line):'
    FocusControl = meParams
  end
  object edDatabaseName: TEdit
    Left = 112
    Top = 8
    Width = 209
    Height = 21
    TabOrder = 0
  end
  object cbServerType: TComboBox
    Left = 112
    Top = 36
    Width = 145
    Height = 21
    Style = csDropDownList
    ItemHeight = 13
    TabOrder = 1
  end
  object btSaveDefaultSrvType: TButton
    Left = 264
    Top = 35
    Width = 153
    Height = 23
    Caption = 'Save as Default T&ype'
    TabOrder = 2
  end
  object cbRemoteDatabase: TComboBox
    Left = 112
    Top = 64
    Width = 320
    Height = 21
    ItemHeight = 13
    TabOrder = 3
  end
  object btBrowseRemote: TButton
    Left = 436
    Top = 63
    Width = 21
    Height = 23
    Caption = '...'
    TabOrder = 4
    OnClick = btBrowseRemoteClick
  end
  object gbxOptions: TGroupBox
    Left = 8
    Top = 92
    Width = 449
    Height = 65
    Caption = 'Options'
    TabOrder = 5
    object cbKeepConnection: TCheckBox
      Left = 8
      Top = 16
      Width = 185
      Height = 17
      Caption = '&Keep connection'
      TabOrder = 0
    end
    object cbLoginPrompt: TCheckBox
      Left = 8
      Top = 40
      Width = 185
      Height = 17
      Caption = 'Lo&gin prompt'
      TabOrder = 1
    end
    object cbDefaultDatabase: TCheckBox
      Left = 208
      Top = 16
      Width = 233
      Height = 17
      Caption = 'De&fault database of the session'
      TabOrder = 2
    end
    object cbStoreConnected: TCheckBox
      Left = 208
      Top = 40
      Width = 233
      Height = 17
      Caption = 'St&ore the connected state'
      TabOrder = 3
    end
  end
  object meParams: TMemo
    Left = 8
    Top = 180
    Width = 449
    Height = 137
    ScrollBars = ssVertical
    TabOrder = 6
    WordWrap = False
  end
  object btLoadDefaultParams: TButton
    Left = 8
    Top = 327
    Width = 97
    Height = 25
    Caption = '&Load Defaults'
    TabOrder = 7
    OnClick = btLoadDefaultParamsClick
  end
  object btSaveDefaultParams: TButton
    Left = 111
    Top = 327
    Width = 97
    Height = 25
    Caption = 'Sa&ve as Defaults'
    TabOrder = 8
  end
  object btTestConnection: TButton
    Left = 214
    Top = 327
    Width = 75
    Height = 25
    Caption = '&Test'
    TabOrder = 9
    OnClick = btTestConnectionClick
  end
  object btOk: TButton
    Left = 302
    Top = 327
    Width = 75
    Height = 25
    Caption = 'OK'
    Default = True
    ModalResult = 1
    TabOrder = 10
  end
  object btCancel: TButton
    Left = 382
    Top = 327
    Width = 75
    Height = 25
    Cancel = True
    Caption = 'Cancel'
    ModalResult = 2
    TabOrder = 11
  end
end
