// _ControlContainer: keeps registered controls anchored to the edges of their window
// while it is resized. Each control remembers its rectangle and the window's client size
// when it was registered; every size change moves and sizes it by the difference.
#pragma once

#include <vector>

#include <wx/gdicmn.h>

#include "platform/gui/WinTypes.h"

class CWnd;
class wxWindow;

// How a control follows the window's right and bottom edges. Values not listed keep the
// control where the template put it.
enum RZ_TYPE : int {
  RZ_FIXED = 0,
  RZ_GROW_BOTH = 3,              // right and bottom edges follow
  RZ_GROW_WIDTH = 6,             // right edge follows
  RZ_MOVE_DOWN = 7,              // moves with the bottom edge
  RZ_MOVE_RIGHT_DOWN = 10,       // moves with the right and bottom edges
  RZ_MOVE_DOWN_GROW_WIDTH = 11,  // moves with the bottom edge, right edge follows
};

// How growth is shared with other controls; 0: the control takes all of it.
enum SPLIT_TYPE : int {
  SPLIT_NONE = 0,
};

class _ControlContainer {
 public:
  virtual ~_ControlContainer();

  // Registers control id of the container window; FALSE when it has no such control.
  BOOL AddControl(int id, RZ_TYPE type, SPLIT_TYPE split);
  // Moves and sizes every registered control for a client area of cx by cy.
  void ResizeControls(int cx, int cy);
  int GetControlCount() const { return static_cast<int>(m_controls.size()); }
  // The smallest client area, from one of client's size, in which windows (registered or
  // staying where they are) keep their best sizes, the gap between those that move towards
  // each other, and margin to the right and bottom edges of those that stay.
  wxSize SmallestClientSize(const std::vector<wxWindow*>& windows, wxSize client, int gap,
                            int margin) const;

 protected:
  void SetContainerWindow(CWnd* window) { m_container = window; }
  void ClearControls() { m_controls.clear(); }

 private:
  struct Anchored {
    int id;
    RZ_TYPE type;
    RECT rect;  // in the client area, at registration
    int baseWidth;
    int baseHeight;
  };
  CWnd* m_container = nullptr;
  std::vector<Anchored> m_controls;
};
