#include "libs/dlgframe/AboutDlg.h"

#include "libs/dlgframe/DlgframeTexts.h"

#include <wx/platinfo.h>
#include <wx/stattext.h>
#include <wx/utils.h>
#include <wx/webview.h>

#include "corvane/Version.h"
#include "platform/gui/WxText.h"

void AfxRegisterDlgframeResources();

CAboutDlg::CAboutDlg(CWnd* parent) : CDialog(IDD_OSTREL_ABOUT, parent) {
  AfxRegisterDlgframeResources();
}

CAboutDlg::~CAboutDlg() = default;

void CAboutDlg::Initialize(LPCWSTR years, OSTREL_PRODUCT product, _Settings* settings, HICON icon,
                           LPCWSTR extra, int) {
  m_years = CString(years);
  m_product = product;
  m_settings = settings;
  m_icon = icon;
  m_extra = CString(extra);
}

BOOL CAboutDlg::OnInitDialog() {
  CDialog::OnInitDialog();
  SetWindowText(CString(DlgframeTexts::kAboutTitle) + ProductName(m_product));
  if (CWnd* icon = GetDlgItem(IDC_ABOUT_ICON)) {
    icon->SendMessage(STM_SETICON, reinterpret_cast<WPARAM>(m_icon), 0);
  }
  SetDlgItemText(IDC_ABOUT_PRODUCT, ProductName(m_product));
  SetDlgItemText(IDC_ABOUT_VERSION, CString(DlgframeTexts::kVersionLabel) + CORVANE_VERSION_U);
  SetDlgItemText(IDC_ABOUT_YEARS, m_years);
  CString libraries = CString(DlgframeTexts::kRunsOn) + LibraryVersions() + u".";
  if (!m_extra.IsEmpty()) {
    libraries += u"\n";
    libraries += m_extra;
  }
  SetDlgItemText(IDC_ABOUT_LIBRARIES, libraries);
  if (CWnd* text = GetDlgItem(IDC_ABOUT_LIBRARIES)) {
    if (auto* label = dynamic_cast<wxStaticText*>(text->GetWxWindow())) {
      label->Wrap(label->GetSize().x);
    }
  }
  return TRUE;
}

BOOL CAboutDlg::OnHelpInfo(HELPINFO*) {
  return TRUE;
}

CString CAboutDlg::ProductName(OSTREL_PRODUCT product) {
  return product == OSTREL_CORVANE_CONVERTER ? CString(DlgframeTexts::kConverterName)
                                             : CString(DlgframeTexts::kMakerName);
}

CString CAboutDlg::LibraryVersions() {
  const wxPlatformInfo& platform = wxPlatformInfo::Get();
  wxString text = wxGetLibraryVersionInfo().GetVersionString();
  text += wxString::Format(", GTK %d.%d", platform.GetToolkitMajorVersion(),
                           platform.GetToolkitMinorVersion());
  if (wxWebView::IsBackendAvailable(wxWebViewBackendDefault)) {
    const wxVersionInfo engine = wxWebView::GetBackendVersionInfo();
    text += wxString::Format(", WebKitGTK %d.%d.%d", engine.GetMajor(), engine.GetMinor(),
                             engine.GetMicro());
  }
  return FromWx(text);
}
