#include "libs/dlgframe/LogViewer.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>

#include <wx/button.h>
#include <wx/dialog.h>
#include <wx/sizer.h>
#include <wx/stattext.h>
#include <wx/textctrl.h>
#include <wx/timer.h>
#include <wx/weakref.h>

#include "libs/dlgframe/DlgframeTexts.h"
#include "libs/dlgframe/HideOnClose.h"
#include "libs/suppcore/Log.h"
#include "platform/gui/WxText.h"

namespace {

// More than anyone reads in a window; a log that grew for years still opens at once.
constexpr std::size_t kShownBytes = 2 * 1024 * 1024;
// How often an open window looks whether the log changed: one lstat, soon enough to see
// an entry the user has just caused.
constexpr int kPollMilliseconds = 1000;

// What tells a changed log apart: written to, emptied, or replaced by rotation.
struct LogStamp {
  ino_t inode = 0;
  off_t size = -1;
  timespec modified{};
  bool operator==(const LogStamp& other) const {
    return inode == other.inode && size == other.size && modified.tv_sec == other.modified.tv_sec &&
           modified.tv_nsec == other.modified.tv_nsec;
  }
};

LogStamp StampOf(const std::string& path) {
  struct stat info {};
  if (lstat(path.c_str(), &info) != 0) {
    return LogStamp{};
  }
  return LogStamp{info.st_ino, info.st_size, info.st_mtim};
}

class CLogWindow : public wxDialog {
 public:
  explicit CLogWindow(wxWindow* parent)
      : wxDialog(parent, wxID_ANY, DlgframeTexts::kLogTitle, wxDefaultPosition, wxDefaultSize,
                 wxDEFAULT_DIALOG_STYLE | wxRESIZE_BORDER) {
    m_path = new wxStaticText(this, wxID_ANY, "");
    m_text = new wxTextCtrl(this, wxID_ANY, "", wxDefaultPosition, wxDefaultSize,
                            wxTE_MULTILINE | wxTE_READONLY | wxTE_DONTWRAP | wxHSCROLL);
    auto* close = new wxButton(this, wxID_CLOSE);
    auto* sizer = new wxBoxSizer(wxVERTICAL);
    sizer->Add(m_path, wxSizerFlags().Expand().Border(wxLEFT | wxRIGHT | wxTOP));
    sizer->Add(m_text, wxSizerFlags(1).Expand().Border());
    sizer->Add(close, wxSizerFlags().Right().Border(wxLEFT | wxRIGHT | wxBOTTOM));
    SetSizer(sizer);
    SetSize(FromDIP(wxSize(720, 420)));
    SetMinSize(FromDIP(wxSize(320, 200)));
    SetEscapeId(wxID_CLOSE);
    // Closing only hides: the next View Log shows the same window in the same place.
    close->Bind(wxEVT_BUTTON, [this](wxCommandEvent&) { Hide(); });
    m_poll.SetOwner(this);
    Bind(wxEVT_TIMER, [this](wxTimerEvent&) {
      if (!(StampOf(CLog::GetLogPath().ToUtf8()) == m_shown)) {
        Reload();
      }
    });
    HideOnClose(*this);
  }

  // The log is watched only while the window is on show.
  bool Show(bool show = true) override {
    if (show) {
      m_poll.Start(kPollMilliseconds);
    } else {
      m_poll.Stop();
    }
    return wxDialog::Show(show);
  }

  void Reload() {
    const CString path = CLog::GetLogPath();
    m_shown = StampOf(path.ToUtf8());
    m_path->SetLabel(wxString(DlgframeTexts::kLogFileLabel) + ToWx(path));
    m_text->ChangeValue(ToWx(CLogViewer::ReadTail(path.ToUtf8(), kShownBytes)));
    ScrollToEnd();
    // The view may scroll only once it has its final size: once more after layout.
    CallAfter([this] { ScrollToEnd(); });
  }

  wxTextCtrl* Text() const { return m_text; }

 private:
  void ScrollToEnd() {
    m_text->SetInsertionPointEnd();
    m_text->ShowPosition(m_text->GetLastPosition());
  }

  wxStaticText* m_path;
  wxTextCtrl* m_text;
  wxTimer m_poll;
  LogStamp m_shown;  // the log as the text shows it
};

// Cleared by the toolkit when the window goes with its parent.
wxWeakRef<CLogWindow>& TheWindow() {
  static wxWeakRef<CLogWindow> window;
  return window;
}

}  // namespace

void CLogViewer::Show(wxWindow* parent) {
  CLogWindow* window = TheWindow().get();
  if (window == nullptr) {
    window = new CLogWindow(parent);
    TheWindow() = window;
    window->CentreOnParent();
  }
  window->Reload();
  window->Show();
  window->Raise();
}

void CLogViewer::Reload() {
  CLogWindow* window = TheWindow().get();
  if (window != nullptr && window->IsShown()) {
    window->Reload();
  }
}

void CLogViewer::Destroy() {
  if (CLogWindow* window = TheWindow().get()) {
    TheWindow() = nullptr;
    window->Destroy();
  }
}

wxDialog* CLogViewer::Window() {
  return TheWindow().get();
}

wxTextCtrl* CLogViewer::TextControl() {
  CLogWindow* window = TheWindow().get();
  return window != nullptr ? window->Text() : nullptr;
}

// Read as CLog writes it: never through a link at its place, never waiting for a FIFO.
CString CLogViewer::ReadTail(const std::string& path, std::size_t maxBytes) {
  const int fd = CLog::OpenChecked(path, O_RDONLY);
  struct stat info {};
  if (fd < 0 || fstat(fd, &info) != 0) {
    if (fd >= 0)
      close(fd);
    return CString();
  }
  const auto size = static_cast<std::size_t>(info.st_size);
  const std::size_t start = size > maxBytes ? size - maxBytes : 0;
  std::string bytes(size - start, '\0');
  std::size_t done = 0;
  while (done < bytes.size()) {
    const ssize_t got =
        pread(fd, bytes.data() + done, bytes.size() - done, static_cast<off_t>(start + done));
    if (got < 0 && errno == EINTR)
      continue;
    if (got <= 0)
      break;
    done += static_cast<std::size_t>(got);
  }
  close(fd);
  bytes.resize(done);
  if (start == 0) {
    return CString::FromUtf8(bytes);
  }
  // Begin at the first whole entry after the cut.
  const std::size_t lineEnd = bytes.find('\n');
  bytes.erase(0, lineEnd == std::string::npos ? bytes.size() : lineEnd + 1);
  return CString::FromUtf8(DlgframeTexts::kLogShortened + bytes);
}
