// The writer's bytes, JSON, JSON Lines and BSON, through the row-object calls and through the
// whole-row call; both are read back strictly, duplicate names kept.
#include <bson/bson.h>
#include <errno.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <memory>

#include "../engine/OutputRows.h"
#include "../platform/TempDir.h"
#include "libs/suppcore/JSON.h"
#include "platform/core/SysCalls.h"

namespace {

using outputrows::Row;  // UTF-8 names and values
using outputrows::Rows;

// Pairs: BeginValue, AddPair, EndValue a row. Whole: one AddObjectUtf8 a row, the names
// shared while they stay the same, the values followed by padding that would show if read.
enum class Path { kPairs, kWhole };

void PlayRows(JSON& w, const Rows& rows, Path path) {
  std::unique_ptr<ObjectNames> names;
  std::vector<std::u16string> lastNames;
  for (const Row& row : rows) {
    if (path == Path::kPairs) {
      w.BeginValue(nullptr);
      for (const auto& [name, value] : row)
        w.AddPair(CString::FromUtf8(name), CString::FromUtf8(value));
      w.EndValue();
      continue;
    }
    std::vector<std::u16string> rowNames;
    std::vector<std::string> storage;
    std::vector<std::string_view> values;
    storage.reserve(row.size());  // the views stay valid
    for (const auto& [name, value] : row) {
      rowNames.push_back(Utf8ToUtf16(name));
      values.emplace_back(storage.emplace_back(value + std::string(JSON::kValueSlack, '\\')).data(),
                          value.size());
    }
    if (!names || rowNames != lastNames)
      names = std::make_unique<ObjectNames>(lastNames = rowNames);
    w.AddObjectUtf8(*names, values.data());
  }
}

size_t g_largestWrite = 0;

// The whole document for rows. Memory stays flat: no write is larger than the buffer.
std::string Write(const Rows& rows, bool bson, Path path, bool lines = false, bool typed = false) {
  TempDir dir;
  SysCalls measured = RealSysCalls();
  measured.write = [](int fd, const void* bytes, size_t count) {
    g_largestWrite = std::max(g_largestWrite, count);
    return RealSysCalls().write(fd, bytes, count);
  };
  g_largestWrite = 0;
  {
    ScopedSysCalls scoped(measured);
    CFile file;
    EXPECT_TRUE(file.Open(dir.WFile("out"), CFile::modeCreate | CFile::modeWrite));
    JSON w;
    w.SwitchIndent(1);
    w.Open(&file, 0);
    w.SetBSON(bson);
    w.SetJsonLines(lines);
    w.SetTypedValues(typed);
    w.Array(1, 1);
    PlayRows(w, rows, path);
    w.Array(0, 1);
    w.Close();
    file.Abort();  // drops what the file holds: Close must have flushed it
  }
  EXPECT_LE(g_largestWrite, size_t{1} << 20);
  return ReadBytesFromFile(dir.File("out"));
}

class Writer : public testing::TestWithParam<Path> {};

// JSON Lines: one compact object a line, nothing around them.
TEST_P(Writer, LayoutsAndEmptyDocuments) {
  EXPECT_EQ(Write({}, false, GetParam()), "[\n]\n");
  EXPECT_EQ(Write({}, false, GetParam(), true), "");
  EXPECT_EQ(Write({{}, {{"a", "1"}, {"b", "\n"}}}, false, GetParam(), true),
            "{}\n{\"a\":\"1\",\"b\":\"\\n\"}\n");
  EXPECT_EQ(Write({{}, {{"a", "1"}, {"b", ""}}}, false, GetParam()),
            "[\n  {\n  },\n  {\n    \"a\": \"1\",\n    \"b\": \"\"\n  }\n]\n");
  EXPECT_EQ(Write({}, true, GetParam()), "") << "BSON: one document a row, nothing else";
}

// Every byte that escaping treats apart, at every position of values that are escaped 16
// bytes at a time, and in a name.
TEST_P(Writer, JsonEscapesEveryPosition) {
  std::vector<std::pair<std::string, std::string>> specials = {
      {"\"", "\\\""}, {"\\", "\\\\"}, {"\x7F", "\x7F"}, {"é", "é"}, {"😀", "😀"}};
  for (char c = 0; c < 0x20; ++c) {
    char escape[8];
    snprintf(escape, sizeof escape, "\\u%04x", c);
    const size_t at = std::string_view("\b\f\n\r\t").find(c);
    specials.emplace_back(std::string(1, c),
                          at == std::string_view::npos ? escape : std::string{'\\', "bfnrt"[at]});
  }
  for (const auto& [special, json] : specials) {
    Row row = {{"<" + special + ">", ""}};
    std::string expected = "[\n  {\n    \"<" + json + ">\": \"\"";
    for (size_t at = 0; at <= 40; ++at) {
      row.emplace_back("k", std::string(at, 'a') + special + std::string(40 - at, 'b'));
      expected +=
          ",\n    \"k\": \"" + std::string(at, 'a') + json + std::string(40 - at, 'b') + "\"";
    }
    EXPECT_EQ(Write({row}, false, GetParam()), expected + "\n  }\n]\n") << json;
  }
}

// Rows read back from every format: empty and duplicate names, names that change from row
// to row, rows larger than the buffer with escapes where their values are cut into
// pieces, many rows.
TEST_P(Writer, RowsReadBackFromEveryFormat) {
  std::string huge(3 << 20, 'v');
  for (size_t at : {16383, 16384, 32767, 1 << 20})
    huge[at] = at % 2 ? '"' : '\n';
  Rows many;
  for (int i = 0; i < 30000; ++i)
    many.push_back({{"id", std::to_string(i)}, {"é", std::string(i % 50, 'x')}});
  const Rows kCases[] = {
      {{{"", "1"}, {"a", "2"}, {"a", "3"}},
       {{"b", "3"}, {"a", "4"}},
       {{"ab", "5"}},
       {{"a", "6"}, {"b", "7"}}},
      {{{"a", "before"}},
       {{"a", huge}, {"b", "after"}},
       {{"a", "x"}, {"b", huge}},
       {{"a", "last"}}},
      many,
  };
  for (const Rows& rows : kCases) {
    EXPECT_TRUE(outputrows::BsonRows(Write(rows, true, GetParam())) == rows);
    EXPECT_TRUE(outputrows::JsonRows(Write(rows, false, GetParam())) == rows);
    EXPECT_TRUE(outputrows::JsonLinesRows(Write(rows, false, GetParam(), true)) == rows);
  }
}

// A BSON element as the type and the text it was written from.
std::pair<bson_type_t, std::string> ElementText(const bson_iter_t& element) {
  const bson_type_t type = bson_iter_type(&element);
  double number = 0;
  switch (type) {
    case BSON_TYPE_BOOL:
      return {type, bson_iter_bool(&element) ? "true" : "false"};
    case BSON_TYPE_INT32:
      return {type, std::to_string(bson_iter_int32(&element))};
    case BSON_TYPE_INT64:
      return {type, std::to_string(bson_iter_int64(&element))};
    case BSON_TYPE_DOUBLE:  // the texts of the test are the shortest ones of their doubles
      number = bson_iter_double(&element);
      return {type, std::signbit(number) && number == 0 ? "-0.0" : std::to_string(number)};
    default:
      return {type, bson_iter_utf8(&element, nullptr)};
  }
}

// Typed values: JSON and JSON Lines write their text without quotes, BSON the smallest
// element type that holds them; a row larger than the buffer is written the same way.
TEST_P(Writer, TypedValuesInEveryFormat) {
  const std::pair<std::string, bson_type_t> kValues[] = {
      {"true", BSON_TYPE_BOOL},        {"false", BSON_TYPE_BOOL},
      {"2147483647", BSON_TYPE_INT32}, {"-2147483648", BSON_TYPE_INT32},
      {"2147483648", BSON_TYPE_INT64}, {"-2147483649", BSON_TYPE_INT64},
      {"-0.0", BSON_TYPE_DOUBLE},      {std::to_string(1.5e3), BSON_TYPE_DOUBLE},
      {"007", BSON_TYPE_UTF8},         {std::string(2 << 20, 'v'), BSON_TYPE_UTF8}};
  Row small, large;
  std::string smallLine, largeLine;
  for (const auto& [text, type] : kValues) {
    const std::string json = type == BSON_TYPE_UTF8 ? "\"" + text + "\"" : text;
    if (text.size() < 100) {
      small.emplace_back("k", text);
      smallLine += (smallLine.empty() ? "{\"k\":" : ",\"k\":") + json;
    }
    large.emplace_back("k", text);
    largeLine += (largeLine.empty() ? "{\"k\":" : ",\"k\":") + json;
  }
  EXPECT_EQ(Write({small, large}, false, GetParam(), true, true),
            smallLine + "}\n" + largeLine + "}\n");
  EXPECT_EQ(Write({{{"a", "true"}, {"b", "-1"}, {"c", ""}}}, false, GetParam(), false, true),
            "[\n  {\n    \"a\": true,\n    \"b\": -1,\n    \"c\": \"\"\n  }\n]\n");

  const std::string bson = Write({small, large}, true, GetParam(), false, true);
  bson_reader_t* reader =
      bson_reader_new_from_data(reinterpret_cast<const uint8_t*>(bson.data()), bson.size());
  for (const Row& row : {small, large}) {
    const bson_t* document = bson_reader_read(reader, nullptr);
    ASSERT_TRUE(document && bson_validate(document, BSON_VALIDATE_UTF8, nullptr));
    bson_iter_t element;
    ASSERT_TRUE(bson_iter_init(&element, document));
    for (const auto& [text, type] : kValues) {
      if (row.size() == small.size() && text.size() >= 100)
        continue;
      ASSERT_TRUE(bson_iter_next(&element));
      EXPECT_TRUE(ElementText(element) == std::pair(type, text)) << text.substr(0, 20);
    }
    EXPECT_FALSE(bson_iter_next(&element));
  }
  EXPECT_EQ(bson_reader_read(reader, nullptr), nullptr);
  bson_reader_destroy(reader);
}

INSTANTIATE_TEST_SUITE_P(Paths, Writer, testing::Values(Path::kPairs, Path::kWhole),
                         [](const auto& info) {
                           return std::string(info.param == Path::kPairs ? "Pairs" : "WholeRows");
                         });

}  // namespace
