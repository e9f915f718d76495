// The one UTF-8 check, for every width it runs at: Utf8Words.cpp (8 bytes, no vector
// instructions), Utf8Ssse3.cpp (16) and Utf8Avx2.cpp (32) give it their lanes. Included
// only by those; each defines its lanes in an unnamed namespace, so that no instance of
// the check built for one instruction set stands in for another's.
//
// Every fault of UTF-8 shows in a pair of neighbouring bytes, or in a continuation byte
// where the bytes two or three before it call for one. Each pair is classified by three
// table lookups, on the high and the low half of the first byte and the high half of the
// second; the bits that all three set are the faults the pair has.
#pragma once

#include <cstddef>
#include <cstring>

namespace utf8_lanes {

inline constexpr char kTooShort = 1 << 0;   // a lead byte not followed by a continuation byte
inline constexpr char kTooLong = 1 << 1;    // a continuation byte after an ASCII byte
inline constexpr char kOverlong3 = 1 << 2;  // E0 80..9F
inline constexpr char kTooLarge = 1 << 3;   // F4..FF 90..BF
inline constexpr char kSurrogate = 1 << 4;  // ED A0..BF
inline constexpr char kOverlong2 = 1 << 5;  // C0..C1 80..BF
inline constexpr char kFour80 = 1 << 6;     // F0 80..8F (overlong) and F5..FF 80..8F (too large)
inline constexpr char kTwoConts = -128;  // two continuation bytes: right only as a third or fourth
inline constexpr char kAlways = kTooShort | kTooLong | kTwoConts;
inline constexpr char kAbove3 = kAlways | kTooLarge | kFour80;  // low halves of F5..FF
inline constexpr char kContinuation = kTooLong | kOverlong2 | kTwoConts;

// clang-format off
alignas(16) inline constexpr char kFirstHigh[16] = {
    kTooLong, kTooLong, kTooLong, kTooLong, kTooLong, kTooLong, kTooLong, kTooLong,  // ASCII
    kTwoConts, kTwoConts, kTwoConts, kTwoConts,                                      // 8..B
    kTooShort | kOverlong2, kTooShort,                                               // C, D
    kTooShort | kOverlong3 | kSurrogate,                                             // E
    kTooShort | kTooLarge | kFour80};                                                // F
alignas(16) inline constexpr char kFirstLow[16] = {
    kAlways | kOverlong3 | kOverlong2 | kFour80, kAlways | kOverlong2, kAlways, kAlways,
    kAlways | kTooLarge, kAbove3, kAbove3, kAbove3,
    kAbove3, kAbove3, kAbove3, kAbove3,
    kAbove3, kAbove3 | kSurrogate, kAbove3, kAbove3};
alignas(16) inline constexpr char kSecondHigh[16] = {
    kTooShort, kTooShort, kTooShort, kTooShort, kTooShort, kTooShort, kTooShort, kTooShort,
    kContinuation | kOverlong3 | kFour80,    // 80..8F
    kContinuation | kOverlong3 | kTooLarge,  // 90..9F
    kContinuation | kSurrogate | kTooLarge,  // A0..AF
    kContinuation | kSurrogate | kTooLarge,  // B0..BF
    kTooShort, kTooShort, kTooShort, kTooShort};
// clang-format on

// Lanes gives: Vector and kWidth bytes in it; Zero(); Splat(byte); Load(bytes) of kWidth
// bytes; And, Or, Xor; HighNibbles(v) and LowNibbles(v), each byte's half; Lookup(table, v),
// each byte of v (0 to 15) looked up in a table of 16; Before<n>(input, previous), each
// byte's n-th predecessor, from the chunk before for the first n; SubtractSaturated(v,
// byte), down to zero; HasHigh(v), whether a byte of v is 0x80 or above; None(v), whether
// v is all zeros.

// The faults of input's bytes, given the chunk before.
template <class Lanes>
[[gnu::always_inline]] inline typename Lanes::Vector FaultsOf(typename Lanes::Vector input,
                                                              typename Lanes::Vector previous) {
  using L = Lanes;
  const auto first = L::template Before<1>(input, previous);
  const auto pairs = L::And(L::And(L::Lookup(kFirstHigh, L::HighNibbles(first)),
                                   L::Lookup(kFirstLow, L::LowNibbles(first))),
                            L::Lookup(kSecondHigh, L::HighNibbles(input)));
  // A byte must be a continuation when the one two before is E0 or above (a third byte)
  // or the one three before F0 or above (a fourth byte): the top bit of these tells.
  const auto third = L::SubtractSaturated(L::template Before<2>(input, previous), 0xE0 - 0x80);
  const auto fourth = L::SubtractSaturated(L::template Before<3>(input, previous), 0xF0 - 0x80);
  return L::Xor(pairs, L::And(L::Or(third, fourth), L::Splat(kTwoConts)));
}

template <class Lanes>
[[gnu::always_inline]] inline bool IsWellFormedIn(const unsigned char* bytes, std::size_t size) {
  using Vector = typename Lanes::Vector;
  constexpr std::size_t kWidth = Lanes::kWidth;
  Vector previous = Lanes::Zero();
  Vector faults = Lanes::Zero();
  auto next = [&](Vector input) {
    // An ASCII chunk only needs the sequence before it to be complete, which the next
    // chunk (at the end one of zeros) checks as well.
    if (Lanes::HasHigh(Lanes::Or(input, previous)))
      faults = Lanes::Or(faults, FaultsOf<Lanes>(input, previous));
    previous = input;
  };
  std::size_t pos = 0;
  for (; size - pos >= kWidth; pos += kWidth) {
    next(Lanes::Load(bytes + pos));
    // A long text that is not UTF-8 (a whole block in a single-byte code page) is given
    // up on soon.
    if ((pos & 0xFFF) == 0x1000 - kWidth && !Lanes::None(faults))
      return false;
  }
  if (pos < size) {
    // The last bytes beside zeros: nothing past the end is read.
    alignas(32) unsigned char last[kWidth] = {};
    std::memcpy(last, bytes + pos, size - pos);
    next(Lanes::Load(last));
  }
  next(Lanes::Zero());
  return Lanes::None(faults);
}

}  // namespace utf8_lanes
