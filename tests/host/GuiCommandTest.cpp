// The commands that show windows, run as programs: pictures of the designer
// and of the package's dialogs rendered offscreen, and what they refuse.
#include "support/Process.hpp"
#include "support/TempDir.hpp"

#include <filesystem>
#include <gtest/gtest.h>

using namespace TestSupport;

#ifdef OV_HAVE_GUI

namespace {

class GuiCommandTest : public ::testing::Test {
protected:
  void SetUp() override {
    WriteRegistry(Registry / "registry.ini", Settings.Path().string());
    // The demo's database, copied: a dialog connects to it.
    std::filesystem::copy_file(OV_BINARY_DIR "/share/orvane/demo.db", Work / "demo.db");
    std::string Text = ReadFile(OV_SOURCE_DIR "/examples/demo.dfm");
    const std::string From = "RemoteDatabase = 'demo.db'";
    Text.replace(Text.find(From), From.size(), "RemoteDatabase = '" + Work / "demo.db" + "'");
    WriteFile(Form(), Text);
  }
  std::string Form() const { return Work / "demo.dfm"; }

  TRunResult Designer(std::vector<std::string> Args,
                      std::vector<std::pair<std::string, std::string>> Env = {}) const {
    return RunDesigner(std::move(Args), Registry / "registry.ini", std::move(Env));
  }
  static bool IsPng(const std::string& File) {
    return std::filesystem::exists(File) && ReadFile(File).rfind("\x89PNG\r\n\x1a\n", 0) == 0;
  }
  static void ExpectError(const TRunResult& R, const std::string& Part) {
    EXPECT_EQ(R.ExitCode, 1) << R.Out << R.Err;
    EXPECT_NE(R.Err.find("ovdesigner: "), std::string::npos) << R.Err;
    EXPECT_NE(R.Err.find(Part), std::string::npos) << R.Err;
  }

  TTempDir Registry, Settings, Work;
};

} // namespace

TEST_F(GuiCommandTest, ScreenshotsOfTheDesignerAndOfEveryDialog) {
  const auto R = Designer({"screenshot", Form(), Work / "designer.png"});
  ASSERT_EQ(R.ExitCode, 0) << R.Err;
  EXPECT_NE(R.Out.find("Wrote " + Work / "designer.png"), std::string::npos) << R.Out;
  EXPECT_TRUE(IsPng(Work / "designer.png"));
  for (const char* Dialog : {"updatesql", "about", "database", "sql"}) {
    const std::string Out = Work / (std::string(Dialog) + ".png");
    const auto D = Designer({"--json", "screenshot", Form(), "--dialog", Dialog, Out});
    ASSERT_EQ(D.ExitCode, 0) << Dialog << ": " << D.Err;
    EXPECT_NE(D.Out.find("\"dialog\": \"" + std::string(Dialog) + "\""), std::string::npos)
        << D.Out;
    EXPECT_TRUE(IsPng(Out)) << Dialog;
  }
  // Looking at the dialogs changed nothing in the design file.
  EXPECT_EQ(ReadFile(Form()).find("RefreshSQL"), std::string::npos);
}

TEST_F(GuiCommandTest, WhatCannotBeShownIsNamedAndNoPictureIsWritten) {
  const std::string Out = Work / "out.png";
  // A design without the dialog's component.
  WriteFile(Work / "empty.dfm", "object DataModule1: TDataModule\nend\n");
  ExpectError(Designer({"screenshot", Work / "empty.dfm", "--dialog", "updatesql", Out}),
              "has no update object (TOVUpdateSQL)");
  // A design file that does not load names its place.
  WriteFile(Work / "broken.dfm", "object DataModule1: TDataModule\n  Height = )\nend\n");
  ExpectError(Designer({"screenshot", Work / "broken.dfm", Out}), "broken.dfm:2");
  // An unknown dialog is bad usage.
  EXPECT_EQ(Designer({"screenshot", Form(), "--dialog", "nope", Out}).ExitCode, 2);
  EXPECT_FALSE(std::filesystem::exists(Out));
  // A picture that cannot be written leaves nothing behind.
  ExpectError(Designer({"screenshot", Form(), Work / "no/such/dir/out.png"}), "out.png");
}

TEST_F(GuiCommandTest, TheWindowNeedsADisplay) {
  ExpectError(Designer({"gui", Form()},
                       {{"DISPLAY", ""}, {"WAYLAND_DISPLAY", ""}, {"QT_QPA_PLATFORM", ""}}),
              "There is no display to show the designer on");
}

#endif
