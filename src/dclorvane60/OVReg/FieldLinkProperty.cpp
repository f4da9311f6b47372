// The MasterFields editor of tables: the host's field link designer, run on
// a working copy of the table so that the designed table changes only when
// the developer confirms a changed link.
#include "dclorvane60/OVReg.hpp"

#include "orvane60/OVConsts.hpp"
#include "rtl/ScopeGuard.hpp"

namespace OVReg {

using OVEngine::TOVTable;

OV_CLASS_IMPL(TOVTableFieldLinkProperty, FldLinks::TFieldLinkProperty, "OVReg")

void TOVTableFieldLinkProperty::Edit() {
  TOVTable* Source = System::As<TOVTable>(GetDataSet());
  FTable = std::make_unique<TOVTable>(nullptr);
  // The working copy goes whatever happens; what was written back before a
  // failure stays on the designed table.
  const ScopeGuard::TFinally FreeTable([this] { FTable.reset(); });

  FTable->SetSessionName(Source->GetSessionName());
  FTable->SetDatabaseName(Source->GetDatabaseName());
  FTable->SetTableName(Source->GetTableName());
  // The index before the master fields: the master fields pair with the
  // index's fields.
  if (!Source->GetIndexFieldNames().empty())
    FTable->SetIndexFieldNames(Source->GetIndexFieldNames());
  else
    FTable->SetIndexName(Source->GetIndexName());
  FTable->SetMasterFields(Source->GetMasterFields());
  FTable->Open();

  inherited::Edit();
  if (!LinkChanged())
    return;
  // Back in the other order: the master fields first, so that the designed
  // table never pairs the new index with the old master fields.
  Source->SetMasterFields(FTable->GetMasterFields());
  if (!FTable->GetIndexFieldNames().empty())
    Source->SetIndexFieldNames(FTable->GetIndexFieldNames());
  else
    Source->SetIndexName(FTable->GetIndexName());
}

// Outside Edit there is no working copy: the operations then work on the
// edited table itself, as the host's editor does.

void TOVTableFieldLinkProperty::GetFieldNamesForIndex(Classes::TStrings* List) {
  if (!FTable) {
    inherited::GetFieldNamesForIndex(List);
    return;
  }
  for (int I = 0; I < FTable->GetIndexFieldCount(); ++I)
    List->Add(FTable->GetIndexField(I)->GetFieldName());
}

bool TOVTableFieldLinkProperty::GetIndexBased() {
  if (!FTable)
    return inherited::GetIndexBased();
  return !FTable->PSIsSQLBased();
}

DB::TIndexDefs* TOVTableFieldLinkProperty::GetIndexDefs() {
  if (!FTable)
    return inherited::GetIndexDefs();
  return FTable->GetIndexDefs();
}

std::string TOVTableFieldLinkProperty::GetIndexFieldNames() {
  if (!FTable)
    return inherited::GetIndexFieldNames();
  return FTable->GetIndexFieldNames();
}

std::string TOVTableFieldLinkProperty::GetIndexName() {
  if (!FTable)
    return inherited::GetIndexName();
  return FTable->GetIndexName();
}

std::string TOVTableFieldLinkProperty::GetMasterFields() {
  if (!FTable)
    return inherited::GetMasterFields();
  return FTable->GetMasterFields();
}

void TOVTableFieldLinkProperty::SetIndexFieldNames(const std::string& Value) {
  if (!FTable) {
    inherited::SetIndexFieldNames(Value);
    return;
  }
  FTable->SetIndexFieldNames(Value);
}

void TOVTableFieldLinkProperty::SetIndexName(const std::string& Value) {
  if (!FTable) {
    inherited::SetIndexName(Value);
    return;
  }
  FTable->SetIndexName(Value == OVConsts::SPrimary() ? std::string() : Value);
}

void TOVTableFieldLinkProperty::SetMasterFields(const std::string& Value) {
  if (!FTable) {
    inherited::SetMasterFields(Value);
    return;
  }
  FTable->SetMasterFields(Value);
}

} // namespace OVReg
