#include "platform/gui/Images.h"

#include <map>
#include <memory>

#include <wx/image.h>
#include <wx/mstream.h>

#include "platform/gui/Resources.h"

namespace {

wxImage DecodeImage(const ImageRes& res, wxBitmapType type) {
  if (type == wxBITMAP_TYPE_PNG && wxImage::FindHandler(wxBITMAP_TYPE_PNG) == nullptr) {
    wxImage::AddHandler(new wxPNGHandler);
  }
  wxMemoryInputStream stream(res.bytes.data(), res.bytes.size());
  wxImage image;
  image.LoadFile(stream, type);
  return image;
}

}  // namespace

HICON AfxLoadIcon(UINT id) {
  static std::map<UINT, std::unique_ptr<CIconBundle>> loaded;
  auto found = loaded.find(id);
  if (found != loaded.end()) {
    return found->second.get();
  }
  const IconGroupRes* group = AfxFindIconGroup(id);
  if (group == nullptr) {
    return nullptr;
  }
  wxIconBundle bundle;
  for (const ImageRes& res : group->images) {
    wxImage image = DecodeImage(res, wxBITMAP_TYPE_PNG);
    if (image.IsOk()) {
      wxIcon icon;
      icon.CopyFromBitmap(wxBitmap(image));
      bundle.AddIcon(icon);
    }
  }
  if (bundle.IsEmpty()) {
    return nullptr;
  }
  auto& slot = loaded[id];
  slot = std::make_unique<CIconBundle>(std::move(bundle));
  return slot.get();
}

wxBitmap AfxLoadButtonBitmap(UINT id) {
  const ImageRes* res = AfxFindBitmap(id);
  if (res == nullptr) {
    return wxBitmap();
  }
  wxImage image = DecodeImage(*res, wxBITMAP_TYPE_BMP);
  if (!image.IsOk()) {
    return wxBitmap();
  }
  image.SetMaskColour(192, 192, 192);
  return wxBitmap(image);
}
