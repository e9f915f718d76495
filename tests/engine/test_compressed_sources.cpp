// Conversions of sources that are not plain text: what a compressed source's progress
// counts, and the files that are refused, before anything is written, with what they look
// like.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

#include "tests/engine/Requests.h"
#include "tests/support/NamedCase.h"

using namespace std::string_literals;

namespace {

using corvane_test::operator<<;

// Progress is the compressed bytes read of the file's size, as the file shows it: never
// the text's, which would run past the size.
TEST(CompressedSourceConversion, ProgressCountsTheCompressedBytes) {
  TempDir dir;
  std::string text = "a,b\n";
  for (long long row = 0; text.size() < (6u << 20); ++row)
    text += std::to_string(row) + "," + std::to_string(row * 7919 % 100003) + "\n";
  ConversionRequest request = RequestIn(dir, text);
  ASSERT_EQ(std::system(("gzip '" + dir.File("in.csv") + "'").c_str()), 0);
  request.source += u".gz";
  const std::uint64_t size = std::filesystem::file_size(dir.File("in.csv.gz"));
  std::vector<std::uint64_t> calls;
  request.progress = [&](std::uint64_t bytes, std::uint64_t total) {
    EXPECT_EQ(total, size);
    calls.push_back(bytes);
    return true;
  };
  const ConversionReport report = ConvertToJson(request);
  ASSERT_FALSE(report.failure) << report.failure->Text().ToUtf8();
  ASSERT_GE(calls.size(), 3u);
  EXPECT_GT(calls.front(), 0u);
  EXPECT_LE(calls.back(), size);
  EXPECT_TRUE(std::is_sorted(calls.begin(), calls.end()));
}

struct Refused {
  const char* name;
  std::string start;  // the file's first bytes; "gzip:" first: the gzip of the rest
  const char* looksLike;
};

const Refused kRefused[] = {
    {"Zip", "PK\x03\x04\x14\0\0\0"s, "a ZIP archive"},
    {"EmptyZip", "PK\x05\x06\0\0\0\0"s, "a ZIP archive"},
    {"Pdf", "%PDF-1.7\n", "a PDF document"},
    {"Png", "\x89PNG\r\n\x1A\n\0\0\0\x0DIHDR"s, "a PNG image"},
    {"Jpeg", "\xFF\xD8\xFF\xE0\0\x10JFIF"s, "a JPEG image"},
    {"Gif87", "GIF87a\x01\0", "a GIF image"},
    {"Gif89", "GIF89a\x01\0", "a GIF image"},
    {"Sqlite", "SQLite format 3\0\x10\0"s, "an SQLite database"},
    {"Parquet", "PAR1\x15\x04", "a Parquet file"},
    {"Elf", "\177ELF\x02\x01\x01", "a program (ELF)"},
    {"GzipOfZip", "gzip:PK\x03\x04\x14\0\0\0"s, "a ZIP archive"},
};

class RefusedSource : public ::testing::TestWithParam<Refused> {};

TEST_P(RefusedSource, FailsBeforeWritingWithWhatItLooksLike) {
  const Refused& c = GetParam();
  TempDir dir;
  const bool gzip = c.start.starts_with("gzip:");
  ConversionRequest request = RequestIn(dir, gzip ? c.start.substr(5) : c.start + "a,b\n1,2\n");
  if (gzip) {
    ASSERT_EQ(std::system(("gzip '" + dir.File("in.csv") + "'").c_str()), 0);
    request.source += u".gz";
  }
  dir.Write("out", "earlier");
  const ConversionReport report = ConvertToJson(request);
  ASSERT_TRUE(report.failure);
  EXPECT_EQ(report.failure->Text().ToUtf8(),
            request.source.ToUtf8() + ": is not a text file: it looks like " + c.looksLike);
  EXPECT_EQ(ReadBytesFromFile(dir.File("out")), "earlier");
  EXPECT_EQ(HiddenFiles(dir.Path()), 0);
}

INSTANTIATE_TEST_SUITE_P(Conversion, RefusedSource, ::testing::ValuesIn(kRefused),
                         corvane_test::ByName);

// Text that only begins like a mark is text: "BZh" without a block size, "PK" alone.
TEST(CompressedSourceConversion, TextThatBeginsLikeAMarkIsText) {
  for (const char* text : {"BZhx,b\n1,2\n", "PK,b\n1,2\n", "\x1F,b\n1,2\n"}) {
    TempDir dir;
    const ConversionReport report = ConvertToJson(RequestIn(dir, text));
    EXPECT_FALSE(report.failure) << text;
    EXPECT_EQ(report.rowsWritten, 1) << text;
  }
}

}  // namespace
