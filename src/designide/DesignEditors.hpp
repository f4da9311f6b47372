// Component editors and property editors: the bases that packages derive
// their editors from, the host's standard property editors, and the rules by
// which the host picks an editor for a component or a property.
//
// Class references play the platform's virtual constructors: the host
// creates an editor from the class a package registered. A component editor
// class is created with its component (the constructor taking the component
// and, optionally, the designer: derive with `using inherited::inherited;`
// or keep a constructor taking TComponent*); a property editor class needs a
// default constructor (again `using inherited::inherited;` or none at all).
// The host then hands the editor its designer and, for property editors,
// calls SetPropEntry for each selected instance and Initialize.
#pragma once

#include "designide/DesignIntf/Designer.hpp"
#include "rtl/Classes.hpp"
#include "rtl/System.hpp"
#include "rtl/TypInfo.hpp"

#include <functional>
#include <memory>
#include <string>
#include <vector>

namespace Menus {
class TMenuItem;
}

namespace DesignEditors {

using Classes::TComponent;
using Classes::TPersistent;
using DesignIntf::IDesigner;
using DesignIntf::TGetStrProc;
using DesignIntf::TPropertyAttribute;
using DesignIntf::TPropertyAttributes;
using System::TClass;
using System::TInterfaceRef;
using TypInfo::TPropInfo;
using TypInfo::TTypeInfo;

// Component editors ---------------------------------------------------------

// The context-menu verbs and double-click action of a component. Descendants
// number their verbs after their parent's (asking inherited::GetVerbCount),
// handle their own indexes and pass the others to the parent; a caption "-"
// is a separator. The virtual operations, in this order: the constructor
// (with the component and the designer), Edit, ExecuteVerb, GetVerb,
// GetVerbCount, Copy, PrepareItem.
class TComponentEditor : public System::TObject {
  OV_CLASS(TComponentEditor, System::TObject)
public:
  explicit TComponentEditor(TComponent* AComponent, IDesigner* ADesigner = nullptr);
  ~TComponentEditor() override;
  TComponentEditor(const TComponentEditor&) = delete;
  TComponentEditor& operator=(const TComponentEditor&) = delete;

  // The double-click: the first verb, when there is one.
  virtual void Edit();
  // An index that no class of the chain owns does nothing.
  virtual void ExecuteVerb(int Index);
  // An index that no class of the chain owns gives "".
  virtual std::string GetVerb(int Index);
  virtual int GetVerbCount();
  // Copies the component for the clipboard; the host has none: nothing.
  virtual void Copy();
  // Lets the editor adjust the menu item of a verb before the menu shows.
  virtual void PrepareItem(int Index, Menus::TMenuItem* AItem);

  TComponent* Component() const { return FComponent; }
  IDesigner* GetDesigner() const { return FDesigner.Get(); }

private:
  friend std::unique_ptr<TComponentEditor> CreateComponentEditor(TClass, TComponent*, IDesigner*);
  TComponent* FComponent;
  TInterfaceRef<IDesigner> FDesigner;
};

// The editor of a component whose class has no registration: no verbs; its
// double-click does nothing (the host has no code editor for event handlers).
class TDefaultEditor : public TComponentEditor {
  OV_CLASS(TDefaultEditor, TComponentEditor)
public:
  using inherited::inherited;
  void Edit() override {}
};

// Creates an editor of EditorClass for Component. Raises EInvalidOperation
// when EditorClass is no component editor class or cannot be created from
// its class reference.
std::unique_ptr<TComponentEditor> CreateComponentEditor(TClass EditorClass, TComponent* Component,
                                                        IDesigner* Designer);
// The editor class the host uses for Component: the most derived
// registration for its class, else TDefaultEditor.
TClass ComponentEditorClassOf(const TComponent* Component);
// An editor of that class for Component.
std::unique_ptr<TComponentEditor> GetComponentEditor(TComponent* Component, IDesigner* Designer);

// Property editors ----------------------------------------------------------

class TPropertyEditor;
using TGetPropProc = std::function<void(std::unique_ptr<TPropertyEditor> Prop)>;

// One selected instance and the property an editor edits in it.
struct TInstProp {
  TPersistent* Instance = nullptr;
  const TPropInfo* PropInfo = nullptr;
};

// Edits one property of one or more selected instances for the Object
// Inspector. The virtual operations, in this order: Initialize,
// SetPropEntry, the constructor, Activate, AllEqual, AutoFill, Edit,
// GetAttributes, GetEditLimit, GetName, GetProperties, GetPropInfo, GetValue,
// GetValues, SetValue.
//
// The value access below reads the first instance (or the one at an index)
// and writes all of them; a write tells the designer (Modified) when a value
// changed, and always for object values, whose changes it cannot see.
class TPropertyEditor : public System::TObject {
  OV_CLASS(TPropertyEditor, System::TObject)
public:
  TPropertyEditor() = default;
  TPropertyEditor(IDesigner* ADesigner, int APropCount);
  ~TPropertyEditor() override;
  TPropertyEditor(const TPropertyEditor&) = delete;
  TPropertyEditor& operator=(const TPropertyEditor&) = delete;

  // Called once all entries are set, before any other use.
  virtual void Initialize() {}
  virtual void SetPropEntry(int Index, TPersistent* AInstance, const TPropInfo* APropInfo);
  // The Object Inspector selected the property's row.
  virtual void Activate() {}
  // Whether all instances hold the same value; by default true for one.
  virtual bool AllEqual();
  // Whether the inspector may complete typed text from the value list.
  virtual bool AutoFill() { return true; }
  // The ellipsis or a double-click. By default, for a value list, the value
  // after the current one (the first after the last).
  virtual void Edit();
  virtual TPropertyAttributes GetAttributes();
  virtual int GetEditLimit() { return 255; }
  virtual std::string GetName();
  // Sub-properties, one editor each; by default none.
  virtual void GetProperties(const TGetPropProc& Proc) {}
  virtual const TPropInfo* GetPropInfo();
  virtual std::string GetValue();
  virtual void GetValues(const TGetStrProc& Proc) {}
  virtual void SetValue(const std::string& Value) {}

  TPersistent* GetComponent(int Index) const;
  int PropCount() const { return static_cast<int>(FPropList.size()); }
  IDesigner* Designer() const { return FDesigner.Get(); }
  const TTypeInfo* GetPropType();
  // The value the inspector shows: GetValue, or "" when the instances
  // disagree.
  std::string GetVisualValue();
  // GetValues gathered into a vector.
  std::vector<std::string> ValueList();

  int64_t GetOrdValue() const { return GetOrdValueAt(0); }
  int64_t GetOrdValueAt(int Index) const;
  std::string GetStrValue() const { return GetStrValueAt(0); }
  std::string GetStrValueAt(int Index) const;
  double GetFloatValue() const { return GetFloatValueAt(0); }
  double GetFloatValueAt(int Index) const;
  // The name of the published method an event is bound to.
  std::string GetMethodValue() const { return GetMethodValueAt(0); }
  std::string GetMethodValueAt(int Index) const;
  System::TObject* GetObjectValue() const { return GetObjectValueAt(0); }
  System::TObject* GetObjectValueAt(int Index) const;

protected:
  void SetOrdValue(int64_t Value);
  void SetStrValue(const std::string& Value);
  void SetFloatValue(double Value);
  // Binds the event of every instance to the published method MethodName of
  // the designer's root ("" unbinds).
  void SetMethodValue(const std::string& MethodName);
  void SetObjectValue(System::TObject* Value);
  // Tells the designer that the design changed.
  void Modified();
  // "Invalid property value 'X' for Name: Why" as EPropertyError.
  [[noreturn]] void InvalidValue(const std::string& Value, const std::string& Why);
  const TInstProp& Entry(int Index) const;
  const std::vector<TInstProp>& PropList() const { return FPropList; }
  // Writes NewValue(old value) into the ordinal property of each instance.
  void SetOrdValueEach(const std::function<int64_t(int64_t Old)>& NewValue);

private:
  friend std::unique_ptr<TPropertyEditor> CreatePropertyEditor(TClass, IDesigner*,
                                                               const std::vector<TInstProp>&);
  // Runs Write for each entry (true when it changed the value) and tells the
  // designer when something changed, also when a later write fails.
  void SetEach(const std::function<bool(const TInstProp& Entry)>& Write);
  TInterfaceRef<IDesigner> FDesigner;
  std::vector<TInstProp> FPropList;
};

class TOrdinalProperty : public TPropertyEditor {
  OV_CLASS(TOrdinalProperty, TPropertyEditor)
public:
  using inherited::inherited;
  bool AllEqual() override;
  int GetEditLimit() override { return 63; }
};

class TIntegerProperty : public TOrdinalProperty {
  OV_CLASS(TIntegerProperty, TOrdinalProperty)
public:
  using inherited::inherited;
  // The type's identifier for the value when it has one (clBtnFace for a
  // colour), else the number.
  std::string GetValue() override;
  // An identifier of the type, or a number: decimal, or hexadecimal after $
  // or 0x, within the 32-bit range.
  void SetValue(const std::string& Value) override;
};

class TInt64Property : public TPropertyEditor {
  OV_CLASS(TInt64Property, TPropertyEditor)
public:
  using inherited::inherited;
  bool AllEqual() override;
  int GetEditLimit() override { return 63; }
  std::string GetValue() override;
  void SetValue(const std::string& Value) override;
};

// A character: shown as itself, or as #n when it is a control character.
class TCharProperty : public TOrdinalProperty {
  OV_CLASS(TCharProperty, TOrdinalProperty)
public:
  using inherited::inherited;
  std::string GetValue() override;
  // One character, or #n with n from 0 to 255.
  void SetValue(const std::string& Value) override;
};

class TEnumProperty : public TOrdinalProperty {
  OV_CLASS(TEnumProperty, TOrdinalProperty)
public:
  using inherited::inherited;
  TPropertyAttributes GetAttributes() override;
  std::string GetValue() override;
  void GetValues(const TGetStrProc& Proc) override;
  // A name of the enumeration, in any case.
  void SetValue(const std::string& Value) override;
};

// The enumeration editor over False and True.
class TBoolProperty : public TEnumProperty {
  OV_CLASS(TBoolProperty, TEnumProperty)
public:
  using inherited::inherited;
  std::string GetValue() override;
  void GetValues(const TGetStrProc& Proc) override;
  void SetValue(const std::string& Value) override;
};

// A set: shown as [a,b]; unfolds into one False/True sub-property per
// element. Its text can also be typed as [a,b] (brackets optional).
class TSetProperty : public TOrdinalProperty {
  OV_CLASS(TSetProperty, TOrdinalProperty)
public:
  using inherited::inherited;
  TPropertyAttributes GetAttributes() override;
  void GetProperties(const TGetPropProc& Proc) override;
  std::string GetValue() override;
  void SetValue(const std::string& Value) override;
};

// One element of a set, as a Boolean: whether the set holds it.
class TSetElementProperty : public TPropertyEditor {
  OV_CLASS(TSetElementProperty, TPropertyEditor)
public:
  TSetElementProperty() = default;
  bool AllEqual() override;
  TPropertyAttributes GetAttributes() override;
  std::string GetName() override;
  std::string GetValue() override;
  void GetValues(const TGetStrProc& Proc) override;
  void SetValue(const std::string& Value) override;
  int Element() const { return FElement; }

private:
  friend class TSetProperty;
  int FElement = 0;
};

class TFloatProperty : public TPropertyEditor {
  OV_CLASS(TFloatProperty, TPropertyEditor)
public:
  using inherited::inherited;
  bool AllEqual() override;
  std::string GetValue() override;
  void SetValue(const std::string& Value) override;
};

class TStringProperty : public TPropertyEditor {
  OV_CLASS(TStringProperty, TPropertyEditor)
public:
  using inherited::inherited;
  bool AllEqual() override;
  int GetEditLimit() override { return 255; }
  std::string GetValue() override;
  void SetValue(const std::string& Value) override;
};

// A component's Name: a string that no multiple selection shares.
class TComponentNameProperty : public TStringProperty {
  OV_CLASS(TComponentNameProperty, TStringProperty)
public:
  using inherited::inherited;
  TPropertyAttributes GetAttributes() override;
  int GetEditLimit() override { return 63; }
};

// An object property: shown as (TClassName); unfolds into the object's own
// published properties. Its value cannot be typed.
class TClassProperty : public TPropertyEditor {
  OV_CLASS(TClassProperty, TPropertyEditor)
public:
  using inherited::inherited;
  TPropertyAttributes GetAttributes() override;
  void GetProperties(const TGetPropProc& Proc) override;
  std::string GetValue() override;
};

// An event: the name of the root's published method it is bound to.
class TMethodProperty : public TPropertyEditor {
  OV_CLASS(TMethodProperty, TPropertyEditor)
public:
  using inherited::inherited;
  bool AllEqual() override;
  TPropertyAttributes GetAttributes() override;
  int GetEditLimit() override { return 63; }
  std::string GetValue() override;
  // The published methods of the designer's root.
  void GetValues(const TGetStrProc& Proc) override;
  // A published method of the root; "" unbinds.
  void SetValue(const std::string& Value) override;
};

// A reference to another component of the design, by name.
class TComponentProperty : public TPropertyEditor {
  OV_CLASS(TComponentProperty, TPropertyEditor)
public:
  using inherited::inherited;
  bool AllEqual() override;
  TPropertyAttributes GetAttributes() override;
  int GetEditLimit() override { return 127; }
  std::string GetValue() override;
  // The root's components of the property's class.
  void GetValues(const TGetStrProc& Proc) override;
  // A component of the design of the property's class; "" clears.
  void SetValue(const std::string& Value) override;
};

// Creates an editor of EditorClass over Props (one entry per selected
// instance): the entries are set and Initialize is called. Raises
// EInvalidOperation when EditorClass is no property editor class or cannot
// be created from its class reference.
std::unique_ptr<TPropertyEditor> CreatePropertyEditor(TClass EditorClass, IDesigner* Designer,
                                                      const std::vector<TInstProp>& Props);

// The host's editor for a property of that kind when no registration names
// one: TComponentNameProperty for TComponent's Name, TBoolProperty for
// Boolean, TEnumProperty, TIntegerProperty, TInt64Property, TCharProperty,
// TFloatProperty, TStringProperty, TSetProperty, TComponentProperty for
// component references, TClassProperty for other objects, TMethodProperty.
TClass DefaultPropertyEditorClass(const TPropInfo* Prop);

// The editor class for the property Prop of an instance of InstanceClass, as
// the Object Inspector chooses it: the most specific registration for the
// property's type, the instance's class and the property's name; else the
// default editor. Null when a registration hides the property.
TClass PropertyEditorClassOf(TClass InstanceClass, const TPropInfo* Prop);

// The editors of the published properties that all of Selection share (the
// same name and type, and the same editor class for each instance), in the
// first instance's declaration order. A property needs a getter, and a
// setter unless it holds an object; with several instances, only editors
// with paMultiSelect are given.
void GetComponentProperties(const std::vector<TPersistent*>& Selection, IDesigner* Designer,
                            const TGetPropProc& Proc);

} // namespace DesignEditors
