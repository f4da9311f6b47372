// Combo boxes.
#include "vcl/Controls/Publish.hpp"
#include "vcl/StdCtrls.hpp"

namespace StdCtrls {

namespace P = Controls::Publish;
using SysUtils::Format;

OV_CLASS_IMPL(TCustomComboBox, TWinControl, "StdCtrls")

OV_CLASS_BEGIN(TComboBox, TCustomComboBox, "StdCtrls")
// The style comes first: it decides what the text and items may be.
B.Property("Style", &TCustomComboBox::GetStyle, &TCustomComboBox::SetStyle).Default(0);
P::Anchors(B);
B.Property("CharCase", &TCustomComboBox::GetCharCase, &TCustomComboBox::SetCharCase).Default(0);
P::Color(B, Graphics::clWindow);
P::Ctl3D(B);
P::Cursor(B);
P::DragCursor(B);
P::DragMode(B);
B.Property("DropDownCount", &TCustomComboBox::GetDropDownCount, &TCustomComboBox::SetDropDownCount)
    .Default(8);
P::Enabled(B);
P::Font(B);
P::HelpContext(B);
P::Hint(B);
B.Property("ItemHeight", &TCustomComboBox::GetItemHeight, &TCustomComboBox::SetItemHeight);
B.Property("ItemIndex", &TCustomComboBox::GetItemIndex, &TCustomComboBox::SetItemIndex).Default(-1);
B.Property("Items", &TCustomComboBox::GetItems, &TCustomComboBox::SetItems);
B.Property("MaxLength", &TCustomComboBox::GetMaxLength, &TCustomComboBox::SetMaxLength).Default(0);
P::Parents(B, false);
P::PopupMenu(B);
P::ShowHint(B);
B.Property("Sorted", &TCustomComboBox::GetSorted, &TCustomComboBox::SetSorted).Default(0);
P::TabOrder(B);
P::TabStop(B, true);
P::Text(B);
P::Visible(B);
B.Event<TNotifyEvent>("OnChange", &TCustomComboBox::OnChange);
P::OnClick(B);
B.Event<TNotifyEvent>("OnCloseUp", &TCustomComboBox::OnCloseUp);
P::OnDblClick(B);
B.Event<TNotifyEvent>("OnDropDown", &TCustomComboBox::OnDropDown);
P::OnEnterExit(B);
P::OnKeys(B);
B.Event<TNotifyEvent>("OnSelect", &TCustomComboBox::OnSelect);
OV_CLASS_END

TCustomComboBox::TCustomComboBox(TComponent* AOwner)
    : TWinControl(AOwner), FItems(std::make_unique<TControlItems>()) {
  SetBounds(0, 0, 145, 21);
  SetTabStop(true);
  FItemHeight = 13;
  FItems->OnInserted = [this](int Index) { ItemInserted(Index); };
  FItems->OnDeleted = [this](int Index) { ItemDeleted(Index); };
  FItems->OnCleared = [this] { ItemsCleared(); };
}

TCustomComboBox::~TCustomComboBox() {
  OnChange = nullptr;
  FItems->OnInserted = nullptr;
  FItems->OnDeleted = nullptr;
  FItems->OnCleared = nullptr;
}

void TCustomComboBox::SetStyle(TComboBoxStyle Value) {
  if (FStyle == Value)
    return;
  FStyle = Value;
  // A drop-down list shows only the chosen item's text.
  if (Value == TComboBoxStyle::csDropDownList && !IsLoading() && FItemIndex < 0)
    TWinControl::SetText("");
}

void TCustomComboBox::SetItemIndex(int Value) {
  if (IsLoading()) {
    FItemIndexRequested = Value;
    return;
  }
  if (Value < -1 || Value >= FItems->Count())
    throw Classes::EListError(Format("List index out of bounds (%d)", Value));
  FItemIndex = Value;
  FSyncing = true;
  TWinControl::SetText(Value >= 0 ? FItems->Get(Value) : std::string());
  FSyncing = false;
}

void TCustomComboBox::SetText(const std::string& Value) {
  if (FStyle == TComboBoxStyle::csDropDownList && !IsLoading()) {
    if (Value.empty()) {
      SetItemIndex(-1);
      return;
    }
    const int I = FItems->IndexOf(Value);
    if (I >= 0)
      SetItemIndex(I);
    return;
  }
  TWinControl::SetText(Value);
}

void TCustomComboBox::TextChanged() {
  const bool FromIndex = FSyncing;
  FSyncing = false;
  if (!FromIndex && !IsLoading()) {
    // The choice follows a typed or set text: the item of exactly that text.
    FItemIndex = -1;
    for (int I = 0; I < FItems->Count(); ++I)
      if (FItems->Get(I) == GetText()) {
        FItemIndex = I;
        break;
      }
  }
  Change();
}

void TCustomComboBox::Change() {
  if (OnChange && EventsAllowed())
    OnChange(this);
}

void TCustomComboBox::SetSorted(bool Value) {
  if (Value == FItems->GetSorted())
    return;
  const std::string Chosen = FItemIndex >= 0 ? FItems->Get(FItemIndex) : std::string();
  const bool HadChoice = FItemIndex >= 0;
  FItems->SetSorted(Value);
  if (HadChoice)
    FItemIndex = FItems->IndexOf(Chosen);
}

std::string TCustomComboBox::TypedText(const std::string& Text) const {
  return StdCtrls::TypedText(Text, FCharCase, FMaxLength);
}

void TCustomComboBox::Clear() {
  SetItemIndex(-1);
  TWinControl::SetText("");
  FItems->Clear();
}

void TCustomComboBox::ItemInserted(int Index) {
  if (FItemIndex >= Index)
    ++FItemIndex;
}

void TCustomComboBox::ItemDeleted(int Index) {
  if (FItemIndex == Index)
    FItemIndex = -1;
  else if (FItemIndex > Index)
    --FItemIndex;
}

// The list empties; the text stays, as the platform's combo boxes keep it.
void TCustomComboBox::ItemsCleared() {
  FItemIndex = -1;
}

void TCustomComboBox::Loaded() {
  TWinControl::Loaded();
  const int Requested = FItemIndexRequested;
  FItemIndexRequested = -1;
  if (Requested >= 0 && Requested < FItems->Count()) {
    FItemIndex = Requested;
    FSyncing = true;
    TWinControl::SetText(FItems->Get(Requested));
    FSyncing = false;
    return;
  }
  FItemIndex = -1;
  for (int I = 0; I < FItems->Count(); ++I)
    if (FItems->Get(I) == GetText()) {
      FItemIndex = I;
      break;
    }
}

} // namespace StdCtrls
