#include "EditorTestClasses.hpp"

namespace EditorTest {

OV_CLASS_BEGIN(TStyle, Classes::TPersistent, "EditorTest")
B.Property("Size", &TStyle::GetSize, &TStyle::SetSize);
B.Property("Face", &TStyle::GetFace, &TStyle::SetFace);
OV_CLASS_END

void TStyle::Assign(Classes::TPersistent* Source) {
  if (auto* S = dynamic_cast<TStyle*>(Source)) {
    FSize = S->FSize;
    FFace = S->FFace;
    return;
  }
  Classes::TPersistent::Assign(Source);
}

OV_CLASS_BEGIN(TWidget, TComponent, "EditorTest")
B.Property("Count", &TWidget::GetCount, &TWidget::SetCount);
B.Property("Active", &TWidget::GetActive, &TWidget::SetActive);
B.Property("Mode", &TWidget::GetMode, &TWidget::SetMode);
B.Property("Options", &TWidget::GetOptions, &TWidget::SetOptions);
B.Property("Ratio", &TWidget::GetRatio, &TWidget::SetRatio);
B.Property("Caption", &TWidget::GetCaption, &TWidget::SetCaption);
B.Property("Letter", &TWidget::GetLetter, &TWidget::SetLetter);
B.Property("Big", &TWidget::GetBig, &TWidget::SetBig);
B.Property("Lines", &TWidget::GetLines, &TWidget::SetLines);
B.Property("Style", &TWidget::GetStyle, &TWidget::SetStyle);
B.Property("Buddy", &TWidget::GetBuddy, &TWidget::SetBuddy);
B.Property("Serial", &TWidget::GetSerial, nullptr);
B.Event("OnChange", &TWidget::OnChange);
OV_CLASS_END

OV_CLASS_IMPL(TSpecialWidget, TWidget, "EditorTest")

OV_CLASS_BEGIN(TGadget, TComponent, "EditorTest")
B.Property("Count", &TGadget::GetCount, &TGadget::SetCount);
B.Property("Caption", &TGadget::GetCaption, &TGadget::SetCaption);
B.Property("Mode", &TGadget::GetMode, &TGadget::SetMode);
OV_CLASS_END

OV_CLASS_IMPL(TSpecialGadget, TGadget, "EditorTest")

OV_CLASS_BEGIN(TTestRoot, TComponent, "EditorTest")
B.Method("WidgetChange", &TTestRoot::WidgetChange);
B.Method("OtherChange", &TTestRoot::OtherChange);
OV_CLASS_END

TWidget::TWidget(TComponent* AOwner)
    : TComponent(AOwner), FLines(std::make_unique<Classes::TStringList>()),
      FStyle(std::make_unique<TStyle>()) {}

TWidget::~TWidget() = default;

void TWidget::SetActive(bool Value) {
  if (Value && FailActivation)
    throw SysUtils::EInvalidOperation("cannot reach the server");
  FActive = Value;
}

void TWidget::SetLines(Classes::TStrings* Value) {
  FLines->Assign(Value);
  ++LinesAssigned;
}

void TWidget::SetBuddy(TGadget* Value) {
  if (FBuddy)
    FBuddy->RemoveFreeNotification(this);
  FBuddy = Value;
  if (FBuddy)
    FBuddy->FreeNotification(this);
}

void TWidget::Notification(TComponent* AComponent, Classes::TOperation Operation) {
  TComponent::Notification(AComponent, Operation);
  if (Operation == Classes::TOperation::opRemove && AComponent == FBuddy)
    FBuddy = nullptr;
}

} // namespace EditorTest
