// The host's designer: names for new components, component creation, the
// change notification, and finding the designer of an object's root.
#include "designide/DesignIntf/Designer.hpp"
#include "EditorTestClasses.hpp"
#include "designide/DesignIntf/DesignSpots.hpp"

#include <gtest/gtest.h>

using namespace EditorTest;
using DesignIntf::FindRootDesigner;
using DesignIntf::TDesigner;
using System::TInterfaceRef;

namespace {

struct TDesign {
  TDesign() : Root(new TTestRoot(nullptr)) {
    Root->SetName("Form1");
    Designer = TInterfaceRef<TDesigner>(new TDesigner(Root.get()));
    Designer->OnModified = [this] { ++Told; };
  }
  std::unique_ptr<TTestRoot> Root;
  TInterfaceRef<TDesigner> Designer;
  int Told = 0;
};

} // namespace

TEST(Designer, UniqueNameDropsTheClassPrefixAndSkipsNamesInUse) {
  TDesign D;
  (new TWidget(D.Root.get()))->SetName("Widget1");
  (new TWidget(D.Root.get()))->SetName("widget3");
  EXPECT_EQ(D.Designer->UniqueName("TWidget"), "Widget2");
  EXPECT_EQ(D.Designer->UniqueName("Table"), "Table1");
  // The root's own name is taken too.
  EXPECT_EQ(D.Designer->UniqueName("TForm"), "Form2");
  EXPECT_EQ(D.Designer->UniqueName("Order Lines"), "Order_Lines1");
  EXPECT_EQ(D.Designer->UniqueName("1st"), "_1st1");
}

TEST(Designer, CreateComponentNamesPlacesMarksAndTellsTheHost) {
  TDesign D;
  Classes::TComponent* C =
      D.Designer->CreateComponent(TWidget::StaticClass(), nullptr, 48, 96, 0, 0);
  ASSERT_NE(C, nullptr);
  EXPECT_EQ(C->Owner(), D.Root.get());
  EXPECT_EQ(C->GetName(), "Widget1");
  EXPECT_TRUE(C->IsDesigning());
  EXPECT_EQ(C->DesignLeft(), 48);
  EXPECT_EQ(C->DesignTop(), 96);
  EXPECT_EQ(D.Told, 1);
  EXPECT_EQ(D.Designer->ModifiedCount(), 1);
  EXPECT_EQ(D.Designer->GetComponent("WIDGET1"), C);
  EXPECT_EQ(D.Designer->GetComponent("form1"), D.Root.get());

  // A class that cannot be made creates nothing and tells nobody.
  EXPECT_THROW(D.Designer->CreateComponent(TStyle::StaticClass(), nullptr, 0, 0, 0, 0),
               SysUtils::Exception);
  EXPECT_EQ(D.Root->ComponentCount(), 1);
  EXPECT_EQ(D.Told, 1);
}

TEST(Designer, ComponentNamesAreFilteredByClass) {
  TDesign D;
  (new TWidget(D.Root.get()))->SetName("W1");
  (new TGadget(D.Root.get()))->SetName("G1");
  (new TSpecialWidget(D.Root.get()))->SetName("S1");
  new TWidget(D.Root.get()); // unnamed: not offered
  std::vector<std::string> Names;
  D.Designer->GetComponentNames(TWidget::StaticClass(),
                                [&](const std::string& N) { Names.push_back(N); });
  EXPECT_EQ(Names, (std::vector<std::string>{"W1", "S1"}));
}

TEST(Designer, FindRootDesignerFollowsOwnersThroughCollections) {
  TDesign D;
  auto* W = new TWidget(D.Root.get());
  Classes::TOwnedCollection Items(W, Classes::TCollectionItem::StaticClass());
  Classes::TCollectionItem* Item = Items.Add();
  EXPECT_EQ(FindRootDesigner(W), D.Designer.Get());
  EXPECT_EQ(FindRootDesigner(Item), D.Designer.Get());
  EXPECT_EQ(FindRootDesigner(D.Root.get()), D.Designer.Get());
  TWidget Stranger(nullptr);
  EXPECT_EQ(FindRootDesigner(&Stranger), nullptr);
  EXPECT_EQ(FindRootDesigner(nullptr), nullptr);
  D.Designer.Reset();
  EXPECT_EQ(FindRootDesigner(W), nullptr);
}

TEST(Designer, ForgetsFreedSelectionsAndAFreedRoot) {
  TDesign D;
  auto* A = new TWidget(D.Root.get());
  auto* B = new TWidget(D.Root.get());
  D.Designer->SetSelections({A, B});
  delete A;
  EXPECT_EQ(D.Designer->GetSelections(), (std::vector<Classes::TPersistent*>{B}));
  D.Designer->SelectComponent(nullptr);
  EXPECT_TRUE(D.Designer->GetSelections().empty());
  D.Designer->SelectComponent(B);
  D.Root.reset();
  EXPECT_EQ(D.Designer->GetRoot(), nullptr);
  EXPECT_TRUE(D.Designer->GetSelections().empty());
  EXPECT_EQ(D.Designer->GetComponent("Form1"), nullptr);
  EXPECT_THROW(D.Designer->CreateComponent(TWidget::StaticClass(), nullptr, 0, 0, 0, 0),
               SysUtils::EInvalidOperation);
}

TEST(Designer, NextFreeSpotFillsTheRowsOfTheModuleAroundWhatIsThere) {
  using DesignIntf::NextFreeDesignSpot;
  using DesignIntf::TDesignSpot;
  EXPECT_EQ(NextFreeDesignSpot(nullptr), (TDesignSpot{24, 24}));
  Classes::TDataModule Module(nullptr);
  Module.SetWidth(300);
  EXPECT_EQ(NextFreeDesignSpot(&Module), (TDesignSpot{24, 24}));
  // One stacked at the origin (an old file) blocks the first cell only.
  (new TWidget(&Module))->SetDesignPosition(0, 0);
  EXPECT_EQ(NextFreeDesignSpot(&Module), (TDesignSpot{120, 24}));
  // Rows hold as many cells as the module is wide.
  for (int I = 0; I < 3; ++I) {
    const TDesignSpot S = NextFreeDesignSpot(&Module);
    (new TWidget(&Module))->SetDesignPosition(S.Left, S.Top);
  }
  EXPECT_EQ(NextFreeDesignSpot(&Module), (TDesignSpot{120, 96}));
  // A component moved between two cells blocks both.
  (new TWidget(&Module))->SetDesignPosition(170, 100);
  EXPECT_EQ(NextFreeDesignSpot(&Module), (TDesignSpot{24, 168}));
  // Icons close enough for their names to touch overlap; a cell apart do not.
  EXPECT_TRUE(DesignIntf::DesignSpotsOverlap({24, 24}, {90, 60}));
  EXPECT_FALSE(DesignIntf::DesignSpotsOverlap({24, 24}, {120, 24}));
  EXPECT_FALSE(DesignIntf::DesignSpotsOverlap({24, 24}, {24, 96}));
}
