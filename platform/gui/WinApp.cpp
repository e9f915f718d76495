#include "platform/gui/WinApp.h"

#include <wx/app.h>
#include <wx/filename.h>
#include <wx/init.h>
#include <wx/stdpaths.h>
#include <wx/utils.h>

#include "platform/gui/WxText.h"

namespace {

CWinAppEx* g_app = nullptr;

// The toolkit's application object, created and deleted by the toolkit; it hands the
// start-up and the run to the program's CWinAppEx.
class CToolkitApp : public wxApp {
 public:
  explicit CToolkitApp(CWinAppEx* app) : m_app(app) {}

  bool OnInit() override {
    m_initialised = m_app->InitInstance() != FALSE;
    return true;
  }

  int OnRun() override {
    if (m_initialised) {
      wxApp::OnRun();
    }
    return m_app->ExitInstance();
  }

 private:
  CWinAppEx* m_app;
  bool m_initialised = false;
};

}  // namespace

CWinAppEx::CWinAppEx() {
  g_app = this;
}

CWinAppEx::~CWinAppEx() {
  if (g_app == this) {
    g_app = nullptr;
  }
}

BOOL CWinAppEx::InitInstance() {
  return TRUE;
}

int CWinAppEx::ExitInstance() {
  return 0;
}

BOOL CWinAppEx::OnCmdMsg(UINT id) {
  for (const AFX_APP_COMMAND_MAP* map = GetCommandMap(); map != nullptr;
       map = map->pfnGetBaseMap != nullptr ? map->pfnGetBaseMap() : nullptr) {
    for (const AFX_APP_COMMAND_ENTRY* entry = map->lpEntries; entry->nID != 0; ++entry) {
      if (entry->nID == id) {
        (this->*entry->pfn)();
        return TRUE;
      }
    }
  }
  return FALSE;
}

const AFX_APP_COMMAND_MAP* CWinAppEx::GetThisCommandMap() {
  static const AFX_APP_COMMAND_ENTRY entries[] = {{0, nullptr}};
  static const AFX_APP_COMMAND_MAP map = {nullptr, entries};
  return &map;
}

const AFX_APP_COMMAND_MAP* CWinAppEx::GetCommandMap() const {
  return GetThisCommandMap();
}

CString CWinAppEx::GetHelpFilePath() {
  // Installed, the guide sits in the data folder beside the program's bin/.
  wxFileName installed(wxStandardPaths::Get().GetExecutablePath());
  installed.RemoveLastDir();
  const wxString guide = installed.GetPath() + "/" + CORVANE_INSTALL_GUIDE;
  if (wxFileName::FileExists(guide)) {
    return PathFromWx(guide);
  }
  return CString::FromUtf8(CORVANE_BUILD_USER_GUIDE);
}

void CWinAppEx::OnHelp() {}

BOOL InitCommonControlsEx(const INITCOMMONCONTROLSEX* controls) {
  return controls != nullptr ? TRUE : FALSE;
}

CWinAppEx* AfxGetApp() {
  return g_app;
}

int AfxWinMain(int argc, char** argv) {
  if (g_app == nullptr) {
    return 1;
  }
  wxApp::SetInstance(new CToolkitApp(g_app));
  const int status = wxEntry(argc, argv);
  return status < 0 ? 1 : status;
}
