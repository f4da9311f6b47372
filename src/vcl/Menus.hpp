// Menus: popup (context) menus and their items. An item is a component owned
// by the form; its parent is the menu's root item or another item.
#pragma once

#include "rtl/Classes.hpp"

#include <memory>
#include <string>
#include <vector>

namespace Menus {

using Classes::TComponent;
using Classes::TNotifyEvent;

class TMenu;

class TMenuItem : public TComponent {
  OV_CLASS(TMenuItem, TComponent)
public:
  explicit TMenuItem(TComponent* AOwner);
  // Frees the sub-items, whoever owns them.
  ~TMenuItem() override;

  const std::string& GetCaption() const { return FCaption; }
  void SetCaption(const std::string& Value) { FCaption = Value; }
  bool GetChecked() const { return FChecked; }
  void SetChecked(bool Value) { FChecked = Value; }
  bool GetAutoCheck() const { return FAutoCheck; }
  void SetAutoCheck(bool Value) { FAutoCheck = Value; }
  bool GetDefault() const { return FDefault; }
  void SetDefault(bool Value) { FDefault = Value; }
  bool GetEnabled() const { return FEnabled; }
  void SetEnabled(bool Value) { FEnabled = Value; }
  bool GetVisible() const { return FVisible; }
  void SetVisible(bool Value) { FVisible = Value; }
  int GetGroupIndex() const { return FGroupIndex; }
  void SetGroupIndex(int Value) { FGroupIndex = Value; }
  bool GetRadioItem() const { return FRadioItem; }
  void SetRadioItem(bool Value) { FRadioItem = Value; }
  int GetShortCut() const { return FShortCut; }
  void SetShortCut(int Value) { FShortCut = Value; }
  const std::string& GetHint() const { return FHint; }
  void SetHint(const std::string& Value) { FHint = Value; }
  // A separator: the caption "-".
  bool IsLine() const { return FCaption == "-"; }

  int Count() const { return static_cast<int>(FItems.size()); }
  TMenuItem* Items(int Index) const;
  int IndexOf(const TMenuItem* Item) const;
  void Add(TMenuItem* Item);
  void Insert(int Index, TMenuItem* Item);
  void Remove(TMenuItem* Item);
  void Delete(int Index); // frees the item
  void Clear();           // frees every item
  TMenuItem* GetParent() const { return FParent; }
  // The menu whose tree holds the item, or null.
  TMenu* GetParentMenu() const;
  // The item of this one or below with that name or caption (accelerator
  // marks and case disregarded), or null.
  TMenuItem* Find(std::string_view NameOrCaption) const;

  // Toggles an auto-check item and fires OnClick.
  virtual void Click();

  bool HasParent() const override { return true; }
  TComponent* GetParentComponent() const override;
  void SetParentComponent(TComponent* Value) override;
  void GetChildren(const Classes::TGetChildProc& Proc, TComponent* Root) override;

  TNotifyEvent OnClick;

private:
  friend class TMenu;
  std::string FCaption;
  bool FChecked = false;
  bool FAutoCheck = false;
  bool FDefault = false;
  bool FEnabled = true;
  bool FVisible = true;
  int FGroupIndex = 0;
  bool FRadioItem = false;
  int FShortCut = 0;
  std::string FHint;
  TMenuItem* FParent = nullptr;
  TMenu* FMenu = nullptr; // set on a menu's root item
  std::vector<TMenuItem*> FItems;
};

class TMenu : public TComponent {
  OV_CLASS(TMenu, TComponent)
public:
  explicit TMenu(TComponent* AOwner);
  ~TMenu() override;
  // The root item; the menu's entries are its sub-items.
  TMenuItem* GetItems() const { return FItems; }
  void GetChildren(const Classes::TGetChildProc& Proc, TComponent* Root) override;

private:
  TMenuItem* FItems;
};

enum class TPopupAlignment { paLeft, paRight, paCenter };
OV_ENUM(TPopupAlignment, "paLeft", "paRight", "paCenter")

class TPopupMenu : public TMenu {
  OV_CLASS(TPopupMenu, TMenu)
public:
  explicit TPopupMenu(TComponent* AOwner);

  // The control on which the menu was opened last, or null (cleared when
  // that component is freed).
  TComponent* GetPopupComponent() const { return FPopupComponent; }
  void SetPopupComponent(TComponent* Value);
  bool GetAutoPopup() const { return FAutoPopup; }
  void SetAutoPopup(bool Value) { FAutoPopup = Value; }
  TPopupAlignment GetAlignment() const { return FAlignment; }
  void SetAlignment(TPopupAlignment Value) { FAlignment = Value; }

  // Opening the menu on Component: sets PopupComponent and fires OnPopup.
  // The person's choice of an item follows as that item's Click.
  void PopupFor(TComponent* Component);

  TNotifyEvent OnPopup;

protected:
  void Notification(TComponent* AComponent, Classes::TOperation Operation) override;

private:
  TComponent* FPopupComponent = nullptr;
  bool FAutoPopup = true;
  TPopupAlignment FAlignment = TPopupAlignment::paLeft;
};

} // namespace Menus
