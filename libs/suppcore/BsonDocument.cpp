#include "libs/suppcore/BsonDocument.h"

#include <cstdint>

#include "libs/suppcore/BsonEncoder.h"

namespace {

int Length(std::string_view text) {
  return static_cast<int>(text.size());
}

}  // namespace

bool AppendBsonCell(bson_t* bson, std::string_view key, std::string_view value,
                    const TypedValue& cell) {
  const char* const name = key.data();
  const int size = Length(key);
  switch (cell.type) {
    case ValueType::kBoolean:
      return bson_append_bool(bson, name, size, cell.boolean);
    case ValueType::kInteger:
      if (cell.integer >= INT32_MIN && cell.integer <= INT32_MAX)
        return bson_append_int32(bson, name, size, static_cast<std::int32_t>(cell.integer));
      return bson_append_int64(bson, name, size, cell.integer);
    case ValueType::kNumber:
      return bson_append_double(bson, name, size, cell.number);
    case ValueType::kDecimal: {
      bson_decimal128_t decimal;
      bson_decimal128_from_string_w_len(value.data(), Length(value), &decimal);
      return bson_append_decimal128(bson, name, size, &decimal);
    }
    case ValueType::kDate:
      return bson_append_date_time(bson, name, size, cell.integer);
    case ValueType::kNull:
      return bson_append_null(bson, name, size);
    case ValueType::kAbsent:
      return true;
    case ValueType::kString:
      break;
  }
  return bson_append_utf8(bson, name, size, value.data(), Length(value));
}

namespace {

// Where filling a nested document is: the member, how many of the objects it begins are
// begun, and how many of those that end before it have ended.
struct Cursor {
  std::size_t member = 0;
  std::size_t begun = 0;
  std::uint32_t ended = 0;
};

// Fills doc from the cursor on, until a member ends it or the members run out; false when
// the document can't grow. Each object is a document of its own on the stack, where
// libbson's child documents must stay while they are filled.
bool Fill(bson_t* doc, const ObjectShape& shape, Cursor& at, const std::string_view* values,
          const TypedValue* cells) {
  while (at.member < shape.members.size()) {
    const ShapedMember& member = shape.members[at.member];
    if (at.ended < member.ends) {
      ++at.ended;
      return true;
    }
    if (at.begun < member.begins.size()) {
      const std::string_view key = BsonKeyText(member.begins[at.begun++]);
      bson_t child;
      if (!bson_append_document_begin(doc, key.data(), Length(key), &child))
        return false;
      const bool filled = Fill(&child, shape, at, values, cells);
      if (!bson_append_document_end(doc, &child) || !filled)
        return false;
      continue;
    }
    if (!AppendBsonCell(doc, BsonKeyText(member.name), values[at.member], cells[at.member]))
      return false;
    at = {at.member + 1, 0, 0};
  }
  return true;
}

}  // namespace

void MakeNestedBson(bson_t* bson, const ObjectShape& shape, const std::string_view* values,
                    const TypedValue* cells) {
  bson_reinit(bson);
  Cursor at;
  if (!Fill(bson, shape, at, values, cells))
    throw CDocumentTooLarge(UINT32_MAX);
  if (bson->len > CDocumentTooLarge::kMaxBytes)
    throw CDocumentTooLarge(bson->len);
}
