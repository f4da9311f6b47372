// A MariaDB server started with lower_case_table_names=1 (its own throwaway
// server, beside the one ORVANE_TEST_MYSQL names): it keeps table and
// database names in lower case and compares them without case, so tables
// created as MixedCase are listed as mixedcase. Names typed in any case find
// them, every statement generated for them runs (--verify), and the table
// name list shows the names the server keeps. Skipped where that server
// cannot be started.
#include "VerifiedTables.hpp"
#include "orvane60/drivers/OVDriver.hpp"
#include "support/Process.hpp"
#include "support/Servers.hpp"
#include "support/TempDir.hpp"

#include <gtest/gtest.h>
#include <nlohmann/json.hpp>

#include <map>
#include <memory>

using namespace TestSupport;
using nlohmann::json;

namespace {

using TStrings = std::vector<std::string>;

const char* const Schema = R"sql(
create table MixedCase (Id int primary key, `Value` int);
create table `Order Lines` (OrderId int not null, LineNo int not null, Qty int,
  primary key (OrderId, LineNo));
create table UniqueCode (Code char(3) not null, V int, unique key (Code));
create database OtherDb;
create table OtherDb.RemoteThing (Id int primary key, Label varchar(10));
insert into MixedCase values (1, 2);
insert into `Order Lines` values (1, 1, 5);
insert into UniqueCode values ('abc', 1);
insert into OtherDb.RemoteThing values (1, 'x');
)sql";

const std::string Script = OV_SOURCE_DIR "/scripts/mysql-test-server.sh";

class MySQLNameCase : public ::testing::Test {
protected:
  // One server for the suite: starting it takes seconds.
  static void SetUpTestSuite() {
    if (MySQLURI().empty())
      return;
    Dir = std::make_unique<TTempDir>();
    const TRunResult R =
        TestSupport::Run({Script, "start", *Dir / "server", "--lower-case-table-names=1"});
    if (R.ExitCode != 0) {
      Problem = "a server with lower_case_table_names=1 could not be started: " + R.Err;
      return;
    }
    URI = R.Out.substr(0, R.Out.find('\n'));
    Socket = URI.substr(URI.find("socket=") + 7);
    const TRunResult Made = Sql(Schema, "orvane");
    if (Made.ExitCode != 0)
      Problem = "the schema could not be made: " + Made.Err;
  }
  static void TearDownTestSuite() {
    if (Dir)
      TestSupport::Run({Script, "stop", *Dir / "server"});
    Dir.reset();
  }
  void SetUp() override {
    OV_REQUIRE_MYSQL();
    if (!Problem.empty())
      GTEST_SKIP() << Problem;
    WriteRegistry(Registry / "registry.ini", Settings.Path().string());
  }

  static TRunResult Sql(const std::string& Text, const std::string& Database) {
    return TestSupport::Run({"/usr/bin/mariadb", "--no-defaults", "--socket=" + Socket, "-uroot",
                             Database, "-e", Text});
  }
  TRunResult Designer(TStrings Args) const {
    return RunDesigner(std::move(Args), Registry / "registry.ini");
  }

  static inline std::unique_ptr<TTempDir> Dir;
  static inline std::string URI, Socket, Problem;
  TTempDir Registry, Settings;
};

} // namespace

TEST_F(MySQLNameCase, TheServerKeepsNamesInLowerCaseAndAnyCaseFindsThem) {
  const TRunResult Mode = Sql("select @@lower_case_table_names", "orvane");
  ASSERT_EQ(Mode.ExitCode, 0) << Mode.Err;
  ASSERT_NE(Mode.Out.find("\n1"), std::string::npos) << Mode.Out;

  // Every table, as the server lists it, generated and run on the server.
  for (const bool Quote : {false, true}) {
    TStrings Args{"--json", "updatesql", "--connect", URI, "--all-tables", "--verify"};
    if (Quote)
      Args.push_back("--quote");
    const TRunResult R = Designer(Args);
    std::map<std::string, json> Tables = VerifiedTables(R);
    EXPECT_EQ(Tables.size(), 3u) << R.Out;
    EXPECT_TRUE(Tables.count("mixedcase")) << R.Out;
    EXPECT_TRUE(Tables.count("uniquecode")) << R.Out;
    ASSERT_TRUE(Tables.count("`order lines`")) << R.Out;
    EXPECT_NE(Tables["`order lines`"]["delete"].get<std::string>().find(" and\n"),
              std::string::npos);
  }

  // One table typed in any case, here or in another database, qualified.
  for (const std::string Typed :
       {"MixedCase", "MIXEDCASE", "`Order Lines`", "OtherDb.RemoteThing", "OTHERDB.remotething"}) {
    const TRunResult R =
        Designer({"--json", "updatesql", "--connect", URI, "--table", Typed, "--verify"});
    ASSERT_EQ(R.ExitCode, 0) << Typed << ": " << R.Out << R.Err;
    const json J = json::parse(R.Out);
    EXPECT_EQ(J["verify"]["ok"], true) << Typed << ": " << R.Out;
    EXPECT_NE(J["modify"].get<std::string>().find("where"), std::string::npos) << R.Out;
  }
  // A query's table, as its SQL names it.
  const TRunResult R = Designer({"--json", "updatesql", "--connect", URI, "--sql",
                                 "select m.ID, m.`VALUE` from MIXEDCASE m", "--verify"});
  ASSERT_EQ(R.ExitCode, 0) << R.Out << R.Err;
  EXPECT_EQ(json::parse(R.Out)["verify"]["ok"], true) << R.Out;
  // The database of the connection typed in another case.
  std::string Upper = URI;
  Upper.replace(Upper.find("/orvane?"), 8, "/OTHERDB?");
  const TRunResult Other =
      Designer({"--json", "updatesql", "--connect", Upper, "--all-tables", "--verify"});
  ASSERT_EQ(Other.ExitCode, 0) << Other.Out << Other.Err;
  const json J = json::parse(Other.Out);
  ASSERT_EQ(J["tables"].size(), 1u) << Other.Out;
  EXPECT_EQ(J["tables"][0]["table"], "remotething");
  EXPECT_EQ(J["tables"][0]["verify"]["ok"], true) << Other.Out;
  // A table of no case is still an error naming it.
  const TRunResult Missing = Designer({"updatesql", "--connect", URI, "--table", "NoSuchTable"});
  EXPECT_EQ(Missing.ExitCode, 1);
  EXPECT_NE(Missing.Err.find("NoSuchTable"), std::string::npos) << Missing.Err;
}

// The table name list of a dataset in a design file shows the names the
// server keeps.
TEST_F(MySQLNameCase, TheTableNameListShowsTheServersNames) {
  TTempDir Work;
  const std::string Form = Work / "names.dfm";
  WriteFile(Form, "object DataModule1: TDataModule\n"
                  "  object OVDatabase1: TOVDatabase\n"
                  "    DatabaseName = 'Names'\n"
                  "    ServerType = stMySQL\n"
                  "    RemoteDatabase = '" +
                      URI +
                      "'\n"
                      "    LoginPrompt = False\n"
                      "  end\n"
                      "  object OVTable1: TOVTable\n"
                      "    DatabaseName = 'Names'\n"
                      "    TableName = 'MixedCase'\n"
                      "  end\n"
                      "end\n");
  const TRunResult R = Designer({"--trust", "values", Form, "OVTable1", "TableName"});
  ASSERT_EQ(R.ExitCode, 0) << R.Err;
  EXPECT_EQ(R.Out, "mixedcase\norder lines\nuniquecode\n");
}

// Describing a table on this server (the table, its columns and indexes
// asked together where the text spells the table as the server keeps it)
// gives what FindTable, GetFieldNames and GetIndexInfo give, in any case.
TEST_F(MySQLNameCase, DescribingATableGivesWhatTheTableByTableCallsGive) {
  using namespace OVDriver;
  const auto Whole = [](const std::optional<TTableDescription>& D) {
    TStrings Result{D ? D->Table.Schema + "|" + D->Table.Name + "|" + D->Table.Display : "none"};
    for (const TColumnInfo& C : D ? D->Columns : std::vector<TColumnInfo>())
      Result.push_back(C.Name + " " + C.TypeName + (C.Nullable ? " null" : ""));
    for (const TIndexColumn& I : D ? D->Indexes : std::vector<TIndexColumn>())
      Result.push_back(I.IndexName + ":" + I.ColumnName + ":" + std::to_string(I.IndexType));
    return Result;
  };
  const TConnectParams Params = ParseConnectionURI(URI).Params;
  auto Conn = FindDriver("MySQL")->Connect(Params);
  for (const std::string Typed :
       {"mixedcase", "MixedCase", "MIXEDCASE", "`Order Lines`", "`order lines`", "uniquecode",
        "OtherDb.RemoteThing", "otherdb.remotething", "`OTHERDB`.`REMOTETHING`", "NoSuchTable"}) {
    SCOPED_TRACE(Typed);
    auto Fresh = FindDriver("MySQL")->Connect(Params);
    const TStrings Expected = Whole(Fresh->TConnection::DescribeTable(Typed));
    EXPECT_EQ(Whole(Conn->DescribeTable(Typed)), Expected);
    EXPECT_EQ(Whole(Conn->DescribeTable(Typed)), Expected);
  }
  EXPECT_EQ(
      Whole(Conn->DescribeTable("MIXEDCASE")),
      (TStrings{"orvane|mixedcase|mixedcase", "Id int(11)", "Value int(11) null", "PRIMARY:Id:6"}));

  // A new session typing the name in another case: its settings, the
  // table, its columns and its indexes in one packet of statements, as the
  // server's general log records them.
  ASSERT_EQ(Sql("set global log_output = 'TABLE'; set global general_log = 1; "
                "truncate table mysql.general_log",
                "orvane")
                .ExitCode,
            0);
  const auto Described = FindDriver("MySQL")->Connect(Params)->DescribeTable("`Order Lines`");
  const TRunResult Log =
      Sql("select count(*) from mysql.general_log where command_type in ('Query', 'Prepare', "
          "'Execute') and thread_id = (select thread_id from mysql.general_log where argument "
          "like 'select database(), @@lower_case_table_names%' limit 1); "
          "set global general_log = 0",
          "orvane");
  ASSERT_TRUE(Described);
  EXPECT_EQ(Described->Table.Name, "order lines");
  EXPECT_NE(Log.Out.find("\n1\n"), std::string::npos) << Log.Out << Log.Err;
}
