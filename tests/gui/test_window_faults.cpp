// The faults a user meets in the main window, each through the real controls in a real
// window under the window manager: a stored value that is no list item, drops on the
// fields, a source changed on disk, the source's history and a preview that cannot be
// written.
#include <unistd.h>

#include <gtest/gtest.h>
#include <wx/arrstr.h>
#include <wx/choice.h>
#include <wx/dnd.h>
#include <wx/frame.h>
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

std::string LogText() {
  return ReadBytesFromFile(CLog::GetLogPath().ToUtf8());
}

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
