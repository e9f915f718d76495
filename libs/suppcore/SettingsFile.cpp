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

// The file a symbolic link leads to, through a chain of them (relative ones from their own
// folder), so that a store a dotfile manager links elsewhere is replaced where it lives
// and stays linked. The path itself when it is no link or the chain can't be read.
std::string ThroughLinks(const std::string& path) {
  std::string current = path;
  for (int links = 0; links < 40; ++links) {
    GError* failure = nullptr;
    char* target = g_file_read_link(current.c_str(), &failure);
    if (!target) {
      g_clear_error(&failure);
      return current;
    }
    const std::string text = target;
    g_free(target);
    current =
        !text.empty() && text[0] == '/' ? text : current.substr(0, current.rfind('/') + 1) + text;
  }
  return path;
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
  if (!g_file_set_contents_full(ThroughLinks(path).c_str(), bytes.data(),
                                static_cast<gssize>(bytes.size()), G_FILE_SET_CONTENTS_CONSISTENT,
                                0600, &failure)) {
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
