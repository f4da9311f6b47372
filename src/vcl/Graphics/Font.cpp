// Fonts and canvases.
#include "vcl/Graphics.hpp"
#include "vcl/UIService.hpp"

namespace Graphics {

OV_CLASS_IMPL(EInvalidGraphic, SysUtils::Exception, "Graphics")
OV_CLASS_IMPL(EResNotFound, SysUtils::Exception, "Graphics")

OV_CLASS_BEGIN(TFont, TPersistent, "Graphics")
B.Property("Charset", &TFont::GetCharset, &TFont::SetCharset);
B.Property("Color", &TFont::GetColor, &TFont::SetColor);
B.Property("Height", &TFont::GetHeight, &TFont::SetHeight);
B.Property("Name", &TFont::GetName, &TFont::SetName);
B.Property("Pitch", &TFont::GetPitch, &TFont::SetPitch).Default(0);
// Height says the same; form files keep only the height.
B.Property("Size", &TFont::GetSize, &TFont::SetSize).NotStored();
B.Property("Style", &TFont::GetStyle, &TFont::SetStyle);
OV_CLASS_END

TFont::TFont() = default;

void TFont::Changed() {
  if (OnChange)
    OnChange(this);
}

void TFont::Assign(TPersistent* Source) {
  if (auto* F = dynamic_cast<TFont*>(Source)) {
    if (F == this || SameAs(*F))
      return;
    FName = F->FName;
    FHeight = F->FHeight;
    FColor = F->FColor;
    FStyle = F->FStyle;
    FCharset = F->FCharset;
    FPitch = F->FPitch;
    Changed();
    return;
  }
  TPersistent::Assign(Source);
}

bool TFont::SameAs(const TFont& Other) const {
  return FName == Other.FName && FHeight == Other.FHeight && FColor == Other.FColor &&
         FStyle == Other.FStyle && FCharset == Other.FCharset && FPitch == Other.FPitch;
}

void TFont::SetName(const std::string& Value) {
  if (Value.empty() || FName == Value)
    return;
  FName = Value;
  Changed();
}

void TFont::SetHeight(int Value) {
  if (FHeight == Value)
    return;
  FHeight = Value;
  Changed();
}

namespace {

// MulDiv of the platform: the product divided with rounding half away from 0.
int MulDiv(int A, int B, int C) {
  const int64_t P = static_cast<int64_t>(A) * B;
  const int64_t Q = P >= 0 ? (P + C / 2) / C : (P - C / 2) / C;
  return static_cast<int>(Q);
}

} // namespace

int TFont::GetSize() const {
  return -MulDiv(FHeight, 72, ScreenPixelsPerInch);
}

void TFont::SetSize(int Value) {
  SetHeight(-MulDiv(Value, ScreenPixelsPerInch, 72));
}

void TFont::SetColor(TColor Value) {
  if (FColor == Value)
    return;
  FColor = Value;
  Changed();
}

void TFont::SetStyle(TFontStyles Value) {
  if (FStyle == Value)
    return;
  FStyle = Value;
  Changed();
}

void TFont::SetCharset(TFontCharset Value) {
  if (FCharset == Value)
    return;
  FCharset = Value;
  Changed();
}

void TFont::SetPitch(TFontPitch Value) {
  if (FPitch == Value)
    return;
  FPitch = Value;
  Changed();
}

OV_CLASS_IMPL(TCanvas, TPersistent, "Graphics")

TCanvas::TCanvas() : FFont(std::make_unique<TFont>()) {}

TCanvas::~TCanvas() = default;

Types::TSize TCanvas::TextExtent(std::string_view Text) const {
  return UIService::UI()->MeasureText(*FFont, Text);
}

} // namespace Graphics
