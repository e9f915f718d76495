// CMFCButton: a push button with an image and a tooltip.
#pragma once

#include "platform/gui/Wnd.h"

class CMFCButton : public CWnd {
 public:
  // Shows bitmap bitmapId beside the text, light grey transparent. The hot and disabled
  // images are not used (the toolkit derives them).
  void SetImage(UINT bitmapId, UINT hotBitmapId = 0, UINT disabledBitmapId = 0);
  void SetTooltip(LPCWSTR text);
};
