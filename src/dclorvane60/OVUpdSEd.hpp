// OVUpdSEd: the UpdateSQL editor, which writes the refresh, modify, insert
// and delete statements of an update object.
//
// The statement generator and the key discovery work on plain inputs (the
// table text, the selected fields in list order, the quote option, the field
// info of the dataset's SQL, the index information of the table) so that they
// can be tested and reused without a form; the editor form gathers those
// inputs from its controls and calls them.
#pragma once

#include "rtl/Classes.hpp"
#include "vcl/ComCtrls.hpp"
#include "vcl/ExtCtrls.hpp"
#include "vcl/Forms.hpp"
#include "vcl/Menus.hpp"
#include "vcl/StdCtrls.hpp"

#include <functional>
#include <memory>
#include <optional>
#include <set>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

namespace DB {
class TDataSet;
}
namespace OVDriver {
struct TIndexColumn;
}
namespace OVEngine {
class TOVDatabase;
class TOVUpdateSQL;
struct TOVTableInfo;
} // namespace OVEngine

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

  // What the connected database's catalogue adds; without a connection all
  // stay empty and names are written as typed (quoted only on request).
  //
  // WriteName: an identifier as the server must read it, in quotes where
  // the quote option or the server asks for them.
  std::function<std::string(const std::string& Name)> WriteName;
  // The table as the catalogue stores it, so written; "" when unknown.
  std::string WrittenTable;
  // Columns the server computes: insert and modify never write them.
  std::set<std::string> ComputedFields;
  // Key columns that may hold null (outside the primary key): compared with
  // NullSafeEquals, so that a row whose key is null is found.
  std::set<std::string> NullableKeyFields;
  std::string NullSafeEquals;
  // Columns whose values the server assigns; when not empty, insert and
  // modify end by returning them.
  std::vector<std::string> ReturningFields;
};

// The identifier as written into a statement: QuoteIdentifier with the
// quote option; where the database is connected, also in quotes when the
// server would read it otherwise only so.
std::string QuoteName(const TStatementInputs& Inputs, const std::string& Name);
// A parameter name after its colon: quoted on request, or where the
// database is connected and it is no plain identifier.
std::string QuoteParam(const TStatementInputs& Inputs, const std::string& Name);

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
// All four from the same inputs, the field info read once for them.
void GenerateStatements(const TStatementInputs& Inputs, Classes::TStrings& Refresh,
                        Classes::TStrings& Modify, Classes::TStrings& Insert,
                        Classes::TStrings& Delete);

// The table text as "Get Table Fields" hands it to the catalog: scanning from
// the first character, every double or single quote at the scan position is
// deleted, and the scan moves on one character whether or not it deleted, so
// the character that moves into a deleted place is not looked at. A lone quote
// goes; of a run of quotes every second one stays ("My ""X""" gives My "X").
std::string RemoveQuoteChars(std::string_view Text);

// Whether trimming changes Name: a blank or control character at either end.
bool HasOuterBlanks(std::string_view Name);

// The key columns that index information names (rows with INDEX_TYPE,
// COLUMN_NAME and INDEX_NAME, read from the current row to the end).
struct TTableKeys {
  // Columns of the primary key (INDEX_TYPE bit 4), trimmed, non-empty.
  std::vector<std::string> PrimaryKey;
  // Columns of the first unique index met (INDEX_TYPE bit 2), trimmed. Rows
  // whose trimmed index name is empty count as that index while no named one
  // has been met.
  std::vector<std::string> UniqueKey;
  // What "Select Primary Keys" selects: the primary key, else the unique
  // index, else nothing.
  const std::vector<std::string>& Chosen() const {
    return PrimaryKey.empty() ? UniqueKey : PrimaryKey;
  }
};
// Rows whose INDEX_TYPE is null are passed over.
TTableKeys ReadTableKeys(DB::TDataSet& IndexInfo);
// The same read off a table description's index rows (a row without a
// column, an expression, is passed over).
TTableKeys ReadTableKeys(const std::vector<OVDriver::TIndexColumn>& Rows);

// The editor dialog. It works on copies of the four statements and writes
// them back into the update object only when it is closed with OK.
class TOVUpdateSQLEditForm : public Forms::TForm {
  OV_CLASS(TOVUpdateSQLEditForm, Forms::TForm)
public:
  explicit TOVUpdateSQLEditForm(Classes::TComponent* AOwner);
  ~TOVUpdateSQLEditForm() override;

  // Controls of the stored layout, bound by name when it is read.
  ComCtrls::TPageControl* pcUpdateSQL = nullptr;
  ComCtrls::TTabSheet* tsOptions = nullptr;
  ComCtrls::TTabSheet* tsSQL = nullptr;
  ExtCtrls::TPanel* pnlButton = nullptr;
  StdCtrls::TButton* btOk = nullptr;
  StdCtrls::TButton* btCancel = nullptr;
  StdCtrls::TLabel* lblSQLText = nullptr;
  StdCtrls::TMemo* meSQLText = nullptr;
  StdCtrls::TGroupBox* gbxGenSQL = nullptr;
  StdCtrls::TLabel* lblTableName = nullptr;
  StdCtrls::TComboBox* cbTableName = nullptr;
  StdCtrls::TLabel* lblKeyFields = nullptr;
  StdCtrls::TListBox* lbKeyFields = nullptr;
  StdCtrls::TLabel* lblUpdateFields = nullptr;
  StdCtrls::TListBox* lbUpdateFields = nullptr;
  StdCtrls::TButton* btDataSetDefaults = nullptr;
  StdCtrls::TButton* btGenerateSQL = nullptr;
  Menus::TPopupMenu* pmFields = nullptr;
  Menus::TMenuItem* miSelectAll = nullptr;
  Menus::TMenuItem* miClearAll = nullptr;
  ExtCtrls::TRadioGroup* rgrStatementType = nullptr;
  StdCtrls::TButton* btGetTableFields = nullptr;
  StdCtrls::TCheckBox* cbQuotedFields = nullptr;
  StdCtrls::TButton* btSelectPrimKeys = nullptr;

  // Event handlers the layout binds by name.
  void FormCreate(System::TObject* Sender);
  void FormDestroy(System::TObject* Sender);
  void FormCloseQuery(System::TObject* Sender, bool& CanClose);
  void SelectAllClick(System::TObject* Sender);
  void ClearAllClick(System::TObject* Sender);
  void StatementTypeClick(System::TObject* Sender);
  void SQLTextExit(System::TObject* Sender);
  void GenerateSQLClick(System::TObject* Sender);
  void cbTableNameChange(System::TObject* Sender);
  void DataSetDefaultsClick(System::TObject* Sender);
  void GetTableFieldsClick(System::TObject* Sender);
  void btSelectPrimKeysClick(System::TObject* Sender);

  // Fills the dialog from the update object: table box, field lists,
  // statement copies, the text page and the buttons.
  void InitProperties();
  void LoadStatements();
  void SaveStatements();
  // Once the dialog is closed with OK: the statements move into the update
  // object (as SaveStatements writes them), the working copies left empty.
  void HandOverStatements();
  // Once the dialog is closed: its field lists, field info and SQL text
  // give back their memory, so that saving the statements of a wide table
  // takes the room they had rather than fresh pages.
  void ReleaseShownLists();
  void LoadDefaultOptions();
  void SetSelectedAllItems(StdCtrls::TListBox* ListBox, bool Selected);
  void SelectAllFields();

  // The generator over the dialog's current inputs; each replaces its buffer.
  std::string QuoteName(const std::string& Name);
  std::string FindFieldAlias(const std::string& TableName, const std::string& FieldName) const;
  void GenerateRefreshSQL();
  void GenerateModifySQL();
  void GenerateInsertSQL();
  void GenerateDeleteSQL();

  OVEngine::TOVUpdateSQL* UpdateSQL() const { return FUpdateSQL; }
  void SetUpdateSQL(OVEngine::TOVUpdateSQL* Value) { FUpdateSQL = Value; }
  // The working copy of statement Index (0 refresh ... 3 delete); null for
  // any other index.
  Classes::TStrings* Statement(int Index) const;
  const Classes::TStrings* FieldInfo() const { return FFieldInfo.get(); }
  const Classes::TStrings* TableInfo() const { return FTableInfo.get(); }
  bool ObjOwnerSupported() const { return FObjOwnerSupported; }

  // Published (no control shows it): insert and modify end by returning the
  // values the server assigns (identity, serial and defaulted key columns,
  // generated columns), where the connected server takes a RETURNING clause.
  bool GetReturnServerValues() const { return FReturnServerValues; }
  void SetReturnServerValues(bool Value) { FReturnServerValues = Value; }

  // The dataset's database when it is connected, else null.
  OVEngine::TOVDatabase* ConnectedDatabase() const;
  // What that database's catalogue says of the table the table box names,
  // read once for the text as it stands; null when not connected or when
  // there is no such table.
  const OVEngine::TOVTableInfo* TableDescription();

private:
  TStatementInputs Inputs();
  void ForgetTableDescription();

  std::unique_ptr<Classes::TStringList> FRefreshSQL;
  std::unique_ptr<Classes::TStringList> FModifySQL;
  std::unique_ptr<Classes::TStringList> FInsertSQL;
  std::unique_ptr<Classes::TStringList> FDeleteSQL;
  OVEngine::TOVUpdateSQL* FUpdateSQL = nullptr;
  std::unique_ptr<Classes::TStringList> FFieldInfo;
  std::unique_ptr<Classes::TStringList> FTableInfo;
  bool FObjOwnerSupported = false;
  bool FReturnServerValues = false;
  bool FTableDescribed = false;
  std::string FDescribedText;
  std::unique_ptr<OVEngine::TOVTableInfo> FTableDescription;
  // Names as the database writes them (without and with the quote option),
  // kept while its catalogue is held.
  struct TWrittenNames {
    std::unordered_map<std::string, std::string> ByQuote[2];
  };
  std::shared_ptr<TWrittenNames> FWrittenNames;
  const OVEngine::TOVDatabase* FWrittenFor = nullptr;
};

// Opens the editor on the update object. True when the person confirmed with
// OK and the four statements were written back; false after Cancel, with the
// update object untouched. Exceptions pass on after the form is freed.
// The host reaches it through the package's services table.
bool EditUpdateSQL(OVEngine::TOVUpdateSQL* AUpdateSQL);

} // namespace OVUpdSEd
