// What the preview page says about a source, through MakePreviewPage and real files.
#include <gtest/gtest.h>
#include <stdlib.h>

#include <string>
#include <vector>

#include "../platform/TempDir.h"
#include "engine/PreviewPage.h"
#include "engine/PreviewTexts.h"
#include "libs/suppcore/HtmlPage.h"

namespace {

namespace T = PreviewTexts;

template <class... Args>
std::string Said(const char16_t* format, Args... args) {
  CString text;
  text.Format(format, args...);
  return EscapeHtml(text.ToUtf8());
}

template <class... Args>
std::string Cut(const char* format, Args... args) {
  char text[160];
  std::snprintf(text, sizeof text, format, args...);
  return EscapeHtml(text);
}

std::string Repeat(const std::string& text, std::size_t times) {
  std::string all;
  for (std::size_t k = 0; k < times; ++k)
    all += text;
  return all;
}

struct PageCase {
  const char* name;
  std::string source;  // the file's bytes; "(none)": no source chosen, "(dir)": a folder
  const char16_t* separator;
  std::size_t rows;  // table rows shown
  std::vector<std::string> said;
};

constexpr std::size_t kMiB = std::size_t{1} << 20;
const std::string kWideHeader = [] {
  std::string line = "c0";
  for (int k = 1; k < 200000; ++k)
    line += ",c" + std::to_string(k);
  return line + "\n";
}();
const std::string kEscapedRow = Repeat(Repeat("&", 200) + ",", 99) + Repeat("&", 200) + "\n";

const PageCase kCases[] = {
    {"NoSource", "(none)", u",", 0, {Said(T::kBegin)}},
    {"Folder", "(dir)", u",", 0, {Said(T::kCannotRead, u"")}},
    {"Empty", "", u",", 0, {Said(T::kEmpty)}},
    {"HeaderOnly", "a,b\n", u",", 0, {Said(T::kNoRows, u"UTF-8", 2LL, u","), Said(T::kHeaderOnly)}},
    {"NoLineMatches", "a,b\n1\n1,2,3\n", u",", 0, {Said(T::kNoLineMatches, 2LL, 2LL)}},
    {"Rows", "a\tb\n1\t2\nx\n3\t4\n", u"<tab>", 2, {Said(T::kShows, 2LL, u"UTF-8", 2LL, u"<tab>")}},
    {"Utf16BE",
     std::string("\xFE\xFF\0a\0,\0b\0\n\0001\0,\0002\0\n", 18),
     u",",
     1,
     {Said(T::kShows, 1LL, u"UTF-16BE", 2LL, u",")}},
    {"Utf16WithoutMark", std::string("a\0,\0b\0\n\0", 8), u",", 0, {Said(T::kUtf16Suspected)}},
    {"OtherSeparator", "a;b;c;d\n1;2;3;4\n", u",", 1, {Said(T::kOtherSeparator, u";", 4LL)}},
    {"NoLineFeed", std::string(17 * kMiB, 'x'), u",", 0, {Said(T::kLineTooLong, 1LL, 16LL)}},
    {"LongRow",
     "a\n" + std::string(17 * kMiB, 'x'),
     u",",
     0,
     {Said(T::kNoRows, u"UTF-8", 1LL, u","), Said(T::kLineTooLong, 2LL, 16LL)}},
    {"StoppedAt16MiB",
     "a,b\n" + Repeat("1," + std::string(2 * kMiB, 'x') + "\n", 9),
     u",",
     7,
     {Said(T::kShows, 7LL, u"UTF-8", 2LL, u","), Said(T::kStopped, 16LL)}},
    {"Wide",
     kWideHeader + std::string(300, 'v') + kWideHeader.substr(2),
     u",",
     1,
     {Cut(kHtmlColumnsCut, kHtmlMaxColumns, std::size_t{200000}),
      Cut(kHtmlCellsCut, kHtmlMaxCellCharacters)}},
    {"PageSize", Repeat(kEscapedRow, 11), u",", 9, {Cut(kHtmlRowsCut, std::size_t{9})}},
};

class PreviewPageTest : public ::testing::TestWithParam<PageCase> {
 protected:
  void SetUp() override { setenv("XDG_STATE_HOME", m_dir.Path().c_str(), 1); }
  TempDir m_dir;
};

TEST_P(PreviewPageTest, SaysWhatItShowsOrWhyNoRows) {
  const PageCase& c = GetParam();
  CString source = m_dir.WFile("source.txt");
  if (c.source == "(none)")
    source.Empty();
  else if (c.source == "(dir)")
    source = CString::FromUtf8(m_dir.Path());
  else
    WriteBytesToFile(m_dir.File("source.txt"), c.source);
  MakePreviewPage(source, c.separator, {}, m_dir.WFile("page.json"));
  const std::string page = ReadBytesFromFile(m_dir.File("page.json.html"));
  ASSERT_FALSE(page.empty());
  EXPECT_LT(page.size(), kHtmlMaxPageBytes);
  std::size_t rows = 0;
  for (std::size_t at = page.find("<tr>"); at != std::string::npos; at = page.find("<tr>", at + 1))
    ++rows;
  EXPECT_EQ(rows, c.rows == 0 ? 0 : c.rows + 1) << "the header row and the rows";
  for (const std::string& text : c.said)
    EXPECT_NE(page.find(text), std::string::npos) << text;
}

INSTANTIATE_TEST_SUITE_P(Sources, PreviewPageTest, ::testing::ValuesIn(kCases),
                         [](const auto& info) { return std::string(info.param.name); });

}  // namespace
