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
#include <memory>
#include <string>

namespace CLI {
class App;
}
namespace Classes {
class TComponent;
}

namespace HostCommands {

struct TUpdateSQLOptions {
  std::string Connect;
  std::string SQL;
  std::string Table;
  std::string Keys;         // "primary" (also when empty) or field names separated by commas
  std::string UpdateFields; // field names separated by commas; empty: all
  bool Quote = false;
  bool Returning = false;
  bool Verify = false;
  bool AllTables = false;
  std::string OutDir; // --all-tables: one file per table there
};

struct TFieldInfoOptions {
  std::string ServerType;
  std::string Connect;
  std::string SQL;
};

void EditUpdateSQL(THost& Host, const std::string& FileName, const std::string& Component,
                   const std::string& UIScript, std::ostream& Out);
void UpdateSQL(THost& Host, const TUpdateSQLOptions& Options, std::ostream& Out);
void FieldInfo(THost& Host, const TFieldInfoOptions& Options, std::ostream& Out);

// The demo's part: the editor opened on each update object of the root
// (whose datasets point at the demo database) through a built-in script that
// fetches the table's fields, selects its primary key, generates and
// confirms. Prints the four statements unless Json; returns them as JSON.
// The design file is not saved.
nlohmann::ordered_json DemoUpdateSQL(THost& Host, Classes::TComponent* Root, bool Json,
                                     std::ostream& Out);

// The three commands on the host's command line.
class TUpdateSQLCommandLine {
public:
  explicit TUpdateSQLCommandLine(CLI::App& App);
  ~TUpdateSQLCommandLine();
  // Runs the command that was parsed; false when it was none of these.
  bool Run(THost& Host, std::ostream& Out);

private:
  struct TImpl;
  std::unique_ptr<TImpl> FImpl;
};

} // namespace HostCommands
