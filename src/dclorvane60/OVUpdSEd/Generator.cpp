// Statement generation of the UpdateSQL editor.
#include "dclorvane60/OVUpdSEd.hpp"

#include "orvane60/OVCommon.hpp"

namespace OVUpdSEd {

using Classes::TStrings;
using SysUtils::Format;

std::string QuoteName(const TStatementInputs& Inputs, const std::string& Name) {
  return OVCommon::QuoteIdentifier(Name, Inputs.QuoteFields);
}

std::string FindFieldAlias(const TStrings* FieldInfo, const std::string& TableName,
                           const std::string& FieldName) {
  if (!FieldInfo)
    return FieldName;
  for (int I = 0, N = FieldInfo->Count(); I < N; ++I) {
    const std::string Value = FieldInfo->ValueFromIndex(I);
    // Only the last dot counts, and one in the last position is passed over:
    // "OWNER.TABLE.COL" is table OWNER.TABLE, "X.Y." is table X, column "Y.".
    size_t Dot = std::string::npos;
    for (size_t P = Value.size(); P-- > 0;)
      if (Value[P] == '.' && P + 1 < Value.size()) {
        Dot = P;
        break;
      }
    if (Dot == std::string::npos)
      continue;
    if (Value.compare(Dot + 1, std::string::npos, FieldName) != 0)
      continue;
    if (Value.compare(0, Dot, TableName) != 0)
      continue;
    return FieldInfo->Names(I);
  }
  return FieldName;
}

namespace {

std::string Alias(const TStatementInputs& Inputs, const std::string& Field) {
  // The table text as typed, not the valid object name: an alias is found
  // only where the field info spells the table exactly as the table box.
  return FindFieldAlias(Inputs.FieldInfo, Inputs.TableText, Field);
}

std::string TableName(const TStatementInputs& Inputs) {
  return QuoteName(Inputs, OVCommon::GetValidObjName(Inputs.TableText, !Inputs.ObjOwnerSupported));
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

void AppendKeyConditions(const TStatementInputs& Inputs, TStrings& Buffer) {
  for (const std::string& F : Inputs.KeyFields)
    AppendListLine(Buffer, "where", " and",
                   Format("%s%s = :%s", "  ", QuoteName(Inputs, F),
                          QuoteName(Inputs, "OLD_" + Alias(Inputs, F))));
}

} // namespace

void GenerateRefreshSQL(const TStatementInputs& Inputs, TStrings& Buffer) {
  Buffer.BeginUpdate();
  try {
    Buffer.Clear();
    std::string Fields;
    for (const std::string& F : Inputs.UpdateFields) {
      if (!Fields.empty())
        Fields += ", ";
      Fields += QuoteName(Inputs, F);
      const std::string A = Alias(Inputs, F);
      if (A != F)
        Fields += " as " + QuoteName(Inputs, A);
    }
    Buffer.Add("select " + Fields + "\r\n" + "from " + TableName(Inputs));
    Buffer.Add("where");
    AppendKeyConditions(Inputs, Buffer);
  } catch (...) {
    Buffer.EndUpdate();
    throw;
  }
  Buffer.EndUpdate();
}

void GenerateModifySQL(const TStatementInputs& Inputs, TStrings& Buffer) {
  Buffer.BeginUpdate();
  try {
    Buffer.Clear();
    Buffer.Add("update " + TableName(Inputs));
    Buffer.Add("set");
    for (const std::string& F : Inputs.UpdateFields)
      AppendListLine(
          Buffer, "set", ",",
          Format("%s%s = :%s", "  ", QuoteName(Inputs, F), QuoteName(Inputs, Alias(Inputs, F))));
    Buffer.Add("where");
    AppendKeyConditions(Inputs, Buffer);
  } catch (...) {
    Buffer.EndUpdate();
    throw;
  }
  Buffer.EndUpdate();
}

void GenerateInsertSQL(const TStatementInputs& Inputs, TStrings& Buffer) {
  Buffer.BeginUpdate();
  try {
    Buffer.Clear();
    std::string Columns, Params;
    Buffer.Add("insert into " + TableName(Inputs));
    for (const std::string& F : Inputs.UpdateFields) {
      if (!Columns.empty())
        Columns += ", ";
      Columns += QuoteName(Inputs, F);
      if (!Params.empty())
        Params += ", ";
      Params += ":" + QuoteName(Inputs, Alias(Inputs, F));
    }
    Buffer.Add("  (" + Columns + ")");
    Buffer.Add("values");
    Buffer.Add("  (" + Params + ")");
  } catch (...) {
    Buffer.EndUpdate();
    throw;
  }
  Buffer.EndUpdate();
}

void GenerateDeleteSQL(const TStatementInputs& Inputs, TStrings& Buffer) {
  Buffer.BeginUpdate();
  try {
    Buffer.Clear();
    Buffer.Add("delete from " + TableName(Inputs));
    Buffer.Add("where");
    AppendKeyConditions(Inputs, Buffer);
  } catch (...) {
    Buffer.EndUpdate();
    throw;
  }
  Buffer.EndUpdate();
}

} // namespace OVUpdSEd
