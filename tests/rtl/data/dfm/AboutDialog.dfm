object AboutBox: TAboutBox
  Left = 222
  Top = 174
  BorderIcons = [biSystemMenu]
  BorderStyle = bsDialog
  Caption = 'About Orvane'
  ClientHeight = 186
  ClientWidth = 321
  Color = clBtnFace
  Font.Charset = DEFAULT_CHARSET
  Font.Color = clWindowText
  Font.Height = -11
  Font.Name = 'MS Sans Serif'
  Font.Style = []
  OldCreateOrder = True
  Position = poScreenCenter
  Scaled = False
  OnCreate = FormCreate
  PixelsPerInch = 96
  TextHeight = 13
  object pnlMain: TPanel
    Left = 8
    Top = 8
    Width = 305
    Height = 137
    BevelOuter = bvLowered
    TabOrder = 0
    object imgLogo: TImage
      Left = 8
      Top = 8
      Width = 32
      Height = 32
      Picture.Data = {
        07544269746D6170A54DCA182530BB1D6D132CDED6237B2ED91E3F721FCB1971
        174494D6493C9D5C3460BE31201E69FEDAA0EEE8B9997F5C7C2999FDAFE59325
        3CD654AF4DFAD71427A0AEB3FEE9232F8AF2211F9EE491C5B10BECB5563BFC1E
        6F93427ECBC8FE2955E5CD8E46DC8ED4B7C2764D2A5A4D767706F85D8690024A
        D6BDA3401BE9C8CBCCC935F6CD1F61226AE15338AE1A34004D33BA0D246A}
      Transparent = True
    end
    object lblProduct: TLabel
      Left = 56
      Top = 8
      Width = 112
      Height = 13
      Caption = 'Orvane Components'
      Font.Charset = DEFAULT_CHARSET
      Font.Color = clWindowText
      Font.Height = -11
      Font.Name = 'MS Sans Serif'
      Font.Style = [fsBold]
      ParentFont = False
    end
    object lblCopyright: TLabel
      Left = 56
      Top = 48
      Width = 201
      Height = 13
      Caption = 'Copyright '#169' 1999-2002 Orvane Software'
    end
    object lblHome: TLabel
      Left = 56
      Top = 72
      Width = 124
      Height = 13
      Cursor = crHandPoint
      Hint =
        'Opens the home page of the product in the web browser of the sys' +
        'tem; the address is shown in the status line while the mouse is ' +
        'over the link.'
      Caption = 'www.orvane.example'
      ParentShowHint = False
      ShowHint = True
      OnClick = lblLinkClick
    end
    object lblMail: TLabel
      Left = 56
      Top = 92
      Width = 130
      Height = 13
      Cursor = crHandPoint
      Caption = 'support@orvane.example'
      OnClick = lblLinkClick
    end
  end
  object btOk: TButton
    Left = 123
    Top = 153
    Width = 75
    Height = 25
    Cancel = True
    Caption = 'OK'
    Default = True
    ModalResult = 1
    TabOrder = 1
  end
end
