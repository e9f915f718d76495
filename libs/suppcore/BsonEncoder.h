// BsonEncoder: the document as BSON. The top-level array has no bytes of its own: each of
// its elements is one BSON document, written one after another, so that the output streams
// without seeking and has no size limit as a whole. An object's members are string
// elements (0x02) or embedded documents (0x03), in the order given, duplicate and empty
// names kept. Names end at their first NUL, which a BSON key cannot hold.
#pragma once

#include <cstdint>
#include <vector>

#include "libs/suppcore/DocumentEncoder.h"
#include "libs/suppcore/NameCache.h"
#include "libs/suppcore/WriteBuffer.h"

class BsonEncoder : public DocumentEncoder {
 public:
  explicit BsonEncoder(WriteBuffer& out) : m_out(out) {}

  void BeginArray() override {}
  void EndArray() override {}
  void BeginObject(size_t depth, size_t index, bool named, std::u16string_view name) override;
  void EndObject(size_t depth) override;
  void Pair(size_t depth, size_t index, std::u16string_view name,
            std::u16string_view value) override;
  void PairUtf8(size_t depth, size_t index, std::u16string_view name,
                std::string_view value) override;
  void ObjectUtf8(size_t depth, size_t index, const ObjectNames& names,
                  const std::string_view* values) override;
  void EndDocument() override {}

 private:
  static void EncodeKey(char type, std::u16string_view name, std::string& bytes);
  // The element's type byte and its key, ending in a NUL.
  std::string_view Key(char type, size_t index, std::u16string_view name);
  // A document's or a string's length is known only at its end: its place is kept and
  // filled in then.
  std::uint64_t ReserveLength();
  void FillLength(std::uint64_t slot, std::uint64_t length);
  // Writes a length as BSON's little-endian int32; throws when it does not fit.
  void StoreLength(char* out, std::uint64_t length) const;

  WriteBuffer& m_out;
  NameCache m_names;
  ObjectNameCache m_objectKeys;
  std::vector<std::uint64_t> m_openDocuments;  // slots of the documents not ended yet
};
