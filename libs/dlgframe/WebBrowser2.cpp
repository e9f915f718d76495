#include "libs/dlgframe/WebBrowser2.h"

#include <wx/filesys.h>
#include <wx/webview.h>

#include "platform/gui/WxText.h"

CWebBrowser2::~CWebBrowser2() = default;

void CWebBrowser2::Close(wxWebView& view) {
  if (m_closed) {
    return;
  }
  m_closed = true;
  view.Bind(wxEVT_WEBVIEW_NAVIGATING, [allowed = m_allowed](wxWebViewEvent& event) {
    // A place in the page itself (a link to one of its anchors) is the page.
    const wxString url = event.GetURL().BeforeFirst('#');
    // The engine may spell the address another way: the file it names decides.
    const bool own = url == *allowed || url == wxWebViewDefaultURLStr ||
                     (url.StartsWith("file:") &&
                      wxFileSystem::URLToFileName(url) == wxFileSystem::URLToFileName(*allowed));
    if (!own) {
      event.Veto();
    }
  });
  // Handled and nothing done: no window opens.
  view.Bind(wxEVT_WEBVIEW_NEWWINDOW, [](wxWebViewEvent&) {});
}

void CWebBrowser2::Navigate(LPCWSTR path, VARIANT*, VARIANT*, VARIANT*, VARIANT*) {
  auto* view = dynamic_cast<wxWebView*>(GetWxWindow());
  const wxString target = ToWx(path);
  if (view == nullptr || target.empty()) {
    return;
  }
  Close(*view);
  if (target.StartsWith("file:")) {
    *m_allowed = target;
  } else if (target.StartsWith("/")) {
    *m_allowed = wxFileSystem::FileNameToURL(target);
  } else {
    return;
  }
  view->LoadURL(*m_allowed);
}

CString CWebBrowser2::GetLocationURL() const {
  auto* view = dynamic_cast<wxWebView*>(GetWxWindow());
  if (view == nullptr) {
    return CString();
  }
  const wxString url = view->GetCurrentURL();
  return url == wxWebViewDefaultURLStr ? CString() : FromWx(url);
}

void CWebBrowser2::ShowPage(const std::string& html) {
  auto* view = dynamic_cast<wxWebView*>(GetWxWindow());
  if (view == nullptr) {
    return;
  }
  Close(*view);
  // A page given as text has no address of its own: the engine loads it as about:blank.
  *m_allowed = wxWebViewDefaultURLStr;
  view->SetPage(wxString::FromUTF8(html), wxString());
}
