// CCorvaneDlg: the converter's main window, built from dialog template 102 with menu 131.
#pragma once

#include <memory>

#include "libs/dlgframe/AboutDlg.h"
#include "libs/dlgframe/HistCBox.h"
#include "libs/dlgframe/SmDialog.h"
#include "libs/dlgframe/WebBrowser2.h"
#include "platform/gui/EditBrowseCtrl.h"
#include "platform/gui/MFCButton.h"

class CCorvaneDlg : public CSmDialog {
 public:
  // parent is not used: the main window has none.
  explicit CCorvaneDlg(CWnd* parent = nullptr);
  ~CCorvaneDlg() override;

 protected:
  BOOL OnCommand(WPARAM wParam, LPARAM lParam) override;
  void DoDataExchange(CDataExchange* pDX) override;
  BOOL OnInitDialog() override;

  void OnPaint();
  HCURSOR OnQueryDragIcon();

  DECLARE_MESSAGE_MAP()

 private:
  void SetUpButtons();
  void SetUpBrowseButtons();
  void AnchorControls();
  void ShowAbout();

 protected:
  HICON m_hIcon = nullptr;
  CHistCBox m_separatorBox;
  CHistCBox m_formatBox;
  CMFCEditBrowseCtrl m_sourceEdit;
  CMFCEditBrowseCtrl m_targetEdit;
  CString m_sourceFile;
  CString m_separator;
  CString m_previewFile;
  CWebBrowser2 m_browser;
  CMFCButton m_convertButton;
  CMFCButton m_quitButton;
  std::unique_ptr<CAboutDlg> m_aboutDlg;
  int m_previewEnabled = 0;
};
