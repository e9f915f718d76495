// CString: a counted UTF-16 text, the framework's string class on Linux.
//
// Conversion to and from UTF-8 happens only at the edges. FromUtf8 and ToUtf8 carry
// names, arguments and settings, which on Linux are bytes that need not be UTF-8: FromUtf8
// decodes and keeps each byte that is no part of a well-formed sequence as U+DC80..U+DCFF
// (the byte's value plus 0xDC00), ToUtf8 gives such a unit back as that byte, so
// FromUtf8(b).ToUtf8() == b for every b; any other lone surrogate becomes U+FFFD.
// Utf16ToUtf8 and AppendUtf8 write output that must be valid UTF-8 (documents, the log):
// every lone surrogate becomes U+FFFD. Comparisons are exact, on the 16-bit units.
#pragma once

#include <cstdarg>
#include <string>
#include <string_view>

#include "platform/core/Types.h"

class CString {
 public:
  CString() = default;
  CString(const char16_t* text);  // null gives the empty text
  CString(const char16_t* text, int length);
  CString(std::u16string_view text) : m_text(text) {}
  CString(std::u16string text) : m_text(std::move(text)) {}
  CString(char16_t ch, int repeat = 1) : m_text(static_cast<size_t>(repeat), ch) {}

  static CString FromUtf8(std::string_view utf8);
  std::string ToUtf8() const;

  int GetLength() const { return static_cast<int>(m_text.size()); }
  bool IsEmpty() const { return m_text.empty(); }
  void Empty() { m_text.clear(); }
  const char16_t* GetString() const { return m_text.c_str(); }
  operator LPCWSTR() const { return m_text.c_str(); }
  char16_t GetAt(int index) const { return m_text[static_cast<size_t>(index)]; }
  char16_t operator[](int index) const { return GetAt(index); }
  const std::u16string& Str() const { return m_text; }
  std::u16string_view View() const { return m_text; }

  CString& operator=(const char16_t* text);
  CString& operator+=(const CString& other);
  CString& operator+=(const char16_t* text);
  CString& operator+=(char16_t ch);
  friend CString operator+(CString left, const CString& right) { return left += right; }
  friend CString operator+(CString left, const char16_t* right) { return left += right; }

  friend bool operator==(const CString& a, const CString& b) { return a.m_text == b.m_text; }
  friend bool operator==(const CString& a, const char16_t* b) { return a.View() == View(b); }
  friend bool operator<(const CString& a, const CString& b) { return a.m_text < b.m_text; }

  // printf-style: %s takes a UTF-16 text (const char16_t*, null prints "(null)"),
  // %d and %i an int, %u an unsigned, %x an unsigned in hex, %ld and %lld, %c a char16_t
  // passed as int, %% a percent sign. Width and '0' flag are honoured for numbers.
  void Format(const char16_t* format, ...);
  void FormatV(const char16_t* format, va_list args);

 private:
  static std::u16string_view View(const char16_t* text) {
    return text ? std::u16string_view(text) : std::u16string_view();
  }
  std::u16string m_text;
};

// UTF-16 <-> UTF-8 for text that must be valid UTF-8: a lone surrogate and a byte that
// starts no well-formed sequence both become U+FFFD.
std::string Utf16ToUtf8(std::u16string_view text);
std::u16string Utf8ToUtf16(std::string_view text);
// Appends the UTF-8 form of text to out; lone surrogates become U+FFFD.
void AppendUtf8(std::string& out, std::u16string_view text);
