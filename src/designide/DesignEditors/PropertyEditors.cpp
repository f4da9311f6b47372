// The property editor base, its value access, and how the host picks and
// creates property editors for a selection.
#include "designide/DesignEditors.hpp"

#include "designide/DesignRegistry.hpp"
#include "designide/StrEdit.hpp"
#include "rtl/ScopeGuard.hpp"
#include "rtl/StrUtils.hpp"
#include "rtl/SysUtils.hpp"

#include <algorithm>

namespace DesignEditors {

using DesignIntf::TPropertyAttribute;
using SysUtils::Format;
using TypInfo::TTypeKind;

OV_CLASS_IMPL(TPropertyEditor, System::TObject, "DesignEditors")

TPropertyEditor::TPropertyEditor(IDesigner* ADesigner, int APropCount)
    : FDesigner(ADesigner), FPropList(static_cast<size_t>(std::max(APropCount, 0))) {}

TPropertyEditor::~TPropertyEditor() = default;

void TPropertyEditor::SetPropEntry(int Index, TPersistent* AInstance, const TPropInfo* APropInfo) {
  if (Index < 0)
    throw SysUtils::EInvalidOperation(Format("Property entry index %d out of range", Index));
  if (static_cast<size_t>(Index) >= FPropList.size())
    FPropList.resize(static_cast<size_t>(Index) + 1);
  FPropList[static_cast<size_t>(Index)] = {AInstance, APropInfo};
}

const TInstProp& TPropertyEditor::Entry(int Index) const {
  if (Index < 0 || Index >= PropCount() || !FPropList[static_cast<size_t>(Index)].Instance)
    throw SysUtils::EInvalidOperation(
        Format("Property editor %s has no instance at index %d", ClassName(), Index));
  return FPropList[static_cast<size_t>(Index)];
}

TPersistent* TPropertyEditor::GetComponent(int Index) const {
  return Entry(Index).Instance;
}

bool TPropertyEditor::AllEqual() {
  return PropCount() == 1;
}

void TPropertyEditor::Edit() {
  const TPropertyAttributes Attrs = GetAttributes();
  if (!Attrs.Contains(TPropertyAttribute::paValueList))
    return;
  std::vector<std::string> Values = ValueList();
  if (Values.empty())
    return;
  if (Attrs.Contains(TPropertyAttribute::paSortList))
    std::stable_sort(Values.begin(), Values.end(), [](const std::string& A, const std::string& B) {
      return SysUtils::CompareText(A, B) < 0;
    });
  const std::string Current = GetValue();
  size_t Next = 0;
  for (size_t I = 0; I < Values.size(); ++I)
    if (SysUtils::SameText(Values[I], Current)) {
      Next = (I + 1) % Values.size();
      break;
    }
  SetValue(Values[Next]);
}

TPropertyAttributes TPropertyEditor::GetAttributes() {
  return {TPropertyAttribute::paMultiSelect, TPropertyAttribute::paRevertable};
}

std::string TPropertyEditor::GetName() {
  return Entry(0).PropInfo->Name;
}

const TPropInfo* TPropertyEditor::GetPropInfo() {
  return Entry(0).PropInfo;
}

std::string TPropertyEditor::GetValue() {
  return "(Unknown)";
}

const TTypeInfo* TPropertyEditor::GetPropType() {
  return GetPropInfo()->PropType;
}

std::string TPropertyEditor::GetVisualValue() {
  return AllEqual() ? GetValue() : std::string();
}

std::vector<std::string> TPropertyEditor::ValueList() {
  std::vector<std::string> Values;
  GetValues([&](const std::string& S) { Values.push_back(S); });
  return Values;
}

int64_t TPropertyEditor::GetOrdValueAt(int Index) const {
  const TInstProp& E = Entry(Index);
  return TypInfo::GetOrdProp(E.Instance, E.PropInfo);
}

std::string TPropertyEditor::GetStrValueAt(int Index) const {
  const TInstProp& E = Entry(Index);
  return TypInfo::GetStrProp(E.Instance, E.PropInfo);
}

double TPropertyEditor::GetFloatValueAt(int Index) const {
  const TInstProp& E = Entry(Index);
  return TypInfo::GetFloatProp(E.Instance, E.PropInfo);
}

std::string TPropertyEditor::GetMethodValueAt(int Index) const {
  const TInstProp& E = Entry(Index);
  return TypInfo::GetMethodProp(E.Instance, E.PropInfo);
}

System::TObject* TPropertyEditor::GetObjectValueAt(int Index) const {
  const TInstProp& E = Entry(Index);
  return TypInfo::GetObjectProp(E.Instance, E.PropInfo);
}

void TPropertyEditor::SetEach(const std::function<bool(const TInstProp& Entry)>& Write) {
  if (FPropList.empty())
    throw SysUtils::EInvalidOperation(Format("Property editor %s edits no instance", ClassName()));
  bool Changed = false;
  const ScopeGuard::TFinally Finally([&] {
    if (Changed)
      Modified();
  });
  for (const TInstProp& E : FPropList)
    if (E.Instance && Write(E))
      Changed = true;
}

void TPropertyEditor::SetOrdValueEach(const std::function<int64_t(int64_t Old)>& NewValue) {
  SetEach([&](const TInstProp& E) {
    const int64_t Old = TypInfo::GetOrdProp(E.Instance, E.PropInfo);
    TypInfo::SetOrdProp(E.Instance, E.PropInfo, NewValue(Old));
    return TypInfo::GetOrdProp(E.Instance, E.PropInfo) != Old;
  });
}

void TPropertyEditor::SetOrdValue(int64_t Value) {
  SetOrdValueEach([Value](int64_t) { return Value; });
}

void TPropertyEditor::SetStrValue(const std::string& Value) {
  SetEach([&](const TInstProp& E) {
    const std::string Old = TypInfo::GetStrProp(E.Instance, E.PropInfo);
    TypInfo::SetStrProp(E.Instance, E.PropInfo, Value);
    return TypInfo::GetStrProp(E.Instance, E.PropInfo) != Old;
  });
}

void TPropertyEditor::SetFloatValue(double Value) {
  SetEach([&](const TInstProp& E) {
    const double Old = TypInfo::GetFloatProp(E.Instance, E.PropInfo);
    TypInfo::SetFloatProp(E.Instance, E.PropInfo, Value);
    return TypInfo::GetFloatProp(E.Instance, E.PropInfo) != Old;
  });
}

void TPropertyEditor::SetMethodValue(const std::string& MethodName) {
  TComponent* Root = Designer() ? Designer()->GetRoot() : nullptr;
  if (!MethodName.empty() && !Root)
    InvalidValue(MethodName, "there is no root component whose method it could be");
  SetEach([&](const TInstProp& E) {
    const std::string Old = TypInfo::GetMethodProp(E.Instance, E.PropInfo);
    TypInfo::SetMethodProp(E.Instance, E.PropInfo, Root, MethodName);
    return TypInfo::GetMethodProp(E.Instance, E.PropInfo) != Old;
  });
}

void TPropertyEditor::SetObjectValue(System::TObject* Value) {
  // A component reference changes when it points elsewhere; any other object
  // is assigned by value (a string list edited in place), which this editor
  // cannot compare, so that counts as a change.
  const bool IsReference = dynamic_cast<TComponent*>(Value) != nullptr;
  SetEach([&](const TInstProp& E) {
    System::TObject* Old = TypInfo::GetObjectProp(E.Instance, E.PropInfo);
    TypInfo::SetObjectProp(E.Instance, E.PropInfo, Value);
    return !IsReference || TypInfo::GetObjectProp(E.Instance, E.PropInfo) != Old;
  });
}

void TPropertyEditor::Modified() {
  if (Designer())
    Designer()->Modified();
}

void TPropertyEditor::InvalidValue(const std::string& Value, const std::string& Why) {
  throw TypInfo::EPropertyError(
      Format("Invalid value '%s' for property %s: %s", StrUtils::Excerpt(Value), GetName(), Why));
}

// Choosing and creating editors -------------------------------------------------

std::unique_ptr<TPropertyEditor> CreatePropertyEditor(TClass EditorClass, IDesigner* Designer,
                                                      const std::vector<TInstProp>& Props) {
  if (!EditorClass || !EditorClass->InheritsFrom(TPropertyEditor::StaticClass()))
    throw SysUtils::EInvalidOperation(
        Format("%s is no property editor class", EditorClass ? EditorClass->Name : "nil"));
  if (EditorClass->ConstructorKind != TypInfo::TConstructorKind::ckDefault || !EditorClass->Factory)
    throw SysUtils::EInvalidOperation(
        Format("Property editor class %s cannot be created from its class reference: it needs "
               "a default constructor",
               EditorClass->Name));
  std::unique_ptr<TPropertyEditor> Editor(
      dynamic_cast<TPropertyEditor*>(EditorClass->Factory(nullptr)));
  Editor->FDesigner = TInterfaceRef<IDesigner>(Designer);
  Editor->FPropList.assign(Props.size(), TInstProp{});
  for (size_t I = 0; I < Props.size(); ++I)
    Editor->SetPropEntry(static_cast<int>(I), Props[I].Instance, Props[I].PropInfo);
  Editor->Initialize();
  return Editor;
}

TClass DefaultPropertyEditorClass(const TPropInfo* Prop) {
  const TTypeInfo* T = Prop->PropType;
  switch (T->Kind) {
  case TTypeKind::tkInteger:
    return TIntegerProperty::StaticClass();
  case TTypeKind::tkInt64:
    return TInt64Property::StaticClass();
  case TTypeKind::tkChar:
    return TCharProperty::StaticClass();
  case TTypeKind::tkEnumeration:
    return TypInfo::SameType(T, TypInfo::BooleanTypeInfo()) ? TBoolProperty::StaticClass()
                                                            : TEnumProperty::StaticClass();
  case TTypeKind::tkFloat:
    return TFloatProperty::StaticClass();
  case TTypeKind::tkString:
    if (Prop->DeclaringClass == TComponent::StaticClass() && SysUtils::SameText(Prop->Name, "Name"))
      return TComponentNameProperty::StaticClass();
    return TStringProperty::StaticClass();
  case TTypeKind::tkSet:
    return TSetProperty::StaticClass();
  case TTypeKind::tkClass:
    if (T->ClassType && T->ClassType->InheritsFrom(TComponent::StaticClass()))
      return TComponentProperty::StaticClass();
    if (T->ClassType && T->ClassType->InheritsFrom(Classes::TStrings::StaticClass()))
      return StrEdit::TStringListProperty::StaticClass();
    return TClassProperty::StaticClass();
  case TTypeKind::tkMethod:
    return TMethodProperty::StaticClass();
  default:
    return TPropertyEditor::StaticClass();
  }
}

TClass PropertyEditorClassOf(TClass InstanceClass, const TPropInfo* Prop) {
  if (auto Reg = DesignRegistry::FindPropertyEditor(InstanceClass, Prop))
    return Reg->EditorClass;
  return DefaultPropertyEditorClass(Prop);
}

void GetComponentProperties(const std::vector<TPersistent*>& Selection, IDesigner* Designer,
                            const TGetPropProc& Proc) {
  if (Selection.empty() || !Selection[0])
    return;
  TPersistent* First = Selection[0];
  for (const TPropInfo* Prop : First->ClassType()->AllProps()) {
    if (!Prop->IsReadable() || (!Prop->IsWritable() && Prop->PropType->Kind != TTypeKind::tkClass))
      continue;
    const TClass EditorClass = PropertyEditorClassOf(First->ClassType(), Prop);
    if (!EditorClass)
      continue;
    std::vector<TInstProp> Entries{{First, Prop}};
    bool Shared = true;
    for (size_t I = 1; I < Selection.size() && Shared; ++I) {
      TPersistent* Other = Selection[I];
      const TPropInfo* P = Other ? Other->ClassType()->FindProp(Prop->Name) : nullptr;
      Shared = P && TypInfo::SameType(P->PropType, Prop->PropType) &&
               PropertyEditorClassOf(Other->ClassType(), P) == EditorClass;
      if (Shared)
        Entries.push_back({Other, P});
    }
    if (!Shared)
      continue;
    auto Editor = CreatePropertyEditor(EditorClass, Designer, Entries);
    if (Selection.size() > 1 &&
        !Editor->GetAttributes().Contains(TPropertyAttribute::paMultiSelect))
      continue;
    Proc(std::move(Editor));
  }
}

} // namespace DesignEditors
