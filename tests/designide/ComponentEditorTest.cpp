// Component editors: the editor chosen for a component's class, verbs
// numbered after the parent's, the double-click, and classes the host
// cannot create.
#include "EditorTestClasses.hpp"
#include "designide/DesignEditors.hpp"
#include "designide/DesignIntf.hpp"

#include <gtest/gtest.h>

using namespace EditorTest;
using namespace DesignEditors;
using DesignIntf::TDesigner;
using System::TInterfaceRef;

namespace {

std::vector<std::string> Executed;

// Adds a version verb after its parent's verbs, as a package's default
// editor does.
class TVersionEditor : public TComponentEditor {
  OV_CLASS(TVersionEditor, TComponentEditor)
public:
  using inherited::inherited;
  int GetVerbCount() override { return inherited::GetVerbCount() + 1; }
  std::string GetVerb(int Index) override {
    const int Base = inherited::GetVerbCount();
    if (Index == Base)
      return "Version 1.0";
    return Index < Base ? inherited::GetVerb(Index) : std::string();
  }
  void ExecuteVerb(int Index) override {
    const int Base = inherited::GetVerbCount();
    if (Index == Base)
      Executed.push_back("about " + Component()->GetName());
    else if (Index < Base)
      inherited::ExecuteVerb(Index);
  }
};

class TWidgetEditor : public TVersionEditor {
  OV_CLASS(TWidgetEditor, TVersionEditor)
public:
  using inherited::inherited;
  int GetVerbCount() override { return inherited::GetVerbCount() + 2; }
  std::string GetVerb(int Index) override {
    const int Base = inherited::GetVerbCount();
    if (Index == Base)
      return "-";
    if (Index == Base + 1)
      return "Configure...";
    return inherited::GetVerb(Index);
  }
  void ExecuteVerb(int Index) override {
    const int Base = inherited::GetVerbCount();
    if (Index == Base + 1) {
      Executed.push_back("configure " + Component()->GetName());
      if (GetDesigner())
        GetDesigner()->Modified();
    } else if (Index != Base) {
      inherited::ExecuteVerb(Index);
    }
  }
  void Edit() override { ExecuteVerb(TVersionEditor::GetVerbCount() + 1); }
};

// Its only constructor needs a designer: no class reference can create it.
class TStubbornEditor : public TComponentEditor {
  OV_CLASS(TStubbornEditor, TComponentEditor)
public:
  TStubbornEditor(Classes::TComponent* C, DesignIntf::IDesigner* D) : TComponentEditor(C, D) {}
};

std::vector<std::string> Verbs(TComponentEditor& E) {
  std::vector<std::string> R;
  for (int I = 0; I < E.GetVerbCount(); ++I)
    R.push_back(E.GetVerb(I));
  return R;
}

} // namespace

OV_CLASS_IMPL(TVersionEditor, TComponentEditor, "ComponentEditorTest")
OV_CLASS_IMPL(TWidgetEditor, TVersionEditor, "ComponentEditorTest")
OV_CLASS_IMPL(TStubbornEditor, TComponentEditor, "ComponentEditorTest")

TEST(ComponentEditor, TheMostDerivedRegistrationServesTheComponent) {
  TTestRegistrations Scope;
  DesignIntf::RegisterComponentEditor(TWidget::StaticClass(), TVersionEditor::StaticClass());
  DesignIntf::RegisterComponentEditor(TSpecialWidget::StaticClass(), TWidgetEditor::StaticClass());
  TTestRoot Root(nullptr);
  TWidget W(&Root);
  TSpecialWidget S(&Root);
  TGadget G(&Root);
  EXPECT_EQ(ComponentEditorClassOf(&W), TVersionEditor::StaticClass());
  EXPECT_EQ(ComponentEditorClassOf(&S), TWidgetEditor::StaticClass());
  EXPECT_EQ(ComponentEditorClassOf(&G), TDefaultEditor::StaticClass());

  TInterfaceRef<TDesigner> D(new TDesigner(&Root));
  auto E = GetComponentEditor(&S, D.Get());
  EXPECT_EQ(E->ClassType(), TWidgetEditor::StaticClass());
  EXPECT_EQ(E->Component(), &S);
  EXPECT_EQ(E->GetDesigner(), D.Get());
}

TEST(ComponentEditor, DescendantVerbsFollowTheParentsAndStrayIndexesDoNothing) {
  Executed.clear();
  TTestRoot Root(nullptr);
  TInterfaceRef<TDesigner> D(new TDesigner(&Root));
  TSpecialWidget S(&Root);
  S.SetName("S1");
  auto E = CreateComponentEditor(TWidgetEditor::StaticClass(), &S, D.Get());
  EXPECT_EQ(Verbs(*E), (std::vector<std::string>{"Version 1.0", "-", "Configure..."}));
  EXPECT_EQ(E->GetVerb(3), "");
  EXPECT_EQ(E->GetVerb(-1), "");
  E->ExecuteVerb(1); // the separator
  E->ExecuteVerb(7);
  EXPECT_TRUE(Executed.empty());
  E->ExecuteVerb(0);
  E->Edit();
  EXPECT_EQ(Executed, (std::vector<std::string>{"about S1", "configure S1"}));
  EXPECT_EQ(D->ModifiedCount(), 1);
}

TEST(ComponentEditor, TheBaseDoubleClickRunsTheFirstVerbAndTheDefaultEditorNone) {
  Executed.clear();
  TWidget W(nullptr);
  W.SetName("W1");
  auto E = CreateComponentEditor(TVersionEditor::StaticClass(), &W, nullptr);
  E->Edit();
  EXPECT_EQ(Executed, (std::vector<std::string>{"about W1"}));
  EXPECT_EQ(E->GetDesigner(), nullptr);

  auto Default = CreateComponentEditor(TDefaultEditor::StaticClass(), &W, nullptr);
  EXPECT_EQ(Default->GetVerbCount(), 0);
  Default->Edit();
  Default->Copy();
  EXPECT_EQ(Executed.size(), 1u);
}

TEST(ComponentEditor, ClassesTheHostCannotCreateAreRefusedByName) {
  TWidget W(nullptr);
  try {
    CreateComponentEditor(TWidget::StaticClass(), &W, nullptr);
    FAIL() << "a component is no editor";
  } catch (const SysUtils::EInvalidOperation& E) {
    EXPECT_NE(E.Message().find("TWidget is no component editor class"), std::string::npos);
  }
  try {
    CreateComponentEditor(TStubbornEditor::StaticClass(), &W, nullptr);
    FAIL() << "no constructor taking the component alone";
  } catch (const SysUtils::EInvalidOperation& E) {
    EXPECT_NE(E.Message().find("TStubbornEditor"), std::string::npos);
  }
}
