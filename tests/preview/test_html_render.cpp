// The preview's rendering: JSON::ToHTML and RenderPreview, through real files.
#include <errno.h>
#include <gtest/gtest.h>
#include <stdlib.h>

#include <algorithm>
#include <filesystem>
#include <string>

#include "../platform/TempDir.h"
#include "engine/preview/RenderPreview.h"
#include "libs/suppcore/JSON.h"
#include "libs/suppcore/Log.h"
#include "platform/core/CString.h"
#include "platform/core/SysCalls.h"
#include "tests/support/NamedCase.h"

namespace {

namespace fs = std::filesystem;

// The part of a page between two markers, markers excluded.
std::string Between(const std::string& page, const std::string& from, const std::string& to) {
  const size_t begin = page.find(from);
  const size_t end = page.find(to, begin);
  if (begin == std::string::npos || end == std::string::npos)
    return "(not found)";
  return page.substr(begin + from.size(), end - begin - from.size());
}

class PreviewTest : public ::testing::Test {
 protected:
  // The log goes to the test's own directory.
  void SetUp() override { setenv("XDG_STATE_HOME", m_dir.Path().c_str(), 1); }
  CString ToHtml(const std::string& html) const {
    return JSON::ToHTML(m_dir.WFile("in.json"), m_dir.WFile(html), 1);
  }
  // Renders json text; the page is empty when no page was written.
  std::string Render(const std::string& json) {
    WriteBytesToFile(m_json, json);
    const bool noTitle = ToHtml("in.json.html").IsEmpty();
    EXPECT_EQ(noTitle, !fs::exists(m_html));
    return ReadBytesFromFile(m_html);
  }

  TempDir m_dir;
  const std::string m_json = m_dir.File("in.json");
  const std::string m_html = m_dir.File("in.json.html");
};

TEST_F(PreviewTest, SampleMatchesGoldenPage) {
  const std::string data = CORVANE_TEST_DATA;
  const CString title =
      JSON::ToHTML(CString::FromUtf8(data + "/preview_sample.json"), CString::FromUtf8(m_html), 1);
  EXPECT_EQ(title, u"Preview");
  EXPECT_EQ(ReadBytesFromFile(m_html), ReadBytesFromFile(data + "/preview_sample.html"));
}

// Values the golden page does not hold, shown so that their edges can be seen; objects
// that do not follow the first one's names, shown by name, never by position; nothing in
// a name or a value that turns into markup.
struct PageCase {
  const char* name;
  std::string json;
  std::string body;                                                        // the rows of the table
  std::string head = "<table>\n<thead>\n<tr><th>a</th></tr>\n</thead>\n";  // from <body>
};

class PageTest : public PreviewTest, public ::testing::WithParamInterface<PageCase> {};

TEST_P(PageTest, ShowsEveryValueInItsColumn) {
  const std::string page = Render(GetParam().json);
  EXPECT_EQ(Between(page, "<body>\n", "<tbody>\n"), GetParam().head);
  EXPECT_EQ(Between(page, "<tbody>\n", "</tbody>"), GetParam().body);
}

const std::string kMissing = "<td><span class=\"mark\">(missing)</span></td>";

// 100 columns shown of 101: the objects after the first hold the shown ones in reverse,
// behind the one not shown, and a name twice.
PageCase PastTheShownColumns() {
  PageCase page{"ColumnsByNamePastTheShownOnes", "[{", "<tr>", "<table>\n<thead>\n<tr>"};
  std::string reversed = "\"hidden\":\"x\"";
  std::string second = "<tr>";
  for (int k = 0; k < 100; ++k) {
    const std::string n = std::to_string(k);
    page.json += "\"c" + n + "\":\"" + n + "\",";
    reversed.insert(reversed.find(':') + 4, ",\"c" + n + "\":\"b" + n + "\"");
    page.body += "<td>" + n + "</td>";
    second += "<td>b" + n + "</td>";
    page.head += "<th>c" + n + "</th>";
  }
  page.json += R"("hidden":"h"},{)" + reversed + R"(},{"c0":"d0","c0":"extra"}])";
  page.body += "</tr>\n" + second + "</tr>\n<tr><td>d0</td>";
  for (int k = 1; k < 100; ++k)
    page.body += kMissing;
  page.body += "</tr>\n";
  page.head += "</tr>\n</thead>\n";
  return page;
}

const std::string kMarkup = "&lt;SCRIPT src=//x&gt;&lt;/td&gt;&lt;/table&gt;";
const PageCase kPages[] = {
    {"NoRows", "[]", "", "<p class=\"note\">No rows</p>\n<table>\n"},
    {"EdgesNulAndTheMarkerWord", R"j([{"a":"\t x\u0000 \t","b":"(empty)"}])j",
     "<tr><td><span class=\"space\">\t </span>x\uFFFD<span class=\"space\"> \t</span></td>"
     "<td>(empty)</td></tr>\n",
     "<table>\n<thead>\n<tr><th>a</th><th>b</th></tr>\n</thead>\n"},
    {"MarkupInNameAndValue",
     R"([{"<SCRIPT src=//x></td></table>":"<SCRIPT src=//x></td></table>"}])",
     "<tr><td>" + kMarkup + "</td></tr>\n",
     "<table>\n<thead>\n<tr><th>" + kMarkup + "</th></tr>\n</thead>\n"},
    {"TypedCellsApartFromStrings", R"([{"a":12.50,"b":true,"c":"12.50","d":"true"}])",
     "<tr><td class=\"number\">12.50</td><td class=\"literal\">true</td><td>12.50</td>"
     "<td>true</td></tr>\n",
     "<table>\n<thead>\n<tr><th>a</th><th>b</th><th>c</th><th>d</th></tr>\n</thead>\n"},
    {"ColumnsByName",
     R"([{"a":"1","b":"2","a":"3"},{"b":"4","a":"5","a":"6"},{"a":"7"},
         {"c":"8","a":"9","b":"10","a":"11","a":"12"},{"a":"13","a":"14","a":"15"}])",
     "<tr><td>1</td><td>2</td><td>3</td></tr>\n<tr><td>5</td><td>4</td><td>6</td></tr>\n" +
         ("<tr><td>7</td>" + kMissing + kMissing +
          "</tr>\n<tr><td>9</td><td>10</td><td>11</td></tr>\n") +
         "<tr><td>13</td>" + kMissing + "<td>14</td></tr>\n",
     "<table>\n<thead>\n<tr><th>a</th><th>b</th><th>a</th></tr>\n</thead>\n"},
};
void PrintTo(const PageCase& c, std::ostream* out) {
  *out << c.name << " " << ::testing::PrintToString(c.json);
}

INSTANTIATE_TEST_SUITE_P(Values, PageTest, ::testing::ValuesIn(kPages), corvane_test::ByName);
INSTANTIATE_TEST_SUITE_P(Wide, PageTest, ::testing::Values(PastTheShownColumns()),
                         corvane_test::ByName);

const std::string kPage = "in.json.html";

// JSON that is missing or not rows of values, a page that cannot be written, a
// full disk while it is written (no part of a page may stay behind to be shown)
// and a failing read.
struct UnreadableCase {
  const char* name;
  const char* bytes;  // nullptr: no file at all
  std::string html = kPage;
  int error = 0;  // ENOSPC: every write fails; EIO: every read fails
};

class UnreadableTest : public PreviewTest, public ::testing::WithParamInterface<UnreadableCase> {};

TEST_P(UnreadableTest, WritesNothingAndLogsOnce) {
  const UnreadableCase& c = GetParam();
  if (c.bytes != nullptr)
    WriteBytesToFile(m_json, c.bytes);
  SysCalls calls = RealSysCalls();
  if (c.error == ENOSPC)
    calls.write = [](int, const void*, size_t) -> ssize_t { return errno = ENOSPC, -1; };
  if (c.error == EIO)
    calls.read = [](int, void*, size_t) -> ssize_t { return errno = EIO, -1; };
  {
    ScopedSysCalls scoped(calls);
    EXPECT_TRUE(ToHtml(c.html).IsEmpty());
  }
  EXPECT_FALSE(fs::exists(m_dir.File(c.html)));
  const std::string log = ReadBytesFromFile(CLog::GetLogPath().ToUtf8());
  EXPECT_EQ(std::count(log.begin(), log.end(), '\n'), 1);
  // The log names the page when it cannot be created, the JSON file otherwise.
  EXPECT_NE(log.find(c.html == kPage ? m_json : m_dir.File(c.html)), std::string::npos) << log;
}

const char kRow[] = R"([{"a":"1"}])";
const UnreadableCase kUnreadable[] = {
    {"Missing", nullptr},
    {"NotJson", "id,name\n1,x\n"},
    {"NestedObject", R"([{"a":{"b":"c"}}])"},
    {"DeepNesting", "[[[[[[[[[[[[[[[[[[[[]]]]]]]]]]]]]]]]]]]]"},  // closed: refused for its shape
    {"PageInMissingDirectory", kRow, "no-such-dir/out.html"},
    {"DiskFull", kRow, kPage, ENOSPC},
    {"ReadError", kRow, kPage, EIO},
};
void PrintTo(const UnreadableCase& c, std::ostream* out) {
  *out << c.name << " " << (c.bytes ? ::testing::PrintToString(std::string(c.bytes)) : "(no file)");
}

INSTANTIATE_TEST_SUITE_P(Files, UnreadableTest, ::testing::ValuesIn(kUnreadable),
                         corvane_test::ByName);

// Under a name like the temporary directory's, with a non-ASCII folder on the
// way: the page is written beside the JSON file, which is deleted whether or
// not rendering succeeds; the notes follow the table, escaped.
TEST_F(PreviewTest, RenderPreviewWritesBesideAndDeletesTheJson) {
  fs::create_directory(m_dir.File("Zo\xC3\xAB"));
  const std::string json = m_dir.File("Zo\xC3\xAB/js1A2B.tmp.json");
  for (const auto& [bytes, rendered] : {std::pair{"[{\"a\":", false}, {kRow, true}}) {
    WriteBytesToFile(json, bytes);
    RenderPreview(CString::FromUtf8(json), {u"Line 4 <b>left</b> & \"out\""});
    EXPECT_FALSE(fs::exists(json)) << bytes;
    const std::string page = ReadBytesFromFile(json + ".html");
    EXPECT_EQ(page.find("<td>1</td>") != std::string::npos, rendered);
    EXPECT_EQ(page.find("</table>\n<p class=\"note\">Line 4 &lt;b&gt;left&lt;/b&gt; &amp; "
                        "&quot;out&quot;</p>\n</body>") != std::string::npos,
              rendered);
  }
}

}  // namespace
