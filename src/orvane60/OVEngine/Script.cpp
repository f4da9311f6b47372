// Scripts: statements split at ';' or at a line holding only '/', run in turn.
#include "orvane60/OVEngine/Internal.hpp"

#include "orvane60/OVCommon.hpp"
#include "orvane60/OVSqlParse.hpp"

namespace OVEngine {

using OVSqlParse::TTokenKind;
using SysUtils::Format;
using SysUtils::SameText;

OV_CLASS_BEGIN(TOVScript, TComponent, "OVEngine")
B.Property("DatabaseName", &TOVScript::GetDatabaseName, &TOVScript::SetDatabaseName);
B.Property("SessionName", &TOVScript::GetSessionName, &TOVScript::SetSessionName);
B.Property("SQL", &TOVScript::GetSQL, &TOVScript::SetSQL);
OV_CLASS_END

namespace {

// Whether the token is alone on its line.
bool AloneOnLine(std::string_view Script, const OVSqlParse::TToken& T) {
  for (size_t I = T.Offset; I-- > 0 && Script[I] != '\n';)
    if (Script[I] != ' ' && Script[I] != '\t' && Script[I] != '\r')
      return false;
  for (size_t I = T.Offset + T.Text.size(); I < Script.size() && Script[I] != '\n'; ++I)
    if (Script[I] != ' ' && Script[I] != '\t' && Script[I] != '\r')
      return false;
  return true;
}

bool IsWord(const OVSqlParse::TToken& T, std::string_view Word) {
  return T.Kind == TTokenKind::Identifier && SameText(T.Text, Word);
}

} // namespace

std::vector<TScriptStatement> SplitScript(std::string_view Script,
                                          OVSqlParse::TSqlDialect Dialect) {
  std::vector<TScriptStatement> Result;
  OVSqlParse::TTokenizer Tokens(Script, Dialect);
  bool InStatement = false;
  size_t Start = 0;
  int StartLine = 1;
  int Position = 0; // token number within the statement
  bool Trigger = false;
  int Depth = 0; // BEGIN/CASE ... END nesting inside a trigger body
  const auto Finish = [&](size_t End) {
    if (InStatement) {
      std::string Text = SysUtils::TrimRight(Script.substr(Start, End - Start));
      if (!Text.empty())
        Result.push_back({std::move(Text), StartLine});
    }
    InStatement = false;
    Position = 0;
    Trigger = false;
    Depth = 0;
  };
  while (true) {
    const OVSqlParse::TToken T = Tokens.Next();
    if (T.Kind == TTokenKind::End) {
      Finish(Script.size());
      break;
    }
    if (T.Kind == TTokenKind::Invalid) {
      // An unterminated literal or comment: the rest is one statement, and
      // the server says what is wrong with it.
      if (!InStatement) {
        InStatement = true;
        Start = T.Offset;
        StartLine = static_cast<int>(T.Line);
      }
      Finish(Script.size());
      break;
    }
    if (T.Kind == TTokenKind::Operator && T.Text == "/" && AloneOnLine(Script, T)) {
      Finish(T.Offset);
      continue;
    }
    if (T.Kind == TTokenKind::Semicolon && Depth == 0) {
      Finish(T.Offset);
      continue;
    }
    if (!InStatement) {
      InStatement = true;
      Start = T.Offset;
      StartLine = static_cast<int>(T.Line);
    }
    ++Position;
    // CREATE [TEMP|TEMPORARY] TRIGGER: the body's statements end in ';' too,
    // so the statement ends only after the body's END.
    if (Position <= 3 && IsWord(T, "TRIGGER"))
      Trigger = true;
    if (Trigger) {
      if (IsWord(T, "BEGIN") || T.Keyword == OVSqlParse::TKeyword::Case)
        ++Depth;
      else if (T.Keyword == OVSqlParse::TKeyword::End && Depth > 0)
        --Depth;
    }
  }
  return Result;
}

TOVScript::TOVScript(TComponent* AOwner)
    : TComponent(AOwner), FSQL(std::make_unique<Classes::TStringList>()) {}

TOVScript::~TOVScript() = default;

TOVSession* TOVScript::GetDBSession() const {
  return Sessions()->GetSessionByName(FSessionName);
}

std::vector<std::string> TOVScript::Statements() const {
  TOVServerType Type = DefServerType;
  if (TOVSession* S = Sessions()->FindSession(FSessionName))
    if (TOVDatabase* D = S->FindDatabase(FDatabaseName))
      Type = D->GetServerType();
  std::vector<std::string> Result;
  for (auto& S : SplitScript(FSQL->GetText(), ServerDialect(Type)))
    Result.push_back(std::move(S.Text));
  return Result;
}

void TOVScript::ExecSQL() {
  FExecuted = 0;
  TOVDatabase* Db = GetDBSession()->DatabaseByName(FDatabaseName);
  TOVDatabaseUse Use(Db);
  const auto Statements = SplitScript(FSQL->GetText(), Db->Dialect());
  for (size_t I = 0; I < Statements.size(); ++I) {
    const TScriptStatement& S = Statements[I];
    OVCommon::MonitorSQL(S.Text);
    try {
      Db->Connection().Execute(S.Text);
    } catch (const OVDriver::EDriverError& E) {
      DB::DatabaseError(Format("Statement %d of the script (line %d) failed: %s",
                               static_cast<int>(I) + 1, S.Line, std::string(E.what())),
                        this);
    }
    ++FExecuted;
  }
}

} // namespace OVEngine
