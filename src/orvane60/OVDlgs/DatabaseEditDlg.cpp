// The connection dialog of databases.
#include "orvane60/OVDlgs.hpp"

#include "orvane60/drivers/OVDriver.hpp"
#include "vcl/Dialogs.hpp"

#include <memory>

namespace OVDlgs {

using Dialogs::MessageDlg;
using Dialogs::TMsgDlgBtn;
using Dialogs::TMsgDlgType;
using OVEngine::TOVServerType;
using SysUtils::Format;

OV_CLASS_BEGIN(TOVDatabaseEditDlg, Forms::TForm, "OVDlgs")
OV_FIELDS(lblDatabaseName, edDatabaseName, lblServerType, cbServerType, btSaveDefaultSrvType,
          lblRemoteDatabase, cbRemoteDatabase, btBrowseRemote, gbxOptions, cbKeepConnection,
          cbLoginPrompt, cbDefaultDatabase, cbStoreConnected, lblParams, meParams,
          btLoadDefaultParams, btSaveDefaultParams, btTestConnection, btOk, btCancel)
OV_METHODS(btBrowseRemoteClick, btLoadDefaultParamsClick, btTestConnectionClick, FormCloseQuery)
OV_CLASS_END

namespace {

// The hourglass while a connection is tried, whatever happens then.
class TWaitCursor {
public:
  TWaitCursor() : FSaved(Forms::Screen->GetCursor()) {
    Forms::Screen->SetCursor(Controls::crHourGlass);
  }
  ~TWaitCursor() { Forms::Screen->SetCursor(FSaved); }
  TWaitCursor(const TWaitCursor&) = delete;
  TWaitCursor& operator=(const TWaitCursor&) = delete;

private:
  Controls::TCursor FSaved;
};

} // namespace

TOVDatabaseEditDlg::TOVDatabaseEditDlg(TComponent* AOwner) : TForm(AOwner) {}

TOVDatabaseEditDlg::~TOVDatabaseEditDlg() = default;

TOVDatabaseEditDlg* TOVDatabaseEditDlg::Create(TComponent* AOwner, int Flags) {
  if (Flags != 0)
    throw SysUtils::EInvalidOperation(
        Format("The connection dialog takes no flags (%d was given)", Flags));
  auto* Dlg = Forms::Application->CreateForm<TOVDatabaseEditDlg>(AOwner);
  try {
    Dlg->LoadData(nullptr);
  } catch (...) {
    Dlg->Free();
    throw;
  }
  return Dlg;
}

void TOVDatabaseEditDlg::LoadData(TStrings* History) {
  TStrings* Items = cbServerType->GetItems();
  {
    const Classes::TStringsUpdate Updating(Items);
    Items->Clear();
    for (TOVServerType T : OVEngine::ServerTypes())
      Items->Add(OVEngine::GetServerTypeName(T));
  }
  SetDatabaseName("");
  SetServerType(OVEngine::DefServerType);
  SetRemoteDatabase("");
  SetKeepConnection(true);
  SetLoginPrompt(true);
  SetDefaultDatabase(false);
  SetStoreConnected(false);
  SetParams(nullptr);
  if (History)
    SetRemoteDatabaseHistory(History);
  UpdateButtons();
}

void TOVDatabaseEditDlg::SetDatabaseName(const std::string& Value) {
  edDatabaseName->SetText(Value);
}

std::string TOVDatabaseEditDlg::GetDatabaseName() const {
  return edDatabaseName->GetText();
}

void TOVDatabaseEditDlg::SetServerType(TOVServerType Value) {
  for (size_t I = 0; I < OVEngine::ServerTypes().size(); ++I)
    if (OVEngine::ServerTypes()[I] == Value &&
        static_cast<int>(I) < cbServerType->GetItems()->Count())
      cbServerType->SetItemIndex(static_cast<int>(I));
}

TOVServerType TOVDatabaseEditDlg::GetServerType() const {
  const int I = cbServerType->GetItemIndex();
  if (I < 0 || I >= static_cast<int>(OVEngine::ServerTypes().size()))
    return OVEngine::DefServerType;
  return OVEngine::ServerTypes()[I];
}

void TOVDatabaseEditDlg::SetRemoteDatabase(const std::string& Value) {
  cbRemoteDatabase->SetText(Value);
}

std::string TOVDatabaseEditDlg::GetRemoteDatabase() const {
  return cbRemoteDatabase->GetText();
}

void TOVDatabaseEditDlg::SetRemoteDatabaseHistory(TStrings* Value) {
  FHistory = Value;
  // Filling the list must not change the text shown.
  const std::string Text = GetRemoteDatabase();
  cbRemoteDatabase->GetItems()->Clear();
  if (FHistory)
    cbRemoteDatabase->GetItems()->AddStrings(FHistory);
  SetRemoteDatabase(Text);
}

void TOVDatabaseEditDlg::SetKeepConnection(bool Value) {
  cbKeepConnection->SetChecked(Value);
}

bool TOVDatabaseEditDlg::GetKeepConnection() const {
  return cbKeepConnection->GetChecked();
}

void TOVDatabaseEditDlg::SetLoginPrompt(bool Value) {
  cbLoginPrompt->SetChecked(Value);
}

bool TOVDatabaseEditDlg::GetLoginPrompt() const {
  return cbLoginPrompt->GetChecked();
}

void TOVDatabaseEditDlg::SetDefaultDatabase(bool Value) {
  cbDefaultDatabase->SetChecked(Value);
}

bool TOVDatabaseEditDlg::GetDefaultDatabase() const {
  return cbDefaultDatabase->GetChecked();
}

void TOVDatabaseEditDlg::SetStoreConnected(bool Value) {
  cbStoreConnected->SetChecked(Value);
}

bool TOVDatabaseEditDlg::GetStoreConnected() const {
  return cbStoreConnected->GetChecked();
}

void TOVDatabaseEditDlg::SetParams(TStrings* Value) {
  if (Value)
    meParams->SetLines(Value);
  else
    meParams->GetLines()->Clear();
}

TStrings* TOVDatabaseEditDlg::GetParams() const {
  return meParams->GetLines();
}

void TOVDatabaseEditDlg::SetGetDefaultParams(const TOVGetDefaultParamsEvent& Value) {
  FGetDefaultParams = Value;
  UpdateButtons();
}

void TOVDatabaseEditDlg::SetOnLoadDefaultParamsClick(const TNotifyEvent& Value) {
  FOnLoadDefaultParamsClick = Value;
  UpdateButtons();
}

void TOVDatabaseEditDlg::SetOnSaveDefaultParamsClick(const TNotifyEvent& Value) {
  btSaveDefaultParams->OnClick = Value;
  UpdateButtons();
}

void TOVDatabaseEditDlg::SetOnSaveDefaultSrvTypeClick(const TNotifyEvent& Value) {
  btSaveDefaultSrvType->OnClick = Value;
  UpdateButtons();
}

void TOVDatabaseEditDlg::UpdateButtons() {
  btLoadDefaultParams->SetEnabled(FOnLoadDefaultParamsClick || FGetDefaultParams);
  btSaveDefaultParams->SetEnabled(static_cast<bool>(btSaveDefaultParams->OnClick));
  btSaveDefaultSrvType->SetEnabled(static_cast<bool>(btSaveDefaultSrvType->OnClick));
}

void TOVDatabaseEditDlg::btLoadDefaultParamsClick(System::TObject* Sender) {
  if (FOnLoadDefaultParamsClick) {
    FOnLoadDefaultParamsClick(Sender);
    return;
  }
  if (!FGetDefaultParams)
    return;
  Classes::TStringList Defaults;
  FGetDefaultParams(&Defaults);
  SetParams(&Defaults);
}

void TOVDatabaseEditDlg::btBrowseRemoteClick(System::TObject*) {
  std::string Value = GetRemoteDatabase();
  if (InputRemoteDatabaseValue(GetServerType(), Value))
    SetRemoteDatabase(Value);
}

std::string TOVDatabaseEditDlg::Problem() const {
  std::string Result = CheckParams(GetParams());
  if (Result.empty())
    Result = CheckRemoteDatabase(GetServerType(), GetRemoteDatabase());
  return Result;
}

void TOVDatabaseEditDlg::btTestConnectionClick(System::TObject*) {
  if (const std::string P = Problem(); !P.empty()) {
    MessageDlg(P, TMsgDlgType::mtError, {TMsgDlgBtn::mbOK}, 0);
    return;
  }
  // A database of its own, so that the component being edited does not
  // change before the person confirms.
  auto Probe = std::make_unique<OVEngine::TOVDatabase>(nullptr);
  Probe->SetServerType(GetServerType());
  Probe->SetRemoteDatabase(GetRemoteDatabase());
  Probe->SetParams(GetParams());
  const std::string Shown = OVDriver::MaskPasswords(GetRemoteDatabase());
  bool Failed = false;
  std::string Failure;
  {
    TWaitCursor Wait;
    try {
      Probe->Open();
      Probe->Close();
    } catch (const SysUtils::Exception& E) {
      Failed = true;
      Failure = E.Message();
    }
  }
  if (Failed) {
    MessageDlg(Format("Cannot connect to %s: %s", Shown, Failure), TMsgDlgType::mtError,
               {TMsgDlgBtn::mbOK}, 0);
    return;
  }
  MessageDlg(Format("Connected to %s.", Shown), TMsgDlgType::mtInformation, {TMsgDlgBtn::mbOK}, 0);
}

void TOVDatabaseEditDlg::FormCloseQuery(System::TObject*, bool& CanClose) {
  if (GetModalResult() != Controls::mrOk)
    return;
  if (const std::string P = Problem(); !P.empty()) {
    CanClose = false;
    MessageDlg(P, TMsgDlgType::mtError, {TMsgDlgBtn::mbOK}, 0);
    return;
  }
  AddToHistory(FHistory, GetRemoteDatabase());
}

} // namespace OVDlgs
