// ObjectNames: the member names of many objects that share them, such as a table's column
// names for its rows. The writer encodes them once for all the objects written with the
// same ObjectNames; the names of one instance never change, and each instance carries a
// serial of its own, so that telling them apart costs one comparison instead of one per
// name.
#pragma once

#include <atomic>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

class ObjectNames {
 public:
  template <class Names>
  explicit ObjectNames(const Names& names) : m_serial(NextSerial()) {
    m_names.reserve(names.size());
    for (const auto& name : names)
      m_names.emplace_back(name);
  }
  ObjectNames(const ObjectNames&) = delete;
  ObjectNames& operator=(const ObjectNames&) = delete;

  std::size_t size() const { return m_names.size(); }
  std::u16string_view operator[](std::size_t index) const { return m_names[index]; }
  std::uint64_t Serial() const { return m_serial; }

 private:
  static std::uint64_t NextSerial() {
    static std::atomic<std::uint64_t> last{0};
    return ++last;
  }

  std::vector<std::u16string> m_names;
  std::uint64_t m_serial;
};
