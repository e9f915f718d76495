#include "platform/core/AtomicOutput.h"

#include <fcntl.h>
#include <sys/random.h>
#include <time.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>

#include "platform/core/DescriptorName.h"
#include "platform/core/PendingOutputs.h"
#include "platform/core/SysCalls.h"

namespace {

// As many links as the system itself follows before it gives up with ELOOP.
constexpr int kMaxLinks = 40;
// Room in a name for the hidden file's dots, random part and suffix under NAME_MAX (255).
constexpr size_t kMaxNameInHiddenName = 200;
constexpr const char16_t* kIsTheSource = u"is the source file";

bool SameFile(const struct stat& a, const struct stat& b) {
  return a.st_dev == b.st_dev && a.st_ino == b.st_ino;
}

// Whether writing this file while it is being read would destroy or feed back what is
// read. A terminal or a socket carries two streams: writing it loses nothing.
bool IsTheSource(const struct stat& output, const struct stat* source) {
  return source && SameFile(output, *source) && !S_ISCHR(output.st_mode) &&
         !S_ISSOCK(output.st_mode);
}

// The folder part of a path with its final slash ("" for a bare name).
std::string FolderOf(const std::string& path) {
  size_t slash = path.rfind('/');
  return slash == std::string::npos ? std::string() : path.substr(0, slash + 1);
}

std::string NameOf(const std::string& path) {
  size_t slash = path.rfind('/');
  return slash == std::string::npos ? path : path.substr(slash + 1);
}

std::string RandomPart() {
  unsigned char bytes[6] = {};
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

// Where a symbolic link leads, relative links taken from the link's folder.
bool FollowLink(const std::string& link, std::string& target) {
  std::string buffer(256, '\0');
  for (;;) {
    ssize_t size = readlink(link.c_str(), buffer.data(), buffer.size());
    if (size < 0)
      return false;
    if (static_cast<size_t>(size) < buffer.size()) {
      buffer.resize(static_cast<size_t>(size));
      break;
    }
    buffer.resize(buffer.size() * 2);
  }
  target = !buffer.empty() && buffer[0] == '/' ? buffer : FolderOf(link) + buffer;
  return true;
}

}  // namespace

CAtomicOutput::~CAtomicOutput() {
  Discard();
}

BOOL CAtomicOutput::Fail(int osError, CFileException* error) const {
  if (error)
    *error = CFileException(CFileException::OsErrorToCause(osError), osError, m_userPath);
  return FALSE;
}

BOOL CAtomicOutput::Open(LPCWSTR path, const struct stat* source, CFileException* error) {
  if (m_file.IsOpen()) {
    // The output being written keeps its name for its own errors.
    if (error)
      *error = CFileException(CFileException::sharingViolation, EBUSY, path ? path : u"");
    return FALSE;
  }
  m_userPath = path ? CString(path) : CString();
  m_inPlace = false;
  if (m_userPath.IsEmpty())
    return Fail(ENOENT, error);
  std::string current = m_userPath.ToUtf8();
  // Whatever the name finally reaches decides: a link to a device or a FIFO, or one of
  // the system's links to a pipe, is written in place.
  struct stat info {};
  if (DescriptorNamed(current) < 0 && stat(current.c_str(), &info) == 0 && !S_ISREG(info.st_mode) &&
      !S_ISDIR(info.st_mode))
    return OpenInPlace(current, source, error);
  for (int links = 0;; ++links) {
    if (int descriptor = DescriptorNamed(current); descriptor >= 0)
      return OpenDuplicate(descriptor, source, error);
    if (lstat(current.c_str(), &info) < 0) {
      // A missing target, also the one a dangling link names, is created.
      return errno == ENOENT ? OpenReplacement(current, nullptr, source, error)
                             : Fail(errno, error);
    }
    if (S_ISREG(info.st_mode))
      return OpenReplacement(current, &info, source, error);
    if (S_ISDIR(info.st_mode))
      return Fail(EISDIR, error);
    if (!S_ISLNK(info.st_mode))
      return OpenInPlace(current, source, error);
    if (links == kMaxLinks)
      return Fail(ELOOP, error);
    if (!FollowLink(std::string(current), current))
      return Fail(errno, error);
  }
}

BOOL CAtomicOutput::OpenDuplicate(int descriptor, const struct stat* source,
                                  CFileException* error) {
  int fd = fcntl(descriptor, F_DUPFD_CLOEXEC, 0);
  if (fd < 0)
    return Fail(errno, error);
  return AdoptInPlace(fd, source, error);
}

BOOL CAtomicOutput::OpenInPlace(const std::string& path, const struct stat* source,
                                CFileException* error) {
  int fd;
  do {
    fd = ActiveSysCalls().open(path.c_str(), O_WRONLY | O_NOCTTY | O_CLOEXEC, 0);
  } while (fd < 0 && errno == EINTR);
  if (fd < 0)
    return Fail(errno, error);
  struct stat info {};
  if (ActiveSysCalls().fstat(fd, &info) == 0 && S_ISREG(info.st_mode)) {
    // A regular file took the device's place meanwhile: writing it in place would leave a
    // mixture of both documents.
    ActiveSysCalls().close(fd);
    return Fail(EAGAIN, error);
  }
  return AdoptInPlace(fd, source, error);
}

BOOL CAtomicOutput::AdoptInPlace(int fd, const struct stat* source, CFileException* error) {
  struct stat info {};
  if (ActiveSysCalls().fstat(fd, &info) < 0) {
    int osError = errno;
    ActiveSysCalls().close(fd);
    return Fail(osError, error);
  }
  if (IsTheSource(info, source)) {
    ActiveSysCalls().close(fd);
    if (error)
      *error = CFileException(CFileException::sharingViolation, m_userPath, kIsTheSource);
    return FALSE;
  }
  if (!m_file.OpenDescriptor(fd, m_userPath, CFile::modeWrite, error))
    return FALSE;
  m_inPlace = true;
  return TRUE;
}

BOOL CAtomicOutput::OpenReplacement(const std::string& target, const struct stat* existing,
                                    const struct stat* source, CFileException* error) {
  if (existing && IsTheSource(*existing, source)) {
    if (error)
      *error = CFileException(CFileException::sharingViolation, m_userPath, kIsTheSource);
    return FALSE;
  }
  // A file the user may not write stays protected, although the folder would allow its
  // replacement.
  if (existing && faccessat(AT_FDCWD, target.c_str(), W_OK, AT_EACCESS) < 0 &&
      (errno == EACCES || errno == EPERM || errno == EROFS))
    return Fail(errno, error);
  std::string name = NameOf(target);
  if (name.empty())
    return Fail(EISDIR, error);
  std::string folder = FolderOf(target);
  std::string hidden;
  int fd = -1;
  // An existing file's mode is set once the file is ours; until then nobody else reads it.
  mode_t mode = existing ? 0600 : 0666;
  for (int attempt = 0; fd < 0; ++attempt) {
    hidden = folder + "." + name.substr(0, kMaxNameInHiddenName) + "." + RandomPart() + ".tmp";
    CHeldSignals held;
    const int slot = ReservePendingOutput(hidden);
    fd = ActiveSysCalls().open(hidden.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_NOCTTY | O_CLOEXEC,
                               mode);
    if (fd >= 0) {
      ConfirmPendingOutput(slot);
      m_pendingSlot = slot;
      continue;
    }
    DropPendingOutput(slot);
    if (errno != EEXIST && errno != EINTR)
      return Fail(errno, error);
    if (attempt == 100)
      return Fail(EEXIST, error);
  }
  m_hiddenPath = hidden;
  m_targetPath = target;
  if (existing) {
    // Best effort, as on a file system without owners or modes; the owner first, since a
    // change of owner clears the set-user-ID bit.
    if (fchown(fd, existing->st_uid, existing->st_gid) < 0) {
      // Only root may give a file away; an ordinary user's new file stays theirs.
    }
    if (fchmod(fd, existing->st_mode & 07777) < 0) {
      // The file system keeps no modes (FAT): the new file has what the folder gives.
    }
  }
  if (!m_file.OpenDescriptor(fd, m_userPath, CFile::modeWrite, error)) {
    RemoveHiddenFile();
    return FALSE;
  }
  return TRUE;
}

void CAtomicOutput::Commit() {
  if (!m_file.IsOpen())
    throw CFileException(CFileException::invalidFile, EBADF, m_userPath);
  if (m_inPlace)
    return m_file.Close();
  try {
    m_file.Close();
  } catch (const CFileException&) {
    RemoveHiddenFile();
    throw;
  }
  if (ActiveSysCalls().rename(m_hiddenPath.c_str(), m_targetPath.c_str()) < 0) {
    int osError = errno;
    RemoveHiddenFile();
    throw CFileException(CFileException::OsErrorToCause(osError), osError, m_userPath);
  }
  DropPendingOutput(m_pendingSlot);
  m_pendingSlot = -1;
  m_hiddenPath.clear();
}

void CAtomicOutput::Discard() {
  m_file.Abort();
  RemoveHiddenFile();
}

void CAtomicOutput::RemoveHiddenFile() {
  if (m_hiddenPath.empty())
    return;
  unlink(m_hiddenPath.c_str());
  DropPendingOutput(m_pendingSlot);
  m_pendingSlot = -1;
  m_hiddenPath.clear();
}
