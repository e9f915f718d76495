// The main window's start-up: images and tooltips, browse buttons, anchoring, the lists'
// fixed entries, the icon and the minimum size, then the saved inputs and the first
// preview.
#include "app/SettingsKeys.h"
#include "libs/dlgframe/SmApp.h"
#include "platform/gui/Resources.h"
#include "ui/CorvaneDlg.h"
#include "ui/Resource.h"
#include "ui/WindowTexts.h"

namespace {

// The saved text of key; empty when the program runs without a store.
CString StoredText(LPCWSTR key) {
  return g_settings != nullptr ? g_settings->getStr(key) : CString();
}

}  // namespace

BOOL CCorvaneDlg::OnInitDialog() {
  CSmDialog::OnInitDialog();
  SetUpButtons();
  SetUpBrowseButtons();
  AnchorControls();
  m_formatBox.SendMessage(CB_SETCURSEL, 0, 0);
  Load();
  m_separatorBox.SendMessage(CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(kCustomSeparator));
  m_formatBox.EnableWindow(TRUE);
  m_formatBox.SetActiveOrAdd(StoredText(SettingsKey::kFormat), 0);
  SendMessage(WM_SETICON, ICON_BIG, reinterpret_cast<LPARAM>(m_hIcon));
  SetMinSizes(kMinWindowWidth, kMinWindowHeight);
  // Setting the texts raises the fields' change notifications; while m_previewEnabled is
  // still 0 they build no preview.
  m_sourceEdit.SetWindowText(StoredText(SettingsKey::kTextFileName));
  m_targetEdit.SetWindowText(StoredText(SettingsKey::kJSONFileName));
  SetDlgItemText(IDC_CUSTOM_SEPARATOR, StoredText(SettingsKey::kCustom));
  m_separatorBox.SetActiveOrAdd(StoredText(SettingsKey::kSeparator), 0);
  m_previewEnabled = 1;
  GetDlgItemText(IDC_SEPARATOR, m_separator);
  EnableCustomSeparator();
  // The one preview of start-up.
  UpdatePreview();
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
