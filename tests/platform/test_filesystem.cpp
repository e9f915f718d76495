#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <regex>
#include <set>
#include <string>
#include <vector>

#include "TempDir.h"
#include "platform/core/FileSystem.h"
#include "platform/core/SysCalls.h"

namespace {

mode_t ModeOf(const std::string& path) {
  struct stat info {};
  lstat(path.c_str(), &info);
  return info.st_mode;
}

std::u16string TempPath() {
  char16_t buffer[MAX_PATH] = {};
  DWORD length = GetTempPathW(MAX_PATH, buffer);
  return std::u16string(buffer, length < MAX_PATH ? length : 0);
}

// Points $XDG_RUNTIME_DIR at a directory of the test.
class FileSystemTest : public ::testing::Test {
 protected:
  FileSystemTest() { setenv("XDG_RUNTIME_DIR", m_dir.Path().c_str(), 1); }
  ~FileSystemTest() override { unsetenv("XDG_RUNTIME_DIR"); }
  TempDir m_dir;
};

TEST_F(FileSystemTest, TempPathIsAPrivateRandomDirectoryUnderTheRuntimeOne) {
  mode_t oldMask = umask(0777);  // even a hostile umask gives 0700
  const std::string path = Utf16ToUtf8(TempPath());
  umask(oldMask);
  EXPECT_TRUE(std::regex_match(path, std::regex(m_dir.File("corvane-preview-[A-Za-z0-9]{6}/"))))
      << path;
  EXPECT_EQ(ModeOf(path), S_IFDIR | 0700u);
  EXPECT_EQ(Utf16ToUtf8(TempPath()), path) << "made once";
}

// A folder of that name form goes only when it carries the program's mark and holds
// nothing else than the program's own files: a user's folder named so (a backup, with
// $TMPDIR at home) keeps everything.
TEST_F(FileSystemTest, OnlyMarkedFoldersOfOwnFilesAreCleanedUp) {
  const struct {
    const char* name;
    bool marked;
    const char* file;
    bool removed;
  } kCases[] = {{"Unmarked", false, "js1.tmp.json", false},
                {"ForeignFile", true, "notes.txt", false},
                {"ForeignNameLikeOurs", true, "js12345.tmp", false},
                {"OwnFiles", true, "jsFFFF.tmp.json.html", true}};
  for (const auto& c : kCases) {
    SCOPED_TRACE(c.name);
    TempDir base;
    setenv("XDG_RUNTIME_DIR", base.Path().c_str(), 1);
    const std::string folder = base.File("corvane-preview-backup");
    ASSERT_EQ(mkdir(folder.c_str(), 0700), 0);
    if (c.marked)
      WriteBytesToFile(folder + "/.corvane-preview", "");
    WriteBytesToFile(folder + "/" + c.file, "kept");
    const std::u16string own = TempPath();
    EXPECT_EQ(std::filesystem::exists(folder), !c.removed);
    if (!c.removed) {
      EXPECT_EQ(ReadBytesFromFile(folder + "/" + c.file), "kept");
    }
    // The program's own folder goes once it holds nothing but its mark.
    WriteBytesToFile(Utf16ToUtf8(own) + "js2.tmp.json", "");
    EXPECT_FALSE(RemoveTempPath(own.c_str()));
    std::filesystem::remove(Utf16ToUtf8(own) + "js2.tmp.json");
    EXPECT_TRUE(RemoveTempPath(own.c_str()));
    EXPECT_FALSE(std::filesystem::exists(Utf16ToUtf8(own)));
  }
  setenv("XDG_RUNTIME_DIR", m_dir.Path().c_str(), 1);
}

std::vector<std::string> g_opened;
int g_failures = 0;
int g_failWith = EEXIST;

// Fails the first g_failures opens with g_failWith; every open must be exclusive.
int OpenFailingFirst(const char* path, int flags, mode_t mode) {
  EXPECT_EQ(flags & (O_CREAT | O_EXCL), O_CREAT | O_EXCL) << path;
  g_opened.push_back(path);
  if (static_cast<int>(g_opened.size()) <= g_failures)
    return errno = g_failWith, -1;
  return RealSysCalls().open(path, flags, mode);
}

// Names are "<dir>js<hex>.tmp", created empty and private; a name taken is skipped, any
// other failure ends the search.
TEST_F(FileSystemTest, TempFileNamesAreFreshEmptyPrivateFiles) {
  const std::u16string dir = TempPath();
  ASSERT_FALSE(dir.empty());
  SysCalls calls = RealSysCalls();
  calls.open = OpenFailingFirst;
  ScopedSysCalls scope(calls);
  char16_t name[MAX_PATH] = {};
  g_opened.clear(), g_failures = 3, g_failWith = EEXIST;
  const UINT number = GetTempFileNameW(dir.c_str(), u"js", 0, name);
  CString hex;
  hex.Format(u"%X", number);
  EXPECT_EQ(CString(name), CString(dir) + u"js" + hex + u".tmp");
  ASSERT_EQ(std::set<std::string>(g_opened.begin(), g_opened.end()).size(), 4u);
  EXPECT_EQ(Utf16ToUtf8(name), g_opened.back());
  EXPECT_EQ(ModeOf(g_opened.back()), S_IFREG | 0600u);
  EXPECT_EQ(std::filesystem::file_size(g_opened.back()), 0u);

  g_opened.clear(), g_failures = 1, g_failWith = EACCES;
  EXPECT_EQ(GetTempFileNameW(dir.c_str(), u"js", 0, name), 0u);
  EXPECT_EQ(g_opened.size(), 1u);
  g_failures = 0;
  const CString longDir = CString(dir) + CString(u'd', 300);
  EXPECT_EQ(GetTempFileNameW(longDir.GetString(), u"js", 0, name), 0u) << "too long for MAX_PATH";
}

}  // namespace
