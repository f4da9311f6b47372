// The dataset base of the engine: finding and holding the database, running
// the opening statement, parameter binding, field info from SELECT text.
#include "orvane60/OVEngine/Internal.hpp"

#include "orvane60/OVCommon.hpp"
#include "orvane60/OVSqlParse.hpp"

#include <algorithm>

namespace OVEngine {

using DB::TFieldType;
using DB::TVariant;
using SysUtils::Format;
using SysUtils::SameText;

OV_CLASS_BEGIN(TOVDataSet, DB::TDataSet, "OVEngine")
B.Property("DatabaseName", &TOVDataSet::GetDatabaseName, &TOVDataSet::SetDatabaseName);
B.Property("SessionName", &TOVDataSet::GetSessionName, &TOVDataSet::SetSessionName);
B.Property("UpdateObject", &TOVDataSet::GetUpdateObject, &TOVDataSet::SetUpdateObject);
OV_CLASS_END

TOVDataSet::TOVDataSet(TComponent* AOwner) : DB::TDataSet(AOwner) {}

TOVDataSet::~TOVDataSet() {
  Destroying();
  try {
    Close();
  } catch (...) {
    // Closing only lets go of rows and the database here.
  }
  ReleaseDatabase();
  if (FUpdateObject && FUpdateObject->GetDataSet() == this)
    FUpdateObject->SetDataSet(nullptr);
}

void TOVDataSet::SetDatabaseName(const std::string& Value) {
  if (Value == FDatabaseName)
    return;
  CheckInactiveOrLoading();
  UnPrepare();
  FDatabaseName = Value;
}

void TOVDataSet::SetSessionName(const std::string& Value) {
  if (Value == FSessionName)
    return;
  CheckInactiveOrLoading();
  UnPrepare();
  FSessionName = Value;
}

void TOVDataSet::SetUpdateObject(TOVDataSetUpdateObject* Value) {
  if (Value == FUpdateObject)
    return;
  TOVDataSetUpdateObject* Old = FUpdateObject;
  FUpdateObject = nullptr;
  if (Old) {
    Old->RemoveFreeNotification(this);
    if (Old->GetDataSet() == this)
      Old->SetDataSet(nullptr);
  }
  FUpdateObject = Value;
  if (Value) {
    Value->FreeNotification(this);
    // An update object serves one dataset at a time.
    if (Value->GetDataSet() && Value->GetDataSet() != this)
      Value->GetDataSet()->SetUpdateObject(nullptr);
    if (Value->GetDataSet() != this)
      Value->SetDataSet(this);
  }
}

void TOVDataSet::Notification(TComponent* AComponent, Classes::TOperation Operation) {
  DB::TDataSet::Notification(AComponent, Operation);
  if (Operation != Classes::TOperation::opRemove)
    return;
  if (AComponent == FUpdateObject)
    FUpdateObject = nullptr;
  if (AComponent == FDatabase)
    DatabaseGone();
}

TOVSession* TOVDataSet::GetDBSession() const {
  return Sessions()->GetSessionByName(FSessionName);
}

TOVDatabase* TOVDataSet::FindDatabase() const {
  TOVSession* S = Sessions()->FindSession(FSessionName);
  return S ? S->FindDatabase(FDatabaseName) : nullptr;
}

TOVServerType TOVDataSet::ServerType() const {
  if (FDatabase)
    return FDatabase->GetServerType();
  if (TOVDatabase* D = FindDatabase())
    return D->GetServerType();
  return DefServerType;
}

OVSqlParse::TSqlDialect TOVDataSet::SqlDialect() const {
  if (TOVDatabase* D = FDatabase ? FDatabase : FindDatabase())
    return D->Dialect();
  return ServerDialect(DefServerType);
}

bool TOVDataSet::IsObjOwnerSupported() const {
  return ServerDriver(ServerType()).SupportsObjectOwners();
}

TOVDatabase& TOVDataSet::OpenDatabase() {
  if (FDatabase && FDatabase->GetConnected())
    return *FDatabase;
  TOVDatabase* D = GetDBSession()->DatabaseByName(FDatabaseName);
  if (!D->GetConnected()) {
    // Directly, not through Connected: while a design file is read the
    // database may not have had its Loaded yet.
    D->DoConnect();
    FConnectedDatabase = true;
  }
  FDatabase = D;
  D->FreeNotification(this);
  D->RegisterDataSet(this);
  return *D;
}

void TOVDataSet::ReleaseDatabase() {
  if (!FDatabase)
    return;
  TOVDatabase* D = FDatabase;
  FDatabase = nullptr;
  D->UnregisterDataSet(this);
  D->RemoveFreeNotification(this);
  // A database that this dataset connected goes again with its last user,
  // unless it keeps its connection.
  if (FConnectedDatabase && !D->GetKeepConnection() && D->DataSets().empty() && !D->IsDestroying())
    D->Close();
  FConnectedDatabase = false;
}

void TOVDataSet::DatabaseGone() {
  // The database is being freed: its connection goes with it, so nothing
  // read through it stays open.
  if (GetActive()) {
    try {
      Close();
    } catch (...) {
    }
  }
  FPrepared = false;
  FDatabase = nullptr;
  FConnectedDatabase = false;
}

void TOVDataSet::Prepare() {
  if (FPrepared)
    return;
  OpenDatabase();
  try {
    DoPrepare();
  } catch (...) {
    if (!GetActive())
      ReleaseDatabase();
    throw;
  }
  FPrepared = true;
}

void TOVDataSet::UnPrepare() {
  if (!FPrepared)
    return;
  FPrepared = false;
  DoUnPrepare();
  if (!GetActive())
    ReleaseDatabase();
}

void TOVDataSet::SetPrepared(bool Value) {
  if (Value)
    Prepare();
  else
    UnPrepare();
}

void TOVDataSet::InternalOpen() {
  OpenDatabase();
  std::vector<TVariant> Values;
  const std::string SQL = OpenStatement(Values);
  FetchStatement(SQL, Values);
  AfterFetch();
}

void TOVDataSet::InternalClose() {
  if (!FPrepared)
    ReleaseDatabase();
}

void TOVDataSet::FetchStatement(const std::string& SQL, const std::vector<TVariant>& Values) {
  OVCommon::MonitorSQL(SQL);
  OVDriver::TConnection& Conn = FDatabase->Connection();
  std::unique_ptr<OVDriver::TResultSet> Rows;
  try {
    Rows = Conn.Query(SQL, Internal::ToDriverValues(Values));
  } catch (const OVDriver::EDriverError& E) {
    Internal::RaiseDriverError(E, this);
  }
  if (Rows->ColumnCount() == 0)
    DB::DatabaseError("The statement returns no rows to show; run it with ExecSQL", this);

  FieldDefs()->Clear();
  std::vector<TFieldType> Types;
  std::vector<bool> Unknown;
  for (int I = 0; I < Rows->ColumnCount(); ++I) {
    const OVDriver::TColumnInfo& C = Rows->Column(I);
    // Two columns of one name (a join's "id" and "id") get _1, _2... as the
    // platform's datasets name them.
    std::string Name = C.Name.empty() ? Format("COLUMN%d", I + 1) : C.Name;
    for (int N = 1; FieldDefs()->IndexOf(Name) >= 0; ++N)
      Name = Format("%s_%d", C.Name, N);
    TFieldType Type = Internal::FieldTypeOf(C.DataType);
    Unknown.push_back(Type == TFieldType::ftUnknown);
    DB::TFieldDef* Def =
        FieldDefs()->Add(Name, Type, Type == TFieldType::ftString ? C.Size : 0, false);
    Def->SetPrecision(C.Precision);
    Types.push_back(Type);
  }
  try {
    while (Rows->Next()) {
      DB::TRecord Record;
      Record.reserve(Types.size());
      for (int I = 0; I < static_cast<int>(Types.size()); ++I)
        Record.push_back(Internal::ToVariant(Rows->Value(I), Types[static_cast<size_t>(I)]));
      FRecords.push_back(std::move(Record));
    }
  } catch (const OVDriver::EDriverError& E) {
    Internal::RaiseDriverError(E, this);
  }
  // A column the server gives no type for (an expression in SQLite) takes
  // the kind its values share: whole numbers, numbers, bytes, else text.
  for (size_t I = 0; I < Types.size(); ++I) {
    if (!Unknown[I])
      continue;
    bool Ints = true, Numbers = true, Blobs = true, Any = false;
    for (const DB::TRecord& R : FRecords) {
      const DB::TVarType T = R[I].Type();
      if (T == DB::TVarType::varNull)
        continue;
      Any = true;
      Ints = Ints && T == DB::TVarType::varInteger;
      Numbers = Numbers && (T == DB::TVarType::varInteger || T == DB::TVarType::varFloat);
      Blobs = Blobs && T == DB::TVarType::varBlob;
    }
    const TFieldType Type = !Any      ? TFieldType::ftString
                            : Ints    ? TFieldType::ftLargeint
                            : Numbers ? TFieldType::ftFloat
                            : Blobs   ? TFieldType::ftBlob
                                      : TFieldType::ftString;
    FieldDefs()->Items(static_cast<int>(I))->SetDataType(Type);
    if (Type == TFieldType::ftFloat)
      for (DB::TRecord& R : FRecords)
        if (R[I].Type() == DB::TVarType::varInteger)
          R[I] = TVariant(R[I].AsFloat());
  }
}

std::string TOVDataSet::BindParams(const std::string& SQL, const TParams* Params,
                                   std::vector<TVariant>& Values) const {
  const OVDriver::TDriver& Driver = ServerDriver(ServerType());
  return OVSqlParse::ReplaceParams(
      SQL, SqlDialect(), [&](std::size_t Index, const std::string& Name) {
        const DB::TParam* P = Params ? Params->FindParam(Name) : nullptr;
        if (!P)
          DB::DatabaseError(Format("Parameter '%s' not found", Name), this);
        if (!P->GetBound())
          DB::DatabaseError(Format("No value for parameter '%s'", Name), this);
        TVariant V = P->GetValue();
        if (V.Type() == DB::TVarType::varDateTime)
          V = TVariant(
              DB::DateTimeToISOStr(V.AsDateTime(), P->GetDataType() == TFieldType::ftDate ||
                                                           P->GetDataType() == TFieldType::ftTime
                                                       ? P->GetDataType()
                                                       : TFieldType::ftDateTime));
        Values.push_back(V);
        return Driver.PlaceholderFor(static_cast<int>(Index));
      });
}

void TOVDataSet::InternalPost(bool Inserting) {
  if (!FUpdateObject)
    DB::DatabaseError("Cannot modify a read-only dataset: it has no update object", this);
  FUpdateObject->Apply(Inserting ? TUpdateKind::ukInsert : TUpdateKind::ukModify);
}

void TOVDataSet::InternalDelete() {
  if (!FUpdateObject)
    DB::DatabaseError("Cannot modify a read-only dataset: it has no update object", this);
  FUpdateObject->Apply(TUpdateKind::ukDelete);
}

// Field info -------------------------------------------------------------------

void TOVDataSet::ParseFieldInfoFromSQL(const std::string& SQL, TStrings* FieldInfo,
                                       TStrings* TableInfo, TStrings* NoOrigin) {
  const OVSqlParse::TSqlDialect Dialect = SqlDialect();
  TOVDatabase* Db = FDatabase ? FDatabase : FindDatabase();
  OVSqlParse::TColumnLookup Lookup;
  if (Db && Db->GetConnected()) {
    Lookup = [Db, Dialect](
                 const OVSqlParse::TSelectTable& Table) -> std::optional<std::vector<std::string>> {
      // The catalogue reads the name as the statement writes it.
      if (OVSqlParse::SplitName(Table.Name, Dialect).empty())
        return std::nullopt;
      std::vector<std::string> Columns = Db->FieldNames(Table.Name);
      if (Columns.empty())
        return std::nullopt;
      return Columns;
    };
  }
  const OVSqlParse::TSelectInfo Info = OVSqlParse::ParseSelect(SQL, Dialect, Lookup);
  if (Info.TooManyFields)
    DB::DatabaseError(Format("The statement gives more than %d fields, more than a dataset holds",
                             static_cast<int>(OVSqlParse::MaxSelectFields)),
                      this);
  if (FieldInfo) {
    FieldInfo->Clear();
    FieldInfo->SetCapacity(static_cast<int>(Info.Fields.size()));
    // FieldInfoEntries' entries as "name=table.column" lines, each built in
    // room that stays rather than as a pair of strings first.
    std::string Line;
    for (const OVSqlParse::TSelectField& F : Info.Fields)
      if (F.HasOrigin)
        FieldInfo->Add(Line.assign(F.FieldName)
                           .append(1, '=')
                           .append(F.Table)
                           .append(1, '.')
                           .append(F.Column));
  }
  if (TableInfo) {
    TableInfo->Clear();
    for (const auto& [Alias, Name] : OVSqlParse::TableInfoEntries(Info))
      TableInfo->Add(Alias + "=" + Name);
  }
  if (NoOrigin) {
    NoOrigin->Clear();
    for (const auto& F : Info.Fields)
      if (!F.HasOrigin)
        NoOrigin->Add(F.FieldName);
  }
}

} // namespace OVEngine
