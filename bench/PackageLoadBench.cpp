// Loading the design package as the host does, and unloading it again:
// dlopen, the entry points, Initialize (the runtime package's start-up and
// OVReg's, which reads the registry file), Register, then Finalize, removal of
// the registrations and dlclose. The target is under 5 ms for the round trip,
// the first one in a process included.
//
// The registry and settings live in a temporary folder of the run's own; the
// parts are measured on their own too, to show where the time goes.
#include "designide/DesignPackages.hpp"
#include "designide/DesignRegistry.hpp"

#include <benchmark/benchmark.h>

#include <chrono>
#include <cstdlib>
#include <dlfcn.h>
#include <filesystem>
#include <fstream>
#include <string>
#include <sys/wait.h>
#include <unistd.h>

namespace {

// A registry naming a settings folder with a settings file in it, as a
// developer's machine would have.
struct TSettingsFolder {
  std::string Dir;
  TSettingsFolder() {
    char Tmpl[] = "/tmp/ov-bench-XXXXXX";
    Dir = ::mkdtemp(Tmpl);
    std::ofstream(Dir + "/registry.ini") << "[Software\\Orvane]\nRootDir=" << Dir << "\n";
    std::ofstream(Dir + "/orvane.ini")
        << "[TOVDatabase]\nServerType=SQLite\n[SQLEditor]\nEnabled=1\n"
           "[RecentDatabases]\nItem00=/data/sales.db\nItem01=/data/stock.db\n";
    ::setenv("ORVANE_REGISTRY", (Dir + "/registry.ini").c_str(), 1);
  }
  ~TSettingsFolder() { std::filesystem::remove_all(Dir); }
};

TSettingsFolder& Folder() {
  static TSettingsFolder F;
  return F;
}

// The first load in a process, when the loader really maps the package and
// the runtime package: each iteration runs in a fresh child process, which
// times its own load and unload. It must run before anything here loads the
// package, so that the children do not inherit it mapped.
void BM_FirstLoadAndUnload(benchmark::State& State) {
  Folder();
  for (auto _ : State) {
    int Pipe[2];
    if (::pipe(Pipe) != 0) {
      State.SkipWithError("pipe failed");
      return;
    }
    const pid_t Pid = ::fork();
    if (Pid == 0) {
      ::close(Pipe[0]);
      double Seconds = -1;
      try {
        const auto Start = std::chrono::steady_clock::now();
        auto P = DesignPackages::TDesignPackage::Load(OV_PACKAGE_FILE);
        P->Unload();
        Seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - Start).count();
      } catch (...) {
      }
      (void)!::write(Pipe[1], &Seconds, sizeof Seconds);
      ::_exit(0);
    }
    ::close(Pipe[1]);
    double Seconds = -1;
    const bool Read = ::read(Pipe[0], &Seconds, sizeof Seconds) == sizeof Seconds;
    ::close(Pipe[0]);
    ::waitpid(Pid, nullptr, 0);
    if (!Read || Seconds < 0) {
      State.SkipWithError("the child could not load the package");
      return;
    }
    State.SetIterationTime(Seconds);
  }
}
BENCHMARK(BM_FirstLoadAndUnload)->UseManualTime()->Unit(benchmark::kMicrosecond);

// Loading again in the same process: the code is mapped already, so this is
// the package's own start-up, registration and shut-down.
void BM_LoadAndUnload(benchmark::State& State) {
  Folder();
  for (auto _ : State) {
    auto P = DesignPackages::TDesignPackage::Load(OV_PACKAGE_FILE);
    P->Unload();
  }
}
BENCHMARK(BM_LoadAndUnload)->Unit(benchmark::kMicrosecond);

// dlopen and dlclose of the mapped package.
void BM_DlopenAndDlclose(benchmark::State& State) {
  for (auto _ : State) {
    void* H = ::dlopen(OV_PACKAGE_FILE, RTLD_NOW | RTLD_LOCAL);
    if (!H) {
      State.SkipWithError(::dlerror());
      return;
    }
    ::dlclose(H);
  }
}
BENCHMARK(BM_DlopenAndDlclose)->Unit(benchmark::kMicrosecond);

// The entry points alone, with the library kept loaded.
struct TEntries {
  void* Handle = nullptr;
  DesignPackages::TPackageProc Initialize = nullptr, Register = nullptr, Finalize = nullptr;
  TEntries() {
    Handle = ::dlopen(OV_PACKAGE_FILE, RTLD_NOW | RTLD_LOCAL);
    if (!Handle)
      return;
    Initialize = reinterpret_cast<DesignPackages::TPackageProc>(::dlsym(Handle, "Initialize"));
    Register = reinterpret_cast<DesignPackages::TPackageProc>(::dlsym(Handle, "Register"));
    Finalize = reinterpret_cast<DesignPackages::TPackageProc>(::dlsym(Handle, "Finalize"));
  }
  ~TEntries() {
    if (Handle)
      ::dlclose(Handle);
  }
  bool Ok() const { return Initialize && Register && Finalize; }
};

void BM_InitializeAndFinalize(benchmark::State& State) {
  Folder();
  TEntries E;
  if (!E.Ok()) {
    State.SkipWithError("the package's entry points are missing");
    return;
  }
  for (auto _ : State) {
    E.Initialize();
    E.Finalize();
  }
}
BENCHMARK(BM_InitializeAndFinalize)->Unit(benchmark::kMicrosecond);

void BM_RegisterAndUnregister(benchmark::State& State) {
  Folder();
  TEntries E;
  if (!E.Ok()) {
    State.SkipWithError("the package's entry points are missing");
    return;
  }
  E.Initialize();
  for (auto _ : State) {
    {
      DesignRegistry::TRegistrationScope Scope("DclOrvane60");
      E.Register();
    }
    DesignRegistry::UnregisterPackage("DclOrvane60");
  }
  E.Finalize();
}
BENCHMARK(BM_RegisterAndUnregister)->Unit(benchmark::kMicrosecond);

} // namespace

BENCHMARK_MAIN();
