// The About box on its stored layout under a scripted person: what it shows
// from the package file's version resource, its links through the UI
// service, and that every call makes, shows and frees a dialog of its own.
#include "dclorvane60/OVAbout.hpp"

#include "vcl/ScriptedUI.hpp"

#include <gtest/gtest.h>

using namespace OVAbout;

namespace {

struct TScript {
  explicit TScript(const std::string& Text) : UI(Text, "about.txt"), Scope(&UI) {}
  ScriptedUI::TScriptedUI UI;
  UIService::TUIServiceScope Scope;
};

} // namespace

TEST(About, ShowsTheProductAndVersionOfThePackageFile) {
  std::string Name = "x", Version = "y";
  ReadProductVersion(Name, Version);
  EXPECT_EQ(Name, "Orvane Library");
  EXPECT_EQ(Version, "6.5.3.0");

  TScript S("form OVAboutDlg\n"
            "expect lblProductName Caption \"Orvane Library\"\n"
            "expect lblVersion Caption \"Version 6.5.3.0\"\n"
            "expect lblCopyright Caption \"Copyright (c) 2001-2026 Orvane Software\"\n"
            "press enter\n");
  ShowAboutBox();
  S.UI.CheckFinished();
  EXPECT_EQ(S.UI.Log(), (std::vector<std::string>{"form OVAboutDlg \"About Orvane\" opened",
                                                  "form OVAboutDlg closed: mrOk"}));
}

TEST(About, TheLayoutIsTheDialogsOwn) {
  Forms::TFormPtr<TOVAboutDlg> Dlg(Forms::Application->CreateForm<TOVAboutDlg>());
  EXPECT_EQ(Dlg->GetName(), "OVAboutDlg");
  EXPECT_EQ(Dlg->GetClientWidth(), 321);
  EXPECT_EQ(Dlg->GetClientHeight(), 186);
  EXPECT_EQ(Dlg->GetBorderStyle(), Forms::TFormBorderStyle::bsDialog);
  EXPECT_EQ(Dlg->GetPosition(), Forms::TPosition::poScreenCenter);
  // The controls in the order the layout creates them.
  std::vector<std::string> Names;
  for (int I = 0; I < Dlg->ControlCount(); ++I)
    Names.push_back(Dlg->Controls(I)->GetName());
  EXPECT_EQ(Names, (std::vector<std::string>{"imgLogo", "lblCopyright", "bvCopyright", "lblHome",
                                             "lblOrder", "lblProductName", "lblVersion",
                                             "lblSupport", "lblLinks", "lblOrderOrvaneStd",
                                             "lblOrderOrvanePro", "btOk"}));
  // The logo is the package's 100 x 30 bitmap.
  EXPECT_EQ(Dlg->imgLogo->GetPicture()->GetWidth(), 100);
  EXPECT_EQ(Dlg->imgLogo->GetPicture()->GetHeight(), 30);
  for (StdCtrls::TLabel* Link :
       {Dlg->lblHome, Dlg->lblSupport, Dlg->lblOrderOrvaneStd, Dlg->lblOrderOrvanePro}) {
    EXPECT_EQ(Link->GetCursor(), Controls::crHandPoint) << Link->GetName();
    EXPECT_EQ(Link->GetFont()->GetColor(), Graphics::clNavy) << Link->GetName();
    EXPECT_TRUE(Link->GetFont()->GetStyle().Contains(Graphics::TFontStyle::fsUnderline));
  }
  EXPECT_TRUE(Dlg->btOk->GetDefault());
  EXPECT_TRUE(Dlg->btOk->GetCancel());
  EXPECT_EQ(Dlg->btOk->GetModalResult(), Controls::mrOk);
}

TEST(About, LeftClicksOpenTheLinksAndOtherButtonsDoNothing) {
  TScript S("form OVAboutDlg\n"
            "click lblHome right\n"
            "click lblHome middle\n"
            "click lblSupport right\n"
            "click lblOrderOrvaneStd right\n"
            "click lblOrderOrvanePro middle\n"
            "click lblHome\n"
            "url ok\n"
            "click lblOrderOrvanePro\n"
            "url ok\n"
            "click lblOrderOrvaneStd\n"
            "url ok\n"
            "click lblSupport\n"
            "url ok\n"
            "press escape\n");
  ShowAboutBox();
  S.UI.CheckFinished();
  std::vector<std::string> Opened;
  for (const std::string& Line : S.UI.Log())
    if (Line.rfind("document ", 0) == 0)
      Opened.push_back(Line);
  EXPECT_EQ(Opened, (std::vector<std::string>{
                        "document \"https://www.example.com/orvane/\": opened",
                        "document \"https://www.example.com/orvane/order/professional\": opened",
                        "document \"https://www.example.com/orvane/order/standard\": opened",
                        "document \"mailto:support@example.com\": opened"}));
}

TEST(About, ALinkThatCannotBeOpenedSaysSoAndTheDialogStays) {
  TScript S("form OVAboutDlg\n"
            "click lblSupport\n"
            "url fail\n"
            "answer OK \"Error opening following address: mailto:support@example.com\"\n"
            "expect lblVersion Caption \"Version 6.5.3.0\"\n"
            "close\n");
  ShowAboutBox();
  S.UI.CheckFinished();
  EXPECT_NE(S.UI.LogText().find("message Error \"Error opening following address: "
                                "mailto:support@example.com\" [OK]: OK"),
            std::string::npos)
      << S.UI.LogText();
}

TEST(About, EachCallMakesItsOwnDialogAndFreesItEvenWhenShowingFails) {
  const int Before = Forms::Screen->FormCount();
  {
    TScript S("form OVAboutDlg\npress enter\nform OVAboutDlg\npress escape\n");
    ShowAboutBox();
    EXPECT_EQ(Forms::Screen->FormCount(), Before);
    ShowAboutBox();
    S.UI.CheckFinished();
  }
  EXPECT_EQ(Forms::Screen->FormCount(), Before);
  TScript S("form OVAboutDlg\nclick btNoSuchButton\n");
  EXPECT_THROW(ShowAboutBox(), ScriptedUI::EUIScriptError);
  EXPECT_EQ(Forms::Screen->FormCount(), Before);
}
