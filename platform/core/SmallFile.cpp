#include "platform/core/SmallFile.h"

#include <errno.h>
#include <fcntl.h>
#include <sys/stat.h>

#include "platform/core/SysCalls.h"

namespace {

SmallFileRead ReadOpened(int fd, std::size_t maxBytes, std::string& bytes) {
  struct stat info {};
  if (ActiveSysCalls().fstat(fd, &info) != 0)
    return {SmallFileStatus::kFailed, errno};
  if (!S_ISREG(info.st_mode))
    return {SmallFileStatus::kNotRegular, EINVAL};
  char buffer[16384];
  for (;;) {
    const ssize_t got = ReadUninterrupted(fd, buffer, sizeof buffer);
    if (got < 0)
      return {SmallFileStatus::kFailed, errno};
    if (got == 0)
      return {};
    bytes.append(buffer, static_cast<std::size_t>(got));
    if (bytes.size() > maxBytes)
      return {SmallFileStatus::kTooLarge, EFBIG};
  }
}

}  // namespace

SmallFileRead ReadSmallFile(const std::string& path, std::size_t maxBytes, std::string& bytes) {
  bytes.clear();
  SysCalls& sys = ActiveSysCalls();
  const int fd = sys.open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK, 0);
  if (fd < 0)
    return {
        errno == ENOENT || errno == ENOTDIR ? SmallFileStatus::kMissing : SmallFileStatus::kFailed,
        errno};
  const SmallFileRead read = ReadOpened(fd, maxBytes, bytes);
  sys.close(fd);
  return read;
}
