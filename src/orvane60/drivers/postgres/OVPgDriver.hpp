// The PostgreSQL driver (libpq). RemoteDatabase is a conninfo string or a
// postgresql:// URI; UserName and Password override it, Extra adds libpq
// keywords (sslmode, application_name, ...). Connecting, and each wait for
// an answer, give up after the server timeout (ServerTimeout), which also
// sets connect_timeout, TCP keepalives, tcp_user_timeout and the server's
// statement_timeout unless the URI or Extra says otherwise.
//
// Catalog names: relations and functions of the current schema (the first
// schema of the search path) unqualified, all others as "schema.name";
// pg_catalog and information_schema appear only when system tables are asked
// for. A name given to a catalog call is looked up as written, then folded to
// lower case (as an unquoted name would be), and a dotted name is read as
// schema.name when no relation has the whole dotted name. An unqualified name
// means the current schema first, then whatever the search path makes visible.
// Of overloaded functions, GetProcParams describes the oldest.
#pragma once

#include "orvane60/drivers/OVDriver.hpp"

namespace OVDriver::OVPg {

TDriver& PostgresDriver();

} // namespace OVDriver::OVPg
