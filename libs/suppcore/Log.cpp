#include "libs/suppcore/Log.h"

#include <fcntl.h>
#include <pwd.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdarg>
#include <cstdlib>
#include <ctime>
#include <string>

// Plain system calls, not CFile: tests replace the file layer's system calls to simulate
// a full disk, and the log must stay quiet then instead of throwing into the caller.

namespace {

std::string HomeDirectory() {
  const char* home = std::getenv("HOME");
  if (home && *home)
    return home;
  passwd entry{};
  passwd* found = nullptr;
  char buffer[4096];
  if (getpwuid_r(getuid(), &entry, buffer, sizeof buffer, &found) == 0 && found)
    return found->pw_dir;
  return std::string();
}

// The XDG base directory rules: a value that is not an absolute path is ignored.
std::string StateHome() {
  const char* state = std::getenv("XDG_STATE_HOME");
  if (state && state[0] == '/')
    return state;
  return HomeDirectory() + "/.local/state";
}

std::string LogPath() {
  return StateHome() + "/ostrel/corvane.log";
}

void MakeParentDirectories(const std::string& path) {
  for (size_t slash = path.find('/', 1); slash != std::string::npos;
       slash = path.find('/', slash + 1)) {
    // Private, as the base directory rules ask of the state directory.
    mkdir(path.substr(0, slash).c_str(), 0700);
  }
}

int OpenForAppend(const std::string& path) {
  constexpr int kFlags = O_WRONLY | O_CREAT | O_APPEND | O_CLOEXEC;
  int fd = open(path.c_str(), kFlags, 0600);
  if (fd < 0 && errno == ENOENT) {
    MakeParentDirectories(path);
    fd = open(path.c_str(), kFlags, 0600);
  }
  return fd;
}

std::string Timestamp() {
  std::time_t now = std::time(nullptr);
  std::tm local{};
  char text[32] = "";
  if (localtime_r(&now, &local))
    std::strftime(text, sizeof text, "%Y-%m-%d %H:%M:%S", &local);
  return text;
}

// One entry is one line: line breaks inside the message become spaces.
std::string FormatEntry(const CString& message) {
  std::string line = Timestamp();
  line += ' ';
  size_t start = line.size();
  AppendUtf8(line, message.View());
  for (size_t i = start; i < line.size(); ++i) {
    if (line[i] == '\n' || line[i] == '\r')
      line[i] = ' ';
  }
  line += '\n';
  return line;
}

void Append(const CString& message) {
  std::string line = FormatEntry(message);
  int fd = OpenForAppend(LogPath());
  if (fd < 0)
    return;
  // One write keeps the line whole when another process of the program logs at once.
  size_t done = 0;
  while (done < line.size()) {
    ssize_t written = write(fd, line.data() + done, line.size() - done);
    if (written < 0 && errno == EINTR)
      continue;
    if (written <= 0)
      break;
    done += static_cast<size_t>(written);
  }
  close(fd);
}

}  // namespace

void CLog::Bug(LPCWSTR message, LPCWSTR detail1, LPCWSTR detail2, int code) {
  CString text(message);
  for (LPCWSTR detail : {detail1, detail2}) {
    if (detail)
      text += CString(u" ") + detail;
  }
  if (code != 0) {
    CString suffix;
    suffix.Format(u" (code %d)", code);
    text += suffix;
  }
  Append(text);
}

void CLog::Bug2(LPCWSTR format, ...) {
  va_list args;
  va_start(args, format);
  CString text;
  text.FormatV(format, args);
  va_end(args);
  Append(text);
}

CString CLog::GetLogPath() {
  return CString::FromUtf8(LogPath());
}

void CLog::Truncate() {
  if (truncate(LogPath().c_str(), 0) != 0) {
    // A log that is missing or not ours to change is left as it is, like a failed entry.
  }
}
