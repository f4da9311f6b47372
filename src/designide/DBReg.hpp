// The host's editors for datasets: the dataset component editor (whose
// verb opens the fields editor) and the value lists of a table's IndexName
// and IndexFieldNames, read from its index definitions.
#pragma once

#include "designide/DesignEditors.hpp"

namespace DBReg {

// A dataset's component editor: one verb, the fields editor, which a
// double-click runs too. GetDSDesignerClass names the dataset designer class
// the fields editor works with.
class TDataSetEditor : public DesignEditors::TComponentEditor {
  OV_CLASS(TDataSetEditor, DesignEditors::TComponentEditor)
public:
  using inherited::inherited;
  void ExecuteVerb(int Index) override;
  std::string GetVerb(int Index) override;
  int GetVerbCount() override;
  virtual System::TClass GetDSDesignerClass();
};

// The names of the index definitions of the (first) dataset, read afresh
// from the database (IndexDefs.Update); errors of the database pass on.
class TIndexNameProperty : public DesignEditors::TStringProperty {
  OV_CLASS(TIndexNameProperty, DesignEditors::TStringProperty)
public:
  using inherited::inherited;
  DesignIntf::TPropertyAttributes GetAttributes() override;
  void GetValues(const DesignIntf::TGetStrProc& Proc) override;
};

// The field lists ("A;B") of the (first) dataset's index definitions.
class TIndexFieldNamesProperty : public DesignEditors::TStringProperty {
  OV_CLASS(TIndexFieldNamesProperty, DesignEditors::TStringProperty)
public:
  using inherited::inherited;
  DesignIntf::TPropertyAttributes GetAttributes() override;
  void GetValues(const DesignIntf::TGetStrProc& Proc) override;
};

// "Fields Edi&tor...": the caption of TDataSetEditor's verb.
std::string SDataSetDesignerVerb();

// Registers the host's own database editors for the platform's classes:
// TDataSetEditor for datasets and the dataset tree node for datasets.
// The host calls it once, under its own registration scope, before it
// loads design packages, whose registrations for their classes are more
// specific.
void Register();

} // namespace DBReg
