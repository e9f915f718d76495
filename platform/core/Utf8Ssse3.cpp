// The UTF-8 check 16 bytes at a time; this file alone is built for SSSE3.
#include "platform/core/Utf8Lanes.h"
#include "platform/core/Utf8Widths.h"

#if defined(CORVANE_UTF8_X86)
#include <tmmintrin.h>

namespace {

using namespace utf8_lanes;

__m128i Table(const char* table) {
  return _mm_load_si128(reinterpret_cast<const __m128i*>(table));
}

struct Lanes16 {
  using Vector = __m128i;
  static constexpr std::size_t kWidth = 16;
  static Vector Zero() { return _mm_setzero_si128(); }
  static Vector Load(const unsigned char* bytes) {
    return _mm_loadu_si128(reinterpret_cast<const __m128i*>(bytes));
  }
  static Vector Or(Vector a, Vector b) { return _mm_or_si128(a, b); }
  static bool HasHigh(Vector v) { return _mm_movemask_epi8(v) != 0; }
  static bool None(Vector v) {
    return _mm_movemask_epi8(_mm_cmpeq_epi8(v, _mm_setzero_si128())) == 0xFFFF;
  }
  // first: each byte's predecessor; third and fourth: the bytes two and three before.
  static Vector Faults(Vector input, Vector previous) {
    const __m128i low = _mm_set1_epi8(0x0F);
    const __m128i first = _mm_alignr_epi8(input, previous, 15);
    const __m128i pairs = _mm_and_si128(
        _mm_and_si128(
            _mm_shuffle_epi8(Table(kFirstHigh), _mm_and_si128(_mm_srli_epi16(first, 4), low)),
            _mm_shuffle_epi8(Table(kFirstLow), _mm_and_si128(first, low))),
        _mm_shuffle_epi8(Table(kSecondHigh), _mm_and_si128(_mm_srli_epi16(input, 4), low)));
    // A byte must be a continuation when the one two before is E0 or above (a third byte)
    // or the one three before F0 or above (a fourth byte): the top bit of these tells.
    const __m128i third = _mm_subs_epu8(_mm_alignr_epi8(input, previous, 14),
                                        _mm_set1_epi8(static_cast<char>(0xE0 - 0x80)));
    const __m128i fourth = _mm_subs_epu8(_mm_alignr_epi8(input, previous, 13),
                                         _mm_set1_epi8(static_cast<char>(0xF0 - 0x80)));
    return _mm_xor_si128(pairs,
                         _mm_and_si128(_mm_or_si128(third, fourth), _mm_set1_epi8(kTwoConts)));
  }
};

}  // namespace

namespace utf8_widths {

bool IsWellFormed16(const unsigned char* bytes, std::size_t size) {
  return utf8_lanes::IsWellFormedIn<Lanes16>(bytes, size);
}

}  // namespace utf8_widths

#endif
