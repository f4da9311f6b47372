// The code editor bridge: string-list properties opened as text modules in
// the host's code editor, found again to be shown or closed.
#include "dclorvane60/OVReg.hpp"

#include "designide/StFilSys.hpp"
#include "vcl/Windows.hpp"

namespace OVReg {

using System::TInterfaceRef;
using ToolsAPI::IOTAFile;
using ToolsAPI::IOTAModule;
using ToolsAPI::IOTAModuleServices;

OV_CLASS_IMPL(TOTAFile, System::TInterfacedObject, "OVReg")
OV_CLASS_IMPL(TStringsModuleCreator, System::TInterfacedObject, "OVReg")

TOTAFile::TOTAFile(std::string Source, SysUtils::TDateTime Age)
    : FSource(std::move(Source)), FAge(Age) {}

TStringsModuleCreator::TStringsModuleCreator(std::string FileName,
                                             std::unique_ptr<Classes::TStringStream> Stream,
                                             SysUtils::TDateTime Age)
    : FFileName(std::move(FileName)), FStream(std::move(Stream)), FAge(Age) {}

TStringsModuleCreator::~TStringsModuleCreator() = default;

std::string TStringsModuleCreator::GetCreatorType() {
  return "Text";
}

bool TStringsModuleCreator::GetExisting() {
  return true;
}

std::string TStringsModuleCreator::GetFileSystem() {
  return StFilSys::sTStringsFileSystem;
}

TInterfaceRef<IOTAModule> TStringsModuleCreator::GetOwner() {
  return nullptr;
}

bool TStringsModuleCreator::GetUnnamed() {
  return false;
}

std::string TStringsModuleCreator::GetAncestorName() {
  return {};
}

std::string TStringsModuleCreator::GetImplFileName() {
  return FFileName;
}

std::string TStringsModuleCreator::GetIntfFileName() {
  return {};
}

std::string TStringsModuleCreator::GetFormName() {
  return {};
}

bool TStringsModuleCreator::GetMainForm() {
  return false;
}

bool TStringsModuleCreator::GetShowForm() {
  return false;
}

bool TStringsModuleCreator::GetShowSource() {
  return true;
}

TInterfaceRef<IOTAFile> TStringsModuleCreator::NewFormFile(const std::string&, const std::string&) {
  return nullptr;
}

TInterfaceRef<IOTAFile> TStringsModuleCreator::NewImplSource(const std::string&, const std::string&,
                                                             const std::string&) {
  return TInterfaceRef<IOTAFile>(new TOTAFile(FStream ? FStream->DataString() : "", FAge));
}

TInterfaceRef<IOTAFile> TStringsModuleCreator::NewIntfSource(const std::string&, const std::string&,
                                                             const std::string&) {
  return nullptr;
}

void TStringsModuleCreator::FormCreated(const TInterfaceRef<ToolsAPI::IOTAFormEditor>&) {}

namespace {

TInterfaceRef<IOTAModuleServices> ModuleServices() {
  return ToolsAPI::IntfCast<IOTAModuleServices>(ToolsAPI::BorlandIDEServices);
}

// The open module of the property with at least one file, or null.
TInterfaceRef<IOTAModule> FindStringsModule(DesignIntf::IDesigner* Designer,
                                            Classes::TPersistent* Instance,
                                            const std::string& PropName) {
  TInterfaceRef<IOTAModuleServices> Services = ModuleServices();
  const std::string Name = StringsModuleName(Designer, Instance, PropName);
  if (Name.empty())
    return nullptr;
  TInterfaceRef<IOTAModule> Module = Services->FindModule(Name);
  if (!Module || Module->GetModuleFileCount() < 1)
    return nullptr;
  return Module;
}

} // namespace

std::string StringsModuleName(DesignIntf::IDesigner* Designer, Classes::TPersistent* Instance,
                              const std::string& PropName) {
  auto* Component = dynamic_cast<Classes::TComponent*>(Instance);
  if (!Component || !Designer)
    return {};
  Classes::TComponent* Root = Designer->GetRoot();
  // A component whose owner is not the root would need a name path of its
  // own; a root without a name gives no name to find it by.
  if (!Root || Root != Component->Owner() || Root->GetName().empty())
    return {};
  return Root->GetName() + "." + Component->GetName() + "." + PropName;
}

void OpenStringsInCodeEditor(DesignIntf::IDesigner* Designer, Classes::TPersistent* Instance,
                             const std::string& PropName, Classes::TStrings* Strings,
                             bool Modified) {
  TInterfaceRef<IOTAModuleServices> Services = ModuleServices();
  const std::string Name = StringsModuleName(Designer, Instance, PropName);
  StFilSys::Register();
  auto Stream = std::make_unique<Classes::TStringStream>();
  if (Strings)
    Strings->SaveToStream(Stream.get());
  Stream->SetPosition(0);
  const SysUtils::TDateTime Age = SysUtils::Now();
  TInterfaceRef<ToolsAPI::IOTACreator> Creator(
      new TStringsModuleCreator(Name, std::move(Stream), Age));
  TInterfaceRef<IOTAModule> Module = Services->CreateModule(Creator);
  Creator.Reset();
  if (Module)
    StFilSys::ShowStringsModule(Module.Get(), Name, Instance, PropName, Age, Modified);
}

bool CloseStringsModule(DesignIntf::IDesigner* Designer, Classes::TPersistent* Instance,
                        const std::string& PropName) {
  TInterfaceRef<IOTAModule> Module = FindStringsModule(Designer, Instance, PropName);
  return !Module || Module->Close();
}

bool ShowStringsModule(DesignIntf::IDesigner* Designer, Classes::TPersistent* Instance,
                       const std::string& PropName) {
  TInterfaceRef<IOTAModule> Module = FindStringsModule(Designer, Instance, PropName);
  if (!Module)
    return false;
  if (TInterfaceRef<ToolsAPI::IOTAEditor> Editor = Module->GetModuleFileEditor(0))
    Editor->Show();
  return true;
}

bool IsAltKeyDown() {
  return (Windows::GetAsyncKeyState(Windows::VK_MENU) & 0x8000) != 0;
}

} // namespace OVReg
