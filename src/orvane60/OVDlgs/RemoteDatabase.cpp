// The input of a remote database: a file for SQLite, a connection string for
// PostgreSQL.
#include "orvane60/OVDlgs.hpp"

#include "vcl/Dialogs.hpp"

#include <memory>

namespace OVDlgs {

using OVEngine::TOVServerType;

OV_CLASS_BEGIN(TOVRemoteDatabaseDlg, Forms::TForm, "OVDlgs")
OV_FIELDS(lblValue, edValue, lblExample, btOk, btCancel)
OV_METHODS(FormCloseQuery)
OV_CLASS_END

TOVRemoteDatabaseDlg::TOVRemoteDatabaseDlg(TComponent* AOwner) : TForm(AOwner) {}

TOVRemoteDatabaseDlg::~TOVRemoteDatabaseDlg() = default;

void TOVRemoteDatabaseDlg::FormCloseQuery(System::TObject*, bool& CanClose) {
  if (GetModalResult() != Controls::mrOk)
    return;
  const std::string Problem = CheckRemoteDatabase(ServerType, edValue->GetText());
  if (Problem.empty())
    return;
  CanClose = false;
  Dialogs::MessageDlg(Problem, Dialogs::TMsgDlgType::mtError, {Dialogs::TMsgDlgBtn::mbOK}, 0);
}

namespace {

// The file a SQLite remote database names: its "sqlite:" address stripped.
std::string SQLiteFileOf(const std::string& Value) {
  std::string File = SysUtils::Trim(Value);
  if (SysUtils::StartsText("sqlite://", File))
    return File.substr(9);
  if (SysUtils::StartsText("sqlite:", File))
    return File.substr(7);
  return File;
}

bool ChooseSQLiteFile(std::string& Value) {
  auto Dialog = std::make_unique<Dialogs::TOpenDialog>(nullptr);
  const std::string File = SQLiteFileOf(Value);
  Dialog->SetTitle("SQLite Database");
  Dialog->SetFilter("SQLite databases (*.db;*.sqlite;*.sqlite3)|*.db;*.sqlite;*.sqlite3|"
                    "All files (*.*)|*.*");
  Dialog->SetDefaultExt("db");
  if (!File.empty()) {
    Dialog->SetInitialDir(SysUtils::ExtractFilePath(File));
    Dialog->SetFileName(File);
  }
  // A new database file may be chosen (the CREATE parameter makes it), but
  // only in a folder that exists.
  Dialogs::TOpenOptions Options = Dialog->GetOptions();
  Options.Include(Dialogs::TOpenOption::ofPathMustExist);
  Dialog->SetOptions(Options);
  if (!Dialog->Execute())
    return false;
  Value = Dialog->GetFileName();
  return true;
}

bool InputConnectionString(TOVServerType ServerType, std::string& Value) {
  Forms::TFormPtr<TOVRemoteDatabaseDlg> Dlg(Forms::Application->CreateForm<TOVRemoteDatabaseDlg>());
  Dlg->ServerType = ServerType;
  Dlg->SetCaption(OVEngine::GetServerTypeName(ServerType) + " Database");
  Dlg->edValue->SetText(Value);
  if (Dlg->ShowModal() != Controls::mrOk)
    return false;
  Value = SysUtils::Trim(Dlg->edValue->GetText());
  return true;
}

} // namespace

bool InputRemoteDatabaseValue(TOVServerType ServerType, std::string& Value) {
  if (ServerType == TOVServerType::stSQLite)
    return ChooseSQLiteFile(Value);
  return InputConnectionString(ServerType, Value);
}

} // namespace OVDlgs
