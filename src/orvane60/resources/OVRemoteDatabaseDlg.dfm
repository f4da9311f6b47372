object OVRemoteDatabaseDlg: TOVRemoteDatabaseDlg
  Left = 240
  Top = 180
  ActiveControl = edValue
  BorderIcons = [biSystemMenu]
  BorderStyle = bsDialog
  Caption = 'Remote Database'
  ClientHeight = 105
  ClientWidth = 409
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
  object lblValue: TLabel
    Left = 8
    Top = 8
    Width = 88
    Height = 13
    Caption = '&Connection string:'
    FocusControl = edValue
  end
  object edValue: TEdit
    Left = 8
    Top = 24
    Width = 393
    Height = 21
    TabOrder = 0
  end
  object lblExample: TLabel
    Left = 8
    Top = 50
    Width = 366
    Height = 13
    Caption = 'host=/run/postgresql dbname=orders, or postgresql://user@host:5432/orders'
  end
  object btOk: TButton
    Left = 245
    Top = 73
    Width = 75
    Height = 25
    Caption = 'OK'
    Default = True
    ModalResult = 1
    TabOrder = 1
  end
  object btCancel: TButton
    Left = 326
    Top = 73
    Width = 75
    Height = 25
    Cancel = True
    Caption = 'Cancel'
    ModalResult = 2
    TabOrder = 2
  end
end
