// Runs the program's real start-up (theApp's InitInstance) once per process, quits the
// main window as the user would, and then checks what was observed on the way: the
// store and the library while the window ran, the values restored into the controls,
// what was saved, and the state after shutdown.
//
//   app_startup_tests              a store saved by an earlier run is restored
//   app_startup_tests --first-run  nothing saved: the defaults are shown
#include <gtest/gtest.h>
#include <stdlib.h>

#include <cstring>
#include <filesystem>
#include <fstream>
#include <map>
#include <string>
#include <vector>

#include "app/CorvaneApp.h"
#include "app/Settings.h"
#include "platform/core/LifecycleTrace.h"
#include "platform/gui/Dialog.h"
#include "platform/gui/LaunchUrl.h"
#include "platform/gui/MessageBox.h"
#include "tests/platform/TempDir.h"
#include "ui/Resource.h"

namespace {

struct Observed {
  bool windowRan = false;
  bool storeExisted = false;
  bool libraryHadTheStore = false;
  int product = 0;
  std::map<int, CString> controls;  // control id -> text when the window ran
  int messageBoxes = 0;
  int exitStatus = -1;
  std::vector<std::string> steps;     // as the store, the library and the window report them
  std::vector<std::string> launched;  // addresses handed to the desktop
};
Observed g_observed;
bool g_firstRun = false;

// What an earlier run saved: texts that a careless store would not give back.
const std::map<std::string, CString> kSaved = {
    {"TextFileName", u"/no/such/dir/Grüße = data;#1.csv"},
    {"JSONFileName", u"  out \"quoted\".json  "},
    {"Separator", u"Custom"},
    {"Custom", u"\t;"},
    {"Format", u"BSON"},
};

void SeedStore() {
  CSettings store;
  for (const auto& [key, value] : kSaved)
    store.setStr(CString::FromUtf8(key), value);
  store.SaveData();
}

void ObserveAndQuit(CDialog* dialog) {
  g_observed.windowRan = true;
  g_observed.storeExisted = g_settings != nullptr;
  CSmApp* library = AfxGetSmApp();
  g_observed.libraryHadTheStore = library != nullptr && library->GetSettings() == g_settings;
  g_observed.product = library != nullptr ? library->GetProduct() : 0;
  for (int id :
       {IDC_SOURCE_FILE, IDC_TARGET_FILE, IDC_SEPARATOR, IDC_CUSTOM_SEPARATOR, IDC_FORMAT}) {
    CString text;
    dialog->GetDlgItemText(id, text);
    g_observed.controls[id] = text;
  }
  dialog->SendCommand(ID_HELP, 0);   // as F1 sends it: no window takes it, the application does
  dialog->SendCommand(IDCANCEL, 0);  // Quit, as the Escape key and the close box do
}

TEST(StartUp, TheWindowRanWithTheLoadedStoreAndTheLibraryReady) {
  ASSERT_TRUE(g_observed.windowRan);
  EXPECT_TRUE(g_observed.storeExisted);
  EXPECT_TRUE(g_observed.libraryHadTheStore);
  EXPECT_EQ(g_observed.product, 23);
}

TEST(StartUp, TheControlsShowTheStoredValuesOrTheDefaults) {
  std::map<int, CString> expected;
  if (g_firstRun) {
    expected = {{IDC_SOURCE_FILE, u""},
                {IDC_TARGET_FILE, u""},
                {IDC_SEPARATOR, u"<tab>"},
                {IDC_CUSTOM_SEPARATOR, u""},
                {IDC_FORMAT, u"JSON"}};
  } else {
    expected = {{IDC_SOURCE_FILE, kSaved.at("TextFileName")},
                {IDC_TARGET_FILE, kSaved.at("JSONFileName")},
                {IDC_SEPARATOR, kSaved.at("Separator")},
                {IDC_CUSTOM_SEPARATOR, kSaved.at("Custom")},
                {IDC_FORMAT, kSaved.at("Format")}};
  }
  for (const auto& [id, text] : expected)
    EXPECT_EQ(g_observed.controls[id].ToUtf8(), text.ToUtf8()) << "control " << id;
}

TEST(StartUp, AMissingSavedSourceIsReportedOnceAtStart) {
  EXPECT_EQ(g_observed.messageBoxes, g_firstRun ? 0 : 1);
}

TEST(Shutdown, QuittingSavedTheControlsTextsForTheNextRun) {
  CSettings next;
  next.LoadData();
  for (const auto& [id, key] : std::map<int, const char16_t*>{{IDC_SOURCE_FILE, u"TextFileName"},
                                                              {IDC_TARGET_FILE, u"JSONFileName"},
                                                              {IDC_SEPARATOR, u"Separator"},
                                                              {IDC_CUSTOM_SEPARATOR, u"Custom"},
                                                              {IDC_FORMAT, u"Format"}})
    EXPECT_EQ(next.getStr(key).ToUtf8(), g_observed.controls[id].ToUtf8()) << CString(key).ToUtf8();
}

// The order of the whole run as its pieces report it: the window object first and last,
// the store loaded once after the library is ready, saved once by quitting, and gone
// before the library terminates.
TEST(StartUpAndShutdown, StepsComeInOrder) {
  const std::vector<std::string> expected = {
      "dialog 102 constructed",
      "settings store created",
      "dialog library initialised, product 23",
      "settings loaded",
      "dialog 102 runs",
      "settings saved",
      "dialog 102 closed",
      "settings store destroyed",
      "dialog library terminated",
      "dialog 102 destroyed",
  };
  EXPECT_EQ(g_observed.steps, expected);
}

TEST(StartUp, TheHelpCommandOpensTheUserGuide) {
  ASSERT_EQ(g_observed.launched.size(), 1u);
  const std::string& url = g_observed.launched[0];
  EXPECT_EQ(url.rfind("file:///", 0), 0u) << url;
  EXPECT_NE(url.find("/docs/user-guide.md"), std::string::npos) << url;
  EXPECT_TRUE(std::filesystem::exists(url.substr(7))) << url;
}

TEST(Shutdown, StoreAndLibraryAreGoneAndNoLoopFollowed) {
  // Reaching this point at all means InitInstance returned and no main loop ran.
  EXPECT_EQ(g_settings, nullptr);
  ASSERT_NE(AfxGetSmApp(), nullptr);
  EXPECT_EQ(AfxGetSmApp()->GetSettings(), nullptr);
  EXPECT_EQ(g_observed.exitStatus, 0);
}

}  // namespace

int main(int argc, char** argv) {
  testing::InitGoogleTest(&argc, argv);
  if (GTEST_FLAG_GET(list_tests))
    return RUN_ALL_TESTS();
  for (int i = 1; i < argc; ++i)
    if (std::strcmp(argv[i], "--first-run") == 0)
      g_firstRun = true;

  setenv("WEBKIT_DISABLE_COMPOSITING_MODE", "1", 0);
  static TempDir home;
  setenv("XDG_CONFIG_HOME", home.File("config").c_str(), 1);
  setenv("XDG_STATE_HOME", home.File("state").c_str(), 1);
  if (!g_firstRun)
    SeedStore();

  SetLifecycleSink([](const std::string& step) { g_observed.steps.push_back(step); });
  SetUrlLaunchHook([](const CString& url) {
    g_observed.launched.push_back(url.ToUtf8());
    return true;
  });
  SetModalDialogHook(ObserveAndQuit);
  SetMessageBoxHook([](const CString&, const CString&, UINT) {
    ++g_observed.messageBoxes;
    return IDOK;
  });
  char* programArgs[] = {argv[0], nullptr};
  g_observed.exitStatus = AfxWinMain(1, programArgs);
  SetLifecycleSink(nullptr);
  SetModalDialogHook(nullptr);
  SetMessageBoxHook(nullptr);
  return RUN_ALL_TESTS();
}
