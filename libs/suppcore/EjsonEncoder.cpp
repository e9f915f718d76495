#include "libs/suppcore/EjsonEncoder.h"

#include <bson/bson.h>

#include <cstdint>
#include <new>

#include "libs/suppcore/BsonEncoder.h"

// One BSON document, made again for each row in the same memory.
struct EjsonEncoder::Document {
  bson_t bson = BSON_INITIALIZER;
  ~Document() { bson_destroy(&bson); }
};

namespace {

// A key ends at the name's first NUL, as in BSON.
std::string_view KeyText(std::string_view name) {
  return name.substr(0, name.find('\0'));
}

int Length(std::string_view text) {
  return static_cast<int>(text.size());
}

bool AppendString(bson_t* bson, std::string_view key, std::string_view value) {
  return bson_append_utf8(bson, key.data(), Length(key), value.data(), Length(value));
}

bool AppendCell(bson_t* bson, std::string_view key, std::string_view value,
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
  return AppendString(bson, key, value);
}

}  // namespace

EjsonEncoder::EjsonEncoder(WriteBuffer& out)
    : m_out(out), m_document(std::make_unique<Document>()) {}

EjsonEncoder::~EjsonEncoder() = default;

void EjsonEncoder::Row(std::size_t /*index*/, const ObjectNames& names,
                       const std::string_view* values) {
  WideRow(0, names, OneWindow(values, names.size()));
}

void EjsonEncoder::WideRow(std::size_t /*index*/, const ObjectNames& names,
                           const RowWindows& row) {
  bson_t* const bson = &m_document->bson;
  bson_reinit(bson);
  ObjectNames::Iterator name = names.begin();
  bool held = true;
  row.ForEach([&](const std::string_view* values, std::size_t count) {
    for (std::size_t i = 0; i < count; ++i, ++name)
      held = held && AppendString(bson, KeyText(*name), values[i]);
  });
  if (!held)
    throw CDocumentTooLarge(UINT32_MAX);
  WriteLine();
}

void EjsonEncoder::PlannedRow(std::size_t /*index*/, const ObjectNames& names,
                              const std::string_view* values, const TypedValue* cells) {
  bson_t* const bson = &m_document->bson;
  bson_reinit(bson);
  std::size_t k = 0;
  for (ObjectNames::Iterator name = names.begin(); name != names.end(); ++name, ++k)
    if (!AppendCell(bson, KeyText(*name), values[k], cells[k]))
      throw CDocumentTooLarge(UINT32_MAX);
  WriteLine();
}

void EjsonEncoder::WriteLine() {
  const bson_t* const bson = &m_document->bson;
  if (bson->len > CDocumentTooLarge::kMaxBytes)
    throw CDocumentTooLarge(bson->len);
  std::size_t length = 0;
  char* const text = bson_as_canonical_extended_json(bson, &length);
  if (text == nullptr)
    throw std::bad_alloc();
  m_out.Append({text, length});
  m_out.Append("\n");
  bson_free(text);
}
