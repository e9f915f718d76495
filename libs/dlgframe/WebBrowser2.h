// CWebBrowser2: the preview pane and the user guide's view, a web view that shows local
// files with scripts off. It is closed: it shows only the page the program last asked for
// (any place in it) and about:blank; every other navigation (a link, a frame, a dropped
// file or address) and every new window is refused.
#pragma once

#include <memory>
#include <string>

#include <wx/string.h>

#include "platform/gui/Wnd.h"

// The browser's optional navigation arguments; the program passes none.
struct VARIANT;

class wxWebView;

class CWebBrowser2 : public CWnd {
 public:
  CWebBrowser2() = default;
  ~CWebBrowser2() override;

  // Shows the local file at path (an absolute path or a file: URL); other addresses are
  // refused, as the pane only ever shows files the program wrote. The four optional
  // arguments are not used.
  void Navigate(LPCWSTR path, VARIANT* flags, VARIANT* targetFrame, VARIANT* postData,
                VARIANT* headers);
  // Shows html, a page the program made in memory, where no file of it can be written.
  void ShowPage(const std::string& html);
  // The address shown now, empty before the first Navigate.
  CString GetLocationURL() const;

 private:
  // Refuses every navigation but to the allowed address, and every new window, from the
  // first page on.
  void Close(wxWebView& view);

  // The address Navigate allows, shared with the view's navigation handler.
  std::shared_ptr<wxString> m_allowed = std::make_shared<wxString>();
  bool m_closed = false;
};
