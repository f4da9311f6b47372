// TCustomForm: showing, modal runs, closing, focus and destruction.
#include "vcl/Controls/Publish.hpp"
#include "vcl/Forms.hpp"
#include "vcl/UIService.hpp"

#include <algorithm>

namespace Forms {

using Controls::TControl;
using SysUtils::Format;

OV_CLASS_IMPL(TCustomForm, TWinControl, "Forms")

OV_CLASS_BEGIN(TForm, TCustomForm, "Forms")
namespace P = Controls::Publish;
// Form files keep either the outer size or, without scroll bars, the client
// size.
B.Property("Width", &TControl::GetWidth, &TControl::SetWidth)
    .Stored(&TCustomForm::IsFormSizeStored);
B.Property("Height", &TControl::GetHeight, &TControl::SetHeight)
    .Stored(&TCustomForm::IsFormSizeStored);
B.Property("ActiveControl", &TCustomForm::GetActiveControl, &TCustomForm::SetActiveControl);
B.Property("AutoScroll", &TCustomForm::GetAutoScroll, &TCustomForm::SetAutoScroll).Default(1);
B.Property("BorderIcons", &TCustomForm::GetBorderIcons, &TCustomForm::SetBorderIcons)
    .Default(static_cast<int64_t>(TBorderIcons{TBorderIcon::biSystemMenu, TBorderIcon::biMinimize,
                                               TBorderIcon::biMaximize}
                                      .Bits()));
B.Property("BorderStyle", &TCustomForm::GetBorderStyle, &TCustomForm::SetBorderStyle)
    .Default(static_cast<int64_t>(TFormBorderStyle::bsSizeable));
P::Caption(B);
B.Property("ClientHeight", &TControl::GetClientHeight, &TControl::SetClientHeight)
    .Stored(&TCustomForm::IsClientSizeStored);
B.Property("ClientWidth", &TControl::GetClientWidth, &TControl::SetClientWidth)
    .Stored(&TCustomForm::IsClientSizeStored);
B.Property("Color", &TControl::GetColor, &TControl::SetColor);
P::Ctl3D(B);
P::Cursor(B);
P::Enabled(B);
B.Property("Font", &TControl::GetFont, &TControl::SetFont);
B.Property("FormStyle", &TCustomForm::GetFormStyle, &TCustomForm::SetFormStyle).Default(0);
P::HelpContext(B);
P::Hint(B);
B.Property("KeyPreview", &TCustomForm::GetKeyPreview, &TCustomForm::SetKeyPreview).Default(0);
B.Property("OldCreateOrder", &TCustomForm::GetOldCreateOrder, &TCustomForm::SetOldCreateOrder);
B.Property("ParentFont", &TControl::GetParentFont, &TControl::SetParentFont).Default(0);
B.Property("PixelsPerInch", &TCustomForm::GetPixelsPerInch, &TCustomForm::SetPixelsPerInch);
P::PopupMenu(B);
B.Property("Position", &TCustomForm::GetPosition, &TCustomForm::SetPosition).Default(0);
B.Property("Scaled", &TCustomForm::GetScaled, &TCustomForm::SetScaled).Default(1);
P::ShowHint(B);
B.Property("Visible", &TControl::GetVisible, &TControl::SetVisible).Default(0);
B.Property("WindowState", &TCustomForm::GetWindowState, &TCustomForm::SetWindowState).Default(0);
B.Event<TNotifyEvent>("OnActivate", &TCustomForm::OnActivate);
P::OnClick(B);
B.Event<TCloseEvent>("OnClose", &TCustomForm::OnClose);
B.Event<TCloseQueryEvent>("OnCloseQuery", &TCustomForm::OnCloseQuery);
B.Event<TNotifyEvent>("OnCreate", &TCustomForm::OnCreate);
P::OnDblClick(B);
B.Event<TNotifyEvent>("OnDeactivate", &TCustomForm::OnDeactivate);
B.Event<TNotifyEvent>("OnDestroy", &TCustomForm::OnDestroy);
B.Event<TNotifyEvent>("OnHide", &TCustomForm::OnHide);
P::OnKeys(B);
P::OnMouse(B);
B.Event<TNotifyEvent>("OnResize", &TCustomForm::OnResize);
B.Event<TNotifyEvent>("OnShow", &TCustomForm::OnShow);
OV_CLASS_END

TCustomForm::TCustomForm(TComponent* AOwner) : TWinControl(AOwner) {
  InitVisible(false);
  SetParentFont(false);
  SetColor(Graphics::clBtnFace);
  SetBounds(0, 0, 320, 240);
  GetScreen()->AddForm(this);
}

TCustomForm::~TCustomForm() {
  // Free() and the owners that know forms fire OnDestroy before the form's
  // class is taken apart; here only the bookkeeping is left.
  FDestroyFired = true;
  HideQuietly();
  FActiveControl = nullptr;
  FFocused = nullptr;
  GetScreen()->RemoveForm(this);
  auto& Released = GetApplication()->FReleased;
  Released.erase(std::remove(Released.begin(), Released.end(), this), Released.end());
  OnCreate = nullptr;
  OnDestroy = nullptr;
  OnShow = nullptr;
  OnHide = nullptr;
  OnClose = nullptr;
  OnCloseQuery = nullptr;
}

void TCustomForm::BeforeDestruction() {
  if (FDestroyFired)
    return;
  FDestroyFired = true;
  HideQuietly();
  Destroying();
  if (OnDestroy)
    OnDestroy(this);
  // The forms this one owns go with it, each told first.
  for (int I = 0; I < ComponentCount(); ++I)
    if (auto* Form = dynamic_cast<TCustomForm*>(Components(I)))
      Form->BeforeDestruction();
}

void TCustomForm::Free() {
  BeforeDestruction();
  delete this;
}

void TCustomForm::DoCreate() {
  if (OnCreate)
    OnCreate(this);
}

Types::TSize TCustomForm::FrameSize() const {
  switch (FBorderStyle) {
  case TFormBorderStyle::bsNone:
    return {0, 0};
  case TFormBorderStyle::bsSingle:
  case TFormBorderStyle::bsDialog:
    return {6, 25};
  case TFormBorderStyle::bsSizeable:
    return {8, 27};
  case TFormBorderStyle::bsToolWindow:
    return {6, 22};
  case TFormBorderStyle::bsSizeToolWin:
    return {8, 24};
  }
  return {0, 0};
}

Types::TRect TCustomForm::ClientRect() const {
  const Types::TSize F = FrameSize();
  return Types::Rect(0, 0, std::max(0, GetWidth() - F.cx), std::max(0, GetHeight() - F.cy));
}

void TCustomForm::SetBorderStyle(TFormBorderStyle Value) {
  if (FBorderStyle == Value)
    return;
  const Types::TRect Old = ClientRect();
  FBorderStyle = Value;
  ClientResized(Old.Width(), Old.Height());
}

void TCustomForm::BoundsChanged() {
  TWinControl::BoundsChanged();
  if (OnResize && EventsAllowed() && FShowing)
    OnResize(this);
}

void TCustomForm::SetActiveControl(TWinControl* Value) {
  if (FActiveControl == Value)
    return;
  if (Value && (Value == this || Controls::GetParentForm(Value) != this))
    throw SysUtils::EInvalidOperation(
        Format("%s cannot be the active control of %s: it is not on the form", Value->GetName(),
               GetName()));
  if (!FShowing || IsLoading()) {
    FActiveControl = Value;
    return;
  }
  if (Value && !Value->CanFocus())
    throw SysUtils::EInvalidOperation("Cannot focus a disabled or invisible window");
  FocusControl(Value);
}

bool TCustomForm::FocusControl(TWinControl* Control) {
  if (!FShowing) {
    FActiveControl = Control;
    return true;
  }
  if (Control == FActiveControl && Control == FFocused)
    return true;
  const int Count = ++FFocusCount;
  FActiveControl = Control;
  try {
    while (FFocused && !FFocused->ContainsControl(Control)) {
      TWinControl* C = FFocused;
      C->DoExit();
      if (FFocusCount != Count)
        return FActiveControl == Control;
      FFocused = C->GetParent() == this ? nullptr : C->GetParent();
    }
    while (Control && FFocused != Control) {
      // The child of the entered control (or of the form) on the way down.
      TWinControl* Next = Control;
      const TWinControl* Top = FFocused ? FFocused : this;
      while (Next->GetParent() && Next->GetParent() != Top)
        Next = Next->GetParent();
      FFocused = Next;
      Next->DoEnter();
      if (FFocusCount != Count)
        return FActiveControl == Control;
    }
  } catch (...) {
    if (FFocusCount == Count)
      FActiveControl = FFocused;
    throw;
  }
  return true;
}

void TCustomForm::DefocusControl(TWinControl* Control, bool Removing) {
  if (!Control)
    return;
  const bool HasFocus = FActiveControl && Control->ContainsControl(FActiveControl);
  if (Removing || !FShowing || IsDestroying() || IsLoading()) {
    if (FFocused && Control->ContainsControl(FFocused))
      FFocused = Control->GetParent() == this ? nullptr : Control->GetParent();
    if (HasFocus)
      FActiveControl = FFocused;
    return;
  }
  if (HasFocus || (FFocused && Control->ContainsControl(FFocused)))
    FocusControl(nullptr);
}

bool TCustomForm::DialogKey(uint16_t Key, Classes::TShiftState Shift) {
  for (TWinControl* C : GetTabOrderList())
    if (C->DialogKey(Key, Shift))
      return true;
  return false;
}

void TCustomForm::Notification(TComponent* AComponent, Classes::TOperation Operation) {
  TWinControl::Notification(AComponent, Operation);
  if (Operation != Classes::TOperation::opRemove)
    return;
  if (AComponent == FActiveControl)
    FActiveControl = nullptr;
  if (AComponent == FFocused)
    FFocused = nullptr;
  // The published field that holds a component the form lets go of no
  // longer points at it.
  if (AComponent->Owner() == this && !AComponent->GetName().empty())
    if (const TypInfo::TFieldEntry* Field = ClassType()->FindField(AComponent->GetName());
        Field && Field->Get(this) == AComponent)
      Field->Set(this, nullptr);
}

void TCustomForm::PlaceOnScreen() {
  TScreen* S = GetScreen();
  const TCustomForm* Center = nullptr;
  switch (FPosition) {
  case TPosition::poMainFormCenter:
    Center = GetApplication()->GetMainForm();
    break;
  case TPosition::poOwnerFormCenter:
    Center = dynamic_cast<const TCustomForm*>(Owner());
    break;
  case TPosition::poScreenCenter:
  case TPosition::poDesktopCenter:
    break;
  default:
    return;
  }
  if (Center && Center != this && Center->FShowing) {
    SetBounds(Center->GetLeft() + (Center->GetWidth() - GetWidth()) / 2,
              Center->GetTop() + (Center->GetHeight() - GetHeight()) / 2, GetWidth(), GetHeight());
    return;
  }
  SetBounds((S->GetWidth() - GetWidth()) / 2, (S->GetHeight() - GetHeight()) / 2, GetWidth(),
            GetHeight());
}

void TCustomForm::Show() {
  SetVisible(true);
}

void TCustomForm::Hide() {
  SetVisible(false);
}

void TCustomForm::VisibleChanged() {
  if (IsLoading() || IsDestroying())
    return;
  if (GetVisible()) {
    if (FShowing)
      return;
    PlaceOnScreen();
    DoShow();
    FShowing = true;
    GetScreen()->FormShown(this);
    if (!FModal)
      UIService::UI()->FormShown(this);
    if (OnActivate && EventsAllowed())
      OnActivate(this);
    // The remembered control gets the focus, else the first in tab order.
    TWinControl* Target = FActiveControl;
    if (!Target || !Target->CanFocus())
      Target = FindNextControl(nullptr, true, true, false);
    FActiveControl = nullptr;
    FFocused = nullptr;
    if (Target)
      FocusControl(Target);
    return;
  }
  if (!FShowing)
    return;
  // The focused control keeps its place for the next show, when it is
  // entered again; leaving a form is no exit from the control.
  FShowing = false;
  FFocused = nullptr;
  GetScreen()->FormHidden(this);
  if (!FModal)
    UIService::UI()->FormHidden(this);
  DoHide();
}

void TCustomForm::HideQuietly() {
  if (!FShowing)
    return;
  FShowing = false;
  FFocused = nullptr;
  InitVisible(false);
  GetScreen()->FormHidden(this);
  if (!FModal)
    UIService::UI()->FormHidden(this);
}

void TCustomForm::DoShow() {
  if (OnShow && EventsAllowed())
    OnShow(this);
}

void TCustomForm::DoHide() {
  if (OnHide && EventsAllowed())
    OnHide(this);
}

void TCustomForm::DoClose(TCloseAction& Action) {
  if (OnClose && EventsAllowed())
    OnClose(this, Action);
}

bool TCustomForm::CloseQuery() {
  bool CanClose = true;
  if (OnCloseQuery && EventsAllowed())
    OnCloseQuery(this, CanClose);
  return CanClose;
}

void TCustomForm::Close() {
  if (FModal) {
    FModalResult = Controls::mrCancel;
    return;
  }
  if (!CloseQuery())
    return;
  TCloseAction Action = TCloseAction::caHide;
  DoClose(Action);
  switch (Action) {
  case TCloseAction::caHide:
    Hide();
    break;
  case TCloseAction::caFree:
    Release();
    break;
  case TCloseAction::caMinimize:
    FWindowState = TWindowState::wsMinimized;
    break;
  case TCloseAction::caNone:
    break;
  }
}

void TCustomForm::Release() {
  auto& Released = GetApplication()->FReleased;
  if (std::find(Released.begin(), Released.end(), this) == Released.end())
    Released.push_back(this);
}

bool TCustomForm::CloseModalIfRequested() {
  if (FModalResult == Controls::mrNone)
    return false;
  try {
    TCloseAction Action = TCloseAction::caNone;
    if (CloseQuery()) {
      Action = TCloseAction::caHide;
      DoClose(Action);
    }
    if (Action == TCloseAction::caNone)
      FModalResult = Controls::mrNone;
    else if (Action == TCloseAction::caFree)
      Release();
  } catch (...) {
    FModalResult = Controls::mrNone;
    throw;
  }
  return FModalResult != Controls::mrNone;
}

int TCustomForm::ShowModal() {
  if (GetVisible() || FModal)
    throw SysUtils::EInvalidOperation("Cannot make a visible window modal");
  FModalResult = Controls::mrNone;
  FModal = true;
  try {
    Show();
    UIService::UI()->RunModal(this);
    // A service that gives up without a result leaves as the close button
    // would.
    if (FModalResult == Controls::mrNone)
      FModalResult = Controls::mrCancel;
  } catch (...) {
    HideQuietly();
    FModal = false;
    throw;
  }
  try {
    Hide();
  } catch (...) {
    HideQuietly();
    FModal = false;
    throw;
  }
  FModal = false;
  return FModalResult;
}

void TCustomForm::GetChildren(const Classes::TGetChildProc& Proc, TComponent* Root) {
  TWinControl::GetChildren(Proc, Root);
  if (Root != this)
    return;
  for (int I = 0; I < ComponentCount(); ++I) {
    TComponent* C = Components(I);
    if (!C->HasParent())
      Proc(C);
  }
}

void TCustomForm::DefineProperties(Classes::TFiler* Filer) {
  TWinControl::DefineProperties(Filer);
  using DfmText::TDfmValue;
  using DfmText::TValueKind;
  Filer->DefineProperty(
      "TextHeight",
      [this](const TDfmValue& V) {
        if (V.Kind != TValueKind::vaInteger)
          throw Classes::EReadError("Invalid property value: TextHeight must be an integer");
        FTextHeight = static_cast<int>(V.Int);
      },
      [this] {
        TDfmValue V;
        V.Kind = TValueKind::vaInteger;
        V.Int = FTextHeight;
        return V;
      },
      true);
}

} // namespace Forms
