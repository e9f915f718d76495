// The helpers of GuiTestSupport.h that send input and wait for it; their waits that time
// out fail the test, so only the tests link this file.
#include <dlfcn.h>

#include <gtest/gtest.h>
#include <wx/frame.h>
#include <wx/uiaction.h>
#include <wx/utils.h>

#include "tests/gui/GuiTestSupport.h"

namespace {

// Key events GTK has handed out, menus and the toolkit's own boxes included (the
// toolkit's key events miss those), counted by a key snooper reached through the
// functions GTK has already loaded.
struct KeyCount {
  int pressed = 0;
  int released = 0;
};
KeyCount g_keys;

int CountKey(void*, void* keyEvent, void*) {
  using GetEventTypeFn = int (*)(const void* event);
  static const auto getType =
      reinterpret_cast<GetEventTypeFn>(dlsym(RTLD_DEFAULT, "gdk_event_get_event_type"));
  constexpr int kKeyPress = 8, kKeyRelease = 9;  // GDK_KEY_PRESS, GDK_KEY_RELEASE
  const int type = getType(keyEvent);
  g_keys.pressed += type == kKeyPress;
  g_keys.released += type == kKeyRelease;
  return 0;  // the key goes on as if nobody had looked
}

void CountKeys() {
  using KeySnoopFn = int (*)(void* grabWidget, void* keyEvent, void* data);
  using InstallSnooperFn = unsigned (*)(KeySnoopFn snooper, void* data);
  static const bool installed = [] {
    const auto install =
        reinterpret_cast<InstallSnooperFn>(dlsym(RTLD_DEFAULT, "gtk_key_snooper_install"));
    return install != nullptr && dlsym(RTLD_DEFAULT, "gdk_event_get_event_type") != nullptr &&
           install(CountKey, nullptr) != 0;
  }();
  ASSERT_TRUE(installed) << "GTK's key snooper is not available";
}

}  // namespace

void PressKey(int keyCode, int modifiers) {
  CountKeys();
  const KeyCount before = g_keys;
  wxUIActionSimulator().Char(keyCode, modifiers);
  // Done once every key that went down has come up again: the modifiers come up last. A
  // press a box answers may never reach the snooper; its release still does.
  const bool handled = PumpUntil([&] {
    const int pressed = g_keys.pressed - before.pressed;
    const int released = g_keys.released - before.released;
    return released > 0 && released >= pressed;
  });
  EXPECT_TRUE(handled) << "key " << keyCode << " (modifiers " << modifiers
                       << ") did not reach the program within 3 s";
}

void FocusOn(CDialog& dialog, int id) {
  dialog.GetDlgItem(id)->SetFocus();
  EXPECT_TRUE(PumpUntil([id] { return FocusedId() == id; }))
      << "control " << id << " did not take the focus; " << FocusedId() << " has it";
}

void ActivateWindow(CDialog& dialog) {
  wxFrame* frame = dialog.GetFrame();
  frame->Raise();
  EXPECT_TRUE(PumpUntil([frame] { return frame->IsActive(); }))
      << "the window did not become the active one";
  // Without a window manager the X input focus follows the pointer: keep it inside.
  const wxRect rect = frame->GetScreenRect();
  const wxPoint inside(rect.x + rect.width / 2, rect.y + 5);
  wxUIActionSimulator().MouseMove(inside);
  EXPECT_TRUE(PumpUntil([inside] { return wxGetMousePosition() == inside; }))
      << "the pointer did not reach the window";
}
