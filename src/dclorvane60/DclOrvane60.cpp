#include "dclorvane60/DclOrvane60.hpp"

#include "dclorvane60/OVAbout.hpp"
#include "dclorvane60/OVReg.hpp"
#include "dclorvane60/OVUpdSEd.hpp"
#include "orvane60/Orvane60.hpp"
#include "rtl/ResFile.hpp"
#include "rtl/ScopeGuard.hpp"

namespace DclOrvane60 {

OV_DECLARE_RESOURCES(OvResources_DclOrvane60)

namespace {

const char ModuleAnchor = 0;

const char* const Requires[] = {"Orvane60", "dcldb60", "rtl60", nullptr};
// In start-up order.
const char* const Units[] = {"DclOrvane60", "OVAbout", "OVUpdSEd", "OVReg", nullptr};

const DesignPackages::TPackageInfoTable PackageInfo = {
    sizeof(DesignPackages::TPackageInfoTable),
    DesignPackages::pfDesignOnly | DesignPackages::pfExplicitBuild,
    "DclOrvane60",
    Description,
    Requires,
    Units,
};

bool ReadSettings(TSettingsView& View) {
  OVReg::TDesignSettings* S = OVReg::DesignSettings;
  if (!S)
    return false;
  // In the order the store reads them on first use: the recent list first,
  // which also sets how many names are read.
  View.RecentDatabases = S->GetRecentDatabases()->ToVector();
  View.DefaultParams = S->GetDefaultParams()->ToVector();
  View.RootDir = S->GetRootDir();
  View.IniFileName = S->GetIniFileName();
  View.SQLEditorEnabled = S->GetSQLEditorEnabled();
  View.DefaultServerType = S->GetDefaultServerTypeName();
  View.MaxRecentCount = S->GetMaxRecentCount();
  return true;
}

const TPackageServices Services = {
    sizeof(TPackageServices), ServicesVersion, OVUpdSEd::EditUpdateSQL,
    OVAbout::ShowAboutBox,    ReadSettings,
};

// The library entry point: the module holds the package's resources (palette
// bitmaps, version resource, stored dialog layouts), found through the
// module list while the library is loaded and read where the module keeps them.
__attribute__((constructor)) void LibraryAttach() {
  ResFile::RegisterModuleResources(&ModuleAnchor, OV_RESOURCES(OvResources_DclOrvane60));
  System::RegisterModule(&ModuleAnchor);
}

__attribute__((destructor)) void LibraryDetach() {
  System::UnregisterModule(&ModuleAnchor);
  ResFile::UnregisterModuleResources(&ModuleAnchor);
}

} // namespace

const void* HInstance() {
  return &ModuleAnchor;
}

} // namespace DclOrvane60

const DesignPackages::TPackageInfoTable* GetPackageInfoTable() {
  return &DclOrvane60::PackageInfo;
}

void Initialize() {
  Orvane60::Initialize();
  try {
    OVReg::InitializeUnit();
  } catch (...) {
    // The runtime package was started for this package; a failed start stops it again.
    Orvane60::Finalize();
    throw;
  }
}

void Finalize() {
  const ScopeGuard::TFinally Finally([&] { Orvane60::Finalize(); });
  OVReg::FinalizeUnit();
}

void Register() {
  OVReg::Register();
}

const DclOrvane60::TPackageServices* GetPackageServices() {
  return &DclOrvane60::Services;
}

System::TObject* GetDesignSettings() {
  return OVReg::DesignSettings;
}
