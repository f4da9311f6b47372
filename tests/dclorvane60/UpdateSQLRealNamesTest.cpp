// The UpdateSQL editor on schemas written the way PostgreSQL and SQLite
// users write them: names in quotes, mixed case, reserved words, blanks,
// dots and line breaks inside names, owners, columns the server computes,
// keys that may be null, tables without any index. Every statement the
// dialog writes is run on the server (prepared, then for a row in a
// transaction that is rolled back).
#include "UpdateSQLTestUtil.hpp"

#include "rtl/TypInfo.hpp"

using namespace UpdateSQLTest;
using namespace OVUpdSEd;

namespace {

using TNames = std::vector<std::string>;

class UpdateSQLRealNames : public ::testing::TestWithParam<TOVServerType> {
protected:
  void SetUp() override {
    if (IsPg())
      OV_REQUIRE_PG();
    FServer = std::make_unique<TServerDatabase>(GetParam());
  }

  bool IsPg() const { return GetParam() == TOVServerType::stPostgreSQL; }
  void Script(const std::string& SQL) { FServer->Direct()->ExecuteScript(SQL); }

  // The dialog over "select * from TABLE", as a person fills it: the table
  // box holds the table as the SQL names it, Get Table Fields, Select
  // Primary Keys, the quote option, Generate SQL.
  Forms::TFormPtr<TOVUpdateSQLEditForm> Generate(TDesign& Design, const std::string& Table,
                                                 bool Quote, bool Returning = false) {
    Design.Query->GetSQL()->Clear();
    Design.Query->GetSQL()->Add("select * from " + Table);
    auto Form = OpenEditor(Design.Update);
    EXPECT_EQ(Form->cbTableName->GetText(), Table);
    Form->btGetTableFields->Click();
    Form->btSelectPrimKeys->Click();
    Form->cbQuotedFields->SetChecked(Quote);
    Form->SetReturnServerValues(Returning);
    Form->btGenerateSQL->Click();
    return Form;
  }

  static TOVUpdateStatements StatementsOf(const TOVUpdateSQLEditForm& Form) {
    TOVUpdateStatements S;
    S.Table = Form.cbTableName->GetText();
    S.Query = "select * from " + S.Table;
    for (int I = 0; I < 4; ++I) {
      std::string Text = Form.Statement(I)->GetText();
      S.Statements[static_cast<size_t>(I)] = Text;
    }
    return S;
  }

  // Runs the dialog's statements; the table must have a row for them.
  void ExpectTheyRun(TDesign& Design, const TOVUpdateSQLEditForm& Form,
                     const std::string& Note = "") {
    const TOVUpdateStatements S = StatementsOf(Form);
    SCOPED_TRACE(S.Statements[0] + "\n" + S.Statements[1] + "\n" + S.Statements[2] + "\n" +
                 S.Statements[3]);
    const auto Result = VerifyUpdateStatements(*Design.Db, {S});
    EXPECT_EQ(Result[0].Error, "");
    EXPECT_EQ(Result[0].Note, Note);
  }

  std::unique_ptr<TServerDatabase> FServer;
};

// The table box holds a quoted name as the query's SQL writes it; the key is
// found and the statements run, with and without the quote option.
TEST_P(UpdateSQLRealNames, QuotedTableNamesFindTheirKeysAndTheStatementsRun) {
  Script(R"sql(
    create table "Order Details" ("Order Id" integer, "Line" integer, qty integer,
                                  primary key ("Order Id", "Line"));
    insert into "Order Details" values (1, 1, 5);
    create table "MixedCase" ("Id" integer primary key, "Value" varchar(10));
    insert into "MixedCase" values (1, 'x');
    create table "order" (id integer primary key, "user" varchar(10), "group" integer);
    insert into "order" values (1, 'me', 2);
    create table "quote""d" ("a""b" integer primary key, "c d" varchar(5));
    insert into "quote""d" values (1, 'x');
  )sql");
  if (IsPg())
    Script(R"sql(create schema "Sales";
      create table "Sales"."Orders" ("OrderNo" integer primary key, total numeric(10, 2));
      insert into "Sales"."Orders" values (7, 1.5))sql");
  std::vector<std::pair<std::string, TNames>> Tables = {{"\"Order Details\"", {"Order Id", "Line"}},
                                                        {"\"MixedCase\"", {"Id"}},
                                                        {"\"order\"", {"id"}},
                                                        {"\"quote\"\"d\"", {"a\"b"}}};
  if (IsPg())
    Tables.push_back({"\"Sales\".\"Orders\"", {"OrderNo"}});
  TDesign Design(*FServer, "select 1");
  for (const auto& [Table, Key] : Tables)
    for (const bool Quote : {false, true}) {
      SCOPED_TRACE(Table + (Quote ? " quoted" : ""));
      auto Form = Generate(Design, Table, Quote);
      EXPECT_EQ(SelectedItems(Form->lbKeyFields), Key);
      ExpectTheyRun(Design, *Form);
    }
}

// Connected, names go into statements as the server must read them: each part
// quoted on its own, spelled as the catalogue stores it, and quoted without
// the option where the server would read them otherwise.
TEST_P(UpdateSQLRealNames, NamesAreWrittenAsTheCatalogueStoresThem) {
  // SQLite ignores case, so its mixed-case table needs a name of its own.
  const std::string Mixed = IsPg() ? "Customer" : "People";
  Script("create table customer (id integer primary key, name varchar(20));"
         "insert into customer values (1, 'Ann');"
         "create table \"" +
         Mixed +
         "\" (\"CustId\" integer primary key, \"user\" varchar(10),"
         "\"first name\" varchar(10), plain integer);"
         "insert into \"" +
         Mixed + "\" values (1, 'u', 'f', 3);");
  TDesign Design(*FServer, "select 1");
  {
    auto Form = Generate(Design, "CUSTOMER", true);
    // PostgreSQL folds the bare name to customer; SQLite ignores its case.
    EXPECT_EQ(Form->Statement(usDelete)->Get(0), "delete from \"customer\"");
    ExpectTheyRun(Design, *Form);
  }
  {
    auto Form = Generate(Design, "\"" + Mixed + "\"", false);
    const std::string Modify = Form->Statement(usModify)->GetText();
    if (IsPg()) {
      EXPECT_EQ(Modify, "update \"Customer\"\nset\n  \"CustId\" = :CustId,\n  \"user\" = :user,\n"
                        "  \"first name\" = :\"first name\",\n  plain = :plain\nwhere\n"
                        "  \"CustId\" = :OLD_CustId\n");
    } else {
      // SQLite ignores case, and "user" is no keyword of its: only the blank
      // needs quotes.
      EXPECT_EQ(Modify, "update People\nset\n  CustId = :CustId,\n  user = :user,\n"
                        "  \"first name\" = :\"first name\",\n  plain = :plain\nwhere\n"
                        "  CustId = :OLD_CustId\n");
    }
    ExpectTheyRun(Design, *Form);
  }
  if (IsPg()) {
    Script("create schema \"Mixed Schema\"; create table \"Mixed Schema\".\"Odd Table\" (k integer "
           "primary key); insert into \"Mixed Schema\".\"Odd Table\" values (1)");
    auto Form = Generate(Design, "\"Mixed Schema\".\"Odd Table\"", true);
    EXPECT_EQ(Form->Statement(usDelete)->Get(0), "delete from \"Mixed Schema\".\"Odd Table\"");
    ExpectTheyRun(Design, *Form);
  }
}

// Without a connection the statements are written as typed, as the worked
// example has them.
TEST_P(UpdateSQLRealNames, WithoutAConnectionNamesStayAsTyped) {
  Script("create table \"MixedCase\" (\"Id\" integer primary key, \"user\" varchar(10))");
  TDesign Design(*FServer, "select \"Id\", \"user\" from \"MixedCase\"");
  auto Form = OpenEditor(Design.Update);
  ASSERT_FALSE(Design.Db->GetConnected());
  Form->btGenerateSQL->Click();
  EXPECT_EQ(Form->Statement(usDelete)->GetText(),
            "delete from \"MixedCase\"\nwhere\n  Id = :OLD_Id and\n  user = :OLD_user\n");
}

// Columns the server computes are listed, not selected for update, and never
// written by insert or modify; refresh reads them when they are selected.
TEST_P(UpdateSQLRealNames, ComputedColumnsAreNeverWritten) {
  if (IsPg())
    Script(R"sql(create table gen (id integer generated always as identity primary key,
                   a integer, doubled integer generated always as (a * 2) stored,
                   b integer generated by default as identity);
                 insert into gen (a) values (4))sql");
  else
    Script(R"sql(create table gen (id integer primary key, a integer,
                   doubled integer generated always as (a * 2) stored,
                   later integer as (a + 1));
                 insert into gen (a) values (4))sql");
  TDesign Design(*FServer, "select 1");
  auto Form = Generate(Design, "gen", false);
  EXPECT_EQ(Items(Form->lbUpdateFields),
            (IsPg() ? TNames{"id", "a", "doubled", "b"} : TNames{"id", "a", "doubled", "later"}));
  EXPECT_EQ(SelectedItems(Form->lbUpdateFields), (IsPg() ? TNames{"a", "b"} : TNames{"id", "a"}));
  // An identity key GENERATED ALWAYS is the server's to choose.
  const std::string Note = IsPg() ? "insert added the row under a key the server chose, so "
                                    "refresh could not look for it again"
                                  : "";
  ExpectTheyRun(Design, *Form, Note);
  // Selected by hand, refresh reads them; insert and modify still leave them.
  Form->pmFields->PopupFor(Form->lbUpdateFields);
  Form->miSelectAll->Click();
  Form->btGenerateSQL->Click();
  EXPECT_NE(Form->Statement(usRefresh)->GetText().find("doubled"), std::string::npos);
  EXPECT_EQ(Form->Statement(usInsert)->GetText().find("doubled"), std::string::npos);
  EXPECT_EQ(Form->Statement(usModify)->GetText().find("doubled"), std::string::npos);
  ExpectTheyRun(Design, *Form, Note);
}

// A key taken from a unique index whose column may be null finds the row
// whose key is null.
TEST_P(UpdateSQLRealNames, ANullableUniqueKeyFindsARowWhoseKeyIsNull) {
  Script("create table coded (code varchar(10), v integer);"
         "create unique index coded_code on coded (code);"
         "insert into coded values (null, 1);"
         "create table pk (id integer not null primary key, v integer);"
         "insert into pk values (1, 1)");
  TDesign Design(*FServer, "select 1");
  auto Form = Generate(Design, "coded", false);
  EXPECT_EQ(SelectedItems(Form->lbKeyFields), TNames{"code"});
  EXPECT_EQ(Form->Statement(usDelete)->Get(2),
            IsPg() ? "  code is not distinct from :OLD_code" : "  code is :OLD_code");
  ExpectTheyRun(Design, *Form);
  // Primary key and NOT NULL columns keep "=".
  auto Keyed = Generate(Design, "pk", false);
  EXPECT_EQ(Keyed->Statement(usDelete)->Get(2), "  id = :OLD_id");
}

// Select Primary Keys on a table without any index selects no key.
TEST_P(UpdateSQLRealNames, ATableWithoutAnyIndexHasNoKeySelected) {
  Script("create table bare (u integer, v varchar(10))");
  TDesign Design(*FServer, "select * from bare");
  auto Form = OpenEditor(Design.Update);
  Form->btGetTableFields->Click();
  EXPECT_EQ(SelectedItems(Form->lbKeyFields), (TNames{"u", "v"}));
  Form->btSelectPrimKeys->Click();
  EXPECT_EQ(SelectedItems(Form->lbKeyFields), TNames{});
}

// Names with a dot, a blank, a line break or a quote reach the statements
// byte for byte, and the statements run on the table so named.
TEST_P(UpdateSQLRealNames, HostileNamesRoundTrip) {
  Script("create table \"sch.tab\" (literal integer primary key, v varchar(5));"
         "insert into \"sch.tab\" values (1, 'x');"
         "create table \" \" (\" \" integer primary key, \"a\rb\" varchar(5));"
         "insert into \" \" values (1, 'y');"
         "create table \"a\rb\" (id integer primary key);"
         "insert into \"a\rb\" values (1)");
  if (IsPg())
    Script("create schema sch; create table sch.tab (other integer primary key);"
           "insert into sch.tab values (9)");
  TDesign Design(*FServer, "select 1");
  for (const std::string Table : {"\"sch.tab\"", "\" \"", "\"a\rb\""})
    for (const bool Quote : {false, true}) {
      SCOPED_TRACE(Table + (Quote ? " quoted" : ""));
      auto Form = Generate(Design, Table, Quote);
      EXPECT_EQ(Form->Statement(usDelete)->Get(0), "delete from " + Table);
      ExpectTheyRun(Design, *Form);
    }
  if (IsPg()) {
    // The schema reading of the same text names the other table.
    auto Form = Generate(Design, "sch.tab", false);
    EXPECT_EQ(SelectedItems(Form->lbKeyFields), TNames{"other"});
    ExpectTheyRun(Design, *Form);
  }
}

// The refresh statement's two-line first entry comes back from the SQL page
// as two entries; a lone CR inside a name stays where it is.
TEST_P(UpdateSQLRealNames, TheSQLPageKeepsLinesAndNames) {
  Script("create table \"a\rb\" (id integer primary key, v integer)");
  TDesign Design(*FServer, "select 1");
  auto Form = Generate(Design, "\"a\rb\"", false);
  EXPECT_EQ(Form->Statement(usRefresh)->Get(0), "select id, v\r\nfrom \"a\rb\"");
  Form->pcUpdateSQL->SetActivePage(Form->tsSQL);
  Form->StatementTypeClick(nullptr);
  Form->SQLTextExit(nullptr);
  EXPECT_EQ(Form->Statement(usRefresh)->ToVector(),
            (TNames{"select id, v", "from \"a\rb\"", "where", "  id = :OLD_id"}));
}

// Returning: insert and modify end by handing back what the server assigns,
// and a dataset posting through them reads it back.
TEST_P(UpdateSQLRealNames, ReturningHandsServerValuesBackToTheDataset) {
  if (IsPg())
    Script("create table auto (id integer generated by default as identity primary key, a "
           "integer, doubled integer generated always as (a * 2) stored)");
  else
    Script("create table auto (id integer primary key, a integer, doubled integer generated "
           "always as (a * 2) stored)");
  TDesign Design(*FServer, "select 1");
  {
    auto Form = Generate(Design, "auto", false, true);
    EXPECT_EQ(Form->Statement(usInsert)->ToVector(),
              (TNames{"insert into auto", "  (id, a)", "values", "  (:id, :a)",
                      "returning id, doubled"}));
    EXPECT_EQ(Form->Statement(usModify)->ToVector().back(), "returning id, doubled");
    Form->SaveStatements();
  }
  Design.Query->GetSQL()->SetText("select * from auto");
  Design.Query->Open();
  Design.Query->Append();
  Design.Query->FieldByName("a")->SetAsInteger(21);
  // An identity BY DEFAULT column takes what the insert gives; SQLite's
  // rowid column takes a value of its own for a null.
  if (IsPg())
    Design.Query->FieldByName("id")->SetAsInteger(5);
  Design.Query->Post();
  EXPECT_EQ(Design.Query->FieldByName("doubled")->GetAsInteger(), 42);
  EXPECT_EQ(Design.Query->FieldByName("id")->GetAsInteger(), IsPg() ? 5 : 1);
  Design.Query->Edit();
  Design.Query->FieldByName("a")->SetAsInteger(50);
  Design.Query->Post();
  EXPECT_EQ(Design.Query->FieldByName("doubled")->GetAsInteger(), 100);
  Design.Query->Close();
  EXPECT_EQ(Snapshot(*FServer->Direct(), "auto"),
            (TNames{IsPg() ? "a=i:50, doubled=i:100, id=i:5" : "a=i:50, doubled=i:100, id=i:1"}));
}

INSTANTIATE_TEST_SUITE_P(Servers, UpdateSQLRealNames,
                         ::testing::Values(TOVServerType::stSQLite, TOVServerType::stPostgreSQL),
                         EngineTestUtil::ServerName);

} // namespace
