#include "engine/Utf8Check.h"

#include <cstdint>
#include <cstring>

#if defined(__x86_64__) || defined(__i386__)
#include <immintrin.h>
#define CORVANE_UTF8_CHUNKS 1
#endif

bool IsWellFormedUtf8Bytewise(const unsigned char* bytes, std::size_t size) {
  std::size_t pos = 0;
  for (;;) {
    // ASCII eight bytes at a time: the top bit of a byte is set from 0x80 on.
    while (size - pos >= 8) {
      std::uint64_t word;
      std::memcpy(&word, bytes + pos, 8);
      if ((word & 0x8080808080808080u) != 0)
        break;
      pos += 8;
    }
    while (pos < size && bytes[pos] < 0x80)
      ++pos;
    if (pos == size)
      return true;
    const unsigned char lead = bytes[pos];
    std::size_t length = 0;
    unsigned char low = 0x80, high = 0xBF;  // range of the second byte
    if (lead < 0xC2) {
      return false;
    } else if (lead <= 0xDF) {
      length = 2;
    } else if (lead <= 0xEF) {
      length = 3;
      low = lead == 0xE0 ? 0xA0 : 0x80;   // shorter forms exist
      high = lead == 0xED ? 0x9F : 0xBF;  // surrogates
    } else if (lead <= 0xF4) {
      length = 4;
      low = lead == 0xF0 ? 0x90 : 0x80;   // shorter forms exist
      high = lead == 0xF4 ? 0x8F : 0xBF;  // above U+10FFFF
    } else {
      return false;
    }
    if (size - pos < length || bytes[pos + 1] < low || bytes[pos + 1] > high)
      return false;
    for (std::size_t k = 2; k < length; ++k) {
      if ((bytes[pos + k] & 0xC0) != 0x80)
        return false;
    }
    pos += length;
  }
}

#if defined(CORVANE_UTF8_CHUNKS)

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

[[gnu::target("ssse3")]] __m128i HighHalves(__m128i bytes) {
  return _mm_and_si128(_mm_srli_epi16(bytes, 4), _mm_set1_epi8(0x0F));
}

[[gnu::target("ssse3")]] __m128i Faults(__m128i input, __m128i previous) {
  const __m128i firstHigh = _mm_setr_epi8(kTooLong, kTooLong, kTooLong, kTooLong, kTooLong,
                                          kTooLong, kTooLong, kTooLong,                // ASCII
                                          kTwoConts, kTwoConts, kTwoConts, kTwoConts,  // 8-B
                                          kTooShort | kOverlong2, kTooShort,           // C, D
                                          kTooShort | kOverlong3 | kSurrogate,         // E
                                          kTooShort | kTooLarge | kFour80);            // F
  const __m128i firstLow = _mm_setr_epi8(
      kAlways | kOverlong3 | kOverlong2 | kFour80, kAlways | kOverlong2, kAlways, kAlways,
      kAlways | kTooLarge, kAlways | kTooLarge | kFour80, kAlways | kTooLarge | kFour80,
      kAlways | kTooLarge | kFour80, kAlways | kTooLarge | kFour80, kAlways | kTooLarge | kFour80,
      kAlways | kTooLarge | kFour80, kAlways | kTooLarge | kFour80, kAlways | kTooLarge | kFour80,
      kAlways | kTooLarge | kFour80 | kSurrogate, kAlways | kTooLarge | kFour80,
      kAlways | kTooLarge | kFour80);
  constexpr char kContinuation = kTooLong | kOverlong2 | kTwoConts;
  const __m128i secondHigh = _mm_setr_epi8(kTooShort, kTooShort, kTooShort, kTooShort, kTooShort,
                                           kTooShort, kTooShort, kTooShort,
                                           kContinuation | kOverlong3 | kFour80,    // 80..8F
                                           kContinuation | kOverlong3 | kTooLarge,  // 90..9F
                                           kContinuation | kSurrogate | kTooLarge,  // A0..AF
                                           kContinuation | kSurrogate | kTooLarge,  // B0..BF
                                           kTooShort, kTooShort, kTooShort, kTooShort);
  const __m128i first = _mm_alignr_epi8(input, previous, 15);
  const __m128i pairs = _mm_and_si128(
      _mm_and_si128(_mm_shuffle_epi8(firstHigh, HighHalves(first)),
                    _mm_shuffle_epi8(firstLow, _mm_and_si128(first, _mm_set1_epi8(0x0F)))),
      _mm_shuffle_epi8(secondHigh, HighHalves(input)));
  // A byte must be a continuation when the one two before is E0 or above (a third byte)
  // or the one three before F0 or above (a fourth byte): its top bit tells.
  const __m128i third = _mm_subs_epu8(_mm_alignr_epi8(input, previous, 14),
                                      _mm_set1_epi8(static_cast<char>(0xE0 - 0x80)));
  const __m128i fourth = _mm_subs_epu8(_mm_alignr_epi8(input, previous, 13),
                                       _mm_set1_epi8(static_cast<char>(0xF0 - 0x80)));
  const __m128i mustContinue = _mm_and_si128(_mm_or_si128(third, fourth), _mm_set1_epi8(kTwoConts));
  return _mm_xor_si128(pairs, mustContinue);
}

}  // namespace

bool HasUtf8Chunks() {
  static const bool has = __builtin_cpu_supports("ssse3");
  return has;
}

[[gnu::target("ssse3")]] bool IsWellFormedUtf8Chunks(const unsigned char* bytes, std::size_t size) {
  __m128i previous = _mm_setzero_si128();
  __m128i faults = _mm_setzero_si128();
  for (std::size_t pos = 0; pos < size; pos += 16) {
    __m128i input = _mm_loadu_si128(reinterpret_cast<const __m128i*>(bytes + pos));
    if (size - pos < 16) {
      // The slack past the end reads as zeros.
      const __m128i kept =
          _mm_cmpgt_epi8(_mm_set1_epi8(static_cast<char>(size - pos)),
                         _mm_setr_epi8(0, 1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 14, 15));
      input = _mm_and_si128(input, kept);
    }
    // An ASCII chunk only needs the sequence before it to be complete, which the chunk of
    // zeros at the end checks as well.
    if (_mm_movemask_epi8(input) != 0 || _mm_movemask_epi8(previous) != 0)
      faults = _mm_or_si128(faults, Faults(input, previous));
    previous = input;
  }
  faults = _mm_or_si128(faults, Faults(_mm_setzero_si128(), previous));
  return _mm_movemask_epi8(_mm_cmpeq_epi8(faults, _mm_setzero_si128())) == 0xFFFF;
}

bool IsWellFormedUtf8(const unsigned char* bytes, std::size_t size) {
  return HasUtf8Chunks() ? IsWellFormedUtf8Chunks(bytes, size)
                         : IsWellFormedUtf8Bytewise(bytes, size);
}

#else

bool HasUtf8Chunks() {
  return false;
}

bool IsWellFormedUtf8Chunks(const unsigned char* bytes, std::size_t size) {
  return IsWellFormedUtf8Bytewise(bytes, size);
}

bool IsWellFormedUtf8(const unsigned char* bytes, std::size_t size) {
  return IsWellFormedUtf8Bytewise(bytes, size);
}

#endif
