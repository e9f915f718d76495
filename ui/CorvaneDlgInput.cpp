// The input check: the one place where the source path and the separator text that a
// conversion receives are taken from the controls.
#include "platform/core/FileSystem.h"
#include "ui/CorvaneDlg.h"
#include "ui/Resource.h"
#include "ui/WindowTexts.h"

int CCorvaneDlg::CheckInputs() {
  GetDlgItemText(IDC_SOURCE_FILE, m_sourceFile);
  // Existence only: a directory or an unreadable file passes, and the conversion reports.
  if (_waccess(m_sourceFile, 0) != 0) {
    // An empty field is a choice not made yet, not a mistake.
    if (!m_sourceFile.IsEmpty()) {
      MessageBox(kSourceMissing, kErrorCaption, MB_ICONERROR);
    }
    return 0;
  }
  GetDlgItemText(IDC_SEPARATOR, m_separator);
  if (m_separator == kCustomSeparator) {
    GetDlgItemText(IDC_CUSTOM_SEPARATOR, m_separator);
  }
  return 1;
}
