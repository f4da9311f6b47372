// Statement generation of the UpdateSQL editor.
#include "dclorvane60/OVUpdSEd.hpp"

#include "orvane60/OVCommon.hpp"

#include <string_view>
#include <unordered_map>

namespace OVUpdSEd {

using Classes::TStrings;
using SysUtils::Format;

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

// Appends a list line after Keyword's entry, first ending the buffer's last
// entry with Separator unless that entry is the keyword itself.
void AppendListLine(TStrings& Buffer, const char* Keyword, const char* Separator,
                    const std::string& Line) {
  const int Last = Buffer.Count() - 1;
  if (Last >= 0 && Buffer.Get(Last) != Keyword)
    Buffer.Put(Last, Buffer.Get(Last) + Separator);
  Buffer.Add(Line);
}

void AppendKeyConditions(const TStatementInputs& Inputs, const TAliases& Aliases,
                         TStrings& Buffer) {
  for (const std::string& F : Inputs.KeyFields) {
    // A key column that may be null matches its row only through a
    // comparison that finds null equal to null.
    const std::string Equals =
        Inputs.NullableKeyFields.count(F) ? Inputs.NullSafeEquals : std::string(" = ");
    AppendListLine(Buffer, "where", " and",
                   Format("%s%s%s:%s", "  ", QuoteName(Inputs, F), Equals,
                          QuoteParam(Inputs, "OLD_" + Aliases.Of(F))));
  }
}

} // namespace

void GenerateRefreshSQL(const TStatementInputs& Inputs, TStrings& Buffer) {
  const TAliases Aliases(Inputs);
  const Classes::TStringsUpdate Updating(&Buffer);
  Buffer.Clear();
  std::string Fields;
  for (const std::string& F : Inputs.UpdateFields) {
    if (!Fields.empty())
      Fields += ", ";
    Fields += QuoteName(Inputs, F);
    const std::string& A = Aliases.Of(F);
    if (A != F)
      Fields += " as " + QuoteName(Inputs, A);
  }
  Buffer.Add("select " + Fields + "\r\n" + "from " + TableName(Inputs));
  Buffer.Add("where");
  AppendKeyConditions(Inputs, Aliases, Buffer);
}

void GenerateModifySQL(const TStatementInputs& Inputs, TStrings& Buffer) {
  const TAliases Aliases(Inputs);
  const Classes::TStringsUpdate Updating(&Buffer);
  Buffer.Clear();
  Buffer.Add("update " + TableName(Inputs));
  Buffer.Add("set");
  for (const std::string& F : Inputs.UpdateFields)
    if (!Computed(Inputs, F))
      AppendListLine(
          Buffer, "set", ",",
          Format("%s%s = :%s", "  ", QuoteName(Inputs, F), QuoteParam(Inputs, Aliases.Of(F))));
  Buffer.Add("where");
  AppendKeyConditions(Inputs, Aliases, Buffer);
  if (const std::string Returning = ReturningClause(Inputs, Aliases); !Returning.empty())
    Buffer.Add(Returning);
}

void GenerateInsertSQL(const TStatementInputs& Inputs, TStrings& Buffer) {
  const TAliases Aliases(Inputs);
  const Classes::TStringsUpdate Updating(&Buffer);
  Buffer.Clear();
  std::string Columns, Params;
  Buffer.Add("insert into " + TableName(Inputs));
  for (const std::string& F : Inputs.UpdateFields) {
    if (Computed(Inputs, F))
      continue;
    if (!Columns.empty())
      Columns += ", ";
    Columns += QuoteName(Inputs, F);
    if (!Params.empty())
      Params += ", ";
    Params += ":" + QuoteParam(Inputs, Aliases.Of(F));
  }
  Buffer.Add("  (" + Columns + ")");
  Buffer.Add("values");
  Buffer.Add("  (" + Params + ")");
  if (const std::string Returning = ReturningClause(Inputs, Aliases); !Returning.empty())
    Buffer.Add(Returning);
}

void GenerateDeleteSQL(const TStatementInputs& Inputs, TStrings& Buffer) {
  const TAliases Aliases(Inputs);
  const Classes::TStringsUpdate Updating(&Buffer);
  Buffer.Clear();
  Buffer.Add("delete from " + TableName(Inputs));
  Buffer.Add("where");
  AppendKeyConditions(Inputs, Aliases, Buffer);
}

} // namespace OVUpdSEd
