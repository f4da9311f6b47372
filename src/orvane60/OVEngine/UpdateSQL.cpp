// Update objects: the statements that write a dataset's changed rows.
#include "orvane60/OVEngine/Internal.hpp"

#include "orvane60/OVCommon.hpp"
#include "orvane60/OVSqlParse.hpp"

namespace OVEngine {

using DB::TVariant;
using SysUtils::Format;

OV_CLASS_IMPL(TOVDataSetUpdateObject, TComponent, "OVEngine")

OV_CLASS_BEGIN(TOVUpdateSQL, TOVDataSetUpdateObject, "OVEngine")
B.Property("DeleteSQL", &TOVUpdateSQL::GetDeleteSQL, &TOVUpdateSQL::SetDeleteSQL);
B.Property("InsertSQL", &TOVUpdateSQL::GetInsertSQL, &TOVUpdateSQL::SetInsertSQL);
B.Property("ModifySQL", &TOVUpdateSQL::GetModifySQL, &TOVUpdateSQL::SetModifySQL);
B.Property("RefreshSQL", &TOVUpdateSQL::GetRefreshSQL, &TOVUpdateSQL::SetRefreshSQL);
OV_CLASS_END

TOVDataSetUpdateObject::TOVDataSetUpdateObject(TComponent* AOwner) : TComponent(AOwner) {}

TOVDataSetUpdateObject::~TOVDataSetUpdateObject() {
  if (FDataSet && FDataSet->GetUpdateObject() == this)
    FDataSet->SetUpdateObject(nullptr);
}

void TOVDataSetUpdateObject::SetDataSet(TOVDataSet* Value) {
  if (Value == FDataSet)
    return;
  if (FDataSet)
    FDataSet->RemoveFreeNotification(this);
  FDataSet = Value;
  if (FDataSet)
    FDataSet->FreeNotification(this);
}

void TOVDataSetUpdateObject::Notification(TComponent* AComponent, Classes::TOperation Operation) {
  TComponent::Notification(AComponent, Operation);
  if (Operation == Classes::TOperation::opRemove && AComponent == FDataSet)
    FDataSet = nullptr;
}

TOVUpdateSQL::TOVUpdateSQL(TComponent* AOwner) : TOVDataSetUpdateObject(AOwner) {
  for (auto& L : FSQL)
    L = std::make_unique<Classes::TStringList>();
}

TOVUpdateSQL::~TOVUpdateSQL() = default;

TStrings* TOVUpdateSQL::GetSQLIndex(int Index) const {
  if (Index < 0 || Index > 3)
    throw Classes::EListError(Format("Statement index %d is out of range (0 to 3)", Index));
  return FSQL[Index].get();
}

TStrings* TOVUpdateSQL::SQL(TUpdateKind UpdateKind) const {
  switch (UpdateKind) {
  case TUpdateKind::ukModify:
    return FSQL[1].get();
  case TUpdateKind::ukInsert:
    return FSQL[2].get();
  case TUpdateKind::ukDelete:
    return FSQL[3].get();
  }
  return FSQL[1].get();
}

namespace {

const char* KindName(TUpdateKind Kind) {
  switch (Kind) {
  case TUpdateKind::ukModify:
    return "modify";
  case TUpdateKind::ukInsert:
    return "insert";
  case TUpdateKind::ukDelete:
    return "delete";
  }
  return "";
}

// Whether a statement ends by returning rows (RETURNING outside brackets).
bool Returns(std::string_view SQL, OVSqlParse::TSqlDialect Dialect) {
  OVSqlParse::TTokenizer Tokens(SQL, Dialect, false);
  int Depth = 0;
  for (OVSqlParse::TToken T = Tokens.Next(); T.Kind != OVSqlParse::TTokenKind::End;
       T = Tokens.Next()) {
    if (T.Kind == OVSqlParse::TTokenKind::LeftParen)
      ++Depth;
    else if (T.Kind == OVSqlParse::TTokenKind::RightParen)
      --Depth;
    else if (Depth == 0 && T.Keyword == OVSqlParse::TKeyword::Returning)
      return true;
  }
  return false;
}

} // namespace

int64_t TOVUpdateSQL::RunStatement(TStrings* Statement, bool Query) {
  TOVDataSet* DS = GetDataSet();
  if (!DS)
    DB::DatabaseError("The update object has no dataset", this);
  if (SysUtils::Trim(Statement->GetText()).empty())
    return -1;
  TOVDatabase* Db =
      DS->Database() ? DS->Database() : DS->GetDBSession()->DatabaseByName(DS->GetDatabaseName());
  TOVDatabaseUse Use(Db);
  const OVDriver::TDriver& Driver = ServerDriver(Db->GetServerType());
  std::vector<TVariant> Values;
  // Parameters take the values of the dataset's current row: a field's name
  // its value now, OLD_ and a field's name its value before the edit.
  const std::string SQL = OVSqlParse::ReplaceParams(
      Statement->GetText(), Db->Dialect(), [&](std::size_t Index, const std::string& Name) {
        DB::TField* Field = nullptr;
        bool Old = false;
        if (SysUtils::StartsText("OLD_", Name)) {
          Field = DS->FindField(Name.substr(4));
          Old = Field != nullptr;
        }
        if (!Field)
          Field = DS->FindField(Name);
        if (!Field)
          DB::DatabaseError(
              Format("Parameter '%s' names no field of %s", Name,
                     DS->GetName().empty() ? std::string("the dataset") : DS->GetName()),
              this);
        TVariant V = Old ? Field->OldValue() : Field->GetValue();
        if (V.Type() == DB::TVarType::varDateTime)
          V = TVariant(DB::DateTimeToISOStr(V.AsDateTime(), Field->DataType()));
        Values.push_back(V);
        return Driver.PlaceholderFor(static_cast<int>(Index));
      });
  OVCommon::MonitorSQL(SQL);
  try {
    // An insert or modify that returns the values the server assigned
    // hands them to the row's fields, as a refresh does.
    const bool Returning = !Query && Returns(SQL, Db->Dialect());
    if (!Query && !Returning)
      return Db->Connection().Execute(SQL, Internal::ToDriverValues(Values));
    auto Rows = Db->Connection().Query(SQL, Internal::ToDriverValues(Values));
    if (!Rows->Next()) {
      if (Returning)
        return 0;
      DB::DatabaseError("The row to refresh was not found: it may have been deleted by another "
                        "user",
                        this);
    }
    for (int I = 0; I < Rows->ColumnCount(); ++I)
      if (DB::TField* F = DS->FindField(Rows->ColumnName(I)))
        DS->RefreshFieldValue(F, Internal::ToVariant(Rows->Value(I), F->DataType()));
    int64_t Count = 1;
    while (Returning && Rows->Next())
      ++Count;
    return Count;
  } catch (const OVDriver::EDriverError& E) {
    Internal::RaiseDriverError(E, this);
  }
}

int64_t TOVUpdateSQL::ExecSQL(TUpdateKind UpdateKind) {
  return RunStatement(SQL(UpdateKind), false);
}

void TOVUpdateSQL::Apply(TUpdateKind UpdateKind) {
  if (SysUtils::Trim(SQL(UpdateKind)->GetText()).empty())
    DB::DatabaseError(
        Format("There is no %s statement to apply the change with", KindName(UpdateKind)), this);
  const int64_t Rows = ExecSQL(UpdateKind);
  // A row that changed nothing was changed or deleted by someone else since
  // it was read; going on would lose their change or report a write that
  // never happened.
  if (Rows == 0 && UpdateKind != TUpdateKind::ukInsert)
    DB::DatabaseError(Format("The %s statement changed no row: the row was changed or deleted by "
                             "another user since it was read",
                             KindName(UpdateKind)),
                      this);
}

void TOVUpdateSQL::Refresh() {
  if (SysUtils::Trim(FSQL[0]->GetText()).empty())
    DB::DatabaseError("There is no refresh statement", this);
  RunStatement(FSQL[0].get(), true);
}

} // namespace OVEngine
