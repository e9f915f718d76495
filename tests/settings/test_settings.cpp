// The settings store and the program's settings: where the file lives, what survives a save
// and a load, and stores that cannot be used.
#include <stdlib.h>

#include <climits>
#include <filesystem>
#include <iterator>
#include <vector>

#include <gtest/gtest.h>

#include "app/Settings.h"
#include "libs/suppcore/Log.h"
#include "libs/suppcore/SettingsMessages.h"
#include "platform/core/Formatted.h"
#include "tests/platform/TempDir.h"

namespace fs = std::filesystem;
using namespace std::literals;
using namespace SettingsMessages;

namespace {

class SettingsTest : public ::testing::Test {
 protected:
  // The store and the log go to the test's own directory, never to the user's.
  SettingsTest() {
    setenv("XDG_CONFIG_HOME", m_dir.File("config").c_str(), 1);
    setenv("XDG_STATE_HOME", m_dir.File("state").c_str(), 1);
  }
  void WriteStore(const std::string& bytes) const {
    fs::create_directories(m_dir.File("config/ostrel"));
    WriteBytesToFile(m_store, bytes);
  }
  static std::string Log() { return ReadBytesFromFile(CLog::GetLogPath().ToUtf8()); }
  // The logged message made of format, the store's path and reason.
  std::string Message(const char16_t* format, const char16_t* reason) const {
    return Formatted(format, CString::FromUtf8(m_store).GetString(), reason).ToUtf8();
  }

  TempDir m_dir;
  const std::string m_store = m_dir.File("config/ostrel/corvane.ini");
};

// The program's values, in the order of its accessors; a check box on as its key's name.
std::vector<CString> Values(const CSettings& s) {
  const char16_t* q = s.QuotedFields() ? u"Quoted" : u"";
  const char16_t* t = s.TypedValues() ? u"Types" : u"";
  const char16_t* h = s.HeaderLine() ? u"Header" : u"";
  const char16_t* r = s.KeepLinesLeftOut() ? u"Rejects" : u"";
  return {s.SourceFile(),
          s.OutputFile(),
          s.Separator(),
          s.CustomSeparator(),
          s.Format(),
          q,
          t,
          CString::FromUtf8(std::to_string(s.SkipLines())),
          h,
          s.Encoding(),
          r};
}
const std::vector<CString> kDefaults = {u"", u"",  u"<tab>",  u"",          u"JSON", u"",
                                        u"", u"0", u"Header", u"Automatic", u""};

// Nothing is created before the first save. Each accessor has a key of its own; keys this
// program does not know (the dialog library's) are kept.
TEST_F(SettingsTest, FirstRunGivesTheDefaultsAndEveryValueComesBackAfterSaveAndLoad) {
  {
    CSettings first;
    first.LoadData();
    EXPECT_EQ(Values(first), kDefaults);
    EXPECT_FALSE(fs::exists(m_dir.File("config")));
    first.SetSourceFile(u"/data/in.txt");
    first.SetOutputFile(u"/data/out.json");
    first.SetSeparator(u"Custom");
    first.SetCustomSeparator(u";");
    first.SetFormat(u"BSON");
    first.SetQuotedFields(true);
    first.SetTypedValues(true);
    first.SetSkipLines(3);
    first.SetHeaderLine(false);
    first.SetEncoding(u"Windows-1251");
    first.SetKeepLinesLeftOut(true);
    first.setInt(u"MainWnd.X", -12);
    first.SaveData();
  }
  const fs::directory_iterator folder(m_dir.File("config/ostrel"));
  EXPECT_EQ(std::distance(fs::begin(folder), fs::end(folder)), 1) << "no temporary file left";
  EXPECT_EQ(fs::status(m_dir.File("config/ostrel")).permissions(), fs::perms(0700));
  EXPECT_EQ(fs::status(m_store).permissions(), fs::perms(0600));
  EXPECT_NE(ReadBytesFromFile(m_store).find("=/data/in.txt\n"), std::string::npos);
  EXPECT_NE(ReadBytesFromFile(m_store).find("\nQuoted=1\nTypes=1\nSkipLines=3\nHeader=0\n"),
            std::string::npos);
  CSettings second;
  EXPECT_EQ(Values(second), kDefaults);  // nothing is read before LoadData
  second.LoadData();
  EXPECT_EQ(Values(second),
            (std::vector<CString>{u"/data/in.txt", u"/data/out.json", u"Custom", u";", u"BSON",
                                  u"Quoted", u"Types", u"3", u"", u"Windows-1251", u"Rejects"}));
  EXPECT_EQ(second.getInt(u"MainWnd.X"), -12);
  EXPECT_EQ(Log(), "");
}

TEST_F(SettingsTest, TextComesBackExactlyAsValueAndAsKey) {
  for (const std::u16string_view text :
       {u""sv, u"  both  "sv, u"a=b=c"sv, u"; not a comment"sv, u"# nor this"sv, u"[Settings]"sv,
        u"\"quoted\" and \"\""sv, u"C:\\dir\\ \\s \\u0041 \\n"sv, u"one\ntwo\r\nthree\r"sv,
        u"\x01\x1f\x7f"sv, u"a\0b"sv, u"Zürich — 東京 \U0001F600"sv,
        u"\xD83D x \xDE00 \xDE00\xD83D"sv, u"/home/caf\xDCE9/\xDCFF\xDCC3.csv"sv}) {
    const std::u16string key(text);
    {
      CSettings first;
      first.SetCustomSeparator(CString(key));
      first.setStr(key.c_str(), u"under a tricky key");
      first.SaveData();
    }
    CSettings second;
    second.LoadData();
    EXPECT_EQ(second.CustomSeparator().Str(), key) << ReadBytesFromFile(m_store);
    EXPECT_EQ(second.getStr(key.c_str()), u"under a tricky key") << ReadBytesFromFile(m_store);
  }
  EXPECT_EQ(Log(), "");
}

// A line that can't be read costs only itself: the other keys are used, the bad lines are
// logged with their numbers and kept in the ".bad" file, and the next save leaves them out.
TEST_F(SettingsTest, BadLinesAreKeptAsideAndTheGoodKeysUsed) {
  const struct {
    std::string bytes;
    int line;
    std::string bad;
    std::u16string reason;  // empty: the key file's own
  } kStores[] = {
      {"[Settings]\nFormat=BSON\nCustom x\nSeparator=,\n", 3, "Custom x\n", u""},
      {"[Settings]\nFormat=BSON\nSeparator=,\nCustom=Z\xFCrich\n", 4, "Custom=Z\xFCrich\n",
       kBadUtf8},
      {"[UTF-16]\nu0041=00Z1\n[Settings]\nFormat=BSON\nSeparator=,\n", 2, "u0041=00Z1\n", kBadHex},
      {"Custom=early\n[Settings]\nFormat=BSON\nSeparator=,\n", 1, "Custom=early\n", u""}};
  for (const auto& c : kStores) {
    SCOPED_TRACE(c.bytes);
    WriteStore(c.bytes);
    {
      CSettings settings;
      settings.LoadData();
      EXPECT_EQ(Values(settings), (std::vector<CString>{u"", u"", u",", u"", u"BSON", u"", u"",
                                                        u"0", u"Header", u"Automatic", u""}));
      EXPECT_EQ(ReadBytesFromFile(m_store + ".bad"), c.bad);
      EXPECT_EQ(settings.LoadProblem().ToUtf8(),
                "The settings file '" + m_store +
                    "' has 1 line(s) that can't be read: they were "
                    "moved to '" +
                    m_store + ".bad' and the other settings are used.");
      const std::string logged = "Line " + std::to_string(c.line) +
                                 " of the settings file can't be read (" +
                                 CString(c.reason).ToUtf8();
      EXPECT_NE(Log().find(logged), std::string::npos) << Log();
      EXPECT_NE(Log().find(settings.LoadProblem().ToUtf8()), std::string::npos) << Log();
      settings.SetTypedValues(true);
      settings.SaveData();
    }
    CLog::Truncate();
    CSettings again;
    again.LoadData();
    EXPECT_EQ(Values(again), (std::vector<CString>{u"", u"", u",", u"", u"BSON", u"", u"Types",
                                                   u"0", u"Header", u"Automatic", u""}));
    EXPECT_EQ(again.LoadProblem(), u"");
    EXPECT_EQ(ReadBytesFromFile(m_store + ".bad"), c.bad);
    EXPECT_EQ(Log(), "");
  }
}

// A store that a dotfile manager links elsewhere is saved where the link leads, and stays
// a link.
TEST_F(SettingsTest, AStoreThatIsALinkIsSavedThroughIt) {
  fs::create_directories(m_dir.File("dotfiles"));
  WriteBytesToFile(m_dir.File("dotfiles/corvane.ini"), "[Settings]\nFormat=BSON\n");
  fs::create_directories(m_dir.File("config/ostrel"));
  fs::create_symlink("../../dotfiles/corvane.ini", m_store);
  CSettings settings;
  settings.LoadData();
  settings.SetSeparator(u",");
  EXPECT_EQ(settings.SaveData(), u"");
  EXPECT_TRUE(fs::is_symlink(m_store));
  CSettings again;
  again.LoadData();
  EXPECT_EQ(Values(again), (std::vector<CString>{u"", u"", u",", u"", u"BSON", u"", u"", u"0",
                                                 u"Header", u"Automatic", u""}));
  EXPECT_EQ(HiddenFiles(m_dir.Path()), 0);
}

TEST_F(SettingsTest, StoreThatCannotBeReadIsMovedAsideAndOneThatCannotBeWrittenIsReported) {
  fs::create_directories(m_store);
  CSettings settings;
  settings.LoadData();
  EXPECT_EQ(Values(settings), kDefaults);
  EXPECT_TRUE(settings.LoadProblem().ToUtf8().starts_with(Message(kUnreadable, kNotRegularFile)));
  EXPECT_TRUE(fs::is_directory(m_store + ".bad"));

  WriteBytesToFile(m_dir.File("blocker"), "a file where a directory should be");
  settings.SetPath(m_dir.File("blocker/ostrel/corvane.ini"));
  settings.SetFormat(u"BSON");
  const std::string failure = settings.SaveData().ToUtf8();
  EXPECT_EQ(failure,
            "Could not save the settings file '" + settings.GetPath() + "': Not a directory");
  EXPECT_NE(Log().find(failure + "\n"), std::string::npos) << Log();
  EXPECT_EQ(ReadBytesFromFile(m_dir.File("blocker")), "a file where a directory should be");
}

// Two instances save over each other: each writes the keys it changed over the file as it
// is then, so both changes stay, with comments and keys this program does not know.
TEST_F(SettingsTest, ASaveWritesOnlyTheKeysItChangedOverTheFileOnDisk) {
  WriteStore("# my note\n[Settings]\nSeparator=,\nFormat=BSON\nLater=from a later release\n");
  CSettings first, second;
  first.LoadData();
  second.LoadData();
  first.SetSourceFile(u"/data/first.txt");
  first.SetFormat(u"BSON");  // as it was: no change
  second.SetOutputFile(u"/data/second.json");
  second.SetFormat(u"JSON Lines");
  EXPECT_EQ(second.SaveData(), u"");
  EXPECT_EQ(first.SaveData(), u"");
  CSettings both;
  both.LoadData();
  EXPECT_EQ(Values(both),
            (std::vector<CString>{u"/data/first.txt", u"/data/second.json", u",", u"",
                                  u"JSON Lines", u"", u"", u"0", u"Header", u"Automatic", u""}));
  EXPECT_EQ(both.getStr(u"Later"), u"from a later release");
  EXPECT_TRUE(ReadBytesFromFile(m_store).starts_with("# my note\n")) << ReadBytesFromFile(m_store);
  EXPECT_EQ(Log(), "");
}

}  // namespace
