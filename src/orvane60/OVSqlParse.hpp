// OVSqlParse: the SQL tokenizer, the SELECT parser and the named-parameter
// scanner of the runtime package. Plain C++ over std::string_view: the dataset
// wrapper turns the results into name=value string lists, the drivers use the
// parameter scanner to turn :name into their own placeholders.
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace OVSqlParse {

// The SQL dialects read and written, one per server type. New ones go at the
// end, each with its row in DialectRules.
// The MySQL variants follow a session's sql_mode: ANSI_QUOTES makes "x" a
// name rather than a string; NO_BACKSLASH_ESCAPES makes a backslash in a
// string literal an ordinary character ('a\' is the two characters a\).
enum class TSqlDialect {
  SQLite,
  PostgreSQL,
  MySQL,
  MySQLAnsiQuotes,
  MySQLNoBackslashEscapes,
  MySQLAnsiQuotesNoBackslashEscapes
};

// What one server's SQL differs in from the others'. Everything that reads
// or writes SQL asks these rules rather than which server it is, so a server
// type brings one more row here and one more driver.
struct TDialectRules {
  TSqlDialect Dialect;
  std::string_view Name; // "SQLite", "PostgreSQL", "MySQL"

  // Names.
  char QuoteOpen;              // the quotes a name is written in
  char QuoteClose;             // (a close quote inside is doubled)
  bool FoldsBareNames;         // a bare name reads in lower case (ASCII letters)
  bool ExactNames;             // names compare exactly; else ASCII letters in any case
  bool DoubleQuotedNames;      // "x" is a name; else a string literal
  bool BacktickNames;          // `x` is a name
  bool BracketNames;           // [x] is a name; else [ ] are array subscripts
  bool StringNames;            // a string literal serves as an alias
  bool UnicodeNames;           // U&"x" and U&'x'
  bool CatalogSchemaTable;     // a name may have three parts
  std::string_view MainSchema; // the default schema's fixed name, "" when none

  // Comments and literals.
  bool NestedComments;        // /* /* */ */ is one comment
  bool HashComments;          // '#' comments to the end of the line
  bool DashCommentsNeedBlank; // "--" starts a comment only before a blank or control byte
  bool BackslashEscapes;      // a backslash escapes the next byte in every string literal
  bool PrefixedStrings;       // E'..' B'..' N'..' besides X'..'
  bool HexNumbers;            // 0x1F
  bool DollarQuotes;          // $tag$..$tag$ strings and $1 parameters

  // Operators and parameters.
  bool OperatorRuns;     // an operator is the longest run of operator characters
  bool ColonEquals;      // := is an operator
  bool ColonOperator;    // a lone ':' is an operator (array slices)
  bool QuestionParams;   // ? and ?NNN are parameters
  bool AtParams;         // @name is a parameter (or a session variable)
  bool DigitColonParams; // :1 is a parameter name
  bool JsonArrows;       // -> and ->> are operators
  bool SystemVariables;  // @@name is a server variable
  bool BangIsNot;        // a lone '!' is an operator (not)

  // Select lists and FROM clauses.
  bool NamesExpressionsByText; // an unaliased expression is named by its text;
                               // else by the server's rule (a function's or
                               // column's name, or ?column?)
  bool NamesStringsByValue;    // an unaliased string literal is named by its value
  bool NamesColumnsAsWritten;  // a column named in the select list is named as
                               // written there; else as the catalogue spells it
  bool CompoundKeepsOrigins;   // a UNION's columns keep the first SELECT's origins
  bool UsingKeepsLeftInPlace;  // JOIN USING keeps the left copy where it stands
  bool DedupesSubqueryNames;   // a subquery's repeated names become a:1, a:2
  bool RowidColumn;            // rowid names the row id of a table
  bool DoubleQuotedFallback;   // "x" naming no column reads as a string
  bool IndexedBy;              // INDEXED BY x, NOT INDEXED after a table
  bool IndexHints;             // USE|FORCE|IGNORE INDEX (...) after a table
  bool PgFromClause;           // LATERAL, ONLY, t *, TABLESAMPLE, DISTINCT ON (...)
  bool PgTypeWords;            // double precision, character varying, interval fields
  bool SessionValueKeywords;   // CURRENT_USER, LOCALTIME and the like are values

  // Statements the generator writes.
  std::string_view NullSafeEquals; // equal, or both null; blanks around it
  bool FunctionInSelectList;       // select f(..); else select * from f(..)
  bool OutputArgsArePlaceholders;  // call p(?) for an OUT argument; else call p(null)
};

const TDialectRules& DialectRules(TSqlDialect Dialect) noexcept;

enum class TTokenKind : std::uint8_t {
  End,              // one past the last token; Text is empty
  Identifier,       // bare word, keywords included (see TToken::Keyword)
  QuotedIdentifier, // "x", and in SQLite `x` and [x]; in PostgreSQL U&"x"
  String,           // '..', and the prefixed and dollar-quoted forms
  Number,
  Parameter, // :name, :"name"; SQLite ?, ?NNN, @name, $name; PostgreSQL $1
  Operator,
  LeftParen,
  RightParen,
  LeftBracket, // PostgreSQL array subscripts only; in SQLite [x] is an identifier
  RightBracket,
  Comma,
  Dot,
  Semicolon,
  Invalid // an unterminated literal or comment, or a byte no token starts with
};

// The words the parser acts on. Recognised on bare identifiers only, whatever
// their letter case; a quoted identifier is never a keyword.
enum class TKeyword : std::uint8_t {
  None,
  All,
  And,
  Array,
  As,
  At,
  Between,
  By,
  Case,
  Cast,
  Collate,
  Cross,
  CurrentCatalog,
  CurrentDate,
  CurrentRole,
  CurrentSchema,
  CurrentTime,
  CurrentTimestamp,
  CurrentUser,
  Distinct,
  Else,
  End,
  Escape,
  Except,
  Exists,
  False,
  Fetch,
  Filter,
  For,
  From,
  Full,
  Glob,
  Group,
  Having,
  ILike,
  In,
  Indexed,
  Inner,
  Intersect,
  Into,
  Is,
  IsNull,
  Join,
  Lateral,
  Left,
  Like,
  Limit,
  LocalTime,
  LocalTimestamp,
  Match,
  Materialized,
  Natural,
  Not,
  NotNull,
  Null,
  Offset,
  On,
  Only,
  Or,
  Order,
  Outer,
  Over,
  Recursive,
  Regexp,
  Returning,
  Right,
  Row,
  Select,
  SessionUser,
  Similar,
  Tablesample,
  Then,
  True,
  Union,
  User,
  Using,
  Values,
  When,
  Where,
  Window,
  With,
  Within,
  Zone
};

struct TToken {
  TTokenKind Kind = TTokenKind::End;
  TKeyword Keyword = TKeyword::None;
  std::string_view Text; // a view into the tokenized SQL, quotes and prefixes included
  std::size_t Offset = 0;
  std::uint32_t Line = 1; // see TTextPosition
  std::uint32_t Column = 1;
  const char* Problem = nullptr; // set on Invalid tokens: what is wrong, for a person
};

// A place in SQL text for a person: lines end at '\n', columns count
// characters (UTF-8 code points; a '\r' takes none), both from 1.
struct TTextPosition {
  std::uint32_t Line = 1;
  std::uint32_t Column = 1;
};

// The position reached after reading Bytes from Pos.
TTextPosition AdvancePosition(TTextPosition Pos, std::string_view Bytes) noexcept;

// Hand-written, one pass, no allocation: each call returns the next token as a
// view into the input. Whitespace and comments are skipped. After an
// unterminated literal or comment (reported once as an Invalid token running to
// the end of the input) only End follows. Without TrackPositions, Line and
// Column stay 0, for callers that locate the odd token from its offset.
class TTokenizer {
public:
  TTokenizer(std::string_view Sql, TSqlDialect Dialect, bool TrackPositions = true) noexcept;
  TToken Next() noexcept;

private:
  TToken Make(TTokenKind Kind, std::size_t Start, std::size_t Stop) noexcept;
  TToken Fail(const char* Problem, std::size_t Start, std::size_t Stop) noexcept;
  void SyncPosition(std::size_t Offset) noexcept;
  bool SkipBlockComment() noexcept;
  std::size_t ScanQuoted(std::size_t From, char Close, bool Backslash) const noexcept;
  std::size_t ScanIdentChars(std::size_t From) const noexcept;
  std::size_t ScanNumber(std::size_t From) const noexcept;
  std::size_t ScanPgOperator(std::size_t From) const noexcept;
  TToken ScanDollar(std::size_t Start) noexcept;
  TToken ScanColon(std::size_t Start) noexcept;
  TToken ScanOperator(std::size_t Start) noexcept;

  std::string_view FSql;
  const TDialectRules& FRules;
  bool FTrackPositions;
  std::size_t FPos = 0;
  // Line and column are derived lazily from the bytes between the previous
  // token and the next one, so every byte is looked at once more at most.
  std::size_t FSyncPos = 0;
  TTextPosition FPosition;
};

// Every token of Sql, ending with the End token.
std::vector<TToken> Tokenize(std::string_view Sql, TSqlDialect Dialect);

// The name an identifier token stands for, as the catalog spells it: quotes
// removed and doubled quotes undone; PostgreSQL folds a bare word to lower case.
std::string IdentifierName(std::string_view TokenText, TSqlDialect Dialect);

// The parts of a dotted name such as main."My Table", each through
// IdentifierName. Empty when Name is not a plain dotted name.
std::vector<std::string> SplitName(std::string_view Name, TSqlDialect Dialect);

struct TSelectTable {
  std::string Alias; // as written (quotes kept), or empty
  std::string Name;  // as written, quotes and owner kept; for a subquery its text
  bool Derived = false;
};

struct TSelectField {
  std::string FieldName; // the name a dataset gives the field, made unique
  std::string Table;     // the base table as the FROM clause writes it
  std::string Column;    // the column as the catalog names it
  bool HasOrigin = false;
};

struct TSelectInfo {
  std::vector<TSelectField> Fields;
  std::vector<TSelectTable> Tables;
  std::vector<std::string> Problems; // "line L, column C: ..."
  // The statement gives more fields than MaxSelectFields: those past the
  // limit are left out, with a problem note.
  bool TooManyFields = false;
};

// The most fields a parsed statement gives: more than either engine returns.
inline constexpr std::size_t MaxSelectFields = 4096;

// The column names of a base table as the live catalog knows them, or nullopt
// when they are unknown. Called at most once per table reference.
using TColumnLookup = std::function<std::optional<std::vector<std::string>>(const TSelectTable&)>;

// Never throws on bad SQL: what could not be followed is reported in Problems.
TSelectInfo ParseSelect(std::string_view Sql, TSqlDialect Dialect,
                        const TColumnLookup& Columns = {});

// FieldName = Table + "." + Column for each field with an origin.
std::vector<std::pair<std::string, std::string>> FieldInfoEntries(const TSelectInfo& Info);
// (Alias or Name) = Name for each base table.
std::vector<std::pair<std::string, std::string>> TableInfoEntries(const TSelectInfo& Info);

struct TSqlParam {
  std::string Name;       // unquoted: :"my param" gives my param
  std::size_t Offset = 0; // of the colon
  std::size_t Length = 0; // colon and name, quotes included
};

// The :name parameters of Sql in order of appearance; text inside literals,
// comments and quoted identifiers and PostgreSQL :: casts are not parameters.
std::vector<TSqlParam> ScanParams(std::string_view Sql, TSqlDialect Dialect);

// Sql with every :name parameter replaced by Placeholder(Index, Name), Index
// counting the parameters from 0 in order of appearance.
std::string ReplaceParams(
    std::string_view Sql, TSqlDialect Dialect,
    const std::function<std::string(std::size_t Index, const std::string& Name)>& Placeholder);

} // namespace OVSqlParse
