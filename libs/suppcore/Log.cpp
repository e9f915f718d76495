#include "libs/suppcore/Log.h"

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdarg>
#include <ctime>
#include <string>

#include "platform/core/ControlEscapes.h"
#include "platform/core/Formatted.h"
#include "platform/core/XdgDirs.h"

// Plain system calls, not CFile: tests replace the file layer's system calls to simulate
// a full disk, and the log must stay quiet then instead of throwing into the caller.

namespace {

// Empty when there is no home directory: the log is then not written.
std::string LogPath() {
  const std::string state = XdgBaseDirectory("XDG_STATE_HOME", ".local/state");
  return state.empty() ? state : state + "/ostrel/corvane.log";
}

void MakeParentDirectories(const std::string& path) {
  for (size_t slash = path.find('/', 1); slash != std::string::npos;
       slash = path.find('/', slash + 1)) {
    // Private, as the base directory rules ask of the state directory.
    mkdir(path.substr(0, slash).c_str(), 0700);
  }
}

// The log is a regular file of this user: a symbolic link (whose target could be anyone's
// file), a FIFO (which would block the program) or a device at its place is left alone.
bool IsOwnRegularFile(int fd) {
  struct stat info {};
  return fstat(fd, &info) == 0 && S_ISREG(info.st_mode) && info.st_uid == geteuid();
}

std::string OlderLogPath(const std::string& path) {
  return path + ".1";
}

// A log past kRotateBytes is renamed to the older log's name, replacing it, and a new one
// started, so the two together stay near twice that size. Another process of the program
// may be rotating too: the lock and the check that the name still holds the file this
// process opened keep one of them from renaming the other's new log over the older one.
constexpr off_t kRotateBytes = off_t{1} << 20;

int RotateIfFull(const std::string& path, int fd) {
  struct stat opened {};
  if (fstat(fd, &opened) != 0 || opened.st_size < kRotateBytes || flock(fd, LOCK_EX | LOCK_NB) != 0)
    return fd;
  struct stat named {};
  const bool same = lstat(path.c_str(), &named) == 0 && named.st_dev == opened.st_dev &&
                    named.st_ino == opened.st_ino;
  if (same)
    rename(path.c_str(), OlderLogPath(path).c_str());
  close(fd);  // drops the lock
  return CLog::OpenChecked(path, O_WRONLY | O_CREAT | O_APPEND);
}

std::string Timestamp() {
  std::time_t now = std::time(nullptr);
  std::tm local{};
  char text[32] = "";
  if (localtime_r(&now, &local))
    std::strftime(text, sizeof text, "%Y-%m-%d %H:%M:%S", &local);
  return text;
}

// One entry is one line: line breaks inside the message become spaces, and the control
// characters a file name may hold are escaped, so that reading the log in a terminal
// runs none of them.
std::string FormatEntry(const CString& message) {
  std::string text;
  AppendUtf8(text, message.View());
  return Timestamp() + ' ' + EscapeControls(text, true) + '\n';
}

bool Append(const CString& message) {
  std::string line = FormatEntry(message);
  const std::string path = LogPath();
  if (path.empty())
    return false;
  int fd = CLog::OpenChecked(path, O_WRONLY | O_CREAT | O_APPEND);
  if (fd >= 0)
    fd = RotateIfFull(path, fd);
  if (fd < 0)
    return false;
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
  return done == line.size();
}

}  // namespace

void CLog::Bug(LPCWSTR message, LPCWSTR detail1, LPCWSTR detail2, int code) {
  CString text(message);
  for (LPCWSTR detail : {detail1, detail2}) {
    if (detail)
      text += CString(u" ") + detail;
  }
  if (code != 0)
    text += Formatted(u" (code %d)", code);
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

bool CLog::Entry(const CString& text) {
  return Append(text);
}

int CLog::OpenChecked(const std::string& path, int flags) {
  flags |= O_CLOEXEC | O_NOCTTY | O_NOFOLLOW | O_NONBLOCK;
  int fd = open(path.c_str(), flags, 0600);
  if (fd < 0 && errno == ENOENT && (flags & O_CREAT)) {
    MakeParentDirectories(path);
    fd = open(path.c_str(), flags, 0600);
  }
  if (fd >= 0 && !IsOwnRegularFile(fd)) {
    close(fd);
    return -1;
  }
  return fd;
}

CString CLog::GetLogPath() {
  return CString::FromUtf8(LogPath());
}

// The older log goes too: emptying the log is asked for to be rid of its entries.
void CLog::Truncate() {
  const std::string path = LogPath();
  const int fd = OpenChecked(path, O_WRONLY);
  if (fd < 0)
    return;  // missing or not ours to change: left as it is, like a failed entry
  struct stat older {};
  if (ftruncate(fd, 0) == 0 && lstat(OlderLogPath(path).c_str(), &older) == 0 &&
      S_ISREG(older.st_mode) && older.st_uid == geteuid())
    unlink(OlderLogPath(path).c_str());
  close(fd);
}
