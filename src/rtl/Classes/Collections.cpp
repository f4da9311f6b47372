#include "rtl/Classes.hpp"
#include "rtl/ScopeGuard.hpp"

#include <algorithm>

namespace Classes {

using SysUtils::Format;

OV_CLASS_IMPL(TCollectionItem, TPersistent, "Classes")
OV_CLASS_IMPL(TCollection, TPersistent, "Classes")
OV_CLASS_IMPL(TOwnedCollection, TCollection, "Classes")

TCollectionItem::TCollectionItem(TCollection* Collection) {
  SetCollection(Collection);
}

TCollectionItem::~TCollectionItem() {
  if (FCollection)
    FCollection->RemoveItem(this);
}

void TCollectionItem::SetCollection(TCollection* Value) {
  if (FCollection == Value)
    return;
  if (FCollection)
    FCollection->RemoveItem(this);
  if (Value)
    Value->InsertItem(this);
}

int TCollectionItem::Index() const {
  if (!FCollection)
    return -1;
  const auto& L = FCollection->FItems;
  const auto It = std::find(L.begin(), L.end(), this);
  return It == L.end() ? -1 : static_cast<int>(It - L.begin());
}

void TCollectionItem::SetIndex(int Value) {
  if (FCollection && Value != Index())
    FCollection->MoveItem(this, Value);
}

std::string TCollectionItem::GetDisplayName() const {
  return ClassName();
}

void TCollectionItem::SetDisplayName(const std::string&) {
  Changed(false);
}

std::string TCollectionItem::GetNamePath() const {
  if (!FCollection)
    return ClassName();
  return Format("%s[%d]", FCollection->GetNamePath(), Index());
}

TPersistent* TCollectionItem::GetOwner() const {
  return FCollection;
}

void TCollectionItem::Changed(bool AllItems) {
  if (FCollection && FCollection->FUpdateCount == 0)
    FCollection->Update(AllItems ? nullptr : this);
}

TCollection::TCollection(TClass ItemClass) : FItemClass(ItemClass) {}

TCollection::~TCollection() {
  FUpdateCount = 1; // no change events while tearing down
  Clear();
}

TCollectionItem* TCollection::Add() {
  if (!FItemClass || FItemClass->ConstructorKind != TypInfo::TConstructorKind::ckCollection)
    throw SysUtils::EInvalidOperation(Format("Cannot create items of class %s",
                                             FItemClass ? FItemClass->Name : std::string("nil")));
  auto* Item = static_cast<TCollectionItem*>(FItemClass->Factory(this));
  Changed();
  return Item;
}

TCollectionItem* TCollection::Insert(int Index) {
  if (Index < 0 || Index > Count())
    throw EListError(Format("List index out of bounds (%d)", Index));
  TCollectionItem* Item = Add();
  MoveItem(Item, Index);
  return Item;
}

void TCollection::Delete(int Index) {
  TCollectionItem* Item = Items(Index);
  Notify(Item, TCollectionNotification::cnDeleting);
  delete Item;
}

void TCollection::Clear() {
  if (FItems.empty())
    return;
  BeginUpdate();
  const ScopeGuard::TFinally Finally([&] { EndUpdate(); });
  while (!FItems.empty()) {
    TCollectionItem* Item = FItems.back();
    Notify(Item, TCollectionNotification::cnDeleting);
    delete Item;
  }
}

TCollectionItem* TCollection::Items(int Index) const {
  if (Index < 0 || Index >= Count())
    throw EListError(Format("List index out of bounds (%d)", Index));
  return FItems[static_cast<size_t>(Index)];
}

TCollectionItem* TCollection::FindItemID(int ID) const {
  for (TCollectionItem* Item : FItems)
    if (Item->FID == ID)
      return Item;
  return nullptr;
}

void TCollection::Assign(TPersistent* Source) {
  auto* Src = dynamic_cast<TCollection*>(Source);
  if (!Src) {
    TPersistent::Assign(Source);
    return;
  }
  if (Src == this)
    return;
  BeginUpdate();
  const ScopeGuard::TFinally Finally([&] { EndUpdate(); });
  Clear();
  for (TCollectionItem* Item : Src->FItems)
    Add()->Assign(Item);
}

void TCollection::BeginUpdate() {
  ++FUpdateCount;
}

void TCollection::EndUpdate() {
  if (FUpdateCount > 0 && --FUpdateCount == 0)
    Changed();
}

void TCollection::Changed() {
  if (FUpdateCount == 0)
    Update(nullptr);
}

void TCollection::Update(TCollectionItem*) {
  if (OnChange)
    OnChange(this);
}

std::string TCollection::PropName() const {
  TPersistent* Owner = GetOwner();
  if (!Owner)
    return {};
  for (const TypInfo::TPropInfo* P : Owner->ClassType()->AllProps())
    if (P->Access == TypInfo::TPropAccess::paObject && TypInfo::GetObjectProp(Owner, P) == this)
      return P->Name;
  return {};
}

std::string TCollection::GetNamePath() const {
  TPersistent* Owner = GetOwner();
  if (!Owner)
    return ClassName();
  const std::string OwnerPath = Owner->GetNamePath();
  const std::string Prop = PropName();
  if (OwnerPath.empty() || Prop.empty())
    return ClassName();
  return OwnerPath + "." + Prop;
}

void TCollection::InsertItem(TCollectionItem* Item) {
  FItems.push_back(Item);
  Item->FCollection = this;
  Item->FID = FNextID++;
  Notify(Item, TCollectionNotification::cnAdded);
}

void TCollection::RemoveItem(TCollectionItem* Item) {
  Notify(Item, TCollectionNotification::cnExtracting);
  // From the back: Clear and the destructor free the last item first, so
  // each removal is constant and clearing stays linear.
  const auto It = std::find(FItems.rbegin(), FItems.rend(), Item);
  if (It != FItems.rend())
    FItems.erase(std::next(It).base());
  Item->FCollection = nullptr;
  Changed();
}

void TCollection::MoveItem(TCollectionItem* Item, int NewIndex) {
  const int Cur = Item->Index();
  if (Cur < 0)
    return;
  NewIndex = std::clamp(NewIndex, 0, Count() - 1);
  FItems.erase(FItems.begin() + Cur);
  FItems.insert(FItems.begin() + NewIndex, Item);
  Changed();
}

} // namespace Classes
