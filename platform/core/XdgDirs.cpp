#include "platform/core/XdgDirs.h"

#include <pwd.h>
#include <unistd.h>

#include <cstdlib>

namespace {

bool IsAbsolute(const char* path) {
  return path != nullptr && path[0] == '/';
}

std::string HomeDirectory() {
  const char* home = std::getenv("HOME");
  if (IsAbsolute(home))
    return home;
  // A session without HOME (a service, sudo -i quirks) still has a passwd entry.
  passwd entry{};
  passwd* found = nullptr;
  char buffer[4096];
  if (getpwuid_r(getuid(), &entry, buffer, sizeof buffer, &found) == 0 && found &&
      IsAbsolute(found->pw_dir))
    return found->pw_dir;
  return std::string();
}

}  // namespace

std::string XdgBaseDirectory(const char* variable, const char* homeFallback) {
  const char* value = std::getenv(variable);
  if (IsAbsolute(value))
    return value;
  const std::string home = HomeDirectory();
  return home.empty() ? home : home + "/" + homeFallback;
}
