// The program's own tool windows (log, guide) close by hiding, so that the next time they
// open where the reader left them; only the program's end destroys them.
#pragma once

#include <wx/toplevel.h>

inline void HideOnClose(wxTopLevelWindow& window) {
  window.Bind(wxEVT_CLOSE_WINDOW, [&window](wxCloseEvent& event) {
    if (event.CanVeto()) {
      event.Veto();
      window.Hide();
    } else {
      event.Skip();
    }
  });
}
