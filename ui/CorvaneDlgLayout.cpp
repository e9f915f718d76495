// The layout part of the main window's start-up: images and tooltips, browse buttons,
// anchoring, the lists' fixed entries, the icon and the minimum size.
#include "libs/dlgframe/SmApp.h"
#include "platform/gui/Resources.h"
#include "ui/CorvaneDlg.h"
#include "ui/Resource.h"
#include "ui/WindowTexts.h"

BOOL CCorvaneDlg::OnInitDialog() {
  CSmDialog::OnInitDialog();
  SetUpButtons();
  SetUpBrowseButtons();
  AnchorControls();
  m_formatBox.SendMessage(CB_SETCURSEL, 0, 0);
  Load();
  m_separatorBox.SendMessage(CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(kCustomSeparator));
  m_formatBox.EnableWindow(TRUE);
  // The saved format is selected here, between enabling the list and setting the icon.
  SendMessage(WM_SETICON, ICON_BIG, reinterpret_cast<LPARAM>(m_hIcon));
  SetMinSizes(kMinWindowWidth, kMinWindowHeight);
  // The saved texts and separator are restored here, then the first preview is built.
  return TRUE;
}

void CCorvaneDlg::SetUpButtons() {
  m_convertButton.SetTooltip(kConvertTooltip);
  m_convertButton.SetImage(IDB_CONVERT, 0, 0);
  m_quitButton.SetTooltip(kQuitTooltip);
  m_quitButton.SetImage(IDB_QUIT, 0, 0);
}

void CCorvaneDlg::SetUpBrowseButtons() {
  CString sourceFilter;
  CString targetFilter;
  AfxLoadString(IDS_SOURCE_FILTER, sourceFilter);
  AfxLoadString(IDS_TARGET_FILTER, targetFilter);
  m_sourceEdit.EnableFileBrowseButton(kSourceExtension, sourceFilter);
  m_targetEdit.EnableFileBrowseButton(kTargetExtension, targetFilter);
  // The output usually does not exist yet: its browse button asks where to save.
  m_targetEdit.SetBrowseForSaving(TRUE);
}

void CCorvaneDlg::AnchorControls() {
  AddControl(IDC_SOURCE_FILE, RZ_GROW_WIDTH, SPLIT_NONE);
  AddControl(IDC_PREVIEW, RZ_GROW_BOTH, SPLIT_NONE);
  AddControl(IDC_TARGET_LABEL, RZ_MOVE_DOWN, SPLIT_NONE);
  AddControl(IDC_TARGET_FILE, RZ_MOVE_DOWN_GROW_WIDTH, SPLIT_NONE);
  AddControl(IDC_CONVERT, RZ_MOVE_RIGHT_DOWN, SPLIT_NONE);
  AddControl(IDCANCEL, RZ_MOVE_RIGHT_DOWN, SPLIT_NONE);
  AddControl(IDC_FORMAT_LABEL, RZ_MOVE_DOWN, SPLIT_NONE);
  AddControl(IDC_FORMAT, RZ_MOVE_DOWN, SPLIT_NONE);
}
