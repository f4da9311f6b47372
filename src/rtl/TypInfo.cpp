#include "rtl/TypInfo.hpp"
#include "rtl/StrUtils.hpp"

#include <cmath>
#include <deque>
#include <mutex>
#include <unordered_map>
#include <utility>

namespace TypInfo {

using SysUtils::Format;
using SysUtils::SameText;

OV_CLASS_IMPL(EPropertyError, SysUtils::Exception, "TypInfo")
OV_CLASS_IMPL(EPropertyConvertError, SysUtils::Exception, "TypInfo")

bool SameType(const TTypeInfo* A, const TTypeInfo* B) {
  if (A == B)
    return true;
  if (!A || !B || A->Kind != B->Kind)
    return false;
  if (A->Kind == TTypeKind::tkClass)
    return A->ClassType == B->ClassType;
  return SameText(A->Name, B->Name);
}

bool TMetaClass::InheritsFrom(TClass AClass) const {
  for (TClass C = this; C; C = C->Parent)
    if (C == AClass)
      return true;
  return false;
}

const TPropInfo* TMetaClass::FindProp(std::string_view PropName) const {
  for (TClass C = this; C; C = C->Parent)
    for (const auto& P : C->Props)
      if (SameText(P->Name, PropName))
        return P.get();
  return nullptr;
}

namespace {

// A class's whole property list, made once: writing a component asks it for
// every component, and making it compares every name with those before.
struct TAllPropsCache {
  std::mutex Lock;
  // The class -> its list and how many properties its chain had then (a
  // class of the chain that gains properties later makes the list again).
  std::unordered_map<const TMetaClass*, std::pair<size_t, std::vector<const TPropInfo*>>> Lists;
};

TAllPropsCache& AllPropsCache() {
  static TAllPropsCache* const Cache = new TAllPropsCache; // lives as long as the classes
  return *Cache;
}

// Parents' properties first; a descendant's republished one in its parent's
// place.
std::vector<const TPropInfo*> MakeAllProps(TClass Class) {
  std::vector<TClass> Chain;
  for (TClass C = Class; C; C = C->Parent)
    Chain.push_back(C);
  std::vector<const TPropInfo*> Result;
  for (auto It = Chain.rbegin(); It != Chain.rend(); ++It)
    for (const auto& P : (*It)->Props) {
      // A descendant may republish a property with another default: it
      // replaces the parent's entry in place.
      bool Replaced = false;
      for (auto& Existing : Result)
        if (SameText(Existing->Name, P->Name)) {
          Existing = P.get();
          Replaced = true;
        }
      if (!Replaced)
        Result.push_back(P.get());
    }
  return Result;
}

} // namespace

std::vector<const TPropInfo*> TMetaClass::AllProps() const {
  size_t Count = 0;
  for (TClass C = this; C; C = C->Parent)
    Count += C->Props.size();
  TAllPropsCache& Cache = AllPropsCache();
  const std::lock_guard<std::mutex> Guard(Cache.Lock);
  auto& [Made, List] = Cache.Lists[this];
  if (Made != Count || (Count > 0 && List.empty())) {
    List = MakeAllProps(this);
    Made = Count;
  }
  return List;
}

const TMethodEntry* TMetaClass::FindMethod(std::string_view MethodName) const {
  for (TClass C = this; C; C = C->Parent)
    for (const auto& M : C->Methods)
      if (SameText(M.Name, MethodName))
        return &M;
  return nullptr;
}

const TFieldEntry* TMetaClass::FindField(std::string_view FieldName) const {
  for (TClass C = this; C; C = C->Parent)
    for (const auto& F : C->Fields)
      if (SameText(F.Name, FieldName))
        return &F;
  return nullptr;
}

namespace Detail {

TMetaClass* NewMetaClass(const char* Name, TClass Parent, const char* UnitName) {
  // Class tables live as long as the process: class references stay valid
  // after the code that made them has been unloaded only if nothing keeps
  // them, which the registries see to when a package unloads.
  auto* M = new TMetaClass();
  M->Name = Name;
  M->Parent = Parent;
  M->UnitName = UnitName;
  M->TypeInfo.Kind = TTypeKind::tkClass;
  M->TypeInfo.Name = Name;
  M->TypeInfo.ClassType = M;
  return M;
}

void AddProp(TMetaClass* Meta, std::unique_ptr<TPropInfo> Prop) {
  Prop->NameIndex = static_cast<int>(Meta->Props.size());
  Meta->Props.push_back(std::move(Prop));
}

void RaiseBadMethod(TObject* Self, const std::string& Name, const char* Problem) {
  throw EPropertyError(
      Format("Method %s.%s %s", Self ? Self->ClassName() : std::string("nil"), Name, Problem));
}

} // namespace Detail

namespace {

const TTypeInfo* MakeSimple(TTypeKind Kind, const char* Name) {
  return new TTypeInfo{Kind, Name, {}, nullptr, nullptr};
}

} // namespace

const TTypeInfo* IntegerTypeInfo() {
  static const TTypeInfo* const Info = MakeSimple(TTypeKind::tkInteger, "Integer");
  return Info;
}
const TTypeInfo* Int64TypeInfo() {
  static const TTypeInfo* const Info = MakeSimple(TTypeKind::tkInt64, "Int64");
  return Info;
}
const TTypeInfo* BooleanTypeInfo() {
  static const TTypeInfo Info{
      TTypeKind::tkEnumeration, "Boolean", {"False", "True"}, nullptr, nullptr};
  return &Info;
}
const TTypeInfo* StringTypeInfo() {
  static const TTypeInfo* const Info = MakeSimple(TTypeKind::tkString, "string");
  return Info;
}
const TTypeInfo* DoubleTypeInfo() {
  static const TTypeInfo* const Info = MakeSimple(TTypeKind::tkFloat, "Double");
  return Info;
}
const TTypeInfo* CharTypeInfo() {
  static const TTypeInfo* const Info = MakeSimple(TTypeKind::tkChar, "Char");
  return Info;
}
const TTypeInfo* ClassTypeInfo(TClass AClass) {
  return &AClass->TypeInfo;
}

std::string GetEnumName(const TTypeInfo* Info, int64_t Value) {
  if (!Info || Value < 0 || Value >= static_cast<int64_t>(Info->EnumNames.size()))
    return {};
  return Info->EnumNames[static_cast<size_t>(Value)];
}

int GetEnumValue(const TTypeInfo* Info, std::string_view Name) {
  if (!Info)
    return -1;
  for (size_t I = 0; I < Info->EnumNames.size(); ++I)
    if (SameText(Info->EnumNames[I], Name))
      return static_cast<int>(I);
  return -1;
}

std::string SetToString(const TTypeInfo* SetInfo, uint64_t Bits, bool Brackets) {
  std::string R;
  const TTypeInfo* Comp = SetInfo ? SetInfo->CompType : nullptr;
  for (unsigned I = 0; I < 64; ++I)
    if (Bits & (uint64_t{1} << I)) {
      if (!R.empty())
        R += ',';
      const std::string Name = GetEnumName(Comp, I);
      R += Name.empty() ? std::to_string(I) : Name;
    }
  return Brackets ? "[" + R + "]" : R;
}

uint64_t StringToSet(const TTypeInfo* SetInfo, std::string_view Value) {
  std::string_view V = Value;
  while (!V.empty() && V.front() == ' ')
    V.remove_prefix(1);
  while (!V.empty() && V.back() == ' ')
    V.remove_suffix(1);
  if (!V.empty() && V.front() == '[') {
    if (V.back() != ']')
      throw EPropertyConvertError(Format("Invalid set value '%s'", std::string(Value)));
    V = V.substr(1, V.size() - 2);
  }
  uint64_t Bits = 0;
  for (const std::string& Part : SysUtils::SplitString(V, ',')) {
    const std::string Name = SysUtils::Trim(Part);
    if (Name.empty())
      continue;
    const int Ord = GetEnumValue(SetInfo ? SetInfo->CompType : nullptr, Name);
    if (Ord < 0)
      throw EPropertyConvertError(Format("Invalid set element '%s' of %s", StrUtils::Excerpt(Name),
                                         SetInfo ? SetInfo->Name : std::string("set")));
    Bits |= uint64_t{1} << Ord;
  }
  return Bits;
}

std::string PropErrorMessage(const TObject* Instance, std::string_view PropName,
                             std::string_view What) {
  return Format("Property %s.%s %s", Instance ? Instance->ClassName() : std::string("nil"),
                StrUtils::Excerpt(PropName), std::string(What));
}

const TPropInfo* GetPropInfo(TClass AClass, std::string_view PropName) {
  return AClass ? AClass->FindProp(PropName) : nullptr;
}

const TPropInfo* GetPropInfo(const TObject* Instance, std::string_view PropName) {
  return Instance ? Instance->ClassType()->FindProp(PropName) : nullptr;
}

std::vector<const TPropInfo*> GetPropList(TClass AClass) {
  return AClass->AllProps();
}

bool IsPublishedProp(const TObject* Instance, std::string_view PropName) {
  return GetPropInfo(Instance, PropName) != nullptr;
}

TTypeKind PropType(const TObject* Instance, std::string_view PropName) {
  const TPropInfo* P = GetPropInfo(Instance, PropName);
  if (!P)
    throw EPropertyError(PropErrorMessage(Instance, PropName, "does not exist"));
  return P->PropType->Kind;
}

namespace {

[[noreturn]] void WrongKind(const TObject* Instance, const TPropInfo* Prop) {
  throw EPropertyError(PropErrorMessage(Instance, Prop->Name, "has another type"));
}

[[noreturn]] void ReadOnly(const TObject* Instance, const TPropInfo* Prop) {
  throw EPropertyError(PropErrorMessage(Instance, Prop->Name, "is read-only"));
}

} // namespace

int64_t GetOrdProp(const TObject* Instance, const TPropInfo* Prop) {
  if (Prop->Access != TPropAccess::paOrdinal)
    WrongKind(Instance, Prop);
  return Prop->Getter.Call<TPropInfo::TGetOrd>(Instance);
}

void SetOrdProp(TObject* Instance, const TPropInfo* Prop, int64_t Value) {
  if (Prop->Access != TPropAccess::paOrdinal)
    WrongKind(Instance, Prop);
  if (!Prop->Setter)
    ReadOnly(Instance, Prop);
  const TTypeInfo* T = Prop->PropType;
  if (T->Kind == TTypeKind::tkEnumeration &&
      (Value < 0 || Value >= static_cast<int64_t>(T->EnumNames.size())))
    throw EPropertyConvertError(
        Format("%d is not a valid value of %s for property %s", Value, T->Name, Prop->Name));
  if (T->Kind == TTypeKind::tkInteger && (Value < INT32_MIN || Value > INT32_MAX))
    throw EPropertyConvertError(Format("%d is out of the range of property %s", Value, Prop->Name));
  Prop->Setter.Call<TPropInfo::TSetOrd>(Instance, Value);
}

std::string GetStrProp(const TObject* Instance, const TPropInfo* Prop) {
  if (Prop->Access != TPropAccess::paString)
    WrongKind(Instance, Prop);
  return Prop->Getter.Call<TPropInfo::TGetStr>(Instance);
}

void SetStrProp(TObject* Instance, const TPropInfo* Prop, const std::string& Value) {
  if (Prop->Access != TPropAccess::paString)
    WrongKind(Instance, Prop);
  if (!Prop->Setter)
    ReadOnly(Instance, Prop);
  Prop->Setter.Call<TPropInfo::TSetStr>(Instance, Value);
}

double GetFloatProp(const TObject* Instance, const TPropInfo* Prop) {
  if (Prop->Access != TPropAccess::paFloat)
    WrongKind(Instance, Prop);
  return Prop->Getter.Call<TPropInfo::TGetFloat>(Instance);
}

void SetFloatProp(TObject* Instance, const TPropInfo* Prop, double Value) {
  if (Prop->Access != TPropAccess::paFloat)
    WrongKind(Instance, Prop);
  if (!Prop->Setter)
    ReadOnly(Instance, Prop);
  Prop->Setter.Call<TPropInfo::TSetFloat>(Instance, Value);
}

TObject* GetObjectProp(const TObject* Instance, const TPropInfo* Prop) {
  if (Prop->Access != TPropAccess::paObject)
    WrongKind(Instance, Prop);
  return Prop->Getter.Call<TPropInfo::TGetObj>(Instance);
}

void SetObjectProp(TObject* Instance, const TPropInfo* Prop, TObject* Value) {
  if (Prop->Access != TPropAccess::paObject)
    WrongKind(Instance, Prop);
  if (!Prop->Setter)
    ReadOnly(Instance, Prop);
  Prop->Setter.Call<TPropInfo::TSetObj>(Instance, Value);
}

std::string GetEnumProp(const TObject* Instance, const TPropInfo* Prop) {
  return GetEnumName(Prop->PropType, GetOrdProp(Instance, Prop));
}

void SetEnumProp(TObject* Instance, const TPropInfo* Prop, std::string_view Value) {
  const int Ord = GetEnumValue(Prop->PropType, Value);
  if (Ord < 0)
    throw EPropertyConvertError(Format("'%s' is not a valid value of %s for property %s",
                                       StrUtils::Excerpt(Value), Prop->PropType->Name, Prop->Name));
  SetOrdProp(Instance, Prop, Ord);
}

std::string GetSetProp(const TObject* Instance, const TPropInfo* Prop, bool Brackets) {
  return SetToString(Prop->PropType, static_cast<uint64_t>(GetOrdProp(Instance, Prop)), Brackets);
}

void SetSetProp(TObject* Instance, const TPropInfo* Prop, std::string_view Value) {
  SetOrdProp(Instance, Prop, static_cast<int64_t>(StringToSet(Prop->PropType, Value)));
}

std::string GetMethodProp(const TObject* Instance, const TPropInfo* Prop) {
  if (Prop->Access != TPropAccess::paMethod)
    WrongKind(Instance, Prop);
  return Prop->Getter.Call<TPropInfo::TGetMethodName>(Instance);
}

void SetMethodProp(TObject* Instance, const TPropInfo* Prop, TObject* Self,
                   const std::string& MethodName) {
  if (Prop->Access != TPropAccess::paMethod)
    WrongKind(Instance, Prop);
  Prop->Setter.Call<TPropInfo::TSetMethod>(Instance, Self, MethodName);
}

bool IsStoredProp(const TObject* Instance, const TPropInfo* Prop) {
  return !Prop->IsStored || Prop->IsStored.Call<TPropInfo::TIsStored>(Instance);
}

bool IsDefaultPropValue(const TObject* Instance, const TPropInfo* Prop) {
  switch (Prop->PropType->Kind) {
  case TTypeKind::tkInteger:
  case TTypeKind::tkInt64:
  case TTypeKind::tkChar:
  case TTypeKind::tkEnumeration:
  case TTypeKind::tkSet:
    return Prop->Default && GetOrdProp(Instance, Prop) == *Prop->Default;
  case TTypeKind::tkFloat:
    return GetFloatProp(Instance, Prop) == 0.0;
  case TTypeKind::tkString:
    return GetStrProp(Instance, Prop).empty();
  case TTypeKind::tkMethod:
    return GetMethodProp(Instance, Prop).empty();
  default:
    return false;
  }
}

std::string GetPropValueText(const TObject* Instance, const TPropInfo* Prop) {
  // A misspelt name gives no property information: say so rather than crash.
  if (!Prop)
    throw EPropertyError(PropErrorMessage(Instance, "(unnamed)", "does not exist"));
  switch (Prop->PropType->Kind) {
  case TTypeKind::tkInteger:
  case TTypeKind::tkInt64: {
    const int64_t V = GetOrdProp(Instance, Prop);
    std::string Ident;
    if (Prop->PropType->IntToIdent && Prop->PropType->IntToIdent(V, Ident))
      return Ident;
    return std::to_string(V);
  }
  case TTypeKind::tkChar:
    return std::string(1, static_cast<char>(GetOrdProp(Instance, Prop)));
  case TTypeKind::tkEnumeration:
    return GetEnumProp(Instance, Prop);
  case TTypeKind::tkSet:
    return GetSetProp(Instance, Prop);
  case TTypeKind::tkFloat:
    return SysUtils::FloatToStr(GetFloatProp(Instance, Prop));
  case TTypeKind::tkString:
    return GetStrProp(Instance, Prop);
  case TTypeKind::tkMethod:
    return GetMethodProp(Instance, Prop);
  default:
    throw EPropertyError(PropErrorMessage(Instance, Prop->Name, "has no text value"));
  }
}

void SetPropValueText(TObject* Instance, const TPropInfo* Prop, std::string_view Value) {
  switch (Prop->PropType->Kind) {
  case TTypeKind::tkInteger:
  case TTypeKind::tkInt64: {
    int64_t V = 0;
    const auto IdentToInt = Prop->PropType->IdentToInt;
    if (!SysUtils::TryStrToInt64(Value, V) && !(IdentToInt && IdentToInt(SysUtils::Trim(Value), V)))
      throw EPropertyConvertError(Format("'%s' is not a valid integer value for property %s",
                                         StrUtils::Excerpt(Value), Prop->Name));
    SetOrdProp(Instance, Prop, V);
    return;
  }
  case TTypeKind::tkChar:
    if (Value.size() != 1)
      throw EPropertyConvertError(Format("'%s' is not a valid character value for property %s",
                                         StrUtils::Excerpt(Value), Prop->Name));
    SetOrdProp(Instance, Prop, static_cast<unsigned char>(Value[0]));
    return;
  case TTypeKind::tkEnumeration:
    SetEnumProp(Instance, Prop, Value);
    return;
  case TTypeKind::tkSet:
    SetSetProp(Instance, Prop, Value);
    return;
  case TTypeKind::tkFloat: {
    double V = 0;
    if (!SysUtils::TryStrToFloat(Value, V) || !std::isfinite(V))
      throw EPropertyConvertError(Format("'%s' is not a valid floating point value for property %s",
                                         StrUtils::Excerpt(Value), Prop->Name));
    SetFloatProp(Instance, Prop, V);
    return;
  }
  case TTypeKind::tkString:
    SetStrProp(Instance, Prop, std::string(Value));
    return;
  default:
    throw EPropertyError(PropErrorMessage(Instance, Prop->Name, "has no text value"));
  }
}

} // namespace TypInfo
