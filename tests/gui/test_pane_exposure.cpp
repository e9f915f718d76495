// The preview pane as the screen shows it: what a box or another window covered must be
// drawn again once it goes, with no patch left where it passed, whether the web engine
// composites or not.
#include <gtest/gtest.h>

#include <cstdlib>
#include <string>

#include <wx/frame.h>
#include <wx/image.h>
#include <wx/timer.h>
#include <wx/uiaction.h>

#include "platform/gui/GtkBridge.h"
#include "platform/gui/MessageBox.h"
#include "tests/gui/MainWindowFixture.h"

namespace {

// What the screen shows of rect, read from the X server's root window from outside the
// program as a user's eyes would see it: the toolkit's screen device context gives back its
// own drawing instead.
wxImage Grab(const wxRect& rect) {
  const std::string file = std::string(getenv("TMPDIR")) + "/screen.png";
  const std::string grab = "import -window root -crop " + std::to_string(rect.width) + "x" +
                           std::to_string(rect.height) + "+" + std::to_string(rect.x) + "+" +
                           std::to_string(rect.y) + " " + file;
  wxImage image;
  if (std::system(grab.c_str()) != 0 || !image.LoadFile(wxString::FromUTF8(file)) ||
      image.GetSize() != rect.GetSize()) {
    ADD_FAILURE() << "the screen can't be read";
    return wxImage(rect.GetSize());
  }
  return image;
}

// Pixels that differ between two grabs of one size.
int Differing(const wxImage& a, const wxImage& b) {
  const unsigned char* p = a.GetData();
  const unsigned char* q = b.GetData();
  int count = 0;
  for (int k = 0; k < a.GetWidth() * a.GetHeight(); ++k, p += 3, q += 3)
    count += p[0] != q[0] || p[1] != q[1] || p[2] != q[2];
  return count;
}

// Pixels of one colour.
int OfColour(const wxImage& image, const wxColour& colour) {
  const unsigned char* p = image.GetData();
  int count = 0;
  for (int k = 0; k < image.GetWidth() * image.GetHeight(); ++k, p += 3)
    count += p[0] == colour.Red() && p[1] == colour.Green() && p[2] == colour.Blue();
  return count;
}

// The page's white on the screen, not the window's grey, drawn to its end: its text there,
// and two grabs alike. A blank white page, not yet drawn, would pass for drawn.
wxImage DrawnAndStill(const wxRect& shown) {
  wxImage before, now;
  EXPECT_TRUE(PumpUntil(
      [&] {
        before = now;
        now = Grab(shown);
        const int white = OfColour(now, *wxWHITE), all = shown.width * shown.height;
        return white > all / 2 && white < all && before.IsOk() && Differing(before, now) == 0;
      },
      5000));
  return now;
}

// Whether the screen comes back to before once what covered the pane has gone; later on a
// loaded machine.
void ExpectDrawnAgain(const wxRect& shown, const wxImage& before) {
  wxImage after;
  EXPECT_TRUE(PumpUntil(
      [&] {
        after = Grab(shown);
        return Differing(before, after) == 0;
      },
      5000))
      << Differing(before, after) << " pixels differ";
}

class PaneExposureTest : public MainWindowTest {
 protected:
  // The pane's place on the screen once it shows a page.
  wxRect ShowAPage() {
    Open();
    SetText(IDC_SOURCE_FILE, Source("rows.txt", SourceRows(20, '\t')));
    EXPECT_NE(ShownPage(dlg->PreviewFile()).find("<td>row1</td>"), std::string::npos);
    return Item(IDC_PREVIEW)->GetScreenRect();
  }
};

// Under a window manager without a compositor.
TEST_F(PaneExposureTest, ThePaneIsDrawnAgainWhereAnotherWindowPassed) {
  const wxRect shown = ShowAPage();
  const wxImage before = DrawnAndStill(shown);
  const wxColour cover(255, 0, 255);
  auto* passing = new wxFrame(nullptr, wxID_ANY, "passing", shown.GetPosition(), shown.GetSize(),
                              wxFRAME_NO_TASKBAR | wxSTAY_ON_TOP | wxBORDER_NONE);
  passing->SetBackgroundColour(cover);
  passing->Show();
  EXPECT_TRUE(PumpUntil([&] { return OfColour(Grab(shown), cover) > shown.width; }))
      << "the other window never covered the pane";
  passing->Destroy();
  ExpectDrawnAgain(shown, before);
}

// A real box, closed by Enter, drawn by the web engine's compositing as on a desktop.
TEST_F(PaneExposureTest, ABoxClosedOverThePaneLeavesNoPaint) {
  unsetenv("WEBKIT_DISABLE_COMPOSITING_MODE");
  const wxRect shown = ShowAPage();
  const wxImage before = DrawnAndStill(shown);
  wxTimer closer;
  closer.Bind(wxEVT_TIMER, [&](wxTimerEvent&) {
    if (GtkPopupIsOpen(dlg->GetFrame()))
      wxUIActionSimulator().Char(WXK_RETURN);
  });
  closer.Start(300);
  SetMessageBoxHook(nullptr);
  AfxShowMessageBox(dlg->GetFrame(), u"Over the pane", kErrorCaption, MB_ICONERROR);
  closer.Stop();
  ExpectDrawnAgain(shown, before);
}

}  // namespace
