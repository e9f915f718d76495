// The main window's behaviour through its real controls: the Convert command with its
// checks and messages, the separator fields, write errors, restoring and saving the
// inputs, and the menu commands of the window and the dialog library.
#include <sys/stat.h>
#include <unistd.h>

#include <filesystem>
#include <functional>

#include <gtest/gtest.h>
#include <wx/dialog.h>
#include <wx/frame.h>
#include <wx/textctrl.h>
#include <nlohmann/json.hpp>

#include "libs/dlgframe/LogViewer.h"
#include "libs/suppcore/Log.h"
#include "platform/core/SysCalls.h"
#include "platform/gui/LaunchUrl.h"
#include "tests/gui/MainWindowFixture.h"

namespace SettingsKey {
inline constexpr const char16_t* kTextFileName = u"TextFileName";
inline constexpr const char16_t* kJSONFileName = u"JSONFileName";
inline constexpr const char16_t* kSeparator = u"Separator";
inline constexpr const char16_t* kCustom = u"Custom";
inline constexpr const char16_t* kFormat = u"Format";
}  // namespace SettingsKey

namespace {

// count lines whose field count differs from the header's (three fields, not two).
std::string BadLines(int count) {
  std::string text;
  for (int i = 0; i < count; ++i) {
    text += "bad,line," + std::to_string(i) + "\n";
  }
  return text;
}

enum class Output { kNone, kUnchecked, kJson, kBson };

struct ConvertCase {
  const char* name;
  const char* source;         // in the test's directory ("." is a folder); "": the field is empty
  std::string content;        // written to source unless empty
  const char16_t* separator;  // the separator list's entry
  const char16_t* custom;     // the custom separator field's text
  const char* target;         // in the test's directory; empty: the field is empty
  Output output;              // kBson: BSON chosen
  int rows;
  // The message, empty when none is shown; an error unless rows were written.
  std::u16string text;
};

const std::u16string kLeftOut3 =
    u"\n3 lines were left out because their number of fields differs from the header's; "
    u"Tools > View Log lists them.";
const std::u16string kLeftOut1 =
    u"\n1 line was left out because its number of fields differs from the header's; "
    u"Tools > View Log lists it.";
const std::string kRows2 = SourceRows(2, ',');

const ConvertCase kConvertCases[] = {
    {"EmptySourceFieldDoesNothing", "", "", u",", u"", "out.json", Output::kNone, 0, u""},
    {"MissingSourceIsReportedBeforeTheEmptyOutput", "missing.txt", "", u",", u"", "", Output::kNone,
     0, kMissingSource},
    {"EmptyOutputField", "in.txt", kRows2, u",", u"", "", Output::kNone, 0,
     u"The target file is not specified yet."},
    {"OneRowSameWording", "in.txt", SourceRows(1, ','), u",", u"", "out.json", Output::kJson, 1,
     u"1 rows has been converted"},
    {"HeaderOnly", "in.txt", SourceRows(0, ','), u",", u"", "out.json", Output::kUnchecked, 0,
     u"Conversion error."},
    {"SourceIsADirectory", ".", "", u",", u"", "out.json", Output::kNone, 0, u"Conversion error."},
    {"OutputCannotBeCreated", "in.txt", kRows2, u",", u"", "no-such-folder/out.json", Output::kNone,
     0, u"Conversion error."},
    {"BsonChosen", "in.txt", SourceRows(3, ','), u",", u"", "out.json", Output::kBson, 3,
     u"3 rows has been converted"},
    {"CustomSemicolon", "in.txt", SourceRows(2, ';'), u"Custom", u";", "out.json", Output::kJson, 2,
     u"2 rows has been converted"},
    // An empty custom separator is the empty text, which the reader takes as a tab; the word
    // "Custom" itself would split at 'C' and give one column.
    {"CustomEmptyIsTheEmptyText", "in.txt", SourceRows(2, '\t'), u"Custom", u"", "out.json",
     Output::kJson, 2, u"2 rows has been converted"},
    {"CustomTextIgnoredOffCustom", "in.txt", kRows2, u",", u";", "out.json", Output::kJson, 2,
     u"2 rows has been converted"},
    {"LinesLeftOutGetASecondLine", "in.txt", SourceRows(4, ',') + BadLines(3), u",", u"",
     "out.json", Output::kJson, 4, u"4 rows has been converted" + kLeftOut3},
    {"OneLineLeftOut", "in.txt", SourceRows(4, ',') + BadLines(1), u",", u"", "out.json",
     Output::kJson, 4, u"4 rows has been converted" + kLeftOut1},
    {"EveryLineLeftOut", "in.txt", SourceRows(0, ',') + BadLines(3), u",", u"", "out.json",
     Output::kUnchecked, 0, u"Conversion error." + kLeftOut3},
};

// The output holds rows rows of two fields, the first "row1" and "1"; BSON documents come
// back to back, each starting with its little-endian length.
void ExpectOutput(const std::string& bytes, int rows, bool bson = false) {
  if (bson) {
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
    return;
  }
  const nlohmann::json document = nlohmann::json::parse(bytes);
  ASSERT_TRUE(document.is_array());
  ASSERT_EQ(document.size(), static_cast<std::size_t>(rows));
  for (const nlohmann::json& row : document) {
    EXPECT_EQ(row.size(), 2u) << row.dump();
  }
  EXPECT_EQ(document[0], (nlohmann::json{{"name", "row1"}, {"value", "1"}}));
}

class ConvertTest : public MainWindowTest, public testing::WithParamInterface<ConvertCase> {};

TEST_P(ConvertTest, ConvertChecksConvertsAndReports) {
  const ConvertCase& c = GetParam();
  Open();
  if (!c.content.empty()) {
    Source(c.source, c.content);
  }
  Choose(1008, c.output == Output::kBson ? u"BSON" : u"JSON");
  Choose(1001, c.separator);
  SetText(1010, c.custom);
  SetText(1003, *c.target ? dir.WFile(c.target) : CString());
  SetText(1000, *c.source ? dir.WFile(c.source) : CString());  // last: typing never reports
  ASSERT_EQ(Boxes(), BoxList{});

  PressButton(*dlg, 1004);

  const BoxList none, error{ErrorBox(c.text)}, information{InfoBox(c.text)};
  EXPECT_EQ(Boxes(), c.text.empty() ? none : c.rows == 0 ? error : information);
  const std::string output = dir.File("out.json");
  if (c.output == Output::kNone) {
    EXPECT_FALSE(std::filesystem::exists(output));
  } else if (c.output != Output::kUnchecked) {
    ExpectOutput(ReadBytesFromFile(output), c.rows, c.output == Output::kBson);
  }
  EXPECT_TRUE(dlg->GetFrame()->IsShown());
}

INSTANTIATE_TEST_SUITE_P(Cases, ConvertTest, testing::ValuesIn(kConvertCases), ByName);

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
    PressButton(*dlg, 1004);
  }
  ASSERT_EQ(Boxes().size(), 1u);
  const CString& text = Boxes()[0].text;
  EXPECT_NE(text.Find(c.readFails ? u"Input/output error" : u"No space left on device"), -1)
      << text.ToUtf8();
  EXPECT_TRUE(c.readFails || text.Find(dir.WFile("out.json")) != -1) << "names the file";
  EXPECT_EQ(Boxes()[0], ErrorBox(text));
  EXPECT_EQ(std::filesystem::exists(std::filesystem::symlink_status(output)), c.remains)
      << "an incomplete output must not pose as a result; a link is the user's own";
  if (c.readFails) {
    EXPECT_EQ(ReadBytesFromFile(output), "an earlier result");
  }

  // The program goes on: without the fault, the same conversion succeeds, every row of it.
  EXPECT_TRUE(dlg->GetFrame()->IsShown());
  PressButton(*dlg, 1004);
  ASSERT_EQ(Boxes().size(), 2u);
  EXPECT_EQ(Boxes()[1], InfoBox(u"25 rows has been converted"));
  ExpectOutput(ReadBytesFromFile(output), 25);
}

INSTANTIATE_TEST_SUITE_P(
    Outputs, FailureTest,
    testing::Values(FailureCase{"FullDiskNewFile", false, Before::kNothing, false},
                    FailureCase{"FullDiskEmptiedFile", false, Before::kFile, false},
                    FailureCase{"FullDiskLinkToAFile", false, Before::kLinkToFile, true},
                    FailureCase{"ReadErrorKeepsAnEarlierOutput", true, Before::kFile, true}),
    ByName);

TEST_F(MainWindowTest, CustomFieldFollowsTheSeparatorAndOnlyAPassingCheckReadsIt) {
  Open();
  CWnd* custom = dlg->GetDlgItem(1010);
  EXPECT_FALSE(custom->IsWindowEnabled());
  Choose(1001, u"Custom");
  EXPECT_TRUE(custom->IsWindowEnabled());
  SetText(1010, u";");
  Choose(1001, u",");
  EXPECT_FALSE(custom->IsWindowEnabled());
  EXPECT_EQ(custom->GetWindowText(), u";") << "disabling keeps the text";
  EXPECT_EQ(dlg->Separator(), u",");

  // A separator change reads the list's text; only a passing check reads the custom field.
  Choose(1001, u"Custom");
  ASSERT_EQ(dlg->Separator(), u"Custom");
  EXPECT_EQ(dlg->CheckInputs(), 0);
  EXPECT_EQ(Boxes(), BoxList{}) << "an empty field is not reported";
  SetText(1000, dir.WFile("missing.txt"));
  EXPECT_EQ(Boxes(), BoxList{}) << "typing a path is not reported";
  EXPECT_EQ(dlg->CheckInputs(), 0);
  EXPECT_EQ(dlg->SourceFile(), dir.WFile("missing.txt"));
  EXPECT_EQ(dlg->Separator(), u"Custom");
  EXPECT_EQ(Boxes(), BoxList{ErrorBox(kMissingSource)});
  SetText(1000, Source("in.txt", SourceRows(1, ';')));
  EXPECT_EQ(dlg->CheckInputs(), 1);
  EXPECT_EQ(dlg->Separator(), u";");
}

struct RestoreCase {
  const char* name;
  bool saved;          // false: the first run, nothing saved
  const char* source;  // the saved source in the test's directory, which does not exist
  const char16_t* separator;
  const char16_t* custom;
  const char16_t* format;
  bool customEnabled;
};

class RestoreTest : public MainWindowTest, public testing::WithParamInterface<RestoreCase> {};

TEST_P(RestoreTest, SavedValuesAreShownAndAGoneSourceIsReportedOnce) {
  const RestoreCase& c = GetParam();
  const CString output = c.saved ? u"/home/user/out file.json" : u"";
  const CString source = *c.source ? dir.WFile(c.source) : CString();
  if (c.saved) {
    store.setStr(SettingsKey::kTextFileName, source);
    store.setStr(SettingsKey::kJSONFileName, output);
    store.setStr(SettingsKey::kSeparator, c.separator);
    store.setStr(SettingsKey::kCustom, c.custom);
    store.setStr(SettingsKey::kFormat, c.format);
  }
  Open();
  EXPECT_EQ(Text(1000), source);
  EXPECT_EQ(Text(1003), output);
  EXPECT_EQ(Text(1001), c.separator);
  EXPECT_EQ(Text(1010), c.custom);
  EXPECT_EQ(dlg->GetDlgItem(1010)->IsWindowEnabled() != FALSE, c.customEnabled);
  EXPECT_EQ(Text(1008), c.format);
  EXPECT_EQ(dlg->Separator(), c.separator);
  // Once: the notifications of start-up build no preview.
  EXPECT_EQ(Boxes(), source.IsEmpty() ? BoxList{} : BoxList{ErrorBox(kMissingSource)});
}

INSTANTIATE_TEST_SUITE_P(
    Saved, RestoreTest,
    testing::Values(RestoreCase{"FirstRun", false, "", u"<tab>", u"", u"JSON", false},
                    RestoreCase{"Bar", true, "", u"|", u";", u"JSON", false},
                    RestoreCase{"CustomWithAGoneSource", true, "gone.txt", u"Custom", u";", u"BSON",
                                true},
                    RestoreCase{"CustomTextKeptOffCustom", true, "", u",", u"#", u"BSON", false}),
    ByName);

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
  ASSERT_NE(dlg->GetFrame(), nullptr) << "closing leaves the window to its owner to destroy";
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
  EXPECT_EQ(Boxes(), BoxList{});
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
                              FocusOn(d, 1003);
                              PressKey(WXK_ESCAPE);
                            }},
                    QuitWay{"CloseBox", [](CMainWindowProbe& d) { d.GetFrame()->Close(); }}),
    ByName);

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

struct CommandCase {
  const char* name;
  WPARAM command;
  BOOL handled;
  const char16_t* notice;  // null: no message
  const char* program;     // null, or a program put on the PATH, which is started
};

class ProductCommandTest : public MainWindowTest,
                           public testing::WithParamInterface<CommandCase> {};

TEST_P(ProductCommandTest, ProductRangeGoesToTheLauncherAndTheRestToTheFramework) {
  const CommandCase& c = GetParam();
  const std::string bin = dir.File("bin");
  const std::string program = bin + "/" + (c.program != nullptr ? c.program : "none");
  std::filesystem::create_directory(bin);
  if (c.program != nullptr) {
    WriteBytesToFile(program, "#!/bin/sh\ntouch \"$0.started\"\n");
    chmod(program.c_str(), 0755);
  }
  ScopedPath path(bin + ":/usr/bin:/bin");
  Open();
  EXPECT_EQ(Command(c.command), c.handled);
  EXPECT_EQ(Boxes(), c.notice != nullptr ? BoxList{InfoBox(c.notice)} : BoxList{});
  if (c.program != nullptr) {
    EXPECT_TRUE(PumpUntil([&] { return std::filesystem::exists(program + ".started"); }, 5000));
  }
}

INSTANTIATE_TEST_SUITE_P(
    Commands, ProductCommandTest,
    testing::Values(CommandCase{"First", 25000, TRUE,
                                u"Ostrel Sheet Viewer is not installed on this computer.", nullptr},
                    CommandCase{"Last", 25020, TRUE,
                                u"Ostrel Task Timer is not installed on this computer.", nullptr},
                    CommandCase{"ProductOnThePathIsStarted", 25020, TRUE, nullptr,
                                "ostrel-task-timer"},
                    CommandCase{"BelowTheRange", 24999, FALSE, nullptr, nullptr},
                    CommandCase{"AboveTheRange", 25021, FALSE, nullptr, nullptr},
                    CommandCase{"NotificationOfTheSameId", MAKEWPARAM(25000, EN_CHANGE), FALSE,
                                nullptr, nullptr}),
    ByName);

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

TEST_F(LibraryCommandTest, ViewLogShowsTheLogNewestLastAndTruncateLogEmptiesIt) {
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
  wxTextCtrl* text = CLogViewer::TextControl();
  EXPECT_TRUE(text->GetValue().EndsWith("second entry\n")) << text->GetValue();
  EXPECT_LT(text->GetValue().Find("first entry"), text->GetValue().Find("second entry"));
  EXPECT_EQ(text->GetInsertionPoint(), text->GetLastPosition());

  // Closed, a new entry, shown again: the window is the same and reads the log again.
  wxCommandEvent close(wxEVT_BUTTON, wxID_CLOSE);
  window->FindWindow(wxID_CLOSE)->ProcessWindowEvent(close);
  EXPECT_FALSE(window->IsShown());
  CLog::Bug2(u"third entry");
  EXPECT_TRUE(Command(32780));
  EXPECT_EQ(CLogViewer::Window(), window);
  EXPECT_TRUE(window->IsShown());
  EXPECT_TRUE(CLogViewer::TextControl()->GetValue().EndsWith("third entry\n"));

  EXPECT_TRUE(Command(1108));
  EXPECT_EQ(std::filesystem::file_size(CLog::GetLogPath().ToUtf8()), 0u);
  EXPECT_TRUE(CLogViewer::TextControl()->IsEmpty()) << "the open window is emptied too";
  EXPECT_EQ(Boxes(), BoxList{});
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
  EXPECT_EQ(Boxes(), BoxList{});

  launchSucceeds = false;
  EXPECT_TRUE(Command(GetParam().command));
  EXPECT_EQ(Boxes(), BoxList{ErrorBox(CString(u"No program to open ") + GetParam().url +
                                      u" was found on this computer.")});
}

INSTANTIATE_TEST_SUITE_P(
    Links, LinkTest,
    testing::Values(LinkCase{"SupportMail", 1007, u"mailto:support@ostrel.com"},
                    LinkCase{"WebSite", 5781, u"https://www.ostrel.com/corvane"}),
    ByName);

TEST(LogTailTest, TheEndOfTheLogStartsAtAnEntry) {
  TempDir dir;
  const std::string log = dir.File("corvane.log");
  EXPECT_EQ(CLogViewer::ReadTail(log, 100), u"") << "no log";
  WriteBytesToFile(log, "1 a\n2 b\n3 c\n");
  EXPECT_EQ(CLogViewer::ReadTail(log, 100), u"1 a\n2 b\n3 c\n");
  EXPECT_EQ(CLogViewer::ReadTail(log, 6), u"(Older entries are not shown.)\n3 c\n");
  WriteBytesToFile(log, "1 Z\xC3\xBCrich\n");
  EXPECT_EQ(CLogViewer::ReadTail(log, 100), u"1 Z\u00FCrich\n");
}

}  // namespace
