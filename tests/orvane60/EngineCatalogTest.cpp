// Catalogue calls of sessions and databases, index information and the batch
// catalog, on both servers.
#include "orvane60/EngineTestUtil.hpp"

using namespace OVEngine;
using namespace EngineTestUtil;

namespace {

const char* const Schema =
    "create table customer (id integer primary key, name varchar(40) not null, city "
    "varchar(30));"
    "create index cust_city on customer (city);"
    "create table order_items (order_id integer not null, line_no integer not null, item "
    "varchar(50), qty integer, primary key (order_id, line_no));"
    "create table \"MixedCase\" (\"Id\" integer, \"Code\" varchar(10), constraint mc_code "
    "unique (\"Code\"));"
    "create table \"Name With Blanks\" (\"First Col\" integer, second varchar(5));"
    "create table \"order\" (\"select\" integer, \"from\" varchar(10));"
    "create table uniq2 (a integer, b integer, c integer, constraint uq_ab unique (a, b), "
    "constraint uq_c unique (c));";

class TCatalogTest : public TEngineTest {
protected:
  void SetUp() override { SetUpWithSchema(Schema); }

  std::vector<std::string> Fields(const std::string& Table) {
    Classes::TStringList L;
    Session()->GetFieldNames("DB1", Table, &L);
    return L.ToVector();
  }

  // What the UpdateSQL editor makes of index information: the primary key's
  // columns, else the first unique index's.
  std::vector<std::string> KeyColumns(const std::string& Table) {
    std::unique_ptr<DB::TDataSet> Info(FDb->GetSchemaInfo(TOVSchemaType::siIndexes, Table));
    if (!Info)
      return {"(no index information)"};
    std::vector<std::string> Primary, Unique;
    std::string First;
    for (; !Info->Eof(); Info->Next()) {
      if (Info->FieldByName("INDEX_TYPE")->IsNull())
        continue;
      const int Type = Info->FieldByName("INDEX_TYPE")->GetAsInteger();
      const std::string Column = SysUtils::Trim(Info->FieldByName("COLUMN_NAME")->GetAsString());
      if ((Type & 4) && !Column.empty())
        Primary.push_back(Column);
      if (Type & 2) {
        const std::string Index = SysUtils::Trim(Info->FieldByName("INDEX_NAME")->GetAsString());
        if (First.empty())
          First = Index;
        if (First == Index)
          Unique.push_back(Column);
      }
    }
    return Primary.empty() ? Unique : Primary;
  }
};

TEST_P(TCatalogTest, TableNamesListEveryKindOfName) {
  Classes::TStringList L;
  Session()->GetTableNames("db1", "", false, &L);
  for (const char* Name :
       {"customer", "order_items", "MixedCase", "Name With Blanks", "order", "uniq2"})
    EXPECT_GE(L.IndexOf(Name), 0) << Name;
  EXPECT_EQ(L.Count(), 6);
  L.Clear();
  Session()->GetTableNames("DB1", "ORDER%", false, &L);
  EXPECT_EQ(Lines(L), (std::vector<std::string>{"order", "order_items"}));
}

TEST_P(TCatalogTest, FieldNamesOfQuotedMixedCaseAndMissingTables) {
  EXPECT_EQ(Fields("Name With Blanks"), (std::vector<std::string>{"First Col", "second"}));
  EXPECT_EQ(Fields("MixedCase"), (std::vector<std::string>{"Id", "Code"}));
  EXPECT_EQ(Fields("order"), (std::vector<std::string>{"select", "from"}));
  EXPECT_EQ(Fields("CUSTOMER"), (std::vector<std::string>{"id", "name", "city"}));
  EXPECT_TRUE(Fields("no_such_table").empty());
  EXPECT_TRUE(Fields("customer'; drop table customer; --").empty());
  EXPECT_EQ(Fields("customer").size(), 3u);
}

TEST_P(TCatalogTest, UnknownDatabaseNameIsAnError) {
  Classes::TStringList L;
  EXPECT_THROW(Session()->GetTableNames("Nope", "", false, &L), DB::EDatabaseError);
  EXPECT_THROW(Session()->GetFieldNames("", "customer", &L), DB::EDatabaseError);
  EXPECT_TRUE(L.Count() == 0);
}

TEST_P(TCatalogTest, CatalogueCallsConnectAndLeaveTheDatabaseAsKeepConnectionSays) {
  FDb->SetKeepConnection(false);
  EXPECT_EQ(Fields("customer").size(), 3u);
  EXPECT_FALSE(FDb->GetConnected());
  FDb->Open();
  Fields("customer");
  EXPECT_TRUE(FDb->GetConnected());
  FDb->Close();
  FDb->SetKeepConnection(true);
  Fields("customer");
  EXPECT_TRUE(FDb->GetConnected());
}

TEST_P(TCatalogTest, IndexInformationRowsAndKeys) {
  FDb->Open();
  std::unique_ptr<DB::TDataSet> Info(FDb->GetSchemaInfo(TOVSchemaType::siIndexes, "order_items"));
  ASSERT_NE(Info, nullptr);
  std::vector<std::string> Rows;
  for (; !Info->Eof(); Info->Next())
    Rows.push_back(Info->FieldByName("COLUMN_NAME")->GetAsString() + ":" +
                   Info->FieldByName("INDEX_TYPE")->GetAsString() + ":" +
                   Info->FieldByName("COLUMN_POSITION")->GetAsString());
  EXPECT_EQ(Rows, (std::vector<std::string>{"order_id:6:1", "line_no:6:2"}));

  EXPECT_EQ(KeyColumns("order_items"), (std::vector<std::string>{"order_id", "line_no"}));
  EXPECT_EQ(KeyColumns("customer"), (std::vector<std::string>{"id"}));
  EXPECT_EQ(KeyColumns("uniq2"), (std::vector<std::string>{"a", "b"}));
  EXPECT_EQ(KeyColumns("MixedCase"), (std::vector<std::string>{"Code"}));
  // A table without indexes answers with no rows, one that is not there
  // with nothing.
  EXPECT_EQ(KeyColumns("order"), std::vector<std::string>{});
  EXPECT_EQ(KeyColumns("missing"), (std::vector<std::string>{"(no index information)"}));
}

TEST_P(TCatalogTest, OtherSchemaInformation) {
  std::unique_ptr<DB::TDataSet> Tables(FDb->GetSchemaInfo(TOVSchemaType::siTables, "uniq%"));
  ASSERT_NE(Tables, nullptr);
  EXPECT_EQ(Tables->RecordCount(), 1);
  EXPECT_EQ(Tables->FieldByName("TABLE_NAME")->GetAsString(), "uniq2");
  std::unique_ptr<DB::TDataSet> Cols(FDb->GetSchemaInfo(TOVSchemaType::siColumns, "customer"));
  ASSERT_NE(Cols, nullptr);
  EXPECT_EQ(Cols->RecordCount(), 3);
  Cols->Next();
  EXPECT_EQ(Cols->FieldByName("COLUMN_NAME")->GetAsString(), "name");
  EXPECT_EQ(Cols->FieldByName("FIELD_TYPE")->GetAsString(), "ftString");
  EXPECT_EQ(Cols->FieldByName("SIZE")->GetAsInteger(), 40);
  EXPECT_FALSE(Cols->FieldByName("NULLABLE")->GetAsBoolean());
  EXPECT_EQ(FDb->GetSchemaInfo(TOVSchemaType::siColumns, "missing"), nullptr);
}

TEST_P(TCatalogTest, BatchAnswersFromOneReadUntilItEnds) {
  FDb->Open();
  const auto Before = Fields("customer");
  std::unique_ptr<DB::TDataSet> Outside(FDb->GetSchemaInfo(TOVSchemaType::siIndexes, "uniq2"));
  FDb->BeginCatalogBatch();
  EXPECT_EQ(Fields("customer"), Before);
  EXPECT_EQ(Fields("CUSTOMER"), Before);
  EXPECT_EQ(Fields("Name With Blanks"), (std::vector<std::string>{"First Col", "second"}));
  EXPECT_EQ(KeyColumns("uniq2"), (std::vector<std::string>{"a", "b"}));
  EXPECT_EQ(KeyColumns("order"), std::vector<std::string>{});
  EXPECT_EQ(FDb->CatalogBatchInfo().Tables, 6);

  // Someone else changes the catalog: the batch keeps what it read...
  Script("alter table customer add column email varchar(60)");
  EXPECT_EQ(Fields("customer"), Before);
  // ...nesting shares it...
  FDb->BeginCatalogBatch();
  FDb->EndCatalogBatch();
  EXPECT_EQ(Fields("customer"), Before);
  FDb->EndCatalogBatch();
  // ...and outside a batch the server is asked afresh.
  EXPECT_EQ(Fields("customer").size(), Before.size() + 1);
  FDb->EndCatalogBatch(); // unmatched: ignored
  EXPECT_FALSE(FDb->InCatalogBatch());
}

TEST_P(TCatalogTest, HoldKeepsWhatATableTextWasAskedUntilItEnds) {
  FDb->Open();
  FDb->BeginCatalogHold();
  EXPECT_TRUE(FDb->CatalogHeld());
  const auto Before = Fields("customer");
  EXPECT_EQ(KeyColumns("order"), std::vector<std::string>{});
  const auto Described = FDb->DescribeTable("customer");
  ASSERT_TRUE(Described.has_value());
  Script("alter table customer add column email varchar(60)");
  Script("create unique index order_select on \"order\" (\"select\")");
  EXPECT_EQ(Fields("customer"), Before);
  EXPECT_EQ(KeyColumns("order"), std::vector<std::string>{});
  EXPECT_EQ(FDb->DescribeTable("customer")->Columns.size(), Described->Columns.size());
  // Another text is another question, asked of the server.
  EXPECT_EQ(Fields("CUSTOMER").size(), Before.size() + 1);
  FDb->BeginCatalogHold();
  FDb->EndCatalogHold();
  EXPECT_EQ(Fields("customer"), Before);
  FDb->EndCatalogHold();
  EXPECT_FALSE(FDb->CatalogHeld());
  EXPECT_EQ(Fields("customer").size(), Before.size() + 1);
  EXPECT_EQ(KeyColumns("order"), std::vector<std::string>{"select"});
  FDb->EndCatalogHold(); // unmatched: ignored
}

// What describing a table read answers that table text's other questions
// while the catalogue is held: one read serves the dialog and the check
// before it. A text that found nothing is asked again.
TEST_P(TCatalogTest, HoldAnswersATableTextFromItsDescription) {
  FDb->Open();
  FDb->BeginCatalogHold();
  const auto Described = FDb->DescribeTable("customer");
  ASSERT_TRUE(Described.has_value());
  EXPECT_FALSE(FDb->DescribeTable("latecomer").has_value());
  Script("alter table customer add column email varchar(60)");
  Script("create table latecomer (x integer primary key)");
  EXPECT_EQ(Fields("customer").size(), Described->Columns.size());
  EXPECT_EQ(KeyColumns("customer"), (std::vector<std::string>{"id"}));
  EXPECT_EQ(FDb->DescribeTable("customer")->Columns.size(), Described->Columns.size());
  EXPECT_TRUE(FDb->DescribeTable("latecomer").has_value());
  FDb->EndCatalogHold();
  EXPECT_EQ(Fields("customer").size(), Described->Columns.size() + 1);
}

// The hold's own description, read in place: the same one for every ask of
// the text, the one DescribeTable copies, standing still until the hold ends.
TEST_P(TCatalogTest, HeldTableInfoIsTheHoldsDescriptionInPlace) {
  FDb->Open();
  EXPECT_EQ(FDb->HeldTableInfo("customer"), nullptr); // no hold
  FDb->BeginCatalogHold();
  const OVEngine::TOVTableInfo* Held = FDb->HeldTableInfo("customer");
  ASSERT_NE(Held, nullptr);
  EXPECT_EQ(Held->Table.Name, "customer");
  EXPECT_EQ(Held->Columns.size(), 3u);
  EXPECT_EQ(FDb->HeldTableInfo("nosuch"), nullptr);
  Script("alter table customer add column email varchar(60)");
  Script("create table nosuch (x integer primary key)");
  EXPECT_EQ(FDb->HeldTableInfo("customer"), Held);
  const auto Copy = FDb->DescribeTable("customer");
  ASSERT_TRUE(Copy.has_value());
  EXPECT_EQ(Copy->Columns.size(), Held->Columns.size());
  EXPECT_EQ(Copy->Indexes.size(), Held->Indexes.size());
  // The text's other questions, and those by the table's exact name, answer
  // from it.
  EXPECT_EQ(Fields("customer").size(), 3u);
  EXPECT_EQ(Fields(OVDriver::WriteTableName(FDb->Connection(), Held->Table, true, true)).size(),
            3u);
  EXPECT_NE(FDb->HeldTableInfo("nosuch"), nullptr); // a miss is asked again
  // A batch inside the hold answers from its own reading.
  FDb->BeginCatalogBatch();
  EXPECT_EQ(FDb->HeldTableInfo("customer"), nullptr);
  FDb->EndCatalogBatch();
  FDb->EndCatalogHold();
  EXPECT_EQ(FDb->HeldTableInfo("customer"), nullptr);
  EXPECT_EQ(Fields("customer").size(), 4u);
}

TEST_P(TCatalogTest, BatchAsksTheServerForNamesItDoesNotKnow) {
  FDb->Open();
  FDb->BeginCatalogBatch();
  EXPECT_EQ(Fields("customer").size(), 3u);
  Script("create table latecomer (x integer primary key)");
  EXPECT_EQ(Fields("latecomer"), (std::vector<std::string>{"x"}));
  EXPECT_EQ(KeyColumns("latecomer"), (std::vector<std::string>{"x"}));
  EXPECT_TRUE(Fields("still_missing").empty());
  FDb->EndCatalogBatch();
}

TEST_P(TCatalogTest, StoredProcedureNamesAndOwners) {
  Classes::TStringList L;
  if (IsPg())
    Script("create function add_one(x integer) returns integer language sql as $$ select x + 1 "
           "$$");
  Session()->GetStoredProcNames("DB1", &L);
  EXPECT_EQ(Lines(L), IsPg() ? std::vector<std::string>{"add_one"} : std::vector<std::string>{});
  EXPECT_TRUE(FDb->IsObjOwnerSupported());
}

INSTANTIATE_TEST_SUITE_P(Servers, TCatalogTest,
                         ::testing::Values(TOVServerType::stSQLite, TOVServerType::stPostgreSQL),
                         ServerName);

} // namespace
