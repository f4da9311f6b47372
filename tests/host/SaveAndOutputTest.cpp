// What the commands that save and print promise beyond their own work: two
// updates of one design file at once lose nothing, saves keep what they
// replace, messages quote input at a readable length, and JSON output stays
// one valid document whatever bytes the input holds.
#include "rtl/IOUtils.hpp"
#include "support/Process.hpp"
#include "support/TempDir.hpp"

#include <gtest/gtest.h>
#include <nlohmann/json.hpp>

#include <filesystem>
#include <sys/stat.h>
#include <thread>

using namespace TestSupport;
using nlohmann::json;

namespace {

constexpr int Queries = 6;

class SaveAndOutput : public ::testing::Test {
protected:
  void SetUp() override {
    UseRegistry(Env, Registry / "registry.ini", Settings.Path().string());
    Env.Set("ORVANE_PACKAGE", OV_PACKAGE_FILE);
    Form = Work / "shop.dfm";
    std::string Text = "object DataModule1: TDataModule\n";
    for (int I = 1; I <= Queries; ++I)
      Text += "  object Query" + std::to_string(I) + ": TOVQuery\n  end\n";
    WriteFile(Form, Text + "end\n");
  }
  static TRunResult Designer(std::vector<std::string> Args) {
    Args.insert(Args.begin(), OV_DESIGNER);
    return TestSupport::Run(Args);
  }
  // Exit code 1, one line on stderr holding Part, the file as it was.
  void ExpectRefused(const std::vector<std::string>& Args, const std::string& Part,
                     const std::string& File) {
    const std::string Before = ReadFile(File);
    const auto R = Designer(Args);
    EXPECT_EQ(R.ExitCode, 1) << R.Out << R.Err;
    EXPECT_NE(R.Err.find(Part), std::string::npos) << R.Err;
    EXPECT_EQ(std::count(R.Err.begin(), R.Err.end(), '\n'), 1) << R.Err;
    EXPECT_EQ(ReadFile(File), Before);
  }

  TTempDir Registry, Settings, Work;
  TEnvironment Env;
  std::string Form;
};

TEST_F(SaveAndOutput, UpdatesOfOneFileAtTheSameTimeLoseNoChange) {
  std::vector<std::thread> Threads;
  std::vector<TRunResult> Results(Queries);
  for (int I = 0; I < Queries; ++I)
    Threads.emplace_back([&, I] {
      Results[static_cast<size_t>(I)] =
          Designer({"set", Form, "Query" + std::to_string(I + 1), "Tag", std::to_string(I + 10)});
    });
  for (auto& T : Threads)
    T.join();
  for (const auto& R : Results)
    EXPECT_EQ(R.ExitCode, 0) << R.Err;
  const std::string Text = ReadFile(Form);
  for (int I = 0; I < Queries; ++I)
    EXPECT_NE(Text.find("Tag = " + std::to_string(I + 10)), std::string::npos)
        << "the change of Query" << I + 1 << " was lost:\n"
        << Text;
}

TEST_F(SaveAndOutput, AnUpdateWaitsForTheFilesLockAndThenFailsWritingNothing) {
  IOUtils::TFileUpdateLock Held(Form);
  ASSERT_TRUE(Held.Locked());
  ExpectRefused({"set", Form, "Query1", "Tag", "7"}, "another program is changing it", Form);
  // Reading commands take no lock.
  EXPECT_EQ(Designer({"open", Form}).ExitCode, 0);
}

TEST_F(SaveAndOutput, SavesFollowLinksKeepTheModeAndRefuseWhatTheyMustNotReplace) {
  namespace fs = std::filesystem;
  fs::create_symlink(Form, Work / "link.dfm");
  ::chmod(Form.c_str(), 0640);
  const auto R = Designer({"set", Work / "link.dfm", "Query1", "Tag", "3"});
  ASSERT_EQ(R.ExitCode, 0) << R.Err;
  EXPECT_TRUE(fs::is_symlink(Work / "link.dfm"));
  EXPECT_NE(ReadFile(Form).find("Tag = 3"), std::string::npos);
  struct stat St {};
  ::stat(Form.c_str(), &St);
  EXPECT_EQ(St.st_mode & 0777, 0640u);

  ::chmod(Form.c_str(), 0444);
  ExpectRefused({"set", Form, "Query1", "Tag", "4"}, "is read-only", Form);
  ExpectRefused({"save", Form}, "is read-only", Form);
  ::chmod(Form.c_str(), 0644);
  ASSERT_EQ(::mkfifo((Work / "fifo.dfm").c_str(), 0666), 0);
  const auto Fifo = Designer({"save", Form, Work / "fifo.dfm"});
  EXPECT_EQ(Fifo.ExitCode, 1);
  EXPECT_NE(Fifo.Err.find("a FIFO, not a regular file"), std::string::npos) << Fifo.Err;
  EXPECT_TRUE(fs::is_fifo(Work / "fifo.dfm"));
  for (const auto& E : fs::directory_iterator(Work.Path()))
    EXPECT_EQ(E.path().filename().string().find(".ovsave-tmp"), std::string::npos)
        << E.path() << " stayed behind";
}

TEST_F(SaveAndOutput, MessagesQuoteLongInputCut) {
  // As long as one argument may be (the system's limit is 128 KB).
  const std::string Long(100000, 'x');
  for (const auto& Args :
       std::vector<std::vector<std::string>>{{"set", Form, "Query1", Long, "1"},
                                             {"set", Form, Long, "Tag", "1"},
                                             {"set", Form, "Query1", "Tag", Long}}) {
    const auto R = Designer(Args);
    EXPECT_EQ(R.ExitCode, 1);
    EXPECT_LT(R.Err.size(), 500u) << R.Err.substr(0, 500);
    EXPECT_NE(R.Err.find("xxx..."), std::string::npos) << R.Err.substr(0, 500);
  }
  // The same for a design file that holds a 10 MB name.
  const std::string Huge(10 * 1024 * 1024, 'x');
  WriteFile(Work / "long.dfm", "object DataModule1: TDataModule\n  object Query1: TOVQuery\n    " +
                                   Huge + " = 1\n  end\nend\n");
  const auto R = Designer({"open", Work / "long.dfm"});
  EXPECT_EQ(R.ExitCode, 1);
  EXPECT_LT(R.Err.size(), 500u) << R.Err.substr(0, 500);
  EXPECT_NE(R.Err.find("long.dfm:3:5"), std::string::npos) << R.Err.substr(0, 500);
}

TEST_F(SaveAndOutput, JsonOutputStaysOneValidDocument) {
  // SQL that is not UTF-8: its bytes come back replaced, not as an exception.
  auto R = Designer(
      {"--json", "fieldinfo", "--server-type", "SQLite", "--sql", "select \"\xff\xfe\" from t"});
  ASSERT_EQ(R.ExitCode, 0) << R.Err;
  const json J = json::parse(R.Out);
  ASSERT_EQ(J["fields"].size(), 1u) << R.Out;
  EXPECT_NE(R.Out.find("\xEF\xBF\xBD"), std::string::npos) << R.Out;

  // A script's dump prints the form on stderr, leaving stdout to the JSON.
  WriteFile(Work / "about.txt", "form OVAboutDlg\ndump\nclick btOk\n");
  R = Designer({"--json", "about", "--ui-script", Work / "about.txt"});
  ASSERT_EQ(R.ExitCode, 0) << R.Err;
  EXPECT_TRUE(json::accept(R.Out)) << R.Out;
  EXPECT_NE(R.Err.find("btOk"), std::string::npos) << R.Err;
}

} // namespace
