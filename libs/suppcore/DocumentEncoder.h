// DocumentEncoder: the bytes of one output format for the one document the writer makes,
// an array of objects whose members are strings (or typed values, when the encoder is made
// so). The writer calls BeginArray once, Row
// for each element, EndArray once.
#pragma once

#include <cstddef>
#include <functional>
#include <string_view>

#include "libs/suppcore/ObjectNames.h"
#include "libs/suppcore/ObjectShape.h"
#include "libs/suppcore/ValueType.h"

// The values of a row too wide to be held at once, a window at a time in order; each
// ForEach reads the whole row again.
class RowWindows {
 public:
  using Take = std::function<void(const std::string_view* values, std::size_t count)>;
  virtual ~RowWindows() = default;
  virtual void ForEach(const Take& take) const = 0;
};

// A row held whole, as one window.
class OneWindow : public RowWindows {
 public:
  OneWindow(const std::string_view* values, std::size_t count) : m_values(values), m_count(count) {}
  void ForEach(const Take& take) const override { take(m_values, m_count); }

 private:
  const std::string_view* m_values;
  std::size_t m_count;
};

class DocumentEncoder {
 public:
  virtual ~DocumentEncoder() = default;

  virtual void BeginArray() = 0;
  // One element: the object names[k]: values[k]; index counts the elements before it.
  // The values are well-formed UTF-8, each followed by kSimdPadding readable bytes.
  virtual void Row(std::size_t index, const ObjectNames& names, const std::string_view* values) = 0;
  // The same for a row whose values come in windows, as many as there are names.
  virtual void WideRow(std::size_t index, const ObjectNames& names, const RowWindows& row) = 0;
  // One element whose values a column plan typed: cells[k] says what values[k] is written
  // as (a kAbsent cell writes no member), whatever the encoder was made for.
  virtual void PlannedRow(std::size_t index, const ObjectNames& names,
                          const std::string_view* values, const TypedValue* cells) = 0;
  // The same with the members nested as shape says, values and cells in its order.
  virtual void NestedRow(std::size_t index, const ObjectShape& shape,
                         const std::string_view* values, const TypedValue* cells) = 0;
  virtual void EndArray() = 0;

 protected:
  // A row is written in one reservation of the output buffer up to this size, larger ones
  // piece by piece, so that the buffer never grows for a row.
  static constexpr std::size_t kMaxRowReservation = std::size_t{1} << 20;
};
