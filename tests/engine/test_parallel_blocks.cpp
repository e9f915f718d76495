// A source converted in blocks on several threads: everything the conversion leaves (the
// output, the lines left out, the report, a failure) is what one thread leaves, whatever
// the format, the options and where the cuts fall. Small blocks (CORVANE_BLOCK_BYTES)
// give a small source many of them.
#include <gtest/gtest.h>

#include <dirent.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <functional>
#include <optional>
#include <regex>
#include <string>
#include <vector>

#include "engine/conversion/ConvertToJson.h"
#include "platform/core/Utf8.h"
#include "tests/platform/TempDir.h"
#include "tests/support/NamedCase.h"

namespace {

using corvane_test::operator<<;

// Threads of this process now. A sanitizer's runtime starts a thread of its own with the
// first thread: tests count after a conversion on threads.
int ThreadsNow() {
  int count = 0;
  if (DIR* tasks = opendir("/proc/self/task")) {
    while (const dirent* entry = readdir(tasks))
      count += entry->d_name[0] != '.';
    closedir(tasks);
  }
  return count;
}

// What a conversion leaves behind, as a user would see it.
struct Result {
  std::optional<std::string> output;
  std::optional<std::string> rejects;
  std::string report;  // the report file, without its time
  bool cancelled = false;
  std::string failure;
  std::int64_t failureLine = 0;
  int hiddenFiles = 0;

  bool operator==(const Result&) const = default;
};

std::optional<std::string> FileBytes(const std::string& path) {
  if (!std::filesystem::exists(path))
    return std::nullopt;
  return ReadBytesFromFile(path);
}

class BlocksTest : public ::testing::Test {
 protected:
  BlocksTest() { setenv("XDG_STATE_HOME", m_dir.Path().c_str(), 1); }
  ~BlocksTest() override { unsetenv("CORVANE_BLOCK_BYTES"); }

  ConversionRequest Request(const std::string& source) const {
    ConversionRequest request;
    request.source = CString::FromUtf8(m_dir.Write("source.csv", source));
    request.separator = u",";
    request.output = m_dir.WFile("out");
    request.rejects = m_dir.WFile("rejects.csv");
    request.reportFile = m_dir.WFile("report.json");
    return request;
  }

  // Runs request on threads in blocks of blockBytes, over an output that holds "earlier".
  Result Run(ConversionRequest request, unsigned threads, int blockBytes = 64) {
    setenv("CORVANE_BLOCK_BYTES", std::to_string(blockBytes).c_str(), 1);
    WriteBytesToFile(m_dir.File("out"), "earlier");
    std::filesystem::remove(m_dir.File("rejects.csv"));
    std::filesystem::remove(m_dir.File("report.json"));
    request.options.threads = threads;
    const ConversionReport report = ConvertToJson(request);
    Result result;
    result.output = FileBytes(m_dir.File("out"));
    result.rejects = FileBytes(m_dir.File("rejects.csv"));
    result.report = std::regex_replace(FileBytes(m_dir.File("report.json")).value_or(""),
                                       std::regex("\"seconds\": [-+.e0-9]+"), "");
    result.cancelled = report.cancelled;
    if (report.failure) {
      result.failure = report.failure->Text().ToUtf8();
      result.failureLine = report.failure->line;
    }
    result.hiddenFiles = HiddenFiles(m_dir.Path());
    return result;
  }

  TempDir m_dir;
};

// Rows of every kind the row rules know, often enough that every kind meets a block edge.
std::string Rows(int count, const std::function<std::string(int)>& row) {
  std::string text;
  for (int k = 0; k < count; ++k)
    text += row(k);
  return text;
}

const std::string kPlain = "id,name,value\n" +
                           Rows(150,
                                [](int k) {
                                  if (k % 17 == 5)
                                    return "short," + std::to_string(k) + "\n";
                                  if (k % 23 == 7)
                                    return std::to_string(k) + ",x,y,z\n";
                                  return std::to_string(k) + ",name " + std::to_string(k) + "," +
                                         std::to_string(k * 7 % 11) + (k % 3 ? ".5\n" : "\n");
                                }) +
                           "last,line,unended";

const std::string kQuoted =
    "id,\"na,me\",value\n" +
    Rows(120,
         [](int k) {
           switch (k % 9) {
             case 1:
               return std::to_string(k) + ",\"two\nlines\",\"a \"\"b\"\"\"\n";
             case 3:
               return std::to_string(k) + ",\"\nthree\r\nlines, \",x\r\n";
             case 5:
               return std::to_string(k) + ",\"text\" after,quote\n";
             case 7:
               return std::to_string(k) + ",\"faulty\nrecord\"x,y\n";
             default:
               return std::to_string(k) + ",\"plain, quoted\"," + std::to_string(k % 4) + "\n";
           }
         }) +
    "999,\"never closed\nto the end,\n";

const std::string kCarriageReturns =
    "a,b,c\r\n" + Rows(150, [](int k) {
      if (k % 7 == 2)
        return std::string("x\r\r,y\r,z\r\n");
      if (k % 11 == 4)
        return std::string("\r\n");
      return std::to_string(k) + ",\"" + std::to_string(k) + "\",3\r\n";
    });

// Bytes that are no UTF-8 after the header: read by the Windows-1252 table, their offsets
// in the decoded text are not the file's.
const std::string kNotUtf8 = "\xEF\xBB\xBFk,v\n" + Rows(150, [](int k) {
                               if (k % 13 == 6)
                                 return std::to_string(k) + ",caf\xE9,extra\n";
                               if (k % 5 == 1)
                                 return std::to_string(k) + ",caf\xE9\n";
                               return std::to_string(k) + ",\xC3\xA9t\xC3\xA9\n";
                             });

struct Source {
  const char* name;
  const std::string* text;
};
const Source kSources[] = {
    {"Plain", &kPlain},
    {"Quoted", &kQuoted},
    {"CarriageReturns", &kCarriageReturns},
    {"NotUtf8", &kNotUtf8},
};

struct Variant {
  const char* name;
  std::function<void(ConversionRequest&)> set;
};
const Variant kVariants[] = {
    {"Json", [](ConversionRequest&) {}},
    {"JsonLines", [](ConversionRequest& r) { r.format = OutputFormat::JsonLines; }},
    {"Bson", [](ConversionRequest& r) { r.format = OutputFormat::Bson; }},
    {"ExtendedJsonTyped",
     [](ConversionRequest& r) {
       r.format = OutputFormat::ExtendedJson;
       r.options.columns.type = ColumnType::Number;
     }},
    {"QuotedTypedNullsBson",
     [](ConversionRequest& r) {
       r.format = OutputFormat::Bson;
       r.options.quoted = true;
       r.options.columns.type = ColumnType::Integer;
       r.options.columns.empty = EmptyValue::Null;
     }},
    {"Quoted", [](ConversionRequest& r) { r.options.quoted = true; }},
    {"QuotedStrict",
     [](ConversionRequest& r) {
       r.options.quoted = true;
       r.options.strict = true;
     }},
    {"QuotedLimit",
     [](ConversionRequest& r) {
       r.options.quoted = true;
       r.rowLimit = 61;
     }},
    {"LimitAtEnd", [](ConversionRequest& r) { r.rowLimit = 100000; }},
    {"ColumnsChosen",
     [](ConversionRequest& r) {
       r.options.quoted = true;
       r.options.columns.listed = true;
       r.options.columns.columns = {{"id", "n.first", {}, {}}, {"value", "n.second", {}, {}}};
       r.options.columns.nest = true;
     }},
    {"NoHeaderSkipped",
     [](ConversionRequest& r) {
       r.options.headerLine = false;
       r.options.skipLines = 3;
       r.separator.reset();
     }},
};

class BlocksTable : public BlocksTest,
                    public ::testing::WithParamInterface<std::tuple<Source, Variant>> {};

TEST_P(BlocksTable, SameAsOneThread) {
  const auto& [source, variant] = GetParam();
  ConversionRequest request = Request(*source.text);
  variant.set(request);
  const Result one = Run(request, 1);
  EXPECT_EQ(one.hiddenFiles, 0);
  for (const unsigned threads : {2u, 3u})
    EXPECT_EQ(Run(request, threads), one) << threads << " threads";
}

INSTANTIATE_TEST_SUITE_P(SourcesAndOptions, BlocksTable,
                         ::testing::Combine(::testing::ValuesIn(kSources),
                                            ::testing::ValuesIn(kVariants)),
                         [](const auto& info) {
                           return std::string(std::get<0>(info.param).name) +
                                  std::get<1>(info.param).name;
                         });

// Every line end of the source becomes a cut for some block size: the quoted records of
// several lines are cut at each of their line ends, and at those around them.
TEST_F(BlocksTest, QuotedRecordCutAtEveryLineEnd) {
  const std::string source = "a,b\n" + Rows(12, [](int k) { return std::to_string(k) + ",x\n"; }) +
                             "q,\"one\nt,wo\n\"\"three\"\"\n\"\n" +
                             Rows(6, [](int k) { return std::to_string(k) + ",\"y\n\"\n"; }) +
                             "open,\"to\nthe end\n";
  ConversionRequest request = Request(source);
  request.options.quoted = true;
  const Result one = Run(request, 1);
  for (int blockBytes = 1; blockBytes <= 48; ++blockBytes)
    EXPECT_EQ(Run(request, 2, blockBytes), one) << "blocks of " << blockBytes;
}

// The first byte that is no UTF-8, far past what the header's reading decodes, is found in
// its block and told as one thread tells it.
TEST_F(BlocksTest, NotUtf8FarIntoTheSource) {
  const std::string utf8 =
      Rows(40000, [](int k) { return std::to_string(k) + ",\xC3\xA9t\xC3\xA9\n"; });
  ConversionRequest request =
      Request("k,v\n" + utf8 + Rows(300, [](int k) {
                return std::to_string(k) + (k % 7 == 3 ? ",caf\xE9,x\n" : ",caf\xE9\n");
              }));
  const Result one = Run(request, 1);
  EXPECT_NE(one.report.find("not UTF-8 at byte"), std::string::npos) << one.report;
  EXPECT_EQ(Run(request, 2, 64 << 10), one);
}

// A line too long in a middle block fails as on one thread, naming the same line, and
// leaves the earlier output and no hidden file.
TEST_F(BlocksTest, FailureInAMiddleBlock) {
  ConversionRequest request =
      Request("a,b\n" + Rows(200, [](int k) {
                return k == 120 ? std::string(300, 'x') + "\n" : std::to_string(k) + ",y\n";
              }));
  request.options.maxLineBytes = 100;
  const Result one = Run(request, 1);
  ASSERT_NE(one.failure, "");
  EXPECT_EQ(one.failureLine, 122);
  EXPECT_EQ(one.output, "earlier");
  EXPECT_EQ(Run(request, 3), one);
}

// A cancel between blocks keeps the earlier output, and no thread outlives the conversion.
TEST_F(BlocksTest, CancelLeavesEarlierOutputAndNoThread) {
  ConversionRequest request =
      Request("a,b\n" + Rows(400, [](int k) { return std::to_string(k) + ",y\n"; }));
  Run(request, 2);
  const int before = ThreadsNow();
  int calls = 0;
  request.progress = [&calls](std::uint64_t, std::uint64_t) { return ++calls < 3; };
  const Result result = Run(request, 3);
  EXPECT_TRUE(result.cancelled);
  EXPECT_EQ(result.output, "earlier");
  EXPECT_EQ(result.hiddenFiles, 0);
  EXPECT_EQ(ThreadsNow(), before);
}

}  // namespace
