// ConvertToJson: the rows it writes (read back from JSON and from BSON), what it leaves
// out and logs, and how it fails without harming the source or an existing output.
#include <gtest/gtest.h>
#include <unistd.h>

#include <cerrno>
#include <filesystem>
#include <string>

#include "OutputRows.h"
#include "TestFiles.h"
#include "engine/ConvertToJson.h"
#include "engine/EngineMessages.h"
#include "libs/suppcore/Log.h"
#include "platform/core/SysCalls.h"

using namespace std::string_literals;
using outputrows::Rows;
using testfiles::TempDir;
using testfiles::U16;

namespace {

struct Outcome {
  int result = -1;
  ConversionReport report;
  std::optional<std::string> output;
};

class ConversionTest : public ::testing::Test {
 protected:
  Outcome Run(const std::string& source, const char16_t* separator, int limit, int bson) {
    Outcome outcome;
    const std::string output = m_dir.Path(bson ? "out.bson" : "out.json");
    outcome.result = ConvertToJson(U16(m_dir.Write("source.txt", source)).c_str(), separator,
                                   U16(output).c_str(), limit, bson, outcome.report);
    outcome.output = testfiles::ReadBytes(output);
    return outcome;
  }

  std::string Log() const { return testfiles::ReadBytes(CLog::GetLogPath().ToUtf8()).value_or(""); }

  // The text a log entry holds for a format and its arguments.
  template <typename... Args>
  static std::string Entry(const char16_t* format, Args... args) {
    CString text;
    text.Format(format, args...);
    return text.ToUtf8();
  }

  TempDir m_dir;
  testfiles::ScopedLogDirectory m_log{m_dir.Path()};
};

// 25 data lines; the 4th and 7th have a wrong field count.
std::string TwentyFiveLines() {
  std::string text = "n,v\n";
  for (int i = 1; i <= 25; ++i)
    text += std::to_string(i) + (i == 4 || i == 7 ? "\n" : ",x\n");
  return text;
}

Rows NumberedRows(int last) {
  Rows rows;
  for (int i = 1; i <= last; ++i)
    if (i != 4 && i != 7)
      rows.push_back({{"n", std::to_string(i)}, {"v", "x"}});
  return rows;
}

struct ConversionCase {
  const char* name;
  std::string source;
  const char16_t* separator;
  int limit;
  Rows rows;
  std::int64_t leftOut = 0;
  std::int64_t read = -1;  // lines read after the header; -1: not checked
};

const ConversionCase kConversionCases[] = {
    {"TwoRows", "a,b\n1,2\n3,4\n", u",", -1, {{{"a", "1"}, {"b", "2"}}, {{"a", "3"}, {"b", "4"}}}},
    {"WrongFieldCountsLeftOut", "a,b\n1\n1,2,3\n\n5,6\n", u",", -1, {{{"a", "5"}, {"b", "6"}}}, 3},
    {"FinalEmptyLineLeftOut", "a,b\n1,2\n\n", u",", -1, {{{"a", "1"}, {"b", "2"}}}, 1},
    {"EmptyLineInOneColumn", "a\n\nx\n", u",", -1, {{{"a", ""}}, {{"a", "x"}}}},
    {"HeaderOnly", "a,b\n", u",", -1, {}},
    {"LimitZero", "a,b\n1,2\n", u",", 0, {}},
    {"LimitCountsLinesLeftOut", TwentyFiveLines(), u",", 10, NumberedRows(10), 2, 10},
    {"QuotesStripped",
     "\"a\"\t\"\"b\"\"\tc\"d\t\"\t e \n\"1\"\t\"\"2\"\"\t3\"4\t\"\t x \n",
     u"<tab>",
     -1,
     {{{"a", "1"}, {"b", "2"}, {"c\"d", "3\"4"}, {"", ""}, {" e ", " x "}}}},
    {"CutAtNul", "a\0z,b\n1\0zz,2\n"s, u",", -1, {{{"a", "1"}, {"b", "2"}}}},
    {"EmptyAndDuplicateNames",
     "a,a,\n1,2,3\n4,5,6\n",
     u",",
     -1,
     {{{"a", "1"}, {"a", "2"}, {"", "3"}}, {{"a", "4"}, {"a", "5"}, {"", "6"}}}},
    {"HeaderEndingInSeparator",
     "a,b,\n1,2,\n1,2\n",
     u",",
     -1,
     {{{"a", "1"}, {"b", "2"}, {"", ""}}},
     1},
    {"EmptyFirstLine", "\nx\ny,z\n", u",", -1, {{{"", "x"}}}, 1},
    {"Utf16Source",
     "\xFF\xFE"
     "a\0|\0b\0\n\0\xE9\0|\0\x3D\xD8\x00\xDE\n\0"s,
     u"|",
     -1,
     {{{"a", "\xC3\xA9"}, {"b", "\xF0\x9F\x98\x80"}}}},
    {"ControlCharactersEscaped",
     "a\n\x01\x1F\t\"\\\r\r\n",
     u",",
     -1,
     {{{"a", "\x01\x1F\t\"\\\r"}}}},
};

class ConversionCases : public ConversionTest,
                        public ::testing::WithParamInterface<ConversionCase> {};

TEST_P(ConversionCases, JsonHoldsTheRows) {
  const ConversionCase& c = GetParam();
  const Outcome outcome = Run(c.source, c.separator, c.limit, 0);
  EXPECT_EQ(outcome.result, static_cast<int>(c.rows.size()));
  EXPECT_EQ(outcome.report.status, ConversionReport::Status::Converted);
  EXPECT_EQ(outcome.report.rowsWritten, static_cast<std::int64_t>(c.rows.size()));
  EXPECT_EQ(outcome.report.linesLeftOut, c.leftOut);
  if (c.read >= 0) {
    EXPECT_EQ(outcome.report.rowsRead, c.read);
  }
  ASSERT_TRUE(outcome.output);
  const auto rows = outputrows::JsonRows(*outcome.output);
  ASSERT_TRUE(rows) << "not a JSON array of string objects:\n" << *outcome.output;
  EXPECT_EQ(*rows, c.rows);
}

TEST_P(ConversionCases, BsonHoldsTheSameRows) {
  const ConversionCase& c = GetParam();
  const Outcome json = Run(c.source, c.separator, c.limit, 0);
  const Outcome bson = Run(c.source, c.separator, c.limit, 1);
  EXPECT_EQ(bson.result, json.result);
  ASSERT_TRUE(json.output && bson.output);
  const auto jsonRows = outputrows::JsonRows(*json.output);
  const auto bsonRows = outputrows::BsonRows(*bson.output);
  ASSERT_TRUE(bsonRows) << "not a sequence of BSON documents";
  EXPECT_EQ(bsonRows, jsonRows);
}

INSTANTIATE_TEST_SUITE_P(Conversion, ConversionCases, ::testing::ValuesIn(kConversionCases),
                         [](const auto& info) { return std::string(info.param.name); });

TEST_F(ConversionTest, LinesLeftOutAreLoggedWithAReport) {
  std::string source = "a,b\n1,2\n";
  for (int i = 0; i < 105; ++i)
    source += "bad\n";
  source += "3,4\n";
  const Outcome outcome = Run(source, u",", -1, 0);
  EXPECT_EQ(outcome.result, 2);
  EXPECT_EQ(outcome.report.linesLeftOut, 105);
  const std::string log = Log();
  // Lines 3 to 102 one by one, then the total.
  EXPECT_NE(log.find(Entry(EngineMessages::kLineLeftOut, 3LL, 1LL, 2LL) + "\n"), std::string::npos);
  EXPECT_NE(log.find(Entry(EngineMessages::kLineLeftOut, 102LL, 1LL, 2LL) + "\n"),
            std::string::npos);
  EXPECT_EQ(log.find(Entry(EngineMessages::kLineLeftOut, 103LL, 1LL, 2LL)), std::string::npos);
  EXPECT_NE(log.find(Entry(EngineMessages::kLinesLeftOutTotal, 105LL) + "\n"), std::string::npos);
  size_t entries = 0;
  for (size_t at = log.find('\n'); at != std::string::npos; at = log.find('\n', at + 1))
    ++entries;
  EXPECT_EQ(entries, 101u) << log;
}

TEST_F(ConversionTest, PlainCallLogsNothingForLinesLeftOut) {
  const std::string output = m_dir.Path("out.json");
  EXPECT_EQ(ConvertToJson(U16(m_dir.Write("s.txt", "a,b\nbad\n1,2\n")).c_str(), u",",
                          U16(output).c_str(), -1, 0),
            1);
  EXPECT_EQ(Log(), "");
}

TEST_F(ConversionTest, ProgressIsReportedWhileReading) {
  std::string source = "a\n";
  for (int i = 0; i < 2 * 65536 + 10; ++i)
    source += "1\n";
  ConversionReport report;
  std::vector<std::uint64_t> calls;
  report.progress = [&calls](std::uint64_t bytes) { calls.push_back(bytes); };
  const std::string output = m_dir.Path("out.json");
  EXPECT_EQ(ConvertToJson(U16(m_dir.Write("s.txt", source)).c_str(), u",", U16(output).c_str(), -1,
                          0, report),
            2 * 65536 + 10);
  // After 65,536 and 131,072 rows: the header and those rows, two bytes each.
  EXPECT_EQ(calls, (std::vector<std::uint64_t>{2 + 2 * 65536, 2 + 4 * 65536}));
}

TEST_F(ConversionTest, MissingSourceLeavesTheOutputAlone) {
  const std::string source = m_dir.Path("missing.txt");
  const std::string output = m_dir.Write("out.json", "keep");
  ConversionReport report;
  EXPECT_EQ(ConvertToJson(U16(source).c_str(), u",", U16(output).c_str(), -1, 0, report), 0);
  EXPECT_EQ(report.status, ConversionReport::Status::SourceOpenFailed);
  EXPECT_EQ(testfiles::ReadBytes(output), "keep");
  EXPECT_NE(Log().find(Entry(EngineMessages::kSourceOpenFailed, U16(source).c_str()) + "\n"),
            std::string::npos)
      << Log();
}

TEST_F(ConversionTest, NoHeaderLeavesTheOutputAlone) {
  const std::string source = m_dir.Write("empty.txt", "\xFF\xFE");
  const std::string existing = m_dir.Write("out.json", "keep");
  const std::string missing = m_dir.Path("new.json");
  ConversionReport report;
  EXPECT_EQ(ConvertToJson(U16(source).c_str(), u",", U16(existing).c_str(), -1, 0, report), 0);
  EXPECT_EQ(report.status, ConversionReport::Status::NoHeader);
  EXPECT_EQ(ConvertToJson(U16(source).c_str(), u",", U16(missing).c_str(), -1, 1), 0);
  EXPECT_EQ(testfiles::ReadBytes(existing), "keep");
  EXPECT_FALSE(testfiles::ReadBytes(missing));
  EXPECT_NE(Log().find(Utf16ToUtf8(EngineMessages::kNoColumnList)), std::string::npos);
}

// The output names the source itself (the source is open and shared for reading only) or
// lies in a missing directory.
class OutputRefused : public ConversionTest, public ::testing::WithParamInterface<const char*> {};

TEST_P(OutputRefused, IsRefusedAndTheSourceKept) {
  const std::string bytes = "a,b\n1,2\n";
  const std::string source = m_dir.Write("source.txt", bytes);
  const std::string kind = GetParam();
  std::string output = source;
  if (kind == "OtherPath") {
    std::filesystem::create_directory(m_dir.Path("sub"));
    output = m_dir.Path("sub/../source.txt");
  } else if (kind == "HardLink") {
    output = m_dir.Path("hard.txt");
    std::filesystem::create_hard_link(source, output);
  } else if (kind == "MissingDirectory") {
    output = m_dir.Path("no/such/dir/out.json");
  } else if (kind == "SymLink") {
    output = m_dir.Path("soft.txt");
    std::filesystem::create_symlink(source, output);
  }
  ConversionReport report;
  EXPECT_EQ(ConvertToJson(U16(source).c_str(), u",", U16(output).c_str(), -1, 0, report), 0);
  EXPECT_EQ(report.status, ConversionReport::Status::OutputOpenFailed);
  EXPECT_EQ(testfiles::ReadBytes(source), bytes);
  EXPECT_NE(Log().find(Entry(EngineMessages::kDestinationOpenFailed, U16(output).c_str()) + "\n"),
            std::string::npos)
      << Log();
}

INSTANTIATE_TEST_SUITE_P(Conversion, OutputRefused,
                         ::testing::Values("SamePath", "OtherPath", "HardLink", "SymLink",
                                           "MissingDirectory"));

// A disk that takes only a few bytes.
size_t g_bytesLeft = 0;
ssize_t FullDiskWrite(int fd, const void* buffer, size_t count) {
  if (g_bytesLeft == 0) {
    errno = ENOSPC;
    return -1;
  }
  const size_t part = std::min(count, g_bytesLeft);
  g_bytesLeft -= part;
  return RealSysCalls().write(fd, buffer, part);
}

// Parameters: BSON flag, data rows (few: the error comes when the output is closed; many:
// while rows are written).
class FullDisk : public ConversionTest,
                 public ::testing::WithParamInterface<std::tuple<int, int>> {};

TEST_P(FullDisk, ErrorPassesOutAndTheSourceIsKept) {
  const auto [bson, rowCount] = GetParam();
  std::string bytes = "name,value\n";
  for (int i = 0; i < rowCount; ++i)
    bytes += "row" + std::to_string(i) + ",some value\n";
  const std::string source = m_dir.Write("source.txt", bytes);
  const std::string output = m_dir.Path("out");
  {
    SysCalls calls = RealSysCalls();
    calls.write = FullDiskWrite;
    g_bytesLeft = 100;
    ScopedSysCalls scoped(calls);
    try {
      ConvertToJson(U16(source).c_str(), u",", U16(output).c_str(), -1, bson);
      ADD_FAILURE() << "no exception";
    } catch (const CFileException& e) {
      EXPECT_EQ(e.m_lOsError, ENOSPC);
    }
  }
  EXPECT_EQ(testfiles::ReadBytes(source), bytes);
  // Both files were let go: the same conversion now succeeds.
  EXPECT_EQ(ConvertToJson(U16(source).c_str(), u",", U16(output).c_str(), -1, bson), rowCount);
}

INSTANTIATE_TEST_SUITE_P(Conversion, FullDisk,
                         ::testing::Combine(::testing::Values(0, 1),
                                            ::testing::Values(100, 100000)));

}  // namespace
