// The parser of text form files: a hand-written lexer over a character-class
// table and a recursive-descent parser that builds the DfmText tree.
#include "rtl/DfmStream.hpp"

#include "rtl/DfmStream/Internal.hpp"

#include <array>
#include <charconv>
#include <climits>

namespace DfmStream {

OV_CLASS_IMPL(EParserError, Classes::EFilerError, "DfmStream")

namespace Internal {

std::string Position(const std::string& SourceName, int Line, int Column) {
  if (SourceName.empty())
    return SysUtils::Format("%d:%d: ", Line, Column);
  return SysUtils::Format("%s:%d:%d: ", SourceName, Line, Column);
}

bool IsIdent(std::string_view S) {
  return SysUtils::IsValidIdent(S);
}

bool IsDottedIdent(std::string_view S) {
  size_t Start = 0;
  for (;;) {
    const size_t Dot = S.find('.', Start);
    if (!IsIdent(S.substr(Start, Dot == std::string_view::npos ? S.npos : Dot - Start)))
      return false;
    if (Dot == std::string_view::npos)
      return true;
    Start = Dot + 1;
  }
}

bool IsKeyword(std::string_view S) {
  using SysUtils::SameText;
  return SameText(S, "end") || SameText(S, "object") || SameText(S, "inherited") ||
         SameText(S, "inline");
}

} // namespace Internal

namespace {

using namespace DfmText;
using namespace Internal;
using SysUtils::Format;
using SysUtils::SameText;

// What a byte can start, outside strings and binary data. Every byte that
// cannot start a token is ccInvalid, so binary junk stops at its first byte
// with a message naming it instead of producing odd tokens.
enum TCharClass : uint8_t {
  ccInvalid,
  ccBlank,
  ccNewLine,
  ccIdent,
  ccDigit,
  ccMinus,
  ccQuote,
  ccHash,
  ccDollar,
  ccLBrace,
  ccSymbol
};

constexpr std::array<uint8_t, 256> MakeCharClasses() {
  std::array<uint8_t, 256> T{};
  T[' '] = T['\t'] = T['\r'] = ccBlank;
  T['\n'] = ccNewLine;
  for (int C = 'a'; C <= 'z'; ++C)
    T[static_cast<size_t>(C)] = T[static_cast<size_t>(C - 'a' + 'A')] = ccIdent;
  T['_'] = ccIdent;
  for (int C = '0'; C <= '9'; ++C)
    T[static_cast<size_t>(C)] = ccDigit;
  T['-'] = ccMinus;
  T['\''] = ccQuote;
  T['#'] = ccHash;
  T['$'] = ccDollar;
  T['{'] = ccLBrace;
  for (char C : std::string_view("=:.,[]()<>+"))
    T[static_cast<uint8_t>(C)] = ccSymbol;
  return T;
}
constexpr std::array<uint8_t, 256> CharClasses = MakeCharClasses();

constexpr std::array<int8_t, 256> MakeHexValues() {
  std::array<int8_t, 256> T{};
  for (auto& V : T)
    V = -1;
  for (int C = 0; C < 10; ++C)
    T[static_cast<size_t>('0' + C)] = static_cast<int8_t>(C);
  for (int C = 0; C < 6; ++C)
    T[static_cast<size_t>('a' + C)] = T[static_cast<size_t>('A' + C)] = static_cast<int8_t>(10 + C);
  return T;
}
constexpr std::array<int8_t, 256> HexValues = MakeHexValues();

inline uint8_t ClassOf(char C) {
  return CharClasses[static_cast<uint8_t>(C)];
}
inline bool IsIdentChar(char C) {
  const uint8_t K = ClassOf(C);
  return K == ccIdent || K == ccDigit;
}

enum class TTokenKind { tkEnd, tkIdent, tkInteger, tkFloat, tkString, tkBinary, tkSymbol };

struct TToken {
  TTokenKind Kind = TTokenKind::tkEnd;
  char Symbol = 0;
  size_t Start = 0;
  size_t End = 0;
  int Line = 1;
  int Column = 1;
  int64_t Int = 0;
  double Float = 0;
  char Suffix = 0;
  std::string Str; // strings and binary data, decoded
};

class TLexer {
public:
  TLexer(std::string_view Text, const std::string& SourceName)
      : FText(Text), FSourceName(SourceName) {
    // Editors on other systems put a byte order mark in front of UTF-8 text;
    // it is no character of the form.
    if (FText.substr(0, 3) == "\xEF\xBB\xBF") {
      FPos = 3;
      FLineExtra = 3;
    }
  }

  void Next(TToken& T);
  std::string_view TextOf(const TToken& T) const { return FText.substr(T.Start, T.End - T.Start); }

  [[noreturn]] void Error(int Line, int Column, const std::string& Msg) const {
    throw EParserError(Position(FSourceName, Line, Column) + Msg);
  }

private:
  // Columns count characters: the continuation bytes of UTF-8 sequences met
  // on the current line (only strings hold them) are left out.
  int ColumnAt(size_t Pos) const { return static_cast<int>(Pos - FLineStart - FLineExtra) + 1; }
  void NewLine(size_t NextPos) {
    ++FLine;
    FLineStart = NextPos;
    FLineExtra = 0;
  }
  [[noreturn]] void InvalidChar(size_t Pos, const char* Where) const;
  void ScanNumber(TToken& T);
  void ScanHex(TToken& T);
  void ScanString(TToken& T);
  void ScanBinary(TToken& T);
  void CheckNumberEnd(const TToken& T, size_t P) const;

  std::string_view FText;
  const std::string& FSourceName;
  size_t FPos = 0;
  int FLine = 1;
  size_t FLineStart = 0;
  size_t FLineExtra = 0;
};

void TLexer::InvalidChar(size_t Pos, const char* Where) const {
  const auto C = static_cast<uint8_t>(FText[Pos]);
  std::string What;
  uint32_t Code = 0;
  int Len = 0;
  if (C > 0x20 && C < 0x7F)
    What = Format("'%c'", static_cast<char>(C));
  else if (C < 0x80)
    What = Format("#%d", static_cast<int>(C));
  else if ((Len = DecodeUtf8(FText, Pos, Code)) > 0)
    What = "'" + std::string(FText.substr(Pos, static_cast<size_t>(Len))) + "'";
  else
    What = Format("byte $%02X", static_cast<int>(C));
  Error(FLine, ColumnAt(Pos), "invalid character " + What + Where);
}

void TLexer::Next(TToken& T) {
  const size_t N = FText.size();
  for (;;) {
    if (FPos >= N) {
      T.Kind = TTokenKind::tkEnd;
      T.Start = T.End = N;
      T.Line = FLine;
      T.Column = ColumnAt(N);
      return;
    }
    const uint8_t K = ClassOf(FText[FPos]);
    if (K == ccBlank) {
      ++FPos;
    } else if (K == ccNewLine) {
      ++FPos;
      NewLine(FPos);
    } else {
      break;
    }
  }
  T.Start = FPos;
  T.Line = FLine;
  T.Column = ColumnAt(FPos);
  switch (ClassOf(FText[FPos])) {
  case ccIdent: {
    size_t P = FPos + 1;
    while (P < N && IsIdentChar(FText[P]))
      ++P;
    FPos = P;
    T.Kind = TTokenKind::tkIdent;
    break;
  }
  case ccDigit:
    ScanNumber(T);
    break;
  case ccMinus:
    if (FPos + 1 >= N || ClassOf(FText[FPos + 1]) != ccDigit)
      Error(T.Line, T.Column, "digit expected after '-'");
    ScanNumber(T);
    break;
  case ccDollar:
    ScanHex(T);
    break;
  case ccQuote:
  case ccHash:
    ScanString(T);
    break;
  case ccLBrace:
    ScanBinary(T);
    break;
  case ccSymbol:
    T.Kind = TTokenKind::tkSymbol;
    T.Symbol = FText[FPos++];
    break;
  default:
    InvalidChar(FPos, "");
  }
  T.End = FPos;
}

// A number runs into no letter or digit: "12px" is one mistake, not a number
// followed by a name.
void TLexer::CheckNumberEnd(const TToken& T, size_t P) const {
  if (P < FText.size() && IsIdentChar(FText[P])) {
    size_t E = P;
    while (E < FText.size() && IsIdentChar(FText[E]))
      ++E;
    Error(T.Line, T.Column, "invalid number '" + Excerpt(FText.substr(T.Start, E - T.Start)) + "'");
  }
}

void TLexer::ScanNumber(TToken& T) {
  const size_t N = FText.size();
  const auto IsDigit = [&](size_t I) { return I < N && ClassOf(FText[I]) == ccDigit; };
  size_t P = FPos;
  const bool Negative = FText[P] == '-';
  if (Negative)
    ++P;
  const size_t DigitsStart = P;
  while (IsDigit(P))
    ++P;
  const size_t DigitsEnd = P;
  bool IsFloat = false;
  if (P < N && FText[P] == '.') {
    IsFloat = true;
    ++P;
    while (IsDigit(P))
      ++P;
  }
  if (P < N && (FText[P] == 'e' || FText[P] == 'E')) {
    size_t Q = P + 1;
    if (Q < N && (FText[Q] == '+' || FText[Q] == '-'))
      ++Q;
    if (IsDigit(Q)) {
      IsFloat = true;
      P = Q;
      while (IsDigit(P))
        ++P;
    }
  }
  const size_t NumberEnd = P;
  char Suffix = 0;
  if (P < N) {
    const char S = static_cast<char>(FText[P] | 0x20);
    if (S == 'c' || S == 'd' || S == 's') {
      Suffix = S;
      IsFloat = true;
      ++P;
    }
  }
  CheckNumberEnd(T, P);
  const std::string_view Number = FText.substr(FPos, NumberEnd - FPos);
  if (IsFloat) {
    double V = 0;
    const auto [End, Ec] = std::from_chars(Number.data(), Number.data() + Number.size(), V);
    if (Ec == std::errc::result_out_of_range)
      Error(T.Line, T.Column, "number " + Excerpt(Number) + " is out of range");
    if (Ec != std::errc() || End != Number.data() + Number.size())
      Error(T.Line, T.Column, "invalid number '" + Excerpt(Number) + "'");
    T.Kind = TTokenKind::tkFloat;
    T.Float = V;
    T.Suffix = Suffix;
  } else {
    // The magnitude is gathered unsigned so that the most negative value,
    // whose magnitude has no positive counterpart, still reads.
    const uint64_t Limit = Negative ? uint64_t{1} << 63 : (uint64_t{1} << 63) - 1;
    uint64_t Mag = 0;
    for (size_t I = DigitsStart; I < DigitsEnd; ++I) {
      const auto D = static_cast<uint64_t>(FText[I] - '0');
      if (Mag > (Limit - D) / 10)
        Error(T.Line, T.Column, "integer " + Excerpt(Number) + " is out of range");
      Mag = Mag * 10 + D;
    }
    T.Kind = TTokenKind::tkInteger;
    T.Int = Negative ? static_cast<int64_t>(0 - Mag) : static_cast<int64_t>(Mag);
  }
  FPos = P;
}

void TLexer::ScanHex(TToken& T) {
  const size_t N = FText.size();
  size_t P = FPos + 1;
  uint64_t V = 0;
  int Significant = 0;
  const size_t DigitsStart = P;
  while (P < N && HexValues[static_cast<uint8_t>(FText[P])] >= 0) {
    const int D = HexValues[static_cast<uint8_t>(FText[P])];
    if (Significant > 0 || D != 0)
      ++Significant;
    V = (V << 4) | static_cast<uint64_t>(D);
    ++P;
  }
  if (P == DigitsStart)
    Error(T.Line, T.Column, "hex digits expected after '$'");
  CheckNumberEnd(T, P);
  if (Significant > 16)
    Error(T.Line, T.Column,
          "integer " + Excerpt(FText.substr(FPos, P - FPos)) + " is out of range");
  // Sixteen hex digits are the 64 bits of the value, as the platform reads
  // $FFFFFFFFFFFFFFFF as -1.
  T.Kind = TTokenKind::tkInteger;
  T.Int = static_cast<int64_t>(V);
  FPos = P;
}

void TLexer::ScanString(TToken& T) {
  const size_t N = FText.size();
  std::string& S = T.Str;
  S.clear();
  size_t P = FPos;
  // A character code of a UTF-16 high surrogate waits for its low half, as
  // files written by Unicode-era tools spell characters beyond the first
  // plane as two codes.
  uint32_t PendingHigh = 0;
  size_t PendingPos = 0;
  const auto LoneSurrogate = [&](size_t Pos, uint32_t Code) {
    Error(T.Line, ColumnAt(Pos), Format("character code #%d is half of a surrogate pair", Code));
  };
  for (;;) {
    if (P < N && FText[P] == '\'') {
      if (PendingHigh)
        LoneSurrogate(PendingPos, PendingHigh);
      ++P;
      size_t Run = P;
      for (;;) {
        if (P >= N)
          Error(T.Line, T.Column, "unterminated string");
        const char C = FText[P];
        if (C == '\'') {
          S.append(FText.data() + Run, P - Run);
          if (P + 1 < N && FText[P + 1] == '\'') {
            S.push_back('\'');
            P += 2;
            Run = P;
            continue;
          }
          ++P;
          break;
        }
        if (C == '\n' || C == '\r')
          Error(T.Line, T.Column, "unterminated string");
        if (C == '\0')
          InvalidChar(P, " in string");
        if ((static_cast<uint8_t>(C) & 0xC0) == 0x80)
          ++FLineExtra;
        ++P;
      }
    } else if (P < N && FText[P] == '#') {
      const size_t CodePos = P;
      ++P;
      uint32_t Code = 0;
      const size_t DigitsStart = P;
      bool TooBig = false;
      if (P < N && FText[P] == '$') {
        ++P;
        const size_t HexStart = P;
        while (P < N && HexValues[static_cast<uint8_t>(FText[P])] >= 0) {
          Code = Code * 16 + static_cast<uint32_t>(HexValues[static_cast<uint8_t>(FText[P])]);
          TooBig = TooBig || Code > 0x10FFFF;
          if (TooBig)
            Code = 0x110000;
          ++P;
        }
        if (P == HexStart)
          Error(T.Line, ColumnAt(CodePos), "character code expected after '#'");
      } else {
        while (P < N && ClassOf(FText[P]) == ccDigit) {
          Code = Code * 10 + static_cast<uint32_t>(FText[P] - '0');
          TooBig = TooBig || Code > 0x10FFFF;
          if (TooBig)
            Code = 0x110000;
          ++P;
        }
        if (P == DigitsStart)
          Error(T.Line, ColumnAt(CodePos), "character code expected after '#'");
      }
      if (TooBig)
        Error(T.Line, ColumnAt(CodePos),
              "character code " + Excerpt(FText.substr(CodePos, P - CodePos)) + " is out of range");
      if (PendingHigh) {
        if (Code < 0xDC00 || Code > 0xDFFF)
          LoneSurrogate(PendingPos, PendingHigh);
        AppendUtf8(S, 0x10000 + ((PendingHigh - 0xD800) << 10) + (Code - 0xDC00));
        PendingHigh = 0;
      } else if (Code >= 0xD800 && Code <= 0xDBFF) {
        PendingHigh = Code;
        PendingPos = CodePos;
      } else if (Code >= 0xDC00 && Code <= 0xDFFF) {
        LoneSurrogate(CodePos, Code);
      } else {
        AppendUtf8(S, Code);
      }
    } else {
      break;
    }
  }
  if (PendingHigh)
    LoneSurrogate(PendingPos, PendingHigh);
  T.Kind = TTokenKind::tkString;
  FPos = P;
}

void TLexer::ScanBinary(TToken& T) {
  const size_t N = FText.size();
  std::string& S = T.Str;
  S.clear();
  size_t P = FPos + 1;
  int High = -1;
  for (;;) {
    if (P >= N)
      Error(T.Line, T.Column, "unterminated binary data");
    const char C = FText[P];
    if (C == '}') {
      ++P;
      break;
    }
    const int D = HexValues[static_cast<uint8_t>(C)];
    if (D >= 0) {
      if (High < 0) {
        High = D;
      } else {
        S.push_back(static_cast<char>((High << 4) | D));
        High = -1;
      }
    } else if (C == '\n') {
      NewLine(P + 1);
    } else if (C != ' ' && C != '\t' && C != '\r') {
      InvalidChar(P, " in binary data");
    }
    ++P;
  }
  if (High >= 0)
    Error(T.Line, T.Column, "binary data has an odd number of hex digits");
  T.Kind = TTokenKind::tkBinary;
  FPos = P;
}

class TParser {
public:
  TParser(std::string_view Text, const std::string& SourceName) : FLex(Text, SourceName) {
    FLex.Next(FTok);
  }

  TDfmObject ParseRoot() {
    TDfmObject Root;
    if (!IsObjectKeyword())
      Expected("'object', 'inherited' or 'inline'");
    ParseObject(Root, 1);
    if (FTok.Kind != TTokenKind::tkEnd)
      Expected("end of file");
    return Root;
  }
  std::vector<TDfmObject> ParseObjects() {
    std::vector<TDfmObject> Objects;
    do {
      if (!IsObjectKeyword())
        Expected("'object', 'inherited' or 'inline'");
      ParseObject(Objects.emplace_back(), 1);
    } while (FTok.Kind != TTokenKind::tkEnd);
    return Objects;
  }

private:
  void Next() { FLex.Next(FTok); }
  bool IsSymbol(char C) const { return FTok.Kind == TTokenKind::tkSymbol && FTok.Symbol == C; }
  bool IsKeyword(std::string_view Word) const {
    return FTok.Kind == TTokenKind::tkIdent && SameText(FLex.TextOf(FTok), Word);
  }
  bool IsObjectKeyword() const {
    return IsKeyword("object") || IsKeyword("inherited") || IsKeyword("inline");
  }

  std::string Describe() const {
    switch (FTok.Kind) {
    case TTokenKind::tkEnd:
      return "end of file";
    case TTokenKind::tkString:
      return "string " + Excerpt(FLex.TextOf(FTok));
    case TTokenKind::tkBinary:
      return "binary data";
    default:
      return "'" + Excerpt(FLex.TextOf(FTok)) + "'";
    }
  }
  [[noreturn]] void Expected(const std::string& What) const {
    FLex.Error(FTok.Line, FTok.Column, What + " expected but " + Describe() + " found");
  }
  void ExpectSymbol(char C) {
    if (!IsSymbol(C))
      Expected(std::string("'") + C + "'");
    Next();
  }
  std::string ExpectIdent() {
    if (FTok.Kind != TTokenKind::tkIdent)
      Expected("identifier");
    std::string S(FLex.TextOf(FTok));
    Next();
    return S;
  }
  void CheckDepth(int Depth) const {
    if (Depth > MaxNesting)
      FLex.Error(FTok.Line, FTok.Column, Format("nesting deeper than %d levels", MaxNesting));
  }
  int ParseOrderIndex() {
    Next(); // '['
    if (FTok.Kind != TTokenKind::tkInteger)
      Expected("integer");
    if (FTok.Int < INT_MIN || FTok.Int > INT_MAX)
      FLex.Error(FTok.Line, FTok.Column,
                 "order index " + std::string(FLex.TextOf(FTok)) + " is out of range");
    const int Index = static_cast<int>(FTok.Int);
    Next();
    ExpectSymbol(']');
    return Index;
  }

  void ParseObject(TDfmObject& O, int Depth);
  void ParseProperty(TDfmProperty& P, int Depth);
  void ParseValue(TDfmValue& V, int Depth);

  TLexer FLex;
  TToken FTok;
};

void TParser::ParseObject(TDfmObject& O, int Depth) {
  CheckDepth(Depth);
  O.Line = FTok.Line;
  O.Column = FTok.Column;
  O.Kind = IsKeyword("object")      ? TObjectKind::okObject
           : IsKeyword("inherited") ? TObjectKind::okInherited
                                    : TObjectKind::okInline;
  Next();
  std::string First = ExpectIdent();
  if (IsSymbol(':')) {
    Next();
    O.Name = std::move(First);
    O.ClassName = ExpectIdent();
  } else {
    O.ClassName = std::move(First);
  }
  if (IsSymbol('[')) {
    O.Index = ParseOrderIndex();
    O.HasIndex = true;
  }
  for (;;) {
    if (FTok.Kind != TTokenKind::tkIdent)
      Expected("property name or 'end'");
    if (IsKeyword("end")) {
      Next();
      return;
    }
    if (IsObjectKeyword()) {
      O.Children.emplace_back();
      ParseObject(O.Children.back(), Depth + 1);
    } else {
      O.Props.emplace_back();
      ParseProperty(O.Props.back(), Depth);
    }
  }
}

void TParser::ParseProperty(TDfmProperty& P, int Depth) {
  P.Line = FTok.Line;
  P.Column = FTok.Column;
  P.Name = ExpectIdent();
  while (IsSymbol('.')) {
    Next();
    if (FTok.Kind != TTokenKind::tkIdent)
      Expected("identifier");
    P.Name += '.';
    P.Name += FLex.TextOf(FTok);
    Next();
  }
  ExpectSymbol('=');
  ParseValue(P.Value, Depth);
}

void TParser::ParseValue(TDfmValue& V, int Depth) {
  V.Line = FTok.Line;
  V.Column = FTok.Column;
  switch (FTok.Kind) {
  case TTokenKind::tkInteger:
    V.Kind = TValueKind::vaInteger;
    V.Int = FTok.Int;
    Next();
    return;
  case TTokenKind::tkFloat:
    V.Kind = TValueKind::vaFloat;
    V.Float = FTok.Float;
    V.FloatSuffix = FTok.Suffix;
    Next();
    return;
  case TTokenKind::tkString:
    V.Kind = TValueKind::vaString;
    V.Str = std::move(FTok.Str);
    Next();
    while (IsSymbol('+')) {
      Next();
      if (FTok.Kind != TTokenKind::tkString)
        Expected("string");
      V.Str += FTok.Str;
      Next();
    }
    return;
  case TTokenKind::tkBinary:
    V.Kind = TValueKind::vaBinary;
    V.Str = std::move(FTok.Str);
    Next();
    return;
  case TTokenKind::tkIdent:
    V.Kind = TValueKind::vaIdent;
    V.Str = FLex.TextOf(FTok);
    Next();
    while (IsSymbol('.')) {
      Next();
      if (FTok.Kind != TTokenKind::tkIdent)
        Expected("identifier");
      V.Str += '.';
      V.Str += FLex.TextOf(FTok);
      Next();
    }
    return;
  case TTokenKind::tkSymbol:
    break;
  case TTokenKind::tkEnd:
    Expected("value");
  }
  switch (FTok.Symbol) {
  case '[':
    V.Kind = TValueKind::vaSet;
    Next();
    if (!IsSymbol(']')) {
      V.Set.push_back(ExpectIdent());
      while (IsSymbol(',')) {
        Next();
        V.Set.push_back(ExpectIdent());
      }
    }
    ExpectSymbol(']');
    return;
  case '(':
    V.Kind = TValueKind::vaList;
    CheckDepth(Depth + 1);
    Next();
    while (!IsSymbol(')')) {
      if (FTok.Kind == TTokenKind::tkEnd)
        Expected("')'");
      V.List.emplace_back();
      ParseValue(V.List.back(), Depth + 1);
    }
    Next();
    return;
  case '<':
    V.Kind = TValueKind::vaCollection;
    CheckDepth(Depth + 1);
    Next();
    while (!IsSymbol('>')) {
      if (!IsKeyword("item"))
        Expected("'item' or '>'");
      TDfmCollectionItem& Item = V.Items.emplace_back();
      Item.Line = FTok.Line;
      Item.Column = FTok.Column;
      Next();
      if (IsSymbol('[')) {
        Item.Index = ParseOrderIndex();
        Item.HasIndex = true;
      }
      while (!IsKeyword("end")) {
        if (FTok.Kind != TTokenKind::tkIdent)
          Expected("property name or 'end'");
        Item.Props.emplace_back();
        ParseProperty(Item.Props.back(), Depth + 1);
      }
      Next();
    }
    Next();
    return;
  default:
    Expected("value");
  }
}

} // namespace

DfmText::TDfmObject Parse(std::string_view Text, const std::string& SourceName) {
  // Line and column counters are ints; a text this large is no form file.
  if (Text.size() >= static_cast<size_t>(INT_MAX))
    throw EParserError(Position(SourceName, 1, 1) + "the text is too large for a form file");
  return TParser(Text, SourceName).ParseRoot();
}

std::vector<DfmText::TDfmObject> ParseObjects(std::string_view Text,
                                              const std::string& SourceName) {
  if (Text.size() >= static_cast<size_t>(INT_MAX))
    throw EParserError(Position(SourceName, 1, 1) + "the text is too large for a form file");
  return TParser(Text, SourceName).ParseObjects();
}

DfmText::TDfmObject ParseFile(const std::string& FileName) {
  return Parse(SysUtils::LoadFileToString(FileName), FileName);
}

} // namespace DfmStream
