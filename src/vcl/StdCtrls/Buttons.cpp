// Buttons and check boxes.
#include "vcl/Controls/Publish.hpp"
#include "vcl/StdCtrls.hpp"

namespace StdCtrls {

namespace P = Controls::Publish;
using Classes::TShiftStateItem;

OV_CLASS_IMPL(TButtonControl, TWinControl, "StdCtrls")

TButtonControl::TButtonControl(TComponent* AOwner) : TWinControl(AOwner) {
  SetTabStop(true);
  SetColor(Graphics::clBtnFace);
  SetParentColor(true);
}

OV_CLASS_BEGIN(TButton, TButtonControl, "StdCtrls")
P::Anchors(B);
B.Property("Cancel", &TButton::GetCancel, &TButton::SetCancel).Default(0);
P::Caption(B);
P::Cursor(B);
B.Property("Default", &TButton::GetDefault, &TButton::SetDefault).Default(0);
P::DragCursorToHint(B);
B.Property("ModalResult", &TButton::GetModalResult, &TButton::SetModalResult).Default(0);
P::ParentFont(B);
P::ParentShowHint(B);
P::PopupMenuToVisible(B, true);
P::OnClick(B);
P::OnFocusEvents(B);
OV_CLASS_END

TButton::TButton(TComponent* AOwner) : TButtonControl(AOwner) {
  SetBounds(0, 0, 75, 25);
}

void TButton::Click() {
  Forms::TCustomForm* Form = ParentForm();
  const TModalResult Old = Form ? Form->GetModalResult() : Controls::mrNone;
  if (Form && FModalResult != Controls::mrNone)
    Form->SetModalResult(FModalResult);
  try {
    TButtonControl::Click();
  } catch (...) {
    if (Form && FModalResult != Controls::mrNone)
      Form->SetModalResult(Old);
    throw;
  }
}

bool TButton::HandleKey(uint16_t Key, TShiftState Shift) {
  if (Key != Windows::VK_SPACE)
    return false;
  Click();
  return true;
}

bool TButton::DialogKey(uint16_t Key, TShiftState Shift) {
  if (!Shift.Empty() || !GetVisible() || !Showing() || !IsEnabledInParents())
    return false;
  const Forms::TCustomForm* Form = ParentForm();
  const TWinControl* Focused = Form ? Form->FocusedControl() : nullptr;
  // Enter goes to the focused button, else to the default one.
  const bool Active = Focused == this || (FDefault && !dynamic_cast<const TButton*>(Focused));
  if ((Key == Windows::VK_RETURN && Active) || (Key == Windows::VK_ESCAPE && FCancel)) {
    Click();
    return true;
  }
  return false;
}

OV_CLASS_IMPL(TCustomCheckBox, TButtonControl, "StdCtrls")

OV_CLASS_BEGIN(TCheckBox, TCustomCheckBox, "StdCtrls")
B.Property("Alignment", &TCustomCheckBox::GetAlignment, &TCustomCheckBox::SetAlignment)
    .Default(static_cast<int64_t>(TAlignment::taRightJustify));
B.Property("AllowGrayed", &TCustomCheckBox::GetAllowGrayed, &TCustomCheckBox::SetAllowGrayed)
    .Default(0);
P::Anchors(B);
P::Caption(B);
// State says the same and is what form files keep.
B.Property("Checked", &TCustomCheckBox::GetChecked, &TCustomCheckBox::SetChecked).NotStored();
P::Color(B);
P::Ctl3D(B);
P::Cursor(B);
P::DragCursorToHint(B);
P::Parents(B, true);
P::PopupMenu(B);
P::ShowHint(B);
B.Property("State", &TCustomCheckBox::GetState, &TCustomCheckBox::SetState).Default(0);
P::TabOrder(B);
P::TabStop(B, true);
P::Visible(B);
P::OnClick(B);
P::OnFocusEvents(B);
OV_CLASS_END

TCustomCheckBox::TCustomCheckBox(TComponent* AOwner) : TButtonControl(AOwner) {
  SetBounds(0, 0, 97, 17);
}

void TCustomCheckBox::SetState(TCheckBoxState Value) {
  if (FState == Value)
    return;
  FState = Value;
  Click();
}

void TCustomCheckBox::Toggle() {
  switch (FState) {
  case TCheckBoxState::cbUnchecked:
    SetState(TCheckBoxState::cbChecked);
    break;
  case TCheckBoxState::cbChecked:
    SetState(FAllowGrayed ? TCheckBoxState::cbGrayed : TCheckBoxState::cbUnchecked);
    break;
  case TCheckBoxState::cbGrayed:
    SetState(TCheckBoxState::cbUnchecked);
    break;
  }
}

bool TCustomCheckBox::HandleKey(uint16_t Key, TShiftState Shift) {
  if (Key != Windows::VK_SPACE)
    return false;
  Toggle();
  return true;
}

} // namespace StdCtrls
