// Message boxes, the file-open dialog, key states and document opening
// through the scripted user interface.
#include "TestForms.hpp"

#include "vcl/Windows.hpp"

#include <cstdio>
#include <filesystem>
#include <gtest/gtest.h>

using namespace VclTest;
using Dialogs::MessageDlg;
using Dialogs::TMsgDlgBtn;
using Dialogs::TMsgDlgButtons;
using Dialogs::TMsgDlgType;

TEST(MessageDlg, ReturnsTheModalResultOfTheButtonPressed) {
  const std::pair<const char*, int> Cases[] = {
      {"Yes", 6},   {"No", 7},     {"OK", 1},  {"Cancel", 2},    {"Abort", 3},
      {"Retry", 4}, {"Ignore", 5}, {"All", 8}, {"mbNoToAll", 9}, {"\"Yes to All\"", 10}};
  const TMsgDlgButtons All{TMsgDlgBtn::mbYes,      TMsgDlgBtn::mbNo,    TMsgDlgBtn::mbOK,
                           TMsgDlgBtn::mbCancel,   TMsgDlgBtn::mbAbort, TMsgDlgBtn::mbRetry,
                           TMsgDlgBtn::mbIgnore,   TMsgDlgBtn::mbAll,   TMsgDlgBtn::mbNoToAll,
                           TMsgDlgBtn::mbYesToAll, TMsgDlgBtn::mbHelp};
  for (const auto& [Answer, Result] : Cases) {
    TScript S(std::string("answer ") + Answer + "\n");
    EXPECT_EQ(MessageDlg("Which?", TMsgDlgType::mtConfirmation, All, 0), Result) << Answer;
    S.UI.CheckFinished();
  }
}

TEST(MessageDlg, AButtonTheBoxLacksFailsTheLineAndHelpClosesNothing) {
  {
    TScript S("# a comment\n\nanswer Yes\n");
    try {
      MessageDlg("Not allowed", TMsgDlgType::mtError, {TMsgDlgBtn::mbOK}, 0);
      FAIL() << "no error";
    } catch (const ScriptedUI::EUIScriptError& E) {
      EXPECT_EQ(E.Message(), "ui-script.txt:3: a message box \"Not allowed\" has no button Yes "
                             "that closes it (it has OK)");
    }
  }
  {
    TScript S("answer Help\n");
    EXPECT_THROW(
        MessageDlg("?", TMsgDlgType::mtInformation, {TMsgDlgBtn::mbOK, TMsgDlgBtn::mbHelp}, 0),
        ScriptedUI::EUIScriptError);
  }
  {
    // A box without buttons gets OK; the caption follows the type.
    TScript S("answer OK\n");
    EXPECT_EQ(MessageDlg("Done", TMsgDlgType::mtWarning, {}, 0), Controls::mrOk);
    EXPECT_EQ(S.UI.Log().back(), "message Warning \"Done\" [OK]: OK");
  }
}

TEST(MessageDlg, TheAnswerCanCheckTheText) {
  TScript S("answer OK \"Error opening following address: mailto:\"\n");
  MessageDlg("Error opening following address: mailto:support@example.org", TMsgDlgType::mtError,
             {TMsgDlgBtn::mbOK}, 0);
  TScript S2("answer OK something else\n");
  try {
    MessageDlg("The real text", TMsgDlgType::mtError, {TMsgDlgBtn::mbOK}, 0);
    FAIL() << "no error";
  } catch (const ScriptedUI::EUIScriptError& E) {
    EXPECT_EQ(E.Message(),
              "ui-script.txt:1: the message box says \"The real text\", which does not "
              "contain \"something else\"");
  }
}

namespace {

class OpenDialog : public ::testing::Test {
protected:
  void SetUp() override {
    Dir = std::filesystem::temp_directory_path() /
          ("vcl-open-" + std::to_string(::testing::UnitTest::GetInstance()->random_seed()) + "-" +
           ::testing::UnitTest::GetInstance()->current_test_info()->name());
    std::filesystem::create_directories(Dir);
    std::FILE* F = std::fopen((Dir / "params.txt").c_str(), "w");
    std::fputs("USER NAME=x\n", F);
    std::fclose(F);
    Dialog = std::make_unique<Dialogs::TOpenDialog>(nullptr);
    Dialog->SetInitialDir(Dir.string());
    Dialog->SetFilter("Text files|*.txt|All files|*.*");
    Dialog->SetDefaultExt("txt");
    Dialog->SetOptions(
        {Dialogs::TOpenOption::ofFileMustExist, Dialogs::TOpenOption::ofPathMustExist});
  }
  void TearDown() override { std::filesystem::remove_all(Dir); }
  std::filesystem::path Dir;
  std::unique_ptr<Dialogs::TOpenDialog> Dialog;
};

} // namespace

TEST_F(OpenDialog, AcceptsAnExistingFileCompletedInTheInitialFolder) {
  TScript S("file params\n");
  ASSERT_TRUE(Dialog->Execute());
  EXPECT_EQ(Dialog->GetFileName(), (Dir / "params.txt").string());
  EXPECT_EQ(Dialog->GetFiles()->Count(), 1);
}

TEST_F(OpenDialog, CancelLeavesTheFileNameAlone) {
  Dialog->SetFileName("before.txt");
  TScript S("file cancel\n");
  EXPECT_FALSE(Dialog->Execute());
  EXPECT_EQ(Dialog->GetFileName(), "before.txt");
}

TEST_F(OpenDialog, AMissingFileIsRefusedWithThePlatformsMessage) {
  TScript S("file missing.txt\n");
  try {
    Dialog->Execute();
    FAIL() << "no error";
  } catch (const ScriptedUI::EUIScriptError& E) {
    EXPECT_EQ(E.Message(), "ui-script.txt:1: the file dialog refuses missing.txt: " +
                               (Dir / "missing.txt").string() +
                               " File not found. Please verify the correct file name was given.");
  }
  std::string Path = "/no/such/folder/x.txt";
  EXPECT_EQ(Dialog->CheckFileName(Path), "/no/such/folder/x.txt\nPath does not exist.\n"
                                         "Please verify the correct path was given.");
  // Without the must-exist options any name goes.
  Dialog->SetOptions({});
  TScript S2("file new.txt\n");
  EXPECT_TRUE(Dialog->Execute());
}

namespace {

// A user interface that ignores the dialog's check.
class TCarelessUI : public ScriptedUI::TScriptedUI {
public:
  TCarelessUI() : TScriptedUI("") {}
  bool ExecuteOpenDialog(UIService::TFileDialogRequest& Request) override {
    Request.FileName = "/no/such/file.txt";
    return true;
  }
};

} // namespace

TEST_F(OpenDialog, TheDialogChecksWhatAnyUserInterfaceReturns) {
  TCarelessUI UI;
  UIService::TUIServiceScope Scope(&UI);
  EXPECT_THROW(Dialog->Execute(), SysUtils::EInvalidOperation);
  EXPECT_EQ(Dialog->GetFileName(), "");
}

TEST(Platform, AltKeyDocumentsAndExceptions) {
  TScript S("key alt down\nurl ok example.org\nurl fail\nkey alt up\nanswer OK\n");
  EXPECT_LT(Windows::GetAsyncKeyState(Windows::VK_MENU), 0);
  EXPECT_GT(
      Windows::ShellExecute(nullptr, "open", "https://example.org/", "", "", Windows::SW_HIDE), 32);
  EXPECT_EQ(Windows::ShellExecute(nullptr, "open", "mailto:x@example.org", "", "", 0),
            Windows::ERROR_FILE_NOT_FOUND);
  EXPECT_EQ(Windows::GetAsyncKeyState(Windows::VK_MENU), 0);
  Forms::Application->ShowException("Disk full");
  EXPECT_EQ(S.UI.Log(), (std::vector<std::string>{"document \"https://example.org/\": opened",
                                                  "document \"mailto:x@example.org\": failed",
                                                  "message Orvane \"Disk full.\" [OK]: OK"}));
  // Without a user interface no key is down and the cursor goes nowhere.
  UIService::TUIServiceScope None(nullptr);
  EXPECT_EQ(Windows::GetAsyncKeyState(Windows::VK_MENU), 0);
  Forms::Screen->SetCursor(Controls::crHourGlass);
  Forms::Screen->SetCursor(Controls::crDefault);
}

TEST(Platform, TheScreenCursorReachesTheUserInterface) {
  TScript S("");
  Forms::Screen->SetCursor(Controls::crHourGlass);
  Forms::Screen->SetCursor(Controls::crDefault);
  EXPECT_EQ(S.UI.CursorHistory(), (std::vector<int>{-11, 0}));
}
