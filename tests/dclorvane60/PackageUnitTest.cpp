#include "dclorvane60/DclOrvane60.hpp"
#include "dclorvane60/OVReg.hpp"
#include "designide/DesignRegistry.hpp"
#include "orvane60/OVEngine.hpp"
#include "orvane60/Orvane60.hpp"
#include "rtl/ResFile.hpp"
#include "support/Process.hpp"
#include "support/TempDir.hpp"

#include <gtest/gtest.h>

using namespace TestSupport;
using OVEngine::TOVServerType;

namespace {

class PackageUnitTest : public ::testing::Test {
protected:
  void SetUp() override {
    UseRegistry(Env, Registry / "registry.ini", Settings.Path().string());
    Saved = OVEngine::DefServerType;
  }
  void TearDown() override {
    while (OVReg::InitGuardCount() < 0)
      Finalize();
    OVEngine::DefServerType = Saved;
  }

  TTempDir Registry, Settings;
  TEnvironment Env;
  TOVServerType Saved{};
};

} // namespace

TEST_F(PackageUnitTest, TheGuardCounterRunsStartUpAndShutDownOnce) {
  WriteFile(Settings / "orvane.ini", "[TOVDatabase]\nServerType=PostgreSQL\n");
  OVEngine::DefServerType = TOVServerType::stSQLite;
  ASSERT_EQ(OVReg::InitGuardCount(), 0);
  ASSERT_EQ(OVReg::DesignSettings, nullptr);

  Initialize();
  OVReg::TDesignSettings* First = OVReg::DesignSettings;
  ASSERT_NE(First, nullptr);
  EXPECT_EQ(OVReg::InitGuardCount(), -1);
  EXPECT_EQ(OVEngine::DefServerType, TOVServerType::stPostgreSQL);
  EXPECT_TRUE(Orvane60::Initialized());
  EXPECT_EQ(GetDesignSettings(), First);

  Initialize();
  EXPECT_EQ(OVReg::DesignSettings, First);
  EXPECT_EQ(OVReg::InitGuardCount(), -2);
  First->AddRecentDatabase("nested");
  Finalize();
  EXPECT_EQ(OVReg::DesignSettings, First);
  EXPECT_FALSE(std::filesystem::exists(Settings / "orvane.ini") &&
               ReadFile(Settings / "orvane.ini").find("nested") != std::string::npos);
  Finalize();
  EXPECT_EQ(OVReg::DesignSettings, nullptr);
  EXPECT_EQ(OVReg::InitGuardCount(), 0);
  EXPECT_NE(ReadFile(Settings / "orvane.ini").find("Item00=nested"), std::string::npos);
}

TEST_F(PackageUnitTest, AReloadCreatesAFreshSettingsObjectThatReadsAgain) {
  WriteFile(Settings / "orvane.ini", "[SQLEditor]\nEnabled=0\n");
  Initialize();
  EXPECT_FALSE(OVReg::DesignSettings->SQLEditorEnabled());
  EXPECT_EQ(OVReg::DesignSettings->GetRootDir(), Settings.Path().string());
  Finalize();

  TTempDir Other;
  WriteRegistry(Registry / "registry.ini", Other.Path().string());
  WriteFile(Other / "orvane.ini", "[SQLEditor]\nEnabled=1\n");
  Initialize();
  EXPECT_EQ(OVReg::DesignSettings->GetRootDir(), Other.Path().string());
  EXPECT_TRUE(OVReg::DesignSettings->SQLEditorEnabled());
  Finalize();
}

TEST_F(PackageUnitTest, RegisterPutsTheTenComponentsOnThePaletteAndTheCategories) {
  Initialize();
  {
    DesignRegistry::TRegistrationScope Scope("DclOrvane60");
    Register();
  }
  const auto Pages = DesignRegistry::PalettePages();
  ASSERT_EQ(Pages.size(), 1u);
  EXPECT_EQ(Pages[0].Name, "Orvane");
  std::vector<std::string> Names;
  for (const auto& Item : Pages[0].Items)
    Names.push_back(Item.ComponentClass->Name);
  EXPECT_EQ(Names, (std::vector<std::string>{
                       "TOVSession", "TOVDatabase", "TOVQuery", "TOVMacroQuery", "TOVStoredProc",
                       "TOVTable", "TOVUpdateSQL", "TOVScript", "TOVMonitor", "TOVSQLBaseServer"}));
  std::vector<std::string> Categories;
  for (const auto& C : DesignRegistry::RegistrationLog("DclOrvane60"))
    if (C.Call == "RegisterPropertiesInCategory")
      Categories.push_back(C.Text());
  EXPECT_EQ(Categories,
            (std::vector<std::string>{
                "RegisterPropertiesInCategory Database TOVDatabase ServerType SessionName "
                "DatabaseName RemoteDatabase",
                "RegisterPropertiesInCategory Database TOVDataSet DatabaseName",
                "RegisterPropertiesInCategory Database TOVDataSetUpdateObject *SQL"}));
  // The dataset registration serves every dataset class.
  EXPECT_TRUE(DesignRegistry::IsPropertyInCategory(
      "Database", OVEngine::TOVMacroQuery::StaticClass(), "DatabaseName"));
  EXPECT_TRUE(DesignRegistry::IsPropertyInCategory(
      "Database", OVEngine::TOVUpdateSQL::StaticClass(), "ModifySQL"));
  EXPECT_FALSE(
      DesignRegistry::IsPropertyInCategory("Database", OVEngine::TOVQuery::StaticClass(), "SQL"));
  DesignRegistry::UnregisterPackage("DclOrvane60");
  Finalize();
}

TEST_F(PackageUnitTest, ThePackageDescribesItselfAndCarriesItsResources) {
  const auto Info = DesignPackages::ReadPackageInfo(*GetPackageInfoTable());
  EXPECT_EQ(Info.Name, "DclOrvane60");
  EXPECT_EQ(Info.Description, "Orvane Components");
  EXPECT_EQ(Info.KindText(), "design-time only");
  EXPECT_TRUE(Info.ExplicitBuild());
  EXPECT_EQ(Info.Requires, (std::vector<std::string>{"Orvane60", "dcldb60", "rtl60"}));
  EXPECT_EQ(Info.Units.front(), "DclOrvane60");

  // The library entry point registered the package's module.
  const auto Modules = System::LibModules();
  EXPECT_NE(std::find(Modules.begin(), Modules.end(), DclOrvane60::HInstance()), Modules.end());
  const std::string File = ResFile::GetModuleFileName(DclOrvane60::HInstance());
  const auto Version = ResFile::ReadVersionInfo(File);
  ASSERT_TRUE(Version.has_value());
  EXPECT_EQ(Version->FileVersionText(), "6.5.3.0");
  EXPECT_EQ(Version->GetString("InternalName"), "DCLORVANE60");
  for (const char* Name :
       {"TOVSESSION", "TOVDATABASE", "TOVQUERY", "TOVMACROQUERY", "TOVSTOREDPROC", "TOVTABLE",
        "TOVUPDATESQL", "TOVSCRIPT", "TOVMONITOR", "TOVSQLBASESERVER", "OVABOUTLOGO"})
    EXPECT_TRUE(ResFile::FindResource(File, ResFile::RT_BITMAP, Name).has_value()) << Name;

  // The loaded module reads its resources where it keeps them: the same bytes
  // as its file holds.
  for (const auto& [Type, Name] : std::vector<std::pair<std::uint16_t, const char*>>{
           {ResFile::RT_RCDATA, "TOVUPDATESQLEDITFORM"},
           {ResFile::RT_BITMAP, "TOVQUERY"},
           {ResFile::RT_BITMAP, "OVABOUTLOGO"}}) {
    const auto InPlace = ResFile::FindModuleResource(DclOrvane60::HInstance(), Type, Name);
    ASSERT_TRUE(InPlace.has_value()) << Name;
    EXPECT_EQ(InPlace, ResFile::FindResource(File, Type, Name)) << Name;
  }
}
