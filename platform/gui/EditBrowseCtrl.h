// CMFCEditBrowseCtrl: a text field with a browse button that opens a file dialog.
#pragma once

#include <functional>
#include <vector>

#include "platform/gui/Wnd.h"

class CMFCEditBrowseCtrl : public CWnd {
 public:
  // Shows the browse button; the file dialog offers filter (the framework's bar form,
  // "Text files|*.txt|All Files|*.*||") and, when saving, adds defaultExtension to a
  // name typed without one.
  void EnableFileBrowseButton(LPCWSTR defaultExtension = nullptr, LPCWSTR filter = nullptr);
  // Makes the file dialog a save dialog (a name that does not exist yet can be chosen,
  // an existing one is confirmed first); it is an open dialog otherwise.
  void SetBrowseForSaving(BOOL save);
  // Makes the browse button choose a folder (folder TRUE) or a file again.
  void EnableFolderBrowseButton(BOOL folder = TRUE);
  // Lets the open dialog choose several files, which go to onSeveral when more than one
  // is chosen (the field is then left to it).
  void EnableSeveralFiles(std::function<void(const std::vector<CString>& paths)> onSeveral);
  // Opens the file dialog, as the browse button does.
  void Browse();
  // The paths offered in the field's drop-down, latest first; none hides it.
  void SetHistory(const std::vector<CString>& entries);
};
