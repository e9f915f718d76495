#include "platform/gui/MFCButton.h"

#include <wx/button.h>
#include <wx/image.h>

#include "platform/gui/Images.h"
#include "platform/gui/WxText.h"

namespace {

// The desktop's spacing between a button's image and its text, in pixels at 96 dots per
// inch. The toolkit sets the image right against the text, so the gap is part of the image.
constexpr int kImageTextGap = 6;

wxBitmap WithGapAfter(const wxBitmap& bitmap, int gap) {
  wxImage image = bitmap.ConvertToImage();
  if (!image.HasMask() && !image.HasAlpha()) {
    image.InitAlpha();
  }
  // -1: the new columns take the mask colour, or no alpha: they are transparent.
  image.Resize(wxSize(image.GetWidth() + gap, image.GetHeight()), wxPoint(0, 0), -1, -1, -1);
  return wxBitmap(image);
}

}  // namespace

void CMFCButton::SetImage(UINT bitmapId, UINT, UINT) {
  auto* button = dynamic_cast<wxButton*>(GetWxWindow());
  const wxBitmap bitmap = AfxLoadButtonBitmap(bitmapId);
  if (button != nullptr && bitmap.IsOk()) {
    button->SetBitmap(WithGapAfter(bitmap, button->FromDIP(kImageTextGap)), wxLEFT);
  }
}

void CMFCButton::SetTooltip(LPCWSTR text) {
  if (GetWxWindow() != nullptr) {
    GetWxWindow()->SetToolTip(ToWx(text));
  }
}
