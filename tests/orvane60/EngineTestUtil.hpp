// Fixtures of the engine tests: a database component over a fresh SQLite file
// in a temporary folder, or over a fresh database in the PostgreSQL cluster
// that ORVANE_TEST_PG names, with a schema built through the driver.
#pragma once

#include "orvane60/OVEngine.hpp"
#include "orvane60/drivers/OVDriver.hpp"
#include "support/Errors.hpp"
#include "support/Servers.hpp"
#include "support/TempDir.hpp"

#include <gtest/gtest.h>

#include <atomic>
#include <cstdlib>
#include <filesystem>
#include <random>
#include <string>
#include <unistd.h>

namespace EngineTestUtil {

using namespace OVEngine;

using TestSupport::ErrorOf;
using TestSupport::PgURI;
using TestSupport::TTempDir;

inline std::unique_ptr<OVDriver::TConnection> PgAdmin(const std::string& Database = {}) {
  OVDriver::TConnectParams Params;
  Params.RemoteDatabase = PgURI();
  if (!Database.empty())
    Params.Extra.emplace_back("dbname", Database);
  return OVDriver::FindDriver("PostgreSQL")->Connect(Params);
}

// A database of one server type with a schema and a database component DB1
// (owned by Form) pointing at it.
class TServerDatabase {
public:
  explicit TServerDatabase(TOVServerType Type) : FType(Type) {
    if (Type == TOVServerType::stSQLite) {
      FFile = (FDir.Path() / "test.db").string();
      OVDriver::TConnectParams Params;
      Params.RemoteDatabase = FFile;
      Params.Extra.emplace_back("CREATE", "TRUE");
      OVDriver::FindDriver("SQLite")->Connect(Params);
      return;
    }
    static std::atomic<int> Counter{0};
    FPgName = "ovrt_" + std::to_string(::getpid()) + "_" + std::to_string(Counter++);
    auto Admin = PgAdmin();
    Admin->ExecuteScript("drop database if exists " + FPgName + " with (force)");
    Admin->ExecuteScript("create database " + FPgName);
  }
  ~TServerDatabase() {
    if (FPgName.empty())
      return;
    try {
      PgAdmin()->ExecuteScript("drop database if exists " + FPgName + " with (force)");
    } catch (...) {
    }
  }
  TServerDatabase(const TServerDatabase&) = delete;
  TServerDatabase& operator=(const TServerDatabase&) = delete;

  // A direct connection, for building fixtures and checking results.
  std::unique_ptr<OVDriver::TConnection> Direct() const {
    if (FType == TOVServerType::stPostgreSQL)
      return PgAdmin(FPgName);
    OVDriver::TConnectParams Params;
    Params.RemoteDatabase = FFile;
    return OVDriver::FindDriver("SQLite")->Connect(Params);
  }

  // Points a database component at this database.
  void Configure(TOVDatabase* Db) const {
    Db->SetServerType(FType);
    if (FType == TOVServerType::stSQLite) {
      Db->SetRemoteDatabase(FFile);
      return;
    }
    Db->SetRemoteDatabase(PgURI());
    Db->GetParams()->SetValue("dbname", FPgName);
  }

  TOVServerType Type() const { return FType; }
  const std::string& File() const { return FFile; }
  const TTempDir& Dir() const { return FDir; }

private:
  TOVServerType FType;
  TTempDir FDir;
  std::string FFile;
  std::string FPgName;
};

inline std::string ServerName(const ::testing::TestParamInfo<TOVServerType>& Info) {
  return GetServerTypeName(Info.param);
}

// Parameterised over both servers: Form owns DB1 (DatabaseName "DB1",
// default session) pointing at a fresh database.
class TEngineTest : public ::testing::TestWithParam<TOVServerType> {
protected:
  void SetUp() override {
    if (GetParam() == TOVServerType::stPostgreSQL)
      OV_REQUIRE_PG();
    FServer = std::make_unique<TServerDatabase>(GetParam());
    FForm = std::make_unique<Classes::TComponent>(nullptr);
    FDb = new TOVDatabase(FForm.get());
    FDb->SetName("DB1");
    FDb->SetDatabaseName("DB1");
    FServer->Configure(FDb);
  }
  void TearDown() override {
    FForm.reset();
    FServer.reset();
  }

  bool IsPg() const { return GetParam() == TOVServerType::stPostgreSQL; }
  void Script(const std::string& SQL) { FServer->Direct()->ExecuteScript(SQL); }
  // SetUp, then Schema run on the server; false when the test is skipped or
  // its set-up failed.
  bool SetUpWithSchema(const std::string& Schema) {
    TEngineTest::SetUp();
    if (IsSkipped() || HasFatalFailure())
      return false;
    Script(Schema);
    return true;
  }

  std::unique_ptr<TServerDatabase> FServer;
  std::unique_ptr<Classes::TComponent> FForm;
  TOVDatabase* FDb = nullptr;
};

inline std::vector<std::string> Lines(const Classes::TStrings& List) {
  return List.ToVector();
}

} // namespace EngineTestUtil
