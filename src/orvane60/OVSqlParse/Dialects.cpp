// The dialect rules of each server type, one row per dialect.
#include "orvane60/OVSqlParse.hpp"

namespace OVSqlParse {

namespace {

constexpr TDialectRules SQLiteRules{
    .Dialect = TSqlDialect::SQLite,
    .Name = "SQLite",
    .QuoteOpen = '"',
    .QuoteClose = '"',
    .FoldsBareNames = false,
    .ExactNames = false,
    .DoubleQuotedNames = true,
    .BacktickNames = true,
    .BracketNames = true,
    .StringNames = true,
    .UnicodeNames = false,
    .CatalogSchemaTable = false,
    .MainSchema = "main",
    .NestedComments = false,
    .HashComments = false,
    .DashCommentsNeedBlank = false,
    .BackslashEscapes = false,
    .PrefixedStrings = false,
    .HexNumbers = true,
    .DollarQuotes = false,
    .OperatorRuns = false,
    .ColonEquals = false,
    .ColonOperator = false,
    .QuestionParams = true,
    .AtParams = true,
    .DigitColonParams = true,
    .JsonArrows = true,
    .SystemVariables = false,
    .BangIsNot = false,
    .NamesExpressionsByText = true,
    .NamesStringsByValue = false,
    .NamesColumnsAsWritten = false,
    .CompoundKeepsOrigins = true,
    .UsingKeepsLeftInPlace = true,
    .DedupesSubqueryNames = true,
    .RowidColumn = true,
    .DoubleQuotedFallback = true,
    .IndexedBy = true,
    .IndexHints = false,
    .PgFromClause = false,
    .PgTypeWords = false,
    .SessionValueKeywords = false,
    .NullSafeEquals = " is ",
    .FunctionInSelectList = false,
    .OutputArgsArePlaceholders = false,
};

constexpr TDialectRules PostgreSQLRules{
    .Dialect = TSqlDialect::PostgreSQL,
    .Name = "PostgreSQL",
    .QuoteOpen = '"',
    .QuoteClose = '"',
    .FoldsBareNames = true,
    .ExactNames = true,
    .DoubleQuotedNames = true,
    .BacktickNames = false,
    .BracketNames = false,
    .StringNames = false,
    .UnicodeNames = true,
    .CatalogSchemaTable = true,
    .MainSchema = "",
    .NestedComments = true,
    .HashComments = false,
    .DashCommentsNeedBlank = false,
    .BackslashEscapes = false,
    .PrefixedStrings = true,
    .HexNumbers = false,
    .DollarQuotes = true,
    .OperatorRuns = true,
    .ColonEquals = true,
    .ColonOperator = true,
    .QuestionParams = false,
    .AtParams = false,
    .DigitColonParams = false,
    .JsonArrows = false,
    .SystemVariables = false,
    .BangIsNot = false,
    .NamesExpressionsByText = false,
    .NamesStringsByValue = false,
    .NamesColumnsAsWritten = false,
    .CompoundKeepsOrigins = false,
    .UsingKeepsLeftInPlace = false,
    .DedupesSubqueryNames = false,
    .RowidColumn = false,
    .DoubleQuotedFallback = false,
    .IndexedBy = false,
    .IndexHints = false,
    .PgFromClause = true,
    .PgTypeWords = true,
    .SessionValueKeywords = true,
    .NullSafeEquals = " is not distinct from ",
    .FunctionInSelectList = false,
    .OutputArgsArePlaceholders = false,
};

// MySQL and MariaDB as a session starts by default: double quotes make
// strings (ANSI_QUOTES off), backslashes escape (NO_BACKSLASH_ESCAPES off).
constexpr TDialectRules MySQLRules{
    .Dialect = TSqlDialect::MySQL,
    .Name = "MySQL",
    .QuoteOpen = '`',
    .QuoteClose = '`',
    .FoldsBareNames = false,
    .ExactNames = false,
    .DoubleQuotedNames = false,
    .BacktickNames = true,
    .BracketNames = false,
    .StringNames = true,
    .UnicodeNames = false,
    .CatalogSchemaTable = false,
    .MainSchema = "",
    .NestedComments = false,
    .HashComments = true,
    .DashCommentsNeedBlank = true,
    .BackslashEscapes = true,
    .PrefixedStrings = false,
    .HexNumbers = true,
    .DollarQuotes = false,
    .OperatorRuns = false,
    .ColonEquals = true,
    .ColonOperator = false,
    .QuestionParams = true,
    .AtParams = true,
    .DigitColonParams = true,
    .JsonArrows = true,
    .SystemVariables = true,
    .BangIsNot = true,
    .NamesExpressionsByText = true,
    .NamesStringsByValue = true,
    .NamesColumnsAsWritten = true,
    .CompoundKeepsOrigins = false,
    .UsingKeepsLeftInPlace = false,
    .DedupesSubqueryNames = false,
    .RowidColumn = false,
    .DoubleQuotedFallback = false,
    .IndexedBy = false,
    .IndexHints = true,
    .PgFromClause = false,
    .PgTypeWords = false,
    .SessionValueKeywords = true,
    .NullSafeEquals = " <=> ",
    .FunctionInSelectList = true,
    .OutputArgsArePlaceholders = true,
};

// A session in ANSI_QUOTES mode: "x" is a name (backticks still are), and
// names are written in double quotes.
constexpr TDialectRules MySQLAnsiQuotesRules = [] {
  TDialectRules R = MySQLRules;
  R.Dialect = TSqlDialect::MySQLAnsiQuotes;
  R.QuoteOpen = '"';
  R.QuoteClose = '"';
  R.DoubleQuotedNames = true;
  return R;
}();

// A session in NO_BACKSLASH_ESCAPES mode, with or without ANSI_QUOTES: a
// backslash in a string is itself, only a doubled quote escapes.
constexpr TDialectRules WithoutBackslashEscapes(TDialectRules R, TSqlDialect Dialect) {
  R.Dialect = Dialect;
  R.BackslashEscapes = false;
  return R;
}
constexpr TDialectRules MySQLNoBackslashEscapesRules =
    WithoutBackslashEscapes(MySQLRules, TSqlDialect::MySQLNoBackslashEscapes);
constexpr TDialectRules MySQLAnsiQuotesNoBackslashEscapesRules =
    WithoutBackslashEscapes(MySQLAnsiQuotesRules, TSqlDialect::MySQLAnsiQuotesNoBackslashEscapes);

} // namespace

const TDialectRules& DialectRules(TSqlDialect Dialect) noexcept {
  switch (Dialect) {
  case TSqlDialect::PostgreSQL:
    return PostgreSQLRules;
  case TSqlDialect::MySQL:
    return MySQLRules;
  case TSqlDialect::MySQLAnsiQuotes:
    return MySQLAnsiQuotesRules;
  case TSqlDialect::MySQLNoBackslashEscapes:
    return MySQLNoBackslashEscapesRules;
  case TSqlDialect::MySQLAnsiQuotesNoBackslashEscapes:
    return MySQLAnsiQuotesNoBackslashEscapesRules;
  case TSqlDialect::SQLite:
    break;
  }
  return SQLiteRules;
}

} // namespace OVSqlParse
