// The throwaway servers the tests run against: scripts/run-tests.sh starts a
// PostgreSQL cluster and a MariaDB server for the run and names them in
// ORVANE_TEST_PG and ORVANE_TEST_MYSQL.
#pragma once

#include <gtest/gtest.h>

#include <string>

namespace TestSupport {

// The cluster's connection URI, empty when no cluster is named.
std::string PgURI();
// The MariaDB server's connection URI (database "orvane"), empty when none.
std::string MySQLURI();
// Whether the run is CI's, which must run every server's tests.
bool UnderCI();

} // namespace TestSupport

// Skips a test of a server when URI is empty (the environment variable
// Variable names no server), except under CI, where the test fails instead.
#define OV_REQUIRE_SERVER(URI, Variable, Server)                                                   \
  do {                                                                                             \
    if ((URI).empty()) {                                                                           \
      if (::TestSupport::UnderCI())                                                                \
        FAIL() << Variable " is not set; CI must run the " Server " tests";                        \
      GTEST_SKIP() << Variable " is not set";                                                      \
    }                                                                                              \
  } while (0)

// A PostgreSQL test: the throwaway cluster's URI is in ORVANE_TEST_PG.
#define OV_REQUIRE_PG() OV_REQUIRE_SERVER(::TestSupport::PgURI(), "ORVANE_TEST_PG", "PostgreSQL")
// A MySQL test: the throwaway server's URI is in ORVANE_TEST_MYSQL.
#define OV_REQUIRE_MYSQL()                                                                         \
  OV_REQUIRE_SERVER(::TestSupport::MySQLURI(), "ORVANE_TEST_MYSQL", "MySQL")
