// Text at the toolkit's edge: CString is UTF-16, wxString is converted through UTF-8.
#pragma once

#include <wx/string.h>

#include "platform/core/CString.h"

inline wxString ToWx(const CString& text) {
  return wxString::FromUTF8(text.ToUtf8());
}

inline wxString ToWx(LPCWSTR text) {
  return ToWx(CString(text));
}

inline CString FromWx(const wxString& text) {
  return CString::FromUtf8(text.utf8_string());
}
