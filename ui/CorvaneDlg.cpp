#include "ui/CorvaneDlg.h"

#include "app/SettingsKeys.h"
#include "engine/ConvertToJson.h"
#include "libs/suppcore/Limit.h"
#include "platform/core/FileSystem.h"
#include "platform/gui/Images.h"
#include "platform/gui/PaintDC.h"
#include "ui/CorvaneResources.h"
#include "ui/IncompleteFileGuard.h"
#include "ui/Resource.h"
#include "ui/WindowTexts.h"

namespace {

// Lines left out are never left out in silence: the report gets a line about them.
CString WithLinesLeftOut(CString text, std::int64_t linesLeftOut) {
  if (linesLeftOut <= 0) {
    return text;
  }
  CString line;
  if (linesLeftOut == 1) {
    line = kOneLineLeftOut;
  } else {
    line.Format(kLinesLeftOut, static_cast<long long>(linesLeftOut));
  }
  return text + u"\n" + line;
}

}  // namespace

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
ON_EN_CHANGE(IDC_SOURCE_FILE, OnSourceChanged)
ON_CBN_SELCHANGE(IDC_SEPARATOR, OnSeparatorChanged)
ON_CBN_EDITCHANGE(IDC_SEPARATOR, OnSeparatorChanged)
ON_EN_CHANGE(IDC_CUSTOM_SEPARATOR, OnSeparatorChanged)
ON_BN_CLICKED(IDC_CONVERT, OnConvert)
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

// The menu's entries for the library's commands carry the library's ids.
static_assert(ID_TOOLS_VIEW_LOG == ID_SM_VIEW_LOG && ID_TOOLS_TRUNCATE_LOG == ID_SM_TRUNCATE_LOG &&
              ID_HELP_SUPPORT_MAIL == ID_SM_SUPPORT_MAIL && ID_HELP_WEB_SITE == ID_SM_WEB_SITE);

BOOL CCorvaneDlg::OnCommand(WPARAM wParam, LPARAM lParam) {
  if (wParam == ID_HELP_ABOUT) {
    ShowAbout();
    return TRUE;
  }
  CSmApp* app = AfxGetSmApp();
  if (app != nullptr && app->DoCommand(static_cast<UINT>(wParam)) != 0) {
    return TRUE;
  }
  // Unsigned, so that a parameter below the first product wraps round and fails the test.
  if (wParam - ID_PRODUCT_FIRST <= ID_PRODUCT_LAST - ID_PRODUCT_FIRST) {
    CLimit::RunProduct(static_cast<OSTREL_PRODUCT>(wParam - ID_PRODUCT_FIRST), this, u"");
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

void CCorvaneDlg::OnSourceChanged() {
  GetDlgItemText(IDC_SOURCE_FILE, m_sourceFile);
  // No message while the user is still typing the path.
  if (_waccess(m_sourceFile, 0) == 0) {
    UpdatePreview();
  }
}

void CCorvaneDlg::OnSeparatorChanged() {
  GetDlgItemText(IDC_SEPARATOR, m_separator);
  EnableCustomSeparator();
  UpdatePreview();
}

void CCorvaneDlg::EnableCustomSeparator() {
  if (CWnd* custom = GetDlgItem(IDC_CUSTOM_SEPARATOR)) {
    custom->EnableWindow(m_separator == kCustomSeparator ? TRUE : FALSE);
  }
}

void CCorvaneDlg::OnConvert() {
  if (CheckInputs() == 0) {
    return;
  }
  CString target;
  GetDlgItemText(IDC_TARGET_FILE, target);
  if (target.IsEmpty()) {
    MessageBox(kTargetMissing, kErrorCaption, MB_ICONERROR);
    return;
  }
  CString format;
  GetDlgItemText(IDC_FORMAT, format);
  const int bson = format == kBsonFormat ? 1 : 0;

  ConversionReport report;
  // A write error (a full disk) passes on to the dispatch, which shows its reason; the
  // half-written output goes first.
  CIncompleteFileGuard incomplete(target);
  const int rows = ConvertToJson(m_sourceFile, m_separator, target, -1, bson, report);
  incomplete.Keep();

  if (rows == 0) {
    MessageBox(WithLinesLeftOut(kConversionError, report.linesLeftOut), kErrorCaption,
               MB_ICONERROR);
    return;
  }
  CString text;
  text.Format(kRowsConverted, rows);
  MessageBox(WithLinesLeftOut(text, report.linesLeftOut), kInformationCaption, MB_ICONINFORMATION);
}

void CCorvaneDlg::OnCancel() {
  Save();
  if (g_settings != nullptr) {
    CString text;
    GetDlgItemText(IDC_SOURCE_FILE, text);
    g_settings->setStr(SettingsKey::kTextFileName, text);
    GetDlgItemText(IDC_TARGET_FILE, text);
    g_settings->setStr(SettingsKey::kJSONFileName, text);
    GetDlgItemText(IDC_SEPARATOR, text);
    g_settings->setStr(SettingsKey::kSeparator, text);
    GetDlgItemText(IDC_CUSTOM_SEPARATOR, text);
    g_settings->setStr(SettingsKey::kCustom, text);
    GetDlgItemText(IDC_FORMAT, text);
    g_settings->setStr(SettingsKey::kFormat, text);
    g_settings->SaveData();
  }
  CDialog::OnCancel();
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
