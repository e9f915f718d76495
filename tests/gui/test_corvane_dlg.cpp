// The main window after start-up, in a real window: its controls as the template
// describes them, lists, states, anchoring, minimum size, tab order, mnemonics, menu,
// images, icon and the About box.
#include <array>

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
#include "platform/gui/EditBrowseBox.h"
#include "platform/gui/Images.h"
#include "tests/gui/MainWindowFixture.h"

namespace {

class CorvaneDlgTest : public MainWindowTest {
 protected:
  void SetUp() override { Open(); }
  ~CorvaneDlgTest() override { CLogViewer::Destroy(); }
  // The panel's controls in creation order, which is the template's order.
  std::vector<wxWindow*> Controls() {
    const wxWindowList& children = dlg->GetClientWindow()->GetChildren();
    return std::vector<wxWindow*>(children.begin(), children.end());
  }
  std::vector<wxString> Entries(int id) {
    const wxArrayString entries = dynamic_cast<wxChoice*>(Item(id))->GetStrings();
    return std::vector<wxString>(entries.begin(), entries.end());
  }
};

template <class T>
bool Is(wxWindow* window) {
  return dynamic_cast<T*>(window) != nullptr;
}
constexpr auto kLabel = Is<wxStaticText>, kEditBrowse = Is<CEditBrowseBox>, kList = Is<wxChoice>,
               kButton = Is<wxButton>, kBrowser = Is<wxWebView>, kEdit = Is<wxTextCtrl>;

// The controls in template order. Enlarging the window by 100 pixels both ways moves and
// grows them by dx, dy, dw, dh: the preview pane takes the growth, the file fields widen,
// what is below the pane keeps its distance to the bottom edge.
struct ExpectedControl {
  int id;  // -1: a label without one
  bool (*kind)(wxWindow*);
  const char* text;  // of a label or button; the fields start empty as the restore test shows
  bool enabledAfterStart, tabStop;
  int dx, dy, dw, dh;
};

const ExpectedControl kExpected[] = {
    {-1, kLabel,
     "&Source file with data (text or CSV format). The header with column name is required. "
     "One row per line.",
     true, false, 0, 0, 0, 0},
    {1000, kEditBrowse, "", true, true, 0, 0, 100, 0},
    {-1, kLabel, "Value Se&parator", true, false, 0, 0, 0, 0},
    {1001, kList, "", true, true, 0, 0, 0, 0},
    {-1, kLabel, "Preview", true, false, 0, 0, 0, 0},
    {1017, kLabel, "Output file", true, false, 0, 100, 0, 0},
    {1003, kEditBrowse, "", true, true, 0, 100, 100, 0},
    {1004, kButton, "Con&vert", true, true, 100, 100, 0, 0},
    {2, kButton, "Quit", true, true, 100, 100, 0, 0},
    {900, kBrowser, "", true, true, 0, 0, 100, 100},
    {1009, kLabel, "Format", true, false, 0, 100, 0, 0},
    {1008, kList, "", true, true, 0, 100, 0, 0},
    {1010, kEdit, "", false, true, 0, 0, 0, 0},
};

TEST_F(CorvaneDlgTest, EveryTemplateControlExistsInOrderWithItsIdClassTextAndState) {
  const std::vector<wxWindow*> controls = Controls();
  ASSERT_EQ(controls.size(), std::size(kExpected));
  for (size_t i = 0; i < controls.size(); ++i) {
    const ExpectedControl& expected = kExpected[i];
    wxWindow* window = controls[i];
    SCOPED_TRACE(testing::Message() << "control " << i + 1 << " id " << expected.id);
    EXPECT_TRUE(expected.kind(window));
    if (*expected.text) {
      EXPECT_EQ(window->GetLabel().utf8_string(), expected.text);
    }
    EXPECT_EQ(window->IsThisEnabled(), expected.enabledAfterStart);
    EXPECT_TRUE(window->IsShown());
    if (expected.id == -1) {
      EXPECT_LT(window->GetId(), 0);
      continue;
    }
    EXPECT_EQ(window->GetId(), expected.id);
    EXPECT_EQ(Item(expected.id), window);
    EXPECT_EQ((dlg->GetControlStyle(expected.id) & WS_TABSTOP) != 0, expected.tabStop);
  }
  EXPECT_EQ(dlg->GetFrame()->GetTitle(), "Ostrel Corvane Converter");
  EXPECT_EQ(Entries(1001), (std::vector<wxString>{"<tab>", ",", "|", "Custom"}));
  EXPECT_EQ(Entries(1008), (std::vector<wxString>{"JSON", "BSON"}));
}

TEST_F(CorvaneDlgTest, EnlargingMovesTheStatedControlsAndTheWindowStaysAtLeast640By480) {
  const std::vector<wxWindow*> controls = Controls();
  ASSERT_EQ(controls.size(), std::size(kExpected));
  std::vector<wxRect> before;
  for (wxWindow* control : controls) {
    before.push_back(control->GetRect());
  }
  wxFrame* frame = dlg->GetFrame();
  const wxSize target = frame->GetSize() + wxSize(100, 100);
  frame->SetSize(target);
  ASSERT_TRUE(PumpUntil([&] { return frame->GetSize() == target; }));
  Pump(100);
  for (size_t i = 0; i < controls.size(); ++i) {
    SCOPED_TRACE(testing::Message() << "control " << i + 1);
    const wxRect after = controls[i]->GetRect();
    EXPECT_EQ(after.x - before[i].x, kExpected[i].dx);
    EXPECT_EQ(after.y - before[i].y, kExpected[i].dy);
    EXPECT_EQ(after.width - before[i].width, kExpected[i].dw);
    EXPECT_EQ(after.height - before[i].height, kExpected[i].dh);
  }

  frame->SetSize(wxSize(500, 300));
  Pump(200);
  EXPECT_GE(frame->GetSize().x, frame->FromDIP(640));
  EXPECT_GE(frame->GetSize().y, frame->FromDIP(480));
}

// Labels, the browse buttons and disabled fields are no stops; the cycle wraps round.
TEST_F(CorvaneDlgTest, TabOrderTakesTheCustomSeparatorOnlyWhileEnabled) {
  for (bool enabled : {false, true}) {
    dlg->GetDlgItem(1010)->EnableWindow(enabled);
    FocusOn(*dlg, 1000);
    std::vector<int> expected{1000, 1001, 1003, 1004, 2, 900, 1008};
    if (enabled) {
      expected.push_back(1010);
    }
    expected.push_back(1000);
    std::vector<int> order{FocusedId()};
    while (order.size() < expected.size()) {
      PressKey(WXK_TAB);
      order.push_back(FocusedId());
    }
    EXPECT_EQ(order, expected) << enabled;
  }
  PressKey(WXK_TAB, wxMOD_SHIFT);
  EXPECT_EQ(FocusedId(), 1010) << "Shift+Tab goes back, round the start";
  PressKey(WXK_TAB, wxMOD_SHIFT);
  EXPECT_EQ(FocusedId(), 1008);
}

TEST_F(CorvaneDlgTest, AltSAndAltPMoveTheFocusAndAltVPressesConvert) {
  FocusOn(*dlg, IDCANCEL);
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

struct PixelCase {
  UINT bitmap;
  int x, y;
  bool transparent;
  unsigned char r, g, b;
};

// In the buttons' images grey is transparent and the figure is not.
TEST_F(CorvaneDlgTest, ButtonsShowTheirImagesAndTooltips) {
  auto* convert = dynamic_cast<wxButton*>(Item(1004));
  auto* quit = dynamic_cast<wxButton*>(Item(IDCANCEL));
  EXPECT_EQ(convert->GetBitmap().GetSize(), wxSize(16, 16));
  EXPECT_EQ(quit->GetBitmap().GetSize(), wxSize(12, 12));
  EXPECT_EQ(convert->GetToolTipText(), "Run the conversion");
  EXPECT_EQ(quit->GetToolTipText(), "Quit the software");
  const PixelCase pixels[] = {
      {915, 0, 0, true, 0, 0, 0},      // Convert: corner
      {915, 6, 7, false, 0, 150, 40},  // Convert: triangle
      {132, 0, 0, true, 0, 0, 0},      // Quit: corner
      {132, 5, 5, false, 200, 0, 0},   // Quit: the cross's middle
  };
  for (const PixelCase& c : pixels) {
    SCOPED_TRACE(testing::Message() << c.bitmap << " at " << c.x << "," << c.y);
    const wxImage image = AfxLoadButtonBitmap(c.bitmap).ConvertToImage();
    ASSERT_TRUE(image.HasMask());
    const unsigned char r = image.GetRed(c.x, c.y), g = image.GetGreen(c.x, c.y),
                        b = image.GetBlue(c.x, c.y);
    EXPECT_EQ(r == image.GetMaskRed() && g == image.GetMaskGreen() && b == image.GetMaskBlue(),
              c.transparent);
    if (!c.transparent) {
      EXPECT_EQ((std::array<int, 3>{r, g, b}), (std::array<int, 3>{c.r, c.g, c.b}));
    }
  }
}

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
  EXPECT_EQ(reinterpret_cast<HICON>(dlg->SendMessage(WM_QUERYDRAGICON)), AfxLoadIcon(128));
}

TEST_F(CorvaneDlgTest, AboutBoxShowsTheProductAndIsReusedAndDeletedWithTheWindow) {
  bool iconShown = false;
  CString product, version, years, libraries;
  ModalDialogRecorder modal(IDOK, [&](CDialog* about) {
    auto* icon = dynamic_cast<wxStaticBitmap*>(about->GetDlgItem(29001)->GetWxWindow());
    iconShown = icon != nullptr && icon->GetBitmap().IsOk();
    about->GetDlgItemText(IDC_ABOUT_PRODUCT, product);
    about->GetDlgItemText(IDC_ABOUT_VERSION, version);
    about->GetDlgItemText(IDC_ABOUT_YEARS, years);
    about->GetDlgItemText(IDC_ABOUT_LIBRARIES, libraries);
  });
  dlg->SendCommand(32771, 0);
  dlg->SendCommand(32771, 0);
  ASSERT_EQ(modal.Dialogs().size(), 2u);
  CDialog* about = modal.Dialogs()[0];
  EXPECT_EQ(modal.Dialogs()[1], about);
  EXPECT_NE(dynamic_cast<CAboutDlg*>(about), nullptr);
  EXPECT_TRUE(iconShown);
  EXPECT_EQ(product, u"Ostrel Corvane Converter");
  EXPECT_EQ(version, u"Version 1.0.3.0");
  EXPECT_EQ(years, u"Copyright \u00A9 2011\u20132025 Ostrel");
  EXPECT_EQ(libraries.Left(21), u"Runs on wxWidgets 3.2") << libraries.ToUtf8();
  EXPECT_NE(libraries.Find(u", GTK 3."), -1) << libraries.ToUtf8();
  EXPECT_NE(libraries.Find(u", WebKitGTK 2."), -1) << libraries.ToUtf8();
  EXPECT_TRUE(CDialog::IsLive(about));
  Destroy();
  EXPECT_FALSE(CDialog::IsLive(about));
}

}  // namespace
