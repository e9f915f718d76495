#include "platform/gui/FocusKeeper.h"

#include <wx/app.h>
#include <wx/toplevel.h>

namespace {

void FocusIfAble(wxWindow* window) {
  if (window != nullptr && window->IsEnabled() && window->IsShownOnScreen() &&
      wxWindow::FindFocus() != window) {
    window->SetFocus();
  }
}

}  // namespace

CFocusKeeper::CFocusKeeper() : m_window(wxWindow::FindFocus()) {}

CFocusKeeper::~CFocusKeeper() {
  if (!m_window) {
    return;
  }
  FocusIfAble(m_window.get());
  if (wxTheApp != nullptr) {
    wxTheApp->CallAfter([window = m_window] {
      // Only where the focus went nowhere: a key typed meanwhile may have moved it.
      auto* top =
          window ? dynamic_cast<wxTopLevelWindow*>(wxGetTopLevelParent(window.get())) : nullptr;
      wxWindow* focus = wxWindow::FindFocus();
      const bool lost = focus == nullptr || wxGetTopLevelParent(focus) != top;
      if (top != nullptr && top->IsActive() && lost) {
        FocusIfAble(window.get());
      }
    });
  }
}
