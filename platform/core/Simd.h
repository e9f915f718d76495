// Simd.h: the project's vector primitives, each with its scalar fallback, in one place.
//
// Sections: the instruction set (chosen once, below), the padding rule every primitive
// shares, then the primitives grouped by what they serve. A new primitive goes into the
// section of its job, follows the padding rule, and has its scalar fallback beside it.
#pragma once

#include <bit>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <string_view>

// ---- Instruction set ---------------------------------------------------------------------
// SSE2 is part of every x86-64 processor. CORVANE_NO_SIMD (the CMake option CORVANE_SIMD
// set to OFF) compiles the scalar fallbacks instead, so that they are built and tested too.
#if defined(__SSE2__) && !defined(CORVANE_NO_SIMD)
#define CORVANE_SIMD_SSE2 1
#include <emmintrin.h>
#endif
// The carry-less multiply (PCLMUL), for the inside of quotes, where the build targets it
// (-mpclmul, -march=native): it serves a few instructions a block, which a call chosen at
// run time would cost more than the shifts that stand in for it.
#if defined(__SSE2__) && defined(__PCLMUL__) && !defined(CORVANE_NO_SIMD)
#define CORVANE_SIMD_CLMUL 1
#include <wmmintrin.h>
#endif

// ---- Padding -----------------------------------------------------------------------------
// Every text handed to a vector primitive is followed by kSimdPadding readable bytes (of
// any value), and a primitive may write up to kSimdPadding bytes past the end it returns.
// Whole chunks are then loaded and stored without a check for the text's end.
inline constexpr std::size_t kSimdPadding = 64;

// ---- Copies ------------------------------------------------------------------------------

// Copies text to out; returns the end of the copy.
inline char* CopyPadded(char* out, std::string_view text) {
#if defined(CORVANE_SIMD_SSE2)
  for (std::size_t done = 0; done < text.size(); done += 16)
    _mm_storeu_si128(reinterpret_cast<__m128i*>(out + done),
                     _mm_loadu_si128(reinterpret_cast<const __m128i*>(text.data() + done)));
#else
  std::memcpy(out, text.data(), text.size());
#endif
  return out + text.size();
}

// Copies the bytes up to the first that is not ASCII (all count when there is none) to out;
// returns how many. Reads nothing past count; may write 16 bytes past the copy.
inline std::size_t CopyAsciiPadded(char* out, const unsigned char* bytes, std::size_t count) {
  std::size_t done = 0;
#if defined(CORVANE_SIMD_SSE2)
  for (; count - done >= 16; done += 16) {
    const __m128i chunk = _mm_loadu_si128(reinterpret_cast<const __m128i*>(bytes + done));
    _mm_storeu_si128(reinterpret_cast<__m128i*>(out + done), chunk);
    if (const auto high = static_cast<unsigned>(_mm_movemask_epi8(chunk)); high != 0)
      return done + static_cast<std::size_t>(std::countr_zero(high));
  }
#endif
  for (; done < count && bytes[done] < 0x80; ++done)
    out[done] = static_cast<char>(bytes[done]);
  return done;
}

// Copies count bytes to out for another core to read next. The copy goes around this
// core's caches: out's lines are not fetched here first (nor kept), so that refilling a
// buffer the other core has just read does not wait on that core each line. No padding
// needed; a fence at the end orders the copy before the stores that hand out over.
void StreamCopy(char* out, const char* in, std::size_t count);

// ---- JSON strings ------------------------------------------------------------------------

// Bytes of output per byte of text at most: "\u001f".
inline constexpr std::size_t kMaxJsonBytesPerByte = 6;

// Writes the JSON escape of a byte that needs one: '"', '\\' or a control character (the
// short forms \b \f \n \r \t, \u00XX for the others).
inline char* PutJsonEscape(char* out, unsigned char byte) {
  static constexpr char kHex[] = "0123456789abcdef";
  *out++ = '\\';
  switch (byte) {
    case '"':
    case '\\':
      *out++ = static_cast<char>(byte);
      return out;
    case '\b':
      *out++ = 'b';
      return out;
    case '\f':
      *out++ = 'f';
      return out;
    case '\n':
      *out++ = 'n';
      return out;
    case '\r':
      *out++ = 'r';
      return out;
    case '\t':
      *out++ = 't';
      return out;
    default:
      std::memcpy(out, "u00", 3);
      out[3] = kHex[byte >> 4];
      out[4] = kHex[byte & 0xF];
      return out + 5;
  }
}

// Writes UTF-8 text as the inside of a JSON string: '"', '\\' and the control characters
// escaped, every other byte as it is. Needs kMaxJsonBytesPerByte bytes of room per byte of
// text; returns the end of the output.
inline char* EscapeJsonPadded(char* out, std::string_view text) {
  const auto* pos = reinterpret_cast<const unsigned char*>(text.data());
  std::size_t left = text.size();
#if defined(CORVANE_SIMD_SSE2)
  for (;;) {
    // Stored before it is tested: a chunk without escapes is then done.
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
    const auto plain = static_cast<std::size_t>(__builtin_ctz(mask));
    out = PutJsonEscape(out + plain, pos[plain]);
    pos += plain + 1;
    left -= plain + 1;
  }
#else
  for (; left > 0; --left, ++pos) {
    if (*pos < 0x20 || *pos == '"' || *pos == '\\')
      out = PutJsonEscape(out, *pos);
    else
      *out++ = static_cast<char>(*pos);
  }
  return out;
#endif
}

namespace simd {

// ---- Splitting lines ----------------------------------------------------------------

// Marks in a block of 64 bytes (bit k for byte k; the first count <= 64 of them) the
// separator's first byte, the double quotes, and the bytes where the other line rules act:
// carriage returns and NULs, together. A line is cut a block at a time, so that the loop
// over its separators ends, mispredicted, once a block rather than once every 16 bytes.
// Without kQuotesApart the quotes are among the others, for a reader to whom they are as
// rare, at one compare less.
struct BlockMasks {
  std::uint64_t separators = 0;
  std::uint64_t quotes = 0;
  std::uint64_t others = 0;
};

template <bool kQuotesApart>
inline BlockMasks BlockMasksOf(const unsigned char* bytes, std::size_t count,
                               unsigned char separator) {
  BlockMasks masks;
  const std::uint64_t valid = count < 64 ? (std::uint64_t{1} << count) - 1 : ~std::uint64_t{0};
#if defined(CORVANE_SIMD_SSE2)
  const __m128i lead = _mm_set1_epi8(static_cast<char>(separator));
  auto bits = [](__m128i matches, unsigned part) {
    return std::uint64_t{static_cast<unsigned>(_mm_movemask_epi8(matches))} << (16 * part);
  };
  for (unsigned part = 0; part < 4; ++part) {
    const __m128i chunk = _mm_loadu_si128(reinterpret_cast<const __m128i*>(bytes + 16 * part));
    const __m128i quotes = _mm_cmpeq_epi8(chunk, _mm_set1_epi8('"'));
    __m128i others = _mm_or_si128(_mm_cmpeq_epi8(chunk, _mm_set1_epi8('\r')),
                                  _mm_cmpeq_epi8(chunk, _mm_setzero_si128()));
    if constexpr (kQuotesApart)
      masks.quotes |= bits(quotes, part);
    else
      others = _mm_or_si128(others, quotes);
    masks.separators |= bits(_mm_cmpeq_epi8(chunk, lead), part);
    masks.others |= bits(others, part);
  }
#else
  for (std::size_t k = 0; k < count; ++k) {
    const std::uint64_t bit = std::uint64_t{1} << k;
    masks.separators |= bytes[k] == separator ? bit : 0;
    const std::uint64_t quote = bytes[k] == '"' ? bit : 0;
    masks.quotes |= kQuotesApart ? quote : 0;
    masks.others |= (bytes[k] == '\r' || bytes[k] == 0 ? bit : 0) | (kQuotesApart ? 0 : quote);
  }
#endif
  masks.separators &= valid;
  masks.quotes &= valid;
  masks.others &= valid;
  return masks;
}

// Bit k of the result is the XOR of bits 0 to k. Of a block's quote bits, it marks the
// bytes inside quotes: an opening quote and what follows it, up to its closing quote.
inline std::uint64_t PrefixXor(std::uint64_t bits) {
#if defined(CORVANE_SIMD_CLMUL)
  // A carry-less multiply by all ones adds (XORs) each bit into every higher one.
  return static_cast<std::uint64_t>(_mm_cvtsi128_si64(
      _mm_clmulepi64_si128(_mm_set_epi64x(0, static_cast<long long>(bits)), _mm_set1_epi8(-1), 0)));
#else
  for (unsigned shift = 1; shift < 64; shift *= 2)
    bits ^= bits << shift;
  return bits;
#endif
}

// ---- Typed values ------------------------------------------------------------------------

// Marks in the first 16 bytes of a text (bit k for byte k) the bytes a number is made of:
// ASCII digits, '-', '.' and 'e' or 'E'. All 16 bytes are read, the text's own and its
// padding's.
struct NumberMasks {
  unsigned digits = 0;
  unsigned minuses = 0;
  unsigned dots = 0;
  unsigned exponents = 0;
};

inline NumberMasks NumberMasksOf(const char* text) {
  NumberMasks masks;
#if defined(CORVANE_SIMD_SSE2)
  const __m128i chunk = _mm_loadu_si128(reinterpret_cast<const __m128i*>(text));
  auto mask = [](__m128i bytes) { return static_cast<unsigned>(_mm_movemask_epi8(bytes)); };
  // Signed compares: bytes from 0x80 on are negative, below '0'.
  masks.digits = mask(_mm_and_si128(_mm_cmpgt_epi8(chunk, _mm_set1_epi8('0' - 1)),
                                    _mm_cmplt_epi8(chunk, _mm_set1_epi8('9' + 1))));
  masks.minuses = mask(_mm_cmpeq_epi8(chunk, _mm_set1_epi8('-')));
  masks.dots = mask(_mm_cmpeq_epi8(chunk, _mm_set1_epi8('.')));
  masks.exponents =
      mask(_mm_cmpeq_epi8(_mm_or_si128(chunk, _mm_set1_epi8(0x20)), _mm_set1_epi8('e')));
#else
  for (unsigned k = 0; k < 16; ++k) {
    const unsigned bit = 1u << k;
    masks.digits |= text[k] >= '0' && text[k] <= '9' ? bit : 0;
    masks.minuses |= text[k] == '-' ? bit : 0;
    masks.dots |= text[k] == '.' ? bit : 0;
    masks.exponents |= text[k] == 'e' || text[k] == 'E' ? bit : 0;
  }
#endif
  return masks;
}

}  // namespace simd
