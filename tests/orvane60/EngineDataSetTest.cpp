// Queries, macro queries, tables, update objects, scripts and field info on
// both servers; stored procedures on PostgreSQL.
#include "orvane60/OVCommon.hpp"
#include "orvane60/OVSqlParse.hpp"

#include "orvane60/EngineTestUtil.hpp"

#include <fstream>

using namespace OVEngine;
using namespace EngineTestUtil;
using DB::TVariant;

namespace {

const char* const Schema =
    "create table customer (id integer primary key, name varchar(40) not null, city "
    "varchar(30));"
    "insert into customer values (1, 'Ann', 'Oslo');"
    "insert into customer values (2, 'Bob', 'Rome');"
    "insert into customer values (3, 'Cid', 'Oslo');"
    "create table order_items (order_id integer not null, line_no integer not null, item "
    "varchar(50), qty integer, primary key (order_id, line_no));"
    "insert into order_items values (1, 1, 'pen', 2);"
    "insert into order_items values (1, 2, 'ink', 1);"
    "insert into order_items values (3, 1, 'pad', 5);"
    "create table \"Name With Blanks\" (\"First Col\" integer, second varchar(5));"
    "insert into \"Name With Blanks\" values (7, 'x');";

class TDataSetTest : public TEngineTest {
protected:
  void SetUp() override { SetUpWithSchema(Schema); }

  template <class T> T* Make(const std::string& Name) {
    auto* C = new T(FForm.get());
    C->SetName(Name);
    if constexpr (std::is_base_of_v<TOVDataSet, T> || std::is_same_v<T, TOVScript>)
      C->SetDatabaseName("DB1");
    return C;
  }

  int64_t Count(const std::string& SQL) {
    auto Rows = FServer->Direct()->Query(SQL);
    Rows->Next();
    return Rows->Value(0).AsInteger();
  }

  std::string Column(DB::TDataSet* DS, const std::string& Field) {
    std::string Result;
    for (DS->First(); !DS->Eof(); DS->Next())
      Result += (Result.empty() ? "" : ",") + DS->FieldByName(Field)->GetAsString();
    return Result;
  }
};

// Queries -----------------------------------------------------------------------

TEST_P(TDataSetTest, QueryWithParametersFetchesTypedRows) {
  auto* Q = Make<TOVQuery>("Q");
  Q->GetSQL()->SetText("select id, name, city from customer\nwhere city = :City and id > :MinId "
                       "order by id");
  ASSERT_EQ(Q->GetParams()->Names(), (std::vector<std::string>{"City", "MinId"}));
  Q->ParamByName("city")->SetAsString("Oslo");
  Q->ParamByName("MINID")->SetAsInteger(0);
  Q->Open();
  EXPECT_TRUE(FDb->GetConnected());
  EXPECT_EQ(Q->Database(), FDb);
  EXPECT_EQ(Q->RecordCount(), 2);
  EXPECT_EQ(Column(Q, "name"), "Ann,Cid");
  EXPECT_TRUE(Q->FieldByName("ID")->Is<DB::TNumericField>());
  EXPECT_TRUE(Q->FieldByName("NAME")->Is<DB::TStringField>());
  EXPECT_EQ(Q->FieldByName("NAME")->GetSize(), 40);
  Q->Close();
  Q->ParamByName("City")->SetNull();
  Q->Open();
  EXPECT_TRUE(Q->IsEmpty());
}

TEST_P(TDataSetTest, ParametersFollowTheSQLAndMustHaveValues) {
  auto* Q = Make<TOVQuery>("Q");
  Q->GetSQL()->SetText("select * from customer where id = :id or id = :ID + 1 or name = :name");
  EXPECT_EQ(Q->GetParams()->Names(), (std::vector<std::string>{"id", "name"}));
  Q->ParamByName("id")->SetAsInteger(1);
  Q->GetSQL()->SetText("select * from customer where id = :id or city = ':not_a_param' -- :nor");
  EXPECT_EQ(Q->GetParams()->Names(), (std::vector<std::string>{"id"}));
  EXPECT_EQ(Q->ParamByName("id")->GetAsInteger(), 1);
  Q->GetSQL()->SetText("select * from customer where id = :id or name = :name");
  EXPECT_EQ(ErrorOf([&] { Q->Open(); }), "Q: No value for parameter 'name'");
  EXPECT_FALSE(Q->GetActive());
  Q->ParamByName("name")->SetAsString("Bob");
  Q->Open();
  EXPECT_EQ(Column(Q, "id"), "1,2");
  // Changing the SQL of an open query closes it.
  Q->GetSQL()->Add("and 1 = 1");
  EXPECT_FALSE(Q->GetActive());
  if (IsPg()) {
    Q->GetSQL()->SetText("select '12'::integer as n");
    EXPECT_EQ(Q->ParamCount(), 0);
  }
}

TEST_P(TDataSetTest, ExecSQLChangesRowsAndCountsThem) {
  auto* Q = Make<TOVQuery>("Q");
  Q->GetSQL()->SetText("update customer set city = :city where city = :old");
  Q->ParamByName("city")->SetAsString("Bergen");
  Q->ParamByName("old")->SetAsString("Oslo");
  Q->ExecSQL();
  EXPECT_EQ(Q->RowsAffected(), 2);
  EXPECT_EQ(Count("select count(*) from customer where city = 'Bergen'"), 2);
  Q->GetSQL()->SetText("select count(*) as n from customer");
  Q->Open();
  EXPECT_EQ(Q->FieldByName("n")->GetAsInteger(), 3);
  Q->Close();
  Q->GetSQL()->SetText("delete from customer where id = 99");
  EXPECT_NE(ErrorOf([&] { Q->Open(); }).find("ExecSQL"), std::string::npos);
}

TEST_P(TDataSetTest, ServerErrorsNameTheComponentAndKeepItClosed) {
  auto* Q = Make<TOVQuery>("Broken");
  Q->GetSQL()->SetText("select nope from customer");
  const std::string Error = ErrorOf([&] { Q->Open(); });
  EXPECT_EQ(Error.rfind("Broken: ", 0), 0u) << Error;
  EXPECT_NE(Error.find("nope"), std::string::npos) << Error;
  EXPECT_FALSE(Q->GetActive());
  Q->SetDatabaseName("Elsewhere");
  EXPECT_EQ(ErrorOf([&] { Q->Open(); }), "Database 'Elsewhere' not found in session 'Default'");
}

TEST_P(TDataSetTest, DuplicateColumnNamesAndExpressions) {
  auto* Q = Make<TOVQuery>("Q");
  Q->GetSQL()->SetText("select c.id, o.order_id as id, count(*) as n, 1.5 as f, null as z "
                       "from customer c join order_items o on o.order_id = c.id "
                       "group by c.id, o.order_id order by c.id");
  Q->Open();
  Classes::TStringList Names;
  Q->GetFieldNames(&Names);
  EXPECT_EQ(Names.GetCommaText(), "id,id_1,n,f,z");
  EXPECT_EQ(Q->FieldByName("n")->GetAsInteger(), 2);
  EXPECT_DOUBLE_EQ(Q->FieldByName("f")->GetAsFloat(), 1.5);
  EXPECT_TRUE(Q->FieldByName("z")->IsNull());
}

TEST_P(TDataSetTest, MacrosExpandBeforeTheStatementRuns) {
  auto* Q = Make<TOVMacroQuery>("M");
  Q->GetSQL()->SetText("select name from %tab where %cond order by %ord -- %not_a_macro\n");
  EXPECT_EQ(Q->GetMacros()->Names(), (std::vector<std::string>{"tab", "cond", "ord"}));
  EXPECT_EQ(Q->ParamCount(), 0);
  Q->MacroByName("tab")->SetAsString("customer");
  Q->MacroByName("cond")->SetAsString("city = :city");
  Q->MacroByName("ord")->SetAsString("name desc");
  EXPECT_EQ(Q->GetParams()->Names(), (std::vector<std::string>{"city"}));
  Q->ParamByName("city")->SetAsString("Oslo");
  Q->Open();
  EXPECT_EQ(Column(Q, "name"), "Cid,Ann");
  EXPECT_EQ(Q->GetStatementText(),
            "select name from customer where city = :city order by name desc -- %not_a_macro\n");
  Q->Close();
  Q->SetMacroChar('#');
  EXPECT_TRUE(Q->GetMacros()->Names().empty());
  EXPECT_THROW(Q->SetMacroChar('a'), DB::EDatabaseError);
}

// Tables -------------------------------------------------------------------------

TEST_P(TDataSetTest, TablesOpenByNameInTheirIndexOrder) {
  auto* T = Make<TOVTable>("T");
  T->SetTableName("ORDER_ITEMS");
  T->Open();
  EXPECT_EQ(T->RecordCount(), 3);
  ASSERT_EQ(T->GetIndexFieldCount(), 2);
  EXPECT_EQ(T->GetIndexField(0)->GetFieldName(), "order_id");
  EXPECT_EQ(T->GetIndexField(1)->GetFieldName(), "line_no");
  EXPECT_EQ(Column(T, "item"), "pen,ink,pad");
  EXPECT_FALSE(T->PSIsSQLBased());
  EXPECT_EQ(T->PSGetKeyFields(), "order_id;line_no");
  T->SetIndexFieldNames("ITEM");
  EXPECT_TRUE(T->GetActive());
  EXPECT_EQ(Column(T, "item"), "ink,pad,pen");
  EXPECT_EQ(T->GetIndexFieldCount(), 1);
  EXPECT_THROW(T->GetIndexField(1), Classes::EListError);
  EXPECT_EQ(ErrorOf([&] { T->SetIndexFieldNames("item;no_such_field"); }),
            "T: Field 'no_such_field' not found");
  EXPECT_TRUE(T->GetActive());
  EXPECT_EQ(T->GetIndexFieldNames(), "ITEM");

  auto* B = Make<TOVTable>("B");
  B->SetTableName("Name With Blanks");
  B->Open();
  EXPECT_EQ(B->FieldByName("First Col")->GetAsInteger(), 7);
  EXPECT_EQ(B->GetIndexFieldCount(), 0);

  auto* Missing = Make<TOVTable>("Missing");
  Missing->SetTableName("nowhere");
  EXPECT_EQ(ErrorOf([&] { Missing->Open(); }), "Missing: Table 'nowhere' not found in database "
                                               "'DB1'");
}

TEST_P(TDataSetTest, IndexDefsAndIndexNames) {
  Script("create unique index items_by_item on order_items (item)");
  auto* T = Make<TOVTable>("T");
  T->SetTableName("order_items");
  T->GetIndexDefs()->Update();
  ASSERT_EQ(T->GetIndexDefs()->Count(), 2);
  const DB::TIndexDef* Primary = T->GetIndexDefs()->PrimaryIndex();
  ASSERT_NE(Primary, nullptr);
  EXPECT_EQ(Primary->GetFields(), "order_id;line_no");
  EXPECT_TRUE(Primary->GetOptions().Contains(DB::TIndexOption::ixUnique));
  T->SetIndexName("ITEMS_BY_ITEM");
  T->Open();
  EXPECT_EQ(Column(T, "item"), "ink,pad,pen");
  T->SetIndexName("");
  EXPECT_EQ(Column(T, "item"), "pen,ink,pad");
  EXPECT_EQ(ErrorOf([&] { T->SetIndexName("no_such_index"); }),
            "T: Index 'no_such_index' not found");
  EXPECT_TRUE(T->GetActive());
  T->Close();
  T->SetIndexName("no_such_index");
  EXPECT_EQ(ErrorOf([&] { T->Open(); }), "T: Index 'no_such_index' not found");
}

TEST_P(TDataSetTest, DetailTableFollowsTheMastersCurrentRow) {
  auto* Master = Make<TOVTable>("Customers");
  Master->SetTableName("customer");
  auto* Source = new DB::TDataSource(FForm.get());
  Source->SetDataSet(Master);
  auto* Detail = Make<TOVTable>("Items");
  Detail->SetTableName("order_items");
  Detail->SetMasterSource(Source);
  Detail->SetMasterFields("id");
  Master->Open();
  Detail->Open();
  EXPECT_EQ(Column(Detail, "item"), "pen,ink");
  Master->Next();
  EXPECT_TRUE(Detail->IsEmpty());
  Master->Next();
  EXPECT_EQ(Column(Detail, "item"), "pad");
  EXPECT_THROW(Master->SetMasterSource(Source), DB::EDatabaseError);
  delete Source;
  EXPECT_EQ(Detail->GetMasterSource(), nullptr);
}

TEST_P(TDataSetTest, WorkingCopyOfATableWithoutOwner) {
  // What the field link editor does: a private table copied from the
  // designed one, opened through the session.
  TOVTable Copy;
  Copy.SetSessionName("");
  Copy.SetDatabaseName("DB1");
  Copy.SetTableName("order_items");
  Copy.SetIndexName("");
  Copy.SetMasterFields("ID");
  Copy.Open();
  EXPECT_EQ(Copy.GetIndexFieldCount(), 2);
  EXPECT_EQ(Copy.RecordCount(), 3);
}

// Update objects -------------------------------------------------------------------

class TUpdateTest : public TDataSetTest {
protected:
  void SetUp() override {
    TDataSetTest::SetUp();
    if (IsSkipped() || HasFatalFailure())
      return;
    FQuery = Make<TOVQuery>("Q");
    FQuery->GetSQL()->SetText("select id as cust_id, name, city from customer order by id");
    FUpdate = new TOVUpdateSQL(FForm.get());
    FUpdate->SetName("U");
    FUpdate->GetModifySQL()->SetText(
        "update customer\nset\n  id = :CUST_ID,\n  name = :NAME,\n  city = :CITY\nwhere\n"
        "  id = :OLD_CUST_ID");
    FUpdate->GetInsertSQL()->SetText(
        "insert into customer\n  (id, name, city)\nvalues\n  (:CUST_ID, :NAME, :CITY)");
    FUpdate->GetDeleteSQL()->SetText("delete from customer\nwhere\n  id = :OLD_CUST_ID");
    FUpdate->GetRefreshSQL()->SetText(
        "select id as cust_id, name, city\nfrom customer\nwhere\n  id = :OLD_CUST_ID");
    FQuery->SetUpdateObject(FUpdate);
    FQuery->Open();
  }

  TOVQuery* FQuery = nullptr;
  TOVUpdateSQL* FUpdate = nullptr;
};

TEST_P(TUpdateTest, TheFourStatementsApplyToRealRows) {
  FQuery->Next(); // Bob
  FQuery->Edit();
  FQuery->FieldByName("CUST_ID")->SetAsInteger(20);
  FQuery->FieldByName("city")->SetAsString("Milan");
  FQuery->Post();
  EXPECT_EQ(Count("select count(*) from customer where id = 20 and city = 'Milan' and name = "
                  "'Bob'"),
            1);
  EXPECT_EQ(Count("select count(*) from customer where id = 2"), 0);

  FQuery->Append();
  FQuery->FieldByName("CUST_ID")->SetAsInteger(4);
  FQuery->FieldByName("NAME")->SetAsString("Dee");
  FQuery->Post();
  EXPECT_EQ(Count("select count(*) from customer where id = 4 and name = 'Dee' and city is "
                  "null"),
            1);

  FQuery->First();
  FQuery->Delete();
  EXPECT_EQ(Count("select count(*) from customer where id = 1"), 0);
  EXPECT_EQ(FQuery->RecordCount(), 3);

  Script("update customer set city = 'Paris' where id = 3");
  FQuery->First();
  while (FQuery->FieldByName("CUST_ID")->GetAsInteger() != 3)
    FQuery->Next();
  FUpdate->Refresh();
  EXPECT_EQ(FQuery->FieldByName("city")->GetAsString(), "Paris");
}

TEST_P(TUpdateTest, ARowChangedByAnotherUserIsNotOverwritten) {
  Script("update customer set id = 10 where id = 1");
  FQuery->First();
  FQuery->Edit();
  FQuery->FieldByName("NAME")->SetAsString("Annie");
  const std::string Error = ErrorOf([&] { FQuery->Post(); });
  EXPECT_NE(Error.find("changed no row"), std::string::npos) << Error;
  EXPECT_EQ(FQuery->State(), DB::TDataSetState::dsEdit);
  FQuery->Cancel();
  EXPECT_EQ(FQuery->FieldByName("NAME")->GetAsString(), "Ann");
  EXPECT_THROW(FQuery->Delete(), DB::EDatabaseError);
  EXPECT_EQ(FQuery->RecordCount(), 3);
}

TEST_P(TUpdateTest, MissingStatementsAndFieldsAreReported) {
  FUpdate->GetDeleteSQL()->Clear();
  EXPECT_NE(ErrorOf([&] { FQuery->Delete(); }).find("no delete statement"), std::string::npos);
  FUpdate->GetModifySQL()->SetText("update customer set name = :NICKNAME where id = :OLD_CUST_ID");
  FQuery->Edit();
  EXPECT_EQ(ErrorOf([&] { FQuery->Post(); }), "U: Parameter 'NICKNAME' names no field of Q");
  FQuery->Cancel();
  FQuery->SetUpdateObject(nullptr);
  FQuery->Edit();
  EXPECT_NE(ErrorOf([&] { FQuery->Post(); }).find("read-only"), std::string::npos);
}

// Scripts ------------------------------------------------------------------------

TEST_P(TDataSetTest, ScriptsSplitAtSemicolonsAndSlashLines) {
  auto* S = Make<TOVScript>("S");
  S->GetSQL()->SetText("-- set up; nothing here\n"
                       "create table notes (id integer, body varchar(40));\n"
                       "insert into notes values (1, 'a;b');\n"
                       "insert into notes values (2, '/')\n"
                       "/\n"
                       "/* ; */ insert into notes values (3, 'c')");
  EXPECT_EQ(S->Statements().size(), 4u);
  S->ExecSQL();
  EXPECT_EQ(S->StatementsExecuted(), 4);
  EXPECT_EQ(Count("select count(*) from notes"), 3);
  EXPECT_EQ(Count("select count(*) from notes where body = 'a;b'"), 1);

  S->GetSQL()->SetText("insert into notes values (4, 'd');\n\ninsert into nowhere values (1);\n"
                       "insert into notes values (5, 'e');");
  const std::string Error = ErrorOf([&] { S->ExecSQL(); });
  EXPECT_EQ(Error.rfind("S: Statement 2 of the script (line 3) failed: ", 0), 0u) << Error;
  EXPECT_EQ(S->StatementsExecuted(), 1);
  EXPECT_EQ(Count("select count(*) from notes"), 4);
}

TEST_P(TDataSetTest, ScriptBodiesWithSemicolonsStayWhole) {
  auto* S = Make<TOVScript>("S");
  if (IsPg())
    S->GetSQL()->SetText("create table log (msg text);\n"
                         "create function note(m text) returns void language plpgsql as $$\n"
                         "begin insert into log values (m); end; $$;\n"
                         "select note('hello');");
  else
    S->GetSQL()->SetText("create table log (msg text);\n"
                         "create trigger t_note after insert on customer begin\n"
                         "  insert into log values (case when new.city = 'Oslo' then 'os' "
                         "else 'x' end);\n"
                         "  insert into log values ('second');\n"
                         "end;\n"
                         "insert into customer values (9, 'Eve', 'Oslo');");
  EXPECT_EQ(S->Statements().size(), 3u);
  S->ExecSQL();
  EXPECT_EQ(Count("select count(*) from log"), IsPg() ? 1 : 2);
}

TEST(ScriptSplit, LinesAndUnterminatedText) {
  const auto Parts = SplitScript("a;\n\n  b\n/\nc 'unterminated;", OVSqlParse::TSqlDialect::SQLite);
  ASSERT_EQ(Parts.size(), 3u);
  EXPECT_EQ(Parts[1].Text, "b");
  EXPECT_EQ(Parts[1].Line, 3);
  EXPECT_EQ(Parts[2].Text, "c 'unterminated;");
  EXPECT_TRUE(SplitScript(" ;; -- only a comment\n", OVSqlParse::TSqlDialect::SQLite).empty());
}

// Field info -----------------------------------------------------------------------

TEST_P(TDataSetTest, FieldInfoFromSQLWithAndWithoutAConnection) {
  auto* Q = Make<TOVQuery>("Q");
  Classes::TStringList Fields, Tables, Loose;
  const std::string SQL = "select c.id as cust_id, c.name, o.*, count(*) as n "
                          "from customer c join order_items o on o.order_id = c.id "
                          "group by c.id, c.name";
  Q->ParseFieldInfoFromSQL(SQL, &Fields, &Tables, &Loose);
  // Origins name the table, as the update statements address it.
  EXPECT_EQ(Lines(Fields), (std::vector<std::string>{"cust_id=customer.id", "name=customer.name"}));
  EXPECT_EQ(Lines(Tables), (std::vector<std::string>{"c=customer", "o=order_items"}));
  EXPECT_EQ(Lines(Loose), (std::vector<std::string>{"n"}));

  FDb->Open();
  Q->ParseFieldInfoFromSQL(SQL, &Fields, &Tables, nullptr);
  EXPECT_EQ(Lines(Fields),
            (std::vector<std::string>{
                "cust_id=customer.id", "name=customer.name", "order_id=order_items.order_id",
                "line_no=order_items.line_no", "item=order_items.item", "qty=order_items.qty"}));
  Q->ParseFieldInfoFromSQL("select * from \"Name With Blanks\"", &Fields, &Tables, nullptr);
  EXPECT_EQ(Lines(Fields), (std::vector<std::string>{"First Col=\"Name With Blanks\".First Col",
                                                     "second=\"Name With Blanks\".second"}));
  EXPECT_EQ(Lines(Tables), (std::vector<std::string>{"\"Name With Blanks\"=\"Name With Blanks\""}));
  EXPECT_TRUE(Q->IsObjOwnerSupported());
  EXPECT_TRUE(Q->PSIsSQLBased());
}

// Stored procedures ------------------------------------------------------------------

TEST_P(TDataSetTest, StoredProceduresAreDescribedAndCalled) {
  auto* P = Make<TOVStoredProc>("P");
  if (!IsPg()) {
    P->SetStoredProcName("anything");
    EXPECT_EQ(ErrorOf([&] { P->Prepare(); }), "P: SQLite databases have no stored procedures");
    EXPECT_FALSE(P->GetPrepared());
    EXPECT_FALSE(P->DescriptionsAvailable());
    return;
  }
  Script("create function add_tax(amount numeric, rate numeric) returns numeric language sql "
         "as $$ select amount * (1 + rate) $$;"
         "create function split_name(full_name text, out first text, out last text) language sql "
         "as $$ select split_part(full_name, ' ', 1), split_part(full_name, ' ', 2) $$;"
         "create procedure bump(inout n integer) language plpgsql as $$ begin n := n + 1; end $$;"
         "create procedure touch(c integer) language sql as $$ update customer set city = 'T' "
         "where id = c $$;");
  P->SetStoredProcName("Add_Tax");
  EXPECT_EQ(P->GetParamsCount(), 0);
  P->Prepare();
  EXPECT_TRUE(P->GetPrepared());
  EXPECT_TRUE(P->DescriptionsAvailable());
  ASSERT_EQ(P->GetParams()->Names(), (std::vector<std::string>{"Result", "amount", "rate"}));
  EXPECT_EQ(P->GetParams()->Items(0)->GetParamType(), DB::TParamType::ptResult);
  EXPECT_EQ(P->GetParams()->Items(1)->GetDataType(), DB::TFieldType::ftBCD);
  P->ParamByName("amount")->SetAsFloat(100);
  P->ParamByName("rate")->SetAsString("0.25");
  P->ExecProc();
  EXPECT_DOUBLE_EQ(P->ParamByName("Result")->GetAsFloat(), 125);
  P->UnPrepare();
  EXPECT_FALSE(P->GetPrepared());
  EXPECT_TRUE(P->DescriptionsAvailable());

  P->SetStoredProcName("split_name");
  EXPECT_FALSE(P->DescriptionsAvailable());
  P->Prepare();
  P->ParamByName("full_name")->SetAsString("Ada Lovelace");
  P->ExecProc();
  EXPECT_EQ(P->ParamByName("first")->GetAsString(), "Ada");
  EXPECT_EQ(P->ParamByName("last")->GetAsString(), "Lovelace");

  P->SetStoredProcName("bump");
  P->Prepare();
  EXPECT_EQ(P->GetParams()->Items(0)->GetParamType(), DB::TParamType::ptInputOutput);
  P->ParamByName("n")->SetAsInteger(41);
  P->ExecProc();
  EXPECT_EQ(P->ParamByName("n")->GetAsInteger(), 42);

  P->SetStoredProcName("touch");
  P->Prepare();
  P->ParamByName("c")->SetAsInteger(2);
  P->ExecProc();
  EXPECT_EQ(Count("select count(*) from customer where city = 'T'"), 1);

  P->SetStoredProcName("no_such_proc");
  EXPECT_EQ(ErrorOf([&] { P->Prepare(); }), "P: Stored procedure 'no_such_proc' not found");
  EXPECT_FALSE(P->GetPrepared());
}

// Monitor ---------------------------------------------------------------------------

TEST_P(TDataSetTest, MonitorWritesEachStatementOnOneLine) {
  const auto Log = FServer->Dir().Path() / "sql.log";
  auto* M = new OVCommon::TOVMonitor(FForm.get());
  M->SetFileName(Log.string());
  M->SetActive(true);
  auto* Q = Make<TOVQuery>("Q");
  Q->GetSQL()->SetText("select name\n  from customer\nwhere id = :id");
  Q->ParamByName("id")->SetAsInteger(1);
  Q->Open();
  M->SetActive(false);
  Q->Close();
  Q->Open();
  std::ifstream In(Log);
  std::vector<std::string> Got;
  for (std::string Line; std::getline(In, Line);)
    Got.push_back(Line);
  ASSERT_EQ(Got.size(), 1u);
  EXPECT_EQ(Got[0].size(),
            24 + std::string("select name from customer where id = ").size() + (IsPg() ? 2 : 1));
  EXPECT_EQ(Got[0].substr(23, 14), " select name f");
}

INSTANTIATE_TEST_SUITE_P(Servers, TDataSetTest,
                         ::testing::Values(TOVServerType::stSQLite, TOVServerType::stPostgreSQL),
                         ServerName);
INSTANTIATE_TEST_SUITE_P(Servers, TUpdateTest,
                         ::testing::Values(TOVServerType::stSQLite, TOVServerType::stPostgreSQL),
                         ServerName);

} // namespace
