// Fonts, colours, pictures, cursors and file filters of the model in Qt's terms.
#include "host/qt/QtForms.hpp"

#include "vcl/Controls.hpp"

#include <QFontDatabase>
#include <QStringList>

#include <algorithm>
#include <array>
#include <cmath>

namespace QtForms {

namespace {

// The platform's raster fonts that stored layouts name: they exist nowhere
// else, and a sans font of about their width replaces them.
bool IsDialogFont(const std::string& Name) {
  static constexpr std::array<const char*, 6> Names{
      "MS Sans Serif", "MS Shell Dlg", "MS Shell Dlg 2", "System", "Small Fonts", "Tahoma"};
  return std::any_of(Names.begin(), Names.end(),
                     [&](const char* N) { return SysUtils::SameText(Name, N); });
}

bool IsFixedFont(const std::string& Name) {
  static constexpr std::array<const char*, 4> Names{"Courier", "Courier New", "Fixedsys",
                                                    "Terminal"};
  return std::any_of(Names.begin(), Names.end(),
                     [&](const char* N) { return SysUtils::SameText(Name, N); });
}

} // namespace

QFont ToQFont(const Graphics::TFont& Font) {
  QFont F;
  const std::string& Name = Font.GetName();
  if (IsDialogFont(Name)) {
    // Liberation Sans has the metrics of the platform's later dialog fonts,
    // so captions fit the stored layouts; the others are fall-backs.
    F.setFamilies({"Liberation Sans", "Arial", "Helvetica", "DejaVu Sans"});
    F.setStyleHint(QFont::SansSerif);
  } else if (IsFixedFont(Name) || Font.GetPitch() == Graphics::TFontPitch::fpFixed) {
    F.setFamilies({QString::fromStdString(Name), "Liberation Mono", "DejaVu Sans Mono"});
    F.setStyleHint(QFont::Monospace);
  } else {
    F.setFamilies({QString::fromStdString(Name), "Liberation Sans", "DejaVu Sans"});
    F.setStyleHint(QFont::SansSerif);
  }
  const int H = Font.GetHeight();
  if (H < 0)
    F.setPointSize(std::max(1, static_cast<int>(std::lround(-H * 72.0 / 96.0))));
  else if (H > 0)
    // A positive height is the cell height; the character is about five
    // sixths of it.
    F.setPixelSize(std::max(1, H * 5 / 6));
  else
    F.setPointSize(8);
  const Graphics::TFontStyles S = Font.GetStyle();
  F.setBold(S.Contains(Graphics::TFontStyle::fsBold));
  F.setItalic(S.Contains(Graphics::TFontStyle::fsItalic));
  F.setUnderline(S.Contains(Graphics::TFontStyle::fsUnderline));
  F.setStrikeOut(S.Contains(Graphics::TFontStyle::fsStrikeOut));
  return F;
}

QColor ToQColor(Graphics::TColor Color, const QPalette& Palette) {
  using namespace Graphics;
  if (Color == clNone || Color == clDefault)
    return {};
  switch (static_cast<int32_t>(Color)) {
  case clBtnFace:
  case clMenu:
    return Palette.color(QPalette::Button);
  case clWindow:
    return Palette.color(QPalette::Base);
  case clWindowText:
  case clMenuText:
    return Palette.color(QPalette::Text);
  case clBtnText:
    return Palette.color(QPalette::ButtonText);
  case clHighlight:
    return Palette.color(QPalette::Highlight);
  case clHighlightText:
    return Palette.color(QPalette::HighlightedText);
  case clGrayText:
    return Palette.color(QPalette::Disabled, QPalette::Text);
  case clBtnShadow:
    return Palette.color(QPalette::Dark);
  case clBtnHighlight:
    return Palette.color(QPalette::Light);
  case cl3DDkShadow:
    return Palette.color(QPalette::Shadow);
  case cl3DLight:
    return Palette.color(QPalette::Midlight);
  case clInfoBk:
    return Palette.color(QPalette::ToolTipBase);
  case clInfoText:
    return Palette.color(QPalette::ToolTipText);
  case clHotLight:
    return Palette.color(QPalette::Link);
  default:
    break;
  }
  const uint32_t RGB = static_cast<uint32_t>(ColorToRGB(Color));
  return QColor(static_cast<int>(RGB & 0xFF), static_cast<int>((RGB >> 8) & 0xFF),
                static_cast<int>((RGB >> 16) & 0xFF));
}

QImage ToQImage(const Graphics::TBitmap& Bitmap) {
  if (Bitmap.Empty())
    return {};
  const std::string& Bytes = Bitmap.FileBytes();
  return QImage::fromData(reinterpret_cast<const uchar*>(Bytes.data()),
                          static_cast<int>(Bytes.size()), "BMP");
}

Qt::CursorShape ToCursorShape(int Cursor) {
  switch (Cursor) {
  case Controls::crNone:
    return Qt::BlankCursor;
  case Controls::crCross:
    return Qt::CrossCursor;
  case Controls::crIBeam:
    return Qt::IBeamCursor;
  case Controls::crSizeNESW:
    return Qt::SizeBDiagCursor;
  case Controls::crSizeNS:
    return Qt::SizeVerCursor;
  case Controls::crSizeNWSE:
    return Qt::SizeFDiagCursor;
  case Controls::crSizeWE:
    return Qt::SizeHorCursor;
  case Controls::crUpArrow:
    return Qt::UpArrowCursor;
  case Controls::crHourGlass:
    return Qt::WaitCursor;
  case Controls::crDrag:
    return Qt::DragMoveCursor;
  case Controls::crNoDrop:
  case Controls::crNo:
    return Qt::ForbiddenCursor;
  case Controls::crHSplit:
    return Qt::SplitHCursor;
  case Controls::crVSplit:
    return Qt::SplitVCursor;
  case Controls::crMultiDrag:
    return Qt::DragCopyCursor;
  case Controls::crSQLWait:
  case Controls::crAppStart:
    return Qt::BusyCursor;
  case Controls::crHelp:
    return Qt::WhatsThisCursor;
  case Controls::crHandPoint:
    return Qt::PointingHandCursor;
  case Controls::crSizeAll:
    return Qt::SizeAllCursor;
  default:
    return Qt::ArrowCursor;
  }
}

QStringList ToNameFilters(const std::string& Filter) {
  QStringList Result;
  const QStringList Parts = QString::fromStdString(Filter).split('|');
  for (qsizetype I = 0; I + 1 < Parts.size(); I += 2) {
    QStringList Patterns = Parts[I + 1].split(';', Qt::SkipEmptyParts);
    for (QString& P : Patterns) {
      P = P.trimmed();
      // "*.*" means every file there; on this system not every name has a dot.
      if (P == "*.*")
        P = "*";
    }
    Result << QString("%1 (%2)").arg(Parts[I].trimmed(), Patterns.join(' '));
  }
  if (Result.isEmpty())
    Result << "All files (*)";
  return Result;
}

} // namespace QtForms
