// The seam between the file classes and the operating system. Every system call the
// file layer makes goes through the active table, so that tests can replace one entry
// (a full disk, a failing close) and restore it afterwards.
#pragma once

#include <fcntl.h>
#include <sys/stat.h>
#include <sys/types.h>

struct SysCalls {
  int (*open)(const char* path, int flags, mode_t mode);
  ssize_t (*read)(int fd, void* buffer, size_t count);
  ssize_t (*write)(int fd, const void* buffer, size_t count);
  int (*close)(int fd);
  off_t (*lseek)(int fd, off_t offset, int whence);
  int (*ftruncate)(int fd, off_t length);
  int (*fstat)(int fd, struct stat* info);
  // fcntl with a struct flock argument (the open-file-description locks).
  int (*lock)(int fd, int command, struct flock* lock);
  int (*rename)(const char* from, const char* to);
};

// The table in use. Starts as the real system calls.
SysCalls& ActiveSysCalls();
// The real system calls, to restore a replaced entry.
const SysCalls& RealSysCalls();

// read(2) through the active table, begun again when a signal interrupts it: the bytes
// read, or -1 with errno set.
ssize_t ReadUninterrupted(int fd, void* buffer, size_t count);

// Replaces the active table for the lifetime of the object (tests).
class ScopedSysCalls {
 public:
  explicit ScopedSysCalls(const SysCalls& replacement) : m_saved(ActiveSysCalls()) {
    ActiveSysCalls() = replacement;
  }
  ~ScopedSysCalls() { ActiveSysCalls() = m_saved; }
  ScopedSysCalls(const ScopedSysCalls&) = delete;
  ScopedSysCalls& operator=(const ScopedSysCalls&) = delete;

 private:
  SysCalls m_saved;
};
