// A page far into a file is read from the index entry's byte, not from the file's start:
// what it shows must be exactly what reading on from the start gives, and a source that
// can't be read from its middle must not be.
#include <gtest/gtest.h>

#include <fcntl.h>
#include <unistd.h>

#include <string>
#include <vector>

#include "../platform/TempDir.h"
#include "PageRows.h"
#include "engine/index/LineIndex.h"
#include "engine/preview/PreviewPage.h"
#include "tests/support/NamedCase.h"

namespace {

using corvane_test::operator<<;

using pagerows::Lines;
using pagerows::RowsOf;
using pagerows::Seen;

constexpr std::size_t kSmallTable = 8;

struct JumpCase {
  const char* name;
  std::string bytes;
  bool quoted = false;
  std::string encoding = {};  // chosen by name, else automatic
  bool jumps = true;          // the index offers the entry's byte, far enough in
};

// Well-formed up to its middle, where a byte that is not UTF-8 grows the text.
std::string LateWindows1252() {
  std::string text = Lines(300, "\n");
  text.insert(text.find('\n', text.size() / 2) + 1, "\xE9");
  return text;
}

const JumpCase kJumpCases[] = {
    {"LineFeeds", Lines(400, "\n")},
    {"CarriageReturnLineFeeds", Lines(400, "\r\n")},
    {"QuotedRecordsAcrossEntries", Lines(400, "\n", true), true},
    {"QuotedCarriageReturnLineFeeds", Lines(400, "\r\n", true), true},
    {"ByteOrderMark", "\xEF\xBB\xBF" + Lines(400, "\n")},
    // Entries before the byte jump, those after it read the text before them.
    {"LateWindows1252Byte", LateWindows1252()},
    {"OldMacLineEnds", Lines(400, "\r"), false, {}, false},
    {"Utf16",
     "\xFF\xFE" +
         [] {
           std::string wide;
           for (const char ch : Lines(300, "\n"))
             wide += std::string{ch, '\0'};
           return wide;
         }(),
     false,
     {},
     false},
    {"ChosenEncoding", Lines(400, "\n"), false, "ISO-8859-1", false},
};

class PreviewJumpTest : public ::testing::TestWithParam<JumpCase> {};

TEST_P(PreviewJumpTest, GivesThePageOfTheForwardRead) {
  const JumpCase& c = GetParam();
  const TempDir dir;
  ConversionRequest request;
  request.source = CString::FromUtf8(dir.Write("source.csv", c.bytes));
  request.separator = CString(u",");
  request.options.quoted = c.quoted;
  request.options.encoding = c.encoding;
  request.output = dir.WFile("page.json");
  request.rowLimit = kPreviewRows;
  CLineIndex index(kSmallTable);
  index.Start(request);
  index.Wait();
  const std::int64_t last = index.State().lines;
  ASSERT_GT(last, 300);

  // Pages from an entry's own line too, whose row is read from the entry's first byte.
  const std::int64_t entryInMiddle = index.ForLine(last / 2).at.line;
  const std::int64_t lastEntry = index.ForLine(last).at.line;
  int jumped = 0;
  for (const std::int64_t line :
       {std::int64_t{1}, std::int64_t{2}, std::int64_t{50}, entryInMiddle, last / 2, last / 2 + 1,
        lastEntry, last - 12, last - 3, last, last + 4}) {
    SCOPED_TRACE("line " + std::to_string(line));
    RowsFrom from = index.ForLine(line);
    jumped += from.sourceByte > 0;
    EXPECT_TRUE(from.sourceByte == 0 || c.jumps);
    request.from = from;
    std::int64_t firstRow = -1;
    const std::vector<Seen> page = RowsOf(request, &firstRow);
    from.sourceByte = 0;
    request.from = from;
    std::int64_t forwardFirstRow = -2;
    EXPECT_EQ(page, RowsOf(request, &forwardFirstRow));
    EXPECT_EQ(firstRow, forwardFirstRow);
  }
  EXPECT_EQ(jumped > 0, c.jumps);
}

INSTANTIATE_TEST_SUITE_P(Sources, PreviewJumpTest, ::testing::ValuesIn(kJumpCases),
                         corvane_test::ByName);

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

// The read limit counts from the file's start whether the page jumps or not.
TEST(PreviewJump, KeepsTheReadLimit) {
  const TempDir dir;
  ConversionRequest request = PageAtLine380(dir);
  RowsFrom from = *request.from;
  ASSERT_GT(from.sourceByte, 0u);
  // Within the page, in the middle of a row.
  request.options.maxSourceBytes = from.sourceByte + 150;
  request.from = from;
  const std::vector<Seen> jumped = RowsOf(request);
  from.sourceByte = 0;
  request.from = from;
  const std::vector<Seen> forward = RowsOf(request);
  EXPECT_EQ(jumped, forward);
  EXPECT_LT(forward.size(), static_cast<std::size_t>(kPreviewRows));
}

}  // namespace
