// What the design package and the window library export: the entry points a
// host finds with dlsym, and none of their internals (both are built with
// hidden visibility, marking their entry points OV_EXPORT).
#include "dclorvane60/PackageServices.hpp"

#include <dlfcn.h>
#include <gtest/gtest.h>

namespace {

// A library opened for its symbols only: nothing of it is called. It stays
// loaded, as it does in the host: unloading the window library would unload
// the Qt libraries it brought, whose start-up allocations then show as leaks
// of a module nobody can name.
class TOpened {
public:
  explicit TOpened(const char* File) : FHandle(::dlopen(File, RTLD_NOW | RTLD_LOCAL)) {}
  bool Opened() const { return FHandle != nullptr; }
  bool Exports(const char* Name) const { return ::dlsym(FHandle, Name) != nullptr; }

private:
  void* FHandle;
};

} // namespace

TEST(Exports, ThePackageExportsItsEntryPointsAndServicesTableAndNoInternals) {
  const TOpened Package(OV_PACKAGE_FILE);
  ASSERT_TRUE(Package.Opened()) << ::dlerror();
  for (const char* Name : {"GetPackageInfoTable", "Initialize", "Finalize", "Register",
                           DclOrvane60::GetPackageServicesName})
    EXPECT_TRUE(Package.Exports(Name)) << Name;
  // A C function the host reaches through the services table, a function of
  // the package unit and a class of the registration unit.
  for (const char* Name : {"GetDesignSettings", "_ZN11DclOrvane609HInstanceEv",
                           "_ZN5OVReg13TOVQuerySprig11StaticClassEv"})
    EXPECT_FALSE(Package.Exports(Name)) << Name;
}

#ifdef OV_GUI_LIBRARY_FILE
TEST(Exports, TheWindowLibraryExportsItsEntryPointsAndNoInternals) {
  const TOpened Window(OV_GUI_LIBRARY_FILE);
  ASSERT_TRUE(Window.Opened()) << ::dlerror();
  EXPECT_TRUE(Window.Exports("OVQtHostEntryPoints"));
  // What the entry points lead to is reached through them only.
  for (const char* Name : {"_ZN6QtHost11RunDesignerERKNS_12TDesignerRunE",
                           "_ZN6QtHost10ScreenshotERKNS_11TScreenshotE"})
    EXPECT_FALSE(Window.Exports(Name)) << Name;
}
#endif
