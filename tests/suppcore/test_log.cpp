// The log: where it lives, the text of its entries, and that it never fails its caller.
#include "libs/suppcore/Log.h"

#include <gtest/gtest.h>
#include <sys/stat.h>

#include <filesystem>
#include <regex>
#include <sstream>

#include "../platform/TempDir.h"

namespace {

namespace fs = std::filesystem;

std::vector<std::string> ReadLines(const std::string& path) {
  std::istringstream in(ReadBytesFromFile(path));
  std::vector<std::string> lines;
  for (std::string line; std::getline(in, line);)
    lines.push_back(line);
  return lines;
}

// The test's own state and home directories; every test sets them afresh.
class LogTest : public testing::Test {
 protected:
  void SetUp() override {
    setenv("XDG_STATE_HOME", m_dir.File("state").c_str(), 1);
    setenv("HOME", m_dir.File("home").c_str(), 1);
  }
  TempDir m_dir;
  const std::string m_log = m_dir.File("state/ostrel/corvane.log");
};

TEST_F(LogTest, PathFollowsTheStateDirectory) {
  EXPECT_EQ(CLog::GetLogPath().ToUtf8(), m_log);
  const std::string fallback = m_dir.File("home/.local/state/ostrel/corvane.log");
  for (const char* ignored : {"", "relative/state"}) {
    setenv("XDG_STATE_HOME", ignored, 1);
    EXPECT_EQ(CLog::GetLogPath().ToUtf8(), fallback) << ignored;
  }
  unsetenv("XDG_STATE_HOME");
  EXPECT_EQ(CLog::GetLogPath().ToUtf8(), fallback);
}

// Each entry is one line stamped with the time; line breaks inside become spaces.
TEST_F(LogTest, EntriesAreLinesStampedWithTheTime) {
  CLog::Bug(u"Could not read column list", nullptr, nullptr, 0);
  CLog::Bug(u"m", u"one", u"two", -7);
  CLog::Bug2(u"Could not open or create destination file '%s'", u"/tmp/Größe €.json");
  CLog::Bug2(u"a\n%s", u"b\r\nc");
  const std::vector<std::string> lines = ReadLines(m_log);
  const std::string kTexts[] = {"Could not read column list", "m one two (code -7)",
                                "Could not open or create destination file '/tmp/Größe €.json'",
                                "a b  c"};
  ASSERT_EQ(lines.size(), std::size(kTexts));
  for (size_t k = 0; k < lines.size(); ++k) {
    EXPECT_TRUE(std::regex_match(lines[k], std::regex(R"(\d{4}-\d\d-\d\d \d\d:\d\d:\d\d .*)")));
    EXPECT_EQ(lines[k].substr(20), kTexts[k]);
  }
}

TEST_F(LogTest, EntriesAreAppendedInPrivateDirectoriesAndTruncated) {
  setenv("XDG_STATE_HOME", m_dir.File("a/b").c_str(), 1);
  const std::string log = m_dir.File("a/b/ostrel/corvane.log");
  CLog::Truncate();  // no log yet: nothing to do, nothing created
  EXPECT_FALSE(fs::exists(m_dir.File("a")));
  CLog::Bug(u"first", nullptr, nullptr, 0);
  for (const char* dir : {"a", "a/b", "a/b/ostrel"}) {
    struct stat info {};
    ASSERT_EQ(stat(m_dir.File(dir).c_str(), &info), 0) << dir;
    EXPECT_EQ(info.st_mode & 0777, 0700u) << dir;
  }
  CLog::Truncate();
  EXPECT_EQ(fs::file_size(log), 0u);
  CLog::Bug(u"again", nullptr, nullptr, 0);
  EXPECT_EQ(ReadLines(log).size(), 1u);
}

TEST_F(LogTest, UnwritableLocationIsSkippedInSilence) {
  WriteBytesToFile(m_dir.File("file"), "keep");
  setenv("XDG_STATE_HOME", m_dir.File("file/state").c_str(), 1);
  EXPECT_NO_THROW(CLog::Bug(u"lost", u"a", u"b", 1));
  EXPECT_NO_THROW(CLog::Bug2(u"lost %s", u"too"));
  EXPECT_NO_THROW(CLog::Truncate());
  EXPECT_EQ(ReadBytesFromFile(m_dir.File("file")), "keep");
}

}  // namespace
