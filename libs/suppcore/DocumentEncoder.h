// DocumentEncoder: the bytes of one output format for the one document the writer makes,
// an array of objects whose members are strings (or typed values, when the encoder is made
// so). The writer calls BeginArray once, Row
// for each element, EndArray once.
#pragma once

#include <cstddef>
#include <string_view>

#include "libs/suppcore/ObjectNames.h"

class DocumentEncoder {
 public:
  virtual ~DocumentEncoder() = default;

  virtual void BeginArray() = 0;
  // One element: the object names[k]: values[k]; index counts the elements before it.
  // The values are well-formed UTF-8, each followed by kSimdPadding readable bytes.
  virtual void Row(std::size_t index, const ObjectNames& names, const std::string_view* values) = 0;
  virtual void EndArray() = 0;

 protected:
  // A row is written in one reservation of the output buffer up to this size, larger ones
  // piece by piece, so that the buffer never grows for a row.
  static constexpr std::size_t kMaxRowReservation = std::size_t{1} << 20;
};
