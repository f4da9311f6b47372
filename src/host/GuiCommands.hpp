// The host's commands that show windows: the designer window, and pictures of
// it and of the package's dialogs for the documentation.
#pragma once

#include "host/HostCommands.hpp"

namespace HostCommands {

// The commands gui and screenshot (built with the Qt side only).
void AddGuiCommands(CLI::App& App, THost& Host);

} // namespace HostCommands
