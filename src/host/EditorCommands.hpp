// The commands of the component editors and the About box: a component's
// context-menu verbs, executing one, its double-click action, and the
// package's About box.
//
// The verb commands open the design file, run the component editor that the
// package registered for the component's class (the host's default editor
// when there is none) through a designer, and save the file, atomically,
// when the designer was told of a change and the command succeeded; a
// command that fails, or changes nothing, leaves the file as it was. The
// dialogs a verb opens are acted on by the person at the terminal or by a
// --ui-script. String lists opened in the code editor are edited by the
// script's module lines, or open in the person's own editor ($VISUAL, else
// $EDITOR), where an editor that does not finish successfully is an error.
#pragma once

#include "host/HostCommands.hpp"

namespace HostCommands {

// The commands verbs, verb, edit and about.
void AddEditorCommands(CLI::App& App, THost& Host);

} // namespace HostCommands
