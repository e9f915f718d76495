#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <optional>
#include <ostream>
#include <set>
#include <string>
#include <vector>

#include "TempDir.h"
#include "platform/core/FileSystem.h"
#include "platform/core/SysCalls.h"

namespace {

// Failure messages name the table row instead of dumping its bytes.
template <typename Row>
auto operator<<(std::ostream& out, const Row& row) -> decltype(row.name, out) {
  return out << row.name;
}

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
    if (m_oldTmpdir)
      setenv("TMPDIR", m_oldTmpdir->c_str(), 1);
    else
      unsetenv("TMPDIR");
  }
  std::string PrivateDir() const {
    return m_dir.File("corvane-" + std::to_string(geteuid())) + "/";
  }
  std::u16string TempPath() const {
    char16_t buffer[MAX_PATH] = {};
    DWORD length = GetTempPathW(MAX_PATH, buffer);
    return std::u16string(buffer, length < MAX_PATH ? length : 0);
  }

  TempDir m_dir;
  std::optional<std::string> m_oldTmpdir;
};

TEST_F(FileSystemTest, TempPathIsAPrivateDirectoryUnderTmpdir) {
  mode_t oldMask = umask(0777);  // even a hostile umask gives 0700
  std::u16string path = TempPath();
  umask(oldMask);
  EXPECT_EQ(path, Utf8ToUtf16(PrivateDir()));
  EXPECT_EQ(path.back(), u'/');
  mode_t mode = ModeOf(PrivateDir());
  EXPECT_TRUE(S_ISDIR(mode));
  EXPECT_EQ(mode & 0777, 0700u);
  EXPECT_EQ(TempPath(), path) << "an existing directory of ours is used again";

  setenv("TMPDIR", (m_dir.Path() + "//").c_str(), 1);
  EXPECT_EQ(TempPath(), path) << "trailing slashes of $TMPDIR";
}

TEST_F(FileSystemTest, TempPathReportsTheLengthNeeded) {
  const DWORD length = static_cast<DWORD>(Utf8ToUtf16(PrivateDir()).size());
  char16_t small[4] = {u'x', u'x', u'x', u'x'};
  EXPECT_EQ(GetTempPathW(4, small), length + 1);
  EXPECT_EQ(small[0], u'x');
  EXPECT_EQ(GetTempPathW(0, nullptr), length + 1);
  std::vector<char16_t> exact(length + 1);
  EXPECT_EQ(GetTempPathW(length + 1, exact.data()), length);
  EXPECT_EQ(exact[length], u'\0');
}

struct Squatter {
  const char* name;
  // Puts something at the private directory's place before the program looks.
  void (*plant)(const std::string& place, const TempDir& dir);
};

class TempPathRefused : public FileSystemTest, public ::testing::WithParamInterface<Squatter> {};

TEST_P(TempPathRefused, WhenThePlaceIsNotOursAlone) {
  std::string place = PrivateDir();
  place.pop_back();
  GetParam().plant(place, m_dir);
  mode_t before = ModeOf(place);
  char16_t buffer[MAX_PATH] = {};
  EXPECT_EQ(GetTempPathW(MAX_PATH, buffer), 0u);
  EXPECT_EQ(ModeOf(place), before) << "left as found";
}

INSTANTIATE_TEST_SUITE_P(Places, TempPathRefused,
                         ::testing::Values(Squatter{"OpenToGroup",
                                                    [](const std::string& p, const TempDir&) {
                                                      mkdir(p.c_str(), 0750);
                                                    }},
                                           Squatter{"OpenToAll",
                                                    [](const std::string& p, const TempDir&) {
                                                      mkdir(p.c_str(), 0700);
                                                      chmod(p.c_str(), 0777);
                                                    }},
                                           Squatter{"RegularFile",
                                                    [](const std::string& p, const TempDir&) {
                                                      WriteBytesToFile(p, "");
                                                      chmod(p.c_str(), 0700);
                                                    }},
                                           Squatter{"SymlinkToOurDirectory",
                                                    [](const std::string& p, const TempDir& d) {
                                                      mkdir(d.File("elsewhere").c_str(), 0700);
                                                      symlink(d.File("elsewhere").c_str(),
                                                              p.c_str());
                                                    }}),
                         [](const auto& info) { return info.param.name; });

TEST_F(FileSystemTest, TempPathRefusesADirectoryOfAnotherUser) {
  if (geteuid() != 0)
    GTEST_SKIP() << "only root can give a directory away";
  std::string place = PrivateDir();
  place.pop_back();
  mkdir(place.c_str(), 0700);
  ASSERT_EQ(chown(place.c_str(), 65534, 65534), 0);
  char16_t buffer[MAX_PATH] = {};
  EXPECT_EQ(GetTempPathW(MAX_PATH, buffer), 0u);
}

bool IsHex(std::u16string_view text) {
  if (text.empty() || text.size() > 4)
    return false;
  for (char16_t c : text)
    if (!((c >= u'0' && c <= u'9') || (c >= u'A' && c <= u'F')))
      return false;
  return true;
}

TEST_F(FileSystemTest, TempFileNamesAreFreshEmptyPrivateFiles) {
  std::u16string dir = TempPath();
  ASSERT_FALSE(dir.empty());
  std::set<std::u16string> names;
  for (int i = 0; i < 5; ++i) {
    char16_t name[MAX_PATH] = {};
    UINT number = GetTempFileNameW(dir.c_str(), u"js", 0, name);
    ASSERT_NE(number, 0u);
    std::u16string text(name);
    ASSERT_EQ(text.substr(0, dir.size() + 2), dir + u"js");
    ASSERT_EQ(text.substr(text.size() - 4), u".tmp");
    std::u16string hex = text.substr(dir.size() + 2, text.size() - dir.size() - 6);
    EXPECT_TRUE(IsHex(hex)) << Utf16ToUtf8(hex);
    EXPECT_EQ(std::stoul(Utf16ToUtf8(hex), nullptr, 16), number);
    std::string path = Utf16ToUtf8(text);
    EXPECT_TRUE(std::filesystem::is_regular_file(path));
    EXPECT_EQ(std::filesystem::file_size(path), 0u);
    EXPECT_EQ(ModeOf(path) & 0777, 0600u);
    names.insert(text);
  }
  EXPECT_EQ(names.size(), 5u);
}

struct NameCase {
  const char* name;
  const char16_t* path;  // relative to the test directory
  const char16_t* prefix;
  UINT unique;
  const char16_t* expected;
};

class TempFileNameFormed : public FileSystemTest, public ::testing::WithParamInterface<NameCase> {};

TEST_P(TempFileNameFormed, FromPathPrefixAndNumber) {
  CString base = CString::FromUtf8(m_dir.Path()) + u"/";
  char16_t name[MAX_PATH] = {};
  EXPECT_EQ(GetTempFileNameW((base + GetParam().path).GetString(), GetParam().prefix,
                             GetParam().unique, name),
            GetParam().unique);
  EXPECT_EQ(CString(name), base + GetParam().expected);
  EXPECT_FALSE(std::filesystem::exists(Utf16ToUtf8(name))) << "a given number creates nothing";
}

INSTANTIATE_TEST_SUITE_P(
    Names, TempFileNameFormed,
    ::testing::Values(NameCase{"Plain", u"", u"js", 0x1A2B, u"js1A2B.tmp"},
                      NameCase{"SlashAdded", u"sub", u"js", 0xF, u"sub/jsF.tmp"},
                      NameCase{"PrefixCut", u"", u"abcdef", 0x10, u"abc10.tmp"},
                      NameCase{"NoPrefix", u"", nullptr, 0xFFFF, u"FFFF.tmp"}),
    [](const auto& info) { return info.param.name; });

TEST_F(FileSystemTest, TempFileNameTooLongIsRefused) {
  std::u16string longDir = Utf8ToUtf16(m_dir.Path()) + u"/" + std::u16string(300, u'd');
  char16_t name[MAX_PATH] = {};
  EXPECT_EQ(GetTempFileNameW(longDir.c_str(), u"js", 0, name), 0u);
  EXPECT_EQ(GetTempFileNameW(longDir.c_str(), u"js", 5, name), 0u);
}

std::vector<std::string> g_opened;
int g_failures = 0;
int g_failWith = EEXIST;

int OpenFailingFirst(const char* path, int flags, mode_t mode) {
  g_opened.push_back(path);
  if (static_cast<int>(g_opened.size()) <= g_failures) {
    errno = g_failWith;
    return -1;
  }
  return RealSysCalls().open(path, flags, mode);
}

TEST_F(FileSystemTest, TakenNamesAreSkippedOtherFailuresEndTheSearch) {
  std::u16string dir = TempPath();
  SysCalls calls = RealSysCalls();
  calls.open = OpenFailingFirst;
  ScopedSysCalls scope(calls);
  char16_t name[MAX_PATH] = {};

  g_opened.clear(), g_failures = 3, g_failWith = EEXIST;
  EXPECT_NE(GetTempFileNameW(dir.c_str(), u"js", 0, name), 0u);
  ASSERT_EQ(g_opened.size(), 4u);
  EXPECT_EQ(std::set<std::string>(g_opened.begin(), g_opened.end()).size(), 4u);
  EXPECT_EQ(Utf16ToUtf8(name), g_opened.back());
  EXPECT_TRUE(std::filesystem::exists(g_opened.back()));

  g_opened.clear(), g_failures = 1, g_failWith = EACCES;
  EXPECT_EQ(GetTempFileNameW(dir.c_str(), u"js", 0, name), 0u);
  EXPECT_EQ(g_opened.size(), 1u);
}

TEST_F(FileSystemTest, AccessTellsWhatExists) {
  WriteBytesToFile(m_dir.File("d\xC3\xA9j\xC3\xA0.csv"), "x");
  std::filesystem::create_directory(m_dir.File("dir"));
  auto access = [&](const char16_t* name, int mode) {
    return _waccess((CString::FromUtf8(m_dir.Path() + "/") + name).GetString(), mode);
  };
  EXPECT_EQ(access(u"d\u00E9j\u00E0.csv", 0), 0);
  EXPECT_EQ(access(u"d\u00E9j\u00E0.csv", 2), 0);
  EXPECT_EQ(access(u"d\u00E9j\u00E0.csv", 4), 0);
  EXPECT_EQ(access(u"d\u00E9j\u00E0.csv", 6), 0);
  EXPECT_EQ(access(u"dir", 0), 0);
  EXPECT_EQ(access(u"missing.csv", 0), -1);
  EXPECT_EQ(access(u"dej\u00E0.csv", 0), -1);
  EXPECT_EQ(access(u"d\u00E9j\u00E0.csv", 1), -1);  // not a mode of this function
  EXPECT_EQ(_waccess(nullptr, 0), -1);
  if (geteuid() != 0) {  // root may write anything
    chmod(m_dir.File("d\xC3\xA9j\xC3\xA0.csv").c_str(), 0444);
    EXPECT_EQ(access(u"d\u00E9j\u00E0.csv", 4), 0);
    EXPECT_EQ(access(u"d\u00E9j\u00E0.csv", 2), -1);
    EXPECT_EQ(access(u"d\u00E9j\u00E0.csv", 6), -1);
  }
}

TEST_F(FileSystemTest, UnlinkAndDeleteRemoveFilesOnly) {
  WriteBytesToFile(m_dir.File("a.json"), "x");
  WriteBytesToFile(m_dir.File("b.html"), "x");
  std::filesystem::create_directory(m_dir.File("dir"));
  CString base = CString::FromUtf8(m_dir.Path() + "/");
  EXPECT_EQ(_wunlink((base + u"a.json").GetString()), 0);
  EXPECT_FALSE(std::filesystem::exists(m_dir.File("a.json")));
  EXPECT_EQ(_wunlink((base + u"a.json").GetString()), -1);
  EXPECT_TRUE(DeleteFileW((base + u"b.html").GetString()));
  EXPECT_FALSE(std::filesystem::exists(m_dir.File("b.html")));
  EXPECT_FALSE(DeleteFileW((base + u"b.html").GetString()));
  EXPECT_FALSE(DeleteFileW((base + u"dir").GetString()));
  EXPECT_EQ(_wunlink((base + u"dir").GetString()), -1);
  EXPECT_TRUE(std::filesystem::is_directory(m_dir.File("dir")));
}

}  // namespace
