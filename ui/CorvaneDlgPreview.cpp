// The preview: the first rows of the source, converted into a JSON file in the user's
// private temporary directory, rendered as a page beside it and shown in the pane.
//
// Temporary files: the reserved name goes at once, the JSON file as soon as the page is
// made (or the conversion fails), a page as soon as the next page is requested, and the
// latest page when the window closes. A session leaves nothing behind.
#include <unistd.h>

#include "engine/ConvertToJson.h"
#include "engine/RenderPreview.h"
#include "platform/core/FileSystem.h"
#include "ui/CorvaneDlg.h"
#include "ui/WindowTexts.h"

namespace {

// The preview shows this many lines of the source; mismatched lines count too.
constexpr int kPreviewRows = 10;

// A preview that does not get as far as showing its page leaves no file, and the window
// keeps the name of the page still on show, so that closing the window removes that one.
class CPreviewAttempt {
 public:
  CPreviewAttempt(CString& previewFile, const CString& jsonPath)
      : m_previewFile(previewFile), m_previous(previewFile), m_jsonPath(jsonPath) {}
  ~CPreviewAttempt() {
    if (m_shown) {
      return;
    }
    if (_waccess(m_jsonPath, 0) == 0) {
      DeleteFileW(m_jsonPath);
    }
    // A reused number can name the page on show: that one stays.
    if (m_previewFile != m_previous && _waccess(m_previewFile, 0) == 0) {
      DeleteFileW(m_previewFile);
    }
    m_previewFile = std::move(m_previous);
  }
  CPreviewAttempt(const CPreviewAttempt&) = delete;
  CPreviewAttempt& operator=(const CPreviewAttempt&) = delete;

  // The new page was requested: the previous one is not needed any more.
  void Shown() {
    m_shown = true;
    if (!m_previous.IsEmpty() && m_previous != m_previewFile && _waccess(m_previous, 0) == 0) {
      DeleteFileW(m_previous);
    }
  }

 private:
  CString& m_previewFile;
  CString m_previous;
  CString m_jsonPath;
  bool m_shown = false;
};

// The directory part of path, with its final separator.
CString DirectoryOf(const CString& path) {
  const std::u16string& text = path.Str();
  const std::size_t slash = text.rfind(u'/');
  return slash == std::u16string::npos ? CString() : CString(text.substr(0, slash + 1));
}

}  // namespace

void CCorvaneDlg::UpdatePreview() {
  if (m_previewEnabled == 0) {
    return;
  }
  if (CheckInputs() == 0) {
    return;
  }
  WCHAR tempDir[MAX_PATH];
  WCHAR reserved[MAX_PATH];
  // Without the private directory there is no safe place for the files: no preview.
  const DWORD dirLength = GetTempPathW(MAX_PATH, tempDir);
  if (dirLength == 0 || dirLength >= MAX_PATH ||
      GetTempFileNameW(tempDir, kPreviewPrefix, 0, reserved) == 0) {
    return;
  }
  CString jsonPath;
  jsonPath.Format(u"%s.json", reserved);
  if (_waccess(reserved, 0) == 0) {
    DeleteFileW(reserved);
  }

  CPreviewAttempt attempt(m_previewFile, jsonPath);
  m_previewFile = jsonPath + u".html";
  // Always JSON, whatever format is chosen: the page is rendered from JSON.
  if (ConvertToJson(m_sourceFile, m_separator, jsonPath, kPreviewRows, 0) == 0) {
    return;  // the page on show stays
  }
  RenderPreview(jsonPath);
  m_browser.Navigate(m_previewFile, nullptr, nullptr, nullptr, nullptr);
  attempt.Shown();
}

void CCorvaneDlg::Deactivate() {
  if (_waccess(m_previewFile, 0) == 0) {
    DeleteFileW(m_previewFile);
  }
  // The private directory goes too once it is empty; another window of the program that
  // still has a page in it keeps it.
  if (!m_previewFile.IsEmpty()) {
    rmdir(DirectoryOf(m_previewFile).ToUtf8().c_str());
  }
  CSmDialog::Deactivate();
}
