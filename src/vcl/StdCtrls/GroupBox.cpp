// Group boxes.
#include "vcl/Controls/Publish.hpp"
#include "vcl/StdCtrls.hpp"

namespace StdCtrls {

namespace P = Controls::Publish;

OV_CLASS_IMPL(TCustomGroupBox, Controls::TCustomControl, "StdCtrls")

OV_CLASS_BEGIN(TGroupBox, TCustomGroupBox, "StdCtrls")
P::Align(B);
P::Anchors(B);
P::Caption(B);
P::Color(B);
P::Ctl3D(B);
P::DragCursorToHint(B);
P::Parents(B, true);
P::PopupMenuToVisible(B, false);
P::OnClick(B);
P::OnDblClick(B);
P::OnEnterExit(B);
P::OnMouse(B);
OV_CLASS_END

TCustomGroupBox::TCustomGroupBox(TComponent* AOwner) : TCustomControl(AOwner) {
  SetBounds(0, 0, 185, 105);
  SetColor(Graphics::clBtnFace);
  SetParentColor(true);
}

// Below the caption line, inside a frame of two pixels.
Types::TRect TCustomGroupBox::AdjustClientRect() const {
  Types::TRect R = ClientRect();
  R.Top += GetCanvas()->TextHeight("0");
  R.Left += 2;
  R.Top += 2;
  R.Right -= 2;
  R.Bottom -= 2;
  return R;
}

} // namespace StdCtrls
