#include "platform/gui/PaintDC.h"

#include <wx/dcclient.h>

#include "platform/gui/Images.h"
#include "platform/gui/Wnd.h"

CPaintDC::CPaintDC(CWnd* window) {
  wxWindow* client = window != nullptr ? window->GetClientWindow() : nullptr;
  if (client != nullptr) {
    m_paint = std::make_unique<wxPaintDC>(client);
    m_dc = m_paint.get();
  }
}

CPaintDC::~CPaintDC() = default;

BOOL CDC::DrawIcon(int x, int y, HICON icon) {
  if (m_dc == nullptr || icon == nullptr) {
    return FALSE;
  }
  const int size = GetSystemMetrics(SM_CXICON);
  m_dc->DrawIcon(icon->GetIcon(size), x, y);
  return TRUE;
}

int GetSystemMetrics(int index) {
  return index == SM_CXICON || index == SM_CYICON ? 32 : 0;
}
