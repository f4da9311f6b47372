// TControl: bounds, text, states, font and colour inheritance, events.
#include "vcl/Controls.hpp"
#include "vcl/Controls/Publish.hpp"
#include "vcl/Forms.hpp"
#include "vcl/Menus.hpp"

namespace Controls {

using SysUtils::Format;

OV_CLASS_BEGIN(TControl, TComponent, "Controls")
B.Property("Left", &TControl::GetLeft, &TControl::SetLeft);
B.Property("Top", &TControl::GetTop, &TControl::SetTop);
B.Property("Width", &TControl::GetWidth, &TControl::SetWidth);
B.Property("Height", &TControl::GetHeight, &TControl::SetHeight);
OV_CLASS_END

namespace {

// Restores a flag when the scope ends, also on an exception.
class TFlagScope {
public:
  explicit TFlagScope(bool& Flag) : FFlag(Flag), FOld(Flag) { FFlag = true; }
  ~TFlagScope() { FFlag = FOld; }
  TFlagScope(const TFlagScope&) = delete;
  TFlagScope& operator=(const TFlagScope&) = delete;

private:
  bool& FFlag;
  bool FOld;
};

} // namespace

TControl::TControl(TComponent* AOwner) : TComponent(AOwner), FFont(std::make_unique<TFont>()) {
  FFont->OnChange = [this](TObject* Sender) { DoFontChange(Sender); };
}

TControl::~TControl() {
  OnClick = nullptr;
  OnDblClick = nullptr;
  OnMouseDown = nullptr;
  OnMouseUp = nullptr;
  FFont->OnChange = nullptr;
  if (FParent)
    FParent->RemoveControl(this);
}

void TControl::SetBounds(int ALeft, int ATop, int AWidth, int AHeight) {
  if (AWidth < 0)
    AWidth = 0;
  if (AHeight < 0)
    AHeight = 0;
  if (ALeft == FLeft && ATop == FTop && AWidth == FWidth && AHeight == FHeight)
    return;
  FLeft = ALeft;
  FTop = ATop;
  FWidth = AWidth;
  FHeight = AHeight;
  BoundsChanged();
  RequestAlign();
}

void TControl::SetClientWidth(int Value) {
  SetWidth(Value + (FWidth - GetClientWidth()));
}

void TControl::SetClientHeight(int Value) {
  SetHeight(Value + (FHeight - GetClientHeight()));
}

void TControl::SetAlign(TAlign Value) {
  if (FAlign == Value)
    return;
  FAlign = Value;
  if (FParent)
    FParent->AlignControls();
}

void TControl::RequestAlign() {
  if (FParent && FAlign != TAlign::alNone)
    FParent->AlignControls();
}

void TControl::SetParent(TWinControl* Value) {
  if (FParent == Value)
    return;
  if (Value) {
    if (Value == this)
      throw SysUtils::EInvalidOperation(
          Format("A control cannot have itself as its parent (%s)", GetName()));
    if (auto* W = dynamic_cast<TWinControl*>(this); W && W->ContainsControl(Value))
      throw SysUtils::EInvalidOperation(Format(
          "Control %s cannot be placed inside its own child %s", GetName(), Value->GetName()));
  }
  if (FParent)
    FParent->RemoveControl(this);
  if (Value)
    Value->InsertControl(this);
}

TComponent* TControl::GetParentComponent() const {
  return FParent;
}

void TControl::SetParentComponent(TComponent* Value) {
  if (!Value) {
    SetParent(nullptr);
    return;
  }
  auto* W = dynamic_cast<TWinControl*>(Value);
  if (!W)
    throw SysUtils::EInvalidOperation(Format("Control %s cannot be placed in %s (a %s)", GetName(),
                                             Value->GetName(), Value->ClassName()));
  SetParent(W);
}

void TControl::SetName(const std::string& NewName) {
  const bool Follow = CaptionFollowsName() && !IsLoading() && FText == GetName() &&
                      !(Owner() && Owner()->IsLoading());
  TComponent::SetName(NewName);
  if (Follow)
    SetText(NewName);
}

void TControl::Loaded() {
  TComponent::Loaded();
}

void TControl::SetText(const std::string& Value) {
  if (FText == Value)
    return;
  FText = Value;
  TextChanged();
}

void TControl::SetEnabled(bool Value) {
  if (FEnabled == Value)
    return;
  FEnabled = Value;
  EnabledChanged();
  if (!Value)
    if (auto* W = dynamic_cast<TWinControl*>(this))
      if (auto* F = ParentForm(); F && F != W)
        F->DefocusControl(W, false);
}

void TControl::SetVisible(bool Value) {
  if (FVisible == Value)
    return;
  FVisible = Value;
  VisibleChanged();
}

void TControl::VisibleChanged() {
  RequestAlign();
  if (!FVisible)
    if (auto* W = dynamic_cast<TWinControl*>(this))
      if (auto* F = ParentForm(); F && F != W)
        F->DefocusControl(W, false);
}

bool TControl::Showing() const {
  if (!FVisible)
    return false;
  if (FParent)
    return FParent->Showing();
  return InheritsFrom(Forms::TCustomForm::StaticClass());
}

bool TControl::IsEnabledInParents() const {
  for (const TControl* C = this; C; C = C->FParent)
    if (!C->FEnabled)
      return false;
  return true;
}

void TControl::DoFontChange(TObject*) {
  if (!FUpdatingFromParent)
    FParentFont = false;
  FontChanged();
}

void TControl::FontChanged() {}

void TControl::SetParentFont(bool Value) {
  if (FParentFont == Value)
    return;
  FParentFont = Value;
  if (Value)
    ParentFontChanged();
}

void TControl::ParentFontChanged() {
  if (!FParentFont || !FParent)
    return;
  TFlagScope Scope(FUpdatingFromParent);
  FFont->Assign(FParent->GetFont());
}

void TControl::SetColor(TColor Value) {
  if (!FUpdatingFromParent)
    FParentColor = false;
  if (FColor == Value)
    return;
  FColor = Value;
  if (auto* W = dynamic_cast<TWinControl*>(this))
    for (int I = 0; I < W->ControlCount(); ++I)
      W->Controls(I)->ParentColorChanged();
}

void TControl::SetParentColor(bool Value) {
  if (FParentColor == Value)
    return;
  FParentColor = Value;
  if (Value)
    ParentColorChanged();
}

void TControl::ParentColorChanged() {
  if (!FParentColor || !FParent)
    return;
  TFlagScope Scope(FUpdatingFromParent);
  SetColor(FParent->GetColor());
}

void TControl::SetShowHint(bool Value) {
  FShowHint = Value;
  FParentShowHint = false;
}

void TControl::SetParentShowHint(bool Value) {
  FParentShowHint = Value;
}

bool TControl::GetShowHint() const {
  if (FParentShowHint && FParent)
    return FParent->GetShowHint();
  return FShowHint;
}

void TControl::SetPopupMenu(Menus::TPopupMenu* Value) {
  if (FPopupMenu == Value)
    return;
  if (FPopupMenu)
    FPopupMenu->RemoveFreeNotification(this);
  FPopupMenu = Value;
  if (Value)
    Value->FreeNotification(this);
}

Menus::TPopupMenu* TControl::FindPopupMenu() const {
  for (const TControl* C = this; C; C = C->FParent)
    if (C->FPopupMenu)
      return C->FPopupMenu;
  return nullptr;
}

void TControl::Notification(TComponent* AComponent, Classes::TOperation Operation) {
  TComponent::Notification(AComponent, Operation);
  if (Operation == Classes::TOperation::opRemove && AComponent == FPopupMenu)
    FPopupMenu = nullptr;
}

void TControl::Click() {
  if (OnClick && EventsAllowed())
    OnClick(this);
}

void TControl::DblClick() {
  if (OnDblClick && EventsAllowed())
    OnDblClick(this);
}

void TControl::MouseDown(TMouseButton Button, TShiftState Shift, int X, int Y) {
  if (OnMouseDown && EventsAllowed())
    OnMouseDown(this, Button, Shift, X, Y);
}

void TControl::MouseUp(TMouseButton Button, TShiftState Shift, int X, int Y) {
  if (OnMouseUp && EventsAllowed())
    OnMouseUp(this, Button, Shift, X, Y);
}

int64_t TControl::Perform(uint32_t Msg, int64_t WParam, int64_t LParam) {
  TMessage M{Msg, WParam, LParam, 0};
  WndProc(M);
  return M.Result;
}

void TControl::WndProc(TMessage&) {}

Forms::TCustomForm* TControl::ParentForm() const {
  return GetParentForm(this);
}

Forms::TCustomForm* GetParentForm(const TControl* Control) {
  if (!Control)
    return nullptr;
  const TControl* C = Control;
  while (C->GetParent())
    C = C->GetParent();
  // Asked of every control a click or a keystroke reaches: the class chain
  // answers it cheaper than a dynamic_cast.
  if (!C->InheritsFrom(Forms::TCustomForm::StaticClass()))
    return nullptr;
  return static_cast<Forms::TCustomForm*>(const_cast<TControl*>(C));
}

OV_CLASS_IMPL(TControlCanvas, Graphics::TCanvas, "Controls")

TControlCanvas::TControlCanvas(TControl* AControl) : FControl(AControl) {
  GetFont()->Assign(AControl->GetFont());
}

OV_CLASS_IMPL(TGraphicControl, TControl, "Controls")

TGraphicControl::TGraphicControl(TComponent* AOwner)
    : TControl(AOwner), FCanvas(std::make_unique<TControlCanvas>(this)) {}

TGraphicControl::~TGraphicControl() = default;

void TGraphicControl::FontChanged() {
  TControl::FontChanged();
  FCanvas->GetFont()->Assign(GetFont());
}

OV_CLASS_IMPL(TCustomControl, TWinControl, "Controls")

TCustomControl::TCustomControl(TComponent* AOwner)
    : TWinControl(AOwner), FCanvas(std::make_unique<TControlCanvas>(this)) {}

TCustomControl::~TCustomControl() = default;

void TCustomControl::FontChanged() {
  TWinControl::FontChanged();
  FCanvas->GetFont()->Assign(GetFont());
}

} // namespace Controls
