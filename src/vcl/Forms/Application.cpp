// The application object and the screen.
#include "vcl/Forms.hpp"
#include "vcl/UIService.hpp"

#include <algorithm>

namespace Forms {

using SysUtils::Format;

OV_CLASS_IMPL(TApplication, TComponent, "Forms")
OV_CLASS_IMPL(TScreen, TComponent, "Forms")

TApplication::TApplication(TComponent* AOwner) : TComponent(AOwner) {}

TApplication::~TApplication() {
  DestroyForms();
}

TCustomForm* TApplication::CreateForm(TClass FormClass, TComponent* Owner) {
  if (!FormClass || !FormClass->InheritsFrom(TCustomForm::StaticClass()))
    throw SysUtils::EInvalidOperation(
        Format("Class %s is not a form class", FormClass ? FormClass->Name : std::string("nil")));
  auto* Form = static_cast<TCustomForm*>(Classes::CreateComponent(FormClass, Owner ? Owner : this));
  try {
    ReadFormLayouts(Form);
    Form->DoCreate();
  } catch (...) {
    // A form that was never created completely gets no OnDestroy.
    Form->FDestroyFired = true;
    delete Form;
    throw;
  }
  if (!FMainForm && Form->Owner() == this)
    FMainForm = Form;
  return Form;
}

void TApplication::Notification(TComponent* AComponent, Classes::TOperation Operation) {
  TComponent::Notification(AComponent, Operation);
  if (Operation == Classes::TOperation::opRemove && AComponent == FMainForm)
    FMainForm = nullptr;
}

void TApplication::HandleException(TObject* Sender) {
  try {
    throw;
  } catch (const SysUtils::EAbort&) {
  } catch (const std::exception& E) {
    if (OnException)
      OnException(Sender, E);
    else
      ShowException(E.what());
  } catch (...) {
    ShowException("An unknown error occurred");
  }
}

void TApplication::ShowException(const std::string& Message) {
  std::string Text = Message;
  if (!Text.empty() && static_cast<unsigned char>(Text.back()) > '.')
    Text += '.';
  UIService::TMessageBoxRequest R;
  R.Caption = FTitle;
  R.Text = Text;
  R.DlgType = Dialogs::TMsgDlgType::mtError;
  R.Buttons = {Dialogs::TMsgDlgBtn::mbOK};
  UIService::UI()->MessageBox(R);
}

void TApplication::ProcessMessages() {
  while (!FReleased.empty()) {
    TCustomForm* Form = FReleased.back();
    FReleased.pop_back();
    Form->Free();
  }
}

void TApplication::DestroyForms() {
  // A form's OnDestroy may free other forms, so look again after each one.
  for (;;) {
    TCustomForm* Form = nullptr;
    for (int I = ComponentCount() - 1; I >= 0 && !Form; --I)
      Form = dynamic_cast<TCustomForm*>(Components(I));
    if (!Form)
      return;
    Form->Free();
  }
}

TScreen::TScreen(TComponent* AOwner) : TComponent(AOwner) {}

void TScreen::SetCursor(Controls::TCursor Value) {
  FCursor = Value;
  UIService::UI()->ShowCursor(Value);
}

void TScreen::SetSize(int Width, int Height) {
  FWidth = std::max(0, Width);
  FHeight = std::max(0, Height);
}

TCustomForm* TScreen::Forms(int Index) const {
  if (Index < 0 || Index >= FormCount())
    throw Classes::EListError(Format("List index out of bounds (%d)", Index));
  return FForms[static_cast<size_t>(Index)];
}

TCustomForm* TScreen::GetActiveForm() const {
  return FShown.empty() ? nullptr : FShown.back();
}

TWinControl* TScreen::GetActiveControl() const {
  const TCustomForm* F = GetActiveForm();
  return F ? F->FocusedControl() : nullptr;
}

void TScreen::AddForm(TCustomForm* Form) {
  FForms.push_back(Form);
}

void TScreen::RemoveForm(TCustomForm* Form) {
  FForms.erase(std::remove(FForms.begin(), FForms.end(), Form), FForms.end());
  FShown.erase(std::remove(FShown.begin(), FShown.end(), Form), FShown.end());
}

void TScreen::FormShown(TCustomForm* Form) {
  FShown.erase(std::remove(FShown.begin(), FShown.end(), Form), FShown.end());
  FShown.push_back(Form);
}

void TScreen::FormHidden(TCustomForm* Form) {
  FShown.erase(std::remove(FShown.begin(), FShown.end(), Form), FShown.end());
}

// Created on first use and kept for the life of the process: forms and
// services refer to them until the very end.
TApplication* GetApplication() {
  static TApplication* const Instance = new TApplication(nullptr);
  return Instance;
}

TScreen* GetScreen() {
  static TScreen* const Instance = new TScreen(nullptr);
  return Instance;
}

} // namespace Forms
