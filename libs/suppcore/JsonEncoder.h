// JsonEncoder: the document as JSON text, UTF-8 without a mark, every value a string (or,
// in a planned row, a boolean, number or null where the plan's types say so, written as its
// text stands), in one of two layouts. Indented: two spaces of indentation a level, one member a
// line, brackets of the array and braces of its objects on lines of their own, a final line feed.
// Lines (JSON Lines): no array, each object compact on a line of its own
// ({"a":"1","b":"2"}) ended by a line feed, so that no objects make an empty file. Both
// escape strings alike, so a line feed in a value never ends a line.
#pragma once

#include "libs/suppcore/DocumentEncoder.h"
#include "libs/suppcore/ObjectNameCache.h"
#include "libs/suppcore/WriteBuffer.h"

class JsonEncoder : public DocumentEncoder {
 public:
  enum class Layout { kIndented, kLines };

  explicit JsonEncoder(WriteBuffer& out, Layout layout = Layout::kIndented)
      : m_out(out), m_layout(layout) {}

  void BeginArray() override;
  void Row(std::size_t index, const ObjectNames& names, const std::string_view* values) override;
  void WideRow(std::size_t index, const ObjectNames& names, const RowWindows& row) override;
  // Numbers and booleans bare as their text stands, null as null, dates as their text.
  void PlannedRow(std::size_t index, const ObjectNames& names, const std::string_view* values,
                  const TypedValue* cells) override;
  // Each nested object's members a level deeper, or compact in JSON Lines.
  void NestedRow(std::size_t index, const ObjectShape& shape, const std::string_view* values,
                 const TypedValue* cells) override;
  void EndArray() override;

 private:
  template <class Bytes>
  void RowIn(std::size_t index, const ObjectNames& names, const std::string_view* values);
  template <class Bytes>
  void RowInPieces(std::size_t index, const ObjectNames& names, const RowWindows& row);
  template <class Bytes>
  void PlannedRowIn(std::size_t index, const ObjectNames& names, const std::string_view* values,
                    const TypedValue* cells);
  template <class Bytes>
  void PlannedRowInPieces(std::size_t index, const ObjectNames& names,
                          const std::string_view* values, const TypedValue* cells);
  void AppendEscaped(std::string_view text);

  WriteBuffer& m_out;
  const Layout m_layout;
  // Per member, the bytes before its value: the comma after an earlier member, the line
  // break and indentation, the quoted name, the colon and the value's opening quote (left
  // out again for a typed value), unless there are too many to keep.
  ObjectNameCache m_leads;
};
