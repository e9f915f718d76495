// The lines a conversion leaves out, kept with --rejects: the header line, then each line
// left out as the source held it, and nothing replaced when the conversion fails.
#include <gtest/gtest.h>

#include <cstdlib>
#include <string>

#include "tests/engine/Requests.h"
#include "tests/support/NamedCase.h"

using namespace std::string_literals;

namespace {

using corvane_test::operator<<;

std::string Utf16LE(const std::string& ascii) {
  std::string bytes = "\xFF\xFE";
  for (const char c : ascii)
    bytes += std::string{c, '\0'};
  return bytes;
}

// Lines of Windows-1252 text past the decoder's first blocks, every 997th left out, so
// that the bytes that are not UTF-8 are found again far into the source.
struct LongSource {
  std::string source = "n\xe9,v\n";
  std::string rejects = "n\xe9,v\n";
  LongSource() {
    for (int i = 0; i < 200000; ++i) {
      // Appended: GCC 12 at -O3 warns falsely on a literal + a temporary string.
      const std::string line =
          std::string("\x93").append(std::to_string(i)).append(i % 997 == 0 ? "\x94\n" : ",\xe9\n");
      source += line;
      if (i % 997 == 0)
        rejects += line;
    }
  }
};
const LongSource kLong;

struct RejectsCase {
  const char* name;
  std::string source;
  std::string rejects;
  bool quoted = false;
  bool gzip = false;
  const char* encoding = "";
};

const RejectsCase kCases[] = {
    {"CarriageReturnLineFeeds", "a,b\r\n1,2\r\n3\r\n4,5,6\r\n7,8\r\n", "a,b\r\n3\r\n4,5,6\r\n"},
    // 0x80 and the euro sign's own UTF-8 read alike; the file keeps each as it was.
    {"BytesThatAreNotUtf8", "a,\xe9\n\x93q\x94,1\n\xe2\x82\xac\x80\n\xe9\xe8\n",
     "a,\xe9\n\xe2\x82\xac\x80\n\xe9\xe8\n"},
    {"FarIntoTheSource", kLong.source, kLong.rejects},
    {"Utf16GivesUtf8", Utf16LE("a,b\n\xe9\n2,3\n"), "a,b\n\xc3\xa9\n"},
    {"ChosenEncodingGivesUtf8", "a,b\n\xe9\n2,3\n", "a,b\n\xc3\xa9\n", false, false, "iso-8859-1"},
    {"CompressedGivesTheText", "a,b\n1\n2,3\n", "a,b\n1\n", false, true},
    {"RecordsOfSeveralLines", "a,b\n\"x\ny\",z,w\n1,2\n\"open\n3,4",
     "a,b\n\"x\ny\",z,w\n\"open\n3,4", true},
    {"OldMacLineEnds", "a,b\r1\r2,3\r", "a,b\r1\r"},
    {"NoneLeftOutKeepsTheHeader", "a,b\n1,2\n", "a,b\n"},
};

class Rejects : public ::testing::TestWithParam<RejectsCase> {
 protected:
  TempDir m_dir;
};

TEST_P(Rejects, AreTheLinesLeftOutAsRead) {
  const RejectsCase& c = GetParam();
  ConversionRequest request = RequestIn(m_dir, c.source);
  if (c.gzip) {
    ASSERT_EQ(std::system(("gzip '" + m_dir.File("in.csv") + "'").c_str()), 0);
    request.source += u".gz";
  }
  request.rejects = m_dir.WFile("rejects.txt");
  request.options.quoted = c.quoted;
  request.options.encoding = c.encoding;
  ASSERT_TRUE(ConvertToJson(request).Converted());
  EXPECT_TRUE(ReadBytesFromFile(m_dir.File("rejects.txt")) == c.rejects);
}

INSTANTIATE_TEST_SUITE_P(Conversion, Rejects, ::testing::ValuesIn(kCases), corvane_test::ByName);

// A failed conversion leaves an earlier file of lines left out as it was, and nothing
// beside it.
TEST(RejectsFile, SurvivesAFailedConversion) {
  TempDir dir;
  ConversionRequest request = RequestIn(dir, "a,b\n1\n2,3\n");
  request.rejects = CString::FromUtf8(dir.Write("rejects.txt", "earlier"));
  request.options.strict = true;
  ASSERT_TRUE(ConvertToJson(request).failure);
  EXPECT_EQ(ReadBytesFromFile(dir.File("rejects.txt")), "earlier");
  EXPECT_EQ(HiddenFiles(dir.Path()), 0);
}

}  // namespace
