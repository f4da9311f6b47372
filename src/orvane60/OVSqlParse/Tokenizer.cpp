// The tokenizer: a character-class table and one switch per token start, in
// the manner of hand-written database tokenizers. A generated or
// regex-driven lexer would either allocate or backtrack; this one walks every
// byte once (twice counting the line/column bookkeeping) and hands out views
// into the caller's text, which keeps a 1,500-column select list cheap.
#include "orvane60/OVSqlParse.hpp"

#include <algorithm>
#include <array>
#include <cctype>
#include <cstring>

namespace OVSqlParse {

namespace {

enum TCharClass : std::uint8_t {
  ccSpace,
  ccIdent, // letters, '_' and every byte >= 0x80: both engines treat UTF-8 as identifier text
  ccDigit,
  ccQuote,     // '
  ccDQuote,    // "
  ccBacktick,  // `
  ccLBracket,  // [
  ccRBracket,  // ]
  ccLParen,    // (
  ccRParen,    // )
  ccComma,     // ,
  ccSemicolon, // ;
  ccDot,       // .
  ccDollar,    // $
  ccColon,     // :
  ccQuestion,  // ?
  ccAt,        // @
  ccMinus,     // -
  ccSlash,     // /
  ccOp,        // + * % < > = ! ~ | & ^ #
  ccIllegal    // control bytes, NUL, \ { }
};

constexpr std::array<TCharClass, 256> MakeClassTable() {
  std::array<TCharClass, 256> T{};
  for (int C = 0; C < 256; ++C) {
    TCharClass K = ccIllegal;
    if (C >= 0x80 || (C >= 'a' && C <= 'z') || (C >= 'A' && C <= 'Z') || C == '_')
      K = ccIdent;
    else if (C >= '0' && C <= '9')
      K = ccDigit;
    else {
      switch (C) {
      case ' ':
      case '\t':
      case '\n':
      case '\r':
      case '\f':
      case '\v':
        K = ccSpace;
        break;
      case '\'':
        K = ccQuote;
        break;
      case '"':
        K = ccDQuote;
        break;
      case '`':
        K = ccBacktick;
        break;
      case '[':
        K = ccLBracket;
        break;
      case ']':
        K = ccRBracket;
        break;
      case '(':
        K = ccLParen;
        break;
      case ')':
        K = ccRParen;
        break;
      case ',':
        K = ccComma;
        break;
      case ';':
        K = ccSemicolon;
        break;
      case '.':
        K = ccDot;
        break;
      case '$':
        K = ccDollar;
        break;
      case ':':
        K = ccColon;
        break;
      case '?':
        K = ccQuestion;
        break;
      case '@':
        K = ccAt;
        break;
      case '-':
        K = ccMinus;
        break;
      case '/':
        K = ccSlash;
        break;
      case '+':
      case '*':
      case '%':
      case '<':
      case '>':
      case '=':
      case '!':
      case '~':
      case '|':
      case '&':
      case '^':
      case '#':
        K = ccOp;
        break;
      default:
        break;
      }
    }
    T[static_cast<std::size_t>(C)] = K;
  }
  return T;
}

constexpr std::array<TCharClass, 256> CharClass = MakeClassTable();

inline TCharClass ClassOf(char C) {
  return CharClass[static_cast<unsigned char>(C)];
}

// Both engines let an identifier go on with digits and '$' after its start.
inline bool IsIdentPart(char C) {
  TCharClass K = ClassOf(C);
  return K == ccIdent || K == ccDigit || K == ccDollar;
}

inline bool IsDigit(char C) {
  return C >= '0' && C <= '9';
}

inline char UpperAscii(char C) {
  return (C >= 'a' && C <= 'z') ? static_cast<char>(C - 32) : C;
}

struct TKeywordEntry {
  std::string_view Word;
  TKeyword Keyword;
};

// Kept sorted so that a word is easy to find for the reader; the lookup
// itself goes through the hash table below.
constexpr TKeywordEntry Keywords[] = {
    {"ALL", TKeyword::All},
    {"AND", TKeyword::And},
    {"ARRAY", TKeyword::Array},
    {"AS", TKeyword::As},
    {"AT", TKeyword::At},
    {"BETWEEN", TKeyword::Between},
    {"BY", TKeyword::By},
    {"CASE", TKeyword::Case},
    {"CAST", TKeyword::Cast},
    {"COLLATE", TKeyword::Collate},
    {"CROSS", TKeyword::Cross},
    {"CURRENT_CATALOG", TKeyword::CurrentCatalog},
    {"CURRENT_DATE", TKeyword::CurrentDate},
    {"CURRENT_ROLE", TKeyword::CurrentRole},
    {"CURRENT_SCHEMA", TKeyword::CurrentSchema},
    {"CURRENT_TIME", TKeyword::CurrentTime},
    {"CURRENT_TIMESTAMP", TKeyword::CurrentTimestamp},
    {"CURRENT_USER", TKeyword::CurrentUser},
    {"DISTINCT", TKeyword::Distinct},
    {"ELSE", TKeyword::Else},
    {"END", TKeyword::End},
    {"ESCAPE", TKeyword::Escape},
    {"EXCEPT", TKeyword::Except},
    {"EXISTS", TKeyword::Exists},
    {"FALSE", TKeyword::False},
    {"FETCH", TKeyword::Fetch},
    {"FILTER", TKeyword::Filter},
    {"FOR", TKeyword::For},
    {"FROM", TKeyword::From},
    {"FULL", TKeyword::Full},
    {"GLOB", TKeyword::Glob},
    {"GROUP", TKeyword::Group},
    {"HAVING", TKeyword::Having},
    {"ILIKE", TKeyword::ILike},
    {"IN", TKeyword::In},
    {"INDEXED", TKeyword::Indexed},
    {"INNER", TKeyword::Inner},
    {"INTERSECT", TKeyword::Intersect},
    {"INTO", TKeyword::Into},
    {"IS", TKeyword::Is},
    {"ISNULL", TKeyword::IsNull},
    {"JOIN", TKeyword::Join},
    {"LATERAL", TKeyword::Lateral},
    {"LEFT", TKeyword::Left},
    {"LIKE", TKeyword::Like},
    {"LIMIT", TKeyword::Limit},
    {"LOCALTIME", TKeyword::LocalTime},
    {"LOCALTIMESTAMP", TKeyword::LocalTimestamp},
    {"MATCH", TKeyword::Match},
    {"MATERIALIZED", TKeyword::Materialized},
    {"NATURAL", TKeyword::Natural},
    {"NOT", TKeyword::Not},
    {"NOTNULL", TKeyword::NotNull},
    {"NULL", TKeyword::Null},
    {"OFFSET", TKeyword::Offset},
    {"ON", TKeyword::On},
    {"ONLY", TKeyword::Only},
    {"OR", TKeyword::Or},
    {"ORDER", TKeyword::Order},
    {"OUTER", TKeyword::Outer},
    {"OVER", TKeyword::Over},
    {"RECURSIVE", TKeyword::Recursive},
    {"REGEXP", TKeyword::Regexp},
    {"RETURNING", TKeyword::Returning},
    {"RIGHT", TKeyword::Right},
    {"ROW", TKeyword::Row},
    {"SELECT", TKeyword::Select},
    {"SESSION_USER", TKeyword::SessionUser},
    {"SIMILAR", TKeyword::Similar},
    {"TABLESAMPLE", TKeyword::Tablesample},
    {"THEN", TKeyword::Then},
    {"TRUE", TKeyword::True},
    {"UNION", TKeyword::Union},
    {"USER", TKeyword::User},
    {"USING", TKeyword::Using},
    {"VALUES", TKeyword::Values},
    {"WHEN", TKeyword::When},
    {"WHERE", TKeyword::Where},
    {"WINDOW", TKeyword::Window},
    {"WITH", TKeyword::With},
    {"WITHIN", TKeyword::Within},
    {"ZONE", TKeyword::Zone},
};

constexpr std::size_t LongestKeyword = 17;

// Every identifier is looked up, so the lookup is an open-addressed hash
// table built at compile time: one hash over the upper-cased bytes (made
// while copying them) and usually a single compare.
constexpr std::uint32_t HashWord(std::string_view Upper) {
  std::uint32_t H = 2166136261u;
  for (char C : Upper)
    H = (H ^ static_cast<unsigned char>(C)) * 16777619u;
  return H;
}

constexpr std::size_t KeywordSlots = 512;

constexpr std::array<std::uint8_t, KeywordSlots> MakeKeywordTable() {
  std::array<std::uint8_t, KeywordSlots> T{};
  for (std::size_t I = 0; I < std::size(Keywords); ++I) {
    std::size_t Slot = HashWord(Keywords[I].Word) % KeywordSlots;
    while (T[Slot] != 0)
      Slot = (Slot + 1) % KeywordSlots;
    T[Slot] = static_cast<std::uint8_t>(I + 1);
  }
  return T;
}

constexpr std::array<std::uint8_t, KeywordSlots> KeywordTable = MakeKeywordTable();

TKeyword FindKeyword(std::string_view Word) {
  if (Word.size() < 2 || Word.size() > LongestKeyword)
    return TKeyword::None;
  char Buffer[LongestKeyword];
  std::uint32_t H = 2166136261u;
  for (std::size_t I = 0; I < Word.size(); ++I) {
    // No keyword holds a digit: names like COLUMN_12 leave here.
    if (IsDigit(Word[I]))
      return TKeyword::None;
    Buffer[I] = UpperAscii(Word[I]);
    H = (H ^ static_cast<unsigned char>(Buffer[I])) * 16777619u;
  }
  const std::string_view Upper(Buffer, Word.size());
  for (std::size_t Slot = H % KeywordSlots; KeywordTable[Slot] != 0;
       Slot = (Slot + 1) % KeywordSlots) {
    const TKeywordEntry& E = Keywords[KeywordTable[Slot] - 1];
    if (E.Word == Upper)
      return E.Keyword;
  }
  return TKeyword::None;
}

} // namespace

TTokenizer::TTokenizer(std::string_view Sql, TSqlDialect Dialect, bool TrackPositions) noexcept
    : FSql(Sql), FRules(DialectRules(Dialect)), FTrackPositions(TrackPositions) {}

// The gap between two tokens is a few bytes, so a plain loop beats calling
// memchr for it; the column step is computed without a branch.
TTextPosition AdvancePosition(TTextPosition Pos, std::string_view Bytes) noexcept {
  for (char Ch : Bytes) {
    const auto C = static_cast<unsigned char>(Ch);
    if (C == '\n') {
      ++Pos.Line;
      Pos.Column = 1;
    } else {
      Pos.Column += static_cast<std::uint32_t>(((C & 0xC0) != 0x80) & (C != '\r'));
    }
  }
  return Pos;
}

void TTokenizer::SyncPosition(std::size_t Offset) noexcept {
  FPosition = AdvancePosition(FPosition, FSql.substr(FSyncPos, Offset - FSyncPos));
  FSyncPos = Offset;
}

TToken TTokenizer::Make(TTokenKind Kind, std::size_t Start, std::size_t Stop) noexcept {
  TToken T;
  if (FTrackPositions) {
    SyncPosition(Start);
    T.Line = FPosition.Line;
    T.Column = FPosition.Column;
  } else {
    T.Line = T.Column = 0;
  }
  T.Kind = Kind;
  T.Text = FSql.substr(Start, Stop - Start);
  T.Offset = Start;
  FPos = Stop;
  if (Kind == TTokenKind::Identifier)
    T.Keyword = FindKeyword(T.Text);
  return T;
}

TToken TTokenizer::Fail(const char* Problem, std::size_t Start, std::size_t Stop) noexcept {
  TToken T = Make(TTokenKind::Invalid, Start, Stop);
  T.Problem = Problem;
  return T;
}

// Returns the offset just past the closing quote, or npos when the text ends
// first. A doubled closing quote stands for itself in every quoted form but
// SQLite's [x], which has no escape; PostgreSQL E'..' also lets a backslash
// escape the next byte.
std::size_t TTokenizer::ScanQuoted(std::size_t From, char Close, bool Backslash) const noexcept {
  const bool Doubling = Close != ']';
  std::size_t I = From;
  while (I < FSql.size()) {
    const char* Base = FSql.data();
    const char* Hit;
    if (Backslash) {
      Hit = Base + I;
      const char* Stop = Base + FSql.size();
      while (Hit < Stop && *Hit != Close && *Hit != '\\')
        ++Hit;
      if (Hit == Stop)
        return std::string_view::npos;
    } else {
      Hit = static_cast<const char*>(std::memchr(Base + I, Close, FSql.size() - I));
      if (!Hit)
        return std::string_view::npos;
    }
    I = static_cast<std::size_t>(Hit - Base);
    if (*Hit == '\\') {
      I += 2;
      continue;
    }
    if (Doubling && I + 1 < FSql.size() && FSql[I + 1] == Close) {
      I += 2;
      continue;
    }
    return I + 1;
  }
  return std::string_view::npos;
}

std::size_t TTokenizer::ScanIdentChars(std::size_t From) const noexcept {
  std::size_t I = From;
  while (I < FSql.size() && IsIdentPart(FSql[I]))
    ++I;
  return I;
}

std::size_t TTokenizer::ScanNumber(std::size_t From) const noexcept {
  std::size_t I = From;
  const std::size_t N = FSql.size();
  if (FRules.HexNumbers && FSql[I] == '0' && I + 2 < N &&
      (FSql[I + 1] == 'x' || FSql[I + 1] == 'X') &&
      std::isxdigit(static_cast<unsigned char>(FSql[I + 2]))) {
    I += 2;
    while (I < N && std::isxdigit(static_cast<unsigned char>(FSql[I])))
      ++I;
    return I;
  }
  while (I < N && IsDigit(FSql[I]))
    ++I;
  // "1..2" is not a number followed by ".2" in any dialect we read, but a
  // single dot followed by digits (or nothing) belongs to the number.
  if (I < N && FSql[I] == '.' && !(I + 1 < N && FSql[I + 1] == '.')) {
    ++I;
    while (I < N && IsDigit(FSql[I]))
      ++I;
  }
  if (I < N && (FSql[I] == 'e' || FSql[I] == 'E')) {
    std::size_t J = I + 1;
    if (J < N && (FSql[J] == '+' || FSql[J] == '-'))
      ++J;
    if (J < N && IsDigit(FSql[J])) {
      I = J;
      while (I < N && IsDigit(FSql[I]))
        ++I;
    }
  }
  return I;
}

// The server's operator rule: the longest run of operator characters, cut
// before an embedded comment start, and with trailing + and - given back
// unless the run holds a character that only operators use (so "*-1" reads as
// "*" then "-1", while "@-" stays one operator).
std::size_t TTokenizer::ScanPgOperator(std::size_t From) const noexcept {
  static constexpr std::string_view OpChars = "~!@#^&|`?+-*/%<>=";
  std::size_t I = From;
  while (I < FSql.size() && OpChars.find(FSql[I]) != std::string_view::npos) {
    if (I > From &&
        ((FSql[I - 1] == '-' && FSql[I] == '-') || (FSql[I - 1] == '/' && FSql[I] == '*'))) {
      --I;
      break;
    }
    ++I;
  }
  if (I == From)
    return From + 1;
  std::size_t Len = I - From;
  if (Len > 1 && (FSql[I - 1] == '+' || FSql[I - 1] == '-')) {
    std::string_view Op = FSql.substr(From, Len);
    if (Op.find_first_of("~!@#^&|`?%") == std::string_view::npos) {
      do {
        --Len;
      } while (Len > 1 && (FSql[From + Len - 1] == '+' || FSql[From + Len - 1] == '-'));
    }
  }
  return From + Len;
}

bool TTokenizer::SkipBlockComment() noexcept {
  // PostgreSQL nests block comments, the others end at the first */.
  const bool Nests = FRules.NestedComments;
  std::size_t Depth = 1;
  std::size_t I = FPos + 2;
  const std::size_t N = FSql.size();
  while (I + 1 < N) {
    if (FSql[I] == '*' && FSql[I + 1] == '/') {
      I += 2;
      if (--Depth == 0) {
        FPos = I;
        return true;
      }
    } else if (Nests && FSql[I] == '/' && FSql[I + 1] == '*') {
      I += 2;
      ++Depth;
    } else {
      ++I;
    }
  }
  return false;
}

TToken TTokenizer::ScanDollar(std::size_t Start) noexcept {
  const std::size_t N = FSql.size();
  std::size_t I = Start + 1;
  if (!FRules.DollarQuotes) {
    std::size_t Stop = ScanIdentChars(I);
    if (Stop == I)
      return Fail("a parameter name must follow '$'", Start, I);
    return Make(TTokenKind::Parameter, Start, Stop);
  }
  if (I < N && IsDigit(FSql[I])) {
    while (I < N && IsDigit(FSql[I]))
      ++I;
    return Make(TTokenKind::Parameter, Start, I);
  }
  // Dollar quoting: $tag$ ... $tag$, where the tag is empty or an identifier
  // without '$'. The body is searched for the closing tag with find(), which
  // stays linear because the tag is short and fixed.
  while (I < N && (ClassOf(FSql[I]) == ccIdent || (I > Start + 1 && IsDigit(FSql[I]))))
    ++I;
  if (I >= N || FSql[I] != '$')
    return Fail("'$' starts neither a parameter nor a dollar-quoted string", Start, Start + 1);
  std::string_view Tag = FSql.substr(Start, I + 1 - Start);
  std::size_t Close = FSql.find(Tag, I + 1);
  if (Close == std::string_view::npos)
    return Fail("unterminated dollar-quoted string", Start, N);
  return Make(TTokenKind::String, Start, Close + Tag.size());
}

TToken TTokenizer::ScanColon(std::size_t Start) noexcept {
  const std::size_t N = FSql.size();
  std::size_t I = Start + 1;
  if (I < N && FSql[I] == ':')
    return Make(TTokenKind::Operator, Start, I + 1);
  if (I < N && FSql[I] == '=' && FRules.ColonEquals)
    return Make(TTokenKind::Operator, Start, I + 1);
  if (I < N && FSql[I] == '"') {
    std::size_t Stop = ScanQuoted(I + 1, '"', false);
    if (Stop == std::string_view::npos)
      return Fail("unterminated quoted parameter name", Start, N);
    return Make(TTokenKind::Parameter, Start, Stop);
  }
  // PostgreSQL array slices write a[1:2]: a digit after the colon is no name
  // there. SQLite has no slices and accepts :1 as a parameter name.
  if (I < N && (ClassOf(FSql[I]) == ccIdent || (FRules.DigitColonParams && IsDigit(FSql[I]))))
    return Make(TTokenKind::Parameter, Start, ScanIdentChars(I));
  if (FRules.ColonOperator)
    return Make(TTokenKind::Operator, Start, I);
  return Fail("a parameter name must follow ':'", Start, I);
}

// An operator at Start: PostgreSQL's run of operator characters, else the
// longest of the two- and three-character operators the dialects share
// (MySQL's <=> and &&), else one byte.
TToken TTokenizer::ScanOperator(std::size_t Start) noexcept {
  if (FRules.OperatorRuns)
    return Make(TTokenKind::Operator, Start, ScanPgOperator(Start));
  if (FSql.substr(Start, 3) == "<=>")
    return Make(TTokenKind::Operator, Start, Start + 3);
  static constexpr std::string_view Pairs[] = {"||", "<=", ">=", "<>", "<<", ">>", "==", "!="};
  const std::string_view Two = FSql.substr(Start, 2);
  for (std::string_view P : Pairs)
    if (Two == P)
      return Make(TTokenKind::Operator, Start, Start + 2);
  if (Two == "&&")
    return Make(TTokenKind::Operator, Start, Start + 2);
  return Make(TTokenKind::Operator, Start, Start + 1);
}

TToken TTokenizer::Next() noexcept {
  const std::size_t N = FSql.size();
  for (;;) {
    if (FPos >= N)
      return Make(TTokenKind::End, N, N);
    const std::size_t Start = FPos;
    const char C = FSql[Start];
    const char C1 = Start + 1 < N ? FSql[Start + 1] : '\0';
    const TDialectRules& R = FRules;
    switch (ClassOf(C)) {
    case ccSpace:
      ++FPos;
      while (FPos < N && ClassOf(FSql[FPos]) == ccSpace)
        ++FPos;
      continue;
    case ccMinus:
      if (C1 == '-' && (!R.DashCommentsNeedBlank || Start + 2 >= N ||
                        static_cast<unsigned char>(FSql[Start + 2]) <= ' ')) {
        const void* Eol = std::memchr(FSql.data() + Start, '\n', N - Start);
        FPos = Eol ? static_cast<std::size_t>(static_cast<const char*>(Eol) - FSql.data()) : N;
        continue;
      }
      if (R.OperatorRuns)
        return Make(TTokenKind::Operator, Start, ScanPgOperator(Start));
      if (C1 == '>' && R.JsonArrows) // the -> and ->> JSON operators
        return Make(TTokenKind::Operator, Start,
                    Start + (Start + 2 < N && FSql[Start + 2] == '>' ? 3 : 2));
      return Make(TTokenKind::Operator, Start, Start + 1);
    case ccSlash:
      if (C1 == '*') {
        if (!SkipBlockComment())
          return Fail("unterminated comment", Start, N);
        continue;
      }
      if (R.OperatorRuns)
        return Make(TTokenKind::Operator, Start, ScanPgOperator(Start));
      return Make(TTokenKind::Operator, Start, Start + 1);
    case ccIdent: {
      // Prefixed literals: E'..' B'..' X'..' N'..' U&'..' U&"..". Decided on
      // the first two bytes so that an ordinary identifier costs nothing.
      const char U = UpperAscii(C);
      if (C1 == '\'') {
        if (U == 'X' || (R.PrefixedStrings && (U == 'E' || U == 'B' || U == 'N'))) {
          std::size_t Stop = ScanQuoted(Start + 2, '\'', R.BackslashEscapes || U == 'E');
          if (Stop == std::string_view::npos)
            return Fail("unterminated string literal", Start, N);
          return Make(TTokenKind::String, Start, Stop);
        }
      }
      if (R.UnicodeNames && U == 'U' && C1 == '&' && Start + 2 < N &&
          (FSql[Start + 2] == '\'' || FSql[Start + 2] == '"')) {
        const char Q = FSql[Start + 2];
        std::size_t Stop = ScanQuoted(Start + 3, Q, false);
        if (Stop == std::string_view::npos)
          return Fail(Q == '"' ? "unterminated quoted identifier" : "unterminated string literal",
                      Start, N);
        return Make(Q == '"' ? TTokenKind::QuotedIdentifier : TTokenKind::String, Start, Stop);
      }
      return Make(TTokenKind::Identifier, Start, ScanIdentChars(Start + 1));
    }
    case ccDigit:
      return Make(TTokenKind::Number, Start, ScanNumber(Start));
    case ccDot:
      if (IsDigit(C1))
        return Make(TTokenKind::Number, Start, ScanNumber(Start));
      return Make(TTokenKind::Dot, Start, Start + 1);
    case ccQuote: {
      std::size_t Stop = ScanQuoted(Start + 1, '\'', R.BackslashEscapes);
      if (Stop == std::string_view::npos)
        return Fail("unterminated string literal", Start, N);
      return Make(TTokenKind::String, Start, Stop);
    }
    case ccDQuote: {
      if (!R.DoubleQuotedNames) {
        std::size_t Stop = ScanQuoted(Start + 1, '"', R.BackslashEscapes);
        if (Stop == std::string_view::npos)
          return Fail("unterminated string literal", Start, N);
        return Make(TTokenKind::String, Start, Stop);
      }
      std::size_t Stop = ScanQuoted(Start + 1, '"', false);
      if (Stop == std::string_view::npos)
        return Fail("unterminated quoted identifier", Start, N);
      return Make(TTokenKind::QuotedIdentifier, Start, Stop);
    }
    case ccBacktick:
      if (!R.BacktickNames)
        return ScanOperator(Start);
      {
        std::size_t Stop = ScanQuoted(Start + 1, '`', false);
        if (Stop == std::string_view::npos)
          return Fail("unterminated quoted identifier", Start, N);
        return Make(TTokenKind::QuotedIdentifier, Start, Stop);
      }
    case ccLBracket:
      if (!R.BracketNames)
        return Make(TTokenKind::LeftBracket, Start, Start + 1);
      {
        std::size_t Stop = ScanQuoted(Start + 1, ']', false);
        if (Stop == std::string_view::npos)
          return Fail("unterminated quoted identifier", Start, N);
        return Make(TTokenKind::QuotedIdentifier, Start, Stop);
      }
    case ccRBracket:
      if (!R.BracketNames)
        return Make(TTokenKind::RightBracket, Start, Start + 1);
      return Fail("unexpected ']'", Start, Start + 1);
    case ccLParen:
      return Make(TTokenKind::LeftParen, Start, Start + 1);
    case ccRParen:
      return Make(TTokenKind::RightParen, Start, Start + 1);
    case ccComma:
      return Make(TTokenKind::Comma, Start, Start + 1);
    case ccSemicolon:
      return Make(TTokenKind::Semicolon, Start, Start + 1);
    case ccDollar:
      return ScanDollar(Start);
    case ccColon:
      return ScanColon(Start);
    case ccQuestion:
      if (!R.QuestionParams)
        return ScanOperator(Start);
      {
        std::size_t I = Start + 1;
        while (I < N && IsDigit(FSql[I]))
          ++I;
        return Make(TTokenKind::Parameter, Start, I);
      }
    case ccAt:
      if (!R.AtParams)
        return ScanOperator(Start);
      {
        std::size_t From = Start + 1;
        if (R.SystemVariables && From < N && FSql[From] == '@') // @@system_variable
          ++From;
        std::size_t Stop = ScanIdentChars(From);
        if (Stop == From)
          return Fail("a parameter name must follow '@'", Start, Start + 1);
        return Make(TTokenKind::Parameter, Start, Stop);
      }
    case ccOp:
      if (C == '#' && R.HashComments) {
        const void* Eol = std::memchr(FSql.data() + Start, '\n', N - Start);
        FPos = Eol ? static_cast<std::size_t>(static_cast<const char*>(Eol) - FSql.data()) : N;
        continue;
      }
      if (!R.OperatorRuns && (C == '#' || (C == '!' && C1 != '=' && !R.BangIsNot)))
        return Fail("unexpected character", Start, Start + 1);
      return ScanOperator(Start);
    case ccIllegal:
    default:
      return Fail("unexpected character", Start, Start + 1);
    }
  }
}

std::vector<TToken> Tokenize(std::string_view Sql, TSqlDialect Dialect) {
  std::vector<TToken> Tokens;
  // Select lists run at about a token per three to four bytes ("c.ID, "
  // is four tokens in six); reserving for that avoids copying the vector
  // over and over on long statements.
  Tokens.reserve(Sql.size() / 3 + 4);
  TTokenizer Tokenizer(Sql, Dialect);
  for (;;) {
    Tokens.push_back(Tokenizer.Next());
    if (Tokens.back().Kind == TTokenKind::End)
      break;
  }
  return Tokens;
}

namespace {

void AppendUtf8(std::string& Out, std::uint32_t Cp) {
  if (Cp < 0x80) {
    Out += static_cast<char>(Cp);
  } else if (Cp < 0x800) {
    Out += static_cast<char>(0xC0 | (Cp >> 6));
    Out += static_cast<char>(0x80 | (Cp & 0x3F));
  } else if (Cp < 0x10000) {
    Out += static_cast<char>(0xE0 | (Cp >> 12));
    Out += static_cast<char>(0x80 | ((Cp >> 6) & 0x3F));
    Out += static_cast<char>(0x80 | (Cp & 0x3F));
  } else {
    Out += static_cast<char>(0xF0 | (Cp >> 18));
    Out += static_cast<char>(0x80 | ((Cp >> 12) & 0x3F));
    Out += static_cast<char>(0x80 | ((Cp >> 6) & 0x3F));
    Out += static_cast<char>(0x80 | (Cp & 0x3F));
  }
}

// U&"..." with the default escape character: \XXXX, \+XXXXXX and \\. An
// escape that does not parse is kept as written rather than guessed at.
std::string DecodeUnicodeEscapes(std::string_view Body) {
  std::string Out;
  Out.reserve(Body.size());
  for (std::size_t I = 0; I < Body.size(); ++I) {
    if (Body[I] != '\\') {
      Out += Body[I];
      continue;
    }
    if (I + 1 < Body.size() && Body[I + 1] == '\\') {
      Out += '\\';
      ++I;
      continue;
    }
    std::size_t Digits = 4;
    std::size_t From = I + 1;
    if (From < Body.size() && Body[From] == '+') {
      Digits = 6;
      ++From;
    }
    std::uint32_t Cp = 0;
    bool Ok = From + Digits <= Body.size();
    for (std::size_t K = 0; Ok && K < Digits; ++K) {
      char H = Body[From + K];
      if (!std::isxdigit(static_cast<unsigned char>(H)))
        Ok = false;
      else
        Cp =
            Cp * 16 + static_cast<std::uint32_t>(IsDigit(H) ? H - '0' : (UpperAscii(H) - 'A' + 10));
    }
    if (!Ok || Cp > 0x10FFFF) {
      Out += '\\';
      continue;
    }
    AppendUtf8(Out, Cp);
    I = From + Digits - 1;
  }
  return Out;
}

std::string Undouble(std::string_view Body, char Quote) {
  // Most quoted names hold no doubled quote: copy them whole.
  std::size_t Hit = Body.find(Quote);
  if (Hit == std::string_view::npos)
    return std::string(Body);
  std::string Out(Body.substr(0, Hit));
  for (std::size_t I = Hit; I < Body.size(); ++I) {
    Out += Body[I];
    if (Body[I] == Quote && I + 1 < Body.size() && Body[I + 1] == Quote)
      ++I;
  }
  return Out;
}

// The text of a string literal's body in a dialect where backslashes
// escape: \n, \t, \r, \0, \b, \Z (^Z) stand for control bytes, \% and \_
// keep their backslash (they are LIKE escapes), any other escaped byte
// stands for itself, and a doubled quote for one quote.
std::string UnescapeString(std::string_view Body, char Quote) {
  std::string Out;
  Out.reserve(Body.size());
  for (std::size_t I = 0; I < Body.size(); ++I) {
    const char C = Body[I];
    if (C == Quote && I + 1 < Body.size() && Body[I + 1] == Quote) {
      Out += Quote;
      ++I;
    } else if (C == '\\' && I + 1 < Body.size()) {
      const char E = Body[++I];
      switch (E) {
      case 'n':
        Out += '\n';
        break;
      case 't':
        Out += '\t';
        break;
      case 'r':
        Out += '\r';
        break;
      case '0':
        Out += '\0';
        break;
      case 'b':
        Out += '\b';
        break;
      case 'Z':
        Out += '\x1a';
        break;
      case '%':
      case '_':
        Out += '\\';
        Out += E;
        break;
      default:
        Out += E;
      }
    } else {
      Out += C;
    }
  }
  return Out;
}

} // namespace

std::string IdentifierName(std::string_view Text, TSqlDialect Dialect) {
  const TDialectRules& R = DialectRules(Dialect);
  if (Text.size() >= 2) {
    const char First = Text.front();
    const char Last = Text.back();
    const std::string_view Body = Text.substr(1, Text.size() - 2);
    if (First == '"' && Last == '"')
      return R.BackslashEscapes && !R.DoubleQuotedNames ? UnescapeString(Body, '"')
                                                        : Undouble(Body, '"');
    if (R.BacktickNames && First == '`' && Last == '`')
      return Undouble(Body, '`');
    if (R.BracketNames && First == '[' && Last == ']')
      return std::string(Body);
    // A string literal serves as a name where the dialect takes one as an alias.
    if (R.StringNames && First == '\'' && Last == '\'')
      return R.BackslashEscapes ? UnescapeString(Body, '\'') : Undouble(Body, '\'');
    if (R.UnicodeNames && Text.size() >= 4 && UpperAscii(First) == 'U' && Text[1] == '&' &&
        Text[2] == '"' && Last == '"')
      return DecodeUnicodeEscapes(Undouble(Text.substr(3, Text.size() - 4), '"'));
  }
  std::string Out(Text);
  // The server folds bare names to lower case byte by byte for ASCII only,
  // leaving multibyte characters alone.
  if (R.FoldsBareNames)
    for (char& C : Out)
      if (C >= 'A' && C <= 'Z')
        C = static_cast<char>(C + 32);
  return Out;
}

std::vector<std::string> SplitName(std::string_view Name, TSqlDialect Dialect) {
  std::vector<std::string> Parts;
  TTokenizer Tokenizer(Name, Dialect);
  bool WantName = true;
  for (;;) {
    TToken T = Tokenizer.Next();
    if (T.Kind == TTokenKind::End)
      break;
    if (WantName && (T.Kind == TTokenKind::Identifier || T.Kind == TTokenKind::QuotedIdentifier)) {
      Parts.push_back(IdentifierName(T.Text, Dialect));
      WantName = false;
    } else if (!WantName && T.Kind == TTokenKind::Dot) {
      WantName = true;
    } else {
      return {};
    }
  }
  if (WantName)
    return {};
  return Parts;
}

} // namespace OVSqlParse
