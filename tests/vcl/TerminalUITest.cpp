// The terminal user interface, driven through string streams.
#include "TestForms.hpp"

#include "vcl/TerminalUI.hpp"

#include <gtest/gtest.h>

using namespace VclTest;

TEST(TerminalUI, PrintsTheFormAndTakesActionsUntilItCloses) {
  std::istringstream In("help\n"
                        "set Edit hello\n"
                        "bogus\n"
                        "click Nothing\n"
                        "answer Yes\n"
                        "expect Edit Text hello\n"
                        "click Ok\n");
  std::ostringstream Out;
  TerminalUI::TTerminalUI UI(In, Out);
  UIService::TUIServiceScope Scope(&UI);
  TCodeDialog D;
  EXPECT_EQ(D.Form->ShowModal(), Controls::mrOk);
  EXPECT_EQ(D.Edit->GetText(), "hello");
  const std::string Text = Out.str();
  EXPECT_NE(Text.find("form CodeDialog  \"Code dialog\"  (TForm)\n"), std::string::npos) << Text;
  EXPECT_NE(Text.find("      Edit  edit  text \"hello\"  (focused)\n"), std::string::npos) << Text;
  EXPECT_NE(Text.find("Actions on the form:"), std::string::npos);
  EXPECT_NE(Text.find("error: unknown action 'bogus'"), std::string::npos);
  EXPECT_NE(Text.find("error: form CodeDialog has no control Nothing"), std::string::npos);
  EXPECT_NE(Text.find("error: answer Yes is answered when it is asked for"), std::string::npos);
  EXPECT_NE(Text.find("ok\n"), std::string::npos);
}

TEST(TerminalUI, MessageBoxesAskUntilAButtonOfTheBoxIsNamed) {
  std::istringstream In("maybe\nretry\nno\n");
  std::ostringstream Out;
  TerminalUI::TTerminalUI UI(In, Out);
  UIService::TUIServiceScope Scope(&UI);
  EXPECT_EQ(Dialogs::MessageDlg("Save changes?", Dialogs::TMsgDlgType::mtConfirmation,
                                Dialogs::mbYesNoCancel, 0),
            Controls::mrNo);
  EXPECT_NE(Out.str().find("[Confirm] Save changes?\n(Yes, No, Cancel)? "), std::string::npos)
      << Out.str();
  EXPECT_NE(Out.str().find("Answer with one of: Yes, No, Cancel"), std::string::npos);
}

TEST(TerminalUI, TheEndOfInputIsNoAnswer) {
  std::istringstream In("set Edit x\n");
  std::ostringstream Out;
  TerminalUI::TTerminalUI UI(In, Out);
  UIService::TUIServiceScope Scope(&UI);
  TCodeDialog D;
  try {
    D.Form->ShowModal();
    FAIL() << "no error";
  } catch (const UIService::ENoUserInterface& E) {
    EXPECT_EQ(E.Message(), "the input ended while form CodeDialog (\"Code dialog\") is open");
  }
  EXPECT_FALSE(D.Form->GetVisible());
  EXPECT_THROW(Dialogs::MessageDlg("?", Dialogs::TMsgDlgType::mtInformation, {}, 0),
               UIService::ENoUserInterface);
}

TEST(TerminalUI, FileDialogsAskAgainAfterARefusalAndKeysAreTyped) {
  std::istringstream In("/no/such/file.txt\n\n");
  std::ostringstream Out;
  TerminalUI::TTerminalUI UI(In, Out);
  UI.SetOpener("");
  UIService::TUIServiceScope Scope(&UI);
  Dialogs::TOpenDialog Dialog(nullptr);
  Dialog.SetOptions({Dialogs::TOpenOption::ofFileMustExist});
  EXPECT_FALSE(Dialog.Execute());
  EXPECT_NE(Out.str().find("/no/such/file.txt\nFile not found."), std::string::npos) << Out.str();
  EXPECT_FALSE(UI.OpenDocument("https://example.org/"));
  UI.SetKeyDown(Windows::VK_MENU, true);
  EXPECT_TRUE(UI.IsKeyDown(Windows::VK_MENU));
}
