// Gives the keyboard focus back to the control that had it when a box or a dialog closes.
// While a modal window runs, the window beneath is disabled, and GTK drops the focus of a
// disabled window for good: without this no control has it afterwards, so Escape and the
// Alt keys do nothing until a click or Tab.
#pragma once

// wx/weakref.h uses std::is_base_of without including its header.
#include <type_traits>

#include <wx/weakref.h>
#include <wx/window.h>

class CFocusKeeper {
 public:
  // Remembers the control that has the focus now.
  CFocusKeeper();
  // Gives the focus back to it when it still lives and can take it; again once the events
  // of the closing are handled, as the window manager may activate the window after that.
  ~CFocusKeeper();
  CFocusKeeper(const CFocusKeeper&) = delete;
  CFocusKeeper& operator=(const CFocusKeeper&) = delete;

 private:
  wxWeakRef<wxWindow> m_window;
};
