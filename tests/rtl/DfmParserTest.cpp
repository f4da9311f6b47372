// The text form parser: every construct of the syntax, the positions it keeps
// and the messages of broken files.
#include "rtl/DfmStream.hpp"

#include <gtest/gtest.h>

using namespace DfmText;
using DfmStream::EParserError;

namespace {

TDfmObject P(std::string_view Text) {
  return DfmStream::Parse(Text, "t.dfm");
}

// The single property of an object holding "A = <Value>".
TDfmValue ValueOf(const std::string& Value) {
  const TDfmObject O = P("object X: TX\n  A = " + Value + "\nend\n");
  EXPECT_EQ(O.Props.size(), 1u);
  return O.Props.at(0).Value;
}

std::string ErrorOf(std::string_view Text) {
  try {
    P(Text);
  } catch (const EParserError& E) {
    return E.Message();
  }
  return "no error";
}

std::string ValueError(const std::string& Value) {
  return ErrorOf("object X: TX\n  A = " + Value + "\nend\n");
}

} // namespace

TEST(DfmParser, ObjectHeadersInEveryForm) {
  const TDfmObject O = P("object Form1: TForm1\n"
                         "  inherited Panel1: TPanel [2]\n"
                         "  end\n"
                         "  INLINE Frame1: TFrame1\n"
                         "  End\n"
                         "  object TTimer\n"
                         "  end\n"
                         "  Object Label1 : TLabel[0]\n"
                         "  end\n"
                         "end");
  EXPECT_EQ(O.Kind, TObjectKind::okObject);
  EXPECT_EQ(O.Name, "Form1");
  EXPECT_EQ(O.ClassName, "TForm1");
  EXPECT_FALSE(O.HasIndex);
  ASSERT_EQ(O.Children.size(), 4u);
  EXPECT_EQ(O.Children[0].Kind, TObjectKind::okInherited);
  EXPECT_TRUE(O.Children[0].HasIndex);
  EXPECT_EQ(O.Children[0].Index, 2);
  EXPECT_EQ(O.Children[1].Kind, TObjectKind::okInline);
  EXPECT_EQ(O.Children[1].Name, "Frame1");
  EXPECT_EQ(O.Children[2].Name, "");
  EXPECT_EQ(O.Children[2].ClassName, "TTimer");
  EXPECT_EQ(O.Children[3].Name, "Label1");
  EXPECT_EQ(O.Children[3].Index, 0);
}

TEST(DfmParser, IntegersInDecimalNegativeAndHex) {
  EXPECT_EQ(ValueOf("12").Int, 12);
  EXPECT_EQ(ValueOf("-3").Int, -3);
  EXPECT_EQ(ValueOf("$FF").Int, 255);
  EXPECT_EQ(ValueOf("$00000000000000ff").Int, 255);
  EXPECT_EQ(ValueOf("$FFFFFFFFFFFFFFFF").Int, -1);
  EXPECT_EQ(ValueOf("9223372036854775807").Int, INT64_MAX);
  EXPECT_EQ(ValueOf("-9223372036854775808").Int, INT64_MIN);
  EXPECT_EQ(ValueOf("-0").Int, 0);
  EXPECT_EQ(ValueOf("12").Kind, TValueKind::vaInteger);
}

TEST(DfmParser, FloatsWithExponentsAndSuffixes) {
  TDfmValue V = ValueOf("1.5");
  EXPECT_EQ(V.Kind, TValueKind::vaFloat);
  EXPECT_EQ(V.Float, 1.5);
  EXPECT_EQ(V.FloatSuffix, 0);
  EXPECT_EQ(ValueOf("2.0E10").Float, 2.0e10);
  EXPECT_EQ(ValueOf("1e-3").Float, 1e-3);
  EXPECT_EQ(ValueOf("-0.25").Float, -0.25);
  EXPECT_EQ(ValueOf("7.").Float, 7.0);
  V = ValueOf("12.5c");
  EXPECT_EQ(V.Float, 12.5);
  EXPECT_EQ(V.FloatSuffix, 'c');
  V = ValueOf("36526d");
  EXPECT_EQ(V.Kind, TValueKind::vaFloat);
  EXPECT_EQ(V.Float, 36526.0);
  EXPECT_EQ(V.FloatSuffix, 'd');
  EXPECT_EQ(ValueOf("1.25E2S").FloatSuffix, 's');
  EXPECT_TRUE(std::signbit(ValueOf("-0.0").Float));
}

TEST(DfmParser, StringsOfQuotedPartsAndCharacterCodes) {
  EXPECT_EQ(ValueOf("'it''s'").Str, "it's");
  EXPECT_EQ(ValueOf("''").Str, "");
  EXPECT_EQ(ValueOf("''''").Str, "'");
  EXPECT_EQ(ValueOf("'a'#13#10'b'").Str, "a\r\nb");
  EXPECT_EQ(ValueOf("#$0D#$0a").Str, "\r\n");
  EXPECT_EQ(ValueOf("#0").Str, std::string(1, '\0'));
  EXPECT_EQ(ValueOf("#39'x'#39").Str, "'x'");
  // Codes above 127 are code points, stored as UTF-8.
  EXPECT_EQ(ValueOf("'caf'#233").Str, "caf\xC3\xA9");
  EXPECT_EQ(ValueOf("#8364").Str, "\xE2\x82\xAC");
  EXPECT_EQ(ValueOf("#128512").Str, "\xF0\x9F\x98\x80");
  // A pair of UTF-16 surrogate codes is one character.
  EXPECT_EQ(ValueOf("#55357#56832").Str, "\xF0\x9F\x98\x80");
  // UTF-8 inside quotes stays as it is.
  EXPECT_EQ(ValueOf("'Gr\xC3\xBC\xC3\x9F'").Str, "Gr\xC3\xBC\xC3\x9F");
}

TEST(DfmParser, StringsJoinedWithPlusAcrossLines) {
  const TDfmObject O = P("object X: TX\n"
                         "  Hint = \n"
                         "    'first line'#13#10'second' +\n"
                         "    ' line'#13#10 +\n"
                         "\n"
                         "    'third'\n"
                         "  B = 1\n"
                         "end\n");
  ASSERT_EQ(O.Props.size(), 2u);
  EXPECT_EQ(O.Props[0].Value.Str, "first line\r\nsecond line\r\nthird");
  EXPECT_EQ(O.Props[1].Name, "B");
}

TEST(DfmParser, IdentifiersIncludingDottedReferences) {
  EXPECT_EQ(ValueOf("True").Kind, TValueKind::vaIdent);
  EXPECT_EQ(ValueOf("True").Str, "True");
  EXPECT_EQ(ValueOf("nil").Str, "nil");
  EXPECT_EQ(ValueOf("clBtnFace").Str, "clBtnFace");
  EXPECT_EQ(ValueOf("DataModule1.Table1").Str, "DataModule1.Table1");
  EXPECT_EQ(ValueOf("A.B.C_2").Str, "A.B.C_2");
  const TDfmObject O = P("object X: TX\n  Font.Style = []\n  SQL.Strings.X = 1\nend");
  EXPECT_EQ(O.Props[0].Name, "Font.Style");
  EXPECT_EQ(O.Props[1].Name, "SQL.Strings.X");
}

TEST(DfmParser, SetsIncludingEmpty) {
  TDfmValue V = ValueOf("[]");
  EXPECT_EQ(V.Kind, TValueKind::vaSet);
  EXPECT_TRUE(V.Set.empty());
  V = ValueOf("[akLeft, akTop,akRight]");
  EXPECT_EQ(V.Set, (std::vector<std::string>{"akLeft", "akTop", "akRight"}));
}

TEST(DfmParser, ListsOfAnyValuesNested) {
  TDfmValue V = ValueOf("()");
  EXPECT_EQ(V.Kind, TValueKind::vaList);
  EXPECT_TRUE(V.List.empty());
  V = ValueOf("(\n  'select *'\n  'from T' 12 1.5 Ident [a] (\n    1\n    ( ))\n  {0A})");
  ASSERT_EQ(V.List.size(), 8u);
  EXPECT_EQ(V.List[0].Str, "select *");
  EXPECT_EQ(V.List[2].Int, 12);
  EXPECT_EQ(V.List[3].Float, 1.5);
  EXPECT_EQ(V.List[4].Kind, TValueKind::vaIdent);
  EXPECT_EQ(V.List[5].Kind, TValueKind::vaSet);
  ASSERT_EQ(V.List[6].Kind, TValueKind::vaList);
  ASSERT_EQ(V.List[6].List.size(), 2u);
  EXPECT_EQ(V.List[6].List[1].Kind, TValueKind::vaList);
  EXPECT_TRUE(V.List[6].List[1].List.empty());
  EXPECT_EQ(V.List[7].Str, "\n");
}

TEST(DfmParser, CollectionsWithItemsIndexesAndNesting) {
  TDfmValue V = ValueOf("<>");
  EXPECT_EQ(V.Kind, TValueKind::vaCollection);
  EXPECT_TRUE(V.Items.empty());
  V = ValueOf("<\n"
              "    item\n"
              "      Name = 'P1'\n"
              "      DataType = ftString\n"
              "    end\n"
              "    ITEM [3]\n"
              "      Sub = <\n"
              "        item\n"
              "        end>\n"
              "    end\n"
              "    item\n"
              "    end>");
  ASSERT_EQ(V.Items.size(), 3u);
  EXPECT_FALSE(V.Items[0].HasIndex);
  ASSERT_EQ(V.Items[0].Props.size(), 2u);
  EXPECT_EQ(V.Items[0].Props[0].Name, "Name");
  EXPECT_EQ(V.Items[0].Props[0].Value.Str, "P1");
  EXPECT_TRUE(V.Items[1].HasIndex);
  EXPECT_EQ(V.Items[1].Index, 3);
  ASSERT_EQ(V.Items[1].Props.size(), 1u);
  EXPECT_EQ(V.Items[1].Props[0].Value.Items.size(), 1u);
  EXPECT_TRUE(V.Items[2].Props.empty());
}

TEST(DfmParser, BinaryDataAcrossLines) {
  TDfmValue V = ValueOf("{}");
  EXPECT_EQ(V.Kind, TValueKind::vaBinary);
  EXPECT_TRUE(V.Str.empty());
  V = ValueOf("{\n    0001FF\n    7f8 0\n  }");
  EXPECT_EQ(V.Str, std::string("\x00\x01\xFF\x7F\x80", 5));
}

TEST(DfmParser, KeepsLinesAndColumns) {
  const TDfmObject O = P("\xEF\xBB\xBF"
                         "object Form1: TForm1\r\n"
                         "  Caption = '\xC3\xA9t\xC3\xA9'\r\n"
                         "  Items = <\r\n"
                         "    item\r\n"
                         "      Value = 5\r\n"
                         "    end>\r\n"
                         "  object Button1: TButton\r\n"
                         "    Tag = 'x\xE2\x82\xAC' + 'y'\r\n"
                         "  end\r\n"
                         "end\r\n");
  EXPECT_EQ(O.Line, 1);
  EXPECT_EQ(O.Column, 1); // the byte order mark is no character
  EXPECT_EQ(O.Props[0].Line, 2);
  EXPECT_EQ(O.Props[0].Column, 3);
  EXPECT_EQ(O.Props[0].Value.Column, 13);
  const TDfmValue& Items = O.Props[1].Value;
  EXPECT_EQ(Items.Line, 3);
  EXPECT_EQ(Items.Column, 11);
  EXPECT_EQ(Items.Items[0].Line, 4);
  EXPECT_EQ(Items.Items[0].Column, 5);
  EXPECT_EQ(Items.Items[0].Props[0].Line, 5);
  EXPECT_EQ(Items.Items[0].Props[0].Value.Column, 15);
  const TDfmObject& B = O.Children.at(0);
  EXPECT_EQ(B.Line, 7);
  EXPECT_EQ(B.Column, 3);
  EXPECT_EQ(B.Props[0].Value.Line, 8);
  EXPECT_EQ(B.Props[0].Value.Column, 11);
  // Columns count characters: "x€" is two, so the error after it points at
  // the character where it is.
  EXPECT_EQ(ErrorOf("object X: TX\n  A = '\xE2\x82\xAC\xE2\x82\xAC' ;\nend"),
            "t.dfm:2:12: invalid character ';'");
}

TEST(DfmParser, BrokenFilesNameLineColumnAndWhat) {
  struct TCase {
    const char* Text;
    const char* Message;
  };
  const TCase Cases[] = {
      {"object X: TX\n  Foo\nend", "t.dfm:3:1: '=' expected but 'end' found"},
      {"object X: TX\n  A = 1\n",
       "t.dfm:3:1: property name or 'end' expected but end of file found"},
      {"", "t.dfm:1:1: 'object', 'inherited' or 'inline' expected but end of file found"},
      {"form X: TX\nend", "t.dfm:1:1: 'object', 'inherited' or 'inline' expected but 'form' found"},
      {"object X: TX\nend\nend", "t.dfm:3:1: end of file expected but 'end' found"},
      {"object 5", "t.dfm:1:8: identifier expected but '5' found"},
      {"object X: TX [a]\nend", "t.dfm:1:15: integer expected but 'a' found"},
      {"object X: TX [99999999999]\nend", "t.dfm:1:15: order index 99999999999 is out of range"},
      {"object X: TX\n  5 = 1\nend", "t.dfm:2:3: property name or 'end' expected but '5' found"},
      {"object X: TX\n  A. = 1\nend", "t.dfm:2:6: identifier expected but '=' found"},
      {"object X: TX\n  A = 'abc\nend", "t.dfm:2:7: unterminated string"},
      {"object X: TX\n  A = 'abc", "t.dfm:2:7: unterminated string"},
      {"object X: TX\n  A = 'a' +\n  5\nend", "t.dfm:3:3: string expected but '5' found"},
      {"object X: TX\n  A = 'a' 'b'\nend",
       "t.dfm:2:11: property name or 'end' expected but string 'b' found"},
      {"object X: TX\n  A = #\nend", "t.dfm:2:7: character code expected after '#'"},
      {"object X: TX\n  A = #$\nend", "t.dfm:2:7: character code expected after '#'"},
      {"object X: TX\n  A = 'x'#1114112\nend",
       "t.dfm:2:10: character code #1114112 is out of range"},
      {"object X: TX\n  A = #99999999999999999999\nend",
       "t.dfm:2:7: character code #99999999999999999999 is out of range"},
      {"object X: TX\n  A = #55357\nend",
       "t.dfm:2:7: character code #55357 is half of a surrogate pair"},
      {"object X: TX\n  A = #55357'a'\nend",
       "t.dfm:2:7: character code #55357 is half of a surrogate pair"},
      {"object X: TX\n  A = #56832#55357\nend",
       "t.dfm:2:7: character code #56832 is half of a surrogate pair"},
      {"object X: TX\n  A = 99999999999999999999\nend",
       "t.dfm:2:7: integer 99999999999999999999 is out of range"},
      {"object X: TX\n  A = 9223372036854775808\nend",
       "t.dfm:2:7: integer 9223372036854775808 is out of range"},
      {"object X: TX\n  A = -9223372036854775809\nend",
       "t.dfm:2:7: integer -9223372036854775809 is out of range"},
      {"object X: TX\n  A = $1FFFFFFFFFFFFFFFF\nend",
       "t.dfm:2:7: integer $1FFFFFFFFFFFFFFFF is out of range"},
      {"object X: TX\n  A = 1e999\nend", "t.dfm:2:7: number 1e999 is out of range"},
      {"object X: TX\n  A = 12px\nend", "t.dfm:2:7: invalid number '12px'"},
      {"object X: TX\n  A = 1.5e\nend", "t.dfm:2:7: invalid number '1.5e'"},
      {"object X: TX\n  A = $\nend", "t.dfm:2:7: hex digits expected after '$'"},
      {"object X: TX\n  A = $FG\nend", "t.dfm:2:7: invalid number '$FG'"},
      {"object X: TX\n  A = - 5\nend", "t.dfm:2:7: digit expected after '-'"},
      {"object X: TX\n  A = {0A0}\nend", "t.dfm:2:7: binary data has an odd number of hex digits"},
      {"object X: TX\n  A = {\n    0AZZ}\nend", "t.dfm:3:7: invalid character 'Z' in binary data"},
      {"object X: TX\n  A = {0A", "t.dfm:2:7: unterminated binary data"},
      {"object X: TX\n  A = {0A\nend", "t.dfm:3:2: invalid character 'n' in binary data"},
      {"object X: TX\n  A = [a b]\nend", "t.dfm:2:10: ']' expected but 'b' found"},
      {"object X: TX\n  A = [a,]\nend", "t.dfm:2:10: identifier expected but ']' found"},
      {"object X: TX\n  A = [1]\nend", "t.dfm:2:8: identifier expected but '1' found"},
      {"object X: TX\n  A = (1 2", "t.dfm:2:11: ')' expected but end of file found"},
      {"object X: TX\n  A = (1 =)\nend", "t.dfm:2:10: value expected but '=' found"},
      {"object X: TX\n  A = <foo>\nend", "t.dfm:2:8: 'item' or '>' expected but 'foo' found"},
      {"object X: TX\n  A = <item B = 1>\nend",
       "t.dfm:2:18: property name or 'end' expected but '>' found"},
      {"object X: TX\n  A = <item end\nend", "t.dfm:3:1: 'item' or '>' expected but 'end' found"},
      // "end" after "=" is a value, so the object is left open.
      {"object X: TX\n  A = \nend",
       "t.dfm:3:4: property name or 'end' expected but end of file found"},
      {"object X: TX\n  A = =\nend", "t.dfm:2:7: value expected but '=' found"},
      {"object X: TX\n  A = ;\nend", "t.dfm:2:7: invalid character ';'"},
      {"object X: TX\n  A = 1 // note\nend", "t.dfm:2:9: invalid character '/'"},
      {"object X: TX\n  A = \x01\nend", "t.dfm:2:7: invalid character #1"},
      {"object X: TX\n  A = \xC3\xA9\nend", "t.dfm:2:7: invalid character '\xC3\xA9'"},
      {"object X: TX\n  A = \xFF\nend", "t.dfm:2:7: invalid character byte $FF"},
      {"object X: TX\n  A = 'a' + {00}\nend", "t.dfm:2:13: string expected but binary data found"},
  };
  for (const TCase& C : Cases)
    EXPECT_EQ(ErrorOf(C.Text), C.Message) << C.Text;
  using namespace std::string_literals;
  EXPECT_EQ(ErrorOf("object X: TX\n  A = 'a\0b'\nend"s),
            "t.dfm:2:9: invalid character #0 in string");
  EXPECT_EQ(ValueError("'unterminated"), "t.dfm:2:7: unterminated string");
}

TEST(DfmParser, NestingIsBoundedWithAnError) {
  const auto Lists = [](int Depth) {
    return "object X: TX\n  A = " + std::string(static_cast<size_t>(Depth), '(') +
           std::string(static_cast<size_t>(Depth), ')') + "\nend";
  };
  // The object is one level; its list value and the lists inside it the rest.
  EXPECT_NO_THROW(P(Lists(DfmStream::MaxNesting - 1)));
  EXPECT_EQ(ErrorOf(Lists(DfmStream::MaxNesting)),
            "t.dfm:2:" + std::to_string(6 + DfmStream::MaxNesting) +
                ": nesting deeper than 200 levels");
  std::string Objects;
  for (int I = 0; I < 100000; ++I)
    Objects += "object X: TX\n";
  const std::string Error = ErrorOf(Objects);
  EXPECT_EQ(Error, "t.dfm:201:1: nesting deeper than 200 levels");
  std::string Collections = "object X: TX\n  A = ";
  for (int I = 0; I < 100000; ++I)
    Collections += "<item A = ";
  EXPECT_NE(ErrorOf(Collections).find("nesting deeper than 200 levels"), std::string::npos);
}
