// PackedTexts: many short texts held in about their own size. A header may hold millions
// of names, most of them empty (a file of commas, a JSON file given by mistake): a string
// apiece would cost 32 bytes and often a heap block each, and even a 32-bit offset each is
// several times the names themselves. Here the texts lie back to back, each size is a
// variable-length number of usually one byte, and every 128th text's place is kept, so that
// a text is found by index in a few steps and read in order at no cost.
#pragma once

#include <cstddef>
#include <cstdint>
#include <iterator>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

template <class Char>
class PackedTexts {
 public:
  using View = std::basic_string_view<Char>;

  // Reads the texts in order, from the first or from one found by index.
  class Iterator {
   public:
    using iterator_category = std::input_iterator_tag;
    using value_type = View;
    using difference_type = std::ptrdiff_t;
    using pointer = void;
    using reference = View;

    Iterator(const PackedTexts& texts, std::size_t index) : m_texts(&texts), m_index(index) {
      if (index >= texts.m_count)
        return;
      const Mark& mark = texts.m_marks[index / kMarkEvery];
      m_unit = mark.unit;
      m_sizeByte = mark.sizeByte;
      for (std::size_t k = index % kMarkEvery; k > 0; --k)
        m_unit += ReadSize();
      m_size = PeekSize(m_sizeBytes);
    }
    View operator*() const { return View(m_texts->m_units).substr(m_unit, m_size); }
    Iterator& operator++() {
      ++m_index;
      m_unit += m_size;
      m_sizeByte += m_sizeBytes;
      if (m_index < m_texts->m_count)
        m_size = PeekSize(m_sizeBytes);
      return *this;
    }
    Iterator operator++(int) {
      Iterator before = *this;
      ++*this;
      return before;
    }
    bool operator==(const Iterator& other) const { return m_index == other.m_index; }

   private:
    std::size_t ReadSize() {
      std::size_t bytes = 0;
      const std::size_t size = PeekSize(bytes);
      m_sizeByte += bytes;
      return size;
    }
    std::size_t PeekSize(std::size_t& bytes) const {
      std::size_t size = 0;
      bytes = 0;
      for (unsigned shift = 0;; shift += 7) {
        const std::uint8_t byte = m_texts->m_sizes[m_sizeByte + bytes++];
        size |= std::size_t{byte & 0x7Fu} << shift;
        if (byte < 0x80)
          return size;
      }
    }

    const PackedTexts* m_texts;
    std::size_t m_index;
    std::size_t m_unit = 0;      // where the text begins in m_units
    std::size_t m_sizeByte = 0;  // where its size begins in m_sizes
    std::size_t m_size = 0;
    std::size_t m_sizeBytes = 0;
  };

  // Room for count texts of units units in all, so that filling allocates once.
  void Reserve(std::size_t count, std::size_t units) {
    m_units.reserve(units);
    m_sizes.reserve(count);
    m_marks.reserve(count / kMarkEvery + 1);
  }
  // Throws std::length_error once the texts together pass maxUnits.
  void Append(View text, std::size_t maxUnits = SIZE_MAX) {
    if (text.size() > maxUnits - m_units.size())
      throw std::length_error("texts too long together");
    if (m_count % kMarkEvery == 0)
      m_marks.push_back({m_units.size(), m_sizes.size()});
    m_units.append(text);
    for (std::size_t size = text.size();; size >>= 7) {
      m_sizes.push_back(static_cast<std::uint8_t>((size & 0x7F) | (size > 0x7F ? 0x80 : 0)));
      if (size <= 0x7F)
        break;
    }
    ++m_count;
  }
  // Units after the last text that belong to none, such as padding for vector reads.
  void AppendAfter(std::size_t count, Char unit) { m_units.append(count, unit); }
  void clear() {
    m_units.clear();
    m_sizes.clear();
    m_marks.clear();
    m_count = 0;
  }

  std::size_t size() const { return m_count; }
  bool empty() const { return m_count == 0; }
  // Units of the texts and what follows them.
  const Char* data() const { return m_units.data(); }
  View operator[](std::size_t index) const { return *Iterator(*this, index); }
  View front() const { return (*this)[0]; }
  Iterator begin() const { return Iterator(*this, 0); }
  Iterator end() const { return Iterator(*this, m_count); }

 private:
  static constexpr std::size_t kMarkEvery = 128;
  struct Mark {
    std::size_t unit;
    std::size_t sizeByte;
  };

  std::basic_string<Char> m_units;
  std::vector<std::uint8_t> m_sizes;  // 7 bits a byte, the high bit set on all but the last
  std::vector<Mark> m_marks;          // of every kMarkEvery-th text
  std::size_t m_count = 0;
};
