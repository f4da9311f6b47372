// The connection editor of databases: the connection dialog, the parameter
// dialog, and the dialog's buttons for the default parameters and server
// type, tied to the settings store.
#include "dclorvane60/OVReg.hpp"

#include "orvane60/OVConsts.hpp"
#include "rtl/ScopeGuard.hpp"

namespace OVReg {

using OVEngine::TOVDatabase;
using OVEngine::TOVDesignDBOption;
using OVEngine::TOVDesignDBOptions;

OV_CLASS_IMPL(TOVDatabaseEditor, TOVDefaultEditor, "OVReg")

namespace {

// The editor's own verbs, after the default editor's.
enum TDatabaseVerb { dvSeparator, dvEditDatabase, dvParams, dvCount };

} // namespace

TOVDatabaseEditor::~TOVDatabaseEditor() = default;

int TOVDatabaseEditor::GetVerbCount() {
  return inherited::GetVerbCount() + dvCount;
}

std::string TOVDatabaseEditor::GetVerb(int Index) {
  const int Base = inherited::GetVerbCount();
  if (Index < Base)
    return inherited::GetVerb(Index);
  switch (Index - Base) {
  case dvSeparator:
    return "-";
  case dvEditDatabase:
    return OVConsts::SEditDatabaseVerb();
  case dvParams:
    return OVConsts::SBindVerb();
  }
  return {};
}

void TOVDatabaseEditor::ExecuteVerb(int Index) {
  const int Base = inherited::GetVerbCount();
  if (Index < Base) {
    inherited::ExecuteVerb(Index);
    return;
  }
  if (Index - Base == dvEditDatabase) {
    if (EditDatabase(System::As<TOVDatabase>(Component())) && GetDesigner())
      GetDesigner()->Modified();
    return;
  }
  if (Index - Base != dvParams)
    return;
  auto* Database = System::As<TOVDatabase>(Component());
  if (!CloseStringsModule(GetDesigner(), Component(), "Params"))
    return;
  const OVDlgs::TOVCodeEditorEvent CodeEditor = [this](Classes::TStrings* Strings, bool Modified) {
    ShowParamsCodeEditor(Strings, Modified);
  };
  const OVDlgs::TOVGetDefaultParamsEvent Defaults = [this](Classes::TStrings* List) {
    GetDefaultParams(List);
  };
  if (OVDlgs::ShowDatabaseParamsEditor(Database->GetParams(), CodeEditor, Defaults) &&
      GetDesigner())
    GetDesigner()->Modified();
}

void TOVDatabaseEditor::Edit() {
  ExecuteVerb(inherited::GetVerbCount() + dvEditDatabase);
}

bool TOVDatabaseEditor::EditDatabase(TOVDatabase* Database) {
  if (!Database)
    throw SysUtils::EInvalidOperation("There is no database to edit");
  FEditDlg = OVDlgs::TOVDatabaseEditDlg::Create(Forms::Application, 0);
  // The dialog goes and the field is reset whatever happens.
  const ScopeGuard::TFinally FreeDialog([this] { std::exchange(FEditDlg, nullptr)->Free(); });

  FEditDlg->LoadData(nullptr);
  FEditDlg->SetDatabaseName(Database->GetDatabaseName());
  FEditDlg->SetServerType(Database->GetServerType());
  FEditDlg->SetRemoteDatabase(Database->GetRemoteDatabase());
  FEditDlg->SetRemoteDatabaseHistory(DesignSettings ? DesignSettings->RecentDatabaseList()
                                                    : nullptr);
  FEditDlg->SetKeepConnection(Database->GetKeepConnection());
  FEditDlg->SetLoginPrompt(Database->GetLoginPrompt());
  const TOVDesignDBOptions Options = Database->GetDesignOptions();
  FEditDlg->SetDefaultDatabase(Options.Contains(TOVDesignDBOption::ddoIsDefaultDatabase));
  FEditDlg->SetStoreConnected(Options.Contains(TOVDesignDBOption::ddoStoreConnected));
  FEditDlg->SetParams(Database->GetParams());
  FEditDlg->SetGetDefaultParams([this](Classes::TStrings* List) { GetDefaultParams(List); });
  FEditDlg->SetOnLoadDefaultParamsClick([this](System::TObject* S) { LoadDefaultParams(S); });
  FEditDlg->SetOnSaveDefaultParamsClick([this](System::TObject* S) { SaveDefaultParams(S); });
  FEditDlg->SetOnSaveDefaultSrvTypeClick([this](System::TObject* S) { SaveDefaultSrvType(S); });

  const bool Result = FEditDlg->ShowModal() == Controls::mrOk;
  if (!Result)
    return false;
  Database->SetParams(FEditDlg->GetParams());
  Database->SetDatabaseName(FEditDlg->GetDatabaseName());
  Database->SetServerType(FEditDlg->GetServerType());
  Database->SetRemoteDatabase(FEditDlg->GetRemoteDatabase());
  Database->SetKeepConnection(FEditDlg->GetKeepConnection());
  Database->FLoginPrompt = FEditDlg->GetLoginPrompt();
  TOVDesignDBOptions New = Database->GetDesignOptions();
  if (FEditDlg->GetDefaultDatabase())
    New.Include(TOVDesignDBOption::ddoIsDefaultDatabase);
  else
    New.Exclude(TOVDesignDBOption::ddoIsDefaultDatabase);
  Database->SetDesignOptions(New);
  New = Database->GetDesignOptions();
  if (FEditDlg->GetStoreConnected())
    New.Include(TOVDesignDBOption::ddoStoreConnected);
  else
    New.Exclude(TOVDesignDBOption::ddoStoreConnected);
  Database->SetDesignOptions(New);
  return true;
}

void TOVDatabaseEditor::GetDefaultParams(Classes::TStrings* List) {
  if (List && DesignSettings)
    List->Assign(DesignSettings->DefaultParams());
}

void TOVDatabaseEditor::LoadDefaultParams(System::TObject*) {
  if (FEditDlg && DesignSettings)
    FEditDlg->SetParams(DesignSettings->DefaultParams());
}

void TOVDatabaseEditor::SaveDefaultParams(System::TObject*) {
  if (FEditDlg && DesignSettings)
    DesignSettings->WriteDefaultParams(FEditDlg->GetParams());
}

void TOVDatabaseEditor::SaveDefaultSrvType(System::TObject*) {
  if (FEditDlg && DesignSettings)
    DesignSettings->WriteDefaultServerType(FEditDlg->GetServerType());
}

void TOVDatabaseEditor::ShowParamsCodeEditor(Classes::TStrings* Strings, bool Modified) {
  OpenStringsInCodeEditor(GetDesigner(), Component(), "Params", Strings, Modified);
}

} // namespace OVReg
