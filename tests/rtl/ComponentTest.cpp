// Ownership, names and free notification of components; collections.
#include "rtl/Classes.hpp"

#include <gtest/gtest.h>

using namespace Classes;

namespace {

class TWatcher : public TComponent {
  OV_CLASS(TWatcher, TComponent)
public:
  using TComponent::TComponent;
  TComponent* Watched = nullptr;
  std::vector<std::string> Seen;
  void Watch(TComponent* C) {
    Watched = C;
    if (C)
      C->FreeNotification(this);
  }

protected:
  void Notification(TComponent* AComponent, TOperation Operation) override {
    TComponent::Notification(AComponent, Operation);
    if (Operation == TOperation::opRemove && AComponent == Watched)
      Watched = nullptr;
    Seen.push_back(Operation == TOperation::opInsert ? "insert" : "remove");
  }
};

// Counts the components freed.
int Freed = 0;
struct TCounted : public TComponent {
  using TComponent::TComponent;
  ~TCounted() override { ++Freed; }
};

class TItem : public TCollectionItem {
  OV_CLASS(TItem, TCollectionItem)
public:
  explicit TItem(TCollection* C) : TCollectionItem(C) {}
  std::string Value;
  void Assign(TPersistent* Source) override {
    if (auto* S = dynamic_cast<TItem*>(Source)) {
      Value = S->Value;
      return;
    }
    TCollectionItem::Assign(Source);
  }
};

} // namespace

OV_CLASS_IMPL(TWatcher, TComponent, "ComponentTest")
OV_CLASS_IMPL(TItem, TCollectionItem, "ComponentTest")

TEST(Component, OwnerFreesWhatItOwns) {
  Freed = 0;
  auto* Owner = new TComponent(nullptr);
  auto* A = new TCounted(Owner);
  new TCounted(A);
  new TCounted(Owner);
  EXPECT_EQ(Owner->ComponentCount(), 2);
  EXPECT_EQ(A->ComponentCount(), 1);
  delete Owner;
  EXPECT_EQ(Freed, 3);
}

TEST(Component, FreeingClearsReferencesOfSiblingsAndWatchers) {
  TComponent Owner(nullptr);
  auto* Target = new TComponent(&Owner);
  auto* Sibling = new TWatcher(&Owner);
  TWatcher Outsider(nullptr);
  Sibling->Watched = Target;
  Outsider.Watch(Target);
  delete Target;
  EXPECT_EQ(Sibling->Watched, nullptr);
  EXPECT_EQ(Outsider.Watched, nullptr);
  EXPECT_EQ(Owner.ComponentCount(), 1);
}

TEST(Component, WatcherGoneFirstLeavesNoDanglingNotification) {
  TComponent Target(nullptr);
  {
    TWatcher W(nullptr);
    W.Watch(&Target);
  }
  // Target's destructor must not call the freed watcher.
  SUCCEED();
}

TEST(Component, NamesAreIdentifiersAndUniqueInAnyCase) {
  TComponent Owner(nullptr);
  auto* A = new TComponent(&Owner);
  auto* B = new TComponent(&Owner);
  A->SetName("Query1");
  EXPECT_THROW(B->SetName("QUERY1"), EComponentError);
  EXPECT_EQ(B->GetName(), "");
  EXPECT_THROW(B->SetName("1Query"), EComponentError);
  EXPECT_THROW(B->SetName("my query"), EComponentError);
  B->SetName("Query2");
  A->SetName("query1"); // renaming to itself in other case is fine
  EXPECT_EQ(Owner.FindComponent("QUERY2"), B);
  EXPECT_EQ(Owner.FindComponent(""), nullptr);
  EXPECT_EQ(B->ComponentIndex(), 1);
}

TEST(Component, InsertTellsOwnerAndMovesBetweenOwners) {
  TWatcher Owner1(nullptr), Owner2(nullptr);
  auto* C = new TComponent(&Owner1);
  C->SetName("C");
  Owner2.InsertComponent(C);
  EXPECT_EQ(C->Owner(), &Owner2);
  EXPECT_EQ(Owner1.ComponentCount(), 0);
  EXPECT_EQ(Owner1.Seen, (std::vector<std::string>{"insert", "remove"}));
  auto* Clash = new TComponent(nullptr);
  Clash->SetName("c");
  EXPECT_THROW(Owner2.InsertComponent(Clash), EComponentError);
  delete Clash;
}

TEST(Component, WhileLoadingInsertsReachOnlyTheOwnerAndRemovalsReachAll) {
  TWatcher Owner(nullptr);
  auto* Sibling = new TWatcher(&Owner);
  Owner.SetLoading(true);
  auto* Read = new TComponent(&Owner);
  EXPECT_EQ(Owner.Seen, (std::vector<std::string>{"insert", "insert"}));
  EXPECT_TRUE(Sibling->Seen.empty());
  Sibling->Watched = Read;
  delete Read;
  EXPECT_EQ(Sibling->Watched, nullptr);
  EXPECT_EQ(Sibling->Seen, (std::vector<std::string>{"remove"}));
  Owner.Loaded();
  new TComponent(&Owner);
  EXPECT_EQ(Sibling->Seen, (std::vector<std::string>{"remove", "insert"}));
}

TEST(Component, FreeingAnOwnerOfManyComponentsFreesEachOnce) {
  Freed = 0;
  auto* Owner = new TComponent(nullptr);
  std::vector<TComponent*> Made;
  for (int I = 0; I < 20000; ++I)
    Made.push_back(new TCounted(Owner));
  delete Made[100];
  EXPECT_EQ(Owner->ComponentCount(), 19999);
  EXPECT_EQ(Owner->Components(100), Made[101]);
  EXPECT_EQ(Made[101]->ComponentIndex(), 100);
  delete Owner;
  EXPECT_EQ(Freed, 20000);
}

TEST(Component, DesigningSpreadsToOwnedComponents) {
  TComponent Root(nullptr);
  auto* Child = new TComponent(&Root);
  Root.SetDesigning(true);
  EXPECT_TRUE(Child->IsDesigning());
  auto* Later = new TComponent(&Root);
  EXPECT_TRUE(Later->IsDesigning());
}

TEST(Collection, ItemsKeepOrderIdsAndMove) {
  TCollection C(TItem::StaticClass());
  int Changes = 0;
  C.OnChange = [&](System::TObject*) { ++Changes; };
  auto* A = C.ItemAs<TItem>(0 * 0 + C.Add()->Index());
  auto* B = static_cast<TItem*>(C.Add());
  auto* D = static_cast<TItem*>(C.Insert(0));
  EXPECT_EQ(C.Count(), 3);
  EXPECT_EQ(D->Index(), 0);
  EXPECT_EQ(A->ID(), 0);
  EXPECT_EQ(B->ID(), 1);
  EXPECT_EQ(C.FindItemID(1), B);
  B->SetIndex(0);
  EXPECT_EQ(C.Items(0), B);
  EXPECT_GT(Changes, 0);
  C.Delete(0);
  EXPECT_EQ(C.Count(), 2);
  EXPECT_EQ(C.FindItemID(1), nullptr);
  EXPECT_THROW(C.Items(5), EListError);
  delete A;
  EXPECT_EQ(C.Count(), 1);
}

TEST(Collection, AssignCopiesItemsAndRefusesForeignClasses) {
  TCollection Src(TItem::StaticClass()), Dst(TItem::StaticClass());
  static_cast<TItem*>(Src.Add())->Value = "a";
  static_cast<TItem*>(Src.Add())->Value = "b";
  Dst.Add();
  Dst.Assign(&Src);
  ASSERT_EQ(Dst.Count(), 2);
  EXPECT_EQ(Dst.ItemAs<TItem>(1)->Value, "b");
  TStringList L;
  EXPECT_THROW(Dst.Assign(&L), SysUtils::EConvertError);
  EXPECT_EQ(Dst.Count(), 2);
}
