#include "engine/preview/PreviewFiles.h"

#include "platform/core/FileSystem.h"

namespace {

// The prefix of the preview's temporary names.
constexpr const char16_t* kPreviewPrefix = u"js";

void DeleteIfPresent(const CString& path) {
  if (!path.IsEmpty() && _waccess(path, 0) == 0) {
    DeleteFileW(path);
  }
}

// The directory part of path, with its final separator.
CString DirectoryOf(const CString& path) {
  const std::u16string& text = path.Str();
  const std::size_t slash = text.rfind(u'/');
  return slash == std::u16string::npos ? CString() : CString(text.substr(0, slash + 1));
}

}  // namespace

CPreviewFiles::CPreviewFiles(CString& previewFile)
    : m_previewFile(previewFile), m_previous(previewFile) {
  WCHAR tempDir[MAX_PATH];
  WCHAR reserved[MAX_PATH];
  const DWORD dirLength = GetTempPathW(MAX_PATH, tempDir);
  if (dirLength == 0 || dirLength >= MAX_PATH ||
      GetTempFileNameW(tempDir, kPreviewPrefix, 0, reserved) == 0) {
    return;
  }
  // The reserved name only keeps the number from other previews; its files carry suffixes.
  DeleteIfPresent(reserved);
  m_jsonPath.Format(u"%s.json", reserved);
  m_previewFile = m_jsonPath + u".html";
}

CPreviewFiles::~CPreviewFiles() {
  if (m_shown || !Reserved()) {
    return;
  }
  DeleteIfPresent(m_jsonPath);
  // A reused number can name the page on show: that one stays.
  if (m_previewFile != m_previous) {
    DeleteIfPresent(m_previewFile);
  }
  m_previewFile = std::move(m_previous);
}

void CPreviewFiles::Shown() {
  m_shown = true;
  if (m_previous != m_previewFile) {
    DeleteIfPresent(m_previous);
  }
}

void DeletePreviewPage(const CString& page) {
  if (page.IsEmpty()) {
    return;
  }
  DeleteIfPresent(page);
  RemoveTempPath(DirectoryOf(page));
}
