#include "support/Servers.hpp"

#include <cstdlib>

namespace TestSupport {

std::string PgURI() {
  const char* URI = std::getenv("ORVANE_TEST_PG");
  return URI ? URI : "";
}

std::string MySQLURI() {
  const char* URI = std::getenv("ORVANE_TEST_MYSQL");
  return URI ? URI : "";
}

bool UnderCI() {
  const char* CI = std::getenv("CI");
  return CI && std::string(CI) == "true";
}

} // namespace TestSupport
