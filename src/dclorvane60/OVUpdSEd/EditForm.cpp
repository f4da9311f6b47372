// The UpdateSQL editor dialog: opening, the statement copies, the SQL page,
// the generate button, the selection commands and closing.
#include "dclorvane60/OVUpdSEd.hpp"

#include "orvane60/OVConsts.hpp"
#include "orvane60/OVEngine.hpp"
#include "orvane60/drivers/OVDriver.hpp"
#include "vcl/Dialogs.hpp"

#include <algorithm>
#include <map>
#include <memory>
#include <string_view>
#include <unordered_map>
#include <unordered_set>

namespace OVUpdSEd {

using Classes::TStringList;
using Classes::TStrings;
using Dialogs::MessageDlg;
using Dialogs::TMsgDlgBtn;
using Dialogs::TMsgDlgType;
using SysUtils::Format;

OV_CLASS_BEGIN(TOVUpdateSQLEditForm, Forms::TForm, "OVUpdSEd")
B.Field("pcUpdateSQL", &TOVUpdateSQLEditForm::pcUpdateSQL);
B.Field("tsOptions", &TOVUpdateSQLEditForm::tsOptions);
B.Field("tsSQL", &TOVUpdateSQLEditForm::tsSQL);
B.Field("pnlButton", &TOVUpdateSQLEditForm::pnlButton);
B.Field("btOk", &TOVUpdateSQLEditForm::btOk);
B.Field("btCancel", &TOVUpdateSQLEditForm::btCancel);
B.Field("lblSQLText", &TOVUpdateSQLEditForm::lblSQLText);
B.Field("meSQLText", &TOVUpdateSQLEditForm::meSQLText);
B.Field("gbxGenSQL", &TOVUpdateSQLEditForm::gbxGenSQL);
B.Field("lblTableName", &TOVUpdateSQLEditForm::lblTableName);
B.Field("cbTableName", &TOVUpdateSQLEditForm::cbTableName);
B.Field("lblKeyFields", &TOVUpdateSQLEditForm::lblKeyFields);
B.Field("lbKeyFields", &TOVUpdateSQLEditForm::lbKeyFields);
B.Field("lblUpdateFields", &TOVUpdateSQLEditForm::lblUpdateFields);
B.Field("lbUpdateFields", &TOVUpdateSQLEditForm::lbUpdateFields);
B.Field("btDataSetDefaults", &TOVUpdateSQLEditForm::btDataSetDefaults);
B.Field("btGenerateSQL", &TOVUpdateSQLEditForm::btGenerateSQL);
B.Field("pmFields", &TOVUpdateSQLEditForm::pmFields);
B.Field("miSelectAll", &TOVUpdateSQLEditForm::miSelectAll);
B.Field("miClearAll", &TOVUpdateSQLEditForm::miClearAll);
B.Field("rgrStatementType", &TOVUpdateSQLEditForm::rgrStatementType);
B.Field("btGetTableFields", &TOVUpdateSQLEditForm::btGetTableFields);
B.Field("cbQuotedFields", &TOVUpdateSQLEditForm::cbQuotedFields);
B.Field("btSelectPrimKeys", &TOVUpdateSQLEditForm::btSelectPrimKeys);
B.Property("ReturnServerValues", &TOVUpdateSQLEditForm::GetReturnServerValues,
           &TOVUpdateSQLEditForm::SetReturnServerValues)
    .Default(0);
B.Method("FormCreate", &TOVUpdateSQLEditForm::FormCreate);
B.Method("FormDestroy", &TOVUpdateSQLEditForm::FormDestroy);
B.Method("FormCloseQuery", &TOVUpdateSQLEditForm::FormCloseQuery);
B.Method("SelectAllClick", &TOVUpdateSQLEditForm::SelectAllClick);
B.Method("ClearAllClick", &TOVUpdateSQLEditForm::ClearAllClick);
B.Method("StatementTypeClick", &TOVUpdateSQLEditForm::StatementTypeClick);
B.Method("SQLTextExit", &TOVUpdateSQLEditForm::SQLTextExit);
B.Method("GenerateSQLClick", &TOVUpdateSQLEditForm::GenerateSQLClick);
B.Method("cbTableNameChange", &TOVUpdateSQLEditForm::cbTableNameChange);
B.Method("DataSetDefaultsClick", &TOVUpdateSQLEditForm::DataSetDefaultsClick);
B.Method("GetTableFieldsClick", &TOVUpdateSQLEditForm::GetTableFieldsClick);
B.Method("btSelectPrimKeysClick", &TOVUpdateSQLEditForm::btSelectPrimKeysClick);
OV_CLASS_END

TOVUpdateSQLEditForm::TOVUpdateSQLEditForm(Classes::TComponent* AOwner) : TForm(AOwner) {}

TOVUpdateSQLEditForm::~TOVUpdateSQLEditForm() = default;

void TOVUpdateSQLEditForm::FormCreate(System::TObject*) {
  FRefreshSQL = std::make_unique<TStringList>();
  FModifySQL = std::make_unique<TStringList>();
  FInsertSQL = std::make_unique<TStringList>();
  FDeleteSQL = std::make_unique<TStringList>();
  FFieldInfo = std::make_unique<TStringList>();
  FTableInfo = std::make_unique<TStringList>();
  FUpdateSQL = nullptr;
  pcUpdateSQL->SetActivePage(tsOptions);
}

void TOVUpdateSQLEditForm::FormDestroy(System::TObject*) {
  FFieldInfo.reset();
  FTableInfo.reset();
  FRefreshSQL.reset();
  FModifySQL.reset();
  FInsertSQL.reset();
  FDeleteSQL.reset();
}

TStrings* TOVUpdateSQLEditForm::Statement(int Index) const {
  switch (Index) {
  case usRefresh:
    return FRefreshSQL.get();
  case usModify:
    return FModifySQL.get();
  case usInsert:
    return FInsertSQL.get();
  case usDelete:
    return FDeleteSQL.get();
  }
  return nullptr;
}

void TOVUpdateSQLEditForm::InitProperties() {
  LoadDefaultOptions();
  SelectAllFields();
  LoadStatements();
  DataSetDefaultsClick(this);
  StatementTypeClick(this);
  cbTableNameChange(this);
}

void TOVUpdateSQLEditForm::LoadStatements() {
  for (int I = usRefresh; I <= usDelete; ++I)
    Statement(I)->Assign(FUpdateSQL->GetSQLIndex(I));
}

void TOVUpdateSQLEditForm::SaveStatements() {
  for (int I = usRefresh; I <= usDelete; ++I)
    FUpdateSQL->GetSQLIndex(I)->Assign(Statement(I));
}

void TOVUpdateSQLEditForm::HandOverStatements() {
  for (int I = usRefresh; I <= usDelete; ++I) {
    TStrings* Target = FUpdateSQL->GetSQLIndex(I);
    auto* Working = static_cast<TStringList*>(Statement(I));
    if (auto* List = dynamic_cast<TStringList*>(Target))
      List->TakeLines(*Working);
    else
      Target->Assign(Working);
  }
}

void TOVUpdateSQLEditForm::ReleaseShownLists() {
  for (TStrings* Lines :
       {static_cast<TStrings*>(FFieldInfo.get()), static_cast<TStrings*>(FTableInfo.get()),
        meSQLText->GetLines(), lbKeyFields->GetItems(), lbUpdateFields->GetItems()}) {
    Lines->Clear();
    Lines->SetCapacity(0);
  }
}

void TOVUpdateSQLEditForm::SetSelectedAllItems(StdCtrls::TListBox* ListBox, bool Selected) {
  for (int I = 0, N = ListBox->GetItems()->Count(); I < N; ++I)
    ListBox->SetSelected(I, Selected);
}

void TOVUpdateSQLEditForm::SelectAllFields() {
  pmFields->SetPopupComponent(lbKeyFields);
  SelectAllClick(this);
  pmFields->SetPopupComponent(lbUpdateFields);
  SelectAllClick(this);
}

void TOVUpdateSQLEditForm::SelectAllClick(System::TObject*) {
  const Classes::TComponent* On = pmFields->GetPopupComponent();
  if (On == lbKeyFields)
    SetSelectedAllItems(lbKeyFields, true);
  else if (On == lbUpdateFields)
    SetSelectedAllItems(lbUpdateFields, true);
}

void TOVUpdateSQLEditForm::ClearAllClick(System::TObject*) {
  const Classes::TComponent* On = pmFields->GetPopupComponent();
  if (On == lbKeyFields)
    SetSelectedAllItems(lbKeyFields, false);
  else if (On == lbUpdateFields)
    SetSelectedAllItems(lbUpdateFields, false);
}

void TOVUpdateSQLEditForm::StatementTypeClick(System::TObject*) {
  if (TStrings* Buffer = Statement(rgrStatementType->GetItemIndex()))
    meSQLText->GetLines()->Assign(Buffer);
}

void TOVUpdateSQLEditForm::SQLTextExit(System::TObject*) {
  TStrings* Buffer = Statement(rgrStatementType->GetItemIndex());
  if (!Buffer)
    return;
  // The text box holds lines: an entry that holds a line break (the first
  // entry of a generated refresh statement) comes back as the lines it
  // shows. Only CR LF breaks a line there, so a name holding a lone CR or
  // LF stays whole.
  const Classes::TStringsUpdate Updating(Buffer);
  Buffer->Clear();
  const TStrings* Lines = meSQLText->GetLines();
  for (int I = 0, N = Lines->Count(); I < N; ++I) {
    const std::string Line = Lines->Get(I);
    size_t Start = 0;
    for (size_t Break = Line.find("\r\n"); Break != std::string::npos;
         Break = Line.find("\r\n", Start)) {
      Buffer->Add(Line.substr(Start, Break - Start));
      Start = Break + 2;
    }
    Buffer->Add(Line.substr(Start));
  }
}

OVEngine::TOVDatabase* TOVUpdateSQLEditForm::ConnectedDatabase() const {
  OVEngine::TOVDataSet* DataSet = FUpdateSQL ? FUpdateSQL->GetDataSet() : nullptr;
  if (!DataSet)
    return nullptr;
  OVEngine::TOVDatabase* Database = DataSet->FindDatabase();
  return Database && Database->GetConnected() ? Database : nullptr;
}

void TOVUpdateSQLEditForm::ForgetTableDescription() {
  FTableDescribed = false;
  FTableDescription.reset();
}

const OVEngine::TOVTableInfo* TOVUpdateSQLEditForm::TableDescription() {
  OVEngine::TOVDatabase* Database = ConnectedDatabase();
  if (!Database)
    return nullptr;
  const std::string Text = cbTableName->GetText();
  // While the catalogue is held, it keeps the description: read where it
  // stands, not copied. A text that found nothing is not asked again.
  if (Database->CatalogHeld() && !Database->InCatalogBatch()) {
    if (FTableDescribed && FDescribedText == Text && !FTableDescription)
      return nullptr;
    const OVEngine::TOVTableInfo* Held = Database->HeldTableInfo(SysUtils::Trim(Text));
    if (!Held) {
      ForgetTableDescription();
      FTableDescribed = true;
      FDescribedText = Text;
    }
    return Held;
  }
  if (!FTableDescribed || FDescribedText != Text) {
    ForgetTableDescription();
    if (auto Found = Database->DescribeTable(SysUtils::Trim(Text)))
      FTableDescription = std::make_unique<OVEngine::TOVTableInfo>(std::move(*Found));
    FTableDescribed = true;
    FDescribedText = Text;
  }
  return FTableDescription.get();
}

TStatementInputs TOVUpdateSQLEditForm::Inputs() {
  TStatementInputs In;
  In.TableText = cbTableName->GetText();
  const auto Selected = [](const StdCtrls::TListBox* ListBox) {
    std::vector<std::string> Names;
    Names.reserve(static_cast<size_t>(ListBox->SelCount()));
    const Classes::TStrings* Items = ListBox->GetItems();
    std::string Scratch;
    for (int I = 0, N = Items->Count(); I < N; ++I)
      if (ListBox->GetSelected(I))
        Names.push_back(Items->GetRef(I, Scratch));
    return Names;
  };
  In.UpdateFields = Selected(lbUpdateFields);
  In.KeyFields = Selected(lbKeyFields);
  In.QuoteFields = cbQuotedFields->GetChecked();
  In.FieldInfo = FFieldInfo.get();
  In.ObjOwnerSupported = FObjOwnerSupported;
  // Connected, the server's catalogue says how each name must be written,
  // which columns the server computes and which keys may be null.
  const OVEngine::TOVTableInfo* Table = TableDescription();
  if (!Table)
    return In;
  OVEngine::TOVDatabase* Database = ConnectedDatabase();
  // The field lists show column names without the blanks around them; a
  // statement names the column the catalogue has, byte for byte.
  std::map<std::string, std::string> Untrimmed;
  for (const OVDriver::TColumnInfo& C : Table->Columns)
    if (HasOuterBlanks(C.Name)) {
      const auto [It, New] = Untrimmed.emplace(SysUtils::Trim(C.Name), C.Name);
      if (!New)
        It->second.clear();
    }
  for (std::vector<std::string>* Fields : {&In.UpdateFields, &In.KeyFields})
    for (std::string& F : *Fields)
      if (const auto It = Untrimmed.find(F);
          It != Untrimmed.end() && !It->second.empty() &&
          std::none_of(Table->Columns.begin(), Table->Columns.end(),
                       [&](const auto& C) { return C.Name == F; }))
        F = It->second;
  const bool Quote = In.QuoteFields;
  // A name is written the same way in each of the four statements (the
  // generator writes each once for all four), and in a batch over many
  // tables in every table's: there asked once for the batch. One table's
  // names are asked once each anyway; remembering them would only cost.
  if (!Database->InCatalogBatch() || FWrittenFor != Database)
    FWrittenNames.reset();
  if (!Database->InCatalogBatch()) {
    FWrittenFor = nullptr;
    In.WriteName = [Database, Quote](const std::string& Name) {
      return Database->WriteName(Name, Quote);
    };
  } else {
    if (!FWrittenNames)
      FWrittenNames = std::make_shared<TWrittenNames>();
    FWrittenFor = Database;
    In.WriteName = [Database, Quote, Written = FWrittenNames](const std::string& Name) {
      auto& Names = Written->ByQuote[Quote ? 1 : 0];
      const auto [It, New] = Names.try_emplace(Name);
      if (New) {
        try {
          It->second = Database->WriteName(Name, Quote);
        } catch (...) {
          Names.erase(It);
          throw;
        }
      }
      return It->second;
    };
  }
  In.WrittenTable = Database->WriteTableName(*Table, Quote);
  In.NullSafeEquals = Database->NullSafeEquals();
  const auto InPrimaryKey = [Table](const std::string& Column) {
    return std::any_of(Table->Indexes.begin(), Table->Indexes.end(),
                       [&](const OVDriver::TIndexColumn& C) {
                         return (C.IndexType & OVEngine::itPrimary) && C.ColumnName == Column;
                       });
  };
  const bool Returning = FReturnServerValues && Database->SupportsReturning();
  // Only the key fields' entries are ever asked for: the key fields looked
  // up by hash, not compared with every column of a wide table.
  const std::unordered_set<std::string_view> Keys(In.KeyFields.begin(), In.KeyFields.end());
  for (const OVDriver::TColumnInfo& C : Table->Columns) {
    if (C.Generated)
      In.ComputedFields.insert(C.Name);
    if (C.Nullable && Keys.count(C.Name) && !InPrimaryKey(C.Name))
      In.NullableKeyFields.insert(C.Name);
    if (Returning && (C.Generated || C.AutoIncrement || (C.HasDefault && InPrimaryKey(C.Name))))
      In.ReturningFields.push_back(C.Name);
  }
  return In;
}

std::string TOVUpdateSQLEditForm::QuoteName(const std::string& Name) {
  TStatementInputs In = Inputs();
  return OVUpdSEd::QuoteName(In, Name);
}

std::string TOVUpdateSQLEditForm::FindFieldAlias(const std::string& TableName,
                                                 const std::string& FieldName) const {
  return OVUpdSEd::FindFieldAlias(FFieldInfo.get(), TableName, FieldName);
}

void TOVUpdateSQLEditForm::GenerateRefreshSQL() {
  OVUpdSEd::GenerateRefreshSQL(Inputs(), *FRefreshSQL);
}

void TOVUpdateSQLEditForm::GenerateModifySQL() {
  OVUpdSEd::GenerateModifySQL(Inputs(), *FModifySQL);
}

void TOVUpdateSQLEditForm::GenerateInsertSQL() {
  OVUpdSEd::GenerateInsertSQL(Inputs(), *FInsertSQL);
}

void TOVUpdateSQLEditForm::GenerateDeleteSQL() {
  OVUpdSEd::GenerateDeleteSQL(Inputs(), *FDeleteSQL);
}

void TOVUpdateSQLEditForm::GenerateSQLClick(System::TObject*) {
  if (lbKeyFields->SelCount() > 0 && lbUpdateFields->SelCount() > 0) {
    // The four statements are made from the same inputs, gathered once.
    OVUpdSEd::GenerateStatements(Inputs(), *FRefreshSQL, *FModifySQL, *FInsertSQL, *FDeleteSQL);
    StatementTypeClick(this);
    return;
  }
  MessageDlg(OVConsts::SSQLGenSelect(), TMsgDlgType::mtError, {TMsgDlgBtn::mbOK}, 0);
}

void TOVUpdateSQLEditForm::cbTableNameChange(System::TObject*) {
  ForgetTableDescription();
  const bool Missing =
      !FUpdateSQL || !FUpdateSQL->GetDataSet() || SysUtils::Trim(cbTableName->GetText()).empty();
  btGetTableFields->SetEnabled(!Missing);
  btSelectPrimKeys->SetEnabled(!Missing);
  btGenerateSQL->SetEnabled(!Missing);
}

void TOVUpdateSQLEditForm::FormCloseQuery(System::TObject*, bool& CanClose) {
  if (GetModalResult() != Controls::mrOk)
    return;
  // A modify statement that holds anything but blanks and control
  // characters was made: looked for line by line, not in the whole text.
  for (int I = 0, N = FModifySQL->Count(); I < N; ++I) {
    const std::string Line = FModifySQL->Get(I);
    if (std::any_of(Line.begin(), Line.end(),
                    [](char C) { return static_cast<unsigned char>(C) > ' '; }))
      return;
  }
  CanClose = MessageDlg(OVConsts::SSQLNotGenerated(), TMsgDlgType::mtConfirmation,
                        Dialogs::mbYesNoCancel, 0) == Controls::mrYes;
}

bool EditUpdateSQL(OVEngine::TOVUpdateSQL* AUpdateSQL) {
  Forms::TFormPtr<TOVUpdateSQLEditForm> Form(
      Forms::Application->CreateForm<TOVUpdateSQLEditForm>(Forms::Application));
  std::string Caption;
  if (dynamic_cast<Forms::TCustomForm*>(AUpdateSQL->Owner()))
    Caption = AUpdateSQL->Owner()->GetName() + ".";
  Caption += AUpdateSQL->GetName();
  if (OVEngine::TOVDataSet* DataSet = AUpdateSQL->GetDataSet())
    Caption = Format("%s (%s)", Caption, DataSet->GetName());
  else
    Caption = Format("%s (%s)", Caption, OVConsts::SNoDataSet());
  Form->SetCaption(Caption);
  Form->SetUpdateSQL(AUpdateSQL);
  Form->InitProperties();
  if (Form->ShowModal() != Controls::mrOk)
    return false;
  Form->ReleaseShownLists();
  Form->HandOverStatements();
  return true;
}

} // namespace OVUpdSEd
