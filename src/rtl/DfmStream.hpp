// Text form files: the parser and the canonical writer over the DfmText tree,
// and the binding of a tree to components, which reads a form or data module
// into its components and writes the components back.
//
// One reader and one writer serve both the design files that the host opens
// and saves and the stored layouts of dialogs that are streamed into their
// forms when they are created.
#pragma once

#include "rtl/Classes.hpp"
#include "rtl/DfmText.hpp"

#include <string>
#include <string_view>
#include <vector>

namespace DfmStream {

// A form file that does not follow the syntax. The message reads
// "source:line:column: what was expected and what was found".
OV_EXCEPTION(EParserError, Classes::EFilerError)

// Objects, lists and collections nested deeper than this are refused by the
// parser and the writer alike, so that a hostile file cannot exhaust the stack
// and every tree the writer accepts parses back.
inline constexpr int MaxNesting = 200;

// Text -> tree. Strings come back as bytes (UTF-8); character codes above 127
// become the UTF-8 encoding of their code point. SourceName only names the
// text in error messages.
DfmText::TDfmObject Parse(std::string_view Text, const std::string& SourceName);
DfmText::TDfmObject ParseFile(const std::string& FileName);
// One or more objects one after another (components on the clipboard).
std::vector<DfmText::TDfmObject> ParseObjects(std::string_view Text, const std::string& SourceName);

// Tree -> canonical text: two spaces per level, long strings split at 64
// characters, floats in the shortest text that reads back the same. A tree
// with no text form (a name that is no identifier, a non-finite float, too
// deep a nesting) raises Classes::EWriteError.
std::string WriteText(const DfmText::TDfmObject& Tree);

// Equality of trees and values by content, ignoring source positions and the
// fields that a value's kind does not use.
bool SameTree(const DfmText::TDfmObject& A, const DfmText::TDfmObject& B);
bool SameValue(const DfmText::TDfmValue& A, const DfmText::TDfmValue& B);

// Reads a tree into Root, whose class must be the tree's class or descend
// from it: properties, child components (created through the class registry
// and owned by Root), published fields, event handlers and component
// references (resolved once the whole tree is read). Errors name SourceName,
// the line and column and what went wrong (Classes::EClassNotFound for an
// unknown class, Classes::EReadError otherwise); the components created by the
// read are then freed again. On success every component read gets Loaded().
void ReadComponent(const DfmText::TDfmObject& Tree, Classes::TComponent* Root,
                   const std::string& SourceName);
// Creates the root through the class registry, owned by Owner, and reads the
// tree into it; on error the root is freed too.
Classes::TComponent* CreateComponentFromDfm(const DfmText::TDfmObject& Tree,
                                            Classes::TComponent* Owner,
                                            const std::string& SourceName);
// Root and the components it yields as children, as a tree: published
// properties that are stored and not at their default, then what
// DefineProperties adds, then the children.
DfmText::TDfmObject WriteComponent(Classes::TComponent* Root);

// The same over text and files. Files are written atomically.
void ReadComponentFromText(std::string_view Text, Classes::TComponent* Root,
                           const std::string& SourceName);
Classes::TComponent* CreateComponentFromText(std::string_view Text, Classes::TComponent* Owner,
                                             const std::string& SourceName);
std::string WriteComponentToText(Classes::TComponent* Root);
void ReadComponentFromFile(const std::string& FileName, Classes::TComponent* Root);
void WriteComponentToFile(Classes::TComponent* Root, const std::string& FileName);

} // namespace DfmStream
