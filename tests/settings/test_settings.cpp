#include <errno.h>
#include <stdlib.h>
#include <string.h>
#include <sys/stat.h>

#include <climits>
#include <filesystem>
#include <fstream>
#include <set>
#include <sstream>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "app/Settings.h"
#include "app/SettingsKeys.h"
#include "libs/suppcore/Log.h"
#include "libs/suppcore/SettingsMessages.h"
#include "platform/core/SysCalls.h"

namespace fs = std::filesystem;
using namespace std::literals;

namespace {

std::string MakeTempDirectory() {
  std::string pattern = (fs::temp_directory_path() / "corvane-settings-XXXXXX").string();
  return mkdtemp(pattern.data()) ? pattern : std::string();
}

std::string ReadBytes(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  std::ostringstream bytes;
  bytes << in.rdbuf();
  return bytes.str();
}

void WriteBytes(const std::string& path, std::string_view bytes) {
  fs::create_directories(fs::path(path).parent_path());
  std::ofstream(path, std::ios::binary) << bytes;
}

std::set<std::string> Names(const std::string& directory) {
  std::set<std::string> names;
  for (const auto& item : fs::directory_iterator(directory))
    names.insert(item.path().filename().string());
  return names;
}

// The key lines of a store file, comments and the section line left out.
std::vector<std::string> KeyLines(const std::string& bytes) {
  std::vector<std::string> lines;
  std::istringstream in(bytes);
  for (std::string line; std::getline(in, line);)
    if (!line.empty() && line[0] != ';' && line[0] != '[')
      lines.push_back(line);
  return lines;
}

std::string Message(const char16_t* format, ...) {
  va_list args;
  va_start(args, format);
  CString text;
  text.FormatV(format, args);
  va_end(args);
  return text.ToUtf8();
}

// The log goes to a directory of its own for the whole run, never to the user's.
class LogEnvironment : public ::testing::Environment {
 public:
  void SetUp() override {
    m_directory = MakeTempDirectory();
    setenv("XDG_STATE_HOME", m_directory.c_str(), 1);
  }
  void TearDown() override { fs::remove_all(m_directory); }

 private:
  std::string m_directory;
};
const auto* const kLogEnvironment = ::testing::AddGlobalTestEnvironment(new LogEnvironment);

class SettingsTest : public ::testing::Test {
 protected:
  void SetUp() override {
    m_root = MakeTempDirectory();
    ASSERT_FALSE(m_root.empty());
    m_config = m_root + "/config";
    m_store = m_config + "/ostrel/corvane.ini";
    setenv("XDG_CONFIG_HOME", m_config.c_str(), 1);
    m_umask = umask(022);
    CLog::Truncate();
  }
  void TearDown() override {
    umask(m_umask);
    unsetenv("XDG_CONFIG_HOME");
    fs::remove_all(m_root);
  }
  static std::string Log() { return ReadBytes(CLog::GetLogPath().ToUtf8()); }
  CString StorePath() const { return CString::FromUtf8(m_store); }

  std::string m_root;
  std::string m_config;
  std::string m_store;
  mode_t m_umask = 0;
};

struct KeyValue {
  const char16_t* key;
  const char16_t* value;
};

constexpr KeyValue kDefaults[] = {
    {SettingsKey::kTextFileName, u""},   {SettingsKey::kJSONFileName, u""},
    {SettingsKey::kSeparator, u"<tab>"}, {SettingsKey::kCustom, u""},
    {SettingsKey::kFormat, u"JSON"},
};

void ExpectDefaults(const _Settings& settings) {
  for (const KeyValue& expected : kDefaults)
    EXPECT_EQ(settings.getStr(expected.key), expected.value) << CString(expected.key).ToUtf8();
}

TEST_F(SettingsTest, FirstRunGivesTheDefaultsAndCreatesNothing) {
  CSettings settings;
  EXPECT_EQ(settings.GetPath(), m_store);
  settings.LoadData();
  ExpectDefaults(settings);
  EXPECT_FALSE(fs::exists(m_config));
  EXPECT_EQ(Log(), "");
}

TEST_F(SettingsTest, SavedValuesComeBackInANewStore) {
  constexpr KeyValue kSaved[] = {
      {SettingsKey::kTextFileName, u"/home/me/cities.txt"},
      {SettingsKey::kJSONFileName, u"/home/me/cities.json"},
      {SettingsKey::kSeparator, u"|"},
      {SettingsKey::kCustom, u";"},
      {SettingsKey::kFormat, u"BSON"},
  };
  {
    CSettings first;
    first.LoadData();
    for (const KeyValue& item : kSaved)
      first.setStr(item.key, item.value);
    first.SaveData();
  }
  CSettings second;
  ExpectDefaults(second);  // nothing is read before LoadData
  second.LoadData();
  for (const KeyValue& item : kSaved)
    EXPECT_EQ(second.getStr(item.key), item.value);
  EXPECT_EQ(Log(), "");
}

TEST_F(SettingsTest, KeysAreWrittenInRegistrationOrder) {
  CSettings settings;
  settings.setStr(u"Later", u"1");
  settings.Add(u"Latest", S_STRING, 0, u"2");
  settings.SaveData();
  std::vector<std::string> expected = {
      "TextFileName=\"\"", "JSONFileName=\"\"", "Separator=\"<tab>\"", "Custom=\"\"",
      "Format=\"JSON\"",   "Later=\"1\"",       "Latest=\"2\""};
  EXPECT_EQ(KeyLines(ReadBytes(m_store)), expected);
}

TEST_F(SettingsTest, SavingLeavesOnlyTheStoreInPrivateDirectories) {
  CSettings settings;
  settings.SaveData();
  settings.setStr(SettingsKey::kFormat, u"BSON");
  settings.SaveData();  // over an existing store
  std::string directory = m_config + "/ostrel";
  EXPECT_EQ(Names(directory), std::set<std::string>{"corvane.ini"});
  struct stat info;
  for (const std::string& created : {m_config, directory}) {
    ASSERT_EQ(stat(created.c_str(), &info), 0);
    EXPECT_EQ(info.st_mode & 07777, 0700u) << created;
  }
  ASSERT_EQ(stat(m_store.c_str(), &info), 0);
  EXPECT_EQ(info.st_mode & 07777, 0600u);
  EXPECT_EQ(Log(), "");
}

TEST_F(SettingsTest, UnknownKeysInTheFileSurviveALoadAndSave) {
  WriteBytes(m_store, "[corvane]\nWindow.Left=\"12\"\nFormat=\"BSON\"\n\"=odd key\"=\"a\\tb\"\n");
  {
    CSettings settings;
    settings.LoadData();
    EXPECT_EQ(settings.getInt(u"Window.Left"), 12);
    settings.SaveData();
  }
  std::vector<std::string> expected = {
      "TextFileName=\"\"", "JSONFileName=\"\"",  "Separator=\"<tab>\"",   "Custom=\"\"",
      "Format=\"BSON\"",   "Window.Left=\"12\"", "\"=odd key\"=\"a\\tb\""};
  EXPECT_EQ(KeyLines(ReadBytes(m_store)), expected);
  CSettings again;
  again.LoadData();
  EXPECT_EQ(again.getStr(u"=odd key"), u"a\tb");
}

TEST_F(SettingsTest, SaveInAnUnwritablePlaceIsLoggedAndSurvived) {
  WriteBytes(m_root + "/blocker", "a file where a directory should be");
  std::string path = m_root + "/blocker/ostrel/corvane.ini";
  CSettings settings;
  settings.SetPath(path);
  settings.SaveData();
  EXPECT_FALSE(fs::exists(path));
  EXPECT_NE(Log().find(Message(SettingsMessages::kNotSaved, CString::FromUtf8(path).GetString(),
                               CString::FromUtf8(strerror(ENOTDIR)).GetString())),
            std::string::npos)
      << Log();
}

TEST_F(SettingsTest, AFailedWriteKeepsTheOldStoreAndLeavesNoTemporaryFile) {
  CSettings settings;
  settings.setStr(SettingsKey::kFormat, u"BSON");
  settings.SaveData();
  std::string before = ReadBytes(m_store);
  SysCalls failing = ActiveSysCalls();
  failing.write = [](int, const void*, size_t) -> ssize_t {
    errno = ENOSPC;
    return -1;
  };
  {
    ScopedSysCalls fullDisk(failing);
    settings.setStr(SettingsKey::kFormat, u"JSON");
    settings.SaveData();
  }
  EXPECT_EQ(ReadBytes(m_store), before);
  EXPECT_EQ(Names(m_config + "/ostrel"), std::set<std::string>{"corvane.ini"});
  EXPECT_NE(Log().find(Message(SettingsMessages::kNotSaved, StorePath().GetString(),
                               CString::FromUtf8(strerror(ENOSPC)).GetString())),
            std::string::npos)
      << Log();
}

TEST_F(SettingsTest, AStoreThatIsNotAFileGivesTheDefaults) {
  fs::create_directories(m_store);
  CSettings settings;
  settings.LoadData();
  ExpectDefaults(settings);
  EXPECT_NE(Log().find(Message(SettingsMessages::kUnreadable, StorePath().GetString(),
                               SettingsMessages::kNotRegularFile)),
            std::string::npos)
      << Log();
}

TEST_F(SettingsTest, IntegersAreStoredAsDecimalText) {
  CSettings settings;
  settings.Add(u"Width", S_INT, 640, nullptr);
  EXPECT_EQ(settings.getInt(u"Width"), 640);
  settings.setInt(u"Width", -7);
  EXPECT_EQ(settings.getStr(u"Width"), u"-7");
  struct Case {
    const char16_t* text;
    int expected;
  };
  const Case kCases[] = {{u"12", 12},
                         {u"-3", -3},
                         {u"-2147483648", INT_MIN},
                         {u"", 99},
                         {u"abc", 99},
                         {u"12a", 99},
                         {u" 1", 99},
                         {u"+1", 99},
                         {u"2147483648", 99},
                         {u"\x0661\x0662", 99}};
  for (const Case& item : kCases) {
    settings.setStr(u"Number", item.text);
    EXPECT_EQ(settings.getInt(u"Number", 99), item.expected) << CString(item.text).ToUtf8();
  }
}

// Where the store lives, by the base directory rules; '@' stands for the test's directory.
struct PathCase {
  const char* name;
  const char* xdgConfigHome;  // nullptr: unset
  const char* expected;
};

class SettingsPathTest : public SettingsTest, public ::testing::WithParamInterface<PathCase> {};

std::string Expand(const std::string& text, const std::string& root) {
  return text.empty() || text[0] != '@' ? text : root + text.substr(1);
}

TEST_P(SettingsPathTest, FollowsTheBaseDirectoryRules) {
  std::string savedHome = getenv("HOME") ? getenv("HOME") : "";
  setenv("HOME", (m_root + "/home").c_str(), 1);
  if (GetParam().xdgConfigHome)
    setenv("XDG_CONFIG_HOME", Expand(GetParam().xdgConfigHome, m_root).c_str(), 1);
  else
    unsetenv("XDG_CONFIG_HOME");
  _Settings settings;
  EXPECT_EQ(settings.GetPath(), Expand(GetParam().expected, m_root));
  setenv("HOME", savedHome.c_str(), 1);
}

INSTANTIATE_TEST_SUITE_P(
    Paths, SettingsPathTest,
    ::testing::Values(PathCase{"Set", "@/xdg", "@/xdg/ostrel/corvane.ini"},
                      PathCase{"Unset", nullptr, "@/home/.config/ostrel/corvane.ini"},
                      PathCase{"Empty", "", "@/home/.config/ostrel/corvane.ini"},
                      PathCase{"Relative", "rel/config", "@/home/.config/ostrel/corvane.ini"}),
    [](const auto& info) { return std::string(info.param.name); });

// Texts that an INI file is prone to lose or change.
struct TextCase {
  const char* name;
  std::u16string_view text;
};

class SettingsRoundTripTest : public SettingsTest,
                              public ::testing::WithParamInterface<TextCase> {};

TEST_P(SettingsRoundTripTest, TextComesBackExactlyAsValueAndAsKey) {
  std::u16string text(GetParam().text);
  {
    CSettings first;
    first.setStr(SettingsKey::kCustom, CString(text));
    first.setStr(text.c_str(), u"under a tricky key");
    first.SaveData();
  }
  std::string bytes = ReadBytes(m_store);
  // One line per key: nothing in a text may break the line structure.
  EXPECT_EQ(KeyLines(bytes).size(), 6u) << bytes;
  CSettings second;
  second.LoadData();
  EXPECT_EQ(second.getStr(SettingsKey::kCustom).Str(), text) << bytes;
  EXPECT_EQ(second.getStr(text.c_str()), u"under a tricky key") << bytes;
  EXPECT_EQ(Log(), "");
}

INSTANTIATE_TEST_SUITE_P(
    Texts, SettingsRoundTripTest,
    ::testing::Values(TextCase{"Empty", u""}, TextCase{"LeadingSpaces", u"  lead"},
                      TextCase{"TrailingSpaces", u"trail  "}, TextCase{"OnlySpaces", u"   "},
                      TextCase{"Equals", u"a=b=c"}, TextCase{"Semicolon", u"; not a comment"},
                      TextCase{"Hash", u"# nor this"}, TextCase{"Section", u"[corvane]"},
                      TextCase{"Quotes", u"\"quoted\" and \"\""},
                      TextCase{"Backslashes", u"C:\\dir\\ \\u0041 \\n"},
                      TextCase{"TrailingBackslash", u"end\\"}, TextCase{"Tab", u"\t"},
                      TextCase{"LineBreaks", u"one\ntwo\r\nthree\r"},
                      TextCase{"Controls", u"\x01\x1f\x7f"sv}, TextCase{"Nul", u"a\0b"sv},
                      TextCase{"NonAscii", u"Zürich — 東京"},
                      TextCase{"Supplementary", u"\U0001F600 and \U00010348"},
                      TextCase{"LoneSurrogates", u"\xD83D x \xDE00"sv},
                      TextCase{"ReversedPair", u"\xDE00\xD83D"sv}),
    [](const auto& info) { return std::string(info.param.name); });

// A store this program did not write, or a damaged one.
struct MalformedCase {
  const char* name;
  std::string_view bytes;
  int line;
  const char16_t* reason;
};

class SettingsMalformedTest : public SettingsTest,
                              public ::testing::WithParamInterface<MalformedCase> {};

TEST_P(SettingsMalformedTest, GivesTheDefaultsAndKeepsTheFileUntilSaved) {
  WriteBytes(m_store, GetParam().bytes);
  std::string directory = m_config + "/ostrel";
  {
    CSettings settings;
    settings.setStr(SettingsKey::kFormat, u"set before loading");
    settings.LoadData();
    ExpectDefaults(settings);
    EXPECT_EQ(ReadBytes(m_store), GetParam().bytes);
    EXPECT_EQ(Names(directory), std::set<std::string>{"corvane.ini"});
    EXPECT_NE(Log().find(Message(SettingsMessages::kMalformed, StorePath().GetString(),
                                 GetParam().line, GetParam().reason)),
              std::string::npos)
        << Log();
    settings.setStr(SettingsKey::kCustom, u"x");
    settings.SaveData();
  }
  CLog::Truncate();
  CSettings again;
  again.LoadData();
  EXPECT_EQ(again.getStr(SettingsKey::kCustom), u"x");
  EXPECT_EQ(again.getStr(SettingsKey::kFormat), u"JSON");
  EXPECT_EQ(Log(), "");
}

using namespace SettingsMessages;
INSTANTIATE_TEST_SUITE_P(
    Stores, SettingsMalformedTest,
    ::testing::Values(
        MalformedCase{"NoEquals", "[corvane]\nFormat=\"BSON\"\nCustom \"x\"\n", 3, kBadLine},
        MalformedCase{"BareValue", "[corvane]\nFormat=BSON\n", 2, kBadLine},
        MalformedCase{"EmptyBareKey", "[corvane]\n=\"x\"\n", 2, kBadLine},
        MalformedCase{"JunkAfterQuote", "[corvane]\nFormat=\"BSON\" ; note\n", 2, kBadLine},
        MalformedCase{"BadEscape", "[corvane]\nFormat=\"BSON\"\nCustom=\"\\q\"\n", 3, kBadEscape},
        MalformedCase{"ShortUnitEscape", "[corvane]\nCustom=\"\\u12\"\n", 2, kBadEscape},
        MalformedCase{"InvalidUtf8", "[corvane]\nFormat=\"BSON\"\nCustom=\"\xC3(\"\n", 3, kBadUtf8},
        MalformedCase{"OverlongUtf8", "[corvane]\n\nCustom=\"\xC0\xAF\"\n", 3, kBadUtf8},
        MalformedCase{"EncodedSurrogate", "[corvane]\nCustom=\"\xED\xA0\x80\"\n", 2, kBadUtf8},
        MalformedCase{"CutUtf8AtEnd", "[corvane]\nCustom=\"\xE2\x82", 2, kBadUtf8},
        MalformedCase{"Latin1", "[corvane]\nCustom=\"Z\xFCrich\"\n", 2, kBadUtf8},
        MalformedCase{"Unterminated", "[corvane]\nFormat=\"BSON\nCustom=\"\"\n", 2, kUnterminated},
        MalformedCase{"BackslashAtEnd", "[corvane]\nFormat=\"BSON\\\n", 2, kUnterminated},
        MalformedCase{"RawTab", "[corvane]\nFormat=\"BS\tON\"\n", 2, kControlCharacter},
        MalformedCase{"OtherSection", "[corvane]\nFormat=\"BSON\"\n[other]\n", 3, kBadSection},
        MalformedCase{"BeforeSection", "Format=\"BSON\"\n[corvane]\n", 1, kOutsideSection},
        MalformedCase{"DuplicateKey", "[corvane]\nFormat=\"BSON\"\nFormat=\"JSON\"\n", 3,
                      kDuplicateKey}),
    [](const auto& info) { return std::string(info.param.name); });

// What an editor may leave in a store that is still read.
struct AcceptedCase {
  const char* name;
  std::string_view bytes;
};

class SettingsAcceptedTest : public SettingsTest,
                             public ::testing::WithParamInterface<AcceptedCase> {};

TEST_P(SettingsAcceptedTest, IsRead) {
  WriteBytes(m_store, GetParam().bytes);
  CSettings settings;
  settings.LoadData();
  EXPECT_EQ(settings.getStr(SettingsKey::kFormat), u"BSON");
  EXPECT_EQ(settings.getStr(SettingsKey::kSeparator), u"<tab>");
  EXPECT_EQ(Log(), "");
}

INSTANTIATE_TEST_SUITE_P(
    Stores, SettingsAcceptedTest,
    ::testing::Values(
        AcceptedCase{"CrLf", "[corvane]\r\nFormat=\"BSON\"\r\n"},
        AcceptedCase{"CommentsAndBlankLines", "; a\n# b\n\n[corvane]\n  ; c\nFormat=\"BSON\"\n"},
        AcceptedCase{"Blanks", " [corvane] \n \tFormat \t=  \"BSON\"\t \n"},
        AcceptedCase{"MarkNoFinalLineFeed", "\xEF\xBB\xBF[corvane]\nFormat=\"BSON\""},
        AcceptedCase{"QuotedKeyAndEscapes", "[corvane]\n\"Format\"=\"\\u0042S\\u004fN\"\n"}),
    [](const auto& info) { return std::string(info.param.name); });

}  // namespace
