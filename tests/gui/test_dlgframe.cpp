// The dialog library: anchoring, minimum size, placement, deactivation, Enter, history
// lists, the browser pane and the About box, in real windows.
#include <array>
#include <fstream>

#include <gtest/gtest.h>
#include <wx/frame.h>
#include <wx/stattext.h>
#include <wx/webview.h>

#include "libs/dlgframe/AboutDlg.h"
#include "libs/dlgframe/HistCBox.h"
#include "libs/dlgframe/SmApp.h"
#include "libs/dlgframe/SmDialog.h"
#include "libs/dlgframe/WebBrowser2.h"
#include "platform/gui/Resources.h"
#include "tests/gui/GuiTestSupport.h"
#include "tests/platform/TempDir.h"

namespace {

// Names each parameterised test after its case.
const auto ByName = [](const auto& info) { return std::string(info.param.name); };

constexpr UINT kFrameDialog = 9100;
constexpr DWORD kField = WS_CHILD | WS_VISIBLE | WS_BORDER | WS_TABSTOP;
constexpr DWORD kList = WS_CHILD | WS_VISIBLE | WS_TABSTOP | CBS_DROPDOWNLIST;

const std::array<DlgControl, 9> kControls = {{
    {200, kClassEdit, u"", kField, 10, 10, 100, 14},
    {201, kClassEdit, u"", kField, 10, 30, 100, 40},
    {202, kClassEdit, u"", kField, 10, 80, 40, 14},
    {203, kClassEdit, u"", kField, 60, 80, 40, 14},
    {204, kClassEdit, u"", kField, 110, 80, 40, 14},
    {205, kClassEdit, u"", kField, 160, 80, 40, 14},
    {206, kClassEdit, u"", kField, 160, 10, 40, 14},
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

struct AnchorCase {
  int id;
  RZ_TYPE type;  // RZ_FIXED: not registered
  int dx, dy, dw, dh;
};

// Growth of the client area in the anchoring tests.
constexpr int kGrowX = 100;
constexpr int kGrowY = 60;

const std::array<AnchorCase, 7> kAnchors = {{
    {200, RZ_GROW_WIDTH, 0, 0, kGrowX, 0},
    {201, RZ_GROW_BOTH, 0, 0, kGrowX, kGrowY},
    {202, RZ_MOVE_DOWN, 0, kGrowY, 0, 0},
    {203, RZ_MOVE_RIGHT_DOWN, kGrowX, kGrowY, 0, 0},
    {204, RZ_MOVE_DOWN_GROW_WIDTH, 0, kGrowY, kGrowX, 0},
    {205, static_cast<RZ_TYPE>(99), 0, 0, 0, 0},
    {206, RZ_FIXED, 0, 0, 0, 0},
}};

class CFrameDlg : public CSmDialog {
 public:
  CFrameDlg() : CSmDialog(kFrameDialog, nullptr) { m_windowName = u"TestWnd"; }
  BOOL OnInitDialog() override {
    CSmDialog::OnInitDialog();
    for (const AnchorCase& anchor : kAnchors) {
      if (anchor.type != RZ_FIXED) {
        AddControl(anchor.id, anchor.type, SPLIT_NONE);
      }
    }
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
  BOOL OnCommand(WPARAM wParam, LPARAM lParam) override {
    commands.push_back(wParam);
    return CSmDialog::OnCommand(wParam, lParam);
  }

  CHistCBox history;
  CWebBrowser2 browser;
  int deactivations = 0, activations = 0;
  bool frameAtDeactivate = false;
  std::vector<WPARAM> commands;
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

TEST_F(SmDialogTest, ControlsFollowTheEdgesTheirKindNames) {
  CFrameDlg dlg;
  Open(dlg);
  std::vector<wxRect> before;
  for (const AnchorCase& anchor : kAnchors) {
    before.push_back(RectOf(Item(dlg, anchor.id)));
  }
  const wxSize size = dlg.GetFrame()->GetSize();
  Resize(dlg, size + wxSize(kGrowX, kGrowY));
  for (size_t i = 0; i < kAnchors.size(); ++i) {
    const AnchorCase& anchor = kAnchors[i];
    SCOPED_TRACE(anchor.id);
    const wxRect after = RectOf(Item(dlg, anchor.id));
    EXPECT_EQ(after.x - before[i].x, anchor.dx);
    EXPECT_EQ(after.y - before[i].y, anchor.dy);
    EXPECT_EQ(after.width - before[i].width, anchor.dw);
    EXPECT_EQ(after.height - before[i].height, anchor.dh);
  }
  // Every size change counts from where the controls started, not from the last one.
  Resize(dlg, size);
  for (size_t i = 0; i < kAnchors.size(); ++i) {
    EXPECT_EQ(RectOf(Item(dlg, kAnchors[i].id)), before[i]) << kAnchors[i].id;
  }
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

struct PlacementCase {
  const char* name;
  wxRect rect;
  bool usable;
};

class PlacementTest : public testing::TestWithParam<PlacementCase> {};

TEST_P(PlacementTest, PlacementIsUsableWhenEnoughOfItIsOnAScreen) {
  const std::vector<wxRect> screens{wxRect(0, 0, 1920, 1080), wxRect(1920, 0, 1280, 1024)};
  EXPECT_EQ(IsPlacementOnScreen(GetParam().rect, screens), GetParam().usable);
}

INSTANTIATE_TEST_SUITE_P(Placements, PlacementTest,
                         testing::Values(PlacementCase{"OnFirst", {100, 100, 800, 600}, true},
                                         PlacementCase{"OnSecond", {2500, 100, 800, 600}, true},
                                         PlacementCase{"AcrossBoth", {1900, 100, 800, 600}, true},
                                         PlacementCase{"LeftOfAll", {-780, 100, 800, 600}, false},
                                         PlacementCase{"BelowAll", {100, 1060, 800, 600}, false},
                                         PlacementCase{"NoWidth", {100, 100, 0, 600}, false},
                                         PlacementCase{
                                             "CornerShowing", {-700, -500, 800, 600}, true}),
                         ByName);

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
  dlg.GetDlgItem(200)->SetFocus();
  Pump(50);
  PressKey(WXK_RETURN);
  EXPECT_TRUE(dlg.GetFrame()->IsShown());
  PressKey(WXK_ESCAPE);
  EXPECT_EQ(dlg.commands.back(), MAKEWPARAM(IDCANCEL, 0));
  EXPECT_FALSE(dlg.GetFrame()->IsShown());
  dlg.DestroyWindow();
}

struct HistoryCase {
  const char* name;
  const char16_t* text;
  int selected;
  int count;
};

class HistCBoxTest : public SmDialogTest, public testing::WithParamInterface<HistoryCase> {};

TEST_P(HistCBoxTest, SetActiveOrAddSelectsTheEqualEntryOrAppendsIt) {
  CFrameDlg dlg;
  Open(dlg);
  dlg.history.SetCurSel(0);
  const HistoryCase& c = GetParam();
  dlg.history.SetActiveOrAdd(c.text, 0);
  EXPECT_EQ(dlg.history.GetCurSel(), c.selected);
  EXPECT_EQ(dlg.history.GetCount(), c.count);
  if (c.selected > 0) {
    EXPECT_EQ(dlg.history.GetWindowText(), c.text);
  }
  dlg.DestroyWindow();
}

INSTANTIATE_TEST_SUITE_P(Histories, HistCBoxTest,
                         testing::Values(HistoryCase{"Comma", u",", 1, 3},
                                         HistoryCase{"NewSemicolon", u";", 3, 4},
                                         HistoryCase{"OtherCase", u"<TAB>", 3, 4},
                                         HistoryCase{"Empty", u"", 0, 3}),
                         ByName);

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

TEST(AboutDlgTest, ShowsProductVersionYearsAndLibraries) {
  CAboutDlg about;
  about.Initialize(u"2011-2025", OSTREL_CORVANE_CONVERTER, nullptr, nullptr, nullptr, 0);
  CString product, version, years, libraries;
  ModalDialogRecorder recorder(IDOK, [&](CDialog* dlg) {
    dlg->GetDlgItemText(IDC_ABOUT_PRODUCT, product);
    dlg->GetDlgItemText(IDC_ABOUT_VERSION, version);
    dlg->GetDlgItemText(IDC_ABOUT_YEARS, years);
    dlg->GetDlgItemText(IDC_ABOUT_LIBRARIES, libraries);
  });
  EXPECT_EQ(about.DoModal(), IDOK);
  EXPECT_EQ(product, u"Ostrel Corvane Converter");
  EXPECT_EQ(version, u"Version 1.0.3.0");
  EXPECT_EQ(years, u"2011-2025");
  EXPECT_EQ(libraries.Left(21), u"Runs on wxWidgets 3.2") << libraries.ToUtf8();
  EXPECT_NE(libraries.Find(u", GTK 3."), -1) << libraries.ToUtf8();
  EXPECT_NE(libraries.Find(u", WebKitGTK 2."), -1) << libraries.ToUtf8();
}

}  // namespace
