// The main window through its real controls, one case for each thing the user sees there:
// Convert with its checks and messages, the separator fields, the preview, the format and
// the encoding lists, the inputs restored at start and saved on closing, files dropped on
// the fields and a source changed on disk. What the conversion writes, the preview's files
// and the settings file's text are the engine's and the store's own tests.
#include <sys/stat.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <functional>

#include <glib.h>
#include <gtest/gtest.h>
#include <wx/choice.h>
#include <wx/dialog.h>
#include <wx/dnd.h>
#include <wx/filesys.h>
#include <wx/frame.h>
#include <wx/webview.h>

#include "engine/conversion/OutputFormat.h"
#include "engine/preview/PreviewTexts.h"
#include "libs/suppcore/HtmlPage.h"
#include "libs/suppcore/Log.h"
#include "platform/core/SysCalls.h"
#include "platform/gui/EditBrowseBox.h"
#include "platform/gui/MessageBox.h"
#include "platform/gui/WxText.h"
#include "tests/gui/MainWindowFixture.h"

namespace {

using corvane_test::operator<<;

CString Converted(int rows, const char16_t* secondLine = nullptr) {
  CString text;
  text.Format(u"%d rows has been converted", rows);
  return secondLine != nullptr ? text + u"\n" + secondLine : text;
}

struct ConvertCase {
  const char* name;
  const char* source;   // in the test's directory; "": the field is empty
  std::string content;  // written to source unless empty
  const char16_t* format;
  bool target;         // whether the output field names out.json
  MessageBoxCall box;  // text empty: none shown
  const char* starts;  // how the output begins; null: no output
};

// Separated by commas.
const ConvertCase kConvertCases[] = {
    {"EmptySourceFieldDoesNothing", "", "", u"JSON", true, {}, nullptr},
    {"MissingSourceBeforeEmptyOutput", "gone.txt", "", u"JSON", false,
     ErrorBox(u"The source text file does not exist or inaccessible"), nullptr},
    {"EmptyOutputField", "in.txt", SourceRows(2, ','), u"JSON", false,
     ErrorBox(u"The target file is not specified yet."), nullptr},
    {"Bson", "in.txt", SourceRows(3, ','), u"BSON", true, InfoBox(Converted(3)),
     "!"},  // a document of 33 bytes
    // Every note of the message, in its order.
    {"EveryNote", "in.txt", "a,a\r1,2\rbad,line,x\rbad,line,x\r", u"JSON", true,
     InfoBox(Converted(1,
                       u"Its lines end with carriage returns alone, as in an old Mac file.\n2 "
                       u"lines were left out because their number of fields differs from the "
                       u"header's; Tools > View Log lists them.\n1 repeated column name(s) "
                       u"renamed, since readers of JSON and BSON keep only one of two equal "
                       u"names: a -> a_2")),
     "["},
};

class ConvertTest : public MainWindowTest, public testing::WithParamInterface<ConvertCase> {};

TEST_P(ConvertTest, ConvertChecksConvertsAndReports) {
  const ConvertCase& c = GetParam();
  Open();
  if (!c.content.empty())
    Source(c.source, c.content);
  Choose(IDC_FORMAT, c.format);
  Choose(IDC_SEPARATOR, u",");
  // A name of no format's extension, which neither chooses the format nor follows it.
  SetText(IDC_TARGET_FILE, c.target ? dir.WFile("out.data") : CString());
  SetText(IDC_SOURCE_FILE, *c.source ? dir.WFile(c.source) : CString());

  PressButton(*dlg, IDC_CONVERT);

  EXPECT_EQ(Boxes(), c.box.text.IsEmpty() ? BoxList{} : BoxList{c.box});
  if (c.starts != nullptr) {
    EXPECT_EQ(ReadBytesFromFile(dir.File("out.data")).substr(0, 1), c.starts);
  } else if (c.box.caption != kErrorCaption) {
    EXPECT_FALSE(std::filesystem::exists(dir.File("out.data")));
  }
}

void PrintTo(const ConvertCase& c, std::ostream* out) {
  *out << c.name << " " << ::testing::PrintToString(c.content);
}

INSTANTIATE_TEST_SUITE_P(Cases, ConvertTest, testing::ValuesIn(kConvertCases), ByName);

// "Keep lines left out" (Alt+K) writes them beside the output, after the header line, and
// the message says where.
TEST_F(MainWindowTest, KeepLinesLeftOutWritesThemBesideTheOutput) {
  Open();
  Source("in.txt", SourceRows(2, ',') + "bad,line,x\n");
  Choose(IDC_SEPARATOR, u",");
  SetText(IDC_TARGET_FILE, dir.WFile("out.json"));
  SetText(IDC_SOURCE_FILE, dir.WFile("in.txt"));
  PressKey('k', wxMOD_ALT);
  ASSERT_TRUE(dlg->IsDlgButtonChecked(IDC_KEEP_LEFT_OUT));
  PressButton(*dlg, IDC_CONVERT);
  const CString rejects = dir.WFile("out.json.rejected.txt");
  EXPECT_EQ(Boxes(), BoxList{InfoBox(Converted(2,
                                               u"1 line was left out because its number of "
                                               u"fields differs from the header's; Tools > "
                                               u"View Log lists it.") +
                                     u"\nThe lines left out are kept in " + rejects + u".")});
  EXPECT_EQ(ReadBytesFromFile(rejects.ToUtf8()), "name,value\nbad,line,x\n");
}

// The reason for a failed conversion is the second line, whether the conversion reports it
// or throws it, and the log has it with the file. Neither the preview nor Convert waits for
// a writer to open a FIFO.
TEST_F(MainWindowTest, ConversionErrorsAreReported) {
  Open();
  ASSERT_EQ(mkfifo(dir.File("pipe").c_str(), 0600), 0);
  SetText(IDC_TARGET_FILE, dir.WFile("out.json"));
  SetText(IDC_SOURCE_FILE, dir.WFile("pipe"));
  PressButton(*dlg, IDC_CONVERT);
  SetText(IDC_SOURCE_FILE, Source("in.txt", SourceRows(25, '\t')));
  CLog::Truncate();
  ScopedSysCalls seam(FullDisk());
  PressButton(*dlg, IDC_CONVERT);
  EXPECT_EQ(Boxes(), (BoxList{ErrorBox(u"Conversion error.\n" + dir.WFile("pipe") + u": is a FIFO"),
                              ErrorBox(u"Conversion error.\n" + dir.WFile("out.json") +
                                       u": No space left on device")}));
  EXPECT_NE(ReadBytesFromFile(CLog::GetLogPath().ToUtf8())
                .find(dir.File("out.json") + ": No space left on device"),
            std::string::npos);
}

// With BSON chosen the page is still built from JSON; it shows the first ten rows.
TEST_F(MainWindowTest, StartUpRestoresTheInputsAndShowsOnePreview) {
  store.SetSourceFile(Source("in.txt", SourceRows(25, ',')));
  store.SetOutputFile(u"out.json");
  store.SetSeparator(u"Custom");
  store.SetCustomSeparator(u",");
  store.SetFormat(u"BSON");
  store.SetQuotedFields(true);
  store.SetTypedValues(true);
  // The header and the first row skipped, the second row taken for names: rows 2 to 11.
  store.SetSkipLines(2);
  store.SetHeaderLine(false);
  Open();
  EXPECT_EQ(
      (std::vector<CString>{Text(IDC_SOURCE_FILE), Text(IDC_TARGET_FILE), Text(IDC_SEPARATOR),
                            Text(IDC_CUSTOM_SEPARATOR), Text(IDC_FORMAT), Text(IDC_SKIP_LINES)}),
      (std::vector<CString>{dir.WFile("in.txt"), u"out.json", u"Custom", u",", u"BSON", u"2"}));
  EXPECT_FALSE(dlg->IsDlgButtonChecked(IDC_HEADER_LINE));
  EXPECT_TRUE(dlg->GetDlgItem(IDC_CUSTOM_SEPARATOR)->IsWindowEnabled());
  EXPECT_TRUE(dlg->IsDlgButtonChecked(IDC_QUOTED_FIELDS) &&
              dlg->IsDlgButtonChecked(IDC_TYPED_VALUES));
  const std::string page = ShownPage(dlg->PreviewFile());
  EXPECT_NE(page.find("<th>column2</th>"), std::string::npos) << page;
  EXPECT_NE(page.find("<td>row11</td>"), std::string::npos) << page;
  EXPECT_EQ(page.find("<td>row1</td>"), std::string::npos);
  EXPECT_EQ(page.find("<td>row12</td>"), std::string::npos);
  EXPECT_EQ(Boxes(), BoxList{});
}

// The encoding list: a choice re-renders the page, is what Convert reads the source in (the
// bytes it cannot decode said in the message), and is saved on quitting.
TEST_F(MainWindowTest, EncodingListChoosesHowTheSourceIsReadAndIsKept) {
  store.SetSeparator(u",");
  Open();
  SetText(IDC_TARGET_FILE, dir.WFile("out.json"));
  SetText(IDC_SOURCE_FILE, Source("in.txt", "\xE8\xEC\xFF,\xE3\n\xC0,1\x98\n"));
  EXPECT_NE(ShownPage(dlg->PreviewFile()).find("not UTF-8 at byte 1: Windows-1252"),
            std::string::npos);
  Choose(IDC_ENCODING, u"Windows-1251");
  EXPECT_NE(ShownPage(dlg->PreviewFile()).find("<th>имя</th>"), std::string::npos);
  PressButton(*dlg, IDC_CONVERT);
  EXPECT_EQ(ReadBytesFromFile(dir.File("out.json")),
            "[\n  {\n    \"имя\": \"А\",\n    \"г\": \"1\uFFFD\"\n  }\n]\n");
  PressButton(*dlg, IDCANCEL);
  EXPECT_EQ(store.Encoding(), u"Windows-1251");
  EXPECT_EQ(
      Boxes(),
      BoxList{InfoBox(Converted(1, u"1 byte(s) could not be decoded and were read as U+FFFD"))});
}

// A store that is no key file; a file where a folder should be.
TEST_F(MainWindowTest, SettingsThatCannotBeReadOrSavedAreShownInABox) {
  WriteBytesToFile(dir.File("corvane.ini"), "[Settings]\nCustom x\n");
  store.LoadData();
  Open();
  WriteBytesToFile(dir.File("blocker"), "");
  store.SetPath(dir.File("blocker/corvane.ini"));
  PressButton(*dlg, IDCANCEL);
  EXPECT_EQ(Boxes(), (BoxList{{store.LoadProblem(), kErrorCaption, MB_ICONWARNING},
                              ErrorBox(u"Could not save the settings file '" +
                                       dir.WFile("blocker/corvane.ini") + u"': Not a directory")}));
}

// The custom separator field is enabled for Custom only and keeps its text. Enter in a
// field does not close the window.
TEST_F(MainWindowTest, PreviewFollowsTheSourceTheSeparatorAndQuotedFieldsAndLeavesNothing) {
  Open();
  CWnd* custom = dlg->GetDlgItem(IDC_CUSTOM_SEPARATOR);
  EXPECT_FALSE(custom->IsWindowEnabled());
  Choose(IDC_SEPARATOR, u"Custom");
  EXPECT_TRUE(custom->IsWindowEnabled());
  SetText(IDC_CUSTOM_SEPARATOR, u";");
  CLog::Truncate();
  SetText(IDC_SOURCE_FILE, CString::FromUtf8(dir.Path()));
  SetText(IDC_SOURCE_FILE, Source("short.txt", "name;value\n1\n"));
  EXPECT_EQ(ReadBytesFromFile(CLog::GetLogPath().ToUtf8()), "") << "the preview logs nothing";

  SetText(IDC_SOURCE_FILE, Source("first.txt", "name;value\nfirst;1\n"));
  EXPECT_NE(ShownPage(dlg->PreviewFile()).find("<td>first</td>"), std::string::npos);
  SetText(IDC_CUSTOM_SEPARATOR, u"|");
  EXPECT_NE(ShownPage(dlg->PreviewFile()).find("<td>first;1</td>"), std::string::npos);
  SetText(IDC_SOURCE_FILE, Source("header.txt", "name|value\n"));
  EXPECT_EQ(ShownPage(dlg->PreviewFile()).find("first;1"), std::string::npos)
      << "a source without rows never shows the rows of the one before";
  SetText(IDC_SOURCE_FILE, Source("quoted.txt", "name|value\n\"a|b\"|c\n"));
  PressKey('q', wxMOD_ALT);
  EXPECT_NE(ShownPage(dlg->PreviewFile()).find("<td>a|b</td>"), std::string::npos) << "Alt+Q";
  Choose(IDC_SEPARATOR, u",");
  EXPECT_FALSE(custom->IsWindowEnabled());
  EXPECT_EQ(custom->GetWindowText(), u"|");
  FocusOn(*dlg, IDC_TARGET_FILE);
  PressKey(WXK_RETURN);
  EXPECT_TRUE(dlg->GetFrame()->IsShown());
  SetText(IDC_SOURCE_FILE, CString::FromUtf8(dir.Path()));
  const std::string failed = ShownPage(dlg->PreviewFile());
  EXPECT_EQ(failed.find("a|b"), std::string::npos) << "a source that cannot be read";
  EXPECT_NE(failed.find(EscapeHtml(CString(PreviewTexts::kCannotRead).ToUtf8().substr(0, 20))),
            std::string::npos);
  const std::filesystem::path folder = dlg->PreviewFile().ToUtf8();
  Destroy();
  EXPECT_FALSE(std::filesystem::exists(folder.parent_path()));
}

// A new source whose header is one column under the chosen separator takes the one of
// the list that splits it (what the page says then is the preview's own test); a separator
// chosen afterwards stays, as does one that splits the header already.
TEST_F(MainWindowTest, ANewSourceTakesTheSeparatorThatSplitsItsHeader) {
  Open();
  Choose(IDC_SEPARATOR, u",");
  SetText(IDC_SOURCE_FILE, Source("semicolons.csv", "a;b;c\n1;2;3\n"));
  EXPECT_EQ(Text(IDC_SEPARATOR), u";");
  EXPECT_NE(ShownPage(dlg->PreviewFile()).find("<td>2</td>"), std::string::npos);
  Choose(IDC_SEPARATOR, u"|");
  EXPECT_EQ(Text(IDC_SEPARATOR), u"|") << "the user's choice for the same source stays";
  SetText(IDC_SOURCE_FILE, Source("bars.csv", "a|b,c\n1|2,3\n"));
  EXPECT_EQ(Text(IDC_SEPARATOR), u"|");
  EXPECT_EQ(Boxes(), BoxList{});
}

// Another page, as a link, a typed or a dropped address would ask for, is refused, and
// showing pages leaves nothing in the user's cache and data folders.
TEST_F(MainWindowTest, PaneShowsOnlyItsOwnPagesAndKeepsNoData) {
  Open();
  SetText(IDC_SOURCE_FILE, Source("in.txt", "a\tb\n1\t2\n"));
  ASSERT_NE(ShownPage(dlg->PreviewFile()).find("<td>1</td>"), std::string::npos);
  // The web engine keeps a program's data in a folder named after it.
  for (const char* folder : {"XDG_CACHE_HOME", "XDG_DATA_HOME"})
    EXPECT_FALSE(std::filesystem::exists(std::filesystem::path(getenv(folder)) / g_get_prgname()));
  Source("other.html", "<html><title>Other</title></html>");
  auto* pane = dynamic_cast<wxWebView*>(Item(IDC_PREVIEW));
  pane->LoadURL(wxFileSystem::FileNameToURL(wxString::FromUTF8(dir.File("other.html"))));
  EXPECT_FALSE(PumpUntil([&] { return pane->GetCurrentTitle() == "Other"; }, 3000));
}

// The format list offers the formats' table; the save dialog offers the chosen format's files
// first and adds its extension; an output name ending in one of the formats' extensions (any
// case, also .ndjson) follows the choice, and the format follows such a name when it is
// typed; any other name leaves both as they are.
TEST_F(MainWindowTest, OutputFilterExtensionAndNameFollowTheFormat) {
  store.SetOutputFile(dir.WFile("saved.bson"));
  Open();
  EXPECT_EQ(Text(IDC_TARGET_FILE), dir.WFile("saved.bson")) << "opening renames nothing";
  wxArrayString labels;
  for (const OutputFormatName& format : OutputFormatNames())
    labels.push_back(wxString::FromUTF8(format.label.data(), format.label.size()));
  EXPECT_EQ(dynamic_cast<wxChoice*>(Item(IDC_FORMAT))->GetStrings(), labels);
  auto* box = dynamic_cast<CEditBrowseBox*>(Item(IDC_TARGET_FILE));
  for (auto [output, typed, format, followed, extension] :
       {std::tuple{"out.json", u"JSON", u"BSON", "out.bson", "bson"},
        {"x.JSON", u"JSON", u"JSON Lines", "x.jsonl", "jsonl"},
        {"a.ndjson", u"JSON Lines", u"JSON", "a.json", "json"},
        {"own.data", u"JSON", u"BSON", "own.data", "bson"},
        {"d.json/rows", u"BSON", u"JSON Lines", "d.json/rows", "jsonl"}}) {
    SetText(IDC_TARGET_FILE, dir.WFile(output));
    EXPECT_EQ(Text(IDC_FORMAT), typed) << output;
    EXPECT_EQ(Text(IDC_TARGET_FILE), dir.WFile(output)) << "the name stays as typed";
    Choose(IDC_FORMAT, format);
    EXPECT_EQ(Text(IDC_TARGET_FILE), dir.WFile(followed)) << output;
    EXPECT_EQ(box->GetWildcard().AfterFirst('|').BeforeFirst('|'), wxString("*.") + extension);
    EXPECT_EQ(box->CompletePath(u"name"), CString(u"name.") + CString::FromUtf8(extension));
  }
}

struct QuitWay {
  const char* name;
  std::function<void(CMainWindowProbe&)> close;
};
class QuitTest : public MainWindowTest, public testing::WithParamInterface<QuitWay> {};

TEST_P(QuitTest, EveryWayOfClosingSavesTheTextsAndTheCheckBoxes) {
  Open();
  for (const int key : {'q', 't', 'k'})
    PressKey(key, wxMOD_ALT);
  SetText(IDC_TARGET_FILE, u"out.json");
  Choose(IDC_FORMAT, u"BSON");
  Choose(IDC_SEPARATOR, u"|");
  SetText(IDC_CUSTOM_SEPARATOR, u";");
  SetText(IDC_SOURCE_FILE, dir.WFile("never-converted.txt"));
  SetText(IDC_SKIP_LINES, u"2");
  PressKey('n', wxMOD_ALT);
  GetParam().close(*dlg);
  EXPECT_TRUE(PumpUntil([&] { return !dlg->GetFrame()->IsShown(); })) << "still shown";
  Destroy();
  CSettings saved;
  saved.SetPath(dir.File("corvane.ini"));
  saved.LoadData();
  EXPECT_EQ(
      (std::vector<CString>{saved.SourceFile(), saved.OutputFile(), saved.Separator(),
                            saved.CustomSeparator(), saved.Format()}),
      (std::vector<CString>{dir.WFile("never-converted.txt"), u"out.bson", u"|", u";", u"BSON"}));
  EXPECT_TRUE(saved.QuotedFields() && saved.TypedValues() && saved.KeepLinesLeftOut());
  EXPECT_EQ(saved.SkipLines(), 2);
  EXPECT_FALSE(saved.HeaderLine());
  EXPECT_GT(saved.getInt(u"MainWnd.Width"), 0) << "the library's placement is saved with them";
}

INSTANTIATE_TEST_SUITE_P(
    Ways, QuitTest,
    testing::Values(QuitWay{"Escape",
                            [](CMainWindowProbe& d) {
                              FocusOn(d, IDC_TARGET_FILE);
                              PressKey(WXK_ESCAPE);
                            }},
                    QuitWay{"CloseBox", [](CMainWindowProbe& d) { d.GetFrame()->Close(); }}),
    ByName);

// A file dropped on a field sets that field, whichever it is: the field's own text drop
// does not take it.
TEST_F(MainWindowTest, AFileDroppedOnAFieldSetsThatField) {
  Open();
  const CString dropped = Source("dropped\xE9.csv", "a\tb\n1\t2\n");
  for (int id : {IDC_SOURCE_FILE, IDC_TARGET_FILE}) {
    auto* field = dynamic_cast<CEditBrowseBox*>(Item(id))->GetTextCtrl();
    auto* target = dynamic_cast<wxFileDropTarget*>(field->GetDropTarget());
    ASSERT_TRUE(target && target->OnDropFiles(0, 0, wxArrayString(1, PathToWx(dropped)))) << id;
    EXPECT_EQ(Text(id), dropped) << id;
    SetText(id, u"");
  }
}

// The page follows the source when it is written again on disk, and when it is removed.
TEST_F(MainWindowTest, ThePreviewFollowsTheSourceOnDisk) {
  Open();
  SetText(IDC_SOURCE_FILE, Source("in.txt", "a\tb\nbefore\t1\n"));
  ASSERT_NE(ShownPage(dlg->PreviewFile()).find("before"), std::string::npos);
  Source("in.txt", "a\tb\nafter\t2\n");
  auto* pane = dynamic_cast<wxWebView*>(Item(IDC_PREVIEW));
  const auto shows = [pane](const char* text) {
    return PumpUntil(
        [&] { return pane->GetPageSource().utf8_string().find(text) != std::string::npos; }, 10000);
  };
  EXPECT_TRUE(shows("after"));
  ASSERT_EQ(unlink(dir.File("in.txt").c_str()), 0);
  EXPECT_TRUE(shows("No such file or directory"));
  EXPECT_EQ(Boxes(), BoxList{});
}

}  // namespace
