#include "app/CorvaneApp.h"

#include "app/Settings.h"
#include "platform/core/AtomicOutput.h"
#include "ui/CorvaneDlg.h"

CCorvaneApp theApp;

BEGIN_APP_COMMAND_MAP(CCorvaneApp, CSmApp)
ON_APP_COMMAND(ID_HELP, CWinAppEx::OnHelp)
END_APP_COMMAND_MAP()

BOOL CCorvaneApp::InitInstance() {
  // A conversion ended by SIGTERM, SIGINT or SIGHUP leaves no hidden output behind.
  // Installed once the toolkit is up, so that no handler of its own takes their place.
  RemovePendingOutputsOnSignals();
  // The window object comes first and goes last: it outlives the store and the library.
  CCorvaneDlg dlg;

  INITCOMMONCONTROLSEX controls{sizeof(INITCOMMONCONTROLSEX), ICC_WIN95_CLASSES};
  InitCommonControlsEx(&controls);

  auto* settings = new CSettings;
  g_settings = settings;
  Initialize(OSTREL_CORVANE_CONVERTER, g_settings, nullptr);
  g_settings->LoadData();
  dlg.UseSettings(settings);
  // The desktop hands over one file; any more are left alone.
  if (!GetFileArguments().empty()) {
    dlg.OpenWith(GetFileArguments().front());
  }

  m_pMainWnd = &dlg;
  dlg.DoModal();
  m_pMainWnd = nullptr;
  dlg.UseSettings(nullptr);

  // The window has saved what it keeps; nothing is saved here.
  if (g_settings != nullptr) {
    delete g_settings;
    g_settings = nullptr;
  }
  Terminate();
  return FALSE;
}
