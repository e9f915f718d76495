// The source field of the main window when it may hold several sources: how chosen and
// dropped files get into it, and what follows the number it holds.
#include <wx/stattext.h>

#include "platform/core/FileSystem.h"
#include "platform/core/Formatted.h"
#include "platform/gui/MessageBox.h"
#include "ui/BatchTexts.h"
#include "ui/CorvaneDlg.h"
#include "ui/OutputFormats.h"
#include "ui/Resource.h"
#include "ui/SourceList.h"

void CCorvaneDlg::TakeSources(const std::vector<CString>& paths) {
  const SourceListText list = WriteSourceList(paths);
  if (!list.refused.IsEmpty()) {
    MessageBox(list.refused, kErrorCaption, MB_ICONERROR);
    return;
  }
  m_sourceEdit.SetWindowText(list.text);
}

void CCorvaneDlg::ReadSources() {
  CString text;
  GetDlgItemText(IDC_SOURCE_FILE, text);
  // A file whose own name begins with a double quote is that file, not a list.
  SourceList list = _waccess(text, 0) == 0 ? SourceList{{text}, {}} : ReadSourceList(text);
  m_sourceFile = list.sources.empty() ? text : list.sources.front();
  m_sourcesProblem = list.problem;
  const bool several = list.Several();
  const bool wasSeveral = m_sources.size() > 1;
  m_sources = std::move(list.sources);
  if (!several && !wasSeveral)
    return;
  SetDlgItemText(IDC_TARGET_LABEL, several ? kOutputFolderLabel : kOutputFileLabel);
  SetDlgItemText(IDC_PREVIEW_LABEL,
                 several ? Formatted(kPreviewOfSeveral, static_cast<int>(m_sources.size()))
                         : CString(kPreviewLabel));
  // Several sources go into a folder, which the output's button then chooses.
  m_targetEdit.EnableFolderBrowseButton(several ? TRUE : FALSE);
}
