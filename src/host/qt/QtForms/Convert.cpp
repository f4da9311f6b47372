// Fonts, colours, pictures, cursors and file filters of the model in Qt's terms.
#include "host/qt/QtForms.hpp"

#include "vcl/Controls.hpp"

#include <QFontDatabase>
#include <QStringList>

#include <algorithm>
#include <cmath>
#include <string_view>

namespace QtForms {

namespace {

struct TFontRule {
  std::string_view Name;
  TFontMapping Mapping;
};

// The fonts stored layouts name. The bitmap fonts are replaced by a sans
// font of about their width; the scalable ones are used where installed.
constexpr TFontRule FontTable[] = {
    {"MS Sans Serif", {TFontClass::fcSans, true}},  {"MS Shell Dlg", {TFontClass::fcSans, true}},
    {"MS Shell Dlg 2", {TFontClass::fcSans, true}}, {"System", {TFontClass::fcSans, true}},
    {"Small Fonts", {TFontClass::fcSans, true}},    {"Tahoma", {TFontClass::fcSans, false}},
    {"Arial", {TFontClass::fcSans, false}},         {"Courier", {TFontClass::fcMono, true}},
    {"Courier New", {TFontClass::fcMono, false}},   {"Fixedsys", {TFontClass::fcMono, true}},
    {"Terminal", {TFontClass::fcMono, true}},
};

} // namespace

TFontMapping MapFontName(const std::string& Name, Graphics::TFontPitch Pitch) {
  for (const TFontRule& R : FontTable)
    if (SysUtils::SameText(Name, R.Name))
      return R.Mapping;
  return {Pitch == Graphics::TFontPitch::fpFixed ? TFontClass::fcMono : TFontClass::fcSans, false};
}

const QStringList& ClassFamilies(TFontClass Class) {
  // Liberation Sans and Mono have the metrics of the platform's later dialog
  // and code fonts (Arimo and Cousine are the same designs); DejaVu is what
  // nearly every Linux system has.
  static const QStringList Sans{"Liberation Sans", "Arimo", "Arial", "Helvetica", "DejaVu Sans"};
  static const QStringList Mono{"Liberation Mono", "Cousine", "Courier New", "DejaVu Sans Mono"};
  return Class == TFontClass::fcMono ? Mono : Sans;
}

QString ResolveFontFamily(const std::string& Name, Graphics::TFontPitch Pitch,
                          const QStringList& Installed) {
  const TFontMapping M = MapFontName(Name, Pitch);
  const QString Named = QString::fromStdString(Name);
  if (!M.Replaced && !Named.isEmpty() && Installed.contains(Named, Qt::CaseInsensitive))
    return Named;
  for (const QString& F : ClassFamilies(M.Class))
    if (Installed.contains(F, Qt::CaseInsensitive))
      return F;
  return {};
}

QFont ToQFont(const Graphics::TFont& Font) {
  static const QStringList Installed = QFontDatabase::families();
  QFont F;
  const TFontMapping M = MapFontName(Font.GetName(), Font.GetPitch());
  const QString Family = ResolveFontFamily(Font.GetName(), Font.GetPitch(), Installed);
  F.setFamilies(Family.isEmpty() ? ClassFamilies(M.Class) : QStringList{Family});
  F.setStyleHint(M.Class == TFontClass::fcMono ? QFont::Monospace : QFont::SansSerif);
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
