// The commands of the design's history and clipboard at the command line:
// undo and redo of the changes the other commands made to a design file (kept
// beside it, in ".NAME.ovhistory"), the history itself, and copying and
// pasting components as their text form.
#pragma once

#include "host/HostCommands.hpp"

namespace HostCommands {

// The commands undo, redo, history, copy and paste.
void AddHistoryCommands(CLI::App& App, THost& Host);

} // namespace HostCommands
