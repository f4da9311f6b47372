// The host's Object Inspector, as a model: for a selection of one or more
// components (or other persistent objects), the properties they share, each
// with the property editor the host chooses for it (DesignEditors), its
// value, attributes, categories, value list and sub-properties. Values are
// read and written only through the editors. The command-line host and the
// designer window show this model.
#pragma once

#include "designide/DesignEditors.hpp"

#include <memory>
#include <string>
#include <string_view>
#include <vector>

namespace ObjectInspector {

using Classes::TPersistent;
using DesignEditors::TPropertyEditor;
using DesignIntf::IDesigner;
using DesignIntf::TPropertyAttributes;

class TObjectInspector;

// One row of the inspector: a property and its editor.
class TInspectorProperty {
public:
  TInspectorProperty(TObjectInspector* AOwner, TInspectorProperty* AParent,
                     std::unique_ptr<TPropertyEditor> AEditor);
  ~TInspectorProperty();
  TInspectorProperty(const TInspectorProperty&) = delete;
  TInspectorProperty& operator=(const TInspectorProperty&) = delete;

  std::string Name() const;
  // The dotted path from the top row ("Font.Name", "Options.ixUnique").
  std::string Path() const;
  TPropertyEditor* Editor() const { return FEditor.get(); }
  std::string EditorClassName() const;
  TPropertyAttributes Attributes() const;
  bool AllEqual() const;
  // What the inspector shows: the editor's value, or "" when the selected
  // instances disagree.
  std::string Value() const;
  // The categories the property belongs to (RegisterPropertiesInCategory),
  // a sub-property those of its top row; empty when it is in none.
  const std::vector<std::string>& Categories() const { return FCategories; }
  // The first category, or "" for an uncategorised property.
  std::string Category() const;
  // The drop-down list, sorted (without regard to case) when the editor asks
  // for it with paSortList.
  std::vector<std::string> Values() const;
  // Sets the property through its editor. Raises EPropertyError naming the
  // component, property and value when the editor refuses it or the
  // property is read-only (paReadOnly); errors of the component's setter are
  // reported with the component, property and value in front.
  void SetValue(const std::string& Value);
  // The ellipsis button (or a double-click) through the editor.
  void Edit();
  // The sub-properties (for paSubProperties), made on first use.
  const std::vector<std::unique_ptr<TInspectorProperty>>& SubProperties();
  TInspectorProperty* Parent() const { return FParent; }

private:
  friend class TObjectInspector;
  std::string Where() const;

  TObjectInspector* FOwner;
  TInspectorProperty* FParent;
  std::unique_ptr<TPropertyEditor> FEditor;
  std::vector<std::string> FCategories;
  std::vector<std::unique_ptr<TInspectorProperty>> FSubProperties;
  bool FSubPropertiesMade = false;
};

class TObjectInspector {
public:
  TObjectInspector(IDesigner* ADesigner, std::vector<TPersistent*> ASelection);
  ~TObjectInspector();
  TObjectInspector(const TObjectInspector&) = delete;
  TObjectInspector& operator=(const TObjectInspector&) = delete;

  // Makes the rows afresh (after a change that may have changed others).
  void Refresh();

  const std::vector<std::unique_ptr<TInspectorProperty>>& Properties() const { return FProperties; }
  // The row of a dotted path (any case), reaching into sub-properties; null
  // when there is none.
  TInspectorProperty* Find(std::string_view Path);
  // As Find, raising EPropertyError naming the selection and the path when
  // there is no such row: the property does not exist, or the selection
  // does not share it, or its editor hides it.
  TInspectorProperty& Get(std::string_view Path);

  IDesigner* Designer() const { return FDesigner.Get(); }
  const std::vector<TPersistent*>& Selection() const { return FSelection; }
  // The selected objects' names for messages: "OVQuery1" or
  // "OVQuery1, OVQuery2".
  std::string SelectionText() const;

private:
  System::TInterfaceRef<IDesigner> FDesigner;
  std::vector<TPersistent*> FSelection;
  std::vector<std::unique_ptr<TInspectorProperty>> FProperties;
};

} // namespace ObjectInspector
