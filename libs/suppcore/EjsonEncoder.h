// EjsonEncoder: the document as canonical Extended JSON v2, one object a line, no array
// around them: the typed values keep their BSON types in text ({"$numberInt": "1"},
// {"$numberLong": ...}, {"$numberDouble": ...}, {"$numberDecimal": ...}, {"$date":
// {"$numberLong": "<ms>"}}), so that a reader of Extended JSON gets the very documents
// the BSON output holds. Rows are written compact ({"a":"1","n":{"$numberInt":"2"}}), as
// the text is escaped for JSON; a nested row is made as a BSON document first and written
// by libbson, which is many times slower but rare.
#pragma once

#include <memory>

#include "libs/suppcore/DocumentEncoder.h"
#include "libs/suppcore/WriteBuffer.h"

class EjsonEncoder : public DocumentEncoder {
 public:
  explicit EjsonEncoder(WriteBuffer& out);
  ~EjsonEncoder() override;

  void BeginArray() override {}
  void Row(std::size_t index, const ObjectNames& names, const std::string_view* values) override;
  void WideRow(std::size_t index, const ObjectNames& names, const RowWindows& row) override;
  void PlannedRow(std::size_t index, const ObjectNames& names, const std::string_view* values,
                  const TypedValue* cells) override;
  void NestedRow(std::size_t index, const ObjectShape& shape, const std::string_view* values,
                 const TypedValue* cells) override;
  void EndArray() override {}

 private:
  struct Document;
  void AppendMember(bool first, std::string_view name, std::string_view value,
                    const TypedValue& cell);
  void AppendEscaped(std::string_view text);
  void WriteLine();

  WriteBuffer& m_out;
  std::unique_ptr<Document> m_document;
};
