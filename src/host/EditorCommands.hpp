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

#include <iosfwd>
#include <string>

namespace HostCommands {

// The verbs of the component's editor: index and caption, "-" for a
// separator.
void Verbs(THost& Host, const std::string& FileName, const std::string& Component,
           std::ostream& Out);
// Executes verb Index (as the verbs command numbers them). An index outside
// the editor's verbs is an error naming the range.
void Verb(THost& Host, const std::string& FileName, const std::string& Component, int Index,
          const std::string& UIScript, std::ostream& Out);
// The double-click on the component.
void EditComponent(THost& Host, const std::string& FileName, const std::string& Component,
                   const std::string& UIScript, std::ostream& Out);
// The About box of the package: its texts and links are printed, then the
// box is shown to the person at the terminal, or to the script. Without a
// script and without a terminal to read from, it is closed at once.
void About(THost& Host, const std::string& UIScript, std::ostream& Out);

} // namespace HostCommands
