#include "designide/DesignConst.hpp"
#include "designide/DesignIntf.hpp"
#include "designide/DesignRegistry.hpp"
#include "designide/TreeIntf.hpp"
#include "rtl/Classes.hpp"

#include <gtest/gtest.h>

using namespace DesignIntf;
using namespace DesignRegistry;
using System::TClass;

namespace {

// A small hierarchy standing in for a runtime package's components, and
// classes standing in for editors.
class TBaseSet : public Classes::TComponent {
  OV_CLASS(TBaseSet, Classes::TComponent)
public:
  using TComponent::TComponent;
};
class TQuerySet : public TBaseSet {
  OV_CLASS(TQuerySet, TBaseSet)
public:
  using TBaseSet::TBaseSet;
};
class TMacroSet : public TQuerySet {
  OV_CLASS(TMacroSet, TQuerySet)
public:
  using TQuerySet::TQuerySet;
};
class TOtherComp : public Classes::TComponent {
  OV_CLASS(TOtherComp, Classes::TComponent)
public:
  using TComponent::TComponent;
};
class TEditorA : public System::TObject {
  OV_CLASS(TEditorA, System::TObject)
};
class TEditorB : public System::TObject {
  OV_CLASS(TEditorB, System::TObject)
};
class TEditorC : public System::TObject {
  OV_CLASS(TEditorC, System::TObject)
};

OV_CLASS_IMPL(TBaseSet, Classes::TComponent, "RegistrationTest")
OV_CLASS_IMPL(TQuerySet, TBaseSet, "RegistrationTest")
OV_CLASS_IMPL(TMacroSet, TQuerySet, "RegistrationTest")
OV_CLASS_IMPL(TOtherComp, Classes::TComponent, "RegistrationTest")
OV_CLASS_IMPL(TEditorA, System::TObject, "RegistrationTest")
OV_CLASS_IMPL(TEditorB, System::TObject, "RegistrationTest")
OV_CLASS_IMPL(TEditorC, System::TObject, "RegistrationTest")

TClass Base() {
  return TBaseSet::StaticClass();
}
TClass Query() {
  return TQuerySet::StaticClass();
}
TClass Macro() {
  return TMacroSet::StaticClass();
}
TClass Other() {
  return TOtherComp::StaticClass();
}
TClass EdA() {
  return TEditorA::StaticClass();
}
TClass EdB() {
  return TEditorB::StaticClass();
}
TClass EdC() {
  return TEditorC::StaticClass();
}

class RegistrationTest : public ::testing::Test {
protected:
  void TearDown() override {
    for (const char* P : {"pkgA", "pkgB", ""})
      UnregisterPackage(P);
  }
};

std::vector<std::string> LogTexts(const std::string& Package) {
  std::vector<std::string> R;
  for (const auto& C : RegistrationLog(Package))
    R.push_back(C.Text());
  return R;
}

TClass EditorOf(const TypInfo::TTypeInfo* Type, TClass Comp, const std::string& Name) {
  const auto R = FindPropertyEditor(Type, Comp, Name);
  return R ? R->EditorClass : nullptr;
}

} // namespace

TEST_F(RegistrationTest, CallsAreRecordedInOrderUnderTheRegisteringPackage) {
  {
    TRegistrationScope Scope("pkgA");
    EXPECT_EQ(CurrentPackage(), "pkgA");
    RegisterComponents("Data", {Base(), Query()});
    RegisterPropertyEditor(TypInfo::BooleanTypeInfo(), Base(), "Active", EdA());
    RegisterComponentEditor(Query(), EdB());
    RegisterPropertiesInCategory(DesignConst::sDatabaseCategoryName(), Base(), {"*SQL", "Name"});
    TreeIntf::RegisterSprigType(Base(), EdC());
    RegisterPropertyEditor(TypInfo::StringTypeInfo(), nullptr, "", nullptr);
  }
  EXPECT_EQ(CurrentPackage(), "");
  EXPECT_EQ(LogTexts("pkgA"), (std::vector<std::string>{
                                  "RegisterComponents Data TBaseSet TQuerySet",
                                  "RegisterPropertyEditor Boolean TBaseSet Active TEditorA",
                                  "RegisterComponentEditor TQuerySet TEditorB",
                                  "RegisterPropertiesInCategory Database TBaseSet *SQL Name",
                                  "RegisterSprigType TBaseSet TEditorC",
                                  "RegisterPropertyEditor string nil \"\" nil",
                              }));
  const auto Log = RegistrationLog("pkgA");
  EXPECT_EQ(Log[1].Args, (std::vector<std::string>{"Boolean", "TBaseSet", "Active", "TEditorA"}));
}

TEST_F(RegistrationTest, PalettePagesKeepTheirOrderAndLoseAPackagesClassesOnUnload) {
  {
    TRegistrationScope Scope("pkgA");
    RegisterComponents("Data", {Query(), Base()});
    RegisterComponents("Misc", {Other()});
  }
  {
    TRegistrationScope Scope("pkgB");
    RegisterComponents("data", {Macro()});
  }
  auto Pages = PalettePages();
  ASSERT_EQ(Pages.size(), 2u);
  EXPECT_EQ(Pages[0].Name, "Data");
  ASSERT_EQ(Pages[0].Items.size(), 3u);
  EXPECT_EQ(Pages[0].Items[0].ComponentClass, Query());
  EXPECT_EQ(Pages[0].Items[1].ComponentClass, Base());
  EXPECT_EQ(Pages[0].Items[2].ComponentClass, Macro());
  EXPECT_EQ(Pages[0].Items[2].Package, "pkgB");
  EXPECT_EQ(PalettePageOf(Other()), "Misc");

  UnregisterPackage("pkgA");
  Pages = PalettePages();
  ASSERT_EQ(Pages.size(), 1u);
  EXPECT_EQ(Pages[0].Items.size(), 1u);
  EXPECT_EQ(PalettePageOf(Other()), "");
  EXPECT_TRUE(RegistrationLog("pkgA").empty());
  EXPECT_EQ(RegistrationLog("pkgB").size(), 1u);
}

TEST_F(RegistrationTest, BadRegistrationsRaiseAndRecordNothing) {
  TRegistrationScope Scope("pkgA");
  RegisterComponents("Data", {Base()});
  EXPECT_THROW(RegisterComponents("Data", {Query(), Base()}), ERegistrationError);
  EXPECT_THROW(RegisterComponents("", {Query()}), ERegistrationError);
  EXPECT_THROW(RegisterComponents("Data", {Query(), nullptr}), ERegistrationError);
  EXPECT_THROW(RegisterComponents("Data", {Query(), Query()}), ERegistrationError);
  EXPECT_THROW(RegisterComponents("Data", {EdA()}), ERegistrationError);
  EXPECT_THROW(RegisterPropertyEditor(nullptr, Base(), "X", EdA()), ERegistrationError);
  EXPECT_THROW(RegisterComponentEditor(nullptr, EdA()), ERegistrationError);
  EXPECT_THROW(RegisterPropertiesInCategory("Database", Base(), {}), ERegistrationError);
  EXPECT_THROW(RegisterPropertiesInCategory("", Base(), {"X"}), ERegistrationError);
  EXPECT_THROW(TreeIntf::RegisterSprigType(Base(), nullptr), ERegistrationError);
  EXPECT_EQ(RegistrationLog("pkgA").size(), 1u);
  EXPECT_EQ(PalettePages()[0].Items.size(), 1u);
}

TEST_F(RegistrationTest, ComponentEditorsAndSprigsMatchDescendantsMostDerivedFirst) {
  TRegistrationScope Scope("pkgA");
  RegisterComponentEditor(Base(), EdA());
  RegisterComponentEditor(Query(), EdB());
  TreeIntf::RegisterSprigType(Query(), EdA());
  TreeIntf::RegisterSprigType(Base(), EdB());
  EXPECT_EQ(FindComponentEditor(Base()), EdA());
  EXPECT_EQ(FindComponentEditor(Query()), EdB());
  EXPECT_EQ(FindComponentEditor(Macro()), EdB()); // descendant of the nearer registration
  EXPECT_EQ(FindComponentEditor(Other()), nullptr);
  EXPECT_EQ(FindSprigType(Macro()), EdA()); // the earlier but more derived registration
  EXPECT_EQ(FindSprigType(Base()), EdB());
  RegisterComponentEditor(Query(), EdC());
  EXPECT_EQ(FindComponentEditor(Macro()), EdC()); // the later of two equal ones
  EXPECT_EQ(FindComponentEditor(nullptr), nullptr);
}

TEST_F(RegistrationTest, PropertyEditorsPickTheMostSpecificRegistration) {
  const auto* Str = TypInfo::StringTypeInfo();
  const auto* Bool = TypInfo::BooleanTypeInfo();
  const auto* Strings = TypInfo::ClassTypeInfo(Classes::TStrings::StaticClass());
  const auto* StringList = TypInfo::ClassTypeInfo(Classes::TStringList::StaticClass());
  const auto* Persistent = TypInfo::ClassTypeInfo(Classes::TPersistent::StaticClass());
  {
    TRegistrationScope Scope("pkgA");
    RegisterPropertyEditor(Str, Base(), "DatabaseName", EdA());
    RegisterPropertyEditor(Str, Query(), "", EdB());
    RegisterPropertyEditor(Persistent, Base(), "SQL", EdA());
    RegisterPropertyEditor(Strings, Base(), "SQL", EdB());
    RegisterPropertyEditor(Bool, nullptr, "", EdC());
  }
  // A named registration beats an unnamed one on a more derived class.
  EXPECT_EQ(EditorOf(Str, Macro(), "databasename"), EdA());
  EXPECT_EQ(EditorOf(Str, Macro(), "TableName"), EdB());
  EXPECT_EQ(EditorOf(Str, Base(), "TableName"), nullptr);
  EXPECT_EQ(EditorOf(Str, Other(), "DatabaseName"), nullptr);
  // Class-typed properties match registrations for an ancestor class, the
  // nearer ancestor winning.
  EXPECT_EQ(EditorOf(StringList, Query(), "SQL"), EdB());
  EXPECT_EQ(EditorOf(Persistent, Query(), "SQL"), EdA());
  EXPECT_EQ(EditorOf(Str, Query(), "SQL"), EdB()); // the unnamed string one: type must fit
  EXPECT_EQ(EditorOf(Bool, Other(), "Anything"), EdC());
  {
    TRegistrationScope Scope("pkgB");
    RegisterPropertyEditor(Str, Base(), "DatabaseName", EdC());
    RegisterPropertyEditor(Strings, Macro(), "", nullptr);
  }
  EXPECT_EQ(EditorOf(Str, Query(), "DatabaseName"), EdC()); // later wins the tie
  const auto Hidden = FindPropertyEditor(StringList, Macro(), "Lines");
  ASSERT_TRUE(Hidden.has_value());
  EXPECT_EQ(Hidden->EditorClass, nullptr); // a nil editor hides the property
  EXPECT_EQ(Hidden->Package, "pkgB");
  UnregisterPackage("pkgB");
  EXPECT_EQ(EditorOf(Str, Query(), "DatabaseName"), EdA());
  EXPECT_FALSE(FindPropertyEditor(StringList, Macro(), "Lines").has_value());
}

TEST_F(RegistrationTest, CategoriesMatchFiltersAndDescendants) {
  {
    TRegistrationScope Scope("pkgA");
    RegisterPropertiesInCategory("Database", Base(), {"DatabaseName"});
    RegisterPropertiesInCategory("Database", Query(), {"*SQL"});
    RegisterPropertiesInCategory("Input", Query(), {"?QL", "Modify*"});
  }
  EXPECT_TRUE(IsPropertyInCategory("database", Macro(), "DatabaseName"));
  EXPECT_TRUE(IsPropertyInCategory("Database", Macro(), "ModifySQL"));
  EXPECT_TRUE(IsPropertyInCategory("Database", Query(), "sql"));
  EXPECT_FALSE(IsPropertyInCategory("Database", Base(), "ModifySQL"));
  EXPECT_FALSE(IsPropertyInCategory("Database", Query(), "SQLText"));
  EXPECT_EQ(PropertyCategories(Query(), "SQL"), (std::vector<std::string>{"Database", "Input"}));
  EXPECT_EQ(PropertyCategories(Other(), "DatabaseName"), std::vector<std::string>{});

  EXPECT_TRUE(MatchesFilter("*", ""));
  EXPECT_TRUE(MatchesFilter("a*b*c", "aXXbYc"));
  EXPECT_FALSE(MatchesFilter("a*b*c", "aXXbYcd"));
  EXPECT_TRUE(MatchesFilter("*SQL", "DeleteSQLSQL"));
  EXPECT_FALSE(MatchesFilter("?", ""));
}

TEST_F(RegistrationTest, TheDatabaseCategoryNameIsTheHostsOwnText) {
  EXPECT_EQ(DesignConst::sDatabaseCategoryName(), "Database");
}
