#include "platform/core/Simd.h"

#include <algorithm>
#include <cstdint>

#if defined(CORVANE_SIMD_X86_DISPATCH)
#include <immintrin.h>
#endif

void StreamCopy(char* out, const char* in, std::size_t count) {
#if defined(CORVANE_SIMD_SSE2)
  // Streaming stores take whole 16-byte units at 16-byte addresses: the bytes before the
  // first such address and after the last are copied as usual.
  const std::size_t head = std::min(count, (16 - reinterpret_cast<std::uintptr_t>(out) % 16) % 16);
  std::memcpy(out, in, head);
  std::size_t done = head;
  for (; count - done >= 64; done += 64) {
    const __m128i a = _mm_loadu_si128(reinterpret_cast<const __m128i*>(in + done));
    const __m128i b = _mm_loadu_si128(reinterpret_cast<const __m128i*>(in + done + 16));
    const __m128i c = _mm_loadu_si128(reinterpret_cast<const __m128i*>(in + done + 32));
    const __m128i d = _mm_loadu_si128(reinterpret_cast<const __m128i*>(in + done + 48));
    _mm_stream_si128(reinterpret_cast<__m128i*>(out + done), a);
    _mm_stream_si128(reinterpret_cast<__m128i*>(out + done + 16), b);
    _mm_stream_si128(reinterpret_cast<__m128i*>(out + done + 32), c);
    _mm_stream_si128(reinterpret_cast<__m128i*>(out + done + 48), d);
  }
  std::memcpy(out + done, in + done, count - done);
  _mm_sfence();
#else
  std::memcpy(out, in, count);
#endif
}

namespace simd {

#if defined(CORVANE_SIMD_X86_DISPATCH)

namespace {

// Every fault of UTF-8 shows in a pair of neighbouring bytes, or in a continuation byte
// where the bytes two or three before it call for one. Each pair is classified by three
// table lookups, on the high and the low half of the first byte and the high half of the
// second; the bits that all three set are the faults the pair has.
constexpr char kTooShort = 1 << 0;   // a lead byte not followed by a continuation byte
constexpr char kTooLong = 1 << 1;    // a continuation byte after an ASCII byte
constexpr char kOverlong3 = 1 << 2;  // E0 80..9F
constexpr char kTooLarge = 1 << 3;   // F4..FF 90..BF
constexpr char kSurrogate = 1 << 4;  // ED A0..BF
constexpr char kOverlong2 = 1 << 5;  // C0..C1 80..BF
constexpr char kFour80 = 1 << 6;     // F0 80..8F (overlong) and F5..FF 80..8F (too large)
constexpr char kTwoConts = -128;     // two continuation bytes: right only as a third or fourth
constexpr char kAlways = kTooShort | kTooLong | kTwoConts;
constexpr char kAbove3 = kAlways | kTooLarge | kFour80;  // low halves of F5..FF
constexpr char kContinuation = kTooLong | kOverlong2 | kTwoConts;

alignas(16) constexpr char kFirstHigh[16] = {kTooLong,
                                             kTooLong,
                                             kTooLong,
                                             kTooLong,
                                             kTooLong,
                                             kTooLong,
                                             kTooLong,
                                             kTooLong,  // ASCII
                                             kTwoConts,
                                             kTwoConts,
                                             kTwoConts,
                                             kTwoConts,  // 8-B
                                             kTooShort | kOverlong2,
                                             kTooShort,                            // C, D
                                             kTooShort | kOverlong3 | kSurrogate,  // E
                                             kTooShort | kTooLarge | kFour80};     // F
alignas(16) constexpr char kFirstLow[16] = {kAlways | kOverlong3 | kOverlong2 | kFour80,
                                            kAlways | kOverlong2,
                                            kAlways,
                                            kAlways,
                                            kAlways | kTooLarge,
                                            kAbove3,
                                            kAbove3,
                                            kAbove3,
                                            kAbove3,
                                            kAbove3,
                                            kAbove3,
                                            kAbove3,
                                            kAbove3,
                                            kAbove3 | kSurrogate,
                                            kAbove3,
                                            kAbove3};
alignas(16) constexpr char kSecondHigh[16] = {kTooShort,
                                              kTooShort,
                                              kTooShort,
                                              kTooShort,
                                              kTooShort,
                                              kTooShort,
                                              kTooShort,
                                              kTooShort,
                                              kContinuation | kOverlong3 | kFour80,    // 80..8F
                                              kContinuation | kOverlong3 | kTooLarge,  // 90..9F
                                              kContinuation | kSurrogate | kTooLarge,  // A0..AF
                                              kContinuation | kSurrogate | kTooLarge,  // B0..BF
                                              kTooShort,
                                              kTooShort,
                                              kTooShort,
                                              kTooShort};
alignas(32) constexpr char kIndex[32] = {0,  1,  2,  3,  4,  5,  6,  7,  8,  9,  10,
                                         11, 12, 13, 14, 15, 16, 17, 18, 19, 20, 21,
                                         22, 23, 24, 25, 26, 27, 28, 29, 30, 31};

__m128i Load16(const char* table) {
  return _mm_load_si128(reinterpret_cast<const __m128i*>(table));
}

// first: each byte's predecessor; third and fourth: the bytes two and three before.
[[gnu::target("ssse3")]] __m128i Faults16(__m128i input, __m128i previous) {
  const __m128i low = _mm_set1_epi8(0x0F);
  const __m128i first = _mm_alignr_epi8(input, previous, 15);
  const __m128i pairs = _mm_and_si128(
      _mm_and_si128(
          _mm_shuffle_epi8(Load16(kFirstHigh), _mm_and_si128(_mm_srli_epi16(first, 4), low)),
          _mm_shuffle_epi8(Load16(kFirstLow), _mm_and_si128(first, low))),
      _mm_shuffle_epi8(Load16(kSecondHigh), _mm_and_si128(_mm_srli_epi16(input, 4), low)));
  // A byte must be a continuation when the one two before is E0 or above (a third byte)
  // or the one three before F0 or above (a fourth byte): the top bit of these tells.
  const __m128i third = _mm_subs_epu8(_mm_alignr_epi8(input, previous, 14),
                                      _mm_set1_epi8(static_cast<char>(0xE0 - 0x80)));
  const __m128i fourth = _mm_subs_epu8(_mm_alignr_epi8(input, previous, 13),
                                       _mm_set1_epi8(static_cast<char>(0xF0 - 0x80)));
  return _mm_xor_si128(pairs, _mm_and_si128(_mm_or_si128(third, fourth), _mm_set1_epi8(kTwoConts)));
}

// The same over 32 bytes: the byte shifts work within 16-byte lanes, so the lane before
// each one is put beside it first.
[[gnu::target("avx2")]] __m256i Faults32(__m256i input, __m256i previous) {
  const __m256i low = _mm256_set1_epi8(0x0F);
  const __m256i before = _mm256_permute2x128_si256(previous, input, 0x21);
  const __m256i first = _mm256_alignr_epi8(input, before, 15);
  const __m256i pairs = _mm256_and_si256(
      _mm256_and_si256(_mm256_shuffle_epi8(_mm256_broadcastsi128_si256(Load16(kFirstHigh)),
                                           _mm256_and_si256(_mm256_srli_epi16(first, 4), low)),
                       _mm256_shuffle_epi8(_mm256_broadcastsi128_si256(Load16(kFirstLow)),
                                           _mm256_and_si256(first, low))),
      _mm256_shuffle_epi8(_mm256_broadcastsi128_si256(Load16(kSecondHigh)),
                          _mm256_and_si256(_mm256_srli_epi16(input, 4), low)));
  const __m256i third = _mm256_subs_epu8(_mm256_alignr_epi8(input, before, 14),
                                         _mm256_set1_epi8(static_cast<char>(0xE0 - 0x80)));
  const __m256i fourth = _mm256_subs_epu8(_mm256_alignr_epi8(input, before, 13),
                                          _mm256_set1_epi8(static_cast<char>(0xF0 - 0x80)));
  return _mm256_xor_si256(
      pairs, _mm256_and_si256(_mm256_or_si256(third, fourth), _mm256_set1_epi8(kTwoConts)));
}

}  // namespace

bool HasUtf8Chunks() {
  static const bool has = __builtin_cpu_supports("ssse3");
  return has;
}

bool HasUtf8WideChunks() {
  static const bool has = __builtin_cpu_supports("avx2");
  return has;
}

[[gnu::target("ssse3")]] bool IsWellFormedUtf8Chunks(const unsigned char* bytes, std::size_t size) {
  __m128i previous = _mm_setzero_si128();
  __m128i faults = _mm_setzero_si128();
  for (std::size_t pos = 0; pos < size; pos += 16) {
    __m128i input = _mm_loadu_si128(reinterpret_cast<const __m128i*>(bytes + pos));
    if (size - pos < 16) {
      // The slack past the end reads as zeros.
      input = _mm_and_si128(
          input, _mm_cmpgt_epi8(_mm_set1_epi8(static_cast<char>(size - pos)), Load16(kIndex)));
    }
    // An ASCII chunk only needs the sequence before it to be complete, which the chunk of
    // zeros at the end checks as well.
    if (_mm_movemask_epi8(_mm_or_si128(input, previous)) != 0)
      faults = _mm_or_si128(faults, Faults16(input, previous));
    previous = input;
    // A long text that is not UTF-8 (a whole block in a single-byte code page) is given up
    // on soon.
    if ((pos & 0xFFF) == 0xFF0 &&
        _mm_movemask_epi8(_mm_cmpeq_epi8(faults, _mm_setzero_si128())) != 0xFFFF)
      return false;
  }
  faults = _mm_or_si128(faults, Faults16(_mm_setzero_si128(), previous));
  return _mm_movemask_epi8(_mm_cmpeq_epi8(faults, _mm_setzero_si128())) == 0xFFFF;
}

[[gnu::target("avx2")]] bool IsWellFormedUtf8WideChunks(const unsigned char* bytes,
                                                        std::size_t size) {
  __m256i previous = _mm256_setzero_si256();
  __m256i faults = _mm256_setzero_si256();
  for (std::size_t pos = 0; pos < size; pos += 32) {
    __m256i input = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(bytes + pos));
    if (size - pos < 32) {
      input = _mm256_and_si256(
          input, _mm256_cmpgt_epi8(_mm256_set1_epi8(static_cast<char>(size - pos)),
                                   _mm256_load_si256(reinterpret_cast<const __m256i*>(kIndex))));
    }
    if (_mm256_movemask_epi8(_mm256_or_si256(input, previous)) != 0)
      faults = _mm256_or_si256(faults, Faults32(input, previous));
    previous = input;
    if ((pos & 0xFFF) == 0xFE0 && _mm256_testz_si256(faults, faults) == 0)
      return false;
  }
  faults = _mm256_or_si256(faults, Faults32(_mm256_setzero_si256(), previous));
  return _mm256_testz_si256(faults, faults) != 0;
}

#else

bool HasUtf8Chunks() {
  return false;
}

bool HasUtf8WideChunks() {
  return false;
}

bool IsWellFormedUtf8Chunks(const unsigned char*, std::size_t) {
  return false;
}

bool IsWellFormedUtf8WideChunks(const unsigned char*, std::size_t) {
  return false;
}

#endif

}  // namespace simd
