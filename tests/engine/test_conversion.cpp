// ConvertToJson: the rows it writes (read back from JSON, JSON Lines and BSON), what it leaves
// out and logs, and how it fails or is cancelled without harming the source or an existing
// output.
#include <gtest/gtest.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <filesystem>
#include <new>
#include <stdexcept>
#include <string>

#include "OutputRows.h"
#include "engine/EngineMessages.h"
#include "engine/conversion/ConvertToJson.h"
#include "engine/rows/RowSplitter.h"
#include "libs/suppcore/Log.h"
#include "platform/core/File.h"
#include "platform/core/SysCalls.h"
#include "tests/platform/TempDir.h"
#include "tests/support/NamedCase.h"

using namespace std::string_literals;
using outputrows::Rows;
using Kind = ConversionFailure::Kind;
constexpr auto kJson = OutputFormat::Json, kBson = OutputFormat::Bson,
               kJsonLines = OutputFormat::JsonLines;

namespace {

using corvane_test::operator<<;

struct Outcome {
  ConversionReport report;
  std::optional<std::string> output;
};

class ConversionTest : public ::testing::Test {
 protected:
  // Converts source, written to source.txt, into out.
  Outcome Run(const std::string& source, const char16_t* separator, int limit,
              OutputFormat format = OutputFormat::Json, bool quoted = false, bool typed = false) {
    Outcome outcome;
    const std::string output = m_dir.File("out");
    ConversionRequest request = Request(m_dir.Write("source.txt", source), output, format);
    request.separator = separator;
    request.rowLimit = limit;
    request.options.quoted = quoted;
    request.options.typedValues = typed;
    outcome.report = ConvertToJson(request);
    if (std::filesystem::exists(output))
      outcome.output = ReadBytesFromFile(output);
    return outcome;
  }

  // All of source, comma-separated, into output.
  static ConversionRequest Request(const std::string& source, const std::string& output,
                                   OutputFormat format = OutputFormat::Json) {
    ConversionRequest request;
    request.source = Utf8ToUtf16(source);
    request.separator = u",";
    request.output = Utf8ToUtf16(output);
    request.format = format;
    return request;
  }

  std::string Log() const { return ReadBytesFromFile(CLog::GetLogPath().ToUtf8()); }

  // The line a log entry holds for a format and its arguments, without the time.
  template <typename... Args>
  static std::string Entry(const char16_t* format, Args... args) {
    CString text;
    text.Format(format, args...);
    return text.ToUtf8() + "\n";
  }

  ConversionTest() { setenv("XDG_STATE_HOME", m_dir.Path().c_str(), 1); }

  TempDir m_dir;
};

// 25 data lines, the 4th and 7th with a wrong field count, and the rows of the first ten.
std::string TwentyFiveLines() {
  std::string text = "n,v\n";
  for (int i = 1; i <= 25; ++i)
    text += std::to_string(i) + (i == 4 || i == 7 ? "\n" : ",x\n");
  return text;
}
std::string FirstTenRows() {
  std::string json;
  for (int i : {1, 2, 3, 5, 6, 8, 9, 10})
    json +=
        std::string(json.empty() ? "[" : ",") + R"({"n":")" + std::to_string(i) + R"(","v":"x"})";
  return json + "]";
}

struct ConversionCase {
  const char* name;
  std::string source;
  const char16_t* separator;
  std::string rows;  // as JSON
  int limit = -1;
  std::int64_t leftOut = 0;
  std::int64_t read = -1;  // lines read after the header; -1: not checked
};

const ConversionCase kConversionCases[] = {
    {"WrongFieldCountsLeftOut", "a,b\n1\n1,2,3\n\n5,6\n", u",", R"([{"a":"5","b":"6"}])", -1, 3},
    {"EmptyLineInOneColumn", "a\n\nx\n", u",", R"([{"a":""},{"a":"x"}])"},
    {"LimitZero", "a,b\n1,2\n", u",", "[]", 0},
    {"LimitCountsLinesLeftOut", TwentyFiveLines(), u",", FirstTenRows(), 10, 2, 10},
    {"QuotesStripped", "\"a\"\t\"\"b\"\"\tc\"d\t\"\t e \n\"1\"\t\"\"2\"\"\t3\"4\t\"\t x \n",
     u"<tab>", R"([{"a":"1","b":"2","c\"d":"3\"4","":""," e ":" x "}])"},
    {"CutAtNul", "a\0z,b\n1\0zz,2\n"s, u",", R"([{"a":"1","b":"2"}])"},
    {"HeaderEndingInSeparator", "a,b,\n1,2,\n1,2\n", u",", R"([{"a":"1","b":"2","":""}])", -1, 1},
    {"EmptyFirstLine", "\nx\ny,z\n", u",", R"([{"":"x"}])", -1, 1},
};

class ConversionCases : public ConversionTest,
                        public ::testing::WithParamInterface<ConversionCase> {};

TEST_P(ConversionCases, TheOutputHoldsTheRows) {
  const ConversionCase& c = GetParam();
  const Outcome json = Run(c.source, c.separator, c.limit);
  const std::optional<Rows> rows = outputrows::JsonRows(c.rows);
  ASSERT_TRUE(rows);
  EXPECT_EQ(json.report.rowsWritten, static_cast<std::int64_t>(rows->size()));
  EXPECT_EQ(json.report.linesLeftOut, c.leftOut);
  if (c.read >= 0) {
    EXPECT_EQ(json.report.rowsRead, c.read);
  }
  ASSERT_TRUE(json.output);
  EXPECT_EQ(outputrows::JsonRows(*json.output), rows) << *json.output;
}

void PrintTo(const ConversionCase& c, std::ostream* out) {
  *out << c.name << " " << ::testing::PrintToString(c.source);
}

INSTANTIATE_TEST_SUITE_P(Conversion, ConversionCases, ::testing::ValuesIn(kConversionCases),
                         corvane_test::ByName);

// Rows wider than the splitter holds at once are read a window at a time, by every rule:
// each case's row has two windows and more of fields, one of which (past the first window)
// takes a rule of its own, and a header name past the first window is quoted.
struct WideCase {
  const char* name;
  bool quoted;
  bool typed;
  std::string (*field)(std::size_t k);  // the k-th field as the line holds it
  std::string (*value)(std::size_t k);  // and as the output holds it
};

constexpr std::size_t kWideFields = 2 * CRowSplitter::kWindowFields + 70;
constexpr std::size_t kRuleField = CRowSplitter::kWindowFields + 5;

// Texts one after another; a literal + a temporary string would make GCC 12 warn falsely.
template <class... Texts>
std::string Joined(const Texts&... texts) {
  std::string out;
  (out.append(texts), ...);
  return out;
}

std::string Plain(std::size_t k) {
  return Joined("v", std::to_string(k));
}

const WideCase kWideCases[] = {
    {"CutAtNul", false, false,
     [](std::size_t k) { return k % 3 == 0 ? Joined(Plain(k), "\0cut"s) : Plain(k); }, Plain},
    {"DoubledQuotes", true, false,
     [](std::size_t k) { return Joined("\"a,\"\"", std::to_string(k), "\""); },
     [](std::size_t k) { return Joined("a,\"", std::to_string(k)); }},
    {"CarriageReturns", false, false,
     [](std::size_t k) { return k == kRuleField ? "v\r\rx"s : Plain(k); },
     [](std::size_t k) { return k == kRuleField ? "v\rx"s : Plain(k); }},
    {"RecordOfTwoLines", true, false,
     [](std::size_t k) { return k == kRuleField ? "\"x\ny\""s : Plain(k); },
     [](std::size_t k) { return k == kRuleField ? "x\ny"s : Plain(k); }},
    {"TypedNumbers", false, true, [](std::size_t k) { return std::to_string(k); },
     [](std::size_t k) { return std::to_string(k); }},
};

class WideRows : public ConversionTest, public ::testing::WithParamInterface<WideCase> {};

TEST_P(WideRows, AreWrittenWholeInEveryFormat) {
  const WideCase& c = GetParam();
  std::string header, line;
  outputrows::Row row;
  for (std::size_t k = 0; k < kWideFields; ++k) {
    const std::string name = Joined("n", std::to_string(k));
    header.append(k > 0 ? "," : "").append(k == kRuleField ? Joined("\"", name, "\"") : name);
    line.append(k > 0 ? "," : "").append(c.field(k));
    row.emplace_back(name, c.value(k));
  }
  // The same row twice around one a field wider, left out.
  const std::string source = Joined(header, "\n", line, "\n", line, ",w\n", line, "\n");
  for (const OutputFormat format : {kJson, kBson, kJsonLines}) {
    SCOPED_TRACE(NameOf(format).option);
    const Outcome out = Run(source, u",", -1, format, c.quoted, c.typed);
    ASSERT_TRUE(out.output);
    // Every physical line of the row left out counts.
    EXPECT_EQ(out.report.linesLeftOut, 1 + std::count(line.begin(), line.end(), '\n'));
    const std::optional<Rows> rows = format == kBson ? outputrows::BsonRows(*out.output, c.typed)
                                     : format == kJsonLines
                                         ? outputrows::JsonLinesRows(*out.output, c.typed)
                                         : outputrows::JsonRows(*out.output, c.typed);
    EXPECT_TRUE(rows == Rows({row, row}));
  }
}

INSTANTIATE_TEST_SUITE_P(Conversion, WideRows, ::testing::ValuesIn(kWideCases),
                         corvane_test::ByName);

// Quoted fields: well-formed records are checked against an independent reader by
// check_quoted_against_python.py; these are the records left out, and the rules that
// reader does not share.
struct QuotedCase {
  const char* name;
  std::string source;
  std::string rows;                       // as JSON
  std::vector<std::string> leftOutLines;  // as the report and the log give them
  std::int64_t linesLeftOut = -1;         // -1: one for each line listed
};

// A quote never closed in the middle of a file, and the 1,000 lines it takes.
std::string LinesAfterAnOpenQuote() {
  std::string text = "a,b\n1,2\n3,4\n5,6\nx,\"y\n";
  for (int line = 6; line <= 1005; ++line)
    text += std::to_string(line) + ",v\n";
  return text;
}

const QuotedCase kQuotedCases[] = {
    {"TextAfterClosingQuote",
     "a,b\n\"x\"y,1\n\"2\"\r\r\n3,\"4\"\r\n",
     R"([{"a":"3","b":"4"}])",
     {"Line 2 left out: text after a closing quote",
      "Line 3 left out: text after a closing quote"}},
    // A quote never closed takes the rest of the file: the message names the line it
    // opened on and the physical lines it took, and each of them counts as a line left out.
    {"QuoteOpenAtTheStart",
     "a,b\n\"1,2\n3,4\n5,6\n",
     "[]",
     {"a quote opened on line 2 is never closed: lines 2-4 left out"},
     3},
    {"QuoteOpenInTheMiddle",
     LinesAfterAnOpenQuote(),
     R"([{"a":"1","b":"2"},{"a":"3","b":"4"},{"a":"5","b":"6"}])",
     {"a quote opened on line 5 is never closed: lines 5-1,005 left out"},
     1001},
    {"QuoteOpenOnTheLastLine",
     "a,b\n1,2\n3,\"4\n",
     R"([{"a":"1","b":"2"}])",
     {"a quote opened on line 3 is never closed: line 3 left out"}},
    {"QuoteOpenOnTheLastLineWithoutLineFeed",
     "a,b\n1,2\n3,\"4",
     R"([{"a":"1","b":"2"}])",
     {"a quote opened on line 3 is never closed: line 3 left out"}},
    {"LinesCountedInsideQuotes",
     "a,b\n\"1\n2\",\"\r\n\"\n\"y\"z,w\n \"p,q\",r\n",
     R"([{"a":"1\n2","b":"\r\n"}])",
     {"Line 5 left out: text after a closing quote",
      "Line 6 left out: it has 3 field(s), the header has 2"}},
    {"WideRecordCountedExactly",
     "a,b\n\"x\"" + std::string(999, ',') + "\"y\"\n",
     "[]",
     {"Line 2 left out: it has 1000 field(s), the header has 2"}},
    // After a closing quote the carriage-return rule holds: CR LF, a CR before the
    // separator and a CR at the input's end are skipped. CRs inside quotes keep these lines
    // off the fast path, so the last one ends the input there too.
    {"CarriageReturnAfterClosingQuote",
     "a,b\n\"1\"\r,\"2\"\r\n\"3\r\"\r,4\r\n\"5\"\r,\"6\r7\"\r",
     R"([{"a":"1","b":"2"},{"a":"3\r","b":"4"},{"a":"5","b":"6\r7"}])",
     {}},
    // A CR before anything else is text after the closing quote, also a CR kept as the
    // second of a run.
    {"CarriageReturnThenTextAfterClosingQuote",
     "a,b\n\"1\"\r2,3\n\"4\"\r\r,5\n6,\"7\"\rx\n8,9\n",
     R"([{"a":"8","b":"9"}])",
     {"Line 2 left out: text after a closing quote", "Line 3 left out: text after a closing quote",
      "Line 4 left out: text after a closing quote"}},
    // The carriage-return rule comes first: the CR skipped before a quote leaves it at the
    // field's start, so that it opens the field.
    {"CarriageReturnBeforeOpeningQuote",
     "a,b\n\r\"x,y\",z\n1,\r\"2\n3\"\n",
     R"([{"a":"x,y","b":"z"},{"a":"1","b":"2\n3"}])",
     {}},
    // In an old Mac file the line end a quoted field holds is its carriage return.
    {"OldMacLineEndInsideQuotes", "a,b\r\"x\ry\",z\r", R"([{"a":"x\ry","b":"z"}])", {}},
    {"QuotedNamesAndLastEmptyValue", "\"a,\"\"1\"\"\"\n\"\"", R"([{"a,\"1\"":""}])", {}},
    {"UnquotedFieldsAsUsual", "a,b\nx\"\",\"\"\"y\"\"\"\n", R"([{"a":"x","b":"\"y\""}])", {}},
};

class QuotedCases : public ConversionTest, public ::testing::WithParamInterface<QuotedCase> {};

TEST_P(QuotedCases, RowsAndLinesLeftOut) {
  const QuotedCase& c = GetParam();
  const Outcome json = Run(c.source, u",", -1, kJson, true);
  ASSERT_TRUE(json.output && outputrows::JsonRows(c.rows));
  EXPECT_EQ(outputrows::JsonRows(*json.output), outputrows::JsonRows(c.rows)) << *json.output;
  std::vector<std::string> leftOut;
  for (const CString& line : json.report.leftOutLines)
    leftOut.push_back(line.ToUtf8());
  EXPECT_EQ(leftOut, c.leftOutLines);
  EXPECT_EQ(json.report.linesLeftOut,
            c.linesLeftOut < 0 ? static_cast<std::int64_t>(leftOut.size()) : c.linesLeftOut);
  for (const std::string& line : c.leftOutLines)
    EXPECT_NE(Log().find(line + "\n"), std::string::npos) << line;
}

void PrintTo(const QuotedCase& c, std::ostream* out) {
  *out << c.name << " " << ::testing::PrintToString(c.source);
}

INSTANTIATE_TEST_SUITE_P(Conversion, QuotedCases, ::testing::ValuesIn(kQuotedCases),
                         corvane_test::ByName);

// A quote that stays open past the line limit is named as such, not as a long line.
TEST_F(ConversionTest, AQuoteOpenPastTheLineLimitIsNamed) {
  std::string bytes = "a,b\n1,2\nx,\"y\n";
  for (int i = 0; i < 100; ++i)
    bytes += "more,lines\n";
  ConversionRequest request = Request(m_dir.Write("source.txt", bytes), m_dir.File("out.json"));
  request.options.quoted = true;
  request.options.maxLineBytes = 200;
  const ConversionReport report = ConvertToJson(request);
  ASSERT_TRUE(report.failure);
  EXPECT_EQ(report.failure->kind, Kind::LineTooLong);
  EXPECT_EQ(report.failure->line, 3);
  EXPECT_NE(report.failure->reason.ToUtf8().find(
                "a quote opened on line 3 is not closed within 200 bytes (read up to line "),
            std::string::npos)
      << report.failure->reason.ToUtf8();
}

TEST_F(ConversionTest, AMalformedQuotedHeaderFailsTheConversion) {
  m_dir.Write("out", "keep");
  const Outcome outcome = Run("\"a\"b,c\n1,2\n", u",", -1, kJson, true);
  ASSERT_TRUE(outcome.report.failure);
  EXPECT_EQ(outcome.report.failure->kind, Kind::NoHeader);
  EXPECT_EQ(outcome.report.failure->Text().ToUtf8(),
            m_dir.File("source.txt") + ": Could not read column list: text after a closing quote");
  EXPECT_EQ(outcome.output, "keep");
}

// Lines 3 to 102 are logged one by one, then the total and the encoding; told not to log,
// the conversion logs nothing. Rows far wider than the header are counted exactly.
TEST_F(ConversionTest, LinesLeftOutAreLoggedWithAReport) {
  std::string lines = "a,b\n1,2\n" + std::string(999, ',') + "\n\r" + std::string(999, ',') + "\n";
  for (int i = 2; i < 105; ++i)
    lines += "bad\n";
  lines += "3,4\n";
  const Outcome outcome = Run(lines, u",", -1);
  EXPECT_EQ(outcome.report.rowsWritten, 2);
  EXPECT_EQ(outcome.report.linesLeftOut, 105);
  const std::string log = Log();
  // Each entry names the source it comes from.
  const std::string source = " " + m_dir.File("source.txt") + ": ";
  for (const std::string& entry :
       {source + Entry(EngineMessages::kLineLeftOut, 3LL, 1000LL, 2LL),
        source + Entry(EngineMessages::kLineLeftOut, 4LL, 1000LL, 2LL),
        source + Entry(EngineMessages::kLineLeftOut, 102LL, 1LL, 2LL),
        source + Entry(EngineMessages::kLinesLeftOutTotal, 105LL),
        Entry(EngineMessages::kEncodingLogged, m_dir.WFile("source.txt").GetString(),
              EngineMessages::kEncodingUtf8)})
    EXPECT_NE(log.find(entry), std::string::npos) << entry;
  EXPECT_EQ(std::count(log.begin(), log.end(), '\n'), 102) << log;
  ConversionRequest unlogged = Request(m_dir.File("source.txt"), m_dir.File("out.json"));
  unlogged.options.log = false;
  EXPECT_EQ(ConvertToJson(unlogged).rowsWritten, 2);
  EXPECT_EQ(Log(), log);
}

// Rows that stop a conversion although every byte reads and writes: a line left out with
// strict on, a row too large for a BSON document, also in Extended JSON, whose readers make
// BSON of it. The failure names the source and the line, and the earlier output stays.
struct RefusedCase {
  const char* name;
  std::string source;
  OutputFormat format;
  bool strict;
  ConversionFailure::Kind kind;
  std::int64_t line;
  std::string reason;
};

const std::string kOver16MiB = "a,b\n1,2\nx," + std::string(16 << 20, 'v') + "\n";
const std::string kTooLarge =
    "line 3: its BSON document would take 16777238 bytes, more than the 16 MiB a BSON document "
    "may hold";

const RefusedCase kRefusedCases[] = {
    {"StrictLineLeftOut", "a,b\n1,2\n3\n4,5\n", OutputFormat::Json, true, Kind::LineLeftOut, 3,
     "Line 3 left out: it has 1 field(s), the header has 2; every line must be converted "
     "(--strict)"},
    {"BsonDocumentOver16MiB", kOver16MiB, OutputFormat::Bson, false, Kind::DocumentTooLarge, 3,
     kTooLarge},
    {"ExtendedJsonDocumentOver16MiB", kOver16MiB, OutputFormat::ExtendedJson, false,
     Kind::DocumentTooLarge, 3, kTooLarge},
};

class RefusedRows : public ConversionTest, public ::testing::WithParamInterface<RefusedCase> {};

TEST_P(RefusedRows, FailTheConversionWithTheirLine) {
  const RefusedCase& c = GetParam();
  const std::string output = m_dir.Write("out", "earlier");
  ConversionRequest request = Request(m_dir.Write("source.txt", c.source), output);
  request.format = c.format;
  request.options.strict = c.strict;
  const ConversionReport report = ConvertToJson(request);
  ASSERT_TRUE(report.failure);
  EXPECT_EQ(report.failure->kind, c.kind);
  EXPECT_EQ(report.failure->line, c.line);
  EXPECT_EQ(report.failure->Text().ToUtf8(), m_dir.File("source.txt") + ": " + c.reason);
  EXPECT_EQ(ReadBytesFromFile(output), "earlier");
  // Without strict, or as JSON, the same source converts.
  request.options.strict = false;
  request.format = OutputFormat::Json;
  EXPECT_TRUE(ConvertToJson(request).Converted());
}

INSTANTIATE_TEST_SUITE_P(Conversion, RefusedRows, ::testing::ValuesIn(kRefusedCases),
                         corvane_test::ByName);

// Progress comes by bytes read; the callback's cancel leaves the earlier output.
TEST_F(ConversionTest, ProgressIsReportedWhileReading) {
  std::string longRows = "a\n";
  for (int i = 0; i < 8000; ++i)
    longRows += std::string(999, 'x') + "\n";
  ConversionRequest request = Request(m_dir.Write("s.txt", longRows), m_dir.File("out.json"));
  std::vector<std::uint64_t> calls;
  request.progress = [&calls](std::uint64_t bytes, std::uint64_t) {
    calls.push_back(bytes);
    return calls.size() < 3;
  };
  m_dir.Write("out.json", "keep");
  const ConversionReport cancelled = ConvertToJson(request);
  EXPECT_TRUE(cancelled.cancelled);
  EXPECT_FALSE(cancelled.failure) << "a cancel is no failure";
  for (std::size_t k = 0; k < 3; ++k)  // 1 to 1.5 MiB apart
    EXPECT_NEAR(calls.at(k) - (k > 0 ? calls[k - 1] : 0), 1.25 * kProgressBytes,
                kProgressBytes / 4);
  EXPECT_EQ(ReadBytesFromFile(m_dir.File("out.json")), "keep");
  EXPECT_EQ(HiddenFiles(m_dir.Path()), 0);
}

// Conversions that fail before writing, to JSON or BSON: a source that cannot be opened or
// has no header line, an output that is the source itself or lies in a missing directory.
// Every file is left as it was, an output not created, the cause logged, and the failure
// names the file and says why.
struct FailureCase {
  const char* name;
  const char* source;
  const char* output;
  Kind kind;
  const char* reason;
};

class FailureBeforeWriting : public ConversionTest,
                             public ::testing::WithParamInterface<FailureCase> {};

TEST_P(FailureBeforeWriting, LeavesEveryFileAsItWas) {
  const FailureCase& c = GetParam();
  const std::string source = m_dir.File(c.source), output = m_dir.File(c.output);
  const std::pair<const char*, std::string> kFiles[] = {
      {"source.txt", "a,b\n1,2\n"}, {"mark.txt", "\xFF\xFE"}, {"out.json", "keep"}};
  for (const auto& [name, bytes] : kFiles)
    m_dir.Write(name, bytes);
  ConversionRequest unlogged = Request(source, output);
  unlogged.options.log = false;
  ConvertToJson(unlogged);
  EXPECT_EQ(Log(), "") << "told not to log";
  for (const OutputFormat format : {kJson, kBson}) {
    const ConversionReport report = ConvertToJson(Request(source, output, format));
    ASSERT_TRUE(report.failure);
    EXPECT_EQ(report.failure->kind, c.kind);
    EXPECT_EQ(report.failure->file.ToUtf8(), c.kind == Kind::OutputOpen ? output : source);
    EXPECT_EQ(report.failure->reason.ToUtf8(), c.reason);
    for (const auto& [name, bytes] : kFiles)
      EXPECT_EQ(ReadBytesFromFile(m_dir.File(name)), bytes) << name;
    EXPECT_EQ(HiddenFiles(m_dir.Path()), 0);
    EXPECT_FALSE(std::filesystem::exists(m_dir.File("new.json")));
  }
  const std::string entry =
      c.kind == Kind::SourceOpen
          ? Entry(EngineMessages::kSourceOpenFailed, Utf8ToUtf16(source).c_str())
      : c.kind == Kind::NoHeader
          ? Entry(EngineMessages::kNoColumnList)
          : Entry(EngineMessages::kDestinationOpenFailed, Utf8ToUtf16(output).c_str());
  EXPECT_NE(Log().find(entry), std::string::npos) << Log();
}

const FailureCase kFailures[] = {
    {"MissingSource", "missing.txt", "out.json", Kind::SourceOpen, "No such file or directory"},
    {"NoHeader", "mark.txt", "new.json", Kind::NoHeader, "Could not read column list"},
    {"OutputIsTheSource", "source.txt", "source.txt", Kind::OutputOpen, "is the source file"},
    {"OutputInMissingDirectory", "source.txt", "no/such/dir/out.json", Kind::OutputOpen,
     "No such file or directory"},
};
void PrintTo(const FailureCase& c, std::ostream* out) {
  *out << c.name << " " << ::testing::PrintToString(std::string(c.source));
}

INSTANTIATE_TEST_SUITE_P(Conversion, FailureBeforeWriting, ::testing::ValuesIn(kFailures),
                         corvane_test::ByName);

// A line over the limit ends the conversion while rows are written: the earlier output and
// the source are left as they were, nothing else is left beside them, and both files are let
// go, so that the same conversion with room for the line succeeds.
TEST_F(ConversionTest, AnInterruptedConversionLeavesTheEarlierOutputAndTheSource) {
  std::string bytes = "name,value\n";
  for (int i = 0; i < 100000; ++i)
    bytes += "row" + std::to_string(i) + ",some value\n";
  bytes += "a line longer than the limit,x\n";
  const std::string source = m_dir.Write("source.txt", bytes);
  const std::string output = m_dir.Write("out", "earlier");
  for (const OutputFormat format : {kJson, kBson}) {
    ConversionRequest shortLines = Request(source, output, format);
    shortLines.options.maxLineBytes = 25;
    const ConversionReport report = ConvertToJson(shortLines);
    ASSERT_TRUE(report.failure);
    EXPECT_EQ(report.failure->kind, Kind::LineTooLong);
    EXPECT_EQ(report.failure->line, 100002);
    EXPECT_EQ(ReadBytesFromFile(source), bytes);
    EXPECT_EQ(ReadBytesFromFile(output), "earlier");
    EXPECT_EQ(HiddenFiles(m_dir.Path()), 0);
  }
  EXPECT_EQ(ConvertToJson(Request(source, output, kBson)).rowsWritten, 100001);
}

// What an exception from inside a conversion becomes: a file error names its own file; the
// rest name the source, and only running out of memory says so.
struct ThrownCase {
  const char* name;
  std::exception_ptr thrown;
  Kind kind;
  const char* text;
};

struct SomeFault {};

class ThrownFailure : public ::testing::TestWithParam<ThrownCase> {};

TEST_P(ThrownFailure, NamesTheFileAndSaysWhatHappened) {
  const ThrownCase& c = GetParam();
  const ConversionFailure failure = FailureOf(c.thrown, u"in.csv");
  EXPECT_EQ(failure.kind, c.kind);
  EXPECT_EQ(failure.Text().ToUtf8(), c.text);
}

const ThrownCase kThrown[] = {
    {"FileError", std::make_exception_ptr(CFileException(CFileException::diskFull, ENOSPC, u"out")),
     Kind::FileError, "out: No space left on device"},
    {"LineTooLong", std::make_exception_ptr(CLineTooLong(7, 8)), Kind::LineTooLong,
     "in.csv: line 7 is longer than 8 bytes; lines may end with a lone carriage return"},
    {"OutOfMemory", std::make_exception_ptr(std::bad_alloc()), Kind::OutOfMemory,
     "in.csv: not enough memory to convert it"},
    {"StandardException", std::make_exception_ptr(std::logic_error("vector::_M_range_check")),
     Kind::Unexpected, "in.csv: unexpected error: vector::_M_range_check"},
    {"AnyOtherType", std::make_exception_ptr(SomeFault()), Kind::Unexpected,
     "in.csv: unexpected error: (anonymous namespace)::SomeFault"},
};
INSTANTIATE_TEST_SUITE_P(Conversion, ThrownFailure, ::testing::ValuesIn(kThrown),
                         corvane_test::ByName);

}  // namespace
