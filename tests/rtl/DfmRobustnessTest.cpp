// The parser on hostile input: random bytes, token soup, every truncation and
// random corruptions of real files. Each input either parses or raises
// EParserError; whatever parses writes back to text that reads the same.
#include "rtl/DfmStream.hpp"

#include <gtest/gtest.h>

#include <random>

using namespace DfmText;
using DfmStream::EParserError;

namespace {

std::string ReadSample(const std::string& Name) {
  return SysUtils::LoadFileToString(std::string(OV_TEST_DATA_DIR) + "/dfm/" + Name);
}

// Parses Text; false when it raised EParserError. Any other exception fails
// the test. A tree that parsed must survive a round through the writer.
bool ParsesCleanly(std::string_view Text) {
  TDfmObject Tree;
  try {
    Tree = DfmStream::Parse(Text, "fuzz");
  } catch (const EParserError& E) {
    EXPECT_EQ(E.Message().rfind("fuzz:", 0), 0u) << E.Message();
    return false;
  }
  const std::string Written = DfmStream::WriteText(Tree);
  EXPECT_TRUE(DfmStream::SameTree(DfmStream::Parse(Written, "written"), Tree)) << Written;
  return true;
}

} // namespace

TEST(DfmRobustness, RandomBytesAndTokenSoupNeverCrash) {
  std::mt19937 R(4242);
  static const char* const Tokens[] = {"object",
                                       "inherited",
                                       "inline",
                                       "end",
                                       "item",
                                       "X",
                                       ": ",
                                       "TX",
                                       "=",
                                       " ",
                                       "\n",
                                       "\r\n",
                                       "'",
                                       "''",
                                       "'a'",
                                       "#",
                                       "#13",
                                       "#$0D",
                                       "#55357",
                                       "#56832",
                                       "+",
                                       "(",
                                       ")",
                                       "[",
                                       "]",
                                       ",",
                                       "<",
                                       ">",
                                       "{",
                                       "}",
                                       "0A",
                                       "F",
                                       "$",
                                       "-",
                                       "1",
                                       "1.5",
                                       "e",
                                       "E+3",
                                       "c",
                                       ".",
                                       "nil",
                                       "\0",
                                       "\xC3",
                                       "\xA9",
                                       "\xFF",
                                       "/",
                                       "99999999999999999999"};
  int Parsed = 0;
  for (int I = 0; I < 4000; ++I) {
    std::string Text;
    if (I % 4 == 0) {
      const int N = static_cast<int>(R() % 200);
      for (int J = 0; J < N; ++J)
        Text.push_back(static_cast<char>(R() % 256));
    } else {
      Text = "object X: TX\n";
      const int N = static_cast<int>(R() % 40);
      for (int J = 0; J < N; ++J) {
        const char* T = Tokens[R() % std::size(Tokens)];
        Text.append(T, *T ? std::char_traits<char>::length(T) : 1);
      }
      if (R() % 2)
        Text += "\nend\n";
    }
    Parsed += ParsesCleanly(Text) ? 1 : 0;
  }
  // Some soup is valid; the check above then also ran the round trip.
  EXPECT_GT(Parsed, 0);
}

TEST(DfmRobustness, EveryTruncationOfARealFileErrorsOrParses) {
  for (const char* Name : {"AboutDialog.dfm", "Messy.dfm", "CustomerData.dfm"}) {
    const std::string Text = ReadSample(Name);
    size_t Complete = Text.find_last_not_of(" \r\n") + 1;
    for (size_t Len = 0; Len <= Text.size(); ++Len) {
      const bool Ok = ParsesCleanly(std::string_view(Text).substr(0, Len));
      // Only a prefix that holds the whole form is a form.
      EXPECT_EQ(Ok, Len >= Complete) << Name << " cut at " << Len;
    }
  }
}

TEST(DfmRobustness, CorruptedBytesOfARealFileErrorOrParse) {
  std::mt19937 R(99);
  const std::string Base = ReadSample("UpdateSqlEditor.dfm");
  const std::string Donor = Base + ReadSample("Messy.dfm");
  for (int I = 0; I < 3000; ++I) {
    std::string Text = Base;
    const int Changes = 1 + static_cast<int>(R() % 4);
    for (int J = 0; J < Changes; ++J) {
      const size_t Pos = R() % Text.size();
      switch (R() % 3) {
      case 0:
        Text[Pos] = static_cast<char>(R() % 256);
        break;
      case 1:
        Text.erase(Pos, 1 + R() % 8);
        break;
      default:
        Text.insert(Pos, Donor.substr(R() % Donor.size(), 1 + R() % 12));
        break;
      }
    }
    ParsesCleanly(Text);
  }
}

TEST(DfmRobustness, HugeAndEndlessInputsEndWithAnError) {
  const std::string Digits(1'000'000, '9');
  EXPECT_THROW(DfmStream::Parse("object X: TX\n  A = " + Digits + "\nend", "big"), EParserError);
  EXPECT_THROW(DfmStream::Parse("object X: TX\n  A = #" + Digits + "\nend", "big"), EParserError);
  // A long fraction is a valid number, not an overflow.
  EXPECT_NO_THROW(DfmStream::Parse("object X: TX\n  A = 0." + Digits + "\nend", "big"));
  EXPECT_THROW(DfmStream::Parse("object X: TX\n  A = '" + std::string(1'000'000, 'a'), "big"),
               EParserError);
  EXPECT_THROW(DfmStream::Parse("object X: TX\n  A = {" + std::string(1'000'001, 'A') + "}", "big"),
               EParserError);
  EXPECT_THROW(DfmStream::Parse(std::string(1'000'000, '('), "big"), EParserError);
  EXPECT_THROW(DfmStream::Parse("object X: TX\n  A = " + std::string(1'000'000, '['), "big"),
               EParserError);
  std::string Nul(1000, '\0');
  EXPECT_THROW(DfmStream::Parse(Nul, "nul"), EParserError);
}
