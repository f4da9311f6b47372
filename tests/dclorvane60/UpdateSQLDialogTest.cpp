// The UpdateSQL editor as a person uses it: EditUpdateSQL run under a
// scripted user interface over a real SQLite database (and PostgreSQL where
// the server matters).
#include "UpdateSQLTestUtil.hpp"

#include "orvane60/OVConsts.hpp"
#include "vcl/UIService.hpp"

using namespace UpdateSQLTest;
using Classes::TStringList;

namespace {

const char* const Schema = R"sql(
create table customer (id integer primary key, name varchar(40) not null, city varchar(30));
create table pair_key (a integer not null, b integer not null, c varchar(10), primary key (a, b));
create table uniq2 (x integer not null, y integer not null, z integer);
create unique index uniq2_y on uniq2 (y);
create unique index uniq2_x on uniq2 (x);
create table plain (p integer, q integer);
create index plain_p on plain (p);
create table bare (u integer, v text);
create table "My Table" ("Key Col" integer primary key, "Other" text);
create table padded ("ID  " integer primary key, "NAME " varchar(10));
insert into customer values (1, 'Ann', 'Oslo');
)sql";

struct TRun {
  bool Result = false;
  std::vector<std::string> Log;
  std::vector<int> Cursors;
};

// EditUpdateSQL under a script; the script must be used up.
TRun RunEditor(TOVUpdateSQL* Update, std::string_view Script) {
  ScriptedUI::TScriptedUI UI(Script, "ui-script");
  UIService::TUIServiceScope Scope(&UI);
  TRun Run;
  Run.Result = OVUpdSEd::EditUpdateSQL(Update);
  UI.CheckFinished();
  Run.Log = UI.Log();
  Run.Cursors = UI.CursorHistory();
  return Run;
}

bool LogHas(const TRun& Run, const std::string& Text) {
  return std::any_of(Run.Log.begin(), Run.Log.end(),
                     [&](const std::string& L) { return L.find(Text) != std::string::npos; });
}

std::string LogText(const TRun& Run) {
  std::string S;
  for (const std::string& L : Run.Log)
    S += L + "\n";
  return S;
}

void SetStatements(TOVUpdateSQL* Update, const std::vector<std::string>& Texts) {
  for (int I = 0; I < 4; ++I)
    Update->GetSQLIndex(I)->SetText(Texts[static_cast<size_t>(I)]);
}

std::vector<std::string> Statements(TOVUpdateSQL* Update) {
  std::vector<std::string> Result;
  for (int I = 0; I < 4; ++I)
    Result.push_back(Update->GetSQLIndex(I)->GetText());
  return Result;
}

class UpdateSQLDialog : public ::testing::Test {
protected:
  void SetUp() override {
    FServer = std::make_unique<TServerDatabase>(TOVServerType::stSQLite);
    FServer->Direct()->ExecuteScript(Schema);
  }
  std::unique_ptr<TServerDatabase> FServer;
};

const std::vector<std::string> Preset = {"refresh it\n", "modify it\n", "insert it\n",
                                         "delete it\n"};

} // namespace

TEST_F(UpdateSQLDialog, CaptionNamesTheFormOnlyForAFormOwner) {
  {
    TDesign D(*FServer, "select id, name from customer");
    const TRun Run = RunEditor(D.Update, "form OVUpdateSQLEditForm\nclick btCancel\n");
    EXPECT_TRUE(LogHas(Run, "\"UpdateSQL1 (Query1)\" opened")) << LogText(Run);
  }
  {
    TDesign D(*FServer, "select id, name from customer", /*OnForm=*/true);
    const TRun Run = RunEditor(D.Update, "form OVUpdateSQLEditForm\nclick btCancel\n");
    EXPECT_TRUE(LogHas(Run, "\"Form1.UpdateSQL1 (Query1)\" opened")) << LogText(Run);
  }
  {
    TDesign D(*FServer, "select id, name from customer");
    D.Query->SetUpdateObject(nullptr);
    const TRun Run = RunEditor(D.Update, "form OVUpdateSQLEditForm\nclick btCancel\n");
    EXPECT_TRUE(LogHas(Run, "\"UpdateSQL1 (" + OVConsts::SNoDataSet() + ")\" opened"))
        << LogText(Run);
  }
}

TEST_F(UpdateSQLDialog, OpensFilledFromTheDataSetOnTheOptionsPage) {
  TDesign D(*FServer, "select c.id as cust_id, c.name, 1 as one\nfrom customer c");
  SetStatements(D.Update, Preset);
  const TRun Run = RunEditor(D.Update, R"(form OVUpdateSQLEditForm
expect pcUpdateSQL ActivePage tsOptions
expect cbTableName Focused True
expect cbTableName Text customer
expect lbKeyFields Items cust_id,name
expect lbKeyFields Selected cust_id,name
expect lbUpdateFields Selected cust_id,name
expect btDataSetDefaults Enabled False
expect btGetTableFields Enabled True
expect cbQuotedFields Checked False
expect rgrStatementType ItemIndex 0
expect meSQLText Text "refresh it"
click btCancel
)");
  EXPECT_FALSE(Run.Result);
  // The hourglass shows while the SQL is parsed and goes again.
  ASSERT_GE(Run.Cursors.size(), 2u);
  EXPECT_EQ(Run.Cursors[0], Controls::crHourGlass);
  EXPECT_EQ(Run.Cursors.back(), Controls::crDefault);
}

TEST_F(UpdateSQLDialog, CancelWritesNothing) {
  TDesign D(*FServer, "select * from customer");
  SetStatements(D.Update, Preset);
  int Changes = 0;
  for (int I = 0; I < 4; ++I)
    static_cast<TStringList*>(D.Update->GetSQLIndex(I))->OnChange = [&](System::TObject*) {
      ++Changes;
    };
  const TRun Run = RunEditor(D.Update, R"(form OVUpdateSQLEditForm
click btGetTableFields
click btSelectPrimKeys
click btGenerateSQL
page tsSQL
set meSQLText "typed by hand"
choose rgrStatementType 2
click btCancel
)");
  EXPECT_FALSE(Run.Result);
  EXPECT_EQ(Statements(D.Update), Preset);
  EXPECT_EQ(Changes, 0);
}

TEST_F(UpdateSQLDialog, OkRewritesAllFourStatementsEvenUnchanged) {
  TDesign D(*FServer, "select * from customer");
  SetStatements(D.Update, Preset);
  std::vector<int> Changes(4, 0);
  for (int I = 0; I < 4; ++I)
    static_cast<TStringList*>(D.Update->GetSQLIndex(I))->OnChange =
        [&Changes, I](System::TObject*) { ++Changes[static_cast<size_t>(I)]; };
  const TRun Run = RunEditor(D.Update, "form OVUpdateSQLEditForm\nclick btOk\n");
  EXPECT_TRUE(Run.Result);
  EXPECT_EQ(Statements(D.Update), Preset);
  for (int C : Changes)
    EXPECT_GE(C, 1);
}

TEST_F(UpdateSQLDialog, OkGeneratedWritesTheGeneratedStatements) {
  TDesign D(*FServer, "select * from customer");
  const TRun Run = RunEditor(D.Update, R"(form OVUpdateSQLEditForm
click btGetTableFields
click btSelectPrimKeys
expect lbKeyFields Selected id
click btGenerateSQL
click btOk
)");
  EXPECT_TRUE(Run.Result);
  EXPECT_EQ(D.Update->GetModifySQL()->ToVector(),
            (std::vector<std::string>{"update customer", "set", "  id = :id,", "  name = :name,",
                                      "  city = :city", "where", "  id = :OLD_id"}));
  EXPECT_EQ(D.Update->GetRefreshSQL()->GetText(),
            "select id, name, city\r\nfrom customer\nwhere\n  id = :OLD_id\n");
}

TEST_F(UpdateSQLDialog, TheRefreshStatementPassedThroughTheTextBoxComesBackAsTwoLines) {
  TDesign D(*FServer, "select * from customer");
  const TRun Run = RunEditor(D.Update, R"(form OVUpdateSQLEditForm
click btGetTableFields
click btSelectPrimKeys
click btGenerateSQL
page tsSQL
focus meSQLText
click btOk
)");
  EXPECT_TRUE(Run.Result) << LogText(Run);
  EXPECT_EQ(D.Update->GetRefreshSQL()->ToVector(),
            (std::vector<std::string>{"select id, name, city", "from customer", "where",
                                      "  id = :OLD_id"}));
}

TEST_F(UpdateSQLDialog, EmptyModifyStatementAsksBeforeClosing) {
  TDesign D(*FServer, "select * from customer");
  SetStatements(D.Update, {"refresh\n", "  \n\n \t\n", "", ""});
  const TRun Run = RunEditor(D.Update, R"(form OVUpdateSQLEditForm
page tsSQL
set meSQLText "kept refresh"
click btOk
answer No
expect meSQLText Text "kept refresh"
click btOk
answer Cancel
expect pcUpdateSQL ActivePage tsSQL
click btOk
answer Yes
)");
  EXPECT_TRUE(Run.Result);
  EXPECT_EQ(std::count_if(Run.Log.begin(), Run.Log.end(),
                          [](const std::string& L) {
                            return L.find(OVConsts::SSQLNotGenerated()) != std::string::npos;
                          }),
            3)
      << LogText(Run);
  EXPECT_EQ(D.Update->GetRefreshSQL()->GetText(), "kept refresh\n");
  EXPECT_TRUE(SysUtils::Trim(D.Update->GetModifySQL()->GetText()).empty());
  // Only the modify statement is asked about.
  SetStatements(D.Update, {"", "update x\n", "", ""});
  const TRun Quiet = RunEditor(D.Update, "form OVUpdateSQLEditForm\nclick btOk\n");
  EXPECT_TRUE(Quiet.Result);
  EXPECT_FALSE(LogHas(Quiet, OVConsts::SSQLNotGenerated()));
}

TEST_F(UpdateSQLDialog, SwitchingStatementsKeepsEdits) {
  TDesign D(*FServer, "select * from customer");
  SetStatements(D.Update, Preset);
  const TRun Run = RunEditor(D.Update, R"(form OVUpdateSQLEditForm
page tsSQL
set meSQLText "edited refresh"
choose rgrStatementType 1
expect meSQLText Text "modify it"
set meSQLText "edited modify"
choose rgrStatementType 0
expect meSQLText Text "edited refresh"
choose rgrStatementType 3
set meSQLText "edited delete"
click btOk
)");
  EXPECT_TRUE(Run.Result);
  EXPECT_EQ(Statements(D.Update), (std::vector<std::string>{"edited refresh\n", "edited modify\n",
                                                            "insert it\n", "edited delete\n"}));
}

TEST_F(UpdateSQLDialog, GenerateReplacesHandEditsAndShowsTheChosenStatement) {
  TDesign D(*FServer, "select * from customer");
  SetStatements(D.Update, Preset);
  const TRun Run = RunEditor(D.Update, R"(form OVUpdateSQLEditForm
page tsSQL
choose rgrStatementType 3
set meSQLText "typed by hand"
page tsOptions
click btGetTableFields
click btSelectPrimKeys
click btGenerateSQL
expect pcUpdateSQL ActivePage tsOptions
expect meSQLText Text "delete from customer\nwhere\n  id = :OLD_id"
click btOk
)");
  EXPECT_TRUE(Run.Result);
  EXPECT_EQ(D.Update->GetDeleteSQL()->GetText(), "delete from customer\nwhere\n  id = :OLD_id\n");
}

TEST_F(UpdateSQLDialog, GenerateWithoutSelectionSaysWhyAndChangesNothing) {
  TDesign D(*FServer, "select * from customer");
  SetStatements(D.Update, Preset);
  const std::string Script = std::string(R"(form OVUpdateSQLEditForm
popup lbKeyFields miClearAll
click btGenerateSQL
answer OK ")") + OVConsts::SSQLGenSelect() +
                             R"("
popup lbKeyFields miSelectAll
popup lbUpdateFields miClearAll
click btGenerateSQL
answer OK
click btOk
)";
  const TRun Run = RunEditor(D.Update, Script);
  EXPECT_TRUE(Run.Result);
  EXPECT_EQ(Statements(D.Update), Preset);
}

TEST_F(UpdateSQLDialog, TableButtonsFollowTheTableBox) {
  TDesign D(*FServer, "select * from customer");
  RunEditor(D.Update, R"(form OVUpdateSQLEditForm
set cbTableName "   "
expect btGetTableFields Enabled False
expect btSelectPrimKeys Enabled False
expect btGenerateSQL Enabled False
expect btDataSetDefaults Enabled False
set cbTableName pair_key
expect btGetTableFields Enabled True
expect btSelectPrimKeys Enabled True
expect btGenerateSQL Enabled True
click btCancel
)");
  // Without a dataset they stay disabled whatever the box holds.
  D.Query->SetUpdateObject(nullptr);
  RunEditor(D.Update, R"(form OVUpdateSQLEditForm
expect cbTableName Text ""
set cbTableName customer
expect btGetTableFields Enabled False
expect btSelectPrimKeys Enabled False
expect btGenerateSQL Enabled False
click btCancel
)");
}

TEST_F(UpdateSQLDialog, SelectionMenuActsOnTheListItWasOpenedOn) {
  TDesign D(*FServer, "select id, name, city from customer");
  RunEditor(D.Update, R"(form OVUpdateSQLEditForm
popup lbUpdateFields miClearAll
expect lbUpdateFields Selected ""
expect lbKeyFields Selected id,name,city
popup lbKeyFields miClearAll
expect lbKeyFields Selected ""
popup lbKeyFields miSelectAll
expect lbKeyFields Selected id,name,city
expect lbUpdateFields Selected ""
expect pmFields PopupComponent lbKeyFields
click btCancel
)");
}

TEST_F(UpdateSQLDialog, GetTableFieldsWithoutDataSetIsAnAssertionFailure) {
  TDesign D(*FServer, "select * from customer");
  D.Query->SetUpdateObject(nullptr);
  auto Form = OpenEditor(D.Update);
  Form->cbTableName->SetText("customer");
  try {
    Form->GetTableFieldsClick(Form.get());
    FAIL() << "no assertion failure";
  } catch (const SysUtils::EAssertionFailed& E) {
    EXPECT_EQ(E.Message(), "Assertion failure (src\\OVUpdSEd, line 542)");
  }
  EXPECT_EQ(Form->lbKeyFields->GetItems()->Count(), 0);
}

TEST_F(UpdateSQLDialog, TableBoxOffersEveryTableOfTheQuery) {
  {
    TDesign D(*FServer, "select p.a, u.x from pair_key p join uniq2 u on u.x = p.a");
    auto Form = OpenEditor(D.Update);
    EXPECT_EQ(Form->cbTableName->GetItems()->ToVector(),
              (std::vector<std::string>{"pair_key", "uniq2"}));
    EXPECT_EQ(Form->cbTableName->GetText(), "pair_key");
  }
  {
    // A table component is no query: nothing is parsed.
    auto Module = std::make_unique<Classes::TDataModule>(nullptr);
    auto* Db = new TOVDatabase(Module.get());
    Db->SetDatabaseName("DB1");
    FServer->Configure(Db);
    auto* Table = new TOVTable(Module.get());
    Table->SetName("Table1");
    Table->SetDatabaseName("DB1");
    Table->SetTableName("customer");
    auto* Update = new TOVUpdateSQL(Module.get());
    Table->SetUpdateObject(Update);
    auto Form = OpenEditor(Update);
    EXPECT_EQ(Form->cbTableName->GetItems()->Count(), 0);
    EXPECT_EQ(Form->cbTableName->GetText(), "");
    EXPECT_EQ(Form->lbKeyFields->GetItems()->Count(), 0);
    EXPECT_FALSE(Form->ObjOwnerSupported());
  }
}

TEST_F(UpdateSQLDialog, GetTableFieldsRemovesQuotesTrimsAndSetsTheScrollExtent) {
  TDesign D(*FServer, "select 1");
  auto Form = OpenEditor(D.Update);
  Form->cbTableName->SetText("\"My Table\"");
  Form->btGetTableFields->Click();
  EXPECT_EQ(Items(Form->lbKeyFields), (std::vector<std::string>{"Key Col", "Other"}));
  EXPECT_EQ(SelectedItems(Form->lbUpdateFields), (std::vector<std::string>{"Key Col", "Other"}));
  EXPECT_TRUE(Form->btDataSetDefaults->GetEnabled());

  Form->cbTableName->SetText("padded");
  Form->btGetTableFields->Click();
  EXPECT_EQ(Items(Form->lbKeyFields), (std::vector<std::string>{"ID", "NAME"}));
  // The widest name as the catalog gives it, blanks included, plus a letter.
  const Graphics::TFont& Font = *Form->lbKeyFields->GetFont();
  const int Widest = std::max(UIService::ApproximateTextExtent(Font, "ID  A").cx,
                              UIService::ApproximateTextExtent(Font, "NAME A").cx);
  EXPECT_EQ(Form->lbKeyFields->HorizontalExtent(), Widest);
  EXPECT_EQ(Form->lbUpdateFields->HorizontalExtent(), Widest);

  // A list in a font of its own is measured in it.
  Form->lbUpdateFields->GetFont()->SetHeight(-24);
  Form->btGetTableFields->Click();
  const Graphics::TFont& Large = *Form->lbUpdateFields->GetFont();
  const int WidestLarge = std::max(UIService::ApproximateTextExtent(Large, "ID  A").cx,
                                   UIService::ApproximateTextExtent(Large, "NAME A").cx);
  EXPECT_GT(WidestLarge, Widest);
  EXPECT_EQ(Form->lbKeyFields->HorizontalExtent(), Widest);
  EXPECT_EQ(Form->lbUpdateFields->HorizontalExtent(), WidestLarge);
}

TEST_F(UpdateSQLDialog, QuoteRemovalScan) {
  using OVUpdSEd::RemoveQuoteChars;
  EXPECT_EQ(RemoveQuoteChars("\"My Table\""), "My Table");
  EXPECT_EQ(RemoveQuoteChars("O'Brien"), "OBrien");
  EXPECT_EQ(RemoveQuoteChars("\"a\"\"b\""), "a\"b"); // a doubled quote becomes one
  EXPECT_EQ(RemoveQuoteChars("x'''y"), "x'y");       // of a run every second one stays
  EXPECT_EQ(RemoveQuoteChars("\"'\"'"), "''");       // the moved-in character is not looked at
  EXPECT_EQ(RemoveQuoteChars(""), "");
}

TEST_F(UpdateSQLDialog, TableWithoutColumnsKeepsTheListsAndSaysSo) {
  TDesign D(*FServer, "select id, name, city from customer");
  const TRun Run = RunEditor(D.Update, R"(form OVUpdateSQLEditForm
popup lbUpdateFields miClearAll
set cbTableName "\"No Such\""
click btGetTableFields
answer OK "Unable to determine field names for No Such"
expect lbKeyFields Items id,name,city
expect lbUpdateFields Selected id,name,city
expect btDataSetDefaults Enabled True
click btDataSetDefaults
expect btDataSetDefaults Enabled False
click btCancel
)");
  EXPECT_TRUE(LogHas(Run, "Unable to determine field names for No Such")) << LogText(Run);
}

TEST_F(UpdateSQLDialog, SelectPrimaryKeysPrefersThePrimaryKeyThenTheFirstUniqueIndex) {
  TDesign D(*FServer, "select 1");
  auto Form = OpenEditor(D.Update);
  const auto KeysOf = [&](const std::string& Table) {
    Form->cbTableName->SetText(Table);
    Form->btGetTableFields->Click();
    Form->btSelectPrimKeys->Click();
    EXPECT_EQ(SelectedItems(Form->lbUpdateFields), Items(Form->lbUpdateFields));
    return SelectedItems(Form->lbKeyFields);
  };
  EXPECT_EQ(KeysOf("pair_key"), (std::vector<std::string>{"a", "b"}));
  EXPECT_EQ(KeysOf("uniq2"), (std::vector<std::string>{"y"}));
  EXPECT_EQ(KeysOf("plain"), std::vector<std::string>{});
  // A table without any index: no key.
  EXPECT_EQ(KeysOf("bare"), std::vector<std::string>{});
  // No table at all: the selection stays as it was.
  Form->cbTableName->SetText("customer");
  Form->btGetTableFields->Click();
  Form->cbTableName->SetText("no_such_table");
  Form->btSelectPrimKeys->Click();
  EXPECT_EQ(SelectedItems(Form->lbKeyFields), (std::vector<std::string>{"id", "name", "city"}));
}

TEST_F(UpdateSQLDialog, PrimaryKeyColumnsThatAreNoItemsSelectNothing) {
  TDesign D(*FServer, "select id as cust_id, name from customer");
  auto Form = OpenEditor(D.Update);
  EXPECT_EQ(Items(Form->lbKeyFields), (std::vector<std::string>{"cust_id", "name"}));
  Form->btSelectPrimKeys->Click();
  EXPECT_EQ(SelectedItems(Form->lbKeyFields), std::vector<std::string>{});
  EXPECT_EQ(Items(Form->lbKeyFields), (std::vector<std::string>{"cust_id", "name"}));
}

TEST_F(UpdateSQLDialog, MissingDatabaseComponentIsNamedNotAsked) {
  TDesign D(*FServer, "select id, name from customer");
  D.Query->SetDatabaseName("Nowhere");
  const TRun Run = RunEditor(D.Update, R"(form OVUpdateSQLEditForm
expect cbTableName Text customer
click btSelectPrimKeys
answer OK "Nowhere"
expect lbKeyFields Selected id,name
click btGetTableFields
answer OK "Nowhere"
expect lbKeyFields Items id,name
click btCancel
)");
  EXPECT_FALSE(Run.Result);
}

TEST_F(UpdateSQLDialog, SQLTheParserCannotFollowOpensWithWhatItCould) {
  for (const char* SQL : {"selec * frm customer", "select 'unterminated from customer",
                          "select id, from customer where (", "", "/* only a comment"}) {
    SCOPED_TRACE(SQL);
    TDesign D(*FServer, SQL);
    SetStatements(D.Update, Preset);
    const TRun Run = RunEditor(D.Update, "form OVUpdateSQLEditForm\nclick btOk\n");
    EXPECT_TRUE(Run.Result);
    EXPECT_EQ(Statements(D.Update), Preset);
  }
}
