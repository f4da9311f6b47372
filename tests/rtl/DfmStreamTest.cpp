// Reading form files into components and writing components back: every kind
// of property, references, events, collections, children, errors with their
// positions, and that a failed read leaves nothing behind.
#include "rtl/DfmStream.hpp"

#include <gtest/gtest.h>

#include <filesystem>
#include <random>
#include <unistd.h>

using namespace Classes;
using namespace DfmStream;

namespace DfmStreamTestUnit {

enum class TShape { shCircle, shSquare, shTriangle };
OV_ENUM(TShape, "shCircle", "shSquare", "shTriangle")
OV_SET(TShapes, TShape)
OV_EVENT_TYPE(TFireEvent, void(System::TObject* Sender, int Power))

// An integer type some of whose values have names, as colours have.
enum TTone : int32_t {};
bool ToneToIdent(int64_t Value, std::string& Ident) {
  if (Value != 0 && Value != 10)
    return false;
  Ident = Value == 0 ? "tnQuiet" : "tnLoud";
  return true;
}
bool IdentToTone(std::string_view Ident, int64_t& Value) {
  if (SysUtils::SameText(Ident, "tnQuiet") || SysUtils::SameText(Ident, "tnLoud")) {
    Value = SysUtils::SameText(Ident, "tnQuiet") ? 0 : 10;
    return true;
  }
  return false;
}
inline const TypInfo::TTypeInfo* OvTypeInfo(TTone*) {
  static const TypInfo::TTypeInfo Info{
      TypInfo::TTypeKind::tkInteger, "TTone", {}, nullptr, nullptr, ToneToIdent, IdentToTone};
  return &Info;
}

std::vector<std::string> LoadOrder;

class TPen : public TPersistent {
  OV_CLASS(TPen, TPersistent)
public:
  int GetColor() const { return FColor; }
  void SetColor(int V) { FColor = V; }
  TShape GetStyle() const { return FStyle; }
  void SetStyle(TShape V) { FStyle = V; }
  std::string Pattern;
  void DefineProperties(TFiler* Filer) override {
    Filer->DefineBinaryProperty(
        "Pattern", [this](TStream* S) { Pattern = S->ReadAll(); },
        [this](TStream* S) {
          S->WriteBuffer(Pattern.data(), static_cast<int64_t>(Pattern.size()));
        },
        !Pattern.empty());
  }

private:
  int FColor = 0;
  TShape FStyle = TShape::shCircle;
};

class TGadget;

class TLink : public TCollectionItem {
  OV_CLASS(TLink, TCollectionItem)
public:
  explicit TLink(TCollection* C) : TCollectionItem(C) {}
  const std::string& GetText() const { return FText; }
  void SetText(const std::string& V) { FText = V; }
  TGadget* GetTarget() const { return FTarget; }
  void SetTarget(TGadget* V) { FTarget = V; }

private:
  std::string FText;
  TGadget* FTarget = nullptr;
};

// The class of the Buddy reference: a class cannot publish a property of its
// own type, its table being under construction when the property's type is
// looked up.
class TPeer : public TComponent {
  OV_CLASS(TPeer, TComponent)
public:
  using TComponent::TComponent;
};

class TGadget : public TPeer {
  OV_CLASS(TGadget, TPeer)
public:
  explicit TGadget(TComponent* AOwner)
      : TPeer(AOwner), FPen(new TPen()), FLines(new TStringList()),
        FLinks(new TOwnedCollection(this, TLink::StaticClass())) {
    ++Live;
  }
  ~TGadget() override {
    --Live;
    for (TGadget* Kid : FKids)
      Kid->FParent = nullptr;
    if (FParent)
      std::erase(FParent->FKids, this);
  }
  static inline int Live = 0;

  const std::string& GetCaption() const { return FCaption; }
  void SetCaption(const std::string& V) {
    if (V == "boom")
      throw SysUtils::EConvertError("boom refused");
    FCaption = V;
  }
  int GetCount() const { return FCount; }
  void SetCount(int V) { FCount = V; }
  int64_t GetBig() const { return FBig; }
  void SetBig(int64_t V) { FBig = V; }
  double GetRatio() const { return FRatio; }
  void SetRatio(double V) { FRatio = V; }
  TShape GetShape() const { return FShape; }
  void SetShape(TShape V) { FShape = V; }
  TShapes GetShapes() const { return FShapes; }
  void SetShapes(TShapes V) { FShapes = V; }
  bool GetEnabled() const { return FEnabled; }
  void SetEnabled(bool V) { FEnabled = V; }
  char GetLetter() const { return FLetter; }
  void SetLetter(char V) { FLetter = V; }
  TTone GetTone() const { return FTone; }
  void SetTone(TTone V) { FTone = V; }
  TPen* GetPen() const { return FPen.get(); }
  TStrings* GetLines() const { return FLines.get(); }
  void SetLines(TStrings* V) { FLines->Assign(V); }
  TOwnedCollection* GetLinks() const { return FLinks.get(); }
  TPeer* GetBuddy() const { return FBuddy; }
  void SetBuddy(TPeer* V) {
    FBuddy = V;
    if (V)
      V->FreeNotification(this);
  }
  TComponent* GetPartner() const { return FPartner; }
  void SetPartner(TComponent* V) {
    FPartner = V;
    if (V)
      V->FreeNotification(this);
  }
  int GetArea() const { return 99; }

  TFireEvent OnFire;
  TNotifyEvent OnChange;

  bool HasParent() const override { return FParent != nullptr; }
  TComponent* GetParentComponent() const override { return FParent; }
  void SetParentComponent(TComponent* Value) override {
    auto* P = dynamic_cast<TGadget*>(Value);
    if (FParent)
      std::erase(FParent->FKids, this);
    FParent = P;
    if (P)
      P->FKids.push_back(this);
  }
  void GetChildren(const TGetChildProc& Proc, TComponent* Root) override {
    TComponent::GetChildren(Proc, Root);
    for (TGadget* Kid : FKids)
      Proc(Kid);
  }
  void Loaded() override {
    WasLoadingInLoaded = IsLoading();
    BuddyInLoaded = FBuddy;
    ++LoadedCalls;
    LoadOrder.push_back(GetName());
    TComponent::Loaded();
    if (FCaption == "explode")
      throw EComponentError("exploded");
  }
  int LoadedCalls = 0;
  bool WasLoadingInLoaded = false;
  TPeer* BuddyInLoaded = nullptr;
  std::vector<TGadget*> FKids;
  TGadget* FParent = nullptr;

protected:
  void Notification(TComponent* AComponent, TOperation Operation) override {
    TComponent::Notification(AComponent, Operation);
    if (Operation != TOperation::opRemove)
      return;
    if (AComponent == FBuddy)
      FBuddy = nullptr;
    if (AComponent == FPartner)
      FPartner = nullptr;
  }

private:
  std::string FCaption;
  int FCount = 0;
  int64_t FBig = 0;
  double FRatio = 0;
  TShape FShape = TShape::shCircle;
  TShapes FShapes;
  bool FEnabled = true;
  char FLetter = 0;
  TTone FTone = TTone(0);
  std::unique_ptr<TPen> FPen;
  std::unique_ptr<TStringList> FLines;
  std::unique_ptr<TOwnedCollection> FLinks;
  TPeer* FBuddy = nullptr;
  TComponent* FPartner = nullptr;
};

class TTestForm : public TComponent {
  OV_CLASS(TTestForm, TComponent)
public:
  explicit TTestForm(TComponent* AOwner) : TComponent(AOwner) { ++Live; }
  ~TTestForm() override { --Live; }
  static inline int Live = 0;
  const std::string& GetCaption() const { return FCaption; }
  void SetCaption(const std::string& V) { FCaption = V; }
  void GadgetFire(System::TObject*, int Power) { FiredPower += Power; }
  void Clicked(System::TObject*) { ++Clicks; }
  void Loaded() override {
    LoadOrder.push_back(GetName());
    TComponent::Loaded();
  }
  TGadget* Gadget1 = nullptr;
  TGadget* Panel1 = nullptr;
  int FiredPower = 0;
  int Clicks = 0;

private:
  std::string FCaption;
};

class TTestForm2 : public TTestForm {
  OV_CLASS(TTestForm2, TTestForm)
public:
  using TTestForm::TTestForm;
};

class TSalesModule : public TDataModule {
  OV_CLASS(TSalesModule, TDataModule)
public:
  using TDataModule::TDataModule;
  void DataModuleCreate(System::TObject*) { ++Created; }
  int Created = 0;
};

OV_CLASS_BEGIN(TPen, TPersistent, "DfmStreamTest")
B.Property("Color", &TPen::GetColor, &TPen::SetColor).Default(0);
B.Property("Style", &TPen::GetStyle, &TPen::SetStyle).Default(0);
OV_CLASS_END

OV_CLASS_BEGIN(TLink, TCollectionItem, "DfmStreamTest")
B.Property("Text", &TLink::GetText, &TLink::SetText);
B.Property("Target", &TLink::GetTarget, &TLink::SetTarget);
OV_CLASS_END

OV_CLASS_IMPL(TPeer, TComponent, "DfmStreamTest")

OV_CLASS_BEGIN(TGadget, TPeer, "DfmStreamTest")
B.Property("Caption", &TGadget::GetCaption, &TGadget::SetCaption);
B.Property("Count", &TGadget::GetCount, &TGadget::SetCount).Default(0);
B.Property("Big", &TGadget::GetBig, &TGadget::SetBig).Default(0);
B.Property("Ratio", &TGadget::GetRatio, &TGadget::SetRatio);
B.Property("Shape", &TGadget::GetShape, &TGadget::SetShape).Default(0);
B.Property("Shapes", &TGadget::GetShapes, &TGadget::SetShapes).Default(0);
B.Property("Enabled", &TGadget::GetEnabled, &TGadget::SetEnabled).Default(1);
B.Property("Letter", &TGadget::GetLetter, &TGadget::SetLetter).Default(0);
B.Property("Tone", &TGadget::GetTone, &TGadget::SetTone).Default(0);
B.Property("Pen", &TGadget::GetPen, nullptr);
B.Property("Lines", &TGadget::GetLines, &TGadget::SetLines);
B.Property("Links", &TGadget::GetLinks, nullptr);
B.Property("Buddy", &TGadget::GetBuddy, &TGadget::SetBuddy);
B.Property("Partner", &TGadget::GetPartner, &TGadget::SetPartner);
B.Property("Area", &TGadget::GetArea, nullptr);
B.Event("OnFire", &TGadget::OnFire);
B.Event("OnChange", &TGadget::OnChange);
OV_CLASS_END

OV_CLASS_BEGIN(TTestForm, TComponent, "DfmStreamTest")
B.Property("Caption", &TTestForm::GetCaption, &TTestForm::SetCaption);
OV_METHODS(GadgetFire, Clicked)
OV_FIELDS(Gadget1, Panel1)
OV_CLASS_END

OV_CLASS_IMPL(TTestForm2, TTestForm, "DfmStreamTest")

OV_CLASS_BEGIN(TSalesModule, TDataModule, "DfmStreamTest")
B.Method("DataModuleCreate", &TSalesModule::DataModuleCreate);
OV_CLASS_END

} // namespace DfmStreamTestUnit

using namespace DfmStreamTestUnit;

namespace {

class DfmStreamBinding : public ::testing::Test {
protected:
  void SetUp() override {
    RegisterClasses({TGadget::StaticClass(), TTestForm::StaticClass(), TTestForm2::StaticClass(),
                     TSalesModule::StaticClass(), TDataModule::StaticClass(),
                     TStringList::StaticClass()});
    LoadOrder.clear();
    GadgetsBefore = TGadget::Live;
  }
  void TearDown() override {
    for (TClass C :
         {TGadget::StaticClass(), TTestForm::StaticClass(), TTestForm2::StaticClass(),
          TSalesModule::StaticClass(), TDataModule::StaticClass(), TStringList::StaticClass()})
      UnRegisterClass(C);
    EXPECT_EQ(TGadget::Live, GadgetsBefore);
  }

  // Reads Text into Form and returns the error message, or "" on success.
  static std::string ReadError(TComponent* Root, std::string_view Text) {
    try {
      ReadComponentFromText(Text, Root, "t.dfm");
    } catch (const SysUtils::Exception& E) {
      return E.Message();
    }
    return "";
  }

  int GadgetsBefore = 0;
};

const char* const FullForm = R"(object Form1: TTestForm
  Caption = 'Main'
  object Gadget1: TGadget
    Caption = 'First'
    Count = 3
    Big = 9000000000
    Ratio = 0.5
    Shape = shSquare
    Shapes = [shCircle, shTriangle]
    Enabled = False
    Letter = 'q'
    Tone = tnLoud
    Pen.Color = 7
    Pen.Style = shTriangle
    Pen.Pattern = {0102}
    Lines.Strings = (
      'a'
      'b')
    Links = <
      item
        Text = 'L1'
        Target = Gadget2
      end
      item
      end>
    Buddy = Gadget2
    Partner = Form1
    OnFire = GadgetFire
    Left = 10
    Top = 20
    object Gadget3: TGadget
      Caption = 'Kid'
      Links = <>
    end
  end
  object Gadget2: TGadget
    Links = <>
  end
end
)";

} // namespace

TEST_F(DfmStreamBinding, ReadsEveryKindOfProperty) {
  TTestForm Form(nullptr);
  ReadComponentFromText(FullForm, &Form, "t.dfm");
  EXPECT_EQ(Form.GetName(), "Form1");
  EXPECT_EQ(Form.GetCaption(), "Main");
  auto* G = Form.FindComponentAs<TGadget>("Gadget1");
  ASSERT_NE(G, nullptr);
  EXPECT_EQ(G->GetCaption(), "First");
  EXPECT_EQ(G->GetCount(), 3);
  EXPECT_EQ(G->GetBig(), 9000000000);
  EXPECT_EQ(G->GetRatio(), 0.5);
  EXPECT_EQ(G->GetShape(), TShape::shSquare);
  EXPECT_EQ(G->GetShapes(), (TShapes{TShape::shCircle, TShape::shTriangle}));
  EXPECT_FALSE(G->GetEnabled());
  EXPECT_EQ(G->GetLetter(), 'q');
  EXPECT_EQ(G->GetTone(), TTone(10));
  EXPECT_EQ(G->GetPen()->GetColor(), 7);
  EXPECT_EQ(G->GetPen()->GetStyle(), TShape::shTriangle);
  EXPECT_EQ(G->GetPen()->Pattern, "\x01\x02");
  EXPECT_EQ(G->GetLines()->ToVector(), (std::vector<std::string>{"a", "b"}));
  EXPECT_EQ(G->DesignLeft(), 10);
  EXPECT_EQ(G->DesignTop(), 20);

  // Values of other spellings that fit the property.
  const std::string Other = "object Form1: TTestForm\n"
                            "  object Gadget4: TGadget\n"
                            "    Ratio = 3\n"
                            "    Letter = #233\n"
                            "    Count = $7FFFFFFF\n"
                            "    Tone = 4\n"
                            "    Enabled = true\n"
                            "    Shapes = []\n"
                            "  end\n"
                            "end\n";
  ReadComponentFromText(Other, &Form, "t.dfm");
  auto* G4 = Form.FindComponentAs<TGadget>("Gadget4");
  ASSERT_NE(G4, nullptr);
  EXPECT_EQ(G4->GetRatio(), 3.0);
  EXPECT_EQ(static_cast<uint8_t>(G4->GetLetter()), 233);
  EXPECT_EQ(G4->GetCount(), INT32_MAX);
  EXPECT_EQ(G4->GetTone(), TTone(4));
  EXPECT_TRUE(G4->GetEnabled());
}

TEST_F(DfmStreamBinding, ReferencesResolveAfterLaterSiblingsAndThroughTheRoot) {
  TTestForm Form(nullptr);
  ReadComponentFromText("object Form1: TTestForm\n"
                        "  object A: TGadget\n"
                        "    Buddy = B\n"
                        "    Partner = Form1\n"
                        "  end\n"
                        "  object B: TGadget\n"
                        "    Buddy = Form1.A\n"
                        "    Partner = nil\n"
                        "  end\n"
                        "end\n",
                        &Form, "t.dfm");
  auto* A = Form.FindComponentAs<TGadget>("A");
  auto* B = Form.FindComponentAs<TGadget>("B");
  EXPECT_EQ(A->GetBuddy(), B);
  EXPECT_EQ(A->GetPartner(), &Form);
  EXPECT_EQ(B->GetBuddy(), A);
  EXPECT_EQ(B->GetPartner(), nullptr);
  // References are in place before any Loaded runs.
  EXPECT_EQ(A->BuddyInLoaded, B);
}

TEST_F(DfmStreamBinding, EventsBindToTheRootsPublishedMethods) {
  TTestForm Form(nullptr);
  ReadComponentFromText(FullForm, &Form, "t.dfm");
  auto* G = Form.FindComponentAs<TGadget>("Gadget1");
  ASSERT_TRUE(G->OnFire);
  G->OnFire(G, 7);
  EXPECT_EQ(Form.FiredPower, 7);
  EXPECT_EQ(G->OnFire.MethodName(), "GadgetFire");
  ReadComponentFromText("object Form1: TTestForm\n"
                        "  inherited Gadget1: TGadget\n"
                        "    OnFire = nil\n"
                        "    OnChange = Clicked\n"
                        "  end\n"
                        "end",
                        &Form, "t.dfm");
  EXPECT_FALSE(G->OnFire);
  G->OnChange(G);
  EXPECT_EQ(Form.Clicks, 1);
}

TEST_F(DfmStreamBinding, CollectionsAreClearedThenFilledWithResolvedItems) {
  TTestForm Form(nullptr);
  auto* G = new TGadget(&Form);
  G->SetName("G");
  G->GetLinks()->Add();
  G->GetLinks()->Add();
  ReadComponentFromText("object Form1: TTestForm\n"
                        "  inherited G: TGadget\n"
                        "    Links = <\n"
                        "      item\n"
                        "        Text = 'to H'\n"
                        "        Target = H\n"
                        "      end>\n"
                        "  end\n"
                        "  object H: TGadget\n"
                        "  end\n"
                        "end",
                        &Form, "t.dfm");
  ASSERT_EQ(G->GetLinks()->Count(), 1);
  auto* L = G->GetLinks()->ItemAs<TLink>(0);
  EXPECT_EQ(L->GetText(), "to H");
  EXPECT_EQ(L->GetTarget(), Form.FindComponent("H"));
  // Reading the collection again frees the items, and the references
  // pending in them go too.
  ReadComponentFromText("object Form1: TTestForm\n"
                        "  inherited G: TGadget\n"
                        "    Links = <\n"
                        "      item\n"
                        "        Target = Nobody\n"
                        "      end>\n"
                        "    Links = <>\n"
                        "  end\n"
                        "end",
                        &Form, "t.dfm");
  EXPECT_EQ(G->GetLinks()->Count(), 0);
}

TEST_F(DfmStreamBinding, ChildrenGetOwnerParentNameAndPublishedField) {
  TTestForm Form(nullptr);
  ReadComponentFromText("object Form1: TTestForm\n"
                        "  object Panel1: TGadget\n"
                        "    object Gadget1: TGadget\n"
                        "      object Inner: TGadget\n"
                        "      end\n"
                        "    end\n"
                        "    object TGadget\n"
                        "    end\n"
                        "  end\n"
                        "end",
                        &Form, "t.dfm");
  ASSERT_EQ(Form.ComponentCount(), 4);
  auto* Panel = Form.FindComponentAs<TGadget>("Panel1");
  auto* Gadget = Form.FindComponentAs<TGadget>("Gadget1");
  auto* Inner = Form.FindComponentAs<TGadget>("Inner");
  EXPECT_EQ(Form.Panel1, Panel);
  EXPECT_EQ(Form.Gadget1, Gadget);
  EXPECT_EQ(Gadget->Owner(), &Form);
  EXPECT_EQ(Inner->Owner(), &Form);
  EXPECT_EQ(Gadget->GetParentComponent(), Panel);
  EXPECT_EQ(Inner->GetParentComponent(), Gadget);
  TComponent* Nameless = Form.Components(3);
  EXPECT_EQ(Nameless->GetName(), "");
  EXPECT_EQ(Nameless->GetParentComponent(), Panel);
  EXPECT_EQ(Panel->GetParentComponent(), nullptr);
}

TEST_F(DfmStreamBinding, LoadedRunsOnceForEachAfterTheWholeRead) {
  TTestForm Form(nullptr);
  ReadComponentFromText(FullForm, &Form, "t.dfm");
  EXPECT_EQ(LoadOrder, (std::vector<std::string>{"Form1", "Gadget1", "Gadget3", "Gadget2"}));
  for (const char* Name : {"Gadget1", "Gadget2", "Gadget3"}) {
    auto* G = Form.FindComponentAs<TGadget>(Name);
    EXPECT_EQ(G->LoadedCalls, 1) << Name;
    EXPECT_TRUE(G->WasLoadingInLoaded) << Name;
    EXPECT_FALSE(G->IsLoading()) << Name;
  }
  EXPECT_FALSE(Form.IsLoading());
}

TEST_F(DfmStreamBinding, ErrorsNamePlaceAndProblemAndLeaveNothingBehind) {
  struct TCase {
    const char* Lines;
    const char* Message;
  };
  const TCase Cases[] = {
      {"  object Foo1: TFoo\n  end\n", "t.dfm:5:3: Class TFoo not found"},
      {"  object G2: TGadget\n    Colour = 1\n  end\n",
       "t.dfm:6:5: Property TGadget.Colour does not exist"},
      {"  object G2: TGadget\n    Pen.Colour = 1\n  end\n",
       "t.dfm:6:5: Property TPen.Colour does not exist"},
      {"  object G2: TGadget\n    Buddy.Caption = 'x'\n  end\n",
       "t.dfm:6:5: Property TGadget.Buddy has no properties of its own"},
      {"  object G2: TGadget\n    Count = 'x'\n  end\n",
       "t.dfm:6:13: Error reading G2.Count: an integer expected but a string found"},
      {"  object G2: TGadget\n    Count = 5000000000\n  end\n",
       "t.dfm:6:13: Error reading G2.Count: 5000000000 is out of the range of property Count"},
      {"  object G2: TGadget\n    Shape = shOval\n  end\n",
       "t.dfm:6:13: Error reading G2.Shape: 'shOval' is not a valid value of TShape for property "
       "Shape"},
      {"  object G2: TGadget\n    Shapes = [shCircle, shOval]\n  end\n",
       "t.dfm:6:14: Error reading G2.Shapes: 'shOval' is not an element of TShapes"},
      {"  object G2: TGadget\n    Letter = 'ab'\n  end\n",
       "t.dfm:6:14: Error reading G2.Letter: a single character expected but a string found"},
      {"  object G2: TGadget\n    Area = 5\n  end\n",
       "t.dfm:6:12: Error reading G2.Area: Property TGadget.Area is read-only"},
      {"  object G2: TGadget\n    Buddy = Nobody\n  end\n",
       "t.dfm:6:13: Error reading G2.Buddy: unresolved reference to component Nobody"},
      {"  object G2: TGadget\n    Buddy = Form1\n  end\n",
       "t.dfm:6:13: Error reading G2.Buddy: Invalid class typecast: TTestForm is not a TPeer"},
      {"  object G2: TGadget\n    Pen = 1\n  end\n",
       "t.dfm:6:11: Error reading G2.Pen: the properties of a TPen are written as Pen.Name = "
       "value"},
      {"  object G2: TGadget\n    Caption = 'boom'\n  end\n",
       "t.dfm:6:15: Error reading G2.Caption: boom refused"},
      {"  object G2: TGadget\n    Caption = 'explode'\n  end\n",
       "t.dfm:5:3: Error reading G2: exploded"},
      {"  inherited Ghost: TGadget\n  end\n", "t.dfm:5:3: Ancestor for 'Ghost' not found"},
      {"  object Gadget1: TGadget\n  end\n",
       "t.dfm:5:3: Error reading Gadget1: A component named Gadget1 already exists"},
      {"  object G2: TStringList\n  end\n",
       "t.dfm:5:3: Error reading G2: Class TStringList is not a component class"},
      {"  object G2: TGadget\n    OnFire = Nope\n  end\n",
       "t.dfm:6:14: Error reading G2.OnFire: Method TTestForm.Nope does not exist"},
      {"  object G2: TGadget\n    OnFire = Clicked\n  end\n",
       "t.dfm:6:14: Error reading G2.OnFire: Method TTestForm.Clicked has parameters that do not "
       "fit the event"},
      {"  object G2: TGadget\n    Links = <item Text = 5 end>\n  end\n",
       "t.dfm:6:26: Error reading G2.Links[0].Text: a string expected but an integer found"},
      {"  object G2: TGadget\n    Lines.Strings = (1)\n  end\n",
       "t.dfm:6:21: Error reading G2.Lines.Strings: Invalid property value: a list of strings was "
       "expected"},
      {"  object G2: TGadget\n    Tone = tnShout\n  end\n",
       "t.dfm:6:12: Error reading G2.Tone: 'tnShout' is not a value of TTone"},
      {"  object G2: TGadget\n    Left = 'x'\n  end\n",
       "t.dfm:6:12: Error reading G2.Left: Invalid property value: an integer was expected"},
      {"  object G2: TGadget\n    Pen.Pattern = 12\n  end\n",
       "t.dfm:6:19: Error reading G2.Pen.Pattern: binary data expected but an integer found"},
      {"  object G2: TGadget\n    Links = ('a')\n  end\n",
       "t.dfm:6:13: Error reading G2.Links: a collection expected but a list found"},
  };
  for (const TCase& C : Cases) {
    TTestForm Form(nullptr);
    auto* Existing = new TGadget(&Form);
    Existing->SetName("Existing");
    const std::string Text = std::string("object Form1: TTestForm\n"
                                         "  object Gadget1: TGadget\n"
                                         "    Buddy = Existing\n"
                                         "  end\n") +
                             C.Lines + "end\n";
    const int Before = TGadget::Live;
    EXPECT_EQ(ReadError(&Form, Text), C.Message) << C.Lines;
    // The components the read created are gone again, with the field that
    // pointed at one; what was there before stays, no longer loading.
    EXPECT_EQ(TGadget::Live, Before) << C.Lines;
    EXPECT_EQ(Form.ComponentCount(), 1) << C.Lines;
    EXPECT_EQ(Form.Gadget1, nullptr) << C.Lines;
    EXPECT_FALSE(Form.IsLoading()) << C.Lines;
    EXPECT_FALSE(Existing->IsLoading()) << C.Lines;
  }
}

TEST_F(DfmStreamBinding, UnknownClassesRaiseClassNotFound) {
  TTestForm Form(nullptr);
  EXPECT_THROW(ReadComponentFromText("object F: TTestForm\n object X: TNope\n end\nend", &Form, ""),
               EClassNotFound);
  EXPECT_THROW(CreateComponentFromText("object F: TNope\nend", nullptr, ""), EClassNotFound);
  EXPECT_THROW(ReadComponentFromText("object F: TTestForm\n X = 1\nend", &Form, ""), EReadError);
}

TEST_F(DfmStreamBinding, RootMustBeOfTheFilesClassOrDescendFromIt) {
  TTestForm2 Derived(nullptr);
  EXPECT_EQ(ReadError(&Derived, "object Form1: TTestForm\n  Caption = 'x'\nend"), "");
  EXPECT_EQ(Derived.GetCaption(), "x");
  TTestForm Base(nullptr);
  EXPECT_EQ(ReadError(&Base, "object Form1: TTestForm2\n  Caption = 'x'\nend"),
            "t.dfm:1:1: Cannot read a TTestForm2 into a TTestForm");
  EXPECT_EQ(Base.GetCaption(), "");
}

TEST_F(DfmStreamBinding, CreateComponentMakesTheRootThroughTheRegistryAndFreesItOnError) {
  TComponent Owner(nullptr);
  const int Forms = TTestForm::Live;
  TComponent* Root = CreateComponentFromText(FullForm, &Owner, "t.dfm");
  ASSERT_NE(Root, nullptr);
  EXPECT_EQ(Root->ClassType(), TTestForm::StaticClass());
  EXPECT_EQ(Root->Owner(), &Owner);
  EXPECT_EQ(Root->GetName(), "Form1");
  // A second instance under the same owner gets a name of its own.
  TComponent* Second = CreateComponentFromText(FullForm, &Owner, "t.dfm");
  EXPECT_EQ(Second->GetName(), "Form1_1");
  // References to the root by the file's name still reach it.
  EXPECT_EQ(Second->FindComponentAs<TGadget>("Gadget1")->GetPartner(), Second);
  EXPECT_EQ(TTestForm::Live, Forms + 2);
  const int Gadgets = TGadget::Live;
  EXPECT_THROW(CreateComponentFromText("object Form1: TTestForm\n"
                                       "  object A: TGadget\n"
                                       "  end\n"
                                       "  object B: TGadget\n"
                                       "    Buddy = C\n"
                                       "  end\n"
                                       "end",
                                       &Owner, "t.dfm"),
               EReadError);
  EXPECT_EQ(TTestForm::Live, Forms + 2);
  EXPECT_EQ(TGadget::Live, Gadgets);
  EXPECT_EQ(Owner.ComponentCount(), 2);
}

TEST_F(DfmStreamBinding, WritesComponentsCanonically) {
  TTestForm Form(nullptr);
  Form.SetName("Form1");
  Form.SetCaption("Main");
  auto* G1 = new TGadget(&Form);
  G1->SetName("Gadget1");
  auto* G2 = new TGadget(&Form);
  G2->SetName("Gadget2");
  auto* G3 = new TGadget(&Form);
  G3->SetName("Gadget3");
  G3->SetParentComponent(G1);
  G3->SetCaption("Kid");
  G1->SetCaption("First");
  G1->SetCount(3);
  G1->SetBig(9000000000);
  G1->SetRatio(0.5);
  G1->SetShape(TShape::shSquare);
  G1->SetShapes({TShape::shCircle, TShape::shTriangle});
  G1->SetEnabled(false);
  G1->SetLetter('q');
  G1->SetTone(TTone(10));
  G1->GetPen()->SetColor(7);
  G1->GetPen()->SetStyle(TShape::shTriangle);
  G1->GetPen()->Pattern = "\x01\x02";
  G1->GetLines()->Add("a");
  G1->GetLines()->Add("b");
  auto* L = static_cast<TLink*>(G1->GetLinks()->Add());
  L->SetText("L1");
  L->SetTarget(G2);
  G1->GetLinks()->Add();
  G1->SetBuddy(G2);
  G1->SetPartner(&Form);
  TypInfo::SetMethodProp(G1, TypInfo::GetPropInfo(G1, "OnFire"), &Form, "GadgetFire");
  G1->SetDesignPosition(10, 20);
  EXPECT_EQ(WriteComponentToText(&Form), FullForm);
}

TEST_F(DfmStreamBinding, ReadingAndWritingAreAFixedPoint) {
  TTestForm Form(nullptr);
  ReadComponentFromText(FullForm, &Form, "t.dfm");
  EXPECT_EQ(WriteComponentToText(&Form), FullForm);
  const DfmText::TDfmObject Tree = WriteComponent(&Form);
  EXPECT_TRUE(SameTree(Tree, Parse(FullForm, "t.dfm")));
}

TEST_F(DfmStreamBinding, DataModulesReadWriteAndRunTheirEvents) {
  const char* const Module = "object SalesModule: TSalesModule\n"
                             "  OldCreateOrder = False\n"
                             "  Height = 318\n"
                             "  Width = 426\n"
                             "  OnCreate = DataModuleCreate\n"
                             "  Left = 285\n"
                             "  Top = 161\n"
                             "  object Gadget1: TGadget\n"
                             "    Links = <>\n"
                             "    Left = 40\n"
                             "    Top = 16\n"
                             "  end\n"
                             "end\n";
  std::unique_ptr<TComponent> Root(CreateComponentFromText(Module, nullptr, "sales.dfm"));
  auto* M = System::As<TSalesModule>(Root.get());
  EXPECT_FALSE(M->GetOldCreateOrder());
  EXPECT_EQ(M->GetHeight(), 318);
  EXPECT_EQ(M->GetWidth(), 426);
  EXPECT_EQ(M->DesignLeft(), 285);
  EXPECT_EQ(M->DesignTop(), 161);
  EXPECT_EQ(WriteComponentToText(M), Module);
  M->DoCreate();
  EXPECT_EQ(M->Created, 1);
  M->SetDesigning(true);
  M->DoCreate();
  EXPECT_EQ(M->Created, 1);

  // A plain data module is written with its size even at the defaults.
  TDataModule Plain(nullptr);
  Plain.SetName("DataModule1");
  EXPECT_EQ(WriteComponentToText(&Plain), "object DataModule1: TDataModule\n"
                                          "  OldCreateOrder = False\n"
                                          "  Height = 150\n"
                                          "  Width = 215\n"
                                          "end\n");
}

TEST_F(DfmStreamBinding, FilesAreReadAndWrittenWithTheirNameInErrors) {
  const std::filesystem::path Dir =
      std::filesystem::temp_directory_path() / ("dfmstream-" + std::to_string(::getpid()));
  std::filesystem::create_directories(Dir);
  const std::string File = (Dir / "form.dfm").string();
  {
    TTestForm Form(nullptr);
    ReadComponentFromText(FullForm, &Form, "t.dfm");
    WriteComponentToFile(&Form, File);
  }
  EXPECT_EQ(SysUtils::LoadFileToString(File), FullForm);
  TTestForm Again(nullptr);
  ReadComponentFromFile(File, &Again);
  EXPECT_EQ(WriteComponentToText(&Again), FullForm);
  SysUtils::SaveFileAtomically(File, "object Form1: TTestForm\n  Caption 'x'\nend\n");
  TTestForm Broken(nullptr);
  try {
    ReadComponentFromFile(File, &Broken);
    ADD_FAILURE();
  } catch (const EParserError& E) {
    EXPECT_EQ(E.Message(), File + ":2:11: '=' expected but string 'x' found");
  }
  std::filesystem::remove_all(Dir);
}

TEST_F(DfmStreamBinding, MutatedFormsReadOrFailCleanly) {
  // Whole-line edits of a valid form that keep it parseable, so that they
  // reach the binding: other values, other property and class names,
  // repeated and missing lines. Each read succeeds or raises an error of the
  // object model; either way the form frees everything when it goes.
  static const char* const Values[] = {"'x'",
                                       "5",
                                       "5000000000",
                                       "shOval",
                                       "[shSquare]",
                                       "[shOval]",
                                       "()",
                                       "('a' 'b')",
                                       "<>",
                                       "<item Text = 'q' end>",
                                       "<item Target = Nope end>",
                                       "<item Target = Gadget3 end>",
                                       "{00}",
                                       "Gadget2",
                                       "Nobody",
                                       "Form1",
                                       "Form1.Gadget3",
                                       "nil",
                                       "True",
                                       "GadgetFire",
                                       "Clicked",
                                       "1.5",
                                       "'boom'",
                                       "'explode'",
                                       "tnLoud",
                                       "#233"};
  static const char* const Names[] = {
      "Caption", "Count",  "Big",     "Ratio",     "Shape",       "Shapes",
      "Enabled", "Letter", "Tone",    "Pen.Color", "Pen.Pattern", "Lines.Strings",
      "Links",   "Buddy",  "Partner", "Area",      "OnFire",      "OnChange",
      "Left",    "Top",    "Name",    "Pen",       "Lines",       "Nope"};
  static const char* const Classes[] = {"TGadget", "TFoo", "TStringList", "TTestForm",
                                        "TTestForm2"};
  std::vector<std::string> Lines = SysUtils::SplitString(FullForm, '\n');
  Lines.pop_back();
  std::mt19937 R(7);
  int Succeeded = 0;
  for (int I = 0; I < 1500; ++I) {
    std::vector<std::string> L = Lines;
    for (int Edits = 1 + static_cast<int>(R() % 3); Edits > 0; --Edits) {
      const size_t At = 1 + R() % (L.size() - 2);
      std::string& Line = L[At];
      const size_t Eq = Line.find(" = ");
      const size_t Colon = Line.find(": ");
      switch (R() % 5) {
      case 0:
        if (Eq != std::string::npos && Line.back() != '(' && Line.back() != '<')
          Line = Line.substr(0, Eq + 3) + Values[R() % std::size(Values)];
        break;
      case 1:
        if (Eq != std::string::npos)
          Line = Line.substr(0, Line.find_first_not_of(' ')) + Names[R() % std::size(Names)] +
                 Line.substr(Eq);
        break;
      case 2:
        if (Colon != std::string::npos)
          Line = Line.substr(0, Colon + 2) + Classes[R() % std::size(Classes)];
        break;
      case 3:
        if (Eq != std::string::npos && Line.back() != '(' && Line.back() != '<')
          L.insert(L.begin() + static_cast<std::ptrdiff_t>(At), Line);
        break;
      default:
        if (Eq != std::string::npos && Line.back() != '(' && Line.back() != '<')
          L.erase(L.begin() + static_cast<std::ptrdiff_t>(At));
        break;
      }
    }
    std::string Text;
    for (const std::string& Line : L)
      Text += Line + "\n";
    {
      TTestForm Form(nullptr);
      try {
        ReadComponentFromText(Text, &Form, "t.dfm");
        ++Succeeded;
        // What was read writes and reads back.
        const std::string Written = WriteComponentToText(&Form);
        TTestForm Again(nullptr);
        ReadComponentFromText(Written, &Again, "again.dfm");
        EXPECT_EQ(WriteComponentToText(&Again), Written);
      } catch (const SysUtils::Exception& E) {
        EXPECT_EQ(std::string(E.Message()).rfind("t.dfm:", 0), 0u) << E.Message() << "\n" << Text;
        EXPECT_EQ(Form.ComponentCount(), 0) << Text;
        EXPECT_EQ(Form.Gadget1, nullptr);
      }
    }
    ASSERT_EQ(TGadget::Live, GadgetsBefore) << Text;
  }
  EXPECT_GT(Succeeded, 100);
}
