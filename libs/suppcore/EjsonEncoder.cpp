#include "libs/suppcore/EjsonEncoder.h"

#include <bson/bson.h>

#include <charconv>
#include <cstdint>
#include <new>

#include "libs/suppcore/BsonDocument.h"
#include "libs/suppcore/BsonEncoder.h"
#include "platform/core/Simd.h"

// One BSON document, made again for each row in the same memory.
struct EjsonEncoder::Document {
  bson_t bson = BSON_INITIALIZER;
  ~Document() { bson_destroy(&bson); }
};

EjsonEncoder::EjsonEncoder(WriteBuffer& out)
    : m_out(out), m_document(std::make_unique<Document>()) {}

EjsonEncoder::~EjsonEncoder() = default;

void EjsonEncoder::Row(std::size_t /*index*/, const ObjectNames& names,
                       const std::string_view* values) {
  m_out.Append("{");
  std::size_t k = 0;
  for (ObjectNames::Iterator name = names.begin(); name != names.end(); ++name, ++k)
    AppendMember(k == 0, *name, values[k], TypedValue{});
  m_out.Append("}\n");
}

void EjsonEncoder::WideRow(std::size_t /*index*/, const ObjectNames& names, const RowWindows& row) {
  m_out.Append("{");
  ObjectNames::Iterator name = names.begin();
  bool first = true;
  row.ForEach([&](const std::string_view* values, std::size_t count) {
    for (std::size_t i = 0; i < count; ++i, ++name) {
      AppendMember(first, *name, values[i], TypedValue{});
      first = false;
    }
  });
  m_out.Append("}\n");
}

void EjsonEncoder::PlannedRow(std::size_t /*index*/, const ObjectNames& names,
                              const std::string_view* values, const TypedValue* cells) {
  m_out.Append("{");
  bool first = true;
  std::size_t k = 0;
  for (ObjectNames::Iterator name = names.begin(); name != names.end(); ++name, ++k) {
    if (cells[k].type == ValueType::kAbsent)
      continue;
    AppendMember(first, *name, values[k], cells[k]);
    first = false;
  }
  m_out.Append("}\n");
}

// A member as the canonical form writes it; libbson reads each back into the very element
// the BSON encoder writes.
void EjsonEncoder::AppendMember(bool first, std::string_view name, std::string_view value,
                                const TypedValue& cell) {
  if (!first)
    m_out.Append(",");
  m_out.Append("\"");
  AppendEscaped(BsonKeyText(name));
  m_out.Append("\":");
  char number[64];
  switch (cell.type) {
    case ValueType::kBoolean:
      m_out.Append(cell.boolean ? "true" : "false");
      return;
    case ValueType::kNull:
      m_out.Append("null");
      return;
    case ValueType::kInteger: {
      const bool fits = cell.integer >= INT32_MIN && cell.integer <= INT32_MAX;
      m_out.Append(fits ? "{\"$numberInt\":\"" : "{\"$numberLong\":\"");
      m_out.Append(
          {number, static_cast<std::size_t>(
                       std::to_chars(number, number + sizeof number, cell.integer).ptr - number)});
      m_out.Append("\"}");
      return;
    }
    case ValueType::kNumber: {
      // The shortest text that reads back as the same double, with a fraction as the
      // canonical form gives one.
      std::size_t size = static_cast<std::size_t>(
          std::to_chars(number, number + sizeof number, cell.number).ptr - number);
      if (std::string_view(number, size).find_first_of(".e") == std::string_view::npos) {
        number[size++] = '.';
        number[size++] = '0';
      }
      m_out.Append("{\"$numberDouble\":\"");
      m_out.Append({number, size});
      m_out.Append("\"}");
      return;
    }
    case ValueType::kDecimal: {
      bson_decimal128_t decimal;
      bson_decimal128_from_string_w_len(value.data(), static_cast<int>(value.size()), &decimal);
      char text[BSON_DECIMAL128_STRING];
      bson_decimal128_to_string(&decimal, text);
      m_out.Append("{\"$numberDecimal\":\"");
      m_out.Append(text);
      m_out.Append("\"}");
      return;
    }
    case ValueType::kDate:
      m_out.Append("{\"$date\":{\"$numberLong\":\"");
      m_out.Append(
          {number, static_cast<std::size_t>(
                       std::to_chars(number, number + sizeof number, cell.integer).ptr - number)});
      m_out.Append("\"}}");
      return;
    case ValueType::kString:
    case ValueType::kAbsent:
      break;
  }
  m_out.Append("\"");
  AppendEscaped(value);
  m_out.Append("\"");
}

// The text is followed by kSimdPadding readable bytes, so each piece is too.
void EjsonEncoder::AppendEscaped(std::string_view text) {
  constexpr std::size_t kPieceBytes = 16 * 1024;
  for (std::size_t done = 0; done < text.size(); done += kPieceBytes) {
    const std::string_view piece = text.substr(done, kPieceBytes);
    char* out = m_out.Reserve(piece.size() * kMaxJsonBytesPerByte + kSimdPadding);
    m_out.Commit(EscapeJsonPadded(out, piece));
  }
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
