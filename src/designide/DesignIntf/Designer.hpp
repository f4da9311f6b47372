// The designer side of unit DesignIntf: the property attribute set that
// property editors answer with, the IDesigner interface through which editors
// reach the design they work on, and TDesigner, the host's designer of one
// root component (a form or data module).
//
// The registration calls of the unit are declared in designide/DesignIntf.hpp.
#pragma once

#include "rtl/Classes.hpp"
#include "rtl/System.hpp"
#include "rtl/TypInfo.hpp"

#include <functional>
#include <memory>
#include <string>
#include <vector>

namespace DesignIntf {

using System::TClass;

// What a property editor tells the Object Inspector about its property.
enum class TPropertyAttribute {
  paValueList,             // offers a drop-down list (GetValues)
  paSubProperties,         // unfolds into sub-properties (GetProperties)
  paDialog,                // has an ellipsis button (Edit)
  paMultiSelect,           // shown when several components are selected
  paAutoUpdate,            // SetValue on every keystroke
  paSortList,              // the value list is shown sorted
  paReadOnly,              // the value cannot be typed
  paRevertable,            // can be reverted to its inherited value
  paFullWidthName,         // the name takes the whole row
  paVolatileSubProperties, // sub-properties change with the value
  paVCL,                   // a property of the visual library
  paNotNestable            // not shown as a sub-property
};
OV_ENUM(TPropertyAttribute, "paValueList", "paSubProperties", "paDialog", "paMultiSelect",
        "paAutoUpdate", "paSortList", "paReadOnly", "paRevertable", "paFullWidthName",
        "paVolatileSubProperties", "paVCL", "paNotNestable")
OV_SET(TPropertyAttributes, TPropertyAttribute)

using TGetStrProc = std::function<void(const std::string& S)>;

// The designer of one root component as editors see it. Reference counted:
// editors keep it alive while they hold it.
class IDesigner : public virtual System::IInterface {
public:
  static constexpr const char* IID = "IDesigner";

  // The design changed: the host marks it modified (and saves it when the
  // command it runs is done).
  virtual void Modified() = 0;
  // The form or data module being designed; null once it has been freed.
  virtual Classes::TComponent* GetRoot() = 0;
  // The component of that name owned by the root (or the root itself), any
  // case; null when there is none.
  virtual Classes::TComponent* GetComponent(const std::string& Name) = 0;
  virtual std::string GetComponentName(Classes::TComponent* Component) = 0;
  // Names of the root's components of ComponentClass or a descendant, in
  // creation order.
  virtual void GetComponentNames(TClass ComponentClass, const TGetStrProc& Proc) = 0;
  // A component name not yet used in the design: BaseName followed by the
  // smallest number from 1 that is free. The leading T of a class name is
  // dropped (TOVQuery gives OVQuery1); characters that cannot stand in a name
  // become underscores.
  virtual std::string UniqueName(const std::string& BaseName) = 0;
  // Creates a component of ComponentClass owned by the root, named with
  // UniqueName, marked as being designed, placed under Parent when it is a
  // component that has a parent (a field under its dataset), at the design
  // position Left, Top; then tells the host (Modified). Width and Height are
  // kept for visual components and ignored otherwise.
  virtual Classes::TComponent* CreateComponent(TClass ComponentClass, Classes::TComponent* Parent,
                                               int Left, int Top, int Width, int Height) = 0;
  virtual void SelectComponent(Classes::TPersistent* Instance) = 0;
  virtual std::vector<Classes::TPersistent*> GetSelections() = 0;
  virtual void SetSelections(const std::vector<Classes::TPersistent*>& Selections) = 0;
};

// The host's designer of one root component. The host sets OnModified to
// learn of changes (its design document saves when told); a designer also
// counts them, so a caller can tell whether an action changed the design.
class TDesigner : public System::TInterfacedObject, public IDesigner {
  OV_CLASS(TDesigner, System::TInterfacedObject)
public:
  explicit TDesigner(Classes::TComponent* ARoot);
  ~TDesigner() override;
  TDesigner(const TDesigner&) = delete;
  TDesigner& operator=(const TDesigner&) = delete;

  void Modified() override;
  Classes::TComponent* GetRoot() override { return FRoot; }
  Classes::TComponent* GetComponent(const std::string& Name) override;
  std::string GetComponentName(Classes::TComponent* Component) override;
  void GetComponentNames(TClass ComponentClass, const TGetStrProc& Proc) override;
  std::string UniqueName(const std::string& BaseName) override;
  Classes::TComponent* CreateComponent(TClass ComponentClass, Classes::TComponent* Parent, int Left,
                                       int Top, int Width, int Height) override;
  void SelectComponent(Classes::TPersistent* Instance) override;
  std::vector<Classes::TPersistent*> GetSelections() override;
  void SetSelections(const std::vector<Classes::TPersistent*>& Selections) override;

  // How many times Modified was called since the designer was made or the
  // count was last reset.
  int ModifiedCount() const { return FModifiedCount; }
  bool IsModified() const { return FModifiedCount > 0; }
  void ResetModified() { FModifiedCount = 0; }

  std::function<void()> OnModified;

private:
  class TRootWatcher;
  friend class TRootWatcher;
  void RootFreed(Classes::TComponent* AComponent);

  Classes::TComponent* FRoot;
  std::unique_ptr<TRootWatcher> FWatcher;
  std::vector<Classes::TPersistent*> FSelections;
  int FModifiedCount = 0;
};

// The designer of the root that Instance belongs to (its topmost owner, found
// through GetOwner, so collection items and fields work too), or null when no
// designer has that root.
IDesigner* FindRootDesigner(const Classes::TPersistent* Instance);

} // namespace DesignIntf
