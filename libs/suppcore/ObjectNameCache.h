// ObjectNameCache: the encoded names of the objects written with one ObjectNames (a JSON
// member's lead, a BSON element's key), made once for the last ObjectNames seen, since the
// rows of a conversion all share theirs. The encoded names lie back to back, followed by
// kSimdPadding bytes, so that each can be copied with CopyPadded. Only names that encode
// into at most kMaxCachedBytes are kept: a row with more is too large to be written in one
// piece anyway, and keeping them would cost many times the header line (a lead is a dozen
// bytes even for an empty name); such rows encode each name as they write it.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "libs/suppcore/ObjectNames.h"
#include "platform/core/Simd.h"

class ObjectNameCache {
 public:
  static constexpr std::size_t kMaxCachedBytes = std::size_t{1} << 20;
  // What an encoding may make of a name's byte at most, with room for what it adds.
  static constexpr std::size_t kMaxBytesPerByte = 8;

  // encode(index, utf8Name, bytes) sets bytes to the encoded name; utf8Name is followed by
  // kSimdPadding readable bytes.
  template <class Encode>
  ObjectNameCache& Get(const ObjectNames& names, Encode&& encode) {
    if (names.Serial() != m_serial)
      Refill(names, encode);
    return *this;
  }

  // The names are held (operator[] and PaddedSize may be used).
  bool Cached() const { return m_cached; }
  std::string_view operator[](std::size_t index) const {
    const std::uint32_t begin = index == 0 ? 0 : m_ends[index - 1];
    return {m_bytes.data() + begin, m_ends[index] - begin};
  }
  // All names together, with the padding after them.
  std::size_t PaddedSize() const { return m_bytes.size(); }

 private:
  template <class Encode>
  [[gnu::noinline]] void Refill(const ObjectNames& names, Encode& encode) {
    m_bytes.clear();
    m_ends.clear();
    m_serial = names.Serial();
    m_cached = false;
    std::size_t k = 0;
    for (const std::string_view name : names) {
      // Checked before the name is encoded, so that a long name is never encoded whole.
      if (name.size() > (kMaxCachedBytes - m_bytes.size()) / kMaxBytesPerByte)
        return Release();
      encode(k++, name, m_scratch);
      if (m_scratch.size() > kMaxCachedBytes - m_bytes.size())
        return Release();
      m_bytes.append(m_scratch);
      m_ends.push_back(static_cast<std::uint32_t>(m_bytes.size()));
    }
    m_bytes.append(kSimdPadding, '\0');
    m_cached = true;
  }

  void Release() {
    m_bytes = std::string();
    m_ends = std::vector<std::uint32_t>();
    m_scratch = std::string();
  }

  std::string m_bytes;
  std::vector<std::uint32_t> m_ends;  // of each name in m_bytes
  std::string m_scratch;              // one name being encoded
  std::uint64_t m_serial = 0;         // no ObjectNames has serial 0
  bool m_cached = false;
};
