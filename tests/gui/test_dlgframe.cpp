// The dialog library in a real window: the browser pane shows local pages only, with
// scripts off. Anchoring and Enter are seen in the main window's tests.
#include <fstream>

#include <gtest/gtest.h>
#include <wx/frame.h>
#include <wx/webview.h>

#include "libs/dlgframe/SmApp.h"
#include "libs/dlgframe/SmDialog.h"
#include "libs/dlgframe/WebBrowser2.h"
#include "tests/gui/GuiTestSupport.h"
#include "tests/platform/TempDir.h"

namespace {

class CFrameDlg : public CSmDialog {
 public:
  CFrameDlg() : CSmDialog(kTestDialog, nullptr) { m_windowName = u"TestWnd"; }
  BOOL OnInitDialog() override {
    CSmDialog::OnInitDialog();
    Load();
    SetMinSizes(640, 480);
    return TRUE;
  }
  void DoDataExchange(CDataExchange* pDX) override {
    DDX_Control(pDX, 105, browser);
    CSmDialog::DoDataExchange(pDX);
  }

  CWebBrowser2 browser;
};

class SmDialogTest : public testing::Test {
 protected:
  void SetUp() override {
    RegisterTestDialog();
    store.SetPath(dir.File("corvane.ini"));
    AfxGetSmApp()->Initialize(OSTREL_CORVANE_CONVERTER, &store, nullptr);
  }
  void TearDown() override { AfxGetSmApp()->Terminate(); }

  static void Open(CFrameDlg& dlg) {
    ASSERT_TRUE(dlg.Create());
    ActivateWindow(dlg);
  }

  TempDir dir;
  _Settings store;
};

TEST_F(SmDialogTest, BrowserShowsLocalFilesWithScriptsOff) {
  const std::string page = dir.File("page.html");
  std::ofstream(page) << "<html><head><title>Before</title></head><body>"
                         "<script>document.title = 'After';</script></body></html>";
  CFrameDlg dlg;
  Open(dlg);
  auto* view = dynamic_cast<wxWebView*>(dlg.browser.GetWxWindow());
  dlg.browser.Navigate(CString::FromUtf8(page), nullptr, nullptr, nullptr, nullptr);
  ASSERT_TRUE(
      PumpUntil([&] { return !view->IsBusy() && view->GetCurrentTitle() == "Before"; }, 10000));
  // The same page in a web view with scripts on does change its title.
  wxWebView* scripted = wxWebView::New(dlg.GetClientWindow(), wxID_ANY);
  scripted->LoadURL("file://" + page);
  EXPECT_TRUE(PumpUntil([&] { return scripted->GetCurrentTitle() == "After"; }, 10000));
  EXPECT_EQ(view->GetCurrentTitle(), "Before");

  // A refused address raises nothing to wait for: the pane is given the time a load would
  // take to start.
  dlg.browser.Navigate(u"https://example.org/", nullptr, nullptr, nullptr, nullptr);
  const CString shown = CString(u"file://") + CString::FromUtf8(page);
  EXPECT_FALSE(PumpUntil([&] { return dlg.browser.GetLocationURL() != shown; }, 500));
  EXPECT_EQ(dlg.browser.GetLocationURL(), shown);
}

}  // namespace
