// The host's collection editor: a dialog listing the items of a collection
// property of a component (by their display names), with buttons that add,
// delete and move items as the caller's options allow. Each change tells
// the designer (Modified); choosing an item selects it in the designer, so
// the Object Inspector can show it.
#pragma once

#include "designide/DesignIntf/Designer.hpp"
#include "rtl/Classes.hpp"
#include "vcl/Forms.hpp"

#include <string>

namespace StdCtrls {
class TButton;
class TListBox;
} // namespace StdCtrls

namespace ColnEdit {

using Classes::TCollection;
using Classes::TComponent;
using DesignIntf::IDesigner;

enum class TColOption { coAdd, coDelete, coMove };
OV_ENUM(TColOption, "coAdd", "coDelete", "coMove")
OV_SET(TColOptions, TColOption)

inline constexpr TColOptions AllColOptions{TColOption::coAdd, TColOption::coDelete,
                                           TColOption::coMove};

// The dialog; its layout is the stored form TCOLLECTIONEDITOR. A caller may
// pass a descendant class to ShowCollectionEditorClass.
class TCollectionEditor : public Forms::TForm {
  OV_CLASS(TCollectionEditor, Forms::TForm)
public:
  explicit TCollectionEditor(TComponent* AOwner);
  ~TCollectionEditor() override;

  StdCtrls::TListBox* lbItems = nullptr;
  StdCtrls::TButton* btAdd = nullptr;
  StdCtrls::TButton* btDelete = nullptr;
  StdCtrls::TButton* btMoveUp = nullptr;
  StdCtrls::TButton* btMoveDown = nullptr;
  StdCtrls::TButton* btClose = nullptr;

  // What the dialog edits; captions it "Editing Component.PropertyName".
  void SetUp(IDesigner* ADesigner, TComponent* AComponent, TCollection* ACollection,
             const std::string& APropertyName, TColOptions AOptions);
  TCollection* Collection() const { return FCollection; }
  TColOptions Options() const { return FOptions; }
  // "0 - Name" for each item, as the list shows them.
  static std::string ItemText(const Classes::TCollectionItem* Item);

  void lbItemsClick(System::TObject* Sender);
  void btAddClick(System::TObject* Sender);
  void btDeleteClick(System::TObject* Sender);
  void btMoveUpClick(System::TObject* Sender);
  void btMoveDownClick(System::TObject* Sender);

protected:
  void Notification(TComponent* AComponent, Classes::TOperation Operation) override;

private:
  void UpdateList(int Selected);
  void UpdateButtons();
  void Changed(int Selected);
  void MoveBy(int Delta);

  System::TInterfaceRef<IDesigner> FDesigner;
  TComponent* FComponent = nullptr;
  TCollection* FCollection = nullptr;
  std::string FPropertyName;
  TColOptions FOptions;
};

// Runs the collection editor of class CollectionEditorClass (TCollectionEditor
// or a descendant) modally on the collection property PropertyName of
// AComponent. Raises EInvalidOperation naming what is missing when there is
// no component or collection, or the class is no collection editor.
void ShowCollectionEditorClass(IDesigner* ADesigner, System::TClass CollectionEditorClass,
                               TComponent* AComponent, TCollection* ACollection,
                               const std::string& PropertyName,
                               TColOptions ColOptions = AllColOptions);

} // namespace ColnEdit
