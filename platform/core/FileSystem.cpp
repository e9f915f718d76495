#include "platform/core/FileSystem.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <cctype>
#include <cerrno>
#include <chrono>
#include <cstdlib>
#include <string>
#include <string_view>
#include <utility>

#include "platform/core/CString.h"
#include "platform/core/SysCalls.h"

namespace {

// A path's bytes, escapes given back as the bytes they stand for.
std::string PathBytes(LPCWSTR path) {
  return CString(path).ToUtf8();
}

// A runtime folder is the user's own by contract; one that is not (unset, another user's,
// open to others, read-only) would lose the preview or show it to others.
bool IsUsableRuntimeFolder(const std::string& path) {
  struct stat info {};
  return stat(path.c_str(), &info) == 0 && S_ISDIR(info.st_mode) && info.st_uid == geteuid() &&
         (info.st_mode & 0777) == 0700 && access(path.c_str(), W_OK | X_OK) == 0;
}

bool IsWritableFolder(const std::string& path) {
  struct stat info {};
  return stat(path.c_str(), &info) == 0 && S_ISDIR(info.st_mode) &&
         access(path.c_str(), W_OK | X_OK) == 0;
}

// The place of the private directories: $XDG_RUNTIME_DIR (the user's own, emptied at
// logout) when it is usable, else $TMPDIR when it is a folder the user may write, else
// /tmp; a value that is not an absolute path is ignored.
std::string TempBase() {
  const std::pair<const char*, bool (*)(const std::string&)> kBases[] = {
      {"XDG_RUNTIME_DIR", IsUsableRuntimeFolder}, {"TMPDIR", IsWritableFolder}};
  for (const auto& [variable, usable] : kBases) {
    const char* value = std::getenv(variable);
    if (!value || value[0] != '/')
      continue;
    std::string base = value;
    while (!base.empty() && base.back() == '/')
      base.pop_back();
    if (usable(base.empty() ? "/" : base))
      return base;
  }
  return "/tmp";
}

// Private directories are this prefix and mkdtemp's six random letters or digits, mode
// 0700: a name no one gives a directory of their own by chance, since abandoned ones are
// removed.
constexpr std::string_view kFolderPrefix = "corvane-preview-";

bool IsPrivateFolderName(std::string_view name) {
  return name.size() == kFolderPrefix.size() + 6 && name.starts_with(kFolderPrefix) &&
         std::all_of(name.begin() + kFolderPrefix.size(), name.end(),
                     [](char c) { return std::isalnum(static_cast<unsigned char>(c)); });
}

// Each directory carries this mark from its making: a directory of that name form that
// lacks it is somebody else's (a backup named so when $TMPDIR is the home), never ours.
constexpr const char* kMark = ".corvane-preview";

// The names the program gives its files there: "js<hex>.tmp" and the preview's
// ".json" and ".json.html" beside it.
bool IsOwnFileName(std::string_view name) {
  if (!name.starts_with("js"))
    return false;
  name.remove_prefix(2);
  const size_t digits = name.find_first_not_of("0123456789ABCDEF");
  if (digits == 0 || digits > 4 || digits == std::string_view::npos)
    return false;
  name.remove_prefix(digits);
  return name == ".tmp" || name == ".tmp.json" || name == ".tmp.json.html";
}

bool IsOwnRegularFile(int folderFd, const char* name) {
  struct stat info {};
  return fstatat(folderFd, name, &info, AT_SYMLINK_NOFOLLOW) == 0 && S_ISREG(info.st_mode) &&
         info.st_uid == geteuid();
}

// Calls each(name) for the entries of the open directory fd but "." and ".."; stops and
// returns false when each does.
template <typename Each>
bool ForEachEntry(int fd, const Each& each) {
  const int listFd = openat(fd, ".", O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  DIR* entries = listFd >= 0 ? fdopendir(listFd) : nullptr;
  if (!entries) {
    if (listFd >= 0)
      close(listFd);
    return false;
  }
  bool all = true;
  while (const dirent* entry = readdir(entries)) {
    const std::string_view name = entry->d_name;
    if (name != "." && name != ".." && !each(entry->d_name)) {
      all = false;
      break;
    }
  }
  closedir(entries);
  return all;
}

// Marked, and holding nothing but the mark and files of the program's own names.
bool HoldsOnlyOwnFiles(int fd) {
  return IsOwnRegularFile(fd, kMark) && ForEachEntry(fd, [fd](const char* name) {
           return (name == std::string_view(kMark) || IsOwnFileName(name)) &&
                  IsOwnRegularFile(fd, name);
         });
}

// Each process holds an exclusive lock on its directory as long as it runs (systemd's
// tmpfiles ages no locked directory either). A directory of ours under the same base that
// nobody holds is left by a run that ended without cleaning up (killed, or its display
// lost): its files, which hold a user's rows, go with it. Links are never followed, and
// other users' directories, unmarked ones and any holding what the program did not make
// are never touched.
void RemoveIfAbandoned(int baseFd, const char* name) {
  const int fd = openat(baseFd, name, O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
  if (fd < 0)
    return;
  struct stat info {};
  if (fstat(fd, &info) == 0 && info.st_uid == geteuid() && (info.st_mode & 07777) == 0700 &&
      flock(fd, LOCK_EX | LOCK_NB) == 0 && HoldsOnlyOwnFiles(fd)) {
    ForEachEntry(fd, [fd](const char* entry) { return unlinkat(fd, entry, 0), true; });
    unlinkat(baseFd, name, AT_REMOVEDIR);
  }
  close(fd);
}

void RemoveAbandonedFolders(const std::string& base) {
  const int baseFd = open(base.empty() ? "/" : base.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  DIR* entries = baseFd >= 0 ? fdopendir(baseFd) : nullptr;
  if (!entries) {
    if (baseFd >= 0)
      close(baseFd);
    return;
  }
  while (const dirent* entry = readdir(entries)) {
    if (IsPrivateFolderName(entry->d_name))
      RemoveIfAbandoned(baseFd, entry->d_name);
  }
  closedir(entries);
}

// This process's private directory, with the descriptor that holds its lock.
struct PrivateFolder {
  std::string base;
  std::string path;
  int fd = -1;
};

// Made with a random name, so that nobody can take its place beforehand; once a process,
// and again when it was removed (the window removes it when it closes) or the base changed.
std::string PrivateTempDir() {
  static PrivateFolder folder;
  const std::string base = TempBase();
  struct stat info {};
  if (folder.fd >= 0 && folder.base == base && fstat(folder.fd, &info) == 0 && info.st_nlink > 0)
    return folder.path + "/";
  if (folder.fd >= 0)
    close(std::exchange(folder.fd, -1));
  RemoveAbandonedFolders(base);
  // Another process clearing abandoned directories can take a new one for abandoned
  // between mkdtemp and the lock: then it is gone, or going, and another name is made.
  for (int attempt = 0; attempt < 3; ++attempt) {
    std::string path = base + "/" + std::string(kFolderPrefix) + "XXXXXX";
    if (!mkdtemp(path.data()))
      return {};
    const int fd = open(path.c_str(), O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
    if (fd < 0)
      return {};
    if (flock(fd, LOCK_EX | LOCK_NB) == 0 && fstat(fd, &info) == 0 && info.st_nlink > 0) {
      if (fchmod(fd, 0700) == 0) {  // the umask may have taken bits away
        const int mark =
            openat(fd, kMark, O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0600);
        if (mark >= 0)
          close(mark);
        folder = {base, path, fd};
        return path + "/";
      }
      rmdir(path.c_str());
      close(fd);
      return {};
    }
    close(fd);
  }
  return {};
}

// Copies name with its terminator into a buffer of MAX_PATH units; false when too long.
bool StoreName(const std::u16string& name, LPWSTR buffer) {
  if (name.size() >= MAX_PATH)
    return false;
  name.copy(buffer, name.size());
  buffer[name.size()] = u'\0';
  return true;
}

// A start that differs between processes and between calls, so that callers rarely
// meet each other's names; O_EXCL, not this number, is what keeps names unique.
UINT FirstCandidate() {
  // Atomic: conversions on several threads name their files at once.
  static std::atomic<UINT> calls{0};
  auto now = static_cast<UINT>(std::chrono::steady_clock::now().time_since_epoch().count());
  return now ^ (static_cast<UINT>(getpid()) * 2654435761u) ^ ((calls.fetch_add(1) + 1) * 40503u);
}

// Creates the file exclusively; 0, or the errno value of the failure.
int CreateExclusive(const std::string& path) {
  int fd;
  do {
    fd = ActiveSysCalls().open(path.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC | O_NOCTTY,
                               0600);
  } while (fd < 0 && errno == EINTR);
  if (fd < 0)
    return errno;
  ActiveSysCalls().close(fd);
  return 0;
}

}  // namespace

int _waccess(LPCWSTR path, int mode) {
  if (!path || (mode & ~6) != 0) {
    errno = EINVAL;
    return -1;
  }
  int how = F_OK;
  if (mode & 2)
    how |= W_OK;
  if (mode & 4)
    how |= R_OK;
  return access(PathBytes(path).c_str(), how) == 0 ? 0 : -1;
}

int _wunlink(LPCWSTR path) {
  if (!path) {
    errno = EINVAL;
    return -1;
  }
  return unlink(PathBytes(path).c_str()) == 0 ? 0 : -1;
}

BOOL DeleteFileW(LPCWSTR path) {
  return _wunlink(path) == 0 ? TRUE : FALSE;
}

DWORD GetTempPathW(DWORD bufferLength, LPWSTR buffer) {
  std::string dir = PrivateTempDir();
  if (dir.empty())
    return 0;
  std::u16string text = CString::FromUtf8(dir).Str();
  auto length = static_cast<DWORD>(text.size());
  if (!buffer || bufferLength <= length)
    return length + 1;
  text.copy(buffer, text.size());
  buffer[length] = u'\0';
  return length;
}

UINT GetTempFileNameW(LPCWSTR pathName, LPCWSTR prefix, UINT unique, LPWSTR tempFileName) {
  if (!pathName || !tempFileName)
    return 0;
  std::u16string stem(pathName);
  if (!stem.empty() && stem.back() != u'/')
    stem += u'/';
  stem += std::u16string_view(prefix ? prefix : u"").substr(0, 3);
  auto nameFor = [&stem](UINT number) {
    CString hex;
    hex.Format(u"%X", number);
    return stem + hex.Str() + u".tmp";
  };
  if (unique != 0)
    return StoreName(nameFor(unique), tempFileName) ? unique : 0;

  // Numbers 1 to FFFF, as the names have always had, tried in turn from a varying start.
  constexpr UINT kNumbers = 0xFFFF;
  UINT start = FirstCandidate();
  for (UINT i = 0; i < kNumbers; ++i) {
    UINT number = (start + i) % kNumbers + 1;
    std::u16string name = nameFor(number);
    if (name.size() >= MAX_PATH)
      return 0;
    int error = CreateExclusive(PathBytes(name.c_str()));
    if (error == 0)
      return StoreName(name, tempFileName) ? number : 0;
    if (error != EEXIST)
      return 0;
  }
  return 0;
}

BOOL RemoveTempPath(LPCWSTR dir) {
  if (!dir)
    return FALSE;
  const std::string path = PathBytes(dir);
  const int fd = open(path.c_str(), O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
  if (fd < 0)
    return FALSE;
  bool removed = false;
  if (ForEachEntry(fd, [](const char* name) { return name == std::string_view(kMark); })) {
    unlinkat(fd, kMark, 0);
    removed = rmdir(path.c_str()) == 0;
    if (!removed) {
      // A file came meanwhile: the directory stays, and stays ours.
      const int mark = openat(fd, kMark, O_WRONLY | O_CREAT | O_NOFOLLOW | O_CLOEXEC, 0600);
      if (mark >= 0)
        close(mark);
    }
  }
  close(fd);
  return removed ? TRUE : FALSE;
}
