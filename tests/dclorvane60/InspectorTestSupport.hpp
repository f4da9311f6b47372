// What the property editor, tree node and field link tests share: the
// package's unit started on a settings folder of the test's own and its
// registrations made, and a design (a data module with its designer) that
// the tests fill with the runtime's components.
#pragma once

#include "dclorvane60/OVReg.hpp"
#include "designide/DesignIntf/Designer.hpp"
#include "designide/DesignRegistry.hpp"
#include "orvane60/EngineTestUtil.hpp"
#include "orvane60/OVEngine.hpp"
#include "support/Errors.hpp"
#include "support/Process.hpp"
#include "support/TempDir.hpp"
#include "vcl/ScriptedUI.hpp"

#include <gtest/gtest.h>

#include <functional>
#include <memory>
#include <string>

namespace InspectorTest {

using namespace OVEngine;
using TestSupport::ErrorOf;
using TestSupport::TTempDir;

inline constexpr const char* PackageName = "DclOrvane60";

class TPackageTest : public ::testing::Test {
protected:
  void SetUp() override {
    TestSupport::UseRegistry(Env, RegistryDir / "registry.ini", Settings.Path().string());
    SavedDefault = DefServerType;
    DefServerType = TOVServerType::stSQLite;
  }
  void TearDown() override {
    FreeDesign();
    Stop();
    DefServerType = SavedDefault;
  }

  // Starts the unit on a settings file holding Ini and makes the package's
  // registrations under its name.
  void Start(const std::string& Ini = {}) {
    if (!Ini.empty())
      TestSupport::WriteFile(Settings / "orvane.ini", Ini);
    OVReg::InitializeUnit();
    Started = true;
    DesignRegistry::TRegistrationScope Scope(PackageName);
    OVReg::Register();
  }
  // Unregisters and shuts the unit down (writing the recent list).
  void Stop() {
    if (!Started)
      return;
    Started = false;
    DesignRegistry::UnregisterPackage(PackageName);
    OVReg::FinalizeUnit();
  }

  // A data module DataModule1 with its designer.
  void NewDesign() {
    FreeDesign();
    Root = std::make_unique<Classes::TDataModule>(nullptr);
    Root->SetName("DataModule1");
    Designer = System::TInterfaceRef<DesignIntf::TDesigner>(new DesignIntf::TDesigner(Root.get()));
  }
  void FreeDesign() {
    Designer = nullptr;
    Root.reset();
  }

  template <class T> T* Add(const std::string& Name) {
    auto* C = new T(Root.get());
    C->SetName(Name);
    return C;
  }
  TOVSession* AddSession(const std::string& Name, const std::string& SessionName) {
    auto* S = Add<TOVSession>(Name);
    S->SetSessionName(SessionName);
    return S;
  }
  TOVDatabase* AddDatabase(const std::string& Name, const std::string& DatabaseName,
                           const std::string& SessionName = {}) {
    auto* D = Add<TOVDatabase>(Name);
    D->SetDatabaseName(DatabaseName);
    D->SetSessionName(SessionName);
    return D;
  }
  template <class T>
  T* AddDataSet(const std::string& Name, const std::string& DatabaseName,
                const std::string& SessionName = {}) {
    auto* D = Add<T>(Name);
    D->SetDatabaseName(DatabaseName);
    D->SetSessionName(SessionName);
    return D;
  }

  std::string SettingsFile() const { return Settings / "orvane.ini"; }

  TTempDir RegistryDir, Settings;
  TestSupport::TEnvironment Env;
  TOVServerType SavedDefault{};
  bool Started = false;
  std::unique_ptr<Classes::TDataModule> Root;
  System::TInterfaceRef<DesignIntf::TDesigner> Designer;
};

// A package test on a real server, SQLite or the throwaway PostgreSQL
// cluster by the test's parameter. SetUpOn starts the unit, runs Schema on
// the server and makes a design holding the database OVDatabase1 ("Shop")
// on it; a test skipped for want of the cluster returns from it at once.
class TServerPackageTest : public TPackageTest,
                           public ::testing::WithParamInterface<TOVServerType> {
protected:
  void SetUpOn(const std::string& Schema) {
    if (GetParam() == TOVServerType::stPostgreSQL)
      OV_REQUIRE_PG();
    TPackageTest::SetUp();
    Start();
    Server = std::make_unique<EngineTestUtil::TServerDatabase>(GetParam());
    Server->Direct()->ExecuteScript(Schema);
    NewDesign();
    Db = AddDatabase("OVDatabase1", "Shop");
    Server->Configure(Db);
    Db->SetKeepConnection(false);
  }
  void TearDown() override {
    FreeDesign();
    Server.reset();
    TPackageTest::TearDown();
  }

  std::unique_ptr<EngineTestUtil::TServerDatabase> Server;
  TOVDatabase* Db = nullptr;
};

// Runs Action under a scripted user; the script must be used up. Returns
// the user interface's log.
inline std::string Scripted(const std::string& Script, const std::function<void()>& Action) {
  ScriptedUI::TScriptedUI UI(Script, "inspector.txt");
  UIService::TUIServiceScope Using(&UI);
  Action();
  UI.CheckFinished();
  return UI.LogText();
}

} // namespace InspectorTest
