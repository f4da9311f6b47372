// OVUpdSEd: the UpdateSQL editor, which writes the refresh, modify, insert
// and delete statements of an update object.
//
// The statement generator works on plain inputs (the table text, the
// selected fields in list order, the quote option, the field info of the
// dataset's SQL) so that it can be tested and reused without a form; the
// editor form gathers those inputs from its controls and calls it.
#pragma once

#include "rtl/Classes.hpp"

#include <string>
#include <vector>

namespace OVUpdSEd {

// Statement indexes of update objects: the editor's buffers, the statement
// type choice and the update object's statement lists share them.
enum TUpdateStatement { usRefresh = 0, usModify = 1, usInsert = 2, usDelete = 3 };

struct TStatementInputs {
  std::string TableText;                        // the table box's text, as it stands
  std::vector<std::string> UpdateFields;        // selected refresh/update fields, in list order
  std::vector<std::string> KeyFields;           // selected key fields, in list order
  bool QuoteFields = false;                     // "Quote Field Names"
  const Classes::TStrings* FieldInfo = nullptr; // field name = table.column, may be null
  bool ObjOwnerSupported = false;
};

// The identifier as written into a statement: QuoteIdentifier with the
// quote option.
std::string QuoteName(const TStatementInputs& Inputs, const std::string& Name);

// The dataset field under which column FieldName of table TableName shows:
// the name of the first field info entry whose value splits, at its last dot
// that is not its last character, into exactly TableName and FieldName
// (case-sensitive); FieldName itself when none does.
std::string FindFieldAlias(const Classes::TStrings* FieldInfo, const std::string& TableName,
                           const std::string& FieldName);

// Each replaces the whole content of Buffer. The refresh statement's first
// entry holds two lines joined by CR LF, so that read as text the statement
// still has one line per clause.
void GenerateRefreshSQL(const TStatementInputs& Inputs, Classes::TStrings& Buffer);
void GenerateModifySQL(const TStatementInputs& Inputs, Classes::TStrings& Buffer);
void GenerateInsertSQL(const TStatementInputs& Inputs, Classes::TStrings& Buffer);
void GenerateDeleteSQL(const TStatementInputs& Inputs, Classes::TStrings& Buffer);

} // namespace OVUpdSEd
