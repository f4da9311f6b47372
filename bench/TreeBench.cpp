// The object tree of a design file of 5,000 components, built with the
// package's registered tree nodes: 10 sessions with 10 databases each,
// datasets of every kind under them (some naming the default session, some
// naming databases that have no component, so that transient nodes are
// made), and update objects. Once the tree alone over the components read
// from the file, once reading the file and building the tree.
#include "dclorvane60/OVReg.hpp"
#include "designide/DesignRegistry.hpp"
#include "designide/TreeIntf/Sprigs.hpp"
#include "orvane60/Orvane60.hpp"
#include "rtl/DfmStream.hpp"
#include "rtl/SysUtils.hpp"

#include <benchmark/benchmark.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <memory>
#include <string>
#include <unistd.h>

namespace {

constexpr int ComponentCount = 5000;
constexpr int SessionCount = 10;
constexpr int DatabasesPerSession = 10;

// The package as the host runs it: started on a settings folder of its own
// (the person's registry and settings stay untouched) and registered.
class TPackage {
public:
  TPackage() {
    FDir = std::filesystem::temp_directory_path() / ("ov-treebench-" + std::to_string(::getpid()));
    std::filesystem::create_directories(FDir);
    const std::string Registry = (FDir / "registry.ini").string();
    std::ofstream(Registry) << "[Software\\Orvane]\nRootDir=" << FDir.string() << "\n";
    ::setenv("ORVANE_REGISTRY", Registry.c_str(), 1);
    Orvane60::Initialize();
    OVReg::InitializeUnit();
    DesignRegistry::TRegistrationScope Scope("DclOrvane60");
    OVReg::Register();
  }
  ~TPackage() {
    DesignRegistry::UnregisterPackage("DclOrvane60");
    OVReg::FinalizeUnit();
    Orvane60::Finalize();
    std::error_code Ignored;
    std::filesystem::remove_all(FDir, Ignored);
  }

private:
  std::filesystem::path FDir;
};

std::string Object(const std::string& Name, const std::string& Class,
                   const std::string& Properties) {
  return "  object " + Name + ": " + Class + "\n" + Properties + "  end\n";
}

std::string Prop(const std::string& Name, const std::string& Value) {
  return "    " + Name + " = " + Value + "\n";
}

std::string Quoted(const std::string& S) {
  return "'" + S + "'";
}

const std::string& DesignText() {
  static const std::string Text = [] {
    std::string T = "object BenchModule: TDataModule\n";
    int Count = 0;
    for (int S = 0; S < SessionCount; ++S, ++Count)
      T += Object("Session" + std::to_string(S), "TOVSession",
                  Prop("SessionName", Quoted("Sales" + std::to_string(S))));
    for (int S = 0; S < SessionCount; ++S)
      for (int D = 0; D < DatabasesPerSession; ++D, ++Count) {
        const std::string N = std::to_string(S * DatabasesPerSession + D);
        T += Object("Database" + N, "TOVDatabase",
                    Prop("DatabaseName", Quoted("DB" + N)) +
                        Prop("SessionName", Quoted("Sales" + std::to_string(S))) +
                        Prop("RemoteDatabase", Quoted("/data/db" + N + ".db")));
      }
    for (int I = 0; Count < ComponentCount; ++I, ++Count) {
      const std::string N = std::to_string(I);
      const int Db = I % (SessionCount * DatabasesPerSession);
      std::string Session = "Sales" + std::to_string(Db / DatabasesPerSession);
      std::string Database = "DB" + std::to_string(Db);
      // Of every 80 components, 4 name a database no component stands for;
      // of every 200, 4 name the default session.
      if (I / 4 % 20 == 7)
        Database = "Missing" + std::to_string(I % 40);
      if (I / 4 % 50 == 13)
        Session.clear();
      const std::string Names =
          Prop("DatabaseName", Quoted(Database)) + Prop("SessionName", Quoted(Session));
      switch (I % 4) {
      case 0:
        T += Object("Table" + N, "TOVTable", Names + Prop("TableName", Quoted("T" + N)));
        break;
      case 1:
        T += Object("Query" + N, "TOVQuery",
                    Names + "    SQL.Strings = (\n      'select *'\n      'from T" + N + "')\n");
        break;
      case 2:
        T += Object("Proc" + N, "TOVStoredProc", Names + Prop("StoredProcName", Quoted("P" + N)));
        break;
      default:
        T += Object("Update" + N, "TOVUpdateSQL",
                    "    ModifySQL.Strings = (\n      'update T set A = :A')\n");
      }
    }
    return T + "end\n";
  }();
  return Text;
}

TPackage& Package() {
  static TPackage P;
  return P;
}

void BM_BuildTree(benchmark::State& State) {
  Package();
  Classes::TDataModule Module(nullptr);
  DfmStream::ReadComponentFromText(DesignText(), &Module, "bench.dfm");
  if (Module.ComponentCount() != ComponentCount) {
    State.SkipWithError("the design holds the wrong number of components");
    return;
  }
  int Nodes = 0;
  for (auto _ : State) {
    TreeIntf::TRootSprig Tree(&Module);
    Tree.Build();
    Nodes = static_cast<int>(Tree.AllNodes().size());
  }
  State.counters["components"] = ComponentCount;
  State.counters["nodes"] = Nodes;
}
BENCHMARK(BM_BuildTree)->Unit(benchmark::kMillisecond);

void BM_ReadFileAndBuildTree(benchmark::State& State) {
  Package();
  for (auto _ : State) {
    auto Module = std::make_unique<Classes::TDataModule>(nullptr);
    DfmStream::ReadComponentFromText(DesignText(), Module.get(), "bench.dfm");
    {
      TreeIntf::TRootSprig Tree(Module.get());
      Tree.Build();
      benchmark::DoNotOptimize(Tree.Count());
    }
    State.PauseTiming();
    Module.reset();
    State.ResumeTiming();
  }
  State.counters["components"] = ComponentCount;
}
BENCHMARK(BM_ReadFileAndBuildTree)->Unit(benchmark::kMillisecond);

} // namespace

BENCHMARK_MAIN();
