#include "libs/suppcore/SettingsFile.h"

#include <errno.h>
#include <fcntl.h>
#include <pwd.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <sys/stat.h>
#include <unistd.h>

#include <atomic>

#include "libs/suppcore/SettingsMessages.h"
#include "platform/core/SysCalls.h"

namespace {

// Far above anything the store writes; keeps a stray huge file from filling memory.
constexpr size_t kMaxSize = 4 << 20;

CString SystemReason(int osError) {
  return CString::FromUtf8(strerror(osError));
}

std::string HomeDirectory() {
  const char* home = getenv("HOME");
  if (home && home[0] == '/')
    return home;
  // A session without HOME (a service, sudo -i quirks) still has a passwd entry.
  struct passwd entry;
  struct passwd* found = nullptr;
  char buffer[4096];
  if (getpwuid_r(getuid(), &entry, buffer, sizeof buffer, &found) == 0 && found && found->pw_dir &&
      found->pw_dir[0] == '/')
    return found->pw_dir;
  return std::string();
}

// Creates every missing directory on the way to the file's own directory.
int MakeParentDirectories(const std::string& path) {
  for (size_t slash = path.find('/', 1); slash != std::string::npos;
       slash = path.find('/', slash + 1)) {
    std::string directory = path.substr(0, slash);
    if (mkdir(directory.c_str(), 0700) == 0 || errno == EEXIST)
      continue;
    int osError = errno;
    struct stat info;
    // Some file systems refuse mkdir on an existing directory with EACCES or EROFS.
    if (stat(directory.c_str(), &info) == 0 && S_ISDIR(info.st_mode))
      continue;
    return osError;
  }
  return 0;
}

int WriteAll(int fd, std::string_view bytes) {
  SysCalls& sys = ActiveSysCalls();
  while (!bytes.empty()) {
    ssize_t written = sys.write(fd, bytes.data(), bytes.size());
    if (written < 0 && errno == EINTR)
      continue;
    if (written < 0)
      return errno;
    if (written == 0)
      return ENOSPC;
    bytes.remove_prefix(static_cast<size_t>(written));
  }
  return 0;
}

// Opens a new file beside path that nobody else can have opened; its name goes to temp.
int CreateTemporary(const std::string& path, std::string& temp, int& fd) {
  static std::atomic<unsigned> counter{0};
  for (int attempt = 0; attempt < 100; ++attempt) {
    char suffix[48];
    snprintf(suffix, sizeof suffix, ".%ld-%u.tmp", static_cast<long>(getpid()), counter++);
    temp = path + suffix;
    fd = ActiveSysCalls().open(temp.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0600);
    if (fd >= 0)
      return 0;
    if (errno != EEXIST)
      return errno;
  }
  return EEXIST;
}

// Writes bytes to the new file, makes them durable and closes it.
int FillTemporary(int fd, std::string_view bytes) {
  int osError = WriteAll(fd, bytes);
  if (osError == 0 && fsync(fd) != 0)
    osError = errno;
  if (ActiveSysCalls().close(fd) != 0 && osError == 0)
    osError = errno;
  return osError;
}

// Without this the rename itself may not survive a crash.
void SyncDirectory(const std::string& path) {
  size_t slash = path.rfind('/');
  std::string directory = slash == std::string::npos ? "."
                          : slash == 0               ? "/"
                                                     : path.substr(0, slash);
  int fd = open(directory.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  if (fd < 0)
    return;
  fsync(fd);
  close(fd);
}

int ReadAll(int fd, std::string& bytes, CString& error) {
  char buffer[16384];
  for (;;) {
    ssize_t got = ActiveSysCalls().read(fd, buffer, sizeof buffer);
    if (got < 0 && errno == EINTR)
      continue;
    if (got < 0)
      return errno;
    if (got == 0)
      return 0;
    bytes.append(buffer, static_cast<size_t>(got));
    if (bytes.size() > kMaxSize) {
      error = SettingsMessages::kTooLarge;
      return EFBIG;
    }
  }
}

}  // namespace

std::string DefaultSettingsPath() {
  const char* config = getenv("XDG_CONFIG_HOME");
  std::string base;
  if (config && config[0] == '/') {
    base = config;
  } else {
    std::string home = HomeDirectory();
    if (home.empty())
      return std::string();
    base = home + "/.config";
  }
  return base + "/ostrel/corvane.ini";
}

SettingsRead ReadSettingsFile(const std::string& path, std::string& bytes, CString& error) {
  bytes.clear();
  if (path.empty())
    return SettingsRead::missing;
  SysCalls& sys = ActiveSysCalls();
  // O_NONBLOCK: a FIFO in the store's place must not hang the start.
  int fd = sys.open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK, 0);
  if (fd < 0 && errno == ENOENT)
    return SettingsRead::missing;
  if (fd < 0) {
    error = SystemReason(errno);
    return SettingsRead::failed;
  }
  struct stat info;
  int osError = sys.fstat(fd, &info) != 0 ? errno : 0;
  if (osError == 0 && !S_ISREG(info.st_mode)) {
    error = SettingsMessages::kNotRegularFile;
    osError = EINVAL;
  }
  if (osError == 0)
    osError = ReadAll(fd, bytes, error);
  sys.close(fd);
  if (osError == 0)
    return SettingsRead::ok;
  if (error.IsEmpty())
    error = SystemReason(osError);
  return SettingsRead::failed;
}

bool ReplaceSettingsFile(const std::string& path, std::string_view bytes, CString& error) {
  if (path.empty()) {
    error = SettingsMessages::kNoHome;
    return false;
  }
  std::string temp;
  int fd = -1;
  int osError = MakeParentDirectories(path);
  if (osError == 0)
    osError = CreateTemporary(path, temp, fd);
  if (osError == 0) {
    osError = FillTemporary(fd, bytes);
    if (osError == 0 && rename(temp.c_str(), path.c_str()) != 0)
      osError = errno;
    if (osError != 0)
      unlink(temp.c_str());
  }
  if (osError != 0) {
    error = SystemReason(osError);
    return false;
  }
  SyncDirectory(path);
  return true;
}
