#include "cli/StandardStreams.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>

namespace cli {

namespace {

bool IsClosed(int descriptor) {
  return fcntl(descriptor, F_GETFD) == -1 && errno == EBADF;
}

}  // namespace

ClosedStreams GuardStandardStreams() {
  ClosedStreams closed;
  for (const int descriptor : {STDIN_FILENO, STDOUT_FILENO, STDERR_FILENO}) {
    if (!IsClosed(descriptor))
      continue;
    // The lowest free number: the one just found closed.
    if (open("/dev/null", descriptor == STDIN_FILENO ? O_RDONLY : O_WRONLY) != descriptor)
      continue;
    closed.input |= descriptor == STDIN_FILENO;
    closed.output |= descriptor == STDOUT_FILENO;
  }
  return closed;
}

bool WritesTheTerminalOfStandardError(const std::string& path) {
  struct stat error {};
  struct stat output {};
  if (!isatty(STDERR_FILENO) || fstat(STDERR_FILENO, &error) != 0)
    return false;
  const int found = path == "-" ? fstat(STDOUT_FILENO, &output) : stat(path.c_str(), &output);
  return found == 0 && S_ISCHR(output.st_mode) && output.st_rdev == error.st_rdev;
}

}  // namespace cli
