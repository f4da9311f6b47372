// The dataset: opening and closing, the cursor, the edit buffer, data sources
// and links, and the in-memory dataset.
#include "db/DB.hpp"

#include <algorithm>

namespace DB {

using SysUtils::Format;

OV_CLASS_BEGIN(TDataSet, TComponent, "DB")
B.Property("Active", &TDataSet::GetActiveProperty, &TDataSet::SetActive).Default(0);
OV_CLASS_END
OV_CLASS_IMPL(TMemDataSet, TDataSet, "DB")
OV_CLASS_BEGIN(TDataSource, TComponent, "DB")
B.Property("DataSet", &TDataSource::GetDataSet, &TDataSource::SetDataSet);
B.Property("Enabled", &TDataSource::GetEnabled, &TDataSource::SetEnabled).Default(1);
OV_CLASS_END

TDataSet::TDataSet(TComponent* AOwner)
    : TComponent(AOwner), FFields(std::make_unique<TFields>(this)),
      FFieldDefs(std::make_unique<TFieldDefs>(this)) {}

TDataSet::~TDataSet() {
  // Descendants close in their own destructors, where their InternalClose
  // still exists; here only what the base holds is let go.
  FState = TDataSetState::dsInactive;
  FRecords.clear();
  for (TDataSource* S : FDataSources)
    S->FDataSet = nullptr;
  FDataSources.clear();
  DestroyDynamicFields();
  while (FFields->Count() > 0)
    FFields->Remove(FFields->Fields(FFields->Count() - 1));
}

void TDataSet::SetFieldDefs(TFieldDefs* Value) {
  FFieldDefs->Assign(Value);
}

void TDataSet::CheckActive() const {
  if (!GetActive())
    DatabaseError("Cannot perform this operation on a closed dataset", this);
}

void TDataSet::CheckInactive() const {
  if (GetActive())
    DatabaseError("Cannot perform this operation on an open dataset", this);
}

void TDataSet::CheckInactiveOrLoading() const {
  if (!IsLoading())
    CheckInactive();
}

void TDataSet::SetActive(bool Value) {
  if (IsLoading()) {
    FStreamedActive = Value;
    return;
  }
  FHeldActive = false;
  if (Value == GetActive())
    return;
  if (Value)
    DoOpen();
  else
    DoClose();
}

void TDataSet::Loaded() {
  TComponent::Loaded();
  if (FStreamedActive) {
    FStreamedActive = false;
    FHeldActive = !RestoreStreamedState(this, [this] { SetActive(true); });
  }
}

void TDataSet::DoOpen() {
  FRecords.clear();
  try {
    InternalOpen();
    BindFields();
  } catch (...) {
    DestroyDynamicFields();
    for (int I = 0; I < FFields->Count(); ++I)
      FFields->Fields(I)->FFieldNo = 0;
    FRecords.clear();
    try {
      InternalClose();
    } catch (...) {
      // The open's own error is the one to report.
    }
    throw;
  }
  FState = TDataSetState::dsBrowse;
  SetCurrent(FRecords.empty() ? -1 : 0);
  FBof = true;
  FEof = FRecords.empty();
  DoAfterOpen();
  DataEvent(TDataEvent::deActiveChanged);
}

void TDataSet::DoClose() {
  if (FState == TDataSetState::dsEdit || FState == TDataSetState::dsInsert)
    Cancel();
  DoBeforeClose();
  FState = TDataSetState::dsInactive;
  try {
    InternalClose();
  } catch (...) {
    FRecords.clear();
    DestroyDynamicFields();
    DataEvent(TDataEvent::deActiveChanged);
    throw;
  }
  FRecords.clear();
  FCurrent = -1;
  FBof = FEof = true;
  DestroyDynamicFields();
  for (int I = 0; I < FFields->Count(); ++I)
    FFields->Fields(I)->FFieldNo = 0;
  DataEvent(TDataEvent::deActiveChanged);
}

namespace {

enum class TFieldKind { fkText, fkNumber, fkBoolean, fkDateTime, fkBinary, fkOther };

TFieldKind FieldKindOf(TFieldType DataType) {
  const System::TClass C = DefaultFieldClass(DataType);
  if (!C)
    return TFieldKind::fkOther;
  if (C->InheritsFrom(TStringField::StaticClass()) || C->InheritsFrom(TMemoField::StaticClass()))
    return TFieldKind::fkText;
  if (C->InheritsFrom(TNumericField::StaticClass()))
    return TFieldKind::fkNumber;
  if (C->InheritsFrom(TBooleanField::StaticClass()))
    return TFieldKind::fkBoolean;
  if (C->InheritsFrom(TDateTimeField::StaticClass()))
    return TFieldKind::fkDateTime;
  return TFieldKind::fkBinary;
}

} // namespace

void TDataSet::BindFields() {
  FDefaultFields = FFields->Count() == 0;
  if (FDefaultFields) {
    for (int I = 0; I < FFieldDefs->Count(); ++I) {
      TField* F = FFieldDefs->Items(I)->CreateField(this);
      F->FDynamic = true;
      FFields->Add(F);
      F->FFieldNo = I + 1;
    }
    return;
  }
  for (int I = 0; I < FFields->Count(); ++I) {
    TField* F = FFields->Fields(I);
    const int Def = FFieldDefs->IndexOf(F->GetFieldName());
    if (Def < 0)
      DatabaseError(Format("Field '%s' not found", F->GetFieldName()), this);
    const TFieldType DefType = FFieldDefs->Items(Def)->GetDataType();
    // A persistent field made for another kind of column would misread it;
    // a string field shows any column as text.
    if (!F->Is<TStringField>() && FieldKindOf(F->DataType()) != FieldKindOf(DefType))
      DatabaseError(Format("Type mismatch for field '%s', expecting: %s actual: %s",
                           F->GetFieldName(), FieldTypeName(F->DataType()), FieldTypeName(DefType)),
                    this);
    F->FFieldNo = Def + 1;
  }
}

void TDataSet::DestroyDynamicFields() {
  for (int I = FFields->Count() - 1; I >= 0; --I) {
    TField* F = FFields->Fields(I);
    if (F->FDynamic)
      delete F;
  }
}

void TDataSet::SetCurrent(int Index) {
  FCurrent = Index;
}

const TRecord* TDataSet::CurrentRecord() const {
  if (FCurrent < 0 || FCurrent >= RecordCount())
    return nullptr;
  return &FRecords[static_cast<size_t>(FCurrent)];
}

void TDataSet::DataEvent(TDataEvent Event) {
  for (size_t I = 0; I < FDataSources.size(); ++I)
    FDataSources[I]->DataEvent(Event);
  if (Event == TDataEvent::deDataSetScroll)
    DoAfterScroll();
}

void TDataSet::First() {
  CheckBrowseMode();
  SetCurrent(FRecords.empty() ? -1 : 0);
  FBof = true;
  FEof = FRecords.empty();
  DataEvent(TDataEvent::deDataSetScroll);
}

void TDataSet::Last() {
  CheckBrowseMode();
  SetCurrent(RecordCount() - 1);
  FEof = true;
  FBof = FRecords.empty();
  DataEvent(TDataEvent::deDataSetScroll);
}

void TDataSet::Next() {
  MoveBy(1);
}

void TDataSet::Prior() {
  MoveBy(-1);
}

int TDataSet::MoveBy(int Distance) {
  CheckBrowseMode();
  FBof = FEof = false;
  if (FRecords.empty()) {
    FBof = FEof = true;
    return 0;
  }
  const int Target = FCurrent + Distance;
  int Moved = Distance;
  if (Target >= RecordCount()) {
    Moved = RecordCount() - 1 - FCurrent;
    SetCurrent(RecordCount() - 1);
    FEof = true;
  } else if (Target < 0) {
    Moved = -FCurrent;
    SetCurrent(0);
    FBof = true;
  } else {
    SetCurrent(Target);
  }
  if (Moved != 0)
    DataEvent(TDataEvent::deDataSetScroll);
  return Moved;
}

int TDataSet::GetRecNo() const {
  return FCurrent < 0 ? 0 : FCurrent + 1;
}

void TDataSet::SetRecNo(int Value) {
  CheckBrowseMode();
  if (Value < 1 || Value > RecordCount())
    DatabaseError(Format("Record number %d is out of range (1 to %d)", Value, RecordCount()), this);
  SetCurrent(Value - 1);
  FBof = FEof = false;
  DataEvent(TDataEvent::deDataSetScroll);
}

TField* TDataSet::FieldByName(std::string_view FieldName) const {
  TField* F = FFields->FindField(FieldName);
  if (!F)
    DatabaseError(Format("Field '%s' not found", std::string(FieldName)), this);
  return F;
}

TField* TDataSet::FindField(std::string_view FieldName) const {
  return FFields->FindField(FieldName);
}

void TDataSet::GetFieldNames(TStrings* List) const {
  if (FFields->Count() > 0) {
    FFields->GetFieldNames(List);
    return;
  }
  for (int I = 0; I < FFieldDefs->Count(); ++I)
    List->Add(FFieldDefs->Items(I)->GetName());
}

TVariant TDataSet::GetFieldValue(const TField* Field) const {
  const size_t Col = static_cast<size_t>(Field->FieldNo() - 1);
  if (FState == TDataSetState::dsEdit || FState == TDataSetState::dsInsert)
    return Col < FEditBuffer.size() ? FEditBuffer[Col] : TVariant();
  const TRecord* R = CurrentRecord();
  if (!R || Col >= R->size())
    return TVariant();
  return (*R)[Col];
}

TVariant TDataSet::GetOldFieldValue(const TField* Field) const {
  const size_t Col = static_cast<size_t>(Field->FieldNo() - 1);
  if (FState == TDataSetState::dsInsert)
    return TVariant();
  const TRecord* R = CurrentRecord();
  if (!R || Col >= R->size())
    return TVariant();
  return (*R)[Col];
}

void TDataSet::SetFieldValue(TField* Field, const TVariant& Value) {
  if (FState != TDataSetState::dsEdit && FState != TDataSetState::dsInsert)
    DatabaseError("Dataset not in edit or insert mode", this);
  if (Field->GetReadOnly())
    DatabaseError(Format("Field '%s' cannot be modified", Field->GetFieldName()), this);
  const size_t Col = static_cast<size_t>(Field->FieldNo() - 1);
  if (Col >= FEditBuffer.size())
    FEditBuffer.resize(Col + 1);
  FEditBuffer[Col] = Value;
  for (TDataSource* S : FDataSources)
    S->DataEvent(TDataEvent::deRecordChange);
}

void TDataSet::RefreshFieldValue(const TField* Field, const TVariant& Value) {
  CheckActive();
  const size_t Col = static_cast<size_t>(Field->FieldNo() - 1);
  if (Field->FieldNo() == 0)
    return;
  // A row being inserted is not among the records yet: only its buffer
  // takes the value (an insert that returns what the server assigned).
  if (FState == TDataSetState::dsInsert) {
    if (Col >= FEditBuffer.size())
      FEditBuffer.resize(Col + 1);
    FEditBuffer[Col] = Value.IsNull() ? Value : Field->Coerce(Value);
    DataEvent(TDataEvent::deRecordChange);
    return;
  }
  if (FCurrent < 0 || FCurrent >= RecordCount())
    return;
  TRecord& R = FRecords[static_cast<size_t>(FCurrent)];
  if (Col >= R.size())
    R.resize(Col + 1);
  const TVariant V = Value.IsNull() ? Value : Field->Coerce(Value);
  R[Col] = V;
  if (FState == TDataSetState::dsEdit && Col < FEditBuffer.size())
    FEditBuffer[Col] = V;
  DataEvent(TDataEvent::deRecordChange);
}

void TDataSet::CheckBrowseMode() {
  CheckActive();
  if (FState == TDataSetState::dsEdit || FState == TDataSetState::dsInsert)
    Post();
}

void TDataSet::Edit() {
  if (FState == TDataSetState::dsEdit || FState == TDataSetState::dsInsert)
    return;
  CheckActive();
  if (FRecords.empty()) {
    Insert();
    return;
  }
  FEditBuffer = *CurrentRecord();
  FEditBuffer.resize(static_cast<size_t>(FFieldDefs->Count()));
  FState = TDataSetState::dsEdit;
  DataEvent(TDataEvent::deDataSetChange);
}

void TDataSet::Insert() {
  CheckBrowseMode();
  FEditBuffer.assign(static_cast<size_t>(FFieldDefs->Count()), TVariant());
  FInsertAt = FCurrent < 0 ? 0 : FCurrent;
  FState = TDataSetState::dsInsert;
  DataEvent(TDataEvent::deDataSetChange);
}

void TDataSet::Append() {
  CheckBrowseMode();
  FEditBuffer.assign(static_cast<size_t>(FFieldDefs->Count()), TVariant());
  FInsertAt = RecordCount();
  FState = TDataSetState::dsInsert;
  DataEvent(TDataEvent::deDataSetChange);
}

void TDataSet::Post() {
  if (FState != TDataSetState::dsEdit && FState != TDataSetState::dsInsert)
    DatabaseError("Dataset not in edit or insert mode", this);
  for (int I = 0; I < FFields->Count(); ++I) {
    TField* F = FFields->Fields(I);
    if (F->GetRequired() && F->GetValue().IsNull())
      DatabaseError(Format("Field '%s' must have a value", F->GetFieldName()), this);
  }
  const bool Inserting = FState == TDataSetState::dsInsert;
  // The row changes only once the descendant has written it; a refusal
  // leaves the dataset in its edit state with the buffer intact.
  InternalPost(Inserting);
  if (Inserting) {
    const int At = std::clamp(FInsertAt, 0, RecordCount());
    FRecords.insert(FRecords.begin() + At, FEditBuffer);
    SetCurrent(At);
  } else {
    FRecords[static_cast<size_t>(FCurrent)] = FEditBuffer;
  }
  FEditBuffer.clear();
  FState = TDataSetState::dsBrowse;
  FBof = FEof = false;
  DataEvent(TDataEvent::deDataSetChange);
}

void TDataSet::Cancel() {
  if (FState != TDataSetState::dsEdit && FState != TDataSetState::dsInsert)
    return;
  FEditBuffer.clear();
  FState = TDataSetState::dsBrowse;
  DataEvent(TDataEvent::deDataSetChange);
}

void TDataSet::Delete() {
  CheckActive();
  if (FState == TDataSetState::dsInsert) {
    Cancel();
    return;
  }
  if (FRecords.empty())
    DatabaseError("Cannot perform this operation on an empty dataset", this);
  if (FState == TDataSetState::dsEdit)
    Cancel();
  InternalDelete();
  FRecords.erase(FRecords.begin() + FCurrent);
  if (FCurrent >= RecordCount())
    SetCurrent(RecordCount() - 1);
  FBof = FCurrent <= 0;
  FEof = FRecords.empty();
  DataEvent(TDataEvent::deDataSetChange);
}

void TDataSet::AppendRecord(const std::vector<TVariant>& Values) {
  CheckBrowseMode();
  if (Values.size() > static_cast<size_t>(FFieldDefs->Count()))
    DatabaseError(Format("%d values given for %d fields", static_cast<int>(Values.size()),
                         FFieldDefs->Count()),
                  this);
  Append();
  try {
    for (size_t I = 0; I < Values.size(); ++I) {
      TVariant V = Values[I];
      // Values go through the field (when one shows the column), so they
      // arrive in the kind the field keeps.
      for (int F = 0; F < FFields->Count(); ++F)
        if (FFields->Fields(F)->FieldNo() == static_cast<int>(I) + 1 && !V.IsNull()) {
          V = FFields->Fields(F)->Coerce(V);
          break;
        }
      FEditBuffer[I] = V;
    }
    Post();
  } catch (...) {
    Cancel();
    throw;
  }
}

std::string TDataSet::PSGetKeyFields() const {
  return {};
}

void TDataSet::GetChildren(const Classes::TGetChildProc& Proc, TComponent* Root) {
  for (int I = 0; I < FFields->Count(); ++I) {
    TField* F = FFields->Fields(I);
    if (!F->FDynamic && F->Owner() == Root)
      Proc(F);
  }
}

void TDataSet::AddDataSource(TDataSource* Source) {
  if (std::find(FDataSources.begin(), FDataSources.end(), Source) == FDataSources.end())
    FDataSources.push_back(Source);
}

void TDataSet::RemoveDataSource(TDataSource* Source) {
  FDataSources.erase(std::remove(FDataSources.begin(), FDataSources.end(), Source),
                     FDataSources.end());
}

// The in-memory dataset ----------------------------------------------------------

TMemDataSet::TMemDataSet(TComponent* AOwner) : TDataSet(AOwner) {}

TMemDataSet::~TMemDataSet() {
  Destroying();
  Close();
}

void TMemDataSet::InternalOpen() {
  if (FieldDefs()->Count() == 0)
    DatabaseError("The dataset has no field definitions", this);
}

void TMemDataSet::InternalClose() {}

// Data sources and links -----------------------------------------------------------

TDataSource::TDataSource(TComponent* AOwner) : TComponent(AOwner) {}

TDataSource::~TDataSource() {
  SetDataSet(nullptr);
  for (TDataLink* L : FLinks)
    L->FDataSource = nullptr;
  FLinks.clear();
}

void TDataSource::SetDataSet(TDataSet* Value) {
  if (Value == FDataSet)
    return;
  if (FDataSet) {
    FDataSet->RemoveDataSource(this);
    FDataSet->RemoveFreeNotification(this);
  }
  FDataSet = Value;
  if (FDataSet) {
    FDataSet->AddDataSource(this);
    FDataSet->FreeNotification(this);
  }
  DataEvent(TDataEvent::deActiveChanged);
}

void TDataSource::SetEnabled(bool Value) {
  if (Value == FEnabled)
    return;
  FEnabled = Value;
  DataEvent(TDataEvent::deActiveChanged);
}

TDataSetState TDataSource::State() const {
  return FDataSet && FEnabled ? FDataSet->State() : TDataSetState::dsInactive;
}

void TDataSource::Notification(TComponent* AComponent, Classes::TOperation Operation) {
  TComponent::Notification(AComponent, Operation);
  if (Operation == Classes::TOperation::opRemove && AComponent == FDataSet) {
    FDataSet->RemoveDataSource(this);
    FDataSet = nullptr;
    DataEvent(TDataEvent::deActiveChanged);
  }
}

void TDataSource::DataEvent(TDataEvent Event) {
  if (!FEnabled && Event != TDataEvent::deActiveChanged)
    return;
  // A link may unhook itself (or others) while it reacts.
  const std::vector<TDataLink*> Links = FLinks;
  for (TDataLink* L : Links)
    if (std::find(FLinks.begin(), FLinks.end(), L) != FLinks.end())
      L->DataEvent(Event);
}

TDataLink::~TDataLink() {
  if (FDataSource) {
    auto& L = FDataSource->FLinks;
    L.erase(std::remove(L.begin(), L.end(), this), L.end());
  }
}

void TDataLink::SetDataSource(TDataSource* Value) {
  if (Value == FDataSource)
    return;
  if (FDataSource) {
    auto& L = FDataSource->FLinks;
    L.erase(std::remove(L.begin(), L.end(), this), L.end());
  }
  FDataSource = Value;
  if (FDataSource)
    FDataSource->FLinks.push_back(this);
  ActiveChanged();
}

TDataSet* TDataLink::DataSet() const {
  return FDataSource ? FDataSource->GetDataSet() : nullptr;
}

bool TDataLink::Active() const {
  return FDataSource && FDataSource->State() != TDataSetState::dsInactive;
}

void TDataLink::DataEvent(TDataEvent Event) {
  switch (Event) {
  case TDataEvent::deActiveChanged:
    ActiveChanged();
    break;
  case TDataEvent::deDataSetScroll:
    DataSetScrolled();
    break;
  case TDataEvent::deRecordChange:
    RecordChanged(nullptr);
    break;
  case TDataEvent::deDataSetChange:
    DataSetChanged();
    break;
  }
}

} // namespace DB
