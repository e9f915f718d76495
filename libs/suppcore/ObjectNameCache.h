// ObjectNameCache: the encoded names of the objects written with one ObjectNames (a JSON
// member's lead, a BSON element's key), made once for the last ObjectNames seen, since the
// rows of a conversion all share theirs. Each encoded name is followed by kSimdPadding
// readable bytes, so that it can be copied with CopyPadded.
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
  // encode(index, utf8Name, bytes) sets bytes to the encoded name; utf8Name is followed by
  // kSimdPadding readable bytes.
  template <class Encode>
  const ObjectNameCache& Get(const ObjectNames& names, Encode&& encode) {
    if (names.Serial() != m_serial)
      Refill(names, encode);
    return *this;
  }

  std::string_view operator[](std::size_t index) const { return m_views[index]; }
  // All names together, with the padding after each.
  std::size_t PaddedSize() const { return m_bytes.size(); }

 private:
  template <class Encode>
  [[gnu::noinline]] void Refill(const ObjectNames& names, Encode& encode) {
    m_bytes.clear();
    std::vector<std::size_t> sizes;
    std::string name;
    for (std::size_t k = 0; k < names.size(); ++k) {
      encode(k, names[k], name);
      m_bytes.append(name);
      m_bytes.append(kSimdPadding, '\0');
      sizes.push_back(name.size());
    }
    // The views are taken once the bytes no longer move.
    m_views.clear();
    const char* at = m_bytes.data();
    for (std::size_t size : sizes) {
      m_views.emplace_back(at, size);
      at += size + kSimdPadding;
    }
    m_serial = names.Serial();
  }

  std::string m_bytes;
  std::vector<std::string_view> m_views;  // of the names in m_bytes
  std::uint64_t m_serial = 0;             // no ObjectNames has serial 0
};
