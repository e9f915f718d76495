// DocumentEncoder: the bytes of one output format. The writer keeps the document's
// structure and calls an encoder only with steps that fit it, so an encoder never has to
// check the order of calls; it only chooses the bytes.
//
// depth is the number of containers around the element being written (0 for the top
// value), index the number of members its container held before it.
#pragma once

#include <cstddef>
#include <string_view>

#include "libs/suppcore/ObjectNames.h"

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
  // A whole object of string members, names[k]: values[k], that is an element of the
  // array: the same bytes as BeginObject, PairUtf8 for each member and EndObject. The
  // values are well-formed UTF-8, each followed by kValueSlack readable bytes.
  static constexpr size_t kValueSlack = 16;
  virtual void ObjectUtf8(size_t depth, size_t index, const ObjectNames& names,
                          const std::string_view* values) = 0;
  // The top value is complete.
  virtual void EndDocument() = 0;

 protected:
  // Objects larger than this go member by member, so the buffer never has to grow for one.
  static constexpr size_t kMaxObjectBytes = size_t{1} << 20;

  void ObjectInPairs(size_t depth, size_t index, const ObjectNames& names,
                     const std::string_view* values) {
    BeginObject(depth, index, false, {});
    for (size_t k = 0; k < names.size(); ++k)
      PairUtf8(depth + 1, k, names[k], values[k]);
    EndObject(depth);
  }
};
