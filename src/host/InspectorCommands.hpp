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

#include <iosfwd>
#include <string>
#include <vector>

namespace HostCommands {

// Every property the Object Inspector shows for the components (one, or a
// multiple selection): value, editor class, attributes, category, and the
// sub-properties it unfolds into.
void Inspect(THost& Host, const std::string& FileName, const std::vector<std::string>& Components,
             std::ostream& Out);
// The drop-down list of a property, sorted where the editor asks for it.
void Values(THost& Host, const std::string& FileName, const std::string& Component,
            const std::string& Property, std::ostream& Out);
// Sets a property through its editor.
void SetProperty(THost& Host, const std::string& FileName, const std::string& Component,
                 const std::string& Property, const std::string& Value, std::ostream& Out);

struct TEditOptions {
  bool Alt = false;     // the Alt key is held down while the ellipsis is pressed
  std::string UIScript; // the scripted user; empty: the person at the terminal
};

// Presses the ellipsis of a property. Code editor modules open in the
// person's own editor ($VISUAL, else $EDITOR).
void EditProperty(THost& Host, const std::string& FileName, const std::string& Component,
                  const std::string& Property, const TEditOptions& Options, std::ostream& Out);

// The object tree: each node's caption, kind, problem mark and children.
void Tree(THost& Host, const std::string& FileName, std::ostream& Out);
// Drags the node Node onto Target (nodes named by component, unique name or
// name).
void Drop(THost& Host, const std::string& FileName, const std::string& Node,
          const std::string& Target, std::ostream& Out);
// Places a new component of a palette class onto the node Target.
void Place(THost& Host, const std::string& FileName, const std::string& ClassName,
           const std::string& Target, std::ostream& Out);

} // namespace HostCommands
