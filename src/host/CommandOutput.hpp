// Where the host's commands print: their JSON documents, and the forms that
// dialogs show to the person or to a script's dump.
#pragma once

#include <iosfwd>
#include <nlohmann/json.hpp>

namespace HostCommands {

// Prints J as one JSON document (indented, then a line end). Text that is not
// valid UTF-8 (a name or statement read from a file or a database in another
// encoding) has each invalid byte replaced by U+FFFD, so the output always
// stays one valid document instead of failing half-way.
void PrintJson(std::ostream& Out, const nlohmann::ordered_json& J);

// Where dialogs are printed for the person at the terminal and by a script's
// dump: standard output, or standard error under --json, so that standard
// output holds the JSON document alone.
std::ostream& FormsOutput(bool Json);

} // namespace HostCommands
