// Catalog reading over 2,000 tables of 12 columns, each with a primary key,
// in a temporary SQLite file and (when ORVANE_TEST_PG names a cluster) in a
// PostgreSQL database made for the run. Each server is measured four ways:
// the driver one table at a time (GetTableNames, then GetFieldNames and
// GetIndexInfo per table), the driver's batch calls (GetAllFieldNames and
// GetAllIndexInfo), and the floor (catalog_floor.hpp) both ways.
#include "catalog_floor.hpp"
#include "orvane60/drivers/OVDriver.hpp"

#include <benchmark/benchmark.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <unistd.h>

using namespace OVDriver;

namespace {

constexpr int TableCount = 2000;

std::string TableDDL(int Index, bool PostgreSQL) {
  char Name[16];
  std::snprintf(Name, sizeof Name, "t%04d", Index);
  return std::string("create table ") + Name +
         "(id bigint primary key, code varchar(20) not null, name varchar(80), qty integer, "
         "price numeric(10,2), created timestamp, note text, flag boolean, "
         "ratio double precision, data " +
         (PostgreSQL ? "bytea" : "blob") + ", ref_id bigint, updated date);\n";
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

struct TSQLiteSetup {
  std::string Path;
  std::unique_ptr<TConnection> Conn;
  TSQLiteSetup() {
    Path = (std::filesystem::temp_directory_path() /
            ("ovdrv-bench-" + std::to_string(::getpid()) + ".db"))
               .string();
    std::filesystem::remove(Path);
    TConnectParams Params;
    Params.RemoteDatabase = Path;
    Params.Extra = {{"CREATE", "TRUE"}};
    Conn = FindDriver("SQLite")->Connect(Params);
    Conn->ExecuteScript(Schema(false));
  }
  ~TSQLiteSetup() {
    Conn.reset();
    std::filesystem::remove(Path);
  }
};

TSQLiteSetup& SQLite() {
  static TSQLiteSetup Setup;
  return Setup;
}

struct TPgSetup {
  std::string URI, Database;
  std::unique_ptr<TConnection> Conn;
  TPgSetup() {
    const char* Env = std::getenv("ORVANE_TEST_PG");
    if (!Env)
      return;
    URI = Env;
    Database = "ovdrv_bench_" + std::to_string(::getpid());
    Admin()->ExecuteScript("create database " + Database);
    try {
      Conn = Connect();
      Conn->ExecuteScript(Schema(true));
      Conn->ExecuteScript("analyze");
    } catch (...) {
      Conn.reset();
      Admin()->ExecuteScript("drop database if exists " + Database + " with (force)");
      throw;
    }
  }
  ~TPgSetup() {
    if (Database.empty())
      return;
    Conn.reset();
    Admin()->ExecuteScript("drop database if exists " + Database + " with (force)");
  }
  std::unique_ptr<TConnection> Admin() const {
    TConnectParams Params;
    Params.RemoteDatabase = URI;
    return FindDriver("PostgreSQL")->Connect(Params);
  }
  std::unique_ptr<TConnection> Connect() const {
    TConnectParams Params;
    Params.RemoteDatabase = URI;
    Params.Extra = {{"dbname", Database}};
    return FindDriver("PostgreSQL")->Connect(Params);
  }
};

TPgSetup& Pg() {
  static TPgSetup Setup;
  return Setup;
}

std::size_t CountColumns(const TTableColumns& Columns) {
  std::size_t Count = 0;
  for (const auto& [Table, List] : Columns)
    Count += List.size();
  return Count;
}

std::size_t CountColumns(const CatalogFloor::TCatalog& Catalog) {
  std::size_t Count = 0;
  for (const auto& [Table, List] : Catalog.Columns)
    Count += List.size();
  return Count;
}

void DriverPerTable(benchmark::State& State, TConnection& Conn) {
  std::size_t Columns = 0, IndexColumns = 0;
  for (auto _ : State) {
    Columns = IndexColumns = 0;
    for (const std::string& Table : Conn.GetTableNames()) {
      auto Fields = Conn.GetFieldNames(Table);
      auto Indexes = Conn.GetIndexInfo(Table);
      Columns += Fields.size();
      IndexColumns += Indexes.size();
      benchmark::DoNotOptimize(Indexes.data());
    }
  }
  State.counters["columns"] = static_cast<double>(Columns);
  State.counters["index_columns"] = static_cast<double>(IndexColumns);
}

void DriverBatch(benchmark::State& State, TConnection& Conn) {
  std::size_t Columns = 0, Tables = 0;
  for (auto _ : State) {
    const TTableColumns All = Conn.GetAllFieldNames();
    const TTableIndexes Indexes = Conn.GetAllIndexInfo();
    Columns = CountColumns(All);
    Tables = Indexes.size();
  }
  State.counters["columns"] = static_cast<double>(Columns);
  State.counters["indexed_tables"] = static_cast<double>(Tables);
}

template <typename TFloor> void FloorRun(benchmark::State& State, TFloor& Floor, bool PerTable) {
  std::size_t Columns = 0, Tables = 0;
  for (auto _ : State) {
    const CatalogFloor::TCatalog Catalog = PerTable ? Floor.PerTable() : Floor.Batch();
    Columns = CountColumns(Catalog);
    Tables = Catalog.Indexes.size();
  }
  State.counters["columns"] = static_cast<double>(Columns);
  State.counters["indexed_tables"] = static_cast<double>(Tables);
}

void BM_SQLite_Driver_PerTable(benchmark::State& State) {
  DriverPerTable(State, *SQLite().Conn);
}
void BM_SQLite_Driver_Batch(benchmark::State& State) {
  DriverBatch(State, *SQLite().Conn);
}
void BM_SQLite_Floor_PerTable(benchmark::State& State) {
  CatalogFloor::TSQLiteFloor Floor(SQLite().Path);
  FloorRun(State, Floor, true);
}
void BM_SQLite_Floor_Batch(benchmark::State& State) {
  CatalogFloor::TSQLiteFloor Floor(SQLite().Path);
  FloorRun(State, Floor, false);
}

bool PgMissing(benchmark::State& State) {
  if (Pg().Conn)
    return false;
  State.SkipWithError("ORVANE_TEST_PG is not set");
  return true;
}

void BM_Pg_Driver_PerTable(benchmark::State& State) {
  if (!PgMissing(State))
    DriverPerTable(State, *Pg().Conn);
}
void BM_Pg_Driver_Batch(benchmark::State& State) {
  if (!PgMissing(State))
    DriverBatch(State, *Pg().Conn);
}
void BM_Pg_Floor_PerTable(benchmark::State& State) {
  if (PgMissing(State))
    return;
  CatalogFloor::TPgFloor Floor(Pg().URI, Pg().Database);
  FloorRun(State, Floor, true);
}
void BM_Pg_Floor_Batch(benchmark::State& State) {
  if (PgMissing(State))
    return;
  CatalogFloor::TPgFloor Floor(Pg().URI, Pg().Database);
  FloorRun(State, Floor, false);
}

} // namespace

BENCHMARK(BM_SQLite_Driver_PerTable)->Unit(benchmark::kMillisecond)->MinTime(2);
BENCHMARK(BM_SQLite_Floor_PerTable)->Unit(benchmark::kMillisecond)->MinTime(2);
BENCHMARK(BM_SQLite_Driver_Batch)->Unit(benchmark::kMillisecond)->MinTime(2);
BENCHMARK(BM_SQLite_Floor_Batch)->Unit(benchmark::kMillisecond)->MinTime(2);
BENCHMARK(BM_Pg_Driver_PerTable)->Unit(benchmark::kMillisecond)->MinTime(3);
BENCHMARK(BM_Pg_Floor_PerTable)->Unit(benchmark::kMillisecond)->MinTime(3);
BENCHMARK(BM_Pg_Driver_Batch)->Unit(benchmark::kMillisecond)->MinTime(2);
BENCHMARK(BM_Pg_Floor_Batch)->Unit(benchmark::kMillisecond)->MinTime(2);

BENCHMARK_MAIN();
