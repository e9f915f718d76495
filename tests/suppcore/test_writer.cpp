// The writer's bytes, JSON, JSON Lines and BSON, read back strictly, duplicate names kept.
#include <bson/bson.h>
#include <errno.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <memory>

#include "../engine/OutputRows.h"
#include "../platform/TempDir.h"
#include "libs/suppcore/JSON.h"
#include "platform/core/SysCalls.h"

namespace {

using outputrows::Row;  // UTF-8 names and values
using outputrows::Rows;

// One AddObjectUtf8 a row, or with typed, one planned row typed as each value reads, the
// names shared while they stay the same, the values followed by padding that would show if
// read.
void PlayRows(JSON& w, const Rows& rows, bool typed) {
  std::unique_ptr<ObjectNames> names;
  std::vector<std::u16string> lastNames;
  for (const Row& row : rows) {
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
    if (!typed) {
      w.AddObjectUtf8(*names, values.data());
      continue;
    }
    std::vector<TypedValue> cells;
    for (const std::string_view value : values)
      cells.push_back(ParseTypedValue(value));
    w.AddPlannedObjectUtf8(*names, values.data(), cells.data());
  }
}

size_t g_largestWrite = 0;
size_t g_room = SIZE_MAX;
bool g_failed = false;
int g_writesAfterFailure = 0;

SysCalls Measured() {
  SysCalls measured = RealSysCalls();
  measured.write = [](int fd, const void* bytes, size_t count) -> ssize_t {
    g_largestWrite = std::max(g_largestWrite, count);
    if (g_failed || count > g_room) {
      g_writesAfterFailure += g_failed;
      g_failed = true;
      errno = ENOSPC;
      return -1;
    }
    g_room -= count;
    return RealSysCalls().write(fd, bytes, count);
  };
  return measured;
}

struct Options {
  bool bson = false, lines = false, typed = false;
  size_t room = SIZE_MAX;  // bytes the file takes before its writes fail with ENOSPC
};

// The bytes the file holds after the document for rows was written; what the file threw
// goes to failure, its folder named "$D". Memory stays flat: no write is larger than the
// buffer. Nothing is written after a failure.
std::string Write(const Rows& rows, const Options& options = {}, std::string* failure = nullptr) {
  TempDir dir;
  g_largestWrite = 0;
  g_room = options.room;
  g_failed = false;
  g_writesAfterFailure = 0;
  {
    ScopedSysCalls scoped(Measured());
    CFile file;
    EXPECT_TRUE(file.Open(dir.WFile("out"), CFile::modeCreate | CFile::modeWrite));
    JSON w;
    w.Open(&file, 0);
    w.SetBSON(options.bson);
    w.SetJsonLines(options.lines);
    try {
      w.Array(1, 1);
      PlayRows(w, rows, options.typed);
      w.Array(0, 1);
      w.Close();
    } catch (const CFileException& e) {
      if (failure == nullptr)
        throw;
      *failure = e.what();
      if (failure->starts_with(dir.Path()))
        failure->replace(0, dir.Path().size(), "$D");
    }
    file.Abort();  // drops what the file holds: Close must have flushed it
  }
  EXPECT_LE(g_largestWrite, size_t{1} << 20);
  EXPECT_EQ(g_writesAfterFailure, 0);
  return ReadBytesFromFile(dir.File("out"));
}

// The document's bytes as libbson makes them; the document is destroyed.
std::string BsonBytes(bson_t* document) {
  std::string bytes(reinterpret_cast<const char*>(bson_get_data(document)), document->len);
  bson_destroy(document);
  return bytes;
}

// Every byte that escaping treats apart, at every position of values that are escaped 16
// bytes at a time, and in a name.
TEST(Writer, JsonEscapesEveryPosition) {
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
    EXPECT_EQ(Write({row}), expected + "\n  }\n]\n") << json;
  }
}

// Rows read back from every format: none, empty and duplicate names, names that change from
// row to row, rows larger than the buffer with escapes where their values are cut into
// pieces, many rows, names too many or too long to be kept encoded (written name by name,
// escapes and all).
TEST(Writer, RowsReadBackFromEveryFormat) {
  std::string huge(3 << 20, 'v');
  for (size_t at : {16383, 16384, 32767, 1 << 20})
    huge[at] = at % 2 ? '"' : '\n';
  Rows many;
  for (int i = 0; i < 30000; ++i)
    many.push_back({{"id", std::to_string(i)}, {"é", std::string(i % 50, 'x')}});
  Row wide;
  for (int i = 0; i < 120000; ++i)
    wide.emplace_back("n\"" + std::to_string(i % 1000), std::to_string(i));
  std::string longName(200000, 'n');
  longName[16384] = '\n';
  const Rows kCases[] = {
      {},
      {{{"", "1"}, {"a", "2"}, {"a", "3"}},
       {{"b", "3"}, {"a", "4"}},
       {{"ab", "5"}},
       {{"a", "6"}, {"b", "7"}}},
      {{{"a", "before"}},
       {{"a", huge}, {"b", "after"}},
       {{"a", "x"}, {"b", huge}},
       {{"a", "last"}}},
      many,
      {wide, {{"a", "between"}}, wide},
      {{{longName, "v"}, {"b", "w"}}, {{longName, huge}}},
  };
  for (const Rows& rows : kCases) {
    EXPECT_TRUE(outputrows::BsonRows(Write(rows, {.bson = true})) == rows);
    EXPECT_TRUE(outputrows::JsonRows(Write(rows)) == rows);
    EXPECT_TRUE(outputrows::JsonLinesRows(Write(rows, {.lines = true})) == rows);
  }
}

// Planned typed values: JSON and JSON Lines write their text without quotes, BSON the
// smallest element type that holds them, byte for byte as libbson makes it (so also valid, and
// -0.0 keeps its sign); a row larger than the buffer is written the same way.
TEST(Writer, PlannedTypedValuesInEveryFormat) {
  const Row small = {{"k", "true"},        {"k", "false"},      {"k", "2147483647"},
                     {"k", "-2147483648"}, {"k", "2147483648"}, {"k", "-2147483649"},
                     {"k", "-0.0"},        {"k", "1.5e3"},      {"k", "007"}};
  const std::string members = R"(,"k":true,"k":false,"k":2147483647,"k":-2147483648,)"
                              R"("k":2147483648,"k":-2147483649,"k":-0.0,"k":1.5e3,"k":"007")";
  const std::string huge(2 << 20, 'v');
  Row large = small;
  large.emplace(large.begin(), "k", huge);
  EXPECT_TRUE(Write({small, large}, {.lines = true, .typed = true}) ==
              "{" + members.substr(1) + "}\n{\"k\":\"" + huge + "\"" + members + "}\n");
  EXPECT_EQ(Write({{{"a", "true"}, {"b", "-1"}, {"c", ""}}}, {.typed = true}),
            "[\n  {\n    \"a\": true,\n    \"b\": -1,\n    \"c\": \"\"\n  }\n]\n");
  // A name too long to be kept encoded is written before each value as it comes.
  const std::string longName(200000, 'n');
  EXPECT_TRUE(Write({{{longName, "12"}, {longName, "x"}}}, {.lines = true, .typed = true}) ==
              "{\"" + longName + "\":12,\"" + longName + "\":\"x\"}\n");

  std::string bson;
  for (bson_t* document : {bson_new(), BCON_NEW("k", BCON_UTF8(huge.c_str()))}) {
    BCON_APPEND(document, "k", BCON_BOOL(true), "k", BCON_BOOL(false), "k", BCON_INT32(INT32_MAX),
                "k", BCON_INT32(INT32_MIN), "k", BCON_INT64(2147483648), "k",
                BCON_INT64(-2147483649), "k", BCON_DOUBLE(-0.0), "k", BCON_DOUBLE(1.5e3), "k",
                BCON_UTF8("007"));
    bson += BsonBytes(document);
  }
  EXPECT_TRUE(Write({small, large}, {.bson = true, .typed = true}) == bson);
  EXPECT_TRUE(
      Write({{{longName, "12"}, {longName, "x"}}}, {.bson = true, .typed = true}) ==
      BsonBytes(BCON_NEW(longName.c_str(), BCON_INT32(12), longName.c_str(), BCON_UTF8("x"))));
}

// A write that fails in a later block, on the writing thread (whose handover the block
// pipeline's own tests try at every step), or in the last bytes, at Close: the file's own
// exception reaches the rows or Close, the file holds the document up to the failure, and
// nothing is tried after it.
TEST(WriterFailure, TheFileExceptionArrivesAndNothingFollows) {
  const Rows rows(50000, Row{{"a", std::string(100, 'x')}});
  const std::string whole = Write(rows);
  for (const size_t room : {size_t{3} << 20, whole.size() - 10}) {
    SCOPED_TRACE(room);
    std::string failure;
    const std::string written = Write(rows, {.room = room}, &failure);
    EXPECT_EQ(failure, "$D/out: " + std::string(strerror(ENOSPC)));
    EXPECT_TRUE(whole.starts_with(written));
  }
}

}  // namespace
