#include "designide/StFilSys.hpp"

#include "designide/DesignIntf/Designer.hpp"
#include "rtl/SysUtils.hpp"
#include "rtl/TypInfo.hpp"

#include <algorithm>

namespace StFilSys {

using Classes::TComponent;
using Classes::TStrings;
using SysUtils::Format;

TStringsFileSystem* StringsFileSystem = nullptr;

namespace {

// Keeps the unit's object alive for the life of the library.
System::TInterfaceRef<ToolsAPI::IOTAFileSystem>& FileSystemRef() {
  static System::TInterfaceRef<ToolsAPI::IOTAFileSystem> Ref;
  return Ref;
}

const TypInfo::TPropInfo* StringsPropInfo(const TComponent* Component,
                                          const std::string& PropName) {
  const TypInfo::TPropInfo* P = TypInfo::GetPropInfo(Component, PropName);
  if (!P)
    throw TypInfo::EPropertyError(TypInfo::PropErrorMessage(Component, PropName, "does not exist"));
  if (P->PropType->Kind != TypInfo::TTypeKind::tkClass ||
      !P->PropType->ClassType->InheritsFrom(TStrings::StaticClass()))
    throw TypInfo::EPropertyError(
        TypInfo::PropErrorMessage(Component, PropName, "is not a string list"));
  return P;
}

} // namespace

OV_CLASS_IMPL(TStringsProperty, TComponent, "StFilSys")
OV_CLASS_IMPL(TStringsFileSystem, System::TInterfacedObject, "StFilSys")

TStringsProperty::TStringsProperty(const std::string& AIdent, TComponent* AComponent,
                                   const std::string& APropName)
    : TComponent(nullptr), FIdent(AIdent) {
  Tie(AComponent, APropName);
}

TStringsProperty::~TStringsProperty() = default;

void TStringsProperty::Tie(TComponent* AComponent, const std::string& APropName) {
  TComponent* Root = AComponent ? AComponent->Owner() : nullptr;
  if (FComponent && FComponent != AComponent && FComponent != Root)
    FComponent->RemoveFreeNotification(this);
  if (FRoot && FRoot != Root && FRoot != AComponent)
    FRoot->RemoveFreeNotification(this);
  FComponent = AComponent;
  FComponentName = AComponent ? AComponent->GetName() : std::string();
  FRoot = Root;
  FPropName = APropName;
  if (FComponent)
    FComponent->FreeNotification(this);
  if (FRoot)
    FRoot->FreeNotification(this);
}

void TStringsProperty::Notification(TComponent* AComponent, Classes::TOperation Operation) {
  TComponent::Notification(AComponent, Operation);
  if (Operation != Classes::TOperation::opRemove)
    return;
  if (AComponent == FComponent) {
    FComponentName = AComponent->GetName();
    FComponent = nullptr;
  }
  if (AComponent == FRoot)
    FRoot = nullptr;
}

bool TStringsProperty::Retie(TComponent* Root) {
  if (FComponent)
    return true;
  if (!Root || Root != FRoot || FComponentName.empty())
    return false;
  TComponent* C = Root->FindComponent(FComponentName);
  const TypInfo::TPropInfo* P = C ? TypInfo::GetPropInfo(C, FPropName) : nullptr;
  if (!P || P->PropType->Kind != TypInfo::TTypeKind::tkClass ||
      !P->PropType->ClassType->InheritsFrom(TStrings::StaticClass()))
    return false;
  Tie(C, FPropName);
  return true;
}

TStrings* TStringsProperty::Strings() const {
  if (!FComponent)
    throw SysUtils::EInvalidOperation(
        Format("The component of module %s no longer exists", FIdent));
  const TypInfo::TPropInfo* P = StringsPropInfo(FComponent, FPropName);
  return System::As<TStrings>(TypInfo::GetObjectProp(FComponent, P));
}

std::string TStringsProperty::GetText() const {
  TStrings* S = Strings();
  return S ? S->GetText() : std::string();
}

void TStringsProperty::SetText(const std::string& Text) {
  TStrings* Current = Strings();
  const TypInfo::TPropInfo* P = StringsPropInfo(FComponent, FPropName);
  if (P->IsWritable()) {
    // Through the setter, so that the component does what it does on any
    // assignment (a query takes its parameters from the new text).
    Classes::TStringList Lines;
    Lines.SetText(Text);
    TypInfo::SetObjectProp(FComponent, P, &Lines);
  } else if (Current) {
    Current->SetText(Text);
  }
  if (DesignIntf::IDesigner* D = DesignIntf::FindRootDesigner(FComponent))
    D->Modified();
  FFileDate = SysUtils::DateTimeToFileDate(SysUtils::Now());
}

TStringsFileSystem::~TStringsFileSystem() {
  if (StringsFileSystem == this)
    StringsFileSystem = nullptr;
}

TStringsProperty* TStringsFileSystem::GetTStringsProperty(const std::string& Ident,
                                                          Classes::TPersistent* Component,
                                                          const std::string& PropName) {
  auto* C = System::As<TComponent>(static_cast<System::TObject*>(Component));
  if (!C)
    throw SysUtils::EInvalidOperation(
        Format("Module %s names no component for property %s", Ident, PropName));
  StringsPropInfo(C, PropName);
  if (TStringsProperty* E = FindTStringsProperty(Ident)) {
    E->Tie(C, PropName);
    return E;
  }
  FEntries.push_back(std::make_unique<TStringsProperty>(Ident, C, PropName));
  return FEntries.back().get();
}

std::vector<std::string> TStringsFileSystem::Retie(TComponent* Root) {
  std::vector<std::string> Gone;
  for (const auto& E : FEntries)
    if (E->FRoot == Root && !E->Retie(Root))
      Gone.push_back(E->Ident());
  return Gone;
}

TStringsProperty* TStringsFileSystem::FindTStringsProperty(const std::string& Ident) const {
  for (const auto& E : FEntries)
    if (SysUtils::SameText(E->Ident(), Ident))
      return E.get();
  return nullptr;
}

TStringsProperty* TStringsFileSystem::Entry(const std::string& FileName) const {
  TStringsProperty* E = FindTStringsProperty(FileName);
  if (!E)
    throw SysUtils::EInOutError(
        Format("%s is not a file of the strings file system: no property is tied to it", FileName));
  return E;
}

bool TStringsFileSystem::FileExists(const std::string& FileName) {
  const TStringsProperty* E = FindTStringsProperty(FileName);
  return E && E->Component();
}

int32_t TStringsFileSystem::FileAge(const std::string& FileName) {
  const TStringsProperty* E = FindTStringsProperty(FileName);
  return E && E->Component() ? E->GetFileDate() : -1;
}

std::string TStringsFileSystem::LoadFile(const std::string& FileName) {
  return Entry(FileName)->GetText();
}

void TStringsFileSystem::SaveFile(const std::string& FileName, const std::string& Text) {
  Entry(FileName)->SetText(Text);
}

bool TStringsFileSystem::IsReadonly(const std::string& FileName) {
  return !FileExists(FileName);
}

void Register() {
  if (!StringsFileSystem) {
    auto* FS = new TStringsFileSystem();
    FileSystemRef() = System::TInterfaceRef<ToolsAPI::IOTAFileSystem>(FS);
    StringsFileSystem = FS;
  }
  auto Services = System::Supports<ToolsAPI::IOTAModuleServices>(ToolsAPI::BorlandIDEServices);
  if (Services && !Services->FindFileSystem(sTStringsFileSystem))
    Services->AddFileSystem(FileSystemRef());
}

void ShowStringsModule(ToolsAPI::IOTAModule* Module, const std::string& Ident,
                       Classes::TPersistent* Component, const std::string& PropName,
                       SysUtils::TDateTime Age, bool Modified) {
  StringsFileSystem->GetTStringsProperty(Ident, Component, PropName)
      ->SetFileDate(SysUtils::DateTimeToFileDate(Age));
  System::TInterfaceRef<ToolsAPI::IOTAEditor> Editor = Module->GetModuleFileEditor(0);
  if (!Editor)
    return;
  if (Modified)
    Editor->MarkModified();
  Editor->Show();
}

} // namespace StFilSys
