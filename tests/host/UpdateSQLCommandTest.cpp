// ovdesigner's UpdateSQL commands run as programs: updatesql over real SQLite
// files (and a PostgreSQL database when ORVANE_TEST_PG names a cluster),
// fieldinfo, edit-updatesql on design files, and the demo's editor run.
#include "support/Process.hpp"
#include "support/Servers.hpp"
#include "support/TempDir.hpp"

#include <gtest/gtest.h>
#include <nlohmann/json.hpp>

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <map>

using namespace TestSupport;
using nlohmann::json;

namespace {

constexpr const char* DemoDatabase = OV_BINARY_DIR "/share/orvane/demo.db";

const char* const Schema = R"sql(
create table customer (id integer primary key, name varchar(40) not null, city varchar(30));
create table pair_key (a integer not null, b integer not null, c varchar(10), primary key (a, b));
create table "odd/name x" (id integer primary key, v text);
create table "quote""d" (id integer primary key);
create table keyless (x integer, y integer);
insert into customer values (1, 'Ann', 'Oslo');
)sql";

class UpdateSQLCommand : public ::testing::Test {
protected:
  void SetUp() override { WriteRegistry(Registry / "registry.ini", Settings.Path().string()); }

  TRunResult Designer(std::vector<std::string> Args) const {
    return RunDesigner(std::move(Args), Registry / "registry.ini");
  }

  // A SQLite database made from a script by the build's own tool.
  std::string MakeDatabase(const std::string& Script, const std::string& Name = "test.db") const {
    const std::string Db = Work / Name, Sql = Work / (Name + ".sql");
    WriteFile(Sql, Script);
    const TRunResult R = TestSupport::Run({OV_BINARY_DIR "/bin/ovsqlexec", Db, Sql});
    EXPECT_EQ(R.ExitCode, 0) << R.Err;
    return Db;
  }

  static void ExpectError(const TRunResult& R, const std::string& Part) {
    EXPECT_EQ(R.ExitCode, 1) << R.Out << R.Err;
    EXPECT_NE(R.Err.find(Part), std::string::npos) << R.Err;
    EXPECT_EQ(std::count(R.Err.begin(), R.Err.end(), '\n'), 1) << R.Err;
  }

  TTempDir Registry, Settings, Work;
};

} // namespace

TEST_F(UpdateSQLCommand, PrintsTheFourStatementsOfATable) {
  const std::string Db = MakeDatabase(Schema);
  const auto R = Designer({"updatesql", "--connect", "sqlite:" + Db, "--table", "pair_key"});
  ASSERT_EQ(R.ExitCode, 0) << R.Err;
  EXPECT_EQ(R.Out, "-- refresh\n"
                   "select a, b, c\n"
                   "from pair_key\n"
                   "where\n"
                   "  a = :OLD_a and\n"
                   "  b = :OLD_b\n"
                   "\n"
                   "-- modify\n"
                   "update pair_key\n"
                   "set\n"
                   "  a = :a,\n"
                   "  b = :b,\n"
                   "  c = :c\n"
                   "where\n"
                   "  a = :OLD_a and\n"
                   "  b = :OLD_b\n"
                   "\n"
                   "-- insert\n"
                   "insert into pair_key\n"
                   "  (a, b, c)\n"
                   "values\n"
                   "  (:a, :b, :c)\n"
                   "\n"
                   "-- delete\n"
                   "delete from pair_key\n"
                   "where\n"
                   "  a = :OLD_a and\n"
                   "  b = :OLD_b\n");
  EXPECT_EQ(R.Err, "");
}

TEST_F(UpdateSQLCommand, FollowsTheQuerysAliasesKeysFieldsAndQuoting) {
  const std::string Db = MakeDatabase(Schema);
  const auto R = Designer({"--json", "updatesql", "--connect", "sqlite:" + Db, "--sql",
                           "select c.id as cust_id, c.name from customer c", "--keys", "name",
                           "--update-fields", "ID,name", "--quote"});
  ASSERT_EQ(R.ExitCode, 0) << R.Err;
  const json J = json::parse(R.Out);
  EXPECT_EQ(J["table"], "customer");
  EXPECT_EQ(J["keyFields"], json({"name"}));
  EXPECT_EQ(J["updateFields"], json({"id", "name"}));
  EXPECT_EQ(J["refresh"], "select \"id\" as \"cust_id\", \"name\"\nfrom \"customer\"\nwhere\n"
                          "  \"name\" = :\"OLD_name\"");
  EXPECT_EQ(J["insert"], "insert into \"customer\"\n  (\"id\", \"name\")\nvalues\n"
                         "  (:\"cust_id\", :\"name\")");
}

TEST_F(UpdateSQLCommand, BadInputIsNamedAndNothingIsPrinted) {
  const std::string Db = MakeDatabase(Schema);
  const std::string URI = "sqlite:" + Db;
  auto R = Designer({"updatesql", "--connect", URI, "--table", "no_such"});
  ExpectError(R, "Unable to determine field names for no_such");
  EXPECT_EQ(R.Out, "");
  ExpectError(Designer({"updatesql", "--connect", URI, "--table", "keyless"}),
              "keyless: it has neither a primary key nor a unique index");
  ExpectError(Designer({"updatesql", "--connect", URI, "--table", "customer", "--keys", "id,nope"}),
              "customer has no field \"nope\"");
  ExpectError(Designer({"updatesql", "--connect", URI, "--table", "customer", "--keys", "id,,x"}),
              "empty field name");
  ExpectError(Designer({"updatesql", "--connect", URI}), "Neither SQL nor a table");
  ExpectError(Designer({"updatesql", "--connect", URI, "--sql", "select 1"}), "names no table");
  ExpectError(
      Designer({"updatesql", "--connect", "sqlite:" + (Work / "missing.db"), "--table", "t"}),
      "missing.db");
  ExpectError(Designer({"updatesql", "--connect", "oracle://x", "--table", "t"}), "oracle://x");
  ExpectError(Designer({"updatesql", "--connect", URI, "--all-tables", "--table", "customer"}),
              "--all-tables");
  ExpectError(Designer({"updatesql", "--connect", URI, "--table", "customer", "--out",
                        Work.Path().string()}),
              "--out");
  // The SQL the parser cannot follow: whatever it made out, then a clear no.
  ExpectError(Designer({"updatesql", "--connect", URI, "--sql", "select from where ("}),
              "names no table");
}

TEST_F(UpdateSQLCommand, AllTablesReportsKeylessTablesAndWritesOneFileEach) {
  const std::string Db = MakeDatabase(Schema);
  auto R = Designer({"updatesql", "--connect", "sqlite:" + Db, "--all-tables", "--quote"});
  ASSERT_EQ(R.ExitCode, 0) << R.Err;
  // Each table is typed into the table box as SQL writes it.
  for (const char* Header : {"-- table customer\n", "-- table pair_key\n",
                             "-- table \"odd/name x\"\n", "-- table \"quote\"\"d\"\n"})
    EXPECT_NE(R.Out.find(Header), std::string::npos) << Header << R.Out;
  EXPECT_NE(R.Out.find("delete from \"odd/name x\"\nwhere\n  \"id\" = :\"OLD_id\"\n"),
            std::string::npos)
      << R.Out;
  EXPECT_NE(R.Out.find("delete from \"quote\"\"d\"\nwhere\n  \"id\" = :\"OLD_id\"\n"),
            std::string::npos)
      << R.Out;
  EXPECT_EQ(R.Err, "updatesql: skipped keyless: it has neither a primary key nor a unique index\n");

  const std::string Out = Work / "out";
  R = Designer({"--json", "updatesql", "--connect", "sqlite:" + Db, "--all-tables", "--out", Out});
  ASSERT_EQ(R.ExitCode, 0) << R.Err;
  const json J = json::parse(R.Out);
  ASSERT_EQ(J["tables"].size(), 4u);
  ASSERT_EQ(J["skipped"].size(), 1u);
  EXPECT_EQ(J["skipped"][0], json::parse(R"({"table": "keyless", "reason":
            "it has neither a primary key nor a unique index"})"));
  std::vector<std::string> Files;
  for (const auto& E : std::filesystem::directory_iterator(Out))
    Files.push_back(E.path().filename().string());
  std::sort(Files.begin(), Files.end());
  EXPECT_EQ(Files, (std::vector<std::string>{"customer.sql", "odd_name_x.sql", "pair_key.sql",
                                             "quote_d.sql"}));
  EXPECT_EQ(ReadFile(Out + "/customer.sql").rfind("-- refresh\nselect id, name, city\n", 0), 0u);
}

// Without --out and --verify the answer is written table by table as the
// batch goes; it is still the one document (or text) a whole batch gives.
TEST_F(UpdateSQLCommand, AllTablesWrittenAsTheyComeIsOneDocument) {
  const std::string Db = MakeDatabase(Schema);
  auto R = Designer({"--json", "updatesql", "--connect", "sqlite:" + Db, "--all-tables"});
  ASSERT_EQ(R.ExitCode, 0) << R.Err;
  const json J = json::parse(R.Out);
  EXPECT_EQ(R.Out, nlohmann::ordered_json::parse(R.Out).dump(2) + "\n");
  ASSERT_EQ(J["tables"].size(), 4u);
  EXPECT_EQ(J["tables"][0]["table"], "customer");
  EXPECT_EQ(J["skipped"].size(), 1u);
  EXPECT_EQ(R.Err, "updatesql: skipped keyless: it has neither a primary key nor a unique index\n");

  int N = 0;
  for (const std::string& Script : {std::string("create table k (x text); drop table k;"),
                                    std::string("create table k (x text);")}) {
    const std::string Other = MakeDatabase(Script, "other" + std::to_string(++N) + ".db");
    R = Designer({"--json", "updatesql", "--connect", "sqlite:" + Other, "--all-tables"});
    ASSERT_EQ(R.ExitCode, 0) << R.Err;
    const json Empty = json::parse(R.Out);
    EXPECT_EQ(R.Out, nlohmann::ordered_json::parse(R.Out).dump(2) + "\n");
    EXPECT_EQ(Empty["tables"], json::array());
    EXPECT_EQ(Empty["skipped"].size(), Script.find("drop") == std::string::npos ? 1u : 0u);
  }
}

TEST_F(UpdateSQLCommand, AllTablesSkipsViewsAndKeepsNamesNobodyWouldChoose) {
  const std::string Long(300, 'l');
  const std::string Db =
      MakeDatabase("create table plain (id integer primary key, v text);"
                   "create view plain_view as select * from plain;"
                   "create table \" \" (id integer primary key);"
                   "create table \"a\rb\" (id integer primary key);"
                   "create table ab (id integer primary key);"
                   "create table \"crlf\r\nname\" (id integer primary key);"
                   "create table " +
                   Long +
                   " (id integer primary key);"
                   "create table " +
                   Long +
                   "x (id integer primary key);"
                   "insert into \"a\rb\" values (1); insert into \" \" values (2);");
  const std::string Out = Work / "out";
  auto R = Designer({"--json", "updatesql", "--connect", "sqlite:" + Db, "--all-tables", "--out",
                     Out, "--verify"});
  ASSERT_EQ(R.ExitCode, 0) << R.Err;
  const json J = json::parse(R.Out);
  std::map<std::string, std::string> Skipped;
  for (const json& S : J["skipped"])
    Skipped[S["table"]] = S["reason"];
  EXPECT_EQ(Skipped, (std::map<std::string, std::string>{
                         {"\"crlf\r\nname\"", "the name \"crlf\r\nname\" holds a line break "
                                              "(CR LF), which no statement line can keep"},
                         {"plain_view", "it is a view, not a table"}}));
  std::map<std::string, std::string> Deletes;
  for (const json& T : J["tables"]) {
    EXPECT_EQ(T["verify"]["ok"], true) << T.dump();
    Deletes[T["table"]] = T["delete"];
  }
  EXPECT_EQ(Deletes.at("\"a\rb\""), "delete from \"a\rb\"\nwhere\n  id = :OLD_id");
  EXPECT_EQ(Deletes.at("ab"), "delete from ab\nwhere\n  id = :OLD_id");
  EXPECT_EQ(Deletes.at("\" \""), "delete from \" \"\nwhere\n  id = :OLD_id");
  EXPECT_EQ(Deletes.size(), 6u);
  // Long names give short file names that differ and stay the same from one
  // run to the next.
  std::vector<std::string> Files;
  for (const auto& E : std::filesystem::directory_iterator(Out))
    Files.push_back(E.path().filename().string());
  std::sort(Files.begin(), Files.end());
  ASSERT_EQ(Files.size(), 6u);
  for (const std::string& F : Files)
    EXPECT_LT(F.size(), 200u) << F;
  std::filesystem::remove_all(Out);
  R = Designer({"updatesql", "--connect", "sqlite:" + Db, "--all-tables", "--out", Out});
  ASSERT_EQ(R.ExitCode, 0) << R.Err;
  std::vector<std::string> Again;
  for (const auto& E : std::filesystem::directory_iterator(Out))
    Again.push_back(E.path().filename().string());
  std::sort(Again.begin(), Again.end());
  EXPECT_EQ(Again, Files);
}

TEST_F(UpdateSQLCommand, VerifyRunsTheStatementsAndFailsWhenTheyDoNot) {
  const std::string Db =
      MakeDatabase(Schema + std::string("create table dup (grp integer, v text);"
                                        "insert into dup values (1, 'a'), (1, 'b');"));
  const std::string URI = "sqlite:" + Db;
  auto R = Designer({"updatesql", "--connect", URI, "--table", "customer", "--verify"});
  ASSERT_EQ(R.ExitCode, 0) << R.Err;
  EXPECT_NE(R.Out.find("\n-- verify: ok\n"), std::string::npos) << R.Out;

  R = Designer({"updatesql", "--connect", URI, "--table", "dup", "--keys", "grp", "--verify"});
  ExpectError(R, "The statements of 1 of 1 tables do not run: dup");
  EXPECT_NE(R.Out.find("-- verify: failed: refresh returned 2 rows for one row's key, not 1"),
            std::string::npos)
      << R.Out;

  R = Designer({"--json", "updatesql", "--connect", URI, "--all-tables", "--verify"});
  ASSERT_EQ(R.ExitCode, 0) << R.Err;
  const json Report = json::parse(R.Out);
  for (const json& T : Report["tables"])
    EXPECT_EQ(T["verify"]["ok"], true) << T.dump();
}

TEST_F(UpdateSQLCommand, ReturningEndsInsertAndModifyWithWhatTheServerAssigns) {
  const std::string Db =
      MakeDatabase("create table auto (id integer primary key, a integer, doubled integer "
                   "generated always as (a * 2) stored); insert into auto (a) values (1);");
  auto R = Designer({"--json", "updatesql", "--connect", "sqlite:" + Db, "--table", "auto",
                     "--returning", "--verify"});
  ASSERT_EQ(R.ExitCode, 0) << R.Err;
  const json J = json::parse(R.Out);
  EXPECT_EQ(J["insert"], "insert into auto\n  (id, a)\nvalues\n  (:id, :a)\nreturning id, doubled");
  EXPECT_EQ(J["verify"]["ok"], true);
}

TEST_F(UpdateSQLCommand, FieldInfoWithAndWithoutAConnection) {
  const std::string SQL = "select c.id, c.name as who, o.*, 1 + 2 as three from customer c "
                          "join orders o on o.customer_id = c.id";
  auto R = Designer({"fieldinfo", "--server-type", "SQLite", "--sql", SQL});
  ASSERT_EQ(R.ExitCode, 0) << R.Err;
  EXPECT_EQ(R.Out, "id=customer.id\nwho=customer.name\n\nc=customer\no=orders\n");
  R = Designer(
      {"--json", "fieldinfo", "--connect", std::string("sqlite:") + DemoDatabase, "--sql", SQL});
  ASSERT_EQ(R.ExitCode, 0) << R.Err;
  EXPECT_EQ(json::parse(R.Out),
            json::parse(R"({"fields": ["id=customer.id", "who=customer.name", "id_1=orders.id",
              "customer_id=orders.customer_id", "ordered_on=orders.ordered_on",
              "note=orders.note"], "tables": ["c=customer", "o=orders"]})"));
  EXPECT_EQ(R.Err, "");
  R = Designer({"fieldinfo", "--server-type", "PostgreSQL", "--sql", "select a, from t where ("});
  EXPECT_EQ(R.ExitCode, 0);
  EXPECT_NE(R.Err.find("'(' is not closed"), std::string::npos) << R.Err;
  ExpectError(Designer({"fieldinfo", "--server-type", "Oracle", "--sql", "select 1"}),
              "Unknown server type \"Oracle\"");
  ExpectError(Designer({"fieldinfo", "--sql", "select 1"}), "--server-type NAME or --connect URI");
  ExpectError(Designer({"fieldinfo", "--server-type", "PostgreSQL", "--connect",
                        std::string("sqlite:") + DemoDatabase, "--sql", "select 1"}),
              "does not fit --connect");
}

TEST_F(UpdateSQLCommand, EditUpdateSQLSavesOnOkOnlyAndKeepsTheFileOtherwise) {
  const std::string Db = MakeDatabase(Schema);
  const std::string Form = Work / "form.dfm";
  const std::string Design = "object DataModule1: TDataModule\n"
                             "  object Database1: TOVDatabase\n"
                             "    DatabaseName = 'db'\n"
                             "    RemoteDatabase = '" +
                             Db +
                             "'\n"
                             "  end\n"
                             "  object Query1: TOVQuery\n"
                             "    DatabaseName = 'db'\n"
                             "    SQL.Strings = (\n"
                             "      'select id, name from customer')\n"
                             "    UpdateObject = UpdateSQL1\n"
                             "  end\n"
                             "  object UpdateSQL1: TOVUpdateSQL\n"
                             "    ModifySQL.Strings = (\n"
                             "      'update customer set name = :name where id = :OLD_id')\n"
                             "  end\n"
                             "end\n";
  WriteFile(Form, Design);
  const std::string Cancel = Work / "cancel.txt", Ok = Work / "ok.txt", Bad = Work / "bad.txt";
  WriteFile(Cancel, "form OVUpdateSQLEditForm\nclick btGetTableFields\nclick btGenerateSQL\n"
                    "click btCancel\n");
  WriteFile(Ok,
            "form OVUpdateSQLEditForm\nexpect cbTableName Text customer\n"
            "click btGetTableFields\nclick btSelectPrimKeys\nclick btGenerateSQL\nclick btOk\n");
  WriteFile(Bad, "form OVUpdateSQLEditForm\nclick btGenerateSQL\nclick btNothing\n");

  auto R = Designer({"edit-updatesql", Form, "UpdateSQL1", "--ui-script", Cancel});
  ASSERT_EQ(R.ExitCode, 0) << R.Err;
  EXPECT_EQ(R.Out, "UpdateSQL1: cancelled; " + Form + " was not written\n");
  EXPECT_EQ(ReadFile(Form), Design);

  ExpectError(Designer({"edit-updatesql", Form, "UpdateSQL1", "--ui-script", Bad}),
              "bad.txt:3: form OVUpdateSQLEditForm has no control btNothing");
  EXPECT_EQ(ReadFile(Form), Design);
  ExpectError(Designer({"edit-updatesql", Form, "Query1", "--ui-script", Ok}),
              "Query1 is a TOVQuery, not an update object");
  ExpectError(Designer({"edit-updatesql", Form, "Nobody", "--ui-script", Ok}),
              "has no component named Nobody");
  // Without a script the actions come from standard input, piped in as a
  // person types them; input that ends with the dialog open leaves the file.
  ExpectError(Designer({"edit-updatesql", Form, "UpdateSQL1"}),
              "the input ended while form OVUpdateSQLEditForm");
  // The argument has one name, in the usage and in the error.
  const auto Missing = Designer({"edit-updatesql", Form});
  EXPECT_EQ(Missing.ExitCode, 2);
  EXPECT_NE(Missing.Err.find("UPDATEOBJECT"), std::string::npos) << Missing.Err;
  EXPECT_NE(Designer({"edit-updatesql", "--help"}).Out.find("UPDATEOBJECT"), std::string::npos);
  EXPECT_EQ(ReadFile(Form), Design);

  R = Designer({"--json", "edit-updatesql", Form, "UpdateSQL1", "--ui-script", Ok});
  ASSERT_EQ(R.ExitCode, 0) << R.Err;
  const json J = json::parse(R.Out);
  EXPECT_EQ(J["confirmed"], true);
  EXPECT_EQ(J["statements"]["delete"], json({"delete from customer", "where", "  id = :OLD_id"}));
  const std::string Saved = ReadFile(Form);
  EXPECT_NE(Saved.find("'delete from customer'"), std::string::npos) << Saved;
  EXPECT_NE(Saved.find("'select id, name, city'#13#10'from customer'"), std::string::npos) << Saved;
  EXPECT_EQ(Saved.find("update customer set name"), std::string::npos) << Saved;
}

TEST_F(UpdateSQLCommand, ADesignFileWithoutServerTypeKeepsItsMeaningWhateverTheDefault) {
  WriteFile(Settings / "orvane.ini", "[TOVDatabase]\nServerType=PostgreSQL\n");
  const std::string Form = Work / "form.dfm", Saved = Work / "saved.dfm";
  const std::string Design = "object DataModule1: TDataModule\n"
                             "  object Database1: TOVDatabase\n"
                             "    DatabaseName = 'db'\n"
                             "    RemoteDatabase = 'demo.db'\n"
                             "  end\n"
                             "end\n";
  WriteFile(Form, Design);
  auto R = Designer({"settings"});
  ASSERT_EQ(R.ExitCode, 0) << R.Err;
  EXPECT_NE(R.Out.find("PostgreSQL"), std::string::npos) << R.Out;
  R = Designer({"tree", Form});
  ASSERT_EQ(R.ExitCode, 0) << R.Err;
  EXPECT_NE(R.Out.find("SQLite | demo.db (Database1)"), std::string::npos) << R.Out;
  R = Designer({"save", Form, Saved});
  ASSERT_EQ(R.ExitCode, 0) << R.Err;
  EXPECT_EQ(ReadFile(Saved).find("ServerType"), std::string::npos) << ReadFile(Saved);
}

TEST_F(UpdateSQLCommand, DemoShowsTheGeneratedStatements) {
  const auto R = Designer({"--json", "demo"});
  ASSERT_EQ(R.ExitCode, 0) << R.Err;
  const json J = json::parse(R.Out);
  ASSERT_EQ(J["updateSQL"].size(), 1u);
  const json& U = J["updateSQL"][0];
  EXPECT_EQ(U["name"], "CustomerUpdate");
  EXPECT_EQ(U["dataSet"], "CustomerQuery");
  EXPECT_EQ(U["confirmed"], true);
  EXPECT_EQ(U["modify"],
            json({"update customer", "set", "  id = :id,", "  name = :name,", "  city = :city,",
                  "  credit = :credit", "where", "  id = :OLD_id"}));
}

TEST_F(UpdateSQLCommand, PostgreSQLThroughItsURI) {
  OV_REQUIRE_PG();
  const std::string URI = TestSupport::PgURI();
  const std::string Name = "ovupd_host_" + std::to_string(::getpid());
  const auto Psql = [&](const std::string& Target, const std::string& SQL) {
    const TRunResult R =
        TestSupport::Run({"/usr/bin/psql", "-q", "-v", "ON_ERROR_STOP=1", Target, "-c", SQL});
    EXPECT_EQ(R.ExitCode, 0) << R.Err;
  };
  std::string Target = URI;
  const auto Slash = Target.find('/', Target.find("://") + 3);
  const auto Query = Target.find('?');
  Target = Target.substr(0, Slash + 1) + Name + Target.substr(Query);
  Psql(URI, "drop database if exists " + Name);
  Psql(URI, "create database " + Name);
  Psql(Target, "create table \"Mixed Case\" (\"Id\" integer, \"Code\" varchar(10) not null, "
               "constraint mc_code unique (\"Code\"));"
               "insert into \"Mixed Case\" values (1, 'a');"
               "create view plain_view as select 1 as x;"
               "create materialized view stored_view as select 1 as x;"
               "create table \"sch.tab\" (literal integer primary key);"
               "create schema sch; create table sch.tab (other integer primary key);"
               "insert into sch.tab values (1);"
               "create text search configuration gone (copy = simple);"
               "alter database " +
                   Name +
                   " set default_text_search_config = 'public.gone';"
                   "drop text search configuration gone");
  const auto R =
      Designer({"--json", "updatesql", "--connect", Target, "--all-tables", "--quote", "--verify"});
  const auto Typed =
      Designer({"updatesql", "--connect", Target, "--table", "SCH.TAB", "--quote", "--verify"});
  Psql(URI, "drop database if exists " + Name + " with (force)");
  ASSERT_EQ(R.ExitCode, 0) << R.Err;
  // The server's warning while the session starts is no line of ours.
  EXPECT_EQ(R.Err, "updatesql: skipped plain_view: it is a view, not a table\n"
                   "updatesql: skipped stored_view: it is a materialized view, not a table\n");
  const json J = json::parse(R.Out);
  std::map<std::string, std::string> Deletes;
  for (const json& T : J["tables"]) {
    EXPECT_EQ(T["verify"]["ok"], true) << T.dump();
    Deletes[T["table"]] = T["delete"];
  }
  EXPECT_EQ(Deletes,
            (std::map<std::string, std::string>{
                {"\"Mixed Case\"", "delete from \"Mixed Case\"\nwhere\n  \"Code\" = :\"OLD_Code\""},
                {"\"sch.tab\"", "delete from \"sch.tab\"\nwhere\n  \"literal\" = :\"OLD_literal\""},
                {"sch.tab", "delete from \"sch\".\"tab\"\nwhere\n  \"other\" = "
                            ":\"OLD_other\""}}));
  ASSERT_EQ(Typed.ExitCode, 0) << Typed.Err;
  EXPECT_NE(Typed.Out.find("delete from \"sch\".\"tab\"\n"), std::string::npos) << Typed.Out;
  EXPECT_EQ(Typed.Err, "");
}

namespace {

// Public sample databases that nobody here designed, as their authors
// published them (../shared/realworld next to the repository; the tests skip
// without it): every table with a key gets statements that run, with and
// without quoting, and every table passed over is passed over for a reason
// that holds.
class RealSchemas : public UpdateSQLCommand {
protected:
  void SetUp() override {
    UpdateSQLCommand::SetUp();
    if (!std::filesystem::is_directory(Shared()))
      GTEST_SKIP() << Shared() << " is absent";
  }

  static std::filesystem::path Shared() {
    return std::filesystem::path(OV_SOURCE_DIR) / ".." / "shared" / "realworld";
  }

  // --all-tables --verify, without and with --quote: the skipped tables by
  // reason; every other table's statements ran.
  std::map<std::string, std::string> CheckAllTables(const std::string& URI, size_t ExpectedTables) {
    std::map<std::string, std::string> Skipped;
    for (const bool Quote : {false, true}) {
      SCOPED_TRACE(URI + (Quote ? " --quote" : ""));
      std::vector<std::string> Args = {"--json", "updatesql",    "--connect",
                                       URI,      "--all-tables", "--verify"};
      if (Quote)
        Args.push_back("--quote");
      const TRunResult R = Designer(Args);
      EXPECT_EQ(R.ExitCode, 0) << R.Err;
      const json J = json::parse(R.Out);
      EXPECT_EQ(J["tables"].size(), ExpectedTables);
      for (const json& T : J["tables"])
        EXPECT_EQ(T["verify"]["ok"], true) << T.dump(2);
      for (const json& S : J["skipped"])
        Skipped[S["table"]] = S["reason"];
    }
    return Skipped;
  }

  static std::map<std::string, std::string> Views(std::initializer_list<const char*> Names) {
    std::map<std::string, std::string> Result;
    for (const char* Name : Names)
      Result[Name] = "it is a view, not a table";
    return Result;
  }
};

} // namespace

TEST_F(RealSchemas, ChinookAndSakilaOnSQLite) {
  const std::string Chinook =
      MakeDatabase(ReadFile(Shared() / "chinook" / "Chinook_Sqlite.sql"), "chinook.db");
  EXPECT_EQ(CheckAllTables("sqlite:" + Chinook, 11), (std::map<std::string, std::string>{}));
  const std::string Sakila =
      MakeDatabase(ReadFile(Shared() / "sakila" / "sqlite-sakila-schema.sql"), "sakila.db");
  EXPECT_EQ(CheckAllTables("sqlite:" + Sakila, 16),
            Views({"customer_list", "film_list", "sales_by_film_category", "sales_by_store",
                   "staff_list"}));
}

TEST_F(RealSchemas, ChinookAndSakilaOnPostgreSQL) {
  const char* URI = std::getenv("ORVANE_TEST_PG");
  if (!URI)
    GTEST_SKIP() << "ORVANE_TEST_PG is not set";
  const auto Psql = [](const std::string& Target, const std::vector<std::string>& Args) {
    std::vector<std::string> Command = {"/usr/bin/psql",   "-q",  "-X", "-v",
                                        "ON_ERROR_STOP=1", Target};
    Command.insert(Command.end(), Args.begin(), Args.end());
    const TRunResult R = TestSupport::Run(Command);
    EXPECT_EQ(R.ExitCode, 0) << R.Err;
  };
  const auto Database = [&](const std::string& Name) {
    Psql(URI, {"-c", "drop database if exists " + Name + " with (force)"});
    Psql(URI, {"-c", "create database " + Name});
    std::string Target = URI;
    const auto Slash = Target.find('/', Target.find("://") + 3);
    const auto Query = Target.find('?');
    return Target.substr(0, Slash + 1) + Name + Target.substr(Query);
  };
  const std::string Suffix = std::to_string(::getpid());
  // The Chinook script makes its own database; here it goes into ours.
  std::string Script = ReadFile(Shared() / "chinook" / "Chinook_PostgreSql.sql");
  for (const char* Line :
       {"DROP DATABASE IF EXISTS chinook;", "CREATE DATABASE chinook;", "\\c chinook;"})
    if (const auto At = Script.find(Line); At != std::string::npos)
      Script.erase(At, std::string(Line).size());
  WriteFile(Work / "chinook.sql", Script);
  const std::string Chinook = Database("ovreal_chinook_" + Suffix);
  Psql(Chinook, {"-f", Work / "chinook.sql"});
  const std::string Sakila = Database("ovreal_sakila_" + Suffix);
  Psql(Sakila, {"-f", Shared() / "sakila" / "postgres-sakila-schema.sql", "-f",
                Shared() / "sakila" / "postgres-sakila-insert-data-using-copy.sql"});

  EXPECT_EQ(CheckAllTables(Chinook, 11), (std::map<std::string, std::string>{}));
  // The payments of each month inherit from payment without its key.
  auto Skipped = Views({"actor_info", "customer_list", "film_list", "nicer_but_slower_film_list",
                        "sales_by_film_category", "sales_by_store", "staff_list"});
  for (int Month = 1; Month <= 6; ++Month)
    Skipped["payment_p2007_0" + std::to_string(Month)] =
        "it has neither a primary key nor a unique index";
  EXPECT_EQ(CheckAllTables(Sakila, 15), Skipped);
  for (const std::string& Name : {"ovreal_chinook_" + Suffix, "ovreal_sakila_" + Suffix})
    Psql(URI, {"-c", "drop database if exists " + Name + " with (force)"});
}

TEST_F(RealSchemas, ChinookAndSakilaOnMySQL) {
  OV_REQUIRE_MYSQL();
  const std::string URI = MySQLURI();
  const std::string Socket = URI.substr(URI.find("socket=") + 7);
  const auto Client = [&](const std::string& Statement) {
    const TRunResult R = TestSupport::Run(
        {"/usr/bin/mariadb", "--no-defaults", "--socket=" + Socket, "-uroot", "-e", Statement});
    EXPECT_EQ(R.ExitCode, 0) << R.Err;
  };
  // Each script makes its own database; here it goes into one of ours.
  const auto Load = [&](const std::filesystem::path& File, const std::string& From,
                        const std::string& To) {
    std::string Script = ReadFile(File);
    for (std::size_t At = Script.find(From); At != std::string::npos;
         At = Script.find(From, At + To.size()))
      Script.replace(At, From.size(), To);
    WriteFile(Work / (To + ".sql"), Script);
    Client("source " + std::string(Work / (To + ".sql")));
    const auto Query = URI.find('?');
    return URI.substr(0, URI.rfind('/', Query) + 1) + To + URI.substr(Query);
  };
  const std::string Suffix = std::to_string(::getpid());
  const std::string Chinook =
      Load(Shared() / "chinook" / "Chinook_MySql.sql", "Chinook", "ovreal_chinook_" + Suffix);
  const std::string Sakila =
      Load(Shared() / "sakila" / "mysql-sakila-schema.sql", "sakila", "ovreal_sakila_" + Suffix);

  EXPECT_EQ(CheckAllTables(Chinook, 11), (std::map<std::string, std::string>{}));
  EXPECT_EQ(CheckAllTables(Sakila, 16),
            Views({"actor_info", "customer_list", "film_list", "nicer_but_slower_film_list",
                   "sales_by_film_category", "sales_by_store", "staff_list"}));
  Client("drop database ovreal_chinook_" + Suffix + "; drop database ovreal_sakila_" + Suffix);
}
