// Colour and character-set identifiers.
#include "rtl/IdentTable.hpp"
#include "rtl/StrUtils.hpp"
#include "vcl/Graphics.hpp"

#include <array>

namespace Graphics {

namespace {

using IdentTable::FromIdent;
using IdentTable::TIdentEntry;
using IdentTable::ToIdent;

// The first entry of a value is the name written for it (clGray, not clDkGray).
constexpr std::array<TIdentEntry, 52> ColorIdents{{
    {clBlack, "clBlack"},
    {clMaroon, "clMaroon"},
    {clGreen, "clGreen"},
    {clOlive, "clOlive"},
    {clNavy, "clNavy"},
    {clPurple, "clPurple"},
    {clTeal, "clTeal"},
    {clGray, "clGray"},
    {clSilver, "clSilver"},
    {clRed, "clRed"},
    {clLime, "clLime"},
    {clYellow, "clYellow"},
    {clBlue, "clBlue"},
    {clFuchsia, "clFuchsia"},
    {clAqua, "clAqua"},
    {clWhite, "clWhite"},
    {clMoneyGreen, "clMoneyGreen"},
    {clSkyBlue, "clSkyBlue"},
    {clCream, "clCream"},
    {clMedGray, "clMedGray"},
    {clScrollBar, "clScrollBar"},
    {clBackground, "clBackground"},
    {clActiveCaption, "clActiveCaption"},
    {clInactiveCaption, "clInactiveCaption"},
    {clMenu, "clMenu"},
    {clWindow, "clWindow"},
    {clWindowFrame, "clWindowFrame"},
    {clMenuText, "clMenuText"},
    {clWindowText, "clWindowText"},
    {clCaptionText, "clCaptionText"},
    {clActiveBorder, "clActiveBorder"},
    {clInactiveBorder, "clInactiveBorder"},
    {clAppWorkSpace, "clAppWorkSpace"},
    {clHighlight, "clHighlight"},
    {clHighlightText, "clHighlightText"},
    {clBtnFace, "clBtnFace"},
    {clBtnShadow, "clBtnShadow"},
    {clGrayText, "clGrayText"},
    {clBtnText, "clBtnText"},
    {clInactiveCaptionText, "clInactiveCaptionText"},
    {clBtnHighlight, "clBtnHighlight"},
    {cl3DDkShadow, "cl3DDkShadow"},
    {cl3DLight, "cl3DLight"},
    {clInfoText, "clInfoText"},
    {clInfoBk, "clInfoBk"},
    {clHotLight, "clHotLight"},
    {clGradientActiveCaption, "clGradientActiveCaption"},
    {clGradientInactiveCaption, "clGradientInactiveCaption"},
    {clNone, "clNone"},
    {clDefault, "clDefault"},
    {clLtGray, "clLtGray"},
    {clDkGray, "clDkGray"},
}};

constexpr std::array<TIdentEntry, 19> CharsetIdents{{
    {0, "ANSI_CHARSET"},      {1, "DEFAULT_CHARSET"},    {2, "SYMBOL_CHARSET"},
    {77, "MAC_CHARSET"},      {128, "SHIFTJIS_CHARSET"}, {129, "HANGEUL_CHARSET"},
    {130, "JOHAB_CHARSET"},   {134, "GB2312_CHARSET"},   {136, "CHINESEBIG5_CHARSET"},
    {161, "GREEK_CHARSET"},   {162, "TURKISH_CHARSET"},  {163, "VIETNAMESE_CHARSET"},
    {177, "HEBREW_CHARSET"},  {178, "ARABIC_CHARSET"},   {186, "BALTIC_CHARSET"},
    {204, "RUSSIAN_CHARSET"}, {222, "THAI_CHARSET"},     {238, "EASTEUROPE_CHARSET"},
    {255, "OEM_CHARSET"},
}};

// The classic desktop scheme, by system colour index.
constexpr std::array<uint32_t, 29> SystemColors{{
    0xC8D0D4, // scroll bar
    0xA56E3A, // background
    0x6A240A, // active caption
    0x808080, // inactive caption
    0xC8D0D4, // menu
    0xFFFFFF, // window
    0x000000, // window frame
    0x000000, // menu text
    0x000000, // window text
    0xFFFFFF, // caption text
    0xC8D0D4, // active border
    0xC8D0D4, // inactive border
    0x808080, // application workspace
    0x6A240A, // highlight
    0xFFFFFF, // highlight text
    0xC8D0D4, // button face
    0x808080, // button shadow
    0x808080, // grey text
    0x000000, // button text
    0xC8D0D4, // inactive caption text
    0xFFFFFF, // button highlight
    0x404040, // 3D dark shadow
    0xC8D0D4, // 3D light
    0x000000, // info text
    0xE1FFFF, // info background
    0xB5B5B5, // (unused index 25)
    0x800000, // hot light
    0xF0CAA6, // gradient active caption
    0xC0C0C0, // gradient inactive caption
}};

} // namespace

bool ColorToIdent(int64_t Color, std::string& Ident) {
  return ToIdent(ColorIdents, Color, Ident);
}

bool IdentToColor(std::string_view Ident, int64_t& Color) {
  return FromIdent(ColorIdents, Ident, Color);
}

std::string ColorToString(TColor Color) {
  std::string Ident;
  if (ColorToIdent(Color, Ident))
    return Ident;
  return "$" + SysUtils::IntToHex(static_cast<uint32_t>(Color), 8);
}

TColor StringToColor(std::string_view S) {
  int64_t Value = 0;
  if (IdentToColor(SysUtils::Trim(S), Value))
    return static_cast<TColor>(static_cast<int32_t>(Value));
  int64_t N = 0;
  // Hex values above $7FFFFFFF are the system colours written as numbers.
  if (SysUtils::TryStrToInt64(S, N) && N >= INT32_MIN && N <= static_cast<int64_t>(UINT32_MAX))
    return MakeColor(static_cast<uint32_t>(N));
  throw SysUtils::EConvertError(
      SysUtils::Format("'%s' is not a valid colour value", StrUtils::Excerpt(S)));
}

int32_t ColorToRGB(TColor Color) {
  const uint32_t C = static_cast<uint32_t>(Color);
  if ((C & 0xFF000000u) == 0x80000000u) {
    const uint32_t Index = C & 0xFFu;
    return static_cast<int32_t>(Index < SystemColors.size() ? SystemColors[Index] : 0);
  }
  return static_cast<int32_t>(C & 0x00FFFFFFu);
}

bool CharsetToIdent(int64_t Charset, std::string& Ident) {
  return ToIdent(CharsetIdents, Charset, Ident);
}

bool IdentToCharset(std::string_view Ident, int64_t& Charset) {
  return FromIdent(CharsetIdents, Ident, Charset);
}

} // namespace Graphics
