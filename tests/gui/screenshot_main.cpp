// Shows the main window with a sample file and its preview for tools/screenshot.sh:
// prints the window's screen rectangle once it is drawn, then waits until the file named
// by the first argument exists (the picture is taken) or 30 seconds have passed.
#include <stdio.h>
#include <unistd.h>

#include <wx/frame.h>

#include "engine/ConvertToJson.h"
#include "engine/RenderPreview.h"
#include "libs/dlgframe/HistCBox.h"
#include "libs/dlgframe/WebBrowser2.h"
#include "platform/core/FileSystem.h"
#include "tests/gui/GuiTestSupport.h"
#include "ui/CorvaneDlg.h"

namespace {

class CScreenshotApp : public CSmApp {
 public:
  explicit CScreenshotApp(const char* doneFile) : m_doneFile(doneFile) {}

  BOOL InitInstance() override {
    CCorvaneDlg dlg;
    dlg.Create();
    // The fields show a user's paths; the preview comes from the sample in the sources.
    dlg.SetDlgItemText(1000, u"/home/user/Documents/cities.csv");
    dlg.SetDlgItemText(1003, u"/home/user/Documents/cities.json");
    dynamic_cast<CHistCBox*>(dlg.GetDlgItem(1001))->SetActiveOrAdd(u",", 0);
    ShowPreview(dlg, CString::FromUtf8(CORVANE_SAMPLES "/cities.csv"));
    Pump(2500);
    const wxRect rect = dlg.GetFrame()->GetScreenRect();
    printf("%d %d %d %d\n", rect.x, rect.y, rect.width, rect.height);
    fflush(stdout);
    PumpUntil([this] { return access(m_doneFile, F_OK) == 0; }, 30000);
    dlg.DestroyWindow();
    return FALSE;
  }

 private:
  static void ShowPreview(CCorvaneDlg& dlg, const CString& source) {
    char16_t dir[MAX_PATH];
    char16_t name[MAX_PATH];
    if (GetTempPathW(MAX_PATH, dir) == 0 || GetTempFileNameW(dir, u"js", 0, name) == 0) {
      return;
    }
    const CString json = CString(name) + u".json";
    ConvertToJson(source, u",", json, 10, 0);
    RenderPreview(json);
    const CString html = json + u".html";
    dynamic_cast<CWebBrowser2*>(dlg.GetDlgItem(900))
        ->Navigate(html, nullptr, nullptr, nullptr, nullptr);
    Pump(1500);
    DeleteFileW(html);
    DeleteFileW(name);
  }

  const char* m_doneFile;
};

}  // namespace

int main(int argc, char** argv) {
  if (argc < 2) {
    fprintf(stderr, "usage: corvane_screenshot DONE_FILE\n");
    return 2;
  }
  static CScreenshotApp app(argv[1]);
  return AfxWinMain(argc, argv);
}
