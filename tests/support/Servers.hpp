// The throwaway servers the tests run against: scripts/run-tests.sh starts a
// PostgreSQL cluster for the run and names it in ORVANE_TEST_PG.
#pragma once

#include <gtest/gtest.h>

#include <string>

namespace TestSupport {

// The cluster's connection URI, empty when no cluster is named.
std::string PgURI();
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
