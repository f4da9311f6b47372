// Helpers shared by the parser, the writers and the reader of text form
// files; not part of the DfmStream interface.
#pragma once

#include "rtl/StrUtils.hpp"

#include <cstdint>
#include <string>
#include <string_view>

namespace DfmStream::Internal {

// Appends the UTF-8 encoding of a code point (at most 0x10FFFF, no surrogate).
inline void AppendUtf8(std::string& S, uint32_t Code) {
  if (Code < 0x80) {
    S.push_back(static_cast<char>(Code));
  } else if (Code < 0x800) {
    S.push_back(static_cast<char>(0xC0 | (Code >> 6)));
    S.push_back(static_cast<char>(0x80 | (Code & 0x3F)));
  } else if (Code < 0x10000) {
    S.push_back(static_cast<char>(0xE0 | (Code >> 12)));
    S.push_back(static_cast<char>(0x80 | ((Code >> 6) & 0x3F)));
    S.push_back(static_cast<char>(0x80 | (Code & 0x3F)));
  } else {
    S.push_back(static_cast<char>(0xF0 | (Code >> 18)));
    S.push_back(static_cast<char>(0x80 | ((Code >> 12) & 0x3F)));
    S.push_back(static_cast<char>(0x80 | ((Code >> 6) & 0x3F)));
    S.push_back(static_cast<char>(0x80 | (Code & 0x3F)));
  }
}

// Shared with the rest of the run-time library.
using StrUtils::DecodeUtf8;
using StrUtils::Excerpt;

// "source:line:column: " as error messages begin; without a source name the
// position alone.
std::string Position(const std::string& SourceName, int Line, int Column);

bool IsIdent(std::string_view S);
bool IsDottedIdent(std::string_view S);
// The words that open or close an object in a form file; a property name that
// starts with one could not be read back.
bool IsKeyword(std::string_view S);

} // namespace DfmStream::Internal
