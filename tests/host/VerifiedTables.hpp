// What an `updatesql --json --all-tables --verify` run printed, as the tests
// read it.
#pragma once

#include "support/Process.hpp"

#include <gtest/gtest.h>
#include <nlohmann/json.hpp>

#include <map>
#include <string>

// Each table's report by its name, every one expected to have passed its
// statement checks (a failure names the table); empty when the run failed.
inline std::map<std::string, nlohmann::json> VerifiedTables(const TestSupport::TRunResult& R) {
  std::map<std::string, nlohmann::json> Tables;
  if (R.ExitCode != 0) {
    ADD_FAILURE() << "exit code " << R.ExitCode << "\n" << R.Out << R.Err;
    return Tables;
  }
  const nlohmann::json J = nlohmann::json::parse(R.Out);
  for (const nlohmann::json& T : J["tables"]) {
    EXPECT_EQ(T["verify"]["ok"], true) << T.dump();
    Tables[T["table"]] = T;
  }
  return Tables;
}
