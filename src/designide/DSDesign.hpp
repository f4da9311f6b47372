// The host's dataset designer: the fields editor that lists a dataset's
// persistent fields and offers the fields the live database describes to be
// added as persistent fields, and the object tree's node for datasets.
#pragma once

#include "db/DB.hpp"
#include "designide/DesignIntf/Designer.hpp"
#include "designide/TreeIntf/Sprigs.hpp"
#include "vcl/Forms.hpp"

#include <functional>
#include <string>
#include <vector>

namespace StdCtrls {
class TButton;
class TListBox;
class TLabel;
} // namespace StdCtrls

namespace DSDesign {

using Classes::TComponent;
using DesignIntf::IDesigner;

// What the fields editor asks of a dataset. A dataset editor names its
// designer class (TDataSetEditor::GetDSDesignerClass); the class is created
// with the dataset.
class TDSDesigner : public System::TObject {
  OV_CLASS(TDSDesigner, System::TObject)
public:
  // EInvalidCast when ADataSet is no dataset.
  explicit TDSDesigner(TComponent* ADataSet);
  ~TDSDesigner() override;

  DB::TDataSet* DataSet() const { return FDataSet; }
  // Fills the dataset's FieldDefs as the live database describes them: an
  // open dataset has them; a closed one is opened and closed again. Errors of
  // the connection pass on.
  virtual void UpdateFieldDefs();
  // The persistent fields of the dataset, in field order.
  std::vector<DB::TField*> PersistentFields() const;
  // The described fields that have no persistent field yet, in the order of
  // the definitions.
  std::vector<std::string> AvailableFieldNames() const;
  // Makes persistent fields of the described fields Names: components owned
  // by Owner (the design's root), named after the dataset and the field
  // (OVTable1CUSTNO, with a number after it when that is taken), of the
  // field type's class, in the dataset's field list. A dataset that is open
  // is closed for this and opened again. Raises EDatabaseError for a name
  // the database does not describe, or one that has a persistent field
  // already; then nothing is added.
  std::vector<DB::TField*> AddFields(TComponent* Owner, const std::vector<std::string>& Names);
  // Frees the persistent fields (closing and reopening an open dataset).
  void DeleteFields(const std::vector<DB::TField*>& Fields);
  // The component name a new persistent field of FieldName gets in Owner.
  std::string FieldComponentName(TComponent* Owner, const std::string& FieldName) const;

private:
  DB::TDataSet* FDataSet;
};

// The fields editor dialog; its layout is the stored form TFIELDSEDITOR.
class TFieldsEditor : public Forms::TForm {
  OV_CLASS(TFieldsEditor, Forms::TForm)
public:
  explicit TFieldsEditor(TComponent* AOwner);
  ~TFieldsEditor() override;

  StdCtrls::TLabel* lblFields = nullptr;
  StdCtrls::TListBox* lbFields = nullptr;
  StdCtrls::TLabel* lblAvailable = nullptr;
  StdCtrls::TListBox* lbAvailable = nullptr;
  StdCtrls::TButton* btAdd = nullptr;
  StdCtrls::TButton* btAddAll = nullptr;
  StdCtrls::TButton* btDelete = nullptr;
  StdCtrls::TButton* btClose = nullptr;

  // Asks the dataset designer for the described fields (errors of the
  // connection pass on) and fills the lists; captions the dialog
  // "Root.DataSet".
  void SetUp(IDesigner* ADesigner, TDSDesigner* ADSDesigner);
  void UpdateLists();

  void btAddClick(System::TObject* Sender);
  void btAddAllClick(System::TObject* Sender);
  void btDeleteClick(System::TObject* Sender);
  void ListClick(System::TObject* Sender);

private:
  void UpdateButtons();
  void Change(const std::function<void()>& Action);
  void Add(const std::vector<std::string>& Names);
  TComponent* FieldOwner() const;

  System::TInterfaceRef<IDesigner> FDesigner;
  TDSDesigner* FDSDesigner = nullptr;
  std::vector<DB::TField*> FFields;
  std::vector<std::string> FAvailable;
};

// Runs the fields editor modally for ADataSet with a dataset designer of
// DesignerClass (TDSDesigner or a descendant; null: TDSDesigner). Raises
// EInvalidOperation for a missing dataset or a class that is no dataset
// designer; errors of the database pass on before the dialog shows.
void ShowFieldsEditor(IDesigner* Designer, DB::TDataSet* ADataSet, System::TClass DesignerClass);

// The object tree's node of a dataset: its persistent fields hang under it
// (a field's parent component is its dataset).
class TDataSetSprig : public TreeIntf::TComponentSprig {
  OV_CLASS(TDataSetSprig, TreeIntf::TComponentSprig)
public:
  using inherited::inherited;
  // The dataset designer class of the dataset's fields editor.
  virtual System::TClass DSDesignerClass() { return TDSDesigner::StaticClass(); }
};

} // namespace DSDesign
