#include "libs/dlgframe/WebBrowser2.h"

#include <wx/filesys.h>
#include <wx/webview.h>

#include "platform/gui/WxText.h"

CWebBrowser2::~CWebBrowser2() = default;

void CWebBrowser2::Navigate(LPCWSTR path, VARIANT*, VARIANT*, VARIANT*, VARIANT*) {
  auto* view = dynamic_cast<wxWebView*>(GetWxWindow());
  const wxString target = ToWx(path);
  if (view == nullptr || target.empty()) {
    return;
  }
  if (target.StartsWith("file:")) {
    view->LoadURL(target);
  } else if (target.StartsWith("/")) {
    view->LoadURL(wxFileSystem::FileNameToURL(target));
  }
}

CString CWebBrowser2::GetLocationURL() const {
  auto* view = dynamic_cast<wxWebView*>(GetWxWindow());
  if (view == nullptr) {
    return CString();
  }
  const wxString url = view->GetCurrentURL();
  return url == wxWebViewDefaultURLStr ? CString() : FromWx(url);
}
