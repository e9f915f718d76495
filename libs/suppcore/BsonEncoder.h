// BsonEncoder: the document as BSON. The array has no bytes of its own: each of its
// elements is one BSON document, written one after another, so that the output streams
// without seeking and has no size limit as a whole; an empty array is an empty file. A
// row's members are string elements (0x02) in the order given, duplicate and empty names
// kept. In a planned row, a typed value is a boolean (0x08), an int32 (0x10) where it fits,
// else an int64 (0x12), a double (0x01) or a Decimal128 (0x13). A name
// ends at its first NUL, which a BSON key cannot hold.
#pragma once

#include <cstdint>
#include <memory>
#include <stdexcept>

#include "libs/suppcore/DocumentEncoder.h"
#include "libs/suppcore/ObjectNameCache.h"
#include "libs/suppcore/WriteBuffer.h"

// A row whose BSON document would pass the 16 MiB that a BSON document may hold: the tools
// that read BSON refuse it.
class CDocumentTooLarge : public std::length_error {
 public:
  static constexpr std::uint64_t kMaxBytes = std::uint64_t{16} << 20;
  explicit CDocumentTooLarge(std::uint64_t bytes)
      : std::length_error("BSON document too large"), m_bytes(bytes) {}
  std::uint64_t Bytes() const { return m_bytes; }

 private:
  std::uint64_t m_bytes;
};

class BsonEncoder : public DocumentEncoder {
 public:
  explicit BsonEncoder(WriteBuffer& out);
  ~BsonEncoder() override;

  void BeginArray() override {}
  // Throws CDocumentTooLarge for a row whose document would pass 16 MiB.
  void Row(std::size_t index, const ObjectNames& names, const std::string_view* values) override;
  void WideRow(std::size_t index, const ObjectNames& names, const RowWindows& row) override;
  // A date as a UTC datetime (0x09), null as null (0x0A), the rest as above.
  void PlannedRow(std::size_t index, const ObjectNames& names, const std::string_view* values,
                  const TypedValue* cells) override;
  void NestedRow(std::size_t index, const ObjectShape& shape, const std::string_view* values,
                 const TypedValue* cells) override;
  void EndArray() override {}

 private:
  void RowInPieces(const ObjectNames& names, const RowWindows& row);
  void PlannedRowInPieces(const ObjectNames& names, const std::string_view* values,
                          const TypedValue* cells);
  void AppendElement(const ObjectNameCache& keys, std::size_t k, std::string_view name,
                     std::string_view value, const TypedValue& typed);

  WriteBuffer& m_out;
  // Per member, the element's type byte (a string's, replaced for a typed value) and its
  // key, ending in a NUL, unless there are too many to keep.
  ObjectNameCache m_keys;
  // A nested row's document, made by libbson.
  std::unique_ptr<struct NestedDocument> m_nested;
};
