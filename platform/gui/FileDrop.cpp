#include "platform/gui/FileDrop.h"

#include <utility>

#include <wx/dnd.h>
#include <wx/window.h>

#include "platform/gui/EditBrowseBox.h"
#include "platform/gui/Wnd.h"
#include "platform/gui/WxText.h"

namespace {

class CFileDropTarget : public wxFileDropTarget {
 public:
  explicit CFileDropTarget(std::function<void(const CString&)> onDrop)
      : m_onDrop(std::move(onDrop)) {}

  bool OnDropFiles(wxCoord, wxCoord, const wxArrayString& files) override {
    if (files.empty()) {
      return false;
    }
    m_onDrop(PathFromWx(files[0]));
    return true;
  }

 private:
  std::function<void(const CString&)> m_onDrop;
};

}  // namespace

void AcceptDroppedFiles(CWnd& window, std::function<void(const CString& path)> onDrop) {
  if (wxWindow* client = window.GetClientWindow()) {
    client->SetDropTarget(new CFileDropTarget(std::move(onDrop)));
  }
}

void AcceptDroppedFilesOn(CWnd& control, std::function<void(const CString& path)> onDrop) {
  wxWindow* window = control.GetWxWindow();
  if (window == nullptr) {
    return;
  }
  if (auto* box = dynamic_cast<CEditBrowseBox*>(window)) {
    box->GetTextCtrl()->SetDropTarget(new CFileDropTarget(onDrop));
    box->GetBrowseButton()->SetDropTarget(new CFileDropTarget(onDrop));
  }
  window->SetDropTarget(new CFileDropTarget(std::move(onDrop)));
}
