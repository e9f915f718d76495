// The conversion request the command line builds from its arguments, and the formats'
// table read by the parser and the help.
#include <gtest/gtest.h>

#include <algorithm>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include "cli/CliMessages.h"
#include "cli/Request.h"
#include "tests/support/NamedCase.h"

namespace {

using Access = CDelimitedTextReader::Access;

struct RequestCase {
  const char* name;
  const char* args;
  const char* source;
  const char* separator;  // null: guessed
  const char* output;
  OutputFormat format;
  std::int64_t rowLimit = -1;
  Access access = Access::AnySource;
  OutputCompression compression = OutputCompression::None;
};

void PrintTo(const RequestCase& c, std::ostream* out) {
  *out << c.args;
}

std::vector<std::string> Words(const std::string& text) {
  std::istringstream in(text);
  std::vector<std::string> words;
  for (std::string word; in >> word;)
    words.push_back(word);
  return words;
}

class CliRequest : public ::testing::TestWithParam<RequestCase> {};

TEST_P(CliRequest, HoldsWhatTheArgumentsSay) {
  const RequestCase& c = GetParam();
  const cli::ParseResult parsed = cli::ParseOptions(Words(c.args));
  ASSERT_EQ(parsed.error, "");
  const ConversionRequest request = cli::RequestFor(parsed.options, nullptr);
  EXPECT_EQ(request.source.ToUtf8(), c.source);
  EXPECT_EQ(request.separator.has_value(), c.separator != nullptr);
  if (c.separator && request.separator) {
    EXPECT_EQ(request.separator->ToUtf8(), c.separator);
  }
  EXPECT_EQ(request.output.ToUtf8(), c.output);
  EXPECT_EQ(request.format, c.format);
  EXPECT_EQ(request.rowLimit, c.rowLimit);
  EXPECT_EQ(request.options.access, c.access);
  EXPECT_EQ(request.compression, c.compression);
}

const RequestCase kRequests[] = {
    {"SeparatorWithEquals", "--separator=| in.csv out.json", "in.csv", "|", "out.json",
     OutputFormat::Json},
    {"SeparatorAttached", "-s| in.csv out.json", "in.csv", "|", "out.json", OutputFormat::Json},
    {"StandardInputAndOutput", "-s , -n 3 - -", "standard input", ",", "/dev/stdout",
     OutputFormat::Json, 3, Access::StandardInput},
    {"ExtensionInAnyCase", "in.csv out.NDJSON", "in.csv", nullptr, "out.NDJSON",
     OutputFormat::JsonLines},
    {"HiddenFileHasNoExtension", "in.csv dir/.bson", "in.csv", nullptr, "dir/.bson",
     OutputFormat::Json},
    // A compressed output's format is told by the name before its compression.
    {"GzipOfJsonLines", "in.csv out.jsonl.gz", "in.csv", nullptr, "out.jsonl.gz",
     OutputFormat::JsonLines, -1, Access::AnySource, OutputCompression::Gzip},
    {"ZstdOfBson", "in.csv out.BSON.ZST", "in.csv", nullptr, "out.BSON.ZST", OutputFormat::Bson, -1,
     Access::AnySource, OutputCompression::Zstd},
    {"CompressionOptionOverridesTheName", "--compress none in.csv out.json.gz", "in.csv", nullptr,
     "out.json.gz", OutputFormat::Json},
    {"StandardOutputCompressedWhenAsked", "-f jsonl --compress zst in.csv -", "in.csv", nullptr,
     "/dev/stdout", OutputFormat::JsonLines, -1, Access::AnySource, OutputCompression::Zstd},
};
INSTANTIATE_TEST_SUITE_P(Arguments, CliRequest, ::testing::ValuesIn(kRequests),
                         corvane_test::ByName);

// One source takes a thread a core unless told; sources converted several at a time take
// one each.
TEST(CliThreads, OneACoreForOneSource) {
  const auto threads = [](const std::string& args) {
    return cli::RequestFor(cli::ParseOptions(Words(args)).options, nullptr).options.threads;
  };
  EXPECT_EQ(threads("--threads 3 a b"), 3u);
  EXPECT_EQ(threads("a b"), std::max(1u, std::thread::hardware_concurrency()));
  EXPECT_EQ(threads("a -o d"), 1u);
  EXPECT_EQ(threads("--threads=2 a c -o d"), 2u);
}

// Every format of the table is one the command line takes, by -f and by each extension, and
// the help and the usage error name them all.
TEST(CliFormats, EveryFormatOfTheTable) {
  for (const OutputFormatName& format : OutputFormatNames()) {
    const std::string option(format.option);
    SCOPED_TRACE(option);
    EXPECT_EQ(cli::ParseOptions({"-f", option, "a", "b"}).options.format, format.format);
    EXPECT_NE(std::string(cli::kTakesFormat).find(option), std::string::npos);
    EXPECT_NE(std::string(cli::kUsage).find(option), std::string::npos);
    for (const std::string_view extension : format.extensions) {
      // Appended: GCC 12 at -O3 warns falsely (-Wrestrict) on a literal + a temporary string.
      const std::string name = std::string("out.").append(extension);
      EXPECT_EQ(cli::ParseOptions({"a", name}).options.format, format.format);
      if (format.format != OutputFormat::Json) {  // the default needs no mention
        EXPECT_NE(std::string(cli::kUsage).find(std::string(".").append(extension)),
                  std::string::npos);
      }
    }
  }
}

}  // namespace
