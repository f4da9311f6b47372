// The runtime dialogs on their stored layouts, run by a scripted person: the
// SQL dialog, the parameter dialog, the connection dialog and the remote
// database input, with what each writes back, what it refuses and what it
// hands the code editor.
#include "orvane60/OVDlgs.hpp"

#include "EngineTestUtil.hpp"
#include "vcl/ScriptedUI.hpp"

#include <gtest/gtest.h>

#include <fstream>

using namespace OVDlgs;
using EngineTestUtil::TTempDir;
using OVEngine::TOVServerType;

namespace {

// A scripted person for the life of the object.
struct TScript {
  explicit TScript(const std::string& Text) : UI(Text, "dialogs.txt"), Scope(&UI) {}
  ScriptedUI::TScriptedUI UI;
  UIService::TUIServiceScope Scope;
};

std::string TextOf(const Classes::TStrings* Lines) {
  return Lines->GetText();
}

class SQLDialog : public ::testing::Test {
protected:
  SQLDialog() : Form(nullptr) {
    Query = new OVEngine::TOVQuery(&Form);
    Query->SetName("OVQuery1");
    Query->GetSQL()->SetText("select * from t where id = :id\n");
    Query->GetParams()->ParamByName("id")->SetAsInteger(7);
  }
  Classes::TComponent Form;
  OVEngine::TOVQuery* Query;
};

} // namespace

TEST_F(SQLDialog, OKWithANewTextWritesItThroughTheQuery) {
  TScript S("form OVSQLEditDlg\n"
            "expect meSQL Lines \"select * from t where id = :id\"\n"
            "set meSQL select name from t where id = :id and k = :k\n"
            "click btOk\n");
  EXPECT_TRUE(ShowSQLEditor("Form1.OVQuery1.SQL", Query, nullptr));
  S.UI.CheckFinished();
  EXPECT_EQ(TextOf(Query->GetSQL()), "select name from t where id = :id and k = :k\n");
  // The query's setter ran: its parameters follow the new text.
  EXPECT_EQ(Query->GetParams()->Count(), 2);
  EXPECT_EQ(S.UI.Log().front(), "form OVSQLEditDlg \"Form1.OVQuery1.SQL\" opened");
}

TEST_F(SQLDialog, OKWithoutAChangeCancelAndEscapeWriteNothing) {
  {
    TScript S("form OVSQLEditDlg\nclick btOk\n");
    EXPECT_FALSE(ShowSQLEditor("", Query, nullptr));
    S.UI.CheckFinished();
    EXPECT_EQ(S.UI.Log().front(), "form OVSQLEditDlg \"SQL Editor\" opened");
  }
  {
    TScript S("form OVSQLEditDlg\nset meSQL delete from t\nclick btCancel\n");
    EXPECT_FALSE(ShowSQLEditor("Q", Query, nullptr));
    S.UI.CheckFinished();
  }
  {
    TScript S("form OVSQLEditDlg\nset meSQL delete from t\npress escape\n");
    EXPECT_FALSE(ShowSQLEditor("Q", Query, nullptr));
    S.UI.CheckFinished();
  }
  EXPECT_EQ(TextOf(Query->GetSQL()), "select * from t where id = :id\n");
  EXPECT_EQ(Query->GetParams()->ParamByName("id")->GetValue().AsInteger(), 7);
}

TEST_F(SQLDialog, TheCodeEditorGetsTheTextAfterTheDialogIsGone) {
  std::vector<std::pair<std::string, bool>> Calls;
  int FormsWhenCalled = -1;
  const TOVCodeEditorEvent CodeEditor = [&](Classes::TStrings* Strings, bool Modified) {
    Calls.emplace_back(Strings->GetText(), Modified);
    FormsWhenCalled = Forms::Screen->FormCount();
  };
  {
    TScript S("form OVSQLEditDlg\nset meSQL select 1\nclick btCodeEditor\n");
    EXPECT_FALSE(ShowSQLEditor("Q", Query, CodeEditor));
    S.UI.CheckFinished();
  }
  {
    TScript S("form OVSQLEditDlg\nclick btCodeEditor\n");
    EXPECT_FALSE(ShowSQLEditor("Q", Query, CodeEditor));
    S.UI.CheckFinished();
  }
  EXPECT_EQ(Calls, (std::vector<std::pair<std::string, bool>>{
                       {"select 1\n", true}, {"select * from t where id = :id\n", false}}));
  EXPECT_EQ(FormsWhenCalled, 0);
  EXPECT_EQ(TextOf(Query->GetSQL()), "select * from t where id = :id\n");
}

TEST_F(SQLDialog, WithoutACallbackTheCodeEditorCannotBeChosen) {
  TScript S("form OVSQLEditDlg\nexpect btCodeEditor Enabled False\nclick btCodeEditor\n");
  EXPECT_THROW(ShowSQLEditor("Q", Query, nullptr), ScriptedUI::EUIScriptError);
  EXPECT_THROW(ShowSQLEditor("Q", nullptr, nullptr), SysUtils::EInvalidOperation);
}

TEST(ParamsDialog, EditsTheListInPlaceAndDropsBlankLines) {
  Classes::TStringList Params;
  Params.SetText("USER NAME=scott\nPASSWORD=tiger\n");
  Classes::TStrings* Same = &Params;
  TScript S("form OVDatabaseParamsDlg\n"
            "expect btDefaults Enabled False\n"
            "set meParams \"USER NAME=adams\\n\\n  \\nBUSY_TIMEOUT=500\"\n"
            "click btOk\n");
  EXPECT_TRUE(ShowDatabaseParamsEditor(&Params, nullptr, nullptr));
  S.UI.CheckFinished();
  EXPECT_EQ(Same, &Params);
  EXPECT_EQ(Params.ToVector(), (std::vector<std::string>{"USER NAME=adams", "BUSY_TIMEOUT=500"}));
}

TEST(ParamsDialog, LinesWithoutANameAreRefusedUntilMended) {
  Classes::TStringList Params;
  Params.SetText("A=1\n");
  TScript S("form OVDatabaseParamsDlg\n"
            "set meParams \"A=2\\njust words\"\n"
            "click btOk\n"
            "answer OK \"Line 2 of the parameters is no NAME=VALUE line: just words\"\n"
            "set meParams \"A=2\\n=x\"\n"
            "click btOk\n"
            "answer OK \"Line 2 of the parameters has no name: =x\"\n"
            "expect meParams Lines \"A=2\\n=x\"\n"
            "click btCancel\n");
  EXPECT_FALSE(ShowDatabaseParamsEditor(&Params, nullptr, nullptr));
  S.UI.CheckFinished();
  EXPECT_EQ(Params.ToVector(), std::vector<std::string>{"A=1"});
}

TEST(ParamsDialog, DefaultsAndTheCodeEditorGoThroughTheirCallbacks) {
  Classes::TStringList Params;
  Params.SetText("A=1\n");
  bool Asked = false;
  const TOVGetDefaultParamsEvent Defaults = [&](Classes::TStrings* List) {
    Asked = true;
    List->SetText("HOST=db\nPORT=5433\n");
  };
  std::string Handed;
  bool HandedModified = false;
  const TOVCodeEditorEvent CodeEditor = [&](Classes::TStrings* Strings, bool Modified) {
    Handed = Strings->GetText();
    HandedModified = Modified;
  };
  {
    TScript S("form OVDatabaseParamsDlg\nclick btDefaults\n"
              "expect meParams Lines \"HOST=db\\nPORT=5433\"\nclick btOk\n");
    EXPECT_TRUE(ShowDatabaseParamsEditor(&Params, CodeEditor, Defaults));
    S.UI.CheckFinished();
  }
  EXPECT_TRUE(Asked);
  EXPECT_EQ(Params.GetText(), "HOST=db\nPORT=5433\n");
  {
    TScript S("form OVDatabaseParamsDlg\nset meParams HOST=other\nclick btCodeEditor\n");
    EXPECT_FALSE(ShowDatabaseParamsEditor(&Params, CodeEditor, Defaults));
    S.UI.CheckFinished();
  }
  EXPECT_EQ(Handed, "HOST=other\n");
  EXPECT_TRUE(HandedModified);
  EXPECT_EQ(Params.GetText(), "HOST=db\nPORT=5433\n");
  EXPECT_THROW(ShowDatabaseParamsEditor(nullptr, nullptr, nullptr), SysUtils::EInvalidOperation);
}

TEST(DialogChecks, ParamsRemoteDatabasesAndHistory) {
  Classes::TStringList Params;
  Params.SetText("A=1\n\n   \nB==2\n");
  EXPECT_EQ(CheckParams(&Params), "");
  EXPECT_EQ(CheckParams(nullptr), "");
  Params.Add(" =3");
  EXPECT_EQ(CheckParams(&Params), "Line 5 of the parameters has no name:  =3");

  EXPECT_EQ(CheckRemoteDatabase(TOVServerType::stSQLite, "/tmp/x.db"), "");
  EXPECT_EQ(CheckRemoteDatabase(TOVServerType::stSQLite, " sqlite:/tmp/x.db "), "");
  EXPECT_EQ(CheckRemoteDatabase(TOVServerType::stPostgreSQL, "host=/run dbname=x"), "");
  EXPECT_EQ(CheckRemoteDatabase(TOVServerType::stPostgreSQL, "postgresql://u@h/db"), "");
  // The password of an address never shows in a message.
  EXPECT_EQ(CheckRemoteDatabase(TOVServerType::stSQLite, "postgresql://u:secret@h/db"),
            "The remote database \"postgresql://u:***@h/db\" is a PostgreSQL address, but the "
            "server type is SQLite");
  const std::string Bad =
      CheckRemoteDatabase(TOVServerType::stPostgreSQL, "postgresql://u:pw@h/db?nosuchoption=1");
  EXPECT_NE(Bad, "");
  EXPECT_EQ(Bad.find("pw@"), std::string::npos) << Bad;

  Classes::TStringList History;
  History.SetText("one\nTwo\nthree\n");
  AddToHistory(&History, "two");
  EXPECT_EQ(History.ToVector(), (std::vector<std::string>{"Two", "one", "three"}));
  AddToHistory(&History, "Two");
  AddToHistory(&History, "  ");
  AddToHistory(&History, "a\nb");
  AddToHistory(nullptr, "x");
  EXPECT_EQ(History.ToVector(), (std::vector<std::string>{"Two", "one", "three"}));
  AddToHistory(&History, "four");
  EXPECT_EQ(History.ToVector(), (std::vector<std::string>{"four", "Two", "one", "three"}));
}

namespace {

class ConnectionDialog : public ::testing::Test {
protected:
  ConnectionDialog() : Saved(OVEngine::DefServerType) {}
  ~ConnectionDialog() override { OVEngine::DefServerType = Saved; }

  // A dialog as the connection editor opens it.
  Forms::TFormPtr<TOVDatabaseEditDlg> Open() {
    return Forms::TFormPtr<TOVDatabaseEditDlg>(TOVDatabaseEditDlg::Create(nullptr, 0));
  }
  // A dialog on SQLite whose history of remote databases is History, holding
  // Lines.
  Forms::TFormPtr<TOVDatabaseEditDlg> OpenWithHistory(const char* Lines) {
    History.SetText(Lines);
    auto Dlg = Open();
    Dlg->SetServerType(TOVServerType::stSQLite);
    Dlg->SetRemoteDatabaseHistory(&History);
    return Dlg;
  }
  TOVServerType Saved;
  Classes::TStringList History;
};

} // namespace

TEST_F(ConnectionDialog, StartsWithANewDatabasesValuesAndHoldsWhatItIsGiven) {
  OVEngine::DefServerType = TOVServerType::stPostgreSQL;
  auto Dlg = Open();
  EXPECT_EQ(Dlg->cbServerType->GetItems()->ToVector(),
            (std::vector<std::string>{"SQLite", "PostgreSQL", "MySQL"}));
  EXPECT_EQ(Dlg->GetServerType(), TOVServerType::stPostgreSQL);
  EXPECT_TRUE(Dlg->GetKeepConnection());
  EXPECT_TRUE(Dlg->GetLoginPrompt());
  EXPECT_FALSE(Dlg->GetDefaultDatabase());
  EXPECT_FALSE(Dlg->GetStoreConnected());
  EXPECT_EQ(Dlg->GetParams()->Count(), 0);
  // No callbacks: the buttons that need them are disabled.
  EXPECT_FALSE(Dlg->btLoadDefaultParams->GetEnabled());
  EXPECT_FALSE(Dlg->btSaveDefaultParams->GetEnabled());
  EXPECT_FALSE(Dlg->btSaveDefaultSrvType->GetEnabled());

  Classes::TStringList History;
  History.SetText("/data/a.db\n/data/b.db\n");
  Classes::TStringList Params;
  Params.SetText("USER NAME=x\n");
  Dlg->SetDatabaseName("Orders");
  Dlg->SetServerType(TOVServerType::stSQLite);
  Dlg->SetRemoteDatabase("/data/c.db");
  Dlg->SetRemoteDatabaseHistory(&History);
  Dlg->SetKeepConnection(false);
  Dlg->SetLoginPrompt(false);
  Dlg->SetDefaultDatabase(true);
  Dlg->SetStoreConnected(true);
  Dlg->SetParams(&Params);
  Params.Clear();
  EXPECT_EQ(Dlg->GetDatabaseName(), "Orders");
  EXPECT_EQ(Dlg->GetServerType(), TOVServerType::stSQLite);
  EXPECT_EQ(Dlg->GetRemoteDatabase(), "/data/c.db");
  EXPECT_EQ(Dlg->GetRemoteDatabaseHistory(), &History);
  EXPECT_EQ(Dlg->cbRemoteDatabase->GetItems()->ToVector(),
            (std::vector<std::string>{"/data/a.db", "/data/b.db"}));
  EXPECT_FALSE(Dlg->GetKeepConnection());
  EXPECT_FALSE(Dlg->GetLoginPrompt());
  EXPECT_TRUE(Dlg->GetDefaultDatabase());
  EXPECT_TRUE(Dlg->GetStoreConnected());
  EXPECT_EQ(Dlg->GetParams()->ToVector(), std::vector<std::string>{"USER NAME=x"});

  EXPECT_THROW(TOVDatabaseEditDlg::Create(nullptr, 1), SysUtils::EInvalidOperation);
}

TEST_F(ConnectionDialog, OKPutsTheRemoteDatabaseFirstInTheHistory) {
  auto Dlg = OpenWithHistory("/data/a.db\n/data/B.db\n");
  TScript S("form OVDatabaseEditDlg\n"
            "set edDatabaseName Orders\n"
            "choose cbRemoteDatabase /data/B.db\n"
            "set cbRemoteDatabase /data/b.db\n"
            "click cbStoreConnected\n"
            "set meParams BUSY_TIMEOUT=100\n"
            "click btOk\n");
  EXPECT_EQ(Dlg->ShowModal(), Controls::mrOk);
  S.UI.CheckFinished();
  EXPECT_EQ(History.ToVector(), (std::vector<std::string>{"/data/B.db", "/data/a.db"}));
  EXPECT_EQ(Dlg->GetDatabaseName(), "Orders");
  EXPECT_TRUE(Dlg->GetStoreConnected());
  EXPECT_EQ(Dlg->GetParams()->ToVector(), std::vector<std::string>{"BUSY_TIMEOUT=100"});
}

TEST_F(ConnectionDialog, CancelLeavesTheHistoryAndBadInputKeepsTheDialogOpen) {
  auto Dlg = OpenWithHistory("/data/a.db\n");
  TScript S("form OVDatabaseEditDlg\n"
            "set cbRemoteDatabase postgresql://u:pw@h/db\n"
            "click btOk\n"
            "answer OK \"is a PostgreSQL address, but the server type is SQLite\"\n"
            "choose cbServerType PostgreSQL\n"
            "set meParams nothing here\n"
            "click btOk\n"
            "answer OK \"Line 1 of the parameters\"\n"
            "click btCancel\n");
  EXPECT_EQ(Dlg->ShowModal(), Controls::mrCancel);
  S.UI.CheckFinished();
  EXPECT_EQ(History.ToVector(), std::vector<std::string>{"/data/a.db"});
}

TEST_F(ConnectionDialog, ButtonsCallTheirCallbacksAndLoadFallsBackOnTheDefaults) {
  auto Dlg = Open();
  std::vector<std::string> Clicks;
  Dlg->SetOnSaveDefaultParamsClick([&](System::TObject* Sender) {
    Clicks.push_back("save params " + Dlg->GetParams()->GetText());
    EXPECT_EQ(Sender, Dlg->btSaveDefaultParams);
  });
  Dlg->SetOnSaveDefaultSrvTypeClick([&](System::TObject*) {
    Clicks.push_back("save type " + OVEngine::GetServerTypeName(Dlg->GetServerType()));
  });
  Dlg->SetGetDefaultParams([](Classes::TStrings* List) { List->SetText("FROM=defaults\n"); });
  TScript S("form OVDatabaseEditDlg\n"
            "set meParams X=1\n"
            "click btSaveDefaultParams\n"
            "choose cbServerType PostgreSQL\n"
            "click btSaveDefaultSrvType\n"
            "click btLoadDefaultParams\n"
            "expect meParams Lines FROM=defaults\n"
            "click btCancel\n");
  Dlg->ShowModal();
  S.UI.CheckFinished();
  EXPECT_EQ(Clicks, (std::vector<std::string>{"save params X=1\n", "save type PostgreSQL"}));

  // A load callback of its own wins over the defaults.
  Dlg->SetOnLoadDefaultParamsClick([&](System::TObject*) {
    Dlg->SetParams(nullptr);
    Clicks.push_back("load");
  });
  TScript S2("form OVDatabaseEditDlg\nclick btLoadDefaultParams\nexpect meParams Lines \"\"\n"
             "click btCancel\n");
  Dlg->ShowModal();
  S2.UI.CheckFinished();
  EXPECT_EQ(Clicks.back(), "load");
}

TEST_F(ConnectionDialog, TheTestButtonConnectsADatabaseOfItsOwn) {
  TTempDir Dir;
  const std::string File = (Dir.Path() / "orders.db").string();
  auto Dlg = Open();
  Dlg->SetServerType(TOVServerType::stSQLite);
  Dlg->SetRemoteDatabase(File);
  TScript S("form OVDatabaseEditDlg\n"
            "click btTestConnection\n"
            "answer OK \"set CREATE=TRUE to create it\"\n"
            "set meParams CREATE=TRUE\n"
            "click btTestConnection\n"
            "answer OK \"Connected to " +
            File +
            ".\"\n"
            "click btCancel\n");
  Dlg->ShowModal();
  S.UI.CheckFinished();
  EXPECT_NE(S.UI.LogText().find("Cannot connect to " + File), std::string::npos) << S.UI.LogText();
  EXPECT_TRUE(std::filesystem::exists(File));
  EXPECT_EQ(Forms::Screen->GetCursor(), Controls::crDefault);
}

TEST_F(ConnectionDialog, TheTestButtonReachesPostgreSQL) {
  OV_REQUIRE_PG();
  auto Dlg = Open();
  Dlg->SetServerType(TOVServerType::stPostgreSQL);
  Dlg->SetRemoteDatabase(EngineTestUtil::PgURI());
  TScript S("form OVDatabaseEditDlg\n"
            "click btTestConnection\n"
            "answer OK Connected\n"
            "set meParams dbname=no_such_database_here\n"
            "click btTestConnection\n"
            "answer OK no_such_database_here\n"
            "click btCancel\n");
  Dlg->ShowModal();
  S.UI.CheckFinished();
}

TEST_F(ConnectionDialog, TheTestButtonReachesMySQL) {
  OV_REQUIRE_MYSQL();
  auto Dlg = Open();
  Dlg->SetServerType(TOVServerType::stMySQL);
  Dlg->SetRemoteDatabase(TestSupport::MySQLURI());
  TScript S("form OVDatabaseEditDlg\n"
            "expect cbServerType Text MySQL\n"
            "click btTestConnection\n"
            "answer OK Connected\n"
            "set meParams database=no_such_database_here\n"
            "click btTestConnection\n"
            "answer OK no_such_database_here\n"
            "set meParams sslmode=require\n"
            "click btTestConnection\n"
            "answer OK sslmode\n"
            "click btCancel\n");
  Dlg->ShowModal();
  S.UI.CheckFinished();
}

TEST_F(ConnectionDialog, BrowsingChoosesAFileForSQLiteAndAStringForPostgreSQL) {
  TTempDir Dir;
  const std::string File = (Dir.Path() / "new.db").string();
  auto Dlg = Open();
  Dlg->SetServerType(TOVServerType::stSQLite);
  TScript S("form OVDatabaseEditDlg\n"
            "click btBrowseRemote\n"
            "file " +
            File +
            "\n"
            "expect cbRemoteDatabase Text " +
            File +
            "\n"
            "choose cbServerType PostgreSQL\n"
            "click btBrowseRemote\n"
            "form OVRemoteDatabaseDlg\n"
            "set edValue \" host=/run/postgresql dbname=orders \"\n"
            "click btOk\n"
            "expect cbRemoteDatabase Text \"host=/run/postgresql dbname=orders\"\n"
            "click btCancel\n");
  Dlg->ShowModal();
  S.UI.CheckFinished();
}

TEST(RemoteDatabaseInput, SQLiteProposesTheFileOfAnAddressAndCancelKeepsTheValue) {
  TTempDir Dir;
  const std::string File = (Dir.Path() / "a.db").string();
  std::ofstream(File) << "";
  std::string Value = "sqlite:" + File;
  {
    TScript S("file cancel\n");
    EXPECT_FALSE(InputRemoteDatabaseValue(TOVServerType::stSQLite, Value));
    S.UI.CheckFinished();
  }
  EXPECT_EQ(Value, "sqlite:" + File);
  {
    // The proposed name is the file itself: a relative answer is taken in
    // its folder.
    TScript S("file other.db\n");
    EXPECT_TRUE(InputRemoteDatabaseValue(TOVServerType::stSQLite, Value));
    S.UI.CheckFinished();
  }
  EXPECT_EQ(Value, (Dir.Path() / "other.db").string());
}

TEST(RemoteDatabaseInput, PostgreSQLRefusesAddressesItCannotRead) {
  std::string Value = "host=old";
  {
    TScript S("form OVRemoteDatabaseDlg\n"
              "expect edValue Text host=old\n"
              "set edValue sqlite:/tmp/x.db\n"
              "click btOk\n"
              "answer OK \"is a SQLite address, but the server type is PostgreSQL\"\n"
              "set edValue postgresql://me@db.example.com:5432/orders\n"
              "press enter\n");
    EXPECT_TRUE(InputRemoteDatabaseValue(TOVServerType::stPostgreSQL, Value));
    S.UI.CheckFinished();
  }
  EXPECT_EQ(Value, "postgresql://me@db.example.com:5432/orders");
  {
    TScript S("form OVRemoteDatabaseDlg\nset edValue x\npress escape\n");
    EXPECT_FALSE(InputRemoteDatabaseValue(TOVServerType::stPostgreSQL, Value));
    S.UI.CheckFinished();
  }
  EXPECT_EQ(Value, "postgresql://me@db.example.com:5432/orders");
}
