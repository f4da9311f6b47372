// Labels.
#include "vcl/Controls/Publish.hpp"
#include "vcl/StdCtrls.hpp"

#include <algorithm>

namespace StdCtrls {

namespace P = Controls::Publish;

OV_CLASS_IMPL(TCustomLabel, Controls::TGraphicControl, "StdCtrls")

OV_CLASS_BEGIN(TLabel, TCustomLabel, "StdCtrls")
P::Align(B);
B.Property("Alignment", &TCustomLabel::GetAlignment, &TCustomLabel::SetAlignment).Default(0);
P::Anchors(B);
B.Property("AutoSize", &TCustomLabel::GetAutoSize, &TCustomLabel::SetAutoSize).Default(1);
P::Caption(B);
P::Color(B);
P::Cursor(B);
P::DragCursor(B);
P::DragMode(B);
P::Enabled(B);
B.Property("FocusControl", &TCustomLabel::GetFocusControl, &TCustomLabel::SetFocusControl);
P::Font(B);
P::Hint(B);
B.Property("Layout", &TCustomLabel::GetLayout, &TCustomLabel::SetLayout).Default(0);
P::ParentColor(B, true);
P::ParentFont(B);
P::ParentShowHint(B);
P::PopupMenu(B);
B.Property("ShowAccelChar", &TCustomLabel::GetShowAccelChar, &TCustomLabel::SetShowAccelChar)
    .Default(1);
P::ShowHint(B);
B.Property("Transparent", &TCustomLabel::GetTransparent, &TCustomLabel::SetTransparent).Default(0);
P::Visible(B);
B.Property("WordWrap", &TCustomLabel::GetWordWrap, &TCustomLabel::SetWordWrap).Default(0);
P::OnClick(B);
P::OnDblClick(B);
P::OnMouse(B);
OV_CLASS_END

TCustomLabel::TCustomLabel(TComponent* AOwner) : TGraphicControl(AOwner) {
  SetBounds(0, 0, 65, 17);
  SetColor(Graphics::clBtnFace);
  SetParentColor(true);
}

TCustomLabel::~TCustomLabel() = default;

void TCustomLabel::SetAlignment(TAlignment Value) {
  FAlignment = Value;
}

void TCustomLabel::SetAutoSize(bool Value) {
  if (FAutoSize == Value)
    return;
  FAutoSize = Value;
  AdjustBounds();
}

void TCustomLabel::SetShowAccelChar(bool Value) {
  if (FShowAccelChar == Value)
    return;
  FShowAccelChar = Value;
  AdjustBounds();
}

void TCustomLabel::SetWordWrap(bool Value) {
  if (FWordWrap == Value)
    return;
  FWordWrap = Value;
  AdjustBounds();
}

void TCustomLabel::SetFocusControl(TWinControl* Value) {
  if (FFocusControl == Value)
    return;
  if (FFocusControl)
    FFocusControl->RemoveFreeNotification(this);
  FFocusControl = Value;
  if (Value)
    Value->FreeNotification(this);
}

void TCustomLabel::Notification(TComponent* AComponent, Classes::TOperation Operation) {
  TGraphicControl::Notification(AComponent, Operation);
  if (Operation == Classes::TOperation::opRemove && AComponent == FFocusControl)
    FFocusControl = nullptr;
}

std::string TCustomLabel::DisplayText() const {
  return FShowAccelChar ? Controls::StripHotkey(GetCaption()) : GetCaption();
}

std::vector<std::string> TCustomLabel::DisplayLines() const {
  const std::string Text = DisplayText();
  std::vector<std::string> Paragraphs;
  Classes::TStringList L;
  L.SetText(Text);
  Paragraphs = L.ToVector();
  if (Paragraphs.empty())
    Paragraphs.emplace_back();
  if (!FWordWrap)
    return Paragraphs;
  const Graphics::TCanvas* C = GetCanvas();
  std::vector<std::string> Lines;
  for (const std::string& P : Paragraphs) {
    std::string Line;
    for (const std::string& Word : SysUtils::SplitString(P, ' ')) {
      const std::string Candidate = Line.empty() ? Word : Line + " " + Word;
      if (Line.empty() || C->TextWidth(Candidate) <= GetWidth()) {
        Line = Candidate;
        continue;
      }
      Lines.push_back(Line);
      Line = Word;
    }
    Lines.push_back(Line);
  }
  return Lines;
}

void TCustomLabel::AdjustBounds() {
  if (!FAutoSize || IsLoading() || IsDestroying())
    return;
  const Graphics::TCanvas* C = GetCanvas();
  int W = 0;
  int H = 0;
  const auto Lines = DisplayLines();
  for (const std::string& Line : Lines) {
    // An empty line is measured as a blank, as the platform draws it.
    const Types::TSize S = C->TextExtent(Line.empty() ? std::string(" ") : Line);
    W = std::max(W, S.cx);
    H += S.cy;
  }
  if (FWordWrap)
    W = std::max(W, GetWidth());
  int X = GetLeft();
  if (FAlignment == TAlignment::taRightJustify)
    X += GetWidth() - W;
  SetBounds(X, GetTop(), W, H);
}

void TCustomLabel::FontChanged() {
  TGraphicControl::FontChanged();
  AdjustBounds();
}

void TCustomLabel::Loaded() {
  TGraphicControl::Loaded();
  AdjustBounds();
}

} // namespace StdCtrls
