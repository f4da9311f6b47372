// The layer's entry point: its module holds the stored layouts of the
// host's designers, which the forms find through the module list.
#include "rtl/System.hpp"

namespace {

const int ModuleAnchor = 0;

__attribute__((constructor)) void ModuleLoaded() {
  System::RegisterModule(&ModuleAnchor);
}

__attribute__((destructor)) void ModuleUnloaded() {
  System::UnregisterModule(&ModuleAnchor);
}

} // namespace
