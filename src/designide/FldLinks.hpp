// Master-detail links: the property editor of a detail dataset's
// MasterFields and the field link designer it runs. The designer learns
// about the detail dataset only through the editor's nine link operations
// (a descendant may point them at a working copy of the dataset), and about
// the master through the detail's MasterSource.
#pragma once

#include "db/DB.hpp"
#include "designide/DesignEditors.hpp"
#include "vcl/Forms.hpp"

#include <string>
#include <utility>
#include <vector>

namespace StdCtrls {
class TButton;
class TComboBox;
class TLabel;
class TListBox;
} // namespace StdCtrls

namespace FldLinks {

using Classes::TComponent;

// The text of the index list's entry that stands for the primary index. The
// link operations map it to an empty index name; it is the same text as the
// runtime package's name for the primary index.
std::string SPrimaryIndexEntry();

// The editor of a detail dataset's MasterFields. Its Edit runs the field
// link designer; when the developer confirms a changed link it writes the
// master fields (SetMasterFields), sets the flag LinkChanged and tells the
// designer. The virtual operations after the property editor's, in this
// order: GetFieldNamesForIndex, GetIndexBased, GetIndexDefs,
// GetIndexFieldNames, GetIndexName, GetMasterFields, SetIndexFieldNames,
// SetIndexName, SetMasterFields; then the constructor taking a dataset.
// By default they work on the edited dataset through its published
// IndexName, IndexFieldNames, MasterFields and IndexDefs and its provider
// support.
class TFieldLinkProperty : public DesignEditors::TStringProperty {
  OV_CLASS(TFieldLinkProperty, DesignEditors::TStringProperty)
public:
  TFieldLinkProperty() = default;
  // An editor of ADataSet's link without a selection (no property entries).
  explicit TFieldLinkProperty(DB::TDataSet* ADataSet, DesignIntf::IDesigner* ADesigner = nullptr);

  DesignIntf::TPropertyAttributes GetAttributes() override;
  void Edit() override;

  // Adds the names of the fields of the current index, in index order.
  virtual void GetFieldNamesForIndex(Classes::TStrings* List);
  // Whether the detail side is chosen by index: the dataset is not
  // SQL-based.
  virtual bool GetIndexBased();
  virtual DB::TIndexDefs* GetIndexDefs();
  virtual std::string GetIndexFieldNames();
  virtual std::string GetIndexName();
  virtual std::string GetMasterFields();
  virtual void SetIndexFieldNames(const std::string& Value);
  // SPrimaryIndexEntry selects the primary index (an empty name).
  virtual void SetIndexName(const std::string& Value);
  virtual void SetMasterFields(const std::string& Value);

  // The dataset whose link is edited.
  DB::TDataSet* GetDataSet();
  // Set by Edit when the developer confirmed a changed link.
  bool LinkChanged() const { return FLinkChanged; }

protected:
  bool FLinkChanged = false;

private:
  DB::TDataSet* FDataSet = nullptr;
};

// The field link designer; its layout is the stored form TLINKFIELDS.
class TLinkFields : public Forms::TForm {
  OV_CLASS(TLinkFields, Forms::TForm)
public:
  explicit TLinkFields(TComponent* AOwner);
  ~TLinkFields() override;

  StdCtrls::TLabel* lblIndexes = nullptr;
  StdCtrls::TComboBox* cbIndexes = nullptr;
  StdCtrls::TLabel* lblDetail = nullptr;
  StdCtrls::TListBox* lbDetail = nullptr;
  StdCtrls::TLabel* lblMaster = nullptr;
  StdCtrls::TListBox* lbMaster = nullptr;
  StdCtrls::TLabel* lblJoined = nullptr;
  StdCtrls::TListBox* lbJoined = nullptr;
  StdCtrls::TButton* btAdd = nullptr;
  StdCtrls::TButton* btDelete = nullptr;
  StdCtrls::TButton* btClear = nullptr;
  StdCtrls::TButton* btOk = nullptr;
  StdCtrls::TButton* btCancel = nullptr;

  // Reads the link through Link's operations and the master's fields
  // through the detail's MasterSource (EInvalidOperation when it has none;
  // errors of the database pass on).
  void SetUp(TFieldLinkProperty* Link);
  // The joined pairs, detail field first.
  const std::vector<std::pair<std::string, std::string>>& Joined() const { return FJoined; }
  // The master fields of the joined pairs, separated by semicolons.
  std::string MasterFieldsText() const;
  // Whether the link differs from what it was: other master fields or
  // another index.
  bool Changed() const;
  // Puts back the index the detail had before the dialog changed it.
  void RestoreIndex();

  void cbIndexesChange(System::TObject* Sender);
  void ListClick(System::TObject* Sender);
  void btAddClick(System::TObject* Sender);
  void btDeleteClick(System::TObject* Sender);
  void btClearClick(System::TObject* Sender);

private:
  void ReadIndexFields();
  void UpdateLists();
  void UpdateButtons();

  TFieldLinkProperty* FLink = nullptr;
  bool FIndexBased = false;
  std::vector<std::string> FDetailFields; // the current index's fields, or all fields
  std::vector<std::string> FMasterFields;
  std::vector<std::pair<std::string, std::string>> FJoined;
  std::string FOriginalMasterFields;
  std::string FOriginalIndexName;
  std::string FOriginalIndexFieldNames;
  bool FIndexChanged = false;
};

} // namespace FldLinks
