object StrEditDlg: TStrEditDlg
  Left = 250
  Top = 160
  ActiveControl = meLines
  BorderIcons = [biSystemMenu, biMaximize]
  Caption = 'String List Editor'
  ClientHeight = 281
  ClientWidth = 433
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
  object lblLineCount: TLabel
    Left = 8
    Top = 8
    Width = 33
    Height = 13
    Caption = '0 lines'
  end
  object meLines: TMemo
    Left = 8
    Top = 26
    Width = 417
    Height = 212
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
    OnChange = meLinesChange
  end
  object btCodeEditor: TButton
    Left = 8
    Top = 248
    Width = 97
    Height = 25
    Anchors = [akLeft, akBottom]
    Caption = '&Code Editor...'
    TabOrder = 1
    OnClick = btCodeEditorClick
  end
  object btOk: TButton
    Left = 269
    Top = 248
    Width = 75
    Height = 25
    Anchors = [akRight, akBottom]
    Caption = 'OK'
    Default = True
    ModalResult = 1
    TabOrder = 2
  end
  object btCancel: TButton
    Left = 350
    Top = 248
    Width = 75
    Height = 25
    Anchors = [akRight, akBottom]
    Cancel = True
    Caption = 'Cancel'
    ModalResult = 2
    TabOrder = 3
  end
end
