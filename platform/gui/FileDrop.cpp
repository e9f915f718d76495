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
  explicit CFileDropTarget(DroppedFiles onDrop) : m_onDrop(std::move(onDrop)) {}

  bool OnDropFiles(wxCoord, wxCoord, const wxArrayString& files) override {
    if (files.empty()) {
      return false;
    }
    std::vector<CString> paths;
    for (const wxString& file : files)
      paths.push_back(PathFromWx(file));
    m_onDrop(paths);
    return true;
  }

 private:
  DroppedFiles m_onDrop;
};

DroppedFiles FirstOnly(std::function<void(const CString&)> onDrop) {
  return [onDrop = std::move(onDrop)](const std::vector<CString>& paths) { onDrop(paths[0]); };
}

}  // namespace

void AcceptDroppedFiles(CWnd& window, std::function<void(const CString& path)> onDrop) {
  AcceptDroppedFileList(window, FirstOnly(std::move(onDrop)));
}

void AcceptDroppedFilesOn(CWnd& control, std::function<void(const CString& path)> onDrop) {
  AcceptDroppedFileListOn(control, FirstOnly(std::move(onDrop)));
}

void AcceptDroppedFileList(CWnd& window, DroppedFiles onDrop) {
  if (wxWindow* client = window.GetClientWindow()) {
    client->SetDropTarget(new CFileDropTarget(std::move(onDrop)));
  }
}

void AcceptDroppedFileListOn(CWnd& control, DroppedFiles onDrop) {
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
