// Shows one scene of the program for tools/screenshot.sh, prints the screen rectangle to
// photograph once it is drawn, then waits until the file DONE_FILE exists (the picture is
// taken) or 30 seconds have passed. Scenes:
//   main     the main window with a sample file and its preview
//   preview  the main window opened on WORK_DIR/Documents/cities.csv: its start-up preview
//   message  the same after Convert, with the conversion's message box over it
//   log      the log window after a few conversions that logged
// Usage: corvane_screenshot SCENE DONE_FILE [WORK_DIR]
#include <stdio.h>
#include <unistd.h>

#include <string>

#include <wx/dialog.h>
#include <wx/frame.h>
#include <wx/timer.h>
#include <wx/uiaction.h>

#include "app/Settings.h"
#include "engine/conversion/ConvertToJson.h"
#include "engine/preview/RenderPreview.h"
#include "libs/dlgframe/HistCBox.h"
#include "libs/dlgframe/LogViewer.h"
#include "libs/dlgframe/WebBrowser2.h"
#include "platform/core/FileSystem.h"
#include "tests/gui/GuiTestSupport.h"
#include "ui/CorvaneDlg.h"

namespace {

// Converts the first rows (negative: all) of source into JSON, with the separator given.
void Convert(const CString& source, const char16_t* separator, const CString& output,
             std::int64_t rows = -1) {
  ConversionRequest request;
  request.source = source;
  request.separator = separator;
  request.output = output;
  request.rowLimit = rows;
  ConvertToJson(request);
}

void PrintRect(const wxRect& rect) {
  printf("%d %d %d %d\n", rect.x, rect.y, rect.width, rect.height);
  fflush(stdout);
}

class CScreenshotApp : public CSmApp {
 public:
  CScreenshotApp(std::string scene, const char* doneFile, std::string work)
      : m_scene(std::move(scene)), m_doneFile(doneFile), m_work(std::move(work)) {}

  BOOL InitInstance() override {
    if (m_scene == "main") {
      ShowMain();
    } else if (m_scene == "preview" || m_scene == "message") {
      ShowWindowOnSample(m_scene == "message");
    } else if (m_scene == "log") {
      ShowLog();
    } else {
      fprintf(stderr, "unknown scene %s\n", m_scene.c_str());
    }
    return FALSE;
  }

 private:
  void WaitUntilTaken() {
    PumpUntil([this] { return access(m_doneFile, F_OK) == 0; }, 30000);
  }

  void ShowMain() {
    CCorvaneDlg dlg;
    dlg.Create();
    // The fields show a user's paths; the preview comes from the sample in the sources.
    dlg.SetDlgItemText(1000, u"/home/user/Documents/cities.csv");
    dlg.SetDlgItemText(1003, u"/home/user/Documents/cities.json");
    dynamic_cast<CHistCBox*>(dlg.GetDlgItem(1001))->SetActiveOrAdd(u",", 0);
    ShowPreviewOf(dlg, CString::FromUtf8(CORVANE_SAMPLES "/cities.csv"));
    Pump(2500);
    PrintRect(dlg.GetFrame()->GetScreenRect());
    WaitUntilTaken();
    dlg.DestroyWindow();
  }

  static void ShowPreviewOf(CCorvaneDlg& dlg, const CString& source) {
    char16_t dir[MAX_PATH];
    char16_t name[MAX_PATH];
    if (GetTempPathW(MAX_PATH, dir) == 0 || GetTempFileNameW(dir, u"js", 0, name) == 0) {
      return;
    }
    const CString json = CString(name) + u".json";
    Convert(source, u",", json, 10);
    RenderPreview(json);
    const CString html = json + u".html";
    dynamic_cast<CWebBrowser2*>(dlg.GetDlgItem(900))
        ->Navigate(html, nullptr, nullptr, nullptr, nullptr);
    Pump(1500);
    DeleteFileW(html);
    DeleteFileW(name);
  }

  // The window as a user finds it after choosing the sample: the saved inputs restored and
  // the start-up preview built by the window itself.
  void ShowWindowOnSample(bool convert) {
    CSettings store;
    store.SetPath(m_work + "/corvane.ini");
    store.SetSourceFile(CString::FromUtf8(m_work + "/Documents/cities.csv"));
    store.SetOutputFile(CString::FromUtf8(m_work + "/Documents/cities.json"));
    store.SetSeparator(u",");
    g_settings = &store;
    Initialize(OSTREL_CORVANE_CONVERTER, &store, nullptr);
    CCorvaneDlg dlg;
    dlg.UseSettings(&store);
    m_pMainWnd = &dlg;
    dlg.Create();
    Pump(2500);
    if (!convert) {
      PrintRect(dlg.GetFrame()->GetScreenRect());
      WaitUntilTaken();
    } else {
      // The message box runs its own loop: the picture is taken from a timer inside it,
      // and the box is closed with Return as a user would.
      const wxRect rect = dlg.GetFrame()->GetScreenRect();
      wxTimer timer;
      timer.Bind(wxEVT_TIMER, [this, rect](wxTimerEvent&) {
        PrintRect(rect);
        WaitUntilTaken();
        wxUIActionSimulator keys;
        keys.MouseMove(rect.x + rect.width / 2, rect.y + rect.height / 2);
        keys.Char(WXK_RETURN);
      });
      timer.StartOnce(1500);
      dlg.SendCommand(1004, 0);  // BN_CLICKED of Convert
    }
    dlg.DestroyWindow();
    m_pMainWnd = nullptr;
    Terminate();
    g_settings = nullptr;
  }

  void ShowLog() {
    const std::string dir = m_work + "/Documents/";
    const CString sample = CString::FromUtf8(CORVANE_SAMPLES "/cities.csv");
    Convert(CString::FromUtf8(dir + "survey.csv"), u",", CString::FromUtf8(dir + "survey.json"));
    Convert(CString::FromUtf8(dir + "stations.csv"), u",",
            CString::FromUtf8(dir + "stations.json"));
    Convert(sample, u"<tab>", CString::FromUtf8(dir + "no-such-folder/cities.json"));
    CCorvaneDlg dlg;
    m_pMainWnd = &dlg;
    dlg.Create();
    Pump(1000);
    DoCommand(ID_SM_VIEW_LOG);
    Pump(1500);
    PrintRect(CLogViewer::Window()->GetScreenRect());
    WaitUntilTaken();
    CLogViewer::Destroy();
    dlg.DestroyWindow();
    m_pMainWnd = nullptr;
  }

  std::string m_scene;
  const char* m_doneFile;
  std::string m_work;
};

}  // namespace

int main(int argc, char** argv) {
  if (argc < 3) {
    fprintf(stderr, "usage: corvane_screenshot SCENE DONE_FILE [WORK_DIR]\n");
    return 2;
  }
  static CScreenshotApp app(argv[1], argv[2], argc > 3 ? argv[3] : "/tmp");
  return AfxWinMain(argc, argv);
}
