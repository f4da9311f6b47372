#include "designide/DBReg.hpp"

#include "db/DB.hpp"
#include "designide/DSDesign.hpp"
#include "designide/DesignIntf.hpp"
#include "designide/TreeIntf.hpp"

namespace DBReg {

using DesignIntf::TPropertyAttribute;

OV_CLASS_IMPL(TDataSetEditor, DesignEditors::TComponentEditor, "DBReg")
OV_CLASS_IMPL(TIndexNameProperty, DesignEditors::TStringProperty, "DBReg")
OV_CLASS_IMPL(TIndexFieldNamesProperty, DesignEditors::TStringProperty, "DBReg")

std::string SDataSetDesignerVerb() {
  return "Fields Edi&tor...";
}

namespace {

enum TDataSetVerb { dvFieldsEditor, dvCount };

} // namespace

void TDataSetEditor::ExecuteVerb(int Index) {
  if (Index == dvFieldsEditor)
    DSDesign::ShowFieldsEditor(GetDesigner(), System::As<DB::TDataSet>(Component()),
                               GetDSDesignerClass());
}

std::string TDataSetEditor::GetVerb(int Index) {
  return Index == dvFieldsEditor ? SDataSetDesignerVerb() : std::string();
}

int TDataSetEditor::GetVerbCount() {
  return dvCount;
}

System::TClass TDataSetEditor::GetDSDesignerClass() {
  return DSDesign::TDSDesigner::StaticClass();
}

namespace {

DB::TIndexDefs* IndexDefsOf(Classes::TPersistent* Instance) {
  auto* DataSet = System::As<DB::TDataSet>(static_cast<System::TObject*>(Instance));
  DB::TIndexDefs* Defs = DataSet->PSGetIndexDefs();
  if (!Defs) {
    const TypInfo::TPropInfo* P = TypInfo::GetPropInfo(DataSet, "IndexDefs");
    if (P && P->PropType->Kind == TypInfo::TTypeKind::tkClass)
      Defs = dynamic_cast<DB::TIndexDefs*>(TypInfo::GetObjectProp(DataSet, P));
  }
  if (Defs)
    Defs->Update();
  return Defs;
}

DesignIntf::TPropertyAttributes IndexListAttributes() {
  return {TPropertyAttribute::paMultiSelect, TPropertyAttribute::paValueList,
          TPropertyAttribute::paSortList, TPropertyAttribute::paRevertable};
}

} // namespace

DesignIntf::TPropertyAttributes TIndexNameProperty::GetAttributes() {
  return IndexListAttributes();
}

void TIndexNameProperty::GetValues(const DesignIntf::TGetStrProc& Proc) {
  if (DB::TIndexDefs* Defs = IndexDefsOf(GetComponent(0)))
    for (int I = 0; I < Defs->Count(); ++I)
      if (!Defs->Items(I)->GetName().empty())
        Proc(Defs->Items(I)->GetName());
}

DesignIntf::TPropertyAttributes TIndexFieldNamesProperty::GetAttributes() {
  return IndexListAttributes();
}

void TIndexFieldNamesProperty::GetValues(const DesignIntf::TGetStrProc& Proc) {
  if (DB::TIndexDefs* Defs = IndexDefsOf(GetComponent(0)))
    for (int I = 0; I < Defs->Count(); ++I)
      if (!Defs->Items(I)->GetFields().empty())
        Proc(Defs->Items(I)->GetFields());
}

void Register() {
  DesignIntf::RegisterComponentEditor(DB::TDataSet::StaticClass(), TDataSetEditor::StaticClass());
  TreeIntf::RegisterSprigType(DB::TDataSet::StaticClass(), DSDesign::TDataSetSprig::StaticClass());
}

} // namespace DBReg
