// What the preview page says about a source, through MakePreviewPage and real files.
#include <gtest/gtest.h>
#include <stdlib.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <fstream>

#include <filesystem>
#include <type_traits>

#include "../platform/TempDir.h"
#include "engine/EngineMessages.h"
#include "engine/preview/PreviewPage.h"
#include "engine/preview/PreviewTexts.h"
#include "libs/suppcore/HtmlPage.h"
#include "tests/support/NamedCase.h"

namespace {

using corvane_test::operator<<;

namespace T = PreviewTexts;

// A text of the page as the page holds it.
template <class Char, class... Args>
std::string Said(const Char* format, Args... args) {
  if constexpr (std::is_same_v<Char, char16_t>) {
    CString text;
    text.Format(format, args...);
    return EscapeHtml(text.ToUtf8());
  } else {
    char text[160];
    std::snprintf(text, sizeof text, format, args...);
    return EscapeHtml(text);
  }
}

std::string Repeat(const std::string& text, int times) {
  std::string all;
  while (times-- > 0)
    all += text;
  return all;
}

// Bytes as written, or made when the case runs, so that listing the tests builds no
// megabytes.
struct Bytes {
  Bytes(std::string bytes) : text(std::move(bytes)) {}
  Bytes(const char* bytes) : text(bytes) {}
  template <class Make, class = std::enable_if_t<std::is_invocable_v<Make>>>
  Bytes(Make make) : make(make) {}
  std::string operator()() const { return make ? make() : text; }

  std::string text;
  std::string (*make)() = nullptr;
};

struct PageCase {
  const char* name;
  // The file's bytes; "(none)": no source chosen, "(dir)": a folder.
  Bytes source;
  const char16_t* separator;
  std::size_t rows;  // table rows shown
  std::vector<std::string> said;
  // A source new to the window may take another separator: the one it takes.
  bool newSource = false;
  const char16_t* taken = u"";
  std::string encoding = "";  // chosen; empty for the automatic choice
};

// bytes compressed by gzip.
std::string Gzipped(const std::string& bytes) {
  const TempDir dir;
  WriteBytesToFile(dir.File("t"), bytes);
  if (std::system(("gzip '" + dir.File("t") + "'").c_str()) != 0)
    throw std::runtime_error("gzip failed");
  return ReadBytesFromFile(dir.File("t.gz"));
}

std::string Wide() {
  return Repeat("c,", 199999) + "c\n";
}
std::string Escaped() {
  return Repeat(std::string(200, '&') + ",", 99) + std::string(200, '&') + "\n";
}

const PageCase kCases[] = {
    {"NoSource", "(none)", u",", 0, {Said(T::kBegin)}},
    {"Folder", "(dir)", u",", 0, {Said(T::kCannotRead, u"")}},
    {"Empty", "", u",", 0, {Said(T::kEmpty)}},
    {"HeaderOnly", "a,b\n", u",", 0, {Said(T::kNoRows, u"UTF-8", 2LL, u","), Said(T::kHeaderOnly)}},
    {"NoLineMatches", "a,b\n1\n1,2,3\n", u",", 0, {Said(T::kNoLineMatches, 2LL, 2LL)}},
    {"Rows", "a\tb\n1\t2\nx\n3\t4\n", u"<tab>", 2, {Said(T::kShows, 2LL, u"UTF-8", 2LL, u"<tab>")}},
    // NULs in every other byte and a few in the others: not taken for UTF-16, but hinted.
    {"Utf16Suspected", std::string("a\0\0,\0b\n", 7), u",", 0, {Said(T::kUtf16Suspected)}},
    {"RepeatedNames",
     "a,a\n1,2\n",
     u",",
     1,
     {Said(EngineMessages::kColumnsRenamed, 1LL, u"a -> a_2")}},
    {"Windows1252",
     "a,b\n\x93x\x94,\x80\n",
     u",",
     1,
     {Said(T::kShows, 1LL, u"no mark, not UTF-8 at byte 5: Windows-1252", 2LL, u","),
      "<td>“x”</td>", "<td>€</td>"}},
    {"ChosenWithUndecodableBytes",
     "a,b\n\xE1,\xAA\xFF\n",
     u",",
     1,
     {Said(T::kShows, 1LL, u"windows-1253 (chosen)", 2LL, u","), "<td>α</td>", "<td>��</td>",
      Said(T::kUndecodable, u"2 byte(s) could not be decoded and were read as U+FFFD")},
     false,
     u"",
     "windows-1253"},
    {"OtherSeparator", "a;b;c;d\n1;2;3;4\n", u",", 1, {Said(T::kOtherSeparator, u";", 4LL)}},
    {"NewSourceTakesTheSeparator",
     "a;b;c\n1;2;3\n",
     u",",
     1,
     {Said(T::kSeparatorTaken, u";", u",", u";", 3LL), Said(T::kShows, 1LL, u"UTF-8", 3LL, u";")},
     true,
     u";"},
    {"OldMacLineEnds",
     "a,b\r1,2\r",
     u",",
     1,
     {Said(T::kShows, 1LL, u"UTF-8", 2LL, u","), Said(T::kOldMacLineEnds)}},
    {"NoLineFeed",
     [] { return std::string(17 << 20, 'x'); },
     u",",
     0,
     {Said(T::kLineTooLong, 1LL, 16LL)}},
    {"LongRow",
     [] { return "a\n" + std::string(17 << 20, 'x'); },
     u",",
     0,
     {Said(T::kNoRows, u"UTF-8", 1LL, u","), Said(T::kLineTooLong, 2LL, 16LL)}},
    // The read limit counts the text: a small compressed file that holds more than it
    // stops there like a large one.
    {"CompressedStoppedAt16MiB",
     [] { return Gzipped("a,b\n" + Repeat("1," + std::string(2 << 20, 'x') + "\n", 9)); },
     u",",
     7,
     {Said(T::kShows, 7LL, u"UTF-8", 2LL, u","), Said(T::kStopped, 16LL)}},
    {"Zip",
     std::string("PK\x03\x04\x14\0\0\0a,b\n", 12),
     u",",
     0,
     {EscapeHtml("is not a text file: it looks like a ZIP archive")}},
    {"Wide",
     [] { return Wide() + std::string(300, 'v') + Wide().substr(1); },
     u",",
     1,
     {Said(kHtmlColumnsCut, kHtmlMaxColumns, std::size_t{200000}),
      Said(kHtmlCellsCut, kHtmlMaxCellCharacters)}},
    {"PageSize",
     [] { return Repeat(Escaped(), 11); },
     u",",
     9,
     {Said(kHtmlRowsCut, std::size_t{9})}},
};

using PreviewPageTest = ::testing::TestWithParam<PageCase>;

TEST_P(PreviewPageTest, SaysWhatItShowsOrWhyNoRows) {
  const PageCase& c = GetParam();
  const std::string bytes = c.source();
  const TempDir dir;
  setenv("XDG_STATE_HOME", dir.Path().c_str(), 1);
  CString source = bytes == "(none)" ? CString() : dir.WFile("source.txt");
  if (bytes == "(dir)")
    source = CString::FromUtf8(dir.Path());
  else if (!source.IsEmpty())
    WriteBytesToFile(dir.File("source.txt"), bytes);
  // The window's conversion: the preview shows it as JSON, without touching its output.
  ConversionRequest conversion;
  conversion.source = source;
  conversion.separator = c.separator;
  conversion.output = dir.WFile("out.bson");
  conversion.format = OutputFormat::Bson;
  conversion.options.encoding = c.encoding;
  EXPECT_EQ(MakePreviewPage(conversion, dir.WFile("page.json"), c.newSource), c.taken);
  EXPECT_FALSE(std::filesystem::exists(dir.File("out.bson")));
  const std::string page = ReadBytesFromFile(dir.File("page.json.html"));
  EXPECT_LT(page.size(), kHtmlMaxPageBytes);
  std::size_t rows = 0;
  for (std::size_t at = page.find("<tr>"); at != std::string::npos; at = page.find("<tr>", at + 1))
    ++rows;
  EXPECT_EQ(rows, c.rows == 0 ? 0 : c.rows + 1);  // with the header row
  for (const std::string& text : c.said)
    EXPECT_NE(page.find(text), std::string::npos) << text;
}

INSTANTIATE_TEST_SUITE_P(Sources, PreviewPageTest, ::testing::ValuesIn(kCases),
                         corvane_test::ByName);

// The address space the process maps now, in bytes.
std::size_t MappedBytes() {
  std::size_t pages = 0;
  std::ifstream("/proc/self/statm") >> pages;
  return pages * static_cast<std::size_t>(sysconf(_SC_PAGESIZE));
}

// Memory follows the line, not its number of fields: the preview of a header of millions of
// empty names and a row of as many values stays within a fixed amount plus kBytesPerField,
// in a child process whose address space is limited so. A name or a member held as a
// string of its own again (32 bytes and more) runs out of it.
TEST(PreviewMemory, ManyFieldsStayWithinTheirBound) {
#ifdef CORVANE_SANITIZED
  GTEST_SKIP() << "the address sanitizer needs more address space than the limit leaves";
#endif
  constexpr std::size_t kFields = 2'000'000;
  // Measured: 4 MiB for a line of a few fields (threads, buffers, the page).
  constexpr std::size_t kFixedBytes = std::size_t{16} << 20;
  // Measured: about 4.5, the line's text and the names in the reader and the writer at a
  // byte each; the row's fields are held a window at a time.
  constexpr std::size_t kBytesPerField = 7;
  const TempDir dir;
  setenv("XDG_STATE_HOME", dir.Path().c_str(), 1);
  const std::string line = std::string(kFields - 1, ',') + "\n";
  WriteBytesToFile(dir.File("source.txt"), line + line);
  const pid_t child = fork();
  ASSERT_NE(child, -1);
  if (child == 0) {
    const rlim_t bytes = MappedBytes() + kFixedBytes + kFields * kBytesPerField;
    const rlimit limit{bytes, bytes};
    int status = setrlimit(RLIMIT_AS, &limit) == 0 ? 0 : 3;
    try {
      ConversionRequest conversion;
      conversion.source = dir.WFile("source.txt");
      conversion.separator = CString(u",");
      MakePreviewPage(conversion, dir.WFile("page.json"));
      const std::string page = ReadBytesFromFile(dir.File("page.json.html"));
      if (page.find(Said(kHtmlColumnsCut, kHtmlMaxColumns, kFields)) == std::string::npos)
        status = 1;
    } catch (...) {
      status = 2;
    }
    _exit(status);
  }
  int status = -1;
  ASSERT_EQ(waitpid(child, &status, 0), child);
  EXPECT_TRUE(WIFEXITED(status)) << status;
  EXPECT_EQ(WEXITSTATUS(status), 0) << "1: the page shows no row (memory ran out), 2: it threw";
}

}  // namespace
