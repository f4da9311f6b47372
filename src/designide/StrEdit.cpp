#include "designide/StrEdit.hpp"

#include "designide/IDEServices.hpp"
#include "designide/StFilSys.hpp"
#include "rtl/SysUtils.hpp"
#include "vcl/StdCtrls.hpp"

namespace StrEdit {

using DesignIntf::TPropertyAttribute;
using System::TInterfaceRef;

OV_CLASS_BEGIN(TStrEditDlg, Forms::TForm, "StrEdit")
OV_FIELDS(lblLineCount, meLines, btCodeEditor, btOk, btCancel)
OV_METHODS(meLinesChange, btCodeEditorClick)
OV_CLASS_END

OV_CLASS_IMPL(TStringListProperty, DesignEditors::TClassProperty, "StrEdit")

TStrEditDlg::TStrEditDlg(Classes::TComponent* AOwner) : Forms::TForm(AOwner) {}

TStrEditDlg::~TStrEditDlg() = default;

std::string TStrEditDlg::LineCountText(int Count) {
  return Count == 1 ? std::string("1 line") : SysUtils::Format("%d lines", Count);
}

void TStrEditDlg::UpdateLineCount() {
  lblLineCount->SetCaption(LineCountText(meLines->GetLines()->Count()));
}

void TStrEditDlg::meLinesChange(System::TObject*) {
  UpdateLineCount();
}

void TStrEditDlg::btCodeEditorClick(System::TObject*) {
  FCodeEditorChosen = true;
  SetModalResult(Controls::mrCancel);
}

std::string StringsModuleName(DesignIntf::IDesigner* Designer, Classes::TPersistent* Instance,
                              const std::string& PropName) {
  const auto* Component = dynamic_cast<const Classes::TComponent*>(Instance);
  const Classes::TComponent* Root = Designer ? Designer->GetRoot() : nullptr;
  if (!Component || !Root || Component->Owner() != Root || Root->GetName().empty())
    return {};
  return Root->GetName() + "." + Component->GetName() + "." + PropName;
}

namespace {

// The host's module services while they are installed.
IDEServices::TIDEServices* Services() {
  return dynamic_cast<IDEServices::TIDEServices*>(ToolsAPI::BorlandIDEServices.Get());
}

// The module's editor when the module is open with a file.
TInterfaceRef<ToolsAPI::IOTAEditor> OpenModuleEditor(const std::string& ModuleName) {
  IDEServices::TIDEServices* S = Services();
  if (!S || ModuleName.empty())
    return nullptr;
  TInterfaceRef<ToolsAPI::IOTAModule> Module = S->FindModule(ModuleName);
  if (!Module || Module->GetModuleFileCount() < 1)
    return nullptr;
  return Module->GetModuleFileEditor(0);
}

void OpenInCodeEditor(const std::string& ModuleName, Classes::TPersistent* Instance,
                      const std::string& PropName, const Classes::TStrings& Lines, bool Modified) {
  StFilSys::Register();
  const SysUtils::TDateTime Age = SysUtils::Now();
  TInterfaceRef<ToolsAPI::IOTAModule> Module =
      Services()->OpenTextModule(ModuleName, StFilSys::sTStringsFileSystem, Lines.GetText(), Age);
  if (Module)
    StFilSys::ShowStringsModule(Module.Get(), ModuleName, Instance, PropName, Age, Modified);
}

} // namespace

DesignIntf::TPropertyAttributes TStringListProperty::GetAttributes() {
  DesignIntf::TPropertyAttributes A = DesignEditors::TClassProperty::GetAttributes();
  A.Include(TPropertyAttribute::paDialog);
  A.Exclude(TPropertyAttribute::paSubProperties);
  return A;
}

Classes::TStrings* TStringListProperty::GetStrings() const {
  return dynamic_cast<Classes::TStrings*>(GetObjectValue());
}

void TStringListProperty::SetStrings(Classes::TStrings* Value) {
  const TypInfo::TPropInfo* Info = GetPropInfo();
  if (Info && Info->IsWritable()) {
    SetObjectValue(Value);
    return;
  }
  // A list without a setter is the component's own: filled in place.
  for (int I = 0; I < PropCount(); ++I)
    if (auto* Current = dynamic_cast<Classes::TStrings*>(GetObjectValueAt(I)))
      Current->Assign(Value);
  Modified();
}

void TStringListProperty::Edit() {
  Classes::TPersistent* Instance = GetComponent(0);
  const std::string PropName = GetName();
  const std::string ModuleName = StringsModuleName(Designer(), Instance, PropName);
  if (TInterfaceRef<ToolsAPI::IOTAEditor> Open = OpenModuleEditor(ModuleName)) {
    Open->Show();
    return;
  }
  Classes::TStrings* Current = GetStrings();
  Forms::TFormPtr<TStrEditDlg> Dlg(Forms::Application->CreateForm<TStrEditDlg>());
  if (Current)
    Dlg->meLines->SetLines(Current);
  Dlg->UpdateLineCount();
  Dlg->btCodeEditor->SetEnabled(Services() && !ModuleName.empty());
  const int Result = Dlg->ShowModal();
  Classes::TStringList Lines;
  Lines.Assign(Dlg->meLines->GetLines());
  const bool Changed = Current ? !Lines.Equals(Current) : Lines.Count() > 0;
  if (Dlg->CodeEditorChosen()) {
    // The dialog goes before the code editor takes over the text.
    Dlg.reset();
    OpenInCodeEditor(ModuleName, Instance, PropName, Lines, Changed);
    return;
  }
  if (Result == Controls::mrOk && Changed)
    SetStrings(&Lines);
}

} // namespace StrEdit
