// Conversions of sources that are not plain text: the files that are refused, before
// anything is written, with what they look like, and text that only begins like a mark.
#include <gtest/gtest.h>

#include <cstdlib>
#include <string>

#include "tests/engine/Requests.h"
#include "tests/support/NamedCase.h"

using namespace std::string_literals;

namespace {

using corvane_test::operator<<;

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
