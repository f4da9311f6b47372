// The statements the UpdateSQL editor generates run: for every table of real
// schemas, on SQLite and on PostgreSQL, the dialog fetches the table's fields,
// selects its key and generates; then the refresh statement, with its :params
// bound from a real row, returns exactly that row, the modify statement
// changes exactly that row, delete removes it and insert puts it back.
#include "UpdateSQLTestUtil.hpp"

#include "rtl/SysUtils.hpp"

#include <filesystem>
#include <fstream>
#include <set>
#include <sstream>

using namespace UpdateSQLTest;

namespace {

// Composite keys, tables with only unique indexes, mixed-case names, names
// with blanks and reserved words; one table without any key.
const char* const KeysAndNamesSchema = R"sql(
create table customer_note (
  customer_id integer not null,
  note_no integer not null,
  body varchar(200),
  primary key (customer_id, note_no)
);
create table unique_only (
  code varchar(10) not null,
  descr varchar(40),
  qty integer
);
create unique index unique_only_code on unique_only (code);
create table two_uniques (
  a integer not null,
  b integer not null,
  c varchar(10) not null,
  label varchar(20)
);
create unique index two_uniques_ab on two_uniques (a, b);
create unique index two_uniques_c on two_uniques (c);
create table "MixedCase" (
  "RowId" integer primary key,
  "DisplayName" varchar(40),
  "Amount" numeric(10, 2)
);
create table "order details" (
  "order no" integer not null,
  "line no" integer not null,
  "item name" varchar(40),
  primary key ("order no", "line no")
);
create table "select" (
  "from" integer primary key,
  "where" varchar(20),
  "group" integer
);
create table wide_key (
  region varchar(10) not null,
  day date not null,
  seq integer not null,
  total numeric(12, 2),
  memo text,
  primary key (region, day, seq)
);
create table no_key (x integer, y varchar(10));

insert into customer_note values (1, 1, 'first'), (1, 2, 'second'), (2, 1, null);
insert into unique_only values ('A-1', 'alpha', 3), ('B-2', null, null);
insert into two_uniques values (1, 1, 'x', 'one'), (1, 2, 'y', null);
insert into "MixedCase" values (7, 'Seven', 7.25), (8, null, 0);
insert into "order details" values (10, 1, 'nail'), (10, 2, 'screw');
insert into "select" values (1, 'here', 5), (2, null, null);
insert into wide_key values ('north', '2026-03-01', 1, 10.5, 'm1'), ('north', '2026-03-01', 2, null, null);
insert into no_key values (1, 'a');
)sql";

// The key each table's "Select Primary Keys" must choose.
const std::map<std::string, std::vector<std::string>> OurKeys = {
    {"customer_note", {"customer_id", "note_no"}},
    {"unique_only", {"code"}},
    {"two_uniques", {"a", "b"}},
    {"MixedCase", {"RowId"}},
    {"order details", {"order no", "line no"}},
    {"select", {"from"}},
    {"wide_key", {"region", "day", "seq"}}};

const std::map<std::string, std::vector<std::string>> DemoKeys = {
    {"customer", {"id"}},
    {"product", {"code"}},
    {"orders", {"id"}},
    {"order_line", {"order_id", "line_no"}}};

// Names that only work quoted (on one server or the other).
const std::set<std::string> NeedQuotes = {"MixedCase", "order details", "select"};

// The demo database's script, in the source tree (this file's name may be
// relative to the build folder, as the compiler cache writes it).
std::string DemoScript() {
  const auto Path = std::filesystem::path(OV_SOURCE_DIR) / "examples" / "demo.sql";
  std::ifstream In(Path);
  if (!In)
    throw std::runtime_error("cannot read " + Path.string());
  std::stringstream S;
  S << In.rdbuf();
  return S.str();
}

class UpdateSQLRun : public ::testing::TestWithParam<TOVServerType> {
protected:
  void SetUp() override {
    if (GetParam() == TOVServerType::stPostgreSQL)
      OV_REQUIRE_PG();
    FServer = std::make_unique<TServerDatabase>(GetParam());
  }

  bool IsPg() const { return GetParam() == TOVServerType::stPostgreSQL; }

  // Every table of the database, with the quote option off (where the names
  // allow it) and on; returns the tables that have no key.
  std::set<std::string> RunAllTables(const std::map<std::string, std::vector<std::string>>& Keys) {
    TDesign Design(*FServer, "select 1");
    Classes::TStringList Tables;
    Session()->GetTableNames("DB1", "", false, &Tables);
    std::set<std::string> Keyless;
    for (const std::string& Table : Tables.ToVector()) {
      for (const bool Quote : {false, true}) {
        if (!Quote && NeedQuotes.count(Table))
          continue;
        SCOPED_TRACE(Table + (Quote ? " quoted" : " unquoted"));
        const TStatements S = Generate(*FServer, Design, Table, Quote);
        if (S.Keys.empty()) {
          Keyless.insert(Table);
          continue;
        }
        const auto K = Keys.find(Table);
        if (K == Keys.end()) {
          ADD_FAILURE() << "unexpected table " << Table;
          continue;
        }
        EXPECT_EQ(S.Keys, K->second);
        RunStatements(*FServer, Table, S);
      }
    }
    return Keyless;
  }

  std::unique_ptr<TServerDatabase> FServer;
};

} // namespace

TEST_P(UpdateSQLRun, EveryTableOfTheDemoDatabase) {
  FServer->Direct()->ExecuteScript(DemoScript());
  // The view has no index, so no key: the dialog cannot generate for it.
  EXPECT_EQ(RunAllTables(DemoKeys), (std::set<std::string>{"customer_orders"}));
}

TEST_P(UpdateSQLRun, EveryTableWithCompositeUniqueAndAwkwardNames) {
  FServer->Direct()->ExecuteScript(KeysAndNamesSchema);
  EXPECT_EQ(RunAllTables(OurKeys), (std::set<std::string>{"no_key"}));
}

TEST_P(UpdateSQLRun, QuotedStatementsNameEveryIdentifierInQuotes) {
  FServer->Direct()->ExecuteScript(KeysAndNamesSchema);
  TDesign Design(*FServer, "select 1");
  const TStatements S = Generate(*FServer, Design, "order details", true);
  EXPECT_EQ(S.Delete, "delete from \"order details\"\nwhere\n  \"order no\" = :\"OLD_order no\" "
                      "and\n  \"line no\" = :\"OLD_line no\"\n");
  EXPECT_EQ(S.Insert, "insert into \"order details\"\n  (\"order no\", \"line no\", \"item "
                      "name\")\nvalues\n  (:\"order no\", :\"line no\", :\"item name\")\n");
}

INSTANTIATE_TEST_SUITE_P(Servers, UpdateSQLRun,
                         ::testing::Values(TOVServerType::stSQLite, TOVServerType::stPostgreSQL),
                         EngineTestUtil::ServerName);
