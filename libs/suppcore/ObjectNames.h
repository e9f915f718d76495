// ObjectNames: the member names of many objects that share them, such as a table's column
// names for its rows. The names are turned into UTF-8 once, here, and the writer encodes
// them once for all the objects written with the same instance: the names of one instance
// never change, and each instance carries a serial of its own, so that telling them apart
// costs one comparison instead of one per name.
#pragma once

#include <atomic>
#include <cstdint>
#include <stdexcept>
#include <string>
#include <string_view>
#include <type_traits>
#include <vector>

#include "platform/core/CString.h"
#include "platform/core/PackedTexts.h"
#include "platform/core/Simd.h"

class ObjectNames {
 public:
  // names: well-formed UTF-8 texts, taken as they are, or UTF-16 texts (std::u16string or
  // std::u16string_view), where a lone surrogate becomes U+FFFD. Throws std::length_error
  // when they pass 4 GiB in UTF-8.
  template <class Names>
  explicit ObjectNames(const Names& names) : m_serial(NextSerial()) {
    std::size_t units = 0;
    std::size_t count = 0;
    for (const auto& name : names) {
      units += name.size();
      ++count;
    }
    m_names.Reserve(count, units + kSimdPadding);
    std::string utf8;
    for (const auto& name : names) {
      if constexpr (std::is_convertible_v<decltype(name), std::string_view>) {
        m_names.Append(name, UINT32_MAX);
      } else {
        utf8.clear();
        AppendUtf8(utf8, name);
        m_names.Append(utf8, UINT32_MAX);
      }
    }
    m_names.AppendAfter(kSimdPadding, '\0');
  }
  ObjectNames(const ObjectNames&) = delete;
  ObjectNames& operator=(const ObjectNames&) = delete;

  using Iterator = PackedTexts<char>::Iterator;

  std::size_t size() const { return m_names.size(); }
  // The name at index in UTF-8, followed by kSimdPadding readable bytes (the next names,
  // then the padding). Found in a few steps: read the names in order with begin().
  std::string_view operator[](std::size_t index) const { return m_names[index]; }
  Iterator begin() const { return m_names.begin(); }
  Iterator end() const { return m_names.end(); }
  std::uint64_t Serial() const { return m_serial; }

 private:
  static std::uint64_t NextSerial() {
    static std::atomic<std::uint64_t> last{0};
    return ++last;
  }

  // The names back to back, then the padding: one block, however many names there are,
  // rather than a string and its padding for each.
  PackedTexts<char> m_names;
  std::uint64_t m_serial;
};
