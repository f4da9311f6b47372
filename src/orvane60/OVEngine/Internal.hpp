// What the OVEngine source files share and nothing outside them needs: the
// registries of live sessions and databases, and the conversions between
// the drivers' values and the datasets' values.
#pragma once

#include "orvane60/OVEngine.hpp"
#include "orvane60/drivers/OVDriver.hpp"

#include <vector>

namespace OVEngine::Internal {

// Every session object (the default one included) and every database
// component, in order of creation.
std::vector<TOVSession*>& AllSessions();
std::vector<TOVDatabase*>& AllDatabases();

DB::TFieldType FieldTypeOf(OVDriver::TDataType DataType);
DB::TParamType ParamTypeOf(OVDriver::TParamDirection Direction);
// A column value as a field of that type keeps it.
DB::TVariant ToVariant(const OVDriver::TValue& Value, DB::TFieldType DataType);
// A parameter value as the driver sends it.
OVDriver::TValue ToDriverValue(const DB::TVariant& Value, DB::TFieldType DataType);
std::vector<OVDriver::TValue> ToDriverValues(const std::vector<DB::TVariant>& Values);

// A catalog name (as the driver's lists give it: "name" or "schema.name")
// written as SQL: each part in identifier quotes.
std::string QuoteCatalogName(const OVDriver::TDriver& Driver, const std::string& Name);
// The entry of Names that Name designates: the same text, else the one name
// that matches in any letter case (PostgreSQL: the lower-case folding first).
std::optional<std::string> ResolveCatalogName(const std::vector<std::string>& Names,
                                              std::string_view Name, TOVServerType ServerType);

[[noreturn]] void RaiseDriverError(const OVDriver::EDriverError& E, const TComponent* Component);

} // namespace OVEngine::Internal
