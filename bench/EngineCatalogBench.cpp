// The runtime package's catalogue path over 2,000 tables of 8 columns, each
// with a primary key and one unique index, in a temporary SQLite file and
// (when ORVANE_TEST_PG names a cluster) a PostgreSQL database made for the
// run: for every table the session's GetFieldNames and the database's index
// information (GetSchemaInfo), as a tool that walks a whole schema asks them,
// once one question at a time and once inside a catalog batch.
#include "orvane60/OVEngine.hpp"
#include "orvane60/drivers/OVDriver.hpp"

#include <benchmark/benchmark.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <unistd.h>

using namespace OVEngine;

namespace {

constexpr int TableCount = 2000;

std::string Schema() {
  std::string Script = "begin;\n";
  for (int I = 0; I < TableCount; ++I) {
    char Name[16];
    std::snprintf(Name, sizeof Name, "t%04d", I);
    Script += std::string("create table ") + Name +
              " (id bigint primary key, code varchar(20) not null, name varchar(80), qty "
              "integer, price numeric(10,2), created timestamp, note text, ref_id bigint, "
              "constraint " +
              Name + "_code unique (code));\n";
    if (I % 200 == 199)
      Script += "commit;\nbegin;\n";
  }
  return Script + "commit;\n";
}

struct TSetup {
  std::string Path, PgDatabase;
  std::unique_ptr<Classes::TComponent> Owner;
  TOVDatabase* Db = nullptr;

  explicit TSetup(TOVServerType Type) {
    Owner = std::make_unique<Classes::TComponent>(nullptr);
    Db = new TOVDatabase(Owner.get());
    Db->SetDatabaseName(Type == TOVServerType::stSQLite ? "BenchSQLite" : "BenchPg");
    Db->SetServerType(Type);
    OVDriver::TConnectParams Params;
    if (Type == TOVServerType::stSQLite) {
      Path = (std::filesystem::temp_directory_path() /
              ("ovrt-bench-" + std::to_string(::getpid()) + ".db"))
                 .string();
      std::filesystem::remove(Path);
      Params.RemoteDatabase = Path;
      Params.Extra = {{"CREATE", "TRUE"}};
      OVDriver::FindDriver("SQLite")->Connect(Params)->ExecuteScript(Schema());
      Db->SetRemoteDatabase(Path);
    } else {
      const char* URI = std::getenv("ORVANE_TEST_PG");
      if (!URI)
        return;
      PgDatabase = "ovrt_bench_" + std::to_string(::getpid());
      Params.RemoteDatabase = URI;
      OVDriver::FindDriver("PostgreSQL")
          ->Connect(Params)
          ->ExecuteScript("create database " + PgDatabase);
      Params.Extra = {{"dbname", PgDatabase}};
      OVDriver::FindDriver("PostgreSQL")->Connect(Params)->ExecuteScript(Schema());
      Db->SetRemoteDatabase(URI);
      Db->GetParams()->SetValue("dbname", PgDatabase);
    }
    Db->Open();
  }
  ~TSetup() {
    Owner.reset();
    if (!Path.empty())
      std::filesystem::remove(Path);
    if (!PgDatabase.empty()) {
      OVDriver::TConnectParams Params;
      Params.RemoteDatabase = std::getenv("ORVANE_TEST_PG");
      OVDriver::FindDriver("PostgreSQL")
          ->Connect(Params)
          ->ExecuteScript("drop database if exists " + PgDatabase + " with (force)");
    }
  }
};

TSetup& Setup(TOVServerType Type) {
  static TSetup SQLite(TOVServerType::stSQLite);
  static TSetup Pg(TOVServerType::stPostgreSQL);
  return Type == TOVServerType::stSQLite ? SQLite : Pg;
}

void WalkSchema(benchmark::State& State, TOVServerType Type, bool Batch) {
  TSetup& S = Setup(Type);
  if (!S.Db->GetConnected()) {
    State.SkipWithError("ORVANE_TEST_PG is not set");
    return;
  }
  Classes::TStringList Tables;
  Session()->GetTableNames(S.Db->GetDatabaseName(), "", false, &Tables);
  int64_t Keys = 0;
  for (auto _ : State) {
    if (Batch)
      S.Db->BeginCatalogBatch();
    for (int I = 0; I < Tables.Count(); ++I) {
      Classes::TStringList Fields;
      Session()->GetFieldNames(S.Db->GetDatabaseName(), Tables[I], &Fields);
      std::unique_ptr<DB::TDataSet> Index(S.Db->GetSchemaInfo(TOVSchemaType::siIndexes, Tables[I]));
      Keys += Index ? Index->RecordCount() : 0;
      benchmark::DoNotOptimize(Fields.Count());
    }
    if (Batch)
      S.Db->EndCatalogBatch();
  }
  State.counters["tables"] = Tables.Count();
  State.counters["index_rows_per_walk"] =
      static_cast<double>(Keys) / static_cast<double>(State.iterations());
}

void BM_SQLiteOneByOne(benchmark::State& State) {
  WalkSchema(State, TOVServerType::stSQLite, false);
}
void BM_SQLiteBatch(benchmark::State& State) {
  WalkSchema(State, TOVServerType::stSQLite, true);
}
void BM_PostgreSQLOneByOne(benchmark::State& State) {
  WalkSchema(State, TOVServerType::stPostgreSQL, false);
}
void BM_PostgreSQLBatch(benchmark::State& State) {
  WalkSchema(State, TOVServerType::stPostgreSQL, true);
}

BENCHMARK(BM_SQLiteOneByOne)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_SQLiteBatch)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_PostgreSQLOneByOne)->Unit(benchmark::kMillisecond)->Iterations(1);
BENCHMARK(BM_PostgreSQLBatch)->Unit(benchmark::kMillisecond);

} // namespace

BENCHMARK_MAIN();
