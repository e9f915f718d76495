#include "tests/gui/MainWindowFixture.h"

#include <stdlib.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>

#include <wx/choice.h>
#include <wx/filesys.h>
#include <wx/progdlg.h>
#include <wx/timer.h>
#include <wx/webview.h>

#include "libs/dlgframe/SmApp.h"
#include "platform/core/SysCalls.h"
#include "platform/gui/WxText.h"

std::string SourceRows(int count, char separator) {
  std::string text = std::string("name") + separator + "value\n";
  for (int i = 1; i <= count; ++i) {
    text += "row" + std::to_string(i) + separator + std::to_string(i) + "\n";
  }
  return text;
}

SysCalls FullDisk() {
  SysCalls calls = RealSysCalls();
  calls.write = [](int, const void*, size_t) -> ssize_t { return errno = ENOSPC, -1; };
  return calls;
}

MainWindowTest::MainWindowTest() {
  store.SetPath(dir.File("corvane.ini"));
  g_settings = &store;
  AfxGetSmApp()->Initialize(OSTREL_CORVANE_CONVERTER, &store, nullptr);
  setenv("TMPDIR", dir.Path().c_str(), 1);
}

MainWindowTest::~MainWindowTest() {
  Destroy();
  AfxGetSmApp()->Terminate();
  g_settings = nullptr;
  unsetenv("TMPDIR");
}

void MainWindowTest::Open() {
  dlg = std::make_unique<CMainWindowProbe>();
  dlg->UseSettings(&store);
  ASSERT_TRUE(dlg->Create());
  AfxGetApp()->m_pMainWnd = dlg.get();
  // The toolkit deletes the pane later, and it may still report a load after the test.
  Item(IDC_PREVIEW)->Bind(wxEVT_WEBVIEW_LOADED, [loaded = m_loaded](wxWebViewEvent& event) {
    loaded->push_back(event.GetURL().utf8_string());
    event.Skip();
  });
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
  return CString::FromUtf8(dir.Write(name, bytes));
}

void MainWindowTest::Choose(int id, const char16_t* text) {
  auto* list = dynamic_cast<wxChoice*>(Item(id));
  const int index = list->FindString(ToWx(text), true);
  ASSERT_NE(index, wxNOT_FOUND) << CString(text).ToUtf8();
  list->SetSelection(index);
  wxCommandEvent event(wxEVT_CHOICE, id);
  event.SetEventObject(list);
  event.SetInt(index);
  list->ProcessWindowEvent(event);
}

std::string MainWindowTest::ShownPage(const CString& path) const {
  auto* pane = dynamic_cast<wxWebView*>(Item(IDC_PREVIEW));
  const std::string url = wxFileSystem::FileNameToURL(ToWx(path)).utf8_string();
  // The page is written again for every change, under the same name: shown once the pane
  // holds what the file holds now, not the page before it.
  std::string shown;
  const bool done = PumpUntil(
      [&] {
        if (std::find(m_loaded->begin(), m_loaded->end(), url) == m_loaded->end() ||
            pane->IsBusy() || pane->GetCurrentURL().utf8_string() != url)
          return false;
        shown = pane->GetPageSource().utf8_string();
        return shown == ReadBytesFromFile(path.ToUtf8());
      },
      10000);
  return done ? shown : std::string();
}

void MainWindowTest::ConvertAndCancel() {
  wxTimer cancel;
  cancel.Bind(wxEVT_TIMER, [](wxTimerEvent&) {
    for (wxWindow* window : wxTopLevelWindows)
      if (auto* progress = dynamic_cast<wxProgressDialog*>(window);
          progress && progress->IsShown()) {
        wxCommandEvent click(wxEVT_BUTTON, wxID_CANCEL);
        progress->FindWindow(wxID_CANCEL)->GetEventHandler()->ProcessEvent(click);
      }
  });
  cancel.Start(20);
  SysCalls slow = RealSysCalls();
  slow.read = [](int fd, void* buffer, size_t count) {
    usleep(10000);  // a slow disk, not a wait: the conversion lasts until Cancel comes
    return RealSysCalls().read(fd, buffer, std::min<size_t>(count, 16384));
  };
  ScopedSysCalls seam(slow);
  dlg->SendCommand(IDC_CONVERT, BN_CLICKED);
}
