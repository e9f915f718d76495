// Recognises one UTF-8 sequence at the start of a byte range. Only well-formed sequences
// count: shortest form, no surrogate code points, nothing above U+10FFFF. The reader gives
// every byte that starts no such sequence the character of its own value, so text in a
// single-byte code page still comes through unchanged.
#pragma once

#include <cstddef>

namespace Utf8Sequence {

// Result of Decode: the number of bytes used (1 to 4) and the code point.
// used == 0 means the bytes end before a well-formed sequence could be completed: more
// input is needed to decide (never returned when atEnd is true).
struct Decoded {
  std::size_t used = 0;
  char32_t codePoint = 0;
};

// Decodes the sequence that starts at bytes[0] (available >= 1). When the bytes do not
// start a well-formed sequence, used is 1 and the code point is the value of bytes[0].
inline Decoded Decode(const unsigned char* bytes, std::size_t available, bool atEnd) {
  const unsigned char lead = bytes[0];
  if (lead < 0x80)
    return {1, lead};
  std::size_t length = 0;
  unsigned char low = 0x80, high = 0xBF;  // range of the second byte
  if (lead >= 0xC2 && lead <= 0xDF) {
    length = 2;
  } else if (lead >= 0xE0 && lead <= 0xEF) {
    length = 3;
    if (lead == 0xE0)
      low = 0xA0;  // shorter forms exist
    if (lead == 0xED)
      high = 0x9F;  // U+D800..U+DFFF are surrogates
  } else if (lead >= 0xF0 && lead <= 0xF4) {
    length = 4;
    if (lead == 0xF0)
      low = 0x90;  // shorter forms exist
    if (lead == 0xF4)
      high = 0x8F;  // above U+10FFFF
  } else {
    return {1, lead};
  }
  char32_t codePoint = lead & (0xFF >> (length + 1));
  for (std::size_t k = 1; k < length; ++k) {
    if (k >= available)
      return atEnd ? Decoded{1, lead} : Decoded{0, 0};
    const unsigned char next = bytes[k];
    const bool fits = k == 1 ? (next >= low && next <= high) : (next >= 0x80 && next <= 0xBF);
    if (!fits)
      return {1, lead};
    codePoint = (codePoint << 6) | (next & 0x3F);
  }
  return {length, codePoint};
}

}  // namespace Utf8Sequence
