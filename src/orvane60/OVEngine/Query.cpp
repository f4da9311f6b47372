// Queries and macro queries.
#include "orvane60/OVEngine/Internal.hpp"

#include "orvane60/OVCommon.hpp"
#include "orvane60/OVSqlParse.hpp"
#include "rtl/ScopeGuard.hpp"

namespace OVEngine {

using DB::TFieldType;
using DB::TVariant;
using SysUtils::Format;
using SysUtils::SameText;

OV_CLASS_BEGIN(TOVQuery, TOVDataSet, "OVEngine")
// SQL comes before Params, so that reading a design file makes the parameter
// list from the SQL first and then takes the stored types and values.
B.Property("ParamCheck", &TOVQuery::GetParamCheck, &TOVQuery::SetParamCheck).Default(1);
B.Property("SQL", &TOVQuery::GetSQL, &TOVQuery::SetSQL);
B.Property("Params", &TOVQuery::GetParams, &TOVQuery::SetParams);
OV_CLASS_END

OV_CLASS_BEGIN(TOVMacroQuery, TOVQuery, "OVEngine")
B.Property("MacroChar", &TOVMacroQuery::GetMacroChar, &TOVMacroQuery::SetMacroChar).Default('%');
B.Property("Macros", &TOVMacroQuery::GetMacros, &TOVMacroQuery::SetMacros);
OV_CLASS_END

namespace {

// Rebuilds List to hold exactly Names, in that order, keeping what the list
// already says about each name (type, direction, value).
void SyncParamList(TParams* List, const std::vector<std::string>& Names) {
  std::vector<std::string> Unique;
  for (const std::string& N : Names) {
    bool Seen = false;
    for (const std::string& U : Unique)
      Seen = Seen || SameText(U, N);
    if (!Seen)
      Unique.push_back(N);
  }
  const auto Current = List->Names();
  if (Current.size() == Unique.size()) {
    bool Same = true;
    for (size_t I = 0; I < Unique.size() && Same; ++I)
      Same = Current[I] == Unique[I];
    if (Same)
      return;
  }
  DB::TParams New(nullptr);
  for (const std::string& N : Unique) {
    DB::TParam* P = New.AddParam();
    if (const DB::TParam* Old = List->FindParam(N))
      P->Assign(const_cast<DB::TParam*>(Old));
    else
      P->SetParamType(DB::TParamType::ptInput);
    P->SetName(N);
  }
  List->Assign(&New);
}

bool IsIdentStart(char C) {
  return (C >= 'A' && C <= 'Z') || (C >= 'a' && C <= 'z') || C == '_' ||
         static_cast<unsigned char>(C) >= 0x80;
}

bool IsIdentChar(char C) {
  return IsIdentStart(C) || (C >= '0' && C <= '9');
}

// Calls Found(offset, length, name) for each macro of SQL, skipping quoted
// text, quoted identifiers, comments and dollar-quoted bodies.
template <class F> void ForEachMacro(std::string_view S, char MacroChar, F Found) {
  const size_t N = S.size();
  size_t I = 0;
  const auto SkipQuoted = [&](char Q) {
    ++I;
    while (I < N) {
      if (S[I] == Q) {
        if (I + 1 < N && S[I + 1] == Q) {
          I += 2;
          continue;
        }
        ++I;
        return;
      }
      ++I;
    }
  };
  while (I < N) {
    const char C = S[I];
    if (C == MacroChar && I + 1 < N && IsIdentStart(S[I + 1])) {
      size_t End = I + 1;
      while (End < N && IsIdentChar(S[End]))
        ++End;
      Found(I, End - I, std::string(S.substr(I + 1, End - I - 1)));
      I = End;
    } else if (C == '\'' || C == '"') {
      SkipQuoted(C);
    } else if (C == '-' && I + 1 < N && S[I + 1] == '-') {
      while (I < N && S[I] != '\n')
        ++I;
    } else if (C == '/' && I + 1 < N && S[I + 1] == '*') {
      const size_t End = S.find("*/", I + 2);
      I = End == std::string_view::npos ? N : End + 2;
    } else if (C == '$') {
      size_t End = I + 1;
      while (End < N && IsIdentChar(S[End]))
        ++End;
      if (End < N && S[End] == '$' && !(I + 1 < N && S[I + 1] >= '0' && S[I + 1] <= '9')) {
        const std::string_view Tag = S.substr(I, End - I + 1);
        const size_t Close = S.find(Tag, End + 1);
        I = Close == std::string_view::npos ? N : Close + Tag.size();
      } else {
        I = End;
      }
    } else {
      ++I;
    }
  }
}

} // namespace

std::vector<std::string> ScanMacros(std::string_view SQL, char MacroChar) {
  std::vector<std::string> Result;
  ForEachMacro(SQL, MacroChar, [&](size_t, size_t, const std::string& Name) {
    for (const std::string& R : Result)
      if (SameText(R, Name))
        return;
    Result.push_back(Name);
  });
  return Result;
}

std::string ExpandMacros(std::string_view SQL, char MacroChar,
                         const std::function<std::string(const std::string&)>& Value) {
  std::string Result;
  size_t Done = 0;
  ForEachMacro(SQL, MacroChar, [&](size_t Offset, size_t Length, const std::string& Name) {
    Result.append(SQL.substr(Done, Offset - Done));
    Result += Value(Name);
    Done = Offset + Length;
  });
  Result.append(SQL.substr(Done));
  return Result;
}

// Queries ----------------------------------------------------------------------

TOVQuery::TOVQuery(TComponent* AOwner)
    : TOVDataSet(AOwner), FSQL(std::make_unique<Classes::TStringList>()),
      FParams(std::make_unique<TParams>(this)) {
  FSQL->OnChange = [this](System::TObject*) { SQLChanged(); };
}

TOVQuery::~TOVQuery() {
  FSQL->OnChange = nullptr;
}

void TOVQuery::SetSQL(TStrings* Value) {
  FSQL->Assign(Value);
}

void TOVQuery::SetParams(TParams* Value) {
  FParams->Assign(Value);
}

void TOVQuery::SQLChanged() {
  if (GetActive() && !IsLoading())
    Close();
  UnPrepare();
  if (FParamCheck || IsDesigning())
    RefreshParams();
}

void TOVQuery::RefreshParams() {
  std::vector<std::string> Names;
  for (const auto& P : OVSqlParse::ScanParams(GetStatementText(), SqlDialect()))
    Names.push_back(P.Name);
  SyncParamList(FParams.get(), Names);
}

std::string TOVQuery::GetStatementText() const {
  return FSQL->GetText();
}

std::string TOVQuery::OpenStatement(std::vector<TVariant>& Values) {
  return BindParams(GetStatementText(), FParams.get(), Values);
}

void TOVQuery::DoPrepare() {
  const std::string SQL = OVSqlParse::ReplaceParams(
      GetStatementText(), SqlDialect(), [this](std::size_t Index, const std::string&) {
        return ServerDriver(ServerType()).PlaceholderFor(static_cast<int>(Index));
      });
  try {
    Database()->Connection().Describe(SQL);
  } catch (const OVDriver::EDriverError& E) {
    Internal::RaiseDriverError(E, this);
  }
}

void TOVQuery::ExecSQL() {
  CheckInactive();
  TOVDatabase& Db = OpenDatabase();
  const ScopeGuard::TFinally Finally([&] {
    if (!GetPrepared())
      ReleaseDatabase();
  });
  std::vector<TVariant> Values;
  const std::string SQL = BindParams(GetStatementText(), FParams.get(), Values);
  OVCommon::MonitorSQL(SQL);
  try {
    FRowsAffected = Db.Connection().Execute(SQL, Internal::ToDriverValues(Values));
  } catch (const OVDriver::EDriverError& E) {
    Internal::RaiseDriverError(E, this);
  }
}

std::string TOVQuery::PSGetTableName() const {
  const auto Info = OVSqlParse::ParseSelect(GetStatementText(), SqlDialect());
  const auto Tables = OVSqlParse::TableInfoEntries(Info);
  return Tables.size() == 1 ? Tables.front().second : std::string();
}

// Macro queries ------------------------------------------------------------------

TOVMacroQuery::TOVMacroQuery(TComponent* AOwner)
    : TOVQuery(AOwner), FMacros(std::make_unique<TParams>(this)) {
  // A macro's value is part of the statement: the parameters follow it.
  FMacros->OnChange = [this](System::TObject*) {
    if (GetParamCheck())
      RefreshParams();
  };
}

TOVMacroQuery::~TOVMacroQuery() {
  FMacros->OnChange = nullptr;
}

void TOVMacroQuery::SetMacros(TParams* Value) {
  FMacros->Assign(Value);
}

void TOVMacroQuery::SetMacroChar(char Value) {
  if (Value == FMacroChar)
    return;
  if (Value <= ' ' || Value == '\'' || Value == '"' || Value == ':' || Value == ';' ||
      IsIdentChar(Value) || static_cast<unsigned char>(Value) >= 0x80)
    DB::DatabaseError(Format("'%c' cannot mark macros: choose a punctuation character other "
                             "than quotes, ':' and ';'",
                             Value),
                      this);
  CheckInactiveOrLoading();
  FMacroChar = Value;
  SQLChanged();
}

void TOVMacroQuery::SQLChanged() {
  RefreshMacros();
  TOVQuery::SQLChanged();
}

void TOVMacroQuery::RefreshMacros() {
  auto Saved = std::move(FMacros->OnChange);
  FMacros->OnChange = nullptr;
  const ScopeGuard::TFinally Finally([&] { FMacros->OnChange = std::move(Saved); });
  SyncParamList(FMacros.get(), ScanMacros(GetSQL()->GetText(), FMacroChar));
}

std::string TOVMacroQuery::GetStatementText() const {
  return ExpandMacros(GetSQL()->GetText(), FMacroChar, [this](const std::string& Name) {
    const DB::TParam* M = FMacros->FindParam(Name);
    return M ? M->GetValue().AsString() : std::string();
  });
}

} // namespace OVEngine
