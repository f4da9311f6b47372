#include "vcl/UserInput.hpp"

#include "vcl/ExtCtrls.hpp"

#include <algorithm>

namespace UserInput {

using SysUtils::Format;

OV_CLASS_IMPL(EUserInputError, SysUtils::EInvalidOperation, "UserInput")

namespace {

std::string NameOf(const Classes::TComponent* C) {
  return C->GetName().empty() ? C->ClassName() : C->GetName();
}

void Require(const TControl* Control) {
  const std::string Why = WhyUnreachable(Control);
  if (!Why.empty())
    throw EUserInputError(Why);
}

// Moves the focus as a click or a keystroke does; false when a handler sent
// it elsewhere (or the control cannot have it after all).
bool MoveFocus(TWinControl* Control) {
  Forms::TCustomForm* Form = Controls::GetParentForm(Control);
  if (!Form || !Control->CanFocus())
    return false;
  Form->FocusControl(Control);
  return Form->FocusedControl() == Control && WhyUnreachable(Control).empty();
}

void CheckItemIndex(const TControl* Control, int Index, int Count) {
  if (Index < 0 || Index >= Count)
    throw EUserInputError(Format("%s has no item %d (it has %d)", NameOf(Control), Index, Count));
}

// Typing into a control, by class: whether it takes typed text now
// (raising when not, before the focus moves), and the text typing makes.
struct TTyper {
  System::TClass (*Class)();
  void (*Check)(TWinControl* Control);
  std::string (*Typed)(TWinControl* Control, const std::string& Text);
};

const TTyper Typers[] = {
    {&StdCtrls::TCustomEdit::StaticClass,
     [](TWinControl* Control) {
       if (static_cast<StdCtrls::TCustomEdit*>(Control)->GetReadOnly())
         throw EUserInputError(Format("%s is read-only", NameOf(Control)));
     },
     [](TWinControl* Control, const std::string& Text) {
       return static_cast<StdCtrls::TCustomEdit*>(Control)->TypedText(Text);
     }},
    {&StdCtrls::TCustomComboBox::StaticClass,
     [](TWinControl* Control) {
       if (static_cast<StdCtrls::TCustomComboBox*>(Control)->GetStyle() ==
           StdCtrls::TComboBoxStyle::csDropDownList)
         throw EUserInputError(
             Format("%s is a drop-down list: choose one of its items instead", NameOf(Control)));
     },
     [](TWinControl* Control, const std::string& Text) {
       return static_cast<StdCtrls::TCustomComboBox*>(Control)->TypedText(Text);
     }},
};

// Choosing item Index (checked already) of a control, by class.
struct TChooser {
  System::TClass (*Class)();
  void (*Choose)(TControl* Control, int Index);
};

void ChooseRadioButton(TControl* Control, int Index) {
  auto* Group = static_cast<ExtCtrls::TCustomRadioGroup*>(Control);
  if (!MoveFocus(Group))
    return;
  // Clicking the chosen button again still clicks.
  if (Group->GetItemIndex() == Index)
    Group->Click();
  else
    Group->SetItemIndex(Index);
}

void ChooseComboBoxItem(TControl* Control, int Index) {
  auto* Combo = static_cast<StdCtrls::TCustomComboBox*>(Control);
  if (!MoveFocus(Combo))
    return;
  Combo->SetItemIndex(Index);
  Combo->Click();
  if (Combo->OnSelect)
    Combo->OnSelect(Combo);
}

void ChooseListBoxItem(TControl* Control, int Index) {
  auto* List = static_cast<StdCtrls::TCustomListBox*>(Control);
  if (!MoveFocus(List))
    return;
  if (List->GetMultiSelect())
    for (int I = 0; I < List->GetItems()->Count(); ++I)
      List->SetSelected(I, I == Index);
  List->SetItemIndex(Index);
  List->Click();
}

const TChooser Choosers[] = {
    {&ExtCtrls::TCustomRadioGroup::StaticClass, ChooseRadioButton},
    {&StdCtrls::TCustomComboBox::StaticClass, ChooseComboBoxItem},
    {&StdCtrls::TCustomListBox::StaticClass, ChooseListBoxItem},
};

} // namespace

std::string WhyUnreachable(const TControl* Control) {
  if (!Control)
    return "there is no such control";
  for (const TControl* C = Control; C; C = C->GetParent()) {
    if (C->GetVisible())
      continue;
    if (auto* Sheet = dynamic_cast<const ComCtrls::TTabSheet*>(C); Sheet && Sheet->GetPageControl())
      return C == Control
                 ? Format("page %s is not shown", NameOf(Control))
                 : Format("%s is on page %s, which is not shown", NameOf(Control), NameOf(C));
    if (dynamic_cast<const Forms::TCustomForm*>(C))
      return Format("form %s is not shown", NameOf(C));
    return C == Control
               ? Format("%s is not visible", NameOf(Control))
               : Format("%s is inside %s, which is not visible", NameOf(Control), NameOf(C));
  }
  if (!Control->Showing())
    return Format("%s is not on a form that is shown", NameOf(Control));
  for (const TControl* C = Control; C; C = C->GetParent())
    if (!C->GetEnabled())
      return C == Control
                 ? Format("%s is disabled", NameOf(Control))
                 : Format("%s is inside %s, which is disabled", NameOf(Control), NameOf(C));
  return {};
}

void Click(TControl* Control, TMouseButton Button) {
  Require(Control);
  // A left click gives the focus to a control that takes it; the other
  // buttons leave the focus where it is.
  if (auto* W = dynamic_cast<TWinControl*>(Control);
      W && W->TakesFocusOnClick() && Button == TMouseButton::mbLeft && !MoveFocus(W))
    return;
  const int X = Control->GetWidth() / 2;
  const int Y = Control->GetHeight() / 2;
  Control->MouseDown(Button, {}, X, Y);
  if (Button == TMouseButton::mbLeft && WhyUnreachable(Control).empty()) {
    if (auto* Check = dynamic_cast<StdCtrls::TCustomCheckBox*>(Control))
      Check->Toggle();
    else
      Control->Click();
  }
  Control->MouseUp(Button, {}, X, Y);
}

void DblClick(TControl* Control) {
  Click(Control);
  if (WhyUnreachable(Control).empty())
    Control->DblClick();
}

void TypeText(TWinControl* Control, const std::string& Text) {
  Require(Control);
  const TTyper* Typer = FindByClass(Control->ClassType(), Typers);
  if (!Typer)
    throw EUserInputError(
        Format("%s (a %s) takes no typed text", NameOf(Control), Control->ClassName()));
  Typer->Check(Control);
  if (!MoveFocus(Control))
    return;
  Control->SetText(Typer->Typed(Control, Text));
}

Classes::TStrings* ItemsOf(const Classes::TComponent* Component) {
  const TypInfo::TPropInfo* Items = TypInfo::GetPropInfo(Component, "Items");
  if (!Items || Items->PropType->Kind != TypInfo::TTypeKind::tkClass)
    return nullptr;
  return dynamic_cast<Classes::TStrings*>(TypInfo::GetObjectProp(Component, Items));
}

void ChooseItem(TControl* Control, int Index) {
  Require(Control);
  const auto NoItems = [&] {
    return EUserInputError(
        Format("%s (a %s) has no items to choose from", NameOf(Control), Control->ClassName()));
  };
  Classes::TStrings* Items = ItemsOf(Control);
  if (!Items)
    throw NoItems();
  CheckItemIndex(Control, Index, Items->Count());
  const TChooser* Chooser = FindByClass(Control->ClassType(), Choosers);
  if (!Chooser)
    throw NoItems();
  Chooser->Choose(Control, Index);
}

void SelectItems(StdCtrls::TCustomListBox* ListBox, const std::vector<int>& Indexes) {
  Require(ListBox);
  if (Indexes.empty())
    throw EUserInputError(Format("no items of %s to select", NameOf(ListBox)));
  if (!ListBox->GetMultiSelect() && Indexes.size() > 1)
    throw EUserInputError(Format("%s allows only one selected item", NameOf(ListBox)));
  for (int I : Indexes)
    CheckItemIndex(ListBox, I, ListBox->GetItems()->Count());
  if (!MoveFocus(ListBox))
    return;
  if (ListBox->GetMultiSelect()) {
    for (int I = 0; I < ListBox->GetItems()->Count(); ++I)
      ListBox->SetSelected(I, std::find(Indexes.begin(), Indexes.end(), I) != Indexes.end());
    ListBox->SetItemIndex(Indexes.back());
  } else {
    ListBox->SetItemIndex(Indexes.front());
  }
  ListBox->Click();
}

void DeselectItems(StdCtrls::TCustomListBox* ListBox, const std::vector<int>& Indexes) {
  Require(ListBox);
  for (int I : Indexes)
    CheckItemIndex(ListBox, I, ListBox->GetItems()->Count());
  if (!MoveFocus(ListBox))
    return;
  for (int I : Indexes)
    ListBox->SetSelected(I, false);
  ListBox->Click();
}

namespace {

void RequireMenuItem(const Menus::TMenuItem* Item) {
  for (const Menus::TMenuItem* I = Item; I && I->GetParent(); I = I->GetParent()) {
    if (!I->GetVisible())
      throw EUserInputError(Format("menu item %s is hidden", NameOf(I)));
    if (!I->GetEnabled())
      throw EUserInputError(Format("menu item %s is disabled", NameOf(I)));
  }
  if (Item->IsLine())
    throw EUserInputError(Format("menu item %s is a separator", NameOf(Item)));
  if (Item->Count() > 0)
    throw EUserInputError(
        Format("menu item %s opens a submenu: choose one of its items", NameOf(Item)));
}

} // namespace

void Popup(TControl* Control, Menus::TMenuItem* Item) {
  Require(Control);
  Menus::TPopupMenu* Menu = Control->FindPopupMenu();
  if (!Menu || !Menu->GetAutoPopup())
    throw EUserInputError(Format("%s has no context menu", NameOf(Control)));
  if (!Item || Item->GetParentMenu() != Menu)
    throw EUserInputError(Format("the context menu %s of %s has no item %s", NameOf(Menu),
                                 NameOf(Control), Item ? NameOf(Item) : std::string("(none)")));
  Menu->PopupFor(Control);
  // OnPopup may have disabled or hidden the item.
  RequireMenuItem(Item);
  Item->Click();
}

void ClickMenuItem(Menus::TMenuItem* Item) {
  RequireMenuItem(Item);
  Item->Click();
}

void ShowPage(ComCtrls::TTabSheet* Sheet) {
  ComCtrls::TPageControl* Pages = Sheet->GetPageControl();
  if (!Pages)
    throw EUserInputError(Format("page %s is in no page control", NameOf(Sheet)));
  Require(Pages);
  if (!Sheet->GetTabVisible())
    throw EUserInputError(Format("page %s has no tab", NameOf(Sheet)));
  if (!MoveFocus(Pages))
    return;
  Pages->SelectPage(Sheet);
}

void Focus(TWinControl* Control) {
  Require(Control);
  if (!Control->CanFocus())
    throw EUserInputError(Format("%s cannot have the focus", NameOf(Control)));
  MoveFocus(Control);
}

void PressKey(Forms::TCustomForm* Form, uint16_t Key, TShiftState Shift) {
  Require(Form);
  uint16_t K = Key;
  if (Form->GetKeyPreview()) {
    Form->KeyDown(K, Shift);
    if (K == 0)
      return;
  }
  TWinControl* Focused = Form->FocusedControl();
  if (Focused) {
    Focused->KeyDown(K, Shift);
    if (K == 0 || Focused->HandleKey(K, Shift))
      return;
  }
  if (K == Windows::VK_TAB) {
    Form->SelectNext(Focused, !Shift.Contains(Classes::TShiftStateItem::ssShift), true);
    return;
  }
  if (K == Windows::VK_RETURN || K == Windows::VK_ESCAPE)
    Form->DialogKey(K, Shift);
}

void CloseWindow(Forms::TCustomForm* Form) {
  Require(Form);
  if (Form->GetBorderStyle() == Forms::TFormBorderStyle::bsNone ||
      !Form->GetBorderIcons().Contains(Forms::TBorderIcon::biSystemMenu))
    throw EUserInputError(Format("form %s has no close button", NameOf(Form)));
  Form->Close();
}

} // namespace UserInput
