#include "rtl/Registry.hpp"
#include "support/TempDir.hpp"

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <gtest/gtest.h>
#include <unistd.h>

using namespace Registry;
namespace fs = std::filesystem;

namespace {

// Points the registry at a file in a fresh folder, and puts the environment
// back afterwards.
class RegistryTest : public ::testing::Test {
protected:
  void SetUp() override {
    Dir = Temp.Path().string();
    File = Dir + "/registry.ini";
    for (const char* Name : {"ORVANE_REGISTRY", "XDG_CONFIG_HOME", "HOME"}) {
      const char* V = std::getenv(Name);
      Saved.emplace_back(Name, V ? std::optional<std::string>(V) : std::nullopt);
    }
    ::setenv("ORVANE_REGISTRY", File.c_str(), 1);
  }
  void TearDown() override {
    for (const auto& [Name, Value] : Saved) {
      if (Value)
        ::setenv(Name.c_str(), Value->c_str(), 1);
      else
        ::unsetenv(Name.c_str());
    }
  }
  void Put(const std::string& Text) const { std::ofstream(File, std::ios::binary) << Text; }
  std::string Get() const { return SysUtils::LoadFileToString(File); }

  TestSupport::TTempDir Temp;
  std::string Dir, File;
  std::vector<std::pair<std::string, std::optional<std::string>>> Saved;
};

} // namespace

TEST_F(RegistryTest, TheFileComesFromTheEnvironment) {
  EXPECT_EQ(RegistryFileName(), File);
  ::unsetenv("ORVANE_REGISTRY");
  ::setenv("XDG_CONFIG_HOME", "/xdg", 1);
  EXPECT_EQ(RegistryFileName(), "/xdg/orvane/registry.ini");
  ::setenv("HOME", "/home/me", 1);
  ::setenv("XDG_CONFIG_HOME", "relative/is/ignored", 1);
  EXPECT_EQ(RegistryFileName(), "/home/me/.config/orvane/registry.ini");
  ::unsetenv("XDG_CONFIG_HOME");
  EXPECT_EQ(RegistryFileName(), "/home/me/.config/orvane/registry.ini");
  ::setenv("ORVANE_REGISTRY", "", 1);
  EXPECT_EQ(RegistryFileName(), "/home/me/.config/orvane/registry.ini");
}

TEST_F(RegistryTest, KeysAreSectionsAndValuesAreEntries) {
  Put("[Software\\Orvane]\nRootDir = /some/dir \n[Software\\Other\\Deep]\nx=1\n");
  TRegistry Reg;
  EXPECT_EQ(Reg.GetRootKey(), HKEY_CURRENT_USER);
  EXPECT_TRUE(Reg.KeyExists("Software\\Orvane"));
  EXPECT_TRUE(Reg.KeyExists("\\SOFTWARE\\orvane\\"));
  EXPECT_TRUE(Reg.KeyExists("Software"));        // implied by the keys below it
  EXPECT_TRUE(Reg.KeyExists("Software\\Other")); // likewise
  EXPECT_FALSE(Reg.KeyExists("Software\\Orv"));
  EXPECT_FALSE(Reg.OpenKey("Software\\Missing", false));
  EXPECT_FALSE(Reg.HasCurrentKey());

  ASSERT_TRUE(Reg.OpenKeyReadOnly("software\\ORVANE"));
  EXPECT_TRUE(Reg.ValueExists("rootdir"));
  EXPECT_EQ(Reg.ReadString("RootDir"), "/some/dir");
  EXPECT_EQ(Reg.ReadString("Missing"), "");
  EXPECT_THROW(Reg.WriteString("RootDir", "x"), ERegistryException);
  Reg.CloseKey();
  EXPECT_EQ(Reg.ReadString("RootDir"), "");

  // Relative paths go from the open key.
  ASSERT_TRUE(Reg.OpenKey("Software", false));
  ASSERT_TRUE(Reg.OpenKey("Other\\Deep", false));
  EXPECT_EQ(Reg.CurrentPath(), "Software\\Other\\Deep");
  EXPECT_EQ(Reg.ReadString("x"), "1");
  EXPECT_EQ(Get(), "[Software\\Orvane]\nRootDir = /some/dir \n[Software\\Other\\Deep]\nx=1\n");
}

TEST_F(RegistryTest, CreatingKeysAndWritingValuesMakesTheFileAndItsFolder) {
  File = Dir + "/sub/folder/registry.ini";
  ::setenv("ORVANE_REGISTRY", File.c_str(), 1);
  TRegistry Reg;
  ASSERT_TRUE(Reg.OpenKey("Software\\Orvane", true));
  EXPECT_TRUE(Reg.KeyExists("\\Software\\Orvane"));
  Reg.WriteString("RootDir", "/data");
  Reg.WriteString("", "default value");
  EXPECT_EQ(Get(), "[Software\\Orvane]\nRootDir=/data\n@=default value\n");
  Classes::TStringList Names;
  Reg.GetValueNames(&Names);
  EXPECT_EQ(Names.ToVector(), (std::vector<std::string>{"RootDir", ""}));
  EXPECT_TRUE(Reg.DeleteValue("RootDir"));
  EXPECT_FALSE(Reg.DeleteValue("RootDir"));

  TRegistry Other;
  ASSERT_TRUE(Other.OpenKeyReadOnly("Software\\Orvane"));
  EXPECT_EQ(Other.ReadString(""), "default value");
}

TEST_F(RegistryTest, AFileThatIsNotIniTextIsAnEmptyRegistryAndIsLeftAlone) {
  std::string Binary = "[Software\\Orvane]\nRootDir=/x\n";
  Binary += std::string("\0\x01\x02\x7f\xff", 5);
  Put(Binary);
  TRegistry Reg;
  EXPECT_FALSE(Reg.KeyExists("Software\\Orvane"));
  EXPECT_FALSE(Reg.OpenKeyReadOnly("Software\\Orvane"));
  try {
    Reg.OpenKey("Software\\Orvane", true);
    FAIL() << "no error";
  } catch (const ERegistryException& E) {
    EXPECT_NE(E.Message().find(File), std::string::npos) << E.Message();
    EXPECT_NE(E.Message().find("not an INI text file"), std::string::npos) << E.Message();
  }
  EXPECT_EQ(Get(), Binary);

  // A control byte far into a long file is seen too.
  std::string Long = "[Software\\Orvane]\nRootDir=/x\n";
  while (Long.size() < 9000)
    Long += "; a comment line of plain text\n";
  Long += '\0';
  Long += "Tail=1\n";
  Put(Long);
  EXPECT_FALSE(TRegistry().KeyExists("Software\\Orvane"));
  Long.erase(Long.find('\0'), 1);
  Put(Long);
  EXPECT_TRUE(TRegistry().KeyExists("Software\\Orvane"));
}

TEST_F(RegistryTest, OnlyTheCurrentUsersRootExists) {
  Put("[Software\\Orvane]\nRootDir=/x\n");
  TRegistry Reg;
  Reg.SetRootKey(HKEY_LOCAL_MACHINE);
  EXPECT_FALSE(Reg.KeyExists("Software\\Orvane"));
  EXPECT_FALSE(Reg.OpenKey("Software\\Orvane", true));
  EXPECT_EQ(Get(), "[Software\\Orvane]\nRootDir=/x\n");
}
