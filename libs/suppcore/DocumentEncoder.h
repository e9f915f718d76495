// DocumentEncoder: the bytes of one output format. The writer keeps the document's
// structure and calls an encoder only with steps that fit it, so an encoder never has to
// check the order of calls; it only chooses the bytes.
//
// depth is the number of containers around the element being written (0 for the top
// value), index the number of members its container held before it.
#pragma once

#include <cstddef>
#include <string_view>

class DocumentEncoder {
 public:
  virtual ~DocumentEncoder() = default;

  // The top-level array.
  virtual void BeginArray() = 0;
  virtual void EndArray() = 0;
  // An object; named says it is a member of an object (with that name) rather than an
  // element of the array or the top value.
  virtual void BeginObject(size_t depth, size_t index, bool named, std::u16string_view name) = 0;
  virtual void EndObject(size_t depth) = 0;
  virtual void Pair(size_t depth, size_t index, std::u16string_view name,
                    std::u16string_view value) = 0;
  // The same with the value as UTF-8 bytes that are known to be well-formed.
  virtual void PairUtf8(size_t depth, size_t index, std::u16string_view name,
                        std::string_view value) = 0;
  // The top value is complete.
  virtual void EndDocument() = 0;
};
