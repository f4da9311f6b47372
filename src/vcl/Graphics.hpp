// Colours, fonts, canvases and pictures of the forms model. Colours and font
// character sets are integers that stored layouts name with the platform's
// identifiers (clBtnFace, DEFAULT_CHARSET); the identifier tables are here.
#pragma once

#include "rtl/Classes.hpp"
#include "vcl/Types.hpp"

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

// Declares the type info of an integer type that has a name of its own and
// names for some of its values (a TColor is an integer to the object model,
// but form files write clBtnFace): IntToIdent and IdentToInt are functions
// bool(int64_t, std::string&) and bool(std::string_view, int64_t&).
#define OV_INTEGER_TYPE(Type, IntToIdentFn, IdentToIntFn)                                          \
  inline const ::TypInfo::TTypeInfo* OvTypeInfo(Type*) {                                           \
    static const ::TypInfo::TTypeInfo Info{                                                        \
        ::TypInfo::TTypeKind::tkInteger, #Type, {}, nullptr, nullptr, IntToIdentFn, IdentToIntFn}; \
    return &Info;                                                                                  \
  }

namespace Graphics {

using Classes::TNotifyEvent;
using Classes::TPersistent;
using System::TObject;

OV_EXCEPTION(EInvalidGraphic, SysUtils::Exception)
// A resource (a stored layout, a bitmap) that no loaded module holds.
OV_EXCEPTION(EResNotFound, SysUtils::Exception)

// $00BBGGRR for an RGB colour, or $80000000 + index for one of the system
// colours, which the user interface resolves (see ColorToRGB). Any int32
// value is a TColor.
enum TColor : int32_t {};

// The identifier of a colour that has one (clBtnFace), false otherwise.
bool ColorToIdent(int64_t Color, std::string& Ident);
// Any case; false for a name that is no colour.
bool IdentToColor(std::string_view Ident, int64_t& Color);
OV_INTEGER_TYPE(TColor, ColorToIdent, IdentToColor)

constexpr TColor MakeColor(uint32_t Value) {
  return static_cast<TColor>(static_cast<int32_t>(Value));
}

inline constexpr TColor clScrollBar = MakeColor(0x80000000);
inline constexpr TColor clBackground = MakeColor(0x80000001);
inline constexpr TColor clActiveCaption = MakeColor(0x80000002);
inline constexpr TColor clInactiveCaption = MakeColor(0x80000003);
inline constexpr TColor clMenu = MakeColor(0x80000004);
inline constexpr TColor clWindow = MakeColor(0x80000005);
inline constexpr TColor clWindowFrame = MakeColor(0x80000006);
inline constexpr TColor clMenuText = MakeColor(0x80000007);
inline constexpr TColor clWindowText = MakeColor(0x80000008);
inline constexpr TColor clCaptionText = MakeColor(0x80000009);
inline constexpr TColor clActiveBorder = MakeColor(0x8000000A);
inline constexpr TColor clInactiveBorder = MakeColor(0x8000000B);
inline constexpr TColor clAppWorkSpace = MakeColor(0x8000000C);
inline constexpr TColor clHighlight = MakeColor(0x8000000D);
inline constexpr TColor clHighlightText = MakeColor(0x8000000E);
inline constexpr TColor clBtnFace = MakeColor(0x8000000F);
inline constexpr TColor clBtnShadow = MakeColor(0x80000010);
inline constexpr TColor clGrayText = MakeColor(0x80000011);
inline constexpr TColor clBtnText = MakeColor(0x80000012);
inline constexpr TColor clInactiveCaptionText = MakeColor(0x80000013);
inline constexpr TColor clBtnHighlight = MakeColor(0x80000014);
inline constexpr TColor cl3DDkShadow = MakeColor(0x80000015);
inline constexpr TColor cl3DLight = MakeColor(0x80000016);
inline constexpr TColor clInfoText = MakeColor(0x80000017);
inline constexpr TColor clInfoBk = MakeColor(0x80000018);
inline constexpr TColor clHotLight = MakeColor(0x8000001A);
inline constexpr TColor clGradientActiveCaption = MakeColor(0x8000001B);
inline constexpr TColor clGradientInactiveCaption = MakeColor(0x8000001C);

inline constexpr TColor clBlack = MakeColor(0x000000);
inline constexpr TColor clMaroon = MakeColor(0x000080);
inline constexpr TColor clGreen = MakeColor(0x008000);
inline constexpr TColor clOlive = MakeColor(0x008080);
inline constexpr TColor clNavy = MakeColor(0x800000);
inline constexpr TColor clPurple = MakeColor(0x800080);
inline constexpr TColor clTeal = MakeColor(0x808000);
inline constexpr TColor clGray = MakeColor(0x808080);
inline constexpr TColor clSilver = MakeColor(0xC0C0C0);
inline constexpr TColor clRed = MakeColor(0x0000FF);
inline constexpr TColor clLime = MakeColor(0x00FF00);
inline constexpr TColor clYellow = MakeColor(0x00FFFF);
inline constexpr TColor clBlue = MakeColor(0xFF0000);
inline constexpr TColor clFuchsia = MakeColor(0xFF00FF);
inline constexpr TColor clAqua = MakeColor(0xFFFF00);
inline constexpr TColor clLtGray = MakeColor(0xC0C0C0);
inline constexpr TColor clDkGray = MakeColor(0x808080);
inline constexpr TColor clWhite = MakeColor(0xFFFFFF);
inline constexpr TColor clMoneyGreen = MakeColor(0xC0DCC0);
inline constexpr TColor clSkyBlue = MakeColor(0xF0CAA6);
inline constexpr TColor clCream = MakeColor(0xF0FBFF);
inline constexpr TColor clMedGray = MakeColor(0xA4A0A0);
inline constexpr TColor clNone = MakeColor(0x1FFFFFFF);
inline constexpr TColor clDefault = MakeColor(0x20000000);

// The identifier, or "$00BBGGRR" as the platform writes other colours.
std::string ColorToString(TColor Color);
// An identifier, "$hex" or a decimal number; EConvertError otherwise.
TColor StringToColor(std::string_view S);
// The RGB value ($00BBGGRR) of a colour, system colours resolved to the
// classic desktop scheme, for a user interface that paints.
int32_t ColorToRGB(TColor Color);

// Character set of a font, a byte.
enum TFontCharset : uint8_t {};
bool CharsetToIdent(int64_t Charset, std::string& Ident);
bool IdentToCharset(std::string_view Ident, int64_t& Charset);
OV_INTEGER_TYPE(TFontCharset, CharsetToIdent, IdentToCharset)
inline constexpr TFontCharset ANSI_CHARSET = static_cast<TFontCharset>(0);
inline constexpr TFontCharset DEFAULT_CHARSET = static_cast<TFontCharset>(1);
inline constexpr TFontCharset SYMBOL_CHARSET = static_cast<TFontCharset>(2);
inline constexpr TFontCharset OEM_CHARSET = static_cast<TFontCharset>(255);

enum class TFontStyle { fsBold, fsItalic, fsUnderline, fsStrikeOut };
OV_ENUM(TFontStyle, "fsBold", "fsItalic", "fsUnderline", "fsStrikeOut")
OV_SET(TFontStyles, TFontStyle)

enum class TFontPitch { fpDefault, fpVariable, fpFixed };
OV_ENUM(TFontPitch, "fpDefault", "fpVariable", "fpFixed")

// The screen resolution that point sizes are converted with.
inline constexpr int ScreenPixelsPerInch = 96;

// Height is in pixels: negative for the character height (what a point size
// gives), positive for the cell height including the internal leading.
class TFont : public TPersistent {
  OV_CLASS(TFont, TPersistent)
public:
  TFont();
  void Assign(TPersistent* Source) override;
  bool SameAs(const TFont& Other) const;

  const std::string& GetName() const { return FName; }
  void SetName(const std::string& Value);
  int GetHeight() const { return FHeight; }
  void SetHeight(int Value);
  int GetSize() const;
  void SetSize(int Value);
  TColor GetColor() const { return FColor; }
  void SetColor(TColor Value);
  TFontStyles GetStyle() const { return FStyle; }
  void SetStyle(TFontStyles Value);
  TFontCharset GetCharset() const { return FCharset; }
  void SetCharset(TFontCharset Value);
  TFontPitch GetPitch() const { return FPitch; }
  void SetPitch(TFontPitch Value);

  TNotifyEvent OnChange;

protected:
  void Changed();

private:
  std::string FName = "MS Sans Serif";
  int FHeight = -11;
  TColor FColor = clWindowText;
  TFontStyles FStyle;
  TFontCharset FCharset = DEFAULT_CHARSET;
  TFontPitch FPitch = TFontPitch::fpDefault;
};

// Text measurement in a font. The user interface answers (a painting one
// with real font metrics, the others with an approximation); a canvas that
// belongs to a control measures in the control's font.
class TCanvas : public TPersistent {
  OV_CLASS(TCanvas, TPersistent)
public:
  TCanvas();
  ~TCanvas() override;
  TFont* GetFont() const { return FFont.get(); }
  void SetFont(TFont* Value) { FFont->Assign(Value); }
  Types::TSize TextExtent(std::string_view Text) const;
  int TextWidth(std::string_view Text) const { return TextExtent(Text).cx; }
  int TextHeight(std::string_view Text) const { return TextExtent(Text).cy; }

private:
  std::unique_ptr<TFont> FFont;
};

enum class TPixelFormat { pfDevice, pf1bit, pf4bit, pf8bit, pf15bit, pf16bit, pf24bit, pf32bit };
OV_ENUM(TPixelFormat, "pfDevice", "pf1bit", "pf4bit", "pf8bit", "pf15bit", "pf16bit", "pf24bit",
        "pf32bit")

class TGraphic : public TPersistent {
  OV_CLASS(TGraphic, TPersistent)
public:
  virtual bool Empty() const = 0;
  virtual int GetWidth() const = 0;
  virtual int GetHeight() const = 0;
  virtual void LoadFromStream(Classes::TStream* Stream) = 0;
  virtual void SaveToStream(Classes::TStream* Stream) const = 0;
  void LoadFromFile(const std::string& FileName);
  void SaveToFile(const std::string& FileName) const;

  TNotifyEvent OnChange;

protected:
  void Changed();
};

// A device-independent bitmap, kept as the bytes of its .bmp file so that a
// user interface can decode it; the model reads the header for its size and
// depth and checks that the pixel data is all there.
class TBitmap : public TGraphic {
  OV_CLASS(TBitmap, TGraphic)
public:
  TBitmap() = default;
  void Assign(TPersistent* Source) override;
  bool Empty() const override { return FData.empty(); }
  int GetWidth() const override { return FWidth; }
  int GetHeight() const override { return FHeight; }
  TPixelFormat GetPixelFormat() const { return FPixelFormat; }
  // Reads a .bmp file from the stream's position to its end; EInvalidGraphic
  // "Bitmap image is not valid" for anything else, the bitmap unchanged.
  void LoadFromStream(Classes::TStream* Stream) override;
  void SaveToStream(Classes::TStream* Stream) const override;
  void LoadFromBytes(std::string Bytes);
  // The bitmap resource Name of the loaded module at Instance (an address
  // inside it); EResNotFound when the module has none of that name.
  void LoadFromResourceName(const void* Instance, const std::string& ResName);
  const std::string& FileBytes() const { return FData; }
  void Clear();

private:
  std::string FData;
  int FWidth = 0;
  int FHeight = 0;
  TPixelFormat FPixelFormat = TPixelFormat::pfDevice;
};

// A picture holds one graphic. Form files store it as the defined property
// "Data": the graphic's class name as a short string, then the graphic's own
// data (for a bitmap, its size as 4 bytes and the .bmp file).
class TPicture : public TPersistent {
  OV_CLASS(TPicture, TPersistent)
public:
  TPicture();
  ~TPicture() override;
  TGraphic* GetGraphic() const { return FGraphic.get(); }
  void SetGraphic(TGraphic* Value);
  // The bitmap, made empty first when the picture holds no bitmap.
  TBitmap* GetBitmap();
  void SetBitmap(TBitmap* Value) { SetGraphic(Value); }
  int GetWidth() const { return FGraphic ? FGraphic->GetWidth() : 0; }
  int GetHeight() const { return FGraphic ? FGraphic->GetHeight() : 0; }
  void Assign(TPersistent* Source) override;
  void LoadFromFile(const std::string& FileName);
  void DefineProperties(Classes::TFiler* Filer) override;

  TNotifyEvent OnChange;

private:
  void GraphicChanged(TObject* Sender);
  void ReadData(Classes::TStream* Stream);
  void WriteData(Classes::TStream* Stream) const;
  std::unique_ptr<TGraphic> FGraphic;
};

} // namespace Graphics
