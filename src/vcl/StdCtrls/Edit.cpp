// Edits and memos.
#include "vcl/Controls/Publish.hpp"
#include "vcl/StdCtrls.hpp"

namespace StdCtrls {

namespace P = Controls::Publish;

OV_CLASS_IMPL(TCustomEdit, TWinControl, "StdCtrls")

OV_CLASS_BEGIN(TEdit, TCustomEdit, "StdCtrls")
P::Anchors(B);
B.Property("AutoSelect", &TCustomEdit::GetAutoSelect, &TCustomEdit::SetAutoSelect).Default(1);
B.Property("AutoSize", &TCustomEdit::GetAutoSize, &TCustomEdit::SetAutoSize).Default(1);
B.Property("BorderStyle", &TCustomEdit::GetBorderStyle, &TCustomEdit::SetBorderStyle)
    .Default(static_cast<int64_t>(Forms::TBorderStyle::bsSingle));
B.Property("CharCase", &TCustomEdit::GetCharCase, &TCustomEdit::SetCharCase).Default(0);
P::Color(B, Graphics::clWindow);
P::Ctl3D(B);
P::Cursor(B);
P::DragCursorToHint(B);
B.Property("MaxLength", &TCustomEdit::GetMaxLength, &TCustomEdit::SetMaxLength).Default(0);
P::Parents(B, false);
B.Property("PasswordChar", &TCustomEdit::GetPasswordChar, &TCustomEdit::SetPasswordChar).Default(0);
P::PopupMenu(B);
B.Property("ReadOnly", &TCustomEdit::GetReadOnly, &TCustomEdit::SetReadOnly).Default(0);
P::ShowHint(B);
P::TabOrder(B);
P::TabStop(B, true);
P::Text(B);
P::Visible(B);
B.Event<TNotifyEvent>("OnChange", &TCustomEdit::OnChange);
P::OnClick(B);
P::OnDblClick(B);
P::OnFocusEvents(B);
OV_CLASS_END

TCustomEdit::TCustomEdit(TComponent* AOwner) : TWinControl(AOwner) {
  SetBounds(0, 0, 121, 21);
  SetTabStop(true);
}

TCustomEdit::~TCustomEdit() {
  OnChange = nullptr;
}

void TCustomEdit::Change() {
  if (OnChange && EventsAllowed())
    OnChange(this);
}

std::string TypedText(const std::string& Text, TEditCharCase CharCase, int MaxLength) {
  std::string R = Text;
  if (CharCase == TEditCharCase::ecUpperCase)
    R = SysUtils::UpperCase(R);
  else if (CharCase == TEditCharCase::ecLowerCase)
    R = SysUtils::LowerCase(R);
  if (MaxLength > 0 && R.size() > static_cast<size_t>(MaxLength))
    R.resize(static_cast<size_t>(MaxLength));
  return R;
}

std::string TCustomEdit::TypedText(const std::string& Text) const {
  return StdCtrls::TypedText(Text, FCharCase, FMaxLength);
}

OV_CLASS_IMPL(TCustomMemo, TCustomEdit, "StdCtrls")

OV_CLASS_BEGIN(TMemo, TCustomMemo, "StdCtrls")
P::Align(B);
B.Property("Alignment", &TCustomMemo::GetAlignment, &TCustomMemo::SetAlignment).Default(0);
P::Anchors(B);
B.Property("BorderStyle", &TCustomEdit::GetBorderStyle, &TCustomEdit::SetBorderStyle)
    .Default(static_cast<int64_t>(Forms::TBorderStyle::bsSingle));
P::Color(B, Graphics::clWindow);
P::Ctl3D(B);
P::Cursor(B);
P::DragCursorToHint(B);
B.Property("Lines", &TCustomMemo::GetLines, &TCustomMemo::SetLines);
B.Property("MaxLength", &TCustomEdit::GetMaxLength, &TCustomEdit::SetMaxLength).Default(0);
P::Parents(B, false);
P::PopupMenu(B);
B.Property("ReadOnly", &TCustomEdit::GetReadOnly, &TCustomEdit::SetReadOnly).Default(0);
B.Property("ScrollBars", &TCustomMemo::GetScrollBars, &TCustomMemo::SetScrollBars).Default(0);
P::ShowHint(B);
P::TabOrder(B);
P::TabStop(B, true);
P::Visible(B);
B.Property("WantReturns", &TCustomMemo::GetWantReturns, &TCustomMemo::SetWantReturns).Default(1);
B.Property("WantTabs", &TCustomMemo::GetWantTabs, &TCustomMemo::SetWantTabs).Default(0);
B.Property("WordWrap", &TCustomMemo::GetWordWrap, &TCustomMemo::SetWordWrap).Default(1);
B.Event<TNotifyEvent>("OnChange", &TCustomEdit::OnChange);
P::OnClick(B);
P::OnDblClick(B);
P::OnFocusEvents(B);
OV_CLASS_END

TCustomMemo::TCustomMemo(TComponent* AOwner)
    : TCustomEdit(AOwner), FLines(std::make_unique<Classes::TStringList>()) {
  SetBounds(0, 0, 185, 89);
  FLines->OnChange = [this](TObject*) { LinesChanged(); };
}

TCustomMemo::~TCustomMemo() {
  FLines->OnChange = nullptr;
}

void TCustomMemo::SetText(const std::string& Value) {
  FLines->SetText(Value);
}

void TCustomMemo::LinesChanged() {
  std::string Joined;
  // The new text is most often about as long as the one it replaces.
  Joined.reserve(GetText().size() + 64);
  for (int I = 0, N = FLines->Count(); I < N; ++I) {
    if (I > 0)
      Joined += SysUtils::sLineBreak;
    Joined += FLines->Get(I);
  }
  TControl::SetText(Joined);
}

bool TCustomMemo::HandleKey(uint16_t Key, TShiftState Shift) {
  if (Key == Windows::VK_RETURN && FWantReturns) {
    if (!GetReadOnly()) {
      const Classes::TStringsUpdate Updating(FLines.get());
      // An empty memo has one empty line before the new one.
      if (FLines->Count() == 0)
        FLines->Add("");
      FLines->Add("");
    }
    return true;
  }
  if (Key == Windows::VK_TAB && FWantTabs && !Shift.Contains(Classes::TShiftStateItem::ssCtrl)) {
    if (!GetReadOnly())
      SetText(GetText() + "\t");
    return true;
  }
  return false;
}

} // namespace StdCtrls
