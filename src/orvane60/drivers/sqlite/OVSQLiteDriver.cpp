#include "orvane60/drivers/sqlite/OVSQLiteDriver.hpp"

#include <sqlite3.h>

#include <algorithm>
#include <charconv>
#include <filesystem>
#include <optional>

namespace OVDriver::OVSQLite {

namespace {

// The database handle is shared by the connection and its open result sets, so
// a result set that outlives its connection still finalizes against a live
// handle; the handle closes with the last of them.
struct TDatabase {
  sqlite3* Handle = nullptr;
  ~TDatabase() { sqlite3_close_v2(Handle); }
};
using PDatabase = std::shared_ptr<TDatabase>;

struct TStatementDeleter {
  void operator()(sqlite3_stmt* Stmt) const noexcept { sqlite3_finalize(Stmt); }
};
using PStatement = std::unique_ptr<sqlite3_stmt, TStatementDeleter>;

[[noreturn]] void Fail(sqlite3* Db, const std::string& Context) {
  throw EDriverError(Context, sqlite3_errmsg(Db), {}, sqlite3_extended_errcode(Db));
}

std::string UpperCase(std::string_view Text) {
  std::string Result(Text);
  for (char& C : Result)
    if (C >= 'a' && C <= 'z')
      C = static_cast<char>(C - 'a' + 'A');
  return Result;
}

bool OnlyBlanksAndComments(std::string_view Text) {
  std::size_t I = 0;
  while (I < Text.size()) {
    const char C = Text[I];
    if (C == ' ' || C == '\t' || C == '\r' || C == '\n' || C == ';') {
      ++I;
    } else if (Text.substr(I, 2) == "--") {
      I = Text.find('\n', I);
      if (I == std::string_view::npos)
        return true;
    } else if (Text.substr(I, 2) == "/*") {
      I = Text.find("*/", I + 2);
      if (I == std::string_view::npos)
        return true;
      I += 2;
    } else {
      return false;
    }
  }
  return true;
}

PStatement Prepare(sqlite3* Db, std::string_view SQL, const std::string& Context) {
  sqlite3_stmt* Raw = nullptr;
  const char* Tail = nullptr;
  if (sqlite3_prepare_v2(Db, SQL.data(), static_cast<int>(SQL.size()), &Raw, &Tail) != SQLITE_OK)
    Fail(Db, Context);
  PStatement Stmt(Raw);
  if (!Stmt)
    throw EDriverError(Context, "the text holds no statement");
  const std::string_view Rest(Tail, static_cast<std::size_t>(SQL.data() + SQL.size() - Tail));
  if (!OnlyBlanksAndComments(Rest))
    throw EDriverError(Context, "the text holds more than one statement; only one can run with "
                                "parameters (several run as a script)");
  return Stmt;
}

void Bind(sqlite3* Db, sqlite3_stmt* Stmt, const TValues& Params, const std::string& Context) {
  const int Expected = sqlite3_bind_parameter_count(Stmt);
  if (Expected != static_cast<int>(Params.size()))
    throw EDriverError(Context, "the statement has " + std::to_string(Expected) +
                                    " parameter(s) but " + std::to_string(Params.size()) +
                                    " value(s) were given");
  for (int I = 0; I < Expected; ++I) {
    const TValue& V = Params[static_cast<std::size_t>(I)];
    int Rc = SQLITE_OK;
    switch (V.Kind()) {
    case TValueKind::Null:
      Rc = sqlite3_bind_null(Stmt, I + 1);
      break;
    case TValueKind::Integer:
      Rc = sqlite3_bind_int64(Stmt, I + 1, V.AsInteger());
      break;
    case TValueKind::Float:
      Rc = sqlite3_bind_double(Stmt, I + 1, V.AsFloat());
      break;
    case TValueKind::Text: {
      const std::string& Text = V.AsBlob();
      Rc =
          sqlite3_bind_text64(Stmt, I + 1, Text.data(), Text.size(), SQLITE_TRANSIENT, SQLITE_UTF8);
      break;
    }
    case TValueKind::Blob: {
      const std::string& Bytes = V.AsBlob();
      Rc = sqlite3_bind_blob64(Stmt, I + 1, Bytes.data(), Bytes.size(), SQLITE_TRANSIENT);
      break;
    }
    }
    if (Rc != SQLITE_OK)
      Fail(Db, Context + ", parameter " + std::to_string(I + 1));
  }
}

TValue ReadValue(sqlite3_stmt* Stmt, int Index) {
  switch (sqlite3_column_type(Stmt, Index)) {
  case SQLITE_INTEGER:
    return TValue(static_cast<std::int64_t>(sqlite3_column_int64(Stmt, Index)));
  case SQLITE_FLOAT:
    return TValue(sqlite3_column_double(Stmt, Index));
  case SQLITE_TEXT: {
    const auto* Text = reinterpret_cast<const char*>(sqlite3_column_text(Stmt, Index));
    return TValue(std::string(Text, static_cast<std::size_t>(sqlite3_column_bytes(Stmt, Index))));
  }
  case SQLITE_BLOB: {
    const auto* Bytes = static_cast<const char*>(sqlite3_column_blob(Stmt, Index));
    const auto Size = static_cast<std::size_t>(sqlite3_column_bytes(Stmt, Index));
    return TValue::Blob(Bytes ? std::string(Bytes, Size) : std::string());
  }
  default:
    return TValue();
  }
}

std::string DisplayName(std::string_view Schema, std::string_view Table) {
  if (Schema.empty() || Schema == "main")
    return std::string(Table);
  return std::string(Schema) + "." + std::string(Table);
}

std::vector<TColumnInfo> DescribeColumns(sqlite3* Db, sqlite3_stmt* Stmt) {
  std::vector<TColumnInfo> Result;
  const int Count = sqlite3_column_count(Stmt);
  for (int I = 0; I < Count; ++I) {
    const char* Declared = sqlite3_column_decltype(Stmt, I);
    TColumnInfo Info = ColumnTypeFromDeclaration(Declared ? Declared : "");
    Info.Name = sqlite3_column_name(Stmt, I);
    const char* Schema = sqlite3_column_database_name(Stmt, I);
    const char* Table = sqlite3_column_table_name(Stmt, I);
    const char* Column = sqlite3_column_origin_name(Stmt, I);
    if (Table && Column) {
      Info.OriginTable = DisplayName(Schema ? Schema : "", Table);
      Info.OriginColumn = Column;
      int NotNull = 0;
      if (sqlite3_table_column_metadata(Db, Schema, Table, Column, nullptr, nullptr, &NotNull,
                                        nullptr, nullptr) == SQLITE_OK)
        Info.Nullable = NotNull == 0;
    }
    Result.push_back(std::move(Info));
  }
  return Result;
}

class TSQLiteResultSet final : public TResultSet {
public:
  TSQLiteResultSet(PDatabase Db, PStatement Stmt, std::string Context)
      : FDb(std::move(Db)), FStmt(std::move(Stmt)), FContext(std::move(Context)) {
    FColumns = DescribeColumns(FDb->Handle, FStmt.get());
    // The statement runs now, so that its errors surface where it is opened.
    FPending = StepOnce();
  }

  int ColumnCount() const override { return static_cast<int>(FColumns.size()); }
  const std::string& ColumnName(int Index) const override { return FColumns.at(Check(Index)).Name; }
  const TColumnInfo& Column(int Index) override { return FColumns.at(Check(Index)); }

  bool Next() override {
    if (FFirst) {
      FFirst = false;
      FOnRow = FPending;
    } else if (FOnRow) {
      FOnRow = StepOnce();
    }
    return FOnRow;
  }

  bool IsNull(int Index) const override {
    RequireRow(Index);
    return sqlite3_column_type(FStmt.get(), Index) == SQLITE_NULL;
  }

  TValue Value(int Index) const override {
    RequireRow(Index);
    return ReadValue(FStmt.get(), Index);
  }

private:
  bool StepOnce() {
    const int Rc = sqlite3_step(FStmt.get());
    if (Rc == SQLITE_ROW)
      return true;
    if (Rc == SQLITE_DONE)
      return false;
    Fail(FDb->Handle, FContext);
  }

  std::size_t Check(int Index) const {
    if (Index < 0 || Index >= ColumnCount())
      throw EDriverError(FContext, "there is no column " + std::to_string(Index) +
                                       " (the result has " + std::to_string(ColumnCount()) + ")");
    return static_cast<std::size_t>(Index);
  }

  void RequireRow(int Index) const {
    Check(Index);
    if (!FOnRow)
      throw EDriverError(FContext, "there is no current row");
  }

  PDatabase FDb;
  PStatement FStmt;
  std::string FContext;
  std::vector<TColumnInfo> FColumns;
  bool FPending = false;
  bool FFirst = true;
  bool FOnRow = false;
};

class TSQLiteConnection final : public TConnection {
public:
  TSQLiteConnection(TDriver& Driver, PDatabase Db) : TConnection(Driver), FDb(std::move(Db)) {}

  std::int64_t Execute(std::string_view SQL, const TValues& Params) override {
    const std::string Context = "Executing " + SQLExcerpt(SQL);
    PStatement Stmt = Prepare(Db(), SQL, Context);
    Bind(Db(), Stmt.get(), Params, Context);
    const sqlite3_int64 Before = sqlite3_total_changes64(Db());
    int Rc;
    while ((Rc = sqlite3_step(Stmt.get())) == SQLITE_ROW) {
    }
    if (Rc != SQLITE_DONE)
      Fail(Db(), Context);
    // sqlite3_changes64 keeps the count of an earlier statement when this one
    // changed nothing (DDL, SELECT), so only trust it when the total moved.
    if (sqlite3_stmt_readonly(Stmt.get()) || sqlite3_total_changes64(Db()) == Before)
      return 0;
    return sqlite3_changes64(Db());
  }

  void ExecuteScript(std::string_view SQL) override {
    const std::string Text(SQL);
    if (sqlite3_exec(Db(), Text.c_str(), nullptr, nullptr, nullptr) != SQLITE_OK)
      Fail(Db(), "Executing the script " + SQLExcerpt(SQL));
  }

  std::unique_ptr<TResultSet> Query(std::string_view SQL, const TValues& Params) override {
    const std::string Context = "Running the query " + SQLExcerpt(SQL);
    PStatement Stmt = Prepare(Db(), SQL, Context);
    Bind(Db(), Stmt.get(), Params, Context);
    return std::make_unique<TSQLiteResultSet>(FDb, std::move(Stmt), Context);
  }

  std::vector<TColumnInfo> Describe(std::string_view SQL) override {
    PStatement Stmt = Prepare(Db(), SQL, "Describing " + SQLExcerpt(SQL));
    return DescribeColumns(Db(), Stmt.get());
  }

  void StartTransaction() override {
    if (InTransaction())
      throw EDriverError("Starting a transaction", "a transaction is already active");
    ExecuteScript("BEGIN");
  }

  void Commit() override {
    if (!InTransaction())
      throw EDriverError("Committing", "no transaction is active");
    ExecuteScript("COMMIT");
  }

  void Rollback() override {
    if (!InTransaction())
      throw EDriverError("Rolling back", "no transaction is active");
    ExecuteScript("ROLLBACK");
  }

  bool InTransaction() override { return sqlite3_get_autocommit(Db()) == 0; }

  std::vector<std::string> GetDatabaseNames() override {
    return Strings("select name from pragma_database_list order by seq", {},
                   "Reading the database names");
  }

  std::vector<std::string> GetSchemaNames() override { return GetDatabaseNames(); }

  std::vector<std::string> GetTableNames(std::string_view Pattern, bool SystemTables) override {
    return Strings(
        "select case when schema = 'main' then name else schema || '.' || name end as full_name "
        "from pragma_table_list "
        "where type in ('table', 'view', 'virtual', 'shadow') "
        "and (?1 or (type <> 'shadow' and name not like 'sqlite\\_%' escape '\\')) "
        "and (?2 = '' or name like ?2 escape '\\') "
        "order by full_name",
        {SystemTables, std::string(Pattern)}, "Reading the table names");
  }

  std::vector<std::string> GetStoredProcNames() override { return {}; }

  std::vector<TColumnInfo> GetFieldNames(std::string_view Table) override {
    const std::string Context = "Reading the columns of the table \"" + std::string(Table) + "\"";
    for (const auto& [Schema, Name] : QualifiedNameCandidates(Table)) {
      auto Rows = Query("with target as (" + std::string(ResolveSQL) +
                            ") select t.schema, t.name, c.name, c.type, c.\"notnull\" "
                            "from target t cross join pragma_table_xinfo(t.name, t.schema) c "
                            "where c.hidden <> 1 order by c.cid",
                        {Name, Schema.empty() ? TValue() : TValue(Schema)}, Context);
      std::vector<TColumnInfo> Result;
      while (Rows->Next())
        Result.push_back(CatalogColumn(*Rows, 2));
      if (!Result.empty())
        return Result;
    }
    return {};
  }

  std::vector<TIndexColumn> GetIndexInfo(std::string_view Table) override {
    const std::string Context = "Reading the indexes of the table \"" + std::string(Table) + "\"";
    for (const auto& [Schema, Name] : QualifiedNameCandidates(Table)) {
      auto Rows = Query("with target as (" + std::string(ResolveSQL) +
                            "), tables as (select t.schema, t.name, t.type from target t) " +
                            std::string(IndexRowsSQL),
                        {Name, Schema.empty() ? TValue() : TValue(Schema)}, Context);
      bool Found = false;
      std::vector<TIndexColumn> Result;
      while (Rows->Next()) {
        Found = true;
        if (!Rows->IsNull(2))
          Result.push_back(IndexRow(*Rows, 2));
      }
      if (Found) {
        DowngradeExpressionIndexes(Result);
        return Result;
      }
    }
    return {};
  }

  std::vector<TProcParam> GetProcParams(std::string_view) override { return {}; }

  TTableColumns GetAllFieldNames() override {
    TTableColumns Result;
    try {
      auto Rows =
          Query("with tables as (" + std::string(UserTablesSQL) +
                    ") select t.schema, t.name, c.name, c.type, c.\"notnull\" from tables t "
                    "cross join pragma_table_xinfo(t.name, t.schema) c "
                    "where c.hidden <> 1 order by t.schema, t.name, c.cid",
                {}, "Reading the columns of all tables");
      while (Rows->Next())
        Result[DisplayName(Text(*Rows, 0), Text(*Rows, 1))].push_back(CatalogColumn(*Rows, 2));
      return Result;
    } catch (const EDriverError&) {
      // One view over a dropped table (or a virtual table whose module is not
      // loaded) fails the whole join; then each table is read on its own and
      // the broken ones are left out.
    }
    Result.clear();
    for (const std::string& Table : GetTableNames({}, false)) {
      try {
        Result[Table] = GetFieldNames(Table);
      } catch (const EDriverError&) {
      }
    }
    return Result;
  }

  TTableIndexes GetAllIndexInfo() override {
    auto Rows =
        Query("with tables as (" + std::string(UserTablesSQL) + ") " + std::string(IndexRowsSQL),
              {}, "Reading the indexes of all tables");
    TTableIndexes Result;
    while (Rows->Next())
      if (!Rows->IsNull(2))
        Result[DisplayName(Text(*Rows, 0), Text(*Rows, 1))].push_back(IndexRow(*Rows, 2));
    for (auto& [Table, Columns] : Result)
      DowngradeExpressionIndexes(Columns);
    return Result;
  }

  std::string ServerVersion() override { return std::string("SQLite ") + sqlite3_libversion(); }

private:
  // The table a name designates: "main" first, then SQLite's search order
  // (temp before main, attached databases by attachment). ?1 is the name,
  // ?2 the schema or null.
  static constexpr std::string_view ResolveSQL =
      "select t.schema, t.name, t.type from pragma_table_list(?1) t "
      "cross join pragma_database_list d "
      "where d.name = t.schema and (?2 is null or t.schema = ?2 collate nocase) "
      "and t.type in ('table', 'view', 'virtual', 'shadow') "
      "order by t.schema = 'main' desc, case when t.schema = 'temp' then -1 else d.seq end "
      "limit 1";

  // User tables of all schemas. A table of main literally named "aux.t" and
  // the table t of the attached aux share a display name; a lookup of that name
  // finds the one in main, and so does the batch.
  static constexpr std::string_view UserTablesSQL =
      "select schema, name, type from (select t.schema, t.name, t.type, row_number() over "
      "(partition by case when t.schema = 'main' then t.name else t.schema || '.' || t.name end "
      "order by t.schema <> 'main') as rank from pragma_table_list t "
      "where t.type in ('table', 'view', 'virtual') "
      "and t.name not like 'sqlite\\_%' escape '\\') where rank = 1";

  // Index rows of the tables in the CTE "tables": schema, table, index name,
  // column name, index type, position. The primary key of a rowid table whose
  // key is its INTEGER PRIMARY KEY has no index; its columns come from the
  // pk column of the table info under the name "PRIMARY". A table without
  // indexes yields one row with a null index name, so that an existing table
  // can be told from a missing one.
  static constexpr std::string_view IndexRowsSQL =
      "select schema, name, index_name, column_name, index_type, position from ("
      "select t.schema, t.name, il.name as index_name, ii.name as column_name, "
      "case when il.origin = 'pk' then 6 when il.\"unique\" and not il.partial then 2 else 1 end "
      "as index_type, ii.seqno + 1 as position, il.origin <> 'pk' as k1, -il.seq as k2 "
      "from tables t cross join pragma_index_list(t.name, t.schema) il "
      "cross join pragma_index_info(il.name, t.schema) ii where t.type = 'table' "
      "union all "
      "select t.schema, t.name, 'PRIMARY', c.name, 6, c.pk, 0, 0 "
      "from tables t cross join pragma_table_info(t.name, t.schema) c "
      "where t.type = 'table' and c.pk > 0 and not exists (select 1 from "
      "pragma_index_list(t.name, t.schema) x where x.origin = 'pk') "
      "union all "
      "select t.schema, t.name, null, null, null, null, 2, 0 from tables t) "
      "order by schema, name, k1, k2, position";

  sqlite3* Db() const noexcept { return FDb->Handle; }

  std::unique_ptr<TResultSet> Query(const std::string& SQL, const TValues& Params,
                                    const std::string& Context) {
    PStatement Stmt = Prepare(Db(), SQL, Context);
    Bind(Db(), Stmt.get(), Params, Context);
    return std::make_unique<TSQLiteResultSet>(FDb, std::move(Stmt), Context);
  }

  std::vector<std::string> Strings(const std::string& SQL, const TValues& Params,
                                   const std::string& Context) {
    auto Rows = Query(SQL, Params, Context);
    std::vector<std::string> Result;
    while (Rows->Next())
      Result.push_back(Rows->Value(0).AsString());
    return Result;
  }

  static std::string Text(const TResultSet& Rows, int Index) {
    return Rows.Value(Index).AsString();
  }

  // Columns From..From+2: name, declared type, notnull; the two before are
  // schema and table.
  static TColumnInfo CatalogColumn(const TResultSet& Rows, int From) {
    TColumnInfo Info = ColumnTypeFromDeclaration(Text(Rows, From + 1));
    Info.Name = Text(Rows, From);
    Info.Nullable = Rows.Value(From + 2).AsInteger() == 0;
    Info.OriginTable = DisplayName(Text(Rows, 0), Text(Rows, 1));
    Info.OriginColumn = Info.Name;
    return Info;
  }

  static TIndexColumn IndexRow(const TResultSet& Rows, int From) {
    TIndexColumn Column;
    Column.IndexName = Text(Rows, From);
    Column.ColumnName = Text(Rows, From + 1);
    Column.IndexType = static_cast<int>(Rows.Value(From + 2).AsInteger());
    Column.Position = static_cast<int>(Rows.Value(From + 3).AsInteger());
    return Column;
  }

  // An index over an expression cannot serve as a key made of columns.
  static void DowngradeExpressionIndexes(std::vector<TIndexColumn>& Columns) {
    for (const TIndexColumn& C : Columns) {
      if (!C.ColumnName.empty())
        continue;
      for (TIndexColumn& Other : Columns)
        if (Other.IndexName == C.IndexName)
          Other.IndexType = itNonUnique;
    }
  }

  PDatabase FDb;
};

class TSQLiteDriver final : public TDriver {
public:
  std::string_view ServerTypeName() const override { return "SQLite"; }
  TDialect Dialect() const override { return TDialect::SQLite; }
  bool SupportsObjectOwners() const override { return true; }
  bool SupportsStoredProcs() const override { return false; }
  std::string PlaceholderFor(int) const override { return "?"; }

  TConnectParams ParseURI(std::string_view URI) const override {
    std::string_view Path = URI;
    const auto Colon = Path.find(':');
    if (Colon == std::string_view::npos || !SameText(Path.substr(0, Colon), "sqlite"))
      throw EDriverError("Cannot read the connection URI \"" + std::string(URI) + "\"",
                         "a SQLite URI starts with \"sqlite:\"");
    Path.remove_prefix(Colon + 1);
    if (Path.substr(0, 2) == "//")
      Path.remove_prefix(2);
    if (Path.empty())
      throw EDriverError("Cannot read the connection URI \"" + std::string(URI) + "\"",
                         "it names no database file");
    TConnectParams Params;
    Params.RemoteDatabase = std::string(Path);
    return Params;
  }

  std::unique_ptr<TConnection> Connect(const TConnectParams& Params) override {
    const std::string& Path = Params.RemoteDatabase;
    const std::string Context = "Cannot open the SQLite database \"" + Path + "\"";
    bool Create = false, ReadOnly = false;
    int BusyTimeout = 5000;
    for (const auto& [Name, Value] : Params.Extra) {
      if (SameText(Name, "CREATE"))
        Create = Flag(Name, Value, Context);
      else if (SameText(Name, "READONLY"))
        ReadOnly = Flag(Name, Value, Context);
      else if (SameText(Name, "BUSY_TIMEOUT"))
        BusyTimeout = Milliseconds(Value, Context);
      else
        throw EDriverError(Context, "unknown setting \"" + Name +
                                        "\" (SQLite knows CREATE, READONLY and BUSY_TIMEOUT)");
    }
    if (Path.empty())
      throw EDriverError(Context, "no database file was given");
    const bool InMemory = Path == ":memory:";
    if (!InMemory && !Create) {
      std::error_code Error;
      if (!std::filesystem::exists(Path, Error))
        throw EDriverError(Context, "the file does not exist (set CREATE=TRUE to create it)");
    }
    int Flags = ReadOnly ? SQLITE_OPEN_READONLY : SQLITE_OPEN_READWRITE;
    if (Create && !ReadOnly)
      Flags |= SQLITE_OPEN_CREATE;
    auto Db = std::make_shared<TDatabase>();
    // This SQLite reads "file:" names as URIs whose options could change the
    // mode; a path is a path, so such a name is made explicitly relative.
    const std::string OpenName = Path.rfind("file:", 0) == 0 ? "./" + Path : Path;
    const int Rc = sqlite3_open_v2(OpenName.c_str(), &Db->Handle, Flags, nullptr);
    if (Rc != SQLITE_OK) {
      if (!Db->Handle)
        throw EDriverError(Context, sqlite3_errstr(Rc), {}, Rc);
      Fail(Db->Handle, Context);
    }
    sqlite3_extended_result_codes(Db->Handle, 1);
    sqlite3_busy_timeout(Db->Handle, BusyTimeout);
    // A file that is no database opens fine and fails on first read; reading
    // the schema now reports that here, where the person can act on it.
    if (sqlite3_exec(Db->Handle, "select count(*) from sqlite_schema", nullptr, nullptr, nullptr) !=
        SQLITE_OK)
      Fail(Db->Handle, Context);
    return std::make_unique<TSQLiteConnection>(*this, std::move(Db));
  }

private:
  static bool Flag(const std::string& Name, const std::string& Value, const std::string& Context) {
    if (SameText(Value, "TRUE"))
      return true;
    if (SameText(Value, "FALSE"))
      return false;
    throw EDriverError(Context,
                       "the setting " + Name + " must be TRUE or FALSE, not \"" + Value + "\"");
  }

  static int Milliseconds(const std::string& Value, const std::string& Context) {
    int Result = 0;
    const auto Parsed = std::from_chars(Value.data(), Value.data() + Value.size(), Result);
    if (Parsed.ec != std::errc() || Parsed.ptr != Value.data() + Value.size() || Result < 0)
      throw EDriverError(Context,
                         "BUSY_TIMEOUT must be a number of milliseconds, not \"" + Value + "\"");
    return Result;
  }
};

int Number(std::string_view Text) {
  int Result = 0;
  const auto Parsed = std::from_chars(Text.data(), Text.data() + Text.size(), Result);
  return Parsed.ec == std::errc() ? Result : 0;
}

} // namespace

TColumnInfo ColumnTypeFromDeclaration(std::string_view Declared) {
  TColumnInfo Info;
  Info.TypeName = std::string(Declared);
  const std::string Upper = UpperCase(Declared);
  std::string_view Base = Upper;
  int Numbers[2] = {0, 0};
  if (const auto Open = Upper.find('('); Open != std::string::npos) {
    Base = std::string_view(Upper).substr(0, Open);
    std::string_view Args = std::string_view(Upper).substr(Open + 1);
    Args = Args.substr(0, Args.find(')'));
    const auto Comma = Args.find(',');
    auto Trim = [](std::string_view S) {
      while (!S.empty() && S.front() == ' ')
        S.remove_prefix(1);
      while (!S.empty() && S.back() == ' ')
        S.remove_suffix(1);
      return S;
    };
    Numbers[0] = Number(Trim(Args.substr(0, Comma)));
    if (Comma != std::string_view::npos)
      Numbers[1] = Number(Trim(Args.substr(Comma + 1)));
  }
  while (!Base.empty() && Base.back() == ' ')
    Base.remove_suffix(1);
  const auto Has = [&](std::string_view Part) { return Base.find(Part) != std::string_view::npos; };

  // Names with a meaning of their own first, then SQLite's affinity rules.
  if (Base.empty())
    Info.DataType = TDataType::Unknown;
  else if (Base == "BOOLEAN" || Base == "BOOL")
    Info.DataType = TDataType::Boolean;
  else if (Base == "DATE")
    Info.DataType = TDataType::Date;
  else if (Base == "TIME")
    Info.DataType = TDataType::Time;
  else if (Has("DATETIME") || Has("TIMESTAMP"))
    Info.DataType = TDataType::DateTime;
  else if (Has("INT"))
    Info.DataType = Has("BIGINT") || Base == "INT8"                       ? TDataType::LargeInt
                    : Has("SMALLINT") || Has("TINYINT") || Base == "INT2" ? TDataType::SmallInt
                                                                          : TDataType::Integer;
  else if (Has("CHAR") || Has("CLOB") || Has("TEXT"))
    Info.DataType = Numbers[0] > 0 ? TDataType::String : TDataType::Memo;
  else if (Has("BLOB"))
    Info.DataType = TDataType::Blob;
  else if (Has("REAL") || Has("FLOA") || Has("DOUB"))
    Info.DataType = TDataType::Float;
  else
    Info.DataType = TDataType::Numeric;

  if (Info.DataType == TDataType::String)
    Info.Size = Numbers[0];
  else if (Info.DataType == TDataType::Numeric) {
    Info.Precision = Numbers[0];
    Info.Scale = Numbers[1];
  }
  return Info;
}

TDriver& SQLiteDriver() {
  static TSQLiteDriver Driver;
  return Driver;
}

} // namespace OVDriver::OVSQLite
