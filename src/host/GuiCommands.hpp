// The host's commands that show windows: the designer window, and pictures of
// it and of the package's dialogs for the documentation.
#pragma once

#include "host/HostCommands.hpp"

#include <iosfwd>
#include <string>

namespace HostCommands {

// Loads the package and runs the designer window on FileName (empty: a new
// data module) until it is closed.
void Gui(THost& Host, const std::string& FileName);
// Loads the package and renders the designer window with FileName open, or
// one of the package's dialogs on it (Dialog: updatesql, about, database,
// sql), into the PNG file OutFile, on Qt's offscreen platform.
void Screenshot(THost& Host, const std::string& FileName, const std::string& Dialog,
                const std::string& OutFile, std::ostream& Out);

} // namespace HostCommands
