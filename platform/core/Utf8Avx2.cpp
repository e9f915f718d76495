// The UTF-8 check 32 bytes at a time; this file alone is built for AVX2.
#include "platform/core/Utf8Lanes.h"
#include "platform/core/Utf8Widths.h"

#if defined(CORVANE_UTF8_X86)
#include <immintrin.h>

namespace {

using namespace utf8_lanes;

__m256i Table(const char* table) {
  return _mm256_broadcastsi128_si256(_mm_load_si128(reinterpret_cast<const __m128i*>(table)));
}

struct Lanes32 {
  using Vector = __m256i;
  static constexpr std::size_t kWidth = 32;
  static Vector Zero() { return _mm256_setzero_si256(); }
  static Vector Load(const unsigned char* bytes) {
    return _mm256_loadu_si256(reinterpret_cast<const __m256i*>(bytes));
  }
  static Vector Or(Vector a, Vector b) { return _mm256_or_si256(a, b); }
  static bool HasHigh(Vector v) { return _mm256_movemask_epi8(v) != 0; }
  static bool None(Vector v) { return _mm256_testz_si256(v, v) != 0; }
  // The byte shifts work within 16-byte lanes, so the lane before each one is put beside
  // it first; the rest is the 16-byte way's.
  static Vector Faults(Vector input, Vector previous) {
    const __m256i low = _mm256_set1_epi8(0x0F);
    const __m256i before = _mm256_permute2x128_si256(previous, input, 0x21);
    const __m256i first = _mm256_alignr_epi8(input, before, 15);
    const __m256i pairs = _mm256_and_si256(
        _mm256_and_si256(_mm256_shuffle_epi8(Table(kFirstHigh),
                                             _mm256_and_si256(_mm256_srli_epi16(first, 4), low)),
                         _mm256_shuffle_epi8(Table(kFirstLow), _mm256_and_si256(first, low))),
        _mm256_shuffle_epi8(Table(kSecondHigh),
                            _mm256_and_si256(_mm256_srli_epi16(input, 4), low)));
    const __m256i third = _mm256_subs_epu8(_mm256_alignr_epi8(input, before, 14),
                                           _mm256_set1_epi8(static_cast<char>(0xE0 - 0x80)));
    const __m256i fourth = _mm256_subs_epu8(_mm256_alignr_epi8(input, before, 13),
                                            _mm256_set1_epi8(static_cast<char>(0xF0 - 0x80)));
    return _mm256_xor_si256(
        pairs, _mm256_and_si256(_mm256_or_si256(third, fourth), _mm256_set1_epi8(kTwoConts)));
  }
};

}  // namespace

namespace utf8_widths {

bool IsWellFormed32(const unsigned char* bytes, std::size_t size) {
  return utf8_lanes::IsWellFormedIn<Lanes32>(bytes, size);
}

}  // namespace utf8_widths

#endif
