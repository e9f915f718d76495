#include "platform/core/HiddenOutput.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/random.h>
#include <sys/xattr.h>
#include <time.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <string_view>
#include <vector>

#include "platform/core/PendingOutputs.h"
#include "platform/core/SysCalls.h"

namespace {

// Room in a name for the hidden file's dots, random part and suffix under NAME_MAX (255).
constexpr size_t kMaxNameInHiddenName = 200;
constexpr size_t kRandomDigits = 12;
constexpr std::string_view kSuffix = ".tmp";

std::string RandomPart() {
  unsigned char bytes[kRandomDigits / 2] = {};
  if (getrandom(bytes, sizeof bytes, GRND_NONBLOCK) != sizeof bytes) {
    // Without entropy the name only has to be unlikely to be taken; O_EXCL does the rest.
    timespec now{};
    clock_gettime(CLOCK_MONOTONIC, &now);
    unsigned long long mix = static_cast<unsigned long long>(now.tv_nsec) * 2654435761u ^
                             static_cast<unsigned long long>(getpid()) << 20;
    for (unsigned char& byte : bytes)
      byte = static_cast<unsigned char>(mix >>= 7);
  }
  char text[2 * sizeof bytes + 1];
  for (size_t i = 0; i < sizeof bytes; ++i)
    std::snprintf(text + 2 * i, 3, "%02x", bytes[i]);
  return text;
}

// Appended rather than a literal + a temporary string, on which GCC 12 at -O3 warns falsely.
std::string HiddenPrefix(const std::string& name) {
  return std::string(".").append(name, 0, kMaxNameInHiddenName).append(".");
}

bool IsHiddenNameFor(std::string_view entry, const std::string& prefix) {
  if (entry.size() != prefix.size() + kRandomDigits + kSuffix.size() ||
      !entry.starts_with(prefix) || !entry.ends_with(kSuffix))
    return false;
  for (char c : entry.substr(prefix.size(), kRandomDigits)) {
    if (!((c >= '0' && c <= '9') || (c >= 'a' && c <= 'f')))
      return false;
  }
  return true;
}

void RemoveIfNobodyHoldsIt(int folderFd, const char* entry) {
  const int fd = openat(folderFd, entry, O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC);
  if (fd < 0)
    return;
  struct stat info {};
  // Only this user's own regular files; a writer holds its lock from creation to rename.
  if (fstat(fd, &info) == 0 && S_ISREG(info.st_mode) && info.st_uid == geteuid() &&
      info.st_nlink == 1 && flock(fd, LOCK_EX | LOCK_NB) == 0)
    unlinkat(folderFd, entry, 0);
  close(fd);
}

}  // namespace

int CreateHiddenFile(const std::string& folder, const std::string& name, mode_t mode,
                     std::string& path, int& lockFd, int& pendingSlot) {
  for (int attempt = 0; attempt <= 100; ++attempt) {
    path = folder + HiddenPrefix(name) + RandomPart() + std::string(kSuffix);
    int fd;
    {
      CHeldSignals held;
      // Recorded before it exists: a signal handled on another thread meanwhile waits.
      const int slot = ReservePendingOutput(path);
      fd = ActiveSysCalls().open(path.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_NOCTTY | O_CLOEXEC,
                                 mode);
      if (fd >= 0) {
        ConfirmPendingOutput(slot);
        pendingSlot = slot;
      } else {
        const int osError = errno;
        DropPendingOutput(slot);
        errno = osError;
      }
    }
    if (fd < 0) {
      if (errno != EEXIST && errno != EINTR)
        return -1;
      continue;
    }
    // A second descriptor of the same open file keeps the lock once the writer's is closed,
    // until the file is renamed or removed.
    lockFd = fcntl(fd, F_DUPFD_CLOEXEC, 0);
    struct stat info {};
    // Another run's clean-up may have taken the file between its creation and the lock.
    if (lockFd >= 0 && flock(lockFd, LOCK_EX) == 0 && fstat(fd, &info) == 0 && info.st_nlink > 0)
      return fd;
    const int osError = lockFd < 0 ? errno : 0;
    if (lockFd >= 0)
      close(lockFd);
    lockFd = -1;
    ActiveSysCalls().close(fd);
    DropPendingOutput(pendingSlot);
    pendingSlot = -1;
    if (osError) {
      unlink(path.c_str());
      errno = osError;
      return -1;
    }
  }
  errno = EEXIST;
  return -1;
}

void RemoveAbandonedHiddenFiles(const std::string& folder, const std::string& name) {
  const int folderFd =
      open(folder.empty() ? "." : folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  if (folderFd < 0)
    return;
  const int listFd = fcntl(folderFd, F_DUPFD_CLOEXEC, 0);
  DIR* entries = listFd >= 0 ? fdopendir(listFd) : nullptr;
  if (!entries) {
    if (listFd >= 0)
      close(listFd);
    close(folderFd);
    return;
  }
  const std::string prefix = HiddenPrefix(name);
  while (const dirent* entry = readdir(entries)) {
    if (IsHiddenNameFor(entry->d_name, prefix))
      RemoveIfNobodyHoldsIt(folderFd, entry->d_name);
  }
  closedir(entries);
  close(folderFd);
}

void CopyFileAttributes(int fd, const std::string& path, const struct stat& existing) {
  // The owner first, since a change of owner clears the set-user-ID bit. Only root may
  // give a file away; a member of the file's group may still give it that group.
  if (fchown(fd, existing.st_uid, existing.st_gid) < 0 && fchown(fd, -1, existing.st_gid) < 0) {
    // The new file stays the user's, in their group, as `sed -i` leaves it.
  }
  if (fchmod(fd, existing.st_mode & 07777) < 0) {
    // The file system keeps no modes (FAT): the new file has what the folder gives.
  }
  // After the mode: an access ACL sets the group bits from its mask.
  std::vector<char> names(1024);
  ssize_t size;
  while ((size = listxattr(path.c_str(), names.data(), names.size())) < 0 && errno == ERANGE)
    names.resize(names.size() * 4);
  std::vector<char> value;
  for (ssize_t at = 0; at < size; at += static_cast<ssize_t>(std::strlen(&names[at])) + 1) {
    const char* attribute = &names[at];
    ssize_t length = getxattr(path.c_str(), attribute, nullptr, 0);
    if (length < 0)
      continue;
    value.resize(static_cast<size_t>(length) + 1);
    length = getxattr(path.c_str(), attribute, value.data(), value.size());
    // What the user may not set (another user's security label) is left as the system sets it.
    if (length >= 0)
      fsetxattr(fd, attribute, value.data(), static_cast<size_t>(length), 0);
  }
}

int CopyOver(const std::string& from, int to) {
  const int in = open(from.c_str(), O_RDONLY | O_CLOEXEC | O_NOFOLLOW);
  if (in < 0)
    return errno;
  std::vector<char> buffer(1 << 20);
  off_t total = 0;
  int osError = 0;
  if (ActiveSysCalls().lseek(to, 0, SEEK_SET) < 0)
    osError = errno;
  while (osError == 0) {
    const ssize_t got = ReadUninterrupted(in, buffer.data(), buffer.size());
    if (got <= 0) {
      osError = got < 0 ? errno : 0;
      break;
    }
    for (ssize_t done = 0; done < got && osError == 0;) {
      const ssize_t put =
          ActiveSysCalls().write(to, buffer.data() + done, static_cast<size_t>(got - done));
      if (put < 0 && errno != EINTR)
        osError = errno;
      else if (put > 0)
        done += put;
    }
    total += got;
  }
  close(in);
  if (osError == 0 && ActiveSysCalls().ftruncate(to, total) < 0)
    osError = errno;
  return osError;
}
