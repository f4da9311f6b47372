object OVDatabaseParamsDlg: TOVDatabaseParamsDlg
  Left = 220
  Top = 140
  ActiveControl = meParams
  BorderIcons = [biSystemMenu, biMaximize]
  Caption = 'Connection Parameters'
  ClientHeight = 281
  ClientWidth = 385
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
  object lblParams: TLabel
    Left = 8
    Top = 8
    Width = 196
    Height = 13
    Caption = '&Parameters (one NAME=VALUE per line):'
    FocusControl = meParams
  end
  object meParams: TMemo
    Left = 8
    Top = 24
    Width = 369
    Height = 217
    Anchors = [akLeft, akTop, akRight, akBottom]
    ScrollBars = ssVertical
    TabOrder = 0
    WordWrap = False
  end
  object btDefaults: TButton
    Left = 8
    Top = 249
    Width = 75
    Height = 25
    Anchors = [akLeft, akBottom]
    Caption = '&Defaults'
    TabOrder = 1
    OnClick = btDefaultsClick
  end
  object btCodeEditor: TButton
    Left = 89
    Top = 249
    Width = 97
    Height = 25
    Anchors = [akLeft, akBottom]
    Caption = 'Code &Editor...'
    TabOrder = 2
    OnClick = btCodeEditorClick
  end
  object btOk: TButton
    Left = 221
    Top = 249
    Width = 75
    Height = 25
    Anchors = [akRight, akBottom]
    Caption = 'OK'
    Default = True
    ModalResult = 1
    TabOrder = 3
  end
  object btCancel: TButton
    Left = 302
    Top = 249
    Width = 75
    Height = 25
    Anchors = [akRight, akBottom]
    Cancel = True
    Caption = 'Cancel'
    ModalResult = 2
    TabOrder = 4
  end
end
