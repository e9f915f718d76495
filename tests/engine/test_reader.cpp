// CDelimitedTextReader: encodings, line and field rules, buffer boundaries.
#include <gtest/gtest.h>
#include <unistd.h>

#include <algorithm>
#include <string>
#include <vector>

#include "engine/DelimitedTextReader.h"
#include "platform/core/SysCalls.h"
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

// Reads that deliver only a few bytes split characters, marks and UTF-16 units.
size_t g_readLimit = 0;
ssize_t ShortRead(int fd, void* buffer, size_t count) {
  return RealSysCalls().read(fd, buffer, std::min(count, g_readLimit));
}

// Reads path to its end, each read giving at most readLimit bytes (0: no limit).
ReadResult ReadAll(const std::string& path, const char16_t* separator, size_t readLimit = 0) {
  SysCalls calls = RealSysCalls();
  if (readLimit != 0)
    calls.read = ShortRead;
  g_readLimit = readLimit;
  ScopedSysCalls scoped(calls);
  ReadResult result;
  CDelimitedTextReader reader;
  EXPECT_TRUE(reader.Open(Utf8ToUtf16(path).c_str()));
  result.prepare = reader.Prepare(separator);
  result.utf16 = reader.IsUtf16();
  result.columns = reader.Columns();
  if (result.prepare == 0) {
    FieldList row;
    while (reader.ReadRow(row) == 0 && result.rows.size() < 1000)
      result.rows.push_back(row);
  }
  result.closedAtEnd = !reader.IsOpen();
  return result;
}

// Text as UTF-16 with its mark, little- or big-endian.
std::string Utf16(std::u16string_view text, bool bigEndian = false) {
  std::string bytes = bigEndian ? "\xFE\xFF" : "\xFF\xFE";
  for (char16_t unit : text) {
    const char low = static_cast<char>(unit & 0xFF), high = static_cast<char>(unit >> 8);
    bytes += bigEndian ? std::string{high, low} : std::string{low, high};
  }
  return bytes;
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

// The files in the test data hold one table in several encodings.
std::string DataFile(const char* name) {
  return ReadBytesFromFile(std::string(CORVANE_TEST_DATA) + "/reader/" + name);
}
const FieldList kDataColumns = {u"name", u"city"};
const Rows kDataRows = {{u"Zo\u00EB", u"K\u00F8benhavn"},
                        {u"\u5C71\u7530", u"\u6771\u4EAC"},
                        {u"\U0001F600", u"\"x\""}};

const std::string kX(4095, 'x'), kY(4094, 'y'), kA(20, 'a'), kB(20, 'b');
const std::u16string kWideX(4095, u'x'), kWideY(4094, u'y'), kWideA(20, u'a'), kWideB(20, u'b');
const std::u16string kWideLong = std::u16string(5000, u'x') + u"é";

const ReaderCase kReaderCases[] = {
    // Separator texts.
    {"TabWord", "a\tb\n1\t2\n", u"<tab>", {u"a", u"b"}, {{u"1", u"2"}}},
    {"EmptyIsTab", "a\tb\n1\t2\n", u"", {u"a", u"b"}, {{u"1", u"2"}}},
    {"NullIsTab", "a\tb\n1\t2\n", nullptr, {u"a", u"b"}, {{u"1", u"2"}}},
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
    {"LoneCarriageReturnsRunTogether", "a,b\r1,2\r", u",", {u"a", u"b1", u"2"}},
    {"CarriageReturnAtEnd", "a,b\n1,2\r", u",", {u"a", u"b"}, {{u"1", u"2"}}},
    {"LoneCarriageReturnAtEndIsNoRow", "a\n1\n\r", u",", {u"a"}, {{u"1"}}},
    {"SecondCarriageReturnKept", "x\r\r\n", u",", {u"x\r"}},
    // Characters.
    {"NulInsideField", "a\0b,c\n"s, u",", {u"a\0b"s, u"c"}},
    {"QuotesDoNotProtect", "\"a,b\"\n", u",", {u"\"a", u"b\""}},
    {"Utf8TwoBytes", "caf\xC3\xA9\n", u",", {u"caf\u00E9"}},
    {"Latin1Byte", "caf\xE9\n", u",", {u"caf\u00E9"}},
    {"Utf8FourBytes", "\xF0\x9F\x98\x80!\n", u",", {u"\U0001F600!"}},
    {"OverlongIsBytes", "\xC0\xAF\n", u",", {u"\u00C0\u00AF"}},
    {"BrokenSequenceIsBytes", "\xE2\x82\x41\n", u",", {u"\u00E2\u0082A"}},
    {"TruncatedSequenceAtEnd", "a\xE2\x82", u",", {u"a\u00E2\u0082"}},
    {"Utf8MarkSkipped", "\xEF\xBB\xBF\x61,b\n", u",", {u"a", u"b"}},
    {"HalfMarkIsText", "\xEF\xBBx\n", u",", {u"\u00EF\u00BBx"}},
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
    // Files without a header line.
    {"EmptyFile", "", u",", {}, {}, 2},
    {"OnlyUtf16Mark", "\xFF\xFE", u",", {}, {}, 2, true},
    {"OnlyUtf8Mark", "\xEF\xBB\xBF", u",", {}, {}, 2},
    // UTF-16.
    {"Utf16LittleEndian", Utf16(u"a,b\n1,2\n"), u",", {u"a", u"b"}, {{u"1", u"2"}}, 0, true},
    {"Utf16BigEndian", Utf16(u"a,b\n1,2\n", true), u",", {u"a", u"b"}, {{u"1", u"2"}}, 0, true},
    {"Utf16OddLength", Utf16(u"a\n") + "b", u",", {u"a"}, {{u"b"}}, 0, true},
    {"Utf16SurrogatesKept", Utf16(u"😀,é\n"), u",", {u"😀", u"é"}, {}, 0, true},
    {"Utf16LoneSurrogate",
     Utf16(u"a\xD800,\xDC00"
           u"b\n"),
     u",",
     {u"a\uFFFD", u"\uFFFDb"},
     {},
     0,
     true},
    {"Utf16NonAsciiSeparator", Utf16(u"a€b\n"), u"€", {u"a", u"b"}, {}, 0, true},
    {"Utf16LongerThanAPiece", Utf16(kWideLong + u",y\n"), u",", {kWideLong, u"y"}, {}, 0, true},
    {"Utf16WithoutMarkIsBytes", "a\0,\0b\0\n"s, u",", {u"a\0"s, u"\0b\0"s}},
    // Files whose bytes matter: marks, UTF-16, CR LF.
    {"Utf8File", DataFile("utf8.csv"), u",", kDataColumns, kDataRows},
    {"Utf8MarkFile", DataFile("utf8_mark.csv"), u",", kDataColumns, kDataRows},
    {"Utf8CrLfFile", DataFile("utf8_crlf.csv"), u",", kDataColumns, kDataRows},
    {"Utf16LittleEndianFile", DataFile("utf16le_mark.csv"), u",", kDataColumns, kDataRows, 0, true},
    {"Utf16BigEndianFile", DataFile("utf16be_mark.csv"), u",", kDataColumns, kDataRows, 0, true},
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
  ASSERT_TRUE(reader.Open(Utf8ToUtf16(m_dir.Write("n.txt", "h\r\n1\n\n2\r3\n4")).c_str()));
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

// Texts across the ends of the buffer's blocks: characters split at every offset, a field
// longer than three blocks, and UTF-16 units split by a first read one byte short (with
// the mark, the units of a block start at even offsets). Compared as a whole without
// printing megabytes on failure.
TEST_F(ReaderTest, TextsAcrossBufferBlocks) {
  for (size_t shift = 1; shift < 9; ++shift) {
    const std::string filler(CFile::kBufferSize - shift - 2, 'x');
    const ReadResult result = ReadAll(m_dir.Write("big.txt", "h\n" + filler + "€😀é\n"), u",");
    EXPECT_TRUE(result.rows == (Rows{{Utf8ToUtf16(filler) + u"€😀é"}})) << shift;
  }
  std::string field;
  for (size_t i = 0; field.size() < 3 * CFile::kBufferSize; ++i)
    field += i % 7 ? "ab" : "é";
  EXPECT_TRUE(ReadAll(m_dir.Write("long.txt", "h,i\n" + field + ",z\n"), u",").rows ==
              (Rows{{Utf8ToUtf16(field), u"z"}}));
  const std::u16string wide(CFile::kBufferSize, u'é');
  EXPECT_TRUE(
      ReadAll(m_dir.Write("wide.txt", Utf16(u"h\n" + wide + u"\n")), u",", CFile::kBufferSize - 1)
          .rows == Rows{{wide}});
}

// The header decides the separator; it is read once, from the same buffer as the rows, so
// that a pipe loses nothing. Reads of one byte split the header from its rows.
TEST_F(ReaderTest, GuessedSeparatorSplitsTheHeaderAndTheRows) {
  struct Source {
    std::string text;
    const char16_t* guess;
    bool quoted = false;
  };
  const Source kSources[] = {
      {"a;b|c;d\n1;2|3;4\n", u";"},
      {"a|b,c|d\n1|2,3|4\n", u"|"},
      {"a\tb,c\n1\t2,3\n", u"<tab>"},  // a tie: the earliest of tab, comma, bar, semicolon
      {"ab\n1\n", u"<tab>"},
      {"\"a;b;\"\"c\",d\n1,2\n", u",", true}};  // separators inside quotes don't count
  for (const auto& [text, guess, quoted] : kSources) {
    g_readLimit = 1;
    SysCalls calls = RealSysCalls();
    calls.read = ShortRead;
    ScopedSysCalls scoped(calls);
    CDelimitedTextReader reader;
    ASSERT_TRUE(reader.Open(Utf8ToUtf16(m_dir.Write("g.txt", text)).c_str()));
    reader.SetQuoted(quoted);
    ASSERT_EQ(reader.PrepareGuessingSeparator(), 0);
    EXPECT_EQ(reader.SeparatorText(), guess) << text;
    FieldList row;
    ASSERT_EQ(reader.ReadRow(row), 0);
    EXPECT_EQ(row.size(), reader.Columns().size()) << text;
    EXPECT_EQ(row.front(), u"1");
  }
}

// A line over the limit fails with its number, also when it spans blocks or has no line
// feed; a line of exactly the limit is read.
TEST_F(ReaderTest, LinesOverTheLimitFailWithTheirNumber) {
  const std::string block(CFile::kBufferSize, 'x');
  const struct {
    std::string text;
    std::uint64_t limit;
    std::int64_t failingLine;  // 0: read to the end
  } kCases[] = {{"h\n0123456789\n", 10, 0},
                {"h\n0123456789a\n", 10, 2},
                {"header\n1\n", 5, 1},
                {"h\n1\n" + block + block, 2 * CFile::kBufferSize - 1, 3},
                {"h\n1\n" + block + block + "\n", 2 * CFile::kBufferSize, 0}};
  for (const auto& c : kCases) {
    CDelimitedTextReader reader;
    ASSERT_TRUE(reader.Open(Utf8ToUtf16(m_dir.Write("l.txt", c.text)).c_str()));
    reader.SetMaxLineBytes(c.limit);
    std::int64_t failingLine = 0;
    try {
      FieldList row;
      if (reader.Prepare(u",") == 0)
        while (reader.ReadRow(row) == 0) {
        }
    } catch (const CLineTooLong& error) {
      failingLine = error.LineNumber();
      EXPECT_EQ(error.Limit(), c.limit);
    }
    EXPECT_EQ(failingLine, c.failingLine) << c.text.substr(0, 20) << " limit " << c.limit;
  }
}

}  // namespace
