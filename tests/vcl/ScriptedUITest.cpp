// The scripted user interface on the update-statement editor's layout: the
// documented example as it stands, the log, dump and expect, and an error
// naming its line for every way a script can go wrong.
#include "TestForms.hpp"

#include <gtest/gtest.h>
#include <unistd.h>

using namespace VclTest;
using Controls::mrCancel;
using Controls::mrOk;

namespace {

class ScriptedEditor : public ::testing::Test {
protected:
  void SetUp() override { RegisterTestModule(); }

  // Runs the editor under Script; the script error's message, or "".
  std::string Run(const std::string& Script, int* Result = nullptr) {
    try {
      TScript S(Script);
      Forms::TFormPtr<TTestSQLForm> F(Forms::Application->CreateForm<TTestSQLForm>());
      const int R = F->ShowModal();
      if (Result)
        *Result = R;
      S.UI.CheckFinished();
    } catch (const ScriptedUI::EUIScriptError& E) {
      return E.Message();
    }
    return "";
  }
};

} // namespace

TEST_F(ScriptedEditor, TheDocumentedExampleWorksAsItStands) {
  TScript S("form OVUpdateSQLEditForm\n"
            "set cbTableName CUSTOMER\n"
            "click btGetTableFields\n"
            "click btSelectPrimKeys\n"
            "click btGenerateSQL\n"
            "page tsSQL\n"
            "choose rgrStatementType 1\n"
            "click btOk\n"
            "answer Yes\n",
            "ui-script.txt");
  Forms::TFormPtr<TTestSQLForm> F(Forms::Application->CreateForm<TTestSQLForm>());
  EXPECT_EQ(F->ShowModal(), mrOk);
  S.UI.CheckFinished();
  EXPECT_TRUE(S.UI.Finished());
  EXPECT_EQ(F->Statements[1], "update CUSTOMER set NAME = :NAME\nwhere ID = :OLD_ID");
  EXPECT_EQ(F->meSQLText->GetText(), F->Statements[1]);
  EXPECT_EQ(F->lbKeyFields->SelCount(), 1);
  EXPECT_EQ(F->lbUpdateFields->SelCount(), 3);
  // The widest untrimmed name plus one letter: "ID  A" in 8 points.
  EXPECT_EQ(F->lbKeyFields->HorizontalExtent(), 30);
  EXPECT_EQ(S.UI.Log(),
            (std::vector<std::string>{"form OVUpdateSQLEditForm \"UpdateSQL Editor\" opened",
                                      "form OVUpdateSQLEditForm closed: mrOk",
                                      "answer Yes (line 9): not asked"}));
}

TEST_F(ScriptedEditor, EditsOnTheSQLPageAreKeptWhenTheFocusLeaves) {
  TScript S("form OVUpdateSQLEditForm\n"
            "page tsSQL\n"
            "set meSQLText select *\\nfrom CUSTOMER\n"
            "choose rgrStatementType &Modify\n"
            "expect meSQLText Text \"\"\n"
            "choose rgrStatementType 0\n"
            "expect meSQLText Lines \"select *\\nfrom CUSTOMER\"\n"
            "click btOk\n"
            "answer No The modify statement is empty\n"
            "click btOk\n"
            "answer Yes\n");
  Forms::TFormPtr<TTestSQLForm> F(Forms::Application->CreateForm<TTestSQLForm>());
  EXPECT_EQ(F->ShowModal(), mrOk);
  S.UI.CheckFinished();
  EXPECT_EQ(F->Statements[0], "select *\nfrom CUSTOMER");
  // The text box lost the focus (to the statement type) before each click
  // on a statement type took effect.
  EXPECT_EQ(F->Events, (std::vector<std::string>{"create", "sql exit 0", "statement 1",
                                                 "statement 0", "closequery", "closequery"}));
}

TEST_F(ScriptedEditor, ExpectAndDumpShowTheFormAsAPersonSeesIt) {
  TScript S("form OVUpdateSQLEditForm\n"
            "set cbTableName \"  \"\n"
            "expect btGenerateSQL Enabled False\n"
            "expect cbTableName Text \"  \"\n"
            "expect lblTableName Caption Table &Name:\n"
            "expect lblTableName Font.Size 8\n"
            "expect OVUpdateSQLEditForm Color clBtnFace\n"
            "expect OVUpdateSQLEditForm ActiveControl cbTableName\n"
            "expect rgrStatementType Items \"&Refresh,&Modify,&Insert,&Delete\"\n"
            "dump\n"
            "press escape\n");
  Forms::TFormPtr<TTestSQLForm> F(Forms::Application->CreateForm<TTestSQLForm>());
  EXPECT_EQ(F->ShowModal(), mrCancel);
  S.UI.CheckFinished();
  const std::string Dump = S.Out.str();
  EXPECT_NE(Dump.find("form OVUpdateSQLEditForm  \"UpdateSQL Editor\"  (TTestSQLForm)\n"),
            std::string::npos)
      << Dump;
  EXPECT_NE(Dump.find("        cbTableName  combo box  text \"  \"  items: (none)  (focused)\n"),
            std::string::npos)
      << Dump;
  EXPECT_NE(Dump.find("btGenerateSQL  button  \"&Generate SQL\"  disabled\n"), std::string::npos)
      << Dump;
  EXPECT_NE(Dump.find("    tsSQL  page  \"SQL\"  (not shown)\n"), std::string::npos) << Dump;
  EXPECT_NE(Dump.find("btOk  button  \"&OK\"  default\n"), std::string::npos) << Dump;
  EXPECT_NE(Dump.find("pmFields  context menu: miSelectAll \"&Select All\", miClearAll"),
            std::string::npos)
      << Dump;
}

TEST_F(ScriptedEditor, EveryErrorNamesItsLine) {
  const std::pair<const char*, const char*> Cases[] = {
      {"form OVUpdateSQLEditForm\nclick btFoo\n",
       "ui-script.txt:2: form OVUpdateSQLEditForm has no control btFoo"},
      {"form OVAboutDlg\n",
       "ui-script.txt:1: form OVAboutDlg expected, but form OVUpdateSQLEditForm (\"UpdateSQL "
       "Editor\") appeared"},
      {"click btOk\n", "ui-script.txt:1: form OVUpdateSQLEditForm (\"UpdateSQL Editor\") "
                       "appeared, but the script expects: click btOk"},
      {"form OVUpdateSQLEditForm\nclick btCancel\nform OVAboutDlg\n",
       "ui-script.txt:3: form OVAboutDlg expected, but no form appeared"},
      {"form OVUpdateSQLEditForm\nclick btCancel\nclick btOk\n",
       "ui-script.txt:3: no form is open for: click btOk"},
      {"form OVUpdateSQLEditForm\nform OVAboutDlg\n",
       "ui-script.txt:2: form OVUpdateSQLEditForm (\"UpdateSQL Editor\") is still open, so form "
       "OVAboutDlg cannot appear"},
      {"form OVUpdateSQLEditForm\nset cbTableName T\n",
       "ui-script.txt:2: the script ends here, but form OVUpdateSQLEditForm (\"UpdateSQL Editor\") "
       "is still open"},
      {"form OVUpdateSQLEditForm\nset cbTableName T\nclick btGenerateSQL\nclick btOk\n",
       "ui-script.txt:4: a message box \"Select key and update fields first\" appeared, but the "
       "script expects: click btOk"},
      {"form OVUpdateSQLEditForm\nset cbTableName T\nclick btGenerateSQL\nanswer Yes\n",
       "ui-script.txt:4: a message box \"Select key and update fields first\" has no button Yes "
       "that closes it (it has OK)"},
      {"form OVUpdateSQLEditForm\nset cbTableName \" \"\nclick btGenerateSQL\n",
       "ui-script.txt:3: btGenerateSQL is disabled"},
      {"form OVUpdateSQLEditForm\nset meSQLText x\n",
       "ui-script.txt:2: meSQLText is on page tsSQL, which is not shown"},
      {"form OVUpdateSQLEditForm\nexpect cbTableName Text CUSTOMER\n",
       "ui-script.txt:2: cbTableName.Text is \"\", not \"CUSTOMER\""},
      {"form OVUpdateSQLEditForm\nexpect cbTableName Colour red\n",
       "ui-script.txt:2: cbTableName has no property Colour"},
      {"form OVUpdateSQLEditForm\npage tsSQL\nchoose rgrStatementType Update\n",
       "ui-script.txt:3: rgrStatementType has no item \"Update\""},
      {"form OVUpdateSQLEditForm\npage tsSQL\nchoose rgrStatementType 4\n",
       "ui-script.txt:3: rgrStatementType has no item 4 (it has 4)"},
      {"form OVUpdateSQLEditForm\npopup lbKeyFields Delete All\n",
       "ui-script.txt:2: the context menu pmFields has no item \"Delete All\""},
      {"form OVUpdateSQLEditForm\npopup cbTableName miClearAll\n",
       "ui-script.txt:2: cbTableName has no context menu"},
      {"form OVUpdateSQLEditForm\nselect lbKeyFields NAME\n",
       "ui-script.txt:2: lbKeyFields has no item \"NAME\""},
      {"form OVUpdateSQLEditForm\nset btOk x\n",
       "ui-script.txt:2: btOk (a TButton) takes no typed text"},
      {"form OVUpdateSQLEditForm\npage btOk\n", "ui-script.txt:2: btOk (a TButton) is not a page"},
      {"form OVUpdateSQLEditForm\nfrobnicate btOk\n",
       "ui-script.txt:2: unknown action 'frobnicate'"},
      {"\n\nform\n", "ui-script.txt:3: form needs a name"},
      {"form X\nclick \"btOk\" twice\n",
       "ui-script.txt:2: click takes the mouse button left, right or middle, not 'twice'"},
      {"form OVUpdateSQLEditForm\nclick btGetTableField\n",
       "ui-script.txt:2: form OVUpdateSQLEditForm has no control btGetTableField; did you mean "
       "btGetTableFields?"},
      {"form OVUpdateSQLEditForm\nclick Select Primry Keys right\n",
       "ui-script.txt:2: form OVUpdateSQLEditForm has no control Select Primry Keys; did you mean "
       "\"Select Primary Keys\" (btSelectPrimKeys)?"},
      {"form OVUpdateSQLEditForm\nclick Frobnicate\n",
       "ui-script.txt:2: form OVUpdateSQLEditForm has no control Frobnicate"},
      {"form X\nset cbTableName \"open\n", "ui-script.txt:2: a string is not closed with \""},
      {"answer Perhaps\n", "ui-script.txt:1: answer names no button: 'Perhaps'"},
      {"form X\npress f1\n",
       "ui-script.txt:2: press knows enter, escape, tab, shift+tab and space, not 'f1'"},
  };
  for (const auto& [Script, Error] : Cases)
    EXPECT_EQ(Run(Script), Error) << Script;
}

TEST_F(ScriptedEditor, AFailedScriptStaysFailed) {
  TScript S("form OVUpdateSQLEditForm\nclick btFoo\n");
  Forms::TFormPtr<TTestSQLForm> F(Forms::Application->CreateForm<TTestSQLForm>());
  EXPECT_THROW(F->ShowModal(), ScriptedUI::EUIScriptError);
  EXPECT_FALSE(F->GetVisible());
  EXPECT_THROW(Dialogs::MessageDlg("later", Dialogs::TMsgDlgType::mtInformation, {}, 0),
               ScriptedUI::EUIScriptError);
  EXPECT_THROW(S.UI.CheckFinished(), ScriptedUI::EUIScriptError);
  EXPECT_FALSE(S.UI.Finished());
}

TEST_F(ScriptedEditor, SelectAndDeselectSetExactlyTheItemsNamed) {
  TScript S("form OVUpdateSQLEditForm\nset cbTableName T\nclick btGetTableFields\n"
            "select lbKeyFields ID CITY\nexpect lbKeyFields Selected ID,CITY\n"
            "deselect lbKeyFields 2\nexpect lbKeyFields Selected ID\n"
            "select lbUpdateFields \"NAME\"\nexpect lbUpdateFields Selected NAME\n"
            "dblclick lbUpdateFields CITY\nexpect lbUpdateFields ItemIndex 2\n"
            "click cbQuotedFields\nexpect cbQuotedFields Checked true\nclick btCancel\n");
  Forms::TFormPtr<TTestSQLForm> F(Forms::Application->CreateForm<TTestSQLForm>());
  EXPECT_EQ(F->ShowModal(), mrCancel);
  S.UI.CheckFinished();
}

TEST(ScriptedUI, ScriptsAreReadFromFilesAndNameTheFile) {
  const std::string Path =
      ::testing::TempDir() + "vcl-script-" + std::to_string(::getpid()) + ".txt";
  SysUtils::SaveFileAtomically(Path, "# answer the next box\nanswer Maybe\n");
  try {
    ScriptedUI::TScriptedUI::FromFile(Path);
    FAIL() << "no error";
  } catch (const ScriptedUI::EUIScriptError& E) {
    EXPECT_EQ(E.Message(), Path + ":2: answer names no button: 'Maybe'");
  }
  SysUtils::DeleteFile(Path);
  EXPECT_THROW(ScriptedUI::TScriptedUI::FromFile(Path), SysUtils::EInOutError);
}

TEST(ScriptedUI, TextModulesAreEditedSavedOrLeft) {
  ScriptedUI::TScriptedUI UI("module Form1.Query1.SQL\n"
                             "text select 1\\nfrom t\n"
                             "save\n"
                             "module form1.query1.sql\n"
                             "text changed\n"
                             "leave\n");
  UIService::TUIServiceScope Scope(&UI);
  Classes::TStringList Lines;
  Lines.Add("old");
  UIService::TTextModuleRequest Request{"Form1.Query1.SQL", &Lines, false};
  EXPECT_TRUE(UIService::UI()->EditTextModule(Request));
  EXPECT_EQ(Lines.ToVector(), (std::vector<std::string>{"select 1", "from t"}));
  EXPECT_FALSE(Request.Modified);
  EXPECT_FALSE(UIService::UI()->EditTextModule(Request));
  EXPECT_EQ(Lines.Get(0), "changed");
  EXPECT_TRUE(Request.Modified);
  UI.CheckFinished();
}

TEST(ScriptedUI, TextModuleLinesOutOfOrderNameTheLine) {
  // The message of the script error EditTextModule raises on Script.
  const auto ErrorOn = [](const char* Script) -> std::string {
    ScriptedUI::TScriptedUI UI(Script, "edit.txt");
    Classes::TStringList Lines;
    UIService::TTextModuleRequest Request{"Form1.Query1.SQL", &Lines, false};
    try {
      UI.EditTextModule(Request);
    } catch (const ScriptedUI::EUIScriptError& E) {
      return E.Message();
    }
    return "no error";
  };
  const std::string OtherModule = ErrorOn("module Form1.Other.SQL\nsave\n");
  EXPECT_NE(OtherModule.find("edit.txt:1:"), std::string::npos) << OtherModule;
  const std::string NoActionHere = ErrorOn("module Form1.Query1.SQL\nclick btOk\n");
  EXPECT_NE(NoActionHere.find("edit.txt:2:"), std::string::npos) << NoActionHere;
  EXPECT_NE(ErrorOn("module Form1.Query1.SQL\ntext x\n"), "no error");
}
