// The designer window on Qt's offscreen platform with the design package
// loaded: start-up (the window made, a design file of 500 components read,
// the palette, tree, surface and inspector built and the window shown) and a
// change of selection to 10 components, after which the Object Inspector
// shows what they share.
#include "designide/DesignPackages.hpp"
#include "host/qt/QtDesigner.hpp"
#include "rtl/SysUtils.hpp"

#include <QApplication>

#include <benchmark/benchmark.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <memory>
#include <string>
#include <unistd.h>

namespace {

constexpr int ComponentCount = 500;

std::filesystem::path WorkDir() {
  static const std::filesystem::path Dir = [] {
    auto D =
        std::filesystem::temp_directory_path() / ("ov-designerbench-" + std::to_string(::getpid()));
    std::filesystem::create_directories(D);
    return D;
  }();
  return Dir;
}

// 500 components: 10 databases (on SQLite files that are never opened), and
// under each queries, tables, stored procedures and update objects.
std::string DesignFile() {
  const auto File = WorkDir() / "big.dfm";
  if (std::filesystem::exists(File))
    return File.string();
  std::string Text = "object DataModule1: TDataModule\n  OldCreateOrder = False\n"
                     "  Height = 2000\n  Width = 2000\n";
  const char* Classes[] = {"TOVQuery", "TOVTable", "TOVStoredProc", "TOVUpdateSQL"};
  int Made = 0;
  for (int D = 0; D < 10; ++D, ++Made) {
    Text += "  object Database" + std::to_string(D) + ": TOVDatabase\n    DatabaseName = 'db" +
            std::to_string(D) + "'\n    LoginPrompt = False\n    RemoteDatabase = 'db" +
            std::to_string(D) + ".db'\n    Left = " + std::to_string(24 + D * 48) +
            "\n    Top = 16\n  end\n";
  }
  for (int I = 0; Made < ComponentCount; ++I, ++Made) {
    const std::string Class = Classes[I % 4];
    Text += "  object " + Class.substr(1) + std::to_string(I) + ": " + Class + "\n";
    if (Class != "TOVUpdateSQL")
      Text += "    DatabaseName = 'db" + std::to_string(I % 10) + "'\n";
    Text += "    Left = " + std::to_string(24 + (I % 40) * 48) +
            "\n    Top = " + std::to_string(72 + (I / 40) * 48) + "\n  end\n";
  }
  Text += "end\n";
  std::ofstream(File) << Text;
  return File.string();
}

// The application, the package and the settings folder for the whole run.
class TEnvironment {
public:
  TEnvironment() {
    ::setenv("QT_QPA_PLATFORM", "offscreen", 1);
    const std::string Registry = (WorkDir() / "registry.ini").string();
    std::ofstream(Registry) << "[Software\\Orvane]\nRootDir=" << WorkDir().string() << "\n";
    ::setenv("ORVANE_REGISTRY", Registry.c_str(), 1);
    FApp = std::make_unique<QApplication>(FArgc, FArgv);
    FPackage = DesignPackages::TDesignPackage::Load(OV_PACKAGE_FILE);
  }
  ~TEnvironment() {
    FPackage->Unload();
    FApp.reset();
    std::error_code Ignored;
    std::filesystem::remove_all(WorkDir(), Ignored);
  }

private:
  int FArgc = 1;
  char FName[8] = "bench";
  char* FArgv[2] = {FName, nullptr};
  std::unique_ptr<QApplication> FApp;
  std::unique_ptr<DesignPackages::TDesignPackage> FPackage;
};

// Made by main and gone before the program exits: Qt's application object
// must not outlive Qt's own statics.
TEnvironment* Current = nullptr;

void Environment() {
  if (!Current)
    std::abort();
}

void DrainEvents() {
  for (int I = 0; I < 3; ++I)
    QApplication::processEvents();
}

void BM_StartUpWith500Components(benchmark::State& State) {
  Environment();
  const std::string File = DesignFile();
  for (auto _ : State) {
    auto Window = std::make_unique<QtDesigner::TDesignerWindow>(
        QtDesigner::TDesignerOptions{OV_PACKAGE_FILE});
    if (!Window->OpenFile(File)) {
      State.SkipWithError("the design file did not open");
      return;
    }
    Window->resize(1100, 700);
    Window->show();
    DrainEvents();
    State.PauseTiming();
    Window.reset();
    DrainEvents();
    State.ResumeTiming();
  }
}
BENCHMARK(BM_StartUpWith500Components)->Unit(benchmark::kMillisecond);

void BM_SelectTenComponents(benchmark::State& State) {
  Environment();
  QtDesigner::TDesignerWindow Window(QtDesigner::TDesignerOptions{OV_PACKAGE_FILE});
  if (!Window.OpenFile(DesignFile())) {
    State.SkipWithError("the design file did not open");
    return;
  }
  Window.show();
  DrainEvents();
  // Two sets of ten queries, chosen in turn, so that each step changes the
  // selection.
  std::vector<Classes::TPersistent*> Sets[2];
  for (int S = 0; S < 2; ++S)
    for (int I = 0; I < 10; ++I)
      Sets[S].push_back(
          Window.Designer()->GetComponent("OVQuery" + std::to_string((S * 10 + I) * 4)));
  int Turn = 0;
  for (auto _ : State) {
    Window.Select(Sets[Turn]);
    Turn = 1 - Turn;
    QApplication::processEvents();
  }
}
BENCHMARK(BM_SelectTenComponents)->Unit(benchmark::kMillisecond);

} // namespace

int main(int argc, char** argv) {
  benchmark::Initialize(&argc, argv);
  if (benchmark::ReportUnrecognizedArguments(argc, argv))
    return 1;
  {
    TEnvironment E;
    Current = &E;
    benchmark::RunSpecifiedBenchmarks();
    Current = nullptr;
  }
  benchmark::Shutdown();
  return 0;
}
