// The UpdateSQL editor over whole databases and over one wide table.
//
//   AllTables: what `ovdesigner updatesql --all-tables` does, in process:
//     connect, read the catalog once for the batch, and for each of 2,000
//     tables of 12 columns open the editor, type the table, get its fields,
//     select its primary key, generate, OK; then the output text is built.
//   AllTablesVerify: the same with --verify: then every statement of every
//     table is prepared on the server (PostgreSQL: planned, in one
//     pipeline) and each table's first row is asked for (the tables are
//     empty, so nothing runs for a row).
//   Floor: the same catalog questions through the sqlite3 / libpq C APIs
//     (catalog_floor.hpp), one query for all tables ("Batch") or per table,
//     and the four statements built by plain string concatenation.
//   DialogFlow: the whole dialog for one table of 1,500 columns with a key of
//     three: open, parse, get table fields, select primary keys, generate,
//     OK; asking the server afresh, as the dialog always does.
//
// The databases: ORVANE_BENCH_SQLITE (a file) and ORVANE_BENCH_PG_DB (a
// database in the cluster ORVANE_TEST_PG names) when set, as
// bench/updatesql-bench.sh makes them for all contenders; otherwise they are
// made here (PostgreSQL only when ORVANE_TEST_PG is set).
#include "catalog_floor.hpp"
#include "dclorvane60/OVUpdSEd.hpp"
#include "host/UpdateSQLTool.hpp"
#include "orvane60/OVEngine.hpp"
#include "orvane60/drivers/OVDriver.hpp"
#include "vcl/Forms.hpp"

#include <benchmark/benchmark.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <unistd.h>

using namespace OVDriver;

namespace {

constexpr int TableCount = 2000;
constexpr int WideColumns = 1500;

std::string TableDDL(int Index, bool PostgreSQL) {
  char Name[16];
  std::snprintf(Name, sizeof Name, "t%04d", Index);
  return std::string("create table ") + Name +
         "(id bigint primary key, code varchar(20) not null, name varchar(80), qty integer, "
         "price numeric(10,2), created timestamp, note text, flag boolean, "
         "ratio double precision, data " +
         (PostgreSQL ? "bytea" : "blob") + ", ref_id bigint, updated date);\n";
}

std::string WideDDL() {
  std::string DDL = "create table wide1500 (";
  for (int I = 1; I <= WideColumns; ++I) {
    char Name[16];
    std::snprintf(Name, sizeof Name, "c%04d", I);
    DDL += std::string(Name) + (I <= 3 ? " integer not null, " : " varchar(20), ");
  }
  return DDL + "primary key (c0001, c0002, c0003));\n";
}

std::string Schema(bool PostgreSQL) {
  // Committed in slices: one transaction creating every table would need more
  // locks than a default PostgreSQL server grants.
  std::string Script = "begin;\n";
  for (int I = 0; I < TableCount; ++I) {
    Script += TableDDL(I, PostgreSQL);
    if (I % 200 == 199)
      Script += "commit;\nbegin;\n";
  }
  return Script + "commit;\n";
}

std::string Env(const char* Name) {
  const char* V = std::getenv(Name);
  return V ? V : "";
}

// A database of 2,000 tables and one of the wide table (separate, so that
// the wide table is not one of the 2,000).
struct TSQLiteSetup {
  std::string Path, WidePath;
  bool Owned = false;
  TSQLiteSetup() {
    const auto Temp = std::filesystem::temp_directory_path();
    WidePath = (Temp / ("ovupd-wide-" + std::to_string(::getpid()) + ".db")).string();
    Path = Env("ORVANE_BENCH_SQLITE");
    if (Path.empty()) {
      Owned = true;
      Path = (Temp / ("ovupd-bench-" + std::to_string(::getpid()) + ".db")).string();
      Make(Path, Schema(false));
    }
    Make(WidePath, WideDDL());
  }
  static void Make(const std::string& File, const std::string& Script) {
    std::filesystem::remove(File);
    TConnectParams Params;
    Params.RemoteDatabase = File;
    Params.Extra = {{"CREATE", "TRUE"}};
    FindDriver("SQLite")->Connect(Params)->ExecuteScript(Script);
  }
  ~TSQLiteSetup() {
    if (Owned)
      std::filesystem::remove(Path);
    std::filesystem::remove(WidePath);
  }
};

TSQLiteSetup& SQLite() {
  static TSQLiteSetup Setup;
  return Setup;
}

// The cluster's URI with another database.
std::string WithDatabase(const std::string& URI, const std::string& Database) {
  const auto Scheme = URI.find("://");
  const auto Slash = URI.find('/', Scheme == std::string::npos ? 0 : Scheme + 3);
  const auto Query = URI.find('?');
  if (Slash == std::string::npos)
    return URI;
  return URI.substr(0, Slash + 1) + Database +
         (Query == std::string::npos ? "" : URI.substr(Query));
}

struct TPgSetup {
  std::string URI, Database, Wide;
  bool Owned = false;
  TPgSetup() {
    URI = Env("ORVANE_TEST_PG");
    if (URI.empty())
      return;
    Database = Env("ORVANE_BENCH_PG_DB");
    Wide = "ovupd_wide_" + std::to_string(::getpid());
    if (Database.empty()) {
      Owned = true;
      Database = "ovupd_bench_" + std::to_string(::getpid());
      Make(Database, Schema(true));
    }
    Make(Wide, WideDDL());
  }
  void Make(const std::string& Name, const std::string& Script) const {
    Admin()->ExecuteScript("drop database if exists " + Name + " with (force)");
    Admin()->ExecuteScript("create database " + Name);
    TConnectParams Params;
    Params.RemoteDatabase = URI;
    Params.Extra = {{"dbname", Name}};
    auto Conn = FindDriver("PostgreSQL")->Connect(Params);
    Conn->ExecuteScript(Script);
    Conn->ExecuteScript("analyze");
  }
  ~TPgSetup() {
    if (URI.empty())
      return;
    try {
      if (Owned)
        Admin()->ExecuteScript("drop database if exists " + Database + " with (force)");
      Admin()->ExecuteScript("drop database if exists " + Wide + " with (force)");
    } catch (...) {
    }
  }
  std::unique_ptr<TConnection> Admin() const {
    TConnectParams Params;
    Params.RemoteDatabase = URI;
    return FindDriver("PostgreSQL")->Connect(Params);
  }
};

TPgSetup& Pg() {
  static TPgSetup Setup;
  return Setup;
}

bool PgMissing(benchmark::State& State) {
  if (!Pg().URI.empty())
    return false;
  State.SkipWithError("ORVANE_TEST_PG is not set");
  return true;
}

// The text the command prints for the tables.
std::string OutputText(const std::vector<UpdateSQLTool::TResult>& Results) {
  std::string Out;
  for (const auto& R : Results) {
    if (!R.Skipped.empty())
      continue;
    Out += "-- table " + R.Table + "\n";
    for (size_t I = 0; I < 4; ++I)
      Out +=
          std::string("-- ") + UpdateSQLTool::StatementNames[I] + "\n" + R.Statements[I] + "\n\n";
  }
  return Out;
}

void AllTables(benchmark::State& State, const std::string& URI, bool Verify = false) {
  size_t Generated = 0, Bytes = 0;
  for (auto _ : State) {
    UpdateSQLTool::TWorkbench Bench(URI, &OVUpdSEd::EditUpdateSQL);
    const auto Results = Bench.GenerateAll({});
    if (Verify)
      for (const auto& V : Bench.Verify(Results))
        if (!V.Error.empty())
          State.SkipWithError(V.Error.c_str());
    const std::string Out = OutputText(Results);
    Generated = Results.size();
    Bytes = Out.size();
    benchmark::DoNotOptimize(Out.data());
  }
  State.counters["tables"] = static_cast<double>(Generated);
  State.counters["output_bytes"] = static_cast<double>(Bytes);
}

// Connecting is part of each run, as it is of the command's.
template <typename TFloor, typename... TArgs>
void Floor(benchmark::State& State, bool PerTable, const TArgs&... Args) {
  size_t Tables = 0, Bytes = 0;
  for (auto _ : State) {
    TFloor Floor(Args...);
    const CatalogFloor::TCatalog Catalog = PerTable ? Floor.PerTable() : Floor.Batch();
    std::string Out;
    Tables = 0;
    for (const auto& [Table, Columns] : Catalog.Columns) {
      const std::vector<std::string> Keys = CatalogFloor::PrimaryKey(Catalog, Table);
      if (Keys.empty())
        continue;
      CatalogFloor::AppendStatements(Out, Table, Columns, Keys);
      ++Tables;
    }
    Bytes = Out.size();
    benchmark::DoNotOptimize(Out.data());
  }
  State.counters["tables"] = static_cast<double>(Tables);
  State.counters["output_bytes"] = static_cast<double>(Bytes);
}

void DialogFlow(benchmark::State& State, const std::string& URI) {
  UpdateSQLTool::TWorkbench Bench(URI, &OVUpdSEd::EditUpdateSQL);
  UpdateSQLTool::TRequest Request;
  Request.Table = "wide1500";
  size_t Fields = 0, Keys = 0;
  for (auto _ : State) {
    const UpdateSQLTool::TResult R = Bench.Generate(Request);
    Fields = R.UpdateFields.size();
    Keys = R.KeyFields.size();
    benchmark::DoNotOptimize(R.Statements[1].data());
  }
  State.counters["fields"] = static_cast<double>(Fields);
  State.counters["keys"] = static_cast<double>(Keys);
}

void BM_SQLite_AllTables(benchmark::State& State) {
  AllTables(State, "sqlite:" + SQLite().Path);
}
void BM_SQLite_AllTablesVerify(benchmark::State& State) {
  AllTables(State, "sqlite:" + SQLite().Path, true);
}
void BM_SQLite_Floor_Batch(benchmark::State& State) {
  Floor<CatalogFloor::TSQLiteFloor>(State, false, SQLite().Path);
}
void BM_SQLite_Floor_PerTable(benchmark::State& State) {
  Floor<CatalogFloor::TSQLiteFloor>(State, true, SQLite().Path);
}
void BM_SQLite_DialogFlow1500(benchmark::State& State) {
  DialogFlow(State, "sqlite:" + SQLite().WidePath);
}

void BM_Pg_AllTables(benchmark::State& State) {
  if (!PgMissing(State))
    AllTables(State, WithDatabase(Pg().URI, Pg().Database));
}
void BM_Pg_AllTablesVerify(benchmark::State& State) {
  if (!PgMissing(State))
    AllTables(State, WithDatabase(Pg().URI, Pg().Database), true);
}
void BM_Pg_Floor_Batch(benchmark::State& State) {
  if (PgMissing(State))
    return;
  Floor<CatalogFloor::TPgFloor>(State, false, Pg().URI, Pg().Database);
}
void BM_Pg_Floor_PerTable(benchmark::State& State) {
  if (PgMissing(State))
    return;
  Floor<CatalogFloor::TPgFloor>(State, true, Pg().URI, Pg().Database);
}
void BM_Pg_DialogFlow1500(benchmark::State& State) {
  if (!PgMissing(State))
    DialogFlow(State, WithDatabase(Pg().URI, Pg().Wide));
}

} // namespace

BENCHMARK(BM_SQLite_AllTables)->Unit(benchmark::kMillisecond)->MinTime(2);
BENCHMARK(BM_SQLite_AllTablesVerify)->Unit(benchmark::kMillisecond)->MinTime(2);
BENCHMARK(BM_SQLite_Floor_Batch)->Unit(benchmark::kMillisecond)->MinTime(2);
BENCHMARK(BM_SQLite_Floor_PerTable)->Unit(benchmark::kMillisecond)->MinTime(2);
BENCHMARK(BM_SQLite_DialogFlow1500)->Unit(benchmark::kMillisecond)->MinTime(2);
BENCHMARK(BM_Pg_AllTables)->Unit(benchmark::kMillisecond)->MinTime(2);
BENCHMARK(BM_Pg_AllTablesVerify)->Unit(benchmark::kMillisecond)->MinTime(2);
BENCHMARK(BM_Pg_Floor_Batch)->Unit(benchmark::kMillisecond)->MinTime(2);
BENCHMARK(BM_Pg_Floor_PerTable)->Unit(benchmark::kMillisecond)->MinTime(3);
BENCHMARK(BM_Pg_DialogFlow1500)->Unit(benchmark::kMillisecond)->MinTime(2);

BENCHMARK_MAIN();
