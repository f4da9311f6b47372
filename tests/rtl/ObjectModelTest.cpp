// Class references, published properties and events.
#include "rtl/Classes.hpp"

#include <gtest/gtest.h>

using namespace Classes;
using namespace TypInfo;

namespace TestUnit {

enum class TColorKind { ckRed, ckGreen, ckBlue };
OV_ENUM(TColorKind, "ckRed", "ckGreen", "ckBlue")
OV_SET(TColorKinds, TColorKind)
OV_EVENT_TYPE(TCountEvent, void(System::TObject* Sender, int& Count))

class TWidget : public TComponent {
  OV_CLASS(TWidget, TComponent)
public:
  explicit TWidget(TComponent* AOwner) : TComponent(AOwner) { FLines.reset(new TStringList()); }
  const std::string& GetCaption() const { return FCaption; }
  void SetCaption(const std::string& V) { FCaption = V; }
  int GetWidth() const { return FWidth; }
  void SetWidth(int V) { FWidth = V; }
  TColorKind GetKind() const { return FKind; }
  void SetKind(TColorKind V) { FKind = V; }
  TColorKinds GetKinds() const { return FKinds; }
  void SetKinds(TColorKinds V) { FKinds = V; }
  bool GetVisible() const { return FVisible; }
  void SetVisible(bool V) { FVisible = V; }
  double GetRatio() const { return FRatio; }
  void SetRatio(double V) { FRatio = V; }
  TStrings* GetLines() const { return FLines.get(); }
  void SetLines(TStrings* V) { FLines->Assign(V); }
  int GetCount() const { return 42; }

  TNotifyEvent OnClick;
  TCountEvent OnCount;

  void HandleClick(System::TObject*) { ++Clicks; }
  void HandleCount(System::TObject*, int& N) { N += 5; }
  int Clicks = 0;

private:
  std::string FCaption;
  int FWidth = 10;
  TColorKind FKind = TColorKind::ckGreen;
  TColorKinds FKinds;
  bool FVisible = true;
  double FRatio = 0;
  std::unique_ptr<TStringList> FLines;
};

OV_CLASS_BEGIN(TWidget, TComponent, "TestUnit")
B.Property("Caption", &TWidget::GetCaption, &TWidget::SetCaption);
B.Property("Width", &TWidget::GetWidth, &TWidget::SetWidth).Default(10);
B.Property("Kind", &TWidget::GetKind, &TWidget::SetKind).Default(1);
B.Property("Kinds", &TWidget::GetKinds, &TWidget::SetKinds).Default(0);
B.Property("Visible", &TWidget::GetVisible, &TWidget::SetVisible).Default(1);
B.Property("Ratio", &TWidget::GetRatio, &TWidget::SetRatio);
B.Property("Lines", &TWidget::GetLines, &TWidget::SetLines);
B.Property("Count", &TWidget::GetCount, nullptr);
B.Event("OnClick", &TWidget::OnClick);
B.Event("OnCount", &TWidget::OnCount);
B.Method("HandleClick", &TWidget::HandleClick);
B.Method("HandleCount", &TWidget::HandleCount);
OV_CLASS_END

class TFancyWidget : public TWidget {
  OV_CLASS(TFancyWidget, TWidget)
public:
  using TWidget::TWidget;
};
OV_CLASS_IMPL(TFancyWidget, TWidget, "TestUnit")

class TAbstractThing : public TComponent {
  OV_CLASS(TAbstractThing, TComponent)
public:
  using TComponent::TComponent;
  virtual void Pure() = 0;
};
OV_CLASS_IMPL(TAbstractThing, TComponent, "TestUnit")

} // namespace TestUnit

using namespace TestUnit;

TEST(ObjectModel, ClassReferencesKnowNameParentAndAncestry) {
  TClass C = TFancyWidget::StaticClass();
  EXPECT_EQ(C->Name, "TFancyWidget");
  EXPECT_EQ(C->Parent, TWidget::StaticClass());
  EXPECT_EQ(C->UnitName, "TestUnit");
  EXPECT_TRUE(C->InheritsFrom(TComponent::StaticClass()));
  EXPECT_TRUE(C->InheritsFrom(System::TObject::StaticClass()));
  EXPECT_FALSE(TWidget::StaticClass()->InheritsFrom(C));

  TFancyWidget W(nullptr);
  TComponent* Base = &W;
  EXPECT_EQ(Base->ClassType(), C);
  EXPECT_EQ(Base->ClassName(), "TFancyWidget");
  EXPECT_TRUE(Base->Is<TWidget>());
  EXPECT_FALSE(Base->Is<TStringList>());
}

TEST(ObjectModel, CheckedCastNamesBothClasses) {
  TWidget W(nullptr);
  System::TObject* O = &W;
  EXPECT_EQ(System::As<TComponent>(O), &W);
  try {
    System::As<TStringList>(O);
    FAIL();
  } catch (const SysUtils::EInvalidCast& E) {
    EXPECT_NE(E.Message().find("TWidget"), std::string::npos);
    EXPECT_NE(E.Message().find("TStringList"), std::string::npos);
  }
  EXPECT_EQ(System::As<TComponent>(static_cast<System::TObject*>(nullptr)), nullptr);
}

TEST(ObjectModel, FactoryCreatesWithOwnerAndRefusesAbstract) {
  TComponent Owner(nullptr);
  TComponent* C = CreateComponent(TFancyWidget::StaticClass(), &Owner);
  EXPECT_EQ(C->ClassType(), TFancyWidget::StaticClass());
  EXPECT_EQ(C->Owner(), &Owner);
  EXPECT_TRUE(TAbstractThing::StaticClass()->IsAbstract());
  EXPECT_THROW(CreateComponent(TAbstractThing::StaticClass(), &Owner), EComponentError);
  EXPECT_THROW(CreateComponent(TStringList::StaticClass(), &Owner), EComponentError);
}

TEST(ObjectModel, PropertyListIsParentsFirstAndInDeclarationOrder) {
  std::vector<std::string> Names;
  for (const TPropInfo* P : GetPropList(TFancyWidget::StaticClass()))
    Names.push_back(P->Name);
  const std::vector<std::string> Expected = {"Name",  "Tag",   "Caption", "Width",
                                             "Kind",  "Kinds", "Visible", "Ratio",
                                             "Lines", "Count", "OnClick", "OnCount"};
  EXPECT_EQ(Names, Expected);
  EXPECT_EQ(GetPropInfo(TFancyWidget::StaticClass(), "CAPTION")->Name, "Caption");
  EXPECT_EQ(GetPropInfo(TFancyWidget::StaticClass(), "Missing"), nullptr);
}

TEST(ObjectModel, PropertyTypesCarryKindsAndNames) {
  TClass C = TWidget::StaticClass();
  EXPECT_EQ(C->FindProp("Caption")->PropType->Kind, TTypeKind::tkString);
  EXPECT_EQ(C->FindProp("Caption")->PropType->Name, "string");
  EXPECT_EQ(C->FindProp("Width")->PropType->Name, "Integer");
  EXPECT_EQ(C->FindProp("Visible")->PropType->Name, "Boolean");
  EXPECT_EQ(C->FindProp("Kind")->PropType->Kind, TTypeKind::tkEnumeration);
  EXPECT_EQ(C->FindProp("Kinds")->PropType->Kind, TTypeKind::tkSet);
  EXPECT_EQ(C->FindProp("Kinds")->PropType->CompType->Name, "TColorKind");
  EXPECT_EQ(C->FindProp("Lines")->PropType->ClassType, TStrings::StaticClass());
  EXPECT_EQ(C->FindProp("OnClick")->PropType->Name, "TNotifyEvent");
  EXPECT_FALSE(C->FindProp("Count")->IsWritable());
}

TEST(ObjectModel, ValuesReadAndWriteThroughTextAndTyped) {
  TWidget W(nullptr);
  const TPropInfo* Kind = GetPropInfo(&W, "Kind");
  SetPropValueText(&W, Kind, "ckblue");
  EXPECT_EQ(W.GetKind(), TColorKind::ckBlue);
  EXPECT_EQ(GetPropValueText(&W, Kind), "ckBlue");

  const TPropInfo* Kinds = GetPropInfo(&W, "Kinds");
  SetPropValueText(&W, Kinds, "[ckRed, ckBlue]");
  EXPECT_TRUE(W.GetKinds().Contains(TColorKind::ckRed));
  EXPECT_FALSE(W.GetKinds().Contains(TColorKind::ckGreen));
  EXPECT_EQ(GetPropValueText(&W, Kinds), "[ckRed,ckBlue]");

  SetPropValueText(&W, GetPropInfo(&W, "Width"), "$20");
  EXPECT_EQ(W.GetWidth(), 32);
  SetPropValueText(&W, GetPropInfo(&W, "Visible"), "False");
  EXPECT_FALSE(W.GetVisible());
  SetPropValueText(&W, GetPropInfo(&W, "Ratio"), "0.25");
  EXPECT_DOUBLE_EQ(W.GetRatio(), 0.25);
  EXPECT_EQ(GetObjectProp(&W, GetPropInfo(&W, "Lines")), W.GetLines());
}

TEST(ObjectModel, BadValuesAreRefusedAndChangeNothing) {
  TWidget W(nullptr);
  EXPECT_THROW(SetPropValueText(&W, GetPropInfo(&W, "Kind"), "ckPurple"), EPropertyConvertError);
  EXPECT_EQ(W.GetKind(), TColorKind::ckGreen);
  EXPECT_THROW(SetPropValueText(&W, GetPropInfo(&W, "Width"), "12abc"), EPropertyConvertError);
  EXPECT_THROW(SetPropValueText(&W, GetPropInfo(&W, "Width"), "99999999999"),
               EPropertyConvertError);
  EXPECT_EQ(W.GetWidth(), 10);
  EXPECT_THROW(SetPropValueText(&W, GetPropInfo(&W, "Kinds"), "[ckRed,nope]"),
               EPropertyConvertError);
  EXPECT_TRUE(W.GetKinds().Empty());
  EXPECT_THROW(SetPropValueText(&W, GetPropInfo(&W, "Ratio"), "nan"), EPropertyConvertError);
  EXPECT_THROW(SetOrdProp(&W, GetPropInfo(&W, "Count"), 1), EPropertyError);
  EXPECT_THROW(SetOrdProp(&W, GetPropInfo(&W, "Kind"), 7), EPropertyConvertError);
  EXPECT_THROW(GetStrProp(&W, GetPropInfo(&W, "Width")), EPropertyError);
  EXPECT_THROW(SetObjectProp(&W, GetPropInfo(&W, "Lines"), &W), SysUtils::EInvalidCast);
}

TEST(ObjectModel, TheTextOfAMisspeltPropertyIsAnErrorNotACrash) {
  TWidget W(nullptr);
  try {
    GetPropValueText(&W, GetPropInfo(&W, "Knid"));
    FAIL() << "no error";
  } catch (const EPropertyError& E) {
    EXPECT_EQ(E.Message(), "Property TWidget.(unnamed) does not exist");
  }
}

TEST(ObjectModel, DefaultsDecideWhatIsStored) {
  TWidget W(nullptr);
  EXPECT_TRUE(IsDefaultPropValue(&W, GetPropInfo(&W, "Width")));
  EXPECT_TRUE(IsDefaultPropValue(&W, GetPropInfo(&W, "Kind")));
  EXPECT_TRUE(IsDefaultPropValue(&W, GetPropInfo(&W, "Caption")));
  EXPECT_FALSE(IsDefaultPropValue(&W, GetPropInfo(&W, "Lines")));
  W.SetWidth(11);
  W.SetCaption("x");
  EXPECT_FALSE(IsDefaultPropValue(&W, GetPropInfo(&W, "Width")));
  EXPECT_FALSE(IsDefaultPropValue(&W, GetPropInfo(&W, "Caption")));
}

TEST(ObjectModel, EventsBindPublishedMethodsByNameAndCheckSignatures) {
  TWidget Root(nullptr);
  TWidget Button(&Root);
  SetMethodProp(&Button, GetPropInfo(&Button, "OnClick"), &Root, "handleclick");
  ASSERT_TRUE(Button.OnClick);
  EXPECT_EQ(GetMethodProp(&Button, GetPropInfo(&Button, "OnClick")), "HandleClick");
  Button.OnClick(&Button);
  EXPECT_EQ(Root.Clicks, 1);
  EXPECT_EQ(Button.Clicks, 0);

  SetMethodProp(&Button, GetPropInfo(&Button, "OnCount"), &Root, "HandleCount");
  int N = 1;
  Button.OnCount(&Button, N);
  EXPECT_EQ(N, 6);

  EXPECT_THROW(SetMethodProp(&Button, GetPropInfo(&Button, "OnClick"), &Root, "HandleCount"),
               EPropertyError);
  EXPECT_THROW(SetMethodProp(&Button, GetPropInfo(&Button, "OnClick"), &Root, "Nope"),
               EPropertyError);
  SetMethodProp(&Button, GetPropInfo(&Button, "OnClick"), &Root, "");
  EXPECT_FALSE(Button.OnClick);
}

TEST(ObjectModel, ClassRegistryFindsByNameInAnyCase) {
  RegisterClass(TWidget::StaticClass());
  RegisterClass(TWidget::StaticClass());
  EXPECT_EQ(FindClass("twidget"), TWidget::StaticClass());
  EXPECT_EQ(GetClass("TFancyWidget"), nullptr);
  try {
    FindClass("TFancyWidget");
    FAIL();
  } catch (const EClassNotFound& E) {
    EXPECT_EQ(E.Message(), "Class TFancyWidget not found");
  }
  UnRegisterClass(TWidget::StaticClass());
  EXPECT_EQ(GetClass("TWidget"), nullptr);
}

TEST(ObjectModel, InterfacesFreeThemselvesWithTheLastReference) {
  static int Alive = 0;
  struct IThing : public virtual System::IInterface {
    virtual int Value() = 0;
  };
  struct TThing : public System::TInterfacedObject, public IThing {
    TThing() { ++Alive; }
    ~TThing() override { --Alive; }
    int Value() override { return 7; }
  };
  {
    System::TInterfaceRef<IThing> A(new TThing());
    EXPECT_EQ(Alive, 1);
    {
      System::TInterfaceRef<IThing> B = A;
      EXPECT_EQ(B->Value(), 7);
      System::TInterfaceRef<System::IInterface> C(A);
      EXPECT_TRUE(System::Supports<IThing>(C));
    }
    EXPECT_EQ(Alive, 1);
  }
  EXPECT_EQ(Alive, 0);
}

namespace TestUnit {
class TPanelForm : public TComponent {
  OV_CLASS(TPanelForm, TComponent)
public:
  using TComponent::TComponent;
  TWidget* btOk = nullptr;
};
OV_CLASS_BEGIN(TPanelForm, TComponent, "TestUnit")
B.Field("btOk", &TPanelForm::btOk);
OV_CLASS_END
} // namespace TestUnit

TEST(ObjectModel, PublishedFieldsAreSetByNameAndCheckTheClass) {
  TPanelForm Form(nullptr);
  TWidget W(nullptr);
  const TFieldEntry* F = Form.ClassType()->FindField("BTOK");
  ASSERT_NE(F, nullptr);
  EXPECT_EQ(F->FieldClass, TWidget::StaticClass());
  F->Set(&Form, &W);
  EXPECT_EQ(Form.btOk, &W);
  EXPECT_EQ(F->Get(&Form), &W);
  TComponent Other(nullptr);
  EXPECT_THROW(F->Set(&Form, &Other), SysUtils::EInvalidCast);
  EXPECT_EQ(Form.ClassType()->FindField("nope"), nullptr);
}

TEST(ObjectModel, ModuleListKeepsNewestFirst) {
  static int A, B;
  System::RegisterModule(&A);
  System::RegisterModule(&B);
  System::RegisterModule(&A);
  auto L = System::LibModules();
  ASSERT_GE(L.size(), 2u);
  EXPECT_EQ(L[0], &B);
  System::UnregisterModule(&A);
  System::UnregisterModule(&B);
  EXPECT_EQ(System::LibModules().size(), L.size() - 2);
}

namespace TestUnit {
class TSheet;
class TBook : public TComponent {
  OV_CLASS(TBook, TComponent)
public:
  using TComponent::TComponent;
  TSheet* GetActive() const { return FActive; }
  void SetActive(TSheet* V) { FActive = V; }
  TBook* GetNext() const { return FNext; }
  void SetNext(TBook* V) { FNext = V; }

private:
  TSheet* FActive = nullptr;
  TBook* FNext = nullptr;
};
class TSheet : public TComponent {
  OV_CLASS(TSheet, TComponent)
public:
  using TComponent::TComponent;
  TBook* GetBook() const { return FBook; }
  void SetBook(TBook* V) { FBook = V; }

private:
  TBook* FBook = nullptr;
};
OV_CLASS_BEGIN(TBook, TComponent, "TestUnit")
B.Property("Active", &TBook::GetActive, &TBook::SetActive);
B.Property("Next", &TBook::GetNext, &TBook::SetNext);
OV_CLASS_END
OV_CLASS_BEGIN(TSheet, TComponent, "TestUnit")
B.Property("Book", &TSheet::GetBook, &TSheet::SetBook);
OV_CLASS_END
} // namespace TestUnit

TEST(ObjectModel, ClassesMayNameThemselvesAndEachOtherInProperties) {
  TClass Book = TBook::StaticClass();
  EXPECT_EQ(Book->FindProp("Next")->PropType->ClassType, Book);
  EXPECT_EQ(Book->FindProp("Active")->PropType->ClassType, TSheet::StaticClass());
  EXPECT_EQ(TSheet::StaticClass()->FindProp("Book")->PropType->ClassType, Book);
  EXPECT_FALSE(Book->IsAbstract());
}

TEST(Component, FindComponentStaysRightThroughRenamesAndRemovals) {
  TComponent Owner(nullptr);
  auto* A = new TComponent(&Owner);
  A->SetName("Alpha");
  auto* B = new TComponent(&Owner);
  B->SetName("Beta");
  A->SetName("Gamma");
  EXPECT_EQ(Owner.FindComponent("alpha"), nullptr);
  EXPECT_EQ(Owner.FindComponent("GAMMA"), A);
  B->SetName("Alpha");
  EXPECT_EQ(Owner.FindComponent("Alpha"), B);
  delete A;
  EXPECT_EQ(Owner.FindComponent("Gamma"), nullptr);
  TComponent Other(nullptr);
  Other.InsertComponent(B);
  EXPECT_EQ(Owner.FindComponent("Alpha"), nullptr);
  EXPECT_EQ(Other.FindComponent("alpha"), B);
}
