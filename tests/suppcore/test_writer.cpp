// The writer's bytes, JSON and BSON, through the conversion's calls and through the
// whole-row call; BSON is read back with libbson, JSON with a strict parser.
#include <bson/bson.h>
#include <errno.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <memory>
#include <nlohmann/json.hpp>

#include "../platform/TempDir.h"
#include "libs/suppcore/JSON.h"
#include "platform/core/SysCalls.h"

namespace {

using Row = std::vector<std::pair<std::u16string, std::u16string>>;  // name, value
using Rows = std::vector<Row>;
using Utf8Rows = std::vector<std::vector<std::pair<std::string, std::string>>>;

// Pairs: the conversion's AddPair calls. Whole: one AddObjectUtf8 a row, the names shared
// while they stay the same, the values followed by padding that would show if read.
enum class Path { kPairs, kWhole };

void PlayRows(JSON& w, const Rows& rows, Path path) {
  std::unique_ptr<ObjectNames> names;
  std::vector<std::u16string> lastNames;
  for (size_t r = 0; r < rows.size(); ++r) {
    if (path == Path::kWhole) {
      std::vector<std::u16string> rowNames;
      std::vector<std::string> storage;
      std::vector<std::string_view> values;
      for (const auto& [name, value] : rows[r]) {
        rowNames.push_back(name);
        storage.push_back(Utf16ToUtf8(value) + std::string(JSON::kValueSlack, '\\'));
      }
      for (size_t k = 0; k < storage.size(); ++k)
        values.emplace_back(storage[k].data(), storage[k].size() - JSON::kValueSlack);
      if (!names || rowNames != lastNames)
        names = std::make_unique<ObjectNames>(lastNames = rowNames);
      w.AddObjectUtf8(*names, values.data());
      continue;
    }
    // The layout calls between these do nothing.
    w.BeginValue(nullptr);
    for (const auto& [name, value] : rows[r])
      w.AddPair(CString(name), CString(value));
    w.EndValue();
  }
}

size_t g_largestWrite = 0;
ssize_t (*g_write)(int, const void*, size_t) = nullptr;  // the write in use before Write

// The whole document for rows. Memory stays flat: no write is larger than the buffer.
std::string Write(const Rows& rows, bool bson, Path path) {
  TempDir dir;
  SysCalls measured = ActiveSysCalls();
  g_write = measured.write;
  measured.write = [](int fd, const void* bytes, size_t count) {
    g_largestWrite = std::max(g_largestWrite, count);
    return g_write(fd, bytes, count);
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

TEST_P(Writer, JsonLayoutAndEmptyBson) {
  const std::pair<Rows, std::string> kCases[] = {
      {{}, "[\n]\n"},
      {{{}, {{u"a", u"1"}}}, "[\n  {\n  },\n  {\n    \"a\": \"1\"\n  }\n]\n"},
      // Checked as text: a parser keeps only one of two equal names.
      {{{{u"", u"1"}, {u"a", u"2"}, {u"a", u""}}, {{u"b", u"3"}}},
       "[\n  {\n    \"\": \"1\",\n    \"a\": \"2\",\n    \"a\": \"\"\n  },\n"
       "  {\n    \"b\": \"3\"\n  }\n]\n"},
  };
  for (const auto& [rows, text] : kCases)
    EXPECT_EQ(Write(rows, false, GetParam()), text);
  EXPECT_EQ(Write({}, true, GetParam()), "") << "BSON: one document a row, nothing else";
}

// Every byte that escaping treats apart, at every position of values that are escaped 16
// bytes at a time, and in a name.
TEST_P(Writer, JsonEscapesEveryPosition) {
  std::vector<std::pair<std::u16string, std::string>> specials = {
      {u"\"", "\\\""},
      {u"\\", "\\\\"},
      {u"\x7F", "\x7F"},
      {u"é", "\xC3\xA9"},
      {u"😀", "\xF0\x9F\x98\x80"},
      {u"\xD800", "\xEF\xBF\xBD"},
      {u"\xDE00\xD83D", "\xEF\xBF\xBD\xEF\xBF\xBD"}};
  for (char16_t c = 0; c < 0x20; ++c) {
    char escape[8];
    snprintf(escape, sizeof escape, "\\u%04x", c);
    const size_t at = std::u16string_view(u"\b\f\n\r\t").find(c);
    specials.emplace_back(std::u16string(1, c), at == std::u16string_view::npos
                                                    ? escape
                                                    : std::string{'\\', "bfnrt"[at]});
  }
  for (const auto& [special, json] : specials) {
    Row row = {{u"<" + special + u">", u""}};
    std::string expected = "[\n  {\n    \"<" + json + ">\": \"\"";
    for (size_t at = 0; at <= 40; ++at) {
      row.emplace_back(u"k", std::u16string(at, u'a') + special + std::u16string(40 - at, u'b'));
      expected +=
          ",\n    \"k\": \"" + std::string(at, 'a') + json + std::string(40 - at, 'b') + "\"";
    }
    EXPECT_EQ(Write({row}, false, GetParam()), expected + "\n  }\n]\n") << json;
  }
}

Utf8Rows ReadBson(const std::string& bytes) {
  Utf8Rows rows;
  bson_reader_t* reader =
      bson_reader_new_from_data(reinterpret_cast<const uint8_t*>(bytes.data()), bytes.size());
  bool atEnd = false;
  while (const bson_t* document = bson_reader_read(reader, &atEnd)) {
    size_t offset = 0;
    EXPECT_TRUE(bson_validate(document, BSON_VALIDATE_UTF8_ALLOW_NULL, &offset)) << offset;
    auto& row = rows.emplace_back();
    bson_iter_t it;
    for (bson_iter_init(&it, document); bson_iter_next(&it);) {
      uint32_t length = 0;
      const char* value = bson_iter_utf8(&it, &length);
      row.emplace_back(bson_iter_key(&it), std::string(value, length));
    }
  }
  EXPECT_TRUE(atEnd) << "bytes after the last document";
  bson_reader_destroy(reader);
  return rows;
}

Utf8Rows ReadJson(const std::string& text) {
  Utf8Rows rows;
  for (const auto& object : nlohmann::ordered_json::parse(text)) {
    auto& row = rows.emplace_back();
    for (const auto& [name, value] : object.items())
      row.emplace_back(name, value.get<std::string>());
  }
  return rows;
}

Utf8Rows ToUtf8(const Rows& rows) {
  Utf8Rows result;
  for (const Row& row : rows) {
    auto& out = result.emplace_back();
    for (const auto& [name, value] : row)
      out.emplace_back(Utf16ToUtf8(name), Utf16ToUtf8(value));
  }
  return result;
}

// Rows read back from both formats: names that change from row to row, rows larger than
// the buffer with escapes where their values are cut into pieces, many rows.
TEST_P(Writer, RowsReadBackFromBothFormats) {
  std::u16string huge(3 << 20, u'v');
  for (size_t at : {16383, 16384, 32767, 1 << 20})
    huge[at] = at % 2 ? u'"' : u'\n';
  Rows many;
  for (int i = 0; i < 30000; ++i)
    many.push_back({{u"id", Utf8ToUtf16(std::to_string(i))}, {u"é", std::u16string(i % 50, u'x')}});
  const Rows kCases[] = {
      {{{u"a", u"1"}, {u"b", u"2"}},
       {{u"b", u"3"}, {u"a", u"4"}},
       {{u"ab", u"5"}},
       {{u"a", u"6"}, {u"b", u"7"}}},
      {{{u"a", u"before"}},
       {{u"a", huge}, {u"b", u"after"}},
       {{u"a", u"x"}, {u"b", huge}},
       {{u"a", u"last"}}},
      many,
  };
  for (const Rows& rows : kCases) {
    EXPECT_TRUE(ReadBson(Write(rows, true, GetParam())) == ToUtf8(rows));
    EXPECT_TRUE(ReadJson(Write(rows, false, GetParam())) == ToUtf8(rows));
  }
}

// What JSON cannot show: a parser keeps one of two equal names.
TEST_P(Writer, BsonKeepsDuplicateEmptyKeysAndCutsThemAtNul) {
  const Rows rows = {{{u"", u"1"}, {u"a", u"2"}, {u"a", u"3\xD800"}},
                     {{std::u16string(u"ab\0cd", 5), std::u16string(u"x\0y", 3)}}};
  EXPECT_EQ(ReadBson(Write(rows, true, GetParam())),
            (Utf8Rows{{{"", "1"}, {"a", "2"}, {"a", "3\xEF\xBF\xBD"}},
                      {{"ab", std::string("x\0y", 3)}}}));
}

// A full disk, at Close or in the middle of the document, passes out of the writer as the
// file's exception.
TEST_P(Writer, FullDiskPassesThroughAsFileException) {
  for (bool bson : {false, true}) {
    for (size_t rowCount : {1, 40000}) {
      SysCalls full = RealSysCalls();
      full.write = [](int, const void*, size_t) -> ssize_t { return errno = ENOSPC, -1; };
      ScopedSysCalls scoped(full);
      Rows rows(rowCount, Row{{u"name", u"a value of some length"}});
      try {
        Write(rows, bson, GetParam());
        ADD_FAILURE() << "the failure was not passed on";
      } catch (const CFileException& error) {
        EXPECT_EQ(error.m_cause, CFileException::diskFull);
      }
    }
  }
}

INSTANTIATE_TEST_SUITE_P(Paths, Writer, testing::Values(Path::kPairs, Path::kWhole),
                         [](const auto& info) {
                           return std::string(info.param == Path::kPairs ? "Pairs" : "WholeRows");
                         });

}  // namespace
