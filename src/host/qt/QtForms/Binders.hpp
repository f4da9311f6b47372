// Control binders: how each family of the model's controls becomes a Qt
// widget and is kept in step with it. A TFormView does for every control
// what all controls have (font, colours, cursor, hint, enabled state,
// geometry, visibility) and leaves the rest to the control's binder: making
// the widget, connecting its signals to the model's user input, and syncing
// what is particular to the family (texts, items, states).
//
// Binders are registered by the model's class and found for the most
// derived registered class a control inherits from, so a TMemo finds the
// memo binder before the edit binder whatever the order of registration. A
// control whose class has no binder raises EBinderError naming the class:
// it never shows as an empty widget.
//
// Adding a control class: a binder file in QtForms/Binders/ (Create,
// Connect, Sync), its Make...Binder declaration below, and one line in
// RegisterBinders (Binders.cpp).
#pragma once

#include "host/qt/QtForms.hpp"
#include "rtl/SysUtils.hpp"

#include <QPointer>
#include <QWidget>

#include <memory>

class QLineEdit;

namespace QtForms {

OV_EXCEPTION(EBinderError, SysUtils::Exception)

class TBinder;

// What a binder keeps of its own per widget (the radio buttons of a group,
// the pages behind the tabs); binders derive from it.
struct TBinderData {
  virtual ~TBinderData() = default;
};

// A control bound to its widget in a view, with what was applied last so
// that a sync only touches what changed.
struct TBinding {
  Controls::TControl* Control = nullptr;
  QWidget* Widget = nullptr;
  const TBinder* Binder = nullptr;
  bool Seen = false;
  std::unique_ptr<Graphics::TFont> Font;
  Graphics::TColor Color = Graphics::clNone;
  Graphics::TColor FontColor = Graphics::clNone;
  int Cursor = 0;
  Types::TRect Bounds{-1, -1, -1, -1};
  std::unique_ptr<TBinderData> Data;

  // The binder's data, made on first use.
  template <class T> T& DataAs() {
    if (!Data)
      Data = std::make_unique<T>();
    return static_cast<T&>(*Data);
  }
};

class TBinder {
public:
  virtual ~TBinder() = default;
  // The control's widget, a child of Parent.
  virtual QWidget* Create(TBinding& B, QWidget* Parent) const = 0;
  // Connects the widget's signals to the model's user input (View.Act).
  virtual void Connect(TFormView& View, TBinding& B) const;
  // Brings what is particular to the family up to date. Policy is the focus
  // policy the control's tab stop asks for; by default the widget takes no
  // focus.
  virtual void Sync(TFormView& View, TBinding& B, Qt::FocusPolicy Policy) const;
  // Runs after every control of the form is synced (a label's buddy may
  // come after it).
  virtual void SyncLate(TFormView& View, TBinding& B) const;
  // A form: a window whose geometry and title the binder sets itself.
  virtual bool IsWindow() const { return false; }
  // Whether the widget turns a person's clicks into the model's input
  // itself (signals); a click on the others is the control's OnClick.
  virtual bool HandlesOwnClicks() const { return false; }
  // The colour a control of the family has when nobody chose one: left to
  // the style, so that the window looks like the desktop's.
  virtual Graphics::TColor DefaultColor() const { return Graphics::clBtnFace; }
  // Whether a colour of its own fills the widget's background.
  virtual bool FillsBackground(const Controls::TControl* Control) const { return true; }
  // The widget that takes the focus for the control.
  virtual QWidget* FocusTarget(TBinding& B) const { return B.Widget; }
};

// Registers Binder for ControlClass and its descendants (replacing one
// registered for that class before).
void RegisterBinder(System::TClass ControlClass, std::unique_ptr<TBinder> Binder);
// Removes the binder of ControlClass (a test's class).
void UnregisterBinder(System::TClass ControlClass);
// The binder of the most derived registered class Control inherits from;
// EBinderError naming the control's class when there is none.
const TBinder& FindBinder(const Controls::TControl* Control);

// The families, each made in its file under QtForms/Binders/.
std::unique_ptr<TBinder> MakeFormBinder();
std::unique_ptr<TBinder> MakePlainBinder(); // a page, shown by its controls
std::unique_ptr<TBinder> MakeLabelBinder();
std::unique_ptr<TBinder> MakeEditBinder();
std::unique_ptr<TBinder> MakeMemoBinder();
std::unique_ptr<TBinder> MakeButtonBinder();
std::unique_ptr<TBinder> MakeCheckBoxBinder();
std::unique_ptr<TBinder> MakeComboBoxBinder();
std::unique_ptr<TBinder> MakeListBoxBinder();
std::unique_ptr<TBinder> MakeGroupBoxBinder();
std::unique_ptr<TBinder> MakeRadioGroupBinder();
std::unique_ptr<TBinder> MakePanelBinder();
std::unique_ptr<TBinder> MakeBevelBinder();
std::unique_ptr<TBinder> MakeImageBinder();
std::unique_ptr<TBinder> MakePageControlBinder();

// Qt's alignment of a model's alignment.
Qt::Alignment ToQAlignment(Classes::TAlignment Alignment);
// Sets the text of a line edit without moving the caret of a person typing
// when only the case or the length changed.
void SetLineText(QLineEdit* Edit, const QString& Text);
inline QString Q(const std::string& S) {
  return QString::fromStdString(S);
}

} // namespace QtForms
