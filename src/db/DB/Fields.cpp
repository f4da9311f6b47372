// Fields, the field list and the field classes' registration.
#include "db/DB.hpp"
#include "rtl/ScopeGuard.hpp"

#include <algorithm>
#include <cmath>

namespace DB {

using SysUtils::EConvertError;
using SysUtils::Format;

OV_CLASS_BEGIN(TField, TComponent, "DB")
// The dataset is given by nesting in design files, so it is not stored.
B.Property("DataSet", &TField::GetDataSet, &TField::SetDataSet).NotStored();
B.Property("DisplayLabel", &TField::GetDisplayLabel, &TField::SetDisplayLabel)
    .Stored(&TField::IsDisplayLabelStored);
B.Property("FieldName", &TField::GetFieldName, &TField::SetFieldName);
B.Property("Index", &TField::GetIndex, &TField::SetIndex).NotStored();
B.Property("ReadOnly", &TField::GetReadOnly, &TField::SetReadOnly).Default(0);
B.Property("Required", &TField::GetRequired, &TField::SetRequired).Default(0);
B.Property("Size", &TField::GetSize, &TField::SetSize).Default(0);
B.Property("Visible", &TField::GetVisible, &TField::SetVisible).Default(1);
OV_CLASS_END

OV_CLASS_IMPL(TStringField, TField, "DB")
OV_CLASS_IMPL(TNumericField, TField, "DB")
OV_CLASS_IMPL(TIntegerField, TNumericField, "DB")
OV_CLASS_IMPL(TSmallintField, TIntegerField, "DB")
OV_CLASS_IMPL(TWordField, TIntegerField, "DB")
OV_CLASS_IMPL(TAutoIncField, TIntegerField, "DB")
OV_CLASS_IMPL(TLargeintField, TNumericField, "DB")
OV_CLASS_BEGIN(TFloatField, TNumericField, "DB")
B.Property("Precision", &TFloatField::GetPrecision, &TFloatField::SetPrecision).Default(15);
OV_CLASS_END
OV_CLASS_IMPL(TCurrencyField, TFloatField, "DB")
OV_CLASS_BEGIN(TBCDField, TNumericField, "DB")
B.Property("Precision", &TBCDField::GetPrecision, &TBCDField::SetPrecision).Default(0);
OV_CLASS_END
OV_CLASS_IMPL(TBooleanField, TField, "DB")
OV_CLASS_IMPL(TDateTimeField, TField, "DB")
OV_CLASS_IMPL(TDateField, TDateTimeField, "DB")
OV_CLASS_IMPL(TTimeField, TDateTimeField, "DB")
OV_CLASS_IMPL(TBlobField, TField, "DB")
OV_CLASS_IMPL(TMemoField, TBlobField, "DB")
OV_CLASS_IMPL(TFields, System::TObject, "DB")

TField::TField(TComponent* AOwner) : TComponent(AOwner) {}

TField::TField(TComponent* AOwner, TFieldType DataType) : TComponent(AOwner), FDataType(DataType) {}

TField::~TField() {
  if (FDataSet)
    FDataSet->Fields()->Remove(this);
}

void TField::SetDataSet(TDataSet* Value) {
  if (Value == FDataSet)
    return;
  if (FDataSet)
    FDataSet->CheckInactive();
  if (Value)
    Value->CheckInactive();
  if (FDataSet)
    FDataSet->Fields()->Remove(this);
  if (Value)
    Value->Fields()->Add(this);
}

void TField::SetFieldName(const std::string& Value) {
  if (Value == FFieldName)
    return;
  if (FDataSet)
    FDataSet->CheckInactiveOrLoading();
  FFieldName = Value;
}

std::string TField::GetDisplayLabel() const {
  return FDisplayLabel.empty() ? FFieldName : FDisplayLabel;
}

void TField::SetSize(int Value) {
  if (Value < 0)
    throw EDatabaseError(Format("Invalid field size %d", Value));
  if (FDataSet)
    FDataSet->CheckInactiveOrLoading();
  FSize = Value;
}

int TField::GetIndex() const {
  return FDataSet ? FDataSet->Fields()->IndexOf(this) : -1;
}

void TField::SetIndex(int Value) {
  if (!FDataSet)
    return;
  const int Cur = GetIndex();
  FDataSet->Fields()->Move(Cur, std::clamp(Value, 0, FDataSet->Fields()->Count() - 1));
}

TComponent* TField::GetParentComponent() const {
  return FDataSet;
}

void TField::SetParentComponent(TComponent* Value) {
  if (IsLoading() || ComponentState().Contains(Classes::TComponentStateItem::csReading)) {
    // Reading a design file: the dataset is not open yet; join it directly.
    if (auto* DS = dynamic_cast<TDataSet*>(Value)) {
      if (FDataSet != DS) {
        if (FDataSet)
          FDataSet->Fields()->Remove(this);
        DS->Fields()->Add(this);
      }
      return;
    }
  }
  SetDataSet(Value ? System::As<TDataSet>(Value) : nullptr);
}

TVariant TField::GetValue() const {
  if (!FDataSet || FFieldNo == 0)
    return TVariant();
  return FDataSet->GetFieldValue(this);
}

void TField::SetValue(const TVariant& Value) {
  if (!FDataSet || FFieldNo == 0)
    throw EDatabaseError(Format("Field '%s' is not bound to an open dataset", FFieldName));
  FDataSet->SetFieldValue(this, Value.IsNull() ? Value : Coerce(Value));
}

TVariant TField::OldValue() const {
  if (!FDataSet || FFieldNo == 0)
    return TVariant();
  return FDataSet->GetOldFieldValue(this);
}

std::string TField::GetAsString() const {
  return GetValue().AsString();
}

int TField::GetAsInteger() const {
  const int64_t V = GetValue().AsInteger();
  if (V < INT32_MIN || V > INT32_MAX)
    throw EConvertError(Format("Value %d of field '%s' does not fit an integer",
                               static_cast<long long>(V), FFieldName));
  return static_cast<int>(V);
}

TVariant TField::Coerce(const TVariant& Value) const {
  return Value;
}

void TField::ConvertError(const TVariant& Value, const char* What) const {
  std::string Text = Value.AsString();
  if (Text.size() > 40)
    Text = Text.substr(0, 40) + "...";
  throw EConvertError(
      Format("'%s' is not a valid %s value for field '%s'", Text, What, FFieldName));
}

TStringField::TStringField(TComponent* AOwner) : TField(AOwner, TFieldType::ftString) {
  SetSize(20);
}

TVariant TStringField::Coerce(const TVariant& Value) const {
  std::string Text = Value.AsString();
  // Size is the declared length in characters (UTF-8 code points, as the
  // servers count them); 0 means no declared length.
  const auto Length = std::count_if(Text.begin(), Text.end(), [](char C) {
    return (static_cast<unsigned char>(C) & 0xC0) != 0x80;
  });
  if (GetSize() > 0 && Length > GetSize())
    throw EConvertError(
        Format("The text for field '%s' is longer than its size of %d", GetFieldName(), GetSize()));
  return TVariant(std::move(Text));
}

TVariant TIntegerField::Coerce(const TVariant& Value) const {
  int64_t V = 0;
  try {
    V = Value.AsInteger();
  } catch (const EConvertError&) {
    ConvertError(Value, "integer");
  }
  if (V < MinValue() || V > MaxValue())
    throw EConvertError(Format("%d is not a valid value for field '%s': it must be between %d "
                               "and %d",
                               static_cast<long long>(V), GetFieldName(),
                               static_cast<long long>(MinValue()),
                               static_cast<long long>(MaxValue())));
  return TVariant(V);
}

TVariant TLargeintField::Coerce(const TVariant& Value) const {
  try {
    return TVariant(Value.AsInteger());
  } catch (const EConvertError&) {
    ConvertError(Value, "integer");
  }
}

TVariant TFloatField::Coerce(const TVariant& Value) const {
  try {
    return TVariant(Value.AsFloat());
  } catch (const EConvertError&) {
    ConvertError(Value, "floating point");
  }
}

TVariant TBCDField::Coerce(const TVariant& Value) const {
  if (Value.Type() == TVarType::varString) {
    double Check = 0;
    if (!SysUtils::TryStrToFloat(SysUtils::Trim(Value.AsString()), Check))
      ConvertError(Value, "numeric");
    return TVariant(SysUtils::Trim(Value.AsString()));
  }
  try {
    return TVariant(SysUtils::FloatToStr(Value.AsFloat()));
  } catch (const EConvertError&) {
    ConvertError(Value, "numeric");
  }
}

TVariant TBooleanField::Coerce(const TVariant& Value) const {
  try {
    return TVariant(Value.AsBoolean());
  } catch (const EConvertError&) {
    ConvertError(Value, "boolean");
  }
}

std::string TBooleanField::GetAsString() const {
  const TVariant V = GetValue();
  if (V.IsNull())
    return {};
  return V.AsBoolean() ? "True" : "False";
}

TVariant TDateTimeField::Coerce(const TVariant& Value) const {
  TDateTime D = 0;
  try {
    D = Value.AsDateTime();
  } catch (const EConvertError&) {
    ConvertError(Value, "date and time");
  }
  if (DataType() == TFieldType::ftDate)
    D = std::floor(D);
  else if (DataType() == TFieldType::ftTime)
    D = D - std::floor(D);
  return TVariant::FromDateTime(D);
}

std::string TDateTimeField::GetAsString() const {
  const TVariant V = GetValue();
  if (V.IsNull())
    return {};
  return DateTimeToISOStr(V.AsDateTime(), DataType());
}

TVariant TBlobField::Coerce(const TVariant& Value) const {
  if (Value.Type() == TVarType::varBlob)
    return Value;
  return TVariant::FromBlob(Value.AsString());
}

TVariant TMemoField::Coerce(const TVariant& Value) const {
  return TVariant(Value.AsString());
}

System::TClass DefaultFieldClass(TFieldType DataType) {
  switch (DataType) {
  case TFieldType::ftString:
  case TFieldType::ftFixedChar:
  case TFieldType::ftWideString:
  case TFieldType::ftGuid:
    return TStringField::StaticClass();
  case TFieldType::ftSmallint:
    return TSmallintField::StaticClass();
  case TFieldType::ftInteger:
    return TIntegerField::StaticClass();
  case TFieldType::ftWord:
    return TWordField::StaticClass();
  case TFieldType::ftAutoInc:
    return TAutoIncField::StaticClass();
  case TFieldType::ftLargeint:
    return TLargeintField::StaticClass();
  case TFieldType::ftBoolean:
    return TBooleanField::StaticClass();
  case TFieldType::ftFloat:
    return TFloatField::StaticClass();
  case TFieldType::ftCurrency:
    return TCurrencyField::StaticClass();
  case TFieldType::ftBCD:
  case TFieldType::ftFMTBcd:
    return TBCDField::StaticClass();
  case TFieldType::ftDate:
    return TDateField::StaticClass();
  case TFieldType::ftTime:
    return TTimeField::StaticClass();
  case TFieldType::ftDateTime:
  case TFieldType::ftTimeStamp:
    return TDateTimeField::StaticClass();
  case TFieldType::ftMemo:
  case TFieldType::ftFmtMemo:
  case TFieldType::ftOraClob:
    return TMemoField::StaticClass();
  case TFieldType::ftBytes:
  case TFieldType::ftVarBytes:
  case TFieldType::ftBlob:
  case TFieldType::ftGraphic:
  case TFieldType::ftTypedBinary:
  case TFieldType::ftOraBlob:
  case TFieldType::ftParadoxOle:
  case TFieldType::ftDBaseOle:
    return TBlobField::StaticClass();
  default:
    return nullptr;
  }
}

namespace {

std::vector<System::TClass> FieldClasses() {
  return {
      TStringField::StaticClass(),   TSmallintField::StaticClass(), TIntegerField::StaticClass(),
      TWordField::StaticClass(),     TAutoIncField::StaticClass(),  TLargeintField::StaticClass(),
      TBooleanField::StaticClass(),  TFloatField::StaticClass(),    TCurrencyField::StaticClass(),
      TBCDField::StaticClass(),      TDateField::StaticClass(),     TTimeField::StaticClass(),
      TDateTimeField::StaticClass(), TBlobField::StaticClass(),     TMemoField::StaticClass()};
}

} // namespace

void RegisterFieldClasses() {
  for (System::TClass C : FieldClasses())
    Classes::RegisterClass(C);
}

void UnRegisterFieldClasses() {
  for (System::TClass C : FieldClasses())
    Classes::UnRegisterClass(C);
}

TField* TFields::Fields(int Index) const {
  if (Index < 0 || Index >= Count())
    throw Classes::EListError(Format("List index out of bounds (%d)", Index));
  return FList[static_cast<size_t>(Index)];
}

TField* TFields::FindField(std::string_view FieldName) const {
  for (TField* F : FList)
    if (SysUtils::SameText(F->GetFieldName(), FieldName))
      return F;
  return nullptr;
}

TField* TFields::FieldByName(std::string_view FieldName) const {
  TField* F = FindField(FieldName);
  if (!F)
    DatabaseError(Format("Field '%s' not found", std::string(FieldName)), FDataSet);
  return F;
}

int TFields::IndexOf(const TField* Field) const {
  const auto It = std::find(FList.begin(), FList.end(), Field);
  return It == FList.end() ? -1 : static_cast<int>(It - FList.begin());
}

void TFields::GetFieldNames(TStrings* List) const {
  List->BeginUpdate();
  const ScopeGuard::TFinally Finally([&] { List->EndUpdate(); });
  for (TField* F : FList)
    List->Add(F->GetFieldName());
}

void TFields::Add(TField* Field) {
  FList.push_back(Field);
  Field->FDataSet = FDataSet;
}

void TFields::Remove(TField* Field) {
  FList.erase(std::remove(FList.begin(), FList.end(), Field), FList.end());
  Field->FDataSet = nullptr;
  Field->FFieldNo = 0;
}

void TFields::Move(int CurIndex, int NewIndex) {
  if (CurIndex < 0 || CurIndex == NewIndex)
    return;
  TField* F = FList[static_cast<size_t>(CurIndex)];
  FList.erase(FList.begin() + CurIndex);
  FList.insert(FList.begin() + NewIndex, F);
}

} // namespace DB
