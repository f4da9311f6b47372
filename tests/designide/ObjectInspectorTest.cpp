// The Object Inspector model and the standard property editors: which
// editor a property gets, values of single and multiple selections, typed
// values refused with their names, sub-properties, references, events and
// categories, and when the designer is told of a change.
#include "designide/ObjectInspector.hpp"
#include "EditorTestClasses.hpp"
#include "designide/DesignConst.hpp"
#include "designide/DesignEditors.hpp"
#include "designide/DesignIntf.hpp"
#include "support/Errors.hpp"
#include "vcl/Graphics.hpp"

#include <gtest/gtest.h>

using namespace EditorTest;
using namespace ObjectInspector;
using DesignIntf::TDesigner;
using DesignIntf::TPropertyAttribute;
using System::TInterfaceRef;

namespace {

class TCaptionEditor : public DesignEditors::TStringProperty {
  OV_CLASS(TCaptionEditor, DesignEditors::TStringProperty)
public:
  using inherited::inherited;
};
class TWidgetStringEditor : public DesignEditors::TStringProperty {
  OV_CLASS(TWidgetStringEditor, DesignEditors::TStringProperty)
public:
  using inherited::inherited;
};
// A value-list editor that keeps its own order.
class TShelfEditor : public DesignEditors::TStringProperty {
  OV_CLASS(TShelfEditor, DesignEditors::TStringProperty)
public:
  using inherited::inherited;
  DesignIntf::TPropertyAttributes GetAttributes() override {
    return {TPropertyAttribute::paValueList};
  }
  void GetValues(const DesignIntf::TGetStrProc& Proc) override {
    Proc("zeta");
    Proc("Alpha");
    Proc("beta");
  }
};

class Inspector : public ::testing::Test {
protected:
  Inspector() : Root(nullptr) {
    Root.SetName("Form1");
    D = TInterfaceRef<TDesigner>(new TDesigner(&Root));
    W1 = Named(new TWidget(&Root), "W1");
    W2 = Named(new TWidget(&Root), "W2");
    S1 = Named(new TSpecialWidget(&Root), "S1");
    G1 = Named(new TGadget(&Root), "G1");
  }
  template <class T> static T* Named(T* C, const char* Name) {
    C->SetName(Name);
    return C;
  }
  std::unique_ptr<TObjectInspector> Inspect(std::vector<Classes::TPersistent*> Selection) {
    return std::make_unique<TObjectInspector>(D.Get(), std::move(Selection));
  }
  static std::string ErrorOf(const std::function<void()>& Fn) {
    return TestSupport::ErrorOf<SysUtils::Exception>(Fn);
  }
  static std::vector<std::string> Names(TObjectInspector& OI) {
    std::vector<std::string> R;
    for (const auto& P : OI.Properties())
      R.push_back(P->Name());
    return R;
  }

  TTestRoot Root;
  TInterfaceRef<TDesigner> D;
  TWidget* W1;
  TWidget* W2;
  TSpecialWidget* S1;
  TGadget* G1;
};

} // namespace

OV_CLASS_IMPL(TCaptionEditor, DesignEditors::TStringProperty, "ObjectInspectorTest")
OV_CLASS_IMPL(TWidgetStringEditor, DesignEditors::TStringProperty, "ObjectInspectorTest")
OV_CLASS_IMPL(TShelfEditor, DesignEditors::TStringProperty, "ObjectInspectorTest")

TEST_F(Inspector, EachKindOfPropertyGetsTheDefaultEditorOfItsKind) {
  auto OI = Inspect({W1});
  // Serial has no setter and holds no object: it is not shown.
  EXPECT_EQ(Names(*OI), (std::vector<std::string>{"Name", "Tag", "Count", "Active", "Mode",
                                                  "Options", "Ratio", "Caption", "Letter", "Big",
                                                  "Lines", "Style", "Buddy", "OnChange"}));
  const std::vector<std::pair<const char*, const char*>> Expected = {
      {"Name", "TComponentNameProperty"}, {"Tag", "TIntegerProperty"},
      {"Active", "TBoolProperty"},        {"Mode", "TEnumProperty"},
      {"Options", "TSetProperty"},        {"Ratio", "TFloatProperty"},
      {"Caption", "TStringProperty"},     {"Letter", "TCharProperty"},
      {"Big", "TInt64Property"},          {"Lines", "TStringListProperty"},
      {"Style", "TClassProperty"},        {"Buddy", "TComponentProperty"},
      {"OnChange", "TMethodProperty"}};
  for (const auto& [Prop, Editor] : Expected)
    EXPECT_EQ(OI->Get(Prop).EditorClassName(), Editor) << Prop;
  EXPECT_EQ(OI->Get("Lines").Value(), "(TStrings)");
  EXPECT_EQ(OI->Get("Style").Value(), "(TStyle)");
  EXPECT_EQ(OI->Get("Active").Values(), (std::vector<std::string>{"False", "True"}));
}

TEST_F(Inspector, RegistrationsChooseByNameThenClassAndCanHideAProperty) {
  TTestRegistrations Scope;
  const auto* Str = TypInfo::StringTypeInfo();
  DesignIntf::RegisterPropertyEditor(Str, TWidget::StaticClass(), "",
                                     TWidgetStringEditor::StaticClass());
  DesignIntf::RegisterPropertyEditor(Str, TWidget::StaticClass(), "Caption",
                                     TCaptionEditor::StaticClass());
  DesignIntf::RegisterPropertyEditor(TypInfo::IntegerTypeInfo(), TSpecialWidget::StaticClass(),
                                     "Count", nullptr);
  auto OI = Inspect({W1});
  EXPECT_EQ(OI->Get("Caption").EditorClassName(), "TCaptionEditor");
  EXPECT_EQ(OI->Get("Name").EditorClassName(), "TWidgetStringEditor");
  EXPECT_EQ(OI->Get("Count").EditorClassName(), "TIntegerProperty");
  auto Gadget = Inspect({G1});
  EXPECT_EQ(Gadget->Get("Caption").EditorClassName(), "TStringProperty");
  auto Special = Inspect({S1});
  EXPECT_EQ(Special->Get("Caption").EditorClassName(), "TCaptionEditor");
  EXPECT_EQ(Special->Find("Count"), nullptr);
  EXPECT_NE(ErrorOf([&] { Special->Get("Count"); }).find("is not shown"), std::string::npos);
  // A descendant whose editor differs does not share the property.
  auto Both = Inspect({W1, S1});
  EXPECT_EQ(Both->Find("Count"), nullptr);
  EXPECT_NE(Both->Find("Caption"), nullptr);
}

TEST_F(Inspector, AMultipleSelectionSharesSameNamedSameTypedPropertiesAndShowsAgreement) {
  W1->SetCount(3);
  W2->SetCount(3);
  G1->SetCount(3);
  W1->SetCaption("left");
  W2->SetCaption("right");
  G1->SetCaption("left");
  auto OI = Inspect({W1, W2, G1});
  // Name has no multiple selection; Mode is an enumeration in one, an
  // integer in the other.
  EXPECT_EQ(Names(*OI), (std::vector<std::string>{"Tag", "Count", "Caption"}));
  EXPECT_EQ(OI->Get("Count").Value(), "3");
  EXPECT_TRUE(OI->Get("Count").AllEqual());
  EXPECT_EQ(OI->Get("Caption").Value(), "");
  EXPECT_FALSE(OI->Get("Caption").AllEqual());
  EXPECT_NE(ErrorOf([&] { OI->Get("Mode"); }).find("is not shared"), std::string::npos);
  EXPECT_EQ(OI->SelectionText(), "W1, W2, G1");

  OI->Get("Caption").SetValue("same");
  EXPECT_EQ(W1->GetCaption(), "same");
  EXPECT_EQ(W2->GetCaption(), "same");
  EXPECT_EQ(G1->GetCaption(), "same");
  EXPECT_EQ(D->ModifiedCount(), 1);
  EXPECT_EQ(OI->Get("Caption").Value(), "same");
}

TEST_F(Inspector, EnumerationsAndSetsRefuseNamesTheyDoNotHave) {
  auto OI = Inspect({W1});
  TInspectorProperty& Mode = OI->Get("Mode");
  Mode.SetValue("MDWRITE");
  EXPECT_EQ(W1->GetMode(), TMode::mdWrite);
  const std::string ModeError = ErrorOf([&] { Mode.SetValue("mdBogus"); });
  EXPECT_NE(ModeError.find("W1"), std::string::npos) << ModeError;
  EXPECT_NE(ModeError.find("'mdBogus'"), std::string::npos) << ModeError;
  EXPECT_NE(ModeError.find("Mode"), std::string::npos) << ModeError;
  EXPECT_NE(ModeError.find("mdNone, mdRead, mdWrite"), std::string::npos) << ModeError;
  EXPECT_EQ(W1->GetMode(), TMode::mdWrite);

  TInspectorProperty& Options = OI->Get("Options");
  Options.SetValue("[opQuiet, opFast]");
  EXPECT_EQ(Options.Value(), "[opFast,opQuiet]");
  Options.SetValue("opSafe");
  EXPECT_EQ(W1->GetOptions(), (TOptions{TOption::opSafe}));
  const std::string SetError = ErrorOf([&] { Options.SetValue("[opFast, opNope]"); });
  EXPECT_NE(SetError.find("opNope is no element of TOptions"), std::string::npos) << SetError;
  EXPECT_NE(ErrorOf([&] { Options.SetValue("[opFast"); }).find("closing bracket"),
            std::string::npos);
  EXPECT_EQ(W1->GetOptions(), (TOptions{TOption::opSafe}));
  EXPECT_EQ(D->ModifiedCount(), 3);

  // Each element is a Boolean sub-property.
  const auto& Elements = Options.SubProperties();
  ASSERT_EQ(Elements.size(), 3u);
  EXPECT_EQ(Elements[1]->Name(), "opSafe");
  EXPECT_EQ(Elements[1]->Value(), "True");
  EXPECT_EQ(Elements[0]->Value(), "False");
  OI->Get("Options.opQuiet").SetValue("True");
  OI->Get("Options.opSafe").SetValue("False");
  EXPECT_EQ(W1->GetOptions(), (TOptions{TOption::opQuiet}));
  EXPECT_NE(ErrorOf([&] { OI->Get("Options.opFast").SetValue("yes"); }).find("not False or True"),
            std::string::npos);
}

TEST_F(Inspector, NumbersAndCharactersAreParsedOrRefusedWithTheirText) {
  auto OI = Inspect({W1});
  OI->Get("Count").SetValue("$1F");
  EXPECT_EQ(W1->GetCount(), 31);
  OI->Get("Count").SetValue("-12");
  EXPECT_EQ(W1->GetCount(), -12);
  for (const char* Bad : {"12x", "", "99999999999", "0x"}) {
    const std::string E = ErrorOf([&] { OI->Get("Count").SetValue(Bad); });
    EXPECT_NE(E.find(std::string("'") + Bad + "'"), std::string::npos) << E;
  }
  EXPECT_EQ(W1->GetCount(), -12);
  OI->Get("Big").SetValue("-9223372036854775808");
  EXPECT_EQ(W1->GetBig(), INT64_MIN);
  OI->Get("Ratio").SetValue("2.5");
  EXPECT_DOUBLE_EQ(W1->GetRatio(), 2.5);
  EXPECT_NE(ErrorOf([&] { OI->Get("Ratio").SetValue("inf"); }).find("not a number"),
            std::string::npos);
  OI->Get("Letter").SetValue("#65");
  EXPECT_EQ(W1->GetLetter(), 'A');
  OI->Get("Letter").SetValue(" ");
  EXPECT_EQ(OI->Get("Letter").Value(), "#32");
  EXPECT_NE(ErrorOf([&] { OI->Get("Letter").SetValue("ab"); }).find("'ab'"), std::string::npos);
  EXPECT_NE(ErrorOf([&] { OI->Get("Letter").SetValue("#256"); }).find("#256"), std::string::npos);
}

TEST_F(Inspector, TheDesignerIsToldOnlyWhenAValueChanges) {
  auto OI = Inspect({W1, W2});
  OI->Get("Count").SetValue("0");
  EXPECT_EQ(D->ModifiedCount(), 0);
  OI->Get("Count").SetValue("5");
  EXPECT_EQ(D->ModifiedCount(), 1);
  // A setter that fails for the second widget: the first one changed, so
  // the designer hears of it, and the error names where it happened.
  W2->FailActivation = true;
  const std::string E = ErrorOf([&] { OI->Get("Active").SetValue("True"); });
  EXPECT_NE(E.find("W1, W2: cannot set property Active to 'True': cannot reach the server"),
            std::string::npos)
      << E;
  EXPECT_TRUE(W1->GetActive());
  EXPECT_FALSE(W2->GetActive());
  EXPECT_EQ(D->ModifiedCount(), 2);
}

TEST_F(Inspector, ErrorsOfTheComponentKeepTheirClass) {
  W1->FailActivation = true;
  auto OI = Inspect({W1});
  EXPECT_THROW(OI->Get("Active").SetValue("True"), SysUtils::EInvalidOperation);
  EXPECT_FALSE(W1->GetActive());
  EXPECT_EQ(D->ModifiedCount(), 0);
}

TEST_F(Inspector, ObjectPropertiesUnfoldAndCannotBeTyped) {
  auto OI = Inspect({W1, W2});
  TInspectorProperty& Style = OI->Get("Style");
  EXPECT_TRUE(Style.Attributes().Contains(TPropertyAttribute::paSubProperties));
  ASSERT_EQ(Style.SubProperties().size(), 2u);
  EXPECT_EQ(OI->Get("style.face").Path(), "Style.Face");
  OI->Get("Style.Face").SetValue("Mono");
  EXPECT_EQ(W1->GetStyle()->GetFace(), "Mono");
  EXPECT_EQ(W2->GetStyle()->GetFace(), "Mono");
  EXPECT_EQ(D->ModifiedCount(), 1);
  const std::string E = ErrorOf([&] { OI->Get("Lines").SetValue("x"); });
  EXPECT_NE(E.find("read-only"), std::string::npos) << E;
  EXPECT_EQ(W1->LinesAssigned, 0);
}

TEST_F(Inspector, ComponentReferencesOfferAndTakeOnlyComponentsOfTheirClass) {
  auto* G2 = Named(new TSpecialGadget(&Root), "a2");
  auto OI = Inspect({W1});
  TInspectorProperty& Buddy = OI->Get("Buddy");
  EXPECT_EQ(Buddy.Values(), (std::vector<std::string>{"a2", "G1"}));
  Buddy.SetValue("A2");
  EXPECT_EQ(W1->GetBuddy(), G2);
  EXPECT_EQ(Buddy.Value(), "a2");
  EXPECT_NE(ErrorOf([&] { Buddy.SetValue("W2"); }).find("W2 is a TWidget, not a TGadget"),
            std::string::npos);
  EXPECT_NE(ErrorOf([&] { Buddy.SetValue("Nobody"); }).find("no component of that name"),
            std::string::npos);
  EXPECT_EQ(W1->GetBuddy(), G2);
  EXPECT_EQ(D->ModifiedCount(), 1);
  Buddy.SetValue("a2");
  EXPECT_EQ(D->ModifiedCount(), 1);
  Buddy.SetValue("");
  EXPECT_EQ(W1->GetBuddy(), nullptr);
  EXPECT_EQ(D->ModifiedCount(), 2);
}

TEST_F(Inspector, EventsBindToTheRootsPublishedMethods) {
  auto OI = Inspect({W1});
  TInspectorProperty& Event = OI->Get("OnChange");
  EXPECT_EQ(Event.Values(), (std::vector<std::string>{"OtherChange", "WidgetChange"}));
  Event.SetValue("WidgetChange");
  ASSERT_TRUE(static_cast<bool>(W1->OnChange));
  W1->OnChange(W1);
  EXPECT_EQ(Root.Changes, 1);
  EXPECT_EQ(Event.Value(), "WidgetChange");
  const std::string E = ErrorOf([&] { Event.SetValue("NoSuchHandler"); });
  EXPECT_NE(E.find("'NoSuchHandler'"), std::string::npos) << E;
  EXPECT_NE(E.find("OnChange"), std::string::npos) << E;
  EXPECT_NE(ErrorOf([&] { Event.SetValue("not a name"); }).find("not a method name"),
            std::string::npos);
  Event.SetValue("");
  EXPECT_FALSE(static_cast<bool>(W1->OnChange));
}

TEST_F(Inspector, CategoriesFollowTheRegisteredFiltersWithWildcards) {
  TTestRegistrations Scope;
  DesignIntf::RegisterPropertiesInCategory(DesignConst::sDatabaseCategoryName(),
                                           TWidget::StaticClass(), {"*ode", "Count"});
  auto OI = Inspect({S1});
  EXPECT_EQ(OI->Get("Mode").Category(), "Database");
  EXPECT_EQ(OI->Get("Count").Category(), "Database");
  EXPECT_EQ(OI->Get("Ratio").Category(), "");
  EXPECT_TRUE(OI->Get("Ratio").Categories().empty());
  auto Gadget = Inspect({G1});
  EXPECT_EQ(Gadget->Get("Mode").Category(), "");
}

TEST_F(Inspector, DoubleClickStepsThroughAValueListAndSortedListsAreSorted) {
  TTestRegistrations Scope;
  DesignIntf::RegisterPropertyEditor(TypInfo::StringTypeInfo(), TWidget::StaticClass(), "Caption",
                                     TShelfEditor::StaticClass());
  auto OI = Inspect({W1});
  OI->Get("Mode").Edit();
  EXPECT_EQ(W1->GetMode(), TMode::mdRead);
  OI->Get("Active").Edit();
  EXPECT_TRUE(W1->GetActive());
  // Unsorted: the editor's own order; Edit starts at the first entry.
  EXPECT_EQ(OI->Get("Caption").Values(), (std::vector<std::string>{"zeta", "Alpha", "beta"}));
  OI->Get("Caption").Edit();
  EXPECT_EQ(W1->GetCaption(), "zeta");
  OI->Get("Caption").Edit();
  EXPECT_EQ(W1->GetCaption(), "Alpha");
}

TEST_F(Inspector, UnknownPropertiesAreNamedWithTheComponent) {
  auto OI = Inspect({W1});
  const std::string E = ErrorOf([&] { OI->Get("Colour"); });
  EXPECT_EQ(E, "W1: property Colour does not exist in W1 (TWidget)");
  EXPECT_EQ(OI->Find("Style.Nope"), nullptr);
}

TEST_F(Inspector, IntegersWithNamedValuesShowAndTakeTheirIdentifiers) {
  Graphics::TFont Font;
  auto OI = Inspect({&Font});
  TInspectorProperty& Color = OI->Get("Color");
  EXPECT_EQ(Color.EditorClassName(), "TIntegerProperty");
  Color.SetValue("clBtnFace");
  EXPECT_EQ(Font.GetColor(), Graphics::clBtnFace);
  EXPECT_EQ(Color.Value(), "clBtnFace");
  Color.SetValue("$0000FF");
  EXPECT_EQ(Color.Value(), "clRed");
  Color.SetValue("1193046");
  EXPECT_EQ(Color.Value(), "1193046");
  EXPECT_NE(ErrorOf([&] { Color.SetValue("clNoSuchColour"); }).find("'clNoSuchColour'"),
            std::string::npos);
}
