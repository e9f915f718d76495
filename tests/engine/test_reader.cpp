// CDelimitedTextReader: encodings, line and field rules, buffer boundaries.
#include <gtest/gtest.h>
#include <unistd.h>

#include <algorithm>
#include <string>
#include <vector>

#include "TestFiles.h"
#include "engine/DelimitedTextReader.h"
#include "platform/core/SysCalls.h"

using namespace std::string_literals;
using testfiles::TempDir;
using testfiles::U16;

namespace {

struct ReadResult {
  int prepare = -1;
  bool utf16 = false;
  FieldList columns;
  std::vector<FieldList> rows;
  bool closedAtEnd = false;
};

ReadResult ReadAll(const std::string& path, const char16_t* separator) {
  ReadResult result;
  CDelimitedTextReader reader;
  EXPECT_TRUE(reader.m_file.Open(U16(path).c_str(), CFile::typeText | CFile::shareDenyWrite));
  result.prepare = reader.Prepare(separator);
  result.utf16 = reader.m_utf16;
  result.columns = reader.Columns();
  if (result.prepare == 0) {
    FieldList row;
    while (reader.ReadRow(row) == 0 && result.rows.size() < 1000)
      result.rows.push_back(row);
  }
  result.closedAtEnd = !reader.m_file.IsOpen();
  return result;
}

std::string Utf16Bytes(std::u16string_view text, bool bigEndian) {
  std::string bytes;
  for (char16_t unit : text) {
    const char low = static_cast<char>(unit & 0xFF), high = static_cast<char>(unit >> 8);
    bytes += bigEndian ? std::string{high, low} : std::string{low, high};
  }
  return bytes;
}
std::string Utf16LE(std::u16string_view text) {
  return "\xFF\xFE"s + Utf16Bytes(text, false);
}
std::string Utf16BE(std::u16string_view text) {
  return "\xFE\xFF"s + Utf16Bytes(text, true);
}

struct ReaderCase {
  const char* name;
  std::string bytes;
  const char16_t* separator;
  int prepare;
  FieldList columns;
  std::vector<FieldList> rows;
  bool utf16 = false;
};

const ReaderCase kReaderCases[] = {
    // Separator texts.
    {"TabWord", "a\tb\n1\t2\n", u"<tab>", 0, {u"a", u"b"}, {{u"1", u"2"}}},
    {"EmptyIsTab", "a\tb\n1\t2\n", u"", 0, {u"a", u"b"}, {{u"1", u"2"}}},
    {"NullIsTab", "a\tb\n1\t2\n", nullptr, 0, {u"a", u"b"}, {{u"1", u"2"}}},
    {"UpperTabWordIsLessThan", "x<y\tz\n", u"<TAB>", 0, {u"x", u"y\tz"}, {}},
    {"FirstCharacterOnly", "a;b;;c\n", u";;", 0, {u"a", u"b", u"", u"c"}, {}},
    {"LineFeedSeparatorNeverSplits", "a,b\nc\n", u"\n", 0, {u"a,b"}, {{u"c"}}},
    // Line ends.
    {"CarriageReturnLineFeeds", "a,b\r\n1,2\r\n", u",", 0, {u"a", u"b"}, {{u"1", u"2"}}},
    {"TrailingSeparator", "a,b,c\n1,2,\n", u",", 0, {u"a", u"b", u"c"}, {{u"1", u"2", u""}}},
    // Regression: a last line ending in a separator used to vanish.
    {"TrailingSeparatorAtEnd", "a,b,c\n1,2,", u",", 0, {u"a", u"b", u"c"}, {{u"1", u"2", u""}}},
    {"LastLineWithoutLineFeed", "a,b\n1,2", u",", 0, {u"a", u"b"}, {{u"1", u"2"}}},
    {"EmptyLines", "a\n\nx\n\n", u",", 0, {u"a"}, {{u""}, {u"x"}, {u""}}},
    {"LoneCarriageReturnsRunTogether", "a,b\r1,2\r", u",", 0, {u"a", u"b1", u"2"}, {}},
    {"CarriageReturnAtEnd", "a,b\n1,2\r", u",", 0, {u"a", u"b"}, {{u"1", u"2"}}},
    {"SecondCarriageReturnKept", "x\r\r\n", u",", 0, {u"x\r"}, {}},
    // Characters.
    {"NulInsideField", "a\0b,c\n"s, u",", 0, {u"a\0b"s, u"c"}, {}},
    {"QuotesDoNotProtect", "\"a,b\"\n", u",", 0, {u"\"a", u"b\""}, {}},
    {"Utf8TwoBytes", "caf\xC3\xA9\n", u",", 0, {u"caf\u00E9"}, {}},
    {"Latin1Byte", "caf\xE9\n", u",", 0, {u"caf\u00E9"}, {}},
    {"Utf8FourBytes", "\xF0\x9F\x98\x80!\n", u",", 0, {u"\U0001F600!"}, {}},
    {"OverlongIsBytes", "\xC0\xAF\n", u",", 0, {u"\u00C0\u00AF"}, {}},
    {"BrokenSequenceIsBytes", "\xE2\x82\x41\n", u",", 0, {u"\u00E2\u0082A"}, {}},
    {"TruncatedSequenceAtEnd", "a\xE2\x82", u",", 0, {u"a\u00E2\u0082"}, {}},
    {"Utf8MarkSkipped", "\xEF\xBB\xBF\x61,b\n", u",", 0, {u"a", u"b"}, {}},
    {"HalfMarkIsText", "\xEF\xBBx\n", u",", 0, {u"\u00EF\u00BBx"}, {}},
    {"NonAsciiSeparator",
     "a\xE2\x82\xAC\x62\n1\xE2\x82\xAC\x32\n",
     u"\u20AC",
     0,
     {u"a", u"b"},
     {{u"1", u"2"}}},
    // Texts longer than the pieces and chunks that the reader decodes at a time.
    {"SequenceAcrossDecodedPieces",
     std::string(4095, 'x') + "\xC3\xA9" + std::string(4094, 'y') + "\xE2\x82\xAC,z\n",
     u",",
     0,
     {std::u16string(4095, u'x') + u"\u00E9" + std::u16string(4094, u'y') + u"\u20AC", u"z"},
     {}},
    {"NonAsciiSeparatorInsideLongText",
     std::string(20, 'a') + "\xE2\x82\xAC" + std::string(20, 'b') + "\xF0\x9F\x98\x80\n",
     u"\u20AC",
     0,
     {std::u16string(20, u'a'), std::u16string(20, u'b') + u"\U0001F600"},
     {}},
    {"CarriageReturnInsideLongText",
     std::string(20, 'a') + "\r" + std::string(20, 'b') + "\r\r" + "c\n",
     u",",
     0,
     {std::u16string(20, u'a') + std::u16string(20, u'b') + u"\rc"},
     {}},
    {"LatinSeparatorMatchesByteOfOwnValue",
     "a\xC2\xA7\x62\xA7\x63\n",
     u"\u00A7",
     0,
     {u"a", u"b", u"c"},
     {}},
    // Files without a header line.
    {"EmptyFile", "", u",", 2, {}, {}},
    {"OnlyUtf16Mark", "\xFF\xFE", u",", 2, {}, {}, true},
    {"OnlyUtf8Mark", "\xEF\xBB\xBF", u",", 2, {}, {}},
    // UTF-16.
    {"Utf16LittleEndian", Utf16LE(u"a,b\n1,2\n"), u",", 0, {u"a", u"b"}, {{u"1", u"2"}}, true},
    {"Utf16BigEndian", Utf16BE(u"a,b\n1,2\n"), u",", 0, {u"a", u"b"}, {{u"1", u"2"}}, true},
    {"Utf16OddLength", Utf16LE(u"a\n") + "b", u",", 0, {u"a"}, {{u"b"}}, true},
    {"Utf16SurrogatesKept",
     Utf16LE(u"\U0001F600,\u00E9\n"),
     u",",
     0,
     {u"\U0001F600", u"\u00E9"},
     {},
     true},
    {"Utf16LongerThanADecodedPiece",
     Utf16LE(std::u16string(5000, u'x') + u"\u00E9,y\n"),
     u",",
     0,
     {std::u16string(5000, u'x') + u"\u00E9", u"y"},
     {},
     true},
    {"Utf16WithoutMarkIsBytes", "a\0,\0b\0\n"s, u",", 0, {u"a\0"s, u"\0b\0"s}, {}},
};

// A directory for the source; the log goes there too.
class InTempDir {
 protected:
  TempDir m_dir;
  testfiles::ScopedLogDirectory m_log{m_dir.Path()};
};

// Reads that deliver only a few bytes split characters, marks and UTF-16 units at every
// position: the result must not change.
size_t g_readLimit = 0;
ssize_t ShortRead(int fd, void* buffer, size_t count) {
  return RealSysCalls().read(fd, buffer, std::min(count, g_readLimit));
}

// Parameters: the case and the most bytes one read gives (0: no limit).
class ReaderCases : public InTempDir,
                    public ::testing::TestWithParam<std::tuple<ReaderCase, size_t>> {};

TEST_P(ReaderCases, GivesColumnsAndRows) {
  const auto& [c, limit] = GetParam();
  const std::string path = m_dir.Write("source.txt", c.bytes);
  SysCalls calls = RealSysCalls();
  if (limit != 0) {
    calls.read = ShortRead;
  }
  g_readLimit = limit;
  ScopedSysCalls scoped(calls);
  const ReadResult result = ReadAll(path, c.separator);
  EXPECT_EQ(result.prepare, c.prepare);
  EXPECT_EQ(result.utf16, c.utf16);
  if (c.prepare == 0) {
    EXPECT_EQ(result.columns, c.columns);
  }
  EXPECT_EQ(result.rows, c.rows);
  EXPECT_TRUE(result.closedAtEnd);
}

INSTANTIATE_TEST_SUITE_P(Reader, ReaderCases,
                         ::testing::Combine(::testing::ValuesIn(kReaderCases),
                                            ::testing::Values(size_t{0}, size_t{1}, size_t{2},
                                                              size_t{3})),
                         [](const auto& info) {
                           return std::string(std::get<0>(info.param).name) + "_" +
                                  std::to_string(std::get<1>(info.param));
                         });

class ReaderTest : public InTempDir, public ::testing::Test {};

TEST_F(ReaderTest, LineNumbersCountEveryLine) {
  CDelimitedTextReader reader;
  ASSERT_TRUE(reader.m_file.Open(U16(m_dir.Write("n.txt", "h\r\n1\n\n2\r3\n4")).c_str(),
                                 CFile::typeText | CFile::shareDenyWrite));
  ASSERT_EQ(reader.Prepare(u","), 0);
  EXPECT_EQ(reader.LineNumber(), 1);
  std::vector<std::int64_t> numbers;
  FieldList row;
  while (reader.ReadRow(row) == 0)
    numbers.push_back(reader.LineNumber());
  // "2" CR "3" is one line: a lone carriage return does not end it.
  EXPECT_EQ(numbers, (std::vector<std::int64_t>{2, 3, 4, 5}));
  EXPECT_EQ(reader.ReadRow(row), 1);  // stays at the end
}

// Multi-byte characters placed across the end of the first buffer block.
class BlockBoundary : public InTempDir, public ::testing::TestWithParam<size_t> {};

TEST_P(BlockBoundary, SplitCharacterIsDecoded) {
  const size_t before = CFile::kBufferSize - GetParam();
  const std::string filler(before - 2, 'x');
  const std::string bytes = "h\n" + filler + "\xE2\x82\xAC\xF0\x9F\x98\x80" + "\xC3\xA9\n";
  const ReadResult result = ReadAll(m_dir.Write("big.txt", bytes), u",");
  ASSERT_EQ(result.rows.size(), 1u);
  EXPECT_EQ(result.rows[0][0], U16(filler) + u"\u20AC\U0001F600\u00E9");
}

INSTANTIATE_TEST_SUITE_P(Reader, BlockBoundary, ::testing::Range(size_t{1}, size_t{9}));

TEST_F(ReaderTest, Utf16UnitAcrossOddBlockBoundary) {
  // With the mark, the units of a block start at even offsets; one byte less in the
  // first read puts every unit across a boundary.
  const std::string bytes = Utf16LE(u"h\n" + std::u16string(CFile::kBufferSize, u'\u00E9') + u"\n");
  const std::string path = m_dir.Write("wide.txt", bytes);
  SysCalls calls = RealSysCalls();
  calls.read = ShortRead;
  g_readLimit = CFile::kBufferSize - 1;
  ScopedSysCalls scoped(calls);
  const ReadResult result = ReadAll(path, u",");
  ASSERT_EQ(result.rows.size(), 1u);
  // Compared as a whole without printing a megabyte on failure.
  EXPECT_TRUE(result.rows[0][0] == std::u16string(CFile::kBufferSize, u'\u00E9'));
}

TEST_F(ReaderTest, FieldLongerThanTheBuffer) {
  std::string field;
  for (size_t i = 0; field.size() < 3 * CFile::kBufferSize; ++i)
    field += i % 7 ? "ab" : "\xC3\xA9";
  const ReadResult result = ReadAll(m_dir.Write("long.txt", "h,i\n" + field + ",z\n"), u",");
  ASSERT_EQ(result.rows.size(), 1u);
  EXPECT_TRUE(result.rows[0] == (FieldList{U16(field), u"z"}));
}

// Files whose bytes matter: marks, UTF-16, CR LF.
struct DataFileCase {
  const char* file;
  bool utf16;
};

class DataFiles : public ::testing::TestWithParam<DataFileCase> {};

TEST_P(DataFiles, ReadTheSameTable) {
  const ReadResult result =
      ReadAll(std::string(CORVANE_TEST_DATA) + "/reader/" + GetParam().file, u",");
  EXPECT_EQ(result.prepare, 0);
  EXPECT_EQ(result.utf16, GetParam().utf16);
  EXPECT_EQ(result.columns, (FieldList{u"name", u"city"}));
  EXPECT_EQ(result.rows, (std::vector<FieldList>{{u"Zo\u00EB", u"K\u00F8benhavn"},
                                                 {u"\u5C71\u7530", u"\u6771\u4EAC"},
                                                 {u"\U0001F600", u"\"x\""}}));
}

INSTANTIATE_TEST_SUITE_P(Reader, DataFiles,
                         ::testing::Values(DataFileCase{"utf8.csv", false},
                                           DataFileCase{"utf8_mark.csv", false},
                                           DataFileCase{"utf8_crlf.csv", false},
                                           DataFileCase{"utf16le_mark.csv", true},
                                           DataFileCase{"utf16be_mark.csv", true}),
                         [](const auto& info) {
                           std::string name = info.param.file;
                           return name.substr(0, name.find('.'));
                         });

}  // namespace
