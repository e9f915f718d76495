#include "platform/core/CString.h"

#include <cstdio>

#include "platform/core/Utf8.h"

namespace {

constexpr char16_t kReplacement = utf8::kReplacement;

void AppendNumber(std::u16string& out, const char* digits, int width, bool zeroPad) {
  std::string_view text(digits);
  bool negative = !text.empty() && text[0] == '-';
  int pad = width - static_cast<int>(text.size());
  if (negative && zeroPad) {
    out.push_back(u'-');
    text.remove_prefix(1);
  }
  for (; pad > 0; --pad)
    out.push_back(zeroPad ? u'0' : u' ');
  for (char c : text)
    out.push_back(static_cast<char16_t>(c));
}

// Lone surrogates become U+FFFD, or, with escapes, U+DC80..U+DCFF the bytes they stand for.
void EncodeUnits(std::string& out, std::u16string_view text, bool escapes) {
  char bytes[4];
  for (size_t i = 0; i < text.size(); ++i) {
    char32_t codePoint = text[i];
    if (utf8::IsHighSurrogate(text[i]) && i + 1 < text.size() &&
        utf8::IsLowSurrogate(text[i + 1])) {
      codePoint = utf8::JoinSurrogates(text[i], text[i + 1]);
      ++i;
    } else if (escapes && utf8::IsEscapedByte(codePoint)) {
      out.push_back(static_cast<char>(codePoint - 0xDC00));
      continue;
    }
    out.append(bytes, utf8::Encode(codePoint, bytes));
  }
}

// Decodes the well-formed sequence at p into out; returns the bytes it takes, 0 when none
// starts at p.
size_t DecodeSequence(const unsigned char* p, size_t available, std::u16string& out) {
  const utf8::Decoded decoded = utf8::Decode(p, available, true);
  if (!decoded.wellFormed)
    return 0;
  utf8::AppendUtf16(decoded.codePoint, out);
  return decoded.used;
}

// A byte that starts no well-formed sequence becomes U+FFFD, or, with escapes, its escape.
std::u16string DecodeBytes(std::string_view text, bool escapes) {
  std::u16string out;
  out.reserve(text.size());
  const auto* p = reinterpret_cast<const unsigned char*>(text.data());
  const auto* end = p + text.size();
  while (p < end) {
    size_t used = DecodeSequence(p, static_cast<size_t>(end - p), out);
    if (used == 0) {
      out.push_back(escapes ? utf8::EscapeByte(*p) : kReplacement);
      used = 1;
    }
    p += used;
  }
  return out;
}

}  // namespace

void AppendUtf8(std::string& out, std::u16string_view text) {
  EncodeUnits(out, text, false);
}

std::string Utf16ToUtf8(std::u16string_view text) {
  std::string out;
  out.reserve(text.size());
  EncodeUnits(out, text, false);
  return out;
}

std::u16string Utf8ToUtf16(std::string_view text) {
  return DecodeBytes(text, false);
}

CString::CString(const char16_t* text) : m_text(View(text)) {}

CString::CString(const char16_t* text, int length) {
  if (text && length > 0)
    m_text.assign(text, static_cast<size_t>(length));
}

CString CString::FromUtf8(std::string_view utf8) {
  return CString(DecodeBytes(utf8, true));
}

std::string CString::ToUtf8() const {
  std::string out;
  out.reserve(m_text.size());
  EncodeUnits(out, m_text, true);
  return out;
}

CString& CString::operator=(const char16_t* text) {
  m_text.assign(View(text));
  return *this;
}

CString& CString::operator+=(const CString& other) {
  m_text += other.m_text;
  return *this;
}

CString& CString::operator+=(const char16_t* text) {
  m_text += View(text);
  return *this;
}

CString& CString::operator+=(char16_t ch) {
  m_text.push_back(ch);
  return *this;
}

void CString::Format(const char16_t* format, ...) {
  va_list args;
  va_start(args, format);
  FormatV(format, args);
  va_end(args);
}

void CString::FormatV(const char16_t* format, va_list args) {
  std::u16string out;
  std::u16string_view fmt = View(format);
  char digits[32];
  for (size_t i = 0; i < fmt.size(); ++i) {
    char16_t c = fmt[i];
    if (c != u'%' || i + 1 >= fmt.size()) {
      out.push_back(c);
      continue;
    }
    size_t j = i + 1;
    bool zeroPad = false;
    int width = 0;
    if (fmt[j] == u'0') {
      zeroPad = true;
      ++j;
    }
    while (j < fmt.size() && fmt[j] >= u'0' && fmt[j] <= u'9')
      width = width * 10 + (fmt[j++] - u'0');
    int longs = 0;
    while (j < fmt.size() && fmt[j] == u'l')
      ++longs, ++j;
    if (j >= fmt.size()) {
      out.append(fmt.substr(i));
      break;
    }
    switch (fmt[j]) {
      case u'%':
        out.push_back(u'%');
        break;
      case u's': {
        const char16_t* text = va_arg(args, const char16_t*);
        std::u16string_view s = text ? View(text) : std::u16string_view(u"(null)");
        for (int pad = width - static_cast<int>(s.size()); pad > 0; --pad)
          out.push_back(u' ');
        out.append(s);
        break;
      }
      case u'c':
        out.push_back(static_cast<char16_t>(va_arg(args, int)));
        break;
      case u'd':
      case u'i':
        if (longs >= 2)
          std::snprintf(digits, sizeof digits, "%lld", va_arg(args, long long));
        else if (longs == 1)
          std::snprintf(digits, sizeof digits, "%ld", va_arg(args, long));
        else
          std::snprintf(digits, sizeof digits, "%d", va_arg(args, int));
        AppendNumber(out, digits, width, zeroPad);
        break;
      case u'u':
      case u'x':
      case u'X': {
        const char* conversion = fmt[j] == u'u' ? "%llu" : (fmt[j] == u'x' ? "%llx" : "%llX");
        unsigned long long value = longs >= 2   ? va_arg(args, unsigned long long)
                                   : longs == 1 ? va_arg(args, unsigned long)
                                                : va_arg(args, unsigned int);
        std::snprintf(digits, sizeof digits, conversion, value);
        AppendNumber(out, digits, width, zeroPad);
        break;
      }
      default:  // unknown conversion: kept as written
        out.append(fmt.substr(i, j - i + 1));
        break;
    }
    i = j;
  }
  m_text = std::move(out);
}
