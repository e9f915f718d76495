// JsonEncoder: the document as JSON text, UTF-8 without a mark, every value a string, two
// spaces of indentation a level, one member a line, brackets of the array and braces of
// its objects on lines of their own, a final line feed.
#pragma once

#include "libs/suppcore/DocumentEncoder.h"
#include "libs/suppcore/ObjectNameCache.h"
#include "libs/suppcore/WriteBuffer.h"

class JsonEncoder : public DocumentEncoder {
 public:
  explicit JsonEncoder(WriteBuffer& out) : m_out(out) {}

  void BeginArray() override;
  void Row(std::size_t index, const ObjectNames& names, const std::string_view* values) override;
  void EndArray() override;

 private:
  void RowInPieces(std::size_t index, const ObjectNameCache& leads, std::size_t count,
                   const std::string_view* values);

  WriteBuffer& m_out;
  // Per member, the bytes before its value: the comma after an earlier member, the line
  // break and indentation, the quoted name, the colon and the value's opening quote.
  ObjectNameCache m_leads;
};
