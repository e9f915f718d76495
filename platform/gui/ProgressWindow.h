// The progress of a long task that a window runs in its own handler: after half a second,
// a dialog owned by the window shows the bytes done of the total, the rate, the time left
// and Cancel (Escape cancels too). While it lives, the program's windows take no input,
// and the toolkit's events are handled now and then so that they keep repainting.
#pragma once

#include <chrono>
#include <cstdint>
#include <memory>

#include "platform/core/CString.h"
#include "platform/gui/FocusKeeper.h"

class CWnd;
class wxProgressDialog;
class wxWindowDisabler;

class CProgressWindow {
 public:
  CProgressWindow(CWnd& owner, const CString& title);
  ~CProgressWindow();
  CProgressWindow(const CProgressWindow&) = delete;
  CProgressWindow& operator=(const CProgressWindow&) = delete;

  // Shows done of total (0: unknown) and handles pending events, at most every 50 ms;
  // false once the user has cancelled. Cheap when called often.
  bool Update(std::uint64_t done, std::uint64_t total);

 private:
  using Clock = std::chrono::steady_clock;
  CWnd& m_owner;
  CString m_title;
  // Before the disabler, so that the focus comes back once the windows take input again.
  CFocusKeeper m_focus;
  std::unique_ptr<wxWindowDisabler> m_disabler;
  std::unique_ptr<wxProgressDialog> m_dialog;
  Clock::time_point m_start = Clock::now();
  Clock::time_point m_lastUpdate = m_start;
  bool m_cancelled = false;
  // Set while events are handled: an Update from inside them does nothing.
  bool m_updating = false;
};
