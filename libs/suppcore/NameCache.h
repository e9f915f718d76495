// NameCache: the encoded form of the member names by position in their object. Rows of a
// conversion repeat the same names in the same order, so each name is compared with the
// one seen at its position (a memory compare) and its bytes are reused instead of being
// encoded again for every row.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

class NameCache {
 public:
  // encode(name, out) fills out with the encoded name.
  template <class Encode>
  std::string_view Get(size_t index, std::u16string_view name, Encode&& encode) {
    // Objects with more members than this are not what repeats row by row; encoding their
    // far members every time keeps the cache from growing with one huge object.
    constexpr size_t kMaxPositions = 4096;
    if (index >= kMaxPositions) {
      encode(name, m_scratch);
      return m_scratch;
    }
    if (index >= m_entries.size())
      m_entries.resize(index + 1);
    Entry& entry = m_entries[index];
    if (!entry.valid || entry.name != name) {
      entry.name.assign(name);
      encode(name, entry.encoded);
      entry.valid = true;
    }
    return entry.encoded;
  }

 private:
  struct Entry {
    std::u16string name;
    std::string encoded;
    bool valid = false;
  };
  std::vector<Entry> m_entries;
  std::string m_scratch;
};
