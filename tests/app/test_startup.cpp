// Runs the program's real start-up (theApp's InitInstance) and quits the main window as
// the user would, then checks what was observed on the way: the store and the library
// while the window ran, the values restored, what quitting saved, the help command, and
// the state after shutdown.
#include <gtest/gtest.h>
#include <stdlib.h>

#include <string>
#include <vector>

#include <wx/dialog.h>

#include "app/CorvaneApp.h"
#include "app/Settings.h"
#include "libs/dlgframe/GuideViewer.h"
#include "platform/gui/Dialog.h"
#include "platform/gui/LaunchUrl.h"
#include "platform/gui/MessageBox.h"
#include "tests/platform/TempDir.h"
#include "ui/Resource.h"

namespace {

struct Observed {
  bool libraryHadTheStore = false;
  int product = 0;
  CString separatorShown;
  int exitStatus = -1;
  std::vector<std::string> launched;  // addresses handed to the desktop
  bool guideShown = false;
};
Observed g_observed;
// The file the program is started with, a name that is not UTF-8, given relative to the
// current folder.
std::string g_openedFile;

void ObserveAndQuit(CDialog* dialog) {
  CSmApp* library = AfxGetSmApp();
  g_observed.libraryHadTheStore = g_settings != nullptr && library->GetSettings() == g_settings;
  g_observed.product = library->GetProduct();
  dialog->GetDlgItemText(IDC_SEPARATOR, g_observed.separatorShown);
  dialog->SetDlgItemText(IDC_CUSTOM_SEPARATOR, u"typed before quitting");
  dialog->SendCommand(ID_HELP, 0);
  g_observed.guideShown = CGuideViewer::Window() != nullptr && CGuideViewer::Window()->IsShown();
  dialog->SendCommand(IDCANCEL, 0);
}

// Started with a file, the window takes it as the source (saved on quitting) and keeps
// the other inputs.
// F1 becomes ID_HELP when no window takes it: the application shows the user guide built
// beside it, itself.
// Reaching this point at all means InitInstance returned and no main loop ran.
TEST(StartUp, TheWindowRanWithTheLoadedStoreAndTheLibraryAndQuittingSavedAndReleasedThem) {
  EXPECT_TRUE(g_observed.libraryHadTheStore);
  EXPECT_EQ(g_observed.product, 23);
  EXPECT_EQ(g_observed.separatorShown, u"|");
  CSettings next;
  next.LoadData();
  EXPECT_EQ(next.SourceFile().ToUtf8(), g_openedFile);
  EXPECT_EQ(next.CustomSeparator(), u"typed before quitting");
  EXPECT_EQ(g_settings, nullptr);
  EXPECT_EQ(AfxGetSmApp()->GetSettings(), nullptr);
  EXPECT_EQ(g_observed.exitStatus, 0);
  EXPECT_TRUE(g_observed.guideShown);
  EXPECT_TRUE(g_observed.launched.empty());
}

}  // namespace

int main(int argc, char** argv) {
  testing::InitGoogleTest(&argc, argv);
  if (GTEST_FLAG_GET(list_tests))
    return RUN_ALL_TESTS();
  setenv("WEBKIT_DISABLE_COMPOSITING_MODE", "1", 0);
  static TempDir home;
  setenv("XDG_CONFIG_HOME", home.File("config").c_str(), 1);
  setenv("XDG_STATE_HOME", home.File("state").c_str(), 1);
  {
    CSettings earlier;
    earlier.SetSeparator(u"|");
    earlier.SaveData();
  }
  SetUrlLaunchHook([](const CString& url) {
    g_observed.launched.push_back(url.ToUtf8());
    return true;
  });
  SetModalDialogHook(ObserveAndQuit);
  SetMessageBoxHook([](const CString&, const CString&, UINT) { return IDOK; });
  home.Write("caf\xE9.csv", "a|b\n1|2\n");
  std::filesystem::current_path(home.Path());
  g_openedFile = std::filesystem::current_path().string() + "/caf\xE9.csv";
  char opened[] = "caf\xE9.csv";
  char* programArgs[] = {argv[0], opened, nullptr};
  g_observed.exitStatus = AfxWinMain(2, programArgs);
  return RUN_ALL_TESTS();
}
