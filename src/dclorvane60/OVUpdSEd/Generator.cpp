// Statement generation of the UpdateSQL editor.
#include "dclorvane60/OVUpdSEd.hpp"

#include "orvane60/OVCommon.hpp"

#include <string_view>
#include <unordered_map>
#include <vector>

namespace OVUpdSEd {

using Classes::TStrings;

std::string QuoteName(const TStatementInputs& Inputs, const std::string& Name) {
  if (Inputs.WriteName)
    return Inputs.WriteName(Name);
  return OVCommon::QuoteIdentifier(Name, Inputs.QuoteFields);
}

std::string QuoteParam(const TStatementInputs& Inputs, const std::string& Name) {
  if (!Inputs.WriteName)
    return OVCommon::QuoteIdentifier(Name, Inputs.QuoteFields);
  if (!Inputs.QuoteFields && OVCommon::IsPlainIdentifier(Name))
    return Name;
  // A parameter name is one name, dots and all.
  std::string Result = "\"";
  for (const char C : Name)
    Result += C == '"' ? std::string(2, C) : std::string(1, C);
  return Result + "\"";
}

namespace {

// Splits a field info value at its last dot that is not its last character
// ("OWNER.TABLE.COL" is table OWNER.TABLE, "X.Y." is table X, column "Y.");
// false when there is none.
bool SplitOrigin(std::string_view Value, std::string_view& Table, std::string_view& Column) {
  for (size_t P = Value.size(); P-- > 0;)
    if (Value[P] == '.' && P + 1 < Value.size()) {
      Table = Value.substr(0, P);
      Column = Value.substr(P + 1);
      return true;
    }
  return false;
}

} // namespace

std::string FindFieldAlias(const TStrings* FieldInfo, const std::string& TableName,
                           const std::string& FieldName) {
  if (!FieldInfo)
    return FieldName;
  for (int I = 0, N = FieldInfo->Count(); I < N; ++I) {
    const std::string Entry = FieldInfo->Get(I);
    const size_t Eq = Entry.find('=');
    const std::string_view Value =
        Eq == std::string::npos ? std::string_view() : std::string_view(Entry).substr(Eq + 1);
    std::string_view Table, Column;
    if (SplitOrigin(Value, Table, Column) && Column == FieldName && Table == TableName)
      return Entry.substr(0, Eq);
  }
  return FieldName;
}

namespace {

// The aliases of the table text's columns, read from the field info in one
// pass: what FindFieldAlias answers for every column, so that a statement
// over many fields does not scan the field info once per field.
class TAliases {
public:
  explicit TAliases(const TStatementInputs& Inputs) {
    if (!Inputs.FieldInfo)
      return;
    const TStrings& Info = *Inputs.FieldInfo;
    for (int I = 0, N = Info.Count(); I < N; ++I) {
      const std::string Entry = Info.Get(I);
      const size_t Eq = Entry.find('=');
      if (Eq == std::string::npos)
        continue;
      std::string_view Table, Column;
      // The table text as typed, not the valid object name: an alias is
      // found only where the field info spells the table exactly as the
      // table box.
      if (SplitOrigin(std::string_view(Entry).substr(Eq + 1), Table, Column) &&
          Table == Inputs.TableText)
        FAliases.emplace(std::string(Column), Entry.substr(0, Eq)); // the first one wins
    }
  }
  const std::string& Of(const std::string& Field) const {
    const auto It = FAliases.find(Field);
    return It == FAliases.end() ? Field : It->second;
  }

private:
  std::unordered_map<std::string, std::string> FAliases;
};

std::string TableName(const TStatementInputs& Inputs) {
  if (!Inputs.WrittenTable.empty())
    return Inputs.WrittenTable;
  return QuoteName(Inputs, OVCommon::GetValidObjName(Inputs.TableText, !Inputs.ObjOwnerSupported));
}

bool Computed(const TStatementInputs& Inputs, const std::string& Field) {
  return Inputs.ComputedFields.count(Field) > 0;
}

// " returning" and the columns the server assigns, each under the name the
// dataset knows it by; empty without such columns.
std::string ReturningClause(const TStatementInputs& Inputs, const TAliases& Aliases) {
  std::string Fields;
  for (const std::string& F : Inputs.ReturningFields) {
    Fields += Fields.empty() ? "returning " : ", ";
    Fields += QuoteName(Inputs, F);
    const std::string& A = Aliases.Of(F);
    if (A != F)
      Fields += " as " + QuoteName(Inputs, A);
  }
  return Fields;
}

// The lines of a statement, gathered before they go into its buffer in one
// update.
using TLines = std::vector<std::string>;

// Appends a list line after Keyword's entry, first ending the last line with
// Separator unless that line is the keyword itself.
void AppendListLine(TLines& Lines, std::string_view Keyword, std::string_view Separator,
                    std::string Line) {
  if (!Lines.empty() && Lines.back() != Keyword)
    Lines.back() += Separator;
  Lines.push_back(std::move(Line));
}

void AppendKeyConditions(const TStatementInputs& Inputs, const TAliases& Aliases, TLines& Lines) {
  for (const std::string& F : Inputs.KeyFields) {
    // A key column that may be null matches its row only through a
    // comparison that finds null equal to null.
    const std::string_view Equals = Inputs.NullableKeyFields.count(F)
                                        ? std::string_view(Inputs.NullSafeEquals)
                                        : std::string_view(" = ");
    std::string Line = "  " + QuoteName(Inputs, F);
    Line += Equals;
    Line += ':';
    Line += QuoteParam(Inputs, "OLD_" + Aliases.Of(F));
    AppendListLine(Lines, "where", " and", std::move(Line));
  }
}

// Replaces the whole content of Buffer with Lines.
void Fill(TStrings& Buffer, const TLines& Lines) {
  const Classes::TStringsUpdate Updating(&Buffer);
  Buffer.Clear();
  for (const std::string& Line : Lines)
    Buffer.Add(Line);
}

void MakeRefresh(const TStatementInputs& Inputs, const TAliases& Aliases, TStrings& Buffer) {
  std::string Fields = "select ";
  bool First = true;
  for (const std::string& F : Inputs.UpdateFields) {
    if (!First)
      Fields += ", ";
    First = false;
    Fields += QuoteName(Inputs, F);
    const std::string& A = Aliases.Of(F);
    if (A != F)
      Fields += " as " + QuoteName(Inputs, A);
  }
  Fields += "\r\nfrom ";
  Fields += TableName(Inputs);
  TLines Lines{std::move(Fields), "where"};
  AppendKeyConditions(Inputs, Aliases, Lines);
  Fill(Buffer, Lines);
}

void MakeModify(const TStatementInputs& Inputs, const TAliases& Aliases, TStrings& Buffer) {
  TLines Lines{"update " + TableName(Inputs), "set"};
  for (const std::string& F : Inputs.UpdateFields)
    if (!Computed(Inputs, F)) {
      std::string Line = "  " + QuoteName(Inputs, F);
      Line += " = :";
      Line += QuoteParam(Inputs, Aliases.Of(F));
      AppendListLine(Lines, "set", ",", std::move(Line));
    }
  Lines.emplace_back("where");
  AppendKeyConditions(Inputs, Aliases, Lines);
  if (std::string Returning = ReturningClause(Inputs, Aliases); !Returning.empty())
    Lines.push_back(std::move(Returning));
  Fill(Buffer, Lines);
}

void MakeInsert(const TStatementInputs& Inputs, const TAliases& Aliases, TStrings& Buffer) {
  std::string Columns = "  (", Params = "  (";
  bool First = true;
  for (const std::string& F : Inputs.UpdateFields) {
    if (Computed(Inputs, F))
      continue;
    if (!First) {
      Columns += ", ";
      Params += ", ";
    }
    First = false;
    Columns += QuoteName(Inputs, F);
    Params += ':';
    Params += QuoteParam(Inputs, Aliases.Of(F));
  }
  Columns += ')';
  Params += ')';
  TLines Lines{"insert into " + TableName(Inputs), std::move(Columns), "values", std::move(Params)};
  if (std::string Returning = ReturningClause(Inputs, Aliases); !Returning.empty())
    Lines.push_back(std::move(Returning));
  Fill(Buffer, Lines);
}

void MakeDelete(const TStatementInputs& Inputs, const TAliases& Aliases, TStrings& Buffer) {
  TLines Lines{"delete from " + TableName(Inputs), "where"};
  AppendKeyConditions(Inputs, Aliases, Lines);
  Fill(Buffer, Lines);
}

} // namespace

void GenerateRefreshSQL(const TStatementInputs& Inputs, TStrings& Buffer) {
  MakeRefresh(Inputs, TAliases(Inputs), Buffer);
}

void GenerateModifySQL(const TStatementInputs& Inputs, TStrings& Buffer) {
  MakeModify(Inputs, TAliases(Inputs), Buffer);
}

void GenerateInsertSQL(const TStatementInputs& Inputs, TStrings& Buffer) {
  MakeInsert(Inputs, TAliases(Inputs), Buffer);
}

void GenerateDeleteSQL(const TStatementInputs& Inputs, TStrings& Buffer) {
  MakeDelete(Inputs, TAliases(Inputs), Buffer);
}

void GenerateStatements(const TStatementInputs& Inputs, TStrings& Refresh, TStrings& Modify,
                        TStrings& Insert, TStrings& Delete) {
  const TAliases Aliases(Inputs);
  MakeModify(Inputs, Aliases, Modify);
  MakeInsert(Inputs, Aliases, Insert);
  MakeDelete(Inputs, Aliases, Delete);
  MakeRefresh(Inputs, Aliases, Refresh);
}

} // namespace OVUpdSEd
