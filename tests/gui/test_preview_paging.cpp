// Paging through the preview in a real window: the buttons under the pane, "From line"
// and the keys, on a source whose index is made while the window runs.
#include <gtest/gtest.h>

#include <string>

#include <wx/defs.h>

#include "engine/preview/PreviewTexts.h"
#include "libs/suppcore/HtmlPage.h"
#include "tests/gui/MainWindowFixture.h"

namespace {

// The caption of a page that shows lines first to last of all.
std::string Place(const char* first, const char* last, const char* all) {
  CString text;
  text.Format(PreviewTexts::kPlace, CString::FromUtf8(first).GetString(),
              CString::FromUtf8(last).GetString(), CString::FromUtf8(all).GetString());
  return EscapeHtml(text.ToUtf8());
}

class PreviewPagingTest : public MainWindowTest {
 protected:
  // The page once it says what; empty when it never does.
  std::string PageSaying(const std::string& text) {
    std::string page;
    PumpUntil(
        [&] {
          page = ShownPage(dlg->PreviewFile());
          return page.find(text) != std::string::npos;
        },
        10000);
    return page.find(text) != std::string::npos ? page : std::string();
  }
};

TEST_F(PreviewPagingTest, ButtonsKeysAndFromLineGoAnywhereAndANewSourceStartsAgain) {
  Open();
  ActivateWindow(*dlg);
  Choose(IDC_SEPARATOR, u",");
  SetText(IDC_SOURCE_FILE, Source("many.csv", SourceRows(1000, ',')));
  ASSERT_NE(ShownPage(dlg->PreviewFile()).find("<td>row1</td>"), std::string::npos);

  PressKey(WXK_END, wxMOD_CONTROL);
  // Made again once the index is done, if it said "of about" at first.
  EXPECT_NE(PageSaying(Place("992", "1,001", "1,001")), "") << "Ctrl+End";
  EXPECT_EQ(Text(IDC_FROM_LINE), u"992");
  PressKey(WXK_PAGEUP, wxMOD_CONTROL);
  EXPECT_NE(PageSaying(Place("982", "991", "1,001")), "") << "Ctrl+PageUp";

  PressKey('g', wxMOD_CONTROL);
  EXPECT_EQ(FocusedId(), IDC_FROM_LINE) << "Ctrl+G";
  SetText(IDC_FROM_LINE, u"500");
  PressKey(WXK_RETURN);
  EXPECT_NE(PageSaying(Place("500", "509", "1,001")), "") << "From line";
  PressKey(WXK_PAGEDOWN, wxMOD_CONTROL);
  EXPECT_NE(PageSaying(Place("510", "519", "1,001")), "") << "Ctrl+PageDown";
  FocusOn(*dlg, IDC_FROM_LINE);
  SetText(IDC_FROM_LINE, u"1,000");
  PressKey(WXK_RETURN);
  EXPECT_NE(PageSaying(Place("1,000", "1,001", "1,001")), "") << "a number grouped as shown";
  PressKey(WXK_HOME, wxMOD_CONTROL);
  EXPECT_NE(PageSaying(Place("2", "11", "1,001")), "") << "Ctrl+Home";
  PressButton(*dlg, IDC_PAGE_LAST);
  EXPECT_NE(PageSaying(Place("992", "1,001", "1,001")), "") << "Last";

  // Another source: its first page, and paging goes through its rows, not the last one's.
  SetText(IDC_SOURCE_FILE, Source("few.csv", SourceRows(25, ',')));
  EXPECT_EQ(ShownPage(dlg->PreviewFile()).find("row992"), std::string::npos);
  EXPECT_EQ(Text(IDC_FROM_LINE), u"");
  PressButton(*dlg, IDC_PAGE_LAST);
  EXPECT_NE(PageSaying(Place("17", "26", "26")), "") << "Last of the new source";
  EXPECT_TRUE(Boxes().empty());
}

}  // namespace
