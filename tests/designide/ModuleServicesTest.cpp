// The Open Tools module services and the strings file system: modules made
// from a creator, found, shown, saved into their string-list property and
// closed with the person asked about unsaved changes; reference counts of
// what the package hands over.
#include "EditorTestClasses.hpp"
#include "designide/DesignIntf/Designer.hpp"
#include "designide/IDEServices.hpp"
#include "designide/StFilSys.hpp"
#include "designide/ToolsAPI.hpp"
#include "vcl/ScriptedUI.hpp"

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>

using namespace EditorTest;
using namespace ToolsAPI;
using DesignIntf::TDesigner;
using System::TInterfaceRef;

namespace {

int LiveCreators = 0;
int LiveFiles = 0;

class TTestFile : public System::TInterfacedObject, public IOTAFile {
public:
  TTestFile(std::string ASource, SysUtils::TDateTime AAge)
      : FSource(std::move(ASource)), FAge(AAge) {
    ++LiveFiles;
  }
  ~TTestFile() override { --LiveFiles; }
  std::string GetSource() override { return FSource; }
  SysUtils::TDateTime GetAge() override { return FAge; }

private:
  std::string FSource;
  SysUtils::TDateTime FAge;
};

// What a package hands the host to open a string list as a text module.
class TTestCreator : public System::TInterfacedObject, public IOTAModuleCreator {
public:
  TTestCreator(std::string AFileName, std::string ASource, std::string AFileSystem,
               SysUtils::TDateTime AAge)
      : FFileName(std::move(AFileName)), FSource(std::move(ASource)),
        FFileSystem(std::move(AFileSystem)), FAge(AAge) {
    ++LiveCreators;
  }
  ~TTestCreator() override { --LiveCreators; }
  std::string GetCreatorType() override { return "Text"; }
  bool GetExisting() override { return true; }
  std::string GetFileSystem() override { return FFileSystem; }
  TInterfaceRef<IOTAModule> GetOwner() override { return nullptr; }
  bool GetUnnamed() override { return false; }
  std::string GetAncestorName() override { return ""; }
  std::string GetImplFileName() override { return FFileName; }
  std::string GetIntfFileName() override { return ""; }
  std::string GetFormName() override { return ""; }
  bool GetMainForm() override { return false; }
  bool GetShowForm() override { return false; }
  bool GetShowSource() override { return true; }
  TInterfaceRef<IOTAFile> NewFormFile(const std::string&, const std::string&) override {
    return nullptr;
  }
  TInterfaceRef<IOTAFile> NewImplSource(const std::string&, const std::string&,
                                        const std::string&) override {
    return TInterfaceRef<IOTAFile>(new TTestFile(FSource, FAge));
  }
  TInterfaceRef<IOTAFile> NewIntfSource(const std::string&, const std::string&,
                                        const std::string&) override {
    return nullptr;
  }
  void FormCreated(const TInterfaceRef<IOTAFormEditor>&) override {}

private:
  std::string FFileName, FSource, FFileSystem;
  SysUtils::TDateTime FAge;
};

// Sets an environment variable for the life of the scope.
class TEnvScope {
public:
  TEnvScope(const char* Name, const char* Value) : FName(Name) {
    if (const char* Old = std::getenv(Name))
      FOld = Old;
    if (Value)
      setenv(Name, Value, 1);
    else
      unsetenv(Name);
  }
  ~TEnvScope() {
    if (FOld)
      setenv(FName.c_str(), FOld->c_str(), 1);
    else
      unsetenv(FName.c_str());
  }

private:
  std::string FName;
  std::optional<std::string> FOld;
};

class Modules : public ::testing::Test {
protected:
  Modules() : Root(nullptr) {
    Root.SetName("Form1");
    Designer = TInterfaceRef<TDesigner>(new TDesigner(&Root));
    W1 = new TWidget(&Root);
    W1->SetName("W1");
    W1->GetLines()->SetText("select *\nfrom t\n");
    StFilSys::Register();
  }
  TInterfaceRef<IOTAModuleServices> ModuleServices() {
    return IntfCast<IOTAModuleServices>(BorlandIDEServices);
  }
  // As the code editor bridge opens a string-list property.
  TInterfaceRef<IOTAModule> Open(const std::string& Name, bool Modified = false) {
    const SysUtils::TDateTime Age = SysUtils::Now();
    Classes::TStringStream Stream;
    W1->GetLines()->SaveToStream(&Stream);
    auto Module = ModuleServices()->CreateModule(TInterfaceRef<IOTACreator>(
        new TTestCreator(Name, Stream.DataString(), StFilSys::sTStringsFileSystem, Age)));
    if (!Module)
      return Module;
    StFilSys::StringsFileSystem->GetTStringsProperty(Name, W1, "Lines")
        ->SetFileDate(SysUtils::DateTimeToFileDate(Age));
    auto Editor = Module->GetModuleFileEditor(0);
    if (Modified)
      Editor->MarkModified();
    return Module;
  }
  static TInterfaceRef<IOTASourceEditor> SourceOf(const TInterfaceRef<IOTAModule>& Module) {
    return IntfCast<IOTASourceEditor>(Module->GetModuleFileEditor(0));
  }

  IDEServices::TIDEServicesScope Scope;
  TTestRoot Root;
  TInterfaceRef<TDesigner> Designer;
  TWidget* W1;
};

} // namespace

TEST(ModuleServicesCast, RaisesWhenTheHostOffersNoServices) {
  ASSERT_FALSE(BorlandIDEServices);
  try {
    IntfCast<IOTAModuleServices>(BorlandIDEServices);
    FAIL() << "no services are installed";
  } catch (const SysUtils::EIntfCastError& E) {
    EXPECT_EQ(E.Message(), "Interface not supported: IOTAModuleServices");
  }
}

TEST_F(Modules, TheStringsFileSystemRegistersOnce) {
  StFilSys::Register();
  StFilSys::Register();
  EXPECT_EQ(Scope.Services()->GetFileSystemCount(), 1);
  ASSERT_TRUE(ModuleServices()->FindFileSystem("delphi.tstringsfilesystem"));
  EXPECT_EQ(ModuleServices()->FindFileSystem(StFilSys::sTStringsFileSystem).Get(),
            static_cast<IOTAFileSystem*>(StFilSys::StringsFileSystem));
}

TEST_F(Modules, AModuleIsMadeFromItsCreatorFoundByNameAndSavedIntoItsProperty) {
  auto Module = Open("Form1.W1.Lines");
  ASSERT_TRUE(Module);
  EXPECT_EQ(ModuleServices()->FindModule("FORM1.W1.LINES"), Module);
  EXPECT_EQ(ModuleServices()->GetModuleCount(), 1);
  EXPECT_EQ(Module->GetModuleFileCount(), 1);
  EXPECT_FALSE(Module->GetModuleFileEditor(1));
  auto Source = SourceOf(Module);
  EXPECT_EQ(Source->GetText(), "select *\nfrom t\n");
  EXPECT_EQ(Source->GetFileName(), "Form1.W1.Lines");
  EXPECT_FALSE(Source->GetModified());

  // Typing makes the buffer modified; saving writes it through the
  // component's setter and tells the design's designer.
  Source->SetText("select 1\n");
  EXPECT_TRUE(Source->GetModified());
  EXPECT_EQ(W1->GetLines()->GetText(), "select *\nfrom t\n");
  const int32_t Opened = StFilSys::StringsFileSystem->FileAge("Form1.W1.Lines");
  ASSERT_TRUE(Module->Save(false, false));
  EXPECT_EQ(W1->GetLines()->GetText(), "select 1\n");
  EXPECT_EQ(W1->LinesAssigned, 1);
  EXPECT_EQ(Designer->ModifiedCount(), 1);
  EXPECT_FALSE(Source->GetModified());
  const int32_t Saved = StFilSys::StringsFileSystem->FileAge("Form1.W1.Lines");
  EXPECT_GE(Saved, Opened);
  EXPECT_EQ(SysUtils::DateTimeToFileDate(Module->GetAge()), Saved);
  // Nothing left to save: no second write.
  EXPECT_FALSE(Module->Save(false, false));
  EXPECT_EQ(Designer->ModifiedCount(), 1);
  EXPECT_EQ(StFilSys::StringsFileSystem->LoadFile("Form1.W1.Lines"), "select 1\n");
}

TEST_F(Modules, WhatThePackageHandsOverIsReleasedAndClosedModulesReportNoFiles) {
  {
    auto Module = Open("Form1.W1.Lines");
    EXPECT_EQ(LiveCreators, 0);
    EXPECT_EQ(LiveFiles, 0);
    auto Editor = Module->GetModuleFileEditor(0);
    auto* Counted = dynamic_cast<System::TInterfacedObject*>(Module.Get());
    ASSERT_NE(Counted, nullptr);
    EXPECT_EQ(Counted->RefCount(), 2); // the services' list and ours
    ASSERT_TRUE(Module->Close());
    EXPECT_EQ(Counted->RefCount(), 1);
    EXPECT_FALSE(ModuleServices()->FindModule("Form1.W1.Lines"));
    EXPECT_EQ(Module->GetModuleFileCount(), 0);
    EXPECT_FALSE(Editor->GetModule());
    Editor->Show(); // a closed module's editor shows nothing
    EXPECT_TRUE(Module->Close());
  }
  EXPECT_EQ(LiveCreators, 0);
}

TEST_F(Modules, CreateModuleRefusesWhatItCannotOpen) {
  ASSERT_TRUE(Open("Form1.W1.Lines"));
  EXPECT_FALSE(Open("form1.w1.lines"));
  EXPECT_FALSE(Open(""));
  EXPECT_FALSE(ModuleServices()->CreateModule(TInterfaceRef<IOTACreator>(
      new TTestCreator("X.Y.Z", "", "No.Such.FileSystem", SysUtils::Now()))));
  EXPECT_FALSE(ModuleServices()->CreateModule(nullptr));
  EXPECT_EQ(ModuleServices()->GetModuleCount(), 1);
  EXPECT_EQ(LiveCreators, 0);
  EXPECT_EQ(LiveFiles, 0);
}

TEST_F(Modules, ClosingAModifiedModuleAsksAndCancelKeepsItOpen) {
  auto Module = Open("Form1.W1.Lines", true);
  SourceOf(Module)->SetText("typed\n");
  {
    ScriptedUI::TScriptedUI UI("answer Cancel Save changes to Form1.W1.Lines?\n", "close.txt");
    UIService::TUIServiceScope Using(&UI);
    EXPECT_FALSE(Module->Close());
    UI.CheckFinished();
  }
  EXPECT_EQ(ModuleServices()->FindModule("Form1.W1.Lines"), Module);
  EXPECT_EQ(SourceOf(Module)->GetText(), "typed\n");
  {
    ScriptedUI::TScriptedUI UI("answer No\n", "close.txt");
    UIService::TUIServiceScope Using(&UI);
    EXPECT_TRUE(Module->Close());
    UI.CheckFinished();
  }
  EXPECT_FALSE(ModuleServices()->FindModule("Form1.W1.Lines"));
  EXPECT_EQ(W1->GetLines()->GetText(), "select *\nfrom t\n");
  EXPECT_EQ(Designer->ModifiedCount(), 0);
}

TEST_F(Modules, AnsweringYesSavesBeforeClosingAndUnmodifiedModulesCloseSilently) {
  auto Module = Open("Form1.W1.Lines");
  SourceOf(Module)->SetText("kept\n");
  {
    ScriptedUI::TScriptedUI UI("answer Yes\n", "close.txt");
    UIService::TUIServiceScope Using(&UI);
    EXPECT_TRUE(ModuleServices()->CloseAll());
    UI.CheckFinished();
  }
  EXPECT_EQ(W1->GetLines()->GetText(), "kept\n");
  EXPECT_EQ(Designer->ModifiedCount(), 1);
  auto Again = Open("Form1.W1.Lines");
  ScriptedUI::TScriptedUI Silent("", "none.txt");
  UIService::TUIServiceScope Using(&Silent);
  EXPECT_TRUE(Again->Close());
  Silent.CheckFinished();
}

TEST_F(Modules, AModuleWhoseComponentIsGoneKeepsWhatWasTyped) {
  auto Module = Open("Form1.W1.Lines");
  SourceOf(Module)->SetText("unsaved work\n");
  delete W1;
  EXPECT_FALSE(StFilSys::StringsFileSystem->FileExists("Form1.W1.Lines"));
  try {
    Module->Save(false, false);
    FAIL() << "there is no property to save into";
  } catch (const SysUtils::EInvalidOperation& E) {
    EXPECT_NE(E.Message().find("Form1.W1.Lines"), std::string::npos) << E.Message();
  }
  EXPECT_TRUE(SourceOf(Module)->GetModified());
  EXPECT_EQ(SourceOf(Module)->GetText(), "unsaved work\n");
  ScriptedUI::TScriptedUI UI("answer No\n", "close.txt");
  UIService::TUIServiceScope Using(&UI);
  EXPECT_TRUE(Module->Close());
}

TEST_F(Modules, EntriesTieOnlyStringListProperties) {
  auto* FS = StFilSys::StringsFileSystem;
  EXPECT_THROW(FS->GetTStringsProperty("Form1.W1.Nope", W1, "Nope"), TypInfo::EPropertyError);
  EXPECT_THROW(FS->GetTStringsProperty("Form1.W1.Caption", W1, "Caption"), TypInfo::EPropertyError);
  EXPECT_THROW(FS->GetTStringsProperty("X", nullptr, "Lines"), SysUtils::EInvalidOperation);
  EXPECT_EQ(FS->FindTStringsProperty("Form1.W1.Nope"), nullptr);
  EXPECT_EQ(FS->FileAge("Form1.W1.Nope"), -1);
  EXPECT_THROW(FS->LoadFile("Form1.W1.Nope"), SysUtils::EInOutError);
}

namespace {

std::string ReadAll(const std::filesystem::path& P) {
  std::ifstream In(P);
  return std::string(std::istreambuf_iterator<char>(In), {});
}

} // namespace

TEST_F(Modules, ThePersonsOwnEditorEditsATemporaryFileNamedAfterTheModule) {
  Scope.Services()->SetTextModuleEditor(IDEServices::ExternalTextModuleEditor);
  const auto Dir =
      std::filesystem::temp_directory_path() / ("ovmodtest-" + std::to_string(::getpid()));
  std::filesystem::create_directories(Dir);
  const auto Seen = Dir / "seen.txt";
  // An "editor" that notes which file it got and what it held, then writes
  // new text into it.
  const std::string Editor = "sh -c 'basename \"$1\" > " + Seen.string() + "; cat \"$1\" >> " +
                             Seen.string() + "; printf \"select 2\\n\" > \"$1\"' editor";
  TEnvScope Visual("VISUAL", nullptr);
  TEnvScope EditorVar("EDITOR", Editor.c_str());
  auto Module = Open("Form1.W1.Lines");
  SourceOf(Module)->Show();
  EXPECT_EQ(ReadAll(Seen), "Form1.W1.Lines\nselect *\nfrom t\n");
  EXPECT_EQ(W1->GetLines()->GetText(), "select 2\n");
  EXPECT_FALSE(SourceOf(Module)->GetModified());
  EXPECT_EQ(Designer->ModifiedCount(), 1);

  // An editor that fails leaves the buffer and the property as they were.
  TEnvScope Failing("VISUAL", "sh -c 'printf junk > \"$1\"; exit 3' editor");
  SourceOf(Module)->Show();
  EXPECT_EQ(SourceOf(Module)->GetText(), "select 2\n");
  EXPECT_EQ(W1->GetLines()->GetText(), "select 2\n");
  EXPECT_EQ(Designer->ModifiedCount(), 1);
  std::filesystem::remove_all(Dir);
}

TEST_F(Modules, WithoutAnEditorShowingAModuleSaysWhatToSet) {
  Scope.Services()->SetTextModuleEditor(IDEServices::ExternalTextModuleEditor);
  TEnvScope Visual("VISUAL", nullptr);
  TEnvScope Editor("EDITOR", nullptr);
  auto Module = Open("Form1.W1.Lines", true);
  try {
    SourceOf(Module)->Show();
    FAIL() << "no editor is named";
  } catch (const SysUtils::EInOutError& E) {
    EXPECT_EQ(E.Message(), "Cannot edit Form1.W1.Lines: set VISUAL or EDITOR to the editor to use");
  }
  EXPECT_TRUE(SourceOf(Module)->GetModified());
}
