// The UTF-8 check 16 bytes at a time; this file alone is built for SSSE3.
#include "platform/core/Utf8Lanes.h"
#include "platform/core/Utf8Widths.h"

#if defined(CORVANE_UTF8_X86)
#include <tmmintrin.h>

namespace {

struct Lanes16 {
  using Vector = __m128i;
  static constexpr std::size_t kWidth = 16;
  static Vector Zero() { return _mm_setzero_si128(); }
  static Vector Splat(char byte) { return _mm_set1_epi8(byte); }
  static Vector Load(const unsigned char* bytes) {
    return _mm_loadu_si128(reinterpret_cast<const __m128i*>(bytes));
  }
  static Vector And(Vector a, Vector b) { return _mm_and_si128(a, b); }
  static Vector Or(Vector a, Vector b) { return _mm_or_si128(a, b); }
  static Vector Xor(Vector a, Vector b) { return _mm_xor_si128(a, b); }
  static Vector HighNibbles(Vector v) { return _mm_and_si128(_mm_srli_epi16(v, 4), Splat(0x0F)); }
  static Vector LowNibbles(Vector v) { return _mm_and_si128(v, Splat(0x0F)); }
  static Vector Lookup(const char* table, Vector v) {
    return _mm_shuffle_epi8(_mm_load_si128(reinterpret_cast<const __m128i*>(table)), v);
  }
  template <int n>
  static Vector Before(Vector input, Vector previous) {
    return _mm_alignr_epi8(input, previous, 16 - n);
  }
  static Vector SubtractSaturated(Vector v, unsigned char byte) {
    return _mm_subs_epu8(v, Splat(static_cast<char>(byte)));
  }
  static bool HasHigh(Vector v) { return _mm_movemask_epi8(v) != 0; }
  static bool None(Vector v) { return _mm_movemask_epi8(_mm_cmpeq_epi8(v, Zero())) == 0xFFFF; }
};

}  // namespace

namespace utf8_widths {

bool IsWellFormed16(const unsigned char* bytes, std::size_t size) {
  return utf8_lanes::IsWellFormedIn<Lanes16>(bytes, size);
}

}  // namespace utf8_widths

#endif
