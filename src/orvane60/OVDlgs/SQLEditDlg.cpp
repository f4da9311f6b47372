// The SQL dialog of queries.
#include "orvane60/OVDlgs.hpp"

namespace OVDlgs {

OV_CLASS_BEGIN(TOVSQLEditDlg, Forms::TForm, "OVDlgs")
OV_FIELDS(lblSQL, meSQL, btCodeEditor, btOk, btCancel)
OV_METHODS(btCodeEditorClick)
OV_CLASS_END

TOVSQLEditDlg::TOVSQLEditDlg(TComponent* AOwner) : TForm(AOwner) {}

TOVSQLEditDlg::~TOVSQLEditDlg() = default;

void TOVSQLEditDlg::btCodeEditorClick(System::TObject*) {
  FCodeEditorChosen = true;
  SetModalResult(Controls::mrCancel);
}

bool ShowSQLEditor(const std::string& Caption, OVEngine::TOVQuery* Query,
                   const TOVCodeEditorEvent& CodeEditor) {
  if (!Query)
    throw SysUtils::EInvalidOperation("The SQL editor needs a query");
  Forms::TFormPtr<TOVSQLEditDlg> Dlg(Forms::Application->CreateForm<TOVSQLEditDlg>());
  if (!Caption.empty())
    Dlg->SetCaption(Caption);
  Dlg->meSQL->SetLines(Query->GetSQL());
  Dlg->btCodeEditor->SetEnabled(static_cast<bool>(CodeEditor));
  const int Result = Dlg->ShowModal();
  Classes::TStringList Lines;
  Lines.Assign(Dlg->meSQL->GetLines());
  const bool Changed = !Lines.Equals(Query->GetSQL());
  if (Dlg->CodeEditorChosen()) {
    // The dialog goes before the code editor takes over the text.
    Dlg.reset();
    CodeEditor(&Lines, Changed);
    return false;
  }
  if (Result != Controls::mrOk || !Changed)
    return false;
  Query->SetSQL(&Lines);
  return true;
}

} // namespace OVDlgs
