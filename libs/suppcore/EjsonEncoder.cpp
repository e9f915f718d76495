#include "libs/suppcore/EjsonEncoder.h"

#include <bson/bson.h>

#include <charconv>
#include <cstdint>

#include "libs/suppcore/BsonDocument.h"
#include "libs/suppcore/BsonEncoder.h"
#include "platform/core/Simd.h"

namespace {

// The bytes of a BSON document with no members: its length and its closing NUL.
constexpr std::uint64_t kEmptyDocumentBytes = 5;

// The bytes of a value's BSON element after its key.
std::uint64_t ElementBytes(std::string_view value, const TypedValue& cell) {
  switch (cell.type) {
    case ValueType::kBoolean:
      return 1;
    case ValueType::kInteger:
      return cell.integer >= INT32_MIN && cell.integer <= INT32_MAX ? 4 : 8;
    case ValueType::kDecimal:
      return 16;
    case ValueType::kNumber:
    case ValueType::kDate:
      return 8;
    case ValueType::kNull:
    case ValueType::kAbsent:
      return 0;
    case ValueType::kString:
      break;
  }
  return 4 + value.size() + 1;
}

}  // namespace

// A row is counted in BSON's bytes as it is written, so that a row BSON could not hold
// fails here as it does there.
void EjsonEncoder::BeginRow() {
  m_out.Append("{");
  m_bsonBytes = kEmptyDocumentBytes;
}

void EjsonEncoder::EndRow() {
  m_out.Append("}\n");
  if (m_bsonBytes > CDocumentTooLarge::kMaxBytes)
    throw CDocumentTooLarge(m_bsonBytes);
}

void EjsonEncoder::Row(std::size_t /*index*/, const ObjectNames& names,
                       const std::string_view* values) {
  BeginRow();
  std::size_t k = 0;
  for (ObjectNames::Iterator name = names.begin(); name != names.end(); ++name, ++k)
    AppendMember(k == 0, *name, values[k], TypedValue{});
  EndRow();
}

void EjsonEncoder::WideRow(std::size_t /*index*/, const ObjectNames& names, const RowWindows& row) {
  BeginRow();
  ObjectNames::Iterator name = names.begin();
  bool first = true;
  row.ForEach([&](const std::string_view* values, std::size_t count) {
    for (std::size_t i = 0; i < count; ++i, ++name) {
      AppendMember(first, *name, values[i], TypedValue{});
      first = false;
    }
  });
  EndRow();
}

void EjsonEncoder::PlannedRow(std::size_t /*index*/, const ObjectNames& names,
                              const std::string_view* values, const TypedValue* cells) {
  BeginRow();
  bool first = true;
  std::size_t k = 0;
  for (ObjectNames::Iterator name = names.begin(); name != names.end(); ++name, ++k) {
    if (cells[k].type == ValueType::kAbsent)
      continue;
    AppendMember(first, *name, values[k], cells[k]);
    first = false;
  }
  EndRow();
}

// A member as the canonical form writes it; libbson reads each back into the very element
// the BSON encoder writes.
void EjsonEncoder::AppendMember(bool first, std::string_view name, std::string_view value,
                                const TypedValue& cell) {
  AppendName(first, name);
  m_bsonBytes += ElementBytes(value, cell);
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

void EjsonEncoder::AppendName(bool first, std::string_view name) {
  if (!first)
    m_out.Append(",");
  const std::string_view key = BsonKeyText(name);
  m_out.Append("\"");
  AppendEscaped(key);
  m_out.Append("\":");
  m_bsonBytes += 1 + key.size() + 1;
}

void EjsonEncoder::NestedRow(std::size_t /*index*/, const ObjectShape& shape,
                             const std::string_view* values, const TypedValue* cells) {
  BeginRow();
  bool first = true;
  std::size_t k = 0;
  for (const ShapedMember& member : shape.members) {
    for (std::uint32_t e = 0; e < member.ends; ++e)
      m_out.Append("}");
    first = first && member.ends == 0;
    for (const std::string& object : member.begins) {
      AppendName(first, object);
      m_out.Append("{");
      m_bsonBytes += kEmptyDocumentBytes;
      first = true;
    }
    if (cells[k].type != ValueType::kAbsent) {
      AppendMember(first, member.name, values[k], cells[k]);
      first = false;
    }
    ++k;
  }
  for (std::uint32_t e = 0; e < shape.endsAfter; ++e)
    m_out.Append("}");
  EndRow();
}
