// Tables of integer values and the identifiers form files write for them
// (clBtnFace, crHourGlass), read in both directions: what an integer type's
// IntToIdent and IdentToInt (TypInfo::TTypeInfo) are made of.
#pragma once

#include "rtl/SysUtils.hpp"

#include <cstdint>
#include <span>
#include <string>
#include <string_view>

namespace IdentTable {

struct TIdentEntry {
  int32_t Value;
  const char* Name;
};

// The first entry of Value names it; false when none does.
inline bool ToIdent(std::span<const TIdentEntry> Table, int64_t Value, std::string& Ident) {
  for (const auto& E : Table)
    if (E.Value == Value) {
      Ident = E.Name;
      return true;
    }
  return false;
}

// The value of the entry named Ident in any case; false when none is.
inline bool FromIdent(std::span<const TIdentEntry> Table, std::string_view Ident, int64_t& Value) {
  for (const auto& E : Table)
    if (SysUtils::SameText(E.Name, Ident)) {
      Value = E.Value;
      return true;
    }
  return false;
}

} // namespace IdentTable
