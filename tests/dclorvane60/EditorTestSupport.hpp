// What the component editor, connection editor and code editor bridge tests
// share: the package's unit started on a settings folder of the test's own,
// a design (a data module "Form1" with its designer and the host's module
// services), the package's component editors registered, a scripted person,
// and a text module editor that stands in for the person's editor.
#pragma once

#include "dclorvane60/OVReg.hpp"
#include "designide/DesignIntf/Designer.hpp"
#include "designide/DesignRegistry.hpp"
#include "designide/IDEServices.hpp"
#include "orvane60/OVEngine.hpp"
#include "orvane60/Orvane60.hpp"
#include "orvane60/drivers/OVDriver.hpp"
#include "support/Process.hpp"
#include "support/Servers.hpp"
#include "support/TempDir.hpp"
#include "vcl/ScriptedUI.hpp"

#include <gtest/gtest.h>

#include <functional>
#include <memory>
#include <string>
#include <vector>

namespace EditorTestSupport {

using TestSupport::TEnvironment;
using TestSupport::TTempDir;

using TestSupport::PgURI;

// A scripted person for the life of the object.
struct TScript {
  explicit TScript(const std::string& Text) : UI(Text, "editors.txt"), Scope(&UI) {}
  ScriptedUI::TScriptedUI UI;
  UIService::TUIServiceScope Scope;
};

// What the stand-in text module editor was handed, and what it does: it may
// replace the text and say whether the person saved.
struct TTextModuleCall {
  std::string ModuleName;
  std::string Text;
  bool Modified = false;
};

class TEditorTest : public ::testing::Test {
protected:
  // The unit's start-up on a settings folder of our own; IniText, when
  // given, is the settings file the unit finds there.
  void StartUnit(const std::string& IniText = {}) {
    TestSupport::UseRegistry(Env, RegistryDir / "registry.ini", Settings.Path().string());
    if (!IniText.empty())
      TestSupport::WriteFile(Settings / "orvane.ini", IniText);
    SavedDefault = OVEngine::DefServerType;
    OVReg::InitializeUnit();
    Started = true;
  }

  void SetUp() override {
    Orvane60::Initialize();
    Root = std::make_unique<Classes::TDataModule>(nullptr);
    Root->SetName("Form1");
    Root->SetDesigning(true);
    Designer = System::TInterfaceRef<DesignIntf::TDesigner>(new DesignIntf::TDesigner(Root.get()));
    Services.Services()->SetTextModuleEditor([this](UIService::TTextModuleRequest& Request) {
      TextModuleCalls.push_back({Request.ModuleName, Request.Lines->GetText(), Request.Modified});
      if (!TypedText.empty()) {
        Request.Lines->SetText(TypedText);
        Request.Modified = true;
      }
      return SaveTypedText;
    });
    {
      DesignRegistry::TRegistrationScope Scope(TestPackage);
      OVReg::RegisterComponentEditors();
    }
  }

  void TearDown() override {
    DesignRegistry::UnregisterPackage(TestPackage);
    Designer.Reset();
    Root.reset();
    if (Started) {
      OVReg::FinalizeUnit();
      OVEngine::DefServerType = SavedDefault;
    }
    Orvane60::Finalize();
  }

  template <class T> T* Add(const std::string& Name) {
    auto* C = new T(Root.get());
    C->SetName(Name);
    return C;
  }

  // The editor the designer host would make for the component.
  std::unique_ptr<DesignEditors::TComponentEditor> EditorOf(Classes::TComponent* Component) {
    return DesignEditors::GetComponentEditor(Component, Designer.Get());
  }

  std::vector<std::string> Verbs(Classes::TComponent* Component) {
    auto Editor = EditorOf(Component);
    std::vector<std::string> Result;
    for (int I = 0, N = Editor->GetVerbCount(); I < N; ++I)
      Result.push_back(Editor->GetVerb(I));
    return Result;
  }

  // A SQLite database file with a table, and a database component DB1 on it.
  OVEngine::TOVDatabase* AddSQLiteDatabase(const std::string& Script) {
    const std::string File = Settings / "data.db";
    {
      OVDriver::TConnectParams Params;
      Params.RemoteDatabase = File;
      Params.Extra.emplace_back("CREATE", "TRUE");
      OVDriver::FindDriver("SQLite")->Connect(Params)->ExecuteScript(Script);
    }
    auto* Db = Add<OVEngine::TOVDatabase>("DB1");
    Db->SetDatabaseName("DB1");
    Db->SetServerType(OVEngine::TOVServerType::stSQLite);
    Db->SetRemoteDatabase(File);
    return Db;
  }

  int Modified() const { return Designer->ModifiedCount(); }

  static constexpr const char* TestPackage = "EditorsTestPackage";
  TTempDir RegistryDir, Settings;
  TEnvironment Env;
  bool Started = false;
  OVEngine::TOVServerType SavedDefault{};
  IDEServices::TIDEServicesScope Services;
  std::unique_ptr<Classes::TDataModule> Root;
  System::TInterfaceRef<DesignIntf::TDesigner> Designer;
  std::vector<TTextModuleCall> TextModuleCalls;
  std::string TypedText;
  bool SaveTypedText = false;
};

} // namespace EditorTestSupport
