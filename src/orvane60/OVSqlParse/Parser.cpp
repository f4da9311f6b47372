// The SELECT parser: reads the select list and the FROM clause of one
// statement (with its WITH queries) and works out, for every result column,
// the name the engine gives it and the base-table column it comes from.
//
// It is not a full SQL grammar on purpose. Expressions are skipped as token
// runs, jumping over bracketed groups through a match table built once up
// front, so deep nesting costs neither stack nor quadratic rescans; only
// queries in FROM and WITH, parenthesised joins and a few naming rules
// recurse, and those are bounded by MaxNesting.
#include "orvane60/OVSqlParse.hpp"

#include <algorithm>
#include <cstdint>
#include <deque>
#include <iterator>
#include <memory>
#include <unordered_map>
#include <unordered_set>

namespace OVSqlParse {

namespace {

constexpr int MaxNesting = 100;
constexpr std::size_t MaxProblems = 100;
// A result holds at most MaxSelectFields fields, and a statement makes at
// most MaxColumns columns over all its SELECTs, so that a short statement of
// many '*' over wide tables cannot make millions.
constexpr std::size_t MaxFields = MaxSelectFields;
constexpr std::size_t MaxColumns = 16 * MaxFields;
constexpr std::uint32_t NoMatch = UINT32_MAX;

char LowerAscii(char C) {
  return (C >= 'A' && C <= 'Z') ? static_cast<char>(C + 32) : C;
}

std::string LowerKey(std::string_view S) {
  std::string Out(S);
  for (char& C : Out)
    C = LowerAscii(C);
  return Out;
}

bool IEquals(std::string_view A, std::string_view B) {
  if (A.size() != B.size())
    return false;
  for (std::size_t I = 0; I < A.size(); ++I)
    if (LowerAscii(A[I]) != LowerAscii(B[I]))
      return false;
  return true;
}

enum class TJoin { First, Comma, Inner, Left, Right, Full, Cross };

// A column that a query block yields or a FROM item offers.
struct TColumn {
  std::string Name;    // the engine's name for it as a result column
  std::string RefName; // the name an enclosing query sees it under
  bool HasOrigin = false;
  const std::string* Table = nullptr; // the parser's copy of the FROM clause's name
  std::string Column;
};

struct TBlock {
  std::vector<TColumn> Columns;
  std::vector<TSelectTable> Tables; // of the first SELECT's FROM clause
  bool Complete = true;             // false when some column could not be listed
  bool Compound = false;
};

struct TCte {
  std::string Name;
  std::vector<std::string> ColumnNames; // WITH x(a, b) AS ...
  std::shared_ptr<TBlock> Body;
  bool Recursive = false;
};

struct TFromItem {
  TSelectTable Table;
  std::vector<std::string> NameParts;  // base tables and WITH references
  const std::string* Origin = nullptr; // base tables: the name that fields point to
  std::string AliasName;
  bool HasAlias = false;
  std::shared_ptr<const TBlock> Sub; // subquery or WITH query body
  std::shared_ptr<const TCte> Cte;
  bool Function = false;
  std::vector<std::string> ColumnAliases;
  TJoin Join = TJoin::First;
  bool Natural = false;
  std::vector<std::string> Using;
  bool Loaded = false;
  std::optional<std::vector<TColumn>> Columns;
  std::unordered_map<std::string, std::size_t> Index;
  // A base table's column names as the catalogue gives them, asked for once.
  bool CatalogAsked = false;
  std::optional<std::vector<std::string>> Catalog;
};

// The parser's own copy of a token, a quarter of TToken's size: a long
// select list runs to tens of thousands of tokens, and their memory, touched
// once, is a good part of what a parse costs. Lines and columns are worked
// out only for the tokens that a problem note names.
struct TCompactToken {
  std::uint32_t Offset = 0;
  std::uint32_t Length = 0;
  TTokenKind Kind = TTokenKind::End;
  TKeyword Keyword = TKeyword::None;
};

struct TPgName {
  std::string Name;
  int Strength = 0; // the server's rule: 2 a real name, 1 a fallback, 0 none
};

class TParser {
public:
  TParser(std::string_view Sql, TSqlDialect Dialect, const TColumnLookup& Lookup)
      : FSql(Sql), FDialect(Dialect), R(DialectRules(Dialect)), FLookup(Lookup) {}

  TSelectInfo Run();

private:
  // Token access never runs past End, so lookahead needs no bounds checks.
  const TCompactToken& Tok(std::size_t I) const { return I < FTok.size() ? FTok[I] : FTok.back(); }
  std::string_view Text(std::size_t I) const {
    const TCompactToken& T = Tok(I);
    return FSql.substr(T.Offset, T.Length);
  }
  bool Is(std::size_t I, TTokenKind K) const { return Tok(I).Kind == K; }
  bool IsKw(std::size_t I, TKeyword K) const { return Tok(I).Keyword == K; }
  bool IsName(std::size_t I) const {
    return Is(I, TTokenKind::Identifier) || Is(I, TTokenKind::QuotedIdentifier);
  }
  bool IsOp(std::size_t I, std::string_view Op) const {
    return Is(I, TTokenKind::Operator) && Text(I) == Op;
  }
  bool IsWord(std::size_t I, std::string_view W) const {
    return Is(I, TTokenKind::Identifier) && IEquals(Text(I), W);
  }
  std::string Norm(std::size_t I) const { return IdentifierName(Text(I), FDialect); }
  std::string Key(std::string_view Name) const {
    return R.ExactNames ? std::string(Name) : LowerKey(Name);
  }
  bool SameName(std::string_view A, std::string_view B) const {
    return R.ExactNames ? A == B : IEquals(A, B);
  }
  // A MySQL index hint starts at I: USE, FORCE or IGNORE, then INDEX or KEY.
  bool IndexHintAt(std::size_t I) const {
    return R.IndexHints && (IsWord(I, "use") || IsWord(I, "force") || IsWord(I, "ignore")) &&
           (IsWord(I + 1, "index") || IsWord(I + 1, "key"));
  }
  // A string literal written where an alias goes.
  bool IsStringAlias(std::size_t I) const { return R.StringNames && Is(I, TTokenKind::String); }
  std::string_view Span(std::size_t Begin, std::size_t End) const {
    const TCompactToken& Last = Tok(End - 1);
    return FSql.substr(Tok(Begin).Offset, Last.Offset + Last.Length - Tok(Begin).Offset);
  }
  std::size_t After(std::size_t Open) const {
    return FMatch[Open] == NoMatch ? FTok.size() - 1 : FMatch[Open] + 1;
  }

  void Problem(const TCompactToken& At, const std::string& Message);
  bool RoomFor(TBlock& Block, std::size_t Count, const TCompactToken& At);
  void Tokenize();
  void BuildMatches();

  std::shared_ptr<TBlock> ParseQuery();
  void ParseWith();
  std::shared_ptr<TBlock> ParseCoreOrParen();
  std::shared_ptr<TBlock> ParseCore();
  std::shared_ptr<TBlock> ParseValues();
  void ExpectClose(std::size_t Open);
  template <class TStops> void SkipTo(bool AtComma, TStops Stops);
  void ScanItem();
  bool EndsSelectItem(std::size_t I) const;
  void SkipClauses();
  void SkipJoinCondition();
  void ParseFromList(std::vector<TFromItem>& From);
  void ParseFromItem(std::vector<TFromItem>& From, TJoin Join, bool Natural);
  void ParseAlias(TFromItem& Item);
  std::vector<std::string> ParseNameList();

  void ResolveItems(const std::vector<std::pair<std::size_t, std::size_t>>& Items,
                    std::vector<TFromItem>& From, TBlock& Block);
  const std::optional<std::vector<TColumn>>& ColumnsOf(TFromItem& Item);
  const std::vector<std::string>* CatalogColumns(TFromItem& Item);
  const TColumn* FindColumn(TFromItem& Item, const std::string& Name);
  bool JoinUses(std::vector<TFromItem>& From, std::size_t K, const std::string& Name);
  TFromItem* ResolveUnqualified(std::vector<TFromItem>& From, const std::string& Name,
                                bool& Merged);
  TFromItem* FindQualified(std::vector<TFromItem>& From, std::size_t Begin, std::size_t End);
  void ExpandStar(std::vector<TFromItem>& From, TFromItem* Only, const TCompactToken& At,
                  TBlock& Block);
  TColumn ResolveColumnRef(std::size_t Begin, std::size_t End, std::vector<TFromItem>& From);

  TPgName FigurePg(std::size_t Begin, std::size_t End);
  bool PgPrimary(std::size_t& P, std::size_t End, TPgName& Out);
  std::pair<std::string, std::size_t> PgType(std::size_t P, std::size_t End) const;
  std::string SubqueryFirstName(std::size_t Open);

  std::string_view FSql;
  TSqlDialect FDialect;
  const TDialectRules& R;
  const TColumnLookup& FLookup;
  std::vector<TCompactToken> FTok;
  std::vector<std::uint32_t> FMatch;
  std::size_t FPos = 0;
  int FDepth = 0;
  int FQuiet = 0;
  std::size_t FColumnsMade = 0;
  bool FTooManyFields = false;
  std::vector<std::shared_ptr<TCte>> FCtes;
  // Base table names as written, one per table reference, at stable
  // addresses: every column of a table points to its name instead of
  // carrying a copy until the fields are built.
  std::deque<std::string> FTableNames;
  std::vector<std::string> FProblems;
  std::uint32_t FNoteOffset = 0;
  TTextPosition FNotePosition;
};

// Keeps recursion bounded: hostile input with thousands of nested subqueries
// must come back with a problem note, not a stack overflow.
class TNesting {
public:
  explicit TNesting(int& Depth) : FDepth(Depth) { ++FDepth; }
  ~TNesting() { --FDepth; }
  TNesting(const TNesting&) = delete;
  TNesting& operator=(const TNesting&) = delete;
  bool TooDeep() const { return FDepth > MaxNesting; }

private:
  int& FDepth;
};

// The field names taken so far, compared without regard to ASCII case: an
// open-addressed table of indexes into the fields, so that making 1,500
// names unique costs no allocation per name.
class TNameSet {
public:
  explicit TNameSet(std::size_t Count) {
    std::size_t Size = 16;
    while (Size < Count * 2)
      Size *= 2;
    FSlots.assign(Size, 0);
  }
  bool Contains(std::string_view Name, const std::vector<TSelectField>& Fields) const {
    for (std::size_t S = Hash(Name) & (FSlots.size() - 1); FSlots[S];
         S = (S + 1) & (FSlots.size() - 1))
      if (IEquals(Fields[FSlots[S] - 1].FieldName, Name))
        return true;
    return false;
  }
  void Add(std::string_view Name, std::size_t Index) {
    std::size_t S = Hash(Name) & (FSlots.size() - 1);
    while (FSlots[S])
      S = (S + 1) & (FSlots.size() - 1);
    FSlots[S] = Index + 1;
  }

private:
  static std::size_t Hash(std::string_view Name) {
    std::size_t H = 14695981039346656037ull;
    for (char C : Name)
      H = (H ^ static_cast<unsigned char>(LowerAscii(C))) * 1099511628211ull;
    return H;
  }
  std::vector<std::size_t> FSlots;
};

void TParser::Problem(const TCompactToken& At, const std::string& Message) {
  if (FQuiet || FProblems.size() > MaxProblems)
    return;
  // Notes come mostly in text order, so each position is counted on from the
  // previous note's; the cap keeps garbage input from costing more than a
  // bounded number of passes and an unbounded list.
  if (At.Offset < FNoteOffset) {
    FNoteOffset = 0;
    FNotePosition = TTextPosition{};
  }
  FNotePosition = AdvancePosition(FNotePosition, FSql.substr(FNoteOffset, At.Offset - FNoteOffset));
  FNoteOffset = At.Offset;
  std::string Where = "line " + std::to_string(FNotePosition.Line) + ", column " +
                      std::to_string(FNotePosition.Column) + ": ";
  if (FProblems.size() == MaxProblems)
    FProblems.push_back(Where + "further problems are not listed");
  else
    FProblems.push_back(Where + Message);
}

// Whether Count more columns fit into Block; past the limits the columns are
// left out, the block is incomplete and the statement says so once.
bool TParser::RoomFor(TBlock& Block, std::size_t Count, const TCompactToken& At) {
  if (Block.Columns.size() + Count <= MaxFields && FColumnsMade + Count <= MaxColumns) {
    FColumnsMade += Count;
    return true;
  }
  if (!FTooManyFields)
    Problem(At, "the statement gives more than " + std::to_string(MaxFields) +
                    " fields; the rest are left out");
  FTooManyFields = true;
  Block.Complete = false;
  return false;
}

std::string Quoted(std::string_view Text) {
  constexpr std::size_t Longest = 40;
  if (Text.size() > Longest)
    return "'" + std::string(Text.substr(0, Longest)) + "...'";
  return "'" + std::string(Text) + "'";
}

void TParser::Tokenize() {
  // Select lists run at about a token per three to four bytes ("c.ID, " is
  // four tokens in six); reserving for that avoids regrowing the array.
  FTok.reserve(FSql.size() / 3 + 4);
  TTokenizer Tokenizer(FSql, FDialect, false);
  for (;;) {
    const TToken T = Tokenizer.Next();
    TCompactToken C;
    C.Offset = static_cast<std::uint32_t>(T.Offset);
    C.Length = static_cast<std::uint32_t>(T.Text.size());
    C.Kind = T.Kind;
    C.Keyword = T.Keyword;
    FTok.push_back(C);
    if (T.Kind == TTokenKind::Invalid)
      Problem(C, T.Problem ? T.Problem : "invalid token");
    if (T.Kind == TTokenKind::End)
      break;
  }
}

void TParser::BuildMatches() {
  FMatch.assign(FTok.size(), NoMatch);
  std::vector<std::size_t> Open;
  for (std::size_t I = 0; I < FTok.size(); ++I) {
    TTokenKind K = FTok[I].Kind;
    if (K == TTokenKind::LeftParen || K == TTokenKind::LeftBracket) {
      Open.push_back(I);
    } else if (K == TTokenKind::RightParen || K == TTokenKind::RightBracket) {
      TTokenKind Want =
          K == TTokenKind::RightParen ? TTokenKind::LeftParen : TTokenKind::LeftBracket;
      if (!Open.empty() && FTok[Open.back()].Kind == Want) {
        FMatch[Open.back()] = static_cast<std::uint32_t>(I);
        FMatch[I] = static_cast<std::uint32_t>(Open.back());
        Open.pop_back();
      }
    }
  }
  for (std::size_t I : Open)
    Problem(FTok[I], Quoted(Text(I)) + " is not closed");
}

TSelectInfo TParser::Run() {
  TSelectInfo Info;
  Tokenize();
  BuildMatches();
  if (Is(0, TTokenKind::End)) {
    Problem(Tok(0), "the statement is empty");
    Info.Problems = std::move(FProblems);
    return Info;
  }
  std::shared_ptr<TBlock> Block = ParseQuery();
  if (Is(FPos, TTokenKind::Semicolon))
    ++FPos;
  if (!Is(FPos, TTokenKind::End))
    Problem(Tok(FPos), "unexpected " + Quoted(Text(FPos)) + "; the rest is ignored");

  Info.Tables = Block->Tables;
  // PostgreSQL and MySQL give no origin to the columns of a UNION and the
  // like; SQLite reports those of the first SELECT, which is what we read.
  const bool KeepOrigins = !Block->Compound || R.CompoundKeepsOrigins;
  TNameSet Seen(Block->Columns.size());
  // The last suffix given to each repeated name (in lower case): the next
  // repeat goes on from it, so n repeats cost n tries, not n * n / 2.
  std::unordered_map<std::string, std::size_t> LastSuffix;
  Info.Fields.reserve(Block->Columns.size());
  for (TColumn& C : Block->Columns) {
    // Datasets name a repeated field Name_1, Name_2, ..., comparing without
    // regard to case and skipping suffixes that another column already took.
    // The name is looked for before the field is made where it stays.
    const bool Repeated = Seen.Contains(C.Name, Info.Fields);
    TSelectField& F = Info.Fields.emplace_back();
    if (!Repeated) {
      F.FieldName = std::move(C.Name);
    } else {
      std::string Lower = C.Name;
      for (char& Ch : Lower)
        Ch = LowerAscii(Ch);
      std::size_t& Suffix = LastSuffix[Lower];
      do
        F.FieldName = C.Name + "_" + std::to_string(++Suffix);
      while (Seen.Contains(F.FieldName, Info.Fields));
    }
    Seen.Add(F.FieldName, Info.Fields.size() - 1);
    if (KeepOrigins && C.HasOrigin) {
      F.HasOrigin = true;
      F.Table = *C.Table;
      F.Column = std::move(C.Column);
    }
  }
  Info.TooManyFields = FTooManyFields;
  Info.Problems = std::move(FProblems);
  return Info;
}

void TParser::ExpectClose(std::size_t Open) {
  if (Is(FPos, TTokenKind::RightParen) && FMatch[FPos] == Open) {
    ++FPos;
    return;
  }
  if (FMatch[Open] == NoMatch) {
    FPos = FTok.size() - 1; // already reported as not closed
    return;
  }
  Problem(Tok(FPos), "unexpected " + Quoted(Text(FPos)) + "; skipped to the matching ')'");
  FPos = FMatch[Open] + 1;
}

std::shared_ptr<TBlock> TParser::ParseQuery() {
  TNesting Guard(FDepth);
  if (Guard.TooDeep()) {
    Problem(Tok(FPos), "the statement is nested too deeply; the inner part is skipped");
    auto Block = std::make_shared<TBlock>();
    Block->Complete = false;
    SkipClauses();
    return Block;
  }
  const std::size_t CteMark = FCtes.size();
  if (IsKw(FPos, TKeyword::With))
    ParseWith();
  std::shared_ptr<TBlock> Block = ParseCoreOrParen();
  while (IsKw(FPos, TKeyword::Union) || IsKw(FPos, TKeyword::Intersect) ||
         IsKw(FPos, TKeyword::Except)) {
    ++FPos;
    if (IsKw(FPos, TKeyword::All) || IsKw(FPos, TKeyword::Distinct))
      ++FPos;
    Block->Compound = true;
    // The other legs name no fields but are parsed so that their problems
    // are reported and the position moves past them correctly.
    ParseCoreOrParen();
  }
  SkipClauses();
  FCtes.resize(CteMark);
  return Block;
}

std::vector<std::string> TParser::ParseNameList() {
  std::vector<std::string> Names;
  const std::size_t Open = FPos;
  ++FPos;
  while (IsName(FPos)) {
    Names.push_back(Norm(FPos));
    ++FPos;
    if (!Is(FPos, TTokenKind::Comma))
      break;
    ++FPos;
  }
  ExpectClose(Open);
  return Names;
}

void TParser::ParseWith() {
  ++FPos;
  bool Recursive = false;
  if (IsKw(FPos, TKeyword::Recursive)) {
    Recursive = true;
    ++FPos;
  }
  for (;;) {
    if (!IsName(FPos)) {
      Problem(Tok(FPos), "expected the name of a WITH query, found " + Quoted(Text(FPos)));
      return;
    }
    auto Cte = std::make_shared<TCte>();
    Cte->Name = Norm(FPos);
    Cte->Recursive = Recursive;
    ++FPos;
    if (Is(FPos, TTokenKind::LeftParen))
      Cte->ColumnNames = ParseNameList();
    if (!IsKw(FPos, TKeyword::As)) {
      Problem(Tok(FPos), "expected AS after the name of a WITH query");
      return;
    }
    ++FPos;
    if (IsKw(FPos, TKeyword::Not))
      ++FPos;
    if (IsKw(FPos, TKeyword::Materialized))
      ++FPos;
    if (!Is(FPos, TTokenKind::LeftParen)) {
      Problem(Tok(FPos), "expected '(' before the query of a WITH clause");
      return;
    }
    const std::size_t Open = FPos++;
    // A recursive query refers to itself, so it must be known inside its body.
    if (Recursive)
      FCtes.push_back(Cte);
    Cte->Body = ParseQuery();
    ExpectClose(Open);
    if (!Recursive)
      FCtes.push_back(Cte);
    if (!Is(FPos, TTokenKind::Comma))
      return;
    ++FPos;
  }
}

std::shared_ptr<TBlock> TParser::ParseCoreOrParen() {
  if (Is(FPos, TTokenKind::LeftParen)) {
    const std::size_t Open = FPos++;
    std::shared_ptr<TBlock> Block = ParseQuery();
    ExpectClose(Open);
    return Block;
  }
  if (IsKw(FPos, TKeyword::Select))
    return ParseCore();
  if (IsKw(FPos, TKeyword::Values))
    return ParseValues();
  Problem(Tok(FPos), "expected SELECT, found " + (Is(FPos, TTokenKind::End)
                                                      ? std::string("the end of the text")
                                                      : Quoted(Text(FPos))));
  auto Block = std::make_shared<TBlock>();
  Block->Complete = false;
  SkipClauses();
  return Block;
}

// VALUES (..), (..) names its columns column1, column2, ... in both engines.
std::shared_ptr<TBlock> TParser::ParseValues() {
  auto Block = std::make_shared<TBlock>();
  ++FPos;
  if (Is(FPos, TTokenKind::LeftParen)) {
    std::size_t Count = 1;
    for (std::size_t I = FPos + 1; I < FTok.size() && !Is(I, TTokenKind::End);) {
      if (Is(I, TTokenKind::RightParen))
        break;
      if (Is(I, TTokenKind::Comma))
        ++Count;
      I = (Is(I, TTokenKind::LeftParen) || Is(I, TTokenKind::LeftBracket)) ? After(I) : I + 1;
    }
    for (std::size_t C = 1; C <= Count && RoomFor(*Block, 1, Tok(FPos)); ++C) {
      TColumn Col;
      Col.Name = Col.RefName = "column" + std::to_string(C);
      Block->Columns.push_back(std::move(Col));
    }
  }
  SkipClauses();
  return Block;
}

bool TParser::EndsSelectItem(std::size_t I) const {
  const TCompactToken& T = Tok(I);
  if (T.Keyword == TKeyword::None)
    return false;
  // After AS any word is the alias (the server allows reserved words there),
  // and after a dot it is a column name.
  if (I > 0 && (IsKw(I - 1, TKeyword::As) || Is(I - 1, TTokenKind::Dot)))
    return false;
  switch (T.Keyword) {
  case TKeyword::From:
    // a IS [NOT] DISTINCT FROM b is a comparison, not the FROM clause.
    return !(I >= 2 && IsKw(I - 1, TKeyword::Distinct) &&
             (IsKw(I - 2, TKeyword::Is) || IsKw(I - 2, TKeyword::Not)));
  case TKeyword::Group:
  case TKeyword::Order:
    return IsKw(I + 1, TKeyword::By);
  case TKeyword::Window:
    return IsName(I + 1) && IsKw(I + 2, TKeyword::As);
  case TKeyword::Where:
  case TKeyword::Having:
  case TKeyword::Limit:
  case TKeyword::Union:
  case TKeyword::Intersect:
  case TKeyword::Except:
  case TKeyword::Into:
    return true;
  default:
    return false;
  }
}

// Moves on to the first token outside brackets that ends what is being
// skipped: the end, a semicolon, a closing bracket, a comma when AtComma, or
// an identifier for which Stops(position) holds.
template <class TStops> void TParser::SkipTo(bool AtComma, TStops Stops) {
  for (;;) {
    switch (Tok(FPos).Kind) {
    case TTokenKind::Comma:
      if (AtComma)
        return;
      break;
    case TTokenKind::End:
    case TTokenKind::Semicolon:
    case TTokenKind::RightParen:
    case TTokenKind::RightBracket:
      return;
    case TTokenKind::LeftParen:
    case TTokenKind::LeftBracket:
      FPos = After(FPos);
      continue;
    case TTokenKind::Identifier:
      if (Stops(FPos))
        return;
      break;
    default:
      break;
    }
    ++FPos;
  }
}

void TParser::ScanItem() {
  SkipTo(true, [this](std::size_t I) { return EndsSelectItem(I); });
}

void TParser::SkipClauses() {
  SkipTo(false, [this](std::size_t I) {
    return IsKw(I, TKeyword::Union) || IsKw(I, TKeyword::Intersect) || IsKw(I, TKeyword::Except);
  });
}

bool IsJoinWord(TKeyword K) {
  switch (K) {
  case TKeyword::Join:
  case TKeyword::Natural:
  case TKeyword::Left:
  case TKeyword::Right:
  case TKeyword::Full:
  case TKeyword::Inner:
  case TKeyword::Cross:
    return true;
  default:
    return false;
  }
}

bool EndsFromClause(TKeyword K) {
  switch (K) {
  case TKeyword::Where:
  case TKeyword::Group:
  case TKeyword::Having:
  case TKeyword::Window:
  case TKeyword::Order:
  case TKeyword::Limit:
  case TKeyword::Offset:
  case TKeyword::Fetch:
  case TKeyword::For:
  case TKeyword::Union:
  case TKeyword::Intersect:
  case TKeyword::Except:
  case TKeyword::Returning:
    return true;
  default:
    return false;
  }
}

// Words that end a table reference instead of naming its alias.
bool StopsAlias(TKeyword K) {
  if (IsJoinWord(K) || EndsFromClause(K))
    return true;
  switch (K) {
  case TKeyword::On:
  case TKeyword::Using:
  case TKeyword::Outer:
  case TKeyword::Indexed:
  case TKeyword::Not:
  case TKeyword::Tablesample:
  case TKeyword::Select:
  case TKeyword::Values:
  case TKeyword::With:
  case TKeyword::Lateral:
  case TKeyword::Into:
  case TKeyword::As:
    return true;
  default:
    return false;
  }
}

void TParser::SkipJoinCondition() {
  for (;;) {
    const TCompactToken& T = Tok(FPos);
    switch (T.Kind) {
    case TTokenKind::End:
    case TTokenKind::Comma:
    case TTokenKind::Semicolon:
    case TTokenKind::RightParen:
    case TTokenKind::RightBracket:
      return;
    case TTokenKind::LeftParen:
    case TTokenKind::LeftBracket:
      FPos = After(FPos);
      continue;
    case TTokenKind::Identifier:
      // left(x, 1) and right(x, 1) are functions, not joins.
      if ((IsJoinWord(T.Keyword) && !Is(FPos + 1, TTokenKind::LeftParen)) ||
          EndsFromClause(T.Keyword))
        return;
      break;
    default:
      break;
    }
    ++FPos;
  }
}

void TParser::ParseFromList(std::vector<TFromItem>& From) {
  ParseFromItem(From, TJoin::First, false);
  for (;;) {
    if (Is(FPos, TTokenKind::Comma)) {
      ++FPos;
      ParseFromItem(From, TJoin::Comma, false);
      continue;
    }
    const std::size_t Start = FPos;
    bool Natural = false;
    TJoin Join = TJoin::Inner;
    if (IsKw(FPos, TKeyword::Natural)) {
      Natural = true;
      ++FPos;
    }
    if (IsKw(FPos, TKeyword::Left) || IsKw(FPos, TKeyword::Right) || IsKw(FPos, TKeyword::Full)) {
      Join = IsKw(FPos, TKeyword::Left)    ? TJoin::Left
             : IsKw(FPos, TKeyword::Right) ? TJoin::Right
                                           : TJoin::Full;
      ++FPos;
      if (IsKw(FPos, TKeyword::Outer))
        ++FPos;
    } else if (IsKw(FPos, TKeyword::Inner)) {
      ++FPos;
    } else if (IsKw(FPos, TKeyword::Cross)) {
      Join = TJoin::Cross;
      ++FPos;
    }
    if (!IsKw(FPos, TKeyword::Join)) {
      if (FPos != Start)
        Problem(Tok(FPos), "expected JOIN, found " + Quoted(Text(FPos)));
      return;
    }
    ++FPos;
    const std::size_t First = From.size();
    ParseFromItem(From, Join, Natural);
    if (IsKw(FPos, TKeyword::On)) {
      ++FPos;
      SkipJoinCondition();
    } else if (IsKw(FPos, TKeyword::Using) && Is(FPos + 1, TTokenKind::LeftParen)) {
      ++FPos;
      std::vector<std::string> Names = ParseNameList();
      if (First < From.size())
        From[First].Using = std::move(Names);
    }
  }
}

void TParser::ParseAlias(TFromItem& Item) {
  std::size_t At = FPos;
  if (IsKw(At, TKeyword::As)) {
    ++At;
    if (!(IsName(At) || IsStringAlias(At))) {
      Problem(Tok(At), "expected an alias after AS");
      FPos = At;
      return;
    }
  } else if (!((Is(At, TTokenKind::Identifier) && !StopsAlias(Tok(At).Keyword)) ||
               Is(At, TTokenKind::QuotedIdentifier) || IsStringAlias(At)) ||
             IndexHintAt(At)) {
    return;
  }
  Item.Table.Alias = std::string(Text(At));
  Item.AliasName = Norm(At);
  Item.HasAlias = true;
  FPos = At + 1;
  if (Is(FPos, TTokenKind::LeftParen))
    Item.ColumnAliases = ParseNameList();
}

void TParser::ParseFromItem(std::vector<TFromItem>& From, TJoin Join, bool Natural) {
  TNesting Guard(FDepth);
  if (Guard.TooDeep()) {
    Problem(Tok(FPos), "the FROM clause is nested too deeply; the inner part is skipped");
    SkipJoinCondition();
    return;
  }
  const std::size_t First = From.size();
  if (R.PgFromClause && IsKw(FPos, TKeyword::Lateral))
    ++FPos;
  if (R.PgFromClause && IsKw(FPos, TKeyword::Only))
    ++FPos;
  if (Is(FPos, TTokenKind::LeftParen)) {
    const std::size_t Open = FPos++;
    if (IsKw(FPos, TKeyword::Select) || IsKw(FPos, TKeyword::With) ||
        IsKw(FPos, TKeyword::Values) ||
        (Is(FPos, TTokenKind::LeftParen) && IsKw(FPos + 1, TKeyword::Select))) {
      TFromItem Item;
      Item.Sub = ParseQuery();
      ExpectClose(Open);
      Item.Table.Derived = true;
      Item.Table.Name = std::string(Span(Open, FPos));
      ParseAlias(Item);
      From.push_back(std::move(Item));
    } else {
      // A parenthesised join: its tables join the list in their order.
      ParseFromList(From);
      ExpectClose(Open);
      TFromItem Group;
      ParseAlias(Group);
      if (Group.HasAlias && From.size() == First + 1) {
        From[First].Table.Alias = Group.Table.Alias;
        From[First].AliasName = Group.AliasName;
        From[First].HasAlias = true;
      }
    }
  } else if (IsName(FPos) && !(Is(FPos, TTokenKind::Identifier) && StopsAlias(Tok(FPos).Keyword))) {
    TFromItem Item;
    const std::size_t Start = FPos;
    std::vector<std::size_t> Parts{FPos++};
    while (Is(FPos, TTokenKind::Dot) && IsName(FPos + 1)) {
      Parts.push_back(FPos + 1);
      FPos += 2;
    }
    if (Is(FPos, TTokenKind::LeftParen)) {
      // A table-valued function: not a base table, its columns unknown.
      FPos = After(FPos);
      Item.Function = true;
      Item.Table.Derived = true;
      Item.Table.Name = std::string(Span(Start, FPos));
    } else {
      for (std::size_t P : Parts) {
        if (!Item.Table.Name.empty())
          Item.Table.Name += '.';
        Item.Table.Name += Text(P);
        Item.NameParts.push_back(Norm(P));
      }
      if (Parts.size() == 1) {
        for (auto It = FCtes.rbegin(); It != FCtes.rend(); ++It)
          if (SameName((*It)->Name, Item.NameParts[0])) {
            Item.Cte = *It;
            Item.Sub = (*It)->Body;
            Item.Table.Derived = true;
            break;
          }
      }
      if (!Item.Cte)
        Item.Origin = &FTableNames.emplace_back(Item.Table.Name);
      if (R.PgFromClause && IsOp(FPos, "*")) // inheritance marker: t * reads t and its children
        ++FPos;
    }
    ParseAlias(Item);
    if (R.IndexedBy && IsKw(FPos, TKeyword::Indexed) && IsKw(FPos + 1, TKeyword::By)) {
      FPos += 2;
      if (IsName(FPos))
        ++FPos;
    } else if (R.IndexedBy && IsKw(FPos, TKeyword::Not) && IsKw(FPos + 1, TKeyword::Indexed)) {
      FPos += 2;
    }
    // MySQL's index hints: USE|FORCE|IGNORE INDEX|KEY [FOR ...] (names), any number.
    while (IndexHintAt(FPos)) {
      FPos += 2;
      while (!Is(FPos, TTokenKind::LeftParen) && Is(FPos, TTokenKind::Identifier))
        ++FPos; // FOR JOIN, FOR ORDER BY, FOR GROUP BY
      if (Is(FPos, TTokenKind::LeftParen))
        FPos = After(FPos);
    }
    if (R.PgFromClause && IsKw(FPos, TKeyword::Tablesample)) {
      ++FPos;
      if (IsName(FPos))
        ++FPos;
      if (Is(FPos, TTokenKind::LeftParen))
        FPos = After(FPos);
      if (IsWord(FPos, "repeatable") && Is(FPos + 1, TTokenKind::LeftParen))
        FPos = After(FPos + 1);
    }
    From.push_back(std::move(Item));
  } else {
    Problem(Tok(FPos), "expected a table name, found " + (Is(FPos, TTokenKind::End)
                                                              ? std::string("the end of the text")
                                                              : Quoted(Text(FPos))));
    return;
  }
  if (From.size() > First) {
    From[First].Join = Join;
    From[First].Natural = Natural;
  }
}

std::shared_ptr<TBlock> TParser::ParseCore() {
  auto Block = std::make_shared<TBlock>();
  ++FPos;
  if (IsKw(FPos, TKeyword::Distinct)) {
    ++FPos;
    if (R.PgFromClause && IsKw(FPos, TKeyword::On) && Is(FPos + 1, TTokenKind::LeftParen))
      FPos = After(FPos + 1);
  } else if (IsKw(FPos, TKeyword::All)) {
    ++FPos;
  }
  std::vector<std::pair<std::size_t, std::size_t>> Items;
  for (;;) {
    const std::size_t Begin = FPos;
    ScanItem();
    if (FPos == Begin)
      Problem(Tok(FPos), "expected a result column, found " +
                             (Is(FPos, TTokenKind::End) ? std::string("the end of the text")
                                                        : Quoted(Text(FPos))));
    else
      Items.emplace_back(Begin, FPos);
    if (!Is(FPos, TTokenKind::Comma))
      break;
    ++FPos;
  }
  std::vector<TFromItem> From;
  if (IsKw(FPos, TKeyword::From)) {
    ++FPos;
    ParseFromList(From);
  }
  for (const TFromItem& Item : From)
    Block->Tables.push_back(Item.Table);
  ResolveItems(Items, From, *Block);
  SkipClauses();
  return Block;
}

// SQLite names the columns of a subquery uniquely by appending ":N"; an
// enclosing query sees them under those names.
// A repeat takes the first free Base:N (N from 1), Base being the name
// without a ":digits" ending. Names are only ever added, so the first free N
// of a base never goes down: each base's search goes on from where the last
// one ended, and n repeats cost n tries, not n * n / 2.
void DedupeSqliteNames(std::vector<TColumn>& Cols) {
  std::unordered_set<std::string> Seen;
  std::unordered_map<std::string, unsigned> LastSuffix;
  for (TColumn& C : Cols) {
    if (Seen.insert(LowerKey(C.RefName)).second) {
      C.Name = C.RefName;
      continue;
    }
    std::string_view Base = C.RefName;
    if (!Base.empty()) {
      std::size_t J = Base.size() - 1;
      while (J > 0 && Base[J] >= '0' && Base[J] <= '9')
        --J;
      if (Base[J] == ':')
        Base = Base.substr(0, J);
    }
    unsigned& Suffix = LastSuffix[LowerKey(Base)];
    std::string Name;
    do
      Name = std::string(Base) + ":" + std::to_string(++Suffix);
    while (!Seen.insert(LowerKey(Name)).second);
    C.Name = C.RefName = std::move(Name);
  }
}

// A base table's columns as its names make them, appended to To.
void AppendCatalogColumns(const TFromItem& Item, const std::vector<std::string>& Names,
                          std::vector<TColumn>& To) {
  if (To.capacity() - To.size() < Names.size())
    To.reserve(std::max(To.size() + Names.size(), 2 * To.capacity()));
  for (const std::string& N : Names) {
    TColumn& C = To.emplace_back();
    C.Name = N;
    C.RefName = N;
    C.HasOrigin = true;
    C.Table = Item.Origin;
    C.Column = N;
  }
}

const std::vector<std::string>* TParser::CatalogColumns(TFromItem& Item) {
  if (!Item.CatalogAsked) {
    Item.CatalogAsked = true;
    if (FLookup)
      Item.Catalog = FLookup(Item.Table);
  }
  return Item.Catalog ? &*Item.Catalog : nullptr;
}

const std::optional<std::vector<TColumn>>& TParser::ColumnsOf(TFromItem& Item) {
  if (Item.Loaded)
    return Item.Columns;
  Item.Loaded = true;
  std::vector<TColumn> Cols;
  if (Item.Sub) {
    if (!Item.Sub->Complete)
      return Item.Columns;
    // Origins are followed into a subquery or WITH query only where both
    // engines do: not through a UNION and not through a recursive query.
    const bool Trace = !Item.Sub->Compound && !(Item.Cte && Item.Cte->Recursive);
    for (const TColumn& Sub : Item.Sub->Columns) {
      TColumn C;
      C.Name = C.RefName = Sub.RefName;
      if (Trace && Sub.HasOrigin) {
        C.HasOrigin = true;
        C.Table = Sub.Table;
        C.Column = Sub.Column;
      }
      Cols.push_back(std::move(C));
    }
    if (R.DedupesSubqueryNames)
      DedupeSqliteNames(Cols);
    if (Item.Cte)
      for (std::size_t I = 0; I < Item.Cte->ColumnNames.size() && I < Cols.size(); ++I)
        Cols[I].Name = Cols[I].RefName = Item.Cte->ColumnNames[I];
  } else if (Item.Function) {
    if (Item.ColumnAliases.empty())
      return Item.Columns;
  } else {
    const std::vector<std::string>* Names = CatalogColumns(Item);
    if (!Names)
      return Item.Columns;
    AppendCatalogColumns(Item, *Names, Cols);
  }
  for (std::size_t I = 0; I < Item.ColumnAliases.size(); ++I) {
    if (I >= Cols.size())
      Cols.emplace_back();
    Cols[I].Name = Cols[I].RefName = Item.ColumnAliases[I];
  }
  Item.Columns = std::move(Cols);
  return Item.Columns;
}

const TColumn* TParser::FindColumn(TFromItem& Item, const std::string& Name) {
  const auto& Cols = ColumnsOf(Item);
  if (!Cols)
    return nullptr;
  // Built on first use: a star expansion alone never needs it.
  if (Item.Index.empty() && !Cols->empty()) {
    Item.Index.reserve(Cols->size());
    for (std::size_t I = 0; I < Cols->size(); ++I)
      Item.Index.emplace(Key((*Cols)[I].RefName), I);
  }
  auto It = Item.Index.find(Key(Name));
  return It == Item.Index.end() ? nullptr : &(*Cols)[It->second];
}

// Whether join K names the column in USING, or joins it naturally.
bool TParser::JoinUses(std::vector<TFromItem>& From, std::size_t K, const std::string& Name) {
  const TFromItem& Item = From[K];
  if (Item.Join == TJoin::First || Item.Join == TJoin::Comma)
    return false;
  for (const std::string& U : Item.Using)
    if (SameName(U, Name))
      return true;
  if (!Item.Natural || !FindColumn(From[K], Name))
    return false;
  for (std::size_t I = 0; I < K; ++I)
    if (FindColumn(From[I], Name))
      return true;
  return false;
}

// A column of a USING or NATURAL join belongs to the join's left side (the
// right side's for a RIGHT join, neither for a FULL join, where it is a
// merge of both); otherwise to the one table that has it.
TFromItem* TParser::ResolveUnqualified(std::vector<TFromItem>& From, const std::string& Name,
                                       bool& Merged) {
  Merged = false;
  std::size_t Count = From.size();
  for (bool Again = true; Again && Count > 1;) {
    Again = false;
    for (std::size_t K = Count - 1; K >= 1; --K) {
      if (!JoinUses(From, K, Name))
        continue;
      if (From[K].Join == TJoin::Right)
        return &From[K];
      if (From[K].Join == TJoin::Full) {
        Merged = true;
        return nullptr;
      }
      Count = K;
      Again = true;
      break;
    }
  }
  if (Count == 0)
    return nullptr;
  if (Count == 1)
    return &From[0];
  TFromItem* Found = nullptr;
  for (std::size_t I = 0; I < Count; ++I) {
    if (!ColumnsOf(From[I]))
      return nullptr; // a table of unknown columns might have it as well
    if (FindColumn(From[I], Name)) {
      if (Found)
        return nullptr;
      Found = &From[I];
    }
  }
  return Found;
}

// The FROM item that the qualifier Begin..End (names and dots) refers to:
// an aliased item by its alias only, another by the trailing parts of its name.
TFromItem* TParser::FindQualified(std::vector<TFromItem>& From, std::size_t Begin,
                                  std::size_t End) {
  const std::size_t Parts = (End - Begin + 1) / 2;
  for (TFromItem& Item : From) {
    if (Item.HasAlias) {
      if (Parts == 1 && SameName(Norm(Begin), Item.AliasName))
        return &Item;
      continue;
    }
    const std::vector<std::string>& Names = Item.NameParts;
    if (Names.empty())
      continue;
    bool Same = true;
    for (std::size_t I = 0; Same && I < Parts && I < Names.size(); ++I)
      Same = SameName(Norm(End - 1 - 2 * I), Names[Names.size() - 1 - I]);
    if (Same)
      return &Item;
  }
  return nullptr;
}

void TParser::ExpandStar(std::vector<TFromItem>& From, TFromItem* Only, const TCompactToken& At,
                         TBlock& Block) {
  auto Unknown = [&](const TFromItem& Item) {
    Problem(At, "the columns of " + Item.Table.Name + " are not known, so '*' gives no fields");
    Block.Complete = false;
  };
  // A star over one base table whose own list of columns nothing has asked
  // for yet takes them straight from the catalogue's names: a table of many
  // columns costs one list of them, not two.
  if (!Only && From.size() == 1)
    Only = &From.front();
  if (Only && !Only->Loaded && !Only->Sub && !Only->Function && Only->ColumnAliases.empty()) {
    const std::vector<std::string>* Names = CatalogColumns(*Only);
    if (!Names)
      return Unknown(*Only);
    if (RoomFor(Block, Names->size(), At))
      AppendCatalogColumns(*Only, *Names, Block.Columns);
    return;
  }
  if (Only) {
    const auto& Cols = ColumnsOf(*Only);
    if (!Cols)
      return Unknown(*Only);
    if (RoomFor(Block, Cols->size(), At))
      Block.Columns.insert(Block.Columns.end(), Cols->begin(), Cols->end());
    return;
  }
  if (From.empty()) {
    Problem(At, "'*' without a FROM clause gives no fields");
    Block.Complete = false;
    return;
  }
  std::size_t Count = 0;
  for (TFromItem& Item : From) {
    if (!ColumnsOf(Item))
      return Unknown(Item);
    Count += ColumnsOf(Item)->size();
  }
  if (!RoomFor(Block, Count, At))
    return;
  // The expansion is built in place at the end of the block's columns.
  const std::size_t Start = Block.Columns.size();
  std::vector<TColumn>& Result = Block.Columns;
  for (std::size_t K = 0; K < From.size(); ++K) {
    const std::vector<TColumn>& Cols = *ColumnsOf(From[K]);
    // The shared columns in the order the engines put them first: the USING
    // list's, or for a natural join the left side's.
    std::vector<std::string> Shared;
    if (K > 0 && !From[K].Using.empty()) {
      Shared = From[K].Using;
    } else if (K > 0 && From[K].Natural) {
      for (std::size_t I = Start; I < Result.size(); ++I)
        if (FindColumn(From[K], Result[I].RefName))
          Shared.push_back(Result[I].RefName);
    }
    auto InShared = [&](const TColumn& C) {
      for (const std::string& S : Shared)
        if (SameName(S, C.RefName))
          return true;
      return false;
    };
    // A shared column comes from the left side, from the right side in a
    // RIGHT join, and from neither in a FULL join, where it merges both.
    auto Merge = [&](TColumn& Left, const std::string& Name) {
      if (From[K].Join == TJoin::Full) {
        Left.HasOrigin = false;
        Left.Table = nullptr;
        Left.Column.clear();
      } else if (From[K].Join == TJoin::Right) {
        if (const TColumn* R = FindColumn(From[K], Name)) {
          Left.HasOrigin = R->HasOrigin;
          Left.Table = R->Table;
          Left.Column = R->Column;
        }
      }
    };
    if (Shared.empty()) {
      Result.insert(Result.end(), Cols.begin(), Cols.end());
    } else if (R.UsingKeepsLeftInPlace) {
      // SQLite keeps the left side's copy of a shared column in place and
      // drops the right side's.
      for (std::size_t I = Start; I < Result.size(); ++I)
        if (InShared(Result[I]))
          Merge(Result[I], Result[I].RefName);
      for (const TColumn& C : Cols)
        if (!InShared(C))
          Result.push_back(C);
    } else {
      // The server puts the shared columns first, then the rest of the left
      // side and the rest of the right side.
      std::vector<TColumn> Merged;
      for (const std::string& Name : Shared) {
        for (std::size_t I = Start; I < Result.size(); ++I)
          if (SameName(Result[I].RefName, Name)) {
            Merged.push_back(Result[I]);
            Merge(Merged.back(), Name);
            break;
          }
      }
      for (std::size_t I = Start; I < Result.size(); ++I)
        if (!InShared(Result[I]))
          Merged.push_back(std::move(Result[I]));
      for (const TColumn& C : Cols)
        if (!InShared(C))
          Merged.push_back(C);
      Result.resize(Start);
      std::move(Merged.begin(), Merged.end(), std::back_inserter(Result));
    }
  }
}

bool IsRowidName(std::string_view Name) {
  return IEquals(Name, "rowid") || IEquals(Name, "oid") || IEquals(Name, "_rowid_");
}

// A dotted name such as c.ID or main.t."Col" standing alone as a result column.
TColumn TParser::ResolveColumnRef(std::size_t Begin, std::size_t End,
                                  std::vector<TFromItem>& From) {
  // RefName, what an enclosing query sees, is the name as written (SQLite
  // names a subquery's columns so); Name becomes the catalog's spelling
  // where the catalog is known.
  TColumn Out;
  Out.RefName = Norm(End - 1);
  const std::string& Name = Out.RefName;
  TFromItem* Item = nullptr;
  bool Merged = false;
  if (End - Begin == 1) {
    Item = ResolveUnqualified(From, Name, Merged);
  } else {
    Item = FindQualified(From, Begin, End - 2);
    if (!Item && !From.empty())
      Problem(Tok(Begin), "no table " + std::string(Span(Begin, End - 2)) + " in the FROM clause");
  }
  const std::optional<std::vector<TColumn>>* Cols = Item ? &ColumnsOf(*Item) : nullptr;
  if (Cols && *Cols) {
    if (const TColumn* C = FindColumn(*Item, Name)) {
      Out.Name = R.NamesColumnsAsWritten ? Name : C->Name;
      Out.HasOrigin = C->HasOrigin;
      Out.Table = C->Table;
      Out.Column = C->Column;
      return Out;
    }
  }
  Out.Name = Name;
  if (!Item)
    return Out;
  const bool Base = !Item->Sub && !Item->Function;
  if (!*Cols) {
    // Columns unknown: trust the name written against a base table.
    if (Base) {
      Out.HasOrigin = true;
      Out.Table = Item->Origin;
      Out.Column = Name;
    }
  } else if (R.RowidColumn && Base && IsRowidName(Name)) {
    // SQLite's implicit row id, which it reports under the name "rowid".
    Out.Name = "rowid";
    Out.HasOrigin = true;
    Out.Table = Item->Origin;
    Out.Column = "rowid";
  } else if (R.DoubleQuotedFallback && End - Begin == 1 && Text(Begin).front() == '"') {
    // SQLite reads a double-quoted word that names no column as a string.
    Out.Name = std::string(Text(Begin));
  } else {
    Problem(Tok(Begin), Item->Table.Name + " has no column " + Quoted(Name));
  }
  return Out;
}

bool IsIntervalField(TTokenKind Kind, std::string_view Text) {
  static constexpr std::string_view Fields[] = {"year", "month", "day", "hour", "minute", "second"};
  if (Kind != TTokenKind::Identifier)
    return false;
  for (std::string_view F : Fields)
    if (IEquals(Text, F))
      return true;
  return false;
}

bool IsValueKeyword(TKeyword K, bool SessionValues) {
  switch (K) {
  case TKeyword::Null:
  case TKeyword::True:
  case TKeyword::False:
  case TKeyword::CurrentDate:
  case TKeyword::CurrentTime:
  case TKeyword::CurrentTimestamp:
    return true;
  case TKeyword::LocalTime:
  case TKeyword::LocalTimestamp:
  case TKeyword::CurrentUser:
  case TKeyword::SessionUser:
  case TKeyword::User:
  case TKeyword::CurrentRole:
  case TKeyword::CurrentCatalog:
  case TKeyword::CurrentSchema:
    return SessionValues;
  default:
    return false;
  }
}

void TParser::ResolveItems(const std::vector<std::pair<std::size_t, std::size_t>>& Items,
                           std::vector<TFromItem>& From, TBlock& Block) {
  Block.Columns.reserve(Items.size());
  for (auto [Begin, End] : Items) {
    // The alias: AS word at the end, or a bare word right after something
    // that ends an operand ("count(*) n", "a b", but not "x collate nocase").
    std::size_t ExprEnd = End;
    std::size_t Alias = NoMatch;
    auto CanAlias = [&](std::size_t I) {
      return Is(I, TTokenKind::QuotedIdentifier) ||
             (Is(I, TTokenKind::Identifier) && Tok(I).Keyword == TKeyword::None) ||
             IsStringAlias(I);
    };
    if (End - Begin >= 3 && IsKw(End - 2, TKeyword::As) &&
        (IsName(End - 1) || IsStringAlias(End - 1))) {
      Alias = End - 1;
      ExprEnd = End - 2;
    } else if (End - Begin >= 2 && CanAlias(End - 1)) {
      const std::size_t P = End - 2;
      const TCompactToken& Prev = Tok(P);
      bool EndsOperand = false;
      switch (Prev.Kind) {
      case TTokenKind::QuotedIdentifier:
      case TTokenKind::String:
      case TTokenKind::Number:
      case TTokenKind::Parameter:
      case TTokenKind::RightParen:
      case TTokenKind::RightBracket:
        EndsOperand = true;
        break;
      case TTokenKind::Identifier:
        EndsOperand = Prev.Keyword == TKeyword::None || Prev.Keyword == TKeyword::End ||
                      IsValueKeyword(Prev.Keyword, R.SessionValueKeywords);
        break;
      default:
        break;
      }
      // Multi-word type names: x::double precision, x::character varying.
      if (R.PgTypeWords && ((IsWord(End - 1, "precision") && IsWord(P, "double")) ||
                            (IsWord(End - 1, "varying") &&
                             (IsWord(P, "character") || IsWord(P, "char") || IsWord(P, "bit")))))
        EndsOperand = false;
      // Interval fields: x::interval hour, interval '1' day to second.
      if (R.PgTypeWords && EndsOperand && IsIntervalField(Tok(End - 1).Kind, Text(End - 1))) {
        std::size_t I = End - 1;
        while (I > Begin && (IsIntervalField(Tok(I).Kind, Text(I)) || IsWord(I, "to")))
          --I;
        if (IsWord(I, "interval") ||
            (Is(I, TTokenKind::String) && I > Begin && IsWord(I - 1, "interval")))
          EndsOperand = false;
      }
      if (EndsOperand) {
        Alias = End - 1;
        ExprEnd = End - 1;
      }
    }

    TColumn Col;
    std::size_t B = Begin;
    std::size_t E = ExprEnd;
    // Parentheses around a plain column change nothing in either engine.
    while (E - B >= 2 && Is(B, TTokenKind::LeftParen) && FMatch[B] == E - 1 &&
           !IsKw(B + 1, TKeyword::Select) && !IsKw(B + 1, TKeyword::With)) {
      ++B;
      --E;
    }
    bool NameRef = E > B && (E - B) % 2 == 1;
    for (std::size_t I = B; NameRef && I < E; ++I)
      NameRef = (I - B) % 2 == 0 ? IsName(I) : Is(I, TTokenKind::Dot);
    if (NameRef && E - B == 1 && IsValueKeyword(Tok(B).Keyword, R.SessionValueKeywords))
      NameRef = false;
    const bool Star = E > B && IsOp(E - 1, "*") && Alias == NoMatch &&
                      (E - B == 1 || (Is(E - 2, TTokenKind::Dot) && (E - B) % 2 == 1));
    bool QualifiedStar = Star && E - B > 1;
    for (std::size_t I = B; QualifiedStar && I + 1 < E; ++I)
      QualifiedStar = (I - B) % 2 == 0 ? IsName(I) : Is(I, TTokenKind::Dot);

    if (Star && E - B == 1) {
      ExpandStar(From, nullptr, Tok(B), Block);
      continue;
    }
    if (QualifiedStar) {
      if (TFromItem* Item = FindQualified(From, B, E - 2)) {
        ExpandStar(From, Item, Tok(B), Block);
      } else {
        Problem(Tok(B), "no table " + std::string(Span(B, E - 2)) + " in the FROM clause");
        Block.Complete = false;
      }
      continue;
    }
    if (NameRef) {
      Col = ResolveColumnRef(B, E, From);
    } else if (ExprEnd > Begin) {
      bool Strings = R.NamesStringsByValue;
      for (std::size_t I = Begin; Strings && I < ExprEnd; ++I)
        Strings = Is(I, TTokenKind::String);
      if (Strings) {
        // 'a' 'b' is one string, "ab".
        for (std::size_t I = Begin; I < ExprEnd; ++I)
          Col.Name += Norm(I);
      } else if (!R.NamesExpressionsByText) {
        TPgName N = FigurePg(Begin, ExprEnd);
        Col.Name = N.Strength > 0 ? N.Name : "?column?";
      } else {
        Col.Name = std::string(Span(Begin, ExprEnd));
      }
      Col.RefName = Col.Name;
    }
    if (Alias != NoMatch)
      Col.Name = Col.RefName = Norm(Alias);
    if (RoomFor(Block, 1, Tok(B)))
      Block.Columns.push_back(std::move(Col));
  }
}

// ----- the server's naming of unaliased expressions -----

std::string TParser::SubqueryFirstName(std::size_t Open) {
  const std::size_t Saved = FPos;
  FPos = Open + 1;
  ++FQuiet;
  std::shared_ptr<TBlock> Sub = ParseQuery();
  --FQuiet;
  FPos = Saved;
  return Sub->Columns.empty() ? std::string() : Sub->Columns.front().Name;
}

// The type name the server reports for a cast: its internal name for the
// SQL-standard spellings, else the last part of the name as written.
std::pair<std::string, std::size_t> TParser::PgType(std::size_t P, std::size_t End) const {
  if (P >= End || !IsName(P))
    return {std::string(), P};
  std::string Name;
  std::size_t Q = P + 1;
  if (Is(P, TTokenKind::QuotedIdentifier) || Is(P + 1, TTokenKind::Dot)) {
    std::size_t Last = P;
    while (Q + 1 < End && Is(Q, TTokenKind::Dot) && IsName(Q + 1)) {
      Last = Q + 1;
      Q += 2;
    }
    Name = Norm(Last);
  } else {
    auto W = [&](std::size_t I, std::string_view Word) { return I < End && IsWord(I, Word); };
    auto ZoneSuffix = [&](std::size_t& I) -> int {
      if (I + 2 < End && (IsKw(I, TKeyword::With) || IsWord(I, "without")) &&
          IsWord(I + 1, "time") && IsKw(I + 2, TKeyword::Zone)) {
        const bool With = IsKw(I, TKeyword::With);
        I += 3;
        return With ? 1 : 0;
      }
      return 0;
    };
    auto SkipTypmod = [&](std::size_t& I) {
      if (I < End && Is(I, TTokenKind::LeftParen))
        I = After(I);
    };
    if (W(P, "double") && W(P + 1, "precision")) {
      Name = "float8";
      Q = P + 2;
    } else if (W(P, "national") || W(P, "character") || W(P, "char") || W(P, "nchar")) {
      if (W(P, "national"))
        ++Q;
      if (W(Q, "varying")) {
        Name = "varchar";
        ++Q;
      } else {
        Name = "bpchar";
      }
    } else if (W(P, "bit")) {
      Name = W(Q, "varying") ? "varbit" : "bit";
      if (Name == "varbit")
        ++Q;
    } else if (W(P, "int") || W(P, "integer")) {
      Name = "int4";
    } else if (W(P, "smallint")) {
      Name = "int2";
    } else if (W(P, "bigint")) {
      Name = "int8";
    } else if (W(P, "real")) {
      Name = "float4";
    } else if (W(P, "float")) {
      Name = "float8";
      if (Q + 2 < End && Is(Q, TTokenKind::LeftParen) && Is(Q + 1, TTokenKind::Number)) {
        const std::string_view Digits = Text(Q + 1);
        int Precision = 0;
        for (char C : Digits)
          Precision =
              (C >= '0' && C <= '9' && Precision < 1000) ? Precision * 10 + (C - '0') : 1000;
        if (Precision <= 24)
          Name = "float4";
      }
    } else if (W(P, "decimal") || W(P, "dec") || W(P, "numeric")) {
      Name = "numeric";
    } else if (W(P, "boolean")) {
      Name = "bool";
    } else if (W(P, "timestamp") || W(P, "time")) {
      const bool Stamp = W(P, "timestamp");
      SkipTypmod(Q);
      Name = std::string(Stamp ? "timestamp" : "time") + (ZoneSuffix(Q) ? "tz" : "");
    } else if (W(P, "interval")) {
      Name = "interval";
      static constexpr std::string_view Fields[] = {"year",   "month",  "day", "hour",
                                                    "minute", "second", "to"};
      for (bool More = true; More && Q < End;) {
        More = false;
        for (std::string_view F : Fields)
          if (W(Q, F)) {
            ++Q;
            More = true;
          }
      }
    } else {
      Name = Norm(P);
    }
  }
  if (Q < End && Is(Q, TTokenKind::LeftParen))
    Q = After(Q);
  while (Q < End && Is(Q, TTokenKind::LeftBracket))
    Q = After(Q);
  return {Name, Q};
}

bool TParser::PgPrimary(std::size_t& P, std::size_t End, TPgName& Out) {
  const TCompactToken& T = Tok(P);
  Out = TPgName{};
  switch (T.Kind) {
  case TTokenKind::Number:
  case TTokenKind::Parameter:
    ++P;
    return true;
  case TTokenKind::String:
    ++P;
    while (P < End && Is(P, TTokenKind::String))
      ++P;
    return true;
  case TTokenKind::LeftParen: {
    if (FMatch[P] == NoMatch || FMatch[P] >= End)
      return false;
    const std::size_t Close = FMatch[P];
    if (IsKw(P + 1, TKeyword::Select) || IsKw(P + 1, TKeyword::With)) {
      Out.Name = SubqueryFirstName(P);
      Out.Strength = Out.Name.empty() ? 0 : 2;
    } else {
      Out = FigurePg(P + 1, Close);
    }
    P = Close + 1;
    return true;
  }
  case TTokenKind::Identifier:
  case TTokenKind::QuotedIdentifier:
    break;
  default:
    return false;
  }
  const bool Call = Is(P + 1, TTokenKind::LeftParen) && FMatch[P + 1] != NoMatch;
  auto Fixed = [&](const char* Name) {
    Out = {Name, 2};
    ++P;
    if (Is(P, TTokenKind::LeftParen) && P < End)
      P = After(P);
    return true;
  };
  switch (T.Keyword) {
  case TKeyword::Null:
  case TKeyword::True:
  case TKeyword::False:
    ++P;
    return true;
  case TKeyword::CurrentDate:
    return Fixed("current_date");
  case TKeyword::CurrentTime:
    return Fixed("current_time");
  case TKeyword::CurrentTimestamp:
    return Fixed("current_timestamp");
  case TKeyword::LocalTime:
    return Fixed("localtime");
  case TKeyword::LocalTimestamp:
    return Fixed("localtimestamp");
  case TKeyword::CurrentUser:
    return Fixed("current_user");
  case TKeyword::SessionUser:
    return Fixed("session_user");
  case TKeyword::User:
    return Fixed("user");
  case TKeyword::CurrentRole:
    return Fixed("current_role");
  case TKeyword::CurrentCatalog:
    return Fixed("current_catalog");
  case TKeyword::CurrentSchema:
    return Fixed("current_schema");
  case TKeyword::Array:
    if (Is(P + 1, TTokenKind::LeftBracket) || Is(P + 1, TTokenKind::LeftParen))
      return Fixed("array");
    break;
  case TKeyword::Row:
    if (Call)
      return Fixed("row");
    break;
  case TKeyword::Exists:
    if (Call)
      return Fixed("exists");
    return false;
  case TKeyword::Case: {
    // Named after the ELSE branch when that has a real name, else "case".
    std::size_t I = P + 1;
    std::size_t Else = NoMatch;
    int Nested = 0;
    for (; I < End; ++I) {
      if (Is(I, TTokenKind::LeftParen) || Is(I, TTokenKind::LeftBracket)) {
        I = After(I) - 1;
        continue;
      }
      if (IsKw(I, TKeyword::Case))
        ++Nested;
      else if (IsKw(I, TKeyword::End) && Nested-- == 0)
        break;
      else if (IsKw(I, TKeyword::Else) && Nested == 0)
        Else = I;
    }
    if (I >= End)
      return false;
    Out = {"case", 1};
    if (Else != NoMatch) {
      TNesting Guard(FDepth);
      if (!Guard.TooDeep()) {
        TPgName Inner = FigurePg(Else + 1, I);
        if (Inner.Strength > 1)
          Out = Inner;
      }
    }
    P = I + 1;
    return true;
  }
  case TKeyword::Cast: {
    if (!Call)
      break;
    const std::size_t Close = FMatch[P + 1];
    std::size_t As = NoMatch;
    for (std::size_t I = P + 2; I < Close; I = (Is(I, TTokenKind::LeftParen) ? After(I) : I + 1))
      if (IsKw(I, TKeyword::As))
        As = I;
    if (As == NoMatch)
      return false;
    TPgName Inner = FigurePg(P + 2, As);
    Out = Inner.Strength > 1 ? Inner : TPgName{PgType(As + 1, Close).first, 1};
    P = Close + 1;
    return true;
  }
  case TKeyword::None:
  case TKeyword::Filter:
  case TKeyword::Materialized:
  case TKeyword::Recursive:
  case TKeyword::Within:
  case TKeyword::Zone:
  case TKeyword::Match:
  case TKeyword::Glob:
  case TKeyword::Regexp:
  case TKeyword::Indexed:
  case TKeyword::Offset:
    break;
  default:
    return false;
  }
  // A type name followed by a string is a typed literal: date '2020-01-01'.
  if (!Call) {
    auto [TypeName, AfterType] = PgType(P, End);
    if (AfterType < End && Is(AfterType, TTokenKind::String)) {
      P = AfterType + 1;
      Out = {TypeName, 1};
      // interval '1' day: the field words after the string belong to it.
      static constexpr std::string_view Fields[] = {"year",   "month",  "day", "hour",
                                                    "minute", "second", "to"};
      for (bool More = TypeName == "interval"; More && P < End;) {
        More = false;
        for (std::string_view F : Fields)
          if (P < End && IsWord(P, F)) {
            ++P;
            More = true;
          }
      }
      return true;
    }
  }
  std::size_t Last = P;
  std::size_t Q = P + 1;
  while (Q + 1 < End && Is(Q, TTokenKind::Dot) && IsName(Q + 1)) {
    Last = Q + 1;
    Q += 2;
  }
  if (Q < End && Is(Q, TTokenKind::LeftParen)) {
    const std::size_t Open = Q;
    Q = After(Q);
    std::string Name = Norm(Last);
    // TRIM is rewritten to the function that does the work.
    if (Last == P && IsWord(P, "trim"))
      Name = IsWord(Open + 1, "leading")    ? "ltrim"
             : IsWord(Open + 1, "trailing") ? "rtrim"
                                            : "btrim";
    if (IsKw(Q, TKeyword::Within) && IsKw(Q + 1, TKeyword::Group) &&
        Is(Q + 2, TTokenKind::LeftParen))
      Q = After(Q + 2);
    if (IsKw(Q, TKeyword::Filter) && Is(Q + 1, TTokenKind::LeftParen))
      Q = After(Q + 1);
    if (IsKw(Q, TKeyword::Over))
      Q = Is(Q + 1, TTokenKind::LeftParen) ? After(Q + 1) : Q + 2;
    Out = {Name, 2};
    P = Q;
    return true;
  }
  Out = {Norm(Last), 2};
  P = Q;
  return true;
}

TPgName TParser::FigurePg(std::size_t Begin, std::size_t End) {
  TNesting Guard(FDepth);
  if (Guard.TooDeep() || Begin >= End)
    return {};
  std::size_t P = Begin;
  TPgName Name;
  if (!PgPrimary(P, End, Name))
    return {};
  while (P < End) {
    if (IsOp(P, "::")) {
      auto [TypeName, AfterType] = PgType(P + 1, End);
      if (AfterType == P + 1)
        return {};
      if (Name.Strength <= 1)
        Name = {TypeName, 1};
      P = AfterType;
    } else if (Is(P, TTokenKind::LeftBracket)) {
      P = After(P);
    } else if (Is(P, TTokenKind::Dot) && P + 1 < End && IsName(P + 1)) {
      Name = {Norm(P + 1), 2};
      P += 2;
    } else if (IsKw(P, TKeyword::Collate) && P + 1 < End && IsName(P + 1)) {
      P += 2;
      while (P + 1 < End && Is(P, TTokenKind::Dot) && IsName(P + 1))
        P += 2;
    } else if (IsKw(P, TKeyword::At) && IsWord(P + 1, "time") && IsKw(P + 2, TKeyword::Zone)) {
      // x AT TIME ZONE z is a call of timezone(z, x).
      P += 3;
      TPgName Zone;
      if (P >= End || !PgPrimary(P, End, Zone))
        return {};
      Name = {"timezone", 2};
    } else {
      return {}; // an operator: the server gives operator expressions no name
    }
  }
  return Name;
}

} // namespace

TSelectInfo ParseSelect(std::string_view Sql, TSqlDialect Dialect, const TColumnLookup& Columns) {
  // Offsets are kept in 32 bits; no statement a dataset runs comes near that.
  if (Sql.size() >= UINT32_MAX) {
    TSelectInfo Info;
    Info.Problems.push_back("line 1, column 1: the statement is too long to parse (" +
                            std::to_string(Sql.size()) + " bytes)");
    return Info;
  }
  TParser Parser(Sql, Dialect, Columns);
  return Parser.Run();
}

} // namespace OVSqlParse
