#include "orvane60/Orvane60.hpp"

#include "db/DB.hpp"
#include "orvane60/OVCommon.hpp"
#include "orvane60/OVCsbSrv.hpp"
#include "orvane60/OVEngine.hpp"
#include "rtl/ResFile.hpp"

OV_DECLARE_RESOURCES(OvResources_Orvane60)

namespace {

// The module handle: any address inside this library names it.
const char ModuleAnchor = 0;
int InitCount = 0;

std::vector<System::TClass> PackageClasses() {
  using namespace OVEngine;
  return {TOVSession::StaticClass(),
          TOVDatabase::StaticClass(),
          TOVQuery::StaticClass(),
          TOVMacroQuery::StaticClass(),
          TOVStoredProc::StaticClass(),
          TOVTable::StaticClass(),
          TOVUpdateSQL::StaticClass(),
          TOVScript::StaticClass(),
          OVCommon::TOVMonitor::StaticClass(),
          OVCsbSrv::TOVSQLBaseServer::StaticClass(),
          DB::TDataSource::StaticClass()};
}

} // namespace

// The library's entry point: the only static constructor of the package. It
// puts the module on the list that stored dialog layouts are looked up in,
// with the resources it keeps in memory.
__attribute__((constructor)) static void Orvane60LibraryAttach() {
  ResFile::RegisterModuleResources(&ModuleAnchor, OV_RESOURCES(OvResources_Orvane60));
  System::RegisterModule(&ModuleAnchor);
}

__attribute__((destructor)) static void Orvane60LibraryDetach() {
  System::UnregisterModule(&ModuleAnchor);
  ResFile::UnregisterModuleResources(&ModuleAnchor);
}

namespace Orvane60 {

void Initialize() {
  if (InitCount++ > 0)
    return;
  for (System::TClass C : PackageClasses())
    Classes::RegisterClass(C);
  DB::RegisterFieldClasses();
}

void Finalize() {
  if (InitCount == 0 || --InitCount > 0)
    return;
  DB::UnRegisterFieldClasses();
  for (System::TClass C : PackageClasses())
    Classes::UnRegisterClass(C);
}

bool Initialized() {
  return InitCount > 0;
}

const void* HInstance() {
  return &ModuleAnchor;
}

} // namespace Orvane60
