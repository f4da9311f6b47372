// The person at the terminal, as the host's commands set them up: the
// terminal user interface reading standard input, or a script when one is
// named. When standard input and the forms' output are both a terminal, the
// prompts get line editing and a history (kept between runs in
// $XDG_STATE_HOME/orvane/terminal-history) from libedit, opened with dlopen
// at that moment only; without the library lines are read as typed. Tab
// completes the actions and the form's component names at a form's prompt,
// file names at a file dialog's.
#pragma once

#include "vcl/UIService.hpp"

#include <memory>
#include <string>

namespace TerminalUI {
class TTerminalUI;
}

namespace HostCommands {

std::unique_ptr<TerminalUI::TTerminalUI> MakeTerminalUI(bool Json);

// The script's user interface (its dump output on FormsOutput) when Script
// names one, else the terminal's.
std::unique_ptr<UIService::IUIService> MakeUI(const std::string& Script, bool Json);

// Where the history of the terminal's prompts is kept.
std::string TerminalHistoryFile();

} // namespace HostCommands
