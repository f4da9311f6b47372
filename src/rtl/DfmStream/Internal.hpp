// Helpers shared by the parser, the writers and the reader of text form
// files; not part of the DfmStream interface.
#pragma once

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

// The length of the well-formed UTF-8 sequence of a non-ASCII character at
// Pos, with its code point, or 0 when the bytes there are no such sequence.
// Overlong forms and surrogates count as malformed: re-encoding the code point
// must give back the same bytes, or writing and reading would change a string.
inline int DecodeUtf8(std::string_view S, size_t Pos, uint32_t& Code) {
  const auto Byte = [&](size_t I) { return static_cast<uint8_t>(S[I]); };
  const uint8_t B0 = Byte(Pos);
  int Len = 0;
  uint32_t Min = 0;
  if (B0 >= 0xC2 && B0 <= 0xDF) {
    Len = 2;
    Code = B0 & 0x1F;
    Min = 0x80;
  } else if (B0 >= 0xE0 && B0 <= 0xEF) {
    Len = 3;
    Code = B0 & 0x0F;
    Min = 0x800;
  } else if (B0 >= 0xF0 && B0 <= 0xF4) {
    Len = 4;
    Code = B0 & 0x07;
    Min = 0x10000;
  } else {
    return 0;
  }
  if (Pos + static_cast<size_t>(Len) > S.size())
    return 0;
  for (int I = 1; I < Len; ++I) {
    const uint8_t B = Byte(Pos + static_cast<size_t>(I));
    if ((B & 0xC0) != 0x80)
      return 0;
    Code = (Code << 6) | (B & 0x3F);
  }
  if (Code < Min || Code > 0x10FFFF || (Code >= 0xD800 && Code <= 0xDFFF))
    return 0;
  return Len;
}

// A piece of source or data fit for an error message: at most MaxBytes,
// cut at a character boundary, with malformed bytes shown as '?'.
inline std::string Excerpt(std::string_view S, size_t MaxBytes = 40) {
  std::string R;
  size_t I = 0;
  while (I < S.size()) {
    if (R.size() >= MaxBytes) {
      R += "...";
      break;
    }
    const auto C = static_cast<uint8_t>(S[I]);
    uint32_t Code = 0;
    int Len = 0;
    if (C >= 0x20 && C < 0x7F) {
      R.push_back(static_cast<char>(C));
      ++I;
    } else if (C >= 0x80 && (Len = DecodeUtf8(S, I, Code)) > 0) {
      R.append(S.substr(I, static_cast<size_t>(Len)));
      I += static_cast<size_t>(Len);
    } else {
      R.push_back('?');
      ++I;
    }
  }
  return R;
}

// "source:line:column: " as error messages begin; without a source name the
// position alone.
std::string Position(const std::string& SourceName, int Line, int Column);

bool IsIdent(std::string_view S);
bool IsDottedIdent(std::string_view S);
// The words that open or close an object in a form file; a property name that
// starts with one could not be read back.
bool IsKeyword(std::string_view S);

} // namespace DfmStream::Internal
