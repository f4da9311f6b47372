// The component editors of the runtime components, as the designer host makes
// them from the package's registrations: verb counts and captions with the
// SQL editor on and off, double-click targets, separators and indexes past
// the count, the dialogs each verb opens and when the designer is told of a
// change, the stored-procedure prepare rules on SQLite and PostgreSQL, and
// components of the wrong class.
#include "EditorTestSupport.hpp"

#include "designide/ColnEdit.hpp"
#include "orvane60/OVCommon.hpp"
#include "orvane60/OVCsbSrv.hpp"

#include <unistd.h>

using namespace EditorTestSupport;
using namespace OVEngine;
using OVReg::TOVQueryEditor;

namespace {

const std::string Version = "Orvane Library 6.5.3.0";
const std::string Fields = "Fields Edi&tor...";
const std::string Params = "&Parameters...";

const char* const CustomerTable =
    "create table customer (id integer primary key, name varchar(40), city varchar(40));"
    "insert into customer values (1, 'Ann', 'Oslo');";

class ComponentEditors : public TEditorTest {
protected:
  // Runs the verb under Script and checks that the script was used up.
  void Run(Classes::TComponent* Component, int Index, const std::string& Script) {
    TScript S(Script);
    EditorOf(Component)->ExecuteVerb(Index);
    S.UI.CheckFinished();
    Log = S.UI.Log();
  }
  void DoubleClick(Classes::TComponent* Component, const std::string& Script) {
    TScript S(Script);
    EditorOf(Component)->Edit();
    S.UI.CheckFinished();
    Log = S.UI.Log();
  }
  std::vector<std::string> Log;
};

} // namespace

TEST_F(ComponentEditors, EveryClassHasItsVerbsWithTheSQLEditorOn) {
  StartUnit();
  auto* Session = Add<TOVSession>("OVSession1");
  auto* Monitor = Add<OVCommon::TOVMonitor>("OVMonitor1");
  auto* Server = Add<OVCsbSrv::TOVSQLBaseServer>("OVSQLBaseServer1");
  auto* Script = Add<TOVScript>("OVScript1");
  auto* Table = Add<TOVTable>("OVTable1");
  auto* Query = Add<TOVQuery>("OVQuery1");
  auto* Macro = Add<TOVMacroQuery>("OVMacroQuery1");
  auto* Proc = Add<TOVStoredProc>("OVStoredProc1");
  auto* Update = Add<TOVUpdateSQL>("OVUpdateSQL1");
  auto* Db = Add<TOVDatabase>("OVDatabase1");

  for (Classes::TComponent* C :
       std::initializer_list<Classes::TComponent*>{Session, Monitor, Server})
    EXPECT_EQ(Verbs(C), std::vector<std::string>{Version}) << C->GetName();
  EXPECT_EQ(Verbs(Script), std::vector<std::string>{Version});
  EXPECT_EQ(Verbs(Table), (std::vector<std::string>{Version, "-", Fields}));
  EXPECT_EQ(Verbs(Query),
            (std::vector<std::string>{Version, "-", Fields, Params, "&SQL Editor..."}));
  EXPECT_EQ(Verbs(Macro), (std::vector<std::string>{Version, "-", Fields, Params, "&SQL Editor...",
                                                    "&Macros..."}));
  EXPECT_EQ(Verbs(Proc), (std::vector<std::string>{Version, "-", Fields, Params}));
  EXPECT_EQ(Verbs(Update), (std::vector<std::string>{Version, "-", "&UpdateSQL Editor..."}));
  EXPECT_EQ(Verbs(Db), (std::vector<std::string>{Version, "-", "&Database Editor...", Params}));

  const auto ClassOf = [](Classes::TComponent* C) {
    return DesignEditors::ComponentEditorClassOf(C)->Name;
  };
  EXPECT_EQ(ClassOf(Session), "TOVDefaultEditor");
  EXPECT_EQ(ClassOf(Monitor), "TOVDefaultEditor");
  EXPECT_EQ(ClassOf(Server), "TOVDefaultEditor");
  EXPECT_EQ(ClassOf(Script), "TOVScriptEditor");
  EXPECT_EQ(ClassOf(Table), "TOVDataSetEditor");
  EXPECT_EQ(ClassOf(Query), "TOVQueryEditor");
  EXPECT_EQ(ClassOf(Macro), "TOVMacroQueryEditor");
  EXPECT_EQ(ClassOf(Proc), "TOVStoredProcEditor");
  EXPECT_EQ(ClassOf(Update), "TOVUpdateSQLEditor");
  EXPECT_EQ(ClassOf(Db), "TOVDatabaseEditor");
}

TEST_F(ComponentEditors, WithTheSQLEditorOffQueriesLoseTheSQLVerb) {
  StartUnit("[SQLEditor]\nEnabled=0\n");
  auto* Query = Add<TOVQuery>("OVQuery1");
  auto* Macro = Add<TOVMacroQuery>("OVMacroQuery1");
  EXPECT_EQ(Verbs(Query), (std::vector<std::string>{Version, "-", Fields, Params}));
  EXPECT_EQ(Verbs(Macro), (std::vector<std::string>{Version, "-", Fields, Params, "&Macros..."}));
  EXPECT_EQ(EditorOf(Query)->GetVerb(4), "");
  EXPECT_EQ(EditorOf(Macro)->GetVerb(5), "");
  // Nothing runs behind a verb that is not shown.
  Query->GetSQL()->SetText("select 1");
  Run(Query, 4, "");
  EXPECT_EQ(Modified(), 0);
}

TEST_F(ComponentEditors, SeparatorsAndIndexesPastTheCountDoNothing) {
  StartUnit();
  std::vector<Classes::TComponent*> All = {Add<TOVSession>("S1"),    Add<TOVScript>("Sc1"),
                                           Add<TOVTable>("T1"),      Add<TOVQuery>("Q1"),
                                           Add<TOVMacroQuery>("M1"), Add<TOVStoredProc>("P1"),
                                           Add<TOVUpdateSQL>("U1"),  Add<TOVDatabase>("D1")};
  TScript Nothing("");
  for (Classes::TComponent* C : All) {
    auto Editor = EditorOf(C);
    const int Count = Editor->GetVerbCount();
    EXPECT_EQ(Editor->GetVerb(Count), "") << C->GetName();
    EXPECT_EQ(Editor->GetVerb(Count + 7), "") << C->GetName();
    EXPECT_EQ(Editor->GetVerb(-1), "") << C->GetName();
    Editor->ExecuteVerb(Count);
    Editor->ExecuteVerb(Count + 7);
    Editor->ExecuteVerb(-1);
    for (int I = 0; I < Count; ++I)
      if (Editor->GetVerb(I) == "-")
        Editor->ExecuteVerb(I);
  }
  Nothing.UI.CheckFinished();
  EXPECT_TRUE(Nothing.UI.Log().empty());
  EXPECT_EQ(Modified(), 0);
}

TEST_F(ComponentEditors, DoubleClicksOpenTheAboutBoxTheFieldsEditorOrTheirDialog) {
  StartUnit();
  AddSQLiteDatabase(CustomerTable);
  for (Classes::TComponent* C : std::initializer_list<Classes::TComponent*>{
           Add<TOVSession>("S1"), Add<OVCommon::TOVMonitor>("Mo1"),
           Add<OVCsbSrv::TOVSQLBaseServer>("Sv1"), Add<TOVScript>("Sc1")}) {
    DoubleClick(C, "form OVAboutDlg\npress enter\n");
    EXPECT_EQ(Log.front(), "form OVAboutDlg \"About Orvane\" opened") << C->GetName();
  }

  auto* Table = Add<TOVTable>("OVTable1");
  Table->SetDatabaseName("DB1");
  Table->SetTableName("customer");
  auto* Query = Add<TOVQuery>("OVQuery1");
  Query->SetDatabaseName("DB1");
  Query->GetSQL()->SetText("select id, name from customer");
  auto* Macro = Add<TOVMacroQuery>("OVMacroQuery1");
  Macro->SetDatabaseName("DB1");
  Macro->GetSQL()->SetText("select city from customer");
  for (const auto& [DataSet, Available] :
       std::initializer_list<std::pair<TOVDataSet*, const char*>>{
           {Table, "id,name,city"}, {Query, "id,name"}, {Macro, "city"}}) {
    DoubleClick(DataSet, std::string("form FieldsEditor\nexpect lbAvailable Items ") + Available +
                             "\nclick btClose\n");
  }
  EXPECT_EQ(Modified(), 0);

  // A stored procedure on SQLite cannot be described: the error names why
  // and no editor opens.
  auto* Proc = Add<TOVStoredProc>("OVStoredProc1");
  Proc->SetDatabaseName("DB1");
  Proc->SetStoredProcName("p");
  TScript S("");
  try {
    EditorOf(Proc)->Edit();
    FAIL() << "SQLite has no stored procedures";
  } catch (const SysUtils::Exception& E) {
    EXPECT_NE(E.Message().find("SQLite databases have no stored procedures"), std::string::npos)
        << E.Message();
  }
  EXPECT_TRUE(S.UI.Log().empty());

  DoubleClick(Add<TOVUpdateSQL>("OVUpdateSQL1"), "form OVUpdateSQLEditForm\nclick btCancel\n");
  DoubleClick(Add<TOVDatabase>("OVDatabase1"), "form OVDatabaseEditDlg\nclick btCancel\n");
  EXPECT_EQ(Modified(), 0);
}

TEST_F(ComponentEditors, ParameterAndMacroVerbsOpenTheCollectionEditorWithoutAddingOrDeleting) {
  StartUnit();
  auto* Macro = Add<TOVMacroQuery>("OVMacroQuery1");
  Macro->GetSQL()->SetText("select * from %tab where a = :a and b = :b");
  Run(Macro, 3,
      "form CollectionEditor\n"
      "expect CollectionEditor Caption \"Editing OVMacroQuery1.Params\"\n"
      "expect lbItems Count 2\n"
      "expect btAdd Visible False\n"
      "expect btDelete Visible False\n"
      "click btClose\n");
  Run(Macro, 5,
      "form CollectionEditor\n"
      "expect CollectionEditor Caption \"Editing OVMacroQuery1.Macros\"\n"
      "expect lbItems Count 1\n"
      "expect btAdd Visible False\n"
      "click btClose\n");
  EXPECT_EQ(Modified(), 0);
}

TEST_F(ComponentEditors, TheSQLVerbTellsTheDesignerOnlyOfAConfirmedChange) {
  StartUnit();
  auto* Query = Add<TOVQuery>("OVQuery1");
  Query->GetSQL()->SetText("select 1");
  Run(Query, 4, "form OVSQLEditDlg\nset meSQL select 2\nclick btCancel\n");
  EXPECT_EQ(Modified(), 0);
  Run(Query, 4, "form OVSQLEditDlg\nclick btOk\n");
  EXPECT_EQ(Modified(), 0);
  Run(Query, 4, "form OVSQLEditDlg\nset meSQL select :p from t\nclick btOk\n");
  EXPECT_EQ(Log.front(), "form OVSQLEditDlg \"Form1.OVQuery1.SQL\" opened");
  EXPECT_EQ(Query->GetSQL()->GetText(), "select :p from t\n");
  EXPECT_EQ(Query->GetParams()->Count(), 1);
  EXPECT_EQ(Modified(), 1);

  // A query that the root does not own still takes the root's name in the
  // dialog's caption.
  Classes::TComponent Elsewhere(nullptr);
  auto* Other = new TOVQuery(&Elsewhere);
  Other->SetName("Detached");
  TScript S("form OVSQLEditDlg\nclick btCancel\n");
  OVReg::TOVQueryEditor(Other, Designer.Get()).ExecuteVerb(4);
  S.UI.CheckFinished();
  EXPECT_EQ(S.UI.Log().front(), "form OVSQLEditDlg \"Form1.Detached.SQL\" opened");
}

TEST_F(ComponentEditors, AnOpenSQLModuleThatStaysOpenStopsTheSQLVerb) {
  StartUnit();
  auto* Query = Add<TOVQuery>("OVQuery1");
  Query->GetSQL()->SetText("select 1");
  Classes::TStringList Typed;
  Typed.SetText("select 99");
  OVReg::OpenStringsInCodeEditor(Designer.Get(), Query, "SQL", &Typed, true);
  ASSERT_EQ(TextModuleCalls.size(), 1u);

  // The person keeps the unsaved text: no dialog, nothing changes.
  Run(Query, 4, "answer Cancel \"Save changes to Form1.OVQuery1.SQL?\"\n");
  EXPECT_TRUE(Services.Services()->FindModule("Form1.OVQuery1.SQL"));
  EXPECT_EQ(Query->GetSQL()->GetText(), "select 1\n");

  // Saving it on the way out writes the text, then the dialog shows it.
  Run(Query, 4,
      "answer Yes\nform OVSQLEditDlg\nexpect meSQL Lines \"select 99\"\nclick btCancel\n");
  EXPECT_FALSE(Services.Services()->FindModule("Form1.OVQuery1.SQL"));
  EXPECT_EQ(Query->GetSQL()->GetText(), "select 99\n");
  EXPECT_EQ(Modified(), 1);
}

TEST_F(ComponentEditors, TheSQLDialogHandsItsTextToTheCodeEditor) {
  StartUnit();
  auto* Query = Add<TOVQuery>("OVQuery1");
  Query->GetSQL()->SetText("select 1");
  TypedText = "select 3\n";
  SaveTypedText = true;
  Run(Query, 4, "form OVSQLEditDlg\nset meSQL select 2\nclick btCodeEditor\n");
  ASSERT_EQ(TextModuleCalls.size(), 1u);
  EXPECT_EQ(TextModuleCalls[0].ModuleName, "Form1.OVQuery1.SQL");
  EXPECT_EQ(TextModuleCalls[0].Text, "select 2\n");
  EXPECT_TRUE(TextModuleCalls[0].Modified);
  // Saved in the code editor: the text went into the property through the
  // strings file system, which told the designer.
  EXPECT_EQ(Query->GetSQL()->GetText(), "select 3\n");
  EXPECT_EQ(Modified(), 1);
}

TEST_F(ComponentEditors, VerbsOfAComponentOfTheWrongClassRaise) {
  StartUnit();
  auto* Table = Add<TOVTable>("OVTable1");
  auto* Query = Add<TOVQuery>("OVQuery1");
  auto* Session = Add<TOVSession>("OVSession1");
  TScript Nothing("");
  // The query editor checks the class for every index, the version verb too.
  EXPECT_THROW(TOVQueryEditor(Table, Designer.Get()).ExecuteVerb(0), SysUtils::EInvalidCast);
  EXPECT_THROW(OVReg::TOVStoredProcEditor(Query, Designer.Get()).ExecuteVerb(3),
               SysUtils::EInvalidCast);
  EXPECT_THROW(OVReg::TOVUpdateSQLEditor(Session, Designer.Get()).Edit(), SysUtils::EInvalidCast);
  EXPECT_THROW(OVReg::TOVDatabaseEditor(Session, Designer.Get()).Edit(), SysUtils::EInvalidCast);
  EXPECT_THROW(OVReg::TOVDataSetEditor(Session, Designer.Get()).Edit(), SysUtils::EInvalidCast);
  Nothing.UI.CheckFinished();
  EXPECT_TRUE(Nothing.UI.Log().empty());
}

TEST_F(ComponentEditors, TheUpdateSQLVerbTellsTheDesignerWhenTheEditorWasConfirmed) {
  StartUnit();
  auto* Update = Add<TOVUpdateSQL>("OVUpdateSQL1");
  Run(Update, 2, "form OVUpdateSQLEditForm\nclick btCancel\n");
  EXPECT_EQ(Modified(), 0);
  Run(Update, 2,
      "form OVUpdateSQLEditForm\npage tsSQL\nchoose rgrStatementType 1\n"
      "set meSQLText update t set a = :a\nclick btOk\n");
  EXPECT_EQ(Update->GetModifySQL()->GetText(), "update t set a = :a\n");
  EXPECT_EQ(Modified(), 1);
}

TEST_F(ComponentEditors, StoredProcedureParametersWithoutADescriptionMayBeAddedAndDeleted) {
  StartUnit();
  AddSQLiteDatabase(CustomerTable);
  auto* Proc = Add<TOVStoredProc>("OVStoredProc1");
  Proc->GetParams()->CreateParam(DB::TFieldType::ftInteger, "a", DB::TParamType::ptInput);

  // No database object and a blank name: no session is asked (this one
  // does not exist).
  Proc->SetSessionName("NoSuchSession");
  Proc->SetDatabaseName("  ");
  Run(Proc, 3,
      "form CollectionEditor\nexpect lbItems Count 1\nexpect btAdd Visible True\n"
      "expect btDelete Visible True\nclick btClose\n");

  // A database that is not connected describes nothing.
  Proc->SetSessionName("");
  Proc->SetDatabaseName("db1");
  EXPECT_EQ(OVReg::FindStoredProcDatabase(Proc), Root->FindComponent("DB1"));
  Run(Proc, 3, "form CollectionEditor\nexpect btAdd Visible True\nclick btClose\n");
  EXPECT_FALSE(Proc->GetPrepared());
  EXPECT_EQ(Modified(), 0);

  Proc->SetDatabaseName("Other");
  EXPECT_EQ(OVReg::FindStoredProcDatabase(Proc), nullptr);
  Proc->SetSessionName("NoSuchSession");
  EXPECT_THROW(OVReg::FindStoredProcDatabase(Proc), SysUtils::Exception);
}

namespace {

// A PostgreSQL function of the test's own in the cluster's database.
class ComponentEditorsPg : public ComponentEditors {
protected:
  void SetUp() override {
    ComponentEditors::SetUp();
    if (PgURI().empty())
      return;
    Function = "ov_editors_f_" + std::to_string(::getpid());
    Admin()->ExecuteScript("create or replace function " + Function +
                           "(a integer, b text) returns integer language sql as 'select a'");
  }
  void TearDown() override {
    if (!Function.empty())
      Admin()->ExecuteScript("drop function if exists " + Function + "(integer, text)");
    ComponentEditors::TearDown();
  }
  static std::unique_ptr<OVDriver::TConnection> Admin() {
    OVDriver::TConnectParams P;
    P.RemoteDatabase = PgURI();
    return OVDriver::FindDriver("PostgreSQL")->Connect(P);
  }
  TOVStoredProc* AddProc() {
    auto* Db = Add<TOVDatabase>("PG1");
    Db->SetDatabaseName("PG1");
    Db->SetServerType(TOVServerType::stPostgreSQL);
    Db->SetRemoteDatabase(PgURI());
    auto* Proc = Add<TOVStoredProc>("OVStoredProc1");
    Proc->SetDatabaseName("PG1");
    Proc->SetStoredProcName(Function);
    return Proc;
  }
  std::string Function;
};

} // namespace

TEST_F(ComponentEditorsPg, TheServerDescribesTheParametersWhichThenCannotBeAddedOrDeleted) {
  OV_REQUIRE_PG();
  StartUnit();
  auto* Proc = AddProc();
  ASSERT_EQ(Proc->GetParamsCount(), 0);
  Run(Proc, 3,
      "form CollectionEditor\nexpect lbItems Count 3\nexpect btAdd Visible False\n"
      "expect btDelete Visible False\nclick btClose\n");
  EXPECT_FALSE(Proc->GetPrepared());
  EXPECT_EQ(Proc->GetParamsCount(), 3);
  EXPECT_EQ(Modified(), 0);

  // Prepared before the verb: unprepared after it too.
  Proc->Prepare();
  ASSERT_TRUE(Proc->GetPrepared());
  Run(Proc, 3, "form CollectionEditor\nexpect btAdd Visible False\nclick btClose\n");
  EXPECT_FALSE(Proc->GetPrepared());
}

TEST_F(ComponentEditorsPg, AnUnknownProcedureStopsTheVerbBeforeTheEditorOpens) {
  OV_REQUIRE_PG();
  StartUnit();
  auto* Proc = AddProc();
  Proc->SetStoredProcName("no_such_procedure_here");
  TScript S("");
  try {
    EditorOf(Proc)->ExecuteVerb(3);
    FAIL() << "the procedure does not exist";
  } catch (const SysUtils::Exception& E) {
    EXPECT_NE(E.Message().find("no_such_procedure_here"), std::string::npos) << E.Message();
  }
  EXPECT_TRUE(S.UI.Log().empty());
  EXPECT_FALSE(Proc->GetPrepared());
}
