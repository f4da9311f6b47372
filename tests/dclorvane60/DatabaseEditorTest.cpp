// The connection editor of databases: what the connection dialog shows and
// writes back, in which order and with which design options, the buttons
// tied to the settings store (the default parameters going from one
// connection dialog to another), the parameter verb, and when the designer
// is told of a change.
#include "EditorTestSupport.hpp"

#include "orvane60/OVDlgs.hpp"

using namespace EditorTestSupport;
using namespace OVEngine;
using OVReg::TOVDatabaseEditor;

namespace {

class DatabaseEditor : public TEditorTest {
protected:
  void SetUp() override {
    TEditorTest::SetUp();
    StartUnit();
    Db = Add<TOVDatabase>("Database1");
    Db->SetDatabaseName("Orders");
    Db->SetServerType(TOVServerType::stSQLite);
    Db->SetRemoteDatabase("/data/orders.db");
    Db->GetParams()->SetText("BUSY_TIMEOUT=100\n");
    Db->SetKeepConnection(false);
    Db->SetLoginPrompt(false);
    Db->SetDesignOptions({TOVDesignDBOption::ddoStoreConnected});
  }

  bool EditUnder(const std::string& Script) {
    TScript S(Script);
    TOVDatabaseEditor Editor(Db, Designer.Get());
    const bool Result = Editor.EditDatabase(Db);
    S.UI.CheckFinished();
    EXPECT_EQ(Editor.EditDlg(), nullptr);
    return Result;
  }
  void RunVerb(int Index, const std::string& Script) {
    TScript S(Script);
    EditorOf(Db)->ExecuteVerb(Index);
    S.UI.CheckFinished();
  }
  std::string Ini() const { return TestSupport::ReadFile(Settings / "orvane.ini"); }

  TOVDatabase* Db = nullptr;
};

} // namespace

TEST_F(DatabaseEditor, TheDialogShowsTheDatabaseAndOKWritesEverythingBack) {
  EXPECT_TRUE(EditUnder("form OVDatabaseEditDlg\n"
                        "expect edDatabaseName Text Orders\n"
                        "expect cbServerType Text SQLite\n"
                        "expect cbRemoteDatabase Text /data/orders.db\n"
                        "expect cbKeepConnection Checked False\n"
                        "expect cbLoginPrompt Checked False\n"
                        "expect cbDefaultDatabase Checked False\n"
                        "expect cbStoreConnected Checked True\n"
                        "expect meParams Lines BUSY_TIMEOUT=100\n"
                        "set edDatabaseName Sales\n"
                        "choose cbServerType PostgreSQL\n"
                        "set cbRemoteDatabase \"host=/run/postgresql dbname=sales\"\n"
                        "click cbKeepConnection\n"
                        "click cbLoginPrompt\n"
                        "click cbDefaultDatabase\n"
                        "set meParams \"USER NAME=ann\\nPASSWORD=x\"\n"
                        "click btOk\n"));
  EXPECT_EQ(Db->GetDatabaseName(), "Sales");
  EXPECT_EQ(Db->GetServerType(), TOVServerType::stPostgreSQL);
  EXPECT_EQ(Db->GetRemoteDatabase(), "host=/run/postgresql dbname=sales");
  EXPECT_TRUE(Db->GetKeepConnection());
  EXPECT_TRUE(Db->GetLoginPrompt());
  EXPECT_EQ(Db->GetDesignOptions(), (TOVDesignDBOptions{TOVDesignDBOption::ddoIsDefaultDatabase,
                                                        TOVDesignDBOption::ddoStoreConnected}));
  EXPECT_EQ(Db->GetParams()->ToVector(), (std::vector<std::string>{"USER NAME=ann", "PASSWORD=x"}));
  // The dialog put the remote database first in the settings store's list.
  EXPECT_EQ(OVReg::DesignSettings->RecentDatabaseList()->ToVector(),
            std::vector<std::string>{"host=/run/postgresql dbname=sales"});
  EXPECT_EQ(Modified(), 0); // EditDatabase itself tells nobody
}

TEST_F(DatabaseEditor, ConfirmingWithoutAChangeStillNotifiesAndClearingOptionsClearsThem) {
  RunVerb(2, "form OVDatabaseEditDlg\nclick btOk\n");
  EXPECT_EQ(Modified(), 1);
  EXPECT_EQ(Db->GetDesignOptions(), TOVDesignDBOptions{TOVDesignDBOption::ddoStoreConnected});
  RunVerb(2, "form OVDatabaseEditDlg\nclick cbStoreConnected\nclick btOk\n");
  EXPECT_EQ(Modified(), 2);
  EXPECT_TRUE(Db->GetDesignOptions().Empty());
  // Cancel writes nothing and tells nobody.
  RunVerb(2, "form OVDatabaseEditDlg\nset edDatabaseName Other\nclick btCancel\n");
  EXPECT_EQ(Db->GetDatabaseName(), "Orders");
  EXPECT_EQ(Modified(), 2);
}

TEST_F(DatabaseEditor, ADoubleClickOpensTheConnectionDialog) {
  TScript S("form OVDatabaseEditDlg\npress escape\n");
  EditorOf(Db)->Edit();
  S.UI.CheckFinished();
  EXPECT_EQ(S.UI.Log().front(), "form OVDatabaseEditDlg \"Database Editor\" opened");
  EXPECT_EQ(Modified(), 0);
}

TEST_F(DatabaseEditor, ValuesWrittenBeforeAFailingSetterStayWritten) {
  // A database that is not being designed refuses to be pointed elsewhere
  // while connected: the parameters are written first, the remote database
  // fails, and what comes after it is not written.
  const std::string File = Settings / "live.db";
  Classes::TComponent Program(nullptr);
  auto* Live = new TOVDatabase(&Program);
  Live->SetServerType(TOVServerType::stSQLite);
  Live->SetRemoteDatabase(File);
  Live->GetParams()->SetText("CREATE=TRUE\n");
  Live->SetKeepConnection(true);
  Live->Open();
  TScript S("form OVDatabaseEditDlg\n"
            "set meParams \"CREATE=TRUE\\nBUSY_TIMEOUT=5\"\n"
            "set cbRemoteDatabase /elsewhere.db\n"
            "click cbKeepConnection\n"
            "click btOk\n");
  TOVDatabaseEditor Editor(Live, Designer.Get());
  try {
    Editor.EditDatabase(Live);
    FAIL() << "a connected database cannot change its remote database";
  } catch (const SysUtils::Exception& E) {
    EXPECT_NE(E.Message().find("connected database"), std::string::npos) << E.Message();
  }
  S.UI.CheckFinished();
  EXPECT_EQ(Live->GetParams()->ToVector(),
            (std::vector<std::string>{"CREATE=TRUE", "BUSY_TIMEOUT=5"}));
  EXPECT_EQ(Live->GetRemoteDatabase(), File);
  EXPECT_TRUE(Live->GetKeepConnection());
  EXPECT_EQ(Editor.EditDlg(), nullptr);
  EXPECT_EQ(Forms::Screen->FormCount(), 0);
}

TEST_F(DatabaseEditor, DefaultParametersGoFromOneConnectionDialogToAnother) {
  auto* Other = Add<TOVDatabase>("Database2");
  RunVerb(2, "form OVDatabaseEditDlg\n"
             "set meParams \"HOST=db1\\nPORT=5433\"\n"
             "click btSaveDefaultParams\n"
             "choose cbServerType PostgreSQL\n"
             "click btSaveDefaultSrvType\n"
             "click btCancel\n");
  EXPECT_EQ(Ini(), "[TOVDatabase_Params]\nHOST=db1\nPORT=5433\n\n[TOVDatabase]\n"
                   "ServerType=PostgreSQL\n");
  EXPECT_EQ(OVEngine::DefServerType, TOVServerType::stPostgreSQL);
  EXPECT_EQ(Db->GetParams()->ToVector(), std::vector<std::string>{"BUSY_TIMEOUT=100"});
  EXPECT_EQ(Modified(), 0);

  TScript S("form OVDatabaseEditDlg\nclick btLoadDefaultParams\n"
            "expect meParams Lines \"HOST=db1\\nPORT=5433\"\nclick btOk\n");
  EditorOf(Other)->Edit();
  S.UI.CheckFinished();
  EXPECT_EQ(Other->GetParams()->ToVector(), (std::vector<std::string>{"HOST=db1", "PORT=5433"}));
  EXPECT_EQ(Modified(), 1);
}

TEST_F(DatabaseEditor, TheButtonHandlersDoNothingWhileNoDialogIsOpen) {
  TOVDatabaseEditor Editor(Db, Designer.Get());
  Editor.LoadDefaultParams(nullptr);
  Editor.SaveDefaultParams(nullptr);
  Editor.SaveDefaultSrvType(nullptr);
  Editor.GetDefaultParams(nullptr);
  EXPECT_FALSE(std::filesystem::exists(Settings / "orvane.ini"));
  Classes::TStringList List;
  List.SetText("stale\n");
  Editor.GetDefaultParams(&List);
  EXPECT_EQ(List.Count(), 0);
}

TEST_F(DatabaseEditor, TheParameterVerbEditsTheListInPlace) {
  Classes::TStrings* Own = Db->GetParams();
  RunVerb(3, "form OVDatabaseParamsDlg\nset meParams BUSY_TIMEOUT=9\nclick btCancel\n");
  EXPECT_EQ(Modified(), 0);
  RunVerb(3, "form OVDatabaseParamsDlg\nexpect btDefaults Enabled True\n"
             "set meParams \"BUSY_TIMEOUT=9\\nREADONLY=TRUE\"\nclick btOk\n");
  EXPECT_EQ(Db->GetParams(), Own);
  EXPECT_EQ(Own->ToVector(), (std::vector<std::string>{"BUSY_TIMEOUT=9", "READONLY=TRUE"}));
  EXPECT_EQ(Modified(), 1);
}

TEST_F(DatabaseEditor, TheParameterDialogHandsItsTextToTheCodeEditor) {
  RunVerb(3, "form OVDatabaseParamsDlg\nclick btCodeEditor\n");
  ASSERT_EQ(TextModuleCalls.size(), 1u);
  EXPECT_EQ(TextModuleCalls[0].ModuleName, "Form1.Database1.Params");
  EXPECT_EQ(TextModuleCalls[0].Text, "BUSY_TIMEOUT=100\n");
  EXPECT_FALSE(TextModuleCalls[0].Modified);
  EXPECT_EQ(Modified(), 0);

  // The module stays open with unsaved text; the verb asks to close it
  // and, refused, ends without its dialog.
  auto Module = Services.Services()->FindModule("Form1.Database1.Params");
  ASSERT_TRUE(Module);
  Module->GetModuleFileEditor(0)->MarkModified();
  RunVerb(3, "answer Cancel\n");
  EXPECT_TRUE(Services.Services()->FindModule("Form1.Database1.Params"));
  RunVerb(3, "answer No\nform OVDatabaseParamsDlg\nclick btCancel\n");
  EXPECT_FALSE(Services.Services()->FindModule("Form1.Database1.Params"));
  EXPECT_EQ(Db->GetParams()->ToVector(), std::vector<std::string>{"BUSY_TIMEOUT=100"});
}
