// Unit OVReg of the design package: the registration routine, the unit's
// start-up and shut-down, the design settings store, the component editors
// with the code editor bridge, the property editors, the object tree nodes
// and the master-fields link editor.
//
// The settings store keeps what outlives a designer session: the default
// connection parameters and server type, the recently used remote databases,
// and the switch of the SQL property editor. Where they live:
//
// - the registry (HKEY_CURRENT_USER, key "Software\Orvane", string value
//   "RootDir", read only) names the settings directory; a missing key or
//   value, or a RootDir that names no existing directory (a missing one, or a
//   file), gives the current directory ".";
// - the file "orvane.ini" in that directory holds everything else, in the
//   sections "TOVDatabase" (ServerType), "TOVDatabase_Params" (the default
//   parameters), "RecentDatabases" (Item00, Item01, ... and MaxCount) and
//   "SQLEditor" (Enabled).
//
// The directory is settled when the object is created; each setting is read
// from the file on first use and cached; writes reach the file at once.
#pragma once

#include "designide/DBReg.hpp"
#include "designide/DSDesign.hpp"
#include "designide/DesignEditors.hpp"
#include "designide/FldLinks.hpp"
#include "designide/ToolsAPI.hpp"
#include "designide/TreeIntf/Sprigs.hpp"
#include "orvane60/OVDlgs.hpp"
#include "orvane60/OVEngine.hpp"
#include "rtl/Classes.hpp"
#include "rtl/IniFiles.hpp"
#include "rtl/System.hpp"

#include <cstdint>
#include <memory>
#include <string>

namespace OVReg {

class TDesignSettings : public System::TObject {
  OV_CLASS(TDesignSettings, System::TObject)
public:
  TDesignSettings();
  ~TDesignSettings() override;
  TDesignSettings(const TDesignSettings&) = delete;
  TDesignSettings& operator=(const TDesignSettings&) = delete;

  // The settings directory; only the first call reads the registry.
  std::string ReadRootDir();

  // The default connection parameters, name=value lines, read on first use
  // (an empty list is read again on every call). The object's own list:
  // callers copy it or hand it on, never free it.
  Classes::TStrings* DefaultParams();
  void ReadDefaultParams();
  // Replaces the section of default parameters by the lines of Strings (a
  // name given twice keeps its first value; a line without a name is not
  // stored) and caches the lines as given. Raises, changing neither the file
  // nor the cache, when the file cannot be written or a name cannot be
  // stored in it.
  void WriteDefaultParams(Classes::TStrings* Strings);

  // Whether the SQL property editor is wanted; read from the file at most
  // once per object.
  bool SQLEditorEnabled();

  // The recently used remote databases, most recent first, read on first use.
  // The object's own list: never freed by callers.
  Classes::TStrings* RecentDatabaseList();
  // Puts Name first in the recent list (moving it there, in its stored
  // spelling, when it is in the list already in any letter case). Names that
  // are empty, blank or hold a line break are ignored: the file could not
  // give them back, and an empty item would hide the ones after it.
  void AddRecentDatabase(const std::string& Name);
  void ReadRecentDatabases();
  // Writes the recent list when a name was added to it since it was read:
  // one replacement of the file that rewrites the items where they stand,
  // keeping the file's order, comments and other keys, and drops items the
  // list does not hold. A session that only read the list (a report) writes
  // nothing. Failures are swallowed: this runs while the package unloads.
  void WriteRecentDatabases();

  // The saved default server type, or the runtime's current one.
  OVEngine::TOVServerType ReadDefaultServerType();
  // Saves Value and makes it the runtime's default; when saving fails the
  // runtime's default stays as it was.
  void WriteDefaultServerType(OVEngine::TOVServerType Value);

  // Where the settings live, and how many recent names are read (0 while the
  // list has not been read).
  const std::string& GetRootDir() const { return FRootDir; }
  std::string GetIniFileName() const;
  int32_t GetMaxRecentCount() const { return FMaxRecentCount; }

  // Published for the host, which reads the store through its properties:
  // reading one reads the setting on first use, as the operations do.
  bool GetSQLEditorEnabled() const;
  std::string GetDefaultServerTypeName() const;
  Classes::TStrings* GetDefaultParams() const;
  Classes::TStrings* GetRecentDatabases() const;

private:
  std::string FRootDir;
  std::unique_ptr<IniFiles::TIniFile> FIniFile;
  std::unique_ptr<Classes::TStringList> FRecentDatabases;
  int32_t FMaxRecentCount = 0;
  bool FRecentChanged = false; // a name was added since the list was read
  std::unique_ptr<Classes::TStringList> FDefaultParams;
  int32_t FSQLEditorState = 2; // 0 disabled, 1 enabled, 2 not read yet
};

// The one settings object, from the unit's start-up to its shut-down; null
// outside that time. Other units use it and never free it.
extern TDesignSettings* DesignSettings;

// Unit start-up and shut-down, run by the package's Initialize and Finalize.
// A guard counter makes only the first start-up and the matching last
// shut-down do their work: start-up creates DesignSettings and gives the
// runtime the saved default server type; shut-down writes the recent list and
// frees the settings. A start-up that fails leaves the counter as it found it.
void InitializeUnit();
void FinalizeUnit();
// The guard counter: 0 when the unit is not started, negative while it is.
int32_t InitGuardCount();

// The registrations of the package, in the designer's order.
void Register();

// The palette page of the package's components.
inline constexpr const char* PalettePage = "Orvane";

// Component editors ----------------------------------------------------------------------
//
// The context-menu verbs and double-click action of each component. Every
// menu starts with the version verb (the product name and version of this
// package; it opens the About box). A descendant numbers its verbs after its
// parent's, handles its own indexes and passes the others on; "-" is a
// separator; an index no class of the chain owns gives "" and does nothing.
// Captions are read from the runtime package each time they are asked for.
//
//   sessions, monitors, SQLBase servers, scripts   0 version
//   datasets, tables                               0 version, 1 -, 2 fields editor
//   queries                                        ..., 3 parameters, 4 SQL (while the SQL
//                                                  editor is enabled)
//   macro queries                                  as queries, then macros (4 or 5)
//   stored procedures                              ..., 3 parameters
//   update objects                                 0 version, 1 -, 2 UpdateSQL editor
//   databases                                      0 version, 1 -, 2 connection dialog,
//                                                  3 parameters
//
// A double-click runs the About box for the first group, the fields editor
// for datasets, the UpdateSQL editor for update objects and the connection
// dialog for databases. Only the SQL, UpdateSQL, connection and parameter
// dialogs of databases tell the designer of a change (Modified), and only
// when they were confirmed; the collection and fields editors tell it
// themselves.

// "<product name> <version>" from the package file's version resource
// ("Orvane " when it gives nothing).
std::string GetVersionVerbCaption();
// The Name of the designer's root; "" without a designer or root.
std::string GetDesignerRootName(DesignIntf::IDesigner* Designer);
// The collection editor on the query's parameters (or macros), with no
// adding, deleting or moving: they follow the SQL.
void EditQueryParams(DesignIntf::IDesigner* Designer, OVEngine::TOVQuery* Query);
void EditQueryMacros(DesignIntf::IDesigner* Designer, OVEngine::TOVMacroQuery* Query);
// The collection editor on a stored procedure's parameters. A procedure
// without parameters that is not prepared is prepared first, so that the
// server describes them; a procedure that is prepared afterwards is
// unprepared again. When its database is connected and the server described
// the procedure, parameters cannot be added or deleted.
void EditStoredProcParams(DesignIntf::IDesigner* Designer, OVEngine::TOVStoredProc* Proc);
// The database the procedure's session holds under its DatabaseName, or null.
OVEngine::TOVDatabase* FindStoredProcDatabase(OVEngine::TOVStoredProc* Proc);
// The UpdateSQL editor; the designer is told when it was confirmed.
void EditUpdateObject(DesignIntf::IDesigner* Designer, OVEngine::TOVUpdateSQL* UpdateSQL);

class TOVDefaultEditor : public DesignEditors::TComponentEditor {
  OV_CLASS(TOVDefaultEditor, DesignEditors::TComponentEditor)
public:
  using inherited::inherited;
  void Edit() override;
  void ExecuteVerb(int Index) override;
  std::string GetVerb(int Index) override;
  int GetVerbCount() override;
};

class TOVScriptEditor : public TOVDefaultEditor {
  OV_CLASS(TOVScriptEditor, TOVDefaultEditor)
public:
  using inherited::inherited;
};

class TOVUpdateSQLEditor : public TOVDefaultEditor {
  OV_CLASS(TOVUpdateSQLEditor, TOVDefaultEditor)
public:
  using inherited::inherited;
  void Edit() override;
  void ExecuteVerb(int Index) override;
  std::string GetVerb(int Index) override;
  int GetVerbCount() override;
};

// Takes none of the platform dataset editor's verbs; keeps its dataset
// designer class for the fields editor.
class TOVDataSetEditor : public DBReg::TDataSetEditor {
  OV_CLASS(TOVDataSetEditor, DBReg::TDataSetEditor)
public:
  using inherited::inherited;
  void Edit() override;
  void ExecuteVerb(int Index) override;
  std::string GetVerb(int Index) override;
  int GetVerbCount() override;
};

// Its verbs cast the component to TOVQuery, raising EInvalidCast for any
// other class.
class TOVQueryEditor : public TOVDataSetEditor {
  OV_CLASS(TOVQueryEditor, TOVDataSetEditor)
public:
  using inherited::inherited;
  void ExecuteVerb(int Index) override;
  std::string GetVerb(int Index) override;
  int GetVerbCount() override;
  // The SQL dialog's code editor: opens Strings as the query's SQL module.
  void ShowCodeEditor(Classes::TStrings* Strings, bool Modified);
};

class TOVStoredProcEditor : public TOVDataSetEditor {
  OV_CLASS(TOVStoredProcEditor, TOVDataSetEditor)
public:
  using inherited::inherited;
  void ExecuteVerb(int Index) override;
  std::string GetVerb(int Index) override;
  int GetVerbCount() override;
};

// The connection editor of databases. The connection dialog lives only while
// EditDatabase runs; its buttons for the default parameters and the default
// server type reach the settings store through the handlers below, which do
// nothing while no dialog is open.
class TOVDatabaseEditor : public TOVDefaultEditor {
  OV_CLASS(TOVDatabaseEditor, TOVDefaultEditor)
public:
  using inherited::inherited;
  ~TOVDatabaseEditor() override;
  void Edit() override;
  void ExecuteVerb(int Index) override;
  std::string GetVerb(int Index) override;
  int GetVerbCount() override;

  // Runs the connection dialog on Database; on OK writes back, in this
  // order, Params, DatabaseName, ServerType, RemoteDatabase, KeepConnection
  // and LoginPrompt (into the field, without a setter), then the two design
  // options one SetDesignOptions call each, and returns true. Values written
  // before an error stay written.
  bool EditDatabase(OVEngine::TOVDatabase* Database);
  void GetDefaultParams(Classes::TStrings* List);
  void LoadDefaultParams(System::TObject* Sender);
  void SaveDefaultParams(System::TObject* Sender);
  void SaveDefaultSrvType(System::TObject* Sender);
  void ShowParamsCodeEditor(Classes::TStrings* Strings, bool Modified);

  // The connection dialog while EditDatabase runs, else null.
  OVDlgs::TOVDatabaseEditDlg* EditDlg() const { return FEditDlg; }

private:
  OVDlgs::TOVDatabaseEditDlg* FEditDlg = nullptr;
};

// Step 3 of Register: the component editors of the ten classes, in order.
// (The macro query's editor is private to the unit.)
void RegisterComponentEditors();

// Code editor bridge ---------------------------------------------------------------------
//
// String-list properties (a query's SQL, a database's Params) opened as text
// modules in the host's code editor. A module is named after the designer's
// root, the component and the property (Form1.OVQuery1.SQL) and bound to the
// strings file system, through which its saved text returns into the
// property.

// The module name of the property, or "" when Instance is no component
// owned by the designer's root or the root has no name.
std::string StringsModuleName(DesignIntf::IDesigner* Designer, Classes::TPersistent* Instance,
                              const std::string& PropName);
// Opens Strings as the property's module (marked modified when Modified is
// set) and shows it. Raises EIntfCastError when the host offers no module
// services; ends silently when the host creates no module.
void OpenStringsInCodeEditor(DesignIntf::IDesigner* Designer, Classes::TPersistent* Instance,
                             const std::string& PropName, Classes::TStrings* Strings,
                             bool Modified);
// True when no module of the property is open or the open one closed; false
// when it stayed open (the person kept unsaved changes).
bool CloseStringsModule(DesignIntf::IDesigner* Designer, Classes::TPersistent* Instance,
                        const std::string& PropName);
// True when a module of the property was open and has been brought to the
// front.
bool ShowStringsModule(DesignIntf::IDesigner* Designer, Classes::TPersistent* Instance,
                       const std::string& PropName);
// Whether the Alt key is held down at this moment.
bool IsAltKeyDown();

// A file handed to the host: the source text and its age.
class TOTAFile : public System::TInterfacedObject, public ToolsAPI::IOTAFile {
  OV_CLASS(TOTAFile, System::TInterfacedObject)
public:
  TOTAFile(std::string Source, SysUtils::TDateTime Age);
  std::string GetSource() override { return FSource; }
  SysUtils::TDateTime GetAge() override { return FAge; }

private:
  std::string FSource;
  SysUtils::TDateTime FAge;
};

// What the bridge hands the host to create a text module in the strings
// file system; it owns the stream with the property's text and frees it
// when the last reference goes.
class TStringsModuleCreator : public System::TInterfacedObject, public ToolsAPI::IOTAModuleCreator {
  OV_CLASS(TStringsModuleCreator, System::TInterfacedObject)
public:
  TStringsModuleCreator(std::string FileName, std::unique_ptr<Classes::TStringStream> Stream,
                        SysUtils::TDateTime Age);
  ~TStringsModuleCreator() override;

  std::string GetCreatorType() override;
  bool GetExisting() override;
  std::string GetFileSystem() override;
  System::TInterfaceRef<ToolsAPI::IOTAModule> GetOwner() override;
  bool GetUnnamed() override;

  std::string GetAncestorName() override;
  std::string GetImplFileName() override;
  std::string GetIntfFileName() override;
  std::string GetFormName() override;
  bool GetMainForm() override;
  bool GetShowForm() override;
  bool GetShowSource() override;
  System::TInterfaceRef<ToolsAPI::IOTAFile> NewFormFile(const std::string& FormIdent,
                                                        const std::string& AncestorIdent) override;
  // A new file each call: the whole stream as its source, the creator's age.
  System::TInterfaceRef<ToolsAPI::IOTAFile>
  NewImplSource(const std::string& ModuleIdent, const std::string& FormIdent,
                const std::string& AncestorIdent) override;
  System::TInterfaceRef<ToolsAPI::IOTAFile>
  NewIntfSource(const std::string& ModuleIdent, const std::string& FormIdent,
                const std::string& AncestorIdent) override;
  void FormCreated(const System::TInterfaceRef<ToolsAPI::IOTAFormEditor>& FormEditor) override;

private:
  std::string FFileName;
  std::unique_ptr<Classes::TStringStream> FStream;
  SysUtils::TDateTime FAge;
};

// Name-list property editors --------------------------------------------------------
//
// Drop-down lists of the names a property may take, read live from the
// runtime's sessions and their catalogues (a list that needs a database
// connects it for the question), or, for a database's remote database, the
// history of recently connected ones. With several components selected the
// lists are those of the first.

// The entry the remote database list shows while the history is empty;
// choosing it changes nothing.
inline constexpr const char* SHistoryListPlaceholder = "<history list>";

class TOVStringProperty : public DesignEditors::TStringProperty {
  OV_CLASS(TOVStringProperty, DesignEditors::TStringProperty)
public:
  using inherited::inherited;
  // A sorted value list, also for several components.
  DesignIntf::TPropertyAttributes GetAttributes() override;
  // The entries GetValueList adds, in its order.
  void GetValues(const DesignIntf::TGetStrProc& Proc) override;
  // Adds the names to List.
  virtual void GetValueList(Classes::TStrings* List) = 0;
};

// A database's RemoteDatabase: the recent remote databases, most recent
// first; the ellipsis asks for one in the runtime's input dialog.
class TOVDatabaseProperty : public TOVStringProperty {
  OV_CLASS(TOVDatabaseProperty, TOVStringProperty)
public:
  using inherited::inherited;
  void Edit() override;
  // A value list in the history's order, with a dialog; one component only.
  DesignIntf::TPropertyAttributes GetAttributes() override;
  // The history placeholder is refused silently: the property keeps its value.
  void SetValue(const std::string& Value) override;
  void GetValueList(Classes::TStrings* List) override;
};

// SessionName of databases, datasets and scripts: every session's name, the
// default session's included.
class TOVSessionNameProperty : public TOVStringProperty {
  OV_CLASS(TOVSessionNameProperty, TOVStringProperty)
public:
  using inherited::inherited;
  void GetValueList(Classes::TStrings* List) override;
};

// DatabaseName of datasets and scripts: the database names of the session
// the component names.
class TOVDatabaseNameProperty : public TOVStringProperty {
  OV_CLASS(TOVDatabaseNameProperty, TOVStringProperty)
public:
  using inherited::inherited;
  void GetValueList(Classes::TStrings* List) override;
};

// A stored procedure's StoredProcName: the procedures of its database.
class TOVStoredProcNameProperty : public TOVStringProperty {
  OV_CLASS(TOVStoredProcNameProperty, TOVStringProperty)
public:
  using inherited::inherited;
  void GetValueList(Classes::TStrings* List) override;
};

// A table's TableName: the tables of its database.
class TOVTableNameProperty : public TOVStringProperty {
  OV_CLASS(TOVTableNameProperty, TOVStringProperty)
public:
  using inherited::inherited;
  // Typed text is completed from the list only while the table's database is
  // connected; asking never connects it.
  bool AutoFill() override;
  void GetValueList(Classes::TStrings* List) override;
};

// A database's Connected: connecting it for real puts its remote database
// first in the history of the design settings.
class TOVDatabaseConnectedProperty : public DesignEditors::TEnumProperty {
  OV_CLASS(TOVDatabaseConnectedProperty, DesignEditors::TEnumProperty)
public:
  using inherited::inherited;
  void SetValue(const std::string& Value) override;
};

// Params, file-name, string-list and SQL property editors -------------------------------

// A parameter collection: shown as (TParams), edited in the collection editor.
class TOVParamsProperty : public DesignEditors::TPropertyEditor {
  OV_CLASS(TOVParamsProperty, DesignEditors::TPropertyEditor)
public:
  using inherited::inherited;
  DesignIntf::TPropertyAttributes GetAttributes() override;
  std::string GetValue() override;
};

class TOVQueryParamsProperty : public TOVParamsProperty {
  OV_CLASS(TOVQueryParamsProperty, TOVParamsProperty)
public:
  using inherited::inherited;
  void Edit() override;
};

class TOVStoredProcParamsProperty : public TOVParamsProperty {
  OV_CLASS(TOVStoredProcParamsProperty, TOVParamsProperty)
public:
  using inherited::inherited;
  void Edit() override;
};

// A database's ParamsFileName, chosen in the file-open dialog.
class TOVFileNameProperty : public DesignEditors::TStringProperty {
  OV_CLASS(TOVFileNameProperty, DesignEditors::TStringProperty)
public:
  using inherited::inherited;
  void Edit() override;
  DesignIntf::TPropertyAttributes GetAttributes() override;
};

// The filter of the parameter file dialog.
inline constexpr const char* SParamsFileFilter =
    "Ini-files (*.ini)|*.INI|Text files (*.txt)|*.TXT|All files (*.*)|*.*";

// A string-list property edited in a dialog as a whole, not unfolded.
class TOVStringListEditDlgProperty : public DesignEditors::TClassProperty {
  OV_CLASS(TOVStringListEditDlgProperty, DesignEditors::TClassProperty)
public:
  using inherited::inherited;
  DesignIntf::TPropertyAttributes GetAttributes() override;
  // The first component's own list.
  Classes::TStrings* GetStrings();
  // Sets the property of every component through its setter and tells the
  // designer.
  void SetStrings(Classes::TStrings* Value);
};

// A database's Params: the runtime's parameter dialog, or the code editor.
class TOVDatabaseParamsProperty : public TOVStringListEditDlgProperty {
  OV_CLASS(TOVDatabaseParamsProperty, TOVStringListEditDlgProperty)
public:
  using inherited::inherited;
  // An open code editor module of the property comes to the front; with Alt
  // held the list opens in the code editor; otherwise the dialog runs and a
  // confirmed list is set again.
  void Edit() override;
  // Replaces List's lines with the saved default parameters.
  void GetDefaultParams(Classes::TStrings* List);
  void ShowCodeEditor(Classes::TStrings* List, bool Modified);
};

// A query's SQL: the runtime's SQL dialog, or the code editor.
class TOVQuerySQLProperty : public TOVStringListEditDlgProperty {
  OV_CLASS(TOVQuerySQLProperty, TOVStringListEditDlgProperty)
public:
  using inherited::inherited;
  // As the database's Params; a confirmed dialog has written the SQL already
  // and the designer is told.
  void Edit() override;
  void ShowCodeEditor(Classes::TStrings* List, bool Modified);
};

// Master-fields link ----------------------------------------------------------------------

// A table's MasterFields in the field link designer. The designer works on
// a working copy of the table (same session, database, table, index and
// master fields, opened for its fields and indexes), so that the designed
// table changes only when the developer confirms a changed link: then its
// master fields and then its index are written back.
class TOVTableFieldLinkProperty : public FldLinks::TFieldLinkProperty {
  OV_CLASS(TOVTableFieldLinkProperty, FldLinks::TFieldLinkProperty)
public:
  using inherited::inherited;

  void Edit() override;
  void GetFieldNamesForIndex(Classes::TStrings* List) override;
  bool GetIndexBased() override;
  DB::TIndexDefs* GetIndexDefs() override;
  std::string GetIndexFieldNames() override;
  std::string GetIndexName() override;
  std::string GetMasterFields() override;
  void SetIndexFieldNames(const std::string& Value) override;
  // The primary index entry (OVConsts::SPrimary) selects the primary index.
  void SetIndexName(const std::string& Value) override;
  void SetMasterFields(const std::string& Value) override;

  // The working copy while Edit runs, else null.
  OVEngine::TOVTable* WorkingTable() const { return FTable.get(); }

private:
  std::unique_ptr<OVEngine::TOVTable> FTable;
};

// Object tree nodes -------------------------------------------------------------------------
//
// Sessions hang under the root, databases under the node of the session they
// name, datasets under the node of their database. Components that name the
// runtime's default session hang under one transient default-session node;
// datasets that name a database no node under their session stands for hang
// under a transient implied-database node of that name. Dragging a node
// rewires SessionName and DatabaseName.

// The name of the session node a session name leads to: "<DefaultSession>"
// for an empty name or the default session's (any case), else the name.
std::string SessionNodeKey(const std::string& SessionName);
// "<ImpliedDatabase>.Name": the unique name of an implied-database node.
std::string ImpliedDatabaseNodeKey(const std::string& DatabaseName);

class TOVSessionSprig : public TreeIntf::TComponentSprig {
  OV_CLASS(TOVSessionSprig, TreeIntf::TComponentSprig)
public:
  using inherited::inherited;
  bool AnyProblems() override;
  std::string Name() override;
  std::string Caption() override;
};

class TOVDefaultSessionSprig : public TreeIntf::TTransientSprig {
  OV_CLASS(TOVDefaultSessionSprig, TreeIntf::TTransientSprig)
public:
  using inherited::inherited;
  std::string UniqueName() override;
  bool Transient() override;
  System::TClass ItemClass() override;
  std::string Caption() override;
};

class TOVDatabaseSprig : public TreeIntf::TComponentSprig {
  OV_CLASS(TOVDatabaseSprig, TreeIntf::TComponentSprig)
public:
  using inherited::inherited;
  bool AnyProblems() override;
  std::string Name() override;
  std::string Caption() override;
  bool DragOverTo(TreeIntf::TSprig* Parent) override;
  bool DragDropTo(TreeIntf::TSprig* Parent) override;
  bool PaletteOverTo(TreeIntf::TSprig* Parent, System::TClass AClass) override;
  void FigureParent() override;
};

class TOVImpliedDatabaseSprig : public TreeIntf::TComponentSprig {
  OV_CLASS(TOVImpliedDatabaseSprig, TreeIntf::TComponentSprig)
public:
  // Both names start empty.
  explicit TOVImpliedDatabaseSprig(Classes::TComponent* AItem = nullptr);
  std::string UniqueName() override;
  bool Transient() override;
  bool AnyProblems() override;
  System::TClass ItemClass() override;
  std::string Caption() override;
  bool DragOverTo(TreeIntf::TSprig* Parent) override;
  bool DragDropTo(TreeIntf::TSprig* Parent) override;
  void FigureParent() override;

  // The session the node belongs to, as the dataset that made it names it.
  std::string SessionName;
  // The database name the node stands for.
  std::string DatabaseName;
};

class TOVUpdateSQLSprig : public TreeIntf::TComponentSprig {
  OV_CLASS(TOVUpdateSQLSprig, TreeIntf::TComponentSprig)
public:
  using inherited::inherited;
  bool AnyProblems() override;
};

class TOVDataSetSprig : public DSDesign::TDataSetSprig {
  OV_CLASS(TOVDataSetSprig, DSDesign::TDataSetSprig)
public:
  using inherited::inherited;
  bool AnyProblems() override;
  bool DragOverTo(TreeIntf::TSprig* Parent) override;
  bool DragDropTo(TreeIntf::TSprig* Parent) override;
  bool PaletteOverTo(TreeIntf::TSprig* Parent, System::TClass AClass) override;
  void Reparent() override;
  void FigureParent() override;

protected:
  OVEngine::TOVDataSet* DataSet() const;
};

class TOVTableSprig : public TOVDataSetSprig {
  OV_CLASS(TOVTableSprig, TOVDataSetSprig)
public:
  using inherited::inherited;
  bool AnyProblems() override;
  std::string Caption() override;
};

class TOVQuerySprig : public TOVDataSetSprig {
  OV_CLASS(TOVQuerySprig, TOVDataSetSprig)
public:
  using inherited::inherited;
  bool AnyProblems() override;
  std::string Caption() override;
};

class TOVStoredProcSprig : public TOVDataSetSprig {
  OV_CLASS(TOVStoredProcSprig, TOVDataSetSprig)
public:
  using inherited::inherited;
  bool AnyProblems() override;
  std::string Caption() override;
};

} // namespace OVReg
