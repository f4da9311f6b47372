// ovdesigner's verbs, verb, edit and about commands run as programs on real
// design files: what they print, that the file is saved only when the
// designer was told of a change, the person's own editor for code editor
// modules, and bad input that changes nothing.
#include "support/Process.hpp"
#include "support/TempDir.hpp"

#include <gtest/gtest.h>
#include <nlohmann/json.hpp>

using namespace TestSupport;

namespace {

const char* const DesignText = R"(object DataModule1: TDataModule
  OldCreateOrder = False
  Height = 150
  Width = 215
  object OVDatabase1: TOVDatabase
    DatabaseName = 'DB1'
    Params.Strings = (
      'BUSY_TIMEOUT=100')
    RemoteDatabase = 'orders.db'
  end
  object OVQuery1: TOVQuery
    DatabaseName = 'DB1'
    SQL.Strings = (
      'select 1')
  end
  object OVSession1: TOVSession
    SessionName = 'S1'
  end
  object DataSource1: TDataSource
  end
end
)";

class EditorCommands : public ::testing::Test {
protected:
  void SetUp() override {
    WriteRegistry(Registry / "registry.ini", Settings.Path().string());
    WriteFile(Form(), DesignText);
  }
  std::string Form() const { return Work / "Data.dfm"; }
  std::string Script(const std::string& Text) const {
    const std::string File = Work / ("script" + std::to_string(++FScripts) + ".txt");
    WriteFile(File, Text);
    return File;
  }
  TRunResult Designer(std::vector<std::string> Args,
                      std::vector<std::pair<std::string, std::string>> Env = {}) const {
    return RunDesigner(std::move(Args), Registry / "registry.ini", std::move(Env));
  }
  // The person at the terminal types Input (one action per line).
  TRunResult AtTerminal(const std::string& Input, const std::string& Command,
                        std::vector<std::pair<std::string, std::string>> Env = {}) const {
    const std::string InputFile = Work / "typed.txt";
    WriteFile(InputFile, Input + "\n");
    Env.emplace_back("ORVANE_REGISTRY", Registry / "registry.ini");
    Env.emplace_back("ORVANE_PACKAGE", OV_PACKAGE_FILE);
    return TestSupport::Run(
        {"/bin/sh", "-c", "exec \"$0\" " + Command + " <" + InputFile, OV_DESIGNER}, Env);
  }
  // With nothing to read on standard input.
  TRunResult DesignerWithoutInput(const std::string& Command) const {
    return TestSupport::Run(
        {"/bin/sh", "-c", "exec \"$0\" " + Command + " </dev/null", OV_DESIGNER},
        {{"ORVANE_REGISTRY", Registry / "registry.ini"}, {"ORVANE_PACKAGE", OV_PACKAGE_FILE}});
  }
  static void ExpectError(const TRunResult& R, const std::string& Part) {
    EXPECT_EQ(R.ExitCode, 1) << R.Out << R.Err;
    EXPECT_NE(R.Err.find(Part), std::string::npos) << R.Err;
    EXPECT_EQ(std::count(R.Err.begin(), R.Err.end(), '\n'), 1) << R.Err;
  }
  void ExpectUntouched() const { EXPECT_EQ(ReadFile(Form()), DesignText); }

  TTempDir Registry, Settings, Work;
  mutable int FScripts = 0;
};

} // namespace

TEST_F(EditorCommands, VerbsListTheEditorsVerbs) {
  auto R = Designer({"verbs", Form(), "OVQuery1"});
  ASSERT_EQ(R.ExitCode, 0) << R.Err;
  EXPECT_EQ(R.Out, "OVQuery1 (TOVQuery), editor TOVQueryEditor\n"
                   "  0  Orvane Library 6.5.3.0\n"
                   "  1  -\n"
                   "  2  Fields Edi&tor...\n"
                   "  3  &Parameters...\n"
                   "  4  &SQL Editor...\n");
  const auto J = nlohmann::json::parse(Designer({"--json", "verbs", Form(), "OVDatabase1"}).Out);
  EXPECT_EQ(J["editor"], "TOVDatabaseEditor");
  ASSERT_EQ(J["verbs"].size(), 4u);
  EXPECT_EQ(J["verbs"][1]["separator"], true);
  EXPECT_EQ(J["verbs"][2]["caption"], "&Database Editor...");
  // A class the package registers nothing for has the host's editor.
  R = Designer({"verbs", Form(), "DataSource1"});
  ASSERT_EQ(R.ExitCode, 0) << R.Err;
  EXPECT_EQ(R.Out, "DataSource1 (TDataSource), editor TDefaultEditor\n  (no verbs)\n");
  // The SQL editor switched off: one verb fewer.
  WriteFile(Settings / "orvane.ini", "[SQLEditor]\nEnabled=0\n");
  const auto Off = nlohmann::json::parse(Designer({"--json", "verbs", Form(), "OVQuery1"}).Out);
  EXPECT_EQ(Off["verbs"].size(), 4u);
}

TEST_F(EditorCommands, AConfirmedDialogSavesTheFileAndACancelledOneLeavesIt) {
  auto R = Designer({"verb", Form(), "OVQuery1", "4", "--ui-script",
                     Script("form OVSQLEditDlg\nset meSQL select 2\nclick btCancel\n")});
  ASSERT_EQ(R.ExitCode, 0) << R.Err;
  EXPECT_EQ(R.Out, "OVQuery1: verb 4 (&SQL Editor...) done\n"
                   "Nothing changed; the file was not written\n");
  ExpectUntouched();

  R = Designer({"verb", Form(), "OVQuery1", "4", "--ui-script",
                Script("form OVSQLEditDlg\nset meSQL \"select name\\nfrom t\"\nclick btOk\n")});
  ASSERT_EQ(R.ExitCode, 0) << R.Err;
  EXPECT_NE(R.Out.find("Saved " + Form()), std::string::npos) << R.Out;
  const std::string Saved = ReadFile(Form());
  EXPECT_NE(Saved.find("'select name'\n      'from t')"), std::string::npos) << Saved;
  EXPECT_NE(Saved.find("object OVSession1: TOVSession"), std::string::npos);
}

TEST_F(EditorCommands, AScriptEditsTheCodeEditorsModules) {
  const auto R = Designer({"verb", Form(), "OVQuery1", "4", "--ui-script",
                           Script("form OVSQLEditDlg\nclick btCodeEditor\n"
                                  "module DataModule1.OVQuery1.SQL\ntext select 42\nsave\n")});
  ASSERT_EQ(R.ExitCode, 0) << R.Err;
  EXPECT_NE(ReadFile(Form()).find("'select 42')"), std::string::npos) << ReadFile(Form());
  EXPECT_NE(R.Out.find("Saved"), std::string::npos) << R.Out;
}

TEST_F(EditorCommands, AtTheTerminalTheCodeEditorIsThePersonsOwnEditor) {
  const std::string Seen = Work / "seen.txt";
  const std::string Editor = "sh -c 'basename \"$1\" > " + Seen + "; cat \"$1\" >> " + Seen +
                             "; printf \"select 42\\n\" > \"$1\"' editor";
  // The person types the action at the dialog's prompt.
  const auto R = AtTerminal("click btCodeEditor", "verb " + Form() + " OVQuery1 4",
                            {{"EDITOR", Editor}, {"VISUAL", ""}});
  ASSERT_EQ(R.ExitCode, 0) << R.Err;
  EXPECT_EQ(ReadFile(Seen), "DataModule1.OVQuery1.SQL\nselect 1\n");
  EXPECT_NE(ReadFile(Form()).find("'select 42')"), std::string::npos) << ReadFile(Form());
  EXPECT_NE(R.Out.find("Saved " + Form()), std::string::npos) << R.Out;
}

TEST_F(EditorCommands, AnEditorThatFailsIsAnErrorAndTheFileStaysAsItWas) {
  const auto R = AtTerminal("click btCodeEditor", "verb " + Form() + " OVDatabase1 3",
                            {{"VISUAL", "sh -c 'printf junk > \"$1\"; exit 3' editor"}});
  ExpectError(R, "The editor did not finish successfully; DataModule1.OVDatabase1.Params was left "
                 "as it was");
  ExpectUntouched();
}

TEST_F(EditorCommands, BadInputIsNamedAndChangesNothing) {
  ExpectError(
      Designer({"verb", Form(), "OVQuery1", "7"}),
      "OVQuery1 (TOVQuery), editor TOVQueryEditor has the verbs 0 to 4; there is no verb 7");
  ExpectError(Designer({"verb", Form(), "OVQuery1", "-1"}), "there is no verb -1");
  ExpectError(Designer({"verb", Form(), "DataSource1", "0"}), "has no verbs");
  ExpectError(Designer({"verbs", Form(), "NoSuchQuery"}), "has no component named NoSuchQuery");
  ExpectError(Designer({"edit", Form(), "NoSuchQuery"}), "has no component named NoSuchQuery");
  // The connection dialog's parameters refused, then a script that stops
  // short: the command fails and nothing is written.
  ExpectError(Designer({"edit", Form(), "OVDatabase1", "--ui-script",
                        Script("form OVDatabaseEditDlg\nset meParams \"no equals sign\"\n"
                               "click btOk\nanswer OK\n")}),
              "OVDatabaseEditDlg");
  ExpectUntouched();
  EXPECT_EQ(Designer({"verb", Form(), "OVQuery1", "x"}).ExitCode, 2);
}

TEST_F(EditorCommands, AConnectionThatFailsStopsTheVerbBeforeItsDialog) {
  // The fields editor reads the query's fields from its database, whose file
  // does not exist.
  ExpectError(Designer({"--trust", "verb", Form(), "OVQuery1", "2", "--ui-script", Script("")}),
              "orders.db");
  ExpectError(Designer({"--trust", "edit", Form(), "OVQuery1", "--ui-script", Script("")}),
              "orders.db");
  // A file of an untrusted folder connects all the same, since the verb
  // asks for it, and says so first.
  const auto R = Designer({"edit", Form(), "OVQuery1", "--ui-script", Script("")});
  EXPECT_EQ(R.ExitCode, 1);
  EXPECT_EQ(R.Err.rfind("ovdesigner: connecting OVDatabase1 as asked", 0), 0u) << R.Err;
  ExpectUntouched();
}

TEST_F(EditorCommands, EditRunsTheDoubleClick) {
  auto R = Designer({"edit", Form(), "OVDatabase1", "--ui-script",
                     Script("form OVDatabaseEditDlg\nset edDatabaseName Orders\nclick btOk\n")});
  ASSERT_EQ(R.ExitCode, 0) << R.Err;
  EXPECT_NE(ReadFile(Form()).find("DatabaseName = 'Orders'"), std::string::npos);
  R = Designer({"--json", "edit", Form(), "OVSession1", "--ui-script",
                Script("form OVAboutDlg\npress escape\n")});
  ASSERT_EQ(R.ExitCode, 0) << R.Err;
  const auto J = nlohmann::json::parse(R.Out);
  EXPECT_EQ(J["saved"], false);
  EXPECT_EQ(J["ui"][0], "form OVAboutDlg \"About Orvane\" opened");
}

TEST_F(EditorCommands, AboutShowsTheTextsAndLinks) {
  auto R = DesignerWithoutInput("about");
  ASSERT_EQ(R.ExitCode, 0) << R.Err;
  EXPECT_EQ(R.Out,
            "About Orvane\n"
            "  Copyright (c) 2001-2026 Orvane Software\n"
            "  Order Orvane online NOW:\n"
            "  Orvane Library\n"
            "  Version 6.5.3.0\n"
            "  For additial information visit the following links:\n"
            "Links:\n"
            "  Orvane Home               https://www.example.com/orvane/\n"
            "  Orvane E:Mail Support     mailto:support@example.com\n"
            "  Orvane Std (w/o source)   https://www.example.com/orvane/order/standard\n"
            "  Orvane Pro (with source)  https://www.example.com/orvane/order/professional\n");
  R = Designer({"--json", "about", "--ui-script",
                Script("form OVAboutDlg\nclick lblSupport\nurl fail\nanswer OK\npress enter\n")});
  ASSERT_EQ(R.ExitCode, 0) << R.Err;
  const auto J = nlohmann::json::parse(R.Out);
  EXPECT_EQ(J["links"][1]["address"], "mailto:support@example.com");
  EXPECT_NE(J["ui"].dump().find("Error opening following address: mailto:support@example.com"),
            std::string::npos)
      << J["ui"].dump();
}
