// Server types, the session list and sessions.
#include "orvane60/OVEngine/Internal.hpp"

#include "orvane60/OVSqlParse.hpp"
#include "orvane60/drivers/mysql/OVMySQLDriver.hpp"
#include "orvane60/drivers/postgres/OVPgDriver.hpp"
#include "orvane60/drivers/sqlite/OVSQLiteDriver.hpp"

#include <algorithm>

namespace OVEngine {

using DB::EDatabaseError;
using SysUtils::Format;
using SysUtils::SameText;

TOVServerType DefServerType = TOVServerType::stSQLite;

namespace {

// The server types, in the order of the enumeration: each one's driver. A
// server type's name and dialect are its driver's.
struct TServerTypeEntry {
  TOVServerType Type;
  OVDriver::TDriver& (*Driver)();
};

constexpr TServerTypeEntry ServerTypeTable[] = {
    {TOVServerType::stSQLite, OVDriver::OVSQLite::SQLiteDriver},
    {TOVServerType::stPostgreSQL, OVDriver::OVPg::PostgresDriver},
    {TOVServerType::stMySQL, OVDriver::OVMySQL::MySQLDriver},
};

} // namespace

const std::vector<TOVServerType>& ServerTypes() {
  static const std::vector<TOVServerType> List = [] {
    std::vector<TOVServerType> L;
    for (const TServerTypeEntry& E : ServerTypeTable)
      L.push_back(E.Type);
    return L;
  }();
  return List;
}

std::string GetServerTypeName(TOVServerType ServerType) {
  for (const TServerTypeEntry& E : ServerTypeTable)
    if (E.Type == ServerType)
      return std::string(E.Driver().ServerTypeName());
  return {};
}

TOVServerType StrToServerTypeDef(std::string_view Name, TOVServerType Default) {
  const std::string Trimmed = SysUtils::Trim(Name);
  for (TOVServerType T : ServerTypes()) {
    if (SameText(Trimmed, GetServerTypeName(T)) ||
        SameText(Trimmed, TypInfo::GetEnumName(TypInfo::TypeInfoOf<TOVServerType>(),
                                               static_cast<int64_t>(T))))
      return T;
  }
  return Default;
}

OVDriver::TDriver& ServerDriver(TOVServerType ServerType) {
  for (const TServerTypeEntry& E : ServerTypeTable)
    if (E.Type == ServerType)
      return E.Driver();
  return OVDriver::OVSQLite::SQLiteDriver();
}

OVSqlParse::TSqlDialect ServerDialect(TOVServerType ServerType) {
  return ServerDriver(ServerType).Dialect();
}

namespace Internal {

std::vector<TOVSession*>& AllSessions() {
  static std::vector<TOVSession*> List;
  return List;
}

std::vector<TOVDatabase*>& AllDatabases() {
  static std::vector<TOVDatabase*> List;
  return List;
}

} // namespace Internal

// The session list ------------------------------------------------------------

namespace {

std::vector<TOVSession*> ComponentSessions() {
  std::vector<TOVSession*> Result;
  TOVSession* Default = Session();
  for (TOVSession* S : Internal::AllSessions())
    if (S != Default)
      Result.push_back(S);
  return Result;
}

} // namespace

TOVSessionList* Sessions() {
  static TOVSessionList List;
  return &List;
}

namespace {
bool CreatingDefault = false;
}

TOVSession* Session() {
  // Made on first use and kept for the life of the process, as the default
  // session of the platform is.
  static TOVSession* const Default = [] {
    CreatingDefault = true;
    auto* S = new TOVSession(nullptr);
    S->SetSessionName("Default");
    CreatingDefault = false;
    return S;
  }();
  return Default;
}

int TOVSessionList::Count() const {
  return static_cast<int>(ComponentSessions().size()) + 1;
}

TOVSession* TOVSessionList::Sessions(int Index) const {
  if (Index == 0)
    return Session();
  const auto List = ComponentSessions();
  if (Index < 0 || Index > static_cast<int>(List.size()))
    throw Classes::EListError(Format("List index out of bounds (%d)", Index));
  return List[static_cast<size_t>(Index - 1)];
}

TOVSession* TOVSessionList::FindSession(std::string_view SessionName) const {
  TOVSession* Default = Session();
  if (SessionName.empty() || SameText(SessionName, Default->GetSessionName()))
    return Default;
  for (TOVSession* S : Internal::AllSessions())
    if (S != Default && SameText(S->GetSessionName(), SessionName))
      return S;
  return nullptr;
}

TOVSession* TOVSessionList::GetSessionByName(std::string_view SessionName) const {
  TOVSession* S = FindSession(SessionName);
  if (!S)
    throw EDatabaseError(Format("Session '%s' not found", std::string(SessionName)));
  return S;
}

void TOVSessionList::GetSessionNames(TStrings* List) const {
  for (int I = 0; I < Count(); ++I)
    List->Add(Sessions(I)->GetSessionName());
}

// Sessions ---------------------------------------------------------------------

OV_CLASS_BEGIN(TOVSession, TComponent, "OVEngine")
B.Property("KeepConnections", &TOVSession::GetKeepConnections, &TOVSession::SetKeepConnections)
    .Default(1);
B.Property("SessionName", &TOVSession::GetSessionName, &TOVSession::SetSessionName);
OV_CLASS_END

TOVSession::TOVSession(TComponent* AOwner) : TComponent(AOwner) {
  Internal::AllSessions().push_back(this);
}

TOVSession::~TOVSession() {
  auto& L = Internal::AllSessions();
  L.erase(std::remove(L.begin(), L.end(), this), L.end());
}

bool TOVSession::IsDefault() const {
  return this == Session();
}

void TOVSession::SetSessionName(const std::string& Value) {
  if (Value == FSessionName)
    return;
  const auto& All = Internal::AllSessions();
  if (!CreatingDefault && !Value.empty()) {
    if (SameText(Value, Session()->GetSessionName()))
      throw EDatabaseError(
          Format("Duplicate session name '%s': it is the default session's name", Value));
    for (TOVSession* S : All)
      if (S != this && SameText(S->FSessionName, Value))
        throw EDatabaseError(Format("Duplicate session name '%s'", Value));
  }
  FSessionName = Value;
}

std::vector<TOVDatabase*> TOVSession::Databases() const {
  std::vector<TOVDatabase*> Result;
  for (TOVDatabase* D : Internal::AllDatabases())
    if (D->Session() == this)
      Result.push_back(D);
  return Result;
}

TOVDatabase* TOVSession::FindDatabase(std::string_view DatabaseName) const {
  if (SysUtils::Trim(DatabaseName).empty())
    return nullptr;
  // The name first: telling a database's session takes a search of the
  // sessions, asked only of the databases of that name.
  for (TOVDatabase* D : Internal::AllDatabases())
    if (SameText(D->GetDatabaseName(), DatabaseName) && D->Session() == this)
      return D;
  return nullptr;
}

TOVDatabase* TOVSession::DatabaseByName(std::string_view DatabaseName) const {
  if (SysUtils::Trim(DatabaseName).empty())
    throw EDatabaseError("Database name missing");
  TOVDatabase* D = FindDatabase(DatabaseName);
  if (!D)
    throw EDatabaseError(
        Format("Database '%s' not found in session '%s'", std::string(DatabaseName), FSessionName));
  return D;
}

void TOVSession::GetDatabaseNames(TStrings* List) const {
  Classes::TStringList Names;
  Names.SetSorted(true);
  Names.SetDuplicates(Classes::TDuplicates::dupIgnore);
  for (TOVDatabase* D : Databases())
    if (!D->GetDatabaseName().empty())
      Names.Add(D->GetDatabaseName());
  List->AddStrings(&Names);
}

void TOVSession::GetTableNames(std::string_view DatabaseName, std::string_view Pattern,
                               bool SystemTables, TStrings* List) const {
  TOVDatabaseUse Db(DatabaseByName(DatabaseName));
  List->AddStrings(Db->TableNames(Pattern, SystemTables));
}

void TOVSession::GetStoredProcNames(std::string_view DatabaseName, TStrings* List) const {
  TOVDatabaseUse Db(DatabaseByName(DatabaseName));
  List->AddStrings(Db->StoredProcNames());
}

void TOVSession::GetFieldNames(std::string_view DatabaseName, std::string_view TableName,
                               TStrings* List) const {
  TOVDatabaseUse Db(DatabaseByName(DatabaseName));
  List->AddStrings(Db->FieldNames(TableName));
}

TOVDatabase* TOVSession::OpenDatabase(std::string_view DatabaseName) {
  TOVDatabase* D = DatabaseByName(DatabaseName);
  D->Open();
  return D;
}

void TOVSession::CloseDatabase(TOVDatabase* Database) {
  if (Database && !Database->GetKeepConnection() && Database->DataSets().empty())
    Database->Close();
}

} // namespace OVEngine
