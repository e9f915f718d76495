#include "platform/core/FileSystem.h"

#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <cstdlib>
#include <string>

#include "platform/core/CString.h"
#include "platform/core/SysCalls.h"

namespace {

// A path's bytes, escapes given back as the bytes they stand for.
std::string PathBytes(LPCWSTR path) {
  return CString(path).ToUtf8();
}

// "<$TMPDIR or /tmp>/corvane-<uid>", created 0700 when missing. Empty when it cannot be
// created or when what is there is not a directory of ours that nobody else can enter:
// in a shared /tmp another user could have created the name first to watch or plant
// our temporary files.
std::string PrivateTempDir() {
  const char* tmpdir = std::getenv("TMPDIR");
  std::string base = tmpdir && tmpdir[0] == '/' ? tmpdir : "/tmp";
  while (!base.empty() && base.back() == '/')
    base.pop_back();
  std::string dir = base + "/corvane-" + std::to_string(geteuid());
  if (mkdir(dir.c_str(), 0700) == 0) {
    if (chmod(dir.c_str(), 0700) < 0)
      return {};  // the umask may have taken bits away
  } else if (errno != EEXIST) {
    return {};
  }
  struct stat info {};
  if (lstat(dir.c_str(), &info) < 0)
    return {};
  if (!S_ISDIR(info.st_mode) || info.st_uid != geteuid() || (info.st_mode & 0777) != 0700)
    return {};
  return dir + "/";
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
  static UINT calls = 0;
  auto now = static_cast<UINT>(std::chrono::steady_clock::now().time_since_epoch().count());
  return now ^ (static_cast<UINT>(getpid()) * 2654435761u) ^ (++calls * 40503u);
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
