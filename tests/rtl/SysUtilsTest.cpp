#include "rtl/SysUtils.hpp"
#include "rtl/Classes.hpp"

#include <filesystem>
#include <gtest/gtest.h>
#include <sys/stat.h>

using namespace SysUtils;

TEST(SysUtils, FormatFollowsPrintfDirectives) {
  EXPECT_EQ(Format("Item%.2d", 0), "Item00");
  EXPECT_EQ(Format("Item%.2d", 100), "Item100");
  EXPECT_EQ(Format("%s (%s)", std::string("Form1.U"), "Q"), "Form1.U (Q)");
  EXPECT_EQ(Format("%s | %s", "SQLite", "<UnknownDatabase>"), "SQLite | <UnknownDatabase>");
  EXPECT_THROW(Format("%d", std::string("x")), EConvertError);
}

TEST(SysUtils, TrimRemovesBlanksAndControlCharacters) {
  EXPECT_EQ(Trim(" \t\r\n x y \r\n"), "x y");
  EXPECT_EQ(Trim("   "), "");
  EXPECT_EQ(TrimLeft("  a "), "a ");
  EXPECT_EQ(TrimRight("  a \n"), "  a");
}

TEST(SysUtils, TextComparisonFoldsAsciiCase) {
  EXPECT_EQ(CompareText("abc", "ABC"), 0);
  EXPECT_LT(CompareText("abc", "abd"), 0);
  EXPECT_LT(CompareText("ab", "abc"), 0);
  EXPECT_TRUE(SameText("OVSession", "ovsession"));
  EXPECT_FALSE(SameText("a", "ab"));
  EXPECT_TRUE(SameText("Db_1z", "dB_1Z"));
  EXPECT_TRUE(SameText("", ""));
  // Only ASCII letters fold: not the punctuation 32 apart, not UTF-8.
  EXPECT_FALSE(SameText("[@", "{`"));
  EXPECT_FALSE(SameText("\xC3\xA9", "\xC3\x89"));
  EXPECT_FALSE(SameText("DB12", "DB17"));
}

TEST(SysUtils, IdentifiersAreAsciiLettersUnderscoresAndDigitsNotFirst) {
  for (const char* Good : {"a", "_", "Query1", "_9", "A_Z09az"})
    EXPECT_TRUE(IsValidIdent(Good)) << Good;
  for (const char* Bad :
       {"", "1a", "9", "a-b", "a b", "a.b", "caf\xC3\xA9", "\xC3\xA9t\xC3\xA9", "ab\xFF", "a\x7F"})
    EXPECT_FALSE(IsValidIdent(Bad)) << Bad;
  EXPECT_FALSE(IsValidIdent(std::string_view("a\0b", 3)));
}

TEST(SysUtils, IntegerConversionsRejectJunk) {
  EXPECT_EQ(StrToInt(" 42 "), 42);
  EXPECT_EQ(StrToInt("-7"), -7);
  EXPECT_EQ(StrToInt("$1F"), 31);
  EXPECT_THROW(StrToInt("4x"), EConvertError);
  EXPECT_THROW(StrToInt("99999999999"), EConvertError);
  EXPECT_EQ(StrToIntDef("", 8), 8);
  EXPECT_EQ(StrToIntDef("-3", 8), -3);
  int64_t V = 0;
  EXPECT_TRUE(TryStrToInt64("-9223372036854775808", V));
  EXPECT_EQ(V, INT64_MIN);
  EXPECT_FALSE(TryStrToInt64("9223372036854775808", V));
}

TEST(SysUtils, QuotingAndReplacing) {
  EXPECT_EQ(QuotedStr("it's"), "'it''s'");
  EXPECT_EQ(AnsiDequotedStr("\"a\"\"b\"", '"'), "a\"b");
  EXPECT_EQ(AnsiDequotedStr("plain", '"'), "plain");
  EXPECT_EQ(
      StringReplace("aXbxc", "x", "-", {TReplaceFlag::rfReplaceAll, TReplaceFlag::rfIgnoreCase}),
      "a-b-c");
  EXPECT_EQ(StringReplace("axbx", "x", "-", {}), "a-bx");
}

TEST(SysUtils, DatesRoundTripAndFileDatesUseTheDosForm) {
  const TDateTime D = EncodeDate(2026, 12, 8) + EncodeTime(13, 45, 30, 0);
  int Y, M, Dd, H, Mi, S, Ms;
  DecodeDate(D, Y, M, Dd);
  DecodeTime(D, H, Mi, S, Ms);
  EXPECT_EQ(Y, 2026);
  EXPECT_EQ(M, 12);
  EXPECT_EQ(Dd, 8);
  EXPECT_EQ(H, 13);
  EXPECT_EQ(Mi, 45);
  EXPECT_EQ(S, 30);
  EXPECT_DOUBLE_EQ(EncodeDate(1899, 12, 30), 0.0);
  const int32_t F = DateTimeToFileDate(D);
  EXPECT_EQ(static_cast<uint32_t>(F) >> 25, 2026u - 1980u);
  EXPECT_DOUBLE_EQ(FileDateToDateTime(F), D);
  EXPECT_EQ(DateTimeToStr(D), "2026-12-08 13:45:30");
}

TEST(SysUtils, AtomicSaveReplacesWholeFilesAndKeepsOldOnFailure) {
  namespace fs = std::filesystem;
  const fs::path Dir = fs::temp_directory_path() / ("ovsys-" + std::to_string(::getpid()));
  fs::create_directories(Dir);
  const std::string File = (Dir / "a.txt").string();
  SaveFileAtomically(File, "one");
  ::chmod(File.c_str(), 0640);
  SaveFileAtomically(File, "two");
  EXPECT_EQ(LoadFileToString(File), "two");
  struct stat St {};
  ::stat(File.c_str(), &St);
  EXPECT_EQ(St.st_mode & 0777, 0640u);
  for (const auto& E : fs::directory_iterator(Dir))
    EXPECT_EQ(E.path().filename(), "a.txt") << "no temporary file may stay behind";
  EXPECT_THROW(SaveFileAtomically((Dir / "missing" / "b.txt").string(), "x"), EInOutError);
  EXPECT_THROW(LoadFileToString((Dir / "nope").string()), EInOutError);
  fs::remove_all(Dir);
}

TEST(SysUtils, AssertFailureNamesFileAndLine) {
  try {
    AssertFailed("", "src\\OVUpdSEd", 542);
    FAIL();
  } catch (const EAssertionFailed& E) {
    EXPECT_EQ(E.Message(), "Assertion failure (src\\OVUpdSEd, line 542)");
  }
}

TEST(Streams, MemoryAndFileStreamsReadWhatWasWritten) {
  Classes::TMemoryStream M;
  M.WriteBuffer("hello", 5);
  M.SetPosition(1);
  char Buf[4] = {};
  M.ReadBuffer(Buf, 3);
  EXPECT_EQ(std::string(Buf, 3), "ell");
  EXPECT_THROW(M.ReadBuffer(Buf, 4), Classes::EReadError);
  const std::string Path = std::filesystem::temp_directory_path() / "ovstream.bin";
  {
    Classes::TFileStream F(Path, Classes::TFileMode::fmCreate);
    F.CopyFrom(&M, 0);
  }
  Classes::TFileStream R(Path, Classes::TFileMode::fmOpenRead);
  EXPECT_EQ(R.GetSize(), 5);
  EXPECT_EQ(R.ReadAll(), "hello");
  std::filesystem::remove(Path);
  EXPECT_THROW(Classes::TFileStream("/nonexistent/x", Classes::TFileMode::fmOpenRead),
               Classes::EFOpenError);
}
