// The object tree view's nodes (sprigs) of unit TreeIntf and the host's tree
// model built from them. RegisterSprigType is declared in
// designide/TreeIntf.hpp.
//
// A sprig stands for a component of the design (its item) or, when
// transient, for something that is no component of the design (the
// runtime's default session, a database that datasets name). The host makes
// one sprig per component of the root, of the most derived registered sprig
// class for the component's class (TComponentSprig when none is registered),
// and asks each sprig to find its parent (FigureParent).
//
// Sprig classes are created from their class reference with the item as the
// only argument: derive with `using inherited::inherited;` or keep a
// constructor taking the component.
#pragma once

#include "designide/DesignIntf/Designer.hpp"
#include "rtl/Classes.hpp"
#include "rtl/System.hpp"

#include <memory>
#include <string>
#include <unordered_map>
#include <vector>

namespace TreeIntf {

using Classes::TComponent;
using System::TClass;

class TRootSprig;

// The virtual operations, in this order: UniqueName, the constructor (with
// the item), Transient, AnyProblems, ItemClass, Name, Caption, DragOverTo,
// DragDropTo, PaletteOverTo, Reparent, FigureParent.
class TSprig : public System::TObject {
  OV_CLASS(TSprig, System::TObject)
public:
  explicit TSprig(TComponent* AItem = nullptr);
  ~TSprig() override;
  TSprig(const TSprig&) = delete;
  TSprig& operator=(const TSprig&) = delete;

  // The item's name; "" for a node without an item.
  virtual std::string UniqueName();
  virtual bool Transient() { return false; }
  // Whether the tree marks the node as having a problem; none by default.
  virtual bool AnyProblems() { return false; }
  // The class of the item; null for a node without an item.
  virtual TClass ItemClass();
  // The name by which Find matches the node: UniqueName by default.
  virtual std::string Name() { return UniqueName(); }
  // The label in the tree: CaptionFor(UniqueName, "", the item's class
  // name) by default.
  virtual std::string Caption();
  // Whether this node may be dropped onto Parent; no by default.
  virtual bool DragOverTo(TSprig* Parent) { return false; }
  // Carries out the drop onto Parent; true when it changed something.
  virtual bool DragDropTo(TSprig* Parent) { return false; }
  // A class-level question, asked of a prototype of the class made with no
  // item (so it must not look at Item): whether a new component of the kind
  // that the class stands for, placed from the palette, may go under
  // Parent. By default only the root takes new components.
  virtual bool PaletteOverTo(TSprig* Parent, TClass AClass);
  // Brings the item in line with the node's current parent; nothing by
  // default.
  virtual void Reparent() {}
  // Puts the node under its parent: the node of the item's parent component
  // when the item has one in the tree (a field under its dataset), else the
  // root.
  virtual void FigureParent();

  // The child (Recurse: or any descendant, depth first) whose Name is AName,
  // any case; null when there is none.
  TSprig* Find(const std::string& AName, bool Recurse = true);
  // Makes Node the last child of this node, taking it from where it was (or
  // taking ownership of a node that belongs to no tree), and gives it back.
  // Adding a node under itself or one of its descendants raises
  // EInvalidOperation.
  TSprig* Add(TSprig* Node);
  // Composes a caption from a main text, a second text and a class text:
  // "first (second): third", leaving out the parts that are empty (with an
  // empty first text, the second stands without parentheses).
  static std::string CaptionFor(const std::string& First, const std::string& Second = "",
                                const std::string& Third = "");
  // Each child's Reparent.
  void ReparentChildren();

  TComponent* Item() const { return FItem; }
  TSprig* Parent() const { return FParent; }
  // The top node of the tree this node is in; null while it is in none.
  TRootSprig* Root() const { return FRoot; }
  int Count() const { return static_cast<int>(FChildren.size()); }
  TSprig* Items(int Index) const;
  int Index() const;
  // The node of Component below this one, null when there is none.
  TSprig* FindItem(const TComponent* Component, bool Recurse = true);
  // The depth below the root (the root is 0).
  int Level() const;

private:
  friend class TRootSprig;
  struct TNameIndex;
  std::unique_ptr<TSprig> Detach();
  void SetRoot(TRootSprig* ARoot);
  TSprig* FindIndexed(const std::string& AName);
  void ForgetChild(TSprig* Child);

  TComponent* FItem;
  TSprig* FParent = nullptr;
  TRootSprig* FRoot = nullptr;
  std::vector<std::unique_ptr<TSprig>> FChildren;
  // The children by name, made while the tree is built (see Build), and
  // the key this node has in its parent's index.
  std::unique_ptr<TNameIndex> FNameIndex;
  std::string FIndexKey;
};

// The node of a component of the design.
class TComponentSprig : public TSprig {
  OV_CLASS(TComponentSprig, TSprig)
public:
  using inherited::inherited;
};

// A node that stands for no component of the design.
class TTransientSprig : public TSprig {
  OV_CLASS(TTransientSprig, TSprig)
public:
  using inherited::inherited;
  bool Transient() override { return true; }
  TClass ItemClass() override { return nullptr; }
};

// The top of the tree: the root component being designed, and the host's
// tree model. Build (or Refresh after a change) makes the nodes afresh; the
// nodes of an earlier build are gone then.
class TRootSprig : public TSprig {
  OV_CLASS(TRootSprig, TSprig)
public:
  explicit TRootSprig(TComponent* ARoot, DesignIntf::IDesigner* ADesigner = nullptr);
  ~TRootSprig() override;

  std::string Caption() override;
  bool PaletteOverTo(TSprig* Parent, TClass AClass) override { return false; }
  void FigureParent() override {}

  DesignIntf::IDesigner* Designer() const { return FDesigner.Get(); }

  // Makes a node for each component the root owns and lets each find its
  // parent. FigureParent runs in creation order, once more for every node as
  // long as a round moved one (a node may look for a parent whose node has
  // not found its own place yet); then the nodes that found none go under the
  // root, after its other children, in creation order, and transient nodes
  // left without children are dropped.
  //
  // While the tree is built the components do not change, so Find answers
  // from an index of each node's children by name. A child is indexed under
  // the name it has at the first Find after it was added, which lets a node
  // that FigureParent has just added take its name-giving texts before
  // anyone looks for it.
  void Build();
  void Refresh() { Build(); }

  // The sprig class for components of ComponentClass: the most derived
  // registration, else TComponentSprig.
  static TClass SprigClassFor(TClass ComponentClass);
  // A sprig of SprigClass for Item (null: a prototype), belonging to no
  // tree. Raises EInvalidOperation when SprigClass is no sprig class or
  // cannot be created from its class reference.
  static std::unique_ptr<TSprig> CreateSprig(TClass SprigClass, TComponent* Item);

  // Looks a node up for a person: by the name of its component, else by its
  // UniqueName, else by its Name, any case. Null when none answers.
  TSprig* FindNode(const std::string& Key);

  // Whether Node may be dropped onto Target (DragOverTo).
  bool CanDrop(TSprig* Node, TSprig* Target);
  // Drags Node onto Target: refused (EInvalidOperation naming both) when
  // DragOverTo says no; otherwise DragDropTo, and when it changed something
  // the designer is told (Modified) and the tree is built again. Returns
  // whether something changed.
  bool DragDrop(TSprig* Node, TSprig* Target);
  // Places a new component of ComponentClass from the palette under Target:
  // refused (EInvalidOperation) when a prototype of its sprig class says no
  // to PaletteOverTo; otherwise the designer creates the component, its node
  // is dropped onto Target (DragDropTo, so that it takes what the target
  // stands for: a dataset placed on a database names that database) and the
  // tree is built again. Returns the new component.
  TComponent* PaletteDrop(TClass ComponentClass, TSprig* Target);

  // Every node of the tree, depth first, parents before children.
  std::vector<TSprig*> AllNodes();

private:
  friend class TSprig;
  void Clear();
  void Adopt(std::unique_ptr<TSprig> Node);
  std::unique_ptr<TSprig> TakeLoose(TSprig* Node);
  void Prune(TSprig* Node);

  System::TInterfaceRef<DesignIntf::IDesigner> FDesigner;
  // Nodes of this tree that have no parent yet, and the order they came in.
  std::unordered_map<TSprig*, std::unique_ptr<TSprig>> FLoose;
  std::vector<TSprig*> FLooseOrder;
  std::unordered_map<const TComponent*, TSprig*> FItems;
  bool FBuilding = false;
};

} // namespace TreeIntf
