// The preview's rendering: JSON::ToHTML and RenderPreview, through real files.
#include <errno.h>
#include <gtest/gtest.h>
#include <stdlib.h>

#include <algorithm>
#include <cctype>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <sstream>
#include <string>

#include "engine/RenderPreview.h"
#include "libs/suppcore/JSON.h"
#include "libs/suppcore/Log.h"
#include "platform/core/CString.h"
#include "platform/core/SysCalls.h"

namespace {

namespace fs = std::filesystem;

fs::path MakeTempDir(const char* name) {
  std::string pattern = (fs::temp_directory_path() / name).string() + "-XXXXXX";
  if (mkdtemp(pattern.data()) == nullptr) {
    ADD_FAILURE() << "mkdtemp failed for " << pattern;
  }
  return pattern;
}

// The log goes to a directory of the test run's own.
class LogEnvironment : public ::testing::Environment {
 public:
  void SetUp() override {
    m_dir = MakeTempDir("corvane-preview-state");
    setenv("XDG_STATE_HOME", m_dir.c_str(), 1);
  }
  void TearDown() override { fs::remove_all(m_dir); }

 private:
  fs::path m_dir;
};
const auto* const kLogEnvironment = ::testing::AddGlobalTestEnvironment(new LogEnvironment);

std::string ReadBytes(const fs::path& path) {
  std::ifstream in(path, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

void WriteBytes(const fs::path& path, const std::string& bytes) {
  std::ofstream(path, std::ios::binary) << bytes;
}

CString Wide(const fs::path& path) {
  return CString::FromUtf8(path.string());
}

size_t LogLines() {
  const std::string log = ReadBytes(CLog::GetLogPath().ToUtf8());
  return static_cast<size_t>(std::count(log.begin(), log.end(), '\n'));
}

size_t CountOf(const std::string& text, char ch) {
  return static_cast<size_t>(std::count(text.begin(), text.end(), ch));
}

std::string Lower(std::string text) {
  std::transform(text.begin(), text.end(), text.begin(),
                 [](unsigned char ch) { return static_cast<char>(std::tolower(ch)); });
  return text;
}

// The part of a page between two markers, markers excluded.
std::string Between(const std::string& page, const std::string& from, const std::string& to) {
  const size_t begin = page.find(from);
  const size_t end = page.find(to, begin);
  if (begin == std::string::npos || end == std::string::npos) {
    return "(not found)";
  }
  return page.substr(begin + from.size(), end - begin - from.size());
}

class PreviewTest : public ::testing::Test {
 protected:
  void SetUp() override {
    m_dir = MakeTempDir("corvane-preview");
    m_json = m_dir / "in.json";
    m_html = m_dir / "in.json.html";
  }
  void TearDown() override { fs::remove_all(m_dir); }

  // Renders json text; the page is empty when no page was written.
  std::string Render(const std::string& json) {
    WriteBytes(m_json, json);
    const CString title = JSON::ToHTML(Wide(m_json), Wide(m_html), 1);
    EXPECT_EQ(title.IsEmpty(), !fs::exists(m_html));
    return ReadBytes(m_html);
  }
  // The tbody of the page rendered from json.
  std::string Body(const std::string& json) {
    return Between(Render(json), "<tbody>\n", "</tbody>");
  }

  fs::path m_dir;
  fs::path m_json;
  fs::path m_html;
};

TEST_F(PreviewTest, SampleMatchesGoldenPage) {
  const fs::path data = CORVANE_TEST_DATA;
  const CString title = JSON::ToHTML(Wide(data / "preview_sample.json"), Wide(m_html), 1);
  EXPECT_EQ(title, u"Preview");
  EXPECT_EQ(ReadBytes(m_html), ReadBytes(data / "preview_sample.html"));
}

TEST_F(PreviewTest, PageDeclaresUtf8AndForbidsScripts) {
  const std::string page = Render(R"([{"a":"1"}])");
  EXPECT_EQ(page.rfind("<!DOCTYPE html>\n", 0), 0u);
  EXPECT_NE(page.find("<meta charset=\"utf-8\">"), std::string::npos);
  EXPECT_NE(page.find("content=\"default-src 'none'; style-src 'unsafe-inline'\""),
            std::string::npos);
  EXPECT_EQ(page.find("No rows"), std::string::npos);
}

TEST_F(PreviewTest, HeaderShowsDuplicateAndEmptyNamesInOrder) {
  const std::string page = Render(R"([{"b":"1","a":"2","b":"3","":"4"}])");
  EXPECT_EQ(Between(page, "<thead>\n", "</thead>"),
            "<tr><th>b</th><th>a</th><th>b</th><th><span class=\"mark\">(empty)</span></th>"
            "</tr>\n");
  EXPECT_EQ(Between(page, "<tbody>\n", "</tbody>"),
            "<tr><td>1</td><td>2</td><td>3</td><td>4</td></tr>\n");
}

TEST_F(PreviewTest, EmptyArraySaysNoRows) {
  const std::string page = Render("[]");
  EXPECT_NE(page.find("<p class=\"note\">No rows</p>"), std::string::npos);
  EXPECT_EQ(Between(page, "<table>\n", "</table>"), "<tbody>\n</tbody>\n");
}

// Objects that do not follow the first one's names are shown by name, never by position.
TEST_F(PreviewTest, RowsAreMatchedToColumnsByName) {
  const std::string body = Body(R"([{"a":"1","b":"2","a":"3"},
                                    {"b":"4","a":"5","a":"6"},
                                    {"a":"7"},
                                    {"c":"8","a":"9","b":"10","a":"11","a":"12"},
                                    {"a":"13","a":"14","a":"15"}])");
  const std::string missing = "<td><span class=\"mark\">(missing)</span></td>";
  EXPECT_EQ(body,
            "<tr><td>1</td><td>2</td><td>3</td></tr>\n"
            "<tr><td>5</td><td>4</td><td>6</td></tr>\n"
            "<tr><td>7</td>" +
                missing + missing +
                "</tr>\n"
                "<tr><td>9</td><td>10</td><td>11</td></tr>\n"
                "<tr><td>13</td>" +
                missing + "<td>14</td></tr>\n");
}

TEST_F(PreviewTest, OtherScalarsAreShownAsTheirJsonText) {
  EXPECT_EQ(Body(R"([{"f":12.50,"i":-3,"u":18446744073709551615,"t":true,"n":null}])"),
            "<tr><td>12.50</td><td>-3</td><td>18446744073709551615</td><td>true</td>"
            "<td>null</td></tr>\n");
}

struct CellCase {
  const char* name;
  const char* jsonValue;  // as written in the JSON text
  const char* cell;       // the td element expected
};
void PrintTo(const CellCase& c, std::ostream* out) {
  *out << c.name;
}

class CellTest : public PreviewTest, public ::testing::WithParamInterface<CellCase> {};

TEST_P(CellTest, ShowsValueSoThatItsEdgesCanBeSeen) {
  EXPECT_EQ(Body(std::string(R"([{"a":")") + GetParam().jsonValue + "\"}]"),
            std::string("<tr>") + GetParam().cell + "</tr>\n");
}

INSTANTIATE_TEST_SUITE_P(
    Values, CellTest,
    ::testing::Values(CellCase{"Plain", "text", "<td>text</td>"},
                      CellCase{"Empty", "", "<td><span class=\"mark\">(empty)</span></td>"},
                      CellCase{"MarkerWordIsPlainText", "(empty)", "<td>(empty)</td>"},
                      CellCase{"OneLeading", " x", "<td><span class=\"space\"> </span>x</td>"},
                      CellCase{"Leading", "  x", "<td><span class=\"space\">  </span>x</td>"},
                      CellCase{"Trailing", "x ", "<td>x<span class=\"space\"> </span></td>"},
                      CellCase{"Both", "\\t x \\t",
                               "<td><span class=\"space\">\t </span>x<span "
                               "class=\"space\"> \t</span></td>"},
                      CellCase{"OnlySpaces", "   ", "<td><span class=\"space\">   </span></td>"},
                      CellCase{"InnerSpacesKept", "a  b", "<td>a  b</td>"},
                      CellCase{"NonAscii", "Zoë 日本", "<td>Zoë 日本</td>"},
                      CellCase{"ControlCharacter", "a\\u0000b\\u001fc",
                               "<td>a\xEF\xBF\xBD"
                               "b\xEF\xBF\xBD"
                               "c</td>"}),
    [](const auto& info) { return info.param.name; });

struct HostileCase {
  const char* name;
  const char* text;     // raw, as a name and as a value
  const char* escaped;  // how it must appear in the page
};
void PrintTo(const HostileCase& c, std::ostream* out) {
  *out << c.name;
}

class HostileTextTest : public PreviewTest, public ::testing::WithParamInterface<HostileCase> {
 protected:
  // A one-object page whose name and value are the given text (JSON-escaped here).
  std::string PageWith(const std::string& text) {
    std::string quoted;
    for (const char ch : text) {
      quoted += (ch == '"' || ch == '\\') ? std::string{'\\', ch} : std::string{ch};
    }
    return Render("[{\"" + quoted + "\":\"" + quoted + "\"}]");
  }
};

// Nothing in a name or value may turn into markup: the page has exactly the tags of a
// harmless page of the same shape, and the text is there, escaped, twice.
TEST_P(HostileTextTest, AppearsOnlyAsEscapedText) {
  const std::string page = PageWith(GetParam().text);
  const std::string harmless = PageWith("x");
  EXPECT_EQ(CountOf(page, '<'), CountOf(harmless, '<'));
  EXPECT_EQ(CountOf(page, '>'), CountOf(harmless, '>'));
  EXPECT_EQ(Lower(page).find("<script"), std::string::npos);
  EXPECT_EQ(Lower(page).find("<img"), std::string::npos);
  EXPECT_NE(page.find(std::string("<th>") + GetParam().escaped + "</th>"), std::string::npos);
  EXPECT_NE(page.find(std::string("<td>") + GetParam().escaped + "</td>"), std::string::npos);
}

INSTANTIATE_TEST_SUITE_P(
    Markup, HostileTextTest,
    ::testing::Values(
        HostileCase{"Script", "<script>alert(1)</script>", "&lt;script&gt;alert(1)&lt;/script&gt;"},
        HostileCase{"UpperCaseScript", "<SCRIPT src=//x></SCRIPT>",
                    "&lt;SCRIPT src=//x&gt;&lt;/SCRIPT&gt;"},
        HostileCase{"ImageHandler", "<img src=x onerror=alert(1)>",
                    "&lt;img src=x onerror=alert(1)&gt;"},
        HostileCase{"Quotes", "\"&'", "&quot;&amp;&#39;"},
        HostileCase{"EntityLookalike", "&lt;b&gt;", "&amp;lt;b&amp;gt;"},
        HostileCase{"BreakOutOfTable", "</td></tr></table><script>x</script>",
                    "&lt;/td&gt;&lt;/tr&gt;&lt;/table&gt;&lt;script&gt;x&lt;/script&gt;"},
        HostileCase{"Comment", "<!-- x", "&lt;!-- x"},
        HostileCase{"Style", "<style>*{display:none}</style>",
                    "&lt;style&gt;*{display:none}&lt;/style&gt;"}),
    [](const auto& info) { return info.param.name; });

struct UnreadableCase {
  const char* name;
  const char* bytes;  // nullptr: no file at all
};
void PrintTo(const UnreadableCase& c, std::ostream* out) {
  *out << c.name;
}

class UnreadableTest : public PreviewTest, public ::testing::WithParamInterface<UnreadableCase> {};

TEST_P(UnreadableTest, WritesNothingAndLogsOnce) {
  if (GetParam().bytes != nullptr) {
    WriteBytes(m_json, GetParam().bytes);
  }
  const size_t linesBefore = LogLines();
  EXPECT_TRUE(JSON::ToHTML(Wide(m_json), Wide(m_html), 1).IsEmpty());
  EXPECT_FALSE(fs::exists(m_html));
  EXPECT_EQ(LogLines(), linesBefore + 1);
  EXPECT_NE(ReadBytes(CLog::GetLogPath().ToUtf8()).find(m_json.string()), std::string::npos);
}

INSTANTIATE_TEST_SUITE_P(
    Files, UnreadableTest,
    ::testing::Values(UnreadableCase{"Missing", nullptr}, UnreadableCase{"EmptyFile", ""},
                      UnreadableCase{"NotJson", "id,name\n1,x\n"},
                      UnreadableCase{"Truncated", "[\n  {\n    \"a\": \"1\",\n    \"b\": \"2"},
                      UnreadableCase{"TrailingText", "[] x"},
                      UnreadableCase{"InvalidUtf8", "[{\"a\":\"\xff\"}]"},
                      UnreadableCase{"TopLevelObject", R"({"a":"1"})"},
                      UnreadableCase{"TopLevelString", R"("a")"},
                      UnreadableCase{"ElementNotObject", R"([{"a":"1"},"b"])"},
                      UnreadableCase{"ElementIsArray", R"([["a"]])"},
                      UnreadableCase{"NestedObject", R"([{"a":{"b":"c"}}])"},
                      UnreadableCase{"NestedArray", R"([{"a":["b"]}])"},
                      UnreadableCase{"DeepNesting", "[[[[[[[[[[[[[[[[[[[[[[[[[[[[[[[[[[[[[["}),
    [](const auto& info) { return info.param.name; });

TEST_F(PreviewTest, DirectoryAsSourceWritesNothing) {
  fs::create_directory(m_json);
  const size_t linesBefore = LogLines();
  EXPECT_TRUE(JSON::ToHTML(Wide(m_json), Wide(m_html), 1).IsEmpty());
  EXPECT_FALSE(fs::exists(m_html));
  EXPECT_EQ(LogLines(), linesBefore + 1);
}

TEST_F(PreviewTest, FailedRenderingLeavesAnEarlierPageAlone) {
  WriteBytes(m_html, "earlier page");
  WriteBytes(m_json, "[{");
  EXPECT_TRUE(JSON::ToHTML(Wide(m_json), Wide(m_html), 1).IsEmpty());
  EXPECT_EQ(ReadBytes(m_html), "earlier page");
}

TEST_F(PreviewTest, UnwritableDestinationGivesEmptyResultAndLogs) {
  WriteBytes(m_json, R"([{"a":"1"}])");
  const size_t linesBefore = LogLines();
  EXPECT_TRUE(JSON::ToHTML(Wide(m_json), Wide(m_dir / "no-such-dir" / "out.html"), 1).IsEmpty());
  EXPECT_EQ(LogLines(), linesBefore + 1);
}

// A full disk while the page is written: no part of a page stays behind to be shown.
TEST_F(PreviewTest, FailedWriteRemovesThePartialPage) {
  WriteBytes(m_json, R"([{"a":"1"}])");
  const size_t linesBefore = LogLines();
  SysCalls fullDisk = RealSysCalls();
  fullDisk.write = [](int, const void*, size_t) -> ssize_t {
    errno = ENOSPC;
    return -1;
  };
  {
    ScopedSysCalls scoped(fullDisk);
    EXPECT_TRUE(JSON::ToHTML(Wide(m_json), Wide(m_html), 1).IsEmpty());
  }
  EXPECT_FALSE(fs::exists(m_html));
  EXPECT_EQ(LogLines(), linesBefore + 1);
}

TEST_F(PreviewTest, ReadErrorWritesNothing) {
  WriteBytes(m_json, R"([{"a":"1"}])");
  const size_t linesBefore = LogLines();
  SysCalls failingRead = RealSysCalls();
  failingRead.read = [](int, void*, size_t) -> ssize_t {
    errno = EIO;
    return -1;
  };
  {
    ScopedSysCalls scoped(failingRead);
    EXPECT_TRUE(JSON::ToHTML(Wide(m_json), Wide(m_html), 1).IsEmpty());
  }
  EXPECT_FALSE(fs::exists(m_html));
  EXPECT_EQ(LogLines(), linesBefore + 1);
}

class RenderPreviewTest : public PreviewTest {
 protected:
  void SetUp() override {
    PreviewTest::SetUp();
    // A name like the temporary directory's, with a non-ASCII folder on the way.
    fs::create_directory(m_dir / "Zoë");
    m_json = m_dir / "Zoë" / "js1A2B.tmp.json";
    m_html = m_dir / "Zoë" / "js1A2B.tmp.json.html";
  }
};

TEST_F(RenderPreviewTest, WritesPageBesideAndDeletesJson) {
  WriteBytes(m_json, R"([{"a":"1"}])");
  RenderPreview(Wide(m_json));
  EXPECT_FALSE(fs::exists(m_json));
  ASSERT_TRUE(fs::exists(m_html));
  EXPECT_NE(ReadBytes(m_html).find("<td>1</td>"), std::string::npos);
}

TEST_F(RenderPreviewTest, DeletesJsonAlsoWhenRenderingFails) {
  WriteBytes(m_json, "[{\"a\":");
  RenderPreview(Wide(m_json));
  EXPECT_FALSE(fs::exists(m_json));
  EXPECT_FALSE(fs::exists(m_html));
}

}  // namespace
