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

// Skips a PostgreSQL test when no cluster is named, except under CI, where
// the test fails instead.
#define OV_REQUIRE_PG()                                                                            \
  do {                                                                                             \
    if (::TestSupport::PgURI().empty()) {                                                          \
      if (::TestSupport::UnderCI())                                                                \
        FAIL() << "ORVANE_TEST_PG is not set; CI must run the PostgreSQL tests";                   \
      GTEST_SKIP() << "ORVANE_TEST_PG is not set";                                                 \
    }                                                                                              \
  } while (0)

// Skips a MySQL test when no server is named, except under CI, where the
// test fails instead.
#define OV_REQUIRE_MYSQL()                                                                         \
  do {                                                                                             \
    if (::TestSupport::MySQLURI().empty()) {                                                       \
      if (::TestSupport::UnderCI())                                                                \
        FAIL() << "ORVANE_TEST_MYSQL is not set; CI must run the MySQL tests";                     \
      GTEST_SKIP() << "ORVANE_TEST_MYSQL is not set";                                              \
    }                                                                                              \
  } while (0)
