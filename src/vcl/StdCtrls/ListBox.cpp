// List boxes.
#include "vcl/Controls/Publish.hpp"
#include "vcl/StdCtrls.hpp"

namespace StdCtrls {

namespace P = Controls::Publish;
using SysUtils::Format;

OV_CLASS_IMPL(TCustomListBox, TWinControl, "StdCtrls")

OV_CLASS_BEGIN(TListBox, TCustomListBox, "StdCtrls")
P::Align(B);
P::Anchors(B);
B.Property("BorderStyle", &TCustomListBox::GetBorderStyle, &TCustomListBox::SetBorderStyle)
    .Default(static_cast<int64_t>(Forms::TBorderStyle::bsSingle));
P::Color(B, Graphics::clWindow);
B.Property("Columns", &TCustomListBox::GetColumns, &TCustomListBox::SetColumns).Default(0);
P::Ctl3D(B);
P::Cursor(B);
P::DragCursor(B);
P::DragMode(B);
P::Enabled(B);
B.Property("ExtendedSelect", &TCustomListBox::GetExtendedSelect, &TCustomListBox::SetExtendedSelect)
    .Default(1);
P::Font(B);
P::HelpContext(B);
P::Hint(B);
B.Property("IntegralHeight", &TCustomListBox::GetIntegralHeight, &TCustomListBox::SetIntegralHeight)
    .Default(0);
B.Property("ItemHeight", &TCustomListBox::GetItemHeight, &TCustomListBox::SetItemHeight)
    .Default(16);
B.Property("Items", &TCustomListBox::GetItems, &TCustomListBox::SetItems);
B.Property("MultiSelect", &TCustomListBox::GetMultiSelect, &TCustomListBox::SetMultiSelect)
    .Default(0);
P::Parents(B, false);
P::PopupMenu(B);
P::ShowHint(B);
B.Property("Sorted", &TCustomListBox::GetSorted, &TCustomListBox::SetSorted).Default(0);
B.Property("Style", &TCustomListBox::GetStyle, &TCustomListBox::SetStyle).Default(0);
P::TabOrder(B);
P::TabStop(B, true);
P::Visible(B);
P::OnClick(B);
P::OnDblClick(B);
P::OnFocusEvents(B);
OV_CLASS_END

TCustomListBox::TCustomListBox(TComponent* AOwner)
    : TWinControl(AOwner), FItems(std::make_unique<TControlItems>()),
      FCanvas(std::make_unique<Controls::TControlCanvas>(this)) {
  SetBounds(0, 0, 121, 97);
  SetTabStop(true);
  FItems->OnInserted = [this](int Index) { ItemInserted(Index); };
  FItems->OnDeleted = [this](int Index) { ItemDeleted(Index); };
  FItems->OnCleared = [this] { FItemIndex = -1; };
}

TCustomListBox::~TCustomListBox() {
  FItems->OnInserted = nullptr;
  FItems->OnDeleted = nullptr;
  FItems->OnCleared = nullptr;
}

void TCustomListBox::FontChanged() {
  TWinControl::FontChanged();
  FCanvas->GetFont()->Assign(GetFont());
}

void TCustomListBox::SetItemIndex(int Value) {
  if (Value < -1 || Value >= FItems->Count())
    throw Classes::EListError(Format("List index out of bounds (%d)", Value));
  FItemIndex = Value;
  if (FMultiSelect)
    return;
  for (int I = 0; I < FItems->Count(); ++I)
    FItems->SetSelected(I, I == Value);
}

void TCustomListBox::SetMultiSelect(bool Value) {
  if (FMultiSelect == Value)
    return;
  FMultiSelect = Value;
  // A single-selection list keeps only its chosen item selected.
  if (!Value && FItemIndex >= 0 && !FItems->GetSelected(FItemIndex))
    FItemIndex = -1;
  if (!Value)
    for (int I = 0; I < FItems->Count(); ++I)
      FItems->SetSelected(I, I == FItemIndex);
}

bool TCustomListBox::GetSelected(int Index) const {
  return FItems->GetSelected(Index);
}

void TCustomListBox::SetSelected(int Index, bool Value) {
  if (FMultiSelect) {
    FItems->SetSelected(Index, Value);
    return;
  }
  FItems->GetSelected(Index); // checks the index
  if (Value)
    SetItemIndex(Index);
  else if (FItemIndex == Index)
    SetItemIndex(-1);
}

int TCustomListBox::SelCount() const {
  return FMultiSelect ? FItems->SelectedCount() : -1;
}

void TCustomListBox::ClearSelection() {
  if (!FMultiSelect) {
    SetItemIndex(-1);
    return;
  }
  for (int I = 0; I < FItems->Count(); ++I)
    FItems->SetSelected(I, false);
}

void TCustomListBox::SelectAll() {
  if (!FMultiSelect)
    return;
  for (int I = 0; I < FItems->Count(); ++I)
    FItems->SetSelected(I, true);
}

void TCustomListBox::ItemInserted(int Index) {
  if (FItemIndex >= Index)
    ++FItemIndex;
}

void TCustomListBox::ItemDeleted(int Index) {
  if (FItemIndex == Index)
    FItemIndex = -1;
  else if (FItemIndex > Index)
    --FItemIndex;
}

void TCustomListBox::WndProc(Controls::TMessage& Message) {
  switch (Message.Msg) {
  case Windows::LB_SETHORIZONTALEXTENT:
    FHorizontalExtent = Message.WParam < 0 ? 0 : static_cast<int>(Message.WParam);
    Message.Result = 0;
    return;
  case Windows::LB_GETHORIZONTALEXTENT:
    Message.Result = FHorizontalExtent;
    return;
  case Windows::LB_GETCOUNT:
    Message.Result = FItems->Count();
    return;
  case Windows::LB_GETSELCOUNT:
    Message.Result = SelCount();
    return;
  case Windows::LB_GETCURSEL:
    Message.Result = FItemIndex;
    return;
  case Windows::LB_GETSEL:
    Message.Result = Message.WParam >= 0 && Message.WParam < FItems->Count()
                         ? FItems->GetSelected(static_cast<int>(Message.WParam))
                         : -1;
    return;
  default:
    TWinControl::WndProc(Message);
  }
}

} // namespace StdCtrls
