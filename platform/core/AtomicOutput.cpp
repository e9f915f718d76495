#include "platform/core/AtomicOutput.h"

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <utility>

#include "platform/core/DescriptorName.h"
#include "platform/core/HiddenOutput.h"
#include "platform/core/PendingOutputs.h"
#include "platform/core/SysCalls.h"

namespace {

// As many links as the system itself follows before it gives up with ELOOP.
constexpr int kMaxLinks = 40;
constexpr const char16_t* kIsTheSource = u"is the source file";
constexpr const char16_t* kPlantedLink =
    u"is a symbolic link in a shared folder that neither you nor the folder's owner made";
constexpr const char16_t* kDescriptorName = u"names a file the program already holds open";
constexpr const char16_t* kMountPoint = u"is a mount point that can't be replaced";
constexpr const char16_t* kOthersFile =
    u"is another user's file in a shared folder, which only its owner may replace";

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

// The folder of a path for the system calls ("." for a bare name).
std::string FolderToOpen(const std::string& path) {
  const std::string folder = FolderOf(path);
  return folder.empty() ? "." : folder;
}

bool IsSharedFolder(const struct stat& folder) {
  return (folder.st_mode & (S_ISVTX | S_IWOTH)) == (S_ISVTX | S_IWOTH);
}

// The kernel's rule for links in sticky world-writable folders (fs.protected_symlinks),
// which a link resolved by hand would escape: another user's link there is followed only
// when that user owns the folder, so that nobody can plant /tmp/out.json -> ~/.bashrc.
bool MayFollowLink(const std::string& link, const struct stat& linkInfo) {
  struct stat folder {};
  if (stat(FolderToOpen(link).c_str(), &folder) < 0 || !IsSharedFolder(folder))
    return true;
  return linkInfo.st_uid == geteuid() || linkInfo.st_uid == folder.st_uid;
}

// Whether the user may replace the file by a rename in its folder, or only write it where
// it is. Another user's file in a sticky folder the user may write is neither: the rename
// would fail after the whole document is written.
enum class Replacing { kRename, kInPlace, kForbidden };

Replacing HowToReplace(const std::string& target, const struct stat& existing) {
  const std::string folderPath = FolderToOpen(target);
  if (faccessat(AT_FDCWD, folderPath.c_str(), W_OK | X_OK, AT_EACCESS) < 0 &&
      (errno == EACCES || errno == EPERM))
    return Replacing::kInPlace;
  struct stat folder {};
  if (stat(folderPath.c_str(), &folder) == 0 && (folder.st_mode & S_ISVTX) && geteuid() != 0 &&
      existing.st_uid != geteuid() && folder.st_uid != geteuid())
    return Replacing::kForbidden;
  // A rename would split the file's other names from it.
  return existing.st_nlink > 1 ? Replacing::kInPlace : Replacing::kRename;
}

// Where a document to be copied in place waits: beside the target when its folder takes
// new files, else the temporary folder.
std::string FolderAside(const std::string& target) {
  if (faccessat(AT_FDCWD, FolderToOpen(target).c_str(), W_OK | X_OK, AT_EACCESS) == 0)
    return FolderOf(target);
  const char* tmp = std::getenv("TMPDIR");
  std::string folder = tmp && tmp[0] == '/' ? tmp : "/tmp";
  return folder.back() == '/' ? folder : folder + "/";
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
  m_copiedInPlace = false;
  if (m_userPath.IsEmpty())
    return Fail(ENOENT, error);
  std::string current = m_userPath.ToUtf8();
  // Links are followed one at a time, each checked as the kernel would check it.
  struct stat info {};
  for (int links = 0;; ++links) {
    if (int descriptor = DescriptorNamed(current); descriptor >= 0) {
      if (m_regularOnly) {
        // Even a regular file's descriptor is one the caller opened, not a file to replace.
        struct stat opened {};
        if (fstat(descriptor, &opened) == 0 && !S_ISREG(opened.st_mode))
          return RefuseNotRegular(opened, error);
        if (error)
          *error = CFileException(CFileException::invalidFile, m_userPath, kDescriptorName);
        return FALSE;
      }
      return OpenDuplicate(descriptor, source, error);
    }
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
      return m_regularOnly ? RefuseNotRegular(info, error) : OpenInPlace(current, source, error);
    if (links == kMaxLinks)
      return Fail(ELOOP, error);
    if (!MayFollowLink(current, info)) {
      if (error)
        *error = CFileException(CFileException::accessDenied, m_userPath, kPlantedLink);
      return FALSE;
    }
    struct stat reached {};
    // Whatever the link finally reaches decides: a device or a FIFO, or one of the
    // system's links to a pipe, is written in place (the kernel's open checks the links
    // left).
    if (stat(current.c_str(), &reached) == 0 && !S_ISREG(reached.st_mode) &&
        !S_ISDIR(reached.st_mode))
      return m_regularOnly ? RefuseNotRegular(reached, error) : OpenInPlace(current, source, error);
    if (!FollowLink(std::string(current), current))
      return Fail(errno, error);
  }
}

BOOL CAtomicOutput::RefuseNotRegular(const struct stat& info, CFileException* error) const {
  if (error)
    *error =
        CFileException(CFileException::invalidFile, m_userPath, NotRegularReason(info.st_mode));
  return FALSE;
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
  const Replacing how = existing ? HowToReplace(target, *existing) : Replacing::kRename;
  if (how == Replacing::kForbidden) {
    if (error)
      *error = CFileException(CFileException::accessDenied, m_userPath, kOthersFile);
    return FALSE;
  }
  if (how == Replacing::kInPlace && !OpenTargetInPlace(target, *existing, error))
    return FALSE;
  const std::string folder = how == Replacing::kInPlace ? FolderAside(target) : FolderOf(target);
  RemoveAbandonedHiddenFiles(folder, name);
  // An existing file's mode is set once the file is ours; until then nobody else reads it.
  const int fd =
      CreateHiddenFile(folder, name, existing ? 0600 : 0666, m_hiddenPath, m_lockFd, m_pendingSlot);
  if (fd < 0) {
    const int osError = errno;
    CloseTarget();
    return Fail(osError, error);
  }
  m_targetPath = target;
  if (existing && how == Replacing::kRename)
    CopyFileAttributes(fd, target, *existing);
  if (!m_file.OpenDescriptor(fd, m_userPath, CFile::modeWrite, error)) {
    RemoveHiddenFile();
    return FALSE;
  }
  return TRUE;
}

BOOL CAtomicOutput::OpenTargetInPlace(const std::string& target, const struct stat& existing,
                                      CFileException* error) {
  int fd;
  do {
    // A FIFO swapped in since the regular file was seen must not block: without a reader
    // the open fails at once (ENXIO), and with one the check below refuses it.
    fd = ActiveSysCalls().open(target.c_str(),
                               O_WRONLY | O_NOCTTY | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC, 0);
  } while (fd < 0 && errno == EINTR);
  if (fd < 0)
    return Fail(errno, error);
  struct stat info {};
  if (ActiveSysCalls().fstat(fd, &info) < 0 || !SameFile(info, existing)) {
    // Another file took the name meanwhile.
    ActiveSysCalls().close(fd);
    return Fail(EAGAIN, error);
  }
  m_targetFd = fd;
  return TRUE;
}

void CAtomicOutput::CloseTarget() {
  if (m_targetFd >= 0)
    ActiveSysCalls().close(m_targetFd);
  m_targetFd = -1;
}

void CAtomicOutput::Commit() {
  if (!m_file.IsOpen())
    throw CFileException(CFileException::invalidFile, EBADF, m_userPath);
  if (m_inPlace)
    return m_file.Close();
  try {
    m_file.Close();
  } catch (const CFileException&) {
    Discard();
    throw;
  }
  if (m_targetFd < 0 && ActiveSysCalls().rename(m_hiddenPath.c_str(), m_targetPath.c_str()) == 0) {
    RemoveHiddenFile(false);
    return;
  }
  // A file that is a mount point (bind-mounted) can't be renamed over, only written.
  int osError = m_targetFd >= 0 ? 0 : errno;
  if (osError == EBUSY) {
    struct stat existing {};
    CFileException ignored;
    osError = stat(m_targetPath.c_str(), &existing) == 0 && S_ISREG(existing.st_mode) &&
                      OpenTargetInPlace(m_targetPath, existing, &ignored)
                  ? 0
                  : EBUSY;
  }
  if (osError == 0) {
    // Once begun, the copy is finished before a signal can end the run: a target cut
    // halfway would hold neither document.
    CHeldSignals held;
    osError = CopyOver(m_hiddenPath, m_targetFd);
    if (ActiveSysCalls().close(std::exchange(m_targetFd, -1)) < 0 && osError == 0)
      osError = errno;
    m_copiedInPlace = osError == 0;
  }
  Discard();
  if (osError == EBUSY) {
    throw CFileException(CFileException::sharingViolation, m_userPath, kMountPoint);
  }
  if (osError != 0)
    throw CFileException(CFileException::OsErrorToCause(osError), osError, m_userPath);
}

void CAtomicOutput::Discard() {
  m_file.Abort();
  CloseTarget();
  RemoveHiddenFile();
}

void CAtomicOutput::RemoveHiddenFile(bool unlinkIt) {
  if (m_hiddenPath.empty())
    return;
  if (unlinkIt)
    unlink(m_hiddenPath.c_str());
  DropPendingOutput(m_pendingSlot);
  m_pendingSlot = -1;
  m_hiddenPath.clear();
  if (m_lockFd >= 0)
    close(std::exchange(m_lockFd, -1));
}
