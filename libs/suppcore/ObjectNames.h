// ObjectNames: the member names of many objects that share them, such as a table's column
// names for its rows. The names are turned into UTF-8 once, here, and the writer encodes
// them once for all the objects written with the same instance: the names of one instance
// never change, and each instance carries a serial of its own, so that telling them apart
// costs one comparison instead of one per name.
#pragma once

#include <atomic>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "platform/core/CString.h"
#include "platform/core/Simd.h"

class ObjectNames {
 public:
  // names: UTF-16 texts (std::u16string or std::u16string_view); a lone surrogate becomes
  // U+FFFD.
  template <class Names>
  explicit ObjectNames(const Names& names) : m_serial(NextSerial()) {
    m_names.reserve(names.size());
    for (const auto& name : names) {
      std::string& utf8 = m_names.emplace_back(Utf16ToUtf8(name));
      utf8.append(kSimdPadding, '\0');
    }
  }
  ObjectNames(const ObjectNames&) = delete;
  ObjectNames& operator=(const ObjectNames&) = delete;

  std::size_t size() const { return m_names.size(); }
  // The name at index in UTF-8, followed by kSimdPadding readable bytes.
  std::string_view operator[](std::size_t index) const {
    return {m_names[index].data(), m_names[index].size() - kSimdPadding};
  }
  std::uint64_t Serial() const { return m_serial; }

 private:
  static std::uint64_t NextSerial() {
    static std::atomic<std::uint64_t> last{0};
    return ++last;
  }

  std::vector<std::string> m_names;  // each followed by its padding
  std::uint64_t m_serial;
};
