// Checks that bytes are well-formed UTF-8 as Utf8Sequence reads it (shortest forms, no
// surrogates, nothing above U+10FFFF), without working out the characters: the fast path
// asks this once per line that holds a byte from 0x80 on.
#pragma once

#include <cstddef>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

inline bool IsWellFormedUtf8(const unsigned char* bytes, std::size_t size) {
  std::size_t pos = 0;
  for (;;) {
#if defined(__SSE2__)
    // ASCII runs 16 bytes at a time: the top bit of a byte is set from 0x80 on.
    while (size - pos >= 16) {
      const auto mask = static_cast<unsigned>(
          _mm_movemask_epi8(_mm_loadu_si128(reinterpret_cast<const __m128i*>(bytes + pos))));
      if (mask != 0) {
        pos += static_cast<std::size_t>(__builtin_ctz(mask));
        break;
      }
      pos += 16;
    }
#endif
    while (pos < size && bytes[pos] < 0x80)
      ++pos;
    if (pos == size)
      return true;
    const unsigned char lead = bytes[pos];
    std::size_t length = 0;
    unsigned char low = 0x80, high = 0xBF;  // range of the second byte
    if (lead < 0xC2) {
      return false;
    } else if (lead <= 0xDF) {
      length = 2;
    } else if (lead <= 0xEF) {
      length = 3;
      low = lead == 0xE0 ? 0xA0 : 0x80;   // shorter forms exist
      high = lead == 0xED ? 0x9F : 0xBF;  // surrogates
    } else if (lead <= 0xF4) {
      length = 4;
      low = lead == 0xF0 ? 0x90 : 0x80;   // shorter forms exist
      high = lead == 0xF4 ? 0x8F : 0xBF;  // above U+10FFFF
    } else {
      return false;
    }
    if (size - pos < length || bytes[pos + 1] < low || bytes[pos + 1] > high)
      return false;
    for (std::size_t k = 2; k < length; ++k) {
      if ((bytes[pos + k] & 0xC0) != 0x80)
        return false;
    }
    pos += length;
  }
}
