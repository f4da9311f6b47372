// Field and key discovery of the UpdateSQL editor: the table box and the two
// field lists filled from the dataset's SQL and from the database catalog.
#include "dclorvane60/OVUpdSEd.hpp"

#include "db/DB.hpp"
#include "orvane60/OVCommon.hpp"
#include "orvane60/OVConsts.hpp"
#include "orvane60/OVEngine.hpp"
#include "orvane60/OVSqlParse.hpp"
#include "rtl/ScopeGuard.hpp"
#include "vcl/Dialogs.hpp"
#include "vcl/Windows.hpp"

#include <algorithm>

namespace OVUpdSEd {

using Dialogs::MessageDlg;
using Dialogs::TMsgDlgBtn;
using Dialogs::TMsgDlgType;
using OVEngine::TOVDataSet;
using SysUtils::Format;
using SysUtils::Trim;

namespace {

char UpperAscii(char C) {
  return C >= 'a' && C <= 'z' ? static_cast<char>(C - 'a' + 'A') : C;
}

} // namespace

bool HasOuterBlanks(std::string_view Name) {
  return !Name.empty() && (static_cast<unsigned char>(Name.front()) <= ' ' ||
                           static_cast<unsigned char>(Name.back()) <= ' ');
}

std::string RemoveQuoteChars(std::string_view Text) {
  std::string S(Text);
  for (size_t I = 0; I < S.size(); ++I)
    if (S[I] == '"' || S[I] == '\'')
      S.erase(I, 1);
  return S;
}

TTableKeys ReadTableKeys(DB::TDataSet& IndexInfo) {
  TTableKeys Keys;
  DB::TField* IndexType = IndexInfo.FieldByName("INDEX_TYPE");
  DB::TField* ColumnName = IndexInfo.FieldByName("COLUMN_NAME");
  DB::TField* IndexName = IndexInfo.FieldByName("INDEX_NAME");
  std::string FirstUnique;
  for (; !IndexInfo.Eof(); IndexInfo.Next()) {
    if (IndexType->IsNull())
      continue;
    const int Type = IndexType->GetAsInteger();
    if (Type & OVEngine::itPrimary) {
      std::string Column = Trim(ColumnName->GetAsString());
      if (!Column.empty())
        Keys.PrimaryKey.push_back(std::move(Column));
    }
    if (Type & OVEngine::itUnique) {
      const std::string Index = Trim(IndexName->GetAsString());
      if (FirstUnique.empty())
        FirstUnique = Index;
      if (FirstUnique == Index)
        Keys.UniqueKey.push_back(Trim(ColumnName->GetAsString()));
    }
  }
  return Keys;
}

TTableKeys ReadTableKeys(const std::vector<OVDriver::TIndexColumn>& Rows) {
  TTableKeys Keys;
  std::string FirstUnique;
  for (const OVDriver::TIndexColumn& Row : Rows) {
    // An expression's row has no index type in the schema call's answer.
    if (Row.ColumnName.empty())
      continue;
    if (Row.IndexType & OVEngine::itPrimary) {
      std::string Column = Trim(Row.ColumnName);
      if (!Column.empty())
        Keys.PrimaryKey.push_back(std::move(Column));
    }
    if (Row.IndexType & OVEngine::itUnique) {
      const std::string Index = Trim(Row.IndexName);
      if (FirstUnique.empty())
        FirstUnique = Index;
      if (FirstUnique == Index)
        Keys.UniqueKey.push_back(Trim(Row.ColumnName));
    }
  }
  return Keys;
}

void TOVUpdateSQLEditForm::LoadDefaultOptions() {
  TOVDataSet* DataSet = FUpdateSQL ? FUpdateSQL->GetDataSet() : nullptr;
  auto* Query = dynamic_cast<OVEngine::TOVQuery*>(DataSet);
  if (!Query)
    return;
  const Controls::TCursor SaveCursor = Forms::Screen->GetCursor();
  Forms::Screen->SetCursor(Controls::crHourGlass);
  const ScopeGuard::TFinally Finally([&] { Forms::Screen->SetCursor(SaveCursor); });
  FFieldInfo->Clear();
  FTableInfo->Clear();
  Query->ParseFieldInfoFromSQL(Query->GetSQL()->GetText(), FFieldInfo.get(), FTableInfo.get(),
                               nullptr);
  FObjOwnerSupported = Query->IsObjOwnerSupported();
  cbTableName->Clear();
  lbKeyFields->Clear();
  lbUpdateFields->Clear();
  for (int I = 0; I < FTableInfo->Count(); ++I)
    if (!FTableInfo->Names(I).empty())
      cbTableName->GetItems()->Add(FTableInfo->ValueFromIndex(I));
  if (cbTableName->GetItems()->Count() > 0)
    cbTableName->SetItemIndex(0);
}

void TOVUpdateSQLEditForm::DataSetDefaultsClick(System::TObject*) {
  lbKeyFields->Clear();
  lbUpdateFields->Clear();
  const int N = FFieldInfo->Count();
  lbKeyFields->GetItems()->SetCapacity(N);
  lbUpdateFields->GetItems()->SetCapacity(N);
  // Each entry's name (before its first "="), read where the list keeps it.
  std::string Scratch, Name;
  for (int I = 0; I < N; ++I) {
    const std::string& Entry = FFieldInfo->GetRef(I, Scratch);
    const size_t Eq = Entry.find('=');
    if (Eq == 0 || Eq == std::string::npos)
      continue;
    Name.assign(Entry, 0, Eq);
    lbKeyFields->GetItems()->Add(Name);
    lbUpdateFields->GetItems()->Add(Name);
  }
  SelectAllFields();
  btDataSetDefaults->SetEnabled(false);
}

void TOVUpdateSQLEditForm::GetTableFieldsClick(System::TObject*) {
  TOVDataSet* DataSet = FUpdateSQL ? FUpdateSQL->GetDataSet() : nullptr;
  if (!DataSet)
    SysUtils::AssertFailed("", "src\\OVUpdSEd", 542);
  ForgetTableDescription();
  const std::string Typed = cbTableName->GetText();
  const std::string TableText = RemoveQuoteChars(Typed);
  // A table text that reads as a name in SQL reaches the catalogue as
  // written: without its quotes, "sch.tab" (one name holding a dot) would
  // become the table tab of schema sch, and "a""b" would lose a quote.
  const bool SQLName = !OVSqlParse::SplitName(SysUtils::Trim(Typed), DataSet->SqlDialect()).empty();
  // The session's field names of the table, as a list of its own.
  std::vector<std::string> Names =
      OVEngine::TOVDatabaseUse(DataSet->GetDBSession()->DatabaseByName(DataSet->GetDatabaseName()))
          ->FieldNames(OVCommon::GetValidObjName(SQLName ? SysUtils::Trim(Typed) : TableText,
                                                 !FObjOwnerSupported));
  if (Names.empty()) {
    MessageDlg(Format(OVConsts::SSQLDataSetOpen(), TableText), TMsgDlgType::mtError,
               {TMsgDlgBtn::mbOK}, 0);
  } else {
    const Classes::TStringsUpdate UpdatingKeys(lbKeyFields->GetItems());
    const Classes::TStringsUpdate UpdatingFields(lbUpdateFields->GetItems());
    lbKeyFields->Clear();
    lbUpdateFields->Clear();
    lbKeyFields->GetItems()->SetCapacity(static_cast<int>(Names.size()));
    lbUpdateFields->GetItems()->SetCapacity(static_cast<int>(Names.size()));
    int KeyWidth = 0, UpdateWidth = 0;
    // A text measures the same in the same font: measured once for both
    // lists where their fonts agree.
    const Graphics::TCanvas* KeyCanvas = lbKeyFields->GetCanvas();
    const Graphics::TCanvas* UpdateCanvas = lbUpdateFields->GetCanvas();
    const bool SameFont = KeyCanvas->GetFont()->SameAs(*UpdateCanvas->GetFont());
    for (const std::string& Name : Names) {
      if (Name.empty())
        continue;
      const bool Blanks = HasOuterBlanks(Name);
      const std::string Trimmed = Blanks ? Trim(Name) : std::string();
      const std::string& Shown = Blanks ? Trimmed : Name;
      lbKeyFields->GetItems()->Add(Shown);
      lbUpdateFields->GetItems()->Add(Shown);
      // One letter's width to spare beyond the widest name.
      std::string Measured;
      Measured.reserve(Name.size() + 1);
      Measured.append(Name).push_back('A');
      const int Width = KeyCanvas->TextWidth(Measured);
      KeyWidth = std::max(KeyWidth, Width);
      UpdateWidth = std::max(UpdateWidth, SameFont ? Width : UpdateCanvas->TextWidth(Measured));
    }
    lbKeyFields->Perform(Windows::LB_SETHORIZONTALEXTENT, KeyWidth, 0);
    lbUpdateFields->Perform(Windows::LB_SETHORIZONTALEXTENT, UpdateWidth, 0);
  }
  SelectAllFields();
  // Columns the server computes are listed but not selected for update:
  // no statement may write them.
  if (!Names.empty())
    if (const OVEngine::TOVTableInfo* Table = TableDescription())
      for (const OVDriver::TColumnInfo& C : Table->Columns) {
        if (!C.Generated)
          continue;
        const std::string Shown = Trim(C.Name);
        for (int I = 0, N = lbUpdateFields->GetItems()->Count(); I < N; ++I)
          if (lbUpdateFields->GetItems()->Get(I) == Shown)
            lbUpdateFields->SetSelected(I, false);
      }
  btDataSetDefaults->SetEnabled(true);
}

void TOVUpdateSQLEditForm::btSelectPrimKeysClick(System::TObject*) {
  TOVDataSet* DataSet = FUpdateSQL ? FUpdateSQL->GetDataSet() : nullptr;
  // The button is disabled without a dataset.
  if (!DataSet)
    return;
  OVEngine::TOVSession* Session = DataSet->GetDBSession();
  OVEngine::TOVDatabase* Database = Session->FindDatabase(DataSet->GetDatabaseName());
  if (!Database) {
    MessageDlg(Format("Cannot read the keys of %s: the session %s has no database named \"%s\"",
                      cbTableName->GetText(), Session->GetSessionName(),
                      DataSet->GetDatabaseName()),
               TMsgDlgType::mtError, {TMsgDlgBtn::mbOK}, 0);
    return;
  }
  // While the catalogue is held it stands still: the table's description
  // holds the index rows the schema call would give.
  const bool Batch = Database->CatalogHeld();
  if (!Batch)
    ForgetTableDescription();
  const std::string Text = cbTableName->GetText();
  const OVEngine::TOVTableInfo* Table =
      Batch && Text == SysUtils::Trim(Text) ? TableDescription() : nullptr;
  TTableKeys Keys;
  if (Table) {
    Keys = ReadTableKeys(Table->Indexes);
  } else {
    std::unique_ptr<DB::TDataSet> IndexInfo(
        Database->GetSchemaInfo(OVEngine::TOVSchemaType::siIndexes, Text));
    if (!IndexInfo)
      return;
    Keys = ReadTableKeys(*IndexInfo);
  }
  // A field is a key column in any letter case, as a string list finds it
  // (ASCII letters, as CompareText compares them).
  const std::vector<std::string>& Chosen = Keys.Chosen();
  Classes::TStrings* Items = lbKeyFields->GetItems();
  const Classes::TStringsUpdate Updating(Items);
  SetSelectedAllItems(lbKeyFields, false);
  const auto SameText = [](std::string_view A, std::string_view B) {
    // Names of other lengths never match in any letter case.
    if (A.size() != B.size())
      return false;
    for (size_t I = 0; I < A.size(); ++I)
      if (A[I] != B[I] && UpperAscii(A[I]) != UpperAscii(B[I]))
        return false;
    return true;
  };
  std::string Scratch;
  for (int I = 0; I < Items->Count(); ++I) {
    const std::string& Item = Items->GetRef(I, Scratch);
    if (std::any_of(Chosen.begin(), Chosen.end(),
                    [&](const std::string& Column) { return SameText(Column, Item); }))
      lbKeyFields->SetSelected(I, true);
  }
}

} // namespace OVUpdSEd
