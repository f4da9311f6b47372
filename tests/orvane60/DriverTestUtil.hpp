// Fixtures of the driver tests: a SQLite database in a temporary folder, and a
// PostgreSQL database created per test suite in the cluster that
// ORVANE_TEST_PG names (dropped again after the suite).
#pragma once

#include "orvane60/drivers/OVDriver.hpp"
#include "support/Errors.hpp"
#include "support/Servers.hpp"
#include "support/TempDir.hpp"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <random>
#include <string>
#include <unistd.h>

namespace DriverTestUtil {

using namespace OVDriver;

using TestSupport::ErrorOf;
using TestSupport::TTempDir;

using TStrings = std::vector<std::string>;

// Whether Text holds every one of Parts; names the first missing one.
inline ::testing::AssertionResult HasAll(const std::string& Text,
                                         std::initializer_list<std::string> Parts) {
  for (const std::string& Part : Parts)
    if (Text.find(Part) == std::string::npos)
      return ::testing::AssertionFailure() << "\"" << Text << "\" lacks \"" << Part << "\"";
  return ::testing::AssertionSuccess();
}

inline std::vector<std::string> ColumnNames(const std::vector<TColumnInfo>& Columns) {
  std::vector<std::string> Names;
  for (const auto& C : Columns)
    Names.push_back(C.Name);
  return Names;
}

// The tables a batch catalogue read answers for, in its order.
inline std::vector<std::string> TablesOf(const TTableColumns& All) {
  std::vector<std::string> Tables;
  for (const auto& [Table, Columns] : All)
    Tables.push_back(Table);
  return Tables;
}

inline bool Contains(const std::vector<std::string>& List, const std::string& Item) {
  return std::find(List.begin(), List.end(), Item) != List.end();
}

// What the server computes of each column, as "name:" then G (generated), A
// (auto-increment) and D (has a default).
inline std::vector<std::string> ColumnFlags(const std::vector<TColumnInfo>& Columns) {
  std::vector<std::string> Result;
  for (const TColumnInfo& C : Columns)
    Result.push_back(C.Name + ":" + (C.Generated ? "G" : "") + (C.AutoIncrement ? "A" : "") +
                     (C.HasDefault ? "D" : ""));
  return Result;
}

// Index rows as "index:column:type:position", easy to compare whole.
inline std::vector<std::string> IndexRows(const std::vector<TIndexColumn>& Rows) {
  std::vector<std::string> Result;
  for (const auto& R : Rows)
    Result.push_back(R.IndexName + ":" + R.ColumnName + ":" + std::to_string(R.IndexType) + ":" +
                     std::to_string(R.Position));
  return Result;
}

inline std::int64_t Scalar(TConnection& Conn, const std::string& SQL, const TValues& Params = {}) {
  auto Rows = Conn.Query(SQL, Params);
  if (!Rows->Next())
    throw std::runtime_error("no row from " + SQL);
  return Rows->Value(0).AsInteger();
}

class TSQLiteTest : public ::testing::Test {
protected:
  void SetUp() override {
    FPath = (FDir.Path() / "test.db").string();
    FConn = Open(FPath, true);
  }

  static std::unique_ptr<TConnection> Open(const std::string& Path, bool Create = false) {
    TConnectParams Params;
    Params.RemoteDatabase = Path;
    if (Create)
      Params.Extra.emplace_back("CREATE", "TRUE");
    return FindDriver("SQLite")->Connect(Params);
  }

  TTempDir FDir;
  std::string FPath;
  std::unique_ptr<TConnection> FConn;
};

// One database per suite, so suites may run in parallel against one cluster.
class TPgTest : public ::testing::Test {
protected:
  static std::string ClusterURI() { return TestSupport::PgURI(); }

  static std::unique_ptr<TConnection> ConnectTo(const std::string& Database) {
    TConnectParams Params;
    Params.RemoteDatabase = ClusterURI();
    if (!Database.empty())
      Params.Extra.emplace_back("dbname", Database);
    return FindDriver("PostgreSQL")->Connect(Params);
  }

  static void SetUpTestSuite() {
    if (ClusterURI().empty())
      return;
    const auto* Info = ::testing::UnitTest::GetInstance()->current_test_suite();
    std::string Name = "ovdrv_" + std::to_string(::getpid()) + "_" + Info->name();
    std::transform(Name.begin(), Name.end(), Name.begin(),
                   [](unsigned char C) { return static_cast<char>(std::tolower(C)); });
    Database() = Name;
    auto Admin = ConnectTo({});
    Admin->ExecuteScript("drop database if exists " + Admin->Driver().QuoteIdentifier(Name) +
                         " with (force)");
    Admin->ExecuteScript("create database " + Admin->Driver().QuoteIdentifier(Name));
  }

  static void TearDownTestSuite() {
    if (ClusterURI().empty() || Database().empty())
      return;
    auto Admin = ConnectTo({});
    Admin->ExecuteScript("drop database if exists " + Admin->Driver().QuoteIdentifier(Database()) +
                         " with (force)");
    Database().clear();
  }

  void SetUp() override {
    OV_REQUIRE_PG();
    FConn = ConnectTo(Database());
  }

  static std::string& Database() {
    static std::string Name;
    return Name;
  }

  std::unique_ptr<TConnection> FConn;
};

} // namespace DriverTestUtil
