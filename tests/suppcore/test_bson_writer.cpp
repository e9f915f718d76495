// The BSON form of the writer: one document per row, one after another, read back with
// libbson and compared with the rows and with what the JSON form gives for them.
#include <bson/bson.h>
#include <gtest/gtest.h>

#include <nlohmann/json.hpp>

#include "WriterTestSupport.h"

namespace {

// Reads every document of the stream; fails the test on a document libbson refuses or on
// bytes left over after the last one.
Utf8Rows ReadDocuments(const std::string& bytes) {
  Utf8Rows rows;
  bson_reader_t* reader =
      bson_reader_new_from_data(reinterpret_cast<const uint8_t*>(bytes.data()), bytes.size());
  bool atEnd = false;
  while (const bson_t* document = bson_reader_read(reader, &atEnd)) {
    size_t offset = 0;
    EXPECT_TRUE(bson_validate(document, BSON_VALIDATE_UTF8_ALLOW_NULL, &offset))
        << "invalid at " << offset;
    auto& row = rows.emplace_back();
    bson_iter_t it;
    EXPECT_TRUE(bson_iter_init(&it, document));
    while (bson_iter_next(&it)) {
      EXPECT_EQ(bson_iter_type(&it), BSON_TYPE_UTF8);
      uint32_t length = 0;
      const char* value = bson_iter_utf8(&it, &length);
      row.emplace_back(bson_iter_key(&it), std::string(value, length));
    }
  }
  EXPECT_TRUE(atEnd) << "bytes after the last document";
  bson_reader_destroy(reader);
  return rows;
}

Utf8Rows ParseJsonRows(const std::string& text) {
  Utf8Rows rows;
  for (const auto& object : nlohmann::ordered_json::parse(text)) {
    auto& row = rows.emplace_back();
    for (const auto& [name, value] : object.items())
      row.emplace_back(name, value.get<std::string>());
  }
  return rows;
}

TEST(BsonWriter, OneRowHasTheExactBytes) {
  std::string bytes = WriteRows({{{u"a", u"1"}}}, Format::kBson);
  const char expected[] =
      "\x0e\0\0\0"  // document length
      "\x02"
      "a\0"  // string element "a"
      "\x02\0\0\0"
      "1\0"  // length with its NUL, the bytes
      "\0";  // end of document
  EXPECT_EQ(bytes, std::string(expected, sizeof expected - 1));
}

TEST(BsonWriter, EmptyArrayIsAnEmptyFile) {
  EXPECT_EQ(WriteRows({}, Format::kBson), "");
}

struct RowsCase {
  const char* label;
  Rows rows;
};

const RowsCase kRowsCases[] = {
    {"TwoRows", {{{u"a", u"1"}, {u"b", u"2"}}, {{u"a", u"3"}, {u"b", u"4"}}}},
    {"EmptyObject", {{}, {{u"a", u""}}}},
    {"Texts",
     {{{u"quote\"", u"back\\slash"},
       {u"ctl\x01\x1F\n", u"tab\there\x7F"},
       {u"Größe €", u"\U0001F600 smile"}}}},
    {"LoneSurrogates", {{{u"a\xD800", u"\xDC00\x62"}, {u"c", u"\xDE00\xD83D"}}}},
    {"ChangingNames",
     {{{u"a", u"1"}, {u"b", u"2"}}, {{u"b", u"3"}, {u"a", u"4"}}, {{u"ab", u"5"}}}},
};

class BsonRows : public testing::TestWithParam<RowsCase> {};

TEST_P(BsonRows, DocumentsHoldTheRowsAsJsonDoes) {
  const Rows& rows = GetParam().rows;
  Utf8Rows documents = ReadDocuments(WriteRows(rows, Format::kBson));
  EXPECT_EQ(documents, ToUtf8(rows));
  EXPECT_EQ(documents, ParseJsonRows(WriteRows(rows, Format::kJson)));
}

INSTANTIATE_TEST_SUITE_P(Rows, BsonRows, testing::ValuesIn(kRowsCases),
                         [](const auto& info) { return std::string(info.param.label); });

// Non-ASCII units in every position of values that the encoder narrows a chunk at a time.
TEST(BsonWriter, NonAsciiUnitInEveryPositionOfAChunk) {
  const std::u16string specials[] = {u"\u00E9", u"\u0100",     u"\u8000",
                                     u"\uFFFF", u"\U0001F600", u"\xDC00"};
  for (const std::u16string& special : specials) {
    Row row;
    for (size_t length = 0; length <= 20; ++length) {
      for (size_t at = 0; at <= length; ++at)
        row.push_back(
            {u"k", std::u16string(at, u'a') + special + std::u16string(length - at, u'b')});
    }
    const Rows rows = {row};
    EXPECT_EQ(ReadDocuments(WriteRows(rows, Format::kBson)), ToUtf8(rows));
  }
}

// Checked against the rows only: a JSON parser keeps one of two equal names.
TEST(BsonWriter, DuplicateEmptyAndNulKeysKeepTheirOrder) {
  Rows rows = {{{u"", u"1"}, {u"a", u"2"}, {u"a", u"3"}, {u"", u"4"}},
               {{std::u16string(u"ab\0cd", 5), std::u16string(u"x\0y", 3)}}};
  EXPECT_EQ(
      ReadDocuments(WriteRows(rows, Format::kBson)),
      (Utf8Rows{{{"", "1"}, {"a", "2"}, {"a", "3"}, {"", "4"}}, {{"ab", std::string("x\0y", 3)}}}));
}

// A row larger than the output buffer, between ordinary rows: its document is kept whole
// until its length is known.
TEST(BsonWriter, LargeRowIsWrittenWhole) {
  std::u16string large(size_t{1} << 20, u'v');
  large[12345] = u'\u00E9';
  Rows rows = {{{u"a", u"before"}}, {{u"a", large}, {u"b", u"after"}}, {{u"a", u"last"}}};
  EXPECT_EQ(ReadDocuments(WriteRows(rows, Format::kBson)), ToUtf8(rows));
}

TEST(BsonWriter, ManyRowsCrossTheBufferEdge) {
  Rows rows;
  for (int i = 0; i < 30000; ++i) {
    rows.push_back({{u"id", CString::FromUtf8(std::to_string(i)).Str()},
                    {i % 2 ? u"odd" : u"even", std::u16string(20 + i % 50, u'x')}});
  }
  EXPECT_EQ(ReadDocuments(WriteRows(rows, Format::kBson)), ToUtf8(rows));
}

}  // namespace
