// The dialog library in real windows: anchoring, placement, deactivation, Enter, history
// lists and the browser pane.
#include <array>
#include <fstream>
#include <tuple>
#include <utility>

#include <gtest/gtest.h>
#include <wx/frame.h>
#include <wx/webview.h>

#include "libs/dlgframe/HistCBox.h"
#include "libs/dlgframe/SmApp.h"
#include "libs/dlgframe/SmDialog.h"
#include "libs/dlgframe/WebBrowser2.h"
#include "platform/gui/Resources.h"
#include "tests/gui/GuiTestSupport.h"
#include "tests/platform/TempDir.h"

namespace {

constexpr UINT kFrameDialog = 9100;
constexpr DWORD kField = WS_CHILD | WS_VISIBLE | WS_BORDER | WS_TABSTOP;
constexpr DWORD kList = WS_CHILD | WS_VISIBLE | WS_TABSTOP | CBS_DROPDOWNLIST;

const std::array<DlgControl, 5> kControls = {{
    {200, kClassEdit, u"", kField, 10, 10, 100, 14},
    {201, kClassEdit, u"", kField, 10, 30, 100, 40},
    {205, kClassEdit, u"", kField, 160, 80, 40, 14},
    {207, kClassComboBox, u"", kList, 160, 30, 40, 40},
    {208, kClassWebBrowser, u"", kField, 210, 10, 60, 60},
}};
const std::array<DlgTemplate, 1> kTemplates = {{
    {kFrameDialog, 0x90CF0048, 0, 0, 0, 280, 100, 0, u"Frame", u"MS Shell Dlg", 8, kControls},
}};
const std::array<DlgInitRecord, 3> kInitRecords = {{
    {207, kDlgInitAddString, std::string_view("<tab>\0", 6)},
    {207, kDlgInitAddString, std::string_view(",\0", 2)},
    {207, kDlgInitAddString, std::string_view("|\0", 2)},
}};
const std::array<DlgInit, 1> kInits = {{{kFrameDialog, kInitRecords}}};
const ResourceModule kModule = {kTemplates, kInits, {}, {}, {}, {}};

// The main window's test covers every kind of anchoring on its real controls; here: a kind
// the library does not know stays where it is.
constexpr RZ_TYPE kUnknownAnchor = static_cast<RZ_TYPE>(99);

class CFrameDlg : public CSmDialog {
 public:
  CFrameDlg() : CSmDialog(kFrameDialog, nullptr) { m_windowName = u"TestWnd"; }
  BOOL OnInitDialog() override {
    CSmDialog::OnInitDialog();
    AddControl(201, RZ_GROW_BOTH, SPLIT_NONE);
    AddControl(205, kUnknownAnchor, SPLIT_NONE);
    Load();
    SetMinSizes(640, 480);
    return TRUE;
  }
  void DoDataExchange(CDataExchange* pDX) override {
    DDX_Control(pDX, 207, history);
    DDX_Control(pDX, 208, browser);
    CSmDialog::DoDataExchange(pDX);
  }
  void Deactivate() override {
    ++deactivations;
    frameAtDeactivate = GetFrame() != nullptr;
    CSmDialog::Deactivate();
  }
  void Activate() override { ++activations; }

  CHistCBox history;
  CWebBrowser2 browser;
  int deactivations = 0, activations = 0;
  bool frameAtDeactivate = false;
};

class SmDialogTest : public testing::Test {
 protected:
  void SetUp() override {
    AfxAddResourceModule(&kModule);
    store.SetPath(dir.File("corvane.ini"));
    AfxGetSmApp()->Initialize(OSTREL_CORVANE_CONVERTER, &store, nullptr);
  }
  void TearDown() override { AfxGetSmApp()->Terminate(); }

  void Open(CFrameDlg& dlg) {
    ASSERT_TRUE(dlg.Create());
    ActivateWindow(dlg);
  }
  static wxWindow* Item(CDialog& dlg, int id) { return dlg.GetDlgItem(id)->GetWxWindow(); }
  static void Resize(CDialog& dlg, wxSize size) {
    dlg.GetFrame()->SetSize(size);
    PumpUntil([&] { return dlg.GetFrame()->GetSize() == size; });
    Pump(100);
  }

  TempDir dir;
  _Settings store;
};

TEST_F(SmDialogTest, ControlsFollowTheEdgesTheirKindNamesCountedFromWhereTheyStarted) {
  CFrameDlg dlg;
  Open(dlg);
  const wxRect grows = Item(dlg, 201)->GetRect(), stays = Item(dlg, 205)->GetRect();
  const wxSize size = dlg.GetFrame()->GetSize();
  Resize(dlg, size + wxSize(100, 60));
  EXPECT_EQ(Item(dlg, 201)->GetRect(),
            wxRect(grows.GetPosition(), grows.GetSize() + wxSize(100, 60)));
  EXPECT_EQ(Item(dlg, 205)->GetRect(), stays);
  // Every size change counts from where the controls started, not from the last one.
  Resize(dlg, size);
  EXPECT_EQ(Item(dlg, 201)->GetRect(), grows);
  dlg.DestroyWindow();
}

TEST_F(SmDialogTest, SavedPlacementIsRestoredByTheNextWindow) {
  wxRect saved;
  {
    CFrameDlg first;
    Open(first);
    first.GetFrame()->SetSize(wxRect(40, 50, 700, 520));
    PumpUntil([&] { return first.GetFrame()->GetSize() == wxSize(700, 520); });
    saved = first.GetFrame()->GetRect();
    EXPECT_TRUE(first.Save());
    first.DestroyWindow();
  }
  EXPECT_EQ(store.getInt(u"TestWnd.X"), saved.x);
  EXPECT_EQ(store.getInt(u"TestWnd.Y"), saved.y);
  EXPECT_EQ(store.getInt(u"TestWnd.Width"), saved.width);
  EXPECT_EQ(store.getInt(u"TestWnd.Height"), saved.height);
  EXPECT_EQ(store.getInt(u"TestWnd.Maximized", -1), 0);
  CFrameDlg second;
  Open(second);
  PumpUntil([&] { return second.GetFrame()->GetRect() == saved; });
  EXPECT_EQ(second.GetFrame()->GetRect(), saved);
  second.DestroyWindow();
}

TEST_F(SmDialogTest, PlacementOffEveryScreenIsNotUsed) {
  store.setInt(u"TestWnd.X", 5000);
  store.setInt(u"TestWnd.Y", 5000);
  store.setInt(u"TestWnd.Width", 700);
  store.setInt(u"TestWnd.Height", 520);
  CFrameDlg dlg;
  Open(dlg);
  EXPECT_FALSE(dlg.Load());
  const wxRect rect = dlg.GetFrame()->GetScreenRect();
  EXPECT_TRUE(wxRect(0, 0, 1280, 1024).Contains(rect.GetTopLeft()));
  dlg.DestroyWindow();
}

TEST_F(SmDialogTest, NothingIsKeptWithoutTheLibrarysStore) {
  AfxGetSmApp()->Terminate();
  CFrameDlg dlg;
  Open(dlg);
  EXPECT_FALSE(dlg.Save());
  EXPECT_EQ(store.getInt(u"TestWnd.Width", -1), -1);
  dlg.DestroyWindow();
}

TEST(PlacementTest, PlacementIsUsableWhenEnoughOfItIsOnAScreen) {
  const std::vector<wxRect> screens{wxRect(0, 0, 1920, 1080), wxRect(1920, 0, 1280, 1024)};
  const std::pair<wxRect, bool> cases[] = {
      {{100, 100, 800, 600}, true},    // on the first
      {{2500, 100, 800, 600}, true},   // on the second
      {{1900, 100, 800, 600}, true},   // across both
      {{-700, -500, 800, 600}, true},  // a corner showing
      {{-780, 100, 800, 600}, false},  // left of all
      {{100, 1060, 800, 600}, false},  // below all
      {{100, 100, 0, 600}, false},     // no width
  };
  for (const auto& [rect, usable] : cases) {
    EXPECT_EQ(IsPlacementOnScreen(rect, screens), usable) << rect.x << "," << rect.y;
  }
}

TEST_F(SmDialogTest, DeactivateRunsBeforeTheWindowGoesWhicheverWayItCloses) {
  CFrameDlg modeless;
  Open(modeless);
  EXPECT_EQ(modeless.activations, 1);
  modeless.DestroyWindow();
  EXPECT_EQ(modeless.deactivations, 1);
  EXPECT_TRUE(modeless.frameAtDeactivate);

  CFrameDlg modal;
  ModalDialogRecorder recorder(IDCANCEL);
  EXPECT_EQ(modal.DoModal(), IDCANCEL);
  EXPECT_EQ(modal.deactivations, 1);
  EXPECT_TRUE(modal.frameAtDeactivate);
}

TEST_F(SmDialogTest, EnterDoesNotCloseTheWindowButEscapeDoes) {
  CFrameDlg dlg;
  Open(dlg);
  FocusOn(dlg, 200);
  PressKey(WXK_RETURN);
  EXPECT_TRUE(dlg.GetFrame()->IsShown());
  PressKey(WXK_ESCAPE);
  EXPECT_FALSE(dlg.GetFrame()->IsShown());
  dlg.DestroyWindow();
}

// The list holds "<tab>", "," and "|", the first selected; "<TAB>" is not "<tab>".
TEST_F(SmDialogTest, SetActiveOrAddSelectsTheEqualEntryOrAppendsIt) {
  const std::tuple<const char16_t*, int, int> cases[] = {
      {u",", 1, 3}, {u";", 3, 4}, {u"<TAB>", 3, 4}, {u"", 0, 3}};
  for (const auto& [text, selected, count] : cases) {
    SCOPED_TRACE(CString(text).ToUtf8());
    CFrameDlg dlg;
    Open(dlg);
    dlg.history.SetCurSel(0);
    dlg.history.SetActiveOrAdd(text, 0);
    EXPECT_EQ(dlg.history.GetCurSel(), selected);
    EXPECT_EQ(dlg.history.GetCount(), count);
    if (selected > 0) {
      EXPECT_EQ(dlg.history.GetWindowText(), text);
    }
    dlg.DestroyWindow();
  }
}

TEST_F(SmDialogTest, BrowserShowsLocalFilesWithScriptsOff) {
  const std::string page = dir.File("page.html");
  std::ofstream(page) << "<html><head><title>Before</title></head><body>"
                         "<script>document.title = 'After';</script></body></html>";
  CFrameDlg dlg;
  Open(dlg);
  auto* view = dynamic_cast<wxWebView*>(dlg.browser.GetWxWindow());
  ASSERT_NE(view, nullptr);
  dlg.browser.Navigate(CString::FromUtf8(page), nullptr, nullptr, nullptr, nullptr);
  ASSERT_TRUE(
      PumpUntil([&] { return !view->IsBusy() && view->GetCurrentTitle() == "Before"; }, 10000));
  Pump(300);
  EXPECT_EQ(view->GetCurrentTitle(), "Before");
  EXPECT_EQ(dlg.browser.GetLocationURL(), CString(u"file://") + CString::FromUtf8(page));

  // The same page in a web view with scripts on does change its title.
  wxWebView* scripted = wxWebView::New(dlg.GetClientWindow(), wxID_ANY);
  scripted->LoadURL("file://" + page);
  EXPECT_TRUE(PumpUntil([&] { return scripted->GetCurrentTitle() == "After"; }, 10000));

  dlg.browser.Navigate(u"https://example.org/", nullptr, nullptr, nullptr, nullptr);
  Pump(100);
  EXPECT_EQ(dlg.browser.GetLocationURL(), CString(u"file://") + CString::FromUtf8(page));
  dlg.DestroyWindow();
}

}  // namespace
