// The layer's entry point: its module holds the stored layouts of the
// host's designers, which the forms find through the module list.
#include "rtl/ResFile.hpp"
#include "rtl/System.hpp"

OV_DECLARE_RESOURCES(OvResources_DesignIDE)

namespace {

const int ModuleAnchor = 0;

__attribute__((constructor)) void ModuleLoaded() {
  ResFile::RegisterModuleResources(&ModuleAnchor, OV_RESOURCES(OvResources_DesignIDE));
  System::RegisterModule(&ModuleAnchor);
}

__attribute__((destructor)) void ModuleUnloaded() {
  System::UnregisterModule(&ModuleAnchor);
  ResFile::UnregisterModuleResources(&ModuleAnchor);
}

} // namespace
