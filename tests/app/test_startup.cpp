// Runs the program's real start-up (theApp's InitInstance) and quits the main window as
// the user would, then checks what was observed on the way: the store and the library
// while the window ran, the values restored, what quitting saved, the help command, and
// the state after shutdown.
#include <gtest/gtest.h>
#include <stdlib.h>
#include <sys/wait.h>
#include <unistd.h>

#include <csignal>
#include <cstring>
#include <filesystem>

#include <string>
#include <vector>

#include <wx/dialog.h>

#include "app/CorvaneApp.h"
#include "app/Settings.h"
#include "libs/dlgframe/GuideViewer.h"
#include "platform/core/AtomicOutput.h"
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
  // Per signal that was not ignored at start: whether a process of the running window,
  // ended by it in the middle of writing an output, ended by it and left no hidden file.
  std::vector<std::pair<int, bool>> signalled;
};
Observed g_observed;
// The file the program is started with, a name that is not UTF-8, given relative to the
// current folder.
std::string g_openedFile;

// A copy of the running window's process writes an output and gets sig: it must end by
// sig and leave only the earlier file.
bool EndsCleanlyBy(int sig) {
  TempDir dir;
  dir.Write("out.json", "earlier");
  const pid_t child = fork();
  if (child == 0) {
    CAtomicOutput out;
    if (!out.Open(dir.WFile("out.json"), nullptr))
      _exit(2);
    out.File().WriteBytes(std::string(100000, 'x'));
    raise(sig);
    _exit(3);
  }
  int status = 0;
  waitpid(child, &status, 0);
  size_t entries = 0;
  for ([[maybe_unused]] const auto& entry : std::filesystem::directory_iterator(dir.Path()))
    ++entries;
  return WIFSIGNALED(status) && WTERMSIG(status) == sig && entries == 1 &&
         ReadBytesFromFile(dir.File("out.json")) == "earlier";
}

void ObserveAndQuit(CDialog* dialog) {
  for (int sig : {SIGTERM, SIGINT, SIGHUP}) {
    struct sigaction current {};
    sigaction(sig, nullptr, &current);
    if (current.sa_handler != SIG_IGN)
      g_observed.signalled.emplace_back(sig, EndsCleanlyBy(sig));
  }
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
// SIGTERM, SIGINT and SIGHUP in the middle of a conversion remove its hidden output and
// end the program by that signal.
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
  EXPECT_FALSE(g_observed.signalled.empty());
  for (const auto& [sig, clean] : g_observed.signalled)
    EXPECT_TRUE(clean) << strsignal(sig);
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
