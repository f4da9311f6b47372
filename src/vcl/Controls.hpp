// Controls: the visual components of a form, headless. A control has bounds
// relative to its parent, a text, a font, enabled and visible states and
// events; a windowed control (TWinControl) holds child controls, takes part
// in the tab order and can have the focus. Alignment (Align, Anchors) is laid
// out by the model, so that a user interface only draws what it is given.
#pragma once

#include "rtl/Classes.hpp"
#include "vcl/Graphics.hpp"
#include "vcl/Types.hpp"
#include "vcl/Windows.hpp"

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

namespace Menus {
class TPopupMenu;
}
namespace Forms {
class TCustomForm;
}

namespace Controls {

using Classes::TComponent;
using Classes::TNotifyEvent;
using Classes::TShiftState;
using Graphics::TColor;
using Graphics::TFont;
using System::TObject;

// Mouse cursors by the platform's numbers (crDefault 0, built-in ones
// negative).
enum TCursor : int32_t {};
bool CursorToIdent(int64_t Cursor, std::string& Ident);
bool IdentToCursor(std::string_view Ident, int64_t& Cursor);
OV_INTEGER_TYPE(TCursor, CursorToIdent, IdentToCursor)
inline constexpr TCursor crDefault = static_cast<TCursor>(0);
inline constexpr TCursor crNone = static_cast<TCursor>(-1);
inline constexpr TCursor crArrow = static_cast<TCursor>(-2);
inline constexpr TCursor crCross = static_cast<TCursor>(-3);
inline constexpr TCursor crIBeam = static_cast<TCursor>(-4);
inline constexpr TCursor crSizeNESW = static_cast<TCursor>(-6);
inline constexpr TCursor crSizeNS = static_cast<TCursor>(-7);
inline constexpr TCursor crSizeNWSE = static_cast<TCursor>(-8);
inline constexpr TCursor crSizeWE = static_cast<TCursor>(-9);
inline constexpr TCursor crUpArrow = static_cast<TCursor>(-10);
inline constexpr TCursor crHourGlass = static_cast<TCursor>(-11);
inline constexpr TCursor crDrag = static_cast<TCursor>(-12);
inline constexpr TCursor crNoDrop = static_cast<TCursor>(-13);
inline constexpr TCursor crHSplit = static_cast<TCursor>(-14);
inline constexpr TCursor crVSplit = static_cast<TCursor>(-15);
inline constexpr TCursor crMultiDrag = static_cast<TCursor>(-16);
inline constexpr TCursor crSQLWait = static_cast<TCursor>(-17);
inline constexpr TCursor crNo = static_cast<TCursor>(-18);
inline constexpr TCursor crAppStart = static_cast<TCursor>(-19);
inline constexpr TCursor crHelp = static_cast<TCursor>(-20);
inline constexpr TCursor crHandPoint = static_cast<TCursor>(-21);
inline constexpr TCursor crSizeAll = static_cast<TCursor>(-22);

// Modal results of buttons and forms.
using TModalResult = int;
inline constexpr TModalResult mrNone = 0;
inline constexpr TModalResult mrOk = 1;
inline constexpr TModalResult mrCancel = 2;
inline constexpr TModalResult mrAbort = 3;
inline constexpr TModalResult mrRetry = 4;
inline constexpr TModalResult mrIgnore = 5;
inline constexpr TModalResult mrYes = 6;
inline constexpr TModalResult mrNo = 7;
inline constexpr TModalResult mrAll = 8;
inline constexpr TModalResult mrNoToAll = 9;
inline constexpr TModalResult mrYesToAll = 10;
// "mrOk", or the number for a result without a name.
std::string ModalResultToString(TModalResult Result);

enum class TAlign { alNone, alTop, alBottom, alLeft, alRight, alClient, alCustom };
OV_ENUM(TAlign, "alNone", "alTop", "alBottom", "alLeft", "alRight", "alClient", "alCustom")

enum class TAnchorKind { akLeft, akTop, akRight, akBottom };
OV_ENUM(TAnchorKind, "akLeft", "akTop", "akRight", "akBottom")
OV_SET(TAnchors, TAnchorKind)

enum class TMouseButton { mbLeft, mbRight, mbMiddle };
OV_ENUM(TMouseButton, "mbLeft", "mbRight", "mbMiddle")

enum class TDragMode { dmManual, dmAutomatic };
OV_ENUM(TDragMode, "dmManual", "dmAutomatic")

OV_EVENT_TYPE(TMouseEvent, void(System::TObject* Sender, Controls::TMouseButton Button,
                                Classes::TShiftState Shift, int X, int Y))
OV_EVENT_TYPE(TKeyEvent, void(System::TObject* Sender, uint16_t& Key, Classes::TShiftState Shift))
OV_EVENT_TYPE(TKeyPressEvent, void(System::TObject* Sender, char& Key))

struct TMessage {
  uint32_t Msg = 0;
  int64_t WParam = 0;
  int64_t LParam = 0;
  int64_t Result = 0;
};

class TWinControl;

class TControl : public TComponent {
  OV_CLASS(TControl, TComponent)
public:
  explicit TControl(TComponent* AOwner);
  ~TControl() override;

  // Bounds, relative to the parent's client area.
  int GetLeft() const { return FLeft; }
  void SetLeft(int Value) { SetBounds(Value, FTop, FWidth, FHeight); }
  int GetTop() const { return FTop; }
  void SetTop(int Value) { SetBounds(FLeft, Value, FWidth, FHeight); }
  int GetWidth() const { return FWidth; }
  void SetWidth(int Value) { SetBounds(FLeft, FTop, Value, FHeight); }
  int GetHeight() const { return FHeight; }
  void SetHeight(int Value) { SetBounds(FLeft, FTop, FWidth, Value); }
  virtual void SetBounds(int ALeft, int ATop, int AWidth, int AHeight);
  Types::TRect BoundsRect() const { return Types::Bounds(FLeft, FTop, FWidth, FHeight); }
  // The area inside the borders, at 0,0.
  virtual Types::TRect ClientRect() const { return Types::Rect(0, 0, FWidth, FHeight); }
  int GetClientWidth() const { return ClientRect().Width(); }
  void SetClientWidth(int Value);
  int GetClientHeight() const { return ClientRect().Height(); }
  void SetClientHeight(int Value);
  TAlign GetAlign() const { return FAlign; }
  void SetAlign(TAlign Value);
  TAnchors GetAnchors() const { return FAnchors; }
  void SetAnchors(TAnchors Value) { FAnchors = Value; }

  TWinControl* GetParent() const { return FParent; }
  virtual void SetParent(TWinControl* Value);

  // Caption and Text are one text; each class publishes the name it uses.
  const std::string& GetText() const { return FText; }
  // A control that keeps its text elsewhere (a memo's lines) or accepts
  // only some texts (a drop-down list) takes it here.
  virtual void SetText(const std::string& Value);
  const std::string& GetCaption() const { return FText; }
  void SetCaption(const std::string& Value) { SetText(Value); }

  bool GetEnabled() const { return FEnabled; }
  void SetEnabled(bool Value);
  bool GetVisible() const { return FVisible; }
  void SetVisible(bool Value);
  void Show() { SetVisible(true); }
  void Hide() { SetVisible(false); }
  // Visible, with every parent up to the form visible and the form shown
  // (a page that its page control does not show hides what it holds).
  bool Showing() const;
  // Enabled, with every parent enabled.
  bool IsEnabledInParents() const;

  TFont* GetFont() const { return FFont.get(); }
  void SetFont(TFont* Value) { FFont->Assign(Value); }
  bool GetParentFont() const { return FParentFont; }
  void SetParentFont(bool Value);
  TColor GetColor() const { return FColor; }
  void SetColor(TColor Value);
  bool GetParentColor() const { return FParentColor; }
  void SetParentColor(bool Value);
  TCursor GetCursor() const { return FCursor; }
  void SetCursor(TCursor Value) { FCursor = Value; }
  TCursor GetDragCursor() const { return FDragCursor; }
  void SetDragCursor(TCursor Value) { FDragCursor = Value; }
  TDragMode GetDragMode() const { return FDragMode; }
  void SetDragMode(TDragMode Value) { FDragMode = Value; }
  const std::string& GetHint() const { return FHint; }
  void SetHint(const std::string& Value) { FHint = Value; }
  // The parent's when ParentShowHint is set.
  bool GetShowHint() const;
  void SetShowHint(bool Value);
  bool GetParentShowHint() const { return FParentShowHint; }
  void SetParentShowHint(bool Value);
  bool GetCtl3D() const { return FCtl3D; }
  void SetCtl3D(bool Value) { FCtl3D = Value; }
  bool GetParentCtl3D() const { return FParentCtl3D; }
  void SetParentCtl3D(bool Value) { FParentCtl3D = Value; }
  int GetHelpContext() const { return FHelpContext; }
  void SetHelpContext(int Value) { FHelpContext = Value; }
  Menus::TPopupMenu* GetPopupMenu() const { return FPopupMenu; }
  void SetPopupMenu(Menus::TPopupMenu* Value);
  // The menu a right click opens: the control's own, else its parent's.
  Menus::TPopupMenu* FindPopupMenu() const;

  // What a click, a double click or a mouse button does; the events fire
  // from here.
  virtual void Click();
  virtual void DblClick();
  virtual void MouseDown(TMouseButton Button, TShiftState Shift, int X, int Y);
  virtual void MouseUp(TMouseButton Button, TShiftState Shift, int X, int Y);

  // A window message to the control: its answer, 0 when unhandled.
  int64_t Perform(uint32_t Msg, int64_t WParam, int64_t LParam);

  bool HasParent() const override { return true; }
  TComponent* GetParentComponent() const override;
  void SetParentComponent(TComponent* Value) override;
  void SetName(const std::string& NewName) override;
  void Loaded() override;

  TNotifyEvent OnClick;
  TNotifyEvent OnDblClick;
  TMouseEvent OnMouseDown;
  TMouseEvent OnMouseUp;

  // Streaming helpers: the font and colour are stored only when they are
  // the control's own.
  bool IsFontStored() const { return !FParentFont; }
  bool IsColorStored() const { return !FParentColor; }
  bool IsShowHintStored() const { return !FParentShowHint; }

protected:
  virtual void WndProc(TMessage& Message);
  void Notification(TComponent* AComponent, Classes::TOperation Operation) override;
  // Hooks of subclasses.
  virtual void TextChanged() {}
  virtual void FontChanged();
  virtual void EnabledChanged() {}
  virtual void VisibleChanged();
  virtual void BoundsChanged() {}
  // A control whose caption follows its name while they are equal (a new
  // button named Button1 reads "Button1"), as the designer creates them.
  virtual bool CaptionFollowsName() const { return false; }
  // Called when the parent's font or colour changes, for the controls that
  // follow it.
  virtual void ParentFontChanged();
  virtual void ParentColorChanged();
  // Events are quiet while the control is read from a form file or freed.
  bool EventsAllowed() const { return !IsLoading() && !IsDestroying(); }
  void RequestAlign();
  // The form the control is on, or null.
  Forms::TCustomForm* ParentForm() const;
  // Sets the initial visibility without the consequences of a change.
  void InitVisible(bool Value) { FVisible = Value; }

private:
  friend class TWinControl;
  void DoFontChange(TObject* Sender);

  int FLeft = 0;
  int FTop = 0;
  int FWidth = 0;
  int FHeight = 0;
  TAlign FAlign = TAlign::alNone;
  TAnchors FAnchors{TAnchorKind::akLeft, TAnchorKind::akTop};
  TWinControl* FParent = nullptr;
  std::string FText;
  bool FEnabled = true;
  bool FVisible = true;
  std::unique_ptr<TFont> FFont;
  bool FParentFont = true;
  TColor FColor = Graphics::clWindow;
  bool FParentColor = false;
  TCursor FCursor = crDefault;
  TCursor FDragCursor = crDrag;
  TDragMode FDragMode = TDragMode::dmManual;
  std::string FHint;
  bool FShowHint = false;
  bool FParentShowHint = true;
  bool FCtl3D = true;
  bool FParentCtl3D = true;
  int FHelpContext = 0;
  Menus::TPopupMenu* FPopupMenu = nullptr;
  bool FUpdatingFromParent = false; // a font or colour copied from the parent
};

// A canvas that measures in its control's font (copied whenever the
// control's font changes).
class TControlCanvas : public Graphics::TCanvas {
  OV_CLASS(TControlCanvas, Graphics::TCanvas)
public:
  explicit TControlCanvas(TControl* AControl);
  TControl* Control() const { return FControl; }

private:
  TControl* FControl;
};

class TWinControl : public TControl {
  OV_CLASS(TWinControl, TControl)
public:
  explicit TWinControl(TComponent* AOwner);
  // Frees the child controls first, whoever owns them, as windows go with
  // their parent window.
  ~TWinControl() override;

  int ControlCount() const { return static_cast<int>(FControls.size()); }
  TControl* Controls(int Index) const;
  bool ContainsControl(const TControl* Control) const; // itself or a descendant
  void InsertControl(TControl* Control);
  void RemoveControl(TControl* Control);

  Windows::HWND Handle() { return this; }

  int GetTabOrder() const;
  void SetTabOrder(int Value);
  bool GetTabStop() const { return FTabStop; }
  void SetTabStop(bool Value) { FTabStop = Value; }
  // This control's windowed descendants in tab order, depth first.
  std::vector<TWinControl*> GetTabOrderList() const;
  // The next (or previous) control after Current in this control's tab order
  // list that can have the focus, or null.
  TWinControl* FindNextControl(TWinControl* Current, bool GoForward, bool CheckTabStop,
                               bool CheckParent) const;
  void SelectNext(TWinControl* Current, bool GoForward, bool CheckTabStop);

  // Showing, enabled in every parent, and on a form that is shown.
  virtual bool CanFocus() const;
  bool Focused() const;
  // Moves the focus here (EInvalidOperation "Cannot focus a disabled or
  // invisible window" when it cannot have it).
  virtual void SetFocus();

  // Lays the aligned children out again in the client area.
  void Realign();
  void DisableAlign() { ++FAlignLevel; }
  void EnableAlign();
  // The area in which aligned children are placed.
  virtual Types::TRect AdjustClientRect() const { return ClientRect(); }

  void SetBounds(int ALeft, int ATop, int AWidth, int AHeight) override;
  void GetChildren(const Classes::TGetChildProc& Proc, TComponent* Root) override;
  void Loaded() override;

  // Whether a click gives the control the focus; a container does not take
  // it.
  virtual bool TakesFocusOnClick() const { return false; }
  // Fires OnKeyDown, which may take the key (set it to 0).
  virtual void KeyDown(uint16_t& Key, TShiftState Shift);
  // The control's own use of a key pressed while it has the focus (Enter
  // in a multi-line edit, Space on a button); true when it used the key, so
  // that the form does not treat it as a dialog key.
  virtual bool HandleKey(uint16_t Key, TShiftState Shift) { return false; }
  // A dialog key (Enter, Escape) offered to every control of the form; true
  // when the control acted on it (the default or cancel button).
  virtual bool DialogKey(uint16_t Key, TShiftState Shift) { return false; }

  // Fire OnEnter / OnExit; the form calls them when the focus moves.
  virtual void DoEnter();
  virtual void DoExit();

  TNotifyEvent OnEnter;
  TNotifyEvent OnExit;
  TKeyEvent OnKeyDown;
  TKeyEvent OnKeyUp;
  TKeyPressEvent OnKeyPress;

protected:
  void FontChanged() override;
  void AlignControls();
  void FixupTabList();
  // After the client area changed size: anchored children follow (unless a
  // form file is being read) and aligned children are laid out again.
  void ClientResized(int OldWidth, int OldHeight);

private:
  friend class TControl;
  void UpdateAnchors(int OldWidth, int OldHeight);
  void RemoveFromTabList(TWinControl* Control);

  std::vector<TControl*> FControls;   // in z-order: first is lowest
  std::vector<TWinControl*> FTabList; // windowed children in tab order
  int FTabOrderRequested = -1;        // the stored tab order while reading
  bool FTabStop = false;
  int FAlignLevel = 0;
  bool FAligning = false;
  bool FAlignPending = false;
};

class TGraphicControl : public TControl {
  OV_CLASS(TGraphicControl, TControl)
public:
  explicit TGraphicControl(TComponent* AOwner);
  ~TGraphicControl() override;
  Graphics::TCanvas* GetCanvas() const { return FCanvas.get(); }

protected:
  void FontChanged() override;

private:
  std::unique_ptr<TControlCanvas> FCanvas;
};

class TCustomControl : public TWinControl {
  OV_CLASS(TCustomControl, TWinControl)
public:
  explicit TCustomControl(TComponent* AOwner);
  ~TCustomControl() override;
  Graphics::TCanvas* GetCanvas() const { return FCanvas.get(); }

protected:
  void FontChanged() override;

private:
  std::unique_ptr<TControlCanvas> FCanvas;
};

// The form a control is on (the outermost parent when it is a form).
Forms::TCustomForm* GetParentForm(const TControl* Control);

// Removes the accelerator marks of a caption: "&Name" reads "Name", "&&" is
// one "&".
std::string StripHotkey(std::string_view Caption);

} // namespace Controls
