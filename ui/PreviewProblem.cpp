#include "ui/PreviewProblem.h"

#include <cstring>

#include "libs/suppcore/HtmlPage.h"
#include "platform/core/File.h"
#include "platform/core/FileSystem.h"

namespace {

// What a page of a few rows takes: a probe this large meets a disk as full as the page did.
constexpr std::size_t kProbeBytes = 64 * 1024;

CString FolderOf(const CString& path) {
  const std::u16string& text = path.Str();
  const std::size_t slash = text.rfind(u'/');
  return slash == std::u16string::npos ? CString(u"./") : CString(text.substr(0, slash + 1));
}

// The system's reason a file of the probe's size cannot be written in folder; empty when
// it can.
CString ReasonWritingIn(const CString& folder) {
  WCHAR probe[MAX_PATH];
  if (GetTempFileNameW(folder, u"js", 0, probe) == 0)
    return CString::FromUtf8(std::strerror(errno));
  CString reason;
  CFile file;
  CFileException error;
  if (!file.Open(probe, CFile::modeCreate | CFile::modeWrite, &error)) {
    reason = error.GetReason();
  } else {
    try {
      file.WriteBytes(std::string(kProbeBytes, ' '));
      file.Close();
    } catch (const CFileException& failure) {
      file.Abort();
      reason = failure.GetReason();
    }
  }
  DeleteFileW(probe);
  return reason;
}

}  // namespace

CString PreviewFolderProblem(int error) {
  return CString(
             u"The preview cannot be shown: no private folder for its files could be made "
             u"in $XDG_RUNTIME_DIR, $TMPDIR or /tmp (") +
         CString::FromUtf8(std::strerror(error)) + u").";
}

CString PreviewWriteProblem(const CString& jsonPath) {
  const CString folder = FolderOf(jsonPath);
  const CString reason = ReasonWritingIn(folder);
  return CString(u"The preview cannot be shown: its page could not be written in ") + folder +
         (reason.IsEmpty() ? CString(u".") : u": " + reason + u".");
}

std::string PreviewProblemPage(const CString& text) {
  return "<!DOCTYPE html>\n<html>\n<head>\n<meta charset=\"utf-8\">\n"
         "<meta http-equiv=\"Content-Security-Policy\" content=\"default-src 'none'; "
         "style-src 'unsafe-inline'\">\n<title>Preview</title>\n"
         "<style>body { font-family: system-ui, sans-serif; font-size: 9pt; margin: 6px; "
         "color: #222; background: #fff; }</style>\n</head>\n<body>\n<p>" +
         EscapeHtml(text.ToUtf8()) + "</p>\n</body>\n</html>\n";
}
