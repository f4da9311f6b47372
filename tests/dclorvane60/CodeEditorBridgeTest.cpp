// The code editor bridge on the host's module services and strings file
// system: module names, the source a module gets, the modified mark, finding,
// showing and closing modules, what the creator answers and how long it
// lives, and the Alt key.
#include "EditorTestSupport.hpp"

#include "designide/StFilSys.hpp"

using namespace EditorTestSupport;
using namespace OVEngine;
using namespace OVReg;
using System::TInterfaceRef;

namespace {

class CodeEditorBridge : public TEditorTest {
protected:
  void SetUp() override {
    TEditorTest::SetUp();
    Q1 = Add<TOVQuery>("OVQuery1");
    Q1->GetSQL()->SetText("select *\nfrom t\n");
    Q2 = Add<TOVQuery>("OVQuery2");
  }
  TInterfaceRef<ToolsAPI::IOTAModule> Find(const std::string& Name) {
    return Services.Services()->FindModule(Name);
  }
  static std::string SourceOf(const TInterfaceRef<ToolsAPI::IOTAModule>& Module) {
    return ToolsAPI::IntfCast<ToolsAPI::IOTASourceEditor>(Module->GetModuleFileEditor(0))
        ->GetText();
  }
  TOVQuery* Q1 = nullptr;
  TOVQuery* Q2 = nullptr;
};

} // namespace

TEST_F(CodeEditorBridge, ModulesAreNamedAfterRootComponentAndProperty) {
  DesignIntf::IDesigner* D = Designer.Get();
  EXPECT_EQ(StringsModuleName(D, Q1, "SQL"), "Form1.OVQuery1.SQL");
  EXPECT_EQ(StringsModuleName(D, Q2, "SQL"), "Form1.OVQuery2.SQL");
  EXPECT_EQ(StringsModuleName(D, Q1, "Params"), "Form1.OVQuery1.Params");
  // Not owned by the root, no component, no designer: no name.
  Classes::TComponent Elsewhere(nullptr);
  auto* Stray = new TOVQuery(&Elsewhere);
  Stray->SetName("Stray");
  EXPECT_EQ(StringsModuleName(D, Stray, "SQL"), "");
  EXPECT_EQ(StringsModuleName(D, Q1->GetSQL(), "SQL"), "");
  EXPECT_EQ(StringsModuleName(nullptr, Q1, "SQL"), "");
  EXPECT_FALSE(ShowStringsModule(D, Stray, "SQL"));
  EXPECT_TRUE(CloseStringsModule(D, Stray, "SQL"));
  // A root without a name names nothing either.
  Root->SetName("");
  EXPECT_EQ(StringsModuleName(D, Q1, "SQL"), "");
  OpenStringsInCodeEditor(D, Q1, "SQL", Q1->GetSQL(), false);
  EXPECT_EQ(Services.Services()->GetModuleCount(), 0);
  EXPECT_TRUE(TextModuleCalls.empty());
}

TEST_F(CodeEditorBridge, TheSourceIsWhatTheListSavesAndTheAgeIsTheEntrysFileDate) {
  OpenStringsInCodeEditor(Designer.Get(), Q1, "SQL", Q1->GetSQL(), false);
  auto Module = Find("Form1.OVQuery1.SQL");
  ASSERT_TRUE(Module);
  Classes::TStringStream Saved;
  Q1->GetSQL()->SaveToStream(&Saved);
  EXPECT_EQ(SourceOf(Module), Saved.DataString());
  EXPECT_EQ(Module->GetFileSystem(), "Delphi.TStringsFileSystem");
  const StFilSys::TStringsProperty* Entry =
      StFilSys::StringsFileSystem->FindTStringsProperty("Form1.OVQuery1.SQL");
  ASSERT_NE(Entry, nullptr);
  EXPECT_EQ(Entry->Component(), Q1);
  EXPECT_EQ(Entry->PropName(), "SQL");
  EXPECT_EQ(Entry->GetFileDate(), SysUtils::DateTimeToFileDate(Module->GetAge()));
  // Shown at once, not marked modified.
  ASSERT_EQ(TextModuleCalls.size(), 1u);
  EXPECT_FALSE(TextModuleCalls[0].Modified);

  Classes::TStringList Empty;
  OpenStringsInCodeEditor(Designer.Get(), Q2, "SQL", &Empty, true);
  EXPECT_EQ(SourceOf(Find("Form1.OVQuery2.SQL")), "");
  ASSERT_EQ(TextModuleCalls.size(), 2u);
  EXPECT_TRUE(TextModuleCalls[1].Modified);
  EXPECT_EQ(Services.Services()->GetModuleCount(), 2);
}

TEST_F(CodeEditorBridge, ASavedModuleWritesThePropertyAndTellsTheDesigner) {
  TypedText = "select 2\n";
  SaveTypedText = true;
  OpenStringsInCodeEditor(Designer.Get(), Q1, "SQL", Q1->GetSQL(), false);
  EXPECT_EQ(Q1->GetSQL()->GetText(), "select 2\n");
  EXPECT_EQ(Modified(), 1);
  EXPECT_FALSE(Find("Form1.OVQuery1.SQL")->GetModuleFileEditor(0)->GetModified());
  // Shown again, the module is found and comes to the front.
  TypedText.clear();
  SaveTypedText = false;
  EXPECT_TRUE(ShowStringsModule(Designer.Get(), Q1, "SQL"));
  ASSERT_EQ(TextModuleCalls.size(), 2u);
  EXPECT_EQ(TextModuleCalls[1].Text, "select 2\n");
  EXPECT_FALSE(ShowStringsModule(Designer.Get(), Q2, "SQL"));
  EXPECT_EQ(TextModuleCalls.size(), 2u);
}

TEST_F(CodeEditorBridge, ARefusedCloseKeepsTheModuleAndWhatWasTyped) {
  TypedText = "select 42\n";
  OpenStringsInCodeEditor(Designer.Get(), Q1, "SQL", Q1->GetSQL(), false);
  {
    TScript S("answer Cancel \"Save changes to Form1.OVQuery1.SQL?\"\n");
    EXPECT_FALSE(CloseStringsModule(Designer.Get(), Q1, "SQL"));
    S.UI.CheckFinished();
  }
  auto Module = Find("Form1.OVQuery1.SQL");
  ASSERT_TRUE(Module);
  EXPECT_EQ(SourceOf(Module), "select 42\n");
  EXPECT_EQ(Q1->GetSQL()->GetText(), "select *\nfrom t\n");
  {
    TScript S("answer No\n");
    EXPECT_TRUE(CloseStringsModule(Designer.Get(), Q1, "SQL"));
    S.UI.CheckFinished();
  }
  EXPECT_FALSE(Find("Form1.OVQuery1.SQL"));
  EXPECT_EQ(Module->GetModuleFileCount(), 0);
  // Nothing open: closing succeeds without asking.
  TScript S("");
  EXPECT_TRUE(CloseStringsModule(Designer.Get(), Q1, "SQL"));
  EXPECT_EQ(Modified(), 0);
}

TEST_F(CodeEditorBridge, WithoutModuleServicesTheBridgeRaises) {
  TInterfaceRef<ToolsAPI::IBorlandIDEServices> Saved = ToolsAPI::BorlandIDEServices;
  ToolsAPI::BorlandIDEServices.Reset();
  EXPECT_THROW(OpenStringsInCodeEditor(Designer.Get(), Q1, "SQL", Q1->GetSQL(), false),
               SysUtils::EIntfCastError);
  EXPECT_THROW(CloseStringsModule(Designer.Get(), Q1, "SQL"), SysUtils::EIntfCastError);
  EXPECT_THROW(ShowStringsModule(Designer.Get(), Q1, "SQL"), SysUtils::EIntfCastError);
  ToolsAPI::BorlandIDEServices = Saved;
}

TEST_F(CodeEditorBridge, TheCreatorAnswersForATextModuleAndGoesWithItsLastReference) {
  auto Stream = std::make_unique<Classes::TStringStream>("line 1\nline 2\n");
  const SysUtils::TDateTime Age = SysUtils::EncodeDate(2026, 3, 1);
  TInterfaceRef<TStringsModuleCreator> Creator(
      new TStringsModuleCreator("Form1.OVQuery1.SQL", std::move(Stream), Age));
  EXPECT_EQ(Creator->GetCreatorType(), "Text");
  EXPECT_TRUE(Creator->GetExisting());
  EXPECT_EQ(Creator->GetFileSystem(), "Delphi.TStringsFileSystem");
  EXPECT_FALSE(Creator->GetOwner());
  EXPECT_FALSE(Creator->GetUnnamed());
  EXPECT_EQ(Creator->GetAncestorName(), "");
  EXPECT_EQ(Creator->GetImplFileName(), "Form1.OVQuery1.SQL");
  EXPECT_EQ(Creator->GetIntfFileName(), "");
  EXPECT_EQ(Creator->GetFormName(), "");
  EXPECT_FALSE(Creator->GetMainForm());
  EXPECT_FALSE(Creator->GetShowForm());
  EXPECT_TRUE(Creator->GetShowSource());
  EXPECT_FALSE(Creator->NewFormFile("a", "b"));
  EXPECT_FALSE(Creator->NewIntfSource("a", "b", "c"));
  auto First = Creator->NewImplSource("x", "y", "z");
  auto Second = Creator->NewImplSource("", "", "");
  ASSERT_TRUE(First);
  EXPECT_NE(First.Get(), Second.Get());
  EXPECT_EQ(First->GetSource(), "line 1\nline 2\n");
  EXPECT_EQ(Second->GetSource(), "line 1\nline 2\n");
  EXPECT_EQ(First->GetAge(), Age);
  EXPECT_EQ(dynamic_cast<System::TInterfacedObject*>(First.Get())->RefCount(), 1);

  // The host takes what it needs from the creator and keeps no reference.
  StFilSys::Register();
  auto Module = Services.Services()->CreateModule(TInterfaceRef<ToolsAPI::IOTACreator>(Creator));
  ASSERT_TRUE(Module);
  EXPECT_EQ(Creator->RefCount(), 1);
  EXPECT_EQ(SourceOf(Module), "line 1\nline 2\n");
}

TEST_F(CodeEditorBridge, TheAltKeyIsReadAtTheMomentOfTheCall) {
  TScript S("key alt down\n");
  EXPECT_TRUE(IsAltKeyDown());
  EXPECT_TRUE(IsAltKeyDown());
  TScript Up("key alt up\n");
  EXPECT_FALSE(IsAltKeyDown());
  TScript None("");
  EXPECT_FALSE(IsAltKeyDown());
}
