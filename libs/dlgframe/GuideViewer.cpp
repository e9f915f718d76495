#include "libs/dlgframe/GuideViewer.h"

#include <wx/button.h>
#include <wx/dialog.h>
#include <wx/filename.h>
#include <wx/sizer.h>
#include <wx/weakref.h>

#include "libs/dlgframe/DlgframeTexts.h"
#include "libs/dlgframe/HideOnClose.h"
#include "libs/dlgframe/WebBrowser2.h"
#include "platform/gui/WebView.h"
#include "platform/gui/WxText.h"

namespace {

class CGuideWindow : public wxDialog {
 public:
  explicit CGuideWindow(wxWindow* parent)
      : wxDialog(parent, wxID_ANY, DlgframeTexts::kGuideTitle, wxDefaultPosition, wxDefaultSize,
                 wxDEFAULT_DIALOG_STYLE | wxRESIZE_BORDER | wxMAXIMIZE_BOX) {
    m_view = CreateWebBrowser(this, wxID_ANY, wxDefaultPosition, wxDefaultSize);
    m_browser.Attach(m_view, m_view->GetId(), nullptr);
    auto* close = new wxButton(this, wxID_CLOSE);
    auto* sizer = new wxBoxSizer(wxVERTICAL);
    sizer->Add(m_view, wxSizerFlags(1).Expand().Border(wxLEFT | wxRIGHT | wxTOP));
    sizer->Add(close, wxSizerFlags().Right().Border());
    SetSizer(sizer);
    SetSize(FromDIP(wxSize(800, 640)));
    SetMinSize(FromDIP(wxSize(360, 260)));
    SetEscapeId(wxID_CLOSE);
    // Closing only hides: the next time the guide opens where the reader left it.
    close->Bind(wxEVT_BUTTON, [this](wxCommandEvent&) { Hide(); });
    HideOnClose(*this);
  }

  void ShowPage(const CString& path) {
    if (path != m_path) {
      m_path = path;
      m_browser.Navigate(path, nullptr, nullptr, nullptr, nullptr);
    }
  }

  wxWindow* View() const { return m_view; }

 private:
  wxWindow* m_view = nullptr;
  CWebBrowser2 m_browser;
  CString m_path;
};

wxWeakRef<CGuideWindow>& TheWindow() {
  static wxWeakRef<CGuideWindow> window;
  return window;
}

}  // namespace

bool CGuideViewer::Show(wxWindow* parent, const CString& path) {
  if (!wxFileName::FileExists(ToWx(path))) {
    return false;
  }
  wxWeakRef<CGuideWindow>& window = TheWindow();
  if (!window) {
    window = new CGuideWindow(parent);
  }
  window->ShowPage(path);
  window->Show();
  window->Raise();
  return true;
}

void CGuideViewer::Destroy() {
  if (TheWindow()) {
    TheWindow()->Destroy();
  }
}

wxDialog* CGuideViewer::Window() {
  return TheWindow().get();
}

wxWindow* CGuideViewer::View() {
  return TheWindow() ? TheWindow()->View() : nullptr;
}
