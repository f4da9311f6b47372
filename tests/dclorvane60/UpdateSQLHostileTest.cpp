// Names that hold quotes, semicolons and comment markers, and input that is
// wrong: the UpdateSQL editor asks the catalog only what it means to ask,
// runs nothing else, says what went wrong and keeps its state.
#include "UpdateSQLTestUtil.hpp"

#include "vcl/UIService.hpp"

using namespace UpdateSQLTest;

namespace {

const char* const HostileSchema = R"sql(
create table victim (id integer primary key, v varchar(10));
insert into victim values (1, 'safe');
create table "t; drop table victim; --" (id integer primary key, x varchar(10));
create table "c/* x */ --" (id integer primary key, "y--z" varchar(10));
create table evil (
  id integer primary key,
  "a""; drop table victim; --" varchar(10),
  "b'); delete from victim; --" varchar(10),
  "c/*" varchar(10),
  "d;create table injected(a int)" integer
);
create table "q""t'x" (id integer primary key);
insert into "t; drop table victim; --" values (1, 'one'), (2, 'two');
insert into "c/* x */ --" values (1, 'one');
insert into evil values (1, 'a', 'b', 'c', 4), (2, null, null, null, null);
insert into "q""t'x" values (1);
)sql";

class UpdateSQLHostile : public ::testing::TestWithParam<TOVServerType> {
protected:
  void SetUp() override {
    if (GetParam() == TOVServerType::stPostgreSQL)
      OV_REQUIRE_PG();
    FServer = std::make_unique<TServerDatabase>(GetParam());
  }

  // The victim table as it was, and no table the names would have made.
  void ExpectNothingElseRan() {
    auto Conn = FServer->Direct();
    EXPECT_EQ(Snapshot(*Conn, "victim"), (std::vector<std::string>{"id=i:1, v=t:safe"}));
    for (const std::string& T : Conn->GetTableNames())
      EXPECT_NE(T, "injected");
  }

  std::unique_ptr<TServerDatabase> FServer;
};

struct TRun {
  bool Result = false;
  std::string Log;
};

TRun RunEditor(TOVUpdateSQL* Update, std::string_view Script) {
  ScriptedUI::TScriptedUI UI(Script, "ui-script");
  UIService::TUIServiceScope Scope(&UI);
  TRun Run;
  Run.Result = OVUpdSEd::EditUpdateSQL(Update);
  UI.CheckFinished();
  Run.Log = UI.LogText();
  return Run;
}

} // namespace

TEST_P(UpdateSQLHostile, HostileNamesAreAskedForAndWrittenOnlyAsNames) {
  FServer->Direct()->ExecuteScript(HostileSchema);
  TDesign Design(*FServer, "select 1");
  const std::map<std::string, std::vector<std::string>> Fields = {
      {"t; drop table victim; --", {"id", "x"}},
      {"c/* x */ --", {"id", "y--z"}},
      {"evil",
       {"id", "a\"; drop table victim; --", "b'); delete from victim; --", "c/*",
        "d;create table injected(a int)"}}};
  for (const auto& [Table, Columns] : Fields) {
    SCOPED_TRACE(Table);
    // Unquoted, the statements are text nobody should run; generating them
    // runs nothing but catalog questions.
    const TStatements Plain = Generate(*FServer, Design, Table, false);
    EXPECT_EQ(Plain.Keys, std::vector<std::string>{"id"});
    ExpectNothingElseRan();
    const TStatements Quoted = Generate(*FServer, Design, Table, true);
    EXPECT_EQ(Quoted.Keys, std::vector<std::string>{"id"});
    EXPECT_EQ(Quoted.Fields, Columns);
    RunStatements(*FServer, Table, Quoted);
    ExpectNothingElseRan();
  }
}

TEST_P(UpdateSQLHostile, TableTextsAsTypedReachTheCatalogOnlyAsNames) {
  FServer->Direct()->ExecuteScript(HostileSchema);
  TDesign Design(*FServer, "select id from victim");
  const TRun Run = RunEditor(Design.Update, R"ui(form OVUpdateSQLEditForm
set cbTableName "\"t; drop table victim; --\""
click btGetTableFields
expect lbKeyFields Items "id,x"
click btSelectPrimKeys
set cbTableName "q\"t'x"
click btGetTableFields
answer OK "Unable to determine field names for qtx"
click btSelectPrimKeys
set cbTableName "x'); drop table victim; --"
click btGetTableFields
answer OK "field names for x); drop table victim; --"
click btSelectPrimKeys
set cbTableName "victim; create table injected(a int)"
click btGetTableFields
answer OK
click btSelectPrimKeys
set cbTableName "victim where 1=1 --"
click btGetTableFields
answer OK
click btSelectPrimKeys
click btCancel
)ui");
  EXPECT_FALSE(Run.Result) << Run.Log;
  ExpectNothingElseRan();
}

TEST_P(UpdateSQLHostile, UnreachableServerIsReportedAndTheDialogKeepsItsState) {
  TDesign Design(*FServer, "select id, name from customer");
  if (GetParam() == TOVServerType::stSQLite)
    Design.Db->SetRemoteDatabase((FServer->Dir().Path() / "no-such-dir" / "x.db").string());
  else
    Design.Db->SetRemoteDatabase("postgresql://postgres@/postgres?host=" +
                                 (FServer->Dir().Path() / "no-such-dir").string() + "&port=1");
  Design.Update->GetModifySQL()->SetText("update customer set name = :name");
  const TRun Run = RunEditor(Design.Update, R"(form OVUpdateSQLEditForm
click btGetTableFields
answer OK
expect lbKeyFields Items id,name
expect cbTableName Text customer
click btSelectPrimKeys
answer OK
expect lbKeyFields Selected id,name
click btCancel
)");
  EXPECT_FALSE(Run.Result);
  EXPECT_EQ(Design.Update->GetModifySQL()->GetText(), "update customer set name = :name\n");
  EXPECT_NE(Run.Log.find("no-such-dir"), std::string::npos) << Run.Log;
}

TEST_P(UpdateSQLHostile, UnknownUserIsReportedAndNothingIsWritten) {
  if (GetParam() != TOVServerType::stPostgreSQL)
    GTEST_SKIP() << "SQLite has no users";
  TDesign Design(*FServer, "select id, name from customer");
  Design.Db->GetParams()->SetValue("USER NAME", "nobody_here");
  Design.Db->GetParams()->SetValue("PASSWORD", "wrong");
  const TRun Run = RunEditor(Design.Update, R"(form OVUpdateSQLEditForm
click btGetTableFields
answer OK "nobody_here"
expect lbKeyFields Items id,name
click btOk
answer No
click btCancel
)");
  EXPECT_FALSE(Run.Result);
  EXPECT_EQ(Design.Update->GetModifySQL()->Count(), 0);
  EXPECT_EQ(Run.Log.find("wrong"), std::string::npos) << "the password is shown: " << Run.Log;
}

INSTANTIATE_TEST_SUITE_P(Servers, UpdateSQLHostile,
                         ::testing::Values(TOVServerType::stSQLite, TOVServerType::stPostgreSQL),
                         EngineTestUtil::ServerName);
