// The engines as the parser's oracle: every statement of the corpus is
// prepared by SQLite and by the PostgreSQL test cluster, and what the parser
// says about each result column is held against the engine's own result
// metadata (name, origin table and column).
#include "orvane60/OVSqlParse.hpp"

#include "SqlParseCorpus.hpp"
#include "support/Servers.hpp"

#include <gtest/gtest.h>

#include <libpq-fe.h>
#include <sqlite3.h>

#include <cstdlib>
#include <filesystem>
#include <memory>
#include <random>
#include <unistd.h>

using namespace OVSqlParse;
using SqlParseCorpus::TOracleMode;

namespace {

// One result column as the engine describes it.
struct TEngineColumn {
  std::string Name;
  bool HasOrigin = false;
  std::string Schema; // SQLite: the database name ("main"); PostgreSQL: the namespace
  std::string Table;
  std::string Column;
};

const SqlParseCorpus::TCorpus& Corpus() {
  static const SqlParseCorpus::TCorpus C = SqlParseCorpus::LoadCorpus(SqlParseCorpus::CorpusPath());
  return C;
}

bool HasStar(const std::string& Sql, TSqlDialect D) {
  for (const TToken& T : Tokenize(Sql, D))
    if (T.Kind == TTokenKind::Operator && T.Text == "*")
      return true;
  return false;
}

// Holds the parser's report against the engine's for one statement. Table
// names are compared after unquoting and folding as the dialect does; a
// schema written in the FROM clause must be the engine's schema too.
void Compare(const SqlParseCorpus::TCase& Case, TSqlDialect D, const TSelectInfo& Info,
             const std::vector<TEngineColumn>& Engine, bool WithLookup) {
  SCOPED_TRACE(std::string(D == TSqlDialect::SQLite ? "SQLite" : "PostgreSQL") +
               (WithLookup ? " with lookup" : " without lookup") +
               ", select-corpus.txt:" + std::to_string(Case.Line) + ": " + Case.Sql);
  ASSERT_EQ(Info.Fields.size(), Engine.size());
  std::vector<std::string> Names;
  for (const TEngineColumn& E : Engine)
    Names.push_back(E.Name);
  Names = SqlParseCorpus::DatasetNames(Names);
  for (std::size_t I = 0; I < Engine.size(); ++I) {
    const TSelectField& F = Info.Fields[I];
    const TEngineColumn& E = Engine[I];
    // Without the catalog SQLite's spelling of a column is unknowable; the
    // letters must still be the same.
    if (WithLookup || D == TSqlDialect::PostgreSQL) {
      EXPECT_EQ(F.FieldName, Names[I]) << "field " << I;
    } else {
      EXPECT_TRUE(SqlParseCorpus::SameCatalogName(F.FieldName, Names[I], TSqlDialect::SQLite))
          << "field " << I << ": " << F.FieldName << " vs " << Names[I];
    }
    if (F.HasOrigin) {
      ASSERT_TRUE(E.HasOrigin) << "field " << I << " " << F.FieldName << ": the parser says "
                               << F.Table << "." << F.Column << ", the engine knows no origin";
      std::vector<std::string> Parts = SplitName(F.Table, D);
      ASSERT_FALSE(Parts.empty()) << F.Table;
      EXPECT_TRUE(SqlParseCorpus::SameCatalogName(Parts.back(), E.Table, D))
          << "field " << I << ": " << F.Table << " vs " << E.Table;
      if (Parts.size() > 1) {
        EXPECT_TRUE(SqlParseCorpus::SameCatalogName(Parts[Parts.size() - 2], E.Schema, D))
            << "field " << I << ": " << F.Table << " vs " << E.Schema;
      }
      if (WithLookup || D == TSqlDialect::PostgreSQL) {
        EXPECT_EQ(F.Column, E.Column) << "field " << I;
      } else {
        EXPECT_TRUE(SqlParseCorpus::SameCatalogName(F.Column, E.Column, D)) << "field " << I;
      }
    } else if (Case.Oracle == TOracleMode::Exact && WithLookup) {
      EXPECT_FALSE(E.HasOrigin) << "field " << I << " " << F.FieldName
                                << ": the engine knows the origin " << E.Table << "." << E.Column;
    }
  }
}

// ----- SQLite -----

class SqlParseOracleSQLite : public ::testing::Test {
protected:
  void SetUp() override {
    if (!sqlite3_compileoption_used("ENABLE_COLUMN_METADATA"))
      GTEST_FAIL() << "this SQLite is built without column metadata";
    std::random_device Random;
    FDir = std::filesystem::temp_directory_path() /
           ("ovsqlparse-" + std::to_string(::getpid()) + "-" + std::to_string(Random()));
    std::filesystem::create_directories(FDir);
    ASSERT_EQ(sqlite3_open((FDir / "oracle.db").c_str(), &FDb), SQLITE_OK);
    for (const std::string& Sql : Corpus().SchemaSqlite) {
      char* Error = nullptr;
      ASSERT_EQ(sqlite3_exec(FDb, Sql.c_str(), nullptr, nullptr, &Error), SQLITE_OK)
          << Sql << ": " << (Error ? Error : "");
    }
  }
  void TearDown() override {
    sqlite3_close(FDb);
    std::error_code Ignored;
    std::filesystem::remove_all(FDir, Ignored);
  }

  std::optional<std::vector<std::string>> Columns(const TSelectTable& T) {
    std::vector<std::string> Parts = SplitName(T.Name, TSqlDialect::SQLite);
    if (Parts.empty() || Parts.size() > 2)
      return std::nullopt;
    sqlite3_stmt* St = nullptr;
    sqlite3_prepare_v2(FDb, "select name from pragma_table_info(?1, ?2)", -1, &St, nullptr);
    sqlite3_bind_text(St, 1, Parts.back().c_str(), -1, SQLITE_TRANSIENT);
    sqlite3_bind_text(St, 2, Parts.size() == 2 ? Parts[0].c_str() : "main", -1, SQLITE_TRANSIENT);
    std::vector<std::string> Names;
    while (sqlite3_step(St) == SQLITE_ROW)
      Names.emplace_back(reinterpret_cast<const char*>(sqlite3_column_text(St, 0)));
    sqlite3_finalize(St);
    if (Names.empty())
      return std::nullopt;
    return Names;
  }

  std::vector<TEngineColumn> Describe(const std::string& Sql) {
    sqlite3_stmt* St = nullptr;
    if (sqlite3_prepare_v2(FDb, Sql.c_str(), -1, &St, nullptr) != SQLITE_OK) {
      ADD_FAILURE() << "SQLite cannot prepare " << Sql << ": " << sqlite3_errmsg(FDb);
      return {};
    }
    std::vector<TEngineColumn> Out;
    auto Text = [](const char* P) { return P ? std::string(P) : std::string(); };
    for (int I = 0; I < sqlite3_column_count(St); ++I) {
      TEngineColumn C;
      C.Name = Text(sqlite3_column_name(St, I));
      C.HasOrigin = sqlite3_column_table_name(St, I) != nullptr;
      C.Schema = Text(sqlite3_column_database_name(St, I));
      C.Table = Text(sqlite3_column_table_name(St, I));
      C.Column = Text(sqlite3_column_origin_name(St, I));
      Out.push_back(std::move(C));
    }
    sqlite3_finalize(St);
    return Out;
  }

  std::filesystem::path FDir;
  sqlite3* FDb = nullptr;
};

TEST_F(SqlParseOracleSQLite, CorpusCatalogMatchesTheEngine) {
  for (const auto& [Table, Expected] : Corpus().CatalogSqlite)
    EXPECT_EQ(Columns({"", "\"" + Table + "\"", false}), Expected) << Table;
}

TEST_F(SqlParseOracleSQLite, ParserAgreesWithTheEngine) {
  TColumnLookup Lookup = [this](const TSelectTable& T) { return Columns(T); };
  int Compared = 0;
  for (const auto& Case : Corpus().Cases) {
    if (!Case.Sqlite.Runs || Case.Oracle == TOracleMode::Skip)
      continue;
    std::vector<TEngineColumn> Engine = Describe(Case.Sql);
    Compare(Case, TSqlDialect::SQLite, ParseSelect(Case.Sql, TSqlDialect::SQLite, Lookup), Engine,
            true);
    if (!HasStar(Case.Sql, TSqlDialect::SQLite))
      Compare(Case, TSqlDialect::SQLite, ParseSelect(Case.Sql, TSqlDialect::SQLite), Engine, false);
    ++Compared;
  }
  EXPECT_GT(Compared, 40);
}

// ----- PostgreSQL -----

struct TPgClose {
  void operator()(PGconn* C) const { PQfinish(C); }
};
struct TPgClear {
  void operator()(PGresult* R) const { PQclear(R); }
};
using TPgConn = std::unique_ptr<PGconn, TPgClose>;
using TPgResult = std::unique_ptr<PGresult, TPgClear>;

// A database of its own in the test cluster, dropped again afterwards, so the
// schema's public.customer and friends cannot meet another suite's tables.
class SqlParseOraclePg : public ::testing::Test {
protected:
  void SetUp() override {
    OV_REQUIRE_PG();
    FUri = TestSupport::PgURI();
    FAdmin = Connect("");
    ASSERT_EQ(PQstatus(FAdmin.get()), CONNECTION_OK) << PQerrorMessage(FAdmin.get());
    std::random_device Random;
    FDbName = "ovsqlparse_" + std::to_string(::getpid()) + "_" + std::to_string(Random() % 100000);
    Exec(FAdmin.get(), "create database " + FDbName);
    FConn = Connect(FDbName);
    ASSERT_EQ(PQstatus(FConn.get()), CONNECTION_OK) << PQerrorMessage(FConn.get());
    for (const std::string& Sql : Corpus().SchemaPg)
      Exec(FConn.get(), Sql);
  }
  void TearDown() override {
    FConn.reset();
    if (FAdmin)
      Exec(FAdmin.get(), "drop database if exists " + FDbName);
  }

  TPgConn Connect(const std::string& DbName) {
    // The URI's own database, unless a later dbname overrides it.
    const char* Keys[] = {"dbname", DbName.empty() ? nullptr : "dbname", nullptr};
    const char* Values[] = {FUri.c_str(), DbName.c_str(), nullptr};
    return TPgConn(PQconnectdbParams(Keys, Values, 1));
  }

  static void Exec(PGconn* C, const std::string& Sql) {
    TPgResult R(PQexec(C, Sql.c_str()));
    ASSERT_EQ(PQresultStatus(R.get()), PGRES_COMMAND_OK) << Sql << ": " << PQerrorMessage(C);
  }

  TPgResult Query(const char* Sql, std::vector<std::string> Params) {
    std::vector<const char*> Values;
    for (const std::string& P : Params)
      Values.push_back(P.c_str());
    return TPgResult(PQexecParams(FConn.get(), Sql, static_cast<int>(Values.size()), nullptr,
                                  Values.data(), nullptr, nullptr, 0));
  }

  // The catalog's columns of a table named as the SQL writes it: to_regclass
  // applies the server's own quoting, folding and search path.
  std::optional<std::vector<std::string>> Columns(const TSelectTable& T) {
    TPgResult R = Query("select attname from pg_attribute where attrelid = to_regclass($1) "
                        "and attnum > 0 and not attisdropped order by attnum",
                        {T.Name});
    if (PQresultStatus(R.get()) != PGRES_TUPLES_OK || PQntuples(R.get()) == 0)
      return std::nullopt;
    std::vector<std::string> Names;
    for (int I = 0; I < PQntuples(R.get()); ++I)
      Names.emplace_back(PQgetvalue(R.get(), I, 0));
    return Names;
  }

  std::vector<TEngineColumn> Describe(const std::string& Sql) {
    TPgResult Prepared(PQprepare(FConn.get(), "", Sql.c_str(), 0, nullptr));
    if (PQresultStatus(Prepared.get()) != PGRES_COMMAND_OK) {
      ADD_FAILURE() << "the server cannot prepare " << Sql << ": " << PQerrorMessage(FConn.get());
      return {};
    }
    TPgResult D(PQdescribePrepared(FConn.get(), ""));
    std::vector<TEngineColumn> Out;
    for (int I = 0; I < PQnfields(D.get()); ++I) {
      TEngineColumn C;
      C.Name = PQfname(D.get(), I);
      const Oid Table = PQftable(D.get(), I);
      const int Column = PQftablecol(D.get(), I);
      if (Table != InvalidOid && Column > 0) {
        TPgResult M = Query("select n.nspname, c.relname, a.attname from pg_class c "
                            "join pg_namespace n on n.oid = c.relnamespace "
                            "join pg_attribute a on a.attrelid = c.oid "
                            "where c.oid = $1::oid and a.attnum = $2::int2",
                            {std::to_string(Table), std::to_string(Column)});
        if (PQntuples(M.get()) == 1) {
          C.HasOrigin = true;
          C.Schema = PQgetvalue(M.get(), 0, 0);
          C.Table = PQgetvalue(M.get(), 0, 1);
          C.Column = PQgetvalue(M.get(), 0, 2);
        }
      }
      Out.push_back(std::move(C));
    }
    return Out;
  }

  std::string FUri;
  std::string FDbName;
  TPgConn FAdmin;
  TPgConn FConn;
};

TEST_F(SqlParseOraclePg, CorpusCatalogMatchesTheEngine) {
  for (const auto& [Table, Expected] : Corpus().CatalogPg)
    EXPECT_EQ(Columns({"", "\"" + Table + "\"", false}), Expected) << Table;
}

TEST_F(SqlParseOraclePg, ParserAgreesWithTheEngine) {
  TColumnLookup Lookup = [this](const TSelectTable& T) { return Columns(T); };
  int Compared = 0;
  for (const auto& Case : Corpus().Cases) {
    if (!Case.Pg.Runs || Case.Oracle == TOracleMode::Skip)
      continue;
    std::vector<TEngineColumn> Engine = Describe(Case.Sql);
    Compare(Case, TSqlDialect::PostgreSQL, ParseSelect(Case.Sql, TSqlDialect::PostgreSQL, Lookup),
            Engine, true);
    if (!HasStar(Case.Sql, TSqlDialect::PostgreSQL))
      Compare(Case, TSqlDialect::PostgreSQL, ParseSelect(Case.Sql, TSqlDialect::PostgreSQL), Engine,
              false);
    ++Compared;
  }
  EXPECT_GT(Compared, 40);
}

} // namespace
