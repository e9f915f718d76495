// Window placement of CSmDialog in the settings store: <name>.ClientX, .ClientY (the client
// area's corner on the screen, where the window's contents start), .Width, .Height (the
// client area's size), .Maximized (0 or 1), and .X, .Y (the frame's corner), in pixels.
// The window is placed by the frame's corner kept with the client corner: the toolkit
// moves and reports a window by its frame (the window manager's north-west gravity), and
// learns the frame's size only once the window is shown, so a window placed by its client
// corner with the frame guessed would walk by the title bar each run; the frame kept with
// the client corner puts the client area back where it was under the same window manager.
// A store of an earlier version, which has the frame's corner only, is placed the same way.
#include <algorithm>
#include <climits>
#include <cstdint>
#include <cstdlib>

#include <wx/display.h>
#include <wx/frame.h>

#include "libs/dlgframe/SmApp.h"
#include "libs/dlgframe/SmDialog.h"

namespace {

// The part of a window that must be on a screen: enough to grab and move it.
constexpr int kReachableWidth = 100;
constexpr int kReachableHeight = 50;
// Beyond any screen: a stored size past it is cut to it, and a stored corner past it is no
// place at all, so that adding the frame to them can't overflow.
constexpr int kBeyondScreens = 1 << 20;

bool Within(const wxPoint& point) {
  return std::abs(point.x) <= kBeyondScreens && std::abs(point.y) <= kBeyondScreens;
}

_Settings* LibraryStore() {
  CSmApp* app = AfxGetSmApp();
  return app != nullptr ? app->GetSettings() : nullptr;
}

std::vector<wxRect> Screens(bool workAreas) {
  std::vector<wxRect> screens;
  for (unsigned i = 0; i < wxDisplay::GetCount(); ++i) {
    const wxDisplay display(i);
    screens.push_back(workAreas ? display.GetClientArea() : display.GetGeometry());
  }
  return screens;
}

// How far two spans overlap, in 64 bits: a saved size may be anything up to INT_MAX.
std::int64_t Overlap(std::int64_t start, std::int64_t length, std::int64_t otherStart,
                     std::int64_t otherLength) {
  return std::max<std::int64_t>(
      0, std::min(start + length, otherStart + otherLength) - std::max(start, otherStart));
}

// Where a span of length starts when it is moved inside the area's span.
int Inside(std::int64_t start, int length, std::int64_t areaStart, int areaLength) {
  return static_cast<int>(std::clamp(start, areaStart, areaStart + areaLength - length));
}

}  // namespace

bool IsPlacementOnScreen(const wxRect& rect, const std::vector<wxRect>& screens) {
  if (rect.width <= 0 || rect.height <= 0) {
    return false;
  }
  const int needWidth = std::min(rect.width, kReachableWidth);
  const int needHeight = std::min(rect.height, kReachableHeight);
  return std::any_of(screens.begin(), screens.end(), [&](const wxRect& screen) {
    return Overlap(rect.x, rect.width, screen.x, screen.width) >= needWidth &&
           Overlap(rect.y, rect.height, screen.y, screen.height) >= needHeight;
  });
}

wxRect FitToWorkArea(const wxRect& rect, const std::vector<wxRect>& workAreas) {
  if (workAreas.empty()) {
    return rect;
  }
  const auto covered = [&](const wxRect& area) {
    return Overlap(rect.x, rect.width, area.x, area.width) *
           Overlap(rect.y, rect.height, area.y, area.height);
  };
  const wxRect& area =
      *std::max_element(workAreas.begin(), workAreas.end(),
                        [&](const wxRect& a, const wxRect& b) { return covered(a) < covered(b); });
  const int width = std::min(rect.width, area.width);
  const int height = std::min(rect.height, area.height);
  return wxRect(Inside(rect.x, width, area.x, area.width),
                Inside(rect.y, height, area.y, area.height), width, height);
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
  const wxRect saved(store->getInt(Key(u"X"), INT_MIN), store->getInt(Key(u"Y"), INT_MIN),
                     std::min(store->getInt(Key(u"Width"), 0), kBeyondScreens),
                     std::min(store->getInt(Key(u"Height"), 0), kBeyondScreens));
  if (!Within(saved.GetPosition()) || saved.width <= 0 || saved.height <= 0) {
    return FALSE;
  }
  const wxPoint client(store->getInt(Key(u"ClientX"), INT_MIN),
                       store->getInt(Key(u"ClientY"), INT_MIN));
  // The menu bar and as much of the frame as is known yet.
  const wxSize frameExtra = frame->GetSize() - frame->GetClientSize();
  const wxRect rect(saved.GetPosition(), saved.GetSize() + frameExtra);
  if (!IsPlacementOnScreen(rect, Screens(false))) {
    return FALSE;
  }
  const wxRect fitted = FitToWorkArea(rect, Screens(true));
  frame->Move(fitted.GetPosition());
  frame->SetClientSize(fitted.GetSize() - frameExtra);
  m_normal = wxRect(fitted.GetPosition(), fitted.GetSize() - frameExtra);
  // Until the window is shown, the client corner is where the frame last had it.
  m_normalClient =
      Within(client) ? client + (fitted.GetPosition() - saved.GetPosition()) : fitted.GetPosition();
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
  RememberNormalPlacement();
  if (!m_normal.IsEmpty()) {
    store->setInt(Key(u"ClientX"), m_normalClient.x);
    store->setInt(Key(u"ClientY"), m_normalClient.y);
    store->setInt(Key(u"X"), m_normal.x);
    store->setInt(Key(u"Y"), m_normal.y);
    store->setInt(Key(u"Width"), m_normal.width);
    store->setInt(Key(u"Height"), m_normal.height);
  }
  store->setInt(Key(u"Maximized"), maximized ? 1 : 0);
  return TRUE;
}

void CSmDialog::RememberNormalPlacement() {
  wxFrame* frame = GetFrame();
  if (frame != nullptr && frame->IsShown() && !frame->IsMaximized() && !frame->IsIconized() &&
      !frame->IsFullScreen()) {
    m_normal = wxRect(frame->GetPosition(), frame->GetClientSize());
    m_normalClient = ClientCorner();
  }
}

wxPoint CSmDialog::ClientCorner() const {
  wxWindow* client = GetClientWindow();
  return client != nullptr ? client->GetScreenPosition() : wxPoint();
}
