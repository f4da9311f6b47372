// OVEngine: the data-access components of the runtime package: sessions,
// database connections, queries, macro queries, stored procedures, tables,
// update objects and scripts, with the session list and the server types.
//
// Sessions and databases. A database component belongs to the session that
// its SessionName designates at the moment of asking: an empty name, or the
// default session's name in any letter case, designates the default session
// (`Session()`); any other name the session component of that SessionName.
// Renaming a database's session therefore moves it, and a database that
// names a session not (yet) created belongs to none until it is. Datasets
// and scripts find their database the same way: through the session their
// SessionName designates, by DatabaseName in any letter case.
//
// Connections. A database connects through the driver of its ServerType:
// SQLite takes RemoteDatabase as the database file (or a "sqlite:PATH" URI),
// PostgreSQL as a conninfo string or a postgresql:// URI. Params holds
// "USER NAME" and "PASSWORD" and the driver's own settings (SQLite: CREATE,
// READONLY, BUSY_TIMEOUT; PostgreSQL: libpq keywords). ParamsFileName names a
// file of name=value lines that supplies settings Params does not give.
// There is no login dialog: LoginPrompt is kept for design files and the
// connection dialog only.
//
// Catalogue calls (the session's name lists, GetSchemaInfo) connect a database
// that is not connected and disconnect it again afterwards, unless its
// KeepConnection is set. Inside BeginCatalogBatch/EndCatalogBatch the column
// and index questions of one database are answered from one read of the whole
// catalog, for tools that walk thousands of tables; outside a batch every
// question goes to the server afresh.
#pragma once

#include "db/DB.hpp"
#include "orvane60/drivers/OVDriver.hpp"
#include "rtl/Classes.hpp"

#include <array>
#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace OVSqlParse {
enum class TSqlDialect;
}

namespace OVEngine {

using Classes::TComponent;
using Classes::TStrings;
using DB::TDataSet;
using DB::TParams;

// Server types: only those that connect to a real server.
// New server types go at the end: design files store the names, settings
// files the names or ordinals.
enum class TOVServerType { stSQLite, stPostgreSQL, stMySQL };
OV_ENUM(TOVServerType, "stSQLite", "stPostgreSQL", "stMySQL")

// The server type's name, its driver's: "SQLite", "PostgreSQL", "MySQL".
std::string GetServerTypeName(TOVServerType ServerType);
// The server type of a name as GetServerTypeName spells it, or of its
// identifier ("stSQLite"), in any letter case; Default for an empty or unknown
// name.
TOVServerType StrToServerTypeDef(std::string_view Name, TOVServerType Default);
// The server type that new database components start with. A database read
// from a design file that leaves ServerType out gets the property's declared
// default (stSQLite), whatever this holds.
extern TOVServerType DefServerType;
// Every server type, in the enumeration's order.
const std::vector<TOVServerType>& ServerTypes();
// The driver of a server type.
OVDriver::TDriver& ServerDriver(TOVServerType ServerType);
OVSqlParse::TSqlDialect ServerDialect(TOVServerType ServerType);

// Design options of a database: ordinal 0 marks the session's default
// database, ordinal 1 stores the Connected state in design files.
enum class TOVDesignDBOption { ddoIsDefaultDatabase, ddoStoreConnected };
OV_ENUM(TOVDesignDBOption, "ddoIsDefaultDatabase", "ddoStoreConnected")
OV_SET(TOVDesignDBOptions, TOVDesignDBOption)

// What GetSchemaInfo answers. siIndexes (ordinal 5) gives one row per column
// of each index of a table.
enum class TOVSchemaType {
  siTables,
  siSysTables,
  siProcedures,
  siColumns,
  siProcedureParams,
  siIndexes
};
OV_ENUM(TOVSchemaType, "siTables", "siSysTables", "siProcedures", "siColumns", "siProcedureParams",
        "siIndexes")

// INDEX_TYPE bits of the index information.
constexpr int itNonUnique = 1;
constexpr int itUnique = 2;
constexpr int itPrimary = 4;

class TOVSession;
class TOVDatabase;
class TOVDataSet;
class TOVDataSetUpdateObject;

// Sessions ---------------------------------------------------------------------

class TOVSession : public TComponent {
  OV_CLASS(TOVSession, TComponent)
public:
  explicit TOVSession(TComponent* AOwner);
  ~TOVSession() override;

  const std::string& GetSessionName() const { return FSessionName; }
  // Raises EDatabaseError when another session already has the name (any
  // letter case), or when it names the default session.
  void SetSessionName(const std::string& Value);
  bool GetKeepConnections() const { return FKeepConnections; }
  void SetKeepConnections(bool Value) { FKeepConnections = Value; }
  bool IsDefault() const;

  // The database components of this session, in creation order.
  std::vector<TOVDatabase*> Databases() const;
  int DatabaseCount() const { return static_cast<int>(Databases().size()); }
  // The database component of that DatabaseName (any letter case), or null.
  TOVDatabase* FindDatabase(std::string_view DatabaseName) const;
  // FindDatabase, raising EDatabaseError naming the database and the session
  // when there is none (or when the name is blank).
  TOVDatabase* DatabaseByName(std::string_view DatabaseName) const;

  // Name lists. Each clears nothing: it adds to List. GetDatabaseNames adds the
  // non-empty DatabaseNames of the session's databases, each once, sorted.
  void GetDatabaseNames(TStrings* List) const;
  // Tables (and views) of the database; Pattern is a LIKE pattern (empty for
  // all) matched in any letter case.
  void GetTableNames(std::string_view DatabaseName, std::string_view Pattern, bool SystemTables,
                     TStrings* List) const;
  void GetStoredProcNames(std::string_view DatabaseName, TStrings* List) const;
  // The table's columns; nothing when there is no such table.
  void GetFieldNames(std::string_view DatabaseName, std::string_view TableName,
                     TStrings* List) const;

  // Connects the database of that name (if it is not yet connected) and
  // returns it; CloseDatabase disconnects it again unless KeepConnection is
  // set or datasets are open on it.
  TOVDatabase* OpenDatabase(std::string_view DatabaseName);
  void CloseDatabase(TOVDatabase* Database);

private:
  std::string FSessionName;
  bool FKeepConnections = true;
};

// The session list: the default session first, then the session components
// in order of creation.
class TOVSessionList {
public:
  int Count() const;
  TOVSession* Sessions(int Index) const;
  TOVSession* operator[](int Index) const { return Sessions(Index); }
  // Empty or the default session's name (any letter case): the default
  // session; otherwise the session component of exactly that SessionName
  // (any letter case), or null.
  TOVSession* FindSession(std::string_view SessionName) const;
  // FindSession, raising EDatabaseError "Session 'X' not found" for an
  // unknown name; the default session for an empty one.
  TOVSession* GetSessionByName(std::string_view SessionName) const;
  void GetSessionNames(TStrings* List) const;
};

TOVSessionList* Sessions();
// The default session: no form component, SessionName "Default".
TOVSession* Session();

// Databases --------------------------------------------------------------------

// What the catalogue says of one table: which table a table text names, its
// columns (with what the server computes) and its indexes.
struct TOVTableInfo {
  OVDriver::TTableRef Table;
  // The text named the table's schema (sales.orders), so statements do too.
  bool Qualified = false;
  std::vector<OVDriver::TColumnInfo> Columns;
  std::vector<OVDriver::TIndexColumn> Indexes;
};

// Sizes of one batch read of a database's catalog, for tools that report it.
struct TOVCatalogBatchInfo {
  int Tables = 0;
  int IndexedTables = 0;
};

class TOVDatabase : public TComponent {
  OV_CLASS(TOVDatabase, TComponent)
public:
  explicit TOVDatabase(TComponent* AOwner);
  ~TOVDatabase() override;

  bool GetConnected() const { return FConnection != nullptr; }
  // What the Connected property shows and a design file stores: also true
  // while an untrusted file's stored Connected is held (never connected).
  bool GetConnectedProperty() const { return GetConnected() || FHeldConnected; }
  // Connects or disconnects for real. A failure raises EDatabaseError with
  // the server's message and leaves Connected false. While a design file is
  // read the value is kept and applied in Loaded.
  void SetConnected(bool Value);
  void Open() { SetConnected(true); }
  void Close() { SetConnected(false); }
  bool IsConnectedStored() const;

  const std::string& GetDatabaseName() const { return FDatabaseName; }
  void SetDatabaseName(const std::string& Value);
  const std::string& GetSessionName() const { return FSessionName; }
  void SetSessionName(const std::string& Value);
  const std::string& GetRemoteDatabase() const { return FRemoteDatabase; }
  void SetRemoteDatabase(const std::string& Value);
  TOVServerType GetServerType() const { return FServerType; }
  void SetServerType(TOVServerType Value);
  TStrings* GetParams() const { return FParams.get(); }
  void SetParams(TStrings* Value);
  const std::string& GetParamsFileName() const { return FParamsFileName; }
  void SetParamsFileName(const std::string& Value);
  bool GetKeepConnection() const { return FKeepConnection; }
  void SetKeepConnection(bool Value) { FKeepConnection = Value; }
  bool GetLoginPrompt() const { return FLoginPrompt; }
  void SetLoginPrompt(bool Value) { FLoginPrompt = Value; }
  TOVDesignDBOptions GetDesignOptions() const { return FDesignOptions; }
  void SetDesignOptions(TOVDesignDBOptions Value) { FDesignOptions = Value; }

  // Written directly by the design package's connection editor, which
  // stores the login prompt without going through a setter.
  bool FLoginPrompt = true;

  // The session SessionName designates, or null when there is none.
  TOVSession* Session() const;
  bool IsObjOwnerSupported() const;
  OVSqlParse::TSqlDialect Dialect() const;

  // The settings a connection is made with: the parameter file's lines
  // overridden by Params.
  std::vector<std::pair<std::string, std::string>> EffectiveParams() const;

  // The open connection; raises EDatabaseError when not connected.
  OVDriver::TConnection& Connection() const;
  // Runs one statement with positional values; the rows it changed.
  int64_t Execute(const std::string& SQL, const std::vector<DB::TVariant>& Params = {});

  // Catalog answers, as new datasets that the caller owns. siIndexes gives
  // the rows TABLE_NAME, INDEX_NAME, COLUMN_NAME, COLUMN_POSITION and
  // INDEX_TYPE (itPrimary | itUnique for the primary key, itUnique, or
  // itNonUnique; null for a column that is an expression), the primary key
  // first; no rows when the table has no index, null when it does not exist. siTables and
  // siSysTables: TABLE_NAME; siProcedures: PROC_NAME; siColumns (ObjName a
  // table): COLUMN_NAME, TYPE_NAME, FIELD_TYPE, SIZE, NULLABLE;
  // siProcedureParams (ObjName a procedure): PARAM_NAME, PARAM_TYPE,
  // TYPE_NAME.
  DB::TDataSet* GetSchemaInfo(TOVSchemaType SchemaType, std::string_view ObjName);

  // Catalog name lists as the driver gives them.
  std::vector<std::string> TableNames(std::string_view Pattern = {}, bool SystemTables = false);
  std::vector<std::string> StoredProcNames();
  std::vector<std::string> FieldNames(std::string_view TableName);
  // The tables and views (system tables excluded) with their schemas,
  // names and kinds, in the order of TableNames.
  std::vector<OVDriver::TTableRef> Tables();
  // The table a table text designates, as a catalogue call reads the text
  // (SQL's reading first: PostgreSQL folds a bare part, quotes keep a part
  // whole), with its columns and indexes; nothing when there is no such
  // table.
  std::optional<TOVTableInfo> DescribeTable(std::string_view TableText);
  // While the catalogue is held outside a batch: what DescribeTable answers
  // for the text, read once and kept by the hold, where it stays (without a
  // copy) until the outermost hold ends; null when there is no such table,
  // and null outside a hold or inside a batch (DescribeTable answers there).
  const TOVTableInfo* HeldTableInfo(std::string_view TableText);

  // Names as SQL writes them on this connection's server: in identifier
  // quotes when Quote is set or the server reads the name otherwise only
  // quoted; a table as the catalogue stores it, each part so written.
  // Raise EDatabaseError when not connected.
  std::string WriteName(std::string_view Name, bool Quote);
  std::string WriteTableName(const TOVTableInfo& Table, bool Quote);
  // The comparison true for equal values and for two nulls, blanks around.
  std::string NullSafeEquals() const;
  // Whether INSERT and UPDATE take a RETURNING clause on this server.
  bool SupportsReturning();

  // Batch catalog mode; calls nest. Leaving the outermost drops the cached
  // catalog.
  void BeginCatalogBatch();
  void EndCatalogBatch();
  bool InCatalogBatch() const { return FBatchLevel > 0; }
  // Holding the catalogue (calls nest): outside a batch, the columns and
  // indexes asked for a table text are read once and kept until the
  // outermost hold ends, for a tool that asks of one table several times
  // in a moment (a dialog's buttons one after the other).
  void BeginCatalogHold();
  void EndCatalogHold();
  // Inside a batch or a hold: the catalogue is taken to stand still.
  bool CatalogHeld() const { return FBatchLevel > 0 || FHoldLevel > 0; }
  TOVCatalogBatchInfo CatalogBatchInfo();

  // The datasets that opened through this database.
  std::vector<TOVDataSet*> DataSets() const { return FDataSets; }
  void CloseDataSets();

  void Loaded() override;

protected:
  void Notification(TComponent* AComponent, Classes::TOperation Operation) override;

private:
  friend class TOVDataSet;
  friend class TOVSession;
  friend class TOVTable;
  friend class TOVDatabaseUse;
  void DoConnect();
  void DoDisconnect();
  void RegisterDataSet(TOVDataSet* DataSet);
  void UnregisterDataSet(TOVDataSet* DataSet);
  std::vector<OVDriver::TColumnInfo> Columns(std::string_view TableName);
  std::vector<OVDriver::TIndexColumn> Indexes(std::string_view TableName);
  struct TCatalogCache;
  // The key of a table text's rows in the batch (nullptr when the batch does
  // not hold them) and, in Ref, the table when the batch's catalogue knows it.
  const std::string* BatchKey(std::string_view TableName, const OVDriver::TTableRef** Ref);
  // Answers from the batch, or nothing when the batch does not know the name.
  const std::vector<OVDriver::TColumnInfo>* BatchColumns(std::string_view TableName);
  const std::vector<OVDriver::TIndexColumn>* BatchIndexes(std::string_view TableName, bool& Known);
  // The batch's index rows under a key BatchKey gave.
  const std::vector<OVDriver::TIndexColumn>* BatchIndexesOfKey(const std::string& Key);

  std::unique_ptr<OVDriver::TConnection> FConnection;
  std::string FDatabaseName;
  std::string FSessionName;
  std::string FRemoteDatabase;
  TOVServerType FServerType;
  std::unique_ptr<Classes::TStringList> FParams;
  std::string FParamsFileName;
  bool FKeepConnection = true;
  TOVDesignDBOptions FDesignOptions;
  bool FStreamedConnected = false;
  bool FHeldConnected = false;
  bool FServerTypeStreamed = false;
  bool FStreamedBefore = false;
  std::vector<TOVDataSet*> FDataSets;
  int FBatchLevel = 0;
  std::unique_ptr<TCatalogCache> FBatch;
  int FHoldLevel = 0;
  struct THeldCatalog;
  std::unique_ptr<THeldCatalog> FHeld;
};

// The statements of one update object, to check against its database.
struct TOVUpdateStatements {
  // The table as the statements name it, and as the catalogue stores it
  // where that is known (else it is looked up).
  std::string Table;
  OVDriver::TTableRef Ref;
  // The dataset's SQL: its fields give the statements' parameters their
  // values, OLD_x and x both the field x's.
  std::string Query;
  // Refresh, modify, insert, delete.
  std::array<std::string, 4> Statements;
};

struct TOVVerifyResult {
  // "" when every check passed; else what failed, the statement named
  // ("modify: column \"x\" does not exist").
  std::string Error;
  // What the checks could not do, for a table that passed ("prepared only:
  // the table has no row to run the statements on").
  std::string Note;
};

using TOVVerifyProgress = std::function<void(int Index, int Count, const std::string& Table)>;

// Whether update statements run on the database's server. Each statement is
// prepared without running (PostgreSQL also plans it, which checks the
// privileges it needs), all in one batch (one pipeline on PostgreSQL). Where
// the query yields a row (one no other table's foreign key keeps, when
// there is such), the four then run for it in a transaction that is always
// rolled back: refresh returns exactly that row, modify and delete each
// change exactly one row, insert puts it back and refresh finds it again.
// Nothing is ever committed. One answer per entry; a lost connection fails
// every entry not yet checked. Progress is called before each row run.
std::vector<TOVVerifyResult> VerifyUpdateStatements(TOVDatabase& Database,
                                                    const std::vector<TOVUpdateStatements>& Tables,
                                                    const TOVVerifyProgress& Progress = {});

// Keeps a database connected for one catalogue call: connects it when it is
// not, and disconnects it again at the end unless KeepConnection is set.
class TOVDatabaseUse {
public:
  explicit TOVDatabaseUse(TOVDatabase* Database);
  ~TOVDatabaseUse();
  TOVDatabaseUse(const TOVDatabaseUse&) = delete;
  TOVDatabaseUse& operator=(const TOVDatabaseUse&) = delete;
  TOVDatabase* operator->() const { return FDatabase; }

private:
  TOVDatabase* FDatabase;
  bool FConnectedHere = false;
};

// Datasets ---------------------------------------------------------------------

enum class TUpdateKind { ukModify, ukInsert, ukDelete };
OV_ENUM(TUpdateKind, "ukModify", "ukInsert", "ukDelete")

// A dataset that reads its rows through a database component. Opening runs
// the descendant's statement and fetches every row into memory.
class TOVDataSet : public DB::TDataSet {
  OV_CLASS(TOVDataSet, DB::TDataSet)
public:
  explicit TOVDataSet(TComponent* AOwner);
  ~TOVDataSet() override;

  const std::string& GetDatabaseName() const { return FDatabaseName; }
  // Stores exactly the text given; raises on an open dataset.
  void SetDatabaseName(const std::string& Value);
  const std::string& GetSessionName() const { return FSessionName; }
  void SetSessionName(const std::string& Value);
  TOVDataSetUpdateObject* GetUpdateObject() const { return FUpdateObject; }
  void SetUpdateObject(TOVDataSetUpdateObject* Value);

  // The session SessionName designates (EDatabaseError for an unknown name).
  TOVSession* GetDBSession() const;
  // The database component the dataset holds while it is open or prepared;
  // null otherwise.
  TOVDatabase* Database() const { return FDatabase; }
  // The database component DatabaseName designates in the session, or null;
  // never connects.
  TOVDatabase* FindDatabase() const;
  // The server type of that database, or DefServerType without one.
  TOVServerType ServerType() const;
  // The rules the statement's SQL is read by: those of the database's
  // session while it is connected (see TOVDatabase::Dialect), else those of
  // the server type.
  OVSqlParse::TSqlDialect SqlDialect() const;
  bool IsObjOwnerSupported() const;

  // Parses a SELECT statement into field info (FieldName=Table.Column for
  // each field with an origin, Table as the statement writes it) and table
  // info (Alias=Table, or Table=Table without an alias), clearing both
  // first. With a connected database, `*` is expanded through its catalog;
  // otherwise a `*` adds nothing. NoOrigin, when given, is cleared and
  // receives the names of the fields without an origin (expressions).
  void ParseFieldInfoFromSQL(const std::string& SQL, TStrings* FieldInfo, TStrings* TableInfo,
                             TStrings* NoOrigin);

  void Prepare();
  void UnPrepare();
  bool GetPrepared() const { return FPrepared; }
  void SetPrepared(bool Value);

  // Rows changed by the last statement run (-1 before any).
  int64_t RowsAffected() const { return FRowsAffected; }

  bool PSIsSQLBased() const override { return true; }
  bool PSIsSQLSupported() const override { return true; }
  std::string PSGetQuoteChar() const override { return "\""; }

protected:
  void Notification(TComponent* AComponent, Classes::TOperation Operation) override;
  void InternalOpen() override;
  void InternalClose() override;
  void InternalPost(bool Inserting) override;
  void InternalDelete() override;

  // The statement that opens the dataset, with its positional values.
  virtual std::string OpenStatement(std::vector<DB::TVariant>& Values) = 0;
  // After the rows are read: descendants pick up output values.
  virtual void AfterFetch() {}
  virtual void DoPrepare() {}
  virtual void DoUnPrepare() {}

  // Finds and connects the database; keeps it in FDatabase.
  TOVDatabase& OpenDatabase();
  void ReleaseDatabase();
  // Runs a statement and fills FieldDefs and rows from its result.
  void FetchStatement(const std::string& SQL, const std::vector<DB::TVariant>& Values);
  // Turns :name parameters into the server's placeholders, with their values.
  std::string BindParams(const std::string& SQL, const TParams* Params,
                         std::vector<DB::TVariant>& Values) const;

  int64_t FRowsAffected = -1;

private:
  friend class TOVDatabase;
  void DatabaseGone();
  std::string FDatabaseName;
  std::string FSessionName;
  TOVDatabase* FDatabase = nullptr;
  bool FConnectedDatabase = false;
  TOVDataSetUpdateObject* FUpdateObject = nullptr;
  bool FPrepared = false;
};

// A query: SQL with :name parameters. Params follows the SQL: whenever the
// SQL changes, the parameter list becomes the SQL's parameters in order of
// first appearance, keeping the type and value of those whose names stay.
class TOVQuery : public TOVDataSet {
  OV_CLASS(TOVQuery, TOVDataSet)
public:
  explicit TOVQuery(TComponent* AOwner);
  ~TOVQuery() override;

  TStrings* GetSQL() const { return FSQL.get(); }
  void SetSQL(TStrings* Value);
  TParams* GetParams() const { return FParams.get(); }
  void SetParams(TParams* Value);
  bool GetParamCheck() const { return FParamCheck; }
  void SetParamCheck(bool Value) { FParamCheck = Value; }
  int ParamCount() const { return FParams->Count(); }
  DB::TParam* ParamByName(std::string_view Name) const { return FParams->ParamByName(Name); }

  // Runs the SQL without opening the dataset (for statements that give no
  // rows); RowsAffected tells how many rows it changed.
  void ExecSQL();
  // The statement as it runs (macro queries expand their macros).
  virtual std::string GetStatementText() const;

  std::string PSGetTableName() const override;
  TParams* PSGetParams() override { return FParams.get(); }

protected:
  std::string OpenStatement(std::vector<DB::TVariant>& Values) override;
  void DoPrepare() override;
  virtual void SQLChanged();
  void RefreshParams();

private:
  std::unique_ptr<Classes::TStringList> FSQL;
  std::unique_ptr<TParams> FParams;
  bool FParamCheck = true;
};

// A query with macros: MacroChar followed by a name (outside literals and
// comments) is replaced by the macro's value before the statement runs; a
// macro without a value expands to nothing. Macros follows the SQL as Params
// does.
class TOVMacroQuery : public TOVQuery {
  OV_CLASS(TOVMacroQuery, TOVQuery)
public:
  explicit TOVMacroQuery(TComponent* AOwner);
  ~TOVMacroQuery() override;

  TParams* GetMacros() const { return FMacros.get(); }
  void SetMacros(TParams* Value);
  char GetMacroChar() const { return FMacroChar; }
  void SetMacroChar(char Value);
  DB::TParam* MacroByName(std::string_view Name) const { return FMacros->ParamByName(Name); }
  std::string GetStatementText() const override;

protected:
  void SQLChanged() override;

private:
  void RefreshMacros();
  std::unique_ptr<TParams> FMacros;
  char FMacroChar = '%';
};

// Names of the macros in SQL, in order of first appearance, each once.
std::vector<std::string> ScanMacros(std::string_view SQL, char MacroChar);
// SQL with each macro replaced by Value(name).
std::string ExpandMacros(std::string_view SQL, char MacroChar,
                         const std::function<std::string(const std::string&)>& Value);

// A stored procedure (PostgreSQL functions and procedures; SQLite has none).
// Prepare asks the server for the parameters; ExecProc runs the procedure
// with the input values of Params and returns output values into Params; Open
// runs it and shows its result rows.
class TOVStoredProc : public TOVDataSet {
  OV_CLASS(TOVStoredProc, TOVDataSet)
public:
  explicit TOVStoredProc(TComponent* AOwner);
  ~TOVStoredProc() override;

  const std::string& GetStoredProcName() const { return FStoredProcName; }
  void SetStoredProcName(const std::string& Value);
  TParams* GetParams() const { return FParams.get(); }
  void SetParams(TParams* Value);
  int GetParamsCount() const { return FParams->Count(); }
  DB::TParam* ParamByName(std::string_view Name) const { return FParams->ParamByName(Name); }
  // True once the server described the procedure's parameters.
  bool DescriptionsAvailable() const { return FDescriptionsAvailable; }
  void ExecProc();

  std::string PSGetTableName() const override { return {}; }
  TParams* PSGetParams() override { return FParams.get(); }

protected:
  std::string OpenStatement(std::vector<DB::TVariant>& Values) override;
  void AfterFetch() override;
  void DoPrepare() override;
  void DoUnPrepare() override;

private:
  std::string CallStatement(std::vector<DB::TVariant>& Values, bool& IsFunction);
  std::string FStoredProcName;
  std::unique_ptr<TParams> FParams;
  bool FDescriptionsAvailable = false;
};

// A table opened by name: `select * from` the table, ordered by the current
// index (IndexFieldNames, else IndexName, else the primary key), limited to
// the master's current row when MasterSource and MasterFields are set
// (MasterFields pairs master fields, in order, with the index's fields).
class TOVTable : public TOVDataSet {
  OV_CLASS(TOVTable, TOVDataSet)
public:
  explicit TOVTable(TComponent* AOwner = nullptr);
  ~TOVTable() override;

  const std::string& GetTableName() const { return FTableName; }
  void SetTableName(const std::string& Value);
  const std::string& GetIndexName() const { return FIndexName; }
  // Selecting an index clears IndexFieldNames, and the other way round; an
  // empty name is the primary index.
  void SetIndexName(const std::string& Value);
  const std::string& GetIndexFieldNames() const { return FIndexFieldNames; }
  void SetIndexFieldNames(const std::string& Value);
  const std::string& GetMasterFields() const { return FMasterFields; }
  void SetMasterFields(const std::string& Value);
  DB::TDataSource* GetMasterSource() const;
  void SetMasterSource(DB::TDataSource* Value);
  DB::TIndexDefs* GetIndexDefs() const { return FIndexDefs.get(); }
  void SetIndexDefs(DB::TIndexDefs* Value);
  bool IsIndexDefsStored() const { return false; }

  // The fields of the current index, once open.
  int GetIndexFieldCount() const { return static_cast<int>(FIndexFields.size()); }
  DB::TField* GetIndexField(int Index) const;

  void UpdateIndexDefs() override;

  bool PSIsSQLBased() const override { return false; }
  bool PSIsSQLSupported() const override { return false; }
  std::string PSGetTableName() const override { return FTableName; }
  std::string PSGetKeyFields() const override;
  DB::TIndexDefs* PSGetIndexDefs() override { return FIndexDefs.get(); }

protected:
  std::string OpenStatement(std::vector<DB::TVariant>& Values) override;
  void DoAfterOpen() override;
  void DoBeforeClose() override;
  void Notification(TComponent* AComponent, Classes::TOperation Operation) override;

private:
  class TMasterLink;
  std::vector<std::string> CurrentIndexFieldNames() const;
  void MasterChanged();
  std::string FTableName;
  std::string FIndexName;
  std::string FIndexFieldNames;
  std::string FMasterFields;
  std::unique_ptr<DB::TIndexDefs> FIndexDefs;
  std::unique_ptr<TMasterLink> FMasterLink;
  std::vector<DB::TField*> FIndexFields;
};

// Update objects -------------------------------------------------------------

// What applies a dataset's changes to the server, one row at a time.
class TOVDataSetUpdateObject : public TComponent {
  OV_CLASS(TOVDataSetUpdateObject, TComponent)
public:
  explicit TOVDataSetUpdateObject(TComponent* AOwner);
  ~TOVDataSetUpdateObject() override;

  TOVDataSet* GetDataSet() const { return FDataSet; }
  virtual void SetDataSet(TOVDataSet* Value);
  // Writes the current row of the dataset (its edit buffer while editing).
  virtual void Apply(TUpdateKind UpdateKind) = 0;

protected:
  void Notification(TComponent* AComponent, Classes::TOperation Operation) override;

private:
  TOVDataSet* FDataSet = nullptr;
};

// An update object with one statement per kind of change. Parameters named
// after fields take the field's new value; OLD_ followed by a field name
// takes the value the row had before the edit.
class TOVUpdateSQL : public TOVDataSetUpdateObject {
  OV_CLASS(TOVUpdateSQL, TOVDataSetUpdateObject)
public:
  explicit TOVUpdateSQL(TComponent* AOwner);
  ~TOVUpdateSQL() override;

  TStrings* GetRefreshSQL() const { return FSQL[0].get(); }
  void SetRefreshSQL(TStrings* Value) { FSQL[0]->Assign(Value); }
  TStrings* GetModifySQL() const { return FSQL[1].get(); }
  void SetModifySQL(TStrings* Value) { FSQL[1]->Assign(Value); }
  TStrings* GetInsertSQL() const { return FSQL[2].get(); }
  void SetInsertSQL(TStrings* Value) { FSQL[2]->Assign(Value); }
  TStrings* GetDeleteSQL() const { return FSQL[3].get(); }
  void SetDeleteSQL(TStrings* Value) { FSQL[3]->Assign(Value); }
  // 0 refresh, 1 modify, 2 insert, 3 delete; EListError for other indexes.
  TStrings* GetSQLIndex(int Index) const;
  TStrings* SQL(TUpdateKind UpdateKind) const;

  void Apply(TUpdateKind UpdateKind) override;
  // Runs the statement of that kind with values from the dataset's current
  // row; the rows it changed.
  int64_t ExecSQL(TUpdateKind UpdateKind);
  // Reads the current row again with RefreshSQL into the dataset.
  void Refresh();

private:
  int64_t RunStatement(TStrings* Statement, bool Query);
  std::unique_ptr<Classes::TStringList> FSQL[4];
};

// Scripts ----------------------------------------------------------------------

// Statements separated by ';' (outside literals and comments) or by a line
// that holds only '/', run one after another through a database.
class TOVScript : public TComponent {
  OV_CLASS(TOVScript, TComponent)
public:
  explicit TOVScript(TComponent* AOwner);
  ~TOVScript() override;

  TStrings* GetSQL() const { return FSQL.get(); }
  void SetSQL(TStrings* Value) { FSQL->Assign(Value); }
  const std::string& GetDatabaseName() const { return FDatabaseName; }
  void SetDatabaseName(const std::string& Value) { FDatabaseName = Value; }
  const std::string& GetSessionName() const { return FSessionName; }
  void SetSessionName(const std::string& Value) { FSessionName = Value; }
  TOVSession* GetDBSession() const;

  // Runs every statement; a failing statement stops the script with an
  // EDatabaseError naming its number and line.
  void ExecSQL();
  // The statements the script holds, as ExecSQL would run them.
  std::vector<std::string> Statements() const;
  int StatementsExecuted() const { return FExecuted; }

private:
  std::unique_ptr<Classes::TStringList> FSQL;
  std::string FDatabaseName;
  std::string FSessionName;
  int FExecuted = 0;
};

struct TScriptStatement {
  std::string Text;
  int Line = 1; // 1-based line the statement starts on
};

// Splits a script as TOVScript does.
std::vector<TScriptStatement> SplitScript(std::string_view Script, OVSqlParse::TSqlDialect Dialect);

} // namespace OVEngine
