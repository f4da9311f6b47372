#include "vcl/Menus.hpp"

#include "vcl/Controls.hpp"

#include <algorithm>

namespace Menus {

using SysUtils::Format;

OV_CLASS_BEGIN(TMenuItem, TComponent, "Menus")
B.Property("AutoCheck", &TMenuItem::GetAutoCheck, &TMenuItem::SetAutoCheck).Default(0);
B.Property("Caption", &TMenuItem::GetCaption, &TMenuItem::SetCaption);
B.Property("Checked", &TMenuItem::GetChecked, &TMenuItem::SetChecked).Default(0);
B.Property("Default", &TMenuItem::GetDefault, &TMenuItem::SetDefault).Default(0);
B.Property("Enabled", &TMenuItem::GetEnabled, &TMenuItem::SetEnabled).Default(1);
B.Property("GroupIndex", &TMenuItem::GetGroupIndex, &TMenuItem::SetGroupIndex).Default(0);
B.Property("Hint", &TMenuItem::GetHint, &TMenuItem::SetHint);
B.Property("RadioItem", &TMenuItem::GetRadioItem, &TMenuItem::SetRadioItem).Default(0);
B.Property("ShortCut", &TMenuItem::GetShortCut, &TMenuItem::SetShortCut).Default(0);
B.Property("Visible", &TMenuItem::GetVisible, &TMenuItem::SetVisible).Default(1);
B.Event("OnClick", &TMenuItem::OnClick);
OV_CLASS_END

TMenuItem::TMenuItem(TComponent* AOwner) : TComponent(AOwner) {}

TMenuItem::~TMenuItem() {
  OnClick = nullptr;
  Clear();
  if (FParent)
    FParent->Remove(this);
}

TMenuItem* TMenuItem::Items(int Index) const {
  if (Index < 0 || Index >= Count())
    throw Classes::EListError(Format("Menu index out of range (%d)", Index));
  return FItems[static_cast<size_t>(Index)];
}

int TMenuItem::IndexOf(const TMenuItem* Item) const {
  const auto It = std::find(FItems.begin(), FItems.end(), Item);
  return It == FItems.end() ? -1 : static_cast<int>(It - FItems.begin());
}

void TMenuItem::Add(TMenuItem* Item) {
  Insert(Count(), Item);
}

void TMenuItem::Insert(int Index, TMenuItem* Item) {
  if (!Item)
    return;
  if (Item->FParent)
    throw SysUtils::EInvalidOperation("Menu inserted twice");
  for (const TMenuItem* P = this; P; P = P->FParent)
    if (P == Item)
      throw SysUtils::EInvalidOperation("A menu item cannot contain itself");
  if (Index < 0 || Index > Count())
    throw Classes::EListError(Format("Menu index out of range (%d)", Index));
  FItems.insert(FItems.begin() + Index, Item);
  Item->FParent = this;
}

void TMenuItem::Remove(TMenuItem* Item) {
  const int I = IndexOf(Item);
  if (I < 0)
    return;
  FItems.erase(FItems.begin() + I);
  Item->FParent = nullptr;
}

void TMenuItem::Delete(int Index) {
  delete Items(Index);
}

void TMenuItem::Clear() {
  while (!FItems.empty())
    delete FItems.back();
}

TMenu* TMenuItem::GetParentMenu() const {
  const TMenuItem* P = this;
  while (P->FParent)
    P = P->FParent;
  return P->FMenu;
}

TMenuItem* TMenuItem::Find(std::string_view NameOrCaption) const {
  for (TMenuItem* Item : FItems) {
    if (SysUtils::SameText(Item->GetName(), NameOrCaption) ||
        SysUtils::SameText(Item->FCaption, NameOrCaption) ||
        SysUtils::SameText(Controls::StripHotkey(Item->FCaption), NameOrCaption))
      return Item;
    if (TMenuItem* Sub = Item->Find(NameOrCaption))
      return Sub;
  }
  return nullptr;
}

void TMenuItem::Click() {
  if (!FEnabled)
    return;
  if (FAutoCheck)
    FChecked = !FChecked;
  if (OnClick && !IsDestroying())
    OnClick(this);
}

TComponent* TMenuItem::GetParentComponent() const {
  if (FParent && FParent->FMenu)
    return FParent->FMenu;
  return FParent;
}

void TMenuItem::SetParentComponent(TComponent* Value) {
  if (FParent)
    FParent->Remove(this);
  if (!Value)
    return;
  if (auto* Menu = dynamic_cast<TMenu*>(Value))
    Menu->GetItems()->Add(this);
  else if (auto* Item = dynamic_cast<TMenuItem*>(Value))
    Item->Add(this);
  else
    throw SysUtils::EInvalidOperation(Format("Menu item %s cannot be placed in %s (a %s)",
                                             GetName(), Value->GetName(), Value->ClassName()));
}

void TMenuItem::GetChildren(const Classes::TGetChildProc& Proc, TComponent* Root) {
  for (TMenuItem* Item : FItems)
    if (Item->Owner() == Root)
      Proc(Item);
}

OV_CLASS_IMPL(TMenu, TComponent, "Menus")

TMenu::TMenu(TComponent* AOwner) : TComponent(AOwner), FItems(new TMenuItem(this)) {
  FItems->FMenu = this;
}

TMenu::~TMenu() {
  delete FItems;
}

void TMenu::GetChildren(const Classes::TGetChildProc& Proc, TComponent* Root) {
  FItems->GetChildren(Proc, Root);
}

OV_CLASS_BEGIN(TPopupMenu, TMenu, "Menus")
B.Property("Alignment", &TPopupMenu::GetAlignment, &TPopupMenu::SetAlignment).Default(0);
B.Property("AutoPopup", &TPopupMenu::GetAutoPopup, &TPopupMenu::SetAutoPopup).Default(1);
B.Event("OnPopup", &TPopupMenu::OnPopup);
OV_CLASS_END

TPopupMenu::TPopupMenu(TComponent* AOwner) : TMenu(AOwner) {}

void TPopupMenu::SetPopupComponent(TComponent* Value) {
  if (FPopupComponent == Value)
    return;
  if (FPopupComponent)
    FPopupComponent->RemoveFreeNotification(this);
  FPopupComponent = Value;
  if (Value)
    Value->FreeNotification(this);
}

void TPopupMenu::PopupFor(TComponent* Component) {
  SetPopupComponent(Component);
  if (OnPopup)
    OnPopup(this);
}

void TPopupMenu::Notification(TComponent* AComponent, Classes::TOperation Operation) {
  TMenu::Notification(AComponent, Operation);
  if (Operation == Classes::TOperation::opRemove && AComponent == FPopupComponent)
    FPopupComponent = nullptr;
}

} // namespace Menus
