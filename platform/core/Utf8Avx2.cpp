// The UTF-8 check 32 bytes at a time; this file alone is built for AVX2.
#include "platform/core/Utf8Lanes.h"
#include "platform/core/Utf8Widths.h"

#if defined(CORVANE_UTF8_X86)
#include <immintrin.h>

namespace {

struct Lanes32 {
  using Vector = __m256i;
  static constexpr std::size_t kWidth = 32;
  static Vector Zero() { return _mm256_setzero_si256(); }
  static Vector Splat(char byte) { return _mm256_set1_epi8(byte); }
  static Vector Load(const unsigned char* bytes) {
    return _mm256_loadu_si256(reinterpret_cast<const __m256i*>(bytes));
  }
  static Vector And(Vector a, Vector b) { return _mm256_and_si256(a, b); }
  static Vector Or(Vector a, Vector b) { return _mm256_or_si256(a, b); }
  static Vector Xor(Vector a, Vector b) { return _mm256_xor_si256(a, b); }
  static Vector HighNibbles(Vector v) {
    return _mm256_and_si256(_mm256_srli_epi16(v, 4), Splat(0x0F));
  }
  static Vector LowNibbles(Vector v) { return _mm256_and_si256(v, Splat(0x0F)); }
  // The table in both 16-byte lanes, as the shuffle looks up within each.
  static Vector Lookup(const char* table, Vector v) {
    return _mm256_shuffle_epi8(
        _mm256_broadcastsi128_si256(_mm_load_si128(reinterpret_cast<const __m128i*>(table))), v);
  }
  // The byte shifts work within 16-byte lanes, so the lane before each one is put beside
  // it first.
  template <int n>
  static Vector Before(Vector input, Vector previous) {
    return _mm256_alignr_epi8(input, _mm256_permute2x128_si256(previous, input, 0x21), 16 - n);
  }
  static Vector SubtractSaturated(Vector v, unsigned char byte) {
    return _mm256_subs_epu8(v, Splat(static_cast<char>(byte)));
  }
  static bool HasHigh(Vector v) { return _mm256_movemask_epi8(v) != 0; }
  static bool None(Vector v) { return _mm256_testz_si256(v, v) != 0; }
};

}  // namespace

namespace utf8_widths {

bool IsWellFormed32(const unsigned char* bytes, std::size_t size) {
  return utf8_lanes::IsWellFormedIn<Lanes32>(bytes, size);
}

}  // namespace utf8_widths

#endif
