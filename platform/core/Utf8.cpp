#include "platform/core/Utf8.h"

#include <cstdint>
#include <cstring>

#include "platform/core/Simd.h"

namespace utf8 {

bool IsWellFormedBytewise(const unsigned char* bytes, std::size_t size) {
  std::size_t pos = 0;
  while (pos < size) {
    // ASCII eight bytes at a time: the top bit of a byte is set from 0x80 on.
    std::uint64_t word;
    if (size - pos >= 8 &&
        (std::memcpy(&word, bytes + pos, 8), (word & 0x8080808080808080u) == 0)) {
      pos += 8;
      continue;
    }
    const Decoded decoded = Decode(bytes + pos, size - pos, true);
    if (!decoded.wellFormed)
      return false;
    pos += decoded.used;
  }
  return true;
}

bool IsWellFormed(const unsigned char* bytes, std::size_t size) {
  if (simd::HasUtf8WideChunks())
    return simd::IsWellFormedUtf8WideChunks(bytes, size);
  if (simd::HasUtf8Chunks())
    return simd::IsWellFormedUtf8Chunks(bytes, size);
  return IsWellFormedBytewise(bytes, size);
}

CString DecodeLikeSource(std::string_view bytes) {
  const auto* begin = reinterpret_cast<const unsigned char*>(bytes.data());
  std::u16string text;
  text.reserve(bytes.size());
  for (std::size_t pos = 0; pos < bytes.size();) {
    const Decoded decoded = Decode(begin + pos, bytes.size() - pos, true);
    AppendUtf16(decoded.codePoint, text);
    pos += decoded.used;
  }
  return CString(std::move(text));
}

}  // namespace utf8
