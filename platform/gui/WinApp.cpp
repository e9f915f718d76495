#include "platform/gui/WinApp.h"

#include <unistd.h>

#include <algorithm>
#include <cstdlib>
#include <memory>
#include <string>
#include <string_view>

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

// The toolkit's options that take their value as the next word.
bool TakesValue(std::string_view option) {
  static constexpr std::string_view kOptions[] = {"--display",    "--class",       "--name",
                                                  "--gtk-module", "--gdk-debug",   "--gdk-no-debug",
                                                  "--gtk-debug",  "--gtk-no-debug"};
  return std::find(std::begin(kOptions), std::end(kOptions), option) != std::end(kOptions);
}

// Relative to the folder the program started in, which the settings outlive.
CString AbsolutePath(std::string_view arg) {
  std::string path(arg);
  if (!path.starts_with('/')) {
    std::unique_ptr<char, decltype(&free)> cwd(getcwd(nullptr, 0), &free);
    if (cwd) {
      path = std::string(cwd.get()) + "/" + path;
    }
  }
  return CString::FromUtf8(path);
}

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
  // Files never reach the toolkit: it drops an argument that is not valid text.
  std::vector<char*> toolkitArgs{argv[0]};
  g_app->m_fileArguments.clear();
  bool optionsEnded = false;
  for (int i = 1; i < argc; ++i) {
    const std::string_view arg = argv[i];
    if (!optionsEnded && arg == "--") {
      optionsEnded = true;
    } else if (!optionsEnded && arg.starts_with('-')) {
      toolkitArgs.push_back(argv[i]);
      if (TakesValue(arg) && i + 1 < argc) {
        toolkitArgs.push_back(argv[++i]);
      }
    } else {
      g_app->m_fileArguments.push_back(AbsolutePath(arg));
    }
  }
  toolkitArgs.push_back(nullptr);
  int toolkitArgc = static_cast<int>(toolkitArgs.size()) - 1;
  wxApp::SetInstance(new CToolkitApp(g_app));
  const int status = wxEntry(toolkitArgc, toolkitArgs.data());
  return status < 0 ? 1 : status;
}
