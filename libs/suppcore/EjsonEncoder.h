// EjsonEncoder: the document as canonical Extended JSON v2, one object a line, no array
// around them: the typed values keep their BSON types in text ({"$numberInt": "1"},
// {"$numberLong": ...}, {"$numberDouble": ...}, {"$numberDecimal": ...}, {"$date":
// {"$numberLong": "<ms>"}}), so that a reader of Extended JSON gets the very documents
// the BSON output holds. Rows are written compact ({"a":"1","n":{"$numberInt":"2"}}),
// every text escaped as in JSON; a row whose BSON document would pass 16 MiB fails as in
// BSON.
#pragma once

#include <cstdint>

#include "libs/suppcore/DocumentEncoder.h"
#include "libs/suppcore/WriteBuffer.h"

class EjsonEncoder : public DocumentEncoder {
 public:
  explicit EjsonEncoder(WriteBuffer& out) : m_out(out) {}

  void BeginArray() override {}
  void Row(std::size_t index, const ObjectNames& names, const std::string_view* values) override;
  void WideRow(std::size_t index, const ObjectNames& names, const RowWindows& row) override;
  void PlannedRow(std::size_t index, const ObjectNames& names, const std::string_view* values,
                  const TypedValue* cells) override;
  void NestedRow(std::size_t index, const ObjectShape& shape, const std::string_view* values,
                 const TypedValue* cells) override;
  void EndArray() override {}

 private:
  void BeginRow();
  void EndRow();
  void AppendName(bool first, std::string_view name);
  void AppendMember(bool first, std::string_view name, std::string_view value,
                    const TypedValue& cell);
  void AppendEscaped(std::string_view text);

  WriteBuffer& m_out;
  // The bytes of the row's document in BSON, so far.
  std::uint64_t m_bsonBytes = 0;
};
