// Cursor identifiers, modal result names and caption helpers.
#include "vcl/Controls.hpp"

#include "rtl/IdentTable.hpp"

#include <array>

namespace Controls {

namespace {

using IdentTable::TIdentEntry;

constexpr std::array<TIdentEntry, 22> CursorIdents{{
    {crDefault, "crDefault"},     {crNone, "crNone"},           {crArrow, "crArrow"},
    {crCross, "crCross"},         {crIBeam, "crIBeam"},         {crSizeNESW, "crSizeNESW"},
    {crSizeNS, "crSizeNS"},       {crSizeNWSE, "crSizeNWSE"},   {crSizeWE, "crSizeWE"},
    {crUpArrow, "crUpArrow"},     {crHourGlass, "crHourGlass"}, {crDrag, "crDrag"},
    {crNoDrop, "crNoDrop"},       {crHSplit, "crHSplit"},       {crVSplit, "crVSplit"},
    {crMultiDrag, "crMultiDrag"}, {crSQLWait, "crSQLWait"},     {crNo, "crNo"},
    {crAppStart, "crAppStart"},   {crHelp, "crHelp"},           {crHandPoint, "crHandPoint"},
    {crSizeAll, "crSizeAll"},
}};

constexpr std::array<const char*, 11> ModalResultNames{{"mrNone", "mrOk", "mrCancel", "mrAbort",
                                                        "mrRetry", "mrIgnore", "mrYes", "mrNo",
                                                        "mrAll", "mrNoToAll", "mrYesToAll"}};

} // namespace

bool CursorToIdent(int64_t Cursor, std::string& Ident) {
  return IdentTable::ToIdent(CursorIdents, Cursor, Ident);
}

bool IdentToCursor(std::string_view Ident, int64_t& Cursor) {
  return IdentTable::FromIdent(CursorIdents, Ident, Cursor);
}

std::string ModalResultToString(TModalResult Result) {
  if (Result >= 0 && Result < static_cast<int>(ModalResultNames.size()))
    return ModalResultNames[static_cast<size_t>(Result)];
  return std::to_string(Result);
}

std::string StripHotkey(std::string_view Caption) {
  std::string R;
  R.reserve(Caption.size());
  for (size_t I = 0; I < Caption.size(); ++I) {
    if (Caption[I] != '&') {
      R += Caption[I];
      continue;
    }
    // A single "&" marks the next character and is not shown.
    if (I + 1 < Caption.size() && Caption[I + 1] == '&') {
      R += '&';
      ++I;
    }
  }
  return R;
}

} // namespace Controls
