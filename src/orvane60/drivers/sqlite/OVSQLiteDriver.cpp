#include "orvane60/drivers/sqlite/OVSQLiteDriver.hpp"
#include "rtl/ScopeGuard.hpp"

#include "rtl/SysUtils.hpp"

#include <sqlite3.h>

#include <algorithm>
#include <charconv>
#include <filesystem>
#include <map>
#include <optional>
#include <tuple>

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
    for (int I = 0; I < sqlite3_column_count(FStmt.get()); ++I)
      FNames.emplace_back(sqlite3_column_name(FStmt.get(), I));
    // The statement runs now, so that its errors surface where it is opened.
    FPending = StepOnce();
  }

  int ColumnCount() const override { return static_cast<int>(FNames.size()); }
  const std::string& ColumnName(int Index) const override { return FNames[Check(Index)]; }

  const TColumnInfo& Column(int Index) override {
    const std::size_t At = Check(Index);
    if (FColumns.empty())
      FColumns = DescribeColumns(FDb->Handle, FStmt.get());
    return FColumns[At];
  }

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
  std::vector<std::string> FNames;
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
    if (const auto Target = Resolve(Table, Context))
      return ReadColumns(Target->Schema, Target->Name, Context);
    return {};
  }

  std::vector<TIndexColumn> GetIndexInfo(std::string_view Table) override {
    const std::string Context = "Reading the indexes of the table \"" + std::string(Table) + "\"";
    bool Found = false;
    if (const auto Target = Resolve(Table, Context))
      return ReadIndexes(Target->Schema, Target->Name, Context, Found);
    return {};
  }

  std::vector<TTableRef> GetTables(bool SystemTables) override {
    std::vector<TTableRef> Result;
    if (!SystemTables) {
      const std::vector<TListedTable>& Listed = ListedTables();
      Result.reserve(Listed.size());
      for (const TListedTable& T : Listed)
        Result.push_back(T.Ref);
      return Result;
    }
    static const std::string SQL = std::string(TablesSQL);
    EachRow(SQL, {SystemTables}, "Reading the tables",
            [&](sqlite3_stmt* Row) { Result.push_back(TableRef(Row, 0)); });
    return Result;
  }

  std::optional<TTableRef> FindTable(std::string_view Table) override {
    return Resolve(Table, "Looking up the table \"" + std::string(Table) + "\"");
  }

  bool NeedsQuotes(std::string_view Name) override {
    if (Name.empty())
      return true;
    const auto Letter = [](unsigned char C) {
      return (C >= 'a' && C <= 'z') || (C >= 'A' && C <= 'Z') || C == '_' || C >= 0x80;
    };
    if (!Letter(static_cast<unsigned char>(Name.front())))
      return true;
    // Every keyword is ASCII letters and underscores: a name with anything
    // else in it is none, and the keyword table is not asked.
    bool Word = true;
    for (const unsigned char C : Name) {
      if (!Letter(C) && !(C >= '0' && C <= '9') && C != '$')
        return true;
      Word = Word && C < 0x80 && (C == '_' || (C >= 'a' && C <= 'z') || (C >= 'A' && C <= 'Z'));
    }
    return Word && sqlite3_keyword_check(Name.data(), static_cast<int>(Name.size())) != 0;
  }

  std::vector<std::string> CheckStatements(const std::vector<std::string>& SQL,
                                           const std::vector<int>&) override {
    std::vector<std::string> Result;
    for (const std::string& Text : SQL) {
      sqlite3_stmt* Raw = nullptr;
      const char* Tail = nullptr;
      if (sqlite3_prepare_v2(Db(), Text.data(), static_cast<int>(Text.size()), &Raw, &Tail) !=
          SQLITE_OK) {
        Result.emplace_back(sqlite3_errmsg(Db()));
        continue;
      }
      const PStatement Stmt(Raw);
      if (!Stmt)
        Result.emplace_back("the text holds no statement");
      else if (!sqlite3_stmt_readonly(Raw) && sqlite3_db_readonly(Db(), "main") == 1)
        Result.emplace_back("attempt to write a readonly database");
      else
        Result.emplace_back();
    }
    return Result;
  }

  bool SupportsReturning() override { return sqlite3_libversion_number() >= 3035000; }

  std::vector<TProcParam> GetProcParams(std::string_view) override { return {}; }

  TTableColumns GetAllFieldNames() override {
    // Table by table, from the table list read once for the schema as it
    // stands. A view over a dropped table (or a virtual table whose module
    // is not loaded) cannot be read; it is left out.
    const std::string Context = "Reading the columns of all tables";
    const TReadTransaction Snapshot(Db(), FInOwnTransaction);
    const std::vector<TListedTable>& Tables = ListedTables();
    TTableColumns Result;
    TOwners Owners;
    TDeclaredTypes Types;
    std::vector<TColumnInfo> Columns;
    for (const TListedTable& T : Tables) {
      Columns.clear();
      Columns.reserve(16);
      try {
        ReadTableInfo(T.Ref, T.WithoutRowid, Types, Columns, Context);
      } catch (const EDriverError& E) {
        if ((E.ErrorCode() & 0xff) == SQLITE_INTERRUPT)
          throw;
        continue;
      }
      if (auto* Slot = Owners.Claim(Result, T.Ref))
        *Slot = std::move(Columns);
    }
    return Result;
  }

  TTableIndexes GetAllIndexInfo() override {
    // Table by table, from the table list read once for the schema as it
    // stands: each table's index list once; the key columns of a rowid
    // table's INTEGER PRIMARY KEY, which has no index, from its table info
    // where no index is the primary key. A view or a virtual table has no
    // indexes, but still claims its display name.
    const std::string Context = "Reading the indexes of all tables";
    const TReadTransaction Snapshot(Db(), FInOwnTransaction);
    const std::vector<TListedTable>& Tables = ListedTables();
    std::map<std::string, std::vector<TRawIndexRow>> Raw;
    TOwners Owners;
    for (const TListedTable& T : Tables) {
      std::vector<TRawIndexRow>* Rows = Owners.Claim(Raw, T.Ref);
      if (!Rows || T.Ref.Kind != TTableKind::Table)
        continue;
      ReadIndexRows(T.Ref.Schema, T.Ref.Name, Context, *Rows);
      if (std::none_of(Rows->begin(), Rows->end(),
                       [](const TRawIndexRow& R) { return !R.FromTableInfo && R.FirstKey == 0; }))
        ReadKeyColumns(T.Ref.Schema, T.Ref.Name, Context, *Rows);
    }
    TTableIndexes Result;
    for (auto& [Table, Rows] : Raw)
      if (auto Indexes = AssembleIndexes(std::move(Rows)); !Indexes.empty())
        Result.emplace(Table, std::move(Indexes));
    return Result;
  }

  std::string ServerVersion() override { return std::string("SQLite ") + sqlite3_libversion(); }

private:
  // The table a name designates: "main" first, then SQLite's search order
  // (temp before main, attached databases by attachment). ?1 is the name,
  // ?2 the schema or null.
  static constexpr std::string_view ResolveSQL =
      "select t.schema, t.name, t.type, d.seq from pragma_table_list(?1) t "
      "cross join pragma_database_list d "
      "where d.name = t.schema and (?2 is null or t.schema = ?2 collate nocase) "
      "and t.type in ('table', 'view', 'virtual', 'shadow') "
      "order by t.schema = 'main' desc, case when t.schema = 'temp' then -1 else d.seq end "
      "limit 1";

  // The tables of all schemas, by display name: schema, name, type,
  // database number, display name, WITHOUT ROWID. ?1: with SQLite's own
  // tables and the shadow tables of virtual tables. The few databases are
  // outside, so that each table row is not joined to the database list again.
  static constexpr std::string_view TablesSQL =
      "select t.schema, t.name, t.type, d.seq, case when t.schema = 'main' then t.name "
      "else t.schema || '.' || t.name end as full_name, t.wr "
      "from pragma_database_list d cross join pragma_table_list t on t.schema = d.name "
      "where t.type in ('table', 'view', 'virtual', 'shadow') "
      "and (?1 or (t.type <> 'shadow' and t.name not like 'sqlite\\_%' escape '\\')) "
      "order by full_name";

  // The columns of a key column row of the table info: a null index name,
  // the column name, index type, the column's place in the primary key (0
  // when it is not part of it), then the sort keys of an index row.
  static constexpr std::string_view TableInfoColumnsSQL = "null, c.name, 6, c.pk, 0, 0";

  struct TRawIndexRow {
    bool FromTableInfo = false;
    TIndexColumn Column;
    int FirstKey = 0, SecondKey = 0;
  };

  // Rows of one table: sorted, and the primary key of a rowid table, which
  // has no index, made up from the table info under the name "PRIMARY".
  static std::vector<TIndexColumn> AssembleIndexes(std::vector<TRawIndexRow> Rows) {
    std::vector<TRawIndexRow> Indexed, Key;
    for (TRawIndexRow& Row : Rows) {
      if (!Row.FromTableInfo)
        Indexed.push_back(std::move(Row));
      else if (Row.Column.Position > 0)
        Key.push_back(std::move(Row));
    }
    std::sort(Indexed.begin(), Indexed.end(), [](const auto& A, const auto& B) {
      return std::tie(A.FirstKey, A.SecondKey, A.Column.Position) <
             std::tie(B.FirstKey, B.SecondKey, B.Column.Position);
    });
    std::vector<TIndexColumn> Result;
    if (Indexed.empty() || Indexed.front().FirstKey != 0) {
      std::sort(Key.begin(), Key.end(),
                [](const auto& A, const auto& B) { return A.Column.Position < B.Column.Position; });
      for (TRawIndexRow& Row : Key) {
        Row.Column.IndexName = "PRIMARY";
        Result.push_back(std::move(Row.Column));
      }
    }
    for (TRawIndexRow& Row : Indexed)
      Result.push_back(std::move(Row.Column));
    DowngradeExpressionIndexes(Result);
    return Result;
  }

  static TRawIndexRow RawIndexRow(sqlite3_stmt* Row, int From) {
    TRawIndexRow Raw;
    Raw.FromTableInfo = sqlite3_column_type(Row, From) == SQLITE_NULL;
    Raw.Column.IndexName = Text(Row, From);
    Raw.Column.ColumnName = Text(Row, From + 1);
    Raw.Column.IndexType = sqlite3_column_int(Row, From + 2);
    Raw.Column.Position = sqlite3_column_int(Row, From + 3);
    Raw.FirstKey = sqlite3_column_int(Row, From + 4);
    Raw.SecondKey = sqlite3_column_int(Row, From + 5);
    return Raw;
  }

  // The table a name designates: the first of its readings (NameReadings)
  // that names one.
  std::optional<TTableRef> Resolve(std::string_view Table, const std::string& Context) {
    static const std::string SQL = std::string(ResolveSQL);
    std::optional<TTableRef> Found;
    for (const TNameReading& Reading : NameReadings(Table, TDialect::SQLite)) {
      EachRow(SQL, {Reading.Name, Reading.Schema ? TValue(*Reading.Schema) : TValue()}, Context,
              [&](sqlite3_stmt* Row) { Found = TableRef(Row, 0); });
      if (Found)
        break;
    }
    return Found;
  }

  // Row from column From on: schema, name, type, database number.
  static TTableRef TableRef(sqlite3_stmt* Row, int From) {
    TTableRef Ref;
    Ref.Schema = Text(Row, From);
    Ref.Name = Text(Row, From + 1);
    Ref.Display = DisplayName(Ref.Schema, Ref.Name);
    const std::string_view Type = View(Row, From + 2);
    Ref.Kind = Type == "view"      ? TTableKind::View
               : Type == "virtual" ? TTableKind::Virtual
                                   : TTableKind::Table;
    Ref.SearchOrder = sqlite3_column_int(Row, From + 3);
    return Ref;
  }

  std::vector<TColumnInfo> ReadColumns(const std::string& Schema, const std::string& Table,
                                       const std::string& Context) {
    // Whether the table has a rowid, and how many columns it has: its list
    // of columns is made in room for all of them at once.
    static const std::string RowidSQL =
        "select wr, ncol from pragma_table_list(?1) where schema = ?2";
    bool WithoutRowid = false;
    int ColumnCount = 0;
    EachRow(RowidSQL, {Table, Schema}, Context, [&](sqlite3_stmt* Row) {
      WithoutRowid = sqlite3_column_int(Row, 0) != 0;
      ColumnCount = sqlite3_column_int(Row, 1);
    });
    TTableRef Ref;
    Ref.Schema = Schema;
    Ref.Name = Table;
    Ref.Display = DisplayName(Schema, Table);
    std::vector<TColumnInfo> Result;
    Result.reserve(static_cast<std::size_t>(std::clamp(ColumnCount, 0, 32767)));
    TDeclaredTypes Types;
    ReadTableInfo(Ref, WithoutRowid, Types, Result, Context);
    return Result;
  }

  static std::string Quoted(std::string_view Name) {
    std::string Text = "\"";
    for (const char C : Name)
      Text.append(C == '"' ? 2 : 1, C);
    return Text += '"';
  }

  // The index columns of one table, from its index list and each index's
  // info as the pragmas themselves give them (as table-valued functions
  // SQLite would make the same statements and copy every value once more):
  // index name, column name ("" for an expression), index type, position,
  // then sort keys: the primary key first, then the indexes in creation
  // order (the index list numbers the newest 0).
  void ReadIndexRows(const std::string& Schema, const std::string& Table,
                     const std::string& Context, std::vector<TRawIndexRow>& Rows) {
    const std::string Prefix = "pragma " + Quoted(Schema) + ".";
    struct TIndex {
      std::string Name;
      int Type = 1, FirstKey = 0, SecondKey = 0;
    };
    std::vector<TIndex> Indexes;
    const PStatement List = Prepare(Db(), Prefix + "index_list(" + Quoted(Table) + ")", Context);
    StepRows(List.get(), Context, [&](sqlite3_stmt* Row) {
      // seq, name, unique, origin, partial
      TIndex& I = Indexes.emplace_back();
      I.Name = View(Row, 1);
      const bool Key = View(Row, 3) == "pk";
      I.Type = Key ? 6 : sqlite3_column_int(Row, 2) != 0 && sqlite3_column_int(Row, 4) == 0 ? 2 : 1;
      I.FirstKey = Key ? 0 : 1;
      I.SecondKey = -sqlite3_column_int(Row, 0);
    });
    for (const TIndex& I : Indexes) {
      const PStatement Info = Prepare(Db(), Prefix + "index_info(" + Quoted(I.Name) + ")", Context);
      StepRows(Info.get(), Context, [&](sqlite3_stmt* Row) {
        // seqno, cid, name
        TRawIndexRow& Raw = Rows.emplace_back();
        Raw.Column.IndexName = I.Name;
        Raw.Column.ColumnName = View(Row, 2);
        Raw.Column.IndexType = I.Type;
        Raw.Column.Position = sqlite3_column_int(Row, 0) + 1;
        Raw.FirstKey = I.FirstKey;
        Raw.SecondKey = I.SecondKey;
      });
    }
  }

  // The table's indexes; where none of them is its primary key (a rowid
  // table's INTEGER PRIMARY KEY has no index), the key columns from its table
  // info. Found tells an existing table without indexes from a missing one:
  // a table with a primary key index is there, and every table has a first
  // column in its table info.
  std::vector<TIndexColumn> ReadIndexes(const std::string& Schema, const std::string& Table,
                                        const std::string& Context, bool& Found) {
    static const std::string KeySQL = "select " + std::string(TableInfoColumnsSQL) +
                                      " from pragma_table_info(?1, ?2) c "
                                      "where c.pk > 0 or c.cid = 0";
    std::vector<TRawIndexRow> Rows;
    const auto Add = [&](sqlite3_stmt* Row) { Rows.push_back(RawIndexRow(Row, 0)); };
    ReadIndexRows(Schema, Table, Context, Rows);
    const bool KeyIndexed =
        std::any_of(Rows.begin(), Rows.end(), [](const auto& R) { return R.FirstKey == 0; });
    if (!KeyIndexed)
      EachRow(KeySQL, {Table, Schema}, Context, Add);
    Found = KeyIndexed ||
            std::any_of(Rows.begin(), Rows.end(), [](const auto& R) { return R.FromTableInfo; });
    return AssembleIndexes(std::move(Rows));
  }

  // The primary key columns of a table from its table info, as index rows.
  void ReadKeyColumns(const std::string& Schema, const std::string& Table,
                      const std::string& Context, std::vector<TRawIndexRow>& Rows) {
    static const std::string SQL = "select " + std::string(TableInfoColumnsSQL) +
                                   " from pragma_table_info(?1, ?2) c where c.pk > 0";
    EachRow(SQL, {Table, Schema}, Context,
            [&](sqlite3_stmt* Row) { Rows.push_back(RawIndexRow(Row, 0)); });
  }

  sqlite3* Db() const noexcept { return FDb->Handle; }

  // Catalog statements are fixed texts, prepared once per connection and
  // reset after each use; preparing a pragma join costs more than running it.
  // SQLite prepares them again by itself after a schema change.
  sqlite3_stmt* CatalogStatement(const std::string& SQL, const std::string& Context) {
    PStatement& Slot = FCatalogStatements[SQL];
    if (!Slot) {
      sqlite3_stmt* Raw = nullptr;
      if (sqlite3_prepare_v3(Db(), SQL.c_str(), static_cast<int>(SQL.size() + 1),
                             SQLITE_PREPARE_PERSISTENT, &Raw, nullptr) != SQLITE_OK)
        Fail(Db(), Context);
      Slot.reset(Raw);
    }
    return Slot.get();
  }

  // Runs a catalog statement whose parameters are bound, row by row, and
  // leaves it reset without its bindings for the next use.
  template <typename F> void StepRows(sqlite3_stmt* Stmt, const std::string& Context, F&& OnRow) {
    const ScopeGuard::TFinally Reset([Stmt] {
      sqlite3_reset(Stmt);
      sqlite3_clear_bindings(Stmt);
    });
    int Rc;
    while ((Rc = sqlite3_step(Stmt)) == SQLITE_ROW)
      OnRow(Stmt);
    if (Rc != SQLITE_DONE)
      Fail(Db(), Context);
  }

  template <typename F>
  void EachRow(const std::string& SQL, const TValues& Params, const std::string& Context,
               F&& OnRow) {
    sqlite3_stmt* Stmt = CatalogStatement(SQL, Context);
    try {
      Bind(Db(), Stmt, Params, Context);
    } catch (...) {
      sqlite3_clear_bindings(Stmt);
      throw;
    }
    StepRows(Stmt, Context, OnRow);
  }

  // The statements of a batch read under one read transaction, where none is
  // open: each database file is locked once for all of them, and they all
  // see one state of the schema, rather than each statement locking the
  // files, looking for a journal and reading the file header again.
  class TReadTransaction {
  public:
    TReadTransaction(sqlite3* Db, bool& Own)
        : FDb(Db), FOwn(Own),
          FStarted(sqlite3_get_autocommit(Db) != 0 &&
                   sqlite3_exec(Db, "begin", nullptr, nullptr, nullptr) == SQLITE_OK) {
      FOwn = FStarted;
    }
    ~TReadTransaction() {
      // Nothing was written: ending it cannot lose anything.
      if (FStarted) {
        sqlite3_exec(FDb, "rollback", nullptr, nullptr, nullptr);
        FOwn = false;
      }
    }
    TReadTransaction(const TReadTransaction&) = delete;
    TReadTransaction& operator=(const TReadTransaction&) = delete;

  private:
    sqlite3* FDb;
    bool& FOwn;
    bool FStarted;
  };

  // A table of the list and whether it is a WITHOUT ROWID table.
  struct TListedTable {
    TTableRef Ref;
    bool WithoutRowid = false;
  };

  // The user tables of all schemas, by display name, read once for the
  // schema as it stands: the batch reads (all tables, all columns, all
  // indexes) each start from it, and reading it is most of what a batch
  // read of the catalogue costs beside the tables themselves. A list read
  // inside a transaction of the caller's is not kept: rolled back, its
  // changes go and the schema version with them, and a later change could
  // bring the same version back with other tables.
  const std::vector<TListedTable>& ListedTables() {
    std::string Stamp = SchemaStamp();
    if (FListedValid && Stamp == FListedStamp)
      return FListed;
    static const std::string SQL = std::string(TablesSQL);
    FListedValid = false;
    FListed.clear();
    EachRow(SQL, {false}, "Reading the tables", [&](sqlite3_stmt* Row) {
      FListed.push_back({TableRef(Row, 0), sqlite3_column_int(Row, 5) != 0});
    });
    FListedStamp = std::move(Stamp);
    FListedValid = FInOwnTransaction || sqlite3_get_autocommit(Db()) != 0;
    return FListed;
  }

  // What the table list depends on: the databases attached (number, name,
  // file) and the schema version of each, which every change of a table,
  // view or index raises, by this connection or another.
  std::string SchemaStamp() {
    static const std::string SQL = "select seq, name, file from pragma_database_list";
    std::string Stamp;
    std::vector<std::string> Names;
    EachRow(SQL, {}, "Reading the databases", [&](sqlite3_stmt* Row) {
      Stamp.append(View(Row, 0)).append(1, '\0').append(View(Row, 1)).append(1, '\0');
      Stamp.append(View(Row, 2)).append(1, '\0');
      Names.emplace_back(View(Row, 1));
    });
    for (const std::string& Name : Names) {
      EachRow("pragma " + Quoted(Name) + ".schema_version", {}, "Reading the schema version",
              [&](sqlite3_stmt* Row) { Stamp.append(View(Row, 0)).append(1, '\0'); });
    }
    return Stamp;
  }

  // Which table a display name belongs to in a batch read: a table of main
  // literally named "aux.t" and the table t of the attached aux share a
  // display name; a lookup of that name finds the one in main, and so does
  // the batch. Claim gives the table's entry in Map, or nullptr when the
  // name belongs to another table; an entry that main's table takes over is
  // emptied.
  class TOwners {
  public:
    template <typename TItems>
    TItems* Claim(std::map<std::string, TItems>& Map, const TTableRef& Table) {
      const auto [Owner, New] = FOwners.try_emplace(Table.Display, Table.Schema);
      TItems& Items = Map[Table.Display];
      if (!New && Owner->second != Table.Schema) {
        if (Table.Schema != "main")
          return nullptr;
        Owner->second = Table.Schema;
        Items.clear();
      }
      return &Items;
    }

  private:
    std::map<std::string, std::string> FOwners;
  };

  std::vector<std::string> Strings(const std::string& SQL, const TValues& Params,
                                   const std::string& Context) {
    std::vector<std::string> Result;
    EachRow(SQL, Params, Context, [&](sqlite3_stmt* Row) { Result.push_back(Text(Row, 0)); });
    return Result;
  }

  static std::string_view View(sqlite3_stmt* Row, int Index) {
    const auto* Text = reinterpret_cast<const char*>(sqlite3_column_text(Row, Index));
    return Text ? std::string_view(Text, static_cast<std::size_t>(sqlite3_column_bytes(Row, Index)))
                : std::string_view();
  }

  static std::string Text(sqlite3_stmt* Row, int Index) { return std::string(View(Row, Index)); }

  // What declared types say, each read once: tables repeat the same few.
  class TDeclaredTypes {
  public:
    const TColumnInfo& Of(std::string_view Declared) {
      if (const auto It = FTypes.find(Declared); It != FTypes.end())
        return It->second;
      return FTypes.emplace(std::string(Declared), ColumnTypeFromDeclaration(Declared))
          .first->second;
    }

  private:
    std::map<std::string, TColumnInfo, std::less<>> FTypes;
  };

  // Row from column From on: name, declared type, not null, default, place in
  // the primary key (as the table info pragma gives them), with the row's
  // hidden value, into Info (a new element of its table's list, so that
  // nothing is copied twice).
  static void CatalogColumn(sqlite3_stmt* Row, int From, int Hidden, const std::string& Table,
                            TDeclaredTypes& Types, TColumnInfo& Info) {
    const TColumnInfo& Type = Types.Of(View(Row, From + 1));
    Info.TypeName = Type.TypeName;
    Info.DataType = Type.DataType;
    Info.Size = Type.Size;
    Info.Precision = Type.Precision;
    Info.Scale = Type.Scale;
    Info.Name = View(Row, From);
    Info.Nullable = sqlite3_column_int(Row, From + 2) == 0;
    Info.HasDefault = sqlite3_column_type(Row, From + 3) != SQLITE_NULL;
    Info.Generated = Hidden == 2 || Hidden == 3;
    Info.OriginTable = Table;
    Info.OriginColumn = Info.Name;
  }

  // Finds the column that is the table's rowid: the only column of the
  // primary key, declared exactly INTEGER, of a table with a rowid. SQLite
  // gives it a value when an insert gives none. Rows come table by table.
  class TRowidAliases {
  public:
    void Add(std::vector<TColumnInfo>& Columns, sqlite3_stmt* Row, int From, bool WithoutRowid) {
      if (&Columns != FColumns) {
        Mark();
        FColumns = &Columns;
        FKeyColumns = 0;
        FCandidate = -1;
      }
      const int Pk = sqlite3_column_int(Row, From + 4);
      if (Pk == 0)
        return;
      ++FKeyColumns;
      if (Pk == 1 && !WithoutRowid && SameText(View(Row, From + 1), "INTEGER"))
        FCandidate = static_cast<int>(Columns.size()) - 1;
    }
    void Mark() {
      if (FColumns && FKeyColumns == 1 && FCandidate >= 0 &&
          static_cast<std::size_t>(FCandidate) < FColumns->size())
        (*FColumns)[static_cast<std::size_t>(FCandidate)].AutoIncrement = true;
      FColumns = nullptr;
    }

  private:
    std::vector<TColumnInfo>* FColumns = nullptr;
    int FKeyColumns = 0;
    int FCandidate = -1;
  };

  // One table's columns, into Columns, from its table info as the pragma
  // itself gives it (cid, name, declared type, not null, the default or null,
  // place in the primary key, hidden: 1 for a virtual table's hidden column,
  // 2 and 3 for generated ones). As a table-valued function, SQLite would
  // make the same statement and copy every value of every row once more.
  void ReadTableInfo(const TTableRef& Table, bool WithoutRowid, TDeclaredTypes& Types,
                     std::vector<TColumnInfo>& Columns, const std::string& Context) {
    const PStatement Stmt =
        Prepare(Db(), "pragma " + Quoted(Table.Schema) + ".table_xinfo(" + Quoted(Table.Name) + ")",
                Context);
    TRowidAliases Aliases;
    StepRows(Stmt.get(), Context, [&](sqlite3_stmt* Row) {
      const int Hidden = sqlite3_column_int(Row, 6);
      if (Hidden == 1) // a virtual table's hidden column
        return;
      CatalogColumn(Row, 1, Hidden, Table.Display, Types, Columns.emplace_back());
      Aliases.Add(Columns, Row, 1, WithoutRowid);
    });
    Aliases.Mark();
  }

  PDatabase FDb;
  std::vector<TListedTable> FListed;
  std::string FListedStamp;
  bool FListedValid = false;
  // A batch read's own read transaction is open (TReadTransaction).
  bool FInOwnTransaction = false;
  // Declared after FDb: destroyed, and so finalized, before the handle goes.
  std::map<std::string, PStatement> FCatalogStatements;
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
      throw EDriverError("Cannot read the connection URI \"" + MaskPasswords(URI) + "\"",
                         "a SQLite URI starts with \"sqlite:\"");
    Path.remove_prefix(Colon + 1);
    if (Path.substr(0, 2) == "//")
      Path.remove_prefix(2);
    if (Path.empty())
      throw EDriverError("Cannot read the connection URI \"" + MaskPasswords(URI) + "\"",
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
    // Nothing here reads SQLite's memory statistics (the heap limits and the
    // status calls); without them its allocations go without the process-wide
    // memory mutex. SQLite takes the setting only before it first starts.
    static const int MemoryStatistics = sqlite3_config(SQLITE_CONFIG_MEMSTATUS, 0);
    (void)MemoryStatistics;
    // A connection and its result sets belong to one thread at a time, so
    // SQLite's per-call connection mutex would only cost time.
    const int Rc =
        sqlite3_open_v2(OpenName.c_str(), &Db->Handle, Flags | SQLITE_OPEN_NOMUTEX, nullptr);
    if (Rc != SQLITE_OK) {
      if (!Db->Handle)
        throw EDriverError(Context, sqlite3_errstr(Rc), {}, Rc);
      Fail(Db->Handle, Context);
    }
    sqlite3_extended_result_codes(Db->Handle, 1);
    sqlite3_busy_timeout(Db->Handle, BusyTimeout);
    // Ctrl-C ends a long statement (SQLITE_INTERRUPT) rather than the process.
    sqlite3_progress_handler(
        Db->Handle, 10000, [](void*) { return SysUtils::Interrupted() ? 1 : 0; }, nullptr);
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
  // Declared types are short; a stack buffer keeps the batch catalog from
  // allocating for each column.
  char Buffer[64];
  std::string Long;
  std::string_view Upper;
  if (Declared.size() <= sizeof Buffer) {
    for (std::size_t I = 0; I < Declared.size(); ++I)
      Buffer[I] = Declared[I] >= 'a' && Declared[I] <= 'z' ? static_cast<char>(Declared[I] - 32)
                                                           : Declared[I];
    Upper = std::string_view(Buffer, Declared.size());
  } else {
    Long = UpperCase(Declared);
    Upper = Long;
  }
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
