#include "libs/suppcore/TextEncode.h"

#include <array>

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

}  // namespace

char* EscapeJson(char* out, std::u16string_view text) {
  size_t i = 0;
  const size_t size = text.size();
  while (i < size) {
    // Most text is a run of ASCII that needs no escape: copy it in one tight loop.
    while (i < size && text[i] < 0x80 && kJsonEscapes[text[i]] == 0) {
      *out++ = static_cast<char>(text[i++]);
    }
    if (i == size)
      break;
    if (text[i] < 0x80) {
      out = PutEscape(out, text[i++]);
    } else {
      i += PutNonAscii(out, text, i);
    }
  }
  return out;
}

char* EncodeUtf8(char* out, std::u16string_view text) {
  size_t i = 0;
  const size_t size = text.size();
  while (i < size) {
    while (i < size && text[i] < 0x80)
      *out++ = static_cast<char>(text[i++]);
    if (i < size)
      i += PutNonAscii(out, text, i);
  }
  return out;
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
