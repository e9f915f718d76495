#include "tests/gui/MainWindowFixture.h"

#include <stdlib.h>
#include <unistd.h>

#include <algorithm>
#include <filesystem>

#include <wx/choice.h>
#include <wx/filesys.h>
#include <wx/webview.h>

#include "libs/dlgframe/SmApp.h"
#include "platform/gui/WxText.h"

std::string SourceRows(int count, char separator) {
  std::string text = std::string("name") + separator + "value\n";
  for (int i = 1; i <= count; ++i) {
    text += "row" + std::to_string(i) + separator + std::to_string(i) + "\n";
  }
  return text;
}

MainWindowTest::MainWindowTest() {
  store.SetPath(dir.File("corvane.ini"));
  g_settings = &store;
  AfxGetSmApp()->Initialize(OSTREL_CORVANE_CONVERTER, &store, nullptr);
  // The private temporary directory is made under $TMPDIR: here, inside the test's own.
  if (const char* tmpdir = getenv("TMPDIR")) {
    m_hadTmpdir = true;
    m_savedTmpdir = tmpdir;
  }
  std::filesystem::create_directory(dir.File("tmp"));
  setenv("TMPDIR", dir.File("tmp").c_str(), 1);
}

MainWindowTest::~MainWindowTest() {
  Destroy();
  AfxGetSmApp()->Terminate();
  g_settings = nullptr;
  if (m_hadTmpdir) {
    setenv("TMPDIR", m_savedTmpdir.c_str(), 1);
  } else {
    unsetenv("TMPDIR");
  }
}

void MainWindowTest::Open() {
  dlg = std::make_unique<CMainWindowProbe>();
  dlg->UseSettings(&store);
  ASSERT_TRUE(dlg->Create());
  AfxGetApp()->m_pMainWnd = dlg.get();
  if (wxWebView* pane = Pane()) {
    // The toolkit deletes the window later, and it may still report a load after the test.
    pane->Bind(wxEVT_WEBVIEW_LOADED, [loaded = m_loaded](wxWebViewEvent& event) {
      loaded->push_back(event.GetURL());
      event.Skip();
    });
  }
  ActivateWindow(*dlg);
}

void MainWindowTest::Destroy() {
  if (dlg) {
    dlg->DestroyWindow();
    dlg.reset();
  }
  AfxGetApp()->m_pMainWnd = nullptr;
}

CString MainWindowTest::Source(const std::string& name, const std::string& bytes) {
  WriteBytesToFile(dir.File(name), bytes);
  return dir.WFile(name);
}

void MainWindowTest::Choose(int id, const char16_t* text) {
  auto* list = dynamic_cast<wxChoice*>(Item(id));
  ASSERT_NE(list, nullptr);
  const int index = list->FindString(ToWx(text), true);
  ASSERT_NE(index, wxNOT_FOUND) << CString(text).ToUtf8();
  list->SetSelection(index);
  wxCommandEvent event(wxEVT_CHOICE, id);
  event.SetEventObject(list);
  event.SetInt(index);
  event.SetString(list->GetString(static_cast<unsigned>(index)));
  list->ProcessWindowEvent(event);
}

std::string MainWindowTest::PrivateTempDir() const {
  return dir.File("tmp") + "/corvane-" + std::to_string(geteuid());
}

std::vector<std::string> MainWindowTest::TempFiles() const {
  std::vector<std::string> names;
  std::error_code error;
  for (const auto& entry : std::filesystem::directory_iterator(PrivateTempDir(), error)) {
    names.push_back(entry.path().filename().string());
  }
  std::sort(names.begin(), names.end());
  return names;
}

wxWebView* MainWindowTest::Pane() const {
  return dynamic_cast<wxWebView*>(Item(900));
}

bool MainWindowTest::WaitForPage(const CString& path) const {
  wxWebView* pane = Pane();
  if (pane == nullptr) {
    return false;
  }
  const wxString url = wxFileSystem::FileNameToURL(ToWx(path));
  return PumpUntil(
      [&] {
        return std::find(m_loaded->begin(), m_loaded->end(), url) != m_loaded->end() &&
               !pane->IsBusy() && pane->GetCurrentURL() == url;
      },
      10000);
}
