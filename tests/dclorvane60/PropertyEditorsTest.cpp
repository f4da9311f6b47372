// The package's property editors as the Object Inspector uses them: their
// registrations, value lists read from live SQLite and PostgreSQL catalogues,
// the remote database history and the Connected editor that feeds it, and
// the dialogs behind the ellipsis buttons.
#include "dclorvane60/InspectorTestSupport.hpp"
#include "designide/IDEServices.hpp"
#include "designide/ObjectInspector.hpp"
#include "orvane60/EngineTestUtil.hpp"

#include <gtest/gtest.h>

using namespace InspectorTest;
using EngineTestUtil::TServerDatabase;
using ObjectInspector::TObjectInspector;
using Strings = std::vector<std::string>;

namespace {

class PropertyEditorsTest : public TPackageTest {
protected:
  void TearDown() override {
    Inspector.reset();
    TPackageTest::TearDown();
  }
  ObjectInspector::TInspectorProperty& Prop(Classes::TPersistent* Instance,
                                            const std::string& Name) {
    Inspector = std::make_unique<TObjectInspector>(Designer.Get(),
                                                   std::vector<Classes::TPersistent*>{Instance});
    return Inspector->Get(Name);
  }
  Strings RegisteredEditors() {
    Strings R;
    for (const auto& C : DesignRegistry::RegistrationLog(PackageName))
      if (C.Call == "RegisterPropertyEditor")
        R.push_back(C.Text());
    return R;
  }
  Strings History() { return OVReg::DesignSettings->RecentDatabaseList()->ToVector(); }

  std::unique_ptr<TObjectInspector> Inspector;
};

} // namespace

TEST_F(PropertyEditorsTest, SeventeenEditorsAreRegisteredInOrder) {
  Start();
  EXPECT_EQ(
      RegisteredEditors(),
      (Strings{"RegisterPropertyEditor Boolean TOVDatabase Connected TOVDatabaseConnectedProperty",
               "RegisterPropertyEditor string TOVDatabase RemoteDatabase TOVDatabaseProperty",
               "RegisterPropertyEditor string TOVDatabase SessionName TOVSessionNameProperty",
               "RegisterPropertyEditor string TOVDatabase ParamsFileName TOVFileNameProperty",
               "RegisterPropertyEditor string TOVDataSet DatabaseName TOVDatabaseNameProperty",
               "RegisterPropertyEditor string TOVDataSet SessionName TOVSessionNameProperty",
               "RegisterPropertyEditor string TOVScript DatabaseName TOVDatabaseNameProperty",
               "RegisterPropertyEditor string TOVScript SessionName TOVSessionNameProperty",
               "RegisterPropertyEditor string TOVStoredProc StoredProcName "
               "TOVStoredProcNameProperty",
               "RegisterPropertyEditor string TOVTable TableName TOVTableNameProperty",
               "RegisterPropertyEditor string TOVTable IndexName TIndexNameProperty",
               "RegisterPropertyEditor string TOVTable IndexFieldNames TIndexFieldNamesProperty",
               "RegisterPropertyEditor TParams TOVQuery Params TOVQueryParamsProperty",
               "RegisterPropertyEditor TParams TOVStoredProc Params TOVStoredProcParamsProperty",
               "RegisterPropertyEditor TStrings TOVDatabase Params TOVDatabaseParamsProperty",
               "RegisterPropertyEditor TStrings TOVQuery SQL TOVQuerySQLProperty",
               "RegisterPropertyEditor string TOVTable MasterFields "
               "TOVTableFieldLinkProperty"}));
  NewDesign();
  auto* Q = Add<TOVMacroQuery>("OVMacroQuery1");
  EXPECT_EQ(Prop(Q, "SQL").EditorClassName(), "TOVQuerySQLProperty");
  EXPECT_EQ(Prop(Q, "DatabaseName").EditorClassName(), "TOVDatabaseNameProperty");
  EXPECT_EQ(Prop(Q, "Params").EditorClassName(), "TOVQueryParamsProperty");
  EXPECT_EQ(Prop(Q, "DatabaseName").Category(), "Database");
}

TEST_F(PropertyEditorsTest, WithTheSQLEditorSwitchedOffSixteenAreRegistered) {
  Start("[SQLEditor]\nEnabled=0\n");
  const Strings Editors = RegisteredEditors();
  EXPECT_EQ(Editors.size(), 16u);
  for (const std::string& E : Editors)
    EXPECT_EQ(E.find("TOVQuerySQLProperty"), std::string::npos) << E;
  NewDesign();
  auto* Q = Add<TOVQuery>("OVQuery1");
  // The host's own editor for string lists.
  EXPECT_EQ(Prop(Q, "SQL").EditorClassName(), "TStringListProperty");
}

TEST_F(PropertyEditorsTest, AttributesTellTheInspectorHowToShowEachProperty) {
  Start();
  NewDesign();
  auto* Db = AddDatabase("OVDatabase1", "Shop");
  auto* T = AddDataSet<TOVTable>("OVTable1", "Shop");
  auto* Q = Add<TOVQuery>("OVQuery1");
  using A = DesignIntf::TPropertyAttribute;
  using Set = DesignIntf::TPropertyAttributes;
  EXPECT_EQ(Prop(T, "TableName").Attributes(),
            (Set{A::paValueList, A::paMultiSelect, A::paSortList}));
  EXPECT_EQ(Prop(Db, "RemoteDatabase").Attributes(), (Set{A::paValueList, A::paDialog}));
  EXPECT_EQ(Prop(Db, "ParamsFileName").Attributes(), (Set{A::paDialog, A::paRevertable}));
  EXPECT_EQ(Prop(Q, "Params").Attributes(), (Set{A::paDialog, A::paMultiSelect}));
  const Set ListAttributes = Prop(Db, "Params").Attributes();
  EXPECT_TRUE(ListAttributes.Contains(A::paDialog));
  EXPECT_FALSE(ListAttributes.Contains(A::paSubProperties));
  EXPECT_TRUE(Prop(Q, "SQL").SubProperties().empty());
  EXPECT_EQ(Prop(Db, "Connected").Attributes(), (DesignEditors::TEnumProperty().GetAttributes()));
}

TEST_F(PropertyEditorsTest, ParamsShowTheirClassForOneOrSeveralComponents) {
  Start();
  NewDesign();
  auto* Q1 = Add<TOVQuery>("OVQuery1");
  Q1->GetSQL()->SetText("select * from T where A = :a");
  auto* Q2 = Add<TOVQuery>("OVQuery2");
  EXPECT_EQ(Prop(Q1, "Params").Value(), "(TParams)");
  TObjectInspector Both(Designer.Get(), {Q1, Q2});
  EXPECT_EQ(Both.Get("Params").Editor()->GetValue(), "(TParams)");
  auto* P = Add<TOVStoredProc>("OVStoredProc1");
  EXPECT_EQ(Prop(P, "Params").Value(), "(TParams)");
}

TEST_F(PropertyEditorsTest, SessionNamesListEverySessionWithTheDefaultOne) {
  Start();
  NewDesign();
  auto* Db = AddDatabase("OVDatabase1", "Shop");
  EXPECT_EQ(Prop(Db, "SessionName").Values(), (Strings{Session()->GetSessionName()}));
  AddSession("OVSession1", "zeta");
  AddSession("OVSession2", "Alpha");
  EXPECT_EQ(Prop(Db, "SessionName").Values(), (Strings{"Alpha", "Default", "zeta"}));
  auto* Script = Add<TOVScript>("OVScript1");
  EXPECT_EQ(Prop(Script, "SessionName").Values(), (Strings{"Alpha", "Default", "zeta"}));
  Prop(Db, "SessionName").SetValue("zeta");
  EXPECT_EQ(Db->GetSessionName(), "zeta");
  EXPECT_EQ(Designer->ModifiedCount(), 1);
}

TEST_F(PropertyEditorsTest, DatabaseNamesComeFromTheComponentsSession) {
  Start();
  NewDesign();
  AddSession("OVSession1", "PeSales");
  AddDatabase("OVDatabase1", "Orders", "PeSales");
  AddDatabase("OVDatabase2", "accounts", "pesales");
  AddDatabase("OVDatabase3", "Elsewhere");
  auto* Q = AddDataSet<TOVQuery>("OVQuery1", "", "PeSales");
  EXPECT_EQ(Prop(Q, "DatabaseName").Values(), (Strings{"accounts", "Orders"}));
  auto* Script = Add<TOVScript>("OVScript1");
  EXPECT_EQ(Prop(Script, "DatabaseName").Values(), (Strings{"Elsewhere"}));
  // A session that does not exist is an error that names it.
  Q->SetSessionName("Nowhere");
  const std::string E = ErrorOf([&] { Prop(Q, "DatabaseName").Values(); });
  EXPECT_NE(E.find("Session 'Nowhere' not found"), std::string::npos) << E;
}

TEST_F(PropertyEditorsTest, TheRemoteDatabaseHistoryKeepsItsOrderAndItsPlaceholder) {
  Start();
  NewDesign();
  auto* Db = AddDatabase("OVDatabase1", "Shop");
  Db->SetRemoteDatabase("/data/shop.db");
  auto& Row = Prop(Db, "RemoteDatabase");
  EXPECT_EQ(Row.Values(), (Strings{"<history list>"}));
  Row.SetValue("<history list>");
  EXPECT_EQ(Db->GetRemoteDatabase(), "/data/shop.db");
  EXPECT_EQ(Designer->ModifiedCount(), 0);
  Row.SetValue("/data/other.db");
  EXPECT_EQ(Db->GetRemoteDatabase(), "/data/other.db");

  OVReg::DesignSettings->AddRecentDatabase("/z.db");
  OVReg::DesignSettings->AddRecentDatabase("/a.db");
  OVReg::DesignSettings->AddRecentDatabase("/m.db");
  EXPECT_EQ(Row.Values(), (Strings{"/m.db", "/a.db", "/z.db"}));
}

TEST_F(PropertyEditorsTest, TheRemoteDatabaseEllipsisAsksForADatabaseFile) {
  Start();
  NewDesign();
  TTempDir Dir;
  TestSupport::WriteFile(Dir / "shop.db", "");
  auto* Db = AddDatabase("OVDatabase1", "Shop");
  Db->SetRemoteDatabase("/data/old.db");
  auto& Row = Prop(Db, "RemoteDatabase");
  Scripted("file cancel\n", [&] { Row.Edit(); });
  EXPECT_EQ(Db->GetRemoteDatabase(), "/data/old.db");
  Scripted("file " + (Dir / "shop.db") + "\n", [&] { Row.Edit(); });
  EXPECT_EQ(Db->GetRemoteDatabase(), Dir / "shop.db");
  EXPECT_EQ(Designer->ModifiedCount(), 1);
}

TEST_F(PropertyEditorsTest, ConnectingADatabasePutsItFirstInTheHistory) {
  Start("[RecentDatabases]\nItem00=/first.db\nItem01=/second.db\n");
  NewDesign();
  TTempDir Dir;
  auto* Db = AddDatabase("OVDatabase1", "Shop");
  Db->GetParams()->SetValue("CREATE", "TRUE");
  const auto Connect = [&](const std::string& Remote) {
    Db->SetConnected(false);
    Db->SetRemoteDatabase(Remote);
    Prop(Db, "Connected").SetValue("true");
    EXPECT_TRUE(Db->GetConnected());
  };
  // A new name goes first; connecting it again, already first, moves nothing.
  const std::string New = Dir / "new.db";
  Connect(New);
  EXPECT_EQ(History(), (Strings{New, "/first.db", "/second.db"}));
  Connect(New);
  EXPECT_EQ(History(), (Strings{New, "/first.db", "/second.db"}));
  // Disconnecting records nothing.
  Prop(Db, "Connected").SetValue("False");
  EXPECT_FALSE(Db->GetConnected());
  EXPECT_EQ(History(), (Strings{New, "/first.db", "/second.db"}));
  // A failed connection records nothing either, and says why.
  Db->GetParams()->SetValue("CREATE", "FALSE");
  Db->SetRemoteDatabase(Dir / "missing/none.db");
  const std::string E = ErrorOf([&] { Prop(Db, "Connected").SetValue("True"); });
  EXPECT_NE(E.find("OVDatabase1"), std::string::npos) << E;
  EXPECT_FALSE(Db->GetConnected());
  EXPECT_EQ(History(), (Strings{New, "/first.db", "/second.db"}));

  // The history is written when the package shuts down.
  Stop();
  const std::string Ini = TestSupport::ReadFile(SettingsFile());
  EXPECT_NE(Ini.find("Item00=" + New + "\nItem01=/first.db\nItem02=/second.db"), std::string::npos)
      << Ini;
}

TEST_F(PropertyEditorsTest, AnEntryFurtherDownMovesToTheFrontWithItsSpelling) {
  TTempDir Dir;
  TestSupport::WriteFile(Dir / "Shop.db", "");
  Start("[RecentDatabases]\nItem00=/first.db\nItem01=" + (Dir / "Shop.db") + "\n");
  NewDesign();
  auto* Db = AddDatabase("OVDatabase1", "Shop");
  Db->SetRemoteDatabase(Dir / "Shop.db");
  Prop(Db, "Connected").SetValue("TRUE");
  EXPECT_EQ(History(), (Strings{Dir / "Shop.db", "/first.db"}));
}

TEST_F(PropertyEditorsTest, TheParameterFileIsChosenInAFileDialog) {
  Start();
  NewDesign();
  TTempDir Dir;
  TestSupport::WriteFile(Dir / "params.ini", "USER NAME=ann\n");
  auto* Db = AddDatabase("OVDatabase1", "Shop");
  Db->SetParamsFileName(Dir / "old.ini");

  // What the dialog asks the user interface, seen on the way.
  class TWatchingUI : public ScriptedUI::TScriptedUI {
  public:
    using TScriptedUI::TScriptedUI;
    bool ExecuteOpenDialog(UIService::TFileDialogRequest& Request) override {
      Requests.push_back(Request);
      return TScriptedUI::ExecuteOpenDialog(Request);
    }
    std::vector<UIService::TFileDialogRequest> Requests;
  };
  TWatchingUI UI("file cancel\nfile " + (Dir / "params.ini") + "\n");
  UIService::TUIServiceScope Using(&UI);
  auto& Row = Prop(Db, "ParamsFileName");
  Row.Edit();
  EXPECT_EQ(Db->GetParamsFileName(), Dir / "old.ini");
  Row.Edit();
  EXPECT_EQ(Db->GetParamsFileName(), Dir / "params.ini");
  UI.CheckFinished();
  ASSERT_EQ(UI.Requests.size(), 2u);
  EXPECT_EQ(UI.Requests[0].FileName, Dir / "old.ini");
  EXPECT_EQ(UI.Requests[0].Filter,
            "Ini-files (*.ini)|*.INI|Text files (*.txt)|*.TXT|All files (*.*)|*.*");
  EXPECT_TRUE(UI.Requests[0].Options.Contains(Dialogs::TOpenOption::ofFileMustExist));
  EXPECT_TRUE(UI.Requests[0].Options.Contains(Dialogs::TOpenOption::ofPathMustExist));
  EXPECT_TRUE(UI.Requests[0].Options.Contains(Dialogs::TOpenOption::ofHideReadOnly));

  // A file that does not exist is refused by the dialog itself.
  const std::string E =
      ErrorOf([&] { Scripted("file " + (Dir / "none.ini") + "\n", [&] { Row.Edit(); }); });
  EXPECT_NE(E.find("refuses"), std::string::npos) << E;
  EXPECT_EQ(Db->GetParamsFileName(), Dir / "params.ini");
}

// Lists from live catalogues ------------------------------------------------------------

namespace {

class CatalogueListsTest : public TServerPackageTest {
protected:
  void SetUp() override {
    std::string Schema = "create table \"b_orders\" (\"ID\" integer primary key);"
                         "create table \"Alpha\" (\"ID\" integer);"
                         "create table \"CUSTOMER\" (\"ID\" integer);"
                         "create view \"c_view\" as select * from \"Alpha\";";
    if (GetParam() == TOVServerType::stPostgreSQL)
      Schema += "create function \"next_id\"(integer) returns integer language sql as 'select "
                "$1 + 1';"
                "create procedure \"Archive\"() language sql as 'select 1';";
    SetUpOn(Schema);
  }
  void TearDown() override {
    Inspector.reset();
    TServerPackageTest::TearDown();
  }
  ObjectInspector::TInspectorProperty& Prop(Classes::TPersistent* Instance,
                                            const std::string& Name) {
    Inspector = std::make_unique<TObjectInspector>(Designer.Get(),
                                                   std::vector<Classes::TPersistent*>{Instance});
    return Inspector->Get(Name);
  }

  std::unique_ptr<TObjectInspector> Inspector;
};

} // namespace

TEST_P(CatalogueListsTest, TableNamesAreReadLiveAndShownSorted) {
  auto* T = AddDataSet<TOVTable>("OVTable1", "Shop");
  EXPECT_EQ(Prop(T, "TableName").Values(), (Strings{"Alpha", "b_orders", "CUSTOMER", "c_view"}));
  // The question connected the database for itself and let it go again.
  EXPECT_FALSE(Db->GetConnected());
  Prop(T, "TableName").SetValue("CUSTOMER");
  EXPECT_EQ(T->GetTableName(), "CUSTOMER");
}

TEST_P(CatalogueListsTest, AutoFillOnlyWhileTheDatabaseIsConnected) {
  auto* T = AddDataSet<TOVTable>("OVTable1", "Shop");
  EXPECT_FALSE(Prop(T, "TableName").Editor()->AutoFill());
  EXPECT_FALSE(Db->GetConnected());
  Db->SetConnected(true);
  EXPECT_TRUE(Prop(T, "TableName").Editor()->AutoFill());
  T->SetDatabaseName("Unknown");
  EXPECT_FALSE(Prop(T, "TableName").Editor()->AutoFill());
  T->SetSessionName("NoSuchSession");
  EXPECT_FALSE(Prop(T, "TableName").Editor()->AutoFill());
}

TEST_P(CatalogueListsTest, StoredProcedureNamesComeFromTheServer) {
  auto* P = AddDataSet<TOVStoredProc>("OVStoredProc1", "Shop");
  const Strings Names = Prop(P, "StoredProcName").Values();
  if (GetParam() == TOVServerType::stSQLite)
    EXPECT_TRUE(Names.empty());
  else
    EXPECT_EQ(Names, (Strings{"Archive", "next_id"}));
}

TEST_P(CatalogueListsTest, AFailingConnectionIsAnErrorAndChangesNothing) {
  auto* T = AddDataSet<TOVTable>("OVTable1", "Shop");
  T->SetTableName("Alpha");
  Db->SetRemoteDatabase(GetParam() == TOVServerType::stSQLite
                            ? Server->Dir().Path().string() + "/missing/none.db"
                            : "host=/nonexistent-socket-dir");
  const std::string E = ErrorOf([&] { Prop(T, "TableName").Values(); });
  EXPECT_NE(E, "(no error)");
  EXPECT_EQ(T->GetTableName(), "Alpha");
  EXPECT_EQ(Designer->ModifiedCount(), 0);
  // A database the session does not know.
  T->SetDatabaseName("Nope");
  const std::string E2 = ErrorOf([&] { Prop(T, "TableName").Values(); });
  EXPECT_NE(E2.find("Database 'Nope' not found"), std::string::npos) << E2;
}

TEST_P(CatalogueListsTest, TheStoredProcParamsEllipsisEditsTheDescribedParameters) {
  if (GetParam() == TOVServerType::stSQLite)
    GTEST_SKIP() << "SQLite has no stored procedures";
  auto* P = AddDataSet<TOVStoredProc>("OVStoredProc1", "Shop");
  P->SetStoredProcName("next_id");
  const std::string Log =
      Scripted("form CollectionEditor\nclick btClose\n", [&] { Prop(P, "Params").Edit(); });
  EXPECT_NE(Log.find("\"Editing OVStoredProc1.Params\""), std::string::npos) << Log;
  EXPECT_GT(P->GetParamsCount(), 0);
  EXPECT_FALSE(P->GetPrepared());
}

INSTANTIATE_TEST_SUITE_P(Servers, CatalogueListsTest,
                         ::testing::Values(TOVServerType::stSQLite, TOVServerType::stPostgreSQL),
                         EngineTestUtil::ServerName);

// Ellipsis buttons: collections, the parameter and SQL dialogs, the code editor ------------

namespace {

// What the person does with a code editor module: nothing is saved; the
// tests look at what was opened.
struct TOpenedModule {
  std::string Name, Text;
  bool Modified = false;
};

class DialogEditorsTest : public PropertyEditorsTest {
protected:
  void SetUp() override {
    PropertyEditorsTest::SetUp();
    Services.Services()->SetTextModuleEditor([this](UIService::TTextModuleRequest& Request) {
      Opened.push_back({Request.ModuleName, Request.Lines->GetText(), Request.Modified});
      return false;
    });
  }
  int ModuleCount() { return Services.Services()->GetModuleCount(); }

  IDEServices::TIDEServicesScope Services;
  std::vector<TOpenedModule> Opened;
};

} // namespace

TEST_F(DialogEditorsTest, TheParamsEllipsisEditsTheFirstComponentsCollection) {
  Start();
  NewDesign();
  auto* Q1 = Add<TOVQuery>("OVQuery1");
  Q1->GetSQL()->SetText("select * from T where A = :a");
  auto* Q2 = Add<TOVQuery>("OVQuery2");
  TObjectInspector Both(Designer.Get(), {Q1, Q2});
  const std::string Log = Scripted("form CollectionEditor\nexpect lbItems Count 1\nclick btClose\n",
                                   [&] { Both.Get("Params").Edit(); });
  EXPECT_NE(Log.find("\"Editing OVQuery1.Params\""), std::string::npos) << Log;
}

TEST_F(DialogEditorsTest, ConnectionParametersComeBackFromTheDialogWithTheDefaults) {
  Start("[TOVDatabase_Params]\nUSER NAME=ann\nBUSY_TIMEOUT=500\n");
  NewDesign();
  auto* Db = AddDatabase("OVDatabase1", "Shop");
  Db->GetParams()->SetText("USER NAME=bob\n");
  auto& Row = Prop(Db, "Params");
  Scripted("form TOVDatabaseParamsDlg\nclick btDefaults\nclick btCancel\n", [&] { Row.Edit(); });
  EXPECT_EQ(Db->GetParams()->ToVector(), (Strings{"USER NAME=bob"}));
  EXPECT_EQ(Designer->ModifiedCount(), 0);
  Scripted("form TOVDatabaseParamsDlg\nclick btDefaults\nclick btOk\n", [&] { Row.Edit(); });
  EXPECT_EQ(Db->GetParams()->ToVector(), (Strings{"USER NAME=ann", "BUSY_TIMEOUT=500"}));
  EXPECT_EQ(Designer->ModifiedCount(), 1);
  EXPECT_TRUE(Opened.empty());
  EXPECT_EQ(ModuleCount(), 0);
}

TEST_F(DialogEditorsTest, AltOpensTheParametersInTheCodeEditorWithoutADialog) {
  Start();
  NewDesign();
  auto* Db = AddDatabase("OVDatabase1", "Shop");
  Db->GetParams()->SetText("USER NAME=bob\nPASSWORD=x\n");
  auto& Row = Prop(Db, "Params");
  // An empty script: a dialog would fail it.
  Scripted("key alt down\n", [&] { Row.Edit(); });
  ASSERT_EQ(Opened.size(), 1u);
  EXPECT_EQ(Opened[0].Name, "DataModule1.OVDatabase1.Params");
  EXPECT_EQ(Opened[0].Text, "USER NAME=bob\nPASSWORD=x\n");
  EXPECT_FALSE(Opened[0].Modified);
  EXPECT_EQ(ModuleCount(), 1);
  EXPECT_EQ(Designer->ModifiedCount(), 0);

  // The module is open: the ellipsis brings it to the front, Alt or not.
  Scripted("", [&] { Row.Edit(); });
  EXPECT_EQ(Opened.size(), 2u);
  EXPECT_EQ(ModuleCount(), 1);
}

TEST_F(DialogEditorsTest, AnOpenSQLModuleComesToTheFrontInsteadOfTheDialog) {
  Start();
  NewDesign();
  auto* Q = Add<TOVQuery>("OVQuery1");
  Q->GetSQL()->SetText("select 1");
  auto& Row = Prop(Q, "SQL");
  // The dialog, captioned after the root, the query and the property; the
  // code editor button hands it the dialog's text, marked modified.
  const std::string Log =
      Scripted("form TOVSQLEditDlg\nset meSQL select 2\nclick btCodeEditor\n", [&] { Row.Edit(); });
  EXPECT_NE(Log.find("\"DataModule1.OVQuery1.SQL\""), std::string::npos) << Log;
  ASSERT_EQ(Opened.size(), 1u);
  EXPECT_EQ(Opened[0].Name, "DataModule1.OVQuery1.SQL");
  EXPECT_EQ(SysUtils::Trim(Opened[0].Text), "select 2");
  EXPECT_TRUE(Opened[0].Modified);
  EXPECT_EQ(SysUtils::Trim(Q->GetSQL()->GetText()), "select 1");
  EXPECT_EQ(Designer->ModifiedCount(), 0);

  Scripted("", [&] { Row.Edit(); });
  EXPECT_EQ(Opened.size(), 2u);
  EXPECT_EQ(ModuleCount(), 1);
}

TEST_F(DialogEditorsTest, AConfirmedSQLDialogTellsTheDesigner) {
  Start();
  NewDesign();
  auto* Q = Add<TOVQuery>("OVQuery1");
  auto& Row = Prop(Q, "SQL");
  Scripted("form TOVSQLEditDlg\nclick btCancel\n", [&] { Row.Edit(); });
  EXPECT_EQ(Designer->ModifiedCount(), 0);
  Scripted("form TOVSQLEditDlg\nset meSQL \"select * from T\\nwhere A = :a\"\nclick btOk\n",
           [&] { Row.Edit(); });
  EXPECT_EQ(Q->GetSQL()->ToVector(), (Strings{"select * from T", "where A = :a"}));
  EXPECT_EQ(Q->ParamCount(), 1);
  EXPECT_EQ(Designer->ModifiedCount(), 1);
  // Alt: straight into the code editor with the query's own text.
  Scripted("key alt down\n", [&] { Row.Edit(); });
  ASSERT_EQ(Opened.size(), 1u);
  EXPECT_EQ(Opened[0].Text, "select * from T\nwhere A = :a\n");
  EXPECT_FALSE(Opened[0].Modified);
}
