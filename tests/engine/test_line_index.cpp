// The index of where rows begin, and the pages it lets the preview show anywhere in a
// file: the rows a page shows from a line must be those rows of the whole conversion,
// read from the index entry's byte where the text is the file's own bytes, and no byte
// before it.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdlib>
#include <optional>
#include <string>
#include <vector>

#include "../platform/TempDir.h"
#include "PageRows.h"
#include "engine/conversion/ConvertToJson.h"
#include "engine/index/LineIndex.h"
#include "engine/preview/PreviewPage.h"
#include "engine/preview/PreviewTexts.h"
#include "libs/suppcore/HtmlPage.h"
#include "tests/support/NamedCase.h"

namespace {

using corvane_test::operator<<;

// So few entries that the step doubles many times and every page is read from an entry
// well before it.
constexpr std::size_t kSmallTable = 4;

using pagerows::Lines;
using pagerows::RowsOf;
using pagerows::Seen;

std::string Utf16Le(const std::string& ascii) {
  std::string bytes = "\xFF\xFE";
  for (const char ch : ascii) {
    bytes += ch;
    bytes += '\0';
  }
  return bytes;
}

struct IndexCase {
  const char* name;
  std::string bytes;
  bool quoted = false;
  bool headerLine = true;
  bool gzip = false;          // the source is the bytes compressed by gzip
  std::string encoding = {};  // chosen by name, else automatic
  bool jumps = true;          // pages far in are read from the entry's byte, not the start
};

// Well-formed up to its middle, where a byte that is not UTF-8 grows the text: entries
// before the byte jump, those after it read the text before them.
std::string LateWindows1252() {
  std::string text = Lines(300, "\n");
  text.insert(text.find('\n', text.size() / 2) + 1, "\xE9");
  return text;
}

class PageAtLineTest : public ::testing::TestWithParam<IndexCase> {};

const IndexCase kCases[] = {
    {"LineFeeds", Lines(400, "\n")},
    {"CarriageReturnLineFeeds", Lines(400, "\r\n")},
    {"QuotedRecordsOverTwoLines", Lines(400, "\n", true), true},
    {"QuotedCarriageReturnLineFeeds", Lines(400, "\r\n", true), true},
    {"ByteOrderMark", "\xEF\xBB\xBF" + Lines(400, "\n")},
    {"Utf16", Utf16Le(Lines(300, "\r\n")), false, true, false, {}, false},
    // Bytes that are not UTF-8 grow in the text: the index counts text, not bytes.
    {"Windows1252Bytes",
     "a,b\n" +
         [] {
           std::string rows;
           for (int row = 0; row < 150; ++row)
             rows += std::to_string(row) + ",\xE9\xE8\xE0\n";
           return rows;
         }(),
     false,
     true,
     false,
     {},
     false},
    {"LateWindows1252Byte", LateWindows1252()},
    {"ChosenEncoding", Lines(400, "\n"), false, true, false, "ISO-8859-1", false},
    {"NoHeaderLine", Lines(90, "\n"), false, false},
    {"OldMacLineEnds", Lines(400, "\r"), false, true, false, {}, false},
    {"Gzip", Lines(300, "\n"), false, true, true, {}, false},
    // Past the decoder's first pieces and the file's first blocks, read ahead on a thread.
    {"ThreeMegabytes", Lines(200000, "\n")},
};

TEST_P(PageAtLineTest, ShowsTheRowsOfTheWholeConversion) {
  const IndexCase& c = GetParam();
  const TempDir dir;
  ConversionRequest request;
  request.source = CString::FromUtf8(dir.Write("source.csv", c.bytes));
  if (c.gzip) {
    ASSERT_EQ(std::system(("gzip -n '" + dir.File("source.csv") + "'").c_str()), 0);
    request.source = dir.WFile("source.csv.gz");
  }
  request.separator = CString(u",");
  request.output = dir.WFile("all.json");
  request.options.quoted = c.quoted;
  request.options.headerLine = c.headerLine;
  request.options.encoding = c.encoding;
  const std::vector<Seen> all = RowsOf(request);
  ASSERT_GT(all.size(), 80u);

  CLineIndex index(kSmallTable);
  index.Start(request);
  index.Wait();
  const LineIndexState state = index.State();
  ASSERT_TRUE(state.done);
  EXPECT_EQ(state.rows, static_cast<std::int64_t>(all.size()));
  EXPECT_EQ(state.lines, all.back().lastLine);
  EXPECT_LE(index.Entries(), kSmallTable);

  request.output = dir.WFile("page.json");
  request.rowLimit = kPreviewRows;
  const std::int64_t last = all.back().lastLine;
  const std::int64_t middle = all[all.size() / 2].lastLine;
  // Pages from an entry's own line too, whose row is read from the entry's first byte.
  const std::int64_t entryInMiddle = index.ForLine(last / 2).at.line;
  const std::int64_t lastEntry = index.ForLine(last).at.line;
  int jumped = 0;
  for (const std::int64_t line :
       {std::int64_t{1}, std::int64_t{2}, std::int64_t{37}, std::int64_t{61}, entryInMiddle, middle,
        middle + 1, lastEntry, last - 12, last - 3, last, last + 5}) {
    SCOPED_TRACE("line " + std::to_string(line));
    std::size_t first = 0;
    while (first < all.size() && all[first].lastLine < line)
      ++first;
    const std::vector<Seen> expected(
        all.begin() + static_cast<std::ptrdiff_t>(first),
        all.begin() + static_cast<std::ptrdiff_t>(std::min(all.size(), first + kPreviewRows)));
    request.from = index.ForLine(line);
    jumped += request.from->sourceByte > 0;
    EXPECT_TRUE(request.from->sourceByte == 0 || c.jumps);
    std::int64_t firstRow = -1;
    EXPECT_EQ(RowsOf(request, &firstRow), expected);
    EXPECT_EQ(firstRow, static_cast<std::int64_t>(first));
  }
  EXPECT_EQ(jumped > 0, c.jumps);
  for (const std::int64_t row :
       {std::int64_t{0}, std::int64_t{43}, static_cast<std::int64_t>(all.size()) - kPreviewRows}) {
    SCOPED_TRACE("row " + std::to_string(row));
    request.from = index.ForRow(row);
    EXPECT_EQ(RowsOf(request),
              std::vector<Seen>(
                  all.begin() + row,
                  all.begin() + std::min<std::int64_t>(row + kPreviewRows,
                                                       static_cast<std::int64_t>(all.size()))));
  }
}

INSTANTIATE_TEST_SUITE_P(Sources, PageAtLineTest, ::testing::ValuesIn(kCases),
                         corvane_test::ByName);

std::string PageText(const char16_t* format, const char* a, const char* b, const char* c) {
  CString text;
  text.Format(format, CString::FromUtf8(a).GetString(), CString::FromUtf8(b).GetString(),
              CString::FromUtf8(c).GetString());
  return EscapeHtml(text.ToUtf8());
}

// The page says where it is, numbers its rows by line and shows a line left out in place.
TEST(PreviewPageAt, SaysWhereItIsAndShowsLinesLeftOutInPlace) {
  const TempDir dir;
  ConversionRequest request;
  request.source = CString::FromUtf8(dir.Write("source.csv", Lines(1500, "\n")));
  request.separator = CString(u",");
  CLineIndex index(kSmallTable);
  // Not built yet: the page reads on from the start and knows no total.
  MakePreviewPageAt(request, dir.WFile("p.json"), index, {PageTarget::By::kLine, 1200});
  std::string page = ReadBytesFromFile(dir.File("p.json.html"));
  EXPECT_NE(page.find(PageText(PreviewTexts::kPlaceAbout, "1,200", "1,209", "1,209")),
            std::string::npos);

  index.Start(request);
  index.Wait();
  const PageFacts facts =
      MakePreviewPageAt(request, dir.WFile("p.json"), index, {PageTarget::By::kLine, 1200});
  EXPECT_EQ(facts.firstRow, 1198);
  EXPECT_EQ(facts.firstLine, 1200);
  EXPECT_EQ(facts.lastLine, 1209);
  page = ReadBytesFromFile(dir.File("p.json.html"));
  EXPECT_NE(page.find(PageText(PreviewTexts::kPlace, "1,200", "1,209", "1,501")),
            std::string::npos);
  // Row 1,204 (line 1,205) has four fields.
  EXPECT_NE(page.find("<tr class=\"left-out\"><td class=\"line\">1,205</td>"), std::string::npos);
  EXPECT_NE(page.find("<td class=\"line\">1,206</td><td>1205</td>"), std::string::npos);

  MakePreviewPageAt(request, dir.WFile("p.json"), index, {PageTarget::By::kLine, 9999});
  page = ReadBytesFromFile(dir.File("p.json.html"));
  EXPECT_NE(page.find(PageText(PreviewTexts::kPastTheEnd, "9,999", "1,501", "")),
            std::string::npos);
}

// A source that can't be read leaves an index that says why, naming the file.
TEST(LineIndex, SaysWhyASourceCannotBeIndexed) {
  const TempDir dir;
  ConversionRequest request;
  request.source = dir.WFile("gone.csv");
  request.separator = CString(u",");
  CLineIndex index;
  index.Start(request);
  index.Wait();
  const LineIndexState state = index.State();
  EXPECT_FALSE(state.done);
  ASSERT_TRUE(state.failure);
  EXPECT_EQ(state.failure->ToUtf8(), dir.File("gone.csv") + ": No such file or directory");
}

// A page of 400 lines' source.csv in dir, set to start at line 380 by a finished index.
ConversionRequest PageAtLine380(const TempDir& dir) {
  ConversionRequest request;
  request.source = CString::FromUtf8(dir.Write("source.csv", Lines(400, "\n")));
  request.separator = CString(u",");
  request.output = dir.WFile("page.json");
  request.rowLimit = kPreviewRows;
  CLineIndex index(kSmallTable);
  index.Start(request);
  index.Wait();
  request.from = index.ForLine(380);
  return request;
}

// Proof that the bytes before the entry are not read at all: after the index is made they
// are overwritten in place with bytes that decode to longer text, which would move every
// row of a read from the start.
TEST(PreviewJump, ReadsNoByteBeforeTheEntry) {
  const TempDir dir;
  ConversionRequest request = PageAtLine380(dir);
  ASSERT_GT(request.from->sourceByte, 100u);
  const std::vector<Seen> before = RowsOf(request);
  ASSERT_EQ(before.front().line, 380);

  const int fd = open(dir.File("source.csv").c_str(), O_WRONLY);
  ASSERT_GE(fd, 0);
  const std::string overwrite(60, '\xE9');
  ASSERT_EQ(pwrite(fd, overwrite.data(), overwrite.size(), 40), 60);
  close(fd);
  EXPECT_EQ(RowsOf(request), before);
}

}  // namespace
