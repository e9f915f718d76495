// A real window manager on the test display, as every desktop user has one: focus,
// menus, maximising and window placement behave as they do there, not as on a bare X
// server where the focus follows the pointer.
#pragma once

#include <sys/types.h>

class TestWindowManager {
 public:
  // Starts openbox on $DISPLAY unless a window manager runs there already, and waits until
  // it manages the screen. Without openbox or a display it does nothing.
  TestWindowManager();
  ~TestWindowManager();
  TestWindowManager(const TestWindowManager&) = delete;
  TestWindowManager& operator=(const TestWindowManager&) = delete;

  // True when some window manager manages the display.
  static bool Running();

 private:
  pid_t m_pid = -1;
};
