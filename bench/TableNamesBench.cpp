// The drop-down list of a table's TableName over a database of 10,000
// tables, as the Object Inspector gets it (the editor's value list, sorted),
// in a temporary SQLite file and (when ORVANE_TEST_PG names a cluster) a
// PostgreSQL database made for the run. Warm: the database stays connected
// between questions, as KeepConnection has it by default. Cold: every
// question connects and disconnects again.
#include "dclorvane60/OVReg.hpp"
#include "designide/DesignIntf/Designer.hpp"
#include "designide/DesignRegistry.hpp"
#include "designide/ObjectInspector.hpp"
#include "orvane60/OVEngine.hpp"
#include "orvane60/drivers/OVDriver.hpp"

#include <benchmark/benchmark.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <unistd.h>

using namespace OVEngine;

namespace {

constexpr int TableCount = 10000;

std::string Schema() {
  std::string Script = "begin;\n";
  for (int I = 0; I < TableCount; ++I) {
    char Name[16];
    std::snprintf(Name, sizeof Name, "t%05d", I);
    Script +=
        std::string("create table ") + Name + " (id integer primary key, name varchar(40));\n";
    if (I % 1000 == 999)
      Script += "commit;\nbegin;\n";
  }
  return Script + "commit;\n";
}

// The package started on a settings folder of its own and registered.
class TPackage {
public:
  TPackage() {
    FDir = std::filesystem::temp_directory_path() / ("ov-namesbench-" + std::to_string(::getpid()));
    std::filesystem::create_directories(FDir);
    const std::string Registry = (FDir / "registry.ini").string();
    std::ofstream(Registry) << "[Software\\Orvane]\nRootDir=" << FDir.string() << "\n";
    ::setenv("ORVANE_REGISTRY", Registry.c_str(), 1);
    OVReg::InitializeUnit();
    DesignRegistry::TRegistrationScope Scope("DclOrvane60");
    OVReg::Register();
  }
  ~TPackage() {
    DesignRegistry::UnregisterPackage("DclOrvane60");
    OVReg::FinalizeUnit();
    std::error_code Ignored;
    std::filesystem::remove_all(FDir, Ignored);
  }
  const std::filesystem::path& Dir() const { return FDir; }

private:
  std::filesystem::path FDir;
};

TPackage& Package() {
  static TPackage P;
  return P;
}

// A data module with a database over the server's 10,000 tables and a table
// component whose TableName is asked for.
struct TSetup {
  std::string PgDatabase;
  std::unique_ptr<Classes::TDataModule> Root;
  System::TInterfaceRef<DesignIntf::TDesigner> Designer;
  TOVDatabase* Db = nullptr;
  TOVTable* Table = nullptr;
  bool Ready = false;

  explicit TSetup(TOVServerType Type) {
    Root = std::make_unique<Classes::TDataModule>(nullptr);
    Root->SetName("BenchModule");
    Designer = System::TInterfaceRef<DesignIntf::TDesigner>(new DesignIntf::TDesigner(Root.get()));
    Db = new TOVDatabase(Root.get());
    Db->SetName("Database1");
    Db->SetDatabaseName(Type == TOVServerType::stSQLite ? "NamesSQLite" : "NamesPg");
    Db->SetServerType(Type);
    OVDriver::TConnectParams Params;
    if (Type == TOVServerType::stSQLite) {
      const std::string Path = (Package().Dir() / "names.db").string();
      Params.RemoteDatabase = Path;
      Params.Extra = {{"CREATE", "TRUE"}};
      OVDriver::FindDriver("SQLite")->Connect(Params)->ExecuteScript(Schema());
      Db->SetRemoteDatabase(Path);
    } else {
      const char* URI = std::getenv("ORVANE_TEST_PG");
      if (!URI)
        return;
      PgDatabase = "ov_namesbench_" + std::to_string(::getpid());
      Params.RemoteDatabase = URI;
      auto Admin = OVDriver::FindDriver("PostgreSQL")->Connect(Params);
      Admin->ExecuteScript("drop database if exists " + PgDatabase + " with (force)");
      Admin->ExecuteScript("create database " + PgDatabase);
      try {
        Params.Extra = {{"dbname", PgDatabase}};
        OVDriver::FindDriver("PostgreSQL")->Connect(Params)->ExecuteScript(Schema());
      } catch (...) {
        DropPg();
        throw;
      }
      Db->SetRemoteDatabase(URI);
      Db->GetParams()->SetValue("dbname", PgDatabase);
    }
    Table = new TOVTable(Root.get());
    Table->SetName("Table1");
    Table->SetDatabaseName(Db->GetDatabaseName());
    Ready = true;
  }
  ~TSetup() {
    Designer = nullptr;
    Root.reset();
    DropPg();
  }
  void DropPg() {
    if (PgDatabase.empty())
      return;
    try {
      OVDriver::TConnectParams Params;
      Params.RemoteDatabase = std::getenv("ORVANE_TEST_PG");
      OVDriver::FindDriver("PostgreSQL")
          ->Connect(Params)
          ->ExecuteScript("drop database if exists " + PgDatabase + " with (force)");
    } catch (...) {
    }
    PgDatabase.clear();
  }
};

TSetup& Setup(TOVServerType Type) {
  Package();
  static TSetup SQLite(TOVServerType::stSQLite);
  static TSetup Pg(TOVServerType::stPostgreSQL);
  return Type == TOVServerType::stSQLite ? SQLite : Pg;
}

void TableNames(benchmark::State& State, TOVServerType Type, bool Warm) {
  TSetup& S = Setup(Type);
  if (!S.Ready) {
    State.SkipWithError("ORVANE_TEST_PG is not set");
    return;
  }
  S.Db->SetKeepConnection(Warm);
  S.Db->SetConnected(Warm);
  ObjectInspector::TObjectInspector Inspector(S.Designer.Get(), {S.Table});
  ObjectInspector::TInspectorProperty& Row = Inspector.Get("TableName");
  size_t Count = 0;
  for (auto _ : State)
    Count = Row.Values().size();
  if (Count != static_cast<size_t>(TableCount))
    State.SkipWithError("the list does not hold every table");
  State.counters["tables"] = static_cast<double>(Count);
}

void BM_SQLiteWarm(benchmark::State& State) {
  TableNames(State, TOVServerType::stSQLite, true);
}
void BM_SQLiteCold(benchmark::State& State) {
  TableNames(State, TOVServerType::stSQLite, false);
}
void BM_PostgreSQLWarm(benchmark::State& State) {
  TableNames(State, TOVServerType::stPostgreSQL, true);
}
void BM_PostgreSQLCold(benchmark::State& State) {
  TableNames(State, TOVServerType::stPostgreSQL, false);
}

BENCHMARK(BM_SQLiteWarm)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_SQLiteCold)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_PostgreSQLWarm)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_PostgreSQLCold)->Unit(benchmark::kMillisecond);

} // namespace

BENCHMARK_MAIN();
