#include "libs/suppcore/SettingsFile.h"

#include <errno.h>
#include <stdio.h>
#include <string.h>

#include <glib.h>

#include "libs/suppcore/SettingsMessages.h"
#include "platform/core/SmallFile.h"
#include "platform/core/XdgDirs.h"

namespace {

// Far above anything the store writes; keeps a stray huge file from filling memory.
constexpr size_t kMaxSize = 4 << 20;

CString SystemReason(int osError) {
  return CString::FromUtf8(strerror(osError));
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
  const SmallFileRead read = ReadSmallFile(path, kMaxSize, bytes);
  switch (read.status) {
    case SmallFileStatus::kRead:
      return SettingsRead::ok;
    case SmallFileStatus::kMissing:
      return SettingsRead::missing;
    case SmallFileStatus::kNotRegular:
      error = SettingsMessages::kNotRegularFile;
      return SettingsRead::failed;
    case SmallFileStatus::kTooLarge:
      error = SettingsMessages::kTooLarge;
      return SettingsRead::failed;
    case SmallFileStatus::kFailed:
      break;
  }
  error = SystemReason(read.osError);
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
