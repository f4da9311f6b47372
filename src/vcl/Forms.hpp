// Forms, the application object and the screen.
//
// A form class with a stored layout is created with
// Forms::Application->CreateForm<T>(): the form is constructed, its layout
// (the RCDATA resource named after its class in upper case, in the newest
// loaded module that has it; ancestors' layouts first) is read into it, which
// sets its properties, creates its controls and binds its published fields and
// event handlers by name, and then OnCreate fires. A form is freed with Free()
// (or by its owner), which fires OnDestroy before anything is taken apart.
//
// ShowModal hands the form to the UI service, which lets a person act on it
// until its ModalResult closes it.
#pragma once

#include "vcl/Controls.hpp"

#include <exception>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

namespace Forms {

using Classes::TComponent;
using Classes::TNotifyEvent;
using Controls::TModalResult;
using Controls::TWinControl;
using Graphics::EResNotFound;
using System::TClass;
using System::TObject;

// Border of panels, list boxes and memos.
enum class TBorderStyle { bsNone, bsSingle };
OV_ENUM(TBorderStyle, "bsNone", "bsSingle")

enum class TFormBorderStyle { bsNone, bsSingle, bsSizeable, bsDialog, bsToolWindow, bsSizeToolWin };
OV_ENUM(TFormBorderStyle, "bsNone", "bsSingle", "bsSizeable", "bsDialog", "bsToolWindow",
        "bsSizeToolWin")

enum class TBorderIcon { biSystemMenu, biMinimize, biMaximize, biHelp };
OV_ENUM(TBorderIcon, "biSystemMenu", "biMinimize", "biMaximize", "biHelp")
OV_SET(TBorderIcons, TBorderIcon)

enum class TPosition {
  poDesigned,
  poDefault,
  poDefaultPosOnly,
  poDefaultSizeOnly,
  poScreenCenter,
  poDesktopCenter,
  poMainFormCenter,
  poOwnerFormCenter
};
OV_ENUM(TPosition, "poDesigned", "poDefault", "poDefaultPosOnly", "poDefaultSizeOnly",
        "poScreenCenter", "poDesktopCenter", "poMainFormCenter", "poOwnerFormCenter")

enum class TFormStyle { fsNormal, fsMDIChild, fsMDIForm, fsStayOnTop };
OV_ENUM(TFormStyle, "fsNormal", "fsMDIChild", "fsMDIForm", "fsStayOnTop")

enum class TWindowState { wsNormal, wsMinimized, wsMaximized };
OV_ENUM(TWindowState, "wsNormal", "wsMinimized", "wsMaximized")

enum class TCloseAction { caNone, caHide, caFree, caMinimize };
OV_ENUM(TCloseAction, "caNone", "caHide", "caFree", "caMinimize")

OV_EVENT_TYPE(TCloseEvent, void(System::TObject* Sender, Forms::TCloseAction& Action))
OV_EVENT_TYPE(TCloseQueryEvent, void(System::TObject* Sender, bool& CanClose))
OV_EVENT_TYPE(TExceptionEvent, void(System::TObject* Sender, const std::exception& E))

class TCustomForm;
TCustomForm* CreateFormFromText(TClass FormClass, TComponent* Owner, std::string_view Text,
                                const std::string& SourceName);

class TCustomForm : public TWinControl {
  OV_CLASS(TCustomForm, TWinControl)
public:
  explicit TCustomForm(TComponent* AOwner);
  ~TCustomForm() override;

  // Fires OnDestroy (then that of the forms it owns), then frees the form
  // and what it owns. A form freed by its owner is told the same way when
  // the owner is the application or a form; one freed with a plain delete
  // is not, as its class is gone by the time the base class could tell it.
  void Free();

  TWinControl* GetActiveControl() const { return FActiveControl; }
  // On a shown form the focus moves there (OnExit, OnEnter); on a hidden
  // one the control gets the focus when the form is shown.
  // EInvalidOperation when the control is not on this form or cannot have
  // the focus.
  void SetActiveControl(TWinControl* Value);
  TFormBorderStyle GetBorderStyle() const { return FBorderStyle; }
  // Keeps the outer size: the client area changes with the frame, as the
  // platform's forms do (form files that keep the client size give it after
  // the border style).
  void SetBorderStyle(TFormBorderStyle Value);
  TBorderIcons GetBorderIcons() const { return FBorderIcons; }
  void SetBorderIcons(TBorderIcons Value) { FBorderIcons = Value; }
  TPosition GetPosition() const { return FPosition; }
  void SetPosition(TPosition Value) { FPosition = Value; }
  TFormStyle GetFormStyle() const { return FFormStyle; }
  void SetFormStyle(TFormStyle Value) { FFormStyle = Value; }
  TWindowState GetWindowState() const { return FWindowState; }
  void SetWindowState(TWindowState Value) { FWindowState = Value; }
  bool GetKeyPreview() const { return FKeyPreview; }
  void SetKeyPreview(bool Value) { FKeyPreview = Value; }
  bool GetScaled() const { return FScaled; }
  void SetScaled(bool Value) { FScaled = Value; }
  bool GetOldCreateOrder() const { return FOldCreateOrder; }
  void SetOldCreateOrder(bool Value) { FOldCreateOrder = Value; }
  bool GetAutoScroll() const { return FAutoScroll; }
  void SetAutoScroll(bool Value) { FAutoScroll = Value; }
  // The resolution the layout was made at; layouts are not rescaled.
  int GetPixelsPerInch() const { return FPixelsPerInch; }
  void SetPixelsPerInch(int Value) { FPixelsPerInch = Value; }
  // The height of the form font's text when the layout was made.
  int GetTextHeight() const { return FTextHeight; }
  void SetTextHeight(int Value) { FTextHeight = Value; }
  TModalResult GetModalResult() const { return FModalResult; }
  void SetModalResult(TModalResult Value) { FModalResult = Value; }

  Types::TRect ClientRect() const override;
  // Width and height of the frame around the client area.
  Types::TSize FrameSize() const;
  bool IsFormSizeStored() const { return FAutoScroll; }
  bool IsClientSizeStored() const { return !FAutoScroll; }

  void Show();
  void Hide();
  // Runs the form modally through the UI service and returns its modal
  // result; the form is hidden afterwards. EInvalidOperation "Cannot make a
  // visible window modal" for a form that is shown already;
  // UIService::ENoUserInterface when no service is installed.
  int ShowModal();
  bool IsModal() const { return FModal; }
  // The window's close button: a modal form gets the modal result mrCancel;
  // another asks OnCloseQuery and OnClose and hides (or releases) itself.
  void Close();
  bool CloseQuery();
  // Frees the form when the current event is over (the modal loop or the UI
  // service's next step; Application->ProcessMessages()).
  void Release();
  // The modal loop's step after each thing a person did: a non-zero
  // ModalResult asks OnCloseQuery and OnClose; when they refuse, ModalResult
  // is 0 again. True when the form closed. An exception raised by a handler
  // resets ModalResult to 0 and passes on.
  bool CloseModalIfRequested();

  // The control that has the focus (null: the form itself), or on a hidden
  // form the one that will have it.
  TWinControl* FocusedControl() const { return FActiveControl; }
  // Moves the focus to Control (null: to the form): OnExit of the controls
  // losing it, innermost first, then OnEnter of those gaining it, outermost
  // first. False when a handler moved the focus elsewhere; when a handler
  // raises, the focus stays where the move had got to and the exception
  // passes on.
  bool FocusControl(TWinControl* Control);
  // Takes the focus away from Control and its children, which are being
  // hidden, disabled or (Removing) taken off the form.
  void DefocusControl(TWinControl* Control, bool Removing);
  // Offers a dialog key (Enter, Escape) to the form's controls; true when
  // one acted on it.
  bool DialogKey(uint16_t Key, Classes::TShiftState Shift) override;

  void DoCreate();
  void GetChildren(const Classes::TGetChildProc& Proc, TComponent* Root) override;
  void DefineProperties(Classes::TFiler* Filer) override;

  TNotifyEvent OnCreate;
  TNotifyEvent OnDestroy;
  TNotifyEvent OnShow;
  TNotifyEvent OnHide;
  TNotifyEvent OnActivate;
  TNotifyEvent OnDeactivate;
  TNotifyEvent OnResize;
  TCloseEvent OnClose;
  TCloseQueryEvent OnCloseQuery;

protected:
  void VisibleChanged() override;
  void BoundsChanged() override;
  bool CaptionFollowsName() const override { return true; }
  void Notification(TComponent* AComponent, Classes::TOperation Operation) override;
  virtual void DoShow();
  virtual void DoHide();
  virtual void DoClose(TCloseAction& Action);

private:
  friend class TApplication;
  friend TCustomForm* CreateFormFromText(TClass FormClass, TComponent* Owner, std::string_view Text,
                                         const std::string& SourceName);
  void BeforeDestruction();
  void PlaceOnScreen();
  void HideQuietly();

  // The control the focus goes to, and the innermost control that has been
  // entered on the way (null: the form); they differ only while OnExit and
  // OnEnter handlers run. A handler that moves the focus itself bumps the
  // count, which ends the move it interrupted.
  TWinControl* FActiveControl = nullptr;
  TWinControl* FFocused = nullptr;
  int FFocusCount = 0;
  TFormBorderStyle FBorderStyle = TFormBorderStyle::bsSizeable;
  TBorderIcons FBorderIcons{TBorderIcon::biSystemMenu, TBorderIcon::biMinimize,
                            TBorderIcon::biMaximize};
  TPosition FPosition = TPosition::poDesigned;
  TFormStyle FFormStyle = TFormStyle::fsNormal;
  TWindowState FWindowState = TWindowState::wsNormal;
  bool FKeyPreview = false;
  bool FScaled = true;
  bool FOldCreateOrder = false;
  bool FAutoScroll = true;
  int FPixelsPerInch = Graphics::ScreenPixelsPerInch;
  int FTextHeight = 13;
  TModalResult FModalResult = Controls::mrNone;
  bool FModal = false;
  bool FShowing = false;
  bool FDestroyFired = false;
};

class TForm : public TCustomForm {
  OV_CLASS(TForm, TCustomForm)
public:
  explicit TForm(TComponent* AOwner) : TCustomForm(AOwner) {}
};

// Frees a form with Free() when the pointer goes.
struct TFormDeleter {
  void operator()(TCustomForm* Form) const {
    if (Form)
      Form->Free();
  }
};
template <class T> using TFormPtr = std::unique_ptr<T, TFormDeleter>;

class TApplication : public TComponent {
  OV_CLASS(TApplication, TComponent)
public:
  explicit TApplication(TComponent* AOwner);
  ~TApplication() override;

  // Creates a form of class FormClass (a TCustomForm descendant) owned by
  // Owner (the application when null): reads its stored layout, then fires
  // OnCreate. Raises EResNotFound "Resource TFORMCLASS not found" when no
  // loaded module holds a layout for the class or an ancestor below TForm;
  // on any failure the half-made form is freed and nothing is left behind.
  TCustomForm* CreateForm(TClass FormClass, TComponent* Owner = nullptr);
  template <class T> T* CreateForm(TComponent* Owner = nullptr) {
    return System::As<T>(CreateForm(T::StaticClass(), Owner));
  }

  const std::string& GetTitle() const { return FTitle; }
  void SetTitle(const std::string& Value) { FTitle = Value; }
  // The first form created with CreateForm.
  TCustomForm* GetMainForm() const { return FMainForm; }

  // What the message loop does with an exception that an event handler let
  // through: OnException when assigned, else ShowException. Call from a
  // catch block. EAbort is silent.
  void HandleException(TObject* Sender);
  // An error message box with the exception's message, ending with a full
  // stop.
  void ShowException(const std::string& Message);

  // Frees the forms released with Release().
  void ProcessMessages();
  // Frees every form the application owns (with OnDestroy).
  void DestroyForms();

  TExceptionEvent OnException;

protected:
  void Notification(TComponent* AComponent, Classes::TOperation Operation) override;

private:
  friend class TCustomForm;
  std::string FTitle = "Orvane";
  TCustomForm* FMainForm = nullptr;
  std::vector<TCustomForm*> FReleased;
};

class TScreen : public TComponent {
  OV_CLASS(TScreen, TComponent)
public:
  explicit TScreen(TComponent* AOwner);

  // The cursor shown everywhere; crDefault lets each control show its own.
  Controls::TCursor GetCursor() const { return FCursor; }
  void SetCursor(Controls::TCursor Value);
  int GetWidth() const { return FWidth; }
  int GetHeight() const { return FHeight; }
  // The user interface tells the size of the screen that forms are centred
  // on (1024 by 768 without one).
  void SetSize(int Width, int Height);
  int GetPixelsPerInch() const { return Graphics::ScreenPixelsPerInch; }

  int FormCount() const { return static_cast<int>(FForms.size()); }
  TCustomForm* Forms(int Index) const;
  // The form shown last that is still shown, or null.
  TCustomForm* GetActiveForm() const;
  TWinControl* GetActiveControl() const;

private:
  friend class TCustomForm;
  void AddForm(TCustomForm* Form);
  void RemoveForm(TCustomForm* Form);
  void FormShown(TCustomForm* Form);
  void FormHidden(TCustomForm* Form);

  Controls::TCursor FCursor = Controls::crDefault;
  int FWidth = 1024;
  int FHeight = 768;
  std::vector<TCustomForm*> FForms;
  std::vector<TCustomForm*> FShown; // in the order they were shown
};

TApplication* GetApplication();
TScreen* GetScreen();

// The global objects of the platform, created on first use:
//   Forms::Application->CreateForm<TAboutDlg>();  Forms::Screen->SetCursor(crHourGlass);
template <class T, T* (*Get)()> struct TGlobalObject {
  T* operator->() const { return Get(); }
  operator T*() const { return Get(); }
};
inline constexpr TGlobalObject<TApplication, &GetApplication> Application{};
inline constexpr TGlobalObject<TScreen, &GetScreen> Screen{};

// Puts this library's component classes (forms, controls, menus, dialogs)
// into the class registry that form reading finds classes in. CreateForm
// does it before it reads a layout; a host that reads forms itself calls it
// once. Calling it again changes nothing.
void RegisterFormClasses();

// Reading a form's stored layout (what CreateForm does after constructing
// the form). FindFormLayout returns the text of the layout resource named
// ResName from the newest loaded module that has one, with SourceName set to
// "<module file>:<ResName>" for error messages; false when none has it.
bool FindFormLayout(const std::string& ResName, std::string& Text, std::string& SourceName);
// Reads the layouts of the form's class and of its ancestors below TForm,
// oldest first. EResNotFound when there is none at all.
void ReadFormLayouts(TCustomForm* Form);
// Reads one layout text (a text form file) into the form.
void ReadFormLayout(TCustomForm* Form, std::string_view Text, const std::string& SourceName);
// Creates a form of class FormClass from a layout text rather than from a
// resource, then fires OnCreate; for forms whose layout is not in a module.
TCustomForm* CreateFormFromText(TClass FormClass, TComponent* Owner, std::string_view Text,
                                const std::string& SourceName);

} // namespace Forms
