// The connection parameter dialog of databases.
#include "orvane60/OVDlgs.hpp"

#include "vcl/Dialogs.hpp"

namespace OVDlgs {

OV_CLASS_BEGIN(TOVDatabaseParamsDlg, Forms::TForm, "OVDlgs")
OV_FIELDS(lblParams, meParams, btDefaults, btCodeEditor, btOk, btCancel)
OV_METHODS(btDefaultsClick, btCodeEditorClick, FormCloseQuery)
OV_CLASS_END

namespace {

// The lines as they are stored: blank ones dropped.
void CopyWithoutBlankLines(const TStrings* Source, TStrings* Dest) {
  Dest->Clear();
  for (int I = 0; I < Source->Count(); ++I)
    if (!SysUtils::Trim(Source->Get(I)).empty())
      Dest->Add(Source->Get(I));
}

} // namespace

TOVDatabaseParamsDlg::TOVDatabaseParamsDlg(TComponent* AOwner) : TForm(AOwner) {}

TOVDatabaseParamsDlg::~TOVDatabaseParamsDlg() = default;

void TOVDatabaseParamsDlg::SetGetDefaultParams(const TOVGetDefaultParamsEvent& Value) {
  FGetDefaultParams = Value;
  btDefaults->SetEnabled(static_cast<bool>(FGetDefaultParams));
}

void TOVDatabaseParamsDlg::btDefaultsClick(System::TObject*) {
  if (!FGetDefaultParams)
    return;
  Classes::TStringList Defaults;
  FGetDefaultParams(&Defaults);
  meParams->SetLines(&Defaults);
}

void TOVDatabaseParamsDlg::btCodeEditorClick(System::TObject*) {
  FCodeEditorChosen = true;
  SetModalResult(Controls::mrCancel);
}

void TOVDatabaseParamsDlg::FormCloseQuery(System::TObject*, bool& CanClose) {
  if (GetModalResult() != Controls::mrOk)
    return;
  const std::string Problem = CheckParams(meParams->GetLines());
  if (Problem.empty())
    return;
  CanClose = false;
  Dialogs::MessageDlg(Problem, Dialogs::TMsgDlgType::mtError, {Dialogs::TMsgDlgBtn::mbOK}, 0);
}

bool ShowDatabaseParamsEditor(TStrings* Params, const TOVCodeEditorEvent& CodeEditor,
                              const TOVGetDefaultParamsEvent& GetDefaultParams) {
  if (!Params)
    throw SysUtils::EInvalidOperation("The parameter editor needs a parameter list");
  Forms::TFormPtr<TOVDatabaseParamsDlg> Dlg(Forms::Application->CreateForm<TOVDatabaseParamsDlg>());
  Dlg->meParams->SetLines(Params);
  Dlg->SetGetDefaultParams(GetDefaultParams);
  Dlg->btCodeEditor->SetEnabled(static_cast<bool>(CodeEditor));
  const int Result = Dlg->ShowModal();
  if (Dlg->CodeEditorChosen()) {
    Classes::TStringList Lines;
    Lines.Assign(Dlg->meParams->GetLines());
    const bool Changed = !Lines.Equals(Params);
    Dlg.reset();
    CodeEditor(&Lines, Changed);
    return false;
  }
  if (Result != Controls::mrOk)
    return false;
  Classes::TStringList Lines;
  CopyWithoutBlankLines(Dlg->meParams->GetLines(), &Lines);
  if (Lines.Equals(Params))
    return false;
  Params->Assign(&Lines);
  return true;
}

} // namespace OVDlgs
