// The action language that the scripted and the terminal user interfaces
// read: one action per line, applied to the forms and message boxes in the
// order they appear. See the README's "User interface scripts" for the
// syntax; in short:
//
//   form NAME                      the next modal form (component or class name)
//   set CONTROL TEXT               type a text into an edit, memo or combo box
//   click CONTROL [left|right|middle]
//   dblclick CONTROL [ITEM]
//   choose CONTROL ITEM            radio group, combo box or list box item
//   select LIST ITEM...            exactly these items selected
//   deselect LIST ITEM...
//   popup CONTROL ITEM             context menu item (name or caption)
//   page SHEET
//   focus CONTROL
//   key alt|shift|ctrl down|up
//   press enter|escape|tab|shift+tab|space
//   close                          the window's close button
//   answer BUTTON [TEXT]           the next message box
//   file PATH | file cancel        the next file dialog
//   url ok|fail [TEXT]             the next document or link opened
//   module NAME                    the next text module opened in the code editor;
//                                  the lines after it act on its text until save or leave
//   text TEXT                      replaces the module's text
//   save                           saves the module and leaves the editor
//   leave                          leaves the editor without saving
//   expect CONTROL PROPERTY VALUE
//   dump
//   # comment
//
// ITEM is an index when it is a number, else an item's text; quote a text
// that looks like a number or holds blanks ("1", "Order Date"). TEXT and
// VALUE are the rest of the line, or one quoted string; both know the
// escapes \n, \t, \" and \\.
#pragma once

#include "vcl/Dialogs.hpp"
#include "vcl/Forms.hpp"

#include <functional>
#include <optional>
#include <ostream>
#include <string>
#include <string_view>
#include <vector>

namespace UIActions {

// A line that is no action, or an action that cannot be applied to the form
// as it is ("form X has no control btFoo", "btOk is disabled"). The message
// names no line; the user interface adds where the action came from.
OV_EXCEPTION(EUIActionError, SysUtils::Exception)

enum class TActionKind {
  akForm,
  akSet,
  akClick,
  akDblClick,
  akChoose,
  akSelect,
  akDeselect,
  akPopup,
  akPage,
  akFocus,
  akKey,
  akPress,
  akClose,
  akAnswer,
  akFile,
  akUrl,
  akExpect,
  akDump,
  akModule,
  akText,
  akSave,
  akLeave
};

// One argument: a word or a quoted string.
struct TArg {
  std::string Text;
  bool Quoted = false;
};

struct TUIAction {
  TActionKind Kind = TActionKind::akDump;
  std::string Text;       // the action as written, for messages
  std::string Target;     // the control, form, sheet, key or button named first
  std::vector<TArg> Args; // what follows (see ParseAction)
};

// Parses one line; nullopt for a blank or comment line. EUIActionError for
// an unknown verb or missing or surplus arguments.
std::optional<TUIAction> ParseAction(std::string_view Line);
// The verbs of the language ("form", "set", "click", ...).
std::vector<std::string> VerbNames();

// What applying a form action may need from the user interface.
struct TActionContext {
  // key alt|shift|ctrl down|up
  std::function<void(int VirtualKey, bool Down)> SetKey;
  // where dump writes
  std::ostream* Out = nullptr;
};

// Applies a form action (anything but form, answer, file and url) to Form as
// a person would. EUIActionError when it cannot be applied or an expectation
// fails; exceptions raised by the form's event handlers pass through.
void ApplyAction(Forms::TCustomForm* Form, const TUIAction& Action, const TActionContext& Context);

// The button an answer names: "Yes", "no", "OK", "mbCancel", "NoToAll"...
std::optional<Dialogs::TMsgDlgBtn> ButtonByName(std::string_view Name);
// "Yes, No, Cancel"
std::string ButtonList(Dialogs::TMsgDlgButtons Buttons);

// A property of a control as text, as expect compares it: published
// properties (dotted paths into sub-objects; identifiers for colours and
// cursors; component names; string lists as comma text), and Text, Items,
// Selected, ItemIndex, Lines, Checked, Focused, Showing, ActivePage,
// ModalResult, HorizontalExtent, SelCount, Count, PopupComponent.
std::string PropertyText(Classes::TComponent* Component, std::string_view Property);

// The form as a person sees it: caption, then each control with its kind,
// caption, value and state, nested as the controls are, pages that are not
// shown folded; then the form's context menus.
std::string DescribeForm(const Forms::TCustomForm* Form);

// Text with each CR LF and each CR alone made a LF (the line breaks a
// terminal shows; a CR printed as it stands returns the cursor).
std::string WithLineFeeds(std::string_view Text);

// A text in double quotes with line breaks, tabs, quotes and backslashes
// escaped, as the action language reads it back.
std::string Quote(std::string_view Text);

} // namespace UIActions
