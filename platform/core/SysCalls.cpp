#include "platform/core/SysCalls.h"

#include <unistd.h>

#include <cerrno>
#include <cstdio>

namespace {

// Thin wrappers: open and fcntl are variadic, and taking the address of the others
// through a wrapper keeps the table independent of how the C library declares them.
int RealOpen(const char* path, int flags, mode_t mode) {
  return ::open(path, flags, mode);
}
ssize_t RealRead(int fd, void* buffer, size_t count) {
  return ::read(fd, buffer, count);
}
ssize_t RealWrite(int fd, const void* buffer, size_t count) {
  return ::write(fd, buffer, count);
}
int RealClose(int fd) {
  return ::close(fd);
}
off_t RealLseek(int fd, off_t offset, int whence) {
  return ::lseek(fd, offset, whence);
}
int RealFtruncate(int fd, off_t length) {
  return ::ftruncate(fd, length);
}
int RealFstat(int fd, struct stat* info) {
  return ::fstat(fd, info);
}
int RealLock(int fd, int command, struct flock* lock) {
  return ::fcntl(fd, command, lock);
}
int RealRename(const char* from, const char* to) {
  return ::rename(from, to);
}

// Constant-initialised, so it is ready before any static constructor runs.
constexpr SysCalls kReal = {RealOpen,      RealRead,  RealWrite, RealClose, RealLseek,
                            RealFtruncate, RealFstat, RealLock,  RealRename};

}  // namespace

SysCalls& ActiveSysCalls() {
  static SysCalls active = kReal;
  return active;
}

const SysCalls& RealSysCalls() {
  return kReal;
}

ssize_t ReadUninterrupted(int fd, void* buffer, size_t count) {
  ssize_t n;
  do {
    n = ActiveSysCalls().read(fd, buffer, count);
  } while (n < 0 && errno == EINTR);
  return n;
}
