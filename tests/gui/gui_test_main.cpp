// Runs the window tests inside the application object, as the program runs its window:
// the toolkit starts, InitInstance runs every test and returns FALSE, and the result is
// the exit status. Listing the tests needs no display.
#include <stdlib.h>

#include <gtest/gtest.h>

#include "libs/dlgframe/SmApp.h"
#include "platform/gui/LaunchUrl.h"
#include "tests/platform/TempDir.h"

namespace {

class CGuiTestApp : public CSmApp {
 public:
  BOOL InitInstance() override {
    m_result = RUN_ALL_TESTS();
    return FALSE;
  }
  int ExitInstance() override { return m_result; }

 private:
  int m_result = 1;
};

}  // namespace

int main(int argc, char** argv) {
  testing::InitGoogleTest(&argc, argv);
  if (GTEST_FLAG_GET(list_tests))
    return RUN_ALL_TESTS();
  // Compositing needs a GPU that a virtual X server does not have.
  setenv("WEBKIT_DISABLE_COMPOSITING_MODE", "1", 0);
  // Nothing a test writes may reach the user's own settings or log.
  static TempDir home;
  setenv("XDG_CONFIG_HOME", home.File("config").c_str(), 1);
  setenv("XDG_STATE_HOME", home.File("state").c_str(), 1);
  // Nor may a test start the user's browser or mail program.
  SetUrlLaunchHook([](const CString&) { return true; });
  static CGuiTestApp app;
  return AfxWinMain(argc, argv);
}
