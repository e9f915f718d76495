// The byte path for data rows against the reader's path: for many generated sources,
// every output byte, the counts, the progress calls and the log lines must be the same.
#include <gtest/gtest.h>

#include <cstdint>
#include <random>
#include <sstream>
#include <string>
#include <vector>

#include "TestFiles.h"
#include "engine/ConversionPaths.h"
#include "engine/DelimitedTextReader.h"
#include "engine/FastRows.h"
#include "libs/suppcore/JSON.h"
#include "libs/suppcore/Log.h"

using testfiles::TempDir;
using testfiles::U16;

namespace {

constexpr std::size_t kReadBlock = std::size_t{1} << 20;  // the source's read buffer

struct Outcome {
  int result = -1;
  ConversionReport report;
  std::vector<std::uint64_t> progress;
  std::string output;
  std::string log;  // without the timestamps
};

std::string LogWithoutTimes() {
  std::istringstream in(testfiles::ReadBytes(CLog::GetLogPath().ToUtf8()).value_or(""));
  std::string text;
  for (std::string line; std::getline(in, line);)
    text += (line.size() > 19 ? line.substr(19) : line) + "\n";
  return text;
}

// Makes sources from a biased alphabet: mostly rows of the header's width, with the bytes
// where the line rules and the decoding act (separators, CR, LF, quotes, NUL, bytes from
// 0x80 on, well-formed and cut-short UTF-8) far more often than in real text.
class SourceMaker {
 public:
  explicit SourceMaker(std::uint32_t seed) : m_random(seed) {}

  std::string Make(char separator, std::size_t length) {
    std::string text;
    if (Chance(10))
      text += "\xEF\xBB\xBF";
    const int columns = Pick(1, 6);
    while (text.size() < length) {
      const int fields = Chance(75) ? columns : Pick(1, 8);
      for (int k = 0; k < fields; ++k) {
        if (k > 0)
          text += separator;
        const int pieces = Pick(0, 6);
        for (int p = 0; p < pieces; ++p)
          text += Piece();
      }
      text += LineEnd();
    }
    text.resize(length);
    return text;
  }

  int Pick(int low, int high) { return std::uniform_int_distribution<int>(low, high)(m_random); }
  bool Chance(int percent) { return Pick(0, 99) < percent; }

 private:
  std::string Piece() {
    switch (Pick(0, 15)) {
      case 0:
        return std::string(1, ",\t|;"[Pick(0, 3)]);
      case 1:
        return "\r";
      case 2:
        return Chance(50) ? "\r\r" : "\n";
      case 3:
        return "\"";
      case 4:
        return std::string(1, '\0');
      case 5:
        return std::string(1, static_cast<char>(Pick(0x80, 0xFF)));
      case 6:
        return Utf8(static_cast<char32_t>(Pick(0x80, 0x7FF)));
      case 7: {
        char32_t cp = static_cast<char32_t>(Pick(0x800, 0xFFFF));
        return Utf8(cp >= 0xD800 && cp <= 0xDFFF ? cp + 0x800 : cp);
      }
      case 8:
        return Utf8(static_cast<char32_t>(Pick(0x10000, 0x10FFFF)));
      case 9:  // the start of a sequence only
        return Utf8(static_cast<char32_t>(Pick(0x800, 0x10FFFF))).substr(0, 1 + Pick(0, 1));
      case 10:
        return std::string(1, static_cast<char>(Pick(1, 0x1F)));
      case 11:
        return "\\\x7F";
      default:
        return std::string(static_cast<std::size_t>(Pick(1, 5)), static_cast<char>(Pick('a', 'z')));
    }
  }

  std::string LineEnd() {
    switch (Pick(0, 5)) {
      case 0:
        return "\r\n";
      case 1:
        return "\r\r\n";
      case 2:
        return "\r";
      default:
        return "\n";
    }
  }

  static std::string Utf8(char32_t cp) {
    std::string out;
    if (cp < 0x800) {
      out += static_cast<char>(0xC0 | (cp >> 6));
    } else if (cp < 0x10000) {
      out += static_cast<char>(0xE0 | (cp >> 12));
      out += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
    } else {
      out += static_cast<char>(0xF0 | (cp >> 18));
      out += static_cast<char>(0x80 | ((cp >> 12) & 0x3F));
      out += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
    }
    out += static_cast<char>(0x80 | (cp & 0x3F));
    return out;
  }

  std::mt19937 m_random;
};

class FastPathTest : public ::testing::Test {
 protected:
  Outcome Run(bool fast, const std::string& source, const char16_t* separator, int limit,
              int bson) {
    CLog::Truncate();
    Outcome outcome;
    outcome.report.progress = [&outcome](std::uint64_t bytes) {
      outcome.progress.push_back(bytes);
    };
    const std::string output = m_dir.Path("out");
    const std::u16string sourcePath = U16(source);
    outcome.result =
        fast ? ConvertToJson(sourcePath.c_str(), separator, U16(output).c_str(), limit, bson,
                             outcome.report)
             : ConvertToJsonWithoutFastPath(sourcePath.c_str(), separator, U16(output).c_str(),
                                            limit, bson, outcome.report);
    outcome.output = testfiles::ReadBytes(output).value_or("<none>");
    outcome.log = LogWithoutTimes();
    return outcome;
  }

  // Converts source both ways, to JSON and BSON, at several limits; returns the cases
  // that differ.
  int CompareBothWays(const std::string& bytes, const char16_t* separator) {
    const std::string source = m_dir.Write("source.txt", bytes);
    int differences = 0;
    for (int bson : {0, 1}) {
      for (int limit : {-1, 0, 1, 10}) {
        const Outcome fast = Run(true, source, separator, limit, bson);
        const Outcome slow = Run(false, source, separator, limit, bson);
        const bool same = fast.result == slow.result && fast.output == slow.output &&
                          fast.report.status == slow.report.status &&
                          fast.report.rowsRead == slow.report.rowsRead &&
                          fast.report.rowsWritten == slow.report.rowsWritten &&
                          fast.report.linesLeftOut == slow.report.linesLeftOut &&
                          fast.progress == slow.progress && fast.log == slow.log;
        if (!same) {
          ++differences;
          ADD_FAILURE() << "bson " << bson << " limit " << limit << " source of " << bytes.size()
                        << " bytes: " << ::testing::PrintToString(bytes.substr(0, 300))
                        << "\nfast: " << ::testing::PrintToString(fast.output.substr(0, 300))
                        << "\nslow: " << ::testing::PrintToString(slow.output.substr(0, 300))
                        << "\nrows " << fast.report.rowsRead << "/" << slow.report.rowsRead
                        << " left out " << fast.report.linesLeftOut << "/"
                        << slow.report.linesLeftOut << "\nlog fast:\n"
                        << fast.log << "log slow:\n"
                        << slow.log;
        }
      }
    }
    return differences;
  }

  TempDir m_dir;
  testfiles::ScopedLogDirectory m_log{m_dir.Path()};
};

struct SeparatorCase {
  const char16_t* text;  // as the user gives it
  char byte;             // as it appears in the source
};
constexpr SeparatorCase kSeparators[] = {{u",", ','},     {u"<tab>", '\t'}, {u"", '\t'},
                                         {nullptr, '\t'}, {u"|x", '|'},     {u";", ';'}};

TEST_F(FastPathTest, SmallSourcesConvertAsByTheReader) {
  SourceMaker maker(20261206);
  int differences = 0;
  for (int n = 0; n < 300 && differences < 3; ++n) {
    const SeparatorCase& separator = kSeparators[n % std::size(kSeparators)];
    const std::size_t length = n < 60 ? static_cast<std::size_t>(n) : maker.Pick(0, 3000);
    differences += CompareBothWays(maker.Make(separator.byte, length), separator.text);
  }
  EXPECT_EQ(differences, 0);
}

// Lines, fields and UTF-8 sequences split by the end of the first read block, and enough
// short lines for progress calls.
TEST_F(FastPathTest, SourcesBeyondOneReadBlockConvertAsByTheReader) {
  SourceMaker maker(7);
  const std::string aroundBoundary[] = {"\r\n", "\xE2\x82\xAC", "\xF0\x9F\x98\x80", ",\r,",
                                        "\r\r", "\xC3",         "\"\n\"",           "\n"};
  int differences = 0;
  for (const std::string& bytes : aroundBoundary) {
    for (std::size_t shift = 0; shift < bytes.size() + 1 && differences < 3; ++shift) {
      std::string source = maker.Make(',', kReadBlock + 4096);
      source.replace(kReadBlock - shift, bytes.size(), bytes);
      differences += CompareBothWays(source, u",");
    }
  }
  // One line longer than a block, and many short lines.
  differences += CompareBothWays("a,b\n" + std::string(kReadBlock + 10, 'x') + ",y\nc,d\n", u",");
  std::string shortLines = "h\n";
  while (shortLines.size() < 2 * kReadBlock)
    shortLines += std::string(1, static_cast<char>('a' + shortLines.size() % 26)) + "\n";
  differences += CompareBothWays(shortLines, u"<tab>");
  EXPECT_EQ(differences, 0);
}

// Well-formed UTF-8 is checked a whole block at a time: a character cut by the block's
// end, and a block with one ill-formed line among well-formed ones, must not change what
// the lines give.
TEST_F(FastPathTest, WellFormedBlocksConvertAsByTheReader) {
  const char* words[] = {"alpha", "Zürich", "東京", "😀", "back\\slash", "Ελλάδα", ""};
  std::string wellFormed = "a,b,c\n";
  for (std::size_t row = 0; wellFormed.size() < 3 * kReadBlock; ++row)
    wellFormed +=
        std::string(words[row % 7]) + "," + words[(row / 7) % 7] + "," + std::to_string(row) + "\n";
  int differences = CompareBothWays(wellFormed, u",");
  for (std::size_t shift = 0; shift <= 4; ++shift) {
    std::string cut = wellFormed;
    cut.replace(kReadBlock - shift, 4, "\xF0\x9F\x98\x80");
    differences += CompareBothWays(cut, u",");
    std::string illFormed = wellFormed;
    illFormed.replace(kReadBlock - shift, 1, "\xC3");
    illFormed.replace(kReadBlock + kReadBlock / 2, 1, "\xE9");
    differences += CompareBothWays(illFormed, u",");
  }
  EXPECT_EQ(differences, 0);
}

// The byte path takes 8-bit sources with an ASCII separator and leaves everything else to
// the reader, untouched.
TEST_F(FastPathTest, TakesOnlyEightBitTextWithAnAsciiSeparator) {
  struct Case {
    std::string source;
    const char16_t* separator;
    bool taken;
  };
  const Case cases[] = {
      {"a,b\n1,2\n", u",", true},
      {"\xEF\xBB\xBF"
       "a,b\n1,2\n",
       u",", true},
      {"a\tb\n1\t2\n", u"<tab>", true},
      {"a\xC2\xA7"
       "b\n1\xC2\xA7"
       "2\n",
       u"\u00A7", false},
      {std::string("\xFF\xFE"
                   "a\0,\0b\0\n\0",
                   10),
       u",", false},
      {"a\rb\n1\r2\n", u"\r", false},
      {"\na,b\n", u",", false},  // the header line ends within the bytes read for a mark
  };
  for (const Case& c : cases) {
    const std::string source = m_dir.Write("source.txt", c.source);
    CDelimitedTextReader reader;
    ASSERT_TRUE(
        reader.m_file.Open(U16(source).c_str(), CFile::typeText | CFile::shareDenyWrite, nullptr));
    ASSERT_EQ(reader.Prepare(c.separator), 0);
    CFile output;
    ASSERT_TRUE(
        output.Open(U16(m_dir.Path("out")).c_str(), CFile::modeCreate | CFile::modeWrite, nullptr));
    JSON writer;
    writer.Open(&output, 0);
    writer.Array(1, 1);
    ConversionReport report;
    const std::vector<std::u16string_view> names(reader.Columns().begin(), reader.Columns().end());
    EXPECT_EQ(WriteRowsFast(reader, names, writer, -1, false, report), c.taken)
        << ::testing::PrintToString(c.source);
    EXPECT_EQ(report.rowsRead, c.taken ? 1 : 0) << ::testing::PrintToString(c.source);
    writer.Close();
    output.Close();
  }
}

}  // namespace
