// The log: where it lives, the text of its entries, and that it never fails its caller.
#include "libs/suppcore/Log.h"

#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <filesystem>
#include <regex>

#include "../platform/TempDir.h"

namespace {

namespace fs = std::filesystem;

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
  unsetenv("XDG_STATE_HOME");
  EXPECT_EQ(CLog::GetLogPath().ToUtf8(), fallback);
}

// Each entry is one line stamped with the time; line breaks inside become spaces, and the
// controls a file name may carry to the terminal that shows the log are escaped.
TEST_F(LogTest, EntriesAreLinesStampedWithTheTime) {
  CLog::Bug(u"Could not read column list", nullptr, nullptr, 0);
  CLog::Bug(u"m €", u"one", u"two", -7);
  CLog::Bug2(u"a\n%s", u"b\r\nc");
  CLog::Bug2(u"open %s", u"in\x1b]0;owned\x07\x7f\x9b.csv\tx");
  const std::string log = ReadBytesFromFile(m_log);
  const std::regex stamp(R"((^|\n)\d{4}-\d\d-\d\d \d\d:\d\d:\d\d )");
  EXPECT_EQ(std::regex_replace(log, stamp, "$1"),
            "Could not read column list\nm € one two (code -7)\na b  c\n"
            "open in\\x1b]0;owned\\x07\\x7f\\u009b.csv\\x09x\n")
      << log;
}

TEST_F(LogTest, EntriesAreAppendedInPrivateDirectoriesAndTruncated) {
  CLog::Truncate();  // no log yet: nothing to do, nothing created
  EXPECT_FALSE(fs::exists(m_dir.File("state")));
  CLog::Bug(u"first", nullptr, nullptr, 0);
  for (const char* dir : {"state", "state/ostrel"})
    EXPECT_EQ(fs::status(m_dir.File(dir)).permissions(), fs::perms::owner_all) << dir;
  CLog::Truncate();
  EXPECT_EQ(fs::file_size(m_log), 0u);
  CLog::Bug(u"again", nullptr, nullptr, 0);
  EXPECT_EQ(ReadBytesFromFile(m_log).substr(19), " again\n");
}

// A failure to log never reaches the caller, nor what stands in the log's way.
TEST_F(LogTest, UnwritableLocationIsSkippedInSilence) {
  WriteBytesToFile(m_dir.File("state"), "keep");
  CLog::Bug(u"lost", u"a", u"b", 1);
  CLog::Bug2(u"lost %s", u"too");
  CLog::Truncate();
  EXPECT_EQ(ReadBytesFromFile(m_dir.File("state")), "keep");
}

// A link or a FIFO at the log's place is neither followed, nor written, nor waited for.
TEST_F(LogTest, ALinkOrAFifoAtItsPlaceIsLeftUntouched) {
  CLog::Bug(u"first", nullptr, nullptr, 0);
  fs::rename(m_log, m_dir.File("target"));
  fs::create_symlink(m_dir.File("target"), m_log);
  CLog::Bug(u"lost", nullptr, nullptr, 0);
  CLog::Truncate();
  EXPECT_EQ(ReadBytesFromFile(m_dir.File("target")).substr(19), " first\n");
  fs::remove(m_log);
  ASSERT_EQ(mkfifo(m_log.c_str(), 0600), 0);
  CLog::Bug(u"lost", nullptr, nullptr, 0);  // no reader
  const int reader = open(m_log.c_str(), O_RDONLY | O_NONBLOCK);
  CLog::Bug(u"lost", nullptr, nullptr, 0);
  CLog::Truncate();
  char byte;
  EXPECT_EQ(read(reader, &byte, 1), 0) << "written into the FIFO";
  close(reader);
}

}  // namespace
