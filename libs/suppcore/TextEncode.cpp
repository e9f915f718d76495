#include "libs/suppcore/TextEncode.h"

#include <array>
#include <cstring>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

namespace {

bool IsHighSurrogate(char16_t u) {
  return u >= 0xD800 && u <= 0xDBFF;
}
bool IsLowSurrogate(char16_t u) {
  return u >= 0xDC00 && u <= 0xDFFF;
}

// Per ASCII unit: 0 copies it as it is, 'u' asks for \u00XX, any other value is the
// letter of a short escape.
constexpr std::array<char, 128> MakeJsonEscapes() {
  std::array<char, 128> table{};
  for (int c = 0; c < 0x20; ++c)
    table[c] = 'u';
  table['\b'] = 'b';
  table['\f'] = 'f';
  table['\n'] = 'n';
  table['\r'] = 'r';
  table['\t'] = 't';
  table['"'] = '"';
  table['\\'] = '\\';
  return table;
}
constexpr std::array<char, 128> kJsonEscapes = MakeJsonEscapes();

// Per byte of UTF-8: true for those JSON escapes; the bytes of other characters stand for
// themselves.
constexpr std::array<bool, 256> MakeEscapedBytes() {
  std::array<bool, 256> table{};
  for (int c = 0; c < 0x80; ++c)
    table[c] = kJsonEscapes[c] != 0;
  return table;
}
constexpr std::array<bool, 256> kEscapedBytes = MakeEscapedBytes();

char* PutEscape(char* out, char16_t unit) {
  static constexpr char kHex[] = "0123456789abcdef";
  char kind = kJsonEscapes[unit];
  *out++ = '\\';
  if (kind != 'u') {
    *out++ = kind;
    return out;
  }
  *out++ = 'u';
  *out++ = '0';
  *out++ = '0';
  *out++ = kHex[unit >> 4];
  *out++ = kHex[unit & 0xF];
  return out;
}

// Encodes the non-ASCII character that starts at text[i]; returns the units it took.
size_t PutNonAscii(char*& out, std::u16string_view text, size_t i) {
  char32_t cp = text[i];
  size_t taken = 1;
  if (IsHighSurrogate(text[i]) && i + 1 < text.size() && IsLowSurrogate(text[i + 1])) {
    cp = 0x10000 + ((cp - 0xD800) << 10) + (text[i + 1] - 0xDC00);
    taken = 2;
  } else if (IsHighSurrogate(text[i]) || IsLowSurrogate(text[i])) {
    cp = 0xFFFD;
  }
  if (cp < 0x800) {
    *out++ = static_cast<char>(0xC0 | (cp >> 6));
  } else if (cp < 0x10000) {
    *out++ = static_cast<char>(0xE0 | (cp >> 12));
    *out++ = static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
  } else {
    *out++ = static_cast<char>(0xF0 | (cp >> 18));
    *out++ = static_cast<char>(0x80 | ((cp >> 12) & 0x3F));
    *out++ = static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
  }
  *out++ = static_cast<char>(0x80 | (cp & 0x3F));
  return taken;
}

// The loops below copy runs of units that stand for themselves: with SSE2 they test and
// narrow 8 units at a time while 8 are left, then 4, and go on one by one for the last
// few. Every caller has reserved at least 3 bytes per unit, so the 8 bytes stored for a
// group before its test are known to fit while 4 units are left.

bool PlainInJson(char16_t unit) {
  return unit < 0x80 && kJsonEscapes[unit] == 0;
}

#if defined(__SSE2__)
__m128i LoadUnits(const char16_t* text, unsigned count) {
  return count == 8 ? _mm_loadu_si128(reinterpret_cast<const __m128i*>(text))
                    : _mm_loadl_epi64(reinterpret_cast<const __m128i*>(text));
}

// Stores the first count (8 or 4) units narrowed to bytes and returns how many of them
// JSON takes as they are (0x20-0x7F except '"' and '\\') before the first it does not.
unsigned NarrowPlainJson(const char16_t* text, unsigned count, char* out) {
  const __m128i units = LoadUnits(text, count);
  // Narrowed with saturation, 0x100-0x7FFF become 0xFF and 0x8000 and above 0. Compared as
  // signed bytes, everything from 0x80 on is below 0x20: one test finds them all.
  const __m128i bytes = _mm_packus_epi16(units, units);
  const __m128i special = _mm_or_si128(_mm_cmplt_epi8(bytes, _mm_set1_epi8(0x20)),
                                       _mm_or_si128(_mm_cmpeq_epi8(bytes, _mm_set1_epi8('"')),
                                                    _mm_cmpeq_epi8(bytes, _mm_set1_epi8('\\'))));
  _mm_storel_epi64(reinterpret_cast<__m128i*>(out), bytes);
  const unsigned mask = static_cast<unsigned>(_mm_movemask_epi8(special)) | (1u << count);
  return static_cast<unsigned>(__builtin_ctz(mask));
}

// The same for units below 0x80.
unsigned NarrowAscii(const char16_t* text, unsigned count, char* out) {
  const __m128i units = LoadUnits(text, count);
  const __m128i nonAscii = _mm_and_si128(units, _mm_set1_epi16(static_cast<short>(0xFF80)));
  const __m128i ascii = _mm_cmpeq_epi16(nonAscii, _mm_setzero_si128());
  _mm_storel_epi64(reinterpret_cast<__m128i*>(out), _mm_packus_epi16(units, units));
  // Two mask bits per unit.
  const unsigned mask = ~static_cast<unsigned>(_mm_movemask_epi8(ascii)) | (1u << (2 * count));
  return static_cast<unsigned>(__builtin_ctz(mask)) / 2;
}
#endif

// Copies units from text on, up to end, while they pass: narrow(text, count, out) tests
// and stores a group, plain(unit) one unit. Returns where the copy stops.
template <class Narrow, class Plain>
const char16_t* CopyRun(char*& out, const char16_t* text, const char16_t* end,
                        [[maybe_unused]] Narrow narrow, Plain plain) {
#if defined(__SSE2__)
  while (end - text >= 8) {
    const unsigned passed = narrow(text, 8, out);
    out += passed;
    text += passed;
    if (passed < 8)
      return text;
  }
  if (end - text >= 4) {
    const unsigned passed = narrow(text, 4, out);
    out += passed;
    text += passed;
    if (passed < 4)
      return text;
  }
#endif
  while (text != end && plain(*text))
    *out++ = static_cast<char>(*text++);
  return text;
}

// Copies the units from text on that JSON takes as they are; returns where they stop.
const char16_t* CopyPlainJson(char*& out, const char16_t* text, const char16_t* end) {
#if defined(__SSE2__)
  return CopyRun(out, text, end, NarrowPlainJson, PlainInJson);
#else
  return CopyRun(out, text, end, nullptr, PlainInJson);
#endif
}

// Copies the ASCII units from text on; returns where they stop.
const char16_t* CopyAscii(char*& out, const char16_t* text, const char16_t* end) {
  const auto ascii = [](char16_t unit) { return unit < 0x80; };
#if defined(__SSE2__)
  return CopyRun(out, text, end, NarrowAscii, ascii);
#else
  return CopyRun(out, text, end, nullptr, ascii);
#endif
}

}  // namespace

char* EscapeJson(char* out, std::u16string_view text) {
  const char16_t* pos = text.data();
  const char16_t* const end = pos + text.size();
  for (;;) {
    pos = CopyPlainJson(out, pos, end);
    if (pos == end)
      return out;
    if (*pos >= 0x80) {
      pos += PutNonAscii(out, text, static_cast<size_t>(pos - text.data()));
    } else {
      out = PutEscape(out, *pos);
      ++pos;
    }
  }
}

char* EscapeJsonUtf8(char* out, std::string_view text) {
  const auto* pos = reinterpret_cast<const unsigned char*>(text.data());
  const unsigned char* const end = pos + text.size();
  for (;;) {
#if defined(__SSE2__)
    // 16 bytes at a time while 16 are left, stored before they are tested. Compared as
    // signed bytes, everything from 0x80 on is below 0x20 too, so those are left out.
    while (end - pos >= 16) {
      const __m128i chunk = _mm_loadu_si128(reinterpret_cast<const __m128i*>(pos));
      _mm_storeu_si128(reinterpret_cast<__m128i*>(out), chunk);
      const __m128i control = _mm_andnot_si128(_mm_cmplt_epi8(chunk, _mm_setzero_si128()),
                                               _mm_cmplt_epi8(chunk, _mm_set1_epi8(0x20)));
      const __m128i special =
          _mm_or_si128(control, _mm_or_si128(_mm_cmpeq_epi8(chunk, _mm_set1_epi8('"')),
                                             _mm_cmpeq_epi8(chunk, _mm_set1_epi8('\\'))));
      const auto mask = static_cast<unsigned>(_mm_movemask_epi8(special));
      if (mask != 0) {
        const auto plain = static_cast<unsigned>(__builtin_ctz(mask));
        out += plain;
        pos += plain;
        break;
      }
      out += 16;
      pos += 16;
    }
#endif
    while (pos != end && !kEscapedBytes[*pos])
      *out++ = static_cast<char>(*pos++);
    if (pos == end)
      return out;
    out = PutEscape(out, *pos++);
  }
}

char* PutJsonEscape(char* out, unsigned char byte) {
  return PutEscape(out, byte);
}

char* EncodeUtf8(char* out, std::u16string_view text) {
  const char16_t* pos = text.data();
  const char16_t* const end = pos + text.size();
  for (;;) {
    pos = CopyAscii(out, pos, end);
    if (pos == end)
      return out;
    pos += PutNonAscii(out, text, static_cast<size_t>(pos - text.data()));
  }
}

size_t PieceLength(std::u16string_view text, size_t maxUnits) {
  if (maxUnits == 0)
    maxUnits = 1;
  if (text.size() <= maxUnits)
    return text.size();
  size_t length = maxUnits;
  if (IsHighSurrogate(text[length - 1]) && IsLowSurrogate(text[length]))
    ++length;
  return length;
}
