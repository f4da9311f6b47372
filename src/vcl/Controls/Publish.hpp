// Publishing the common properties of controls. Each control class lists
// what it publishes, in the order the Object Inspector and form files show
// them (bounds first, then by name, events last), as the platform's classes
// republish the protected properties of TControl one by one.
#pragma once

#include "vcl/Controls.hpp"
#include "vcl/Menus.hpp"

namespace Controls::Publish {

template <class C> void Align(TypInfo::TClassBuilder<C>& B) {
  B.Property("Align", &TControl::GetAlign, &TControl::SetAlign).Default(0);
}
template <class C> void Anchors(TypInfo::TClassBuilder<C>& B) {
  B.Property("Anchors", &TControl::GetAnchors, &TControl::SetAnchors)
      .Default(static_cast<int64_t>(TAnchors{TAnchorKind::akLeft, TAnchorKind::akTop}.Bits()));
}
template <class C> void Caption(TypInfo::TClassBuilder<C>& B) {
  B.Property("Caption", &TControl::GetCaption, &TControl::SetCaption);
}
template <class C> void Text(TypInfo::TClassBuilder<C>& B) {
  B.Property("Text", &TControl::GetText, &TControl::SetText);
}
// A control that follows its parent's colour stores its own only when it
// has one; a control with a colour of its own stores it unless it is Default.
template <class C> void Color(TypInfo::TClassBuilder<C>& B) {
  B.Property("Color", &TControl::GetColor, &TControl::SetColor).Stored(&TControl::IsColorStored);
}
template <class C> void Color(TypInfo::TClassBuilder<C>& B, TColor Default) {
  B.Property("Color", &TControl::GetColor, &TControl::SetColor)
      .Default(static_cast<int64_t>(Default))
      .Stored(&TControl::IsColorStored);
}
template <class C> void Ctl3D(TypInfo::TClassBuilder<C>& B) {
  B.Property("Ctl3D", &TControl::GetCtl3D, &TControl::SetCtl3D).Default(1);
}
template <class C> void Cursor(TypInfo::TClassBuilder<C>& B) {
  B.Property("Cursor", &TControl::GetCursor, &TControl::SetCursor).Default(0);
}
template <class C> void DragCursor(TypInfo::TClassBuilder<C>& B) {
  B.Property("DragCursor", &TControl::GetDragCursor, &TControl::SetDragCursor)
      .Default(static_cast<int64_t>(crDrag));
}
template <class C> void DragMode(TypInfo::TClassBuilder<C>& B) {
  B.Property("DragMode", &TControl::GetDragMode, &TControl::SetDragMode).Default(0);
}
template <class C> void Enabled(TypInfo::TClassBuilder<C>& B) {
  B.Property("Enabled", &TControl::GetEnabled, &TControl::SetEnabled).Default(1);
}
template <class C> void Font(TypInfo::TClassBuilder<C>& B) {
  B.Property("Font", &TControl::GetFont, &TControl::SetFont).Stored(&TControl::IsFontStored);
}
template <class C> void HelpContext(TypInfo::TClassBuilder<C>& B) {
  B.Property("HelpContext", &TControl::GetHelpContext, &TControl::SetHelpContext).Default(0);
}
template <class C> void Hint(TypInfo::TClassBuilder<C>& B) {
  B.Property("Hint", &TControl::GetHint, &TControl::SetHint);
}
template <class C> void ParentColor(TypInfo::TClassBuilder<C>& B, bool Default) {
  B.Property("ParentColor", &TControl::GetParentColor, &TControl::SetParentColor)
      .Default(Default ? 1 : 0);
}
template <class C> void ParentCtl3D(TypInfo::TClassBuilder<C>& B) {
  B.Property("ParentCtl3D", &TControl::GetParentCtl3D, &TControl::SetParentCtl3D).Default(1);
}
template <class C> void ParentFont(TypInfo::TClassBuilder<C>& B) {
  B.Property("ParentFont", &TControl::GetParentFont, &TControl::SetParentFont).Default(1);
}
template <class C> void ParentShowHint(TypInfo::TClassBuilder<C>& B) {
  B.Property("ParentShowHint", &TControl::GetParentShowHint, &TControl::SetParentShowHint)
      .Default(1);
}
template <class C> void PopupMenu(TypInfo::TClassBuilder<C>& B) {
  B.Property("PopupMenu", &TControl::GetPopupMenu, &TControl::SetPopupMenu);
}
template <class C> void ShowHint(TypInfo::TClassBuilder<C>& B) {
  B.Property("ShowHint", &TControl::GetShowHint, &TControl::SetShowHint)
      .Stored(&TControl::IsShowHintStored);
}
template <class C> void TabOrder(TypInfo::TClassBuilder<C>& B) {
  B.Property("TabOrder", &TWinControl::GetTabOrder, &TWinControl::SetTabOrder).Default(-1);
}
template <class C> void TabStop(TypInfo::TClassBuilder<C>& B, bool Default) {
  B.Property("TabStop", &TWinControl::GetTabStop, &TWinControl::SetTabStop)
      .Default(Default ? 1 : 0);
}
template <class C> void Visible(TypInfo::TClassBuilder<C>& B) {
  B.Property("Visible", &TControl::GetVisible, &TControl::SetVisible).Default(1);
}

// Runs of the properties above that most controls publish one after the
// other, in the same order; a class lists its own before, between and after
// them.

// DragCursor, DragMode, Enabled, Font, HelpContext, Hint.
template <class C> void DragCursorToHint(TypInfo::TClassBuilder<C>& B) {
  DragCursor(B);
  DragMode(B);
  Enabled(B);
  Font(B);
  HelpContext(B);
  Hint(B);
}
// ParentColor (its default given), ParentCtl3D, ParentFont, ParentShowHint.
template <class C> void Parents(TypInfo::TClassBuilder<C>& B, bool ParentColorDefault) {
  ParentColor(B, ParentColorDefault);
  ParentCtl3D(B);
  ParentFont(B);
  ParentShowHint(B);
}
// PopupMenu, ShowHint, TabOrder, TabStop (its default given), Visible.
template <class C> void PopupMenuToVisible(TypInfo::TClassBuilder<C>& B, bool TabStopDefault) {
  PopupMenu(B);
  ShowHint(B);
  TabOrder(B);
  TabStop(B, TabStopDefault);
  Visible(B);
}

template <class C> void OnClick(TypInfo::TClassBuilder<C>& B) {
  B.template Event<TNotifyEvent>("OnClick", &TControl::OnClick);
}
template <class C> void OnDblClick(TypInfo::TClassBuilder<C>& B) {
  B.template Event<TNotifyEvent>("OnDblClick", &TControl::OnDblClick);
}
template <class C> void OnMouse(TypInfo::TClassBuilder<C>& B) {
  B.template Event<TMouseEvent>("OnMouseDown", &TControl::OnMouseDown);
  B.template Event<TMouseEvent>("OnMouseUp", &TControl::OnMouseUp);
}
template <class C> void OnEnterExit(TypInfo::TClassBuilder<C>& B) {
  B.template Event<TNotifyEvent>("OnEnter", &TWinControl::OnEnter);
  B.template Event<TNotifyEvent>("OnExit", &TWinControl::OnExit);
}
template <class C> void OnKeys(TypInfo::TClassBuilder<C>& B) {
  B.template Event<TKeyEvent>("OnKeyDown", &TWinControl::OnKeyDown);
  B.template Event<TKeyPressEvent>("OnKeyPress", &TWinControl::OnKeyPress);
  B.template Event<TKeyEvent>("OnKeyUp", &TWinControl::OnKeyUp);
}
// The events of a control that takes the focus: OnEnter, OnExit, the keys
// and the mouse buttons.
template <class C> void OnFocusEvents(TypInfo::TClassBuilder<C>& B) {
  OnEnterExit(B);
  OnKeys(B);
  OnMouse(B);
}

} // namespace Controls::Publish
