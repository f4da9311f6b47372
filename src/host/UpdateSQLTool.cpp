#include "host/UpdateSQLTool.hpp"

#include "orvane60/OVCommon.hpp"
#include "orvane60/OVEngine.hpp"
#include "orvane60/drivers/OVDriver.hpp"
#include "rtl/ScopeGuard.hpp"
#include "rtl/TypInfo.hpp"
#include "vcl/ComCtrls.hpp"
#include "vcl/Dialogs.hpp"
#include "vcl/ExtCtrls.hpp"
#include "vcl/Forms.hpp"
#include "vcl/StdCtrls.hpp"
#include "vcl/UIService.hpp"
#include "vcl/UserInput.hpp"

#include <cstring>

namespace UpdateSQLTool {

using SysUtils::Format;
using SysUtils::Trim;

OV_CLASS_IMPL(EUpdateSQLToolError, SysUtils::Exception, "UpdateSQLTool")

const std::array<const char*, 4> StatementNames = {"refresh", "modify", "insert", "delete"};

namespace {

// A user interface with a plan instead of a person: the modal form is handed
// to the plan, which acts on it through the same user-input calls that every
// user interface makes. A message box is answered with OK (or No) and kept,
// for the plan to report.
class TPlannedUI : public UIService::IUIService {
public:
  std::function<void(Forms::TCustomForm*)> Plan;

  void RunModal(Forms::TCustomForm* Form) override { Plan(Form); }

  int MessageBox(const UIService::TMessageBoxRequest& Request) override {
    FMessages.push_back(Request.Text);
    using Dialogs::TMsgDlgBtn;
    for (TMsgDlgBtn B : {TMsgDlgBtn::mbOK, TMsgDlgBtn::mbNo, TMsgDlgBtn::mbCancel})
      if (Request.Buttons.Contains(B))
        return Dialogs::ModalResultOf(B);
    return Controls::mrOk;
  }

  bool ExecuteOpenDialog(UIService::TFileDialogRequest&) override { return false; }
  bool IsKeyDown(int) override { return false; }
  bool OpenDocument(const std::string&) override { return false; }
  Types::TSize MeasureText(const Graphics::TFont& Font, std::string_view Text) override {
    return UIService::ApproximateTextExtent(Font, Text);
  }
  void ShowCursor(int) override {}

  // The first thing the dialog said since the last call, or "".
  std::string TakeMessage() {
    std::string Text = FMessages.empty() ? std::string() : FMessages.front();
    FMessages.clear();
    return Text;
  }

private:
  std::vector<std::string> FMessages;
};

template <class T> T* Control(Forms::TCustomForm* Form, const char* Name) {
  Classes::TComponent* C = Form->FindComponent(Name);
  if (!C)
    throw EUpdateSQLToolError(Format("the UpdateSQL editor has no control %s", Name));
  return System::As<T>(C);
}

// The open dialog and the controls the plan has used, each found by name
// once for all the tables it is given.
class TDialog {
public:
  explicit TDialog(Forms::TCustomForm* Form) : FForm(Form) {}
  Forms::TCustomForm* Form() const { return FForm; }
  template <class T> T* Get(const char* Name) {
    for (const auto& [Known, Found] : FFound)
      if (std::strcmp(Known, Name) == 0)
        return static_cast<T*>(Found);
    T* Found = Control<T>(FForm, Name);
    FFound.emplace_back(Name, Found);
    return Found;
  }

private:
  Forms::TCustomForm* FForm;
  std::vector<std::pair<const char*, void*>> FFound;
};

std::vector<std::string> Selected(const StdCtrls::TListBox* List) {
  std::vector<std::string> Names;
  Names.reserve(static_cast<size_t>(List->SelCount()));
  const Classes::TStrings* Items = List->GetItems();
  std::string Scratch;
  for (int I = 0, N = Items->Count(); I < N; ++I)
    if (List->GetSelected(I))
      Names.push_back(Items->GetRef(I, Scratch));
  return Names;
}

std::string Join(const std::vector<std::string>& Names) {
  std::string S;
  for (const std::string& N : Names)
    S += (S.empty() ? "" : ", ") + N;
  return S;
}

// The items of the list named Names: exactly as written, else the one item
// that matches in any letter case.
std::vector<int> ItemIndexes(const StdCtrls::TListBox* List, const std::vector<std::string>& Names,
                             const std::string& Table, const char* What) {
  std::vector<int> Indexes;
  const Classes::TStrings* Items = List->GetItems();
  for (const std::string& Name : Names) {
    int Found = -1;
    for (int I = 0; I < Items->Count() && Found < 0; ++I)
      if (Items->Get(I) == Name)
        Found = I;
    for (int I = 0; I < Items->Count() && Found == -1; ++I)
      if (SysUtils::SameText(Items->Get(I), Name))
        Found = Found == -1 ? I : -2;
    if (Found < 0)
      throw EUpdateSQLToolError(Format("%s has no field \"%s\" to use as %s; its fields are %s",
                                       Table, Name, What, Join(Items->ToVector())));
    Indexes.push_back(Found);
  }
  return Indexes;
}

std::string StatementText(const Classes::TStrings* Lines) {
  std::string Text;
  std::string Scratch;
  const int N = Lines->Count();
  size_t Size = 0;
  for (int I = 0; I < N; ++I)
    Size += Lines->GetRef(I, Scratch).size() + 1;
  Text.reserve(Size);
  for (int I = 0; I < N; ++I) {
    if (I > 0)
      Text += '\n';
    // The refresh statement's first entry holds two lines joined by CR LF;
    // a lone CR belongs to a name and stays.
    const std::string& Line = Lines->GetRef(I, Scratch);
    size_t Start = 0;
    for (size_t Break = Line.find("\r\n"); Break != std::string::npos;
         Break = Line.find("\r\n", Start)) {
      Text.append(Line, Start, Break - Start).append("\n");
      Start = Break + 2;
    }
    Text.append(Line, Start);
  }
  return Text;
}

// The statement the SQL page's text box shows. Its text is its lines joined
// by line breaks: without a CR in it, that is the statement's text already;
// with one, the lines tell a CR LF inside a line from a line ending in CR.
std::string ShownStatement(const StdCtrls::TMemo* Box) {
  const std::string& Text = Box->GetText();
  if (std::string_view(SysUtils::sLineBreak) == "\n" && Text.find('\r') == std::string::npos)
    return Text;
  return StatementText(Box->GetLines());
}

// Why a name cannot be written into a statement at all, or "": a statement
// is kept as lines, and a CR LF inside a name would split it into two.
std::string UnwritableName(const std::string& Name, const char* What) {
  // Most names hold neither a CR nor a NUL: one look at each byte.
  if (std::none_of(Name.begin(), Name.end(), [](char C) { return C == '\r' || C == '\0'; }))
    return {};
  if (Name.find("\r\n") != std::string::npos)
    return Format("%s \"%s\" holds a line break (CR LF), which no statement line can keep", What,
                  Name);
  if (Name.find('\0') != std::string::npos)
    return Format("%s holds a NUL character, which no statement can hold", What);
  return {};
}

// One table in the open dialog, up to "Generate SQL": the table typed, its
// fields fetched, its key selected, the update fields narrowed, the quote
// option set. Without a key, Skipped tells why when SkipKeyless.
TResult PlanTable(TDialog& Dialog, TPlannedUI& UI, const TRequest& Request, bool SkipKeyless) {
  using StdCtrls::TButton;
  using StdCtrls::TListBox;
  TResult Result;
  auto* TableBox = Dialog.Get<StdCtrls::TComboBox>("cbTableName");
  auto* Keys = Dialog.Get<TListBox>("lbKeyFields");
  auto* Fields = Dialog.Get<TListBox>("lbUpdateFields");
  const auto Press = [&](const char* Name) {
    UserInput::Click(Dialog.Get<TButton>(Name));
    return UI.TakeMessage();
  };
  // What the dialog said names the table itself; our own reasons do not.
  const auto Fail = [&](const std::string& Why, bool NamesTable = false) {
    if (!SkipKeyless)
      throw EUpdateSQLToolError(NamesTable ? Why : Format("%s: %s", Result.Table, Why));
    Result.Skipped = Why;
    return Result;
  };
  if (!Request.Table.empty() && TableBox->GetText() != Request.Table)
    UserInput::TypeText(TableBox, Request.Table);
  Result.Table = TableBox->GetText();
  if (Trim(Result.Table).empty())
    throw EUpdateSQLToolError("The query's SQL names no table: name the table to use");
  if (std::string Message = Press("btGetTableFields"); !Message.empty())
    return Fail(Message, true);
  const Classes::TStrings* Listed = Fields->GetItems();
  std::string Scratch;
  for (int I = 0, N = Listed->Count(); I < N; ++I)
    if (std::string Why = UnwritableName(Listed->GetRef(I, Scratch), "the column"); !Why.empty())
      return Fail(Why);
  if (Request.KeyFields.empty()) {
    if (std::string Message = Press("btSelectPrimKeys"); !Message.empty())
      return Fail(Message, true);
    if (Keys->SelCount() <= 0)
      return Fail(SkipKeyless ? "it has neither a primary key nor a unique index"
                              : "it has neither a primary key nor a unique index; name the key "
                                "fields to use");
  } else {
    UserInput::SelectItems(Keys, ItemIndexes(Keys, Request.KeyFields, Result.Table, "a key"));
  }
  if (!Request.UpdateFields.empty())
    UserInput::SelectItems(
        Fields, ItemIndexes(Fields, Request.UpdateFields, Result.Table, "an update field"));
  auto* QuoteBox = Dialog.Get<StdCtrls::TCheckBox>("cbQuotedFields");
  if (QuoteBox->GetChecked() != Request.Quote)
    UserInput::Click(QuoteBox);
  // No control shows it; the form publishes it.
  TypInfo::SetPropValueText(Dialog.Form(),
                            TypInfo::GetPropInfo(Dialog.Form(), "ReturnServerValues"),
                            Request.Returning ? "True" : "False");
  if (std::string Message = Press("btGenerateSQL"); !Message.empty())
    return Fail(Message, true);
  Result.KeyFields = Selected(Keys);
  Result.UpdateFields = Selected(Fields);
  return Result;
}

// The statements as the SQL page shows them: the one shown first, then each
// of the others chosen in turn (the choice stays where it ends, as a person
// would leave it).
void ReadSQLPage(TDialog& Dialog, TResult& Result) {
  auto* Types = Dialog.Get<ExtCtrls::TRadioGroup>("rgrStatementType");
  auto* Text = Dialog.Get<StdCtrls::TMemo>("meSQLText");
  UserInput::ShowPage(Dialog.Get<ComCtrls::TTabSheet>("tsSQL"));
  const int Shown = Types->GetItemIndex();
  if (Shown >= 0 && Shown < 4)
    Result.Statements[static_cast<size_t>(Shown)] = ShownStatement(Text);
  for (int I = 0; I < 4; ++I)
    if (I != Shown) {
      UserInput::ChooseItem(Types, I);
      Result.Statements[static_cast<size_t>(I)] = ShownStatement(Text);
    }
  UserInput::ShowPage(Dialog.Get<ComCtrls::TTabSheet>("tsOptions"));
}

} // namespace

TWorkbench::TWorkbench(const std::string& URI, TEditUpdateSQL Edit) : FEdit(Edit) {
  using namespace OVEngine;
  const OVDriver::TConnectionURI Parsed = OVDriver::ParseConnectionURI(URI);
  FModule = std::make_unique<Classes::TDataModule>(nullptr);
  FModule->SetName("UpdateSQLTool");
  FDatabase = new TOVDatabase(FModule.get());
  FDatabase->SetName("Database1");
  FDatabase->SetDatabaseName("UpdateSQLTool");
  FDatabase->SetServerType(
      StrToServerTypeDef(std::string(Parsed.Driver->ServerTypeName()), DefServerType));
  FDatabase->SetRemoteDatabase(URI);
  FDatabase->SetLoginPrompt(false);
  FDatabase->Open();
  FQuery = new TOVQuery(FModule.get());
  FQuery->SetName("Query1");
  FQuery->SetDatabaseName("UpdateSQLTool");
  FUpdateSQL = new TOVUpdateSQL(FModule.get());
  FUpdateSQL->SetName("UpdateSQL1");
  FQuery->SetUpdateObject(FUpdateSQL);
}

TWorkbench::~TWorkbench() = default;

TResult TWorkbench::Generate(const TRequest& Request) {
  if (Request.SQL.empty() && Trim(Request.Table).empty())
    throw EUpdateSQLToolError("Neither SQL nor a table is given: name the table, or give the "
                              "query's SQL");
  if (Request.SQL.empty()) {
    // One entry: a line break inside a quoted name is part of the name.
    FQuery->GetSQL()->Clear();
    FQuery->GetSQL()->Add("select * from " + Request.Table);
  } else {
    FQuery->GetSQL()->SetText(Request.SQL);
  }
  if (Request.Returning)
    CheckReturning();
  for (int I = 0; I < 4; ++I)
    FUpdateSQL->GetSQLIndex(I)->Clear();
  TResult Result;
  TPlannedUI UI;
  UI.Plan = [&](Forms::TCustomForm* Form) {
    TDialog Dialog(Form);
    Result = PlanTable(Dialog, UI, Request, false);
    UserInput::Click(Control<StdCtrls::TButton>(Form, "btOk"));
    if (!Form->CloseModalIfRequested()) {
      const std::string Message = UI.TakeMessage();
      throw EUpdateSQLToolError(Format("%s: the UpdateSQL editor did not close%s", Result.Table,
                                       Message.empty() ? "" : ": " + Message));
    }
  };
  UIService::TUIServiceScope Scope(&UI);
  // The dialog asks of the table at each button: the catalogue is read once
  // for the run.
  FDatabase->BeginCatalogHold();
  const ScopeGuard::TFinally Release([this] { FDatabase->EndCatalogHold(); });
  if (FEdit(FUpdateSQL))
    for (int I = 0; I < 4; ++I)
      Result.Statements[static_cast<size_t>(I)] = StatementText(FUpdateSQL->GetSQLIndex(I));
  Result.Query = StatementText(FQuery->GetSQL());
  return Result;
}

void TWorkbench::CheckReturning() {
  if (!FDatabase->SupportsReturning())
    throw EUpdateSQLToolError(
        Format("--returning needs INSERT and UPDATE with RETURNING, which this %s does not take",
               FDatabase->Connection().ServerVersion()));
}

std::vector<TResult> TWorkbench::GenerateAll(const TRequest& Options, const TProgress& Progress) {
  std::vector<TResult> Results;
  GenerateEach(
      Options, [&](TResult&& Result) { Results.push_back(std::move(Result)); }, Progress);
  return Results;
}

void TWorkbench::GenerateEach(const TRequest& Options, const TSink& Sink,
                              const TProgress& Progress) {
  if (Options.Returning)
    CheckReturning();
  FDatabase->BeginCatalogBatch();
  try {
    const std::vector<OVDriver::TTableRef> Tables = FDatabase->Tables();
    const int Count = static_cast<int>(Tables.size());
    if (Count > 0) {
      // One dialog for the whole batch, as a person would keep it open:
      // each table's statements are read off the SQL page, and the dialog
      // is cancelled at the end.
      FQuery->GetSQL()->Clear();
      FQuery->GetSQL()->Add("select * from " +
                            OVDriver::WriteTableName(FDatabase->Connection(), Tables[0], false));
      TPlannedUI UI;
      UI.Plan = [&](Forms::TCustomForm* Form) {
        TDialog Dialog(Form);
        for (int I = 0; I < Count; ++I) {
          const OVDriver::TTableRef& Table = Tables[static_cast<size_t>(I)];
          if (Progress)
            Progress(I + 1, Count, Table.Display);
          TResult Result = TableFor(Table);
          if (Result.Skipped.empty()) {
            TRequest Request = Options;
            Request.Table = Result.Table;
            Result = PlanTable(Dialog, UI, Request, true);
            if (Result.Skipped.empty())
              ReadSQLPage(Dialog, Result);
          }
          Result.Ref = Table;
          Result.Query = "select * from " + Result.Table;
          Sink(std::move(Result));
        }
        UserInput::Click(Dialog.Get<StdCtrls::TButton>("btCancel"));
        Form->CloseModalIfRequested();
      };
      UIService::TUIServiceScope Scope(&UI);
      FEdit(FUpdateSQL);
    }
  } catch (...) {
    FDatabase->EndCatalogBatch();
    throw;
  }
  FDatabase->EndCatalogBatch();
}

std::vector<OVEngine::TOVVerifyResult> TWorkbench::Verify(const std::vector<TResult>& Results,
                                                          const TProgress& Progress) {
  std::vector<OVEngine::TOVUpdateStatements> Tables;
  std::vector<size_t> From;
  for (size_t I = 0; I < Results.size(); ++I) {
    const TResult& R = Results[I];
    if (!R.Skipped.empty())
      continue;
    Tables.push_back({R.Table, R.Ref, R.Query, R.Statements});
    From.push_back(I);
  }
  const auto Answers = OVEngine::VerifyUpdateStatements(*FDatabase, Tables, Progress);
  std::vector<OVEngine::TOVVerifyResult> Result(Results.size());
  for (size_t N = 0; N < From.size(); ++N)
    Result[From[N]] = Answers[N];
  return Result;
}

TResult TWorkbench::TableFor(const OVDriver::TTableRef& Table) {
  TResult Result;
  Result.Table = OVDriver::WriteTableName(FDatabase->Connection(), Table, false);
  if (Table.Kind == OVDriver::TTableKind::View ||
      Table.Kind == OVDriver::TTableKind::MaterializedView)
    Result.Skipped = Format("it is a %s, not a table", OVDriver::TableKindName(Table.Kind));
  else if (std::string Why = UnwritableName(Table.Name, "the name"); !Why.empty())
    Result.Skipped = Why;
  else if (std::string WhySchema = UnwritableName(Table.Schema, "the schema name");
           !WhySchema.empty())
    Result.Skipped = WhySchema;
  return Result;
}

} // namespace UpdateSQLTool
