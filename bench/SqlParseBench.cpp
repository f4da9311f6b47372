// Tokenizer and SELECT parser throughput: a 1,500-column select list (the
// size of the widest datasets the UpdateSQL editor is opened on), with and
// without a catalog lookup, and the whole test corpus.
#include "orvane60/OVSqlParse.hpp"

#include <benchmark/benchmark.h>

#include <fstream>
#include <string>

using namespace OVSqlParse;

namespace {

struct TWideSelect {
  std::string Sql;
  std::vector<std::string> Columns;
};

const TWideSelect& WideSelect() {
  static const TWideSelect W = [] {
    TWideSelect R;
    R.Sql = "select ";
    for (int I = 0; I < 1500; ++I) {
      R.Columns.push_back("COLUMN_" + std::to_string(I));
      // A mix of the shapes a real list has: plain, qualified, aliased, quoted.
      switch (I % 4) {
      case 0:
        R.Sql += "c.COLUMN_" + std::to_string(I);
        break;
      case 1:
        R.Sql += "column_" + std::to_string(I) + " as ALIAS_" + std::to_string(I);
        break;
      case 2:
        R.Sql += "\"COLUMN_" + std::to_string(I) + "\"";
        break;
      default:
        R.Sql += "COLUMN_" + std::to_string(I);
      }
      R.Sql += I + 1 < 1500 ? ",\n  " : "\n";
    }
    R.Sql += "from CUSTOMER c\nwhere c.COLUMN_0 > 0\norder by 1";
    return R;
  }();
  return W;
}

void BM_Tokenize1500Columns(benchmark::State& State) {
  const std::string& Sql = WideSelect().Sql;
  for (auto _ : State) {
    TTokenizer T(Sql, TSqlDialect::SQLite);
    std::size_t Count = 0;
    while (T.Next().Kind != TTokenKind::End)
      ++Count;
    benchmark::DoNotOptimize(Count);
  }
  State.SetBytesProcessed(static_cast<std::int64_t>(State.iterations() * Sql.size()));
}
BENCHMARK(BM_Tokenize1500Columns);

void BM_Parse1500Columns(benchmark::State& State) {
  const std::string& Sql = WideSelect().Sql;
  const TSqlDialect D = State.range(0) ? TSqlDialect::PostgreSQL : TSqlDialect::SQLite;
  for (auto _ : State)
    benchmark::DoNotOptimize(ParseSelect(Sql, D));
  State.SetBytesProcessed(static_cast<std::int64_t>(State.iterations() * Sql.size()));
}
BENCHMARK(BM_Parse1500Columns)->Arg(0)->Arg(1)->Unit(benchmark::kMicrosecond);

void BM_Parse1500ColumnsWithLookup(benchmark::State& State) {
  const TWideSelect& W = WideSelect();
  TColumnLookup Lookup = [&](const TSelectTable&) -> std::optional<std::vector<std::string>> {
    return W.Columns;
  };
  for (auto _ : State)
    benchmark::DoNotOptimize(ParseSelect(W.Sql, TSqlDialect::SQLite, Lookup));
}
BENCHMARK(BM_Parse1500ColumnsWithLookup)->Unit(benchmark::kMicrosecond);

void BM_ParseStar1500Columns(benchmark::State& State) {
  const TWideSelect& W = WideSelect();
  TColumnLookup Lookup = [&](const TSelectTable&) -> std::optional<std::vector<std::string>> {
    return W.Columns;
  };
  for (auto _ : State)
    benchmark::DoNotOptimize(ParseSelect("select * from CUSTOMER", TSqlDialect::SQLite, Lookup));
}
BENCHMARK(BM_ParseStar1500Columns)->Unit(benchmark::kMicrosecond);

// The corpus is found through the build's data folder macro, else relative to
// the source tree the benchmark runs in.
#if defined(OV_TEST_DATA_DIR)
constexpr const char* CorpusPath = OV_TEST_DATA_DIR "/select-corpus.txt";
#elif defined(OV_SOURCE_DIR)
constexpr const char* CorpusPath = OV_SOURCE_DIR "/tests/orvane60/data/select-corpus.txt";
#else
constexpr const char* CorpusPath = "tests/orvane60/data/select-corpus.txt";
#endif

void BM_ParseCorpus(benchmark::State& State) {
  std::vector<std::string> Statements;
  std::ifstream In(CorpusPath);
  if (!In) {
    State.SkipWithError("the SELECT corpus was not found");
    return;
  }
  for (std::string Line; std::getline(In, Line);) {
    if (Line.rfind("sql", 0) == 0 && Line.find(": ") != std::string::npos)
      Statements.push_back(Line.substr(Line.find(": ") + 2));
    else if (!Line.empty() && Line[0] == ' ' && !Statements.empty())
      Statements.back() += "\n" + Line;
  }
  std::size_t Bytes = 0;
  for (const std::string& S : Statements)
    Bytes += S.size();
  for (auto _ : State)
    for (const std::string& S : Statements)
      benchmark::DoNotOptimize(ParseSelect(S, TSqlDialect::PostgreSQL));
  State.SetItemsProcessed(static_cast<std::int64_t>(State.iterations() * Statements.size()));
  State.SetBytesProcessed(static_cast<std::int64_t>(State.iterations() * Bytes));
}
BENCHMARK(BM_ParseCorpus)->Unit(benchmark::kMicrosecond);

} // namespace

BENCHMARK_MAIN();
