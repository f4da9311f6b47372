#include "designide/TreeIntf/Sprigs.hpp"

#include "designide/DesignIntf/DesignSpots.hpp"
#include "designide/DesignRegistry.hpp"
#include "rtl/ScopeGuard.hpp"
#include "rtl/SysUtils.hpp"
#include "rtl/TypInfo.hpp"

#include <algorithm>
#include <cstdint>
#include <string_view>
#include <typeinfo>
#include <unordered_map>

namespace TreeIntf {

using SysUtils::Format;
using SysUtils::SameText;

OV_CLASS_IMPL(TSprig, System::TObject, "TreeIntf")
OV_CLASS_IMPL(TComponentSprig, TSprig, "TreeIntf")
OV_CLASS_IMPL(TTransientSprig, TSprig, "TreeIntf")
OV_CLASS_IMPL(TRootSprig, TSprig, "TreeIntf")

// Nodes -----------------------------------------------------------------------------

TSprig::TSprig(TComponent* AItem) : FItem(AItem) {}

TSprig::~TSprig() = default;

std::string TSprig::UniqueName() {
  return FItem ? FItem->GetName() : std::string();
}

TClass TSprig::ItemClass() {
  return FItem ? FItem->ClassType() : nullptr;
}

std::string TSprig::Caption() {
  return CaptionFor(UniqueName(), "", FItem ? FItem->ClassName() : std::string());
}

bool TSprig::PaletteOverTo(TSprig* Parent, TClass) {
  return dynamic_cast<TRootSprig*>(Parent) != nullptr;
}

void TSprig::FigureParent() {
  TRootSprig* R = Root();
  if (!R)
    return;
  if (FItem && FItem->HasParent())
    if (TComponent* P = FItem->GetParentComponent())
      if (TSprig* PS = R->FindItem(P); PS && PS != this) {
        PS->Add(this);
        return;
      }
  R->Add(this);
}

namespace {

// Names compared as SameText compares them (ASCII letters in any case), so
// that a name is looked up as it is given, without an upper-cased copy.
struct TTextHash {
  using is_transparent = void;
  size_t operator()(std::string_view S) const noexcept {
    uint64_t H = 14695981039346656037ull;
    for (char C : S) {
      H ^= static_cast<uint8_t>(C >= 'a' && C <= 'z' ? C - 'a' + 'A' : C);
      H *= 1099511628211ull;
    }
    return static_cast<size_t>(H);
  }
};

struct TTextEqual {
  using is_transparent = void;
  bool operator()(std::string_view A, std::string_view B) const noexcept { return SameText(A, B); }
};

// What a node class's factory made, as a node. A tree of thousands of nodes
// has a few node types: each type is converted with dynamic_cast once, then,
// when the node sits at a fixed offset in it (single inheritance), with
// static_cast.
TSprig* AsSprig(System::TObject* Obj) {
  if (!Obj)
    return nullptr;
  thread_local std::unordered_map<const std::type_info*, bool> Fixed;
  const auto [It, New] = Fixed.try_emplace(&typeid(*Obj), false);
  if (!New && It->second)
    return static_cast<TSprig*>(Obj);
  TSprig* S = dynamic_cast<TSprig*>(Obj);
  if (New)
    It->second = S && S == static_cast<TSprig*>(Obj);
  return S;
}

} // namespace

struct TSprig::TNameIndex {
  // Upper-cased names, each with its children in child order.
  std::unordered_map<std::string, std::vector<TSprig*>, TTextHash, TTextEqual> Names;
  // Children added since the last Find, not indexed yet.
  std::vector<TSprig*> Pending;
};

TSprig* TSprig::FindIndexed(const std::string& AName) {
  if (!FNameIndex) {
    FNameIndex = std::make_unique<TNameIndex>();
    for (const auto& C : FChildren)
      FNameIndex->Pending.push_back(C.get());
  }
  for (TSprig* C : FNameIndex->Pending) {
    C->FIndexKey = SysUtils::UpperCase(C->Name());
    FNameIndex->Names[C->FIndexKey].push_back(C);
  }
  FNameIndex->Pending.clear();
  const auto It = FNameIndex->Names.find(std::string_view(AName));
  return It == FNameIndex->Names.end() || It->second.empty() ? nullptr : It->second.front();
}

void TSprig::ForgetChild(TSprig* Child) {
  if (!FNameIndex)
    return;
  auto& P = FNameIndex->Pending;
  P.erase(std::remove(P.begin(), P.end(), Child), P.end());
  if (const auto It = FNameIndex->Names.find(Child->FIndexKey); It != FNameIndex->Names.end())
    It->second.erase(std::remove(It->second.begin(), It->second.end(), Child), It->second.end());
}

TSprig* TSprig::Find(const std::string& AName, bool Recurse) {
  if (!Recurse && FRoot && FRoot->FBuilding)
    return FindIndexed(AName);
  for (const auto& C : FChildren)
    if (SameText(C->Name(), AName))
      return C.get();
  if (Recurse)
    for (const auto& C : FChildren)
      if (TSprig* Found = C->Find(AName, true))
        return Found;
  return nullptr;
}

TSprig* TSprig::Add(TSprig* Node) {
  if (!Node)
    return nullptr;
  if (Node->FParent == this)
    return Node;
  for (const TSprig* P = this; P; P = P->FParent)
    if (P == Node)
      throw SysUtils::EInvalidOperation(
          Format("The tree node %s cannot go under itself or under one of its own nodes",
                 Node->UniqueName()));
  // A root is its own root from the start (and a node of a tree never is):
  // asked so rather than by its class, which takes long for every node added.
  if (Node->FRoot == Node || (!Node->FRoot && dynamic_cast<TRootSprig*>(Node)))
    throw SysUtils::EInvalidOperation("The root of a tree cannot go under another node");
  std::unique_ptr<TSprig> Owned;
  if (Node->FParent)
    Owned = Node->Detach();
  else if (Node->FRoot)
    Owned = Node->FRoot->TakeLoose(Node);
  else
    Owned.reset(Node);
  if (!Owned)
    throw SysUtils::EInvalidOperation(
        Format("The tree node %s does not belong to its tree", Node->UniqueName()));
  Node->FParent = this;
  Node->SetRoot(FRoot);
  FChildren.push_back(std::move(Owned));
  if (FNameIndex)
    FNameIndex->Pending.push_back(Node);
  return Node;
}

std::string TSprig::CaptionFor(const std::string& First, const std::string& Second,
                               const std::string& Third) {
  std::string R;
  R.reserve(First.size() + Second.size() + Third.size() + 5);
  R += First;
  if (!Second.empty()) {
    if (R.empty()) {
      R += Second;
    } else {
      R += " (";
      R += Second;
      R += ')';
    }
  }
  if (!Third.empty()) {
    if (!R.empty())
      R += ": ";
    R += Third;
  }
  return R;
}

void TSprig::ReparentChildren() {
  std::vector<TSprig*> Children;
  for (const auto& C : FChildren)
    Children.push_back(C.get());
  for (TSprig* C : Children)
    C->Reparent();
}

TSprig* TSprig::Items(int Index) const {
  if (Index < 0 || Index >= Count())
    throw SysUtils::EInvalidOperation(Format("Tree node index %d out of range", Index));
  return FChildren[static_cast<size_t>(Index)].get();
}

int TSprig::Index() const {
  if (!FParent)
    return -1;
  const auto& L = FParent->FChildren;
  for (size_t I = 0; I < L.size(); ++I)
    if (L[I].get() == this)
      return static_cast<int>(I);
  return -1;
}

TSprig* TSprig::FindItem(const TComponent* Component, bool Recurse) {
  if (!Component)
    return nullptr;
  if (FRoot == this) {
    const auto& Items = static_cast<TRootSprig*>(this)->FItems;
    const auto It = Items.find(Component);
    return It == Items.end() ? nullptr : It->second;
  }
  for (const auto& C : FChildren) {
    if (C->FItem == Component)
      return C.get();
    if (Recurse)
      if (TSprig* Found = C->FindItem(Component, true))
        return Found;
  }
  return nullptr;
}

int TSprig::Level() const {
  int L = 0;
  for (const TSprig* P = FParent; P; P = P->FParent)
    ++L;
  return L;
}

std::unique_ptr<TSprig> TSprig::Detach() {
  std::unique_ptr<TSprig> Owned;
  if (!FParent)
    return Owned;
  FParent->ForgetChild(this);
  auto& L = FParent->FChildren;
  for (auto It = L.begin(); It != L.end(); ++It)
    if (It->get() == this) {
      Owned = std::move(*It);
      L.erase(It);
      break;
    }
  FParent = nullptr;
  return Owned;
}

void TSprig::SetRoot(TRootSprig* ARoot) {
  FRoot = ARoot;
  for (const auto& C : FChildren)
    C->SetRoot(ARoot);
}

// The tree ------------------------------------------------------------------------------

TRootSprig::TRootSprig(TComponent* ARoot, DesignIntf::IDesigner* ADesigner)
    : TSprig(ARoot), FDesigner(ADesigner) {
  SetRoot(this);
}

TRootSprig::~TRootSprig() {
  Clear();
}

std::string TRootSprig::Caption() {
  return CaptionFor(UniqueName(), "", Item() ? Item()->ClassName() : std::string());
}

void TRootSprig::Clear() {
  FItems.clear();
  FLoose.clear();
  FLooseOrder.clear();
  FChildren.clear();
}

void TRootSprig::Adopt(std::unique_ptr<TSprig> Node) {
  Node->FParent = nullptr;
  Node->SetRoot(this);
  TSprig* Key = Node.get();
  FLoose.emplace(Key, std::move(Node));
  FLooseOrder.push_back(Key);
}

std::unique_ptr<TSprig> TRootSprig::TakeLoose(TSprig* Node) {
  const auto It = FLoose.find(Node);
  if (It == FLoose.end())
    return nullptr;
  std::unique_ptr<TSprig> Owned = std::move(It->second);
  FLoose.erase(It);
  return Owned;
}

TClass TRootSprig::SprigClassFor(TClass ComponentClass) {
  if (TClass C = DesignRegistry::FindSprigType(ComponentClass))
    return C;
  return TComponentSprig::StaticClass();
}

std::unique_ptr<TSprig> TRootSprig::CreateSprig(TClass SprigClass, TComponent* Item) {
  if (!SprigClass || !SprigClass->InheritsFrom(TSprig::StaticClass()))
    throw SysUtils::EInvalidOperation(
        Format("%s is no tree node class", SprigClass ? SprigClass->Name : "nil"));
  if (SprigClass->ConstructorKind != TypInfo::TConstructorKind::ckOwner || !SprigClass->Factory)
    throw SysUtils::EInvalidOperation(
        Format("Tree node class %s cannot be created from its class reference: it needs a "
               "constructor taking the component",
               SprigClass->Name));
  return std::unique_ptr<TSprig>(AsSprig(SprigClass->Factory(Item)));
}

void TRootSprig::Build() {
  Clear();
  TComponent* Root = Item();
  if (!Root)
    return;
  FBuilding = true;
  const ScopeGuard::TFinally BuildEnd([this] {
    FBuilding = false;
    for (TSprig* S : AllNodes())
      S->FNameIndex.reset();
  });
  std::vector<TSprig*> Order;
  Order.reserve(static_cast<size_t>(Root->ComponentCount()));
  // The registry is asked once per component class: a design holds
  // thousands of components of a few classes.
  std::unordered_map<TClass, TClass> SprigClasses;
  for (int I = 0; I < Root->ComponentCount(); ++I) {
    TComponent* C = Root->Components(I);
    auto [Known, New] = SprigClasses.try_emplace(C->ClassType(), nullptr);
    if (New)
      Known->second = SprigClassFor(C->ClassType());
    auto S = CreateSprig(Known->second, C);
    Order.push_back(S.get());
    FItems[C] = S.get();
    Adopt(std::move(S));
  }
  // A node asks for its parent's node by name; when that node has not found
  // its own place yet, the answer changes in the next round. Rounds are
  // bounded so that nodes that keep moving cannot hold the tree forever.
  constexpr int MaxRounds = 8;
  for (int Round = 0; Round < MaxRounds; ++Round) {
    bool Moved = false;
    for (TSprig* S : Order) {
      const TSprig* Before = S->Parent();
      S->FigureParent();
      if (S->Parent() != Before)
        Moved = true;
    }
    if (!Moved)
      break;
  }
  for (TSprig* S : FLooseOrder)
    if (FLoose.count(S))
      Add(S);
  FLooseOrder.clear();
  Prune(this);
}

void TRootSprig::Prune(TSprig* Node) {
  std::vector<TSprig*> Children;
  for (const auto& C : Node->FChildren)
    Children.push_back(C.get());
  for (TSprig* C : Children)
    Prune(C);
  if (Node != this && Node->Transient() && Node->Count() == 0)
    Node->Detach();
}

TSprig* TRootSprig::FindNode(const std::string& Key) {
  const std::vector<TSprig*> Nodes = AllNodes();
  for (TSprig* S : Nodes)
    if (S->Item() && SameText(S->Item()->GetName(), Key))
      return S;
  for (TSprig* S : Nodes)
    if (SameText(S->UniqueName(), Key))
      return S;
  for (TSprig* S : Nodes)
    if (SameText(S->Name(), Key))
      return S;
  return nullptr;
}

std::vector<TSprig*> TRootSprig::AllNodes() {
  std::vector<TSprig*> Result;
  std::vector<TSprig*> Stack{this};
  while (!Stack.empty()) {
    TSprig* S = Stack.back();
    Stack.pop_back();
    Result.push_back(S);
    for (auto It = S->FChildren.rbegin(); It != S->FChildren.rend(); ++It)
      Stack.push_back(It->get());
  }
  return Result;
}

namespace {

// The text values of the simple published properties and component
// references of the root's components: a drop that re-parents children may
// change them without reporting it.
std::vector<std::string> Snapshot(TComponent* Root) {
  std::vector<std::string> Values;
  if (!Root)
    return Values;
  for (int I = 0; I < Root->ComponentCount(); ++I) {
    TComponent* C = Root->Components(I);
    for (const TypInfo::TPropInfo* P : C->ClassType()->AllProps()) {
      switch (P->PropType->Kind) {
      case TypInfo::TTypeKind::tkClass:
        if (auto* Ref = dynamic_cast<TComponent*>(TypInfo::GetObjectProp(C, P)))
          Values.push_back(Ref->GetName());
        else
          Values.emplace_back();
        break;
      case TypInfo::TTypeKind::tkMethod:
      case TypInfo::TTypeKind::tkUnknown:
        break;
      default:
        Values.push_back(TypInfo::GetPropValueText(C, P));
      }
    }
  }
  return Values;
}

} // namespace

bool TRootSprig::CanDrop(TSprig* Node, TSprig* Target) {
  return Node && Target && Node != Target && Node->DragOverTo(Target);
}

bool TRootSprig::DragDrop(TSprig* Node, TSprig* Target) {
  if (!Node || !Target)
    throw SysUtils::EInvalidOperation("A drop needs a node and a target");
  if (!CanDrop(Node, Target))
    throw SysUtils::EInvalidOperation(
        Format("%s cannot be dropped onto %s", Node->Caption(), Target->Caption()));
  const std::vector<std::string> Before = Snapshot(Item());
  bool Changed = false;
  try {
    Changed = Node->DragDropTo(Target);
  } catch (...) {
    if (Designer() && Snapshot(Item()) != Before)
      Designer()->Modified();
    Build();
    throw;
  }
  if (Designer() && (Changed || Snapshot(Item()) != Before))
    Designer()->Modified();
  Build();
  return Changed;
}

TComponent* TRootSprig::PaletteDrop(TClass ComponentClass, TSprig* Target) {
  if (!ComponentClass || !ComponentClass->InheritsFrom(TComponent::StaticClass()))
    throw SysUtils::EInvalidOperation(
        Format("%s is no component class", ComponentClass ? ComponentClass->Name : "nil"));
  if (!Target)
    throw SysUtils::EInvalidOperation(
        Format("A new %s needs a node to go under", ComponentClass->Name));
  const TClass SprigClass = SprigClassFor(ComponentClass);
  if (!CreateSprig(SprigClass, nullptr)->PaletteOverTo(Target, ComponentClass))
    throw SysUtils::EInvalidOperation(
        Format("A new %s cannot be placed under %s", ComponentClass->Name, Target->Caption()));
  if (!Designer())
    throw SysUtils::EInvalidOperation(
        Format("There is no designer to create a %s", ComponentClass->Name));
  const DesignIntf::TDesignSpot Spot = DesignIntf::NextFreeDesignSpot(Designer()->GetRoot());
  TComponent* C =
      Designer()->CreateComponent(ComponentClass, Target->Item(), Spot.Left, Spot.Top, 0, 0);
  auto S = CreateSprig(SprigClass, C);
  TSprig* Node = S.get();
  FItems[C] = Node;
  Adopt(std::move(S));
  try {
    if (Node->DragDropTo(Target))
      Designer()->Modified();
  } catch (...) {
    // Nothing half-placed stays: the new component goes with its node.
    Clear();
    delete C;
    Build();
    throw;
  }
  Build();
  return C;
}

} // namespace TreeIntf
