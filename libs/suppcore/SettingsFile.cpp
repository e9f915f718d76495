#include "libs/suppcore/SettingsFile.h"

#include <errno.h>
#include <fcntl.h>
#include <stdio.h>
#include <string.h>
#include <sys/stat.h>
#include <unistd.h>

#include <glib.h>

#include "libs/suppcore/SettingsMessages.h"
#include "platform/core/SysCalls.h"
#include "platform/core/XdgDirs.h"

namespace {

// Far above anything the store writes; keeps a stray huge file from filling memory.
constexpr size_t kMaxSize = 4 << 20;

CString SystemReason(int osError) {
  return CString::FromUtf8(strerror(osError));
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
  const std::string config = XdgBaseDirectory("XDG_CONFIG_HOME", ".config");
  return config.empty() ? config : config + "/ostrel/corvane.ini";
}

SettingsRead ReadSettingsFile(const std::string& path, std::string& bytes, CString& error) {
  bytes.clear();
  if (path.empty())
    return SettingsRead::missing;
  SysCalls& sys = ActiveSysCalls();
  // O_NONBLOCK: a FIFO in the store's place must not hang the start.
  int fd = sys.open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK, 0);
  // ENOTDIR: a file where a folder of the path should be; nothing by that name either.
  if (fd < 0 && (errno == ENOENT || errno == ENOTDIR))
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
  const std::string directory = path.substr(0, path.rfind('/'));
  if (g_mkdir_with_parents(directory.c_str(), 0700) != 0) {
    error = SystemReason(errno);
    return false;
  }
  GError* failure = nullptr;
  if (!g_file_set_contents_full(path.c_str(), bytes.data(), static_cast<gssize>(bytes.size()),
                                G_FILE_SET_CONTENTS_CONSISTENT, 0600, &failure)) {
    error = CString::FromUtf8(failure->message);
    g_error_free(failure);
    return false;
  }
  return true;
}

bool MoveSettingsFileAside(const std::string& path, std::string& movedTo, CString& error) {
  movedTo = path + ".bad";
  if (rename(path.c_str(), movedTo.c_str()) != 0) {
    error = SystemReason(errno);
    return false;
  }
  return true;
}
