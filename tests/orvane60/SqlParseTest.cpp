// Tokenizer, SELECT parser and parameter scanner of OVSqlParse.
#include "orvane60/OVSqlParse.hpp"

#include "SqlParseCorpus.hpp"
#include "rtl/SysUtils.hpp"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <random>
#include <set>

using namespace OVSqlParse;
using ::testing::ElementsAre;
using ::testing::HasSubstr;
using ::testing::IsEmpty;
using ::testing::SizeIs;

namespace {

constexpr TSqlDialect Lite = TSqlDialect::SQLite;
constexpr TSqlDialect Pg = TSqlDialect::PostgreSQL;
constexpr TSqlDialect My = TSqlDialect::MySQL;

// Kind and text of every token but End, for compact expectations.
std::vector<std::string> Kinds(std::string_view Sql, TSqlDialect D) {
  static const char* Names[] = {"end", "id", "qid", "str", "num", "param", "op",     "(",
                                ")",   "[",  "]",   ",",   ".",   ";",     "invalid"};
  std::vector<std::string> Out;
  for (const TToken& T : Tokenize(Sql, D))
    if (T.Kind != TTokenKind::End)
      Out.push_back(std::string(Names[static_cast<int>(T.Kind)]) + ":" + std::string(T.Text));
  return Out;
}

std::vector<std::string> FieldNames(const TSelectInfo& Info) {
  std::vector<std::string> Out;
  for (const TSelectField& F : Info.Fields)
    Out.push_back(F.FieldName);
  return Out;
}

std::vector<std::string> Origins(const TSelectInfo& Info) {
  std::vector<std::string> Out;
  for (const TSelectField& F : Info.Fields)
    Out.push_back(F.HasOrigin ? F.Table + "." + F.Column : "-");
  return Out;
}

TColumnLookup FixedLookup(std::map<std::string, std::vector<std::string>> Tables) {
  return [Tables](const TSelectTable& T) -> std::optional<std::vector<std::string>> {
    auto It = Tables.find(T.Name);
    if (It == Tables.end())
      return std::nullopt;
    return It->second;
  };
}

} // namespace

// ----- tokenizer -----

TEST(SqlTokenizer, QuotedIdentifiersFollowTheDialect) {
  EXPECT_THAT(Kinds(R"(select "a""b", `c``d`, [e f] from t)", Lite),
              ElementsAre("id:select", R"(qid:"a""b")", ",:,", "qid:`c``d`", ",:,", "qid:[e f]",
                          "id:from", "id:t"));
  // In PostgreSQL the backtick is an operator character and [ ] subscripts.
  EXPECT_THAT(Kinds(R"(select "a""b", a[1], U&"d\0061t" from t)", Pg),
              ElementsAre("id:select", R"(qid:"a""b")", ",:,", "id:a", "[:[", "num:1", "]:]", ",:,",
                          R"(qid:U&"d\0061t")", "id:from", "id:t"));
  EXPECT_EQ(IdentifierName(R"("a""b")", Pg), "a\"b");
  EXPECT_EQ(IdentifierName("`c``d`", Lite), "c`d");
  EXPECT_EQ(IdentifierName("[e f]", Lite), "e f");
  EXPECT_EQ(IdentifierName(R"(U&"d\0061t\+01F600")", Pg), "dat\xF0\x9F\x98\x80");
  EXPECT_EQ(IdentifierName("MiXed", Pg), "mixed");
  EXPECT_EQ(IdentifierName("MiXed", Lite), "MiXed");
  EXPECT_EQ(IdentifierName("\"MiXed\"", Pg), "MiXed");
}

TEST(SqlTokenizer, StringLiteralsAndTheirEscapes) {
  EXPECT_THAT(Kinds("'it''s' x'0aff'", Lite), ElementsAre("str:'it''s'", "str:x'0aff'"));
  // E'' lets a backslash escape the quote; a standard string does not.
  EXPECT_THAT(Kinds(R"(E'a\'b' 'c\' d)", Pg), ElementsAre(R"(str:E'a\'b')", R"(str:'c\')", "id:d"));
  EXPECT_THAT(Kinds("$$a'b$$ $fn$ $$ x $fn$ $1", Pg),
              ElementsAre("str:$$a'b$$", "str:$fn$ $$ x $fn$", "param:$1"));
  EXPECT_THAT(Kinds("B'101' N'x' U&'d\\0061'", Pg),
              ElementsAre("str:B'101'", "str:N'x'", "str:U&'d\\0061'"));
}

TEST(SqlTokenizer, CommentsNestOnlyInPostgreSQL) {
  EXPECT_THAT(Kinds("a /* x /* y */ z */ b -- c\nd", Pg), ElementsAre("id:a", "id:b", "id:d"));
  EXPECT_THAT(Kinds("a /* x /* y */ z", Lite), ElementsAre("id:a", "id:z"));
  EXPECT_THAT(Kinds("a -- to the end", Lite), ElementsAre("id:a"));
}

TEST(SqlTokenizer, NumbersAndOperators) {
  EXPECT_THAT(Kinds("1 1.5 .5 1e10 2E-3 0x1F 1..2", Lite),
              ElementsAre("num:1", "num:1.5", "num:.5", "num:1e10", "num:2E-3", "num:0x1F", "num:1",
                          ".:.", "num:.2"));
  EXPECT_THAT(Kinds("a::int a||b a<>b a->>'x' a!=b", Lite),
              ElementsAre("id:a", "op:::", "id:int", "id:a", "op:||", "id:b", "id:a", "op:<>",
                          "id:b", "id:a", "op:->>", "str:'x'", "id:a", "op:!=", "id:b"));
  // The server's rule: trailing + and - of an operator run are given back
  // unless the run holds a character only operators use.
  EXPECT_THAT(Kinds("a*-1 a@-1 a::text a<=b", Pg),
              ElementsAre("id:a", "op:*", "op:-", "num:1", "id:a", "op:@-", "num:1", "id:a",
                          "op:::", "id:text", "id:a", "op:<=", "id:b"));
}

TEST(SqlTokenizer, ParametersFollowTheDialect) {
  EXPECT_THAT(Kinds("? ?2 :a :1 @b $c :\"my p\"", Lite),
              ElementsAre("param:?", "param:?2", "param::a", "param::1", "param:@b", "param:$c",
                          "param::\"my p\""));
  EXPECT_THAT(Kinds("$1 :a x::int a[1:2] ?| @", Pg),
              ElementsAre("param:$1", "param::a", "id:x", "op:::", "id:int", "id:a", "[:[", "num:1",
                          "op::", "num:2", "]:]", "op:?|", "op:@"));
}

TEST(SqlTokenizer, KeywordsIgnoreCaseButNotQuotes) {
  auto T = Tokenize("SeLeCt \"select\" from_x FROM", Lite);
  EXPECT_EQ(T[0].Keyword, TKeyword::Select);
  EXPECT_EQ(T[1].Keyword, TKeyword::None);
  EXPECT_EQ(T[2].Keyword, TKeyword::None);
  EXPECT_EQ(T[3].Keyword, TKeyword::From);
}

TEST(SqlTokenizer, OffsetsLinesAndColumnsCountCharacters) {
  const std::string Sql = "select\n  \"Größe\", x\r\n\t/* a\nb */ y";
  auto T = Tokenize(Sql, Pg);
  ASSERT_THAT(T, SizeIs(6));
  EXPECT_EQ(T[1].Offset, 9u);
  EXPECT_EQ(T[1].Line, 2u);
  EXPECT_EQ(T[1].Column, 3u);
  // "Größe" is 7 characters but 9 bytes: the comma sits at character 10.
  EXPECT_EQ(T[2].Column, 10u);
  EXPECT_EQ(T[3].Line, 2u);
  EXPECT_EQ(T[3].Column, 12u);
  EXPECT_EQ(T[4].Text, "y");
  EXPECT_EQ(T[4].Line, 4u);
  EXPECT_EQ(T[4].Column, 6u);
  EXPECT_EQ(Sql.substr(T[4].Offset, 1), "y");
}

TEST(SqlTokenizer, PositionsCanBeLeftToTheCaller) {
  const std::string Sql = "select\n  \"Größe\"\r\n, x";
  TTokenizer Quiet(Sql, Pg, false);
  TTokenizer Counting(Sql, Pg);
  for (TToken Q = Quiet.Next(), C = Counting.Next(); C.Kind != TTokenKind::End;
       Q = Quiet.Next(), C = Counting.Next()) {
    EXPECT_EQ(Q.Line, 0u);
    EXPECT_EQ(Q.Offset, C.Offset);
    TTextPosition P = AdvancePosition({}, std::string_view(Sql).substr(0, Q.Offset));
    EXPECT_EQ(P.Line, C.Line) << C.Text;
    EXPECT_EQ(P.Column, C.Column) << C.Text;
  }
}

TEST(SqlTokenizer, UnterminatedInputIsReportedWhereItStarts) {
  struct TCase {
    std::string Sql;
    TSqlDialect Dialect;
    const char* Problem;
    std::uint32_t Line, Column;
  };
  const TCase Cases[] = {
      {"select\n  'abc", Lite, "unterminated string literal", 2, 3},
      {"select \"abc", Pg, "unterminated quoted identifier", 1, 8},
      {"select [abc", Lite, "unterminated quoted identifier", 1, 8},
      {"select `abc", Lite, "unterminated quoted identifier", 1, 8},
      {"select 1 /* x", Lite, "unterminated comment", 1, 10},
      {"select 1 /* x /* y */", Pg, "unterminated comment", 1, 10},
      {"select $q$ x $Q$", Pg, "unterminated dollar-quoted string", 1, 8},
      {"select E'x\\'", Pg, "unterminated string literal", 1, 8},
      {"select :\"ab", Lite, "unterminated quoted parameter name", 1, 8},
  };
  for (const TCase& C : Cases) {
    auto T = Tokenize(C.Sql, C.Dialect);
    ASSERT_GE(T.size(), 2u) << C.Sql;
    const TToken& Bad = T[T.size() - 2];
    EXPECT_EQ(Bad.Kind, TTokenKind::Invalid) << C.Sql;
    EXPECT_STREQ(Bad.Problem, C.Problem) << C.Sql;
    EXPECT_EQ(Bad.Line, C.Line) << C.Sql;
    EXPECT_EQ(Bad.Column, C.Column) << C.Sql;
    EXPECT_EQ(Bad.Offset + Bad.Text.size(), C.Sql.size()) << C.Sql;
  }
}

TEST(SqlTokenizer, BinaryBytesAreTokensNotCrashes) {
  const std::string Sql("a\0b\x01\xff\xfe", 6);
  auto T = Tokenize(Sql, Lite);
  EXPECT_EQ(T[0].Text, "a");
  EXPECT_EQ(T[1].Kind, TTokenKind::Invalid);
  EXPECT_EQ(T[1].Offset, 1u);
  // Bytes from 0x80 up read as identifier text, as both engines read UTF-8.
  EXPECT_EQ(T.back().Kind, TTokenKind::End);
  std::mt19937 Random(42);
  for (int Round = 0; Round < 200; ++Round) {
    std::string Noise(static_cast<std::size_t>(Random() % 300), '\0');
    for (char& C : Noise)
      C = static_cast<char>(Random());
    for (TSqlDialect D : {Lite, Pg}) {
      std::size_t Prev = 0;
      for (const TToken& Tok : Tokenize(Noise, D)) {
        ASSERT_GE(Tok.Offset, Prev);
        ASSERT_LE(Tok.Offset + Tok.Text.size(), Noise.size());
        Prev = Tok.Offset + Tok.Text.size();
      }
      ParseSelect(Noise, D);
      ParseSelect("select " + Noise, D);
    }
  }
}

TEST(SqlTokenizer, SplitNameUnquotesEachPart) {
  EXPECT_THAT(SplitName(R"("My Schema"."My ""T""")", Pg), ElementsAre("My Schema", "My \"T\""));
  EXPECT_THAT(SplitName("Public.Customer", Pg), ElementsAre("public", "customer"));
  EXPECT_THAT(SplitName("main.[T 1]", Lite), ElementsAre("main", "T 1"));
  EXPECT_THAT(SplitName("a.", Lite), IsEmpty());
  EXPECT_THAT(SplitName("a b", Lite), IsEmpty());
}

// ----- parser: the corpus -----

struct TCorpusParam {
  std::size_t Index;
  TSqlDialect Dialect;
};

class SqlCorpus : public ::testing::TestWithParam<TCorpusParam> {
protected:
  static const SqlParseCorpus::TCorpus& Corpus() {
    static const SqlParseCorpus::TCorpus C =
        SqlParseCorpus::LoadCorpus(SqlParseCorpus::CorpusPath());
    return C;
  }
};

TEST_P(SqlCorpus, ParsesAsExpected) {
  const auto& Case = Corpus().Cases[GetParam().Index];
  const TSqlDialect D = GetParam().Dialect;
  const auto& Expected = Case.For(D);
  if (!Expected.Runs)
    GTEST_SKIP() << "not a case of this dialect";
  const auto& Catalog = D == Lite ? Corpus().CatalogSqlite : Corpus().CatalogPg;
  TSelectInfo Info = ParseSelect(Case.Sql, D, SqlParseCorpus::CatalogLookup(Catalog, D));
  SCOPED_TRACE("select-corpus.txt:" + std::to_string(Case.Line) + ": " + Case.Sql);
  ASSERT_EQ(Info.Fields.size(), Expected.Fields.size())
      << ::testing::PrintToString(FieldNames(Info));
  for (std::size_t I = 0; I < Info.Fields.size(); ++I) {
    const auto& F = Info.Fields[I];
    const auto& E = Expected.Fields[I];
    EXPECT_EQ(F.FieldName, E.Name) << "field " << I;
    EXPECT_EQ(F.HasOrigin, E.HasOrigin) << "field " << I << " " << F.FieldName;
    EXPECT_EQ(F.Table, E.Table) << "field " << I << " " << F.FieldName;
    EXPECT_EQ(F.Column, E.Column) << "field " << I << " " << F.FieldName;
  }
  ASSERT_EQ(Info.Tables.size(), Expected.Tables.size());
  for (std::size_t I = 0; I < Info.Tables.size(); ++I) {
    EXPECT_EQ(Info.Tables[I].Name, Expected.Tables[I].Name);
    EXPECT_EQ(Info.Tables[I].Alias, Expected.Tables[I].Alias);
    EXPECT_EQ(Info.Tables[I].Derived, Expected.Tables[I].Derived);
  }
  EXPECT_EQ(Info.Problems.size(), Expected.Problems) << ::testing::PrintToString(Info.Problems);
}

std::vector<TCorpusParam> CorpusParams() {
  std::vector<TCorpusParam> Params;
  auto Corpus = SqlParseCorpus::LoadCorpus(SqlParseCorpus::CorpusPath());
  for (std::size_t I = 0; I < Corpus.Cases.size(); ++I)
    for (TSqlDialect D : {Lite, Pg})
      if (Corpus.Cases[I].For(D).Runs)
        Params.push_back({I, D});
  return Params;
}

INSTANTIATE_TEST_SUITE_P(Corpus, SqlCorpus, ::testing::ValuesIn(CorpusParams()),
                         [](const ::testing::TestParamInfo<TCorpusParam>& P) {
                           return "Case" + std::to_string(P.param.Index) +
                                  (P.param.Dialect == Lite ? "_SQLite" : "_PostgreSQL");
                         });

// ----- parser: behaviour the corpus does not pin down -----

TEST(SqlParser, WithoutLookupStarsGiveProblemsAndOneTableStillDecides) {
  TSelectInfo Info = ParseSelect("select *, c.*, ID from CUSTOMER c", Lite);
  EXPECT_THAT(FieldNames(Info), ElementsAre("ID"));
  EXPECT_THAT(Origins(Info), ElementsAre("CUSTOMER.ID"));
  ASSERT_THAT(Info.Problems, SizeIs(2));
  EXPECT_THAT(Info.Problems[0],
              HasSubstr("line 1, column 8: the columns of CUSTOMER are not known"));
}

TEST(SqlParser, UnqualifiedColumnsOfSeveralTablesNeedTheLookup) {
  const std::string Sql = "select name, total, id from items i, orders o";
  EXPECT_THAT(Origins(ParseSelect(Sql, Pg)), ElementsAre("-", "-", "-"));
  auto Lookup = FixedLookup({{"items", {"id", "name"}}, {"orders", {"id", "total"}}});
  // id is in both: ambiguous, so no origin rather than a guess.
  EXPECT_THAT(Origins(ParseSelect(Sql, Pg, Lookup)),
              ElementsAre("items.name", "orders.total", "-"));
  // A table the lookup does not know could hold the column as well.
  auto Partial = FixedLookup({{"items", {"id", "name"}}});
  EXPECT_THAT(Origins(ParseSelect(Sql, Pg, Partial)), ElementsAre("-", "-", "-"));
}

TEST(SqlParser, LookupIsAskedOncePerTableReference) {
  int Calls = 0;
  TColumnLookup Lookup = [&](const TSelectTable& T) -> std::optional<std::vector<std::string>> {
    ++Calls;
    EXPECT_EQ(T.Name, "t");
    EXPECT_EQ(T.Alias, "x");
    return std::vector<std::string>{"a", "b"};
  };
  ParseSelect("select a, b, x.a, x.*, * from t x", Lite, Lookup);
  EXPECT_EQ(Calls, 1);
}

TEST(SqlParser, StarsBeforeAnyColumnTakeTheCatalogueNamesOnce) {
  int Calls = 0;
  TColumnLookup Lookup = [&](const TSelectTable& T) -> std::optional<std::vector<std::string>> {
    ++Calls;
    if (T.Name == "nosuch")
      return std::nullopt;
    return std::vector<std::string>{"a", "B", "a b"};
  };
  // The star comes first: the same names serve the qualified star and the
  // columns named after it, every one of them kept, in order.
  TSelectInfo Info = ParseSelect("select *, x.*, b, x.\"a b\" as c from t x", Lite, Lookup);
  EXPECT_EQ(Calls, 1);
  EXPECT_THAT(FieldNames(Info), ElementsAre("a", "B", "a b", "a_1", "B_1", "a b_1", "B_2", "c"));
  EXPECT_THAT(Origins(Info),
              ElementsAre("t.a", "t.B", "t.a b", "t.a", "t.B", "t.a b", "t.B", "t.a b"));
  EXPECT_TRUE(Info.Problems.empty());
  // Names the FROM clause gives the columns still rename them.
  Calls = 0;
  Info = ParseSelect("select * from t as x(p, q)", Pg, Lookup);
  EXPECT_EQ(Calls, 1);
  EXPECT_THAT(FieldNames(Info), ElementsAre("p", "q", "a b"));
  EXPECT_THAT(Origins(Info), ElementsAre("t.a", "t.B", "t.a b"));
  // A table the catalogue does not know gives no fields, and says so.
  Info = ParseSelect("select * from nosuch", Lite, Lookup);
  EXPECT_TRUE(Info.Fields.empty());
  ASSERT_EQ(Info.Problems.size(), 1u);
  EXPECT_THAT(Info.Problems[0], HasSubstr("the columns of nosuch are not known"));
}

TEST(SqlParser, SqliteSpellsColumnsAsTheCatalogDoes) {
  auto Lookup = FixedLookup({{"t", {"MixedCase", "other"}}});
  TSelectInfo Info =
      ParseSelect("select mixedcase, T.MIXEDCASE, rowid, \"nocol\" from t", Lite, Lookup);
  EXPECT_THAT(FieldNames(Info), ElementsAre("MixedCase", "MixedCase_1", "rowid", "\"nocol\""));
  EXPECT_THAT(Origins(Info), ElementsAre("t.MixedCase", "t.MixedCase", "t.rowid", "-"));
  // A subquery's columns are named as written inside it, made unique with :N.
  Info = ParseSelect("select * from (select mixedcase, MixedCase, other as MIXEDCASE from t)", Lite,
                     Lookup);
  EXPECT_THAT(FieldNames(Info), ElementsAre("mixedcase", "MixedCase:1", "MIXEDCASE:2"));
  EXPECT_THAT(Origins(Info), ElementsAre("t.MixedCase", "t.MixedCase", "t.other"));
}

TEST(SqlParser, FieldNamesAreMadeUniqueAsADatasetDoes) {
  TSelectInfo Info = ParseSelect("select a, A, a_1, a as a_1 from t", Lite);
  EXPECT_THAT(FieldNames(Info), ElementsAre("a", "A_1", "a_1_1", "a_1_2"));
}

TEST(SqlParser, PostgreSQLNamesExpressionsLikeTheServer) {
  TSelectInfo Info = ParseSelect(
      "select x::int4, (x), -x, count(*) filter (where x > 0), sum(x) over w, "
      "case when b then 1 else y end, case when b then y end, cast(1 + 2 as double precision), "
      "'1'::interval hour, interval '2' day, trim(leading 'a' from s), trim(s), "
      "current_timestamp(2), array[1], row(1), exists(select 1), (select z from q), "
      "t.x[1], x collate \"C\", 1 as \"Alias\", 2 Bare, 3 \"quoted\", x::double precision "
      "from t window w as ()",
      Pg);
  EXPECT_THAT(FieldNames(Info),
              ElementsAre("x", "x_1", "?column?", "count", "sum", "y", "case", "float8", "interval",
                          "interval_1", "ltrim", "btrim", "current_timestamp", "array", "row",
                          "exists", "z", "x_2", "x_3", "Alias", "bare", "quoted", "x_4"));
}

TEST(SqlParser, AliasesAreNotTakenFromOperandsAndKeywords) {
  TSelectInfo Info =
      ParseSelect("select a collate nocase, b is null, c not null, d as \"from\", e as from_, f g, "
                  "case when 1 then 2 end h from t",
                  Lite);
  EXPECT_THAT(FieldNames(Info), ElementsAre("a collate nocase", "b is null", "c not null", "from",
                                            "from_", "g", "h"));
  Info = ParseSelect("select a as order, b as from from t", Pg);
  EXPECT_THAT(FieldNames(Info), ElementsAre("order", "from"));
  EXPECT_THAT(Origins(Info), ElementsAre("t.a", "t.b"));
}

TEST(SqlParser, ProblemsNameWhatAndWhere) {
  TSelectInfo Info = ParseSelect("update t set a = 1", Lite);
  EXPECT_THAT(Info.Fields, IsEmpty());
  EXPECT_THAT(Info.Problems, ElementsAre("line 1, column 1: expected SELECT, found 'update'"));

  Info = ParseSelect("select a,\n  b from t where (a = 1", Lite);
  EXPECT_THAT(FieldNames(Info), ElementsAre("a", "b"));
  ASSERT_THAT(Info.Problems, SizeIs(1));
  EXPECT_EQ(Info.Problems[0], "line 2, column 18: '(' is not closed");

  Info = ParseSelect("select a, from t", Lite);
  EXPECT_THAT(FieldNames(Info), ElementsAre("a"));
  EXPECT_THAT(Info.Problems,
              ElementsAre("line 1, column 11: expected a result column, found 'from'"));

  Info = ParseSelect("select a from t join", Pg);
  EXPECT_THAT(Info.Tables, SizeIs(1));
  EXPECT_THAT(Info.Problems,
              ElementsAre("line 1, column 21: expected a table name, found the end of the text"));

  Info = ParseSelect("select a from t; select b from u", Pg);
  EXPECT_THAT(FieldNames(Info), ElementsAre("a"));
  EXPECT_THAT(Info.Problems,
              ElementsAre("line 1, column 18: unexpected 'select'; the rest is ignored"));

  Info = ParseSelect("select 'abc from t", Pg);
  EXPECT_THAT(Info.Problems, ElementsAre("line 1, column 8: unterminated string literal"));

  EXPECT_THAT(ParseSelect("  -- nothing\n", Pg).Problems,
              ElementsAre("line 2, column 1: the statement is empty"));
}

TEST(SqlParser, GarbageGivesABoundedListOfProblems) {
  const std::string Sql = "select a,\n " + std::string(100000, '\x01') + " from t";
  TSelectInfo Info = ParseSelect(Sql, Lite);
  ASSERT_THAT(Info.Problems, SizeIs(101));
  EXPECT_EQ(Info.Problems[0], "line 2, column 2: unexpected character");
  EXPECT_EQ(Info.Problems[99], "line 2, column 101: unexpected character");
  EXPECT_EQ(Info.Problems[100], "line 2, column 102: further problems are not listed");
  EXPECT_THAT(Info.Fields, SizeIs(2));
  EXPECT_THAT(Info.Tables, SizeIs(1));
}

TEST(SqlParser, DeepNestingIsBoundedAndReported) {
  const int Depth = 100000;
  // Parentheses in the select list are skipped without recursion.
  std::string Parens =
      "select " + std::string(Depth, '(') + "1" + std::string(Depth, ')') + " as x from t";
  TSelectInfo Info = ParseSelect(Parens, Pg);
  EXPECT_THAT(FieldNames(Info), ElementsAre("x"));
  EXPECT_THAT(Info.Problems, IsEmpty());
  // Unaliased, the name is worked out by peeling the parentheses.
  Info = ParseSelect(
      "select " + std::string(Depth, '(') + "a" + std::string(Depth, ')') + " from t", Pg);
  EXPECT_THAT(Origins(Info), ElementsAre("t.a"));

  std::string Queries = "select a from ";
  for (int I = 0; I < Depth; ++I)
    Queries += "(select a from ";
  Queries += "t";
  for (int I = 0; I < Depth; ++I)
    Queries += ") x";
  for (TSqlDialect D : {Lite, Pg}) {
    Info = ParseSelect(Queries, D);
    EXPECT_THAT(FieldNames(Info), ElementsAre("a"));
    ASSERT_FALSE(Info.Problems.empty());
    EXPECT_THAT(Info.Problems[0], HasSubstr("nested too deeply"));
  }

  std::string Joins = "select a from " + std::string(Depth, '(') + "t" + std::string(Depth, ')');
  Info = ParseSelect(Joins, Lite);
  ASSERT_FALSE(Info.Problems.empty());
  EXPECT_THAT(Info.Problems[0], HasSubstr("nested too deeply"));

  std::string Cases = "select ";
  for (int I = 0; I < Depth; ++I)
    Cases += "case when 1 then 2 else ";
  Cases += "a" + std::string(static_cast<std::size_t>(Depth) * 4, ' ');
  for (int I = 0; I < Depth; ++I)
    Cases += " end";
  Info = ParseSelect(Cases + " from t", Pg);
  EXPECT_THAT(FieldNames(Info), ElementsAre("case"));
}

TEST(SqlParser, HugeSelectListsStayLinearUpToTheFieldLimit) {
  std::string Sql = "select ";
  std::vector<std::string> Columns;
  for (std::size_t I = 0; I < MaxSelectFields; ++I) {
    Columns.push_back(std::string(1, 'c').append(std::to_string(I)));
    Sql.append(I ? ", " : "").append(Columns.back());
  }
  Sql += " from t";
  TSelectInfo Info = ParseSelect(Sql, Lite, FixedLookup({{"t", Columns}}));
  ASSERT_THAT(Info.Fields, SizeIs(MaxSelectFields));
  EXPECT_EQ(Info.Fields.back().FieldName, "c4095");
  EXPECT_TRUE(Info.Fields.back().HasOrigin);
  EXPECT_FALSE(Info.TooManyFields);
  EXPECT_THAT(Info.Problems, IsEmpty());

  Info = ParseSelect("select c0, " + Sql.substr(7), Lite, FixedLookup({{"t", Columns}}));
  EXPECT_THAT(Info.Fields, SizeIs(MaxSelectFields));
  EXPECT_TRUE(Info.TooManyFields);
  EXPECT_THAT(Info.Problems, ElementsAre(HasSubstr("more than 4096 fields")));
}

// 8,000 duplicate names took seconds and 20,000 did not finish; a 16 KB
// statement of stars over a narrow table made 32,000 fields.
TEST(SqlParser, RepeatedNamesAndStarsAreBoundedAndLinear) {
  std::string Sql = "select ";
  for (std::size_t I = 0; I < MaxSelectFields; ++I)
    Sql += I % 3 == 0 ? "a, " : I % 3 == 1 ? "A, " : "a_2, ";
  Sql += "b from t";
  TSelectInfo Info = ParseSelect(Sql, Lite);
  ASSERT_THAT(Info.Fields, SizeIs(MaxSelectFields));
  std::set<std::string> Seen;
  for (const TSelectField& F : Info.Fields)
    EXPECT_TRUE(Seen.insert(SysUtils::UpperCase(F.FieldName)).second) << F.FieldName;
  const std::vector<std::string> Names = FieldNames(Info);
  EXPECT_THAT(std::vector<std::string>(Names.begin(), Names.begin() + 7),
              ElementsAre("a", "A_1", "a_2", "a_3", "A_4", "a_2_1", "a_5"));
  EXPECT_TRUE(Info.TooManyFields); // b is the field past the limit

  std::string Stars = "select ";
  for (int I = 0; I < 8000; ++I)
    Stars += I ? ", *" : "*";
  Stars += " from t";
  for (TSqlDialect D : {Lite, Pg}) {
    Info = ParseSelect(Stars, D, FixedLookup({{"t", {"id", "name", "city", "zip"}}}));
    EXPECT_THAT(Info.Fields, SizeIs(MaxSelectFields));
    EXPECT_TRUE(Info.TooManyFields);
    EXPECT_THAT(Info.Problems, ElementsAre(HasSubstr("line 1, column 3080: the statement gives "
                                                     "more than 4096 fields")));
  }
  // Stars in many subqueries count together.
  std::string Nested = "select * from t";
  for (int I = 0; I < 40; ++I)
    Nested = "select * from (" + Nested + ") s" + std::to_string(I) + ", t t" + std::to_string(I);
  Info = ParseSelect(Nested, Lite, FixedLookup({{"t", std::vector<std::string>(1000, "c")}}));
  EXPECT_TRUE(Info.TooManyFields);
  EXPECT_LE(Info.Fields.size(), MaxSelectFields);
}

TEST(SqlParser, FieldAndTableInfoEntries) {
  TSelectInfo Info = ParseSelect("select c.ID as CUST_ID, c.NAME, 1 as one from CUSTOMER c, "
                                 "(select 1) d, ORDERS",
                                 Lite);
  EXPECT_THAT(FieldInfoEntries(Info),
              ElementsAre(std::pair<std::string, std::string>{"CUST_ID", "CUSTOMER.ID"},
                          std::pair<std::string, std::string>{"NAME", "CUSTOMER.NAME"}));
  EXPECT_THAT(TableInfoEntries(Info),
              ElementsAre(std::pair<std::string, std::string>{"c", "CUSTOMER"},
                          std::pair<std::string, std::string>{"ORDERS", "ORDERS"}));
  Info = ParseSelect(R"(select x."My Col" from "My Owner"."My Table" x)", Pg);
  EXPECT_THAT(FieldInfoEntries(Info), ElementsAre(std::pair<std::string, std::string>{
                                          "My Col", R"("My Owner"."My Table".My Col)"}));
}

// ----- parameters -----

TEST(SqlParams, NamedParametersOutsideLiteralsAndComments) {
  const std::string Sql = "select :a, ':b', \":c\", x::int, /* :d */ :\"my param\" -- :e\n"
                          "from t where y = $$ :f $$ and z = :a2";
  std::vector<TSqlParam> P = ScanParams(Sql, Pg);
  ASSERT_THAT(P, SizeIs(3));
  EXPECT_EQ(P[0].Name, "a");
  EXPECT_EQ(Sql.substr(P[0].Offset, P[0].Length), ":a");
  EXPECT_EQ(P[1].Name, "my param");
  EXPECT_EQ(Sql.substr(P[1].Offset, P[1].Length), ":\"my param\"");
  EXPECT_EQ(P[2].Name, "a2");
  // SQLite has no dollar quoting, so :f counts there; its native ?, @x and $x
  // are not named parameters of ours.
  std::vector<TSqlParam> L = ScanParams("select :a, ?, @b, $c, [:d], `:e`, $$ :f $$", Lite);
  ASSERT_THAT(L, SizeIs(2));
  EXPECT_EQ(L[0].Name, "a");
  EXPECT_EQ(L[1].Name, "f");
}

TEST(SqlParams, ReplaceRewritesEveryOccurrenceInOrder) {
  auto Dollar = [](std::size_t I, const std::string&) {
    std::string Placeholder = "$";
    Placeholder += std::to_string(I + 1);
    return Placeholder;
  };
  EXPECT_EQ(ReplaceParams("select * from t where a = :a and b = ':x' and c = :a::int", Pg, Dollar),
            "select * from t where a = $1 and b = ':x' and c = $2::int");
  std::vector<std::string> Seen;
  auto Question = [&](std::size_t, const std::string& Name) {
    Seen.push_back(Name);
    return std::string("?");
  };
  EXPECT_EQ(ReplaceParams(":\"p q\",:r", Lite, Question), "?,?");
  EXPECT_THAT(Seen, ElementsAre("p q", "r"));
  EXPECT_EQ(ReplaceParams("no parameters 'x :y'", Lite, Question), "no parameters 'x :y'");
  // An unterminated literal swallows the rest, as it does in the engine.
  EXPECT_EQ(ReplaceParams("a = :a and b = ':b", Lite, Question), "a = ? and b = ':b");
}

// ----- the MySQL dialect -----

TEST(SqlTokenizer, MySQLQuotesNamesInBackticksAndStringsInEitherQuote) {
  EXPECT_THAT(Kinds(R"(select `a``b`, "x\"y", 'it\'s', 'a''b' from `my table`)", My),
              ElementsAre("id:select", "qid:`a``b`", ",:,", R"(str:"x\"y")", ",:,",
                          R"(str:'it\'s')", ",:,", "str:'a''b'", "id:from", "qid:`my table`"));
  EXPECT_EQ(IdentifierName("`a``b`", My), "a`b");
  EXPECT_EQ(IdentifierName("MiXed", My), "MiXed");
  // An alias written as a string: its escapes undone as the server does.
  EXPECT_EQ(IdentifierName(R"('it\'s\n')", My), "it's\n");
  // A backslash ending a string escapes the quote: the string runs on.
  EXPECT_EQ(Kinds(R"('abc\')", My).back(), R"(invalid:'abc\')");
  // [ ] are no quotes in MySQL.
  EXPECT_THAT(Kinds("[a]", My), ElementsAre("[:[", "id:a", "]:]"));
}

TEST(SqlTokenizer, MySQLCommentsAndOperators) {
  // '#' comments to the end of the line; "--" only before a blank or tab.
  EXPECT_THAT(Kinds("a # note\nb -- note\nc --d /* g */ e--\tf\nh", My),
              ElementsAre("id:a", "id:b", "id:c", "op:-", "op:-", "id:d", "id:e", "id:h"));
  EXPECT_THAT(Kinds("a<=>b a:=1 a&&b !a @v @@sql_mode ? 0x1F", My),
              ElementsAre("id:a", "op:<=>", "id:b", "id:a", "op::=", "num:1", "id:a", "op:&&",
                          "id:b", "op:!", "id:a", "param:@v", "param:@@sql_mode", "param:?",
                          "num:0x1F"));
  // Named parameters are the runtime's own, in every dialect.
  const auto Params = ScanParams("select * from t where a = :a and b = '#:no' # :no\n", My);
  ASSERT_THAT(Params, SizeIs(1));
  EXPECT_EQ(Params[0].Name, "a");
}

// A session in ANSI_QUOTES mode: "x" is a name (a backslash in it is itself,
// a doubled quote one quote), backticks still are, '..' stays a string.
TEST(SqlParser, MySQLInAnsiQuotesModeReadsDoubleQuotedTextAsNames) {
  constexpr TSqlDialect Ansi = TSqlDialect::MySQLAnsiQuotes;
  EXPECT_THAT(Kinds(R"(select "a""b", `c`, 'it\'s', "d\" from "t")", Ansi),
              ElementsAre("id:select", R"(qid:"a""b")", ",:,", "qid:`c`", ",:,", R"(str:'it\'s')",
                          ",:,", R"(qid:"d\")", "id:from", R"(qid:"t")"));
  EXPECT_EQ(IdentifierName(R"("a""b")", Ansi), "a\"b");
  EXPECT_EQ(DialectRules(Ansi).QuoteOpen, '"');
  auto Lookup = FixedLookup({{"orders", {"id", "total"}}});
  TSelectInfo Info =
      ParseSelect(R"(select "o"."id", "total" as "Sum", 'id' from "orders" "o" where "id" = :id)",
                  Ansi, Lookup);
  EXPECT_THAT(FieldNames(Info), ElementsAre("id", "Sum", "id_1"));
  EXPECT_THAT(Origins(Info), ElementsAre("\"orders\".id", "\"orders\".total", "-"));
  EXPECT_THAT(Info.Problems, IsEmpty());
  // The same text in a session without the mode: strings, named by their
  // values as the server names them, without origins.
  Info = ParseSelect(R"(select "id", total, 'a\'b', 'x' || 'y' from orders)", My, Lookup);
  EXPECT_THAT(FieldNames(Info), ElementsAre("id", "total", "a'b", "'x' || 'y'"));
  EXPECT_THAT(Origins(Info), ElementsAre("-", "orders.total", "-", "-"));
  ASSERT_THAT(ScanParams(R"(select ":x" from t where a = :a)", Ansi), SizeIs(1));
}

// A session in NO_BACKSLASH_ESCAPES mode: a backslash is an ordinary
// character, so 'C:\' ends where the default mode reads on, and what follows
// it (a parameter, a FROM clause) is read as SQL.
TEST(SqlParser, MySQLWithoutBackslashEscapesEndsAStringAtItsQuote) {
  constexpr TSqlDialect Nbe = TSqlDialect::MySQLNoBackslashEscapes;
  constexpr TSqlDialect AnsiNbe = TSqlDialect::MySQLAnsiQuotesNoBackslashEscapes;
  const std::string SQL = R"(select 'C:\' as dir, "x\" from t where id = :id and n <> '\n')";
  EXPECT_THAT(Kinds(SQL, Nbe),
              ElementsAre("id:select", R"(str:'C:\')", "id:as", "id:dir", ",:,", R"(str:"x\")",
                          "id:from", "id:t", "id:where", "id:id", "op:=", "param::id", "id:and",
                          "id:n", "op:<>", R"(str:'\n')"));
  EXPECT_EQ(Kinds(SQL, My).back().rfind("invalid:", 0), 0u);
  EXPECT_THAT(ScanParams(SQL, Nbe), SizeIs(1));
  EXPECT_THAT(ScanParams(SQL, My), IsEmpty());
  // With ANSI_QUOTES as well, "x\" is a name and '..' keeps its backslashes.
  EXPECT_THAT(Kinds(R"('a\' "b\")", AnsiNbe), ElementsAre(R"(str:'a\')", R"(qid:"b\")"));
  EXPECT_EQ(DialectRules(AnsiNbe).QuoteOpen, '"');
  EXPECT_EQ(DialectRules(Nbe).QuoteOpen, '`');
  // Unaliased strings are named by their value, backslashes kept; a doubled
  // quote still stands for one.
  auto Lookup = FixedLookup({{"t", {"id"}}});
  TSelectInfo Info = ParseSelect(R"(select 'a\nb', 'it''s\', id from t)", Nbe, Lookup);
  EXPECT_THAT(FieldNames(Info), ElementsAre(R"(a\nb)", R"(it's\)", "id"));
  EXPECT_THAT(Origins(Info), ElementsAre("-", "-", "t.id"));
  EXPECT_EQ(IdentifierName(R"('a\tb')", Nbe), R"(a\tb)");
  EXPECT_EQ(IdentifierName(R"('a\tb')", My), "a\tb");
}

TEST(SqlParser, MySQLReadsBacktickNamesAndNamesExpressionsByTheirText) {
  auto Lookup = FixedLookup({{"`Order Lines`", {"Id", "Qty"}}, {"orders", {"id", "total"}}});
  TSelectInfo Info =
      ParseSelect("select `ol`.`ID`, qty * 2, o.total 'Sum', o.id as \"oid\", `o`.* -- tail\n"
                  "from `Order Lines` ol join orders o on o.id = ol.id # tail",
                  My, Lookup);
  // Named as written; a dataset makes the repeated id unique.
  EXPECT_THAT(FieldNames(Info), ElementsAre("ID", "qty * 2", "Sum", "oid", "id_1", "total"));
  EXPECT_THAT(Origins(Info), ElementsAre("`Order Lines`.Id", "-", "orders.total", "orders.id",
                                         "orders.id", "orders.total"));
  EXPECT_THAT(Info.Problems, IsEmpty());
  // Index hints after a table are no alias.
  Info = ParseSelect("select o.id, o.total from orders o force index (primary) use key for join "
                     "(a, b) join orders p ignore index (x) on p.id = o.id",
                     My, Lookup);
  EXPECT_THAT(Origins(Info), ElementsAre("orders.id", "orders.total"));
  EXPECT_THAT(Info.Problems, IsEmpty());
  Info = ParseSelect("select id from orders force index (i)", My, Lookup);
  EXPECT_THAT(Info.Tables, SizeIs(1));
  EXPECT_EQ(Info.Tables[0].Alias, "");
  // A UNION's columns have no origin on this server.
  Info = ParseSelect("select id from orders union select id from orders", My, Lookup);
  EXPECT_THAT(Origins(Info), ElementsAre("-"));
}
