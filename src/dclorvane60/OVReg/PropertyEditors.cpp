// The Object Inspector's editors of the package's components: name lists read
// live from the runtime's sessions, the remote database history, Connected,
// and the dialogs of parameters, parameter files, connection parameters and
// SQL text.
#include "dclorvane60/OVReg.hpp"

#include "orvane60/OVConsts.hpp"
#include "orvane60/OVDlgs.hpp"
#include "rtl/SysUtils.hpp"
#include "vcl/Dialogs.hpp"
#include "vcl/Forms.hpp"

namespace OVReg {

using namespace OVEngine;
using DesignIntf::TPropertyAttribute;
using DesignIntf::TPropertyAttributes;

OV_CLASS_IMPL(TOVStringProperty, DesignEditors::TStringProperty, "OVReg")
OV_CLASS_IMPL(TOVDatabaseProperty, TOVStringProperty, "OVReg")
OV_CLASS_IMPL(TOVSessionNameProperty, TOVStringProperty, "OVReg")
OV_CLASS_IMPL(TOVDatabaseNameProperty, TOVStringProperty, "OVReg")
OV_CLASS_IMPL(TOVStoredProcNameProperty, TOVStringProperty, "OVReg")
OV_CLASS_IMPL(TOVTableNameProperty, TOVStringProperty, "OVReg")
OV_CLASS_IMPL(TOVDatabaseConnectedProperty, DesignEditors::TEnumProperty, "OVReg")
OV_CLASS_IMPL(TOVParamsProperty, DesignEditors::TPropertyEditor, "OVReg")
OV_CLASS_IMPL(TOVQueryParamsProperty, TOVParamsProperty, "OVReg")
OV_CLASS_IMPL(TOVStoredProcParamsProperty, TOVParamsProperty, "OVReg")
OV_CLASS_IMPL(TOVFileNameProperty, DesignEditors::TStringProperty, "OVReg")
OV_CLASS_IMPL(TOVStringListEditDlgProperty, DesignEditors::TClassProperty, "OVReg")
OV_CLASS_IMPL(TOVDatabaseParamsProperty, TOVStringListEditDlgProperty, "OVReg")
OV_CLASS_IMPL(TOVQuerySQLProperty, TOVStringListEditDlgProperty, "OVReg")

namespace {

template <class T> T* FirstAs(DesignEditors::TPropertyEditor* Editor) {
  return System::As<T>(static_cast<System::TObject*>(Editor->GetComponent(0)));
}

} // namespace

// Name lists ------------------------------------------------------------------------

TPropertyAttributes TOVStringProperty::GetAttributes() {
  return {TPropertyAttribute::paValueList, TPropertyAttribute::paMultiSelect,
          TPropertyAttribute::paSortList};
}

void TOVStringProperty::GetValues(const DesignIntf::TGetStrProc& Proc) {
  Classes::TStringList List;
  GetValueList(&List);
  for (int I = 0; I < List.Count(); ++I)
    Proc(List.Get(I));
}

void TOVDatabaseProperty::Edit() {
  std::string Value = GetValue();
  const TOVServerType ServerType = FirstAs<TOVDatabase>(this)->GetServerType();
  if (OVDlgs::InputRemoteDatabaseValue(ServerType, Value) && !Value.empty())
    SetValue(Value);
}

TPropertyAttributes TOVDatabaseProperty::GetAttributes() {
  return {TPropertyAttribute::paValueList, TPropertyAttribute::paDialog};
}

void TOVDatabaseProperty::SetValue(const std::string& Value) {
  if (Value == SHistoryListPlaceholder)
    return;
  inherited::SetValue(Value);
}

void TOVDatabaseProperty::GetValueList(Classes::TStrings* List) {
  Classes::TStrings* History = DesignSettings ? DesignSettings->RecentDatabaseList() : nullptr;
  if (!History || History->Count() == 0) {
    List->Add(SHistoryListPlaceholder);
    return;
  }
  List->AddStrings(History);
}

void TOVSessionNameProperty::GetValueList(Classes::TStrings* List) {
  TOVSessionList* All = Sessions();
  for (int I = 0; I < All->Count(); ++I)
    List->Add(All->Sessions(I)->GetSessionName());
}

void TOVDatabaseNameProperty::GetValueList(Classes::TStrings* List) {
  auto* Instance = static_cast<System::TObject*>(GetComponent(0));
  TOVSession* Session = nullptr;
  if (auto* Script = dynamic_cast<TOVScript*>(Instance))
    Session = Script->GetDBSession();
  else
    Session = System::As<TOVDataSet>(Instance)->GetDBSession();
  Session->GetDatabaseNames(List);
}

void TOVStoredProcNameProperty::GetValueList(Classes::TStrings* List) {
  TOVStoredProc* Proc = FirstAs<TOVStoredProc>(this);
  Proc->GetDBSession()->GetStoredProcNames(Proc->GetDatabaseName(), List);
}

bool TOVTableNameProperty::AutoFill() {
  TOVTable* Table = FirstAs<TOVTable>(this);
  TOVSession* Session = Sessions()->FindSession(Table->GetSessionName());
  if (!Session)
    return false;
  TOVDatabase* Db = Session->FindDatabase(Table->GetDatabaseName());
  return Db && Db->GetConnected();
}

void TOVTableNameProperty::GetValueList(Classes::TStrings* List) {
  TOVTable* Table = FirstAs<TOVTable>(this);
  Table->GetDBSession()->GetTableNames(Table->GetDatabaseName(), "", false, List);
}

void TOVDatabaseConnectedProperty::SetValue(const std::string& Value) {
  inherited::SetValue(Value);
  // The inherited assignment took the text trimmed; so is it compared here.
  if (!SysUtils::SameText(SysUtils::Trim(Value), OVConsts::STextTrue()) || !DesignSettings)
    return;
  DesignSettings->AddRecentDatabase(FirstAs<TOVDatabase>(this)->GetRemoteDatabase());
}

// Parameters ------------------------------------------------------------------------

TPropertyAttributes TOVParamsProperty::GetAttributes() {
  return {TPropertyAttribute::paDialog, TPropertyAttribute::paMultiSelect};
}

std::string TOVParamsProperty::GetValue() {
  return SysUtils::Format("(%s)", DB::TParams::StaticClass()->Name);
}

void TOVQueryParamsProperty::Edit() {
  EditQueryParams(Designer(), FirstAs<TOVQuery>(this));
}

void TOVStoredProcParamsProperty::Edit() {
  EditStoredProcParams(Designer(), FirstAs<TOVStoredProc>(this));
}

// Parameter file --------------------------------------------------------------------

void TOVFileNameProperty::Edit() {
  std::unique_ptr<Dialogs::TOpenDialog> Dialog(new Dialogs::TOpenDialog(Forms::Application));
  Dialog->SetFileName(GetValue());
  Dialog->SetFilter(SParamsFileFilter);
  Dialog->SetOptions(Dialog->GetOptions() +
                     Dialogs::TOpenOptions{Dialogs::TOpenOption::ofPathMustExist,
                                           Dialogs::TOpenOption::ofFileMustExist});
  if (Dialog->Execute())
    SetValue(Dialog->GetFileName());
}

TPropertyAttributes TOVFileNameProperty::GetAttributes() {
  return {TPropertyAttribute::paDialog, TPropertyAttribute::paRevertable};
}

// String lists ----------------------------------------------------------------------

TPropertyAttributes TOVStringListEditDlgProperty::GetAttributes() {
  TPropertyAttributes Attributes = inherited::GetAttributes();
  Attributes << TPropertyAttribute::paDialog;
  Attributes >> TPropertyAttribute::paSubProperties;
  return Attributes;
}

Classes::TStrings* TOVStringListEditDlgProperty::GetStrings() {
  return System::As<Classes::TStrings>(GetObjectValue());
}

void TOVStringListEditDlgProperty::SetStrings(Classes::TStrings* Value) {
  SetObjectValue(Value);
}

void TOVDatabaseParamsProperty::Edit() {
  const std::string PropName = GetName();
  Classes::TPersistent* Component = GetComponent(0);
  if (ShowStringsModule(Designer(), Component, PropName))
    return;
  if (IsAltKeyDown()) {
    ShowCodeEditor(GetStrings(), false);
    return;
  }
  Classes::TStrings* List = GetStrings();
  const bool Confirmed = OVDlgs::ShowDatabaseParamsEditor(
      List,
      [this](Classes::TStrings* Strings, bool Modified) { ShowCodeEditor(Strings, Modified); },
      [this](Classes::TStrings* Defaults) { GetDefaultParams(Defaults); });
  if (Confirmed)
    SetStrings(List);
}

void TOVDatabaseParamsProperty::GetDefaultParams(Classes::TStrings* List) {
  if (!List)
    return;
  if (!DesignSettings) {
    List->Clear();
    return;
  }
  List->Assign(DesignSettings->DefaultParams());
}

void TOVDatabaseParamsProperty::ShowCodeEditor(Classes::TStrings* List, bool Modified) {
  OpenStringsInCodeEditor(Designer(), GetComponent(0), GetName(), List, Modified);
}

void TOVQuerySQLProperty::Edit() {
  Classes::TPersistent* Component = GetComponent(0);
  const std::string PropName = GetName();
  if (ShowStringsModule(Designer(), Component, PropName))
    return;
  if (IsAltKeyDown()) {
    ShowCodeEditor(GetStrings(), false);
    return;
  }
  TOVQuery* Query = System::As<TOVQuery>(static_cast<System::TObject*>(Component));
  const std::string Caption =
      GetDesignerRootName(Designer()) + "." + Query->GetName() + "." + PropName;
  const bool Confirmed =
      OVDlgs::ShowSQLEditor(Caption, Query, [this](Classes::TStrings* Strings, bool Modified) {
        ShowCodeEditor(Strings, Modified);
      });
  if (Confirmed && Designer())
    Designer()->Modified();
}

void TOVQuerySQLProperty::ShowCodeEditor(Classes::TStrings* List, bool Modified) {
  OpenStringsInCodeEditor(Designer(), GetComponent(0), GetName(), List, Modified);
}

} // namespace OVReg
