#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <optional>
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

// Points $TMPDIR at a directory of the test, restoring the old value afterwards.
class FileSystemTest : public ::testing::Test {
 protected:
  void SetUp() override {
    if (const char* old = std::getenv("TMPDIR"))
      m_oldTmpdir = old;
    setenv("TMPDIR", m_dir.Path().c_str(), 1);
  }
  void TearDown() override {
    m_oldTmpdir ? setenv("TMPDIR", m_oldTmpdir->c_str(), 1) : unsetenv("TMPDIR");
  }
  // The private directory's place, without the final slash.
  std::string PrivateDir() const { return m_dir.File("corvane-" + std::to_string(geteuid())); }
  static std::u16string TempPath() {
    char16_t buffer[MAX_PATH] = {};
    DWORD length = GetTempPathW(MAX_PATH, buffer);
    return std::u16string(buffer, length < MAX_PATH ? length : 0);
  }
  CString Path(const char16_t* name) const { return CString::FromUtf8(m_dir.Path()) + name; }

  TempDir m_dir;
  std::optional<std::string> m_oldTmpdir;
};

TEST_F(FileSystemTest, TempPathIsAPrivateDirectoryUnderTmpdir) {
  mode_t oldMask = umask(0777);  // even a hostile umask gives 0700
  std::u16string path = TempPath();
  umask(oldMask);
  EXPECT_EQ(path, Utf8ToUtf16(PrivateDir() + "/"));
  EXPECT_TRUE(S_ISDIR(ModeOf(PrivateDir())));
  EXPECT_EQ(ModeOf(PrivateDir()) & 0777, 0700u);
  setenv("TMPDIR", (m_dir.Path() + "//").c_str(), 1);
  EXPECT_EQ(TempPath(), path) << "used again, whatever the trailing slashes of $TMPDIR";

  // A buffer too small is left alone and the length needed is returned.
  char16_t small[4] = {u'x', u'x', u'x', u'x'};
  EXPECT_EQ(GetTempPathW(4, small), path.size() + 1);
  EXPECT_EQ(small[0], u'x');
  std::vector<char16_t> exact(path.size() + 1, u'x');
  EXPECT_EQ(GetTempPathW(static_cast<DWORD>(exact.size()), exact.data()), path.size());
  EXPECT_EQ(exact.back(), u'\0');
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

TEST_F(FileSystemTest, TempFileNamesAreFreshEmptyPrivateFiles) {
  const std::u16string dir = TempPath();
  ASSERT_FALSE(dir.empty());
  std::set<std::u16string> names;
  for (int i = 0; i < 3; ++i) {
    char16_t name[MAX_PATH] = {};
    const UINT number = GetTempFileNameW(dir.c_str(), u"js", 0, name);
    CString hex;
    hex.Format(u"%X", number);
    EXPECT_EQ(CString(name), CString(dir) + u"js" + hex + u".tmp");
    const std::string path = Utf16ToUtf8(name);
    EXPECT_TRUE(S_ISREG(ModeOf(path)));
    EXPECT_EQ(ModeOf(path) & 0777, 0600u);
    EXPECT_EQ(std::filesystem::file_size(path), 0u);
    names.insert(name);
  }
  EXPECT_EQ(names.size(), 3u);
  char16_t name[MAX_PATH] = {};
  const CString longDir = Path(u"/") + CString(u'd', 300);
  EXPECT_EQ(GetTempFileNameW(longDir.GetString(), u"js", 0, name), 0u) << "too long for MAX_PATH";
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

TEST_F(FileSystemTest, TakenNamesAreSkippedOtherFailuresEndTheSearch) {
  const std::u16string dir = TempPath();
  SysCalls calls = RealSysCalls();
  calls.open = OpenFailingFirst;
  ScopedSysCalls scope(calls);
  char16_t name[MAX_PATH] = {};

  g_opened.clear(), g_failures = 3, g_failWith = EEXIST;
  EXPECT_NE(GetTempFileNameW(dir.c_str(), u"js", 0, name), 0u);
  ASSERT_EQ(std::set<std::string>(g_opened.begin(), g_opened.end()).size(), 4u);
  EXPECT_EQ(Utf16ToUtf8(name), g_opened.back());
  EXPECT_TRUE(std::filesystem::exists(g_opened.back()));

  g_opened.clear(), g_failures = 1, g_failWith = EACCES;
  EXPECT_EQ(GetTempFileNameW(dir.c_str(), u"js", 0, name), 0u);
  EXPECT_EQ(g_opened.size(), 1u);
}

TEST_F(FileSystemTest, AccessUnlinkAndDeleteTakeUtf16Paths) {
  WriteBytesToFile(m_dir.File("d\xC3\xA9j\xC3\xA0.csv"), "x");
  WriteBytesToFile(m_dir.File("b.html"), "x");
  std::filesystem::create_directory(m_dir.File("dir"));
  EXPECT_EQ(_waccess(Path(u"/d\u00E9j\u00E0.csv"), 0), 0);
  EXPECT_EQ(_waccess(Path(u"/d\u00E9j\u00E0.csv"), 6), 0);
  EXPECT_EQ(_waccess(Path(u"/dej\u00E0.csv"), 0), -1);
  EXPECT_EQ(_waccess(nullptr, 0), -1);
  EXPECT_EQ(_wunlink(Path(u"/d\u00E9j\u00E0.csv")), 0);
  EXPECT_EQ(_waccess(Path(u"/d\u00E9j\u00E0.csv"), 0), -1);
  EXPECT_EQ(_wunlink(Path(u"/d\u00E9j\u00E0.csv")), -1);
  EXPECT_TRUE(DeleteFileW(Path(u"/b.html")));
  EXPECT_FALSE(std::filesystem::exists(m_dir.File("b.html")));
  EXPECT_FALSE(DeleteFileW(Path(u"/dir")));
  EXPECT_TRUE(std::filesystem::is_directory(m_dir.File("dir")));
}

}  // namespace
