// Tables opened by name, their indexes and the master-detail link.
#include "orvane60/OVEngine/Internal.hpp"

namespace OVEngine {

using DB::TIndexOption;
using DB::TVariant;
using SysUtils::Format;

OV_CLASS_BEGIN(TOVTable, TOVDataSet, "OVEngine")
B.Property("IndexDefs", &TOVTable::GetIndexDefs, &TOVTable::SetIndexDefs)
    .Stored(&TOVTable::IsIndexDefsStored);
B.Property("IndexFieldNames", &TOVTable::GetIndexFieldNames, &TOVTable::SetIndexFieldNames);
B.Property("IndexName", &TOVTable::GetIndexName, &TOVTable::SetIndexName);
B.Property("MasterFields", &TOVTable::GetMasterFields, &TOVTable::SetMasterFields);
B.Property("MasterSource", &TOVTable::GetMasterSource, &TOVTable::SetMasterSource);
B.Property("TableName", &TOVTable::GetTableName, &TOVTable::SetTableName);
OV_CLASS_END

class TOVTable::TMasterLink : public DB::TDataLink {
public:
  explicit TMasterLink(TOVTable* Table) : FTable(Table) {}

protected:
  void ActiveChanged() override { FTable->MasterChanged(); }
  void DataSetScrolled() override { FTable->MasterChanged(); }

private:
  TOVTable* FTable;
};

TOVTable::TOVTable(TComponent* AOwner)
    : TOVDataSet(AOwner), FIndexDefs(std::make_unique<DB::TIndexDefs>(this)),
      FMasterLink(std::make_unique<TMasterLink>(this)) {}

TOVTable::~TOVTable() {
  Destroying();
  FMasterLink->SetDataSource(nullptr);
  try {
    Close();
  } catch (...) {
  }
}

namespace {

void Reopen(TOVTable* Table) {
  if (!Table->GetActive() || Table->IsLoading())
    return;
  Table->Close();
  Table->Open();
}

} // namespace

void TOVTable::SetTableName(const std::string& Value) {
  if (Value == FTableName)
    return;
  CheckInactiveOrLoading();
  FTableName = Value;
  FIndexDefs->Clear();
  FIndexDefs->SetUpdated(false);
}

void TOVTable::SetIndexName(const std::string& Value) {
  if (Value == FIndexName && FIndexFieldNames.empty())
    return;
  // An open table checks the name first, so a wrong one changes nothing.
  if (GetActive() && !Value.empty() && FIndexDefs->IndexOf(Value) < 0)
    DB::DatabaseError(Format("Index '%s' not found", Value), this);
  FIndexName = Value;
  FIndexFieldNames.clear();
  Reopen(this);
}

void TOVTable::SetIndexFieldNames(const std::string& Value) {
  if (Value == FIndexFieldNames && (Value.empty() || FIndexName.empty()))
    return;
  if (GetActive())
    for (const std::string& Name : DB::SplitFieldNames(Value))
      FieldByName(Name);
  FIndexFieldNames = Value;
  if (!Value.empty())
    FIndexName.clear();
  Reopen(this);
}

void TOVTable::SetMasterFields(const std::string& Value) {
  if (Value == FMasterFields)
    return;
  FMasterFields = Value;
  Reopen(this);
}

DB::TDataSource* TOVTable::GetMasterSource() const {
  return FMasterLink->GetDataSource();
}

void TOVTable::SetMasterSource(DB::TDataSource* Value) {
  if (Value == GetMasterSource())
    return;
  if (Value && Value->GetDataSet() == this)
    DB::DatabaseError("Circular datalinks are not allowed", this);
  if (GetMasterSource())
    GetMasterSource()->RemoveFreeNotification(this);
  FMasterLink->SetDataSource(Value);
  if (Value)
    Value->FreeNotification(this);
}

void TOVTable::SetIndexDefs(DB::TIndexDefs* Value) {
  FIndexDefs->Assign(Value);
}

void TOVTable::Notification(TComponent* AComponent, Classes::TOperation Operation) {
  TOVDataSet::Notification(AComponent, Operation);
  if (Operation == Classes::TOperation::opRemove && AComponent == GetMasterSource())
    FMasterLink->SetDataSource(nullptr);
}

DB::TField* TOVTable::GetIndexField(int Index) const {
  if (Index < 0 || Index >= GetIndexFieldCount())
    throw Classes::EListError(Format("List index out of bounds (%d)", Index));
  return FIndexFields[static_cast<size_t>(Index)];
}

namespace {

// The table a TableName designates (the catalogue's display name, as written
// or in another letter case), written as SQL names it beyond doubt: its
// schema and its name, each in quotes. Nothing when there is none.
std::optional<std::string> CatalogTableName(TOVDatabase& Db, const std::string& TableName) {
  const std::string Name = SysUtils::Trim(TableName);
  for (const bool SystemTables : {false, true}) {
    std::vector<OVDriver::TTableRef> Tables;
    try {
      Tables = Db.Connection().GetTables(SystemTables);
    } catch (const OVDriver::EDriverError& E) {
      Internal::RaiseDriverError(E, &Db);
    }
    std::vector<std::string> Names;
    for (const OVDriver::TTableRef& T : Tables)
      Names.push_back(T.Display);
    const auto Found = Internal::ResolveCatalogName(Names, Name, Db.GetServerType());
    if (!Found)
      continue;
    // Of two tables listed alike, the one of the default schema.
    const OVDriver::TTableRef* Table = nullptr;
    for (const OVDriver::TTableRef& T : Tables)
      if (T.Display == *Found && (!Table || T.Display == T.Name))
        Table = &T;
    return OVDriver::WriteTableName(Db.Connection(), *Table, true, true);
  }
  return std::nullopt;
}

} // namespace

void TOVTable::UpdateIndexDefs() {
  if (SysUtils::Trim(FTableName).empty())
    DB::DatabaseError("Table name missing", this);
  TOVDatabase* Db = Database() ? Database() : GetDBSession()->DatabaseByName(GetDatabaseName());
  TOVDatabaseUse Use(Db);
  const auto Name = CatalogTableName(*Db, FTableName);
  FIndexDefs->Clear();
  if (Name) {
    for (const OVDriver::TIndexColumn& R : Db->Indexes(*Name)) {
      DB::TIndexDef* Def = nullptr;
      const int At = FIndexDefs->IndexOf(R.IndexName);
      if (At >= 0) {
        Def = FIndexDefs->Items(At);
      } else {
        DB::TIndexOptions Options;
        if (R.IndexType & itPrimary)
          Options << TIndexOption::ixPrimary << TIndexOption::ixUnique;
        else if (R.IndexType & itUnique)
          Options << TIndexOption::ixUnique;
        Def = FIndexDefs->Add(R.IndexName, "", Options);
      }
      if (R.ColumnName.empty()) {
        Def->SetOptions(Def->GetOptions() << TIndexOption::ixExpression);
        continue;
      }
      Def->SetFields(Def->GetFields().empty() ? R.ColumnName
                                              : Def->GetFields() + ";" + R.ColumnName);
    }
  }
  FIndexDefs->SetUpdated(true);
}

std::vector<std::string> TOVTable::CurrentIndexFieldNames() const {
  if (!FIndexFieldNames.empty())
    return DB::SplitFieldNames(FIndexFieldNames);
  if (!FIndexName.empty()) {
    const int At = FIndexDefs->IndexOf(FIndexName);
    if (At < 0)
      DB::DatabaseError(Format("Index '%s' not found", FIndexName), this);
    return DB::SplitFieldNames(FIndexDefs->Items(At)->GetFields());
  }
  if (const DB::TIndexDef* Primary = FIndexDefs->PrimaryIndex())
    return DB::SplitFieldNames(Primary->GetFields());
  return {};
}

std::string TOVTable::OpenStatement(std::vector<TVariant>& Values) {
  if (SysUtils::Trim(FTableName).empty())
    DB::DatabaseError("Table name missing", this);
  TOVDatabase& Db = *Database();
  const OVDriver::TDriver& Driver = ServerDriver(Db.GetServerType());
  const auto Name = CatalogTableName(Db, FTableName);
  if (!Name)
    DB::DatabaseError(
        Format("Table '%s' not found in database '%s'", FTableName, Db.GetDatabaseName()), this);
  UpdateIndexDefs();

  const std::vector<std::string> Columns = Db.FieldNames(*Name);
  const auto Column = [&](const std::string& Field) {
    const auto Found = Internal::ResolveCatalogName(Columns, Field, Db.GetServerType());
    if (!Found)
      DB::DatabaseError(Format("Field '%s' not found in table '%s'", Field, FTableName), this);
    return Driver.QuoteIdentifier(*Found);
  };
  const std::vector<std::string> IndexFields = CurrentIndexFieldNames();

  std::string Where;
  DB::TDataSet* Master = FMasterLink->DataSet();
  const auto MasterFields = DB::SplitFieldNames(FMasterFields);
  if (Master && Master->GetActive() && !MasterFields.empty()) {
    if (MasterFields.size() > IndexFields.size())
      DB::DatabaseError(Format("MasterFields names %d fields, but the index has only %d",
                               static_cast<int>(MasterFields.size()),
                               static_cast<int>(IndexFields.size())),
                        this);
    for (size_t I = 0; I < MasterFields.size(); ++I) {
      const TVariant V = Master->FieldByName(MasterFields[I])->GetValue();
      Where += Where.empty() ? " where " : " and ";
      if (V.IsNull()) {
        // A master row without a key has no details.
        Where += "1 = 0";
        continue;
      }
      Values.push_back(V);
      Where += Column(IndexFields[I]) + " = " +
               Driver.PlaceholderFor(static_cast<int>(Values.size()) - 1);
    }
  }
  std::string OrderBy;
  for (const std::string& F : IndexFields)
    OrderBy += (OrderBy.empty() ? " order by " : ", ") + Column(F);
  return "select * from " + *Name + Where + OrderBy;
}

void TOVTable::DoAfterOpen() {
  FIndexFields.clear();
  for (const std::string& Name : CurrentIndexFieldNames())
    if (DB::TField* F = FindField(Name))
      FIndexFields.push_back(F);
}

void TOVTable::DoBeforeClose() {
  FIndexFields.clear();
}

void TOVTable::MasterChanged() {
  if (FMasterFields.empty() || IsDestroying())
    return;
  Reopen(this);
}

std::string TOVTable::PSGetKeyFields() const {
  const DB::TIndexDef* Primary = FIndexDefs->PrimaryIndex();
  return Primary ? Primary->GetFields() : std::string();
}

} // namespace OVEngine
