// The preview pane under a window manager without a compositor: what another window covered
// must be drawn again once it goes, with no patch left where it passed.
#include <gtest/gtest.h>

#include <dlfcn.h>

#include <string>

#include <wx/frame.h>
#include <wx/image.h>

#include "tests/gui/MainWindowFixture.h"

namespace {

// What the screen shows of rect, read from the X server's root window (no compositor
// keeps a copy): the toolkit's screen device context gives back its own drawing instead.
wxImage Grab(const wxRect& rect) {
  using RootFn = void* (*)();
  using FromWindowFn = void* (*)(void* window, int x, int y, int width, int height);
  using PixelsFn = unsigned char* (*)(void* pixbuf);
  using IntFn = int (*)(void* pixbuf);
  using UnrefFn = void (*)(void* object);
  static const auto root =
      reinterpret_cast<RootFn>(dlsym(RTLD_DEFAULT, "gdk_get_default_root_window"));
  static const auto fromWindow =
      reinterpret_cast<FromWindowFn>(dlsym(RTLD_DEFAULT, "gdk_pixbuf_get_from_window"));
  static const auto pixels =
      reinterpret_cast<PixelsFn>(dlsym(RTLD_DEFAULT, "gdk_pixbuf_get_pixels"));
  static const auto stride =
      reinterpret_cast<IntFn>(dlsym(RTLD_DEFAULT, "gdk_pixbuf_get_rowstride"));
  static const auto channels =
      reinterpret_cast<IntFn>(dlsym(RTLD_DEFAULT, "gdk_pixbuf_get_n_channels"));
  static const auto unref = reinterpret_cast<UnrefFn>(dlsym(RTLD_DEFAULT, "g_object_unref"));
  wxImage image(rect.GetSize());
  void* pixbuf = root && fromWindow && pixels && stride && channels && unref
                     ? fromWindow(root(), rect.x, rect.y, rect.width, rect.height)
                     : nullptr;
  if (pixbuf == nullptr) {
    ADD_FAILURE() << "the screen can't be read";
    return image;
  }
  const unsigned char* data = pixels(pixbuf);
  for (int y = 0; y < rect.height; ++y)
    for (int x = 0; x < rect.width; ++x) {
      const unsigned char* p = data + y * stride(pixbuf) + x * channels(pixbuf);
      image.SetRGB(x, y, p[0], p[1], p[2]);
    }
  unref(pixbuf);
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

// Pixels of the colour of the window that passed over.
int OfColour(const wxImage& image, const wxColour& colour) {
  const unsigned char* p = image.GetData();
  int count = 0;
  for (int k = 0; k < image.GetWidth() * image.GetHeight(); ++k, p += 3)
    count += p[0] == colour.Red() && p[1] == colour.Green() && p[2] == colour.Blue();
  return count;
}

TEST_F(MainWindowTest, ThePaneIsDrawnAgainWhereAnotherWindowPassed) {
  Open();
  ActivateWindow(*dlg);
  SetText(IDC_SOURCE_FILE, Source("rows.txt", SourceRows(20, '\t')));
  ASSERT_NE(ShownPage(dlg->PreviewFile()).find("<td>row1</td>"), std::string::npos);
  wxWindow* pane = Item(IDC_PREVIEW);
  const wxRect shown = pane->GetScreenRect();
  // Painted and still: two grabs apart agree.
  wxImage before;
  ASSERT_TRUE(PumpUntil(
      [&] {
        const wxImage now = Grab(shown);
        const bool still = before.IsOk() && Differing(before, now) == 0;
        before = now;
        return still;
      },
      5000));

  const wxColour cover(255, 0, 255);
  auto* passing = new wxFrame(nullptr, wxID_ANY, "passing", shown.GetPosition(), shown.GetSize(),
                              wxFRAME_NO_TASKBAR | wxSTAY_ON_TOP | wxBORDER_NONE);
  passing->SetBackgroundColour(cover);
  passing->Show();
  EXPECT_TRUE(PumpUntil([&] { return OfColour(Grab(shown), cover) > shown.width; }))
      << "the other window never covered the pane";
  passing->Destroy();

  wxImage after;
  EXPECT_TRUE(PumpUntil(
      [&] {
        after = Grab(shown);
        return Differing(before, after) == 0;
      },
      5000))
      << Differing(before, after) << " pixels differ, " << OfColour(after, cover)
      << " of the passing window's colour";
}

}  // namespace
