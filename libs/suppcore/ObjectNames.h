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
#include <vector>

#include "platform/core/CString.h"
#include "platform/core/Simd.h"

class ObjectNames {
 public:
  // names: UTF-16 texts (std::u16string or std::u16string_view); a lone surrogate becomes
  // U+FFFD. Throws std::length_error when they pass 4 GiB in UTF-8.
  template <class Names>
  explicit ObjectNames(const Names& names) : m_serial(NextSerial()) {
    std::size_t units = 0;
    for (const auto& name : names)
      units += name.size();
    m_bytes.reserve(units + kSimdPadding);
    m_ends.reserve(names.size());
    for (const auto& name : names) {
      AppendUtf8(m_bytes, name);
      if (m_bytes.size() > UINT32_MAX)
        throw std::length_error("names of 4 GiB or more");
      m_ends.push_back(static_cast<std::uint32_t>(m_bytes.size()));
    }
    m_bytes.append(kSimdPadding, '\0');
  }
  ObjectNames(const ObjectNames&) = delete;
  ObjectNames& operator=(const ObjectNames&) = delete;

  std::size_t size() const { return m_ends.size(); }
  // The name at index in UTF-8, followed by kSimdPadding readable bytes (the next names,
  // then the padding).
  std::string_view operator[](std::size_t index) const {
    const std::uint32_t begin = index == 0 ? 0 : m_ends[index - 1];
    return {m_bytes.data() + begin, m_ends[index] - begin};
  }
  std::uint64_t Serial() const { return m_serial; }

 private:
  static std::uint64_t NextSerial() {
    static std::atomic<std::uint64_t> last{0};
    return ++last;
  }

  // The names back to back, then the padding: one block, however many names there are,
  // rather than a string and its padding for each.
  std::string m_bytes;
  std::vector<std::uint32_t> m_ends;  // of each name in m_bytes
  std::uint64_t m_serial;
};
