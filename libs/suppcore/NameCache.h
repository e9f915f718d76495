// NameCache: the encoded form of the member names by position in their object. Rows of a
// conversion repeat the same names in the same order, so each name is compared with the
// one seen at its position and its bytes are reused instead of being encoded again for
// every row. The context (the depth of the object, an element type)
// is part of the key, for encoders whose bytes depend on more than the name.
//
// Every returned view is followed by kPadding readable bytes, so that a caller can copy a
// short name with one fixed-size copy instead of a call sized at run time.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstring>
#include <string>
#include <string_view>
#include <vector>

#include "libs/suppcore/ObjectNames.h"

class NameCache {
 public:
  static constexpr size_t kPadding = 32;

  // Writes a name the cache returned at out: a short one in one fixed-size copy, which its
  // padding allows. Returns the end of the name; out needs kPadding bytes of room past it.
  static char* Put(char* out, std::string_view encoded) {
    if (encoded.size() <= kPadding)
      std::memcpy(out, encoded.data(), kPadding);
    else
      std::memcpy(out, encoded.data(), encoded.size());
    return out + encoded.size();
  }

  // encode(name, out) fills out with the encoded name.
  template <class Encode>
  std::string_view Get(size_t index, size_t context, std::u16string_view name, Encode&& encode) {
    // The same name at the same position as last time is the case of every row but the
    // first: kept short so that it stays cheap.
    if (index < m_entries.size()) {
      const Entry& entry = m_entries[index];
      if (entry.context == context && SameName(entry.name, name))
        return {entry.encoded.data(), entry.size};
    }
    return Refill(index, context, name, encode);
  }

 private:
  struct Entry {
    std::u16string name;
    std::string encoded;  // followed by kPadding bytes
    size_t size = 0;      // of the encoded name
    // No context is this large: a new entry matches nothing until it is filled.
    size_t context = SIZE_MAX;
  };

  static bool SameName(const std::u16string& cached, std::u16string_view name) {
    return cached.size() == name.size() &&
           std::memcmp(cached.data(), name.data(), name.size() * sizeof(char16_t)) == 0;
  }

  // Out of line, so that the frequent path of Get needs no stack frame of its own.
  template <class Encode>
  [[gnu::noinline]] std::string_view Refill(size_t index, size_t context, std::u16string_view name,
                                            Encode& encode) {
    // Objects with more members than this are not what repeats row by row; encoding their
    // far members every time keeps the cache from growing with one huge object.
    constexpr size_t kMaxPositions = 4096;
    if (index >= kMaxPositions)
      return Encoded(m_scratch, name, encode);
    if (index >= m_entries.size())
      m_entries.resize(index + 1);
    Entry& entry = m_entries[index];
    entry.name.assign(name);
    entry.context = context;
    entry.size = Encoded(entry.encoded, name, encode).size();
    return {entry.encoded.data(), entry.size};
  }

  template <class Encode>
  static std::string_view Encoded(std::string& bytes, std::u16string_view name, Encode& encode) {
    encode(name, bytes);
    const size_t size = bytes.size();
    bytes.append(kPadding, '\0');
    return {bytes.data(), size};
  }

  std::vector<Entry> m_entries;
  std::string m_scratch;
};

// The encoded names of the objects written whole with one ObjectNames: all of them in
// one buffer, made once for the last ObjectNames and context seen. Each is followed by
// NameCache::kPadding readable bytes, as in NameCache.
class ObjectNameCache {
 public:
  // encode(index, name, out) fills out with the encoded name of position index.
  template <class Encode>
  const ObjectNameCache& Get(const ObjectNames& names, size_t context, Encode&& encode) {
    if (names.Serial() != m_serial || context != m_context)
      Refill(names, context, encode);
    return *this;
  }

  std::string_view operator[](size_t index) const { return m_views[index]; }
  // All names together, with the padding after each.
  size_t PaddedSize() const { return m_bytes.size(); }

 private:
  template <class Encode>
  [[gnu::noinline]] void Refill(const ObjectNames& names, size_t context, Encode& encode) {
    m_bytes.clear();
    std::vector<size_t> sizes;
    std::string name;
    for (size_t k = 0; k < names.size(); ++k) {
      encode(k, names[k], name);
      m_bytes.append(name);
      m_bytes.append(NameCache::kPadding, '\0');
      sizes.push_back(name.size());
    }
    // The views are taken once the bytes no longer move.
    m_views.clear();
    const char* at = m_bytes.data();
    for (size_t size : sizes) {
      m_views.emplace_back(at, size);
      at += size + NameCache::kPadding;
    }
    m_serial = names.Serial();
    m_context = context;
  }

  std::string m_bytes;
  std::vector<std::string_view> m_views;  // of the names in m_bytes
  std::uint64_t m_serial = 0;             // no ObjectNames has serial 0
  size_t m_context = SIZE_MAX;
};
