// The canonical writer: the layout it gives each construct, the trees it
// refuses, and the round trips over sample files and random trees.
#include "rtl/DfmStream.hpp"

#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <limits>
#include <random>

using namespace DfmText;
using DfmStream::Parse;
using DfmStream::SameTree;
using DfmStream::WriteText;

namespace {

TDfmValue Str(std::string S) {
  TDfmValue V;
  V.Kind = TValueKind::vaString;
  V.Str = std::move(S);
  return V;
}
TDfmValue Int(int64_t I) {
  TDfmValue V;
  V.Kind = TValueKind::vaInteger;
  V.Int = I;
  return V;
}
TDfmValue Float(double F, char Suffix = 0) {
  TDfmValue V;
  V.Kind = TValueKind::vaFloat;
  V.Float = F;
  V.FloatSuffix = Suffix;
  return V;
}
TDfmValue Ident(std::string S) {
  TDfmValue V = Str(std::move(S));
  V.Kind = TValueKind::vaIdent;
  return V;
}
TDfmValue Binary(std::string S) {
  TDfmValue V = Str(std::move(S));
  V.Kind = TValueKind::vaBinary;
  return V;
}
TDfmValue List(std::vector<TDfmValue> Items) {
  TDfmValue V;
  V.Kind = TValueKind::vaList;
  V.List = std::move(Items);
  return V;
}

TDfmObject WithProp(const std::string& Name, TDfmValue Value) {
  TDfmObject O;
  O.Name = "X";
  O.ClassName = "TX";
  O.Props.push_back({Name, std::move(Value), 0, 0});
  return O;
}

// The text of the single property line(s) between the header and "end".
std::string PropText(const std::string& Name, TDfmValue Value) {
  const std::string Text = WriteText(WithProp(Name, std::move(Value)));
  const std::string Head = "object X: TX\n";
  const std::string Tail = "end\n";
  EXPECT_EQ(Text.substr(0, Head.size()), Head);
  EXPECT_EQ(Text.substr(Text.size() - Tail.size()), Tail);
  return Text.substr(Head.size(), Text.size() - Head.size() - Tail.size());
}

std::string WriteError(const TDfmObject& O) {
  try {
    WriteText(O);
  } catch (const Classes::EWriteError& E) {
    return E.Message();
  }
  return "no error";
}

std::string ReadFile(const std::string& Name) {
  return SysUtils::LoadFileToString(std::string(OV_TEST_DATA_DIR) + "/dfm/" + Name);
}

} // namespace

TEST(DfmWriter, StringsQuoteEscapeAndCodeCharacters) {
  EXPECT_EQ(PropText("S", Str("it's")), "  S = 'it''s'\n");
  EXPECT_EQ(PropText("S", Str("")), "  S = ''\n");
  EXPECT_EQ(PropText("S", Str("a\r\nb\t")), "  S = 'a'#13#10'b'#9\n");
  EXPECT_EQ(PropText("S", Str("\x7F")), "  S = #127\n");
  EXPECT_EQ(PropText("S", Str("caf\xC3\xA9 \xE2\x82\xAC")), "  S = 'caf'#233' '#8364\n");
  EXPECT_EQ(PropText("S", Str("\xF0\x9F\x98\x80")), "  S = #128512\n");
  // Bytes of no well-formed UTF-8 sequence stay raw: as codes they would
  // read back as two-byte characters.
  EXPECT_EQ(PropText("S", Str("a\xFF\xC3(")), "  S = 'a\xFF\xC3('\n");
  EXPECT_EQ(PropText("S", Str("\xED\xA0\x80")), "  S = '\xED\xA0\x80'\n"); // a surrogate
  EXPECT_EQ(PropText("S", Str("\xC0\xAF")), "  S = '\xC0\xAF'\n");         // overlong
}

TEST(DfmWriter, LongStringsSplitAtSixtyFourCharacters) {
  const std::string A64(64, 'a');
  EXPECT_EQ(PropText("S", Str(A64)), "  S = '" + A64 + "'\n");
  EXPECT_EQ(PropText("S", Str(A64 + "b")), "  S =\n    '" + A64 + "' +\n    'b'\n");
  EXPECT_EQ(PropText("S", Str(A64 + A64 + "cc")),
            "  S =\n    '" + A64 + "' +\n    '" + A64 + "' +\n    'cc'\n");
  // A doubled quote counts as one character.
  const std::string Quotes64(64, '\'');
  EXPECT_EQ(PropText("S", Str(Quotes64)), "  S = '" + std::string(128, '\'') + "'\n");
  EXPECT_EQ(PropText("S", Str(Quotes64 + "b")),
            "  S =\n    '" + std::string(128, '\'') + "' +\n    'b'\n");
  // A code counts as one character, whatever its length in the file.
  std::string Codes;
  for (int I = 0; I < 64; ++I)
    Codes += "#13";
  EXPECT_EQ(PropText("S", Str(std::string(65, '\r'))), "  S =\n    " + Codes + " +\n    #13\n");
  // So does a character of several UTF-8 bytes, which is never cut.
  std::string Euros;
  for (int I = 0; I < 65; ++I)
    Euros += "\xE2\x82\xAC";
  std::string EuroCodes;
  for (int I = 0; I < 64; ++I)
    EuroCodes += "#8364";
  EXPECT_EQ(PropText("S", Str(Euros)), "  S =\n    " + EuroCodes + " +\n    #8364\n");
  // In a list the first part stays on the item's line.
  EXPECT_EQ(PropText("L", List({Str(A64 + "z"), Str("short")})),
            "  L = (\n    '" + A64 + "' +\n      'z'\n    'short')\n");
}

TEST(DfmWriter, NumbersInShortestFormThatReadsBack) {
  EXPECT_EQ(PropText("I", Int(-42)), "  I = -42\n");
  EXPECT_EQ(PropText("I", Int(INT64_MIN)), "  I = -9223372036854775808\n");
  EXPECT_EQ(PropText("F", Float(0.1)), "  F = 0.1\n");
  EXPECT_EQ(PropText("F", Float(100)), "  F = 100.0\n");
  EXPECT_EQ(PropText("F", Float(1e20)), "  F = 1.0E20\n");
  EXPECT_EQ(PropText("F", Float(1.5e-7)), "  F = 1.5E-7\n");
  EXPECT_EQ(PropText("F", Float(-0.0)), "  F = -0.0\n");
  EXPECT_EQ(PropText("F", Float(12.5, 'c')), "  F = 12.5c\n");
  EXPECT_EQ(PropText("F", Float(37257, 'd')), "  F = 37257.0d\n");
  EXPECT_EQ(PropText("F", Float(5e-324)), "  F = 5.0E-324\n");
  EXPECT_EQ(PropText("F", Float(std::numeric_limits<double>::max())),
            "  F = 1.7976931348623157E308\n");
}

TEST(DfmWriter, ListsSetsCollectionsAndBinaryAsTheIdeLaysThemOut) {
  EXPECT_EQ(PropText("L", List({})), "  L = ()\n");
  EXPECT_EQ(PropText("L", List({Str("a"), List({Int(1)})})),
            "  L = (\n    'a'\n    (\n      1))\n");
  TDfmValue Set;
  Set.Kind = TValueKind::vaSet;
  EXPECT_EQ(PropText("S", Set), "  S = []\n");
  Set.Set = {"akLeft", "akTop"};
  EXPECT_EQ(PropText("S", Set), "  S = [akLeft, akTop]\n");
  TDfmValue Coll;
  Coll.Kind = TValueKind::vaCollection;
  EXPECT_EQ(PropText("C", Coll), "  C = <>\n");
  Coll.Items.resize(2);
  Coll.Items[0].Props.push_back({"Name", Str("P1"), 0, 0});
  Coll.Items[0].Props.push_back({"Sub", List({Int(1)}), 0, 0});
  Coll.Items[1].HasIndex = true;
  Coll.Items[1].Index = 3;
  EXPECT_EQ(PropText("C", Coll), "  C = <\n"
                                 "    item\n"
                                 "      Name = 'P1'\n"
                                 "      Sub = (\n"
                                 "        1)\n"
                                 "    end\n"
                                 "    item [3]\n"
                                 "    end>\n");
  EXPECT_EQ(PropText("B", Binary("")), "  B = {}\n");
  EXPECT_EQ(PropText("B", Binary(std::string("\x00\xAB", 2))), "  B = {00AB}\n");
  std::string Bytes;
  for (int I = 0; I < 70; ++I)
    Bytes.push_back(static_cast<char>(I));
  const std::string Text = PropText("B", Binary(Bytes));
  EXPECT_EQ(Text, "  B = {\n"
                  "    000102030405060708090A0B0C0D0E0F101112131415161718191A1B1C1D1E1F\n"
                  "    202122232425262728292A2B2C2D2E2F303132333435363738393A3B3C3D3E3F\n"
                  "    404142434445}\n");
}

TEST(DfmWriter, ObjectsKeepTheirKindNameAndIndex) {
  TDfmObject O;
  O.Kind = TObjectKind::okInherited;
  O.Name = "Form2";
  O.ClassName = "TForm2";
  O.HasIndex = true;
  O.Index = -1;
  TDfmObject& C = O.Children.emplace_back();
  C.Kind = TObjectKind::okInline;
  C.ClassName = "TFrame1";
  C.Props.push_back({"Tag", Int(1), 0, 0});
  EXPECT_EQ(WriteText(O), "inherited Form2: TForm2 [-1]\n"
                          "  inline TFrame1\n"
                          "    Tag = 1\n"
                          "  end\n"
                          "end\n");
}

TEST(DfmWriter, RefusesTreesWithNoTextForm) {
  TDfmObject O = WithProp("A", Int(1));
  O.Name = "not a name";
  EXPECT_EQ(WriteError(O), "Cannot write the form: 'not a name' is not a valid component name");
  O = WithProp("A", Int(1));
  O.ClassName = "";
  EXPECT_EQ(WriteError(O), "Cannot write the form: '' is not a valid class name");
  EXPECT_EQ(WriteError(WithProp("End", Int(1))),
            "Cannot write the form: 'End' is not a valid property name");
  EXPECT_EQ(WriteError(WithProp("object.X", Int(1))),
            "Cannot write the form: 'object.X' is not a valid property name");
  EXPECT_EQ(WriteError(WithProp("A..B", Int(1))),
            "Cannot write the form: 'A..B' is not a valid property name");
  EXPECT_NO_THROW(WriteText(WithProp("Items.End", Int(1))));
  EXPECT_EQ(WriteError(WithProp("F", Float(std::nan("")))),
            "Cannot write the form: the value of F is not a finite number");
  EXPECT_EQ(WriteError(WithProp("F", Float(INFINITY))),
            "Cannot write the form: the value of F is not a finite number");
  EXPECT_EQ(WriteError(WithProp("F", Float(1, 'C'))),
            "Cannot write the form: the value of F has an invalid float suffix");
  EXPECT_EQ(WriteError(WithProp("R", Ident("Form1..X"))),
            "Cannot write the form: 'Form1..X' in R is not a valid identifier");
  TDfmValue Set;
  Set.Kind = TValueKind::vaSet;
  Set.Set = {"a", "1b"};
  EXPECT_EQ(WriteError(WithProp("S", Set)),
            "Cannot write the form: '1b' in S is not a valid set element");
  TDfmValue Deep = Int(0);
  for (int I = 0; I < DfmStream::MaxNesting; ++I)
    Deep = List({Deep});
  EXPECT_EQ(WriteError(WithProp("D", Deep)),
            "Cannot write the form: D is nested deeper than 200 levels");
}

TEST(DfmWriter, SampleFilesAreCanonicalAlready) {
  for (const char* Name :
       {"CustomerData.dfm", "AboutDialog.dfm", "UpdateSqlEditor.dfm", "Messy.canonical.dfm"}) {
    const std::string Text = ReadFile(Name);
    EXPECT_EQ(WriteText(Parse(Text, Name)), Text) << Name;
  }
}

TEST(DfmWriter, MessyFileBecomesCanonicalAfterOneRound) {
  const TDfmObject Messy = DfmStream::ParseFile(std::string(OV_TEST_DATA_DIR) + "/dfm/Messy.dfm");
  const std::string Canonical = ReadFile("Messy.canonical.dfm");
  const std::string Once = WriteText(Messy);
  EXPECT_EQ(Once, Canonical);
  EXPECT_TRUE(SameTree(Parse(Once, "once"), Messy));
  EXPECT_EQ(WriteText(Parse(Once, "once")), Once);
}

namespace {

// Random trees over every kind of value, with the awkward corners made
// likely: bytes that are no UTF-8, quotes, controls, extreme numbers, long
// strings, empty containers.
class TTreeGen {
public:
  explicit TTreeGen(uint64_t Seed) : R(Seed) {}

  TDfmObject Object(int Depth) {
    TDfmObject O;
    O.Kind = static_cast<TObjectKind>(Below(3));
    O.Name = Below(5) == 0 ? "" : Name();
    O.ClassName = "T" + Name();
    O.HasIndex = Below(4) == 0;
    O.Index = O.HasIndex ? static_cast<int>(Below(2000)) - 1000 : 0;
    for (int I = 0, N = static_cast<int>(Below(5)); I < N; ++I)
      O.Props.push_back({PropName(), Value(Depth), 0, 0});
    if (Depth < 4)
      for (int I = 0, N = static_cast<int>(Below(3)); I < N; ++I)
        O.Children.push_back(Object(Depth + 1));
    return O;
  }

private:
  uint64_t Below(uint64_t N) { return std::uniform_int_distribution<uint64_t>(0, N - 1)(R); }

  std::string Name() {
    static const std::string First = "abcxyzABCXYZ_";
    static const std::string Rest =
        "abcdefghijklmnopqrstuvwxyzABCDEFGHIJKLMNOPQRSTUVWXYZ_0123456789";
    for (;;) {
      std::string S(1, First[Below(First.size())]);
      for (int I = 0, N = static_cast<int>(Below(8)); I < N; ++I)
        S += Rest[Below(Rest.size())];
      if (!SysUtils::SameText(S, "end") && !SysUtils::SameText(S, "object") &&
          !SysUtils::SameText(S, "inherited") && !SysUtils::SameText(S, "inline"))
        return S;
    }
  }
  std::string PropName() {
    std::string S = Name();
    while (Below(3) == 0)
      S += "." + Name();
    return S;
  }
  std::string Bytes() {
    static const char* const Pieces[] = {
        "'",    "''",   "\r\n", "\t", "\x7F", "\xC3\xA9", "\xE2\x82\xAC", "\xF0\x9F\x98\x80",
        "\xFF", "\xC3", "\x80", "#",  "+",    " "};
    std::string S;
    const int N = Below(10) == 0 ? static_cast<int>(Below(300)) : static_cast<int>(Below(12));
    for (int I = 0; I < N; ++I) {
      const uint64_t K = Below(30);
      if (K < 15)
        S += static_cast<char>('a' + Below(26));
      else if (K == 15)
        S.push_back('\0');
      else if (K == 16)
        S.push_back(static_cast<char>(Below(256)));
      else
        S += Pieces[Below(14)];
    }
    return S;
  }
  double AnyFloat() {
    static const double Special[] = {0.0,     -0.0,   0.1,   1e20,  5e-324, -1.5e-7,
                                     1.0 / 3, 2500.0, 1e300, 123.0, 2.0E10};
    if (Below(2) == 0)
      return Special[Below(std::size(Special))];
    for (;;) {
      const uint64_t Bits = R();
      double D;
      std::memcpy(&D, &Bits, sizeof D);
      if (std::isfinite(D))
        return D;
    }
  }

  TDfmValue Value(int Depth) {
    TDfmValue V;
    const uint64_t K = Depth > 6 ? Below(6) : Below(8);
    switch (K) {
    case 0: {
      V.Kind = TValueKind::vaInteger;
      const int64_t Special[] = {0, -1, INT64_MIN, INT64_MAX, 255};
      V.Int = Below(2) ? Special[Below(5)] : static_cast<int64_t>(R());
      break;
    }
    case 1:
      V.Kind = TValueKind::vaFloat;
      V.Float = AnyFloat();
      V.FloatSuffix = "\0cds"[Below(4)];
      break;
    case 2:
      V.Kind = TValueKind::vaString;
      V.Str = Bytes();
      break;
    case 3:
      V.Kind = TValueKind::vaIdent;
      V.Str = Below(4) == 0 ? "nil" : PropName();
      break;
    case 4:
      V.Kind = TValueKind::vaSet;
      for (int I = 0, N = static_cast<int>(Below(4)); I < N; ++I)
        V.Set.push_back(Name());
      break;
    case 5: {
      V.Kind = TValueKind::vaBinary;
      const int N = static_cast<int>(Below(80));
      for (int I = 0; I < N; ++I)
        V.Str.push_back(static_cast<char>(Below(256)));
      break;
    }
    case 6:
      V.Kind = TValueKind::vaList;
      for (int I = 0, N = static_cast<int>(Below(4)); I < N; ++I)
        V.List.push_back(Value(Depth + 1));
      break;
    default:
      V.Kind = TValueKind::vaCollection;
      for (int I = 0, N = static_cast<int>(Below(3)); I < N; ++I) {
        TDfmCollectionItem& Item = V.Items.emplace_back();
        Item.HasIndex = Below(3) == 0;
        Item.Index = Item.HasIndex ? static_cast<int>(Below(10)) : 0;
        for (int J = 0, M = static_cast<int>(Below(3)); J < M; ++J)
          Item.Props.push_back({PropName(), Value(Depth + 1), 0, 0});
      }
      break;
    }
    return V;
  }

  std::mt19937_64 R;
};

} // namespace

TEST(DfmWriter, RandomTreesReadBackTheSameAndWriteToAFixedPoint) {
  TTreeGen Gen(20240611);
  for (int I = 0; I < 400; ++I) {
    const TDfmObject Tree = Gen.Object(1);
    const std::string Text = WriteText(Tree);
    TDfmObject Back;
    ASSERT_NO_THROW(Back = Parse(Text, "random")) << Text;
    ASSERT_TRUE(SameTree(Back, Tree)) << Text;
    ASSERT_EQ(WriteText(Back), Text);
  }
}

TEST(DfmWriter, SameTreeComparesContentNotPositions) {
  TDfmObject A = Parse("object X: TX\n  A = 1.5\n  B = <item end>\nend", "a");
  const TDfmObject B = Parse("object X: TX A = 1.5 B = < item end > end", "b");
  EXPECT_TRUE(SameTree(A, B));
  A.Props[0].Value.FloatSuffix = 'c';
  EXPECT_FALSE(SameTree(A, B));
  A.Props[0].Value.FloatSuffix = 0;
  A.Props[1].Value.Items[0].HasIndex = true;
  EXPECT_FALSE(SameTree(A, B));
  EXPECT_FALSE(DfmStream::SameValue(Float(0.0), Float(-0.0)));
  EXPECT_FALSE(DfmStream::SameValue(Str("1"), Ident("1")));
}
