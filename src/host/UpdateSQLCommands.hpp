// The UpdateSQL editor's commands of the designer host:
//
//   edit-updatesql FILE COMPONENT [--ui-script FILE]
//     the editor on an update object of a design file, as its component
//     editor opens it; on OK the file is saved (atomically), on Cancel it
//     stays as it was.
//   updatesql --connect URI [--sql SQL] [--table T] [--keys primary|A,B]
//             [--update-fields A,B] [--quote] [--returning] [--verify]
//             [--all-tables [--out DIR]]
//     the editor driven as a person would drive it on a throwaway session,
//     database, query and update object; prints the four statements, and
//     with --verify whether they run on the server.
//   fieldinfo (--server-type NAME | --connect URI) --sql SQL
//     the field info and table info the runtime parses from a SELECT.
#pragma once

#include "host/HostCommands.hpp"

#include <nlohmann/json.hpp>

#include <iosfwd>

namespace Classes {
class TComponent;
}

namespace HostCommands {

// The commands edit-updatesql, updatesql and fieldinfo.
void AddUpdateSQLCommands(CLI::App& App, THost& Host);

// The demo's part: the editor opened on each update object of the root
// (whose datasets point at the demo database) through a built-in script that
// fetches the table's fields, selects its primary key, generates and
// confirms. Prints the four statements unless Json; returns them as JSON.
// The design file is not saved.
nlohmann::ordered_json DemoUpdateSQL(THost& Host, Classes::TComponent* Root, bool Json,
                                     std::ostream& Out);

} // namespace HostCommands
