// Images from the resources: button bitmaps and icon groups.
#pragma once

#include <wx/bitmap.h>
#include <wx/iconbndl.h>

#include "platform/gui/WinTypes.h"

// The pictures of one icon group. HICON points to one of these.
class CIconBundle {
 public:
  explicit CIconBundle(wxIconBundle bundle) : m_bundle(std::move(bundle)) {}
  const wxIconBundle& Bundle() const { return m_bundle; }
  // The picture closest to size pixels square.
  wxIcon GetIcon(int size) const { return m_bundle.GetIcon(wxSize(size, size)); }

 private:
  wxIconBundle m_bundle;
};

// Loads icon group id; the same handle for every call, null when no module holds it
// or its images cannot be decoded.
HICON AfxLoadIcon(UINT id);

// Loads bitmap id with light grey (192, 192, 192) transparent, as the framework draws
// button bitmaps; an invalid bitmap when no module holds it.
wxBitmap AfxLoadButtonBitmap(UINT id);
