// What ovdesigner maps at start-up, read from the dynamic loader's own trace
// (LD_DEBUG=files): the commands that show no window run without a display
// and without Qt's platform plugins and never map Qt; the window's library is
// loaded for the commands that show windows, and its absence is named; the
// database client libraries are mapped only when a database is opened.
#include "support/Process.hpp"
#include "support/TempDir.hpp"

#include <gtest/gtest.h>

#include <filesystem>

using namespace TestSupport;

namespace {

class Startup : public ::testing::Test {
protected:
  void SetUp() override {
    WriteRegistry(Registry / "registry.ini", Settings.Path().string());
    std::filesystem::copy_file(OV_BINARY_DIR "/share/orvane/demo.db", Work / "demo.db");
  }

  // Runs ovdesigner as on a server: no display, and Qt's plugin paths
  // pointing at nothing. Loaded holds every shared object the loader mapped.
  TRunResult Designer(std::vector<std::string> Args, std::string& Loaded, TEnv Env = {}) {
    const std::string Trace = Traces / std::to_string(++FRuns);
    Env.insert(Env.end(), {{"DISPLAY", ""},
                           {"WAYLAND_DISPLAY", ""},
                           {"QT_QPA_PLATFORM", ""},
                           {"QT_PLUGIN_PATH", Work / "no-plugins"},
                           {"QT_QPA_PLATFORM_PLUGIN_PATH", Work / "no-plugins"},
                           {"LD_DEBUG", "files"},
                           {"LD_DEBUG_OUTPUT", Trace}});
    const TRunResult R = RunDesigner(Args, Registry / "registry.ini", Env);
    // The loader writes Trace.PID, one file per process.
    Loaded.clear();
    for (const auto& Entry : std::filesystem::directory_iterator(Traces.Path()))
      if (Entry.path().filename().string().rfind(std::to_string(FRuns) + ".", 0) == 0)
        Loaded += ReadFile(Entry.path().string());
    return R;
  }

  TTempDir Registry, Settings, Work, Traces;
  int FRuns = 0;
};

TEST_F(Startup, CommandsThatShowNoWindowNeverMapQt) {
  const std::vector<std::vector<std::string>> Commands = {
      {"--help"},
      {"package-info"},
      {"updatesql", "--connect", "sqlite:" + Work / "demo.db", "--table", "customer"},
      {"open", OV_BINARY_DIR "/share/orvane/demo.dfm"}};
  for (const auto& Command : Commands) {
    std::string Loaded;
    const TRunResult R = Designer(Command, Loaded);
    EXPECT_EQ(R.ExitCode, 0) << Command[0] << ": " << R.Err;
    // The trace is there (the platform library is in it), and Qt is not.
    EXPECT_NE(Loaded.find("libovplatform60.so"), std::string::npos) << Command[0];
    EXPECT_EQ(Loaded.find("libQt6"), std::string::npos) << Command[0];
    EXPECT_EQ(Loaded.find("libovdesignerqt"), std::string::npos) << Command[0];
  }
}

TEST_F(Startup, ClientLibrariesAreMappedOnlyByTheCommandsThatConnect) {
  for (const std::vector<std::string>& Command :
       {std::vector<std::string>{"--help"},
        {"package-info"},
        {"open", OV_BINARY_DIR "/share/orvane/demo.dfm"}}) {
    std::string Loaded;
    const TRunResult R = Designer(Command, Loaded);
    EXPECT_EQ(R.ExitCode, 0) << Command[0] << ": " << R.Err;
    EXPECT_NE(Loaded.find("libovplatform60.so"), std::string::npos) << Command[0];
    for (const char* Client : {"libsqlite3", "libpq", "libmariadb"})
      EXPECT_EQ(Loaded.find(Client), std::string::npos) << Command[0] << " maps " << Client;
  }
  // A SQLite database opens the library with its first call, and works.
  std::string Loaded;
  const TRunResult R = Designer(
      {"updatesql", "--connect", "sqlite:" + Work / "demo.db", "--table", "customer"}, Loaded);
  EXPECT_EQ(R.ExitCode, 0) << R.Err;
  EXPECT_NE(R.Out.find("customer"), std::string::npos) << R.Out;
  EXPECT_NE(Loaded.find("libsqlite3"), std::string::npos);
}

#ifdef OV_HAVE_GUI

TEST_F(Startup, TheWindowsLibraryIsLoadedForTheWindowAndItsAbsenceIsNamed) {
  const std::string Form = OV_BINARY_DIR "/share/orvane/demo.dfm", Png = Work / "shot.png";
  std::string Loaded;
  // Without a display the window's library is not even loaded.
  TRunResult R = Designer({"gui", Form}, Loaded);
  EXPECT_EQ(R.ExitCode, 1);
  EXPECT_NE(R.Err.find("There is no display to show the designer on"), std::string::npos) << R.Err;
  EXPECT_EQ(Loaded.find("libQt6"), std::string::npos);

  // A library that is not there, or is not the window's, is named; no
  // picture is written.
  R = Designer({"screenshot", Form, Png}, Loaded, {{"ORVANE_GUI_LIBRARY", Work / "nope.so"}});
  EXPECT_EQ(R.ExitCode, 1);
  EXPECT_NE(R.Err.find("Cannot load the designer window's library " + Work / "nope.so"),
            std::string::npos)
      << R.Err;
  R = Designer({"screenshot", Form, Png}, Loaded, {{"ORVANE_GUI_LIBRARY", OV_RTL_FILE}});
  EXPECT_EQ(R.ExitCode, 1);
  EXPECT_NE(R.Err.find("is not the designer window's library of this ovdesigner"),
            std::string::npos)
      << R.Err;
  EXPECT_FALSE(std::filesystem::exists(Png));

  // Offscreen the picture is made through the library.
  R = Designer({"screenshot", Form, Png}, Loaded);
  EXPECT_EQ(R.ExitCode, 0) << R.Err;
  EXPECT_NE(Loaded.find("libovdesignerqt"), std::string::npos);
  EXPECT_NE(Loaded.find("libQt6Widgets"), std::string::npos);
  EXPECT_TRUE(std::filesystem::exists(Png));
}

#endif

} // namespace
