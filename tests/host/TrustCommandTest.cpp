// Design files from folders the user has not trusted, run as a program: the
// commands that read one run no SQL (a SQLite trigger would tell) and write no
// monitor log, yet show and save the file in full; trusting the folder (or
// --trust) gives the file its stored state back.
#include "ShopDatabase.hpp"

#include "orvane60/drivers/OVDriver.hpp"
#include "support/Process.hpp"
#include "support/TempDir.hpp"

#include <gtest/gtest.h>

#include <filesystem>

using namespace TestSupport;
using HostTest::ShopDatabaseObject;
namespace fs = std::filesystem;

namespace {

class TrustCommand : public ::testing::Test {
protected:
  void SetUp() override {
    WriteRegistry(Registry / "registry.ini", Settings.Path().string());
    Database = Work / "shop.db";
    WriteFile(
        Work / "shop.sql",
        "create table orders (id integer primary key, item text);\n"
        "insert into orders values (1, 'a'), (2, 'b');\n"
        "create table audit (n integer);\n"
        "create trigger gone after delete on orders begin insert into audit values (1); end;\n");
    ASSERT_EQ(
        TestSupport::Run({OV_BINARY_DIR "/bin/ovsqlexec", Database, Work / "shop.sql"}).ExitCode,
        0);
    Form = Work / "evil.dfm";
    Log = Work / "monitor.log";
    WriteFile(Form, "object DataModule1: TDataModule\n"
                    "  object OVMonitor1: TOVMonitor\n"
                    "    Active = True\n"
                    "    FileName = '" +
                        Log +
                        "'\n"
                        "  end\n" +
                        ShopDatabaseObject(Database, "    Connected = True\n") +
                        "  object OVQuery1: TOVQuery\n"
                        "    DatabaseName = 'Shop'\n"
                        "    SQL.Strings = (\n"
                        "      'delete from orders returning *')\n"
                        "    Active = True\n"
                        "  end\n"
                        "end\n");
  }

  TRunResult Designer(std::vector<std::string> Args) const {
    return RunDesigner(std::move(Args), Registry / "registry.ini");
  }

  // Rows the file's query deleted (the trigger counts them).
  std::int64_t Deleted() const {
    OVDriver::TConnectParams Params;
    Params.RemoteDatabase = Database;
    auto Conn = OVDriver::FindDriver("SQLite")->Connect(Params);
    auto Rows = Conn->Query("select count(*) from audit");
    Rows->Next();
    return Rows->Value(0).AsInteger();
  }

  TTempDir Registry, Settings, Work;
  std::string Database, Form, Log;
};

} // namespace

TEST_F(TrustCommand, ReadingAnUntrustedFileRunsNothingAndKeepsItsState) {
  std::vector<std::vector<std::string>> Commands{{"open", Form},
                                                 {"tree", Form},
                                                 {"inspect", Form, "OVQuery1"},
                                                 {"inspect", Form, "OVDatabase1"},
                                                 {"values", Form, "OVDatabase1", "ServerType"},
                                                 {"verbs", Form, "OVQuery1"},
                                                 {"dfm", Form},
                                                 {"save", Form},
                                                 {"save", Form, Work / "copy.dfm"}};
#ifdef OV_HAVE_GUI
  Commands.push_back({"screenshot", Form, Work / "shot.png"});
#endif
  for (const auto& Args : Commands) {
    const auto R = Designer(Args);
    EXPECT_EQ(R.ExitCode, 0) << Args[0] << ": " << R.Err;
    EXPECT_EQ(Deleted(), 0) << Args[0] << " ran the file's query";
    EXPECT_FALSE(fs::exists(Log)) << Args[0] << " let the monitor write";
  }
  // Shown and saved as stored.
  for (const std::string& Saved : {ReadFile(Form), ReadFile(Work / "copy.dfm")}) {
    EXPECT_NE(Saved.find("    Connected = True\n"), std::string::npos) << Saved;
    EXPECT_NE(Saved.find("  object OVMonitor1: TOVMonitor\n    Active = True\n"), std::string::npos)
        << Saved;
    EXPECT_NE(Saved.find("  object OVQuery1: TOVQuery\n    Active = True\n"), std::string::npos)
        << Saved;
  }
  const auto Shown = Designer({"inspect", Form, "OVDatabase1"});
  EXPECT_NE(Shown.Out.find("Connected"), std::string::npos) << Shown.Out;
  EXPECT_NE(Shown.Out.find("True"), std::string::npos) << Shown.Out;

  // A command that changes the file connects when asked to, and says so;
  // the query stays as stored.
  const auto Set = Designer({"set", Form, "OVDatabase1", "Connected", "True"});
  EXPECT_EQ(Set.ExitCode, 0) << Set.Err;
  EXPECT_NE(Set.Err.find("connecting OVDatabase1 as asked"), std::string::npos) << Set.Err;
  EXPECT_EQ(Deleted(), 0);
  EXPECT_FALSE(fs::exists(Log));
}

TEST_F(TrustCommand, ATrustedFolderOrTrustGivesTheFileItsStoredState) {
  auto R = Designer({"--trust", "open", Form});
  ASSERT_EQ(R.ExitCode, 0) << R.Err;
  EXPECT_EQ(Deleted(), 2);
  EXPECT_TRUE(fs::exists(Log));

  TTempDir Other;
  const std::string Copy = Other / "evil.dfm";
  fs::copy_file(Form, Copy);
  ASSERT_EQ(Designer({"trust", Work.Path().string()}).ExitCode, 0);
  R = Designer({"trust"});
  EXPECT_EQ(R.Out, fs::canonical(Work.Path()).string() + "\n");
  // Trusting again adds nothing; a missing folder is refused.
  EXPECT_EQ(Designer({"trust", Work.Path().string()}).ExitCode, 0);
  EXPECT_EQ(Designer({"trust"}).Out, R.Out);
  EXPECT_EQ(Designer({"trust", Work / "nowhere"}).ExitCode, 1);

  fs::remove(Log);
  // A file of another folder is still not trusted.
  EXPECT_EQ(Designer({"open", Copy}).ExitCode, 0);
  EXPECT_FALSE(fs::exists(Log));
  EXPECT_EQ(Designer({"open", Form}).ExitCode, 0);
  EXPECT_TRUE(fs::exists(Log));
}
