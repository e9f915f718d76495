// The Windows-1252 code page where it differs from Latin-1: bytes 0x80 to 0x9F. Text saved
// by Windows programs as "ANSI" uses them for the euro sign, curly quotes and dashes; read
// as their own values they would be invisible control characters.
#pragma once

#include <array>

namespace windows1252 {

// Indexed by the byte less 0x80. The five bytes the code page leaves out (0x81, 0x8D, 0x8F,
// 0x90, 0x9D) keep their own value, as the Windows conversion functions give them.
inline constexpr std::array<char16_t, 32> kHighControls = {
    0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, 0x02C6, 0x2030, 0x0160,
    0x2039, 0x0152, 0x008D, 0x017D, 0x008F, 0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022,
    0x2013, 0x2014, 0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178};

inline char32_t CharacterOf(unsigned char byte) {
  return byte >= 0x80 && byte < 0xA0 ? kHighControls[byte - 0x80] : byte;
}

}  // namespace windows1252
