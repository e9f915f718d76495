// CSmDialog: the dialog library's main-window base. It anchors registered controls to
// the window's edges, keeps a minimum size, restores and saves the window's placement
// under keys named from m_windowName, and calls Deactivate when the window closes,
// whichever way, before it is destroyed. Enter does not close the window.
#pragma once

#include <vector>

#include <wx/gdicmn.h>

#include "libs/dlgframe/ControlContainer.h"
#include "platform/core/CString.h"
#include "platform/gui/Dialog.h"

class CSmDialog : public CDialog, public _ControlContainer {
 public:
  CSmDialog(UINT templateId, CWnd* parent);
  ~CSmDialog() override;

  // Restores size, position and maximised state from the library's settings store; FALSE
  // (and nothing changed) when none was saved or the saved place is off every screen.
  BOOL Load();
  // Keeps size (of the client area), position and maximised state in the store (the caller
  // saves the store). A maximised window keeps the size and place it had before.
  BOOL Save();
  // The smallest window size, in pixels at 96 dots per inch (scaled with the display), or
  // larger where the controls need more to show whole. Called once they are anchored.
  void SetMinSizes(int width, int height);

  // Called when the window closes, before it is destroyed.
  virtual void Deactivate();
  // Called once the window is shown.
  virtual void Activate();

  BOOL OnInitDialog() override;
  void DoDataExchange(CDataExchange* pDX) override;
  // Enter in a field must not close the main window (and lose what Quit would save).
  void OnOK() override;
  void OnSize(UINT type, int cx, int cy) override;
  void OnDestroy() override;
  void OnShowWindow(BOOL show) override;

  CString m_windowName;

  DECLARE_MESSAGE_MAP()

 private:
  CString Key(const char16_t* name) const;
  // Keeps the frame's corner, the client area's corner and size while the window is neither
  // maximised nor minimised, so that a maximised window saves the placement it had before.
  void RememberNormalPlacement();

  // The client area's corner on the screen, where the window's contents start.
  wxPoint ClientCorner() const;

  // The frame's corner and the client area's size, and the client area's corner, of the
  // window neither maximised nor minimised.
  wxRect m_normal;
  wxPoint m_normalClient;
  bool m_activated = false;
};

// True when enough of rect lies on one of screens for the user to reach the window.
bool IsPlacementOnScreen(const wxRect& rect, const std::vector<wxRect>& screens);
// rect made to fit the work area (the screen less its panels) it is most on, or the first:
// no larger than it, and moved inside it. Any size, even one near INT_MAX, gives a window
// the screen can show.
wxRect FitToWorkArea(const wxRect& rect, const std::vector<wxRect>& workAreas);
