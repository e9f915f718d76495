// The two scans of 8-bit text that the reader makes over every byte, 16 bytes at a time
// with SSE2 (one at a time elsewhere):
// - CSpecialBytes finds the next carriage return, line feed or separator, the bytes
//   where the line rules act; everything before it is text of the current field.
// - WidenAscii copies the ASCII bytes at the start of a text as UTF-16 units, up to the
//   first byte of 0x80 or above, which only UTF-8 decoding can turn into a character.
#pragma once

#include <array>
#include <cstddef>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

class CSpecialBytes {
 public:
  static constexpr unsigned char kCarriageReturn = 13;
  static constexpr unsigned char kLineFeed = 10;

  explicit CSpecialBytes(char16_t separator = u'\t') { SetSeparator(separator); }

  // A separator beyond ASCII is no byte of its own: the reader finds it among the decoded
  // characters. Standing in for it, the carriage return is tested twice.
  void SetSeparator(char16_t separator) {
    m_separator = separator < 0x80 ? static_cast<unsigned char>(separator) : kCarriageReturn;
    m_special.fill(false);
    m_special[kCarriageReturn] = m_special[kLineFeed] = m_special[m_separator] = true;
  }

  // Number of bytes at the start of [bytes, bytes + size) before the first special one;
  // size when there is none.
  std::size_t Find(const unsigned char* bytes, std::size_t size) const {
    std::size_t pos = 0;
#if defined(__SSE2__)
    const __m128i carriageReturn = _mm_set1_epi8(static_cast<char>(kCarriageReturn));
    const __m128i lineFeed = _mm_set1_epi8(static_cast<char>(kLineFeed));
    const __m128i separator = _mm_set1_epi8(static_cast<char>(m_separator));
    for (; size - pos >= 16; pos += 16) {
      const __m128i chunk = _mm_loadu_si128(reinterpret_cast<const __m128i*>(bytes + pos));
      const __m128i special = _mm_or_si128(
          _mm_or_si128(_mm_cmpeq_epi8(chunk, carriageReturn), _mm_cmpeq_epi8(chunk, lineFeed)),
          _mm_cmpeq_epi8(chunk, separator));
      const int mask = _mm_movemask_epi8(special);
      if (mask != 0)
        return pos + static_cast<std::size_t>(__builtin_ctz(static_cast<unsigned>(mask)));
    }
#endif
    while (pos < size && !m_special[bytes[pos]])
      ++pos;
    return pos;
  }

 private:
  std::array<bool, 256> m_special{};
  unsigned char m_separator = kCarriageReturn;
};

// Room that WidenAscii may use past the units it reports.
constexpr std::size_t kWidenSlack = 16;

// Copies the ASCII bytes at the start of [bytes, bytes + count) to out as UTF-16 units and
// returns how many there were. It may read up to readable bytes (readable >= count) and
// write up to count + kWidenSlack units: whole chunks are widened before their length is
// known.
inline std::size_t WidenAscii(const unsigned char* bytes, std::size_t count,
                              [[maybe_unused]] std::size_t readable, char16_t* out) {
  std::size_t pos = 0;
#if defined(__SSE2__)
  const __m128i zero = _mm_setzero_si128();
  while (pos < count && readable - pos >= 16) {
    const __m128i chunk = _mm_loadu_si128(reinterpret_cast<const __m128i*>(bytes + pos));
    _mm_storeu_si128(reinterpret_cast<__m128i*>(out + pos), _mm_unpacklo_epi8(chunk, zero));
    _mm_storeu_si128(reinterpret_cast<__m128i*>(out + pos + 8), _mm_unpackhi_epi8(chunk, zero));
    // The top bit of a byte is set exactly for 0x80 and above.
    const int mask = _mm_movemask_epi8(chunk);
    if (mask != 0) {
      pos += static_cast<std::size_t>(__builtin_ctz(static_cast<unsigned>(mask)));
      return pos < count ? pos : count;
    }
    pos += 16;
  }
#endif
  while (pos < count && bytes[pos] < 0x80) {
    out[pos] = bytes[pos];
    ++pos;
  }
  return pos < count ? pos : count;
}
