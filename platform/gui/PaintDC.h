// Paint helpers: the paint device context of a window's client area and icon drawing.
#pragma once

#include <memory>

#include "platform/gui/WinTypes.h"

class CWnd;
class wxDC;
class wxPaintDC;

using HDC = wxDC*;

class CDC {
 public:
  virtual ~CDC() = default;
  HDC GetSafeHdc() const { return m_dc; }
  // Draws the 32-pixel picture of icon with its top left corner at x, y.
  BOOL DrawIcon(int x, int y, HICON icon);

 protected:
  HDC m_dc = nullptr;
};

// Begins painting in the constructor and ends it in the destructor; only valid inside
// a WM_PAINT handler.
class CPaintDC : public CDC {
 public:
  explicit CPaintDC(CWnd* window);
  ~CPaintDC() override;

 private:
  std::unique_ptr<wxPaintDC> m_paint;
};

// SM_CXICON and SM_CYICON: 32, the size of the icon a minimised window shows.
int GetSystemMetrics(int index);
