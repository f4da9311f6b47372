#include "vcl/ExtCtrls.hpp"

#include "vcl/Controls/Publish.hpp"

namespace ExtCtrls {

namespace P = Controls::Publish;
using SysUtils::Format;

OV_CLASS_IMPL(TCustomPanel, Controls::TCustomControl, "ExtCtrls")

OV_CLASS_BEGIN(TPanel, TCustomPanel, "ExtCtrls")
P::Align(B);
B.Property("Alignment", &TCustomPanel::GetAlignment, &TCustomPanel::SetAlignment)
    .Default(static_cast<int64_t>(TAlignment::taCenter));
P::Anchors(B);
B.Property("BevelInner", &TCustomPanel::GetBevelInner, &TCustomPanel::SetBevelInner)
    .Default(static_cast<int64_t>(TBevelCut::bvNone));
B.Property("BevelOuter", &TCustomPanel::GetBevelOuter, &TCustomPanel::SetBevelOuter)
    .Default(static_cast<int64_t>(TBevelCut::bvRaised));
B.Property("BevelWidth", &TCustomPanel::GetBevelWidth, &TCustomPanel::SetBevelWidth).Default(1);
B.Property("BorderWidth", &TCustomPanel::GetBorderWidth, &TCustomPanel::SetBorderWidth).Default(0);
B.Property("BorderStyle", &TCustomPanel::GetBorderStyle, &TCustomPanel::SetBorderStyle)
    .Default(static_cast<int64_t>(Forms::TBorderStyle::bsNone));
P::Caption(B);
P::Color(B);
P::Ctl3D(B);
P::Cursor(B);
P::DragCursor(B);
P::DragMode(B);
P::Enabled(B);
P::Font(B);
B.Property("FullRepaint", &TCustomPanel::GetFullRepaint, &TCustomPanel::SetFullRepaint).Default(1);
P::HelpContext(B);
P::Hint(B);
P::Parents(B, true);
P::PopupMenuToVisible(B, false);
P::OnClick(B);
P::OnDblClick(B);
P::OnEnterExit(B);
P::OnMouse(B);
OV_CLASS_END

TCustomPanel::TCustomPanel(TComponent* AOwner) : TCustomControl(AOwner) {
  SetBounds(0, 0, 185, 41);
  SetColor(Graphics::clBtnFace);
  SetParentColor(true);
}

void TCustomPanel::SetBevelInner(TBevelCut Value) {
  FBevelInner = Value;
  Realign();
}

void TCustomPanel::SetBevelOuter(TBevelCut Value) {
  FBevelOuter = Value;
  Realign();
}

void TCustomPanel::SetBevelWidth(int Value) {
  FBevelWidth = Value < 1 ? 1 : Value;
  Realign();
}

void TCustomPanel::SetBorderWidth(int Value) {
  FBorderWidth = Value < 0 ? 0 : Value;
  Realign();
}

void TCustomPanel::SetBorderStyle(Forms::TBorderStyle Value) {
  FBorderStyle = Value;
  Realign();
}

Types::TRect TCustomPanel::AdjustClientRect() const {
  Types::TRect R = ClientRect();
  int Inset = FBorderWidth;
  if (FBevelOuter != TBevelCut::bvNone)
    Inset += FBevelWidth;
  if (FBevelInner != TBevelCut::bvNone)
    Inset += FBevelWidth;
  // A single border is a sunken client edge of two pixels.
  if (FBorderStyle == Forms::TBorderStyle::bsSingle)
    Inset += 2;
  R.Left += Inset;
  R.Top += Inset;
  R.Right -= Inset;
  R.Bottom -= Inset;
  return R;
}

OV_CLASS_BEGIN(TBevel, Controls::TGraphicControl, "ExtCtrls")
P::Align(B);
P::Anchors(B);
P::ParentShowHint(B);
B.Property("Shape", &TBevel::GetShape, &TBevel::SetShape).Default(0);
P::ShowHint(B);
B.Property("Style", &TBevel::GetStyle, &TBevel::SetStyle).Default(0);
P::Visible(B);
OV_CLASS_END

TBevel::TBevel(TComponent* AOwner) : TGraphicControl(AOwner) {
  SetBounds(0, 0, 50, 50);
  // A bevel draws only its lines: it has no colour of its own to fill with.
  SetParentColor(true);
}

OV_CLASS_BEGIN(TImage, Controls::TGraphicControl, "ExtCtrls")
P::Align(B);
P::Anchors(B);
B.Property("AutoSize", &TImage::GetAutoSize, &TImage::SetAutoSize).Default(0);
B.Property("Center", &TImage::GetCenter, &TImage::SetCenter).Default(0);
P::Cursor(B);
P::DragCursor(B);
P::DragMode(B);
P::Enabled(B);
P::Hint(B);
P::ParentShowHint(B);
B.Property("Picture", &TImage::GetPicture, &TImage::SetPicture);
P::PopupMenu(B);
P::ShowHint(B);
B.Property("Stretch", &TImage::GetStretch, &TImage::SetStretch).Default(0);
B.Property("Transparent", &TImage::GetTransparent, &TImage::SetTransparent).Default(0);
P::Visible(B);
P::OnClick(B);
P::OnDblClick(B);
P::OnMouse(B);
OV_CLASS_END

TImage::TImage(TComponent* AOwner)
    : TGraphicControl(AOwner), FPicture(std::make_unique<Graphics::TPicture>()) {
  SetBounds(0, 0, 105, 105);
  FPicture->OnChange = [this](TObject*) { PictureChanged(); };
}

TImage::~TImage() {
  FPicture->OnChange = nullptr;
}

void TImage::SetAutoSize(bool Value) {
  FAutoSize = Value;
  PictureChanged();
}

void TImage::PictureChanged() {
  if (!FAutoSize || IsLoading() || FPicture->GetWidth() <= 0 || FPicture->GetHeight() <= 0)
    return;
  SetBounds(GetLeft(), GetTop(), FPicture->GetWidth(), FPicture->GetHeight());
}

void TImage::Loaded() {
  TGraphicControl::Loaded();
  PictureChanged();
}

OV_CLASS_IMPL(TCustomRadioGroup, StdCtrls::TCustomGroupBox, "ExtCtrls")

OV_CLASS_BEGIN(TRadioGroup, TCustomRadioGroup, "ExtCtrls")
P::Align(B);
P::Anchors(B);
P::Caption(B);
P::Color(B);
B.Property("Columns", &TCustomRadioGroup::GetColumns, &TCustomRadioGroup::SetColumns).Default(1);
P::Ctl3D(B);
P::DragCursorToHint(B);
B.Property("ItemIndex", &TCustomRadioGroup::GetItemIndex, &TCustomRadioGroup::SetItemIndex)
    .Default(-1);
B.Property("Items", &TCustomRadioGroup::GetItems, &TCustomRadioGroup::SetItems);
P::Parents(B, true);
// The chosen button takes the focus when the group is tabbed to (TabStop).
P::PopupMenuToVisible(B, true);
P::OnClick(B);
P::OnEnterExit(B);
OV_CLASS_END

TCustomRadioGroup::TCustomRadioGroup(TComponent* AOwner)
    : TCustomGroupBox(AOwner), FItems(std::make_unique<Classes::TStringList>()) {
  SetTabStop(true);
  FItems->OnChange = [this](TObject*) { ItemsChanged(); };
}

TCustomRadioGroup::~TCustomRadioGroup() {
  FItems->OnChange = nullptr;
}

void TCustomRadioGroup::ItemsChanged() {
  if (FItemIndex >= FItems->Count())
    FItemIndex = -1;
}

void TCustomRadioGroup::SetItemIndex(int Value) {
  if (IsLoading()) {
    FItemIndexRequested = Value;
    return;
  }
  if (Value < -1 || Value >= FItems->Count())
    throw Classes::EListError(Format("List index out of bounds (%d)", Value));
  if (FItemIndex == Value)
    return;
  FItemIndex = Value;
  Click();
}

void TCustomRadioGroup::SetColumns(int Value) {
  FColumns = Value < 1 ? 1 : (Value > 16 ? 16 : Value);
}

void TCustomRadioGroup::Loaded() {
  TCustomGroupBox::Loaded();
  const int Requested = FItemIndexRequested;
  FItemIndexRequested = -1;
  FItemIndex = Requested >= 0 && Requested < FItems->Count() ? Requested : -1;
}

} // namespace ExtCtrls
