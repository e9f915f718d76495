#include "ui/CorvaneDlg.h"

#include "platform/gui/Images.h"
#include "platform/gui/PaintDC.h"
#include "ui/CorvaneResources.h"
#include "ui/Resource.h"
#include "ui/WindowTexts.h"

CCorvaneDlg::CCorvaneDlg(CWnd*) : CSmDialog(IDD_MAIN_DIALOG, nullptr) {
  RegisterCorvaneResources();
  m_hIcon = AfxLoadIcon(IDR_MAINFRAME);
  m_windowName = kWindowName;
  m_aboutDlg = nullptr;
  m_previewEnabled = 0;
}

CCorvaneDlg::~CCorvaneDlg() {
  m_aboutDlg.reset();
}

BEGIN_MESSAGE_MAP(CCorvaneDlg, CSmDialog)
ON_WM_PAINT()
ON_WM_QUERYDRAGICON()
END_MESSAGE_MAP()

void CCorvaneDlg::DoDataExchange(CDataExchange* pDX) {
  DDX_Control(pDX, IDC_CONVERT, m_convertButton);
  DDX_Control(pDX, IDCANCEL, m_quitButton);
  DDX_Control(pDX, IDC_SEPARATOR, m_separatorBox);
  DDX_Control(pDX, IDC_SOURCE_FILE, m_sourceEdit);
  DDX_Control(pDX, IDC_TARGET_FILE, m_targetEdit);
  DDX_Control(pDX, IDC_PREVIEW, m_browser);
  DDX_Control(pDX, IDC_FORMAT, m_formatBox);
  CSmDialog::DoDataExchange(pDX);
}

BOOL CCorvaneDlg::OnCommand(WPARAM wParam, LPARAM lParam) {
  if (wParam == ID_HELP_ABOUT) {
    ShowAbout();
    return TRUE;
  }
  CSmApp* app = AfxGetSmApp();
  if (app != nullptr && app->DoCommand(static_cast<UINT>(wParam)) != 0) {
    return TRUE;
  }
  return CSmDialog::OnCommand(wParam, lParam);
}

void CCorvaneDlg::ShowAbout() {
  if (!m_aboutDlg) {
    m_aboutDlg = std::make_unique<CAboutDlg>(this);
  }
  m_aboutDlg->Initialize(kAboutYears, OSTREL_CORVANE_CONVERTER, g_settings, m_hIcon, nullptr, 0);
  m_aboutDlg->DoModal();
}

void CCorvaneDlg::OnPaint() {
  if (!IsIconic()) {
    CSmDialog::OnPaint();
    return;
  }
  CPaintDC dc(this);
  SendMessage(WM_ICONERASEBKGND, reinterpret_cast<WPARAM>(dc.GetSafeHdc()), 0);
  const int iconWidth = GetSystemMetrics(SM_CXICON);
  const int iconHeight = GetSystemMetrics(SM_CYICON);
  RECT rect;
  GetClientRect(&rect);
  const int x = (static_cast<int>(rect.right - rect.left) - iconWidth + 1) / 2;
  const int y = (static_cast<int>(rect.bottom - rect.top) - iconHeight + 1) / 2;
  dc.DrawIcon(x, y, m_hIcon);
}

HCURSOR CCorvaneDlg::OnQueryDragIcon() {
  return m_hIcon;
}
