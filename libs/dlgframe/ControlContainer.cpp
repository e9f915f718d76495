#include "libs/dlgframe/ControlContainer.h"

#include <algorithm>

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
