// Stored procedures: described by the server, called with their parameters.
#include "orvane60/OVEngine/Internal.hpp"

#include "orvane60/OVCommon.hpp"
#include "orvane60/OVSqlParse.hpp"

namespace OVEngine {

using DB::TParamType;
using DB::TVariant;
using SysUtils::Format;

OV_CLASS_BEGIN(TOVStoredProc, TOVDataSet, "OVEngine")
B.Property("StoredProcName", &TOVStoredProc::GetStoredProcName, &TOVStoredProc::SetStoredProcName);
B.Property("Params", &TOVStoredProc::GetParams, &TOVStoredProc::SetParams);
OV_CLASS_END

TOVStoredProc::TOVStoredProc(TComponent* AOwner)
    : TOVDataSet(AOwner), FParams(std::make_unique<TParams>(this)) {}

TOVStoredProc::~TOVStoredProc() = default;

void TOVStoredProc::SetStoredProcName(const std::string& Value) {
  if (Value == FStoredProcName)
    return;
  CheckInactiveOrLoading();
  UnPrepare();
  FStoredProcName = Value;
  FDescriptionsAvailable = false;
  // Parameters read from a design file belong to the name read with them.
  if (!IsLoading())
    FParams->Clear();
}

void TOVStoredProc::SetParams(TParams* Value) {
  FParams->Assign(Value);
}

namespace {

struct TProcTarget {
  std::string CatalogName; // as the catalog lists it
  std::string SQLName;     // written for a statement
  bool IsFunction = true;
};

TProcTarget ResolveProc(TOVDatabase& Db, const std::string& Name, const TComponent* Owner) {
  const std::vector<std::string> Names = Db.StoredProcNames();
  const auto Found = Internal::ResolveCatalogName(Names, SysUtils::Trim(Name), Db.GetServerType());
  if (!Found)
    DB::DatabaseError(Format("Stored procedure '%s' not found", Name), Owner);
  TProcTarget T;
  T.CatalogName = *Found;
  T.SQLName = Internal::QuoteCatalogName(ServerDriver(Db.GetServerType()), *Found);
  // Functions are called in a select, procedures with call; the catalog
  // tells which (of overloaded names the oldest, as the description takes).
  try {
    T.IsFunction = Db.Connection().IsFunction(*Found);
  } catch (const OVDriver::EDriverError& E) {
    Internal::RaiseDriverError(E, Owner);
  }
  return T;
}

} // namespace

void TOVStoredProc::DoPrepare() {
  TOVDatabase& Db = *Database();
  if (!ServerDriver(Db.GetServerType()).SupportsStoredProcs())
    DB::DatabaseError(
        Format("%s databases have no stored procedures", GetServerTypeName(Db.GetServerType())),
        this);
  if (SysUtils::Trim(FStoredProcName).empty())
    DB::DatabaseError("Stored procedure name missing", this);
  const TProcTarget Target = ResolveProc(Db, FStoredProcName, this);
  std::vector<OVDriver::TProcParam> Described;
  try {
    Described = Db.Connection().GetProcParams(Target.CatalogName);
  } catch (const OVDriver::EDriverError& E) {
    Internal::RaiseDriverError(E, this);
  }
  // The server's list replaces the one given, keeping the values given for
  // parameters of the same name.
  TParams New(nullptr);
  for (const auto& D : Described) {
    DB::TParam* P = New.AddParam();
    P->SetName(D.Name);
    P->SetParamType(Internal::ParamTypeOf(D.Direction));
    P->SetDataType(Internal::FieldTypeOf(D.DataType));
    if (const DB::TParam* Old = FParams->FindParam(D.Name);
        Old && Old->GetBound() &&
        (P->GetParamType() == TParamType::ptInput ||
         P->GetParamType() == TParamType::ptInputOutput))
      P->SetValue(Old->GetValue());
  }
  FParams->Assign(&New);
  FDescriptionsAvailable = true;
}

void TOVStoredProc::DoUnPrepare() {}

std::string TOVStoredProc::CallStatement(std::vector<TVariant>& Values, bool& IsFunction) {
  TOVDatabase& Db = *Database();
  const TProcTarget Target = ResolveProc(Db, FStoredProcName, this);
  IsFunction = Target.IsFunction;
  const OVDriver::TDriver& Driver = ServerDriver(Db.GetServerType());
  const OVSqlParse::TDialectRules& Rules = Driver.Rules();
  std::string Args;
  for (int I = 0; I < FParams->Count(); ++I) {
    const DB::TParam* P = FParams->Items(I);
    const TParamType Type = P->GetParamType();
    if (Type == TParamType::ptResult)
      continue;
    // A function takes its input values only; a procedure is called with a
    // place for each output parameter too.
    if (Type == TParamType::ptOutput && IsFunction)
      continue;
    if (!Args.empty())
      Args += ", ";
    if (Type == TParamType::ptOutput && !Rules.OutputArgsArePlaceholders) {
      Args += "null";
      continue;
    }
    if (Type == TParamType::ptOutput) {
      // A place the server fills (MySQL: a placeholder bound to null).
      Values.emplace_back();
      Args += Driver.PlaceholderFor(static_cast<int>(Values.size()) - 1);
      continue;
    }
    if (!P->GetBound())
      DB::DatabaseError(Format("No value for parameter '%s'", P->GetName()), this);
    Values.push_back(P->GetValue());
    Args += Driver.PlaceholderFor(static_cast<int>(Values.size()) - 1);
  }
  if (IsFunction && Rules.FunctionInSelectList)
    return "select " + Target.SQLName + "(" + Args + ")";
  if (IsFunction)
    return "select * from " + Target.SQLName + "(" + Args + ")";
  return "call " + Target.SQLName + "(" + Args + ")";
}

std::string TOVStoredProc::OpenStatement(std::vector<TVariant>& Values) {
  Prepare();
  bool IsFunction = true;
  return CallStatement(Values, IsFunction);
}

void TOVStoredProc::AfterFetch() {
  // The first row's values are the output values, in the order of the
  // output parameters.
  if (FRecords.empty())
    return;
  const DB::TRecord& Row = FRecords.front();
  size_t Column = 0;
  for (int I = 0; I < FParams->Count() && Column < Row.size(); ++I) {
    DB::TParam* P = FParams->Items(I);
    const TParamType Type = P->GetParamType();
    if (Type == TParamType::ptResult || Type == TParamType::ptOutput ||
        Type == TParamType::ptInputOutput)
      P->SetValue(Row[Column++]);
  }
}

void TOVStoredProc::ExecProc() {
  CheckInactive();
  Prepare();
  std::vector<TVariant> Values;
  bool IsFunction = true;
  const std::string SQL = CallStatement(Values, IsFunction);
  bool HasOutput = false;
  for (int I = 0; I < FParams->Count(); ++I)
    HasOutput = HasOutput || FParams->Items(I)->GetParamType() == TParamType::ptResult ||
                FParams->Items(I)->GetParamType() == TParamType::ptOutput ||
                FParams->Items(I)->GetParamType() == TParamType::ptInputOutput;
  if (!HasOutput) {
    OVCommon::MonitorSQL(SQL);
    try {
      FRowsAffected = Database()->Connection().Execute(SQL, Internal::ToDriverValues(Values));
    } catch (const OVDriver::EDriverError& E) {
      Internal::RaiseDriverError(E, this);
    }
    return;
  }
  // Running it as the dataset's own rows gives the output values the same
  // way Open does; the rows are not kept.
  try {
    FetchStatement(SQL, Values);
    AfterFetch();
  } catch (...) {
    FRecords.clear();
    FieldDefs()->Clear();
    throw;
  }
  FRowsAffected = static_cast<int64_t>(FRecords.size());
  FRecords.clear();
  FieldDefs()->Clear();
}

} // namespace OVEngine
