// Window placement of CSmDialog in the settings store: <name>.X, .Y, .Width, .Height
// (pixels) and .Maximized (0 or 1).
#include <algorithm>
#include <climits>

#include <wx/display.h>
#include <wx/frame.h>

#include "libs/dlgframe/SmApp.h"
#include "libs/dlgframe/SmDialog.h"

namespace {

// The part of a window that must be on a screen: enough to grab and move it.
constexpr int kReachableWidth = 100;
constexpr int kReachableHeight = 50;

_Settings* LibraryStore() {
  CSmApp* app = AfxGetSmApp();
  return app != nullptr ? app->GetSettings() : nullptr;
}

std::vector<wxRect> Screens() {
  std::vector<wxRect> screens;
  for (unsigned i = 0; i < wxDisplay::GetCount(); ++i) {
    screens.push_back(wxDisplay(i).GetGeometry());
  }
  return screens;
}

}  // namespace

bool IsPlacementOnScreen(const wxRect& rect, const std::vector<wxRect>& screens) {
  if (rect.width <= 0 || rect.height <= 0) {
    return false;
  }
  const int needWidth = std::min(rect.width, kReachableWidth);
  const int needHeight = std::min(rect.height, kReachableHeight);
  return std::any_of(screens.begin(), screens.end(), [&](const wxRect& screen) {
    const wxRect common = screen.Intersect(rect);
    return common.width >= needWidth && common.height >= needHeight;
  });
}

CString CSmDialog::Key(const char16_t* name) const {
  return m_windowName + u"." + name;
}

BOOL CSmDialog::Load() {
  _Settings* store = LibraryStore();
  wxFrame* frame = GetFrame();
  if (store == nullptr || frame == nullptr || m_windowName.IsEmpty()) {
    return FALSE;
  }
  const wxRect rect(store->getInt(Key(u"X"), INT_MIN), store->getInt(Key(u"Y"), INT_MIN),
                    store->getInt(Key(u"Width"), 0), store->getInt(Key(u"Height"), 0));
  if (rect.x == INT_MIN || rect.y == INT_MIN || !IsPlacementOnScreen(rect, Screens())) {
    return FALSE;
  }
  frame->SetSize(rect);
  if (store->getInt(Key(u"Maximized"), 0) != 0) {
    frame->Maximize();
  }
  return TRUE;
}

BOOL CSmDialog::Save() {
  _Settings* store = LibraryStore();
  wxFrame* frame = GetFrame();
  if (store == nullptr || frame == nullptr || m_windowName.IsEmpty()) {
    return FALSE;
  }
  const bool maximized = frame->IsMaximized();
  if (!maximized && !frame->IsIconized()) {
    const wxRect rect = frame->GetRect();
    store->setInt(Key(u"X"), rect.x);
    store->setInt(Key(u"Y"), rect.y);
    store->setInt(Key(u"Width"), rect.width);
    store->setInt(Key(u"Height"), rect.height);
  }
  store->setInt(Key(u"Maximized"), maximized ? 1 : 0);
  return TRUE;
}
