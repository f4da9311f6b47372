// OVDlgs: the runtime package's dialogs, which the design package opens from
// its component and property editors: the SQL text of a query, the
// connection parameters of a database, the connection dialog of a database,
// and the input of a remote database (a database file for SQLite, a
// connection string for PostgreSQL).
//
// Each dialog is a form with a stored layout in this package's resources
// (named after its class in upper case), runs modally through the UI
// service, edits what it is given and returns true when the person
// confirmed it. The SQL and parameter dialogs offer the code editor through
// a callback: choosing it closes the dialog without writing anything and
// hands the callback the text as the dialog holds it, marked modified when
// it differs from what the dialog was given; the edit then goes on in the
// code editor.
#pragma once

#include "orvane60/OVEngine.hpp"
#include "rtl/Classes.hpp"
#include "vcl/Forms.hpp"
#include "vcl/StdCtrls.hpp"

#include <string>

namespace OVDlgs {

using Classes::TComponent;
using Classes::TNotifyEvent;
using Classes::TStrings;

// The code editor callback: opens Strings in the code editor, marked
// modified when Modified is set.
OV_EVENT_TYPE(TOVCodeEditorEvent, void(Classes::TStrings* Strings, bool Modified))
// Fills List with the stored default connection parameters.
OV_EVENT_TYPE(TOVGetDefaultParamsEvent, void(Classes::TStrings* List))

// The problem with a list of connection parameters, or "" when it has none:
// every line that is not blank must be a name=value line with a name.
// "Line 2 of the parameters has no name: =x". Blank lines are allowed; the
// dialogs drop them.
std::string CheckParams(const TStrings* Params);
// The problem with a remote database for a server type, or "" when there is
// none: an address with a scheme ("sqlite:...", "postgresql://...") must be
// one the runtime can read and of that server type. Other texts (a file
// name, a conninfo string) are taken as they are.
std::string CheckRemoteDatabase(OVEngine::TOVServerType ServerType, const std::string& Value);

// The SQL dialog -------------------------------------------------------------

class TOVSQLEditDlg : public Forms::TForm {
  OV_CLASS(TOVSQLEditDlg, Forms::TForm)
public:
  explicit TOVSQLEditDlg(TComponent* AOwner);
  ~TOVSQLEditDlg() override;

  StdCtrls::TLabel* lblSQL = nullptr;
  StdCtrls::TMemo* meSQL = nullptr;
  StdCtrls::TButton* btCodeEditor = nullptr;
  StdCtrls::TButton* btOk = nullptr;
  StdCtrls::TButton* btCancel = nullptr;

  void btCodeEditorClick(System::TObject* Sender);

  // Whether the person chose the code editor.
  bool CodeEditorChosen() const { return FCodeEditorChosen; }

private:
  bool FCodeEditorChosen = false;
};

// Edits the SQL of Query in a dialog captioned Caption. On OK a text that
// differs from the query's SQL is written through the query's setter (which
// refreshes its parameters) and the result is true; OK without a change,
// Cancel and the code editor give false and leave the query as it was. The
// code editor button is enabled only when CodeEditor is assigned.
// EInvalidOperation when Query is null.
bool ShowSQLEditor(const std::string& Caption, OVEngine::TOVQuery* Query,
                   const TOVCodeEditorEvent& CodeEditor);

// The parameter dialog -------------------------------------------------------

class TOVDatabaseParamsDlg : public Forms::TForm {
  OV_CLASS(TOVDatabaseParamsDlg, Forms::TForm)
public:
  explicit TOVDatabaseParamsDlg(TComponent* AOwner);
  ~TOVDatabaseParamsDlg() override;

  StdCtrls::TLabel* lblParams = nullptr;
  StdCtrls::TMemo* meParams = nullptr;
  StdCtrls::TButton* btDefaults = nullptr;
  StdCtrls::TButton* btCodeEditor = nullptr;
  StdCtrls::TButton* btOk = nullptr;
  StdCtrls::TButton* btCancel = nullptr;

  void btDefaultsClick(System::TObject* Sender);
  void btCodeEditorClick(System::TObject* Sender);
  // OK with a line that is no name=value line is refused with an error box.
  void FormCloseQuery(System::TObject* Sender, bool& CanClose);

  void SetGetDefaultParams(const TOVGetDefaultParamsEvent& Value);
  bool CodeEditorChosen() const { return FCodeEditorChosen; }

private:
  TOVGetDefaultParamsEvent FGetDefaultParams;
  bool FCodeEditorChosen = false;
};

// Edits Params in place, one name=value line each. On OK lines that differ
// from Params replace them (blank lines dropped) and the result is true; OK
// without a change, Cancel and the code editor give false and leave Params
// as it was. The defaults button replaces the dialog's lines with what
// GetDefaultParams gives; it and the code editor button are enabled only
// when their callbacks are assigned. EInvalidOperation when Params is null.
bool ShowDatabaseParamsEditor(TStrings* Params, const TOVCodeEditorEvent& CodeEditor,
                              const TOVGetDefaultParamsEvent& GetDefaultParams);

// The connection dialog ------------------------------------------------------

// Shows and takes back a database's connection settings; its owner writes
// them into the component. The remote database history is a list the
// caller owns (the recently used remote databases, most recent first): on
// OK the dialog puts the chosen remote database first in it, moving an entry
// that names it in any letter case and keeping that entry's spelling.
class TOVDatabaseEditDlg : public Forms::TForm {
  OV_CLASS(TOVDatabaseEditDlg, Forms::TForm)
public:
  explicit TOVDatabaseEditDlg(TComponent* AOwner);
  ~TOVDatabaseEditDlg() override;

  // Creates the dialog from its stored layout, owned by AOwner (the
  // application when null). Flags is reserved and must be 0
  // (EInvalidOperation otherwise).
  static TOVDatabaseEditDlg* Create(TComponent* AOwner, int Flags);

  StdCtrls::TLabel* lblDatabaseName = nullptr;
  StdCtrls::TEdit* edDatabaseName = nullptr;
  StdCtrls::TLabel* lblServerType = nullptr;
  StdCtrls::TComboBox* cbServerType = nullptr;
  StdCtrls::TButton* btSaveDefaultSrvType = nullptr;
  StdCtrls::TLabel* lblRemoteDatabase = nullptr;
  StdCtrls::TComboBox* cbRemoteDatabase = nullptr;
  StdCtrls::TButton* btBrowseRemote = nullptr;
  StdCtrls::TGroupBox* gbxOptions = nullptr;
  StdCtrls::TCheckBox* cbKeepConnection = nullptr;
  StdCtrls::TCheckBox* cbLoginPrompt = nullptr;
  StdCtrls::TCheckBox* cbDefaultDatabase = nullptr;
  StdCtrls::TCheckBox* cbStoreConnected = nullptr;
  StdCtrls::TLabel* lblParams = nullptr;
  StdCtrls::TMemo* meParams = nullptr;
  StdCtrls::TButton* btLoadDefaultParams = nullptr;
  StdCtrls::TButton* btSaveDefaultParams = nullptr;
  StdCtrls::TButton* btTestConnection = nullptr;
  StdCtrls::TButton* btOk = nullptr;
  StdCtrls::TButton* btCancel = nullptr;

  // Fills the server type list with the runtime's server types and sets the
  // fields to a new database's values (the runtime's default server type,
  // keep connection and login prompt on, no options, no parameters).
  // History, when not null, becomes the remote database history.
  void LoadData(TStrings* History);

  void SetDatabaseName(const std::string& Value);
  std::string GetDatabaseName() const;
  void SetServerType(OVEngine::TOVServerType Value);
  OVEngine::TOVServerType GetServerType() const;
  void SetRemoteDatabase(const std::string& Value);
  std::string GetRemoteDatabase() const;
  // The list itself is kept (not a copy); null: no history.
  void SetRemoteDatabaseHistory(TStrings* Value);
  TStrings* GetRemoteDatabaseHistory() const { return FHistory; }
  void SetKeepConnection(bool Value);
  bool GetKeepConnection() const;
  void SetLoginPrompt(bool Value);
  bool GetLoginPrompt() const;
  void SetDefaultDatabase(bool Value);
  bool GetDefaultDatabase() const;
  void SetStoreConnected(bool Value);
  bool GetStoreConnected() const;
  // A copy of Value is shown; null shows none.
  void SetParams(TStrings* Value);
  // The dialog's own list (owned by the dialog), as the person left it.
  TStrings* GetParams() const;

  // Callbacks of the parameter and server type buttons; a button without
  // one is disabled. GetDefaultParams is what the load button falls back on
  // when it has no callback of its own.
  void SetGetDefaultParams(const TOVGetDefaultParamsEvent& Value);
  void SetOnLoadDefaultParamsClick(const TNotifyEvent& Value);
  void SetOnSaveDefaultParamsClick(const TNotifyEvent& Value);
  void SetOnSaveDefaultSrvTypeClick(const TNotifyEvent& Value);

  // Loads the default parameters: through the load callback when there is
  // one, else through GetDefaultParams into the dialog's list.
  void btLoadDefaultParamsClick(System::TObject* Sender);
  void btBrowseRemoteClick(System::TObject* Sender);
  // Connects a database of its own with the dialog's server type, remote
  // database and parameters, and tells how it went; nothing else changes.
  void btTestConnectionClick(System::TObject* Sender);
  // OK is refused, with an error box naming the problem, for parameters that
  // are no name=value lines and for a remote database address of another
  // server type; otherwise the history takes the remote database.
  void FormCloseQuery(System::TObject* Sender, bool& CanClose);

private:
  // The problem that keeps OK from closing the dialog, or "".
  std::string Problem() const;
  void UpdateButtons();

  TStrings* FHistory = nullptr;
  TOVGetDefaultParamsEvent FGetDefaultParams;
  TNotifyEvent FOnLoadDefaultParamsClick;
};

// Puts Name first in History: an entry naming it in any letter case moves
// there with its spelling, otherwise Name is inserted. Blank names and names
// holding a line break change nothing.
void AddToHistory(TStrings* History, const std::string& Name);

// The remote database input ---------------------------------------------------

// The connection string input of PostgreSQL databases.
class TOVRemoteDatabaseDlg : public Forms::TForm {
  OV_CLASS(TOVRemoteDatabaseDlg, Forms::TForm)
public:
  explicit TOVRemoteDatabaseDlg(TComponent* AOwner);
  ~TOVRemoteDatabaseDlg() override;

  StdCtrls::TLabel* lblValue = nullptr;
  StdCtrls::TEdit* edValue = nullptr;
  StdCtrls::TLabel* lblExample = nullptr;
  StdCtrls::TButton* btOk = nullptr;
  StdCtrls::TButton* btCancel = nullptr;

  // OK with an address the runtime cannot read is refused with an error box.
  void FormCloseQuery(System::TObject* Sender, bool& CanClose);

  OVEngine::TOVServerType ServerType = OVEngine::TOVServerType::stPostgreSQL;
};

// Asks for the remote database of a server type, starting from Value. SQLite:
// the file dialog of the UI service chooses a database file (the folder must
// exist; a "sqlite:" address in Value proposes its file). PostgreSQL: a
// dialog takes a conninfo string or a postgresql:// address. True with Value
// set when the person confirmed; false leaves Value unchanged.
bool InputRemoteDatabaseValue(OVEngine::TOVServerType ServerType, std::string& Value);

} // namespace OVDlgs
