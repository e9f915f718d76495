// BsonEncoder: the document as BSON. The array has no bytes of its own: each of its
// elements is one BSON document, written one after another, so that the output streams
// without seeking and has no size limit as a whole; an empty array is an empty file. A
// row's members are string elements (0x02) in the order given, duplicate and empty names
// kept. A name ends at its first NUL, which a BSON key cannot hold.
#pragma once

#include <cstdint>

#include "libs/suppcore/DocumentEncoder.h"
#include "libs/suppcore/ObjectNameCache.h"
#include "libs/suppcore/WriteBuffer.h"

class BsonEncoder : public DocumentEncoder {
 public:
  explicit BsonEncoder(WriteBuffer& out) : m_out(out) {}

  void BeginArray() override {}
  // Throws CFileException (EFBIG) for a row whose document would pass BSON's 2 GiB limit.
  void Row(std::size_t index, const ObjectNames& names, const std::string_view* values) override;
  void EndArray() override {}

 private:
  void RowInPieces(std::uint32_t length, const ObjectNameCache& keys, std::size_t count,
                   const std::string_view* values);

  WriteBuffer& m_out;
  // Per member, the element's type byte and its key, ending in a NUL.
  ObjectNameCache m_keys;
};
