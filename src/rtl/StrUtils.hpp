// String helpers beyond SysUtils: UTF-8 decoding and the excerpts that
// messages quote input with.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace StrUtils {

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

// Input quoted in a message (a name, a value, a piece of source), fit for
// it: at most about MaxBytes, cut at a character boundary and marked "...",
// with control characters and malformed bytes shown as '?'. Every message
// that quotes what it was given goes through it, so a 10 MB name reads as its
// first few dozen characters and a message stays one readable line.
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

} // namespace StrUtils
