// The host's standard property editors, one per kind of property.
#include "designide/DesignEditors.hpp"

#include "rtl/SysUtils.hpp"

#include <cerrno>
#include <cmath>
#include <cstdlib>

namespace DesignEditors {

using DesignIntf::TPropertyAttribute;
using SysUtils::Format;

OV_CLASS_IMPL(TOrdinalProperty, TPropertyEditor, "DesignEditors")
OV_CLASS_IMPL(TIntegerProperty, TOrdinalProperty, "DesignEditors")
OV_CLASS_IMPL(TInt64Property, TPropertyEditor, "DesignEditors")
OV_CLASS_IMPL(TCharProperty, TOrdinalProperty, "DesignEditors")
OV_CLASS_IMPL(TEnumProperty, TOrdinalProperty, "DesignEditors")
OV_CLASS_IMPL(TBoolProperty, TEnumProperty, "DesignEditors")
OV_CLASS_IMPL(TSetProperty, TOrdinalProperty, "DesignEditors")
OV_CLASS_IMPL(TSetElementProperty, TPropertyEditor, "DesignEditors")
OV_CLASS_IMPL(TFloatProperty, TPropertyEditor, "DesignEditors")
OV_CLASS_IMPL(TStringProperty, TPropertyEditor, "DesignEditors")
OV_CLASS_IMPL(TComponentNameProperty, TStringProperty, "DesignEditors")
OV_CLASS_IMPL(TClassProperty, TPropertyEditor, "DesignEditors")
OV_CLASS_IMPL(TMethodProperty, TPropertyEditor, "DesignEditors")
OV_CLASS_IMPL(TComponentProperty, TPropertyEditor, "DesignEditors")

namespace {

// Decimal, or hexadecimal after $ or 0x, with an optional sign.
bool ParseInteger(const std::string& Text, int64_t& Value) {
  std::string S = SysUtils::Trim(Text);
  bool Negative = false;
  if (!S.empty() && (S[0] == '-' || S[0] == '+')) {
    Negative = S[0] == '-';
    S.erase(0, 1);
  }
  int Base = 10;
  if (!S.empty() && S[0] == '$') {
    Base = 16;
    S.erase(0, 1);
  } else if (S.size() > 1 && S[0] == '0' && (S[1] == 'x' || S[1] == 'X')) {
    Base = 16;
    S.erase(0, 2);
  }
  if (S.empty() || S[0] == '-' || S[0] == '+' || S[0] == ' ')
    return false;
  errno = 0;
  char* End = nullptr;
  const unsigned long long Magnitude = std::strtoull(S.c_str(), &End, Base);
  if (errno == ERANGE || *End != '\0')
    return false;
  if (Negative) {
    if (Magnitude > static_cast<unsigned long long>(INT64_MAX) + 1)
      return false;
    Value = Magnitude == static_cast<unsigned long long>(INT64_MAX) + 1
                ? INT64_MIN
                : -static_cast<int64_t>(Magnitude);
  } else {
    if (Magnitude > static_cast<unsigned long long>(INT64_MAX))
      return false;
    Value = static_cast<int64_t>(Magnitude);
  }
  return true;
}

bool ParseBoolean(const std::string& Text, bool& Value) {
  const std::string S = SysUtils::Trim(Text);
  if (SysUtils::SameText(S, "True")) {
    Value = true;
    return true;
  }
  if (SysUtils::SameText(S, "False")) {
    Value = false;
    return true;
  }
  return false;
}

std::string EnumNamesText(const TypInfo::TTypeInfo* Info) {
  std::string R;
  for (const std::string& N : Info->EnumNames)
    R += (R.empty() ? "" : ", ") + N;
  return R;
}

} // namespace

// Ordinals ---------------------------------------------------------------------------

bool TOrdinalProperty::AllEqual() {
  const int64_t First = GetOrdValue();
  for (int I = 1; I < PropCount(); ++I)
    if (GetOrdValueAt(I) != First)
      return false;
  return true;
}

std::string TIntegerProperty::GetValue() {
  const int64_t V = GetOrdValue();
  std::string Ident;
  if (GetPropType()->IntToIdent && GetPropType()->IntToIdent(V, Ident))
    return Ident;
  return std::to_string(V);
}

void TIntegerProperty::SetValue(const std::string& Value) {
  int64_t V = 0;
  if (GetPropType()->IdentToInt && GetPropType()->IdentToInt(SysUtils::Trim(Value), V)) {
    SetOrdValue(V);
    return;
  }
  if (!ParseInteger(Value, V))
    InvalidValue(Value, "not an integer");
  if (V < INT32_MIN || V > INT32_MAX)
    InvalidValue(Value, "not between -2147483648 and 2147483647");
  SetOrdValue(V);
}

bool TInt64Property::AllEqual() {
  const int64_t First = GetOrdValue();
  for (int I = 1; I < PropCount(); ++I)
    if (GetOrdValueAt(I) != First)
      return false;
  return true;
}

std::string TInt64Property::GetValue() {
  return std::to_string(GetOrdValue());
}

void TInt64Property::SetValue(const std::string& Value) {
  int64_t V = 0;
  if (!ParseInteger(Value, V))
    InvalidValue(Value, "not an integer within the 64-bit range");
  SetOrdValue(V);
}

std::string TCharProperty::GetValue() {
  const int64_t Ch = GetOrdValue();
  if (Ch <= 32 || Ch >= 127)
    return "#" + std::to_string(Ch);
  return std::string(1, static_cast<char>(Ch));
}

void TCharProperty::SetValue(const std::string& Value) {
  if (Value.size() == 1) {
    SetOrdValue(static_cast<unsigned char>(Value[0]));
    return;
  }
  int64_t Code = -1;
  if (Value.size() > 1 && Value[0] == '#' && ParseInteger(Value.substr(1), Code) && Code >= 0 &&
      Code <= 255) {
    SetOrdValue(Code);
    return;
  }
  InvalidValue(Value, "not one character or a character code #0 to #255");
}

TPropertyAttributes TEnumProperty::GetAttributes() {
  return {TPropertyAttribute::paMultiSelect, TPropertyAttribute::paValueList,
          TPropertyAttribute::paSortList, TPropertyAttribute::paRevertable};
}

std::string TEnumProperty::GetValue() {
  const int64_t Ord = GetOrdValue();
  const std::string Name = TypInfo::GetEnumName(GetPropType(), Ord);
  return Name.empty() ? std::to_string(Ord) : Name;
}

void TEnumProperty::GetValues(const TGetStrProc& Proc) {
  for (const std::string& N : GetPropType()->EnumNames)
    Proc(N);
}

void TEnumProperty::SetValue(const std::string& Value) {
  const int Ord = TypInfo::GetEnumValue(GetPropType(), SysUtils::Trim(Value));
  if (Ord < 0)
    InvalidValue(
        Value, Format("not a value of %s (%s)", GetPropType()->Name, EnumNamesText(GetPropType())));
  SetOrdValue(Ord);
}

std::string TBoolProperty::GetValue() {
  return GetOrdValue() ? "True" : "False";
}

void TBoolProperty::GetValues(const TGetStrProc& Proc) {
  Proc("False");
  Proc("True");
}

void TBoolProperty::SetValue(const std::string& Value) {
  bool B = false;
  if (!ParseBoolean(Value, B))
    InvalidValue(Value, "not False or True");
  SetOrdValue(B ? 1 : 0);
}

// Sets ------------------------------------------------------------------------------

TPropertyAttributes TSetProperty::GetAttributes() {
  return {TPropertyAttribute::paMultiSelect, TPropertyAttribute::paSubProperties,
          TPropertyAttribute::paRevertable};
}

std::string TSetProperty::GetValue() {
  return TypInfo::SetToString(GetPropType(), static_cast<uint64_t>(GetOrdValue()));
}

void TSetProperty::SetValue(const std::string& Value) {
  const TypInfo::TTypeInfo* Comp = GetPropType()->CompType;
  std::string S = SysUtils::Trim(Value);
  if (!S.empty() && S.front() == '[') {
    if (S.back() != ']')
      InvalidValue(Value, "the set has no closing bracket");
    S = S.substr(1, S.size() - 2);
  }
  uint64_t Bits = 0;
  for (const std::string& Part : SysUtils::SplitString(S, ',')) {
    const std::string Name = SysUtils::Trim(Part);
    if (Name.empty())
      continue;
    const int Ord = TypInfo::GetEnumValue(Comp, Name);
    if (Ord < 0)
      InvalidValue(Value, Format("%s is no element of %s (%s)", Name, GetPropType()->Name,
                                 Comp ? EnumNamesText(Comp) : std::string()));
    Bits |= uint64_t{1} << Ord;
  }
  SetOrdValue(static_cast<int64_t>(Bits));
}

void TSetProperty::GetProperties(const TGetPropProc& Proc) {
  const TypInfo::TTypeInfo* Comp = GetPropType()->CompType;
  if (!Comp)
    return;
  for (size_t I = 0; I < Comp->EnumNames.size(); ++I) {
    auto Editor = CreatePropertyEditor(TSetElementProperty::StaticClass(), Designer(), PropList());
    static_cast<TSetElementProperty*>(Editor.get())->FElement = static_cast<int>(I);
    Proc(std::move(Editor));
  }
}

bool TSetElementProperty::AllEqual() {
  const uint64_t Bit = uint64_t{1} << FElement;
  const bool First = (static_cast<uint64_t>(GetOrdValue()) & Bit) != 0;
  for (int I = 1; I < PropCount(); ++I)
    if (((static_cast<uint64_t>(GetOrdValueAt(I)) & Bit) != 0) != First)
      return false;
  return true;
}

TPropertyAttributes TSetElementProperty::GetAttributes() {
  return {TPropertyAttribute::paMultiSelect, TPropertyAttribute::paValueList,
          TPropertyAttribute::paSortList};
}

std::string TSetElementProperty::GetName() {
  const std::string Name = TypInfo::GetEnumName(GetPropType()->CompType, FElement);
  return Name.empty() ? std::to_string(FElement) : Name;
}

std::string TSetElementProperty::GetValue() {
  return (static_cast<uint64_t>(GetOrdValue()) >> FElement) & 1 ? "True" : "False";
}

void TSetElementProperty::GetValues(const TGetStrProc& Proc) {
  Proc("False");
  Proc("True");
}

void TSetElementProperty::SetValue(const std::string& Value) {
  bool B = false;
  if (!ParseBoolean(Value, B))
    InvalidValue(Value, "not False or True");
  const uint64_t Bit = uint64_t{1} << FElement;
  SetOrdValueEach([&](int64_t Old) {
    const uint64_t Bits = static_cast<uint64_t>(Old);
    return static_cast<int64_t>(B ? Bits | Bit : Bits & ~Bit);
  });
}

// Floats and strings ------------------------------------------------------------------

bool TFloatProperty::AllEqual() {
  const double First = GetFloatValue();
  for (int I = 1; I < PropCount(); ++I)
    if (GetFloatValueAt(I) != First)
      return false;
  return true;
}

std::string TFloatProperty::GetValue() {
  return SysUtils::FloatToStr(GetFloatValue());
}

void TFloatProperty::SetValue(const std::string& Value) {
  double V = 0;
  if (!SysUtils::TryStrToFloat(SysUtils::Trim(Value), V) || !std::isfinite(V))
    InvalidValue(Value, "not a number");
  SetFloatValue(V);
}

bool TStringProperty::AllEqual() {
  const std::string First = GetStrValue();
  for (int I = 1; I < PropCount(); ++I)
    if (GetStrValueAt(I) != First)
      return false;
  return true;
}

std::string TStringProperty::GetValue() {
  return GetStrValue();
}

void TStringProperty::SetValue(const std::string& Value) {
  SetStrValue(Value);
}

TPropertyAttributes TComponentNameProperty::GetAttributes() {
  return {};
}

// Objects, events and references ------------------------------------------------------

TPropertyAttributes TClassProperty::GetAttributes() {
  return {TPropertyAttribute::paMultiSelect, TPropertyAttribute::paSubProperties,
          TPropertyAttribute::paReadOnly};
}

std::string TClassProperty::GetValue() {
  return "(" + GetPropType()->Name + ")";
}

void TClassProperty::GetProperties(const TGetPropProc& Proc) {
  std::vector<TPersistent*> Objects;
  for (int I = 0; I < PropCount(); ++I) {
    auto* P = dynamic_cast<TPersistent*>(GetObjectValueAt(I));
    if (!P)
      return;
    Objects.push_back(P);
  }
  GetComponentProperties(Objects, Designer(), Proc);
}

bool TMethodProperty::AllEqual() {
  const std::string First = GetMethodValue();
  for (int I = 1; I < PropCount(); ++I)
    if (!SysUtils::SameText(GetMethodValueAt(I), First))
      return false;
  return true;
}

TPropertyAttributes TMethodProperty::GetAttributes() {
  return {TPropertyAttribute::paMultiSelect, TPropertyAttribute::paValueList,
          TPropertyAttribute::paSortList, TPropertyAttribute::paRevertable};
}

std::string TMethodProperty::GetValue() {
  return GetMethodValue();
}

void TMethodProperty::GetValues(const TGetStrProc& Proc) {
  TComponent* Root = Designer() ? Designer()->GetRoot() : nullptr;
  if (!Root)
    return;
  for (TClass C = Root->ClassType(); C; C = C->Parent)
    for (const TypInfo::TMethodEntry& M : C->Methods)
      Proc(M.Name);
}

void TMethodProperty::SetValue(const std::string& Value) {
  const std::string Name = SysUtils::Trim(Value);
  if (!Name.empty() && !SysUtils::IsValidIdent(Name))
    InvalidValue(Value, "not a method name");
  try {
    SetMethodValue(Name);
  } catch (const TypInfo::EPropertyError& E) {
    if (SysUtils::StartsText("Invalid value", E.Message()))
      throw;
    InvalidValue(Value, E.Message());
  }
}

bool TComponentProperty::AllEqual() {
  System::TObject* First = GetObjectValue();
  for (int I = 1; I < PropCount(); ++I)
    if (GetObjectValueAt(I) != First)
      return false;
  return true;
}

TPropertyAttributes TComponentProperty::GetAttributes() {
  return {TPropertyAttribute::paMultiSelect, TPropertyAttribute::paValueList,
          TPropertyAttribute::paSortList, TPropertyAttribute::paRevertable};
}

std::string TComponentProperty::GetValue() {
  auto* C = dynamic_cast<TComponent*>(GetObjectValue());
  if (!C)
    return {};
  return Designer() ? Designer()->GetComponentName(C) : C->GetName();
}

void TComponentProperty::GetValues(const TGetStrProc& Proc) {
  if (Designer())
    Designer()->GetComponentNames(GetPropType()->ClassType, Proc);
}

void TComponentProperty::SetValue(const std::string& Value) {
  const std::string Name = SysUtils::Trim(Value);
  if (Name.empty()) {
    SetObjectValue(nullptr);
    return;
  }
  TComponent* C = Designer() ? Designer()->GetComponent(Name) : nullptr;
  if (!C)
    InvalidValue(Value, "the design has no component of that name");
  const TClass Wanted = GetPropType()->ClassType;
  if (Wanted && !C->InheritsFrom(Wanted))
    InvalidValue(Value, Format("%s is a %s, not a %s", C->GetName(), C->ClassName(), Wanted->Name));
  SetObjectValue(C);
}

} // namespace DesignEditors
