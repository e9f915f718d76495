// The faults a user meets in the main window, each through the real controls in a real
// window under the window manager: the focus after a box or dialog, a stored value that is
// no list item, drops on the fields, the menu's keys, a source changed on disk, the
// window's placement and smallest size, and a preview that cannot be written.
#include <unistd.h>

#include <climits>
#include <functional>
#include <tuple>

#include <gtest/gtest.h>
#include <wx/arrstr.h>
#include <wx/choice.h>
#include <wx/display.h>
#include <wx/dnd.h>
#include <wx/frame.h>
#include <wx/progdlg.h>
#include <wx/stattext.h>
#include <wx/timer.h>
#include <wx/uiaction.h>
#include <wx/webview.h>

#include "libs/suppcore/Log.h"
#include "platform/core/SysCalls.h"
#include "platform/gui/EditBrowseBox.h"
#include "platform/gui/GtkBridge.h"
#include "platform/gui/WxText.h"
#include "tests/gui/MainWindowFixture.h"

namespace {

using corvane_test::operator<<;

std::string LogText() {
  return ReadBytesFromFile(CLog::GetLogPath().ToUtf8());
}

// The real boxes and dialogs a user closes; each leaves the focus where it was.
struct ClosingCase {
  const char* name;
  // Shows the box or dialog and returns once it is closed; false when it had to be closed
  // by force.
  std::function<bool(MainWindowTest&)> showAndClose;
};

// Enter is pressed once the about box is the active window; after 5 s without it closing,
// the box is ended so that a failing case cannot hang the run.
bool AboutClosedByEnter(MainWindowTest& test) {
  CDialog* about = nullptr;
  SetModalDialogHook([&](CDialog* dialog) { about = dialog; });
  int ticks = 0;
  wxTimer enter;
  enter.Bind(wxEVT_TIMER, [&](wxTimerEvent&) {
    if (about == nullptr || !about->GetFrame()->IsActive())
      return;
    if (++ticks == 1)
      wxUIActionSimulator().Char(WXK_RETURN);
    else if (ticks > 50)
      about->EndDialog(IDCANCEL);
  });
  enter.Start(100);
  test.dlg->SendCommand(ID_HELP_ABOUT, 0);
  SetModalDialogHook(nullptr);
  return about != nullptr && ticks <= 50;
}

// Cancel in the progress dialog keeps the earlier output, says nothing and gives the window
// back.
bool ConversionCancelled(MainWindowTest& test) {
  test.SetText(IDC_TARGET_FILE, CString::FromUtf8(test.dir.Write("out.json", "keep")));
  test.SetText(IDC_SOURCE_FILE, test.Source("in.txt", SourceRows(300000, ',')));
  test.ConvertAndCancel();
  EXPECT_EQ(ReadBytesFromFile(test.dir.File("out.json")), "keep");
  EXPECT_EQ(test.Boxes(), BoxList{});
  return test.Item(IDC_CONVERT)->IsEnabled();
}

const ClosingCase kClosingCases[] = {
    {"AboutBoxClosedByEnter", AboutClosedByEnter},
    {"CancelledConversion", ConversionCancelled},
};

class FocusTest : public MainWindowTest, public testing::WithParamInterface<ClosingCase> {};

TEST_P(FocusTest, TheFocusComesBackAndTheWindowsKeysWorkAtOnce) {
  Open();
  FocusOn(*dlg, IDC_SKIP_LINES);
  EXPECT_TRUE(GetParam().showAndClose(*this)) << "closed by force";
  EXPECT_TRUE(PumpUntil([] { return FocusedId() == IDC_SKIP_LINES; })) << FocusedId();
  // The window manager gives the window back its activation a moment after the box goes.
  ASSERT_TRUE(PumpUntil([&] { return dlg->GetFrame()->IsActive(); }));
  PressKey('S', wxMOD_ALT);
  EXPECT_TRUE(PumpUntil([] { return FocusedId() == IDC_SOURCE_FILE; })) << FocusedId();
}

INSTANTIATE_TEST_SUITE_P(Cases, FocusTest, testing::ValuesIn(kClosingCases), ByName);

// A stored value that is none of its list's items (the separator's, the format's and the
// encoding's lists share the rule) is not added to the list: the list's default is shown,
// used and saved, and the log names the value set aside.
TEST_F(MainWindowTest, AStoredValueThatIsNoItemIsNotAddedAndTheDefaultIsUsed) {
  store.SetSeparator(u"\"|");
  CLog::Truncate();
  Open();
  const unsigned items = dynamic_cast<wxChoice*>(Item(IDC_SEPARATOR))->GetCount();
  EXPECT_EQ(Text(IDC_SEPARATOR), u"<tab>");
  EXPECT_NE(LogText().find("Separator \"\"|\""), std::string::npos) << LogText();
  dlg->SendCommand(IDCANCEL, 0);
  EXPECT_EQ(store.Separator(), u"<tab>");
  Destroy();
  Open();
  EXPECT_EQ(dynamic_cast<wxChoice*>(Item(IDC_SEPARATOR))->GetCount(), items);
}

// When the preview's page cannot be written (a full disk), the pane says so, naming the
// folder and the system's reason, in place of the earlier source's rows; the log has it.
TEST_F(MainWindowTest, APreviewThatCannotBeWrittenSaysWhy) {
  Open();
  SetText(IDC_SOURCE_FILE, Source("in.txt", "a\tb\nfirst\t2\n"));
  ASSERT_NE(ShownPage(dlg->PreviewFile()).find("first"), std::string::npos);
  CLog::Truncate();
  auto* pane = dynamic_cast<wxWebView*>(Item(IDC_PREVIEW));
  {
    ScopedSysCalls seam(FullDisk());
    SetText(IDC_SOURCE_FILE, Source("other.txt", "a\tb\nsecond\t2\n"));
  }
  std::string shown;
  EXPECT_TRUE(PumpUntil(
      [&] {
        shown = pane->GetPageSource().utf8_string();
        return shown.find("No space left on device") != std::string::npos;
      },
      10000))
      << shown;
  const std::string page = dlg->PreviewFile().ToUtf8();
  EXPECT_NE(shown.find(page.substr(0, page.rfind('/') + 1)), std::string::npos)
      << "the folder is named";
  EXPECT_EQ(shown.find("first"), std::string::npos);
  EXPECT_NE(LogText().find("No space left on device"), std::string::npos);
}

// A file dropped on a field sets that field, whichever it is: the field's own text drop
// does not take it.
TEST_F(MainWindowTest, AFileDroppedOnAFieldSetsThatField) {
  Open();
  const CString dropped = Source("dropped\xE9.csv", "a\tb\n1\t2\n");
  for (int id : {IDC_SOURCE_FILE, IDC_TARGET_FILE}) {
    auto* field = dynamic_cast<CEditBrowseBox*>(Item(id))->GetTextCtrl();
    auto* target = dynamic_cast<wxFileDropTarget*>(field->GetDropTarget());
    ASSERT_TRUE(target && target->OnDropFiles(0, 0, wxArrayString(1, PathToWx(dropped)))) << id;
    EXPECT_EQ(Text(id), dropped) << id;
    SetText(id, u"");
  }
}

// Ctrl+O opens the source's file dialog; Ctrl+Q closes the window as Quit does.
TEST_F(MainWindowTest, CtrlOOpensTheSourceDialogAndCtrlQQuits) {
  Open();
  FileDialogCounter files;
  files.Register();
  PressKey('O', wxMOD_CONTROL);
  EXPECT_EQ(files.forOpening, 1);
  files.Unregister();
  ASSERT_TRUE(PumpUntil([&] { return dlg->GetFrame()->IsActive(); }));
  PressKey('Q', wxMOD_CONTROL);
  EXPECT_TRUE(PumpUntil([&] { return !dlg->GetFrame()->IsShown(); }));
}

// The page follows the source when it is written again on disk, and when it is removed.
TEST_F(MainWindowTest, ThePreviewFollowsTheSourceOnDisk) {
  Open();
  SetText(IDC_SOURCE_FILE, Source("in.txt", "a\tb\nbefore\t1\n"));
  ASSERT_NE(ShownPage(dlg->PreviewFile()).find("before"), std::string::npos);
  Source("in.txt", "a\tb\nafter\t2\n");
  auto* pane = dynamic_cast<wxWebView*>(Item(IDC_PREVIEW));
  const auto shows = [pane](const char* text) {
    return PumpUntil(
        [&] { return pane->GetPageSource().utf8_string().find(text) != std::string::npos; }, 10000);
  };
  EXPECT_TRUE(shows("after"));
  ASSERT_EQ(unlink(dir.File("in.txt").c_str()), 0);
  EXPECT_TRUE(shows("No such file or directory"));
  EXPECT_EQ(Boxes(), BoxList{});
}

// A broken store's size, as large as a number goes, is fitted to the screen's work area
// with the menu bar added, not taken for no place at all.
TEST_F(MainWindowTest, AStoredSizeBeyondEveryScreenIsFittedToIt) {
  store.setInt(u"MainWnd.X", 0);
  store.setInt(u"MainWnd.Y", 0);
  store.setInt(u"MainWnd.Width", INT_MAX);
  store.setInt(u"MainWnd.Height", INT_MAX);
  Open();
  const wxRect area = wxDisplay(0u).GetClientArea();
  const wxSize client = dlg->GetFrame()->GetClientSize();
  EXPECT_LE(client.x, area.width);
  EXPECT_GE(client.x, area.width * 3 / 4);
  EXPECT_LE(client.y, area.height);
  EXPECT_GE(client.y, area.height / 2);
}

// Where the window's client area is on the screen: what the user sees stay put.
wxRect ClientOnScreen(CDialog& dialog) {
  wxWindow* panel = dialog.GetClientWindow();
  return wxRect(panel->GetScreenPosition(), dialog.GetFrame()->GetClientSize());
}

// The window opens where it was closed, run after run, without walking by the title bar:
// the client area's corner is what is kept. A store of an earlier version, which kept the
// frame's corner only, opens the window there. A size given before maximising comes back
// when the next run's window is un-maximised.
TEST_F(MainWindowTest, ThePlacementStaysRunAfterRunAndAcrossMaximising) {
  store.setInt(u"MainWnd.X", 120);
  store.setInt(u"MainWnd.Y", 140);
  store.setInt(u"MainWnd.Width", 700);
  store.setInt(u"MainWnd.Height", 520);
  Open();
  wxFrame* frame = dlg->GetFrame();
  ASSERT_TRUE(PumpUntil([&] { return ScreenHasTheSizeOf(frame); }));
  EXPECT_TRUE(PumpUntil([&] { return frame->GetPosition() == wxPoint(120, 140); }))
      << frame->GetPosition().x << "," << frame->GetPosition().y;
  frame->Move(150, 160);
  frame->SetClientSize(frame->GetClientSize() + wxSize(30, 20));
  ASSERT_TRUE(PumpUntil([&] { return frame->GetPosition() == wxPoint(150, 160); }));
  Pump(200);
  const wxRect placed = ClientOnScreen(*dlg);
  for (int run = 0; run < 3; ++run) {
    dlg->SendCommand(IDCANCEL, 0);
    Destroy();
    EXPECT_EQ(wxPoint(store.getInt(u"MainWnd.ClientX"), store.getInt(u"MainWnd.ClientY")),
              placed.GetPosition())
        << "run " << run;
    Open();
    EXPECT_TRUE(PumpUntil([&] { return ClientOnScreen(*dlg) == placed; }))
        << "run " << run << ": " << ClientOnScreen(*dlg).x << "," << ClientOnScreen(*dlg).y
        << " for " << placed.x << "," << placed.y;
  }
  frame = dlg->GetFrame();
  const wxSize sized = frame->GetClientSize() + wxSize(40, 30);
  frame->SetClientSize(sized);
  ASSERT_TRUE(PumpUntil([&] { return frame->GetClientSize() == sized; }));
  frame->Maximize();
  ASSERT_TRUE(PumpUntil([&] { return frame->IsMaximized(); }));
  dlg->SendCommand(IDCANCEL, 0);
  Destroy();
  Open();
  frame = dlg->GetFrame();
  ASSERT_TRUE(PumpUntil([&] { return frame->IsMaximized(); }));
  frame->Maximize(false);
  EXPECT_TRUE(PumpUntil([&] { return frame->GetClientSize() == sized; }))
      << frame->GetClientSize().x << "x" << frame->GetClientSize().y;
}

// 640 by 480, the smallest size, holds every control whole: nothing outside the window or
// over another, every label's text whole (the top one wrapped), the pane still there. Labels,
// check boxes and buttons are centred on the list of their row, as high as it where they are
// fields or buttons.
TEST_F(MainWindowTest, AWindowOf640By480HoldsEveryControlWholeAndInLine) {
  Open();
  wxFrame* frame = dlg->GetFrame();
  const wxSize smallest = frame->FromDIP(wxSize(640, 480));
  EXPECT_LE(frame->GetMinSize().x, smallest.x);
  EXPECT_LE(frame->GetMinSize().y, smallest.y);
  frame->SetSize(smallest);
  ASSERT_TRUE(PumpUntil([&] { return frame->GetSize() == smallest && ScreenHasTheSizeOf(frame); }))
      << frame->GetSize().x << "x" << frame->GetSize().y;
  wxWindow* panel = dlg->GetClientWindow();
  PumpUntil([&] { return Item(IDC_PREVIEW)->GetRect().GetBottom() < panel->GetClientSize().y; });
  for (wxWindow* child : panel->GetChildren()) {
    const wxRect rect = child->GetRect();
    EXPECT_TRUE(wxRect(panel->GetClientSize()).Contains(rect)) << child->GetLabel();
    if (auto* label = dynamic_cast<wxStaticText*>(child)) {
      // Every line of its text, as it shows, fits its window.
      const wxArrayString lines = wxSplit(label->GetLabelText(), '\n', 0);
      for (const wxString& line : lines)
        EXPECT_LE(label->GetTextExtent(line).x, rect.width) << line;
      EXPECT_LE(static_cast<int>(lines.size()) * label->GetCharHeight(), rect.height)
          << label->GetLabel();
    }
    for (wxWindow* other : panel->GetChildren())
      EXPECT_TRUE(other == child || !rect.Intersects(other->GetRect())) << child->GetLabel();
  }
  EXPECT_GE(Item(IDC_PREVIEW)->GetSize().y, frame->FromDIP(60));
  const std::tuple<wxWindow*, int, bool> rows[] = {
      {wxWindow::FindWindowByLabel("Value Se&parator", panel), IDC_SEPARATOR, false},
      {Item(IDC_CUSTOM_SEPARATOR), IDC_SEPARATOR, true},
      {Item(IDC_QUOTED_FIELDS), IDC_SKIP_LINES, false},
      {Item(IDC_SKIP_LINES_LABEL), IDC_SKIP_LINES, false},
      {Item(IDC_HEADER_LINE), IDC_SKIP_LINES, false},
      {wxWindow::FindWindowByLabel("&Encoding", panel), IDC_ENCODING, false},
      {wxWindow::FindWindowByLabel("Format", panel), IDC_FORMAT, false},
      {Item(IDC_TYPED_VALUES), IDC_FORMAT, false},
      {Item(IDC_COLUMNS), IDC_CONVERT, true},
      {Item(IDC_PAGE_FIRST), IDC_FROM_LINE, true},
      {Item(IDCANCEL), IDC_CONVERT, true}};
  for (const auto& [window, id, sameHeight] : rows) {
    const wxRect a = window->GetRect(), b = Item(id)->GetRect();
    EXPECT_NEAR(a.y + a.height / 2.0, b.y + b.height / 2.0, 1) << window->GetLabel();
    EXPECT_TRUE(!sameHeight || a.height == b.height) << window->GetLabel();
  }
}

// The source field offers the last ten sources, latest first and each once, kept with the
// settings; choosing one makes it the source. Paths that name no regular file are not kept.
TEST_F(MainWindowTest, TheSourceFieldOffersTheLastTenSources) {
  Open();
  std::vector<CString> expected;
  for (int i = 0; i < 12; ++i) {
    const CString path = Source("in" + std::to_string(i) + ".txt", "a\tb\n1\t2\n");
    SetText(IDC_SOURCE_FILE, path);
    expected.insert(expected.begin(), path);
  }
  SetText(IDC_SOURCE_FILE, dir.WFile("in5.txt"));
  SetText(IDC_SOURCE_FILE, dir.WFile("gone.txt"));
  SetText(IDC_SOURCE_FILE, CString::FromUtf8(dir.Path()));
  std::erase(expected, dir.WFile("in5.txt"));
  expected.insert(expected.begin(), dir.WFile("in5.txt"));
  expected.resize(10);
  auto* box = dynamic_cast<CEditBrowseBox*>(Item(IDC_SOURCE_FILE));
  EXPECT_EQ(box->GetHistory(), expected);
  dlg->SendCommand(IDCANCEL, 0);
  Destroy();
  Open();
  box = dynamic_cast<CEditBrowseBox*>(Item(IDC_SOURCE_FILE));
  EXPECT_EQ(box->GetHistory(), expected);
  const auto shownButtons = [box] {
    int shown = 0;
    for (wxWindow* child : box->GetChildren())
      shown += dynamic_cast<wxButton*>(child) != nullptr && child->IsShown();
    return shown;
  };
  EXPECT_EQ(shownButtons(), 2) << "the drop-down's button beside the browse button";
  // Alt+Down opens the drop-down, as a list's does; the keys choose its second entry.
  wxTimer chooser;
  int keys = 0;
  chooser.Bind(wxEVT_TIMER, [&](wxTimerEvent&) {
    if (GtkPopupIsOpen(dlg->GetFrame()) && keys++ == 0) {
      wxUIActionSimulator().Char(WXK_DOWN);  // onto the first entry
      wxUIActionSimulator().Char(WXK_DOWN);
      wxUIActionSimulator().Char(WXK_RETURN);
    }
  });
  chooser.Start(100);
  FocusOn(*dlg, IDC_SOURCE_FILE);
  PressKey(WXK_DOWN, wxMOD_ALT);
  EXPECT_TRUE(PumpUntil([&] { return Text(IDC_SOURCE_FILE) == expected[1]; }))
      << Text(IDC_SOURCE_FILE).ToUtf8();
}

}  // namespace
