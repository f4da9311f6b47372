// Component editors: the verbs and double-click actions of the runtime
// components, and the routines their verbs share with the property editors.
#include "dclorvane60/OVReg.hpp"

#include "dclorvane60/OVAbout.hpp"
#include "dclorvane60/OVUpdSEd.hpp"
#include "designide/ColnEdit.hpp"
#include "designide/DSDesign.hpp"
#include "designide/DesignIntf.hpp"
#include "orvane60/OVCommon.hpp"
#include "orvane60/OVConsts.hpp"
#include "orvane60/OVCsbSrv.hpp"
#include "orvane60/OVDlgs.hpp"
#include "rtl/ScopeGuard.hpp"

namespace OVReg {

using namespace OVEngine;
using ColnEdit::TColOption;
using ColnEdit::TColOptions;
using System::As;

OV_CLASS_IMPL(TOVDefaultEditor, DesignEditors::TComponentEditor, "OVReg")
OV_CLASS_IMPL(TOVScriptEditor, TOVDefaultEditor, "OVReg")
OV_CLASS_IMPL(TOVUpdateSQLEditor, TOVDefaultEditor, "OVReg")
OV_CLASS_IMPL(TOVDataSetEditor, DBReg::TDataSetEditor, "OVReg")
OV_CLASS_IMPL(TOVQueryEditor, TOVDataSetEditor, "OVReg")
OV_CLASS_IMPL(TOVStoredProcEditor, TOVDataSetEditor, "OVReg")

namespace {

// The macro query's editor is the unit's own: other units reach it only
// through the registration.
class TOVMacroQueryEditor : public TOVQueryEditor {
  OV_CLASS(TOVMacroQueryEditor, TOVQueryEditor)
public:
  using inherited::inherited;
  void ExecuteVerb(int Index) override;
  std::string GetVerb(int Index) override;
  int GetVerbCount() override;
};

// Verb indexes. An editor's own verbs follow its parent's, so they count
// from the parent's verb count; the dataset editor's are its whole list.
enum TDefaultVerb { fvAbout, fvCount };                        // after the component editor's
enum TUpdateSQLVerb { uvSeparator, uvEditUpdateSQL, uvCount }; // after the default editor's
enum TDataSetVerb { svAbout, svSeparator, svFieldsEditor, svCount };
// After the dataset editor's; qvEditSQL only while the SQL editor is enabled.
enum TQueryVerb { qvParams, qvEditSQL };
enum TMacroQueryVerb { mvMacros, mvCount }; // after the query editor's
enum TStoredProcVerb { pvParams, pvCount }; // after the dataset editor's

bool SQLEditorEnabled() {
  return DesignSettings && DesignSettings->SQLEditorEnabled();
}

} // namespace

OV_CLASS_IMPL(TOVMacroQueryEditor, TOVQueryEditor, "OVReg")

// Unit routines -----------------------------------------------------------------

std::string GetVersionVerbCaption() {
  std::string Name, Version;
  OVAbout::ReadProductVersion(Name, Version);
  return Name + " " + Version;
}

std::string GetDesignerRootName(DesignIntf::IDesigner* Designer) {
  Classes::TComponent* Root = Designer ? Designer->GetRoot() : nullptr;
  return Root ? Root->GetName() : std::string();
}

void EditQueryParams(DesignIntf::IDesigner* Designer, TOVQuery* Query) {
  ColnEdit::ShowCollectionEditorClass(Designer, ColnEdit::TCollectionEditor::StaticClass(), Query,
                                      Query ? Query->GetParams() : nullptr, "Params", {});
}

void EditQueryMacros(DesignIntf::IDesigner* Designer, TOVMacroQuery* Query) {
  ColnEdit::ShowCollectionEditorClass(Designer, ColnEdit::TCollectionEditor::StaticClass(), Query,
                                      Query ? Query->GetMacros() : nullptr, "Macros", {});
}

TOVDatabase* FindStoredProcDatabase(TOVStoredProc* Proc) {
  return Sessions()
      ->GetSessionByName(Proc->GetSessionName())
      ->FindDatabase(Proc->GetDatabaseName());
}

void EditStoredProcParams(DesignIntf::IDesigner* Designer, TOVStoredProc* Proc) {
  if (!Proc)
    throw SysUtils::EInvalidOperation("There is no stored procedure to edit the parameters of");
  if (Proc->GetParamsCount() == 0 && !Proc->GetPrepared())
    Proc->Prepare();
  // Whatever happens in the collection editor, a procedure that is prepared
  // now is unprepared again; errors go on after that.
  const ScopeGuard::TFinally UnPrepareAtEnd([Proc] {
    try {
      if (Proc->GetPrepared())
        Proc->UnPrepare();
    } catch (...) {
    }
  });
  TOVDatabase* Database = Proc->Database();
  if (!Database && !SysUtils::Trim(Proc->GetDatabaseName()).empty())
    Database = FindStoredProcDatabase(Proc);
  // Parameters the server described cannot be added or deleted.
  TColOptions Options;
  if (!(Database && Database->GetConnected() && Proc->DescriptionsAvailable()))
    Options = TColOptions{TColOption::coAdd, TColOption::coDelete};
  ColnEdit::ShowCollectionEditorClass(Designer, ColnEdit::TCollectionEditor::StaticClass(), Proc,
                                      Proc->GetParams(), "Params", Options);
  if (Proc->GetPrepared())
    Proc->UnPrepare();
}

void EditUpdateObject(DesignIntf::IDesigner* Designer, TOVUpdateSQL* UpdateSQL) {
  if (OVUpdSEd::EditUpdateSQL(UpdateSQL) && Designer)
    Designer->Modified();
}

// TOVDefaultEditor ------------------------------------------------------------

int TOVDefaultEditor::GetVerbCount() {
  return inherited::GetVerbCount() + fvCount;
}

std::string TOVDefaultEditor::GetVerb(int Index) {
  const int Base = inherited::GetVerbCount();
  if (Index - Base == fvAbout)
    return GetVersionVerbCaption();
  if (Index < Base)
    return inherited::GetVerb(Index);
  return {};
}

void TOVDefaultEditor::ExecuteVerb(int Index) {
  const int Base = inherited::GetVerbCount();
  if (Index - Base == fvAbout)
    OVAbout::ShowAboutBox();
  else if (Index < Base)
    inherited::ExecuteVerb(Index);
}

void TOVDefaultEditor::Edit() {
  ExecuteVerb(inherited::GetVerbCount() + fvAbout);
}

// TOVUpdateSQLEditor ----------------------------------------------------------

int TOVUpdateSQLEditor::GetVerbCount() {
  return inherited::GetVerbCount() + uvCount;
}

std::string TOVUpdateSQLEditor::GetVerb(int Index) {
  const int Base = inherited::GetVerbCount();
  if (Index - Base == uvSeparator)
    return "-";
  if (Index - Base == uvEditUpdateSQL)
    return OVConsts::SUpdateSQLEditor();
  return inherited::GetVerb(Index);
}

void TOVUpdateSQLEditor::ExecuteVerb(int Index) {
  if (Index - inherited::GetVerbCount() == uvEditUpdateSQL)
    EditUpdateObject(GetDesigner(), As<TOVUpdateSQL>(Component()));
  else
    inherited::ExecuteVerb(Index);
}

void TOVUpdateSQLEditor::Edit() {
  ExecuteVerb(inherited::GetVerbCount() + uvEditUpdateSQL);
}

// TOVDataSetEditor --------------------------------------------------------------

int TOVDataSetEditor::GetVerbCount() {
  return svCount;
}

std::string TOVDataSetEditor::GetVerb(int Index) {
  switch (Index) {
  case svAbout:
    return GetVersionVerbCaption();
  case svSeparator:
    return "-";
  case svFieldsEditor:
    return OVConsts::SDatasetDesignerVerb();
  }
  return {};
}

void TOVDataSetEditor::ExecuteVerb(int Index) {
  if (Index == svAbout)
    OVAbout::ShowAboutBox();
  else if (Index == svFieldsEditor)
    DSDesign::ShowFieldsEditor(GetDesigner(), As<DB::TDataSet>(Component()), GetDSDesignerClass());
}

void TOVDataSetEditor::Edit() {
  ExecuteVerb(svFieldsEditor);
}

// TOVQueryEditor -----------------------------------------------------------------

int TOVQueryEditor::GetVerbCount() {
  return inherited::GetVerbCount() + (SQLEditorEnabled() ? qvEditSQL + 1 : qvParams + 1);
}

std::string TOVQueryEditor::GetVerb(int Index) {
  const int Base = inherited::GetVerbCount();
  if (Index - Base == qvParams)
    return OVConsts::SBindVerb();
  // The SQL verb exists only while the SQL editor is enabled; past the
  // count there is no caption to give.
  if (Index - Base == qvEditSQL && SQLEditorEnabled())
    return OVConsts::SEditSQLVerb();
  return inherited::GetVerb(Index);
}

void TOVQueryEditor::ExecuteVerb(int Index) {
  TOVQuery* Query = As<TOVQuery>(Component());
  const int Base = inherited::GetVerbCount();
  if (Index - Base == qvParams) {
    EditQueryParams(GetDesigner(), Query);
    return;
  }
  if (Index - Base != qvEditSQL || !SQLEditorEnabled()) {
    inherited::ExecuteVerb(Index);
    return;
  }
  if (!CloseStringsModule(GetDesigner(), Component(), "SQL"))
    return;
  const std::string Text = GetDesignerRootName(GetDesigner()) + "." + Query->GetName() + ".SQL";
  const OVDlgs::TOVCodeEditorEvent CodeEditor = [this](Classes::TStrings* Strings, bool Modified) {
    ShowCodeEditor(Strings, Modified);
  };
  if (OVDlgs::ShowSQLEditor(Text, Query, CodeEditor) && GetDesigner())
    GetDesigner()->Modified();
}

void TOVQueryEditor::ShowCodeEditor(Classes::TStrings* Strings, bool Modified) {
  OpenStringsInCodeEditor(GetDesigner(), Component(), "SQL", Strings, Modified);
}

// TOVMacroQueryEditor ------------------------------------------------------------

int TOVMacroQueryEditor::GetVerbCount() {
  return inherited::GetVerbCount() + mvCount;
}

std::string TOVMacroQueryEditor::GetVerb(int Index) {
  if (Index - inherited::GetVerbCount() == mvMacros)
    return OVConsts::SBindMacrosVerb();
  return inherited::GetVerb(Index);
}

void TOVMacroQueryEditor::ExecuteVerb(int Index) {
  if (Index - inherited::GetVerbCount() == mvMacros)
    EditQueryMacros(GetDesigner(), As<TOVMacroQuery>(Component()));
  else
    inherited::ExecuteVerb(Index);
}

// TOVStoredProcEditor ------------------------------------------------------------

int TOVStoredProcEditor::GetVerbCount() {
  return inherited::GetVerbCount() + pvCount;
}

std::string TOVStoredProcEditor::GetVerb(int Index) {
  if (Index - inherited::GetVerbCount() == pvParams)
    return OVConsts::SBindVerb();
  return inherited::GetVerb(Index);
}

void TOVStoredProcEditor::ExecuteVerb(int Index) {
  TOVStoredProc* Proc = As<TOVStoredProc>(Component());
  if (Index - inherited::GetVerbCount() == pvParams)
    EditStoredProcParams(GetDesigner(), Proc);
  else
    inherited::ExecuteVerb(Index);
}

// Registration -------------------------------------------------------------------

void RegisterComponentEditors() {
  using DesignIntf::RegisterComponentEditor;
  RegisterComponentEditor(TOVSession::StaticClass(), TOVDefaultEditor::StaticClass());
  RegisterComponentEditor(TOVDatabase::StaticClass(), TOVDatabaseEditor::StaticClass());
  RegisterComponentEditor(TOVDataSet::StaticClass(), TOVDataSetEditor::StaticClass());
  RegisterComponentEditor(TOVQuery::StaticClass(), TOVQueryEditor::StaticClass());
  RegisterComponentEditor(TOVMacroQuery::StaticClass(), TOVMacroQueryEditor::StaticClass());
  RegisterComponentEditor(TOVStoredProc::StaticClass(), TOVStoredProcEditor::StaticClass());
  RegisterComponentEditor(TOVUpdateSQL::StaticClass(), TOVUpdateSQLEditor::StaticClass());
  RegisterComponentEditor(TOVScript::StaticClass(), TOVScriptEditor::StaticClass());
  RegisterComponentEditor(OVCommon::TOVMonitor::StaticClass(), TOVDefaultEditor::StaticClass());
  RegisterComponentEditor(OVCsbSrv::TOVSQLBaseServer::StaticClass(),
                          TOVDefaultEditor::StaticClass());
}

} // namespace OVReg
