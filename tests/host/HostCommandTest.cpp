#include "support/Process.hpp"
#include "support/TempDir.hpp"

#include <gtest/gtest.h>
#include <nlohmann/json.hpp>
#include <sstream>
#include <sys/stat.h>

using namespace TestSupport;

namespace {

// Runs ovdesigner with a registry and settings folder of the test's own.
class HostCommandTest : public ::testing::Test {
protected:
  void SetUp() override { SetRootDir(Settings.Path().string()); }

  void SetRootDir(const std::string& Dir) const { WriteRegistry(RegistryFile(), Dir); }
  std::string RegistryFile() const { return Registry / "registry.ini"; }
  std::string Ini() const { return Settings / "orvane.ini"; }

  TRunResult Designer(std::vector<std::string> Args, bool Unprivileged = false) const {
    return RunDesigner(std::move(Args), RegistryFile(), {}, Unprivileged);
  }
  // A failure: exit code 1 and exactly one line on stderr.
  static void ExpectError(const TRunResult& R, const std::string& Part) {
    EXPECT_EQ(R.ExitCode, 1) << R.Out << R.Err;
    EXPECT_NE(R.Err.find(Part), std::string::npos) << R.Err;
    EXPECT_EQ(std::count(R.Err.begin(), R.Err.end(), '\n'), 1) << R.Err;
  }

  TTempDir Registry, Settings, Work;
};

constexpr const char* DemoForm = OV_SOURCE_DIR "/examples/demo.dfm";

} // namespace

TEST_F(HostCommandTest, PackageInfoReadsTheVersionFromThePackageFile) {
  const auto R = Designer({"package-info"});
  ASSERT_EQ(R.ExitCode, 0) << R.Err;
  for (const char* Part :
       {"Orvane Components", "design-time only", "Orvane60, dcldb60, rtl60", "6.5.3.0",
        "Orvane Components for Delphi 6", "DCLORVANE60.BPL", "language 0409, code page 04E4"})
    EXPECT_NE(R.Out.find(Part), std::string::npos) << Part << "\n" << R.Out;

  const auto J = nlohmann::json::parse(Designer({"package-info", "--json"}).Out);
  EXPECT_EQ(J["package"]["description"], "Orvane Components");
  EXPECT_EQ(J["version"]["fileVersion"], "6.5.3.0");
  EXPECT_EQ(J["version"]["stringTables"][0]["strings"]["ProductName"], "Orvane Library");
}

TEST_F(HostCommandTest, PaletteAndRegistrationsComeInOrder) {
  const auto J = nlohmann::json::parse(Designer({"--json", "palette"}).Out);
  ASSERT_EQ(J.size(), 1u);
  EXPECT_EQ(J[0]["page"], "Orvane");
  std::vector<std::string> Bitmaps;
  for (const auto& C : J[0]["components"]) {
    Bitmaps.push_back(C["bitmap"]["name"]);
    EXPECT_EQ(C["bitmap"]["width"], 24);
    EXPECT_EQ(C["bitmap"]["bitCount"], 4);
  }
  EXPECT_EQ(Bitmaps,
            (std::vector<std::string>{"TOVSESSION", "TOVDATABASE", "TOVQUERY", "TOVMACROQUERY",
                                      "TOVSTOREDPROC", "TOVTABLE", "TOVUPDATESQL", "TOVSCRIPT",
                                      "TOVMONITOR", "TOVSQLBASESERVER"}));
  const auto R = Designer({"registrations"});
  ASSERT_EQ(R.ExitCode, 0) << R.Err;
  EXPECT_EQ(R.Out.rfind("RegisterComponents Orvane TOVSession TOVDatabase TOVQuery", 0), 0u);
  EXPECT_NE(R.Out.find("RegisterPropertiesInCategory Database TOVDataSetUpdateObject *SQL\n"),
            std::string::npos);
}

TEST_F(HostCommandTest, SettingsShowsWhereTheyLiveAndWhatTheyHold) {
  // A report: the file stays as it was, order and comments and all.
  const std::string Text = "[RecentDatabases]\n; newest first\nItem00=sales\nItem01=stock\n"
                           "MaxCount=5\n[TOVDatabase]\nServerType=PostgreSQL\n"
                           "[TOVDatabase_Params]\nHOST=db\n";
  WriteFile(Ini(), Text);
  const auto J = nlohmann::json::parse(Designer({"settings", "--json"}).Out);
  EXPECT_EQ(ReadFile(Ini()), Text);
  EXPECT_EQ(J["settingsDirectory"], Settings.Path().string());
  EXPECT_EQ(J["settingsFile"], Ini());
  EXPECT_EQ(J["sqlEditorEnabled"], true);
  EXPECT_EQ(J["defaultServerType"], "PostgreSQL");
  EXPECT_EQ(J["defaultParams"], nlohmann::json::array({"HOST=db"}));
  EXPECT_EQ(J["recentDatabases"], nlohmann::json::array({"sales", "stock"}));
  EXPECT_EQ(J["maxRecentCount"], 5);
}

TEST_F(HostCommandTest, BadSettingsGiveTheDocumentedDefaultsAndAreLeftAlone) {
  // A corrupt settings file reads as far as makes sense.
  const std::string Corrupt = std::string("\x7f"
                                          "ELF") +
                              std::string(2, '\0') + "\n[SQLEditor]\nEnabled=0\n\xff\xff";
  WriteFile(Ini(), Corrupt);
  auto R = Designer({"settings"});
  ASSERT_EQ(R.ExitCode, 0) << R.Err;
  EXPECT_NE(R.Out.find("SQL editor           disabled"), std::string::npos) << R.Out;
  EXPECT_EQ(ReadFile(Ini()), Corrupt);

  // A registry file that is not INI text is an empty registry: settings in ".".
  const std::string BinaryRegistry =
      "[Software\\Orvane]\nRootDir=" + Work.Path().string() + "\n" + std::string(1, '\0') + "\x01";
  WriteFile(RegistryFile(), BinaryRegistry);
  R = Designer({"settings", "--json"});
  ASSERT_EQ(R.ExitCode, 0) << R.Err;
  EXPECT_EQ(nlohmann::json::parse(R.Out)["settingsDirectory"], ".");
  EXPECT_EQ(ReadFile(RegistryFile()), BinaryRegistry);

  // RootDir naming a file: settings in "." and the file untouched.
  WriteFile(Work / "afile", "precious");
  SetRootDir(Work / "afile");
  R = Designer({"settings", "--json"});
  ASSERT_EQ(R.ExitCode, 0) << R.Err;
  EXPECT_EQ(nlohmann::json::parse(R.Out)["settingsFile"], "./orvane.ini");
  EXPECT_EQ(ReadFile(Work / "afile"), "precious");
}

TEST_F(HostCommandTest, AReadOnlySettingsFolderLosesNothing) {
  const std::string Text = "[RecentDatabases]\nItem00=a\nItem01=b\nItem02=c\nMaxCount=2\n";
  WriteFile(Ini(), Text);
  ::chmod(Ini().c_str(), 0644);
  ::chmod(Settings.Path().c_str(), 0555);
  const auto R = Designer({"settings"}, true);
  ::chmod(Settings.Path().c_str(), 0755);
  ASSERT_EQ(R.ExitCode, 0) << R.Err;
  EXPECT_NE(R.Out.find("Recent databases     2 (at most 2 read)"), std::string::npos) << R.Out;
  EXPECT_EQ(ReadFile(Ini()), Text);
}

TEST_F(HostCommandTest, OpenListsTheComponentsAndSaveWritesThemBack) {
  auto R = Designer({"open", DemoForm, "--json"});
  ASSERT_EQ(R.ExitCode, 0) << R.Err;
  const auto J = nlohmann::json::parse(R.Out);
  EXPECT_EQ(J["root"]["class"], "TDataModule");
  std::vector<std::string> Classes;
  for (const auto& C : J["components"]) {
    Classes.push_back(C["class"]);
    EXPECT_EQ(C["owner"], "DemoData");
  }
  EXPECT_EQ(Classes,
            (std::vector<std::string>{"TOVDatabase", "TOVQuery", "TOVUpdateSQL", "TOVTable"}));

  const std::string Copy = Work / "copy.dfm", Again = Work / "again.dfm";
  ASSERT_EQ(Designer({"save", DemoForm, Copy}).ExitCode, 0);
  ASSERT_EQ(Designer({"save", Copy, Again}).ExitCode, 0);
  EXPECT_EQ(ReadFile(Copy), ReadFile(Again)); // a saved file saves back unchanged
  R = Designer({"save", Copy});
  ASSERT_EQ(R.ExitCode, 0) << R.Err;
  EXPECT_EQ(ReadFile(Copy), ReadFile(Again));
  EXPECT_NE(R.Out.find("Saved DemoData (4 components) to " + Copy), std::string::npos);
}

TEST_F(HostCommandTest, BadFormFilesAreReportedWithTheirPlace) {
  const std::string Syntax = Work / "syntax.dfm";
  WriteFile(Syntax, "object DemoData: TDataModule\n  Height = 320\n  Width = = 1\nend\n");
  ExpectError(Designer({"open", Syntax}), Syntax + ":3:");
  ExpectError(Designer({"dfm", Syntax, "--check"}), Syntax + ":3:");

  const std::string Unknown = Work / "unknown.dfm";
  WriteFile(Unknown, "object DemoData: TDataModule\n  object X1: TNoSuchThing\n  end\nend\n");
  ExpectError(Designer({"open", Unknown}), Unknown + ":2:");
  ExpectError(Designer({"open", Unknown}), "TNoSuchThing");
  // The form file itself parses: dfm knows no classes.
  EXPECT_EQ(Designer({"dfm", Unknown, "--check"}).ExitCode, 0);

  const std::string Out = Work / "out.dfm";
  WriteFile(Out, "untouched");
  ExpectError(Designer({"save", Unknown, Out}), "TNoSuchThing");
  EXPECT_EQ(ReadFile(Out), "untouched");
  ExpectError(Designer({"open", Work / "missing.dfm"}), "missing.dfm");
}

TEST_F(HostCommandTest, DfmPrintsAnyFormFileInCanonicalForm) {
  const std::string File = Work / "foreign.dfm";
  WriteFile(File, "inherited Form2: TForm2\n"
                  "  Caption = 'Line one'#13#10'line ' +\n    'two'\n"
                  "  Font.Style = [fsBold]\n"
                  "  object Memo1: TMemo\n    Lines.Strings = (\n      'a'\n      'b')\n  end\n"
                  "end\n");
  const auto R = Designer({"dfm", File});
  ASSERT_EQ(R.ExitCode, 0) << R.Err;
  EXPECT_EQ(R.Out.rfind("inherited Form2: TForm2\n", 0), 0u) << R.Out;
  EXPECT_NE(R.Out.find("Font.Style = [fsBold]"), std::string::npos) << R.Out;
  const std::string Canonical = Work / "canonical.dfm";
  WriteFile(Canonical, R.Out);
  EXPECT_EQ(Designer({"dfm", Canonical}).Out, R.Out);
}

TEST_F(HostCommandTest, APackagePathThatIsNoPackageIsNamed) {
  const std::string Junk = Work / "libjunk.so";
  WriteFile(Junk, "junk");
  ExpectError(Designer({"--package", Junk, "palette"}), "Cannot load package \"" + Junk + "\"");
  ExpectError(Designer({"palette", "--package", OV_RTL_FILE}),
              std::string("\"") + OV_RTL_FILE + "\" is not a package");
  ExpectError(Designer({"package-info", "--package", Work / "nothing.so"}), "nothing.so");
}

TEST_F(HostCommandTest, AServicesTableOfAnotherBuildIsRefusedBeforeAnyServiceRuns) {
  const std::string Old = OV_OLD_SERVICES_PACKAGE;
  for (const char* Command : {"settings", "about"})
    ExpectError(Designer({"--package", Old, Command}),
                "The package " + Old +
                    " has a services table of another build (size 8, version 1; this host needs");
  // What needs no service still works with such a package.
  const auto R = Designer({"--package", Old, "package-info"});
  EXPECT_EQ(R.ExitCode, 0) << R.Err;
  EXPECT_NE(R.Out.find("OldServices"), std::string::npos) << R.Out;
}

TEST_F(HostCommandTest, BadUsageExitsWithTwo) {
  for (const auto& Args : std::vector<std::vector<std::string>>{
           {}, {"no-such-command"}, {"open"}, {"palette", "--bogus"}, {"save", "a", "b", "c"}}) {
    const auto R = Designer(Args);
    EXPECT_EQ(R.ExitCode, 2) << R.Out << R.Err;
    EXPECT_EQ(std::count(R.Err.begin(), R.Err.end(), '\n'), 1) << R.Err;
  }
  EXPECT_EQ(Designer({"--help"}).ExitCode, 0);
}

// A run that names its command first is given a command line of that command
// alone; with a global option first it gets every command. Both must read
// the command the same: its help, and its errors.
TEST_F(HostCommandTest, EachCommandReadsTheSameNamedFirstOrAfterAGlobalOption) {
  const auto Help = Designer({"--help"});
  ASSERT_EQ(Help.ExitCode, 0) << Help.Err;
  std::vector<std::string> Names;
  std::istringstream Lines(Help.Out.substr(Help.Out.find("Subcommands:")));
  for (std::string Line; std::getline(Lines, Line);)
    if (Line.rfind("  ", 0) == 0 && Line.size() > 2 && Line[2] != ' ')
      Names.push_back(Line.substr(2, Line.find(' ', 2) - 2));
  ASSERT_GE(Names.size(), 25u) << Help.Out;
  for (const std::string& Name : Names) {
    const auto Alone = Designer({Name, "--help"});
    const auto Among = Designer({"--trust", Name, "--help"});
    EXPECT_EQ(Alone.ExitCode, 0) << Name << ": " << Alone.Err;
    EXPECT_NE(Alone.Out.find("ovdesigner " + Name), std::string::npos) << Alone.Out;
    EXPECT_EQ(Alone.Out, Among.Out) << Name;
    const auto BadAlone = Designer({Name, "--no-such-option"});
    const auto BadAmong = Designer({"--trust", Name, "--no-such-option"});
    EXPECT_EQ(BadAlone.ExitCode, 2) << Name << ": " << BadAlone.Err;
    EXPECT_EQ(BadAlone.Err, BadAmong.Err) << Name;
  }
}

TEST_F(HostCommandTest, TheDemoOpensTheDataModuleOnTheDemoDatabase) {
  const auto R = Designer({"demo", "--json"});
  ASSERT_EQ(R.ExitCode, 0) << R.Err;
  const auto J = nlohmann::json::parse(R.Out);
  EXPECT_EQ(J["palette"][0]["components"].size(), 10u);
  EXPECT_EQ(J["document"]["components"].size(), 4u);
  ASSERT_EQ(J["datasets"].size(), 2u);
  EXPECT_EQ(J["datasets"][0]["name"], "CustomerQuery");
  EXPECT_EQ(J["datasets"][0]["records"], 6);
  EXPECT_EQ(J["datasets"][0]["firstRows"][0][1], "Atlas Freight");
  EXPECT_EQ(J["datasets"][1]["columns"],
            nlohmann::json::array({"id", "customer_id", "ordered_on", "note"}));

  ExpectError(Designer({"demo", "--database", Work / "none.db"}), "none.db");
}
