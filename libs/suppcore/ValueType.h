// ValueType: what a value's text stands for when values are typed. The whole text `true`
// or `false` is a boolean; -?(0|[1-9][0-9]*) within signed 64 bits is an integer (`-0`
// is 0); JSON's number grammar with a fraction or an exponent whose double is finite is a
// number (one that underflows is finite: 1e-400 is a number, 1e400 is not). Only ASCII
// digits count and the whole text must match; everything else is a string: empty text,
// `007`, `+1`, spaces, `NaN`, `Infinity`, integers beyond 64 bits. Every typed text is
// valid JSON as it stands, so JSON output writes it unchanged.
//
// Texts are UTF-8 followed by kSimdPadding readable bytes, as the writer's values are.
#pragma once

#include <bit>
#include <cstdint>
#include <cstring>
#include <string_view>

#include "platform/core/Simd.h"

enum class ValueType : std::uint8_t { kString, kBoolean, kInteger, kNumber };

struct TypedValue {
  ValueType type = ValueType::kString;
  bool boolean = false;      // kBoolean
  std::int64_t integer = 0;  // kInteger
  double number = 0;         // kNumber, -0.0 with its sign
};

namespace valuetype_detail {

// The rules for any text, step by step.
ValueType TypeOf(std::string_view text);
TypedValue Parse(std::string_view text);

// Most values are text: one look at the first byte (and the size, for t and f) sends them
// back.
[[gnu::always_inline]] inline bool MayBeTyped(std::string_view text) {
  if (text.empty())
    return false;
  const auto first = static_cast<unsigned char>(text.front());
  return static_cast<unsigned>(first - '0') < 10 || first == '-' ||
         ((first == 't' || first == 'f') && text.size() <= 5);
}

// Values of up to 16 bytes, most of the typed ones, decided from the classes of their
// bytes without a loop, whose end a processor would mispredict for values of varying
// length: integers, numbers without an exponent, booleans, and texts that cannot be any
// of them. Gives kUndecided for the others (those with an exponent), and dots, bit k for
// a '.' at byte k. A plain number rather than a structure keeps it all in registers.
inline constexpr int kUndecided = -1;
[[gnu::always_inline]] inline int TypeOfShort(std::string_view text, unsigned& dots) {
  const std::size_t size = text.size();  // 1 to 16
  const simd::NumberMasks masks = simd::NumberMasksOf(text.data());
  const unsigned own = (1u << size) - 1;
  const unsigned sign = masks.minuses & 1;  // also the index of the first digit
  const unsigned digits = masks.digits & own;
  dots = masks.dots & own;
  const unsigned other = own & ~(digits | dots | sign);
  if (other == 0) {
    // Digits, at most one '.' between two of them, and no leading zero.
    const bool valid = (size > sign) & ((dots & (dots - 1)) == 0) & ((dots & (1u << sign)) == 0) &
                       ((dots >> (size - 1)) == 0) &
                       !((text[sign] == '0') & ((digits >> (sign + 1)) & 1));
    return static_cast<int>(valid ? (dots ? ValueType::kNumber : ValueType::kInteger)
                                  : ValueType::kString);
  }
  if (text.front() == 't' || text.front() == 'f') {
    // Both words compared at once, without a branch on the size.
    std::uint64_t word;
    std::memcpy(&word, text.data(), sizeof word);
    const bool boolean = ((size == 4) & ((word & 0xFFFFFFFF) == 0x65757274)) |     // "true"
                         ((size == 5) & ((word & 0xFFFFFFFFFF) == 0x65736C6166));  // "false"
    return static_cast<int>(boolean ? ValueType::kBoolean : ValueType::kString);
  }
  // An exponent's 'e' and the sign after it are all that may be left to look at.
  return (other & ~(masks.exponents | masks.exponents << 1)) != 0
             ? static_cast<int>(ValueType::kString)
             : kUndecided;
}

// The word tests here and below read bytes in memory order from the low end.
static_assert(std::endian::native == std::endian::little);

// The value of 1 to 8 ASCII digits, all at once: each step joins neighbouring groups of
// digits (1 and 1, 2 and 2, 4 and 4) with one multiplication. Reads 8 bytes.
[[gnu::always_inline]] inline std::uint64_t DigitsUpTo8(const char* digits, std::size_t count) {
  std::uint64_t word;
  std::memcpy(&word, digits, sizeof word);
  // Little-endian: shifted up, the bytes after the digits fall out and zeros, which count
  // as leading '0's, come in.
  word <<= 8 * (8 - count);
  word = ((word & 0x0F0F0F0F0F0F0F0F) * 2561) >> 8;
  word = ((word & 0x00FF00FF00FF00FF) * 6553601) >> 16;
  return ((word & 0x0000FFFF0000FFFF) * 42949672960001) >> 32;
}

[[gnu::always_inline]] inline std::uint64_t DigitsUpTo16(const char* digits, std::size_t count) {
  if (count <= 8)
    return DigitsUpTo8(digits, count);
  return DigitsUpTo8(digits, count - 8) * 100000000 + DigitsUpTo8(digits + count - 8, 8);
}

// The value of a short integer or number TypeOfShort decided. With at most 15 digits
// and 15 places the quotient of two exact doubles is the nearest double, as a parser's.
[[gnu::always_inline]] inline TypedValue ValueOfShort(std::string_view text, ValueType type,
                                                      unsigned dots) {
  static constexpr double kPowersOfTen[] = {1e0, 1e1, 1e2,  1e3,  1e4,  1e5,  1e6,  1e7,
                                            1e8, 1e9, 1e10, 1e11, 1e12, 1e13, 1e14, 1e15};
  const std::size_t sign = text.front() == '-' ? 1 : 0;
  TypedValue value;
  value.type = type;
  if (type == ValueType::kInteger) {
    const auto magnitude =
        static_cast<std::int64_t>(DigitsUpTo16(text.data() + sign, text.size() - sign));
    value.integer = sign ? -magnitude : magnitude;
    return value;
  }
  const std::size_t dot = static_cast<std::size_t>(std::countr_zero(dots));
  const std::size_t places = text.size() - 1 - dot;
  const std::uint64_t magnitude = DigitsUpTo16(text.data() + sign, dot - sign) *
                                      static_cast<std::uint64_t>(kPowersOfTen[places]) +
                                  DigitsUpTo16(text.data() + dot + 1, places);
  value.number = static_cast<double>(magnitude) / kPowersOfTen[places];
  value.number = sign ? -value.number : value.number;
  return value;
}

}  // namespace valuetype_detail

// The type alone, for output that writes the text as it stands.
[[gnu::always_inline]] inline ValueType TypeOfValue(std::string_view text) {
  using namespace valuetype_detail;
  if (!MayBeTyped(text))
    return ValueType::kString;
  if (text.size() <= 16) {
    unsigned dots;
    const int type = TypeOfShort(text, dots);
    if (type != kUndecided)
      return static_cast<ValueType>(type);
  }
  return TypeOf(text);
}

// The type and the value.
[[gnu::always_inline]] inline TypedValue ParseTypedValue(std::string_view text) {
  using namespace valuetype_detail;
  if (!MayBeTyped(text))
    return {};
  if (text.size() <= 16) {
    unsigned dots;
    const int type = TypeOfShort(text, dots);
    if (type == static_cast<int>(ValueType::kString))
      return {};
    if (type == static_cast<int>(ValueType::kBoolean))
      return {ValueType::kBoolean, text.front() == 't'};
    if (type != kUndecided)
      return ValueOfShort(text, static_cast<ValueType>(type), dots);
  }
  return Parse(text);
}
