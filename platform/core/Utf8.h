// UTF-8 (and the UTF-16 pairs it meets) in one place: what a well-formed sequence is (shortest
// form, no surrogate code points, nothing above U+10FFFF), how one is read and how one is written.
// Every reader of UTF-8 in the program (the source decoder, CString, the settings file) and every
// writer of it goes through these.
#pragma once

#include <cstddef>
#include <span>
#include <string>
#include <string_view>

#include "platform/core/CString.h"

namespace utf8 {

inline constexpr char32_t kReplacement = 0xFFFD;

// Result of Decode: the number of bytes used (1 to 4) and the code point.
// used == 0 means the bytes end before a well-formed sequence could be completed: more
// input is needed to decide (never returned when atEnd is true).
struct Decoded {
  std::size_t used = 0;
  char32_t codePoint = 0;
  bool wellFormed = true;
};

// Decodes the sequence that starts at bytes[0] (available >= 1). When the bytes do not
// start a well-formed sequence, used is 1, wellFormed false and the code point is the
// value of bytes[0], so that text in a single-byte code page comes through unchanged.
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
    return {1, lead, false};
  }
  char32_t codePoint = lead & (0xFF >> (length + 1));
  for (std::size_t k = 1; k < length; ++k) {
    if (k >= available)
      return atEnd ? Decoded{1, lead, false} : Decoded{0, 0, false};
    const unsigned char next = bytes[k];
    const bool fits = k == 1 ? (next >= low && next <= high) : (next >= 0x80 && next <= 0xBF);
    if (!fits)
      return {1, lead, false};
    codePoint = (codePoint << 6) | (next & 0x3F);
  }
  return {length, codePoint};
}

// Writes a code point (a surrogate becomes U+FFFD) as 1 to 4 bytes; returns the end.
inline char* Encode(char32_t codePoint, char* out) {
  if ((codePoint >= 0xD800 && codePoint <= 0xDFFF) || codePoint > 0x10FFFF)
    codePoint = kReplacement;
  if (codePoint < 0x80) {
    *out++ = static_cast<char>(codePoint);
  } else if (codePoint < 0x800) {
    *out++ = static_cast<char>(0xC0 | (codePoint >> 6));
    *out++ = static_cast<char>(0x80 | (codePoint & 0x3F));
  } else if (codePoint < 0x10000) {
    *out++ = static_cast<char>(0xE0 | (codePoint >> 12));
    *out++ = static_cast<char>(0x80 | ((codePoint >> 6) & 0x3F));
    *out++ = static_cast<char>(0x80 | (codePoint & 0x3F));
  } else {
    *out++ = static_cast<char>(0xF0 | (codePoint >> 18));
    *out++ = static_cast<char>(0x80 | ((codePoint >> 12) & 0x3F));
    *out++ = static_cast<char>(0x80 | ((codePoint >> 6) & 0x3F));
    *out++ = static_cast<char>(0x80 | (codePoint & 0x3F));
  }
  return out;
}

// UTF-16 surrogates: a high one followed by a low one is one character beyond U+FFFF.
inline bool IsHighSurrogate(char32_t unit) {
  return unit >= 0xD800 && unit <= 0xDBFF;
}
inline bool IsLowSurrogate(char32_t unit) {
  return unit >= 0xDC00 && unit <= 0xDFFF;
}
inline char32_t JoinSurrogates(char32_t high, char32_t low) {
  return 0x10000 + ((high - 0xD800) << 10) + (low - 0xDC00);
}
// Appends a code point as one unit, or as a pair beyond U+FFFF.
inline void AppendUtf16(char32_t codePoint, std::u16string& out) {
  if (codePoint >= 0x10000) {
    codePoint -= 0x10000;
    out.push_back(static_cast<char16_t>(0xD800 + (codePoint >> 10)));
    out.push_back(static_cast<char16_t>(0xDC00 + (codePoint & 0x3FF)));
  } else {
    out.push_back(static_cast<char16_t>(codePoint));
  }
}

// File names on Linux are bytes, not always UTF-8. A byte that is no part of a well-formed
// sequence (always 0x80..0xFF) travels in UTF-16 text as the lone low surrogate
// U+DC80..U+DCFF, its value plus 0xDC00 (the "surrogate escape"), so that it can be given
// back to the file system unchanged.
inline char16_t EscapeByte(unsigned char byte) {
  return static_cast<char16_t>(0xDC00 + byte);
}
inline bool IsEscapedByte(char32_t unit) {
  return unit >= 0xDC80 && unit <= 0xDCFF;
}

// Decodes bytes as an 8-bit source file's text is decoded: well-formed sequences as UTF-8,
// every other byte as the character of its own value (a lone 0xA7 is U+00A7). For texts
// that stand for characters of the file, such as the separator given on the command line.
CString DecodeLikeSource(std::string_view bytes);

// True when the bytes are well-formed UTF-8 throughout. One check, by table lookups on
// neighbouring bytes, run at the widest width this processor and the build have (32, 16
// or 8 bytes at a time), chosen at the first call. Reads nothing past size.
bool IsWellFormed(const unsigned char* bytes, std::size_t size);
inline bool IsWellFormed(std::string_view bytes) {
  return IsWellFormed(reinterpret_cast<const unsigned char*>(bytes.data()), bytes.size());
}

// The widths the check runs at here, narrowest first: every one gives the same answers.
struct CheckWidth {
  const char* name;
  bool (*check)(const unsigned char* bytes, std::size_t size);
};
std::span<const CheckWidth> CheckWidths();

}  // namespace utf8
