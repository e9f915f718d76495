// FieldList: the ordered texts of one line, one row's values. NameList: the same for a
// header, held compactly.
#pragma once

#include <cstddef>
#include <cstdint>
#include <iterator>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

using FieldList = std::vector<std::u16string>;

// The texts of one line back to back in one buffer, with one 32-bit end offset each. A
// header may hold millions of names, most of them empty (a file of commas, a JSON file
// given by mistake): a string apiece would cost 32 bytes and often a heap block each,
// many times the line's own bytes.
class NameList {
 public:
  class Iterator {
   public:
    using iterator_category = std::input_iterator_tag;
    using value_type = std::u16string_view;
    using difference_type = std::ptrdiff_t;
    using pointer = void;
    using reference = std::u16string_view;

    Iterator(const NameList& list, std::size_t index) : m_list(&list), m_index(index) {}
    std::u16string_view operator*() const { return (*m_list)[m_index]; }
    Iterator& operator++() {
      ++m_index;
      return *this;
    }
    Iterator operator++(int) {
      Iterator before = *this;
      ++m_index;
      return before;
    }
    bool operator==(const Iterator& other) const { return m_index == other.m_index; }

   private:
    const NameList* m_list;
    std::size_t m_index;
  };

  // Room for count texts of units UTF-16 units in all, so that filling allocates once.
  void Reserve(std::size_t count, std::size_t units) {
    m_ends.reserve(count);
    m_units.reserve(units);
  }
  // Throws std::length_error once the texts together pass 4 Gi units (a header line of
  // at least 4 GiB).
  void Append(std::u16string_view text) {
    if (text.size() > UINT32_MAX - m_units.size())
      throw std::length_error("a header line of 4 GiB or more");
    m_units.append(text);
    m_ends.push_back(static_cast<std::uint32_t>(m_units.size()));
  }
  void clear() {
    m_units.clear();
    m_ends.clear();
  }

  std::size_t size() const { return m_ends.size(); }
  bool empty() const { return m_ends.empty(); }
  std::u16string_view operator[](std::size_t index) const {
    const std::uint32_t begin = index == 0 ? 0 : m_ends[index - 1];
    return std::u16string_view(m_units).substr(begin, m_ends[index] - begin);
  }
  std::u16string_view front() const { return (*this)[0]; }
  Iterator begin() const { return Iterator(*this, 0); }
  Iterator end() const { return Iterator(*this, size()); }

 private:
  std::u16string m_units;
  std::vector<std::uint32_t> m_ends;
};
