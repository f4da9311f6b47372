#include "dclorvane60/OVReg.hpp"
#include "orvane60/OVEngine.hpp"
#include "support/Process.hpp"
#include "support/TempDir.hpp"

#include <gtest/gtest.h>
#include <sys/stat.h>

using namespace OVReg;
using namespace TestSupport;
using OVEngine::TOVServerType;

namespace {

// A registry file and a settings folder of the test's own; the registry
// names the folder unless a test says otherwise.
class DesignSettingsTest : public ::testing::Test {
protected:
  void SetUp() override {
    Env.Set("ORVANE_REGISTRY", Registry());
    SetRootDir(Settings.Path().string());
    SavedDefault = OVEngine::DefServerType;
  }
  void TearDown() override { OVEngine::DefServerType = SavedDefault; }

  std::string Registry() const { return RegistryDir / "registry.ini"; }
  void SetRootDir(const std::string& Dir) const { WriteRegistry(Registry(), Dir); }
  std::string Ini() const { return Settings / "orvane.ini"; }
  void PutIni(const std::string& Text) const { WriteFile(Ini(), Text); }
  std::string GetIni() const { return ReadFile(Ini()); }
  static std::string Recent(const std::vector<std::string>& Names, int MaxCount = 0) {
    std::string S = "[RecentDatabases]\n";
    for (size_t I = 0; I < Names.size(); ++I)
      S += SysUtils::Format("Item%.2d=%s\n", int(I), Names[I]);
    if (MaxCount)
      S += "MaxCount=" + std::to_string(MaxCount) + "\n";
    return S;
  }

  TTempDir RegistryDir, Settings;
  TEnvironment Env;
  TOVServerType SavedDefault{};
};

std::vector<std::string> Lines(Classes::TStrings* S) {
  return S->ToVector();
}

} // namespace

TEST_F(DesignSettingsTest, WithoutRegistryKeyOrFileEverythingHasItsDefault) {
  TTempDir Cwd;
  WriteFile(Registry(), "[Software\\Other]\nRootDir=/nowhere\n");
  const std::string OldCwd = SysUtils::GetCurrentDir();
  ASSERT_EQ(::chdir(Cwd.Path().c_str()), 0);
  OVEngine::DefServerType = TOVServerType::stPostgreSQL;
  {
    TDesignSettings S;
    EXPECT_EQ(S.ReadRootDir(), ".");
    EXPECT_EQ(S.GetIniFileName(), "./orvane.ini");
    EXPECT_TRUE(Lines(S.RecentDatabaseList()).empty());
    EXPECT_EQ(S.GetMaxRecentCount(), 8);
    EXPECT_TRUE(Lines(S.DefaultParams()).empty());
    EXPECT_TRUE(S.SQLEditorEnabled());
    EXPECT_EQ(S.ReadDefaultServerType(), TOVServerType::stPostgreSQL);
    S.WriteRecentDatabases();
  }
  EXPECT_FALSE(std::filesystem::exists(Cwd / "orvane.ini"));
  ASSERT_EQ(::chdir(OldCwd.c_str()), 0);
}

TEST_F(DesignSettingsTest, TheRegistryNamesTheSettingsFolderOnlyWhenItIsAFolder) {
  PutIni("[SQLEditor]\nEnabled=0\n");
  EXPECT_EQ(TDesignSettings().GetIniFileName(), Settings / "orvane.ini");
  EXPECT_FALSE(TDesignSettings().SQLEditorEnabled());

  struct {
    const char* Case;
    std::string RootDir;
  } const Cases[] = {
      {"missing folder", Settings / "missing"},
      {"a file", Settings / "orvane.ini"},
      {"empty value", ""},
  };
  for (const auto& C : Cases) {
    SetRootDir(C.RootDir);
    TDesignSettings S;
    EXPECT_EQ(S.ReadRootDir(), ".") << C.Case;
    EXPECT_EQ(S.GetIniFileName(), "./orvane.ini") << C.Case;
  }
  // A registry file that is not INI text reads as no registry at all.
  WriteFile(Registry(), std::string("[Software\\Orvane]\nRootDir=") + Settings.Path().string() +
                            std::string("\n\0\x01\x02", 4));
  EXPECT_EQ(TDesignSettings().ReadRootDir(), ".");
  EXPECT_EQ(GetIni(), "[SQLEditor]\nEnabled=0\n");
}

TEST_F(DesignSettingsTest, RecentListsReadAsManyItemsAsMaxCountSays) {
  const std::vector<std::string> Ten{"a", "b", "c", "d", "e", "f", "g", "h", "i", "j"};
  struct {
    const char* Case;
    std::string File;
    std::vector<std::string> Expected;
    int MaxCount;
  } const Cases[] = {
      {"MaxCount absent", Recent(Ten), {"a", "b", "c", "d", "e", "f", "g", "h"}, 8},
      {"MaxCount 0", Recent(Ten) + "MaxCount=0\n", {"a", "b", "c", "d", "e", "f", "g", "h"}, 8},
      {"MaxCount 3", Recent({"a", "b", "c", "d", "e"}, 3), {"a", "b", "c"}, 3},
      {"gap at Item02", "[RecentDatabases]\nItem00=a\nItem01=b\nItem03=d\n", {"a", "b"}, 8},
      {"negative MaxCount", Recent({"a", "b"}, -2), {}, -2},
      {"junk MaxCount", Recent({"a", "b"}) + "MaxCount=lots\n", {"a", "b"}, 8},
      {"beyond Item99", Recent(std::vector<std::string>(101, "x"), 101),
       std::vector<std::string>(101, "x"), 101},
  };
  for (const auto& C : Cases) {
    PutIni(C.File);
    TDesignSettings S;
    EXPECT_EQ(Lines(S.RecentDatabaseList()), C.Expected) << C.Case;
    EXPECT_EQ(S.GetMaxRecentCount(), C.MaxCount) << C.Case;
  }
}

TEST_F(DesignSettingsTest, ANegativeMaxCountCountsAsRead) {
  PutIni(Recent({"a"}, -1));
  TDesignSettings S;
  EXPECT_TRUE(Lines(S.RecentDatabaseList()).empty());
  PutIni(Recent({"a"}));
  EXPECT_TRUE(Lines(S.RecentDatabaseList()).empty());
  S.AddRecentDatabase("b");
  EXPECT_EQ(Lines(S.RecentDatabaseList()), (std::vector<std::string>{"b"}));
  S.WriteRecentDatabases();
  EXPECT_EQ(GetIni(), Recent({"b"})); // a negative MaxCount is not written back
}

TEST_F(DesignSettingsTest, AddingARecentNameMovesItToTheFront) {
  PutIni(Recent({"Alpha", "Beta", "Gamma"}));
  TDesignSettings S;
  S.AddRecentDatabase("GAMMA");
  EXPECT_EQ(Lines(S.RecentDatabaseList()), (std::vector<std::string>{"Gamma", "Alpha", "Beta"}));
  S.AddRecentDatabase("gamma");
  EXPECT_EQ(Lines(S.RecentDatabaseList()), (std::vector<std::string>{"Gamma", "Alpha", "Beta"}));
  S.AddRecentDatabase("Delta");
  S.AddRecentDatabase("");
  S.AddRecentDatabase("  ");
  S.AddRecentDatabase("two\nlines");
  EXPECT_EQ(Lines(S.RecentDatabaseList()),
            (std::vector<std::string>{"Delta", "Gamma", "Alpha", "Beta"}));
}

TEST_F(DesignSettingsTest, AllNamesAreWrittenAndTheNextSessionReadsTheFirstMaxCount) {
  PutIni("[Other]\nkeep=1\n" + Recent({"old1", "old2"}, 3));
  {
    TDesignSettings S;
    for (const char* Name : {"n1", "n2", "n3", "n4"})
      S.AddRecentDatabase(Name);
    S.WriteRecentDatabases();
  }
  // Items are rewritten where they stand; new ones follow the section's keys.
  EXPECT_EQ(GetIni(), "[Other]\nkeep=1\n[RecentDatabases]\nItem00=n4\nItem01=n3\nMaxCount=3\n"
                      "Item02=n2\nItem03=n1\nItem04=old1\nItem05=old2\n");
  TDesignSettings Next;
  EXPECT_EQ(Lines(Next.RecentDatabaseList()), (std::vector<std::string>{"n4", "n3", "n2"}));
}

// The settings report read the list and rewrote the file at unload,
// reordering its sections and dropping its comments.
TEST_F(DesignSettingsTest, ASessionThatOnlyReadsTheListWritesNothing) {
  const std::string Text =
      "; mine\n" + Recent({"a", "b", "c", "d"}, 2) + "[SQLEditor]\nEnabled=1\n";
  PutIni(Text);
  struct stat Before {};
  ASSERT_EQ(::stat(Ini().c_str(), &Before), 0);
  {
    TDesignSettings S;
    S.RecentDatabaseList();
    S.AddRecentDatabase("A"); // already first: no change
    S.WriteRecentDatabases();
  }
  struct stat After {};
  ASSERT_EQ(::stat(Ini().c_str(), &After), 0);
  EXPECT_EQ(After.st_ino, Before.st_ino); // not even replaced by the same text
  EXPECT_EQ(GetIni(), Text);
}

TEST_F(DesignSettingsTest, WritingTheRecentListKeepsOrderCommentsAndOtherKeys) {
  PutIni("; my settings\n[RecentDatabases]\n; most recent first\nItem00=a\nMaxCount=3\n"
         "Item01=b\nItem02=c\nItem03=d\nother=x\n\n[SQLEditor]\nEnabled=1\n");
  {
    TDesignSettings S;
    S.AddRecentDatabase("n");
    S.WriteRecentDatabases();
  }
  // d was never read (MaxCount 3): the list holds n, a, b, c.
  EXPECT_EQ(GetIni(), "; my settings\n[RecentDatabases]\n; most recent first\nItem00=n\n"
                      "MaxCount=3\nItem01=a\nItem02=b\nItem03=c\nother=x\n\n[SQLEditor]\n"
                      "Enabled=1\n");

  PutIni("[RecentDatabases]\nItem00=a\nItem02=c\nMaxCount=8\n");
  {
    TDesignSettings S;
    S.AddRecentDatabase("z");
    S.WriteRecentDatabases();
  }
  // Item02 stood behind a gap; a MaxCount of 8 is the default and goes.
  EXPECT_EQ(GetIni(), "[RecentDatabases]\nItem00=z\nItem01=a\n");
}

TEST_F(DesignSettingsTest, DefaultParametersAreCachedAndWrittenAsAWholeSection) {
  PutIni("[TOVDatabase_Params]\nUSER NAME=sysdba\nPASSWORD=masterkey\n[Other]\nx=1\n");
  TDesignSettings S;
  EXPECT_EQ(Lines(S.DefaultParams()),
            (std::vector<std::string>{"USER NAME=sysdba", "PASSWORD=masterkey"}));
  // Cached: the file is not read again while the list holds lines.
  PutIni("[TOVDatabase_Params]\nUSER NAME=changed\n[Other]\nx=1\n");
  EXPECT_EQ(S.DefaultParams()->Count(), 2);

  Classes::TStringList Given;
  Given.Assign(std::vector<std::string>{"HOST=db1", "no name here", "PORT=5432", "host=db2"});
  S.WriteDefaultParams(&Given);
  EXPECT_EQ(GetIni(), "[Other]\nx=1\n\n[TOVDatabase_Params]\nHOST=db1\nPORT=5432\n");
  EXPECT_EQ(Lines(S.DefaultParams()), Given.ToVector());

  Classes::TStringList Empty;
  S.WriteDefaultParams(&Empty);
  EXPECT_EQ(GetIni(), "[Other]\nx=1\n\n");
  EXPECT_TRUE(Lines(S.DefaultParams()).empty());
  // An empty list is read again on each call.
  PutIni("[TOVDatabase_Params]\nA=1\n");
  EXPECT_EQ(Lines(S.DefaultParams()), (std::vector<std::string>{"A=1"}));
}

TEST_F(DesignSettingsTest, ParametersThatCannotBeStoredChangeNeitherFileNorCache) {
  PutIni("[TOVDatabase_Params]\nA=1\n");
  TDesignSettings S;
  S.DefaultParams();
  Classes::TStringList Bad;
  Bad.Assign(std::vector<std::string>{"B=2", "[C=3"});
  EXPECT_THROW(S.WriteDefaultParams(&Bad), IniFiles::EIniFileException);
  EXPECT_EQ(GetIni(), "[TOVDatabase_Params]\nA=1\n");
  EXPECT_EQ(Lines(S.DefaultParams()), (std::vector<std::string>{"A=1"}));
}

TEST_F(DesignSettingsTest, TheSQLEditorSwitchIsReadOnce) {
  PutIni("[SQLEditor]\nEnabled=0\n");
  TDesignSettings S;
  EXPECT_FALSE(S.SQLEditorEnabled());
  PutIni("[SQLEditor]\nEnabled=1\n");
  EXPECT_FALSE(S.SQLEditorEnabled());
  EXPECT_TRUE(TDesignSettings().SQLEditorEnabled());
  PutIni("[SQLEditor]\nEnabled=yes please\n");
  EXPECT_TRUE(TDesignSettings().SQLEditorEnabled());
}

TEST_F(DesignSettingsTest, TheDefaultServerTypeIsSavedByName) {
  OVEngine::DefServerType = TOVServerType::stSQLite;
  PutIni("[TOVDatabase]\nServerType=Oracle\n");
  EXPECT_EQ(TDesignSettings().ReadDefaultServerType(), TOVServerType::stSQLite);
  PutIni("[TOVDatabase]\nServerType=postgresql\n");
  EXPECT_EQ(TDesignSettings().ReadDefaultServerType(), TOVServerType::stPostgreSQL);
  EXPECT_EQ(OVEngine::DefServerType, TOVServerType::stSQLite); // reading changes nothing

  TDesignSettings S;
  S.WriteDefaultServerType(TOVServerType::stSQLite);
  EXPECT_EQ(GetIni(), "[TOVDatabase]\nServerType=SQLite\n");
  S.WriteDefaultServerType(TOVServerType::stPostgreSQL);
  EXPECT_EQ(GetIni(), "[TOVDatabase]\nServerType=PostgreSQL\n");
  EXPECT_EQ(OVEngine::DefServerType, TOVServerType::stPostgreSQL);
}

TEST_F(DesignSettingsTest, ACorruptSettingsFileReadsAsFarAsMakesSense) {
  std::string Junk = "\x89PNG\r\n\x1a\n";
  Junk += std::string("\0\0\0\rIHDR", 8);
  Junk += "\n[RecentDatabases]\nItem00=kept\n\xff\xfe garbage\n[SQLEditor\nEnabled=0\n";
  PutIni(Junk);
  TDesignSettings S;
  EXPECT_EQ(Lines(S.RecentDatabaseList()), (std::vector<std::string>{"kept"}));
  EXPECT_TRUE(S.SQLEditorEnabled()); // the broken header hides the key
  EXPECT_TRUE(Lines(S.DefaultParams()).empty());
}

TEST_F(DesignSettingsTest, AReadOnlySettingsFolderKeepsItsFile) {
  PutIni(Recent({"a", "b"}));
  // Writable itself: the folder alone stands in the way.
  ::chmod(Ini().c_str(), 0666);
  ::chmod(Settings.Path().c_str(), 0555);
  OVEngine::DefServerType = TOVServerType::stSQLite;
  const std::string Out = RunUnprivileged([&]() -> std::string {
    TDesignSettings S;
    S.AddRecentDatabase("c");
    S.WriteRecentDatabases(); // swallowed
    std::string R = "recent written;";
    try {
      S.WriteDefaultServerType(TOVServerType::stPostgreSQL);
      R += "no error";
    } catch (const std::exception& E) {
      R += E.what();
    }
    if (OVEngine::DefServerType != TOVServerType::stSQLite)
      R += ";default changed";
    return R;
  });
  EXPECT_EQ(Out.substr(0, 15), "recent written;") << Out;
  EXPECT_NE(Out.find(Ini()), std::string::npos) << Out;
  EXPECT_NE(Out.find("Permission denied"), std::string::npos) << Out;
  EXPECT_EQ(Out.find("default changed"), std::string::npos) << Out;
  ::chmod(Settings.Path().c_str(), 0755);
  EXPECT_EQ(GetIni(), Recent({"a", "b"}));
}

TEST_F(DesignSettingsTest, PublishedPropertiesShowTheStore) {
  PutIni("[TOVDatabase_Params]\nA=1\n" + Recent({"x", "y"}, 5));
  TDesignSettings S;
  const auto Text = [&](const char* Name) {
    return TypInfo::GetPropValueText(&S, TypInfo::GetPropInfo(&S, Name));
  };
  EXPECT_EQ(Text("RootDir"), Settings.Path().string());
  EXPECT_EQ(Text("IniFileName"), Ini());
  EXPECT_EQ(Text("SQLEditorEnabled"), "True");
  EXPECT_EQ(Text("MaxRecentCount"), "0"); // not read yet
  auto* List = dynamic_cast<Classes::TStrings*>(
      TypInfo::GetObjectProp(&S, TypInfo::GetPropInfo(&S, "RecentDatabases")));
  ASSERT_NE(List, nullptr);
  EXPECT_EQ(List->ToVector(), (std::vector<std::string>{"x", "y"}));
  EXPECT_EQ(Text("MaxRecentCount"), "5");
}
