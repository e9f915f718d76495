// Texts filled in from printf-style formats: the C library's for bytes, CString::Format's
// for UTF-16 text. The whole text is returned, however long it comes out.
#pragma once

#include <cstdio>
#include <string>

#include "platform/core/CString.h"

template <class... Args>
std::string Formatted(const char* format, Args... args) {
  std::string text(static_cast<std::size_t>(std::snprintf(nullptr, 0, format, args...)), '\0');
  std::snprintf(text.data(), text.size() + 1, format, args...);
  return text;
}

template <class... Args>
CString Formatted(const char16_t* format, Args... args) {
  CString text;
  text.Format(format, args...);
  return text;
}
