// The main window's behaviour through its real controls: the Convert command with its
// checks and messages, the separator fields, write errors, restoring and saving the
// inputs, and the menu commands of the window and the dialog library.
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdint>
#include <filesystem>
#include <functional>

#include <gtest/gtest.h>
#include <wx/button.h>
#include <wx/dialog.h>
#include <wx/frame.h>
#include <wx/textctrl.h>
#include <nlohmann/json.hpp>

#include "app/SettingsKeys.h"
#include "libs/dlgframe/LogViewer.h"
#include "libs/suppcore/Log.h"
#include "platform/core/SysCalls.h"
#include "platform/gui/LaunchUrl.h"
#include "tests/gui/MainWindowFixture.h"

namespace {

// Names each parameterised test after its case.
const auto ByName = [](const auto& info) { return std::string(info.param.name); };

// count lines whose field count differs from the header's (three fields, not two).
std::string BadLines(int count) {
  std::string text;
  for (int i = 0; i < count; ++i) {
    text += "bad,line," + std::to_string(i) + "\n";
  }
  return text;
}

enum class SourceKind { kEmptyField, kFile, kMissing, kDirectory };
enum class Output { kNone, kUnchecked, kJson, kBson };

struct ConvertCase {
  const char* name;
  SourceKind source;
  std::string content;
  const char16_t* separator;  // the separator list's entry
  const char16_t* custom;     // the custom separator field's text
  const char* target;         // in the test's directory; empty: the field is empty
  Output output;              // kBson: BSON chosen
  int rows;
  // The message, empty when none is shown; an error unless rows were written.
  std::u16string text;
};

const std::u16string kLeftOut3 =
    u"3 lines were left out because their number of fields differs from the header's; "
    u"Tools > View Log lists them.";
const std::u16string kLeftOut1 =
    u"1 line was left out because its number of fields differs from the header's; "
    u"Tools > View Log lists it.";
constexpr SourceKind kFile = SourceKind::kFile;
const std::string kRows2 = SourceRows(2, ',');

const ConvertCase kConvertCases[] = {
    {"EmptySourceFieldDoesNothing", SourceKind::kEmptyField, "", u",", u"", "out.json",
     Output::kNone, 0, u""},
    {"MissingSourceIsReportedBeforeTheEmptyOutput", SourceKind::kMissing, "", u",", u"", "",
     Output::kNone, 0, u"The source text file does not exist or inaccessible"},
    {"EmptyOutputField", kFile, kRows2, u",", u"", "", Output::kNone, 0,
     u"The target file is not specified yet."},
    {"TwentyFiveRows", kFile, SourceRows(25, ','), u",", u"", "out.json", Output::kJson, 25,
     u"25 rows has been converted"},
    {"OneRowSameWording", kFile, SourceRows(1, ','), u",", u"", "out.json", Output::kJson, 1,
     u"1 rows has been converted"},
    {"HeaderOnly", kFile, SourceRows(0, ','), u",", u"", "out.json", Output::kUnchecked, 0,
     u"Conversion error."},
    {"SourceIsADirectory", SourceKind::kDirectory, "", u",", u"", "out.json", Output::kNone, 0,
     u"Conversion error."},
    {"OutputCannotBeCreated", kFile, kRows2, u",", u"", "no-such-folder/out.json", Output::kNone, 0,
     u"Conversion error."},
    {"BsonChosen", kFile, SourceRows(3, ','), u",", u"", "out.json", Output::kBson, 3,
     u"3 rows has been converted"},
    {"CustomSemicolon", kFile, SourceRows(2, ';'), u"Custom", u";", "out.json", Output::kJson, 2,
     u"2 rows has been converted"},
    // An empty custom separator is the empty text, which the reader takes as a tab; the word
    // "Custom" itself would split at 'C' and give one column.
    {"CustomEmptyIsTheEmptyText", kFile, SourceRows(2, '\t'), u"Custom", u"", "out.json",
     Output::kJson, 2, u"2 rows has been converted"},
    {"CustomTextIgnoredOffCustom", kFile, kRows2, u",", u";", "out.json", Output::kJson, 2,
     u"2 rows has been converted"},
    {"LinesLeftOutGetASecondLine", kFile, SourceRows(4, ',') + BadLines(3), u",", u"", "out.json",
     Output::kJson, 4, u"4 rows has been converted\n" + kLeftOut3},
    {"OneLineLeftOut", kFile, SourceRows(4, ',') + BadLines(1), u",", u"", "out.json",
     Output::kJson, 4, u"4 rows has been converted\n" + kLeftOut1},
    {"EveryLineLeftOut", kFile, SourceRows(0, ',') + BadLines(3), u",", u"", "out.json",
     Output::kUnchecked, 0, u"Conversion error.\n" + kLeftOut3},
};

void ExpectJson(const std::string& bytes, int rows) {
  const nlohmann::json document = nlohmann::json::parse(bytes);
  ASSERT_TRUE(document.is_array());
  ASSERT_EQ(document.size(), static_cast<std::size_t>(rows));
  for (const nlohmann::json& row : document) {
    EXPECT_EQ(row.size(), 2u) << row.dump();
  }
  EXPECT_EQ(document[0]["name"], "row1");
  EXPECT_EQ(document[0]["value"], "1");
}

// BSON documents back to back, each starting with its little-endian length.
void ExpectBson(const std::string& bytes, int rows) {
  int documents = 0;
  for (std::size_t at = 0; at + 4 <= bytes.size(); ++documents) {
    const auto* b = reinterpret_cast<const unsigned char*>(bytes.data() + at);
    const std::size_t length = b[0] | b[1] << 8 | b[2] << 16 | std::size_t{b[3]} << 24;
    ASSERT_GE(length, 5u);
    at += length;
  }
  EXPECT_EQ(documents, rows);
  EXPECT_NE(bytes.find(std::string("\x02name\0", 6)), std::string::npos);
  EXPECT_NE(bytes.find(std::string("row1\0", 5)), std::string::npos);
}

class ConvertTest : public MainWindowTest, public testing::WithParamInterface<ConvertCase> {};

TEST_P(ConvertTest, ConvertChecksConvertsAndReports) {
  const ConvertCase& c = GetParam();
  Open();
  CString source;
  switch (c.source) {
    case SourceKind::kEmptyField:
      break;
    case SourceKind::kFile:
      source = Source("in.txt", c.content);
      break;
    case SourceKind::kMissing:
      source = dir.WFile("missing.txt");
      break;
    case SourceKind::kDirectory:
      std::filesystem::create_directory(dir.File("folder"));
      source = dir.WFile("folder");
      break;
  }
  Choose(1008, c.output == Output::kBson ? u"BSON" : u"JSON");
  Choose(1001, c.separator);
  SetText(1010, c.custom);
  SetText(1003, *c.target ? dir.WFile(c.target) : CString());
  SetText(1000, source);  // last: typing a path never reports
  ASSERT_TRUE(Boxes().empty()) << Boxes()[0].text.ToUtf8();

  PressConvert();

  const CString expected(c.text);
  if (c.text.empty()) {
    EXPECT_TRUE(Boxes().empty());
  } else {
    ASSERT_EQ(Boxes().size(), 1u);
    EXPECT_EQ(Boxes()[0].text, expected) << Boxes()[0].text.ToUtf8();
    const bool error = c.rows == 0;
    EXPECT_EQ(Boxes()[0].caption, error ? u"Error" : u"Information");
    EXPECT_EQ(Boxes()[0].type, error ? MB_ICONERROR : MB_ICONINFORMATION);
  }
  const std::string output = dir.File("out.json");
  switch (c.output) {
    case Output::kNone:
      EXPECT_FALSE(std::filesystem::exists(output));
      break;
    case Output::kUnchecked:
      break;
    case Output::kJson:
      ExpectJson(ReadBytesFromFile(output), c.rows);
      break;
    case Output::kBson:
      ExpectBson(ReadBytesFromFile(output), c.rows);
      break;
  }
  EXPECT_TRUE(dlg->GetFrame()->IsShown());
}

INSTANTIATE_TEST_SUITE_P(Cases, ConvertTest, testing::ValuesIn(kConvertCases), ByName);

ssize_t FullDiskWrite(int, const void*, size_t) {
  errno = ENOSPC;
  return -1;
}

ssize_t FailingRead(int, void*, size_t) {
  errno = EIO;
  return -1;
}

enum class Before { kNothing, kFile, kLinkToFile };

struct FailureCase {
  const char* name;
  bool readFails;  // the source cannot be read (before the output is opened), else the disk is full
  Before before;   // what the output path named before the conversion
  bool remains;    // whether the path still names something afterwards
};

class FailureTest : public MainWindowTest, public testing::WithParamInterface<FailureCase> {};

TEST_P(FailureTest, ErrorIsReportedWithItsReasonAndNoIncompleteOutputStays) {
  const FailureCase& c = GetParam();
  Open();
  const std::string output = dir.File("out.json");
  if (c.before == Before::kFile) {
    WriteBytesToFile(output, "an earlier result");
  } else if (c.before == Before::kLinkToFile) {
    WriteBytesToFile(dir.File("real.json"), "an earlier result");
    std::filesystem::create_symlink(dir.File("real.json"), output);
  }
  SetText(1003, dir.WFile("out.json"));
  SetText(1000, Source("in.txt", SourceRows(25, '\t')));
  {
    SysCalls failing = RealSysCalls();
    if (c.readFails) {
      failing.read = FailingRead;
    } else {
      failing.write = FullDiskWrite;
    }
    ScopedSysCalls seam(failing);
    PressConvert();
  }
  ASSERT_EQ(Boxes().size(), 1u);
  const CString& text = Boxes()[0].text;
  EXPECT_NE(text.Find(c.readFails ? u"Input/output error" : u"No space left on device"), -1)
      << text.ToUtf8();
  EXPECT_TRUE(c.readFails || text.Find(dir.WFile("out.json")) != -1) << "names the file";
  EXPECT_EQ(Boxes()[0].caption, u"Error");
  EXPECT_EQ(Boxes()[0].type, MB_ICONERROR);
  EXPECT_EQ(std::filesystem::exists(std::filesystem::symlink_status(output)), c.remains)
      << "an incomplete output must not pose as a result; a link is the user's own";
  if (c.readFails) {
    EXPECT_EQ(ReadBytesFromFile(output), "an earlier result");
  }

  // The program goes on: without the fault, the same conversion succeeds.
  EXPECT_TRUE(dlg->GetFrame()->IsShown());
  PressConvert();
  ASSERT_EQ(Boxes().size(), 2u);
  EXPECT_EQ(Boxes()[1].text, u"25 rows has been converted");
  ExpectJson(ReadBytesFromFile(output), 25);
}

INSTANTIATE_TEST_SUITE_P(
    Outputs, FailureTest,
    testing::Values(FailureCase{"FullDiskNewFile", false, Before::kNothing, false},
                    FailureCase{"FullDiskEmptiedFile", false, Before::kFile, false},
                    FailureCase{"FullDiskLinkToAFile", false, Before::kLinkToFile, true},
                    FailureCase{"ReadErrorKeepsAnEarlierOutput", true, Before::kFile, true}),
    ByName);

TEST_F(MainWindowTest, CustomEntryEnablesTheCustomFieldAndOthersDisableItKeepingItsText) {
  Open();
  CWnd* custom = dlg->GetDlgItem(1010);
  EXPECT_FALSE(custom->IsWindowEnabled());
  Choose(1001, u"Custom");
  EXPECT_TRUE(custom->IsWindowEnabled());
  SetText(1010, u";");
  Choose(1001, u",");
  EXPECT_FALSE(custom->IsWindowEnabled());
  EXPECT_EQ(custom->GetWindowText(), u";");
  EXPECT_EQ(dlg->Separator(), u",");
}

TEST_F(MainWindowTest, FailedCheckWritesTheSourceButKeepsTheSeparator) {
  Open();
  Choose(1001, u"Custom");
  SetText(1010, u";");
  // A separator change reads the list's text; only a passing check reads the custom field.
  ASSERT_EQ(dlg->Separator(), u"Custom");
  EXPECT_EQ(dlg->CheckInputs(), 0);
  EXPECT_TRUE(Boxes().empty()) << "an empty field is not reported";
  SetText(1000, dir.WFile("missing.txt"));
  EXPECT_TRUE(Boxes().empty()) << "typing a path is not reported";
  EXPECT_EQ(dlg->CheckInputs(), 0);
  EXPECT_EQ(dlg->SourceFile(), dir.WFile("missing.txt"));
  EXPECT_EQ(dlg->Separator(), u"Custom");
  ASSERT_EQ(Boxes().size(), 1u);
  EXPECT_EQ(Boxes()[0].text, u"The source text file does not exist or inaccessible");
  SetText(1000, Source("in.txt", SourceRows(1, ';')));
  EXPECT_EQ(dlg->CheckInputs(), 1);
  EXPECT_EQ(dlg->Separator(), u";");
}

struct RestoreCase {
  const char* name;
  bool saved;  // false: the first run, nothing saved
  const char16_t* separator;
  const char16_t* custom;
  const char16_t* format;
  bool customEnabled;
};

class RestoreTest : public MainWindowTest, public testing::WithParamInterface<RestoreCase> {};

TEST_P(RestoreTest, SavedValuesAreShownAndTheCustomFieldFollowsTheSeparator) {
  const RestoreCase& c = GetParam();
  const CString output = c.saved ? u"/home/user/out file.json" : u"";
  if (c.saved) {
    store.setStr(SettingsKey::kTextFileName, u"");
    store.setStr(SettingsKey::kJSONFileName, output);
    store.setStr(SettingsKey::kSeparator, c.separator);
    store.setStr(SettingsKey::kCustom, c.custom);
    store.setStr(SettingsKey::kFormat, c.format);
  }
  Open();
  EXPECT_EQ(dlg->GetDlgItem(1000)->GetWindowText(), u"");
  EXPECT_EQ(dlg->GetDlgItem(1003)->GetWindowText(), output);
  EXPECT_EQ(dlg->GetDlgItem(1001)->GetWindowText(), c.separator);
  EXPECT_EQ(dlg->GetDlgItem(1010)->GetWindowText(), c.custom);
  EXPECT_EQ(dlg->GetDlgItem(1010)->IsWindowEnabled() != FALSE, c.customEnabled);
  EXPECT_EQ(dlg->GetDlgItem(1008)->GetWindowText(), c.format);
  EXPECT_EQ(dlg->Separator(), c.separator);
  EXPECT_TRUE(Boxes().empty());
}

INSTANTIATE_TEST_SUITE_P(
    Saved, RestoreTest,
    testing::Values(RestoreCase{"FirstRun", false, u"<tab>", u"", u"JSON", false},
                    RestoreCase{"Bar", true, u"|", u";", u"JSON", false},
                    RestoreCase{"CustomSelectsTheAppendedEntry", true, u"Custom", u";", u"BSON",
                                true},
                    RestoreCase{"CustomTextKeptOffCustom", true, u",", u"#", u"BSON", false}),
    ByName);

TEST_F(MainWindowTest, SavedSourceThatIsGoneIsRestoredAndReportedOnceAtStartUp) {
  store.setStr(SettingsKey::kTextFileName, dir.WFile("gone.txt"));
  store.setStr(SettingsKey::kSeparator, u"Custom");
  store.setStr(SettingsKey::kCustom, u";");
  Open();
  EXPECT_EQ(dlg->GetDlgItem(1000)->GetWindowText(), dir.WFile("gone.txt"));
  ASSERT_EQ(Boxes().size(), 1u) << "the notifications of start-up build no preview";
  EXPECT_EQ(Boxes()[0].text, u"The source text file does not exist or inaccessible");
  EXPECT_EQ(Boxes()[0].caption, u"Error");
  EXPECT_EQ(Boxes()[0].type, MB_ICONERROR);
}

struct QuitWay {
  const char* name;
  std::function<void(CMainWindowProbe&)> quit;
};

class QuitTest : public MainWindowTest, public testing::WithParamInterface<QuitWay> {};

TEST_P(QuitTest, EveryWayOfClosingSavesTheFiveTexts) {
  Open();
  Choose(1008, u"BSON");
  Choose(1001, u"|");
  SetText(1010, u" ; ");
  SetText(1003, u"/home/user/out file.json");
  SetText(1000, dir.WFile("never-converted.txt"));
  GetParam().quit(*dlg);
  Pump(50);
  EXPECT_FALSE(dlg->GetFrame()->IsShown());
  Destroy();

  CSettings saved;
  saved.SetPath(dir.File("corvane.ini"));
  saved.LoadData();
  EXPECT_EQ(saved.getStr(SettingsKey::kTextFileName), dir.WFile("never-converted.txt"));
  EXPECT_EQ(saved.getStr(SettingsKey::kJSONFileName), u"/home/user/out file.json");
  EXPECT_EQ(saved.getStr(SettingsKey::kSeparator), u"|");
  EXPECT_EQ(saved.getStr(SettingsKey::kCustom), u" ; ");
  EXPECT_EQ(saved.getStr(SettingsKey::kFormat), u"BSON");
  EXPECT_GT(saved.getInt(u"MainWnd.Width"), 0) << "the library's placement is saved with them";
  EXPECT_TRUE(Boxes().empty());
}

void PressButton(CDialog& dlg, int id) {
  auto* button = dynamic_cast<wxButton*>(dlg.GetDlgItem(id)->GetWxWindow());
  wxCommandEvent event(wxEVT_BUTTON, id);
  event.SetEventObject(button);
  button->ProcessWindowEvent(event);
}

INSTANTIATE_TEST_SUITE_P(
    Ways, QuitTest,
    testing::Values(QuitWay{"QuitButton", [](CMainWindowProbe& d) { PressButton(d, IDCANCEL); }},
                    QuitWay{"FileQuit",
                            [](CMainWindowProbe& d) {
                              wxCommandEvent quit(wxEVT_MENU, IDCANCEL);
                              d.GetFrame()->ProcessWindowEvent(quit);
                            }},
                    QuitWay{"Escape",
                            [](CMainWindowProbe& d) {
                              ActivateWindow(d);
                              d.GetDlgItem(1003)->SetFocus();
                              Pump(50);
                              PressKey(WXK_ESCAPE);
                            }},
                    QuitWay{"CloseBox", [](CMainWindowProbe& d) { d.GetFrame()->Close(); }}),
    ByName);

struct CommandCase {
  const char* name;
  WPARAM command;
  BOOL handled;
  const char16_t* notice;  // null: no message
};

// The PATH of a test, without the maker's programs unless the test puts one there.
class ScopedPath {
 public:
  explicit ScopedPath(const std::string& path) : m_saved(getenv("PATH")) {
    setenv("PATH", path.c_str(), 1);
  }
  ~ScopedPath() { setenv("PATH", m_saved.c_str(), 1); }

 private:
  std::string m_saved;
};

class ProductCommandTest : public MainWindowTest,
                           public testing::WithParamInterface<CommandCase> {};

TEST_P(ProductCommandTest, ProductRangeGoesToTheLauncherAndTheRestToTheFramework) {
  const CommandCase& c = GetParam();
  ScopedPath path("/usr/bin:/bin");
  Open();
  EXPECT_EQ(Command(c.command), c.handled);
  if (c.notice == nullptr) {
    EXPECT_TRUE(Boxes().empty());
    return;
  }
  ASSERT_EQ(Boxes().size(), 1u);
  EXPECT_EQ(Boxes()[0].text, c.notice);
  EXPECT_EQ(Boxes()[0].caption, u"Information");
  EXPECT_EQ(Boxes()[0].type, MB_ICONINFORMATION);
}

INSTANTIATE_TEST_SUITE_P(
    Commands, ProductCommandTest,
    testing::Values(
        CommandCase{"First", 25000, TRUE,
                    u"Ostrel Sheet Viewer is not installed on this computer."},
        CommandCase{"Last", 25020, TRUE, u"Ostrel Task Timer is not installed on this computer."},
        CommandCase{"BelowTheRange", 24999, FALSE, nullptr},
        CommandCase{"AboveTheRange", 25021, FALSE, nullptr},
        CommandCase{"NotificationOfTheSameId", MAKEWPARAM(25000, EN_CHANGE), FALSE, nullptr}),
    ByName);

TEST_F(MainWindowTest, ProductOnThePathIsStarted) {
  const std::string bin = dir.File("bin");
  std::filesystem::create_directory(bin);
  const std::string program = bin + "/ostrel-task-timer";
  WriteBytesToFile(program, "#!/bin/sh\ntouch \"$0.started\"\n");
  chmod(program.c_str(), 0755);
  ScopedPath path(bin + ":/usr/bin:/bin");
  Open();
  EXPECT_TRUE(Command(25020));
  EXPECT_TRUE(PumpUntil([&] { return std::filesystem::exists(program + ".started"); }, 5000));
  EXPECT_TRUE(Boxes().empty());
}

class LibraryCommandTest : public MainWindowTest {
 protected:
  LibraryCommandTest() {
    SetUrlLaunchHook([this](const CString& url) {
      urls.push_back(url);
      return launchSucceeds;
    });
  }
  ~LibraryCommandTest() override {
    CLogViewer::Destroy();
    SetUrlLaunchHook([](const CString&) { return true; });
  }
  std::vector<CString> urls;
  bool launchSucceeds = true;
};

TEST_F(LibraryCommandTest, ViewLogShowsTheLogNewestLastAndReadsItAgainWhenShown) {
  CLog::Truncate();
  CLog::Bug2(u"first entry");
  CLog::Bug2(u"second entry");
  Open();
  EXPECT_TRUE(Command(32780));
  wxDialog* window = CLogViewer::Window();
  ASSERT_NE(window, nullptr);
  EXPECT_TRUE(window->IsShown());
  EXPECT_EQ(window->GetTitle(), "Log");
  EXPECT_EQ(window->GetParent(), dlg->GetFrame());
  wxString text = CLogViewer::TextControl()->GetValue();
  EXPECT_TRUE(text.EndsWith("second entry\n")) << text;
  EXPECT_LT(text.Find("first entry"), text.Find("second entry"));
  EXPECT_EQ(CLogViewer::TextControl()->GetInsertionPoint(),
            CLogViewer::TextControl()->GetLastPosition());

  // Closed, a new entry, shown again: the window is the same and shows the new entry.
  wxCommandEvent close(wxEVT_BUTTON, wxID_CLOSE);
  window->FindWindow(wxID_CLOSE)->ProcessWindowEvent(close);
  EXPECT_FALSE(window->IsShown());
  CLog::Bug2(u"third entry");
  EXPECT_TRUE(Command(32780));
  EXPECT_EQ(CLogViewer::Window(), window);
  EXPECT_TRUE(window->IsShown());
  EXPECT_TRUE(CLogViewer::TextControl()->GetValue().EndsWith("third entry\n"));
  EXPECT_TRUE(Boxes().empty());
}

TEST_F(LibraryCommandTest, TruncateLogEmptiesTheLogAndTheOpenWindow) {
  CLog::Bug2(u"an entry");
  Open();
  ASSERT_TRUE(Command(32780));
  ASSERT_FALSE(CLogViewer::TextControl()->IsEmpty());
  EXPECT_TRUE(Command(1108));
  EXPECT_EQ(std::filesystem::file_size(CLog::GetLogPath().ToUtf8()), 0u);
  EXPECT_TRUE(CLogViewer::TextControl()->IsEmpty());
}

struct LinkCase {
  const char* name;
  WPARAM command;
  const char16_t* url;
};

class LinkTest : public LibraryCommandTest, public testing::WithParamInterface<LinkCase> {};

TEST_P(LinkTest, HelpLinksOpenTheDesktopsProgramOnTheirAddress) {
  Open();
  EXPECT_TRUE(Command(GetParam().command));
  EXPECT_EQ(urls, (std::vector<CString>{GetParam().url}));
  EXPECT_TRUE(Boxes().empty());

  launchSucceeds = false;
  EXPECT_TRUE(Command(GetParam().command));
  ASSERT_EQ(Boxes().size(), 1u);
  EXPECT_EQ(Boxes()[0].text,
            CString(u"No program to open ") + GetParam().url + u" was found on this computer.");
  EXPECT_EQ(Boxes()[0].caption, u"Error");
  EXPECT_EQ(Boxes()[0].type, MB_ICONERROR);
}

INSTANTIATE_TEST_SUITE_P(
    Links, LinkTest,
    testing::Values(LinkCase{"SupportMail", 1007, u"mailto:support@ostrel.com"},
                    LinkCase{"WebSite", 5781, u"https://www.ostrel.com/corvane"}),
    ByName);

struct TailCase {
  const char* name;
  const char* log;
  std::size_t maxBytes;
  const char16_t* expected;
};

class LogTailTest : public testing::TestWithParam<TailCase> {};

TEST_P(LogTailTest, TheEndOfTheLogStartsAtAnEntry) {
  TempDir dir;
  const TailCase& c = GetParam();
  if (c.log != nullptr) {
    WriteBytesToFile(dir.File("corvane.log"), c.log);
  }
  EXPECT_EQ(CLogViewer::ReadTail(dir.File("corvane.log"), c.maxBytes), c.expected);
}

INSTANTIATE_TEST_SUITE_P(
    Tails, LogTailTest,
    testing::Values(TailCase{"Whole", "1 a\n2 b\n3 c\n", 100, u"1 a\n2 b\n3 c\n"},
                    TailCase{"CutInsideAnEntry", "1 a\n2 b\n3 c\n", 6,
                             u"(Older entries are not shown.)\n3 c\n"},
                    TailCase{"NoLog", nullptr, 100, u""},
                    TailCase{"Utf8", "1 Z\xC3\xBCrich\n", 100, u"1 Z\u00FCrich\n"}),
    ByName);

}  // namespace
