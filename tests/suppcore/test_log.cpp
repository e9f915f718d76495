// The log: where it lives, the text of its entries, and that it never fails its caller.
#include "libs/suppcore/Log.h"

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdlib>
#include <ctime>
#include <filesystem>
#include <fstream>
#include <functional>
#include <iomanip>
#include <optional>
#include <regex>
#include <sstream>

namespace {

namespace fs = std::filesystem;

class ScopedEnv {
 public:
  explicit ScopedEnv(const char* name) : m_name(name) {
    if (const char* value = std::getenv(name))
      m_saved = value;
  }
  ~ScopedEnv() {
    if (m_saved)
      setenv(m_name, m_saved->c_str(), 1);
    else
      unsetenv(m_name);
  }
  void Set(const std::string& value) { setenv(m_name, value.c_str(), 1); }
  void Unset() { unsetenv(m_name); }

 private:
  const char* m_name;
  std::optional<std::string> m_saved;
};

std::vector<std::string> ReadLines(const fs::path& path) {
  std::ifstream in(path);
  std::vector<std::string> lines;
  for (std::string line; std::getline(in, line);)
    lines.push_back(line);
  return lines;
}

class LogTest : public testing::Test {
 protected:
  void SetUp() override {
    std::string pattern = testing::TempDir() + "logtest_XXXXXX";
    ASSERT_NE(mkdtemp(pattern.data()), nullptr);
    m_dir = pattern;
    m_state.Set((m_dir / "state").string());
    m_home.Set((m_dir / "home").string());
  }
  void TearDown() override { fs::remove_all(m_dir); }

  fs::path LogFile() const { return m_dir / "state" / "ostrel" / "corvane.log"; }

  fs::path m_dir;
  ScopedEnv m_state{"XDG_STATE_HOME"};
  ScopedEnv m_home{"HOME"};
};

TEST_F(LogTest, PathFollowsTheStateDirectory) {
  EXPECT_EQ(CLog::GetLogPath().ToUtf8(), LogFile().string());
  const std::string fallback = (m_dir / "home/.local/state/ostrel/corvane.log").string();
  m_state.Set("");
  EXPECT_EQ(CLog::GetLogPath().ToUtf8(), fallback);
  m_state.Set("relative/state");
  EXPECT_EQ(CLog::GetLogPath().ToUtf8(), fallback);
  m_state.Unset();
  EXPECT_EQ(CLog::GetLogPath().ToUtf8(), fallback);
}

struct EntryCase {
  const char* label;
  std::function<void()> log;
  std::string message;
};

const EntryCase kEntries[] = {
    {"BugAlone", [] { CLog::Bug(u"Could not read column list", nullptr, nullptr, 0); },
     "Could not read column list"},
    {"BugFirstDetail", [] { CLog::Bug(u"m", u"one", nullptr, 0); }, "m one"},
    {"BugSecondDetail", [] { CLog::Bug(u"m", nullptr, u"two", 0); }, "m two"},
    {"BugEverything", [] { CLog::Bug(u"m", u"one", u"two", 7); }, "m one two (code 7)"},
    {"BugNegativeCode", [] { CLog::Bug(u"m", nullptr, nullptr, -2); }, "m (code -2)"},
    {"BugEmptyDetail", [] { CLog::Bug(u"m", u"", nullptr, 0); }, "m "},
    {"Bug2Path", [] { CLog::Bug2(u"Could not open '%s' for read.", u"/tmp/in put.csv"); },
     "Could not open '/tmp/in put.csv' for read."},
    {"Bug2NonAscii",
     [] { CLog::Bug2(u"Could not open or create destination file '%s'", u"/tmp/Größe €.json"); },
     "Could not open or create destination file '/tmp/Gr\xC3\xB6\xC3\x9F"
     "e \xE2\x82\xAC.json'"},
    {"Bug2Number", [] { CLog::Bug2(u"%d lines left out", 42); }, "42 lines left out"},
    {"LineBreaksBecomeSpaces", [] { CLog::Bug2(u"a\n%s", u"b\r\nc"); }, "a b  c"},
};

void PrintTo(const EntryCase& c, std::ostream* os) {
  *os << c.label;
}

class LogEntries : public LogTest, public testing::WithParamInterface<EntryCase> {};

TEST_P(LogEntries, AppendsOneTimestampedLine) {
  std::time_t before = std::time(nullptr);
  GetParam().log();
  std::time_t after = std::time(nullptr);

  std::vector<std::string> lines = ReadLines(LogFile());
  ASSERT_EQ(lines.size(), 1u);
  const std::string& line = lines[0];
  ASSERT_TRUE(std::regex_match(line, std::regex(R"(\d{4}-\d\d-\d\d \d\d:\d\d:\d\d .*)"))) << line;
  EXPECT_EQ(line.substr(20), GetParam().message);

  std::tm stamp{};
  std::istringstream(line.substr(0, 19)) >> std::get_time(&stamp, "%Y-%m-%d %H:%M:%S");
  stamp.tm_isdst = -1;
  std::time_t logged = std::mktime(&stamp);
  EXPECT_GE(logged, before);
  EXPECT_LE(logged, after);
}

INSTANTIATE_TEST_SUITE_P(Entries, LogEntries, testing::ValuesIn(kEntries),
                         [](const auto& info) { return std::string(info.param.label); });

TEST_F(LogTest, EntriesAreAppendedAndDirectoriesCreatedPrivate) {
  m_state.Set((m_dir / "a" / "b").string());
  CLog::Bug(u"first", nullptr, nullptr, 0);
  CLog::Bug2(u"second %s", u"entry");
  fs::path log = m_dir / "a" / "b" / "ostrel" / "corvane.log";
  std::vector<std::string> lines = ReadLines(log);
  ASSERT_EQ(lines.size(), 2u);
  EXPECT_EQ(lines[0].substr(20), "first");
  EXPECT_EQ(lines[1].substr(20), "second entry");
  for (fs::path dir : {m_dir / "a", m_dir / "a" / "b", m_dir / "a" / "b" / "ostrel"}) {
    struct stat info {};
    ASSERT_EQ(stat(dir.c_str(), &info), 0) << dir;
    EXPECT_EQ(info.st_mode & 0777, 0700u) << dir;
  }
}

TEST_F(LogTest, UnwritableLocationIsSkippedInSilence) {
  fs::path blocker = m_dir / "file";
  std::ofstream(blocker) << "keep";
  m_state.Set((blocker / "state").string());
  EXPECT_NO_THROW(CLog::Bug(u"lost", u"a", u"b", 1));
  EXPECT_NO_THROW(CLog::Bug2(u"lost %s", u"too"));
  EXPECT_NO_THROW(CLog::Truncate());
  EXPECT_TRUE(fs::is_regular_file(blocker));
  EXPECT_EQ(ReadLines(blocker), std::vector<std::string>{"keep"});
}

TEST_F(LogTest, TruncateEmptiesTheLog) {
  CLog::Truncate();  // no log yet: nothing to do, nothing created
  EXPECT_FALSE(fs::exists(LogFile()));
  CLog::Bug(u"entry", nullptr, nullptr, 0);
  ASSERT_EQ(ReadLines(LogFile()).size(), 1u);
  CLog::Truncate();
  EXPECT_EQ(fs::file_size(LogFile()), 0u);
  CLog::Bug(u"again", nullptr, nullptr, 0);
  EXPECT_EQ(ReadLines(LogFile()).size(), 1u);
}

}  // namespace
