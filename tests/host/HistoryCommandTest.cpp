// The history and clipboard commands of ovdesigner, run as a program: undo
// and redo across processes of the changes other commands saved, a file
// changed elsewhere, a damaged history, and copy and paste of components.
#include "support/Process.hpp"
#include "support/TempDir.hpp"

#include <gtest/gtest.h>

using namespace TestSupport;

namespace {

class HistoryCommandTest : public ::testing::Test {
protected:
  void SetUp() override {
    WriteRegistry(Registry, Dir.Path().string());
    WriteFile(Form, "object DataModule1: TDataModule\n"
                    "  object OVQuery1: TOVQuery\n"
                    "    DatabaseName = 'Shop'\n"
                    "    UpdateObject = OVUpdateSQL1\n"
                    "    Left = 24\n"
                    "    Top = 24\n"
                    "  end\n"
                    "  object OVUpdateSQL1: TOVUpdateSQL\n"
                    "    Left = 120\n"
                    "    Top = 24\n"
                    "  end\n"
                    "end\n");
    // The file as the designer writes it.
    ASSERT_EQ(Designer({"save", Form}).ExitCode, 0);
    Original = ReadFile(Form);
  }
  TRunResult Designer(std::vector<std::string> Args) {
    return RunDesigner(std::move(Args), Registry);
  }

  TTempDir Dir;
  std::string Registry = Dir / "registry.ini";
  std::string Form = Dir / "shop.dfm";
  std::string Original;
};

TEST_F(HistoryCommandTest, CommandsChangesAreUndoneAndRedoneAcrossProcesses) {
  ASSERT_EQ(Designer({"set", Form, "OVQuery1", "DatabaseName", "Stock"}).ExitCode, 0);
  const std::string AfterSet = ReadFile(Form);
  ASSERT_EQ(Designer({"place", Form, "TOVDatabase", "<DefaultSession>"}).ExitCode, 0);
  const auto H = Designer({"history", Form});
  EXPECT_EQ(H.Out, "Undo (newest first):\n  Place OVDatabase1\n  Set DatabaseName of OVQuery1\n"
                   "Redo (next first):\n  (nothing)\n");
  const auto U = Designer({"undo", Form});
  EXPECT_EQ(U.ExitCode, 0) << U.Err;
  EXPECT_EQ(U.Out, "Undid Place OVDatabase1\nSaved " + Form + "\n");
  EXPECT_EQ(ReadFile(Form), AfterSet);
  EXPECT_EQ(Designer({"undo", Form}).ExitCode, 0);
  EXPECT_EQ(ReadFile(Form), Original);
  const auto None = Designer({"undo", Form});
  EXPECT_EQ(None.ExitCode, 1);
  EXPECT_EQ(None.Err, "ovdesigner: Nothing to undo\n");
  EXPECT_EQ(Designer({"redo", Form}).Out,
            "Redid Set DatabaseName of OVQuery1\nSaved " + Form + "\n");
  EXPECT_EQ(ReadFile(Form), AfterSet);
}

TEST_F(HistoryCommandTest, AFileChangedElsewhereIsNeverUndoneOver) {
  ASSERT_EQ(Designer({"set", Form, "OVQuery1", "Tag", "5"}).ExitCode, 0);
  // Edited by hand (or reloaded from elsewhere): undo refuses, the file stays.
  std::string Text = ReadFile(Form);
  Text.replace(Text.find("Tag = 5"), 7, "Tag = 6");
  WriteFile(Form, Text);
  const auto R = Designer({"undo", Form});
  EXPECT_EQ(R.ExitCode, 1);
  EXPECT_NE(R.Err.find("Cannot undo \"Set Tag of OVQuery1\": the design changed since"),
            std::string::npos)
      << R.Err;
  EXPECT_EQ(ReadFile(Form), Text);
  // The next change records the edit as an entry of its own.
  ASSERT_EQ(Designer({"set", Form, "OVQuery1", "Tag", "7"}).ExitCode, 0);
  EXPECT_EQ(Designer({"undo", Form}).ExitCode, 0);
  EXPECT_EQ(ReadFile(Form), Text);
  EXPECT_EQ(Designer({"undo", Form}).Out, "Undid Change Made Elsewhere\nSaved " + Form + "\n");
  // A damaged history: named, nothing changed.
  WriteFile(Dir / ".shop.dfm.ovhistory", "ovhistory 1\n3\nxyz");
  const std::string Before = ReadFile(Form);
  const auto D = Designer({"undo", Form});
  EXPECT_EQ(D.ExitCode, 1);
  EXPECT_NE(D.Err.find(".shop.dfm.ovhistory is damaged"), std::string::npos) << D.Err;
  EXPECT_EQ(ReadFile(Form), Before);
}

TEST_F(HistoryCommandTest, CopyPrintsTheComponentsAndPasteAddsThemWithFreeNames) {
  const auto C = Designer({"copy", Form, "OVQuery1", "OVUpdateSQL1"});
  ASSERT_EQ(C.ExitCode, 0) << C.Err;
  EXPECT_EQ(C.Out.substr(0, 25), "object OVQuery1: TOVQuery");
  WriteFile(Dir / "clip.txt", C.Out);
  const auto P = Designer({"paste", Form, Dir / "clip.txt"});
  ASSERT_EQ(P.ExitCode, 0) << P.Err;
  EXPECT_EQ(P.Out.substr(0, 29), "Pasted OVQuery2: TOVQuery at ");
  EXPECT_NE(ReadFile(Form).find("UpdateObject = OVUpdateSQL2"), std::string::npos);
  EXPECT_EQ(Designer({"undo", Form}).Out, "Undid Paste 2 components\nSaved " + Form + "\n");
  EXPECT_EQ(ReadFile(Form), Original);
  // What cannot be pasted: one message, the file as it was.
  WriteFile(Dir / "bad.txt", "object X: TNoSuchThing\nend\n");
  const auto Bad = Designer({"paste", Form, Dir / "bad.txt"});
  EXPECT_EQ(Bad.ExitCode, 1);
  EXPECT_EQ(Bad.Err, "ovdesigner: the pasted text:1:1: Class TNoSuchThing not found\n");
  EXPECT_EQ(ReadFile(Form), Original);
  EXPECT_EQ(Designer({"copy", Form, "NoSuch"}).ExitCode, 1);
}

} // namespace
