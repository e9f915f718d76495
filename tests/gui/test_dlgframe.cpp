// The dialog library in real windows: placement, history lists and the browser pane.
// Anchoring and Enter are seen in the main window's tests.
#include <climits>
#include <fstream>
#include <tuple>

#include <gtest/gtest.h>
#include <wx/frame.h>
#include <wx/webview.h>

#include "libs/dlgframe/HistCBox.h"
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
    DDX_Control(pDX, 101, history);
    DDX_Control(pDX, 105, browser);
    CSmDialog::DoDataExchange(pDX);
  }

  CHistCBox history;
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

TEST(PlacementTest, PlacementIsUsableWhenEnoughOfItIsOnAScreen) {
  const std::vector<wxRect> screens{wxRect(0, 0, 1920, 1080), wxRect(1920, 0, 1280, 1024)};
  const std::pair<wxRect, bool> cases[] = {
      {{100, 100, 800, 600}, true},    // on the first
      {{-700, -500, 800, 600}, true},  // a corner showing
      {{-780, 100, 800, 600}, false},  // left of all
      {{100, 100, 0, 600}, false},     // no width
  };
  for (const auto& [rect, usable] : cases) {
    EXPECT_EQ(IsPlacementOnScreen(rect, screens), usable) << rect.x << "," << rect.y;
  }
}

TEST(PlacementTest, PlacementIsFittedToTheWorkAreaItIsMostOn) {
  const std::vector<wxRect> areas{wxRect(0, 32, 1920, 1048), wxRect(1920, 0, 1280, 1024)};
  const std::pair<wxRect, wxRect> cases[] = {
      {{100, 100, 800, 600}, {100, 100, 800, 600}},     // fits as it is
      {{0, 0, INT_MAX, INT_MAX}, {0, 32, 1920, 1048}},  // a broken store's size
      {{3000, 900, 800, 600}, {2400, 424, 800, 600}},   // mostly on the second
      {{-700, -500, 800, 600}, {0, 32, 800, 600}},      // a corner showing
  };
  for (const auto& [rect, fitted] : cases) {
    EXPECT_EQ(FitToWorkArea(rect, areas), fitted) << rect.x << "," << rect.y;
  }
}

// The list holds "<tab>", "," and "|", the first selected; "<TAB>" is not "<tab>".
TEST_F(SmDialogTest, SetActiveOrAddSelectsTheEqualEntryOrAppendsIt) {
  CFrameDlg dlg;
  Open(dlg);
  for (const auto& [text, selected, count] :
       {std::tuple{u",", 1, 3}, {u"<TAB>", 3, 4}, {u"", 0, 4}}) {
    dlg.history.SetCurSel(0);
    dlg.history.SetActiveOrAdd(text, 0);
    EXPECT_EQ(dlg.history.GetCurSel(), selected) << CString(text).ToUtf8();
    EXPECT_EQ(dlg.history.GetCount(), count);
  }
}

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
