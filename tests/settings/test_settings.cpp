#include <errno.h>
#include <stdlib.h>
#include <sys/stat.h>

#include <algorithm>
#include <climits>
#include <filesystem>
#include <set>
#include <sstream>
#include <string>

#include <gtest/gtest.h>

#include "../platform/TempDir.h"
#include "app/Settings.h"
#include "libs/suppcore/Log.h"
#include "libs/suppcore/SettingsMessages.h"
#include "platform/core/SysCalls.h"

namespace fs = std::filesystem;
using namespace std::literals;
using namespace SettingsMessages;

namespace SettingsKey {
inline constexpr const char16_t* kTextFileName = u"TextFileName";
inline constexpr const char16_t* kJSONFileName = u"JSONFileName";
inline constexpr const char16_t* kSeparator = u"Separator";
inline constexpr const char16_t* kCustom = u"Custom";
inline constexpr const char16_t* kFormat = u"Format";
}  // namespace SettingsKey

namespace {

const auto kRowName = [](const auto& info) { return std::string(info.param.name); };

std::set<std::string> Names(const std::string& directory) {
  std::set<std::string> names;
  for (const auto& item : fs::directory_iterator(directory))
    names.insert(item.path().filename().string());
  return names;
}

mode_t ModeOf(const std::string& path) {
  struct stat info {};
  stat(path.c_str(), &info);
  return info.st_mode & 07777;
}

// The key lines of a store file, comments and the section line left out.
std::string KeyLines(const std::string& bytes) {
  std::string lines;
  std::istringstream in(bytes);
  for (std::string line; std::getline(in, line);)
    if (!line.empty() && line[0] != ';' && line[0] != '[')
      lines += line + "\n";
  return lines;
}

class SettingsTest : public ::testing::Test {
 protected:
  // The store and the log go to the test's own directory, never to the user's.
  void SetUp() override {
    setenv("XDG_CONFIG_HOME", m_config.c_str(), 1);
    setenv("XDG_STATE_HOME", m_dir.File("state").c_str(), 1);
    m_umask = umask(022);
  }
  void TearDown() override {
    umask(m_umask);
    unsetenv("XDG_CONFIG_HOME");
  }
  void WriteStore(const std::string& bytes) const {
    fs::create_directories(m_ostrel);
    WriteBytesToFile(m_store, bytes);
  }
  static std::string Log() { return ReadBytesFromFile(CLog::GetLogPath().ToUtf8()); }
  // Whether the log holds the message made of format and its arguments.
  template <typename... Args>
  static bool Logged(const char16_t* format, Args... args) {
    CString text;
    text.Format(format, args...);
    return Log().find(text.ToUtf8()) != std::string::npos;
  }

  TempDir m_dir;
  const std::string m_config = m_dir.File("config");
  const std::string m_ostrel = m_config + "/ostrel";
  const std::string m_store = m_ostrel + "/corvane.ini";
  const CString m_wstore = CString::FromUtf8(m_store);
  mode_t m_umask = 0;
};

void ExpectDefaults(const _Settings& settings) {
  EXPECT_EQ(settings.getStr(SettingsKey::kTextFileName), u"");
  EXPECT_EQ(settings.getStr(SettingsKey::kJSONFileName), u"");
  EXPECT_EQ(settings.getStr(SettingsKey::kSeparator), u"<tab>");
  EXPECT_EQ(settings.getStr(SettingsKey::kCustom), u"");
  EXPECT_EQ(settings.getStr(SettingsKey::kFormat), u"JSON");
}

TEST_F(SettingsTest, FirstRunGivesTheDefaultsAndCreatesNothingUntilSaved) {
  CSettings settings;
  EXPECT_EQ(settings.GetPath(), m_store);
  settings.LoadData();
  ExpectDefaults(settings);
  EXPECT_FALSE(fs::exists(m_config));
  settings.SaveData();
  settings.SaveData();  // over its own store
  EXPECT_EQ(Names(m_ostrel), std::set<std::string>{"corvane.ini"}) << "no temporary file left";
  EXPECT_EQ(ModeOf(m_config), 0700u);
  EXPECT_EQ(ModeOf(m_ostrel), 0700u);
  EXPECT_EQ(ModeOf(m_store), 0600u);
  EXPECT_EQ(Log(), "");
}

// Keys in registration order, those of the file that this program does not know kept.
TEST_F(SettingsTest, SavedValuesAndUnknownKeysComeBack) {
  WriteStore("[corvane]\nWindow.Left=\"12\"\nFormat=\"BSON\"\n\"=odd key\"=\"a\\tb\"\n");
  {
    CSettings first;
    first.LoadData();
    EXPECT_EQ(first.getInt(u"Window.Left"), 12);
    first.setStr(SettingsKey::kSeparator, u"|");
    first.Add(u"Later", S_STRING, 0, u"2");
    first.SaveData();
  }
  EXPECT_EQ(KeyLines(ReadBytesFromFile(m_store)),
            "TextFileName=\"\"\nJSONFileName=\"\"\nSeparator=\"|\"\nCustom=\"\"\nFormat=\"BSON\"\n"
            "Window.Left=\"12\"\n\"=odd key\"=\"a\\tb\"\nLater=\"2\"\n");
  CSettings second;
  ExpectDefaults(second);  // nothing is read before LoadData
  second.LoadData();
  EXPECT_EQ(second.getStr(SettingsKey::kSeparator), u"|");
  EXPECT_EQ(second.getStr(SettingsKey::kFormat), u"BSON");
  EXPECT_EQ(second.getStr(u"=odd key"), u"a\tb");
  EXPECT_EQ(second.getStr(u"Later"), u"2");
  EXPECT_EQ(Log(), "");
}

// A save that fails, where a file stands in for a directory or on a full disk, is logged
// and keeps the store as it was, with no temporary file beside it.
TEST_F(SettingsTest, AFailedSaveIsLoggedAndKeepsTheOldStore) {
  CSettings settings;
  const std::string blocked = m_dir.File("blocker/ostrel/corvane.ini");
  WriteBytesToFile(m_dir.File("blocker"), "a file where a directory should be");
  settings.SetPath(blocked);
  settings.SaveData();
  EXPECT_TRUE(Logged(kNotSaved, CString::FromUtf8(blocked).GetString(), u"Not a directory"));

  settings.SetPath(m_store);
  settings.setStr(SettingsKey::kFormat, u"BSON");
  settings.SaveData();
  const std::string before = ReadBytesFromFile(m_store);
  SysCalls failing = ActiveSysCalls();
  failing.write = [](int, const void*, size_t) -> ssize_t { return errno = ENOSPC, -1; };
  {
    ScopedSysCalls fullDisk(failing);
    settings.setStr(SettingsKey::kFormat, u"JSON");
    settings.SaveData();
  }
  EXPECT_EQ(ReadBytesFromFile(m_store), before);
  EXPECT_EQ(Names(m_ostrel), std::set<std::string>{"corvane.ini"});
  EXPECT_TRUE(Logged(kNotSaved, m_wstore.GetString(), u"No space left on device")) << Log();
}

TEST_F(SettingsTest, AStoreThatIsNotAFileGivesTheDefaults) {
  fs::create_directories(m_store);
  CSettings settings;
  settings.LoadData();
  ExpectDefaults(settings);
  EXPECT_TRUE(Logged(kUnreadable, m_wstore.GetString(), kNotRegularFile)) << Log();
}

TEST_F(SettingsTest, IntegersAreStoredAsDecimalText) {
  CSettings settings;
  settings.setInt(u"Width", -7);
  EXPECT_EQ(settings.getStr(u"Width"), u"-7");
  const std::pair<const char16_t*, int> kCases[] = {
      {u"-2147483648", INT_MIN}, {u"", 99}, {u"12a", 99}, {u"2147483648", 99}, {u"\x0661", 99},
  };
  for (const auto& [text, expected] : kCases) {
    settings.setStr(u"Number", text);
    EXPECT_EQ(settings.getInt(u"Number", 99), expected) << CString(text).ToUtf8();
  }
}

// Where the store lives by the base directory rules: only an absolute $XDG_CONFIG_HOME
// counts.
TEST_F(SettingsTest, PathFollowsTheBaseDirectoryRules) {
  const std::string savedHome = getenv("HOME") ? getenv("HOME") : "";
  setenv("HOME", m_dir.File("home").c_str(), 1);
  const std::string fallback = m_dir.File("home/.config/ostrel/corvane.ini");
  for (const char* ignored : {"", "rel/config"}) {
    setenv("XDG_CONFIG_HOME", ignored, 1);
    EXPECT_EQ(_Settings().GetPath(), fallback) << ignored;
  }
  unsetenv("XDG_CONFIG_HOME");
  EXPECT_EQ(_Settings().GetPath(), fallback);
  setenv("XDG_CONFIG_HOME", m_dir.File("xdg").c_str(), 1);
  EXPECT_EQ(_Settings().GetPath(), m_dir.File("xdg/ostrel/corvane.ini"));
  setenv("HOME", savedHome.c_str(), 1);
}

// Texts that an INI file is prone to lose or change.
struct TextCase {
  const char* name;
  std::u16string_view text;
};

class SettingsRoundTripTest : public SettingsTest,
                              public ::testing::WithParamInterface<TextCase> {};

TEST_P(SettingsRoundTripTest, TextComesBackExactlyAsValueAndAsKey) {
  const std::u16string text(GetParam().text);
  {
    CSettings first;
    first.setStr(SettingsKey::kCustom, CString(text));
    first.setStr(text.c_str(), u"under a tricky key");
    first.SaveData();
  }
  const std::string bytes = ReadBytesFromFile(m_store);
  // One line per key: nothing in a text may break the line structure.
  const std::string lines = KeyLines(bytes);
  EXPECT_EQ(std::count(lines.begin(), lines.end(), '\n'), 6) << bytes;
  CSettings second;
  second.LoadData();
  EXPECT_EQ(second.getStr(SettingsKey::kCustom).Str(), text) << bytes;
  EXPECT_EQ(second.getStr(text.c_str()), u"under a tricky key") << bytes;
  EXPECT_EQ(Log(), "");
}

const TextCase kTexts[] = {
    {"Empty", u""},
    {"OuterSpaces", u"  both  "},
    {"OnlySpaces", u"   "},
    {"Equals", u"a=b=c"},
    {"Semicolon", u"; not a comment"},
    {"Hash", u"# nor this"},
    {"Section", u"[corvane]"},
    {"Quotes", u"\"quoted\" and \"\""},
    {"Backslashes", u"C:\\dir\\ \\u0041 \\n"},
    {"TrailingBackslash", u"end\\"},
    {"LineBreaks", u"one\ntwo\r\nthree\r"},
    {"Controls", u"\t\x01\x1f\x7f"sv},
    {"Nul", u"a\0b"sv},
    {"NonAscii", u"Zürich — 東京 \U0001F600"},
    {"LoneSurrogates", u"\xD83D x \xDE00 \xDE00\xD83D"sv},
};
INSTANTIATE_TEST_SUITE_P(Texts, SettingsRoundTripTest, ::testing::ValuesIn(kTexts), kRowName);

// A store this program did not write, or a damaged one.
struct MalformedCase {
  const char* name;
  std::string bytes;
  int line;
  const char16_t* reason;
};

class SettingsMalformedTest : public SettingsTest,
                              public ::testing::WithParamInterface<MalformedCase> {};

TEST_P(SettingsMalformedTest, GivesTheDefaultsAndKeepsTheFileUntilSaved) {
  WriteStore(GetParam().bytes);
  {
    CSettings settings;
    settings.setStr(SettingsKey::kFormat, u"set before loading");
    settings.LoadData();
    ExpectDefaults(settings);
    EXPECT_EQ(ReadBytesFromFile(m_store), GetParam().bytes);
    EXPECT_EQ(Names(m_ostrel), std::set<std::string>{"corvane.ini"});
    EXPECT_TRUE(Logged(kMalformed, m_wstore.GetString(), GetParam().line, GetParam().reason))
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

const MalformedCase kMalformed[] = {
    {"NoEquals", "[corvane]\nFormat=\"BSON\"\nCustom \"x\"\n", 3, kBadLine},
    {"BareValue", "[corvane]\nFormat=BSON\n", 2, kBadLine},
    {"JunkAfterQuote", "[corvane]\nFormat=\"BSON\" ; note\n", 2, kBadLine},
    {"BadEscape", "[corvane]\nFormat=\"BSON\"\nCustom=\"\\q\"\n", 3, kBadEscape},
    {"ShortUnitEscape", "[corvane]\nCustom=\"\\u12\"\n", 2, kBadEscape},
    {"Latin1", "[corvane]\n\nCustom=\"Z\xFCrich\"\n", 3, kBadUtf8},
    {"EncodedSurrogate", "[corvane]\nCustom=\"\xED\xA0\x80\"\n", 2, kBadUtf8},
    {"Unterminated", "[corvane]\nFormat=\"BSON\nCustom=\"\"\n", 2, kUnterminated},
    {"BackslashAtEnd", "[corvane]\nFormat=\"BSON\\\n", 2, kUnterminated},
    {"RawTab", "[corvane]\nFormat=\"BS\tON\"\n", 2, kControlCharacter},
    {"OtherSection", "[corvane]\nFormat=\"BSON\"\n[other]\n", 3, kBadSection},
    {"BeforeSection", "Format=\"BSON\"\n[corvane]\n", 1, kOutsideSection},
    {"DuplicateKey", "[corvane]\nFormat=\"BSON\"\nFormat=\"JSON\"\n", 3, kDuplicateKey},
};
INSTANTIATE_TEST_SUITE_P(Stores, SettingsMalformedTest, ::testing::ValuesIn(kMalformed), kRowName);

// What an editor may leave in a store that is still read.
TEST_F(SettingsTest, EditedStoresAreRead) {
  const std::string kStores[] = {
      "[corvane]\r\nFormat=\"BSON\"\r\n", "; a\n# b\n\n[corvane]\n  ; c\nFormat=\"BSON\"\n",
      " [corvane] \n \tFormat \t=  \"BSON\"\t \n",
      "\xEF\xBB\xBF[corvane]\nFormat=\"BSON\"",  // mark, no final line feed
      "[corvane]\n\"Format\"=\"\\u0042S\\u004fN\"\n"};
  for (const std::string& bytes : kStores) {
    WriteStore(bytes);
    CSettings settings;
    settings.LoadData();
    EXPECT_EQ(settings.getStr(SettingsKey::kFormat), u"BSON") << bytes;
    EXPECT_EQ(settings.getStr(SettingsKey::kSeparator), u"<tab>") << bytes;
  }
  EXPECT_EQ(Log(), "");
}

}  // namespace
