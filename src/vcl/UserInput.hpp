// What a person does to a shown form, applied to the model as the platform
// applies it: every user interface (scripted, terminal, window system) turns
// its input into these calls, so the order of focus changes, events and
// modal results is the same under all of them.
//
// Each function first checks that a person could do it (the control is
// showing and enabled, of a kind that takes the action, the item exists) and
// raises EUserInputError, changing nothing, when not. Exceptions raised by
// the form's event handlers pass through unchanged.
#pragma once

#include "vcl/ComCtrls.hpp"
#include "vcl/Forms.hpp"
#include "vcl/Menus.hpp"
#include "vcl/StdCtrls.hpp"

#include <string>
#include <vector>

namespace UserInput {

OV_EXCEPTION(EUserInputError, SysUtils::EInvalidOperation)

using Classes::TShiftState;
using Controls::TControl;
using Controls::TMouseButton;
using Controls::TWinControl;

// The entry of Table for the most derived class of Class that it lists (the
// class itself, else its parent, and so on), or null. Each entry has a
// `System::TClass (*Class)()`. The user interfaces dispatch on a control's
// class this way: a new control class is a line in a table, and the order of
// the lines does not matter.
template <class TEntry, size_t N>
const TEntry* FindByClass(System::TClass Class, const TEntry (&Table)[N]) {
  for (; Class; Class = Class->Parent)
    for (const TEntry& E : Table)
      if (E.Class() == Class)
        return &E;
  return nullptr;
}

// Why a person cannot act on the control ("btOk is disabled", "meSQLText is
// on page tsSQL, which is not shown"), or "" when they can.
std::string WhyUnreachable(const TControl* Control);

// A click: the focus moves to a control that takes it (OnExit of the
// control losing it first, then OnEnter), then the mouse button goes down
// and up; a left click then acts (a button clicks, a check box toggles).
// When an OnExit or OnEnter handler sends the focus elsewhere, the click
// does not happen.
void Click(TControl* Control, TMouseButton Button = TMouseButton::mbLeft);
// A double click: a click, then OnDblClick.
void DblClick(TControl* Control);
// Typing a new text into an edit, memo or combo box (after selecting what
// was there): the focus moves there, then the text changes once.
void TypeText(TWinControl* Control, const std::string& Text);
// The items a person chooses from: the component's published Items when
// they are strings (list boxes, combo boxes, radio groups), else null.
Classes::TStrings* ItemsOf(const Classes::TComponent* Component);
// Choosing item Index of a radio group, combo box or list box (in a list
// box with multiple selection, that item alone is then selected).
void ChooseItem(TControl* Control, int Index);
// Selecting exactly the items Indexes of a list box (a click and control-
// clicks); Deselect takes the items out of the selection.
void SelectItems(StdCtrls::TCustomListBox* ListBox, const std::vector<int>& Indexes);
void DeselectItems(StdCtrls::TCustomListBox* ListBox, const std::vector<int>& Indexes);
// Opening the context menu on Control (its own menu or its parent's) and
// choosing Item: PopupComponent is Control before the item's OnClick.
void Popup(TControl* Control, Menus::TMenuItem* Item);
// Choosing a menu item of a menu that is not a context menu.
void ClickMenuItem(Menus::TMenuItem* Item);
// Clicking the tab of Sheet: the focus moves to the page control, then the
// page changes (OnChanging, OnChange).
void ShowPage(ComCtrls::TTabSheet* Sheet);
void Focus(TWinControl* Control);
// A key pressed while the form has the focus: the form sees it first with
// KeyPreview, then the focused control; what neither takes is a dialog key
// (Enter: the focused or default button, Escape: the cancel button, Tab:
// the next control).
void PressKey(Forms::TCustomForm* Form, uint16_t Key, TShiftState Shift = {});
// The window's close button.
void CloseWindow(Forms::TCustomForm* Form);

} // namespace UserInput
