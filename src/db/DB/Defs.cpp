// Field and index definitions, parameters.
#include "db/DB.hpp"

namespace DB {

using SysUtils::Format;
using SysUtils::SameText;

OV_CLASS_BEGIN(TFieldDef, Classes::TCollectionItem, "DB")
B.Property("Name", &TFieldDef::GetName, &TFieldDef::SetName);
B.Property("DataType", &TFieldDef::GetDataType, &TFieldDef::SetDataType).Default(0);
B.Property("Precision", &TFieldDef::GetPrecision, &TFieldDef::SetPrecision).Default(0);
B.Property("Required", &TFieldDef::GetRequired, &TFieldDef::SetRequired).Default(0);
B.Property("Size", &TFieldDef::GetSize, &TFieldDef::SetSize).Default(0);
OV_CLASS_END
OV_CLASS_IMPL(TFieldDefs, Classes::TOwnedCollection, "DB")

OV_CLASS_BEGIN(TIndexDef, Classes::TCollectionItem, "DB")
B.Property("Name", &TIndexDef::GetName, &TIndexDef::SetName);
B.Property("CaseInsFields", &TIndexDef::GetCaseInsFields, &TIndexDef::SetCaseInsFields);
B.Property("DescFields", &TIndexDef::GetDescFields, &TIndexDef::SetDescFields);
B.Property("Expression", &TIndexDef::GetExpression, &TIndexDef::SetExpression);
B.Property("Fields", &TIndexDef::GetFields, &TIndexDef::SetFields);
B.Property("Options", &TIndexDef::GetOptions, &TIndexDef::SetOptions).Default(0);
OV_CLASS_END
OV_CLASS_IMPL(TIndexDefs, Classes::TOwnedCollection, "DB")

OV_CLASS_BEGIN(TParam, Classes::TCollectionItem, "DB")
B.Property("DataType", &TParam::GetDataType, &TParam::SetDataType).Default(0);
B.Property("Name", &TParam::GetName, &TParam::SetName);
B.Property("ParamType", &TParam::GetParamType, &TParam::SetParamType).Default(0);
OV_CLASS_END
OV_CLASS_IMPL(TParams, Classes::TOwnedCollection, "DB")

std::vector<std::string> SplitFieldNames(std::string_view Fields) {
  std::vector<std::string> Result;
  for (const std::string& Part : SysUtils::SplitString(Fields, ';')) {
    std::string Name = SysUtils::Trim(Part);
    if (!Name.empty())
      Result.push_back(std::move(Name));
  }
  return Result;
}

// Field definitions ------------------------------------------------------------

void TFieldDef::Assign(TPersistent* Source) {
  if (auto* S = dynamic_cast<TFieldDef*>(Source)) {
    FName = S->FName;
    FDataType = S->FDataType;
    FSize = S->FSize;
    FPrecision = S->FPrecision;
    FRequired = S->FRequired;
    return;
  }
  TCollectionItem::Assign(Source);
}

TField* TFieldDef::CreateField(TComponent* Owner) const {
  System::TClass C = DefaultFieldClass(FDataType);
  if (!C)
    throw EDatabaseError(
        Format("Field '%s' is of an unsupported type (%s)", FName, FieldTypeName(FDataType)));
  auto* F = static_cast<TField*>(Classes::CreateComponent(C, Owner));
  F->SetFieldName(FName);
  F->SetRequired(FRequired);
  if (FDataType == TFieldType::ftString || FDataType == TFieldType::ftFixedChar ||
      FDataType == TFieldType::ftWideString)
    F->SetSize(FSize);
  if (auto* Bcd = dynamic_cast<TBCDField*>(F))
    Bcd->SetPrecision(FPrecision);
  return F;
}

TFieldDefs::TFieldDefs(TPersistent* AOwner) : TOwnedCollection(AOwner, TFieldDef::StaticClass()) {}

TFieldDef* TFieldDefs::Add(const std::string& Name, TFieldType DataType, int Size, bool Required) {
  if (Name.empty())
    throw EDatabaseError("A field definition needs a name");
  if (IndexOf(Name) >= 0)
    throw EDatabaseError(Format("Duplicate field name '%s'", Name));
  TFieldDef* D = AddFieldDef();
  D->SetName(Name);
  D->SetDataType(DataType);
  D->SetSize(Size);
  D->SetRequired(Required);
  return D;
}

int TFieldDefs::IndexOf(std::string_view Name) const {
  for (int I = 0; I < Count(); ++I)
    if (SameText(Items(I)->GetName(), Name))
      return I;
  return -1;
}

TFieldDef* TFieldDefs::Find(std::string_view Name) const {
  const int I = IndexOf(Name);
  if (I < 0)
    throw EDatabaseError(Format("Field '%s' not found", std::string(Name)));
  return Items(I);
}

// Index definitions ------------------------------------------------------------

void TIndexDef::Assign(TPersistent* Source) {
  if (auto* S = dynamic_cast<TIndexDef*>(Source)) {
    FName = S->FName;
    FFields = S->FFields;
    FOptions = S->FOptions;
    FExpression = S->FExpression;
    FDescFields = S->FDescFields;
    FCaseInsFields = S->FCaseInsFields;
    return;
  }
  TCollectionItem::Assign(Source);
}

TIndexDefs::TIndexDefs(TDataSet* ADataSet)
    : TOwnedCollection(ADataSet, TIndexDef::StaticClass()), FDataSet(ADataSet) {}

TIndexDef* TIndexDefs::Add(const std::string& Name, const std::string& Fields,
                           TIndexOptions Options) {
  TIndexDef* D = AddIndexDef();
  D->SetName(Name);
  D->SetFields(Fields);
  D->SetOptions(Options);
  return D;
}

int TIndexDefs::IndexOf(std::string_view Name) const {
  for (int I = 0; I < Count(); ++I)
    if (SameText(Items(I)->GetName(), Name))
      return I;
  return -1;
}

TIndexDef* TIndexDefs::Find(std::string_view Name) const {
  const int I = IndexOf(Name);
  if (I < 0)
    throw EDatabaseError(Format("Index '%s' not found", std::string(Name)));
  return Items(I);
}

namespace {

bool SameFieldLists(const std::vector<std::string>& A, const std::vector<std::string>& B,
                    size_t Count) {
  if (A.size() < Count || B.size() < Count)
    return false;
  for (size_t I = 0; I < Count; ++I)
    if (!SameText(A[I], B[I]))
      return false;
  return true;
}

} // namespace

TIndexDef* TIndexDefs::FindIndexForFields(std::string_view Fields) const {
  const auto Wanted = SplitFieldNames(Fields);
  TIndexDef* Found = nullptr;
  for (int I = 0; I < Count(); ++I) {
    TIndexDef* D = Items(I);
    const auto Have = SplitFieldNames(D->GetFields());
    if (Have.size() != Wanted.size() || !SameFieldLists(Have, Wanted, Wanted.size()))
      continue;
    if (D->GetOptions().Contains(TIndexOption::ixPrimary))
      return D;
    if (!Found)
      Found = D;
  }
  return Found;
}

TIndexDef* TIndexDefs::GetIndexForFields(std::string_view Fields, bool CaseInsensitive) const {
  const auto Wanted = SplitFieldNames(Fields);
  if (Wanted.empty())
    return nullptr;
  for (int I = 0; I < Count(); ++I) {
    TIndexDef* D = Items(I);
    if (CaseInsensitive != D->GetOptions().Contains(TIndexOption::ixCaseInsensitive))
      continue;
    if (SameFieldLists(SplitFieldNames(D->GetFields()), Wanted, Wanted.size()))
      return D;
  }
  return nullptr;
}

TIndexDef* TIndexDefs::PrimaryIndex() const {
  for (int I = 0; I < Count(); ++I)
    if (Items(I)->GetOptions().Contains(TIndexOption::ixPrimary))
      return Items(I);
  return nullptr;
}

void TIndexDefs::Update() {
  if (FDataSet)
    FDataSet->UpdateIndexDefs();
}

// Parameters -------------------------------------------------------------------

void TParam::SetName(const std::string& Value) {
  FName = Value;
  Changed(false);
}

void TParam::SetDataType(TFieldType Value) {
  FDataType = Value;
  Changed(false);
}

void TParam::SetParamType(TParamType Value) {
  FParamType = Value;
  Changed(false);
}

void TParam::SetValue(const TVariant& Value) {
  FValue = Value;
  FBound = true;
  if (FDataType == TFieldType::ftUnknown) {
    switch (Value.Type()) {
    case TVarType::varInteger:
      FDataType = TFieldType::ftInteger;
      break;
    case TVarType::varFloat:
      FDataType = TFieldType::ftFloat;
      break;
    case TVarType::varString:
      FDataType = TFieldType::ftString;
      break;
    case TVarType::varBoolean:
      FDataType = TFieldType::ftBoolean;
      break;
    case TVarType::varDateTime:
      FDataType = TFieldType::ftDateTime;
      break;
    case TVarType::varBlob:
      FDataType = TFieldType::ftBlob;
      break;
    case TVarType::varNull:
      break;
    }
  }
  Changed(false);
}

void TParam::Clear() {
  FValue = TVariant();
  FBound = false;
  Changed(false);
}

void TParam::SetNull() {
  FValue = TVariant();
  FBound = true;
  Changed(false);
}

void TParam::SetAsString(const std::string& Value) {
  FDataType = TFieldType::ftString;
  SetValue(TVariant(Value));
}

void TParam::SetAsInteger(int Value) {
  FDataType = TFieldType::ftInteger;
  SetValue(TVariant(Value));
}

void TParam::SetAsLargeInt(int64_t Value) {
  FDataType = TFieldType::ftLargeint;
  SetValue(TVariant(Value));
}

void TParam::SetAsFloat(double Value) {
  FDataType = TFieldType::ftFloat;
  SetValue(TVariant(Value));
}

void TParam::SetAsBoolean(bool Value) {
  FDataType = TFieldType::ftBoolean;
  SetValue(TVariant(Value));
}

void TParam::SetAsDateTime(TDateTime Value) {
  FDataType = TFieldType::ftDateTime;
  SetValue(TVariant::FromDateTime(Value));
}

void TParam::Assign(TPersistent* Source) {
  if (auto* S = dynamic_cast<TParam*>(Source)) {
    FName = S->FName;
    FDataType = S->FDataType;
    FParamType = S->FParamType;
    FValue = S->FValue;
    FBound = S->FBound;
    Changed(false);
    return;
  }
  if (auto* F = dynamic_cast<TField*>(Source)) {
    AssignField(F);
    return;
  }
  TCollectionItem::Assign(Source);
}

void TParam::AssignField(const TField* Field) {
  FName = Field->GetFieldName();
  AssignFieldValue(Field, Field->GetValue());
}

void TParam::AssignFieldValue(const TField* Field, const TVariant& Value) {
  FDataType = Field->DataType();
  FValue = Value;
  FBound = true;
  Changed(false);
}

std::string TParam::GetDisplayName() const {
  return FName.empty() ? TCollectionItem::GetDisplayName() : FName;
}

void TParam::DefineProperties(Classes::TFiler* Filer) {
  using DfmText::TDfmValue;
  using DfmText::TValueKind;
  Filer->DefineProperty(
      "Value",
      [this](const TDfmValue& V) {
        switch (V.Kind) {
        case TValueKind::vaInteger:
          FValue = TVariant(V.Int);
          break;
        case TValueKind::vaFloat:
          FValue = TVariant(V.Float);
          break;
        case TValueKind::vaString:
          FValue = TVariant(V.Str);
          break;
        case TValueKind::vaIdent:
          if (SameText(V.Str, "True") || SameText(V.Str, "False"))
            FValue = TVariant(SameText(V.Str, "True"));
          else if (SameText(V.Str, "Null"))
            FValue = TVariant();
          else
            throw Classes::EReadError(
                Format("Invalid value '%s' for parameter '%s'", V.Str, FName));
          break;
        default:
          throw Classes::EReadError(Format("Invalid value for parameter '%s'", FName));
        }
        FBound = true;
      },
      [this]() {
        TDfmValue V;
        switch (FValue.Type()) {
        case TVarType::varInteger:
          V.Kind = TValueKind::vaInteger;
          V.Int = FValue.AsInteger();
          break;
        case TVarType::varFloat:
          V.Kind = TValueKind::vaFloat;
          V.Float = FValue.AsFloat();
          break;
        case TVarType::varBoolean:
          V.Kind = TValueKind::vaIdent;
          V.Str = FValue.AsBoolean() ? "True" : "False";
          break;
        default:
          V.Kind = TValueKind::vaString;
          V.Str = FValue.AsString();
          break;
        }
        return V;
      },
      !FValue.IsNull());
}

TParams::TParams(TPersistent* AOwner) : TOwnedCollection(AOwner, TParam::StaticClass()) {}

TParam* TParams::CreateParam(TFieldType DataType, const std::string& Name, TParamType ParamType) {
  TParam* P = AddParam();
  P->SetName(Name);
  P->SetDataType(DataType);
  P->SetParamType(ParamType);
  return P;
}

TParam* TParams::FindParam(std::string_view Name) const {
  for (int I = 0; I < Count(); ++I)
    if (SameText(Items(I)->GetName(), Name))
      return Items(I);
  return nullptr;
}

TParam* TParams::ParamByName(std::string_view Name) const {
  TParam* P = FindParam(Name);
  if (!P) {
    auto* Owner = dynamic_cast<TComponent*>(GetOwner());
    DatabaseError(Format("Parameter '%s' not found", std::string(Name)), Owner);
  }
  return P;
}

void TParams::AssignValues(const TParams* Source) {
  if (!Source)
    return;
  for (int I = 0; I < Count(); ++I) {
    TParam* P = Items(I);
    if (TParam* S = Source->FindParam(P->GetName())) {
      const std::string Name = P->GetName();
      P->Assign(S);
      P->SetName(Name);
    }
  }
}

bool TParams::IsEqual(const TParams* Other) const {
  if (!Other || Other->Count() != Count())
    return false;
  for (int I = 0; I < Count(); ++I) {
    const TParam* A = Items(I);
    const TParam* B = Other->Items(I);
    if (A->GetName() != B->GetName() || A->GetDataType() != B->GetDataType() ||
        A->GetParamType() != B->GetParamType() || !(A->GetValue() == B->GetValue()))
      return false;
  }
  return true;
}

std::vector<std::string> TParams::Names() const {
  std::vector<std::string> Result;
  for (int I = 0; I < Count(); ++I)
    Result.push_back(Items(I)->GetName());
  return Result;
}

} // namespace DB
