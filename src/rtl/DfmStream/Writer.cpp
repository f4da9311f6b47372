// The canonical writer of text form files, and comparison of trees.
//
// The layout is the one the IDE writes: two spaces per level, strings split
// into parts of 64 characters joined by " +" at line ends, one list item per
// line with ")" right after the last, collections as "<" item ... end ">",
// binary data 32 bytes (64 hex digits) per line. Whatever the writer emits,
// the parser reads back to the same tree, so writing is a fixed point after
// one round.
#include "rtl/DfmStream.hpp"

#include "rtl/DfmStream/Internal.hpp"

#include <charconv>
#include <cmath>

namespace DfmStream {

namespace {

using namespace DfmText;
using namespace Internal;
using SysUtils::Format;

constexpr int LineLength = 64; // characters per string part, as the IDE splits
constexpr size_t BytesPerLine = 32;

[[noreturn]] void CannotWrite(const std::string& What) {
  throw Classes::EWriteError("Cannot write the form: " + What);
}

// The parts of a string, one entry per output line, each a run of quoted
// text and #codes. Printable ASCII goes inside quotes; control characters
// and the characters of well-formed UTF-8 sequences become #codes of their
// code points; bytes that belong to no well-formed sequence stay raw inside
// quotes, since a #code would read back as the UTF-8 encoding of that code
// instead of the byte.
std::vector<std::string> StringLines(const std::string& S) {
  std::vector<std::string> Lines;
  std::string Cur;
  bool InQuote = false;
  int Count = 0;
  const auto Open = [&] {
    if (!InQuote)
      Cur.push_back('\'');
    InQuote = true;
  };
  const auto Close = [&] {
    if (InQuote)
      Cur.push_back('\'');
    InQuote = false;
  };
  size_t I = 0;
  while (I < S.size()) {
    if (Count == LineLength) {
      Close();
      Lines.push_back(std::move(Cur));
      Cur.clear();
      Count = 0;
    }
    const auto C = static_cast<uint8_t>(S[I]);
    uint32_t Code = 0;
    int Len = 0;
    if (C >= 0x20 && C < 0x7F) {
      Open();
      if (C == '\'')
        Cur += "''";
      else
        Cur.push_back(static_cast<char>(C));
      ++I;
    } else if (C < 0x80) {
      Close();
      Cur.push_back('#');
      Cur += std::to_string(C);
      ++I;
    } else if ((Len = DecodeUtf8(S, I, Code)) > 0) {
      Close();
      Cur.push_back('#');
      Cur += std::to_string(Code);
      I += static_cast<size_t>(Len);
    } else {
      Open();
      Cur.push_back(static_cast<char>(C));
      ++I;
    }
    ++Count;
  }
  if (S.empty())
    Cur = "''";
  Close();
  Lines.push_back(std::move(Cur));
  return Lines;
}

// A string StringLines would write as one quoted part: printable ASCII only,
// short enough not to be split. Appends it to Out and answers true; anything
// else is left to StringLines.
bool AppendPlainString(std::string& Out, const std::string& S) {
  if (S.empty() || S.size() > static_cast<size_t>(LineLength))
    return false;
  for (char C : S) {
    const auto U = static_cast<uint8_t>(C);
    if (U < 0x20 || U >= 0x7F)
      return false;
  }
  Out.push_back('\'');
  if (S.find('\'') == std::string::npos) {
    Out += S;
  } else {
    for (char C : S) {
      if (C == '\'')
        Out.push_back('\'');
      Out.push_back(C);
    }
  }
  Out.push_back('\'');
  return true;
}

// Shortest text that reads back as the same double, always with a point or
// an exponent so that it reads as a float: 0.1, 100.0, 1.5E-7, 1.0E20.
std::string FloatText(double V) {
  char Buf[64];
  const auto R = std::to_chars(Buf, Buf + sizeof Buf, V);
  std::string S(Buf, R.ptr);
  std::string Mantissa = S;
  std::string Exponent;
  if (const size_t E = S.find('e'); E != std::string::npos) {
    Mantissa = S.substr(0, E);
    std::string_view Exp = std::string_view(S).substr(E + 1);
    bool Negative = false;
    if (!Exp.empty() && (Exp[0] == '+' || Exp[0] == '-')) {
      Negative = Exp[0] == '-';
      Exp.remove_prefix(1);
    }
    while (Exp.size() > 1 && Exp[0] == '0')
      Exp.remove_prefix(1);
    Exponent = std::string("E") + (Negative ? "-" : "") + std::string(Exp);
  }
  if (Mantissa.find('.') == std::string::npos)
    Mantissa += ".0";
  return Mantissa + Exponent;
}

std::string HexText(std::string_view Bytes) {
  static const char Digits[] = "0123456789ABCDEF";
  std::string R;
  R.reserve(Bytes.size() * 2);
  for (char B : Bytes) {
    const auto U = static_cast<uint8_t>(B);
    R.push_back(Digits[U >> 4]);
    R.push_back(Digits[U & 15]);
  }
  return R;
}

class TTextWriter {
public:
  std::string Out;

  void WriteObject(const TDfmObject& O, int Depth, int Level);

private:
  void Indent(int Level) { Out.append(static_cast<size_t>(Level) * 2, ' '); }
  void CheckDepth(int Depth, const std::string& Where) const {
    if (Depth > MaxNesting)
      CannotWrite(Format("%s is nested deeper than %d levels", Where, MaxNesting));
  }
  void WriteProperty(const TDfmProperty& P, int Depth, int Level);
  void WriteValue(const TDfmValue& V, int Depth, int Level, const std::string& Where);
  void WriteOrderIndex(bool HasIndex, int Index) {
    if (!HasIndex)
      return;
    Out += " [";
    Out += std::to_string(Index);
    Out += ']';
  }
};

void TTextWriter::WriteObject(const TDfmObject& O, int Depth, int Level) {
  if (Depth > MaxNesting)
    CheckDepth(Depth, "object " + Excerpt(O.Name));
  if (!O.Name.empty() && !IsIdent(O.Name))
    CannotWrite("'" + Excerpt(O.Name) + "' is not a valid component name");
  if (!IsIdent(O.ClassName))
    CannotWrite("'" + Excerpt(O.ClassName) + "' is not a valid class name");
  Indent(Level);
  switch (O.Kind) {
  case TObjectKind::okObject:
    Out += "object ";
    break;
  case TObjectKind::okInherited:
    Out += "inherited ";
    break;
  case TObjectKind::okInline:
    Out += "inline ";
    break;
  default:
    CannotWrite("object " + O.Name + " has an invalid kind");
  }
  if (!O.Name.empty()) {
    Out += O.Name;
    Out += ": ";
  }
  Out += O.ClassName;
  WriteOrderIndex(O.HasIndex, O.Index);
  Out += '\n';
  for (const TDfmProperty& P : O.Props) {
    WriteProperty(P, Depth, Level + 1);
    Out += '\n';
  }
  for (const TDfmObject& Child : O.Children)
    WriteObject(Child, Depth + 1, Level + 1);
  Indent(Level);
  Out += "end\n";
}

void TTextWriter::WriteProperty(const TDfmProperty& P, int Depth, int Level) {
  const size_t Dot = P.Name.find('.');
  if (!IsDottedIdent(P.Name) || IsKeyword(std::string_view(P.Name).substr(0, Dot)))
    CannotWrite("'" + Excerpt(P.Name) + "' is not a valid property name");
  Indent(Level);
  Out += P.Name;
  Out += " =";
  if (P.Value.Kind == TValueKind::vaString) {
    Out += ' ';
    if (AppendPlainString(Out, P.Value.Str))
      return;
    Out.pop_back();
    const std::vector<std::string> Lines = StringLines(P.Value.Str);
    if (Lines.size() > 1) {
      // A string of several parts starts on a line of its own.
      for (size_t I = 0; I < Lines.size(); ++I) {
        Out += '\n';
        Indent(Level + 1);
        Out += Lines[I];
        if (I + 1 < Lines.size())
          Out += " +";
      }
      return;
    }
  }
  Out += ' ';
  WriteValue(P.Value, Depth, Level, P.Name);
}

void TTextWriter::WriteValue(const TDfmValue& V, int Depth, int Level, const std::string& Where) {
  switch (V.Kind) {
  case TValueKind::vaInteger:
    Out += std::to_string(V.Int);
    return;
  case TValueKind::vaFloat:
    if (!std::isfinite(V.Float))
      CannotWrite("the value of " + Where + " is not a finite number");
    if (V.FloatSuffix != 0 && V.FloatSuffix != 'c' && V.FloatSuffix != 'd' && V.FloatSuffix != 's')
      CannotWrite("the value of " + Where + " has an invalid float suffix");
    Out += FloatText(V.Float);
    if (V.FloatSuffix)
      Out.push_back(V.FloatSuffix);
    return;
  case TValueKind::vaString: {
    if (AppendPlainString(Out, V.Str))
      return;
    const std::vector<std::string> Lines = StringLines(V.Str);
    Out += Lines[0];
    for (size_t I = 1; I < Lines.size(); ++I) {
      Out += " +\n";
      Indent(Level + 1);
      Out += Lines[I];
    }
    return;
  }
  case TValueKind::vaIdent:
    if (!IsDottedIdent(V.Str))
      CannotWrite("'" + Excerpt(V.Str) + "' in " + Where + " is not a valid identifier");
    Out += V.Str;
    return;
  case TValueKind::vaSet:
    Out += '[';
    for (size_t I = 0; I < V.Set.size(); ++I) {
      if (!IsIdent(V.Set[I]))
        CannotWrite("'" + Excerpt(V.Set[I]) + "' in " + Where + " is not a valid set element");
      if (I > 0)
        Out += ", ";
      Out += V.Set[I];
    }
    Out += ']';
    return;
  case TValueKind::vaList:
    CheckDepth(Depth + 1, Where);
    Out += '(';
    for (const TDfmValue& Item : V.List) {
      Out += '\n';
      Indent(Level + 1);
      WriteValue(Item, Depth + 1, Level + 1, Where);
    }
    Out += ')';
    return;
  case TValueKind::vaCollection:
    CheckDepth(Depth + 1, Where);
    Out += '<';
    for (const TDfmCollectionItem& Item : V.Items) {
      Out += '\n';
      Indent(Level + 1);
      Out += "item";
      WriteOrderIndex(Item.HasIndex, Item.Index);
      for (const TDfmProperty& P : Item.Props) {
        Out += '\n';
        WriteProperty(P, Depth + 1, Level + 2);
      }
      Out += '\n';
      Indent(Level + 1);
      Out += "end";
    }
    Out += '>';
    return;
  case TValueKind::vaBinary: {
    const std::string_view Bytes = V.Str;
    Out += '{';
    if (Bytes.size() < BytesPerLine) {
      Out += HexText(Bytes);
    } else {
      for (size_t I = 0; I < Bytes.size(); I += BytesPerLine) {
        Out += '\n';
        Indent(Level + 1);
        Out += HexText(Bytes.substr(I, BytesPerLine));
      }
    }
    Out += '}';
    return;
  }
  }
  CannotWrite("the value of " + Where + " has an invalid kind");
}

} // namespace

std::string WriteText(const DfmText::TDfmObject& Tree) {
  TTextWriter W;
  W.WriteObject(Tree, 1, 0);
  return std::move(W.Out);
}

bool SameValue(const DfmText::TDfmValue& A, const DfmText::TDfmValue& B) {
  if (A.Kind != B.Kind)
    return false;
  switch (A.Kind) {
  case TValueKind::vaInteger:
    return A.Int == B.Int;
  case TValueKind::vaFloat:
    return A.Float == B.Float && std::signbit(A.Float) == std::signbit(B.Float) &&
           A.FloatSuffix == B.FloatSuffix;
  case TValueKind::vaString:
  case TValueKind::vaIdent:
  case TValueKind::vaBinary:
    return A.Str == B.Str;
  case TValueKind::vaSet:
    return A.Set == B.Set;
  case TValueKind::vaList:
    if (A.List.size() != B.List.size())
      return false;
    for (size_t I = 0; I < A.List.size(); ++I)
      if (!SameValue(A.List[I], B.List[I]))
        return false;
    return true;
  case TValueKind::vaCollection:
    if (A.Items.size() != B.Items.size())
      return false;
    for (size_t I = 0; I < A.Items.size(); ++I) {
      const TDfmCollectionItem& X = A.Items[I];
      const TDfmCollectionItem& Y = B.Items[I];
      if (X.HasIndex != Y.HasIndex || (X.HasIndex && X.Index != Y.Index) ||
          X.Props.size() != Y.Props.size())
        return false;
      for (size_t J = 0; J < X.Props.size(); ++J)
        if (X.Props[J].Name != Y.Props[J].Name || !SameValue(X.Props[J].Value, Y.Props[J].Value))
          return false;
    }
    return true;
  }
  return false;
}

bool SameTree(const DfmText::TDfmObject& A, const DfmText::TDfmObject& B) {
  if (A.Kind != B.Kind || A.Name != B.Name || A.ClassName != B.ClassName ||
      A.HasIndex != B.HasIndex || (A.HasIndex && A.Index != B.Index) ||
      A.Props.size() != B.Props.size() || A.Children.size() != B.Children.size())
    return false;
  for (size_t I = 0; I < A.Props.size(); ++I)
    if (A.Props[I].Name != B.Props[I].Name || !SameValue(A.Props[I].Value, B.Props[I].Value))
      return false;
  for (size_t I = 0; I < A.Children.size(); ++I)
    if (!SameTree(A.Children[I], B.Children[I]))
      return false;
  return true;
}

} // namespace DfmStream
