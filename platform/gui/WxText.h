// Text at the toolkit's edge. wxString holds code points (wchar_t is 32 bits on Linux), so
// CString's units map straight across, without a round trip through UTF-8 that would lose
// what is not UTF-8.
//
// A byte of a file name that is not UTF-8 travels in CString as U+DC80..U+DCFF; the toolkit
// hands it to GTK, which takes only valid UTF-8, as U+100080..U+1000FF, the form its own
// file-name conversion (wxConvFileName) gives such a byte. So the text shows, and reads back
// with the same escapes. Any other lone surrogate is shown as U+FFFD.
#pragma once

#include <string>

#include <wx/string.h>

#include "platform/core/CString.h"
#include "platform/core/Utf8.h"

namespace wxtext {

// The toolkit's code point for a byte that is not UTF-8 (see wxMBConvUTF8's
// MAP_INVALID_UTF8_TO_PUA).
inline constexpr wchar_t kBytePlane = 0x100000;

}  // namespace wxtext

inline wxString ToWx(const CString& text) {
  std::wstring wide;
  wide.reserve(text.Str().size());
  const std::u16string& units = text.Str();
  for (size_t i = 0; i < units.size(); ++i) {
    char32_t unit = units[i];
    if (utf8::IsHighSurrogate(unit) && i + 1 < units.size() && utf8::IsLowSurrogate(units[i + 1])) {
      wide.push_back(static_cast<wchar_t>(utf8::JoinSurrogates(unit, units[++i])));
    } else if (utf8::IsEscapedByte(unit)) {
      wide.push_back(static_cast<wchar_t>(wxtext::kBytePlane + (unit - 0xDC00)));
    } else if (utf8::IsHighSurrogate(unit) || utf8::IsLowSurrogate(unit)) {
      wide.push_back(static_cast<wchar_t>(utf8::kReplacement));
    } else {
      wide.push_back(static_cast<wchar_t>(unit));
    }
  }
  return wxString(wide);
}

inline wxString ToWx(LPCWSTR text) {
  return ToWx(CString(text));
}

inline CString FromWx(const wxString& text) {
  std::u16string units;
  units.reserve(text.length());
  for (wxUniChar ch : text) {
    const auto codePoint = static_cast<char32_t>(ch.GetValue());
    if (codePoint >= wxtext::kBytePlane + 0x80 && codePoint <= wxtext::kBytePlane + 0xFF)
      units.push_back(utf8::EscapeByte(static_cast<unsigned char>(codePoint - wxtext::kBytePlane)));
    else
      utf8::AppendUtf16(codePoint, units);
  }
  return CString(std::move(units));
}

// A path for the toolkit's file functions and dialogs, and one they give back: through
// wxConvFileName, which knows the file system's encoding, so the bytes stay the same.
inline wxString PathToWx(const CString& path) {
  const std::string bytes = path.ToUtf8();
  wxString text(bytes.data(), *wxConvFileName, bytes.size());
  return text.empty() && !bytes.empty() ? ToWx(path) : text;
}

inline CString PathFromWx(const wxString& path) {
  const wxCharBuffer bytes = path.fn_str();
  if (bytes.length() == 0 && !path.empty())
    return FromWx(path);
  return CString::FromUtf8(std::string_view(bytes.data(), bytes.length()));
}
