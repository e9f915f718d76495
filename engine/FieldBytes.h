// The byte-level pieces of the fast path (FastRows): marking the bytes of a line that
// matter 16 at a time, and the text of a field that is not simply its own bytes.
#pragma once

#include <cstddef>
#include <string_view>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

namespace fieldbytes {

constexpr unsigned char kCarriageReturn = 13;
constexpr unsigned char kLineFeed = 10;

// Marks in a chunk of bytes (count <= 16) the separators, the bytes from 0x80 on (high)
// and the carriage returns and NULs (breaks): a field's text is its bytes unless it holds
// a break, or high bytes that are not well-formed UTF-8.
struct ChunkMasks {
  unsigned separators = 0;
  unsigned high = 0;
  unsigned breaks = 0;
  unsigned quotes = 0;  // double quotes, which the ends of a value lose
};

// Reads 16 bytes from bytes on, of which the first count (<= 16) are marked: the rest are
// readable slack past a line's end.
inline ChunkMasks MasksOf(const unsigned char* bytes, std::size_t count, unsigned char separator) {
  ChunkMasks masks;
#if defined(__SSE2__)
  const unsigned valid = count < 16 ? (1u << count) - 1 : 0xFFFFu;
  const __m128i chunk = _mm_loadu_si128(reinterpret_cast<const __m128i*>(bytes));
  masks.separators = valid & static_cast<unsigned>(_mm_movemask_epi8(_mm_cmpeq_epi8(
                                 chunk, _mm_set1_epi8(static_cast<char>(separator)))));
  masks.high = valid & static_cast<unsigned>(_mm_movemask_epi8(chunk));
  masks.quotes =
      valid & static_cast<unsigned>(_mm_movemask_epi8(_mm_cmpeq_epi8(chunk, _mm_set1_epi8('"'))));
  masks.breaks = valid & static_cast<unsigned>(_mm_movemask_epi8(
                             _mm_or_si128(_mm_cmpeq_epi8(chunk, _mm_set1_epi8(kCarriageReturn)),
                                          _mm_cmpeq_epi8(chunk, _mm_setzero_si128()))));
#else
  for (std::size_t k = 0; k < count; ++k) {
    if (bytes[k] == separator)
      masks.separators |= 1u << k;
    else if (bytes[k] >= 0x80)
      masks.high |= 1u << k;
    else if (bytes[k] == kCarriageReturn || bytes[k] == 0)
      masks.breaks |= 1u << k;
    else if (bytes[k] == '"')
      masks.quotes |= 1u << k;
  }
#endif
  return masks;
}

// The field's characters as UTF-8: the bytes themselves when they are already that (no
// carriage return, well-formed UTF-8), else written to scratch, which has room for two
// bytes per field byte.
std::string_view FieldText(const unsigned char* bytes, std::size_t size, char*& scratch);

// A value as the writer receives it, once cut at its first NUL: without the double quotes
// at either end.
inline std::string_view WithoutQuotes(std::string_view text) {
  while (!text.empty() && text.front() == '"')
    text.remove_prefix(1);
  while (!text.empty() && text.back() == '"')
    text.remove_suffix(1);
  return text;
}

}  // namespace fieldbytes
