#include "platform/gui/EditBrowseCtrl.h"

#include <utility>

#include "platform/gui/EditBrowseBox.h"

void CMFCEditBrowseCtrl::EnableFileBrowseButton(LPCWSTR defaultExtension, LPCWSTR filter) {
  if (auto* box = dynamic_cast<CEditBrowseBox*>(GetWxWindow())) {
    box->SetFileDialog(CString(defaultExtension), CString(filter));
  }
}

void CMFCEditBrowseCtrl::SetBrowseForSaving(BOOL save) {
  if (auto* box = dynamic_cast<CEditBrowseBox*>(GetWxWindow())) {
    box->SetSaveDialog(save != FALSE);
  }
}

void CMFCEditBrowseCtrl::EnableFolderBrowseButton(BOOL folder) {
  if (auto* box = dynamic_cast<CEditBrowseBox*>(GetWxWindow())) {
    box->SetFolderDialog(folder != FALSE);
  }
}

void CMFCEditBrowseCtrl::EnableSeveralFiles(
    std::function<void(const std::vector<CString>& paths)> onSeveral) {
  if (auto* box = dynamic_cast<CEditBrowseBox*>(GetWxWindow())) {
    box->SetSeveralFiles(std::move(onSeveral));
  }
}

void CMFCEditBrowseCtrl::Browse() {
  if (auto* box = dynamic_cast<CEditBrowseBox*>(GetWxWindow())) {
    box->Browse();
  }
}

void CMFCEditBrowseCtrl::SetHistory(const std::vector<CString>& entries) {
  if (auto* box = dynamic_cast<CEditBrowseBox*>(GetWxWindow())) {
    box->SetHistory(entries);
  }
}
