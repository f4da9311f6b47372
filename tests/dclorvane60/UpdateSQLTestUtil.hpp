// Fixtures of the UpdateSQL editor's tests: a design (a data module or a form
// owning a database component, a query and an update object) over a real
// SQLite file or PostgreSQL database, the editor form opened on it, and
// statements run with their :params bound from real rows.
#pragma once

#include "dclorvane60/OVUpdSEd.hpp"
#include "orvane60/EngineTestUtil.hpp"
#include "orvane60/OVEngine.hpp"
#include "orvane60/OVSqlParse.hpp"
#include "orvane60/drivers/OVDriver.hpp"
#include "vcl/Forms.hpp"
#include "vcl/ScriptedUI.hpp"

#include <gtest/gtest.h>

#include <algorithm>
#include <map>
#include <memory>
#include <string>
#include <vector>

namespace UpdateSQLTest {

using namespace OVEngine;
using EngineTestUtil::TServerDatabase;
using OVUpdSEd::TOVUpdateSQLEditForm;

// Root (a data module, or a form named Form1) owning database DB1 over the
// server database, query Query1 with the SQL, and update object UpdateSQL1
// attached to it.
class TDesign {
public:
  TDesign(const TServerDatabase& Server, const std::string& SQL, bool OnForm = false) {
    if (OnForm) {
      FForm.reset(new Forms::TForm(nullptr));
      FForm->SetName("Form1");
      Root = FForm.get();
    } else {
      FModule = std::make_unique<Classes::TDataModule>(nullptr);
      FModule->SetName("DataModule1");
      Root = FModule.get();
    }
    Db = new TOVDatabase(Root);
    Db->SetName("DB1");
    Db->SetDatabaseName("DB1");
    Server.Configure(Db);
    Query = new TOVQuery(Root);
    Query->SetName("Query1");
    Query->SetDatabaseName("DB1");
    Query->GetSQL()->SetText(SQL);
    Update = new TOVUpdateSQL(Root);
    Update->SetName("UpdateSQL1");
    Query->SetUpdateObject(Update);
  }
  ~TDesign() {
    FModule.reset();
    FForm.reset();
  }
  TDesign(const TDesign&) = delete;
  TDesign& operator=(const TDesign&) = delete;

  Classes::TComponent* Root = nullptr;
  TOVDatabase* Db = nullptr;
  TOVQuery* Query = nullptr;
  TOVUpdateSQL* Update = nullptr;

private:
  std::unique_ptr<Classes::TDataModule> FModule;
  Forms::TFormPtr<Forms::TForm> FForm;
};

// The editor form on the update object, filled as EditUpdateSQL fills it,
// but not shown: tests act on its controls directly.
inline Forms::TFormPtr<TOVUpdateSQLEditForm> OpenEditor(TOVUpdateSQL* Update) {
  Forms::TFormPtr<TOVUpdateSQLEditForm> Form(
      Forms::Application->CreateForm<TOVUpdateSQLEditForm>(Forms::Application));
  Form->SetUpdateSQL(Update);
  Form->InitProperties();
  return Form;
}

// The selected items of a list box, in list order.
inline std::vector<std::string> SelectedItems(const StdCtrls::TListBox* ListBox) {
  std::vector<std::string> Result;
  for (int I = 0; I < ListBox->GetItems()->Count(); ++I)
    if (ListBox->GetSelected(I))
      Result.push_back(ListBox->GetItems()->Get(I));
  return Result;
}

inline std::vector<std::string> Items(const StdCtrls::TListBox* ListBox) {
  return ListBox->GetItems()->ToVector();
}

// A row of a table by column name.
using TRow = std::map<std::string, OVDriver::TValue>;

// A value as text with its kind, so that 1 and '1' differ.
inline std::string Show(const OVDriver::TValue& V) {
  switch (V.Kind()) {
  case OVDriver::TValueKind::Null:
    return "NULL";
  case OVDriver::TValueKind::Integer:
    return "i:" + V.AsString();
  case OVDriver::TValueKind::Float:
    return "f:" + V.AsString();
  case OVDriver::TValueKind::Text:
    return "t:" + V.AsString();
  case OVDriver::TValueKind::Blob:
    return "b:" + V.AsString();
  }
  return "?";
}

inline std::vector<TRow> ReadRows(OVDriver::TConnection& Conn, const std::string& SQL,
                                  const OVDriver::TValues& Params = {}) {
  std::vector<TRow> Rows;
  auto RS = Conn.Query(SQL, Params);
  while (RS->Next()) {
    TRow Row;
    for (int I = 0; I < RS->ColumnCount(); ++I)
      Row[RS->ColumnName(I)] = RS->Value(I);
    Rows.push_back(std::move(Row));
  }
  return Rows;
}

inline std::string ShowRow(const TRow& Row) {
  std::string S;
  for (const auto& [Name, Value] : Row)
    S += (S.empty() ? "" : ", ") + Name + "=" + Show(Value);
  return S;
}

// Every row of a table, each shown as text, sorted: a table's content as a
// multiset.
inline std::vector<std::string> Snapshot(OVDriver::TConnection& Conn,
                                         const std::string& QuotedTable) {
  std::vector<std::string> Result;
  for (const TRow& R : ReadRows(Conn, "select * from " + QuotedTable))
    Result.push_back(ShowRow(R));
  std::sort(Result.begin(), Result.end());
  return Result;
}

// SQL with its :params replaced by the connection's placeholders: a
// parameter OLD_x takes the value of column x in Old, any other the value of
// the column of its name in New. A parameter that names no column fails the
// test.
inline std::string BindParams(const OVDriver::TConnection& Conn, OVSqlParse::TSqlDialect Dialect,
                              const std::string& SQL, const TRow& New, const TRow& Old,
                              OVDriver::TValues& Values) {
  return OVSqlParse::ReplaceParams(SQL, Dialect, [&](std::size_t Index, const std::string& Name) {
    const bool IsOld = Name.rfind("OLD_", 0) == 0;
    const TRow& Row = IsOld ? Old : New;
    const std::string Column = IsOld ? Name.substr(4) : Name;
    const auto It = Row.find(Column);
    if (It == Row.end()) {
      ADD_FAILURE() << "parameter :" << Name << " names no column in\n" << SQL;
      Values.emplace_back();
    } else {
      Values.push_back(It->second);
    }
    return Conn.PlaceholderFor(static_cast<int>(Index));
  });
}

inline OVSqlParse::TSqlDialect DialectOf(TOVServerType Type) {
  return ServerDialect(Type);
}

// The four statements the dialog generated for a table, with the key and
// update fields it used.
struct TStatements {
  std::string Refresh, Modify, Insert, Delete;
  std::vector<std::string> Keys, Fields;
};

// What a person does in the dialog for one table: type its name, fetch
// its fields, select the primary key, set the quote option, generate.
inline TStatements Generate(const TServerDatabase& Server, TDesign& Design,
                            const std::string& Table, bool Quote) {
  const OVDriver::TDriver& Driver = ServerDriver(Server.Type());
  Design.Query->GetSQL()->SetText("select * from " + Driver.QuoteIdentifier(Table));
  auto Form = OpenEditor(Design.Update);
  Form->cbTableName->SetText(Table);
  EXPECT_TRUE(Form->btGetTableFields->GetEnabled());
  Form->btGetTableFields->Click();
  // Without any index "Select Primary Keys" leaves the selection as it
  // is: the key list is cleared first, so that no selection means no key.
  Form->pmFields->PopupFor(Form->lbKeyFields);
  Form->miClearAll->Click();
  Form->btSelectPrimKeys->Click();
  Form->cbQuotedFields->SetChecked(Quote);
  TStatements S;
  S.Keys = SelectedItems(Form->lbKeyFields);
  S.Fields = SelectedItems(Form->lbUpdateFields);
  if (S.Keys.empty())
    return S;
  Form->btGenerateSQL->Click();
  S.Refresh = Form->Statement(0)->GetText();
  S.Modify = Form->Statement(1)->GetText();
  S.Insert = Form->Statement(2)->GetText();
  S.Delete = Form->Statement(3)->GetText();
  return S;
}

// Runs the four statements against a real row of the table.
inline void RunStatements(const TServerDatabase& Server, const std::string& Table,
                          const TStatements& S) {
  SCOPED_TRACE("table " + Table + "\n" + S.Refresh + "\n" + S.Modify);
  auto Conn = Server.Direct();
  if (Server.Type() ==
      TOVServerType::stPostgreSQL) // rows may be referenced; the statements are what is tested here
    Conn->Execute("set session_replication_role = replica");
  const std::string QT = Conn->Driver().QuoteIdentifier(Table);
  const auto Dialect = DialectOf(Server.Type());
  const std::vector<std::string> Before = Snapshot(*Conn, QT);

  // A row whose key columns all hold values.
  TRow Row;
  bool Found = false;
  for (const TRow& R : ReadRows(*Conn, "select * from " + QT)) {
    Found = std::all_of(S.Keys.begin(), S.Keys.end(),
                        [&](const std::string& K) { return !R.at(K).IsNull(); });
    if (Found) {
      Row = R;
      break;
    }
  }
  ASSERT_TRUE(Found) << "no row with a whole key";

  // Refresh: exactly that row.
  OVDriver::TValues Values;
  std::string SQL = BindParams(*Conn, Dialect, S.Refresh, Row, Row, Values);
  const std::vector<TRow> Refreshed = ReadRows(*Conn, SQL, Values);
  ASSERT_EQ(Refreshed.size(), 1u);
  for (const std::string& F : S.Fields)
    EXPECT_EQ(Show(Refreshed[0].at(F)), Show(Row.at(F))) << F;

  // Modify: one non-key value changes, in that row only.
  TRow Changed = Row;
  for (const OVDriver::TColumnInfo& C : Conn->GetFieldNames(Table)) {
    if (std::find(S.Keys.begin(), S.Keys.end(), C.Name) != S.Keys.end())
      continue;
    OVDriver::TValue& V = Changed.at(C.Name);
    if (V.IsNull())
      continue;
    using OVDriver::TDataType;
    if (C.DataType == TDataType::String || C.DataType == TDataType::Memo) {
      V = OVDriver::TValue(V.AsString() + "+");
      break;
    }
    if (C.DataType == TDataType::Integer || C.DataType == TDataType::SmallInt ||
        C.DataType == TDataType::LargeInt) {
      V = OVDriver::TValue(V.AsInteger() + 1);
      break;
    }
  }
  Values.clear();
  SQL = BindParams(*Conn, Dialect, S.Modify, Changed, Row, Values);
  EXPECT_EQ(Conn->Execute(SQL, Values), 1);
  std::vector<std::string> Expected = Before;
  Expected.erase(std::find(Expected.begin(), Expected.end(), ShowRow(Row)));
  Expected.push_back(ShowRow(Changed));
  std::sort(Expected.begin(), Expected.end());
  EXPECT_EQ(Snapshot(*Conn, QT), Expected);

  // Delete: the (changed) row goes, and nothing else.
  Values.clear();
  SQL = BindParams(*Conn, Dialect, S.Delete, Changed, Changed, Values);
  EXPECT_EQ(Conn->Execute(SQL, Values), 1);
  Expected = Before;
  Expected.erase(std::find(Expected.begin(), Expected.end(), ShowRow(Row)));
  EXPECT_EQ(Snapshot(*Conn, QT), Expected);

  // Insert: the original row is back.
  Values.clear();
  SQL = BindParams(*Conn, Dialect, S.Insert, Row, Row, Values);
  EXPECT_EQ(Conn->Execute(SQL, Values), 1);
  EXPECT_EQ(Snapshot(*Conn, QT), Before);
}

} // namespace UpdateSQLTest
