#include "TestForms.hpp"

#include "vcl/Windows.hpp"

#include <algorithm>

namespace VclTest {

using Controls::mrOk;
using Controls::mrYes;
using Dialogs::MessageDlg;
using Dialogs::TMsgDlgBtn;
using Dialogs::TMsgDlgType;

namespace {
const int ModuleAnchor = 0;
}

void RegisterTestModule() {
  System::RegisterModule(&ModuleAnchor);
}

std::string TTestSQLForm::DestroyedWith;

OV_CLASS_BEGIN(TTestSQLForm, Forms::TForm, "TestForms")
B.Field("pcUpdateSQL", &TTestSQLForm::pcUpdateSQL);
B.Field("tsOptions", &TTestSQLForm::tsOptions);
B.Field("tsSQL", &TTestSQLForm::tsSQL);
B.Field("pnlButton", &TTestSQLForm::pnlButton);
B.Field("btOk", &TTestSQLForm::btOk);
B.Field("btCancel", &TTestSQLForm::btCancel);
B.Field("lblSQLText", &TTestSQLForm::lblSQLText);
B.Field("meSQLText", &TTestSQLForm::meSQLText);
B.Field("gbxGenSQL", &TTestSQLForm::gbxGenSQL);
B.Field("lblTableName", &TTestSQLForm::lblTableName);
B.Field("cbTableName", &TTestSQLForm::cbTableName);
B.Field("lblKeyFields", &TTestSQLForm::lblKeyFields);
B.Field("lbKeyFields", &TTestSQLForm::lbKeyFields);
B.Field("lblUpdateFields", &TTestSQLForm::lblUpdateFields);
B.Field("lbUpdateFields", &TTestSQLForm::lbUpdateFields);
B.Field("btDataSetDefaults", &TTestSQLForm::btDataSetDefaults);
B.Field("btGenerateSQL", &TTestSQLForm::btGenerateSQL);
B.Field("pmFields", &TTestSQLForm::pmFields);
B.Field("miSelectAll", &TTestSQLForm::miSelectAll);
B.Field("miClearAll", &TTestSQLForm::miClearAll);
B.Field("rgrStatementType", &TTestSQLForm::rgrStatementType);
B.Field("btGetTableFields", &TTestSQLForm::btGetTableFields);
B.Field("cbQuotedFields", &TTestSQLForm::cbQuotedFields);
B.Field("btSelectPrimKeys", &TTestSQLForm::btSelectPrimKeys);
B.Method("FormCreate", &TTestSQLForm::FormCreate);
B.Method("FormDestroy", &TTestSQLForm::FormDestroy);
B.Method("FormCloseQuery", &TTestSQLForm::FormCloseQuery);
B.Method("cbTableNameChange", &TTestSQLForm::cbTableNameChange);
B.Method("GetTableFieldsClick", &TTestSQLForm::GetTableFieldsClick);
B.Method("btSelectPrimKeysClick", &TTestSQLForm::btSelectPrimKeysClick);
B.Method("GenerateSQLClick", &TTestSQLForm::GenerateSQLClick);
B.Method("StatementTypeClick", &TTestSQLForm::StatementTypeClick);
B.Method("SQLTextExit", &TTestSQLForm::SQLTextExit);
B.Method("SelectAllClick", &TTestSQLForm::SelectAllClick);
B.Method("ClearAllClick", &TTestSQLForm::ClearAllClick);
OV_CLASS_END

void TTestSQLForm::FormCreate(TObject*) {
  Events.push_back("create");
  pcUpdateSQL->SetActivePage(tsOptions);
}

void TTestSQLForm::FormDestroy(TObject*) {
  DestroyedWith = btOk ? btOk->GetCaption() : "(no btOk)";
}

void TTestSQLForm::FormCloseQuery(TObject*, bool& CanClose) {
  Events.push_back("closequery");
  if (GetModalResult() != mrOk)
    return;
  if (!SysUtils::Trim(Statements[1]).empty())
    return;
  CanClose = MessageDlg("The modify statement is empty. Close anyway?", TMsgDlgType::mtConfirmation,
                        Dialogs::mbYesNoCancel, 0) == mrYes;
}

void TTestSQLForm::cbTableNameChange(TObject*) {
  Events.push_back("change " + cbTableName->GetText());
  const bool Missing = SysUtils::Trim(cbTableName->GetText()).empty();
  btGetTableFields->SetEnabled(!Missing);
  btSelectPrimKeys->SetEnabled(!Missing);
  btGenerateSQL->SetEnabled(!Missing);
}

void TTestSQLForm::GetTableFieldsClick(TObject*) {
  Events.push_back("get fields");
  lbKeyFields->Clear();
  lbUpdateFields->Clear();
  int Widest = 0;
  for (const std::string& C : Columns) {
    lbKeyFields->GetItems()->Add(SysUtils::Trim(C));
    lbUpdateFields->GetItems()->Add(SysUtils::Trim(C));
    Widest = std::max(Widest, lbKeyFields->GetCanvas()->TextWidth(C + "A"));
  }
  Windows::SendMessage(lbKeyFields->Handle(), Windows::LB_SETHORIZONTALEXTENT, Widest, 0);
  Windows::SendMessage(lbUpdateFields->Handle(), Windows::LB_SETHORIZONTALEXTENT, Widest, 0);
  pmFields->SetPopupComponent(lbKeyFields);
  SelectAllClick(this);
  pmFields->SetPopupComponent(lbUpdateFields);
  SelectAllClick(this);
}

void TTestSQLForm::btSelectPrimKeysClick(TObject*) {
  Events.push_back("primary keys");
  lbKeyFields->ClearSelection();
  const int I = lbKeyFields->GetItems()->IndexOf("id");
  if (I >= 0)
    lbKeyFields->SetSelected(I, true);
}

void TTestSQLForm::GenerateSQLClick(TObject*) {
  Events.push_back("generate");
  if (lbKeyFields->SelCount() <= 0 || lbUpdateFields->SelCount() <= 0) {
    MessageDlg("Select key and update fields first", TMsgDlgType::mtError, {TMsgDlgBtn::mbOK}, 0);
    return;
  }
  std::string Keys;
  for (int I = 0; I < lbKeyFields->GetItems()->Count(); ++I)
    if (lbKeyFields->GetSelected(I))
      Keys += (Keys.empty() ? "" : " and ") + lbKeyFields->GetItems()->Get(I) + " = :OLD_" +
              lbKeyFields->GetItems()->Get(I);
  const std::string Table = cbTableName->GetText();
  Statements[0] = "select * from " + Table + "\nwhere " + Keys;
  Statements[1] = "update " + Table + " set NAME = :NAME\nwhere " + Keys;
  Statements[2] = "insert into " + Table;
  Statements[3] = "delete from " + Table + "\nwhere " + Keys;
  StatementTypeClick(this);
}

void TTestSQLForm::StatementTypeClick(TObject*) {
  const int I = rgrStatementType->GetItemIndex();
  Events.push_back("statement " + std::to_string(I));
  if (I >= 0 && I < 4)
    meSQLText->GetLines()->SetText(Statements[static_cast<size_t>(I)]);
}

void TTestSQLForm::SQLTextExit(TObject*) {
  const int I = rgrStatementType->GetItemIndex();
  Events.push_back("sql exit " + std::to_string(I));
  if (I >= 0 && I < 4)
    Statements[static_cast<size_t>(I)] = meSQLText->GetText();
}

void TTestSQLForm::SelectAllClick(TObject*) {
  if (pmFields->GetPopupComponent() == lbKeyFields)
    lbKeyFields->SelectAll();
  else if (pmFields->GetPopupComponent() == lbUpdateFields)
    lbUpdateFields->SelectAll();
}

void TTestSQLForm::ClearAllClick(TObject*) {
  if (pmFields->GetPopupComponent() == lbKeyFields)
    lbKeyFields->ClearSelection();
  else if (pmFields->GetPopupComponent() == lbUpdateFields)
    lbUpdateFields->ClearSelection();
}

OV_CLASS_BEGIN(TTestBaseForm, Forms::TForm, "TestForms")
B.Field("btBase", &TTestBaseForm::btBase);
B.Method("FormCreate", &TTestBaseForm::FormCreate);
OV_CLASS_END

OV_CLASS_BEGIN(TTestDerivedForm, TTestBaseForm, "TestForms")
B.Field("btExtra", &TTestDerivedForm::btExtra);
OV_CLASS_END

OV_CLASS_BEGIN(TTestBrokenForm, Forms::TForm, "TestForms")
B.Field("btOk", &TTestBrokenForm::btOk);
OV_CLASS_END

OV_CLASS_IMPL(TTestNoLayoutForm, Forms::TForm, "TestForms")

TCodeDialog::TCodeDialog(const std::string& Name) {
  Form = new Forms::TForm(Forms::Application);
  Form->SetName(Name);
  Form->SetCaption("Code dialog");
  Form->SetBorderStyle(Forms::TFormBorderStyle::bsDialog);
  Form->SetClientWidth(300);
  Form->SetClientHeight(200);
  Pages = new ComCtrls::TPageControl(Form);
  Pages->SetName("Pages");
  Pages->SetParent(Form);
  Pages->SetAlign(Controls::TAlign::alClient);
  Page1 = new ComCtrls::TTabSheet(Form);
  Page1->SetName("Page1");
  Page1->SetPageControl(Pages);
  Page2 = new ComCtrls::TTabSheet(Form);
  Page2->SetName("Page2");
  Page2->SetPageControl(Pages);
  Edit = new StdCtrls::TEdit(Form);
  Edit->SetName("Edit");
  Edit->SetParent(Page1);
  Memo = new StdCtrls::TMemo(Form);
  Memo->SetName("Memo");
  Memo->SetParent(Page2);
  List = new StdCtrls::TListBox(Form);
  List->SetName("List");
  List->SetParent(Page1);
  auto* Bottom = new ExtCtrls::TPanel(Form);
  Bottom->SetName("Bottom");
  Bottom->SetCaption("");
  Bottom->SetParent(Form);
  Bottom->SetHeight(33);
  Bottom->SetAlign(Controls::TAlign::alBottom);
  Ok = new StdCtrls::TButton(Form);
  Ok->SetName("Ok");
  Ok->SetParent(Bottom);
  Ok->SetDefault(true);
  Ok->SetModalResult(Controls::mrOk);
  Cancel = new StdCtrls::TButton(Form);
  Cancel->SetName("Cancel");
  Cancel->SetParent(Bottom);
  Cancel->SetCancel(true);
  Cancel->SetModalResult(Controls::mrCancel);
  Pages->SetActivePage(Page1);
}

TCodeDialog::~TCodeDialog() {
  Form->Free();
}

void TCodeDialog::Watch(Controls::TWinControl* Control) {
  const std::string Name = Control->GetName();
  Control->OnEnter = [this, Name](TObject*) { Events.push_back("enter " + Name); };
  Control->OnExit = [this, Name](TObject*) { Events.push_back("exit " + Name); };
}

} // namespace VclTest
