// What the catalogue says of one table as a statement names it, and whether
// update statements run on the server: prepared, then run for a row in a
// transaction that is rolled back. On both servers.
#include "orvane60/EngineTestUtil.hpp"

using namespace OVEngine;
using namespace EngineTestUtil;

namespace {

const char* const Schema = R"sql(
create table item (id integer primary key, name varchar(20) not null, qty integer);
insert into item values (1, 'one', 1), (2, 'two', 2);
create table grouped (grp integer, label varchar(10));
insert into grouped values (1, 'a'), (1, 'b');
create table empty_one (id integer primary key, v varchar(10));
create table "Odd Name" ("Key" integer primary key, "user" varchar(10));
insert into "Odd Name" values (1, 'x');
create table "sch.tab" (literal integer primary key);
)sql";

class TVerifyTest : public TEngineTest {
protected:
  void SetUp() override {
    if (SetUpWithSchema(Schema))
      FDb->Open();
  }

  TOVUpdateStatements Statements(const std::string& Table, const std::string& Key,
                                 const std::vector<std::string>& Fields) {
    TOVUpdateStatements S;
    S.Table = Table;
    S.Query = "select * from " + Table;
    std::string List, Set, Values;
    for (const std::string& F : Fields) {
      List += (List.empty() ? "" : ", ") + F;
      Set += (Set.empty() ? "" : ", ") + F + " = :" + F;
      Values += (Values.empty() ? ":" : ", :") + F;
    }
    const std::string Where = "\nwhere\n  " + Key + " = :OLD_" + Key;
    S.Statements = {"select " + List + "\nfrom " + Table + Where,
                    "update " + Table + "\nset\n  " + Set + Where,
                    "insert into " + Table + "\n  (" + List + ")\nvalues\n  (" + Values + ")",
                    "delete from " + Table + Where};
    return S;
  }

  std::vector<std::string> Snapshot(const std::string& Table) {
    std::vector<std::string> Rows;
    auto Conn = FServer->Direct();
    auto R = Conn->Query("select * from " + Table + " order by 1, 2");
    while (R->Next()) {
      std::string Row;
      for (int I = 0; I < R->ColumnCount(); ++I)
        Row += R->Value(I).AsString() + "|";
      Rows.push_back(Row);
    }
    return Rows;
  }
};

TEST_P(TVerifyTest, StatementsThatRunPassAndNothingIsCommitted) {
  const auto Before = Snapshot("item");
  const auto Result = VerifyUpdateStatements(*FDb, {Statements("item", "id", {"id", "name", "qty"}),
                                                    Statements("empty_one", "id", {"id", "v"})});
  ASSERT_EQ(Result.size(), 2u);
  EXPECT_EQ(Result[0].Error, "");
  EXPECT_EQ(Result[0].Note, "");
  EXPECT_EQ(Result[1].Error, "");
  EXPECT_NE(Result[1].Note.find("no row"), std::string::npos) << Result[1].Note;
  EXPECT_EQ(Snapshot("item"), Before);
  EXPECT_FALSE(FDb->Connection().InTransaction());
}

TEST_P(TVerifyTest, AStatementThatCannotRunIsNamedWithTheServersWords) {
  const TOVUpdateStatements S = Statements("item", "id", {"id", "name", "qty"});
  Script(IsPg() ? "alter table item drop column qty" : "alter table item drop column qty");
  const auto Result = VerifyUpdateStatements(*FDb, {S});
  EXPECT_EQ(Result[0].Error.rfind("refresh: ", 0), 0u) << Result[0].Error;
  EXPECT_NE(Result[0].Error.find("qty"), std::string::npos) << Result[0].Error;
  // The other tables are still checked.
  const auto Two = VerifyUpdateStatements(*FDb, {S, Statements("item", "id", {"id", "name"})});
  EXPECT_FALSE(Two[0].Error.empty());
  EXPECT_EQ(Two[1].Error, "");
}

TEST_P(TVerifyTest, AKeyThatMatchesTwoRowsFails) {
  const auto Before = Snapshot("grouped");
  const auto Result =
      VerifyUpdateStatements(*FDb, {Statements("grouped", "grp", {"grp", "label"})});
  EXPECT_EQ(Result[0].Error, "refresh returned 2 rows for one row's key, not 1");
  EXPECT_EQ(Snapshot("grouped"), Before);
}

TEST_P(TVerifyTest, ParametersNamedForFieldsTheQueryLacksAreNamed) {
  TOVUpdateStatements S = Statements("item", "id", {"id", "name"});
  S.Statements[1] = "update item set name = :nickname where id = :OLD_id";
  const auto Result = VerifyUpdateStatements(*FDb, {S});
  EXPECT_EQ(Result[0].Error, "modify: the parameter :nickname names no field of the query");
}

TEST_P(TVerifyTest, DescribeTableReadsNamesAsSQLWritesThem) {
  for (const bool Batch : {false, true}) {
    SCOPED_TRACE(Batch ? "in a batch" : "alone");
    if (Batch)
      FDb->BeginCatalogBatch();
    const auto Odd = FDb->DescribeTable("\"Odd Name\"");
    ASSERT_TRUE(Odd);
    EXPECT_EQ(Odd->Table.Name, "Odd Name");
    EXPECT_FALSE(Odd->Qualified);
    ASSERT_EQ(Odd->Columns.size(), 2u);
    EXPECT_EQ(FDb->WriteTableName(*Odd, false), "\"Odd Name\"");
    // "user" is a keyword of PostgreSQL only; "Key" is mixed case there and a
    // keyword of SQLite.
    EXPECT_EQ(FDb->WriteName(Odd->Columns[1].Name, false), IsPg() ? "\"user\"" : "user");
    EXPECT_EQ(FDb->WriteName(Odd->Columns[0].Name, false), "\"Key\"");
    const auto Dotted = FDb->DescribeTable("\"sch.tab\"");
    ASSERT_TRUE(Dotted);
    EXPECT_EQ(Dotted->Table.Name, "sch.tab");
    EXPECT_EQ(FDb->WriteTableName(*Dotted, false), "\"sch.tab\"");
    const auto Item = FDb->DescribeTable(IsPg() ? "public.ITEM" : "main.ITEM");
    ASSERT_TRUE(Item);
    EXPECT_TRUE(Item->Qualified);
    EXPECT_EQ(FDb->WriteTableName(*Item, true),
              IsPg() ? "\"public\".\"item\"" : "\"main\".\"item\"");
    EXPECT_EQ(Item->Indexes.size(), 1u);
    EXPECT_FALSE(FDb->DescribeTable("missing"));
    if (Batch)
      FDb->EndCatalogBatch();
  }
}

TEST_P(TVerifyTest, ATableWithoutIndexesAnswersWithNoRowsAMissingOneWithNothing) {
  for (const bool Batch : {false, true}) {
    SCOPED_TRACE(Batch ? "in a batch" : "alone");
    if (Batch)
      FDb->BeginCatalogBatch();
    std::unique_ptr<DB::TDataSet> None(FDb->GetSchemaInfo(TOVSchemaType::siIndexes, "grouped"));
    ASSERT_NE(None, nullptr);
    EXPECT_EQ(None->RecordCount(), 0);
    EXPECT_EQ(FDb->GetSchemaInfo(TOVSchemaType::siIndexes, "missing"), nullptr);
    if (Batch)
      FDb->EndCatalogBatch();
  }
}

INSTANTIATE_TEST_SUITE_P(Servers, TVerifyTest,
                         ::testing::Values(TOVServerType::stSQLite, TOVServerType::stPostgreSQL),
                         ServerName);

// PostgreSQL only: foreign keys that keep rows, privileges and a server that
// goes away.
class TPgVerifyTest : public TVerifyTest {};

TEST_P(TPgVerifyTest, RowsOtherTablesKeepAreNotTheOnesDeleted) {
  Script("create table parent (id integer primary key, v text);"
         "create table child (id integer primary key, parent_id integer references parent);"
         "insert into parent values (1, 'kept'), (2, 'free');"
         "insert into child values (1, 1);"
         "create table only_kept (id integer primary key);"
         "create table keeper (k integer references only_kept);"
         "insert into only_kept values (5); insert into keeper values (5);"
         // A key that would set a column that may not be null.
         "create table held (id integer primary key);"
         "create table holder (h integer not null references held on delete set null);"
         "insert into held values (7); insert into holder values (7)");
  const auto Result = VerifyUpdateStatements(*FDb, {Statements("parent", "id", {"id", "v"}),
                                                    Statements("only_kept", "id", {"id"}),
                                                    Statements("held", "id", {"id"})});
  EXPECT_EQ(Result[0].Error, "");
  EXPECT_EQ(Result[0].Note, "");
  for (size_t I : {1u, 2u}) {
    EXPECT_EQ(Result[I].Error, "");
    EXPECT_NE(Result[I].Note.find("foreign keys refer to every row"), std::string::npos)
        << Result[I].Note;
  }
  EXPECT_EQ(Snapshot("parent").size(), 2u);
}

TEST_P(TPgVerifyTest, AUserWhoMayOnlyReadIsToldWhichStatementsCannotRun) {
  const std::string Role = "ovrt_reader_" + std::to_string(::getpid());
  Script("drop role if exists " + Role + "; create role " + Role +
         " login; grant select on item to " + Role);
  FDb->Close();
  FDb->GetParams()->SetValue("USER NAME", Role);
  const auto Result = VerifyUpdateStatements(*FDb, {Statements("item", "id", {"id", "name"})});
  FDb->Close();
  Script("drop owned by " + Role + "; drop role " + Role);
  EXPECT_EQ(Result[0].Error.rfind("modify: permission denied", 0), 0u) << Result[0].Error;
}

TEST_P(TPgVerifyTest, AServerThatGoesAwayFailsEveryTableNotYetChecked) {
  const int64_t Pid = [&] {
    auto R = FDb->Connection().Query("select pg_backend_pid()");
    R->Next();
    return R->Value(0).AsInteger();
  }();
  FServer->Direct()->Query("select pg_terminate_backend(" + std::to_string(Pid) + ")");
  const auto Result = VerifyUpdateStatements(
      *FDb, {Statements("item", "id", {"id", "name"}), Statements("empty_one", "id", {"id"})});
  for (const auto& R : Result)
    EXPECT_EQ(R.Error.rfind("not verified: ", 0), 0u) << R.Error;
}

INSTANTIATE_TEST_SUITE_P(Servers, TPgVerifyTest, ::testing::Values(TOVServerType::stPostgreSQL),
                         ServerName);

} // namespace
