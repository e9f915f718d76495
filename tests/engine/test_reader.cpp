// CDelimitedTextReader: the separator, line and field rules over the decoded text, and
// buffer boundaries.
#include <gtest/gtest.h>
#include <unistd.h>

#include <algorithm>
#include <string>
#include <vector>

#include "SourceBytes.h"
#include "engine/rows/DelimitedTextReader.h"
#include "tests/platform/TempDir.h"

using namespace std::string_literals;

namespace {

using Rows = std::vector<FieldList>;

struct ReadResult {
  int prepare = -1;
  bool utf16 = false;
  FieldList columns;
  Rows rows;
  bool closedAtEnd = false;
};

// The next row's fields as UTF-16 texts; false at the end of the input.
bool NextFields(CDelimitedTextReader& reader, FieldList& row) {
  row.clear();
  if (!reader.NextRow())
    return false;
  reader.ForEachWindow(
      [&row](const std::string_view* fields, const std::string_view*, std::size_t count) {
        for (std::size_t k = 0; k < count; ++k)
          row.push_back(Utf8ToUtf16(fields[k]));
      });
  return true;
}

// Reads path to its end, each read giving at most readLimit bytes (0: no limit).
ReadResult ReadAll(const std::string& path, const char16_t* separator, size_t readLimit = 0) {
  ScopedSysCalls scoped(ShortReads(readLimit));
  ReadResult result;
  CDelimitedTextReader reader;
  EXPECT_TRUE(reader.Open(Utf8ToUtf16(path).c_str()));
  result.prepare = reader.Prepare(separator);
  result.utf16 = reader.IsUtf16();
  for (const std::string_view column : reader.Columns())
    result.columns.push_back(Utf8ToUtf16(column));
  if (result.prepare == 0) {
    FieldList row;
    while (NextFields(reader, row) && result.rows.size() < 1000)
      result.rows.push_back(row);
  }
  result.closedAtEnd = !reader.IsOpen();
  return result;
}

struct ReaderCase {
  const char* name;
  std::string bytes;
  const char16_t* separator;
  FieldList columns;
  Rows rows = {};
  int prepare = 0;  // 2: no header line
  bool utf16 = false;
};

const std::string kX(4095, 'x'), kY(4094, 'y'), kA(20, 'a'), kB(20, 'b');
const std::u16string kWideX(4095, u'x'), kWideY(4094, u'y'), kWideA(20, u'a'), kWideB(20, u'b');

const ReaderCase kReaderCases[] = {
    // Separator texts.
    {"TabWord", "a\tb\n1\t2\n", u"<tab>", {u"a", u"b"}, {{u"1", u"2"}}},
    {"EmptyIsTab", "a\tb\n1\t2\n", u"", {u"a", u"b"}, {{u"1", u"2"}}},
    {"NullIsTab", "a\tb\n1\t2\n", nullptr, {u"a", u"b"}, {{u"1", u"2"}}},
    {"TabName", "a\tb\n", u"tab", {u"a", u"b"}},
    {"TabEscape", "a\tb\n", u"\\t", {u"a", u"b"}},
    {"UpperTabWordIsLessThan", "x<y\tz\n", u"<TAB>", {u"x", u"y\tz"}},
    {"FirstCharacterOnly", "a;b;;c\n", u";;", {u"a", u"b", u"", u"c"}},
    {"LineFeedSeparatorNeverSplits", "a,b\nc\n", u"\n", {u"a,b"}, {{u"c"}}},
    // Line ends.
    {"CarriageReturnLineFeeds", "a,b\r\n1,2\r\n", u",", {u"a", u"b"}, {{u"1", u"2"}}},
    {"TrailingSeparator", "a,b,c\n1,2,\n", u",", {u"a", u"b", u"c"}, {{u"1", u"2", u""}}},
    // Regression: a last line ending in a separator used to vanish.
    {"TrailingSeparatorAtEnd", "a,b,c\n1,2,", u",", {u"a", u"b", u"c"}, {{u"1", u"2", u""}}},
    {"LastLineWithoutLineFeed", "a,b\n1,2", u",", {u"a", u"b"}, {{u"1", u"2"}}},
    {"EmptyLines", "a\n\nx\n\n", u",", {u"a"}, {{u""}, {u"x"}, {u""}}},
    // Every byte of the first block ends a field.
    {"SeparatorsFillABlock", "a\n" + std::string(99, ',') + "\n", u",", {u"a"}, {FieldList(100)}},
    // Carriage returns and no line feed: an old Mac file, whose lines end at carriage
    // returns (the window that tells it is tested below).
    {"OldMacLineEnds", "a,b\r1,2\r\r3,4", u",", {u"a", u"b"}, {{u"1", u"2"}, {u""}, {u"3", u"4"}}},
    {"OldMacUtf16", Utf16(u"a,b\r1,2\r"), u",", {u"a", u"b"}, {{u"1", u"2"}}, 0, true},
    {"CarriageReturnAtEnd", "a,b\n1,2\r", u",", {u"a", u"b"}, {{u"1", u"2"}}},
    {"LoneCarriageReturnAtEndIsNoRow", "a\n1\n\r", u",", {u"a"}, {{u"1"}}},
    {"SecondCarriageReturnKept", "x\r\r\n", u",", {u"x\r"}},
    // Characters (how bytes become characters is the decoder's own test).
    {"NulInsideField", "a\0b,c\n"s, u",", {u"a\0b"s, u"c"}},
    {"QuotesDoNotProtect", "\"a,b\"\n", u",", {u"\"a", u"b\""}},
    {"NonAsciiSeparator", "a€b\n1€2\n", u"€", {u"a", u"b"}, {{u"1", u"2"}}},
    {"LatinSeparatorMatchesLatin1Byte", "a§b\xA7\x63\n", u"§", {u"a", u"b", u"c"}},
    // Regression: a separator beyond U+FFFF split at its first surrogate half, cutting
    // every character that shares it in two.
    {"SupplementarySeparator", "a😀b😁c\n", u"😀", {u"a", u"b😁c"}},
    {"CarriageReturnSeparator", "a\r\rb\r\n", u"\r", {u"a", u"b"}},
    // Texts longer than the pieces and chunks that the reader decodes at a time.
    {"SequenceAcrossPieces", kX + "é" + kY + "€,z\n", u",", {kWideX + u"é" + kWideY + u"€", u"z"}},
    {"NonAsciiSeparatorInLongText", kA + "€" + kB + "😀\n", u"€", {kWideA, kWideB + u"😀"}},
    {"CarriageReturnInsideLongText", kA + "\r" + kB + "\r\rc\n", u",", {kWideA + kWideB + u"\rc"}},
    {"LineFeedAfterCarriageReturns", "a\rb\r\n1\n", u",", {u"ab"}, {{u"1"}}},
    // Files without a header line.
    {"EmptyFile", "", u",", {}, {}, 2},
    {"OnlyUtf16Mark", "\xFF\xFE", u",", {}, {}, 2, true},
    // UTF-16 (its decoding is the decoder's own test).
    {"Utf16NonAsciiSeparator", Utf16(u"a€b\n"), u"€", {u"a", u"b"}, {}, 0, true},
};

// A directory for the source; the log goes there too.
class InTempDir {
 protected:
  InTempDir() { setenv("XDG_STATE_HOME", m_dir.Path().c_str(), 1); }
  TempDir m_dir;
};

// Parameters: the case and the most bytes one read gives (0: no limit); reads that split
// characters, marks and UTF-16 units at every position must not change the result.
class ReaderCases : public InTempDir,
                    public ::testing::TestWithParam<std::tuple<ReaderCase, size_t>> {};

TEST_P(ReaderCases, GivesColumnsAndRows) {
  const auto& [c, limit] = GetParam();
  const ReadResult result = ReadAll(m_dir.Write("source.txt", c.bytes), c.separator, limit);
  EXPECT_EQ(result.prepare, c.prepare);
  EXPECT_EQ(result.utf16, c.utf16);
  if (c.prepare == 0) {
    EXPECT_EQ(result.columns, c.columns);
  }
  EXPECT_EQ(result.rows, c.rows);
  EXPECT_TRUE(result.closedAtEnd);
}

void PrintTo(const ReaderCase& c, std::ostream* out) {
  *out << c.name << " " << ::testing::PrintToString(c.bytes);
}

INSTANTIATE_TEST_SUITE_P(Reader, ReaderCases,
                         ::testing::Combine(::testing::ValuesIn(kReaderCases),
                                            ::testing::Values<size_t>(0, 1, 2, 3)),
                         [](const auto& info) {
                           const size_t limit = std::get<1>(info.param);
                           return std::string(std::get<0>(info.param).name) +
                                  (limit == 0 ? "_WholeReads" : "_ReadsOf" + std::to_string(limit));
                         });

class ReaderTest : public InTempDir, public ::testing::Test {};

// A field longer than three of the buffer's blocks, compared as a whole without printing
// megabytes on failure. Characters and UTF-16 units split across blocks are the cases'
// reads of one to three bytes.
TEST_F(ReaderTest, FieldLongerThanThreeBlocks) {
  std::string field;
  for (size_t i = 0; field.size() < 3 * CFile::kBufferSize; ++i)
    field += i % 7 ? "ab" : "é";
  EXPECT_TRUE(ReadAll(m_dir.Write("long.txt", "h,i\n" + field + ",z\n"), u",").rows ==
              (Rows{{Utf8ToUtf16(field), u"z"}}));
}

// The header decides the separator; it is read once, from the same buffer as the rows, so
// that a pipe loses nothing. Reads of one byte split the header from its rows.
TEST_F(ReaderTest, GuessedSeparatorSplitsTheHeaderAndTheRows) {
  const std::tuple<std::string, const char16_t*, bool> kSources[] = {
      {"a;b|c;d\n1;2|3;4\n", u";", false},
      {"a|b,c|d\n1|2,3|4\n", u"|", false},
      {"a\tb,c\n1\t2,3\n", u"<tab>", false},  // a tie: the earliest of tab, comma, bar, semicolon
      {"ab\n1\n", u"<tab>", false},
      // Quotes read by the reader's rule: one opens a field only at its start.
      {"\"a,b,c\"\td\n1\t2\n", u"<tab>", true},
      {"a\",b\",c|d|e\n1,2,3\n", u",", true},
      {"\"a;b;\"\"c\",d\n1,2\n", u",", true}};  // separators inside quotes don't count
  ScopedSysCalls scoped(ShortReads(1));
  for (const auto& [text, guess, quoted] : kSources) {
    CDelimitedTextReader reader;
    ASSERT_TRUE(reader.Open(Utf8ToUtf16(m_dir.Write("g.txt", text)).c_str()));
    reader.SetQuoted(quoted);
    ASSERT_EQ(reader.PrepareGuessingSeparator(), 0);
    EXPECT_EQ(reader.SeparatorText(), guess) << text;
    FieldList row;
    ASSERT_TRUE(NextFields(reader, row));
    EXPECT_EQ(row.size(), reader.Columns().size()) << text;
    EXPECT_EQ(row.front(), u"1");
  }
}

// The line end is chosen from the first 64 KiB of decoded text, however the reads cut it:
// carriage returns and no line feed there make an old Mac file, whose later line feeds are
// text. Read whole and in reads of 1000 bytes, so that the window spans many pieces.
TEST_F(ReaderTest, LineEndChosenFromTheFirst64KiB) {
  const std::size_t window = kLineEndWindow;
  // Lines of "x" ending in CR up to size bytes of text, after a header "h" and its CR.
  const auto crLines = [](std::size_t size) {
    std::string text = "h\r";
    while (text.size() + 2 <= size)
      text += "x\r";
    return text + std::string(size - text.size(), 'x');
  };
  // The text, whether it is an old Mac file, and its last row's only field.
  const std::tuple<const char*, std::string, bool, std::u16string> kCases[] = {
      {"CarriageReturnsOnly", crLines(3 * window) + "\rz", true, u"z"},
      {"LineFeedJustPastTheWindowIsText", crLines(window) + "\ny\r", true, u"\ny"},
      {"LineFeedAtTheWindowsEnd", crLines(window - 1) + "\ny\n", false, u"y"},
      {"MarkNotCounted", "\xEF\xBB\xBF" + crLines(window - 1) + "\ny\n", false, u"y"},
      {"Utf16CountedDecoded", Utf16(Utf8ToUtf16(crLines(window - 1) + "\ny\n")), false, u"y"},
  };
  for (const auto& [name, text, oldMac, last] : kCases) {
    for (const size_t readLimit : {0, 1000}) {
      ScopedSysCalls scoped(ShortReads(readLimit));
      CDelimitedTextReader reader;
      ASSERT_TRUE(reader.Open(Utf8ToUtf16(m_dir.Write("m.txt", text)).c_str()));
      ASSERT_EQ(reader.Prepare(u","), 0);
      EXPECT_EQ(reader.OldMacLineEnds(), oldMac) << name << " " << readLimit;
      FieldList row, lastRow;
      std::uint64_t bytesRead = 0;
      while (NextFields(reader, row)) {
        lastRow = row;
        // Progress over the text read to choose the line end goes forward and stays
        // within the file.
        EXPECT_GE(reader.BytesRead(), bytesRead) << name;
        bytesRead = reader.BytesRead();
      }
      EXPECT_EQ(lastRow, FieldList{last}) << name << " " << readLimit;
      EXPECT_EQ(bytesRead, text.size()) << name << " " << readLimit;
    }
  }
}

// Lines before the header are skipped as physical lines (a quote in them opens nothing);
// without a header line the names are column1, column2, ... and the first line is a row.
// Line numbers count every physical line.
TEST_F(ReaderTest, SkippedLinesAndNoHeader) {
  struct Case {
    const char* name;
    std::string text;
    std::int64_t skip;
    bool header;
    FieldList names;
    Rows rows;
    std::vector<std::int64_t> lines;
    int prepare = 0;
  };
  const Case kCases[] = {
      {"SkipATitle", "# exported 2024\na,b\n1,2\n", 1, true, {u"a", u"b"}, {{u"1", u"2"}}, {3}},
      {"SkipLinesNotRecords", "\"x\n\"y\na,b\n1,2\n", 2, true, {u"a", u"b"}, {{u"1", u"2"}}, {4}},
      {"NoHeader",
       "a,b\n1,2\n",
       0,
       false,
       {u"column1", u"column2"},
       {{u"a", u"b"}, {u"1", u"2"}},
       {1, 2}},
      {"SkipAndNoHeader",
       "t\n1,2,3\n4\n",
       1,
       false,
       {u"column1", u"column2", u"column3"},
       {{u"1", u"2", u"3"}, {u"4"}},
       {2, 3}},
      {"SkipPastTheEnd", "a\n", 1, true, {}, {}, {}, 2},
  };
  for (const Case& c : kCases) {
    CDelimitedTextReader reader;
    ASSERT_TRUE(reader.Open(Utf8ToUtf16(m_dir.Write("s.txt", c.text)).c_str()));
    reader.SetQuoted(true);
    reader.SetSkipLines(c.skip);
    reader.SetHeaderLine(c.header);
    ASSERT_EQ(reader.Prepare(u","), c.prepare) << c.name;
    FieldList names;
    for (const std::string_view name : reader.ColumnNames())
      names.push_back(Utf8ToUtf16(name));
    EXPECT_EQ(names, c.names) << c.name;
    Rows rows;
    std::vector<std::int64_t> lines;
    for (FieldList row; NextFields(reader, row);) {
      rows.push_back(row);
      lines.push_back(reader.LineNumber());
    }
    EXPECT_EQ(rows, c.rows) << c.name;
    EXPECT_EQ(lines, c.lines) << c.name;
  }
}

// Quoted fields are cut 64 bytes at a time, the quote state carried from block to block:
// each quote, separator and doubled quote below meets every position around the first two
// block edges, also where a quote out of place sends the line the slow way.
TEST_F(ReaderTest, QuotesAroundTheBlockEdges) {
  for (size_t pad = 48; pad < 140; ++pad) {
    const std::string x(pad, 'x');
    const std::u16string wideX(pad, u'x');
    const std::string text = "a,b,c\n" + x + ",\"p,\"\"q\"\"\",\"\"\n\"" + x + "\",\"\"\"\",r\n" +
                             x + ",y\"z,z\"\n\"" + x + "\"w,1,2\n3,\"" + x + "\n\",4\n";
    CDelimitedTextReader reader;
    ASSERT_TRUE(reader.Open(Utf8ToUtf16(m_dir.Write("q.txt", text)).c_str()));
    reader.SetQuoted(true);
    ASSERT_EQ(reader.Prepare(u","), 0);
    Rows rows;
    std::vector<CRowSplitter::Fault> faults;
    for (FieldList row; NextFields(reader, row);) {
      rows.push_back(row);
      faults.push_back(reader.RecordFault());
    }
    const Rows expected = {{wideX, u"p,\"q\"", u""},
                           {wideX, u"\"", u"r"},
                           {wideX, u"y\"z", u"z\""},
                           {wideX + u"w", u"1", u"2"},
                           {u"3", wideX + u"\n", u"4"}};
    using Fault = CRowSplitter::Fault;
    EXPECT_TRUE(rows == expected) << "pad " << pad;
    EXPECT_EQ(faults, (std::vector<Fault>{Fault::kNone, Fault::kNone, Fault::kNone,
                                          Fault::kTextAfterQuote, Fault::kNone}))
        << "pad " << pad;
  }
}

// A line over the limit fails with its number, also when it spans blocks or has no line
// feed; a line of exactly the limit is read.
TEST_F(ReaderTest, LinesOverTheLimitFailWithTheirNumber) {
  const std::string block(CFile::kBufferSize, 'x');
  // The text, the limit and the line that fails (0: read to the end).
  const std::tuple<std::string, std::uint64_t, std::int64_t> kCases[] = {
      {"h\n0123456789\n", 10, 0},
      {"h\n0123456789a\n", 10, 2},
      {"header\n1\n", 5, 1},
      {"h\n1\n" + block + block, 2 * CFile::kBufferSize - 1, 3},
      {"h\n1\n" + block + block + "\n", 2 * CFile::kBufferSize, 0}};
  for (const auto& [text, limit, line] : kCases) {
    CDelimitedTextReader reader;
    ASSERT_TRUE(reader.Open(Utf8ToUtf16(m_dir.Write("l.txt", text)).c_str()));
    reader.SetMaxLineBytes(limit);
    std::int64_t failingLine = 0;
    try {
      FieldList row;
      if (reader.Prepare(u",") == 0)
        while (NextFields(reader, row)) {
        }
    } catch (const CLineTooLong& error) {
      failingLine = error.LineNumber();
      EXPECT_EQ(error.Limit(), limit);
    }
    EXPECT_EQ(failingLine, line) << text.substr(0, 20) << " limit " << limit;
  }
}

}  // namespace
