#include "libs/suppcore/EjsonEncoder.h"

#include <bson/bson.h>

#include <cstdint>
#include <new>

#include "libs/suppcore/BsonDocument.h"
#include "libs/suppcore/BsonEncoder.h"

// One BSON document, made again for each row in the same memory.
struct EjsonEncoder::Document {
  bson_t bson = BSON_INITIALIZER;
  ~Document() { bson_destroy(&bson); }
};

namespace {

bool AppendString(bson_t* bson, std::string_view key, std::string_view value) {
  return bson_append_utf8(bson, key.data(), static_cast<int>(key.size()), value.data(),
                          static_cast<int>(value.size()));
}

}  // namespace

EjsonEncoder::EjsonEncoder(WriteBuffer& out)
    : m_out(out), m_document(std::make_unique<Document>()) {}

EjsonEncoder::~EjsonEncoder() = default;

void EjsonEncoder::Row(std::size_t /*index*/, const ObjectNames& names,
                       const std::string_view* values) {
  WideRow(0, names, OneWindow(values, names.size()));
}

void EjsonEncoder::WideRow(std::size_t /*index*/, const ObjectNames& names, const RowWindows& row) {
  bson_t* const bson = &m_document->bson;
  bson_reinit(bson);
  ObjectNames::Iterator name = names.begin();
  bool held = true;
  row.ForEach([&](const std::string_view* values, std::size_t count) {
    for (std::size_t i = 0; i < count; ++i, ++name)
      held = held && AppendString(bson, BsonKeyText(*name), values[i]);
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
    if (!AppendBsonCell(bson, BsonKeyText(*name), values[k], cells[k]))
      throw CDocumentTooLarge(UINT32_MAX);
  WriteLine();
}

void EjsonEncoder::NestedRow(std::size_t /*index*/, const ObjectShape& shape,
                             const std::string_view* values, const TypedValue* cells) {
  MakeNestedBson(&m_document->bson, shape, values, cells);
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
