#include "tests/gui/WindowManager.h"

#include <fcntl.h>
#include <signal.h>
#include <spawn.h>
#include <stdlib.h>
#include <sys/wait.h>
#include <time.h>
#include <unistd.h>

#include <X11/Xatom.h>
#include <X11/Xlib.h>

extern char** environ;

bool TestWindowManager::Running() {
  Display* display = XOpenDisplay(nullptr);
  if (display == nullptr)
    return false;
  // A compliant window manager names its check window on the root window.
  const Atom check = XInternAtom(display, "_NET_SUPPORTING_WM_CHECK", False);
  Atom type = None;
  int format = 0;
  unsigned long count = 0;
  unsigned long left = 0;
  unsigned char* data = nullptr;
  const bool found =
      XGetWindowProperty(display, DefaultRootWindow(display), check, 0, 1, False, XA_WINDOW, &type,
                         &format, &count, &left, &data) == Success &&
      count == 1;
  if (data != nullptr)
    XFree(data);
  XCloseDisplay(display);
  return found;
}

namespace {

pid_t StartOpenbox() {
  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  // Its chatter about missing themes is not the tests' output.
  posix_spawn_file_actions_addopen(&actions, 1, "/dev/null", O_WRONLY, 0);
  posix_spawn_file_actions_addopen(&actions, 2, "/dev/null", O_WRONLY, 0);
  char program[] = "openbox";
  char noSession[] = "--sm-disable";
  char* argv[] = {program, noSession, nullptr};
  pid_t pid = -1;
  const int failed = posix_spawnp(&pid, program, &actions, nullptr, argv, environ);
  posix_spawn_file_actions_destroy(&actions);
  return failed != 0 ? -1 : pid;
}

}  // namespace

TestWindowManager::TestWindowManager() {
  if (getenv("DISPLAY") == nullptr || Running())
    return;
  // On a busy machine a new X server may turn openbox away while it starts up: then it
  // exits at once, and another try comes later.
  const timespec step{0, 10'000'000};
  for (int attempt = 0; attempt < 10 && m_pid <= 0; ++attempt) {
    m_pid = StartOpenbox();
    if (m_pid <= 0)
      return;
    for (int waited = 0; waited < 5000 && !Running(); waited += 10) {
      int status = 0;
      if (waitpid(m_pid, &status, WNOHANG) == m_pid) {
        m_pid = -1;
        for (int pause = 0; pause < 30; ++pause)
          nanosleep(&step, nullptr);
        break;
      }
      nanosleep(&step, nullptr);
    }
  }
}

TestWindowManager::~TestWindowManager() {
  if (m_pid <= 0)
    return;
  kill(m_pid, SIGTERM);
  int status = 0;
  waitpid(m_pid, &status, 0);
}
