#include "libs/suppcore/BsonEncoder.h"

#include <bson/bson.h>

#include <cerrno>
#include <cstdint>
#include <cstring>
#include <limits>
#include <string>

#include "libs/suppcore/BsonDocument.h"
#include "libs/suppcore/ValueType.h"
#include "platform/core/Simd.h"

static_assert(kSimdPadding >= 16, "a decimal fits in a value's room");

namespace {

constexpr char kStringType = '\x02';

// BSON's little-endian integers.
template <class Unsigned>
char* PutLittleEndian(char* out, Unsigned value) {
  for (std::size_t i = 0; i < sizeof value; ++i)
    out[i] = static_cast<char>((value >> (8 * i)) & 0xFF);
  return out + sizeof value;
}

char* PutLength(char* out, std::uint32_t length) {
  return PutLittleEndian(out, length);
}

// A key ends at the name's first NUL, which it cannot hold.
std::string_view KeyText(std::string_view name) {
  return name.substr(0, name.find('\0'));
}

void EncodeKey(std::size_t /*index*/, std::string_view name, std::string& bytes) {
  bytes.assign(1, kStringType);
  bytes.append(KeyText(name));
  bytes.push_back('\0');
}

bool FitsInt32(std::int64_t value) {
  return value >= std::numeric_limits<std::int32_t>::min() &&
         value <= std::numeric_limits<std::int32_t>::max();
}

// The bytes of a typed value's element after its key: at most 16.
std::size_t TypedSize(const TypedValue& value) {
  switch (value.type) {
    case ValueType::kBoolean:
      return 1;
    case ValueType::kInteger:
      return FitsInt32(value.integer) ? 4 : 8;
    case ValueType::kDecimal:
      return 16;
    case ValueType::kNull:
      return 0;
    default:
      return 8;
  }
}

// A decimal's 16 bytes, by libbson's reading of its text, which ValueType found exact.
char* PutDecimal(char* out, std::string_view text) {
  bson_decimal128_t decimal;
  bson_decimal128_from_string_w_len(text.data(), static_cast<int>(text.size()), &decimal);
  out = PutLittleEndian(out, static_cast<std::uint64_t>(decimal.low));
  return PutLittleEndian(out, static_cast<std::uint64_t>(decimal.high));
}

// Writes a typed value's element type over the key's and its bytes after the key.
[[gnu::always_inline]] inline char* PutTyped(char* element, char* out, const TypedValue& value,
                                             std::string_view text) {
  switch (value.type) {
    case ValueType::kBoolean:
      *element = '\x08';
      *out = value.boolean ? '\x01' : '\x00';
      return out + 1;
    case ValueType::kInteger:
      if (FitsInt32(value.integer)) {
        *element = '\x10';
        return PutLittleEndian(out, static_cast<std::uint32_t>(value.integer));
      }
      *element = '\x12';
      return PutLittleEndian(out, static_cast<std::uint64_t>(value.integer));
    case ValueType::kDecimal:
      *element = '\x13';
      return PutDecimal(out, text);
    case ValueType::kDate:
      *element = '\x09';
      return PutLittleEndian(out, static_cast<std::uint64_t>(value.integer));
    case ValueType::kNull:
      *element = '\x0A';
      return out;
    default: {
      *element = '\x01';
      std::uint64_t bits = 0;
      static_assert(sizeof bits == sizeof value.number);
      std::memcpy(&bits, &value.number, sizeof bits);
      return PutLittleEndian(out, bits);
    }
  }
}

}  // namespace

struct NestedDocument {
  bson_t bson = BSON_INITIALIZER;
  ~NestedDocument() { bson_destroy(&bson); }
};

BsonEncoder::BsonEncoder(WriteBuffer& out) : m_out(out) {}

BsonEncoder::~BsonEncoder() = default;

void BsonEncoder::NestedRow(std::size_t /*index*/, const ObjectShape& shape,
                            const std::string_view* values, const TypedValue* cells) {
  if (!m_nested)
    m_nested = std::make_unique<NestedDocument>();
  MakeNestedBson(&m_nested->bson, shape, values, cells);
  m_out.Append({reinterpret_cast<const char*>(bson_get_data(&m_nested->bson)), m_nested->bson.len});
}

// The room a row needs is known before its bytes are written, since its values are UTF-8
// already, and the length is put in front once they are: the document needs no second pass.
void BsonEncoder::Row(std::size_t /*index*/, const ObjectNames& names,
                      const std::string_view* values) {
  const ObjectNameCache& keys = m_keys.Get(names, EncodeKey);
  const std::size_t count = names.size();
  if (!keys.Cached()) {
    RowInPieces(names, OneWindow(values, count));
    return;
  }
  std::size_t bound = 4 + keys.PaddedSize() + 1;
  for (std::size_t k = 0; k < count; ++k)
    bound += 4 + values[k].size() + 1 + kSimdPadding;
  if (bound > kMaxRowReservation) {
    RowInPieces(names, OneWindow(values, count));
    return;
  }
  char* const start = m_out.Reserve(bound);
  char* out = start + 4;
  for (std::size_t k = 0; k < count; ++k) {
    out = CopyPadded(out, keys[k]);
    out = PutLength(out, static_cast<std::uint32_t>(values[k].size() + 1));
    out = CopyPadded(out, values[k]);
    *out++ = '\0';
  }
  *out++ = '\0';
  PutLength(start, static_cast<std::uint32_t>(out - start));
  m_out.Commit(out);
}

// As Row, each value's type given; a typed value takes at most 16 bytes, within the room of
// a string's length, its text, its NUL and the padding.
void BsonEncoder::PlannedRow(std::size_t /*index*/, const ObjectNames& names,
                             const std::string_view* values, const TypedValue* cells) {
  const ObjectNameCache& keys = m_keys.Get(names, EncodeKey);
  const std::size_t count = names.size();
  std::size_t bound = 4 + keys.PaddedSize() + 1;
  for (std::size_t k = 0; k < count; ++k)
    bound += 4 + values[k].size() + 1 + kSimdPadding;
  if (!keys.Cached() || bound > kMaxRowReservation) {
    PlannedRowInPieces(names, values, cells);
    return;
  }
  char* const start = m_out.Reserve(bound);
  char* out = start + 4;
  for (std::size_t k = 0; k < count; ++k) {
    if (cells[k].type == ValueType::kAbsent)
      continue;
    char* const element = out;
    out = CopyPadded(out, keys[k]);
    if (cells[k].type != ValueType::kString) {
      out = PutTyped(element, out, cells[k], values[k]);
      continue;
    }
    out = PutLength(out, static_cast<std::uint32_t>(values[k].size() + 1));
    out = CopyPadded(out, values[k]);
    *out++ = '\0';
  }
  *out++ = '\0';
  PutLength(start, static_cast<std::uint32_t>(out - start));
  m_out.Commit(out);
}

void BsonEncoder::PlannedRowInPieces(const ObjectNames& names, const std::string_view* values,
                                     const TypedValue* cells) {
  const ObjectNameCache& keys = m_keys.Get(names, EncodeKey);
  std::uint64_t length = 4 + 1;
  std::size_t k = 0;
  for (ObjectNames::Iterator name = names.begin(); name != names.end(); ++name, ++k) {
    const ValueType type = cells[k].type;
    if (type != ValueType::kAbsent)
      length += 1 + KeyText(*name).size() + 1 +
                (type != ValueType::kString ? TypedSize(cells[k]) : 4 + values[k].size() + 1);
  }
  if (length > CDocumentTooLarge::kMaxBytes)
    throw CDocumentTooLarge(length);
  char bytes[8];
  PutLength(bytes, static_cast<std::uint32_t>(length));
  m_out.Append({bytes, 4});
  k = 0;
  for (ObjectNames::Iterator name = names.begin(); name != names.end(); ++name, ++k)
    if (cells[k].type != ValueType::kAbsent)
      AppendElement(keys, k, *name, values[k], cells[k]);
  m_out.Append(std::string_view("\0", 1));
}

void BsonEncoder::WideRow(std::size_t /*index*/, const ObjectNames& names, const RowWindows& row) {
  RowInPieces(names, row);
}

// A row too large for one reservation: its length is counted first, in a first reading of
// its values, and the values written in the second. The keys are written from the names
// when there are too many to keep.
void BsonEncoder::RowInPieces(const ObjectNames& names, const RowWindows& row) {
  const ObjectNameCache& keys = m_keys.Get(names, EncodeKey);
  std::uint64_t length = 4 + 1;
  ObjectNames::Iterator name = names.begin();
  row.ForEach([&](const std::string_view* values, std::size_t count) {
    for (std::size_t i = 0; i < count; ++i, ++name)
      length += 1 + KeyText(*name).size() + 1 + 4 + values[i].size() + 1;
  });
  if (length > CDocumentTooLarge::kMaxBytes)
    throw CDocumentTooLarge(length);
  char bytes[8];
  PutLength(bytes, static_cast<std::uint32_t>(length));
  m_out.Append({bytes, 4});
  std::size_t k = 0;
  name = names.begin();
  row.ForEach([&](const std::string_view* values, std::size_t count) {
    for (std::size_t i = 0; i < count; ++i, ++k, ++name)
      AppendElement(keys, k, *name, values[i], TypedValue{});
  });
  m_out.Append(std::string_view("\0", 1));
}

void BsonEncoder::AppendElement(const ObjectNameCache& keys, std::size_t k, std::string_view name,
                                std::string_view value, const TypedValue& typed) {
  char bytes[16];
  char type = kStringType;
  std::size_t size = 0;
  if (typed.type != ValueType::kString)
    size = static_cast<std::size_t>(PutTyped(&type, bytes, typed, value) - bytes);
  m_out.Append({&type, 1});
  if (keys.Cached()) {
    m_out.Append(keys[k].substr(1));
  } else {
    m_out.Append(KeyText(name));
    m_out.Append(std::string_view("\0", 1));
  }
  if (typed.type != ValueType::kString) {
    m_out.Append({bytes, size});
    return;
  }
  PutLength(bytes, static_cast<std::uint32_t>(value.size() + 1));
  m_out.Append({bytes, 4});
  m_out.Append(value);
  m_out.Append(std::string_view("\0", 1));
}
