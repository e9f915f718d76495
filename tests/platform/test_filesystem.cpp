#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
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

// Points $TMPDIR at a directory of the test.
class FileSystemTest : public ::testing::Test {
 protected:
  FileSystemTest() { setenv("TMPDIR", m_dir.Path().c_str(), 1); }
  ~FileSystemTest() override { unsetenv("TMPDIR"); }
  // The private directory's place, without the final slash.
  std::string PrivateDir() const { return m_dir.File("corvane-" + std::to_string(geteuid())); }
  static std::u16string TempPath() {
    char16_t buffer[MAX_PATH] = {};
    DWORD length = GetTempPathW(MAX_PATH, buffer);
    return std::u16string(buffer, length < MAX_PATH ? length : 0);
  }

  TempDir m_dir;
};

TEST_F(FileSystemTest, TempPathIsAPrivateDirectoryUnderTmpdir) {
  mode_t oldMask = umask(0777);  // even a hostile umask gives 0700
  std::u16string path = TempPath();
  umask(oldMask);
  EXPECT_EQ(path, Utf8ToUtf16(PrivateDir() + "/"));
  EXPECT_EQ(ModeOf(PrivateDir()), S_IFDIR | 0700u);
  setenv("TMPDIR", (m_dir.Path() + "//").c_str(), 1);
  EXPECT_EQ(TempPath(), path) << "used again, whatever the trailing slashes of $TMPDIR";
}

// What is found at the private directory's place: a directory, a file, or a symbolic
// link to a directory of ours, with that mode and owner.
struct Squatter {
  const char* name;
  char kind;
  mode_t mode;
  bool otherOwner;
};

class TempPathRefused : public FileSystemTest, public ::testing::WithParamInterface<Squatter> {};

TEST_P(TempPathRefused, WhenThePlaceIsNotOursAlone) {
  const Squatter& s = GetParam();
  if (s.otherOwner && geteuid() != 0)
    GTEST_SKIP() << "only root can give a directory away";
  const std::string place = PrivateDir();
  const std::string target = s.kind == 'l' ? m_dir.File("elsewhere") : place;
  s.kind == 'f' ? WriteBytesToFile(target, "") : void(mkdir(target.c_str(), 0700));
  ASSERT_TRUE(s.kind != 'l' || symlink(target.c_str(), place.c_str()) == 0);
  ASSERT_EQ(chmod(target.c_str(), s.mode), 0);
  ASSERT_TRUE(!s.otherOwner || chown(target.c_str(), 65534, 65534) == 0);
  const mode_t before = ModeOf(place);
  char16_t buffer[MAX_PATH] = {};
  EXPECT_EQ(GetTempPathW(MAX_PATH, buffer), 0u);
  EXPECT_EQ(ModeOf(place), before) << "left as found";
}

const Squatter kSquatters[] = {{"OpenToAll", 'd', 0777, false},
                               {"RegularFile", 'f', 0700, false},
                               {"SymlinkToOurDirectory", 'l', 0700, false},
                               {"OtherUsersDirectory", 'd', 0700, true}};
INSTANTIATE_TEST_SUITE_P(Places, TempPathRefused, ::testing::ValuesIn(kSquatters),
                         [](const auto& info) { return std::string(info.param.name); });

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
