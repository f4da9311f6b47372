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
  ExpectError(Designer({"updatesql", "--connect", "mysql://x", "--table", "t"}), "mysql://x");
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
  for (const char* Header : {"-- table customer\n", "-- table pair_key\n", "-- table odd/name x\n"})
    EXPECT_NE(R.Out.find(Header), std::string::npos) << Header << R.Out;
  EXPECT_NE(R.Out.find("delete from \"odd/name x\"\nwhere\n  \"id\" = :\"OLD_id\"\n"),
            std::string::npos)
      << R.Out;
  // "Get Table Fields" takes the quote characters out of the table box's
  // text, so a name made of them cannot be asked for.
  EXPECT_EQ(R.Err, "updatesql: skipped keyless: it has neither a primary key nor a unique index\n"
                   "updatesql: skipped quote\"d: Unable to determine field names for quoted\n");

  const std::string Out = Work / "out";
  R = Designer({"--json", "updatesql", "--connect", "sqlite:" + Db, "--all-tables", "--out", Out});
  ASSERT_EQ(R.ExitCode, 0) << R.Err;
  const json J = json::parse(R.Out);
  ASSERT_EQ(J["tables"].size(), 3u);
  ASSERT_EQ(J["skipped"].size(), 2u);
  EXPECT_EQ(J["skipped"][0], json::parse(R"({"table": "keyless", "reason":
            "it has neither a primary key nor a unique index"})"));
  std::vector<std::string> Files;
  for (const auto& E : std::filesystem::directory_iterator(Out))
    Files.push_back(E.path().filename().string());
  std::sort(Files.begin(), Files.end());
  EXPECT_EQ(Files, (std::vector<std::string>{"customer.sql", "odd_name_x.sql", "pair_key.sql"}));
  EXPECT_EQ(ReadFile(Out + "/customer.sql").rfind("-- refresh\nselect id, name, city\n", 0), 0u);
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
  ExpectError(Designer({"edit-updatesql", Form, "UpdateSQL1"}), "--ui-script");
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
               "constraint mc_code unique (\"Code\"))");
  const auto R = Designer({"--json", "updatesql", "--connect", Target, "--all-tables", "--quote"});
  Psql(URI, "drop database if exists " + Name + " with (force)");
  ASSERT_EQ(R.ExitCode, 0) << R.Err;
  const json J = json::parse(R.Out);
  ASSERT_EQ(J["tables"].size(), 1u);
  EXPECT_EQ(J["tables"][0]["keyFields"], json({"Code"}));
  EXPECT_EQ(J["tables"][0]["delete"],
            "delete from \"Mixed Case\"\nwhere\n  \"Code\" = :\"OLD_Code\"");
}
