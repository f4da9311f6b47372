#include "dclorvane60/PackageServices.hpp"
#include "designide/DesignPackages.hpp"
#include "designide/DesignRegistry.hpp"
#include "rtl/Classes.hpp"
#include "support/Process.hpp"
#include "support/TempDir.hpp"

#include <gtest/gtest.h>

using namespace TestSupport;
using DesignPackages::EPackageError;
using DesignPackages::TDesignPackage;

namespace {

class PackageLoadTest : public ::testing::Test {
protected:
  void SetUp() override { UseRegistry(Env, Registry / "registry.ini", Settings.Path().string()); }

  // The package's services table, as the host finds it.
  static const DclOrvane60::TPackageServices* Services(TDesignPackage& P) {
    const auto Get = reinterpret_cast<DclOrvane60::TGetPackageServicesProc>(
        P.Symbol(DclOrvane60::GetPackageServicesName));
    return Get ? Get() : nullptr;
  }
  static DclOrvane60::TSettingsView Settings_(TDesignPackage& P) {
    DclOrvane60::TSettingsView View;
    const auto* S = Services(P);
    EXPECT_TRUE(S && S->ReadSettings && S->ReadSettings(View));
    return View;
  }
  static std::string Message(const std::function<void()>& Fn) {
    try {
      Fn();
    } catch (const EPackageError& E) {
      return E.Message();
    }
    return "no error";
  }

  TTempDir Registry, Settings;
  TEnvironment Env;
};

} // namespace

TEST_F(PackageLoadTest, LoadingStartsAndRegistersUnloadingRemovesEverything) {
  {
    const auto P = TDesignPackage::Load(OV_PACKAGE_FILE);
    EXPECT_EQ(P->Info().Name, "DclOrvane60");
    EXPECT_EQ(P->Info().Description, "Orvane Components");
    EXPECT_EQ(DesignPackages::LoadedPackages(), std::vector<std::string>{"DclOrvane60"});
    // Start-up registered the runtime classes, so design files can name them.
    EXPECT_NE(Classes::GetClass("TOVQuery"), nullptr);
    const auto Log = DesignRegistry::RegistrationLog("DclOrvane60");
    ASSERT_FALSE(Log.empty());
    EXPECT_EQ(Log.front().Call, "RegisterComponents");
    EXPECT_EQ(DesignRegistry::PalettePages().at(0).Items.size(), 10u);
    const auto* S = Services(*P);
    ASSERT_NE(S, nullptr);
    EXPECT_EQ(S->Size, sizeof(DclOrvane60::TPackageServices));
    EXPECT_EQ(S->Version, DclOrvane60::ServicesVersion);
    EXPECT_NE(S->EditUpdateSQL, nullptr);
    EXPECT_NE(S->ShowAboutBox, nullptr);
    EXPECT_EQ(Message([] { TDesignPackage::Load(OV_PACKAGE_FILE); }),
              std::string("Cannot load package \"") + OV_PACKAGE_FILE +
                  "\": a package named DclOrvane60 is loaded already");
    EXPECT_EQ(DesignRegistry::PalettePages().at(0).Items.size(), 10u);
  }
  EXPECT_TRUE(DesignRegistry::RegistrationLog().empty());
  EXPECT_TRUE(DesignRegistry::PalettePages().empty());
  EXPECT_TRUE(DesignPackages::LoadedPackages().empty());
  EXPECT_EQ(Classes::GetClass("TOVQuery"), nullptr);
}

TEST_F(PackageLoadTest, AReloadReadsTheRegistryAndTheSettingsFileAgain) {
  WriteFile(Settings / "orvane.ini", "[SQLEditor]\nEnabled=0\n[RecentDatabases]\nItem00=first\n");
  {
    const auto P = TDesignPackage::Load(OV_PACKAGE_FILE);
    const auto S = Settings_(*P);
    EXPECT_EQ(S.RootDir, Settings.Path().string());
    EXPECT_FALSE(S.SQLEditorEnabled);
    EXPECT_EQ(S.RecentDatabases, std::vector<std::string>{"first"});
  }
  TTempDir Other;
  WriteRegistry(Registry / "registry.ini", Other.Path().string());
  const auto P = TDesignPackage::Load(OV_PACKAGE_FILE);
  const auto S = Settings_(*P);
  EXPECT_EQ(S.RootDir, Other.Path().string());
  EXPECT_TRUE(S.SQLEditorEnabled);
  P->Unload();
  EXPECT_FALSE(P->Loaded());
  EXPECT_EQ(P->Symbol("Register"), nullptr);
}

TEST_F(PackageLoadTest, WhatIsNoPackageIsRefusedByName) {
  const std::string Rtl = OV_RTL_FILE;
  EXPECT_EQ(Message([&] { TDesignPackage::Load(Rtl); }),
            "\"" + Rtl +
                "\" is not a package: it does not export the entry point GetPackageInfoTable");
  WriteFile(Settings / "libfake.so", std::string(200, 'x')); // long enough for an ELF header
  const std::string Fake = Settings / "libfake.so";
  const std::string M = Message([&] { TDesignPackage::Load(Fake); });
  EXPECT_EQ(M.rfind("Cannot load package \"" + Fake + "\": ", 0), 0u) << M;
  EXPECT_NE(M.find("invalid ELF header"), std::string::npos) << M;
  EXPECT_NE(Message([&] { TDesignPackage::Load(Settings / "missing.so"); }).find("No such file"),
            std::string::npos);
  EXPECT_TRUE(DesignPackages::LoadedPackages().empty());
}

TEST_F(PackageLoadTest, ThePostgreSQLClientLibraryWaitsForTheFirstPostgreSQLUse) {
  // libpq and the libraries it brings are not mapped by loading the package.
  const auto Mapped = [] {
    return ReadFile("/proc/self/maps").find("/libpq.so") != std::string::npos;
  };
  ASSERT_FALSE(Mapped()) << "this test program must not link libpq itself";
  const auto P = TDesignPackage::Load(OV_PACKAGE_FILE);
  EXPECT_FALSE(Mapped());
  P->Unload();
}
