#include "platform/gui/MFCButton.h"

#include <wx/button.h>

#include "platform/gui/Images.h"
#include "platform/gui/WxText.h"

void CMFCButton::SetImage(UINT bitmapId, UINT, UINT) {
  auto* button = dynamic_cast<wxButton*>(GetWxWindow());
  const wxBitmap bitmap = AfxLoadButtonBitmap(bitmapId);
  if (button != nullptr && bitmap.IsOk()) {
    button->SetBitmap(bitmap, wxLEFT);
  }
}

void CMFCButton::SetTooltip(LPCWSTR text) {
  if (GetWxWindow() != nullptr) {
    GetWxWindow()->SetToolTip(ToWx(text));
  }
}
