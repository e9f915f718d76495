// The JSON writer, driven as the conversion drives it; the output is parsed back with a
// strict parser and compared, and the layout is checked as text.
#include <gtest/gtest.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <memory>
#include <nlohmann/json.hpp>
#include <sstream>

#include "WriterTestSupport.h"
#include "platform/core/SysCalls.h"

namespace {

using ordered_json = nlohmann::ordered_json;

// Parses strictly (throws on anything RFC 8259 refuses, invalid UTF-8 included) and
// returns the rows, each member in document order.
Utf8Rows ParseRows(const std::string& text) {
  ordered_json document = ordered_json::parse(text);
  EXPECT_TRUE(document.is_array());
  Utf8Rows rows;
  for (const auto& object : document) {
    EXPECT_TRUE(object.is_object());
    auto& row = rows.emplace_back();
    for (const auto& [name, value] : object.items())
      row.emplace_back(name, value.get<std::string>());
  }
  return rows;
}

// Plays a script of writer calls, tokens separated by spaces: "[" Array(1, 1), "(" Array(1, 0),
// "]" Array(0, 1), "{" or "{name" BeginValue, "}" EndValue, "name=value" AddPair, ","
// EndOfPair.
void Play(JSON& w, const std::string& script) {
  std::istringstream tokens(script);
  for (std::string token; tokens >> token;) {
    const std::u16string rest = CString::FromUtf8(token.substr(1)).Str();
    const size_t equals = token.find('=');
    if (equals != std::string::npos) {
      w.AddPair(CString::FromUtf8(token.substr(0, equals)),
                CString::FromUtf8(token.substr(equals + 1)));
    } else if (token == "[" || token == "(") {
      w.Array(1, token == "[");
    } else if (token == "]") {
      w.Array(0, 1);
    } else if (token[0] == '{') {
      w.BeginValue(token.size() > 1 ? rest.c_str() : nullptr);
    } else if (token == "}") {
      w.EndValue();
    } else {
      ASSERT_EQ(token, ",");
      w.EndOfPair();
    }
  }
}

// The document a script gives, written with the indentation on or off.
std::string WriteScript(const std::string& script, int indent) {
  return WriteWith(TempPath("script.json"), [&](JSON& writer, CFile& file) {
    writer.SwitchIndent(indent);
    writer.Open(&file, 0);
    Play(writer, script);
    writer.Close();
  });
}

// The layout calls of the conversion (SetIndent, WriteIndent) do not change the text.
TEST(JsonWriter, RowsHaveTheDocumentedLayout) {
  const std::pair<Rows, std::string> kCases[] = {
      {{}, "[\n]\n"},
      {{{{u"a", u"1"}, {u"b", u"2"}}, {{u"a", u"3"}}},
       "[\n  {\n    \"a\": \"1\",\n    \"b\": \"2\"\n  },\n  {\n    \"a\": \"3\"\n  }\n]\n"},
      // Checked as text: a parser keeps only one of two equal names.
      {{{{u"", u"1"}, {u"a", u"2"}, {u"a", u"3"}, {u"", u""}}},
       "[\n  {\n    \"\": \"1\",\n    \"a\": \"2\",\n    \"a\": \"3\",\n    \"\": \"\"\n  }\n]\n"},
  };
  for (const auto& [rows, text] : kCases) {
    EXPECT_EQ(WriteRows(rows, Format::kJson), text);
    EXPECT_EQ(WriteRows(rows, Format::kJson, Layout::kNoLayoutCalls), text);
  }
}

struct TextCase {
  std::string label;
  std::u16string text;
  std::string json;  // the text as it must appear between the quotes
};

std::vector<TextCase> TextCases() {
  std::vector<TextCase> cases = {
      {"Empty", u"", ""},
      {"Quote", u"say \"hi\"", "say \\\"hi\\\""},
      {"Backslash", u"C:\\dir\\", "C:\\\\dir\\\\"},
      {"Latin", u"Grüße", "Gr\xC3\xBC\xC3\x9F\x65"},
      {"Supplementary", u"\U0001F600", "\xF0\x9F\x98\x80"},
      {"LoneHigh", u"a\xD83D\x62", "a\xEF\xBF\xBD\x62"},
      {"HighAtEnd", u"\xD83D", "\xEF\xBF\xBD"},
      {"SwappedPair", u"\xDE00\xD83D", "\xEF\xBF\xBD\xEF\xBF\xBD"},
  };
  // Control characters: the short escapes where JSON has them, \u00XX for the others.
  for (char16_t c = 0; c < 0x20; ++c) {
    char escape[8];
    snprintf(escape, sizeof escape, "\\u%04x", c);
    const size_t at = std::u16string_view(u"\b\f\n\r\t").find(c);
    const std::string json =
        at != std::u16string_view::npos ? std::string{'\\', "bfnrt"[at]} : escape;
    cases.push_back(
        {"Control" + std::to_string(c), u"<" + std::u16string(1, c) + u">", "<" + json + ">"});
  }
  // A long text whose surrogate pair straddles the pieces the writer escapes at a time.
  for (size_t before : {16383u, 16384u, 16385u}) {
    std::u16string text(before, u'x');
    text += u"\U0001F600\"";
    std::string expected(before, 'x');
    cases.push_back({"Long" + std::to_string(before), text, expected + "\xF0\x9F\x98\x80\\\""});
  }
  return cases;
}

class JsonText : public testing::TestWithParam<TextCase> {};

TEST_P(JsonText, NameAndValueAreEscaped) {
  const TextCase& c = GetParam();
  EXPECT_EQ(WriteRows({{{c.text, u"v"}, {u"k", c.text}}}, Format::kJson),
            "[\n  {\n    \"" + c.json + "\": \"v\",\n    \"k\": \"" + c.json + "\"\n  }\n]\n");
}

INSTANTIATE_TEST_SUITE_P(Texts, JsonText, testing::ValuesIn(TextCases()),
                         [](const auto& info) { return info.param.label; });

// The document for one row of UTF-8 values, given with AddPairUtf8.
std::string WriteUtf8Row(const std::vector<std::string>& values, Format format) {
  return WriteWith(TempPath("utf8"), [&](JSON& writer, CFile& file) {
    writer.SwitchIndent(1);
    writer.Open(&file, 0);
    writer.SetBSON(format == Format::kBson);
    writer.Array(1, 1);
    writer.SetIndent(1);
    writer.BeginValue(nullptr);
    for (size_t k = 0; k < values.size(); ++k) {
      if (k > 0)
        writer.EndOfPair();
      writer.WriteIndent();
      writer.AddPairUtf8(u"k", values[k]);
    }
    writer.SetIndent(0);
    writer.EndValue();
    writer.Array(0, 1);
    writer.Close();
  });
}

// A value given as UTF-8 bytes gives the same document, JSON or BSON, as the same value
// given as UTF-16.
void ExpectUtf8AsUtf16(const Row& row) {
  std::vector<std::string> values;
  for (const TextPair& pair : row)
    values.push_back(Utf16ToUtf8(pair.value));
  for (Format format : {Format::kJson, Format::kBson})
    EXPECT_TRUE(WriteUtf8Row(values, format) == WriteRows({row}, format)) << values[0].size();
}

// One unit that is not copied as it is, in every position of texts that the writer escapes
// a chunk at a time: the units before and after it must come through unchanged.
const std::pair<std::u16string, std::string> kSpecialUnits[] = {
    {u"\"", "\\\""},
    {u"\\", "\\\\"},
    {u"\n", "\\n"},
    {u"\x01", "\\u0001"},
    {u"\x1F", "\\u001f"},
    {u"\x7F", "\x7F"},
    {u"\u00E9", "\xC3\xA9"},
    {u"\u8000", "\xE8\x80\x80"},
    {u"\u20AC", "\xE2\x82\xAC"},
    {u"\U0001F600", "\xF0\x9F\x98\x80"},
    {u"\xD800", "\xEF\xBF\xBD"},
};

TEST(JsonWriter, SpecialUnitInEveryPositionOfAChunk) {
  for (const auto& [special, json] : kSpecialUnits) {
    // One row per special unit, one member per length and position.
    Row row;
    std::string expected = "[\n  {";
    for (size_t length = 0; length <= 20; ++length) {
      for (size_t at = 0; at <= length; ++at) {
        row.push_back(
            {u"k", std::u16string(at, u'a') + special + std::u16string(length - at, u'b')});
        expected += std::string(row.size() > 1 ? "," : "") + "\n    \"k\": \"" +
                    std::string(at, 'a') + json + std::string(length - at, 'b') + "\"";
      }
    }
    EXPECT_EQ(WriteRows({row}, Format::kJson), expected + "\n  }\n]\n") << json;
    ExpectUtf8AsUtf16(row);
  }
  // Values longer than one piece of the escaping.
  ExpectUtf8AsUtf16({{u"k", u""},
                     {u"k", std::u16string(40000, u'x') + u"\"\\\n"},
                     {u"k", std::u16string(16 * 1024 - 1, u'y') + u"\x01\u00E9"}});
}

// The same name at the same position in objects of different depths is indented for each.
TEST(JsonWriter, NameAtTwoDepthsKeepsEachIndentation) {
  EXPECT_EQ(WriteScript("[ { a=1 {o a=2 } } { a=3 } ]", 1),
            "[\n  {\n    \"a\": \"1\",\n    \"o\": {\n      \"a\": \"2\"\n    }\n  },\n"
            "  {\n    \"a\": \"3\"\n  }\n]\n");
}

// Sequences other than the conversion's (as a fuzzer makes them): the writer neither
// fails nor writes invalid JSON; calls that do not fit are left out.
struct SequenceCase {
  const char* label;
  const char* script;
  const char* expected;  // the text without indentation, the document with it
};

const SequenceCase kSequences[] = {
    {"Compact", "[ { a=1 , b=2 } ]", R"([{"a":"1","b":"2"}])"},
    {"NoEndOfPair", "[ { a=1 b=2 } { a=1 b=2 } ]", R"([{"a":"1","b":"2"},{"a":"1","b":"2"}])"},
    {"ExtraEndOfPair", ", [ , { , a=1 , , } , ] ,", R"([{"a":"1"}])"},
    {"NothingClosed", "[ { a=1", R"([{"a":"1"}])"},
    {"ArrayClosedWithObjectOpen", "[ { a=1 ] b=2", R"([{"a":"1"}])"},
    {"PairsOutsideObjects", "x=0 [ y=1 { } z=2 ] w=3", "[{}]"},
    {"ClosesWithoutOpens", "} ] [ } ] ] }", "[]"},
    {"SecondTopValueLeftOut", "[ ] [ { a=1 ]", "[]"},
    {"ArrayInsideLeftOut", "[ [ { ( a=1 } ]", R"([{"a":"1"}])"},
    {"NamedObjects", "[ {ignored {inner a=1 } { } } ]", R"([{"inner":{"a":"1"},"":{}}])"},
    {"TopObject", "{ = } {", R"({"":""})"},
};

class JsonSequence : public testing::TestWithParam<SequenceCase> {};

TEST_P(JsonSequence, OutputIsStillOneValidDocument) {
  const SequenceCase& c = GetParam();
  EXPECT_EQ(WriteScript(c.script, 0), c.expected + std::string("\n"));
  const std::string text = WriteScript(c.script, 1);
  EXPECT_EQ(ordered_json::parse(text), ordered_json::parse(c.expected)) << text;
  EXPECT_EQ(text.back(), '\n');
}

INSTANTIATE_TEST_SUITE_P(Sequences, JsonSequence, testing::ValuesIn(kSequences),
                         [](const auto& info) { return std::string(info.param.label); });

TEST(JsonWriter, WriterWithoutCloseOrOpenWritesNothing) {
  EXPECT_EQ(WriteWith(TempPath("unclosed.json"),
                      [](JSON& writer, CFile& file) {
                        writer.Open(&file, 0);
                        Play(writer, "[ { a=1");
                      }),
            "");
  EXPECT_EQ(WriteWith(TempPath("unopened.json"),
                      [](JSON& writer, CFile&) {
                        Play(writer, "[ a=1");
                        writer.Close();
                      }),
            "");
}

// The conversion releases the file before the writer: after Close the writer must not
// reach the file again, whatever is called (AddressSanitizer reports a use after free).
TEST(JsonWriter, AfterCloseTheFileIsNotTouched) {
  std::string path = TempPath("released.json");
  auto file = std::make_unique<CFile>();
  ASSERT_TRUE(file->Open(CString::FromUtf8(path), CFile::modeCreate | CFile::modeWrite));
  auto writer = std::make_unique<JSON>();
  PlayRows(*writer, *file, {{{u"a", u"1"}}}, Format::kJson);
  file->Close();
  file.reset();
  Play(*writer, "[ { b=2 } ]");
  writer->Close();
  writer.reset();
  EXPECT_EQ(ParseRows(ReadBytes(path)), (Utf8Rows{{{"a", "1"}}}));
  unlink(path.c_str());
}

class WriterOutput : public testing::TestWithParam<Format> {};

TEST_P(WriterOutput, WriteErrorPassesThroughAsFileException) {
  const std::string path = TempPath("full");
  CFile file;
  ASSERT_TRUE(file.Open(CString::FromUtf8(path), CFile::modeCreate | CFile::modeWrite));
  SysCalls full = RealSysCalls();
  full.write = [](int, const void*, size_t) -> ssize_t { return errno = ENOSPC, -1; };
  ScopedSysCalls scoped(full);
  JSON writer;
  try {
    PlayRows(writer, file, {{{u"a", u"1"}}}, GetParam());
    ADD_FAILURE() << "the failure was not passed on";
  } catch (const CFileException& error) {
    EXPECT_EQ(error.m_cause, CFileException::diskFull);
  }
  file.Abort();
  unlink(path.c_str());
}

size_t g_largestWrite = 0;
size_t g_writes = 0;

ssize_t WriteAndMeasure(int fd, const void* buffer, size_t count) {
  g_largestWrite = std::max(g_largestWrite, count);
  ++g_writes;
  return RealSysCalls().write(fd, buffer, count);
}

// Memory stays flat: a long document reaches the file in blocks while it is written, not
// in one piece at the end. Its names change from row to row, so the names cached by
// position must be told apart.
TEST_P(WriterOutput, ManyRowsReachTheFileInBlocks) {
  Rows rows;
  const std::u16string names[] = {u"id", u"name", u"Größe", u"id2"};
  for (int i = 0; i < 100000; ++i) {
    Row& row = rows.emplace_back();
    for (int k = 0; k < 2 + i % 2; ++k) {
      const std::string value = "value " + std::to_string(i) + "/" + std::to_string(k);
      row.push_back({names[(i + k) % 4] + (i % 7 == 0 ? u"\"" : u""), Utf8ToUtf16(value)});
    }
  }
  g_largestWrite = g_writes = 0;
  std::string bytes;
  {
    SysCalls measured = RealSysCalls();
    measured.write = WriteAndMeasure;
    ScopedSysCalls scoped(measured);
    bytes = WriteRows(rows, GetParam());
  }
  EXPECT_GT(bytes.size(), size_t{4} << 20);
  EXPECT_LE(g_largestWrite, size_t{2} << 20);
  EXPECT_GE(g_writes, bytes.size() / (size_t{2} << 20));
  if (GetParam() == Format::kJson) {
    EXPECT_EQ(ParseRows(bytes), ToUtf8(rows));
  }
}

INSTANTIATE_TEST_SUITE_P(Formats, WriterOutput, testing::Values(Format::kJson, Format::kBson),
                         [](const auto& info) {
                           return std::string(info.param == Format::kJson ? "Json" : "Bson");
                         });

}  // namespace
