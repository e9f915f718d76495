// The main window after start-up, in a real window: its controls as the template
// describes them, lists, states, anchoring, minimum size, tab order, mnemonics, menu,
// images, icon and the About box.
#include <array>
#include <memory>

#include <gtest/gtest.h>
#include <wx/button.h>
#include <wx/choice.h>
#include <wx/frame.h>
#include <wx/menu.h>
#include <wx/statbmp.h>
#include <wx/stattext.h>
#include <wx/textctrl.h>
#include <wx/webview.h>

#include "libs/dlgframe/LogViewer.h"
#include "platform/gui/ComboBox.h"
#include "platform/gui/EditBrowseBox.h"
#include "platform/gui/Images.h"
#include "tests/gui/GuiTestSupport.h"
#include "ui/CorvaneDlg.h"

namespace {

// Names each parameterised test after its case.
const auto ByName = [](const auto& info) { return std::string(info.param.name); };

class CCorvaneTestDlg : public CCorvaneDlg {
 public:
  BOOL OnCommand(WPARAM wParam, LPARAM lParam) override {
    commands.push_back(wParam);
    return CCorvaneDlg::OnCommand(wParam, lParam);
  }
  HICON Icon() const { return m_hIcon; }
  const CAboutDlg* About() const { return m_aboutDlg.get(); }
  std::vector<WPARAM> commands;
};

class CorvaneDlgTest : public testing::Test {
 protected:
  void SetUp() override {
    dlg = std::make_unique<CCorvaneTestDlg>();
    ASSERT_TRUE(dlg->Create());
    ActivateWindow(*dlg);
  }
  void TearDown() override {
    if (dlg) {
      dlg->DestroyWindow();
    }
  }
  wxWindow* Item(int id) { return dlg->GetDlgItem(id)->GetWxWindow(); }
  // The panel's controls in creation order, which is the template's order.
  std::vector<wxWindow*> Controls() {
    const wxWindowList& children = dlg->GetClientWindow()->GetChildren();
    return std::vector<wxWindow*>(children.begin(), children.end());
  }
  std::vector<CString> Entries(int id) {
    auto* list = dynamic_cast<CComboBox*>(dlg->GetDlgItem(id));
    std::vector<CString> entries(static_cast<size_t>(list->GetCount()));
    for (size_t i = 0; i < entries.size(); ++i) {
      list->GetLBText(static_cast<int>(i), entries[i]);
    }
    return entries;
  }
  std::unique_ptr<CCorvaneTestDlg> dlg;
};

enum class Kind { kLabel, kEditBrowse, kList, kButton, kBrowser, kEdit };

struct ExpectedControl {
  int id;
  Kind kind;
  const char* text;
  bool enabledAfterStart;
  bool tabStop;
};

const std::array<ExpectedControl, 13> kExpected = {{
    {-1, Kind::kLabel,
     "&Source file with data (text or CSV format). The header with column name is required. "
     "One row per line.",
     true, false},
    {1000, Kind::kEditBrowse, "", true, true},
    {-1, Kind::kLabel, "Value Se&parator", true, false},
    {1001, Kind::kList, "", true, true},
    {-1, Kind::kLabel, "Preview", true, false},
    {1017, Kind::kLabel, "Output file", true, false},
    {1003, Kind::kEditBrowse, "", true, true},
    {1004, Kind::kButton, "Con&vert", true, true},
    {2, Kind::kButton, "Quit", true, true},
    {900, Kind::kBrowser, "", true, true},
    {1009, Kind::kLabel, "Format", true, false},
    {1008, Kind::kList, "", true, true},
    {1010, Kind::kEdit, "", false, true},
}};

bool IsKind(wxWindow* window, Kind kind) {
  switch (kind) {
    case Kind::kLabel:
      return dynamic_cast<wxStaticText*>(window) != nullptr;
    case Kind::kEditBrowse:
      return dynamic_cast<CEditBrowseBox*>(window) != nullptr;
    case Kind::kList:
      return dynamic_cast<wxChoice*>(window) != nullptr;
    case Kind::kButton:
      return dynamic_cast<wxButton*>(window) != nullptr;
    case Kind::kBrowser:
      return dynamic_cast<wxWebView*>(window) != nullptr;
    case Kind::kEdit:
      return dynamic_cast<wxTextCtrl*>(window) != nullptr;
  }
  return false;
}

wxString TextOf(wxWindow* window) {
  if (auto* box = dynamic_cast<CEditBrowseBox*>(window)) {
    return box->GetTextCtrl()->GetValue();
  }
  if (auto* field = dynamic_cast<wxTextCtrl*>(window)) {
    return field->GetValue();
  }
  if (dynamic_cast<wxWebView*>(window) != nullptr || dynamic_cast<wxChoice*>(window) != nullptr) {
    return "";
  }
  return window->GetLabel();
}

TEST_F(CorvaneDlgTest, EveryTemplateControlExistsInOrderWithItsIdClassTextAndState) {
  const std::vector<wxWindow*> controls = Controls();
  ASSERT_EQ(controls.size(), kExpected.size());
  for (size_t i = 0; i < kExpected.size(); ++i) {
    const ExpectedControl& expected = kExpected[i];
    wxWindow* window = controls[i];
    SCOPED_TRACE(testing::Message() << "control " << i + 1 << " id " << expected.id);
    EXPECT_TRUE(IsKind(window, expected.kind));
    EXPECT_EQ(TextOf(window).utf8_string(), expected.text);
    EXPECT_EQ(window->IsThisEnabled(), expected.enabledAfterStart);
    EXPECT_TRUE(window->IsShown());
    if (expected.id == -1) {
      EXPECT_LT(window->GetId(), 0);
      continue;
    }
    EXPECT_EQ(window->GetId(), expected.id);
    EXPECT_EQ(dlg->GetDlgItem(expected.id)->GetWxWindow(), window);
    EXPECT_EQ((dlg->GetControlStyle(expected.id) & WS_TABSTOP) != 0, expected.tabStop);
  }
  EXPECT_EQ(dlg->GetFrame()->GetTitle(), "Ostrel Corvane Converter");
}

TEST_F(CorvaneDlgTest, ListsHoldTheirEntriesAfterStartUp) {
  EXPECT_EQ(Entries(1001), (std::vector<CString>{u"<tab>", u",", u"|", u"Custom"}));
  EXPECT_EQ(Entries(1008), (std::vector<CString>{u"JSON", u"BSON"}));
}

struct Move {
  int index;  // in template order
  int dx, dy, dw, dh;
};

// Enlarging by 100 pixels both ways: the preview pane takes the growth, the file fields
// widen, what is below the pane keeps its distance to the bottom edge.
const std::array<Move, 13> kMoves = {{
    {0, 0, 0, 0, 0},      // explanatory text
    {1, 0, 0, 100, 0},    // 1000 source field
    {2, 0, 0, 0, 0},      // separator label
    {3, 0, 0, 0, 0},      // 1001 separator list
    {4, 0, 0, 0, 0},      // "Preview"
    {5, 0, 100, 0, 0},    // 1017 "Output file"
    {6, 0, 100, 100, 0},  // 1003 output field
    {7, 100, 100, 0, 0},  // 1004 Convert
    {8, 100, 100, 0, 0},  // 2 Quit
    {9, 0, 0, 100, 100},  // 900 preview pane
    {10, 0, 100, 0, 0},   // 1009 "Format"
    {11, 0, 100, 0, 0},   // 1008 format list
    {12, 0, 0, 0, 0},     // 1010 custom separator
}};

TEST_F(CorvaneDlgTest, EnlargingMovesAndGrowsExactlyTheStatedControls) {
  const std::vector<wxWindow*> controls = Controls();
  std::vector<wxRect> before;
  for (wxWindow* control : controls) {
    before.push_back(RectOf(control));
  }
  wxFrame* frame = dlg->GetFrame();
  const wxSize target = frame->GetSize() + wxSize(100, 100);
  frame->SetSize(target);
  ASSERT_TRUE(PumpUntil([&] { return frame->GetSize() == target; }));
  Pump(100);
  for (const Move& move : kMoves) {
    SCOPED_TRACE(testing::Message() << "control " << move.index + 1);
    const wxRect after = RectOf(controls[static_cast<size_t>(move.index)]);
    const wxRect& was = before[static_cast<size_t>(move.index)];
    EXPECT_EQ(after.x - was.x, move.dx);
    EXPECT_EQ(after.y - was.y, move.dy);
    EXPECT_EQ(after.width - was.width, move.dw);
    EXPECT_EQ(after.height - was.height, move.dh);
  }
}

TEST_F(CorvaneDlgTest, WindowCannotBeSizedBelow640By480) {
  wxFrame* frame = dlg->GetFrame();
  EXPECT_EQ(frame->GetMinSize(), frame->FromDIP(wxSize(640, 480)));
  frame->SetSize(wxSize(500, 300));
  Pump(200);
  EXPECT_GE(frame->GetSize().x, frame->FromDIP(640));
  EXPECT_GE(frame->GetSize().y, frame->FromDIP(480));
}

std::vector<int> TabCycle(int steps) {
  std::vector<int> order{FocusedId()};
  for (int i = 0; i < steps; ++i) {
    PressKey(WXK_TAB);
    order.push_back(FocusedId());
  }
  return order;
}

TEST_F(CorvaneDlgTest, TabOrderTakesTheCustomSeparatorOnlyWhileEnabled) {
  const std::vector<int> order{1000, 1001, 1003, 1004, 2, 900, 1008};
  for (bool enabled : {false, true}) {
    dlg->GetDlgItem(1010)->EnableWindow(enabled);
    dlg->GetDlgItem(1000)->SetFocus();
    Pump(50);
    std::vector<int> expected = order;
    if (enabled) {
      expected.push_back(1010);
    }
    expected.push_back(1000);
    EXPECT_EQ(TabCycle(static_cast<int>(expected.size()) - 1), expected) << enabled;
  }
}

TEST_F(CorvaneDlgTest, AltSAndAltPMoveTheFocusAndAltVPressesConvert) {
  dlg->GetDlgItem(IDCANCEL)->SetFocus();
  Pump(50);
  PressKey('s', wxMOD_ALT);
  EXPECT_EQ(FocusedId(), 1000);
  PressKey('p', wxMOD_ALT);
  EXPECT_EQ(FocusedId(), 1001);
  dlg->commands.clear();
  PressKey('v', wxMOD_ALT);
  EXPECT_EQ(dlg->commands, (std::vector<WPARAM>{MAKEWPARAM(1004, BN_CLICKED)}));
}

// The Tools menu's product entries, after its separator; labels start with the maker's name.
constexpr int kProducts[] = {25000, 25001, 25002, 25003, 25004, 25005, 25006, 25007, 25008,
                             25010, 25011, 25012, 25016, 25017, 25018, 25019, 25020};

struct MenuEntry {
  const char* label;  // empty: a separator
  int id;
};

TEST_F(CorvaneDlgTest, MenuHoldsEveryItemWithItsCommand) {
  // The commands act (a log window, a product launcher's notice): keep them to this test.
  MessageBoxRecorder boxes;
  struct LogWindowCloser {
    ~LogWindowCloser() { CLogViewer::Destroy(); }
  } closer;
  std::vector<std::vector<MenuEntry>> expected = {
      {{"Quit", IDCANCEL}},
      {{"View Log...\tCtrl+L", 32780}, {"Truncate Log", 1108}, {"", wxID_SEPARATOR}},
      {{"&Write an e-mail to Technical Support", 1007},
       {"Go to converter's Web Site", 5781},
       {"", wxID_SEPARATOR},
       {"About the converter...", 32771}}};
  for (int id : kProducts) {
    expected[1].push_back({"Ostrel ", id});
  }
  wxMenuBar* bar = dlg->GetFrame()->GetMenuBar();
  ASSERT_EQ(bar->GetMenuCount(), 3u);
  EXPECT_EQ(bar->GetMenuLabel(0), "File");
  EXPECT_EQ(bar->GetMenuLabel(1), "Tools");
  EXPECT_EQ(bar->GetMenuLabel(2), "Help");
  for (size_t popup = 0; popup < 3; ++popup) {
    const wxMenuItemList& items = bar->GetMenu(popup)->GetMenuItems();
    ASSERT_EQ(items.size(), expected[popup].size());
    auto item = items.begin();
    for (const MenuEntry& entry : expected[popup]) {
      SCOPED_TRACE(entry.id);
      wxMenuItem* current = *item++;
      EXPECT_EQ(current->IsSeparator(), entry.id == wxID_SEPARATOR);
      if (entry.id == wxID_SEPARATOR) {
        continue;
      }
      // The item's command as the window receives it (Quit closes and About opens a box:
      // both have tests of their own).
      if (entry.id != IDCANCEL && entry.id != 32771) {
        dlg->commands.clear();
        wxCommandEvent event(wxEVT_MENU, current->GetId());
        dlg->GetFrame()->ProcessWindowEvent(event);
        EXPECT_EQ(dlg->commands, (std::vector<WPARAM>{static_cast<WPARAM>(entry.id)}));
      }
      EXPECT_TRUE(current->GetItemLabel().StartsWith(entry.label)) << current->GetItemLabel();
      if (std::string_view(entry.label) != "Ostrel ") {
        EXPECT_EQ(current->GetItemLabel(), entry.label);
      }
    }
  }
}

TEST_F(CorvaneDlgTest, ButtonsShowTheirImagesAndTooltips) {
  auto* convert = dynamic_cast<wxButton*>(Item(1004));
  auto* quit = dynamic_cast<wxButton*>(Item(IDCANCEL));
  EXPECT_EQ(convert->GetBitmap().GetSize(), wxSize(16, 16));
  EXPECT_EQ(quit->GetBitmap().GetSize(), wxSize(12, 12));
  EXPECT_EQ(convert->GetToolTipText(), "Run the conversion");
  EXPECT_EQ(quit->GetToolTipText(), "Quit the software");
}

struct PixelCase {
  const char* name;
  UINT bitmap;
  int x, y;
  bool transparent;
  unsigned char r, g, b;
};

class BitmapTest : public testing::TestWithParam<PixelCase> {};

TEST_P(BitmapTest, GreyIsTransparentAndTheFigureIsNot) {
  CCorvaneDlg owner;  // registers the window's resources
  const PixelCase& c = GetParam();
  const wxImage image = AfxLoadButtonBitmap(c.bitmap).ConvertToImage();
  ASSERT_TRUE(image.HasMask());
  const bool masked = image.GetRed(c.x, c.y) == image.GetMaskRed() &&
                      image.GetGreen(c.x, c.y) == image.GetMaskGreen() &&
                      image.GetBlue(c.x, c.y) == image.GetMaskBlue();
  EXPECT_EQ(masked, c.transparent);
  if (!c.transparent) {
    EXPECT_EQ(image.GetRed(c.x, c.y), c.r);
    EXPECT_EQ(image.GetGreen(c.x, c.y), c.g);
    EXPECT_EQ(image.GetBlue(c.x, c.y), c.b);
  }
}

INSTANTIATE_TEST_SUITE_P(Bitmaps, BitmapTest,
                         testing::Values(PixelCase{"ConvertCorner", 915, 0, 0, true, 0, 0, 0},
                                         PixelCase{"ConvertTriangle", 915, 6, 7, false, 0, 150, 40},
                                         PixelCase{"QuitCorner", 132, 0, 0, true, 0, 0, 0},
                                         PixelCase{"QuitCrossMiddle", 132, 5, 5, false, 200, 0, 0}),
                         ByName);

TEST_F(CorvaneDlgTest, BrowseButtonsOfferTheStringTableFilters) {
  auto* source = dynamic_cast<CEditBrowseBox*>(Item(1000));
  auto* target = dynamic_cast<CEditBrowseBox*>(Item(1003));
  EXPECT_TRUE(source->GetBrowseButton()->IsShown());
  EXPECT_EQ(source->GetWildcard(), "Text files|*.txt|CSV files|*.csv|All Files|*.*");
  EXPECT_EQ(source->GetDefaultExtension(), u"txt");
  EXPECT_EQ(source->CompletePath(u"/tmp/data"), u"/tmp/data") << "an opened file keeps its name";
  EXPECT_TRUE(target->GetBrowseButton()->IsShown());
  EXPECT_EQ(target->GetWildcard(), "JSON files|*.json|All Files|*.*");
  EXPECT_EQ(target->CompletePath(u"/tmp/out"), u"/tmp/out.json");
  EXPECT_EQ(target->CompletePath(u"/tmp/out.bson"), u"/tmp/out.bson");
}

TEST_F(CorvaneDlgTest, WindowCarriesTheIconGroupAtThreeSizes) {
  const wxIconBundle& icons = dlg->GetFrame()->GetIcons();
  ASSERT_EQ(icons.GetIconCount(), 3u);
  for (int size : {16, 32, 48}) {
    EXPECT_EQ(icons.GetIconOfExactSize(size).GetWidth(), size);
  }
  EXPECT_EQ(dlg->Icon(), AfxLoadIcon(128));
  EXPECT_EQ(reinterpret_cast<HICON>(dlg->SendMessage(WM_QUERYDRAGICON)), dlg->Icon());
}

TEST_F(CorvaneDlgTest, AboutBoxIsMadeOnceReusedAndDeletedWithTheWindow) {
  bool iconShown = false;
  ModalDialogRecorder modal(IDOK, [&](CDialog* about) {
    auto* icon = dynamic_cast<wxStaticBitmap*>(about->GetDlgItem(29001)->GetWxWindow());
    iconShown = icon != nullptr && icon->GetBitmap().IsOk();
  });
  EXPECT_EQ(dlg->About(), nullptr) << "made when first asked for";
  dlg->SendCommand(32771, 0);
  dlg->SendCommand(32771, 0);
  ASSERT_EQ(modal.Dialogs().size(), 2u);
  CDialog* about = modal.Dialogs()[0];
  EXPECT_EQ(modal.Dialogs()[1], about);
  EXPECT_NE(dynamic_cast<CAboutDlg*>(about), nullptr);
  EXPECT_EQ(dlg->About(), about);
  EXPECT_TRUE(iconShown);
  EXPECT_TRUE(CDialog::IsLive(about));
  dlg->DestroyWindow();
  dlg.reset();
  EXPECT_FALSE(CDialog::IsLive(about));
}

}  // namespace
