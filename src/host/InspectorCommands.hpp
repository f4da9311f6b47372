// The commands of the Object Inspector and the object tree view: what the
// inspector shows for a selection, a property's drop-down list, setting a
// value and pressing the ellipsis, the object tree, dragging a node onto
// another and placing a new component from the palette onto a node.
//
// Each command opens the design file, works on it through a designer, and
// saves the file when the designer was told of a change and the command
// succeeded; a command that fails leaves the file as it was.
#pragma once

#include "host/HostCommands.hpp"

namespace HostCommands {

// The commands inspect, values, set, edit-property, tree, drop and place.
void AddInspectorCommands(CLI::App& App, THost& Host);

} // namespace HostCommands
