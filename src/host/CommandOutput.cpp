#include "host/CommandOutput.hpp"

#include <iostream>

namespace HostCommands {

void PrintJson(std::ostream& Out, const nlohmann::ordered_json& J) {
  Out << J.dump(2, ' ', false, nlohmann::ordered_json::error_handler_t::replace) << '\n';
}

std::ostream& FormsOutput(bool Json) {
  return Json ? std::cerr : std::cout;
}

} // namespace HostCommands
