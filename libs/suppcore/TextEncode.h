// Encoding of UTF-16 texts for the writer: plain UTF-8 (BSON) and UTF-8 with JSON string
// escapes. Both write into memory the caller has reserved, the stated number of bytes per
// UTF-16 unit, so the loops over the characters never allocate; they may use all of it as
// scratch space, also beyond the end they return. A surrogate pair becomes one 4-byte
// sequence; a lone surrogate becomes U+FFFD.
#pragma once

#include <cstddef>
#include <cstring>
#include <string_view>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

// Bytes per UTF-16 unit at most: "\u001f" for JSON, 3 bytes of UTF-8 otherwise (a pair of
// units gives 4 bytes, U+FFFD for one lone unit gives 3).
constexpr size_t kMaxJsonBytesPerUnit = 6;
constexpr size_t kMaxUtf8BytesPerUnit = 3;

// Writes text as the inside of a JSON string: '"', '\\' and control characters escaped
// (short forms for \b \f \n \r \t, \u00XX for the others). Returns the end of the output.
char* EscapeJson(char* out, std::u16string_view text);
// The same for text that is UTF-8 already: bytes from 0x80 on are copied as they are.
// Needs kMaxJsonBytesPerUnit bytes per byte of text.
char* EscapeJsonUtf8(char* out, std::string_view text);
// The same for text followed by kTextSlack readable bytes, which it may read and ignore:
// short texts go in whole chunks rather than byte by byte. Writes up to kTextSlack bytes
// past the end it returns.
constexpr size_t kTextSlack = 16;
// Inline, since it takes every value of a row written whole.
inline char* EscapeJsonUtf8Padded(char* out, std::string_view text);
// Copies text followed by kTextSlack readable bytes; writes up to kTextSlack bytes past
// the end it returns.
inline char* CopyPadded(char* out, std::string_view text);
// Writes the JSON escape of an ASCII byte that needs one.
char* PutJsonEscape(char* out, unsigned char byte);
// Writes text as UTF-8 without any escapes. Returns the end of the output.
char* EncodeUtf8(char* out, std::u16string_view text);

// Length of the first piece of text of about maxUnits units (at least one) that does not
// end between the two units of a surrogate pair; long texts are encoded piece by piece so
// that the memory reserved for them stays bounded.
size_t PieceLength(std::u16string_view text, size_t maxUnits);

inline char* EscapeJsonUtf8Padded(char* out, std::string_view text) {
#if defined(__SSE2__)
  const auto* pos = reinterpret_cast<const unsigned char*>(text.data());
  size_t left = text.size();
  for (;;) {
    const __m128i chunk = _mm_loadu_si128(reinterpret_cast<const __m128i*>(pos));
    _mm_storeu_si128(reinterpret_cast<__m128i*>(out), chunk);
    // Control bytes are those that the unsigned minimum with 0x1F leaves unchanged.
    const __m128i control = _mm_cmpeq_epi8(_mm_min_epu8(chunk, _mm_set1_epi8(0x1F)), chunk);
    const __m128i special =
        _mm_or_si128(control, _mm_or_si128(_mm_cmpeq_epi8(chunk, _mm_set1_epi8('"')),
                                           _mm_cmpeq_epi8(chunk, _mm_set1_epi8('\\'))));
    auto mask = static_cast<unsigned>(_mm_movemask_epi8(special));
    if (left <= 16) {
      // The last chunk, the only one of most values: bits past the text's end are dropped.
      mask &= (1u << left) - 1;
      if (mask == 0)
        return out + left;
    } else if (mask == 0) {
      out += 16;
      pos += 16;
      left -= 16;
      continue;
    }
    const auto plain = static_cast<size_t>(__builtin_ctz(mask));
    out = PutJsonEscape(out + plain, pos[plain]);
    pos += plain + 1;
    left -= plain + 1;
  }
#else
  return EscapeJsonUtf8(out, text);
#endif
}

inline char* CopyPadded(char* out, std::string_view text) {
#if defined(__SSE2__)
  for (size_t done = 0; done < text.size(); done += 16)
    _mm_storeu_si128(reinterpret_cast<__m128i*>(out + done),
                     _mm_loadu_si128(reinterpret_cast<const __m128i*>(text.data() + done)));
  return out + text.size();
#else
  std::memcpy(out, text.data(), text.size());
  return out + text.size();
#endif
}
