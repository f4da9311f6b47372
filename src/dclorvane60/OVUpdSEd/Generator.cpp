// Statement generation of the UpdateSQL editor.
#include "dclorvane60/OVUpdSEd.hpp"

#include "orvane60/OVCommon.hpp"

#include <cstdint>
#include <cstring>
#include <stdexcept>
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

namespace {

// QuoteParam's text appended to Out.
void AppendParam(const TStatementInputs& Inputs, const std::string& Name, std::string& Out) {
  if (!Inputs.WriteName) {
    Out += OVCommon::QuoteIdentifier(Name, Inputs.QuoteFields);
    return;
  }
  if (!Inputs.QuoteFields && OVCommon::IsPlainIdentifier(Name)) {
    Out += Name;
    return;
  }
  // A parameter name is one name, dots and all.
  Out += '"';
  for (const char C : Name) {
    if (C == '"')
      Out += C;
    Out += C;
  }
  Out += '"';
}

} // namespace

std::string QuoteParam(const TStatementInputs& Inputs, const std::string& Name) {
  std::string Result;
  AppendParam(Inputs, Name, Result);
  return Result;
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
  std::string Scratch;
  for (int I = 0, N = FieldInfo->Count(); I < N; ++I) {
    const std::string& Entry = FieldInfo->GetRef(I, Scratch);
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
// over many fields does not scan the field info once per field. Where every
// column of the table shows under its own name (the usual case, and the only
// one of "select *"), nothing is kept and each column is its own alias.
class TAliases {
public:
  explicit TAliases(const TStatementInputs& Inputs) {
    if (!Inputs.FieldInfo)
      return;
    const TStrings& Info = *Inputs.FieldInfo;
    const int N = Info.Count();
    // The table text as typed, not the valid object name: an alias is
    // found only where the field info spells the table exactly as the
    // table box.
    const auto Origin = [&](const std::string& Entry, std::string_view& Name,
                            std::string_view& Column) {
      const size_t Eq = Entry.find('=');
      if (Eq == std::string::npos)
        return false;
      std::string_view Table;
      if (!SplitOrigin(std::string_view(Entry).substr(Eq + 1), Table, Column) ||
          Table != Inputs.TableText)
        return false;
      Name = std::string_view(Entry).substr(0, Eq);
      return true;
    };
    // Entries are read where the list keeps them, not copied.
    std::string Scratch;
    const std::string_view TableText = Inputs.TableText;
    bool Renamed = false; // a column shows under another name
    for (int I = 0; I < N && !Renamed; ++I) {
      const std::string& Entry = Info.GetRef(I, Scratch);
      // "name=table.name" names no other column under its name, whatever
      // the dots in it: passed over without splitting it.
      const size_t Eq = Entry.find('=');
      if (Eq != std::string::npos && Entry.size() == 2 * Eq + 2 + TableText.size() &&
          Entry.compare(Eq + 1, TableText.size(), TableText) == 0 &&
          Entry[Eq + 1 + TableText.size()] == '.' &&
          Entry.compare(Eq + 2 + TableText.size(), Eq, Entry, 0, Eq) == 0)
        continue;
      std::string_view Name, Column;
      Renamed = Origin(Entry, Name, Column) && Name != Column;
    }
    if (!Renamed)
      return;
    for (int I = 0; I < N; ++I) {
      const std::string& Entry = Info.GetRef(I, Scratch);
      std::string_view Name, Column;
      if (Origin(Entry, Name, Column))
        FAliases.emplace(std::string(Column), std::string(Name)); // the first one wins
    }
  }
  // Field itself, the same object, where the column shows under its own name.
  const std::string& Of(const std::string& Field) const {
    if (FAliases.empty())
      return Field;
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

// Every name the statements hold, each written once for all four: a field
// under its column name, its parameter (the name the dataset knows it by),
// and its alias where that differs. The fields' names are kept side by side
// in one text, so that a table of many columns costs no string of its own
// per name.
struct TWritten {
  struct TSpan {
    std::uint32_t Start = 0;
    std::uint32_t Size = 0;
  };
  struct TField {
    TSpan Column; // the column as written
    TSpan As;     // " as " and the alias, or nothing
    TSpan Param;  // the parameter's name without the colon
    bool Computed = false;
  };
  std::string Text; // what the fields' spans point into
  std::vector<TField> Fields;
  std::vector<std::string> Keys; // "  column = :OLD_name" for each key field
  std::string Table;
  std::string Returning; // "returning ..." or ""

  std::string_view operator()(TSpan Span) const {
    return std::string_view(Text).substr(Span.Start, Span.Size);
  }

  TWritten(const TStatementInputs& Inputs, const TAliases& Aliases, bool WithFields) {
    Table = TableName(Inputs);
    if (WithFields) {
      size_t Room = 0;
      for (const std::string& F : Inputs.UpdateFields)
        Room += F.size() + 2;
      Text.reserve(Room);
      Fields.reserve(Inputs.UpdateFields.size());
      const auto Add = [this](std::string_view S) {
        const TSpan Span{static_cast<std::uint32_t>(Text.size()),
                         static_cast<std::uint32_t>(S.size())};
        Text += S;
        return Span;
      };
      for (const std::string& F : Inputs.UpdateFields) {
        TField Field;
        Field.Column = Add(QuoteName(Inputs, F));
        const std::string& A = Aliases.Of(F);
        const bool Aliased = &A != &F && A != F;
        if (Aliased)
          Field.As = Add(" as " + QuoteName(Inputs, A));
        // Most parameters read as their columns do: those share the text.
        const size_t Start = Text.size();
        AppendParam(Inputs, A, Text);
        Field.Param = {static_cast<std::uint32_t>(Start),
                       static_cast<std::uint32_t>(Text.size() - Start)};
        if ((*this)(Field.Param) == (*this)(Field.Column)) {
          Text.resize(Start);
          Field.Param = Field.Column;
        }
        Field.Computed = !Inputs.ComputedFields.empty() && Inputs.ComputedFields.count(F) > 0;
        Fields.push_back(Field);
      }
      Returning = ReturningClause(Inputs, Aliases);
    }
    Keys.reserve(Inputs.KeyFields.size());
    std::string Param;
    for (const std::string& F : Inputs.KeyFields) {
      // A key column that may be null matches its row only through a
      // comparison that finds null equal to null.
      const std::string_view Equals = Inputs.NullableKeyFields.count(F)
                                          ? std::string_view(Inputs.NullSafeEquals)
                                          : std::string_view(" = ");
      const std::string Column = QuoteName(Inputs, F);
      Param.clear();
      AppendParam(Inputs, "OLD_" + Aliases.Of(F), Param);
      std::string Line;
      // Room for " and" after it, where another condition follows.
      Line.reserve(Column.size() + Equals.size() + Param.size() + 8);
      Line += "  ";
      Line += Column;
      Line += Equals;
      Line += ':';
      Line += Param;
      Keys.push_back(std::move(Line));
    }
  }
};

// A statement's buffer written line by line: its whole content replaced,
// with one change notification. A line is built in one scratch string and
// copied into the buffer, so that long statements cost no second copy of
// every line.
class TFill {
public:
  // Lines: how many the statement will have, room made for them at once.
  TFill(TStrings& Buffer, size_t Lines) : FBuffer(Buffer), FUpdating(&Buffer) {
    Buffer.Clear();
    Buffer.SetCapacity(static_cast<int>(Lines));
  }
  void Add(const std::string& Line) { FBuffer.Add(Line); }
  // The key conditions: "where" stands alone; each condition but the last
  // ends in " and".
  void KeyConditions(const TWritten& Names, std::string& Scratch) {
    Add(Where);
    for (size_t I = 0; I < Names.Keys.size(); ++I) {
      if (I + 1 == Names.Keys.size()) {
        Add(Names.Keys[I]);
        break;
      }
      Scratch.assign(Names.Keys[I]).append(" and");
      Add(Scratch);
    }
  }

private:
  inline static const std::string Where = "where";
  TStrings& FBuffer;
  const Classes::TStringsUpdate FUpdating;
};

// A line written piece by piece into room measured for it beforehand, at
// least as long as what is written: each piece is copied straight in, and
// the line is cut to what was written when the writer goes. A piece that
// would not fit is a fault in the measure, raised rather than written.
class TPieces {
public:
  TPieces(std::string& Out, size_t Room) : FOut(Out) {
    Out.resize(Room);
    FAt = Out.data();
    FEnd = FAt + Room;
  }
  TPieces(const TPieces&) = delete;
  TPieces& operator=(const TPieces&) = delete;
  ~TPieces() { FOut.resize(static_cast<size_t>(FAt - FOut.data())); }

  TPieces& operator<<(std::string_view S) {
    if (S.size() > static_cast<size_t>(FEnd - FAt))
      throw std::logic_error("a statement line is longer than the room measured for it");
    if (!S.empty())
      std::memcpy(FAt, S.data(), S.size());
    FAt += S.size();
    return *this;
  }
  TPieces& operator<<(char C) { return *this << std::string_view(&C, 1); }

private:
  std::string& FOut;
  char* FAt;
  char* FEnd;
};

void MakeRefresh(const TWritten& Names, TStrings& Buffer) {
  std::string Fields;
  {
    size_t Room = 7 + 7 + Names.Table.size();
    for (const TWritten::TField& F : Names.Fields)
      Room += 2 + F.Column.Size + F.As.Size;
    TPieces Out(Fields, Room);
    Out << "select ";
    bool First = true;
    for (const TWritten::TField& F : Names.Fields) {
      if (!First)
        Out << ", ";
      First = false;
      Out << Names(F.Column) << Names(F.As);
    }
    Out << "\r\nfrom " << Names.Table;
  }
  TFill Out(Buffer, Names.Keys.size() + 2);
  Out.Add(Fields);
  Out.KeyConditions(Names, Fields);
}

void MakeModify(const TWritten& Names, TStrings& Buffer) {
  std::string Line = "update " + Names.Table;
  TFill Out(Buffer, Names.Fields.size() + Names.Keys.size() + 4);
  Out.Add(Line);
  Out.Add("set");
  // Each field's assignment but the last ends in a comma.
  size_t Last = Names.Fields.size();
  for (size_t I = Names.Fields.size(); I-- > 0;)
    if (!Names.Fields[I].Computed) {
      Last = I;
      break;
    }
  for (size_t I = 0; I < Names.Fields.size(); ++I) {
    const TWritten::TField& F = Names.Fields[I];
    if (F.Computed)
      continue;
    {
      TPieces Text(Line, 2 + F.Column.Size + 4 + F.Param.Size + 1);
      Text << "  " << Names(F.Column) << " = :" << Names(F.Param);
      if (I != Last)
        Text << ',';
    }
    Out.Add(Line);
  }
  Out.KeyConditions(Names, Line);
  if (!Names.Returning.empty())
    Out.Add(Names.Returning);
}

void MakeInsert(const TWritten& Names, TStrings& Buffer) {
  std::string Columns, Params;
  {
    size_t ColumnsRoom = 4, ParamsRoom = 4;
    for (const TWritten::TField& F : Names.Fields) {
      ColumnsRoom += 2 + F.Column.Size;
      ParamsRoom += 3 + F.Param.Size;
    }
    TPieces ColumnsOut(Columns, ColumnsRoom), ParamsOut(Params, ParamsRoom);
    ColumnsOut << "  (";
    ParamsOut << "  (";
    bool First = true;
    for (const TWritten::TField& F : Names.Fields) {
      if (F.Computed)
        continue;
      if (!First) {
        ColumnsOut << ", ";
        ParamsOut << ", ";
      }
      First = false;
      ColumnsOut << Names(F.Column);
      ParamsOut << ':' << Names(F.Param);
    }
    ColumnsOut << ')';
    ParamsOut << ')';
  }
  TFill Out(Buffer, 5);
  Out.Add("insert into " + Names.Table);
  Out.Add(Columns);
  Out.Add("values");
  Out.Add(Params);
  if (!Names.Returning.empty())
    Out.Add(Names.Returning);
}

void MakeDelete(const TWritten& Names, TStrings& Buffer) {
  std::string Line = "delete from " + Names.Table;
  TFill Out(Buffer, Names.Keys.size() + 2);
  Out.Add(Line);
  Out.KeyConditions(Names, Line);
}

} // namespace

void GenerateRefreshSQL(const TStatementInputs& Inputs, TStrings& Buffer) {
  MakeRefresh(TWritten(Inputs, TAliases(Inputs), true), Buffer);
}

void GenerateModifySQL(const TStatementInputs& Inputs, TStrings& Buffer) {
  MakeModify(TWritten(Inputs, TAliases(Inputs), true), Buffer);
}

void GenerateInsertSQL(const TStatementInputs& Inputs, TStrings& Buffer) {
  MakeInsert(TWritten(Inputs, TAliases(Inputs), true), Buffer);
}

void GenerateDeleteSQL(const TStatementInputs& Inputs, TStrings& Buffer) {
  MakeDelete(TWritten(Inputs, TAliases(Inputs), false), Buffer);
}

void GenerateStatements(const TStatementInputs& Inputs, TStrings& Refresh, TStrings& Modify,
                        TStrings& Insert, TStrings& Delete) {
  const TWritten Names(Inputs, TAliases(Inputs), true);
  MakeModify(Names, Modify);
  MakeInsert(Names, Insert);
  MakeDelete(Names, Delete);
  MakeRefresh(Names, Refresh);
}

} // namespace OVUpdSEd
