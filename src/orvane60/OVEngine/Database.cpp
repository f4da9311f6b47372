// Database components: connecting, catalog answers and the batch catalog.
#include "orvane60/OVEngine/Internal.hpp"

#include "orvane60/OVCommon.hpp"
#include "orvane60/OVSqlParse.hpp"
#include "rtl/ScopeGuard.hpp"

#include <algorithm>
#include <cerrno>
#include <cstdint>
#include <fcntl.h>
#include <map>
#include <sys/stat.h>
#include <unistd.h>
#include <unordered_map>

namespace OVEngine {

using DB::EDatabaseError;
using DB::TFieldType;
using DB::TVariant;
using SysUtils::Format;
using SysUtils::SameText;

// Conversions ------------------------------------------------------------------

namespace Internal {

TFieldType FieldTypeOf(OVDriver::TDataType DataType) {
  using OVDriver::TDataType;
  switch (DataType) {
  case TDataType::Boolean:
    return TFieldType::ftBoolean;
  case TDataType::SmallInt:
    return TFieldType::ftSmallint;
  case TDataType::Integer:
    return TFieldType::ftInteger;
  case TDataType::LargeInt:
    return TFieldType::ftLargeint;
  case TDataType::Float:
    return TFieldType::ftFloat;
  case TDataType::Numeric:
    return TFieldType::ftBCD;
  case TDataType::String:
    return TFieldType::ftString;
  case TDataType::Memo:
    return TFieldType::ftMemo;
  case TDataType::Blob:
    return TFieldType::ftBlob;
  case TDataType::Date:
    return TFieldType::ftDate;
  case TDataType::Time:
    return TFieldType::ftTime;
  case TDataType::DateTime:
    return TFieldType::ftDateTime;
  case TDataType::Unknown:
    break;
  }
  return TFieldType::ftUnknown;
}

DB::TParamType ParamTypeOf(OVDriver::TParamDirection Direction) {
  switch (Direction) {
  case OVDriver::TParamDirection::Input:
    return DB::TParamType::ptInput;
  case OVDriver::TParamDirection::Output:
    return DB::TParamType::ptOutput;
  case OVDriver::TParamDirection::InputOutput:
    return DB::TParamType::ptInputOutput;
  case OVDriver::TParamDirection::Result:
    return DB::TParamType::ptResult;
  }
  return DB::TParamType::ptUnknown;
}

TVariant ToVariant(const OVDriver::TValue& Value, TFieldType DataType) {
  using OVDriver::TValueKind;
  if (Value.IsNull())
    return TVariant();
  // SQLite keeps whatever a row holds whatever the declared type says; a
  // value that does not fit the column's kind is kept as it came.
  const auto AsIs = [&]() -> TVariant {
    switch (Value.Kind()) {
    case TValueKind::Integer:
      return TVariant(Value.AsInteger());
    case TValueKind::Float:
      return TVariant(Value.AsFloat());
    case TValueKind::Blob:
      return TVariant::FromBlob(Value.AsBlob());
    default:
      return TVariant(Value.AsString());
    }
  };
  try {
    switch (DataType) {
    case TFieldType::ftBoolean:
      return TVariant(Value.AsBoolean());
    case TFieldType::ftSmallint:
    case TFieldType::ftInteger:
    case TFieldType::ftWord:
    case TFieldType::ftAutoInc:
    case TFieldType::ftLargeint:
      return TVariant(Value.AsInteger());
    case TFieldType::ftFloat:
    case TFieldType::ftCurrency:
      return TVariant(Value.AsFloat());
    case TFieldType::ftBCD:
    case TFieldType::ftFMTBcd:
    case TFieldType::ftString:
    case TFieldType::ftMemo:
      if (Value.Kind() == TValueKind::Blob)
        return AsIs();
      return TVariant(Value.AsString());
    case TFieldType::ftBlob:
      return TVariant::FromBlob(Value.AsString());
    case TFieldType::ftDate:
    case TFieldType::ftTime:
    case TFieldType::ftDateTime: {
      SysUtils::TDateTime D = 0;
      if (Value.Kind() == TValueKind::Text && DB::TryISOStrToDateTime(Value.AsString(), D))
        return TVariant::FromDateTime(D);
      return AsIs();
    }
    default:
      return AsIs();
    }
  } catch (const OVDriver::EValueError&) {
    return AsIs();
  }
}

OVDriver::TValue ToDriverValue(const TVariant& Value, TFieldType DataType) {
  switch (Value.Type()) {
  case DB::TVarType::varNull:
    return OVDriver::TValue();
  case DB::TVarType::varInteger:
    return OVDriver::TValue(Value.AsInteger());
  case DB::TVarType::varFloat:
    return OVDriver::TValue(Value.AsFloat());
  case DB::TVarType::varBoolean:
    return OVDriver::TValue(Value.AsBoolean());
  case DB::TVarType::varDateTime:
    return OVDriver::TValue(DB::DateTimeToISOStr(
        Value.AsDateTime(), DataType == TFieldType::ftDate || DataType == TFieldType::ftTime
                                ? DataType
                                : TFieldType::ftDateTime));
  case DB::TVarType::varBlob:
    return OVDriver::TValue::Blob(Value.AsString());
  case DB::TVarType::varString:
    break;
  }
  return OVDriver::TValue(Value.AsString());
}

std::vector<OVDriver::TValue> ToDriverValues(const std::vector<TVariant>& Values) {
  std::vector<OVDriver::TValue> Result;
  Result.reserve(Values.size());
  for (const TVariant& V : Values)
    Result.push_back(ToDriverValue(V, TFieldType::ftUnknown));
  return Result;
}

std::string QuoteCatalogName(const OVDriver::TDriver& Driver, const std::string& Name) {
  const auto Dot = Name.find('.');
  if (Dot == std::string::npos || Dot == 0 || Dot + 1 == Name.size())
    return Driver.QuoteIdentifier(Name);
  return Driver.QuoteIdentifier(Name.substr(0, Dot)) + "." +
         Driver.QuoteIdentifier(Name.substr(Dot + 1));
}

std::optional<std::string> ResolveCatalogName(const std::vector<std::string>& Names,
                                              std::string_view Name, TOVServerType ServerType) {
  for (const std::string& N : Names)
    if (N == Name)
      return N;
  if (ServerDriver(ServerType).Rules().FoldsBareNames) {
    const std::string Folded = OVDriver::LowerCase(Name);
    for (const std::string& N : Names)
      if (N == Folded)
        return N;
  }
  std::optional<std::string> Found;
  for (const std::string& N : Names)
    if (SameText(N, Name)) {
      if (Found)
        return std::nullopt; // two names differ only in case: ambiguous
      Found = N;
    }
  return Found;
}

void RaiseDriverError(const OVDriver::EDriverError& E, const TComponent* Component) {
  DB::DatabaseError(E.what(), Component);
}

} // namespace Internal

// The batch catalog ----------------------------------------------------------

struct TOVDatabase::TCatalogCache {
  std::optional<OVDriver::TTableColumns> Columns;
  std::optional<OVDriver::TTableIndexes> Indexes;
  std::optional<std::vector<OVDriver::TTableRef>> Tables;
  // Name (exact where the dialect compares names exactly, else in lower
  // case) -> place in Tables.
  std::unordered_multimap<std::string, std::size_t> ByName;
  // Display name -> how many tables share it.
  std::unordered_map<std::string, int> Displays;
  // Lower-case table name -> the catalog's name, "" when two names share it.
  std::map<std::string, std::string> Folded;
  // The last table text looked up and what it gave: the dialog asks of one
  // table several times over (its fields, its description, its indexes).
  struct TLookup {
    std::string Text;
    const std::string* Key = nullptr;
    const OVDriver::TTableRef* Ref = nullptr;
    // The text's first reading names a schema (sales.orders).
    bool Qualified = false;
  };
  std::optional<TLookup> Last;

  void IndexTables(bool Exact) {
    for (std::size_t I = 0; I < Tables->size(); ++I) {
      const OVDriver::TTableRef& T = (*Tables)[I];
      ByName.emplace(Exact ? T.Name : OVDriver::LowerCase(T.Name), I);
      ++Displays[T.Display];
    }
  }

  // The table an exact reading names: with a schema, the table of that
  // schema; without, the one an unqualified name reaches first.
  const OVDriver::TTableRef* Find(const OVDriver::TNameReading& Reading, bool Exact) const {
    const auto Same = [Exact](const std::string& A, const std::string& B) {
      return Exact ? A == B : SameText(A, B);
    };
    const OVDriver::TTableRef* Best = nullptr;
    const auto [From, To] =
        ByName.equal_range(Exact ? Reading.Name : OVDriver::LowerCase(Reading.Name));
    for (auto It = From; It != To; ++It) {
      const OVDriver::TTableRef& T = (*Tables)[It->second];
      if (Reading.Schema) {
        if (Same(T.Schema, *Reading.Schema))
          return &T;
      } else if (T.SearchOrder >= 0 && (!Best || T.SearchOrder < Best->SearchOrder)) {
        Best = &T;
      }
    }
    return Best;
  }

  // The key of the table's rows in the batch's maps: its display name, when
  // the rows under that name are its own. Of two tables sharing a display
  // name the batch keeps the one of the default schema.
  const std::string* KeyOf(const OVDriver::TTableRef& T) const {
    const auto It = Columns->find(T.Display);
    if (It == Columns->end())
      return nullptr;
    if (T.Display != T.Name && Displays.at(T.Display) > 1)
      return nullptr;
    return &It->first;
  }

  // A text taken as a display name: as written, then folded to lower case
  // where the dialect folds bare names, else in any letter case when only
  // one name matches.
  const std::string* ResolveDisplay(std::string_view Name, const OVSqlParse::TDialectRules& R) {
    if (Columns->count(std::string(Name)))
      return &Columns->find(std::string(Name))->first;
    if (Folded.empty())
      for (const auto& [Key, Cols] : *Columns) {
        auto [It, New] = Folded.emplace(OVDriver::LowerCase(Key), Key);
        if (!New)
          It->second.clear();
      }
    std::string Lower = OVDriver::LowerCase(Name);
    // The main schema's tables are listed without their schema.
    if (!R.MainSchema.empty() && Lower.size() > R.MainSchema.size() &&
        Lower.compare(0, R.MainSchema.size(), R.MainSchema) == 0 &&
        Lower[R.MainSchema.size()] == '.')
      Lower = Lower.substr(R.MainSchema.size() + 1);
    if (R.FoldsBareNames) {
      const auto It = Columns->find(Lower);
      return It == Columns->end() ? nullptr : &It->first;
    }
    const auto It = Folded.find(Lower);
    if (It == Folded.end() || It->second.empty())
      return nullptr;
    return &Columns->find(It->second)->first;
  }

  // What a table text names: as SQL reads it first; the readings that follow
  // take it literally; then as a display name.
  TLookup Lookup(std::string_view Text, const std::vector<OVDriver::TNameReading>& Readings,
                 bool Exact, const OVSqlParse::TDialectRules& Rules) {
    TLookup Found;
    Found.Text = Text;
    Found.Qualified = Readings.front().Exact && Readings.front().Schema.has_value();
    for (const OVDriver::TNameReading& Reading : Readings) {
      if (!Reading.Exact)
        break;
      if (const OVDriver::TTableRef* T = Find(Reading, Exact)) {
        Found.Ref = T;
        Found.Key = KeyOf(*T);
        return Found;
      }
    }
    Found.Key = ResolveDisplay(Text, Rules);
    if (Found.Key)
      Found.Ref = RefOfDisplay(*Found.Key);
    return Found;
  }

  const OVDriver::TTableRef* RefOfDisplay(const std::string& Display) const {
    const OVDriver::TTableRef* Found = nullptr;
    for (const OVDriver::TTableRef& T : *Tables)
      if (T.Display == Display && (!Found || T.Display == T.Name))
        Found = &T;
    return Found;
  }
};

struct TOVDatabase::THeldCatalog {
  // What Columns and Indexes read, by the table text as it was asked.
  std::map<std::string, std::vector<OVDriver::TColumnInfo>, std::less<>> Columns;
  std::map<std::string, std::vector<OVDriver::TIndexColumn>, std::less<>> Indexes;
  // The tables DescribeTable found, by the table text as it was asked (a
  // map: each stays where it is while others join), and by the exact name
  // of the table (the first text that found it).
  std::map<std::string, TOVTableInfo, std::less<>> Described;
  std::map<std::string, const TOVTableInfo*, std::less<>> ByExact;

  // What is held for a table text: under that text, or in the description
  // of the table that the text, or the table's exact name, found.
  const TOVTableInfo* Table(std::string_view Text) const {
    if (const auto It = Described.find(Text); It != Described.end())
      return &It->second;
    const auto It = ByExact.find(Text);
    return It == ByExact.end() ? nullptr : It->second;
  }
  const std::vector<OVDriver::TColumnInfo>* FindColumns(std::string_view Text) const {
    if (const auto It = Columns.find(Text); It != Columns.end())
      return &It->second;
    const TOVTableInfo* Info = Table(Text);
    return Info ? &Info->Columns : nullptr;
  }
  const std::vector<OVDriver::TIndexColumn>* FindIndexes(std::string_view Text) const {
    if (const auto It = Indexes.find(Text); It != Indexes.end())
      return &It->second;
    const TOVTableInfo* Info = Table(Text);
    return Info ? &Info->Indexes : nullptr;
  }
};

void TOVDatabase::BeginCatalogHold() {
  if (FHoldLevel++ == 0)
    FHeld = std::make_unique<THeldCatalog>();
}

void TOVDatabase::EndCatalogHold() {
  if (FHoldLevel == 0)
    return;
  if (--FHoldLevel == 0)
    FHeld.reset();
}

void TOVDatabase::BeginCatalogBatch() {
  if (FBatchLevel++ == 0)
    FBatch = std::make_unique<TCatalogCache>();
}

void TOVDatabase::EndCatalogBatch() {
  if (FBatchLevel == 0)
    return;
  if (--FBatchLevel == 0)
    FBatch.reset();
}

const std::string* TOVDatabase::BatchKey(std::string_view TableName,
                                         const OVDriver::TTableRef** Ref) {
  if (Ref)
    *Ref = nullptr;
  if (!FBatch)
    return nullptr;
  try {
    if (!FBatch->Columns)
      FBatch->Columns = Connection().GetAllFieldNames();
    if (!FBatch->Tables) {
      FBatch->Tables = Connection().GetTables();
      FBatch->IndexTables(Connection().ExactTableNames());
    }
  } catch (const OVDriver::EDriverError& E) {
    Internal::RaiseDriverError(E, this);
  }
  if (!FBatch->Last || FBatch->Last->Text != TableName)
    FBatch->Last =
        FBatch->Lookup(TableName, OVDriver::NameReadings(TableName, Dialect()),
                       Connection().ExactTableNames(), ServerDriver(FServerType).Rules());
  if (Ref)
    *Ref = FBatch->Last->Ref;
  return FBatch->Last->Key;
}

const std::vector<OVDriver::TColumnInfo>* TOVDatabase::BatchColumns(std::string_view TableName) {
  const std::string* Key = BatchKey(TableName, nullptr);
  return Key ? &FBatch->Columns->at(*Key) : nullptr;
}

const std::vector<OVDriver::TIndexColumn>* TOVDatabase::BatchIndexes(std::string_view TableName,
                                                                     bool& Known) {
  Known = false;
  const std::string* Key = BatchKey(TableName, nullptr);
  if (!Key)
    return nullptr;
  Known = true;
  return BatchIndexesOfKey(*Key);
}

const std::vector<OVDriver::TIndexColumn>* TOVDatabase::BatchIndexesOfKey(const std::string& Key) {
  if (!FBatch->Indexes) {
    try {
      FBatch->Indexes = Connection().GetAllIndexInfo();
    } catch (const OVDriver::EDriverError& E) {
      Internal::RaiseDriverError(E, this);
    }
  }
  const auto It = FBatch->Indexes->find(Key);
  return It == FBatch->Indexes->end() ? nullptr : &It->second;
}

TOVCatalogBatchInfo TOVDatabase::CatalogBatchInfo() {
  TOVCatalogBatchInfo Info;
  if (!FBatch)
    return Info;
  BatchKey("", nullptr);
  if (!FBatch->Indexes) {
    try {
      FBatch->Indexes = Connection().GetAllIndexInfo();
    } catch (const OVDriver::EDriverError& E) {
      Internal::RaiseDriverError(E, this);
    }
  }
  Info.Tables = static_cast<int>(FBatch->Columns->size());
  Info.IndexedTables = FBatch->Indexes ? static_cast<int>(FBatch->Indexes->size()) : 0;
  return Info;
}

// Databases --------------------------------------------------------------------

OV_CLASS_BEGIN(TOVDatabase, TComponent, "OVEngine")
B.Property("DatabaseName", &TOVDatabase::GetDatabaseName, &TOVDatabase::SetDatabaseName);
B.Property("DesignOptions", &TOVDatabase::GetDesignOptions, &TOVDatabase::SetDesignOptions)
    .Default(0);
B.Property("KeepConnection", &TOVDatabase::GetKeepConnection, &TOVDatabase::SetKeepConnection)
    .Default(1);
B.Property("LoginPrompt", &TOVDatabase::GetLoginPrompt, &TOVDatabase::SetLoginPrompt).Default(1);
B.Property("Params", &TOVDatabase::GetParams, &TOVDatabase::SetParams);
B.Property("ParamsFileName", &TOVDatabase::GetParamsFileName, &TOVDatabase::SetParamsFileName);
B.Property("RemoteDatabase", &TOVDatabase::GetRemoteDatabase, &TOVDatabase::SetRemoteDatabase);
// The declared default is stSQLite, which Loaded gives a file that leaves
// the property out.
B.Property("ServerType", &TOVDatabase::GetServerType, &TOVDatabase::SetServerType).Default(0);
B.Property("SessionName", &TOVDatabase::GetSessionName, &TOVDatabase::SetSessionName);
// Last, so that reading a design file has every setting before it connects.
B.Property("Connected", &TOVDatabase::GetConnectedProperty, &TOVDatabase::SetConnected)
    .Default(0)
    .Stored(&TOVDatabase::IsConnectedStored);
OV_CLASS_END

TOVDatabase::TOVDatabase(TComponent* AOwner)
    : TComponent(AOwner), FServerType(DefServerType),
      FParams(std::make_unique<Classes::TStringList>()) {
  Internal::AllDatabases().push_back(this);
}

TOVDatabase::~TOVDatabase() {
  Destroying();
  try {
    DoDisconnect();
  } catch (...) {
    // Nothing can be reported from a destructor; the connection is gone.
  }
  for (TOVDataSet* DS : std::vector<TOVDataSet*>(FDataSets))
    DS->DatabaseGone();
  FDataSets.clear();
  auto& L = Internal::AllDatabases();
  L.erase(std::remove(L.begin(), L.end(), this), L.end());
}

bool TOVDatabase::IsConnectedStored() const {
  // A connection held for an untrusted file is written back as it was read.
  return !IsDesigning() || FDesignOptions.Contains(TOVDesignDBOption::ddoStoreConnected) ||
         FHeldConnected;
}

void TOVDatabase::SetConnected(bool Value) {
  if (IsLoading()) {
    FStreamedConnected = Value;
    return;
  }
  FHeldConnected = false;
  if (Value == GetConnected())
    return;
  if (Value)
    DoConnect();
  else
    DoDisconnect();
}

void TOVDatabase::Loaded() {
  TComponent::Loaded();
  // A design file that leaves ServerType out means the property's declared
  // default: the default type of this session is for components created
  // in it, and a file must not change meaning with a setting. (A component
  // an ancestor's file made already has its type.)
  if (!FServerTypeStreamed && !FStreamedBefore)
    FServerType = TOVServerType::stSQLite;
  FServerTypeStreamed = false;
  FStreamedBefore = true;
  if (FStreamedConnected) {
    FStreamedConnected = false;
    FHeldConnected = !DB::RestoreStreamedState(this, [this] { SetConnected(true); });
  }
}

namespace {

// Settings that change what a connection points at: at design time a live
// connection is dropped first; at run time the change is refused.
void CheckInactive(TOVDatabase* Db) {
  if (!Db->GetConnected() || Db->IsLoading())
    return;
  if (Db->IsDesigning()) {
    Db->Close();
    return;
  }
  DB::DatabaseError("Cannot perform this operation on a connected database", Db);
}

} // namespace

void TOVDatabase::SetDatabaseName(const std::string& Value) {
  if (Value == FDatabaseName)
    return;
  CheckInactive(this);
  FDatabaseName = Value;
}

void TOVDatabase::SetSessionName(const std::string& Value) {
  if (Value == FSessionName)
    return;
  CheckInactive(this);
  FSessionName = Value;
}

void TOVDatabase::SetRemoteDatabase(const std::string& Value) {
  if (Value == FRemoteDatabase)
    return;
  CheckInactive(this);
  FRemoteDatabase = Value;
}

void TOVDatabase::SetServerType(TOVServerType Value) {
  if (IsLoading())
    FServerTypeStreamed = true;
  if (Value == FServerType)
    return;
  CheckInactive(this);
  FServerType = Value;
}

void TOVDatabase::SetParams(TStrings* Value) {
  FParams->Assign(Value);
}

void TOVDatabase::SetParamsFileName(const std::string& Value) {
  if (Value == FParamsFileName)
    return;
  CheckInactive(this);
  FParamsFileName = Value;
}

TOVSession* TOVDatabase::Session() const {
  return Sessions()->FindSession(FSessionName);
}

bool TOVDatabase::IsObjOwnerSupported() const {
  return ServerDriver(FServerType).SupportsObjectOwners();
}

OVSqlParse::TSqlDialect TOVDatabase::Dialect() const {
  // Connected, as the session reads SQL (its settings may change the rules,
  // and a session may ask the server for them when first needed).
  if (!FConnection)
    return ServerDialect(FServerType);
  try {
    return FConnection->SessionDialect();
  } catch (const OVDriver::EDriverError& E) {
    Internal::RaiseDriverError(E, this);
  }
}

namespace {

// A file that a design file names: only a regular file of at most MaxSize
// bytes is read. A device, a FIFO (opened without waiting for a writer), a
// folder or a larger file raise EInOutError naming the file and why.
std::string ReadParamsFile(const std::string& FileName, std::size_t MaxSize) {
  using SysUtils::EInOutError;
  using SysUtils::SysErrorMessage;
  const int Fd = ::open(FileName.c_str(), O_RDONLY | O_CLOEXEC | O_NOCTTY | O_NONBLOCK);
  if (Fd < 0)
    throw EInOutError(Format("Cannot open file \"%s\": %s", FileName, SysErrorMessage(errno)));
  const ScopeGuard::TFinally Close([Fd] { ::close(Fd); });
  struct stat St {};
  if (::fstat(Fd, &St) != 0)
    throw EInOutError(Format("Cannot read file \"%s\": %s", FileName, SysErrorMessage(errno)));
  if (!S_ISREG(St.st_mode))
    throw EInOutError(Format("Cannot read file \"%s\": it is not a regular file", FileName));
  const std::string TooLarge = Format("Cannot read file \"%s\": it is larger than %s bytes",
                                      FileName, std::to_string(MaxSize));
  if (static_cast<std::uintmax_t>(St.st_size) > MaxSize)
    throw EInOutError(TooLarge);
  // The file may grow while it is read: never more than MaxSize bytes.
  std::string Data(MaxSize + 1, '\0');
  std::size_t Got = 0;
  while (Got < Data.size()) {
    const ssize_t N = ::read(Fd, Data.data() + Got, Data.size() - Got);
    if (N == 0)
      break;
    if (N < 0) {
      if (errno == EINTR)
        continue;
      throw EInOutError(Format("Cannot read file \"%s\": %s", FileName, SysErrorMessage(errno)));
    }
    Got += static_cast<std::size_t>(N);
  }
  if (Got > MaxSize)
    throw EInOutError(TooLarge);
  Data.resize(Got);
  return Data;
}

} // namespace

std::vector<std::pair<std::string, std::string>> TOVDatabase::EffectiveParams() const {
  std::vector<std::pair<std::string, std::string>> Result;
  const auto Put = [&Result](const std::string& Name, const std::string& Value) {
    const std::string Key = SysUtils::Trim(Name);
    if (Key.empty())
      return;
    for (auto& [N, V] : Result)
      if (SameText(N, Key)) {
        V = Value;
        return;
      }
    Result.emplace_back(Key, Value);
  };
  if (!FParamsFileName.empty()) {
    // The file is the design file's choice: a device, a FIFO or a huge file
    // is refused, and errors name the line, never its text (it may hold a
    // password, as a .pgpass line does).
    constexpr std::size_t MaxParamsFileSize = 1 << 20;
    Classes::TStringList File;
    try {
      File.SetText(ReadParamsFile(FParamsFileName, MaxParamsFileSize));
    } catch (const SysUtils::Exception& E) {
      DB::DatabaseError(
          Format("Cannot read the parameter file \"%s\": %s", FParamsFileName, E.Message()), this);
    }
    for (int I = 0; I < File.Count(); ++I) {
      const std::string Line = SysUtils::Trim(File[I]);
      if (Line.empty() || Line[0] == ';' || Line[0] == '#')
        continue;
      if (Line.find('=') == std::string::npos)
        DB::DatabaseError(Format("Line %d of the parameter file \"%s\" is no name=value line",
                                 I + 1, FParamsFileName),
                          this);
      Put(File.Names(I), File.ValueFromIndex(I));
    }
  }
  for (int I = 0; I < FParams->Count(); ++I)
    if (FParams->Get(I).find('=') != std::string::npos)
      Put(FParams->Names(I), FParams->ValueFromIndex(I));
  return Result;
}

void TOVDatabase::DoConnect() {
  DB::CheckConnectionAllowed(this);
  OVDriver::TDriver& Driver = ServerDriver(FServerType);
  OVDriver::TConnectParams Params;
  Params.RemoteDatabase = FRemoteDatabase;
  const std::string Remote = SysUtils::Trim(FRemoteDatabase);
  const std::string Scheme = OVDriver::LowerCase(Remote.substr(0, Remote.find(':')));
  if (Remote.find(':') != std::string::npos &&
      (Scheme == "sqlite" || Scheme == "postgresql" || Scheme == "postgres")) {
    try {
      OVDriver::TConnectionURI URI = OVDriver::ParseConnectionURI(Remote);
      if (URI.Driver != &Driver)
        DB::DatabaseError(Format("The remote database \"%s\" is a %s address, but the server "
                                 "type is %s",
                                 Remote, std::string(URI.Driver->ServerTypeName()),
                                 GetServerTypeName(FServerType)),
                          this);
      Params = URI.Params;
    } catch (const OVDriver::EDriverError& E) {
      Internal::RaiseDriverError(E, this);
    }
  }
  for (const auto& [Name, Value] : EffectiveParams()) {
    if (SameText(Name, "USER NAME") || SameText(Name, "USER_NAME"))
      Params.UserName = Value;
    else if (SameText(Name, "PASSWORD"))
      Params.Password = Value;
    else
      Params.Extra.emplace_back(Name, Value);
  }
  try {
    FConnection = Driver.Connect(Params);
  } catch (const OVDriver::EDriverError& E) {
    FConnection.reset();
    Internal::RaiseDriverError(E, this);
  }
}

void TOVDatabase::DoDisconnect() {
  CloseDataSets();
  FBatch.reset();
  FBatchLevel = 0;
  FConnection.reset();
}

void TOVDatabase::CloseDataSets() {
  for (TOVDataSet* DS : std::vector<TOVDataSet*>(FDataSets)) {
    DS->Close();
    DS->UnPrepare();
  }
}

void TOVDatabase::RegisterDataSet(TOVDataSet* DataSet) {
  if (std::find(FDataSets.begin(), FDataSets.end(), DataSet) == FDataSets.end())
    FDataSets.push_back(DataSet);
}

void TOVDatabase::UnregisterDataSet(TOVDataSet* DataSet) {
  FDataSets.erase(std::remove(FDataSets.begin(), FDataSets.end(), DataSet), FDataSets.end());
}

void TOVDatabase::Notification(TComponent* AComponent, Classes::TOperation Operation) {
  TComponent::Notification(AComponent, Operation);
  if (Operation == Classes::TOperation::opRemove)
    if (auto* DS = dynamic_cast<TOVDataSet*>(AComponent))
      UnregisterDataSet(DS);
}

OVDriver::TConnection& TOVDatabase::Connection() const {
  if (!FConnection)
    DB::DatabaseError("The database is not connected", this);
  return *FConnection;
}

int64_t TOVDatabase::Execute(const std::string& SQL, const std::vector<TVariant>& Params) {
  OVCommon::MonitorSQL(SQL);
  try {
    return Connection().Execute(SQL, Internal::ToDriverValues(Params));
  } catch (const OVDriver::EDriverError& E) {
    Internal::RaiseDriverError(E, this);
  }
}

std::vector<std::string> TOVDatabase::TableNames(std::string_view Pattern, bool SystemTables) {
  try {
    return Connection().GetTableNames(Pattern, SystemTables);
  } catch (const OVDriver::EDriverError& E) {
    Internal::RaiseDriverError(E, this);
  }
}

std::vector<std::string> TOVDatabase::StoredProcNames() {
  if (!ServerDriver(FServerType).SupportsStoredProcs())
    return {};
  try {
    return Connection().GetStoredProcNames();
  } catch (const OVDriver::EDriverError& E) {
    Internal::RaiseDriverError(E, this);
  }
}

std::vector<OVDriver::TColumnInfo> TOVDatabase::Columns(std::string_view TableName) {
  if (const auto* Cached = BatchColumns(TableName))
    return *Cached;
  if (FHeld && !FBatch)
    if (const auto* Held = FHeld->FindColumns(TableName))
      return *Held;
  try {
    std::vector<OVDriver::TColumnInfo> Result = Connection().GetFieldNames(TableName);
    if (FHeld && !FBatch)
      FHeld->Columns.emplace(std::string(TableName), Result);
    return Result;
  } catch (const OVDriver::EDriverError& E) {
    Internal::RaiseDriverError(E, this);
  }
}

std::vector<OVDriver::TIndexColumn> TOVDatabase::Indexes(std::string_view TableName) {
  bool Known = false;
  if (const auto* Cached = BatchIndexes(TableName, Known))
    return *Cached;
  if (Known)
    return {};
  if (FHeld && !FBatch)
    if (const auto* Held = FHeld->FindIndexes(TableName))
      return *Held;
  try {
    std::vector<OVDriver::TIndexColumn> Result = Connection().GetIndexInfo(TableName);
    if (FHeld && !FBatch)
      FHeld->Indexes.emplace(std::string(TableName), Result);
    return Result;
  } catch (const OVDriver::EDriverError& E) {
    Internal::RaiseDriverError(E, this);
  }
}

std::vector<std::string> TOVDatabase::FieldNames(std::string_view TableName) {
  std::vector<std::string> Result;
  const auto Names = [&Result](const std::vector<OVDriver::TColumnInfo>& Columns) {
    Result.reserve(Columns.size());
    for (const auto& C : Columns)
      Result.push_back(C.Name);
  };
  // What the catalogue already holds is read where it is.
  if (const auto* Cached = BatchColumns(TableName)) {
    Names(*Cached);
    return Result;
  }
  if (FHeld && !FBatch)
    if (const auto* Held = FHeld->FindColumns(TableName)) {
      Names(*Held);
      return Result;
    }
  Names(Columns(TableName));
  return Result;
}

std::vector<OVDriver::TTableRef> TOVDatabase::Tables() {
  TOVDatabaseUse Use(this);
  if (FBatch) {
    BatchKey("", nullptr);
    return *FBatch->Tables;
  }
  try {
    return Connection().GetTables();
  } catch (const OVDriver::EDriverError& E) {
    Internal::RaiseDriverError(E, this);
  }
}

std::optional<TOVTableInfo> TOVDatabase::DescribeTable(std::string_view TableText) {
  TOVDatabaseUse Use(this);
  TOVTableInfo Info;
  const OVDriver::TTableRef* Cached = nullptr;
  const std::string* Key = BatchKey(TableText, &Cached);
  // Whether the text names a schema, by the session's rules: asked once the
  // table is described, which may learn them in the same exchange.
  const auto Qualify = [&] {
    if (FBatch) {
      Info.Qualified = FBatch->Last->Qualified;
    } else {
      const auto Readings = OVDriver::NameReadings(TableText, Dialect());
      Info.Qualified = Readings.front().Exact && Readings.front().Schema.has_value();
    }
  };
  if (Key) {
    Qualify();
    Info.Table = *Cached;
    Info.Columns = FBatch->Columns->at(*Key);
    // By the key itself: read again as a table text, a display name such as
    // sch.tab (one name holding a dot) would reach another table.
    if (const auto* Rows = BatchIndexesOfKey(*Key))
      Info.Indexes = *Rows;
    return Info;
  }
  if (FHeld && !FBatch) {
    // The same text names the same table while the catalogue is held:
    // Columns and Indexes of it, and describing it again, answer from the
    // description the hold keeps.
    const TOVTableInfo* Held = HeldTableInfo(TableText);
    if (!Held)
      return std::nullopt;
    Info.Qualified = Held->Qualified;
    Info.Table = Held->Table;
    Info.Columns = Held->Columns;
    Info.Indexes = Held->Indexes;
    return Info;
  }
  std::string Exact;
  try {
    if (!Cached) {
      // The table, its columns and its indexes in one exchange where the
      // server allows it.
      std::optional<OVDriver::TTableDescription> Found = Connection().DescribeTable(TableText);
      if (!Found)
        return std::nullopt;
      Qualify();
      Info.Table = std::move(Found->Table);
      Info.Columns = std::move(Found->Columns);
      Info.Indexes = std::move(Found->Indexes);
      return Info;
    }
    Qualify();
    Info.Table = *Cached;
    // Asked by its schema and name in quotes, nothing can read it as another.
    Exact = OVDriver::WriteTableName(Connection(), Info.Table, true, true);
  } catch (const OVDriver::EDriverError& E) {
    Internal::RaiseDriverError(E, this);
  }
  Info.Columns = Columns(Exact);
  Info.Indexes = Indexes(Exact);
  return Info;
}

const TOVTableInfo* TOVDatabase::HeldTableInfo(std::string_view TableText) {
  if (!FHeld || FBatch)
    return nullptr;
  if (const auto It = FHeld->Described.find(TableText); It != FHeld->Described.end())
    return &It->second;
  TOVDatabaseUse Use(this);
  TOVTableInfo Info;
  std::string Exact;
  try {
    // The table, its columns and its indexes in one exchange where the
    // server allows it. A text that finds nothing is asked again.
    std::optional<OVDriver::TTableDescription> Found = Connection().DescribeTable(TableText);
    if (!Found)
      return nullptr;
    // Whether the text names a schema, by the session's rules, which the
    // description may have learnt.
    const auto Readings = OVDriver::NameReadings(TableText, Dialect());
    Info.Qualified = Readings.front().Exact && Readings.front().Schema.has_value();
    Info.Table = std::move(Found->Table);
    Info.Columns = std::move(Found->Columns);
    Info.Indexes = std::move(Found->Indexes);
    Exact = OVDriver::WriteTableName(Connection(), Info.Table, true, true);
  } catch (const OVDriver::EDriverError& E) {
    Internal::RaiseDriverError(E, this);
  }
  const TOVTableInfo& Held =
      FHeld->Described.emplace(std::string(TableText), std::move(Info)).first->second;
  FHeld->ByExact.try_emplace(std::move(Exact), &Held);
  return &Held;
}

std::string TOVDatabase::WriteName(std::string_view Name, bool Quote) {
  try {
    return OVDriver::WriteName(Connection(), Name, Quote);
  } catch (const OVDriver::EDriverError& E) {
    Internal::RaiseDriverError(E, this);
  }
}

std::string TOVDatabase::WriteTableName(const TOVTableInfo& Table, bool Quote) {
  try {
    return OVDriver::WriteTableName(Connection(), Table.Table, Quote, Table.Qualified);
  } catch (const OVDriver::EDriverError& E) {
    Internal::RaiseDriverError(E, this);
  }
}

std::string TOVDatabase::NullSafeEquals() const {
  return std::string(Connection().NullSafeEquals());
}

bool TOVDatabase::SupportsReturning() {
  return Connection().SupportsReturning();
}

namespace {

DB::TMemDataSet* NewSchemaDataSet(const std::vector<std::pair<std::string, TFieldType>>& Columns) {
  auto DS = std::make_unique<DB::TMemDataSet>(nullptr);
  for (const auto& [Name, Type] : Columns)
    DS->FieldDefs()->Add(Name, Type, 0, false);
  DS->CreateDataSet();
  return DS.release();
}

} // namespace

DB::TDataSet* TOVDatabase::GetSchemaInfo(TOVSchemaType SchemaType, std::string_view ObjName) {
  TOVDatabaseUse Use(this);
  std::unique_ptr<DB::TMemDataSet> DS;
  switch (SchemaType) {
  case TOVSchemaType::siTables:
  case TOVSchemaType::siSysTables: {
    DS.reset(NewSchemaDataSet({{"TABLE_NAME", TFieldType::ftString}}));
    for (const std::string& Name : TableNames(ObjName, SchemaType == TOVSchemaType::siSysTables))
      DS->AppendRecord({TVariant(Name)});
    break;
  }
  case TOVSchemaType::siProcedures:
    DS.reset(NewSchemaDataSet({{"PROC_NAME", TFieldType::ftString}}));
    for (const std::string& Name : StoredProcNames())
      DS->AppendRecord({TVariant(Name)});
    break;
  case TOVSchemaType::siColumns: {
    const auto Cols = Columns(ObjName);
    if (Cols.empty())
      return nullptr;
    DS.reset(NewSchemaDataSet({{"COLUMN_NAME", TFieldType::ftString},
                               {"TYPE_NAME", TFieldType::ftString},
                               {"FIELD_TYPE", TFieldType::ftString},
                               {"SIZE", TFieldType::ftInteger},
                               {"NULLABLE", TFieldType::ftBoolean}}));
    for (const auto& C : Cols)
      DS->AppendRecord({TVariant(C.Name), TVariant(C.TypeName),
                        TVariant(DB::FieldTypeName(Internal::FieldTypeOf(C.DataType))),
                        TVariant(C.Size), TVariant(C.Nullable)});
    break;
  }
  case TOVSchemaType::siProcedureParams: {
    if (!ServerDriver(FServerType).SupportsStoredProcs())
      return nullptr;
    std::vector<OVDriver::TProcParam> Params;
    try {
      Params = Connection().GetProcParams(ObjName);
    } catch (const OVDriver::EDriverError& E) {
      Internal::RaiseDriverError(E, this);
    }
    if (Params.empty())
      return nullptr;
    DS.reset(NewSchemaDataSet({{"PARAM_NAME", TFieldType::ftString},
                               {"PARAM_TYPE", TFieldType::ftString},
                               {"TYPE_NAME", TFieldType::ftString}}));
    for (const auto& P : Params)
      DS->AppendRecord(
          {TVariant(P.Name),
           TVariant(TypInfo::GetEnumName(TypInfo::TypeInfoOf<DB::TParamType>(),
                                         static_cast<int64_t>(Internal::ParamTypeOf(P.Direction)))),
           TVariant(P.TypeName)});
    break;
  }
  case TOVSchemaType::siIndexes: {
    const auto Rows = Indexes(ObjName);
    // A table without indexes answers with no rows; only a table that is
    // not there answers with nothing.
    if (Rows.empty() && Columns(ObjName).empty())
      return nullptr;
    DS.reset(NewSchemaDataSet({{"TABLE_NAME", TFieldType::ftString},
                               {"INDEX_NAME", TFieldType::ftString},
                               {"COLUMN_NAME", TFieldType::ftString},
                               {"COLUMN_POSITION", TFieldType::ftInteger},
                               {"INDEX_TYPE", TFieldType::ftInteger}}));
    for (const auto& R : Rows) {
      // A column that is an expression has no name the key lists could use.
      const TVariant Type = R.ColumnName.empty() ? TVariant() : TVariant(R.IndexType);
      DS->AppendRecord({TVariant(ObjName), TVariant(R.IndexName), TVariant(R.ColumnName),
                        TVariant(R.Position), Type});
    }
    break;
  }
  }
  if (DS)
    DS->First();
  return DS.release();
}

// Database use for one call ------------------------------------------------------

TOVDatabaseUse::TOVDatabaseUse(TOVDatabase* Database) : FDatabase(Database) {
  if (!FDatabase->GetConnected()) {
    FDatabase->DoConnect();
    FConnectedHere = true;
  }
}

TOVDatabaseUse::~TOVDatabaseUse() {
  if (FConnectedHere && !FDatabase->GetKeepConnection() && FDatabase->DataSets().empty()) {
    try {
      FDatabase->Close();
    } catch (...) {
      // Disconnecting after the call cannot be reported over its own result.
    }
  }
}

} // namespace OVEngine
