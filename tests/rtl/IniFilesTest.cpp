#include "rtl/IniFiles.hpp"
#include "support/Process.hpp"
#include "support/TempDir.hpp"

#include <atomic>
#include <filesystem>
#include <fstream>
#include <gtest/gtest.h>
#include <random>
#include <sys/stat.h>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>

using namespace IniFiles;
namespace fs = std::filesystem;

namespace {

class IniFilesTest : public ::testing::Test {
protected:
  void SetUp() override {
    Dir = Temp.Path().string();
    File = Dir + "/test.ini";
  }
  void Put(const std::string& Text) const { std::ofstream(File, std::ios::binary) << Text; }
  std::string Get() const { return SysUtils::LoadFileToString(File); }

  TestSupport::TTempDir Temp;
  std::string Dir, File;
};

std::vector<std::string> Lines(const Classes::TStrings& S) {
  return S.ToVector();
}

using TestSupport::RunUnprivileged;

} // namespace

TEST_F(IniFilesTest, ReadsAsTheProfileFunctionsDo) {
  Put("; comment\n"
      "orphan=before any section\n"
      "[Main]\n"
      "  Name  =  padded value  \n"
      "dup=first\n"
      "DUP=second\n"
      "Empty=\n"
      "no equals sign\n"
      "=no name\n"
      "# another comment\n"
      "[ Other ]\n"
      "x=1\n"
      "[main]\n"
      "late=merged into Main\n"
      "name=loses to the first\n"
      "[broken header\n"
      "hidden=belongs to no section\n");
  TIniFile Ini(File);
  struct {
    const char* Section;
    const char* Key;
    const char* Expected;
  } const Cases[] = {
      {"Main", "Name", "padded value"},
      {"MAIN", "name", "padded value"},
      {"Main", " Name ", "padded value"},
      {"Main", "dup", "first"},
      {"Main", "Empty", ""},
      {"Main", "late", "merged into Main"},
      {"Other", "x", "1"},
      {"Main", "orphan", "<default>"},
      {"Main", "no equals sign", "<default>"},
      {"Main", "hidden", "<default>"},
      {"broken header", "hidden", "<default>"},
      {"Missing", "x", "<default>"},
  };
  for (const auto& C : Cases)
    EXPECT_EQ(Ini.ReadString(C.Section, C.Key, "<default>"), C.Expected)
        << "[" << C.Section << "] " << C.Key;

  Classes::TStringList S;
  Ini.ReadSections(&S);
  EXPECT_EQ(Lines(S), (std::vector<std::string>{"Main", "Other"}));
  Ini.ReadSection("main", &S);
  EXPECT_EQ(Lines(S), (std::vector<std::string>{"Name", "dup", "Empty", "late"}));
  Ini.ReadSectionValues("Main", &S);
  EXPECT_EQ(Lines(S), (std::vector<std::string>{"Name=padded value", "dup=first",
                                                "Empty=", "late=merged into Main"}));
  EXPECT_TRUE(Ini.SectionExists("other"));
  EXPECT_FALSE(Ini.SectionExists("Missing"));
  EXPECT_TRUE(Ini.ValueExists("Main", "EMPTY"));
  EXPECT_FALSE(Ini.ValueExists("Main", "orphan"));
}

TEST_F(IniFilesTest, IntegersAndBooleansFallBackToTheDefaultOnJunk) {
  Put("[N]\n"
      "dec=42\nneg=-7\nplus=+3\nhex=$1F\nhex0x=0x10\nbig=$FFFFFFFF\n"
      "spaced= 12 \njunk=12abc\nempty=\nover=2147483648\nmin=-2147483648\ntrue=true\n"
      "zero=0\nseven=7\n");
  TIniFile Ini(File);
  struct {
    const char* Key;
    int Expected;
  } const Ints[] = {{"dec", 42},        {"neg", -7},    {"plus", 3},   {"hex", 31},   {"hex0x", 16},
                    {"big", -1},        {"spaced", 12}, {"junk", 99},  {"empty", 99}, {"over", 99},
                    {"min", INT32_MIN}, {"true", 99},   {"absent", 99}};
  for (const auto& C : Ints)
    EXPECT_EQ(Ini.ReadInteger("N", C.Key, 99), C.Expected) << C.Key;
  EXPECT_FALSE(Ini.ReadBool("N", "zero", true));
  EXPECT_TRUE(Ini.ReadBool("N", "seven", false));
  EXPECT_TRUE(Ini.ReadBool("N", "true", true));
  EXPECT_FALSE(Ini.ReadBool("N", "true", false));
  EXPECT_TRUE(Ini.ReadBool("N", "absent", true));

  Ini.WriteBool("N", "flag", true);
  Ini.WriteInteger("N", "count", -12);
  EXPECT_EQ(Ini.ReadString("N", "flag", ""), "1");
  EXPECT_EQ(Ini.ReadInteger("N", "count", 0), -12);
  Ini.WriteBool("N", "flag", false);
  EXPECT_EQ(Ini.ReadString("N", "flag", ""), "0");
}

TEST_F(IniFilesTest, WritesKeepTheRestOfTheFile) {
  Put("; settings\r\n"
      "[A]\r\n"
      "one=1\r\n"
      "; about two\r\n"
      "Two = 2\r\n"
      "\r\n"
      "; the B section\r\n"
      "[B]\r\n"
      "x=y");
  TIniFile Ini(File);
  Ini.WriteString("a", "TWO", "22");
  Ini.WriteString("A", "three", "3");
  Ini.WriteString("B", "z", "w");
  Ini.WriteString("C", "new", "section");
  EXPECT_EQ(Get(), "; settings\r\n"
                   "[A]\r\n"
                   "one=1\r\n"
                   "; about two\r\n"
                   "Two=22\r\n"
                   "three=3\r\n"
                   "\r\n"
                   "; the B section\r\n"
                   "[B]\r\n"
                   "x=y\r\n"
                   "z=w\r\n"
                   "\r\n"
                   "[C]\r\n"
                   "new=section\r\n");

  Ini.DeleteKey("A", "one");
  Ini.EraseSection("b");
  EXPECT_EQ(Get(), "; settings\r\n"
                   "[A]\r\n"
                   "; about two\r\n"
                   "Two=22\r\n"
                   "three=3\r\n"
                   "\r\n"
                   "; the B section\r\n"
                   "[C]\r\n"
                   "new=section\r\n");
}

TEST_F(IniFilesTest, WritesReachTheDiskAtOnceAndOtherObjectsSeeThem) {
  TIniFile Writer(File), Reader(File);
  EXPECT_EQ(Reader.ReadString("S", "k", "none"), "none");
  Writer.WriteString("S", "k", "v1");
  EXPECT_EQ(Reader.ReadString("S", "k", "none"), "v1");
  Writer.WriteString("S", "k", "v2");
  EXPECT_EQ(Reader.ReadString("S", "k", "none"), "v2");
  // An edit from outside is seen too.
  Put("[S]\nk=edited\n");
  EXPECT_EQ(Reader.ReadString("S", "k", "none"), "edited");
}

TEST_F(IniFilesTest, DuplicatesAreAllRemovedByDeleteAndErase) {
  Put("[S]\nk=1\nk=2\n[T]\nt=1\n[s]\nk=3\nother=4\n");
  TIniFile Ini(File);
  Ini.DeleteKey("S", "K");
  EXPECT_FALSE(Ini.ValueExists("S", "k"));
  EXPECT_EQ(Ini.ReadString("S", "other", ""), "4");
  Ini.EraseSection("S");
  EXPECT_EQ(Get(), "[T]\nt=1\n");
}

TEST_F(IniFilesTest, OperationsThatChangeNothingDoNotCreateTheFile) {
  TIniFile Ini(File);
  Ini.EraseSection("S");
  Ini.DeleteKey("S", "k");
  EXPECT_FALSE(fs::exists(File));
  Classes::TStringList S;
  Ini.ReadSectionValues("S", &S);
  EXPECT_EQ(S.Count(), 0);
}

TEST_F(IniFilesTest, ValuesThatCannotBeStoredAreRefusedAndChangeNothing) {
  Put("[S]\nk=v\n");
  TIniFile Ini(File);
  EXPECT_THROW(Ini.WriteString("S", "k", "two\nlines"), EIniFileException);
  EXPECT_THROW(Ini.WriteString("S", "a=b", "v"), EIniFileException);
  EXPECT_THROW(Ini.WriteString("S", "[x", "v"), EIniFileException);
  EXPECT_THROW(Ini.WriteString("S", " ", "v"), EIniFileException);
  EXPECT_THROW(Ini.WriteString("", "k", "v"), EIniFileException);
  EXPECT_THROW(Ini.WriteString("A\nB", "k", "v"), EIniFileException);
  EXPECT_EQ(Get(), "[S]\nk=v\n");
}

TEST_F(IniFilesTest, MalformedAndBinaryFilesReadAsFarAsMakesSense) {
  std::string Data = "\xEF\xBB\xBF[S]\nbefore=1\nnul=a";
  Data += '\0';
  Data += "b\n\x01\x02\xff garbage\n[S]\nafter=2\n";
  Put(Data);
  TIniFile Ini(File);
  EXPECT_EQ(Ini.ReadString("S", "before", ""), "1");
  EXPECT_EQ(Ini.ReadString("S", "nul", ""), std::string("a\0b", 3));
  EXPECT_EQ(Ini.ReadString("S", "after", ""), "2");
  // A write keeps the junk it cannot understand.
  Ini.WriteString("S", "added", "3");
  EXPECT_NE(Get().find("\x01\x02\xff garbage"), std::string::npos);
  EXPECT_EQ(Ini.ReadString("S", "added", ""), "3");

  std::mt19937 Rng(42);
  for (int Round = 0; Round < 50; ++Round) {
    std::string Junk(4096, '\0');
    for (char& C : Junk)
      C = static_cast<char>(Rng() % 8 == 0 ? "[]=\n;"[Rng() % 5] : Rng() & 0xff);
    Put(Junk);
    Classes::TStringList S;
    Ini.ReadSections(&S);
    for (int I = 0; I < S.Count(); ++I)
      Ini.ReadSectionValues(S[I], &S);
    Ini.ReadInteger("x", "y", 0);
  }
}

TEST_F(IniFilesTest, AHugeFileIsFine) {
  std::string Data;
  for (int S = 0; S < 2000; ++S) {
    Data += "[Section" + std::to_string(S) + "]\n";
    for (int K = 0; K < 50; ++K)
      Data += "Key" + std::to_string(K) + "=" + std::string(20, 'v') + std::to_string(S) + "\n";
  }
  Put(Data);
  TIniFile Ini(File);
  EXPECT_EQ(Ini.ReadString("section1999", "key49", ""), std::string(20, 'v') + "1999");
  Ini.WriteString("Section1000", "Key0", "changed");
  EXPECT_EQ(Ini.ReadString("Section1000", "Key0", ""), "changed");
  EXPECT_EQ(Get().size(), Data.size() - 24 + 7);
}

TEST_F(IniFilesTest, AnUnwritableFolderRaisesNamingTheFileAndChangesNothing) {
  Put("[S]\nk=v\n");
  // Writable itself: the folder alone stands in the way.
  ::chmod(File.c_str(), 0666);
  ::chmod(Dir.c_str(), 0555);
  const std::string Out = RunUnprivileged([&]() -> std::string {
    TIniFile Ini(File);
    if (Ini.ReadString("S", "k", "") != "v")
      return "cannot read";
    try {
      Ini.WriteString("S", "k", "new");
      return "no error";
    } catch (const EIniFileException& E) {
      return E.Message();
    }
  });
  EXPECT_NE(Out.find(File), std::string::npos) << Out;
  EXPECT_NE(Out.find("Permission denied"), std::string::npos) << Out;
  ::chmod(Dir.c_str(), 0755);
  EXPECT_EQ(Get(), "[S]\nk=v\n");
  EXPECT_EQ(std::distance(fs::directory_iterator(Dir), fs::directory_iterator()), 1);
}

TEST_F(IniFilesTest, ADirectoryInTheFilesPlaceReadsAsDefaultsAndCannotBeWritten) {
  fs::create_directory(File);
  TIniFile Ini(File);
  EXPECT_EQ(Ini.ReadString("S", "k", "default"), "default");
  try {
    Ini.WriteString("S", "k", "v");
    FAIL() << "no error";
  } catch (const EIniFileException& E) {
    EXPECT_NE(E.Message().find(File), std::string::npos) << E.Message();
    EXPECT_NE(E.Message().find("Is a directory"), std::string::npos) << E.Message();
  }
  EXPECT_TRUE(fs::is_directory(File));
}

TEST_F(IniFilesTest, AnUnreadableFileIsNeverOverwritten) {
  Put("[S]\nsecret=1\n");
  ::chmod(File.c_str(), 0);
  const std::string Out = RunUnprivileged([&]() -> std::string {
    TIniFile Ini(File);
    std::string R = Ini.ReadString("S", "secret", "default") + "|";
    try {
      Ini.WriteString("S", "k", "v");
      R += "no error";
    } catch (const EIniFileException& E) {
      R += E.Message();
    }
    return R;
  });
  EXPECT_EQ(Out.substr(0, 8), "default|") << Out;
  EXPECT_NE(Out.find("Permission denied"), std::string::npos) << Out;
  ::chmod(File.c_str(), 0644);
  EXPECT_EQ(Get(), "[S]\nsecret=1\n");
}

TEST_F(IniFilesTest, WritesFollowASymbolicLink) {
  const std::string Target = Dir + "/real.ini";
  std::ofstream(Target) << "[S]\nk=v\n";
  fs::create_symlink(Target, File);
  TIniFile Ini(File);
  Ini.WriteString("S", "k", "w");
  EXPECT_TRUE(fs::is_symlink(File));
  EXPECT_EQ(SysUtils::LoadFileToString(Target), "[S]\nk=w\n");
}

TEST_F(IniFilesTest, AConcurrentReaderNeverSeesATornFile) {
  // Large enough that a write in place would be seen half done.
  const std::string Padding(256 * 1024, 'p');
  {
    TIniFile Ini(File);
    Ini.WriteString("Data", "Padding", Padding);
    Ini.WriteString("Tail", "End", "yes");
  }
  const std::string Tail = "\n\n[Tail]\nEnd=yes\n";
  std::atomic<bool> Done{false};
  std::atomic<int> Torn{0}, Reads{0};
  std::thread Reader([&] {
    while (!Done) {
      const std::string Text = SysUtils::LoadFileToString(File);
      if (!Text.ends_with(Tail) || !Text.starts_with("[Data]\nPadding=ppp"))
        ++Torn;
      ++Reads;
    }
  });
  TIniFile Ini(File);
  for (int I = 0; I < 40; ++I)
    Ini.WriteString("Data", "Padding", Padding.substr(0, Padding.size() - (I % 7) * 1000));
  Done = true;
  Reader.join();
  EXPECT_EQ(Torn.load(), 0) << "of " << Reads.load() << " reads";
  EXPECT_GT(Reads.load(), 0);
}

TEST_F(IniFilesTest, AnUpdateLandsAsOneReplacementOrNotAtAll) {
  Put("[Keep]\na=1\n[R]\nItem00=old\n");
  TIniFile Ini(File);
  Ini.BeginUpdate();
  Ini.EraseSection("R");
  Ini.WriteString("R", "Item00", "x");
  Ini.WriteString("R", "Item01", "y");
  EXPECT_EQ(Ini.ReadString("R", "Item01", ""), "y");  // reads see the gathered writes
  EXPECT_EQ(Get(), "[Keep]\na=1\n[R]\nItem00=old\n"); // the file does not, yet
  Ini.EndUpdate();
  EXPECT_EQ(Get(), "[Keep]\na=1\n\n[R]\nItem00=x\nItem01=y\n");

  Ini.BeginUpdate();
  Ini.BeginUpdate();
  Ini.EraseSection("R");
  Ini.CancelUpdate();
  Ini.WriteString("Keep", "b", "2");
  Ini.EndUpdate();
  EXPECT_EQ(Get(), "[Keep]\na=1\n\n[R]\nItem00=x\nItem01=y\n");
  EXPECT_EQ(Ini.ReadString("Keep", "b", "none"), "none");
}
