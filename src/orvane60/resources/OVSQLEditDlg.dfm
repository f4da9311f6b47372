object OVSQLEditDlg: TOVSQLEditDlg
  Left = 200
  Top = 120
  ActiveControl = meSQL
  BorderIcons = [biSystemMenu, biMaximize]
  Caption = 'SQL Editor'
  ClientHeight = 321
  ClientWidth = 473
  Color = clBtnFace
  Font.Charset = DEFAULT_CHARSET
  Font.Color = clWindowText
  Font.Height = -11
  Font.Name = 'MS Sans Serif'
  Font.Style = []
  OldCreateOrder = False
  Position = poScreenCenter
  PixelsPerInch = 96
  TextHeight = 13
  object lblSQL: TLabel
    Left = 8
    Top = 8
    Width = 24
    Height = 13
    Caption = '&SQL:'
    FocusControl = meSQL
  end
  object meSQL: TMemo
    Left = 8
    Top = 24
    Width = 457
    Height = 257
    Anchors = [akLeft, akTop, akRight, akBottom]
    Font.Charset = DEFAULT_CHARSET
    Font.Color = clWindowText
    Font.Height = -13
    Font.Name = 'Courier New'
    Font.Style = []
    ParentFont = False
    ScrollBars = ssBoth
    TabOrder = 0
    WordWrap = False
  end
  object btCodeEditor: TButton
    Left = 8
    Top = 289
    Width = 97
    Height = 25
    Anchors = [akLeft, akBottom]
    Caption = 'Code &Editor...'
    TabOrder = 1
    OnClick = btCodeEditorClick
  end
  object btOk: TButton
    Left = 309
    Top = 289
    Width = 75
    Height = 25
    Anchors = [akRight, akBottom]
    Caption = 'OK'
    Default = True
    ModalResult = 1
    TabOrder = 2
  end
  object btCancel: TButton
    Left = 390
    Top = 289
    Width = 75
    Height = 25
    Anchors = [akRight, akBottom]
    Cancel = True
    Caption = 'Cancel'
    ModalResult = 2
    TabOrder = 3
  end
end
