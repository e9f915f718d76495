// Several sources in the window: the field's list, a drop of several files, Convert into a
// folder with one message, and one Cancel for all.
#include <sys/stat.h>

#include <filesystem>
#include <string>
#include <vector>

#include <wx/window.h>

#include "engine/conversion/ConvertToJson.h"
#include "platform/core/Formatted.h"
#include "platform/gui/WxText.h"
#include "tests/gui/MainWindowFixture.h"
#include "ui/BatchTexts.h"
#include "ui/SourceList.h"

namespace {

using corvane_test::operator<<;

struct ListCase {
  const char* name;
  const char16_t* text;
  std::vector<CString> sources;
  const char16_t* problem;  // null: none; else the start of the text
};

const ListCase kListCases[] = {
    {"Several", u"\"/d/a.csv\" \"/d/b c.csv\"", {u"/d/a.csv", u"/d/b c.csv"}, nullptr},
    {"QuoteNotClosed", u"\"a.csv\" \"b.csv", {}, kListQuoteNotClosed},
    {"TextAfterAQuote", u"\"a.csv\"x \"b.csv\"", {}, u"The list of sources has text outside"},
    {"NameWithoutQuotes", u"\"a.csv\" b.csv", {}, u"The list of sources has text outside"},
    {"EmptyName", u"\"a.csv\" \"\"", {}, kListEmptyName},
};

class SourceListCases : public testing::TestWithParam<ListCase> {};

TEST_P(SourceListCases, ReadsTheFieldsText) {
  const ListCase& c = GetParam();
  const SourceList list = ReadSourceList(c.text);
  EXPECT_EQ(list.sources, c.sources);
  if (c.problem == nullptr) {
    EXPECT_TRUE(list.problem.IsEmpty()) << list.problem.ToUtf8();
  } else {
    EXPECT_EQ(list.problem.View().substr(0, CString(c.problem).View().size()),
              CString(c.problem).View());
    EXPECT_NE(list.problem.View().find(CString(kListHowTo).View()), std::u16string_view::npos);
  }
  // What is written for the sources reads back as them.
  if (!c.sources.empty()) {
    EXPECT_EQ(ReadSourceList(WriteSourceList(c.sources).text).sources, c.sources);
  }
}

INSTANTIATE_TEST_SUITE_P(Window, SourceListCases, testing::ValuesIn(kListCases), ByName);

class WindowBatchTest : public MainWindowTest {
 protected:
  // Three sources with their outputs' places in out/ holding "precious".
  std::vector<CString> Sources(int rows) {
    std::filesystem::create_directory(dir.File("out"));
    std::vector<CString> sources;
    for (const char* name : {"a", "b", "c"}) {
      sources.push_back(Source(std::string(name) + ".csv", SourceRows(rows, ',')));
      WriteBytesToFile(dir.File("out/" + std::string(name) + ".json"), "precious");
    }
    return sources;
  }
  std::string Output(const char* name) {
    return ReadBytesFromFile(dir.File("out/" + std::string(name)));
  }
  // The window opened with sources listed in its field, commas as separator and out/ as
  // the folder.
  void OpenWithList(const std::vector<CString>& sources) {
    Open();
    Choose(IDC_SEPARATOR, u",");
    SetText(IDC_TARGET_FILE, dir.WFile("out"));
    SetText(IDC_SOURCE_FILE, WriteSourceList(sources).text);
  }
  // What converting source alone writes.
  std::string Single(const CString& source) {
    ConversionRequest request;
    request.source = source;
    request.separator = CString(u",");
    request.output = dir.WFile("single.json");
    EXPECT_TRUE(ConvertToJson(request).Converted());
    return ReadBytesFromFile(dir.File("single.json"));
  }
};

// Typed as a list, the sources go into the folder, each as a single conversion writes it,
// and one message tells them all; the labels say what the fields hold.
TEST_F(WindowBatchTest, SeveralSourcesTypedConvertIntoTheFolder) {
  const std::vector<CString> sources = Sources(25);
  OpenWithList(sources);
  EXPECT_EQ(Text(IDC_TARGET_LABEL), CString(kOutputFolderLabel));
  EXPECT_EQ(Text(IDC_PREVIEW_LABEL), Formatted(kPreviewOfSeveral, 3));
  EXPECT_NE(ShownPage(dlg->PreviewFile()).find("row10"), std::string::npos);

  PressButton(*dlg, IDC_CONVERT);
  const CString lines = CString(u"\n") + sources[0] + u": 25 rows written, 0 lines left out\n" +
                        sources[1] + u": 25 rows written, 0 lines left out\n" + sources[2] +
                        u": 25 rows written, 0 lines left out";
  EXPECT_EQ(Boxes(), BoxList{InfoBox(Formatted(kBatchTotal, 3LL, 3LL, 75LL) + lines)});
  for (std::size_t i = 0; i < sources.size(); ++i)
    EXPECT_TRUE(Output(i == 0   ? "a.json"
                       : i == 1 ? "b.json"
                                : "c.json") == Single(sources[i]))
        << i;

  // Edited back to one file, the output is a file again.
  SetText(IDC_SOURCE_FILE, sources[1]);
  EXPECT_EQ(Text(IDC_TARGET_LABEL), CString(kOutputFileLabel));
  EXPECT_EQ(Text(IDC_PREVIEW_LABEL), CString(kPreviewLabel));
}

// One Cancel stops every conversion of a slowed batch: every hidden output goes, every
// earlier output stays, and nothing more is said.
TEST_F(WindowBatchTest, OneCancelStopsThemAll) {
  const std::vector<CString> sources = Sources(300000);
  OpenWithList(sources);
  ConvertAndCancel();
  EXPECT_EQ(Boxes(), BoxList{});
  for (const char* name : {"a.json", "b.json", "c.json"})
    EXPECT_TRUE(Output(name) == "precious") << name;
  EXPECT_EQ(HiddenFiles(dir.File("out")), 0);
  EXPECT_TRUE(Item(IDC_CONVERT)->IsEnabled());
}

}  // namespace
