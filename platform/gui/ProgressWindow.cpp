#include "platform/gui/ProgressWindow.h"

#include <wx/app.h>
#include <wx/progdlg.h>
#include <wx/utils.h>

#include "platform/gui/Wnd.h"
#include "platform/gui/WxText.h"

namespace {

constexpr auto kShowAfter = std::chrono::milliseconds(500);
constexpr auto kUpdateEvery = std::chrono::milliseconds(50);
constexpr int kRange = 1000;

// "120.5 MB of 1000.0 MB read at 250.3 MB/s, about 4 s left"; without a total, the bytes
// and the rate only.
wxString Describe(std::uint64_t done, std::uint64_t total, double seconds) {
  const double rate = seconds > 0 ? static_cast<double>(done) / seconds : 0;
  if (total == 0)
    return wxString::Format("%.1f MB read at %.1f MB/s", done / 1e6, rate / 1e6);
  const double left = rate > 0 && total > done ? static_cast<double>(total - done) / rate : 0;
  return wxString::Format("%.1f MB of %.1f MB read at %.1f MB/s, about %.0f s left", done / 1e6,
                          total / 1e6, rate / 1e6, left);
}

}  // namespace

CProgressWindow::CProgressWindow(CWnd& owner, const CString& title)
    : m_owner(owner), m_title(title) {}

CProgressWindow::~CProgressWindow() = default;

bool CProgressWindow::Update(std::uint64_t done, std::uint64_t total) {
  const Clock::time_point now = Clock::now();
  if (m_cancelled || m_updating || now - m_lastUpdate < kUpdateEvery)
    return !m_cancelled;
  m_lastUpdate = now;
  m_updating = true;
  // Only a task that lasts takes the windows' input away: a short one does not flicker.
  if (!m_disabler)
    m_disabler = std::make_unique<wxWindowDisabler>();
  if (!m_dialog && now - m_start >= kShowAfter) {
    // Created after the disabler, so the dialog alone takes input.
    m_dialog =
        std::make_unique<wxProgressDialog>(ToWx(m_title), Describe(0, total, 0), kRange,
                                           m_owner.GetWxWindow(), wxPD_CAN_ABORT | wxPD_SMOOTH);
  }
  if (m_dialog) {
    const wxString text =
        Describe(done, total, std::chrono::duration<double>(now - m_start).count());
    const bool goOn =
        total > 0 ? m_dialog->Update(static_cast<int>(std::min(done, total) * kRange / total), text)
                  : m_dialog->Pulse(text);
    m_cancelled = !goOn;
  }
  // Repaints and timers, also before the dialog shows.
  wxTheApp->Yield(true);
  m_cancelled = m_cancelled || (m_dialog && m_dialog->WasCancelled());
  m_updating = false;
  return !m_cancelled;
}
