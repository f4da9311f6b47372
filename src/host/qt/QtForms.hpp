// QtForms: the forms model shown as Qt widgets, and the user interface service
// that a person at a window system answers.
//
// A TFormView turns one form of the model into a window with a widget per
// control and keeps both in step: what the person does to a widget becomes
// the model's user input (UserInput.hpp), so focus changes, events and modal
// results follow the model's rules; after each such action the widgets are
// brought up to date with the model (Sync), so that a handler that changes a
// caption, the items of a list or the enabled state shows at once. Handlers'
// exceptions go to Forms::Application->HandleException, as the platform's
// message loop does, and never through Qt's event loop.
//
// TQtUI is the UIService implementation: modal runs of forms, message boxes,
// the file-open dialog, the state of the modifier keys, opening links, text
// measured with real font metrics, the screen cursor, and text modules handed
// to whoever edits them (the designer window's code editor).
#pragma once

#include "vcl/Forms.hpp"
#include "vcl/UIService.hpp"

#include <QColor>
#include <QFont>
#include <QImage>
#include <QObject>
#include <QPalette>
#include <QPointer>
#include <QWidget>

#include <functional>
#include <map>
#include <memory>
#include <unordered_map>
#include <vector>

class QEventLoop;
class QKeyEvent;
class QPoint;

namespace QtForms {

// Fonts. Stored layouts name the platform's fonts. One table maps each name
// to a class of font, and each class has the families that stand in for it
// here, those with the same metrics first (captions then fit the layouts).
enum class TFontClass { fcSans, fcMono };
struct TFontMapping {
  TFontClass Class = TFontClass::fcSans;
  // The name is a bitmap font that exists nowhere else ("MS Sans Serif"): it
  // is not looked for, its class's families are.
  bool Replaced = false;
};
// A font name of a layout (case-insensitive); names the table does not hold
// are sans fonts, or monospace ones when the pitch is fixed.
TFontMapping MapFontName(const std::string& Name, Graphics::TFontPitch Pitch);
// The families of a class, in order of preference.
const QStringList& ClassFamilies(TFontClass Class);
// The family a layout's font is drawn with, given the installed families:
// the named family where it is installed and not replaced, else the first of
// its class's families that is installed, else empty (a font of the class is
// then left to the system's matching).
QString ResolveFontFamily(const std::string& Name, Graphics::TFontPitch Pitch,
                          const QStringList& Installed);
// The Qt font for a font of the model: its family as ResolveFontFamily gives
// it among the families installed, a negative height (the character height
// in pixels) becomes points at the model's 96 pixels per inch, rounded down
// the way the platform's dialogs look (-11 is 8 pt).
QFont ToQFont(const Graphics::TFont& Font);
// A colour of the model: system colours are those of the palette (clBtnFace
// is the palette's button colour, clWindow its base), others their RGB value.
QColor ToQColor(Graphics::TColor Color, const QPalette& Palette);
// The picture of a bitmap (its .bmp bytes); a null image when it is empty or
// cannot be decoded.
QImage ToQImage(const Graphics::TBitmap& Bitmap);
// The Qt cursor shape of a model cursor (crHourGlass: the wait cursor).
Qt::CursorShape ToCursorShape(int Cursor);
// "Text files|*.txt|All files|*.*" as Qt's name filters.
QStringList ToNameFilters(const std::string& Filter);

class TFormView;
struct TBinding;

// Hears when the components a view shows are freed.
class TFreeNotifier : public Classes::TComponent {
  OV_CLASS(TFreeNotifier, Classes::TComponent)
public:
  explicit TFreeNotifier(TFormView* AView);

protected:
  void Notification(Classes::TComponent* AComponent, Classes::TOperation Operation) override;

private:
  TFormView* FView;
};

// One form shown as a window.
class TFormView : public QObject {
public:
  // Parent: the window that a dialog belongs to (null: none).
  explicit TFormView(Forms::TCustomForm* Form, QWidget* Parent = nullptr);
  ~TFormView() override;
  TFormView(const TFormView&) = delete;
  TFormView& operator=(const TFormView&) = delete;

  // Null once the form is freed.
  Forms::TCustomForm* Form() const { return FForm; }
  QWidget* Window() const;
  // The widget that shows Control (the form's window for the form), or null.
  QWidget* WidgetOf(const Controls::TControl* Control) const;
  // The control a widget (or one of its inner parts) shows, or null.
  Controls::TControl* ControlOf(const QWidget* Widget) const;

  // Brings the widgets up to date with the model: controls made or freed,
  // geometry, texts, fonts, colours, states, items, selections, the page
  // shown and the focus.
  void Sync();

  // Applies what a person did to the model: handlers' exceptions go to the
  // application's handler, released forms are freed, a modal form whose
  // modal result is set is asked to close, and the widgets are synced. An
  // action a person could not have done on the form as the model has it (a
  // stale widget) is dropped.
  void Act(const std::function<void()>& Action);

  // Runs the form modally (the form is shown already): returns when the
  // model reports it closed, or when the form is freed.
  void RunModal();
  bool InModalLoop() const { return FLoop != nullptr; }
  // Leaves the modal loop whatever the model says (a program that only
  // looks at the dialog); the model's ShowModal then gives mrCancel.
  void EndModal();

  // Shows or hides the window as the model's form is.
  void ShowWindow();
  void HideWindow();

  // Told when the form is freed and the view is no longer running anything:
  // whoever keeps the view may delete it now.
  std::function<void(TFormView*)> OnDisposable;

  bool eventFilter(QObject* Watched, QEvent* Event) override;

  // For the control binders (QtForms/Binders.hpp): whether the view is
  // bringing widgets up to date now (their signals are no person's doing),
  // the binding of a control (null once it is gone), and whether a handler
  // refused the control the focus (forgotten once asked: the click that
  // tried to move the focus goes with it).
  bool Syncing() const { return FSyncing > 0; }
  TBinding* BindingOf(const Controls::TControl* Control) const;
  bool TakeRefusedFocus(const Controls::TControl* Control);

private:
  friend class TFreeNotifier;

  void ComponentFreed(Classes::TComponent* Component);
  TBinding* Bind(Controls::TControl* Control, QWidget* ParentWidget);
  void SyncControl(TBinding& B);
  void SyncChildren(Controls::TWinControl* Parent, QWidget* ParentWidget);
  void SyncTabOrder();
  void SyncFocus();
  void DropWidget(TBinding& B);
  TBinding* BindingOf(const QWidget* Widget) const;
  bool HandleKey(TBinding* B, QKeyEvent* Event);
  void ShowContextMenu(Controls::TControl* Control, const QPoint& GlobalPos);
  void AfterAction();
  void FinishModal();

  Forms::TCustomForm* FForm;
  std::unique_ptr<TFreeNotifier> FNotifier;
  std::unordered_map<const Controls::TControl*, std::unique_ptr<TBinding>> FBindings;
  std::unordered_map<const QWidget*, TBinding*> FByWidget;
  QPointer<QWidget> FWindow;
  QEventLoop* FLoop = nullptr;
  Controls::TControl* FRefusedFocus = nullptr; // a handler kept the focus from it
  Controls::TControl* FPressed = nullptr;      // the left button went down on it
  int FSyncing = 0;
  int FFocusDeferred = 0; // Qt's focus is left alone while it moves
  int FActing = 0;
  bool FTabOrderDirty = true;
  std::vector<Controls::TWinControl*> FTabOrder;
};

// The user interface service on Qt. Install it with UIService::SetUIService
// (or a TUIServiceScope) once a QApplication exists.
class TQtUI : public UIService::IUIService {
public:
  TQtUI();
  ~TQtUI() override;

  void RunModal(Forms::TCustomForm* Form) override;
  void FormShown(Forms::TCustomForm* Form) override;
  void FormHidden(Forms::TCustomForm* Form) override;
  int MessageBox(const UIService::TMessageBoxRequest& Request) override;
  bool ExecuteOpenDialog(UIService::TFileDialogRequest& Request) override;
  bool IsKeyDown(int VirtualKey) override;
  // While set, the Alt key reads as held down (the designer's Ctrl+Enter
  // and Ctrl+click on an ellipsis do what Alt does there, since many
  // window managers take Alt+click for themselves).
  bool HoldAlt = false;
  bool OpenDocument(const std::string& Document) override;
  Types::TSize MeasureText(const Graphics::TFont& Font, std::string_view Text) override;
  void ShowCursor(int Cursor) override;
  bool EditTextModule(UIService::TTextModuleRequest& Request) override;

  // The view of a form, made on first use.
  TFormView* ViewOf(Forms::TCustomForm* Form);
  // The view of a form if it has one.
  TFormView* FindView(const Forms::TCustomForm* Form) const;
  // Brings every window up to date with its form (before a message box or
  // another dialog covers them).
  void SyncAll();

  // The window that dialogs and message boxes belong to (the designer
  // window), or null.
  void SetMainWindow(QWidget* Window) { FMainWindow = Window; }
  QWidget* MainWindow() const { return FMainWindow; }
  // Who edits text modules (the designer window's code editor); without one
  // EditTextModule raises as the base service does.
  std::function<bool(UIService::TTextModuleRequest&)> OnEditTextModule;
  // Told of every message box shown (tests, the designer's status line).
  std::function<void(const UIService::TMessageBoxRequest&)> OnMessageBox;
  // Answers message boxes instead of a person (a run that nobody watches):
  // the modal result of one of the request's buttons.
  std::function<int(const UIService::TMessageBoxRequest&)> AnswerMessageBox;
  // Told when a modal form's window is up, before its modal loop runs.
  std::function<void(TFormView*)> OnModalShown;

private:
  void ForgetFreedViews();
  QWidget* DialogParent() const;

  std::map<const Forms::TCustomForm*, std::unique_ptr<TFormView>> FViews;
  QPointer<QWidget> FMainWindow;
  bool FCursorSet = false;
};

// The installed Qt service, or null when another service (or none) is
// installed.
TQtUI* CurrentQtUI();

} // namespace QtForms
