#include "libs/dlgframe/ControlContainer.h"

#include <algorithm>

#include <wx/stattext.h>
#include <wx/window.h>

#include "platform/gui/Wnd.h"

namespace {

// How much of the growth each edge takes: left, top, right, bottom.
struct EdgeShare {
  int left, top, right, bottom;
};

EdgeShare ShareOf(RZ_TYPE type) {
  switch (type) {
    case RZ_GROW_BOTH:
      return {0, 0, 1, 1};
    case RZ_GROW_WIDTH:
      return {0, 0, 1, 0};
    case RZ_MOVE_DOWN:
      return {0, 1, 0, 1};
    case RZ_MOVE_RIGHT_DOWN:
      return {1, 1, 1, 1};
    case RZ_MOVE_DOWN_GROW_WIDTH:
      return {0, 1, 1, 1};
    default:
      return {0, 0, 0, 0};
  }
}

}  // namespace

_ControlContainer::~_ControlContainer() = default;

BOOL _ControlContainer::AddControl(int id, RZ_TYPE type, SPLIT_TYPE) {
  CWnd* control = m_container != nullptr ? m_container->GetDlgItem(id) : nullptr;
  wxWindow* window = control != nullptr ? control->GetWxWindow() : nullptr;
  if (window == nullptr) {
    return FALSE;
  }
  RECT client;
  m_container->GetClientRect(&client);
  const wxRect r = window->GetRect();
  m_controls.push_back(Anchored{id, type, RECT{r.x, r.y, r.x + r.width, r.y + r.height},
                                static_cast<int>(client.right), static_cast<int>(client.bottom)});
  return TRUE;
}

void _ControlContainer::ResizeControls(int cx, int cy) {
  if (m_container == nullptr) {
    return;
  }
  for (const Anchored& anchored : m_controls) {
    CWnd* control = m_container->GetDlgItem(anchored.id);
    wxWindow* window = control != nullptr ? control->GetWxWindow() : nullptr;
    if (window == nullptr) {
      continue;
    }
    const int dx = cx - anchored.baseWidth;
    const int dy = cy - anchored.baseHeight;
    const EdgeShare share = ShareOf(anchored.type);
    const int left = static_cast<int>(anchored.rect.left) + share.left * dx;
    const int top = static_cast<int>(anchored.rect.top) + share.top * dy;
    const int right = static_cast<int>(anchored.rect.right) + share.right * dx;
    const int bottom = static_cast<int>(anchored.rect.bottom) + share.bottom * dy;
    window->SetSize(left, top, std::max(1, right - left), std::max(1, bottom - top));
  }
}

namespace {

// How a window follows one axis of the client area: it stays, grows, or moves.
enum class Follow { kStays, kGrows, kMoves };

Follow FollowOf(int first, int second) {
  return first != 0 ? Follow::kMoves : second != 0 ? Follow::kGrows : Follow::kStays;
}

bool Overlap(int start, int length, int otherStart, int otherLength) {
  return start < otherStart + otherLength && otherStart < start + length;
}

}  // namespace

wxSize _ControlContainer::SmallestClientSize(const std::vector<wxWindow*>& windows, wxSize client,
                                             int gap, int margin) const {
  struct Placed {
    wxRect rect;
    wxSize best;
    Follow x, y;
  };
  std::vector<Placed> placed;
  for (wxWindow* window : windows) {
    EdgeShare share{0, 0, 0, 0};
    for (const Anchored& anchored : m_controls) {
      share = anchored.id == window->GetId() ? ShareOf(anchored.type) : share;
    }
    const wxRect rect = window->GetRect();
    // A label's text may be narrower than its window; the text is what must show.
    const bool label = dynamic_cast<wxStaticText*>(window) != nullptr;
    wxSize best = window->GetBestSize();
    if (!label) {
      best.DecTo(rect.GetSize());  // what it is now is enough
    }
    const Follow x = FollowOf(share.left, share.right), y = FollowOf(share.top, share.bottom);
    // What grows with the window needs no more than its minimum, where one is set; a label
    // that grows wraps its text, on two lines at the narrowest.
    const wxSize minimum = window->GetMinSize();
    if (x == Follow::kGrows) {
      best.x = label ? (best.x + 1) / 2 : minimum.x > 0 ? std::min(best.x, minimum.x) : best.x;
    }
    if (y == Follow::kGrows && !label && minimum.y > 0) {
      best.y = std::min(best.y, minimum.y);
    }
    placed.push_back({rect, best, x, y});
  }
  wxSize need(0, 0);
  for (const Placed& p : placed) {
    if (p.x == Follow::kStays) {
      need.x = std::max(need.x, p.rect.x + p.best.x + margin);
    } else if (p.x == Follow::kGrows) {
      need.x = std::max(need.x, client.x - (p.rect.width - p.best.x));
    }
    if (p.y == Follow::kStays) {
      need.y = std::max(need.y, p.rect.y + p.best.y + margin);
    } else if (p.y == Follow::kGrows) {
      need.y = std::max(need.y, client.y - (p.rect.height - p.best.y));
    }
    // What moves right or down must not run into what stays on its left or above.
    for (const Placed& other : placed) {
      if (p.x == Follow::kMoves && other.x == Follow::kStays && other.rect.x < p.rect.x &&
          Overlap(p.rect.y, p.rect.height, other.rect.y, other.rect.height)) {
        need.x = std::max(need.x, client.x - (p.rect.x - (other.rect.x + other.best.x + gap)));
      }
      if (p.y == Follow::kMoves && other.y == Follow::kStays && other.rect.y < p.rect.y &&
          Overlap(p.rect.x, p.rect.width, other.rect.x, other.rect.width)) {
        need.y = std::max(need.y, client.y - (p.rect.y - (other.rect.y + other.best.y + gap)));
      }
    }
  }
  return need;
}
