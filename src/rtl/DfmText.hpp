// The syntax tree of text form files: objects with properties and nested
// objects, as design files and the stored layouts of dialogs hold them.
//
//   object DataModule1: TDataModule
//     Left = 200
//     object OVQuery1: TOVQuery
//       SQL.Strings = (
//         'select *'
//         'from CUSTOMER')
//     end
//   end
//
// Parsing, writing and binding a tree to components (and back) live in
// DfmStream.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace DfmText {

enum class TValueKind {
  vaInteger,    // 12, -3, $FF
  vaFloat,      // 1.5, 2.0E10
  vaString,     // 'text'#13#10'more' (already decoded)
  vaIdent,      // True, clWindow, nil, a method name, a component reference (Form1.Table1)
  vaSet,        // [akLeft, akTop]
  vaList,       // ( value value ... ), e.g. the lines of a string list
  vaCollection, // < item ... end item ... end >
  vaBinary      // { hex digits }, decoded to bytes
};

struct TDfmProperty;

struct TDfmCollectionItem {
  bool HasIndex = false; // an order index some writers put after "item": item [3]
  int Index = 0;
  std::vector<TDfmProperty> Props;
  int Line = 0;
  int Column = 0;
};

struct TDfmValue {
  TValueKind Kind = TValueKind::vaInteger;
  int64_t Int = 0;
  double Float = 0;
  char FloatSuffix = 0;                  // 0, or 'c' (currency), 'd' (date), 's' (single)
  std::string Str;                       // vaString, vaIdent; vaBinary: the bytes
  std::vector<std::string> Set;          // vaSet: element identifiers
  std::vector<TDfmValue> List;           // vaList
  std::vector<TDfmCollectionItem> Items; // vaCollection
  int Line = 0;
  int Column = 0;
};

struct TDfmProperty {
  std::string Name; // may be dotted: Font.Style, SQL.Strings
  TDfmValue Value;
  int Line = 0;
  int Column = 0;
};

enum class TObjectKind { okObject, okInherited, okInline };

struct TDfmObject {
  TObjectKind Kind = TObjectKind::okObject;
  std::string Name; // may be empty: "object TFoo" has no name
  std::string ClassName;
  bool HasIndex = false; // "object Name: TClass [2]"
  int Index = 0;
  std::vector<TDfmProperty> Props;
  std::vector<TDfmObject> Children;
  int Line = 0;
  int Column = 0;
};

} // namespace DfmText
