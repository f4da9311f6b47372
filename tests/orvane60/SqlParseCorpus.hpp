// Reader of data/select-corpus.txt, shared by the parser's unit tests and its
// engine oracle tests. The file's header describes the format.
#pragma once

#include "orvane60/OVSqlParse.hpp"

#include <fstream>
#include <map>
#include <sstream>
#include <stdexcept>
#include <string>
#include <vector>

namespace SqlParseCorpus {

using OVSqlParse::TSqlDialect;

struct TExpectedField {
  std::string Name;
  std::string Table;
  std::string Column;
  bool HasOrigin = false;
};

struct TExpected {
  bool Runs = false; // the case applies to this dialect
  std::vector<TExpectedField> Fields;
  std::vector<OVSqlParse::TSelectTable> Tables;
  std::size_t Problems = 0;
};

enum class TOracleMode { Exact, Subset, Skip };

struct TCase {
  int Line = 0;
  std::string Sql;
  TExpected Sqlite;
  TExpected Pg;
  TOracleMode Oracle = TOracleMode::Exact;

  TExpected& For(TSqlDialect D) { return D == TSqlDialect::SQLite ? Sqlite : Pg; }
  const TExpected& For(TSqlDialect D) const { return D == TSqlDialect::SQLite ? Sqlite : Pg; }
};

using TCatalog = std::map<std::string, std::vector<std::string>>;

struct TCorpus {
  std::vector<std::string> SchemaSqlite;
  std::vector<std::string> SchemaPg;
  TCatalog CatalogSqlite;
  TCatalog CatalogPg;
  std::vector<TCase> Cases;
};

inline std::string Trim(std::string S) {
  const char* Blanks = " \t\r";
  S.erase(0, S.find_first_not_of(Blanks));
  S.erase(S.find_last_not_of(Blanks) + 1);
  return S;
}

inline std::vector<std::string> SplitBars(const std::string& S) {
  std::vector<std::string> Parts;
  std::stringstream In(S);
  std::string Part;
  while (std::getline(In, Part, '|'))
    Parts.push_back(Trim(Part));
  if (!S.empty() && S.back() == '|')
    Parts.emplace_back();
  return Parts;
}

inline TCorpus LoadCorpus(const std::string& Path) {
  std::ifstream In(Path);
  if (!In)
    throw std::runtime_error("cannot open " + Path);
  TCorpus Corpus;
  std::string Raw;
  int LineNo = 0;
  TCase* Current = nullptr;
  auto Fail = [&](const std::string& Why) {
    throw std::runtime_error(Path + ":" + std::to_string(LineNo) + ": " + Why);
  };
  while (std::getline(In, Raw)) {
    ++LineNo;
    if (!Raw.empty() && Raw.back() == '\r')
      Raw.pop_back();
    if (Raw.empty() || Raw[0] == '#')
      continue;
    if (Raw[0] == ' ' || Raw[0] == '\t') {
      if (!Current)
        Fail("continuation line without a statement");
      Current->Sql += '\n';
      Current->Sql.append(Raw, 1);
      continue;
    }
    const std::size_t Colon = Raw.find(": ");
    if (Colon == std::string::npos)
      Fail("expected 'directive: value'");
    std::string Directive = Raw.substr(0, Colon);
    const std::string Value = Trim(Raw.substr(Colon + 2));
    bool OnlySqlite = false, OnlyPg = false;
    if (Directive.rfind("sqlite ", 0) == 0) {
      OnlySqlite = true;
      Directive = Directive.substr(7);
    } else if (Directive.rfind("pg ", 0) == 0) {
      OnlyPg = true;
      Directive = Directive.substr(3);
    }
    if (Directive == "schema" || Directive == "schema-sqlite" || Directive == "schema-pg") {
      if (Directive != "schema-pg")
        Corpus.SchemaSqlite.push_back(Value);
      if (Directive != "schema-sqlite")
        Corpus.SchemaPg.push_back(Value);
    } else if (Directive == "columns-sqlite" || Directive == "columns-pg") {
      std::vector<std::string> Parts = SplitBars(Value);
      if (Parts.size() < 2)
        Fail("a column list needs a table and a column");
      TCatalog& Catalog = Directive == "columns-pg" ? Corpus.CatalogPg : Corpus.CatalogSqlite;
      Catalog[Parts[0]] = std::vector<std::string>(Parts.begin() + 1, Parts.end());
    } else if (Directive == "sql" || Directive == "sql-sqlite" || Directive == "sql-pg") {
      Corpus.Cases.emplace_back();
      Current = &Corpus.Cases.back();
      Current->Line = LineNo;
      Current->Sql = Value;
      Current->Sqlite.Runs = Directive != "sql-pg";
      Current->Pg.Runs = Directive != "sql-sqlite";
    } else {
      if (!Current)
        Fail("an expectation before any statement");
      std::vector<TExpected*> Targets;
      if (!OnlyPg && Current->Sqlite.Runs)
        Targets.push_back(&Current->Sqlite);
      if (!OnlySqlite && Current->Pg.Runs)
        Targets.push_back(&Current->Pg);
      if (Directive == "field") {
        std::vector<std::string> Parts = SplitBars(Value);
        TExpectedField F;
        F.Name = Parts[0];
        if (Parts.size() == 3) {
          F.HasOrigin = true;
          F.Table = Parts[1];
          F.Column = Parts[2];
        } else if (Parts.size() != 1) {
          Fail("a field is 'Name' or 'Name | Table | Column'");
        }
        for (TExpected* T : Targets)
          T->Fields.push_back(F);
      } else if (Directive == "table") {
        std::vector<std::string> Parts = SplitBars(Value);
        if (Parts.size() != 3 || (Parts[2] != "base" && Parts[2] != "derived"))
          Fail("a table is 'Name | Alias | base|derived'");
        OVSqlParse::TSelectTable T{Parts[1], Parts[0], Parts[2] == "derived"};
        for (TExpected* E : Targets)
          E->Tables.push_back(T);
      } else if (Directive == "problems") {
        for (TExpected* T : Targets)
          T->Problems = std::stoul(Value);
      } else if (Directive == "oracle") {
        if (Value == "subset")
          Current->Oracle = TOracleMode::Subset;
        else if (Value == "skip")
          Current->Oracle = TOracleMode::Skip;
        else
          Fail("oracle is 'subset' or 'skip'");
      } else {
        Fail("unknown directive '" + Directive + "'");
      }
    }
  }
  return Corpus;
}

inline bool SameCatalogName(const std::string& A, const std::string& B, TSqlDialect D) {
  if (D == TSqlDialect::PostgreSQL)
    return A == B;
  if (A.size() != B.size())
    return false;
  for (std::size_t I = 0; I < A.size(); ++I)
    if (std::tolower(static_cast<unsigned char>(A[I])) !=
        std::tolower(static_cast<unsigned char>(B[I])))
      return false;
  return true;
}

// A column lookup answering from a fixed catalog, as the runtime answers from
// the live one: the table is found by the last part of its name.
inline OVSqlParse::TColumnLookup CatalogLookup(const TCatalog& Catalog, TSqlDialect D) {
  return
      [&Catalog, D](const OVSqlParse::TSelectTable& T) -> std::optional<std::vector<std::string>> {
        std::vector<std::string> Parts = OVSqlParse::SplitName(T.Name, D);
        if (Parts.empty())
          return std::nullopt;
        for (const auto& [Name, Columns] : Catalog)
          if (SameCatalogName(Name, Parts.back(), D))
            return Columns;
        return std::nullopt;
      };
}

// The names a dataset gives result columns: repeated ones get _1, _2, ...
inline std::vector<std::string> DatasetNames(const std::vector<std::string>& Names) {
  std::vector<std::string> Out;
  for (const std::string& N : Names) {
    std::string Name = N;
    for (std::size_t I = 1;; ++I) {
      bool Taken = false;
      for (const std::string& O : Out)
        Taken = Taken || SameCatalogName(O, Name, TSqlDialect::SQLite);
      if (!Taken)
        break;
      Name = N + "_" + std::to_string(I);
    }
    Out.push_back(Name);
  }
  return Out;
}

inline std::string CorpusPath() {
  return std::string(OV_TEST_DATA_DIR) + "/select-corpus.txt";
}

} // namespace SqlParseCorpus
