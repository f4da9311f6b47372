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
  std::istringstream In("maybe\nretry\n\nn\n\nn\nno to\n");
  std::ostringstream Out;
  TerminalUI::TTerminalUI UI(In, Out);
  UIService::TUIServiceScope Scope(&UI);
  EXPECT_EQ(Dialogs::MessageDlg("Save changes?", Dialogs::TMsgDlgType::mtConfirmation,
                                Dialogs::mbYesNoCancel, 0),
            Controls::mrNo);
  EXPECT_NE(Out.str().find("[Confirm] Save changes?\n(Yes, No, Cancel)? "), std::string::npos)
      << Out.str();
  EXPECT_NE(Out.str().find("Answer with one of: Yes, No, Cancel"), std::string::npos);
  // Enter alone answers a box of one button, and a CR LF in the text is one line break.
  EXPECT_EQ(Dialogs::MessageDlg("Done.\r\nSee the log.", Dialogs::TMsgDlgType::mtInformation,
                                {Dialogs::TMsgDlgBtn::mbOK}, 0),
            Controls::mrOk);
  EXPECT_NE(Out.str().find("Done.\nSee the log.\n(OK)? "), std::string::npos) << Out.str();
  // The first letters of a button answer when only one button starts so.
  EXPECT_EQ(Dialogs::MessageDlg("Overwrite?", Dialogs::TMsgDlgType::mtConfirmation,
                                {Dialogs::TMsgDlgBtn::mbYes, Dialogs::TMsgDlgBtn::mbNo,
                                 Dialogs::TMsgDlgBtn::mbNoToAll},
                                0),
            Controls::mrNoToAll);
}

TEST(TerminalUI, ControlsAreClickedByCaptionAndSlipsGetASuggestion) {
  RegisterTestModule();
  std::istringstream In("set cbTableName T\n"
                        "click Get Table Fields\n"
                        "click generate sql\n"
                        "click Get Tabel Fields\n"
                        "click btGetTableField\n"
                        "click SQL\n"
                        "click Cancel\n");
  std::ostringstream Out;
  TerminalUI::TTerminalUI UI(In, Out);
  UIService::TUIServiceScope Scope(&UI);
  Forms::TFormPtr<TTestSQLForm> F(Forms::Application->CreateForm<TTestSQLForm>());
  EXPECT_EQ(F->ShowModal(), Controls::mrCancel);
  const std::string Text = Out.str();
  EXPECT_NE(std::find(F->Events.begin(), F->Events.end(), "get fields"), F->Events.end());
  EXPECT_NE(std::find(F->Events.begin(), F->Events.end(), "generate"), F->Events.end());
  EXPECT_NE(Text.find("error: form OVUpdateSQLEditForm has no control Get Tabel Fields; did you "
                      "mean \"Get Table Fields\" (btGetTableFields)?\n"),
            std::string::npos)
      << Text;
  EXPECT_NE(Text.find("error: form OVUpdateSQLEditForm has no control btGetTableField; did you "
                      "mean btGetTableFields?\n"),
            std::string::npos)
      << Text;
  // A tab's caption shows its page.
  EXPECT_EQ(F->pcUpdateSQL->GetActivePage(), F->tsSQL);
}

TEST(TerminalUI, TheFormIsPrintedAgainOnlyWhenWhatItShowsChanged) {
  std::istringstream In("set Edit a\nset Edit a\nexpect Edit Text a\nshow\nclick Ok\n");
  std::ostringstream Out;
  TerminalUI::TTerminalUI UI(In, Out);
  UIService::TUIServiceScope Scope(&UI);
  TCodeDialog D;
  EXPECT_EQ(D.Form->ShowModal(), Controls::mrOk);
  const std::string Text = Out.str();
  size_t Printed = 0;
  for (size_t P = Text.find("form CodeDialog"); P != std::string::npos;
       P = Text.find("form CodeDialog", P + 1))
    ++Printed;
  // When it opened, after the first set, and on show.
  EXPECT_EQ(Printed, 3u) << Text;
}

TEST(TerminalUI, LineBreaksInControlTextsAreShownAsLines) {
  std::istringstream In("show\nclick Ok\n");
  std::ostringstream Out;
  TerminalUI::TTerminalUI UI(In, Out);
  UIService::TUIServiceScope Scope(&UI);
  TCodeDialog D;
  D.Pages->SetActivePage(D.Page2);
  D.Memo->SetText("select id\r\nfrom t\rwhere x\n");
  D.Ok->SetCaption("O\rK");
  EXPECT_EQ(D.Form->ShowModal(), Controls::mrOk);
  const std::string Text = Out.str();
  EXPECT_EQ(Text.find('\r'), std::string::npos);
  EXPECT_NE(Text.find("      Memo  memo  lines:\n"
                      "        | select id\n"
                      "        | from t\n"
                      "        | where x\n"),
            std::string::npos)
      << Text;
  EXPECT_NE(Text.find("Ok  button  \"O\\nK\""), std::string::npos) << Text;
}

TEST(TerminalUI, AHostsLineReaderTakesThePromptsInsteadOfTheStream) {
  std::istringstream In("click Cancel\n");
  std::ostringstream Out;
  TerminalUI::TTerminalUI UI(In, Out);
  std::vector<std::string> Prompts;
  std::vector<std::string> Lines{"set Edit typed", "click Ok"};
  UI.SetLineReader([&](const std::string& Prompt, std::string& Line) {
    Prompts.push_back(Prompt);
    if (Lines.empty())
      return false;
    Line = Lines.front();
    Lines.erase(Lines.begin());
    return true;
  });
  // Tab completion's words: the actions and the form's names at its prompt.
  std::vector<std::string> Words;
  UI.SetLineReader([&, Reader = UI.LineReader()](const std::string& Prompt, std::string& Line) {
    Words = UI.Completions();
    return Reader(Prompt, Line);
  });
  UIService::TUIServiceScope Scope(&UI);
  TCodeDialog D;
  EXPECT_TRUE(UI.Completions().empty());
  EXPECT_EQ(D.Form->ShowModal(), Controls::mrOk);
  EXPECT_EQ(D.Edit->GetText(), "typed");
  EXPECT_NE(std::find(Words.begin(), Words.end(), "click"), Words.end());
  EXPECT_NE(std::find(Words.begin(), Words.end(), "Edit"), Words.end());
  EXPECT_NE(std::find(Words.begin(), Words.end(), "Ok"), Words.end());
  EXPECT_TRUE(UI.Completions().empty());
  EXPECT_EQ(Prompts, (std::vector<std::string>{"CodeDialog> ", "CodeDialog> "}));
  EXPECT_EQ(Out.str().find("CodeDialog> "), std::string::npos);
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
  Dialog.SetFilter("Ini-files (*.ini)|*.INI|Text files (*.txt)|*.TXT|All files|*.*");
  EXPECT_FALSE(Dialog.Execute());
  EXPECT_NE(Out.str().find("/no/such/file.txt\nFile not found."), std::string::npos) << Out.str();
  EXPECT_NE(Out.str().find(" files: Ini-files (*.ini), Text files (*.txt), All files\n"),
            std::string::npos)
      << Out.str();
  EXPECT_EQ(Out.str().find("*.INI"), std::string::npos);
  EXPECT_FALSE(UI.OpenDocument("https://example.org/"));
  UI.SetKeyDown(Windows::VK_MENU, true);
  EXPECT_TRUE(UI.IsKeyDown(Windows::VK_MENU));
}
