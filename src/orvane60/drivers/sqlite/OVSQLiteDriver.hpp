// The SQLite driver. RemoteDatabase is the database file; a missing file is an
// error unless Extra holds CREATE=TRUE (":memory:" opens a private in-memory
// database). Extra settings: CREATE, READONLY (TRUE/FALSE) and BUSY_TIMEOUT
// (milliseconds, 5000 by default).
//
// Catalog names: tables of "main" unqualified, those of "temp" and of attached
// databases as "schema.table". An unqualified name is looked up in "main"
// first, then in SQLite's own search order (temp, main, attached).
#pragma once

#include "orvane60/drivers/OVDriver.hpp"

namespace OVDriver::OVSQLite {

TDriver& SQLiteDriver();

// Kind, length, precision and scale of a declared column type such as
// "VARCHAR(30)" or "DECIMAL(10,2)".
TColumnInfo ColumnTypeFromDeclaration(std::string_view Declared);

} // namespace OVDriver::OVSQLite
