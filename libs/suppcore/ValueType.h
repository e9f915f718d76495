// ValueType: what a value's text stands for when values are typed. The whole text `true`
// or `false` is a boolean; -?(0|[1-9][0-9]*) within signed 64 bits is an integer (`-0`
// is 0). A text of JSON's number grammar (or a longer integer) is a number when a double
// holds its written digits: at most 15 significant digits, within the normal range of
// doubles; else a decimal when IEEE 754 decimal128 holds them exactly (at most 34
// significant digits, the exponent of the last within -6176..6111): `1e-400`,
// `0.30000000000000004`, `123456789012345678901`. Trailing zeros are written digits. Only
// ASCII digits count and the whole text must match; everything else is a string: empty
// text, `007`, `+1`, spaces, `NaN`, `Infinity`, numbers of more digits than a decimal
// holds, and numbers past the largest double (`1e400`), which JSON readers refuse. Every typed text
// is valid JSON as it stands, so JSON output writes it unchanged.
//
// Texts are UTF-8 followed by kSimdPadding readable bytes, as the writer's values are.
#pragma once

#include <bit>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <limits>
#include <string_view>

#include "platform/core/Simd.h"

// A value's text finds only the first five; a column's plan may also make a value a date
// (its text ISO 8601), null, or no member at all (kAbsent), which the writer takes as given.
enum class ValueType : std::uint8_t {
  kString,
  kBoolean,
  kInteger,
  kNumber,
  kDecimal,
  kDate,
  kNull,
  kAbsent
};

struct TypedValue {
  ValueType type = ValueType::kString;
  bool boolean = false;      // kBoolean
  std::int64_t integer = 0;  // kInteger; kDate: milliseconds since 1970 UTC
  double number = 0;         // kNumber, -0.0 with its sign
  // kDecimal: its text is the value, which the writer encodes.
};

namespace valuetype_detail {

// Most values are text: one look at the first byte (and the size, for t and f) sends them
// back.
[[gnu::always_inline]] inline bool MayBeTyped(std::string_view text) {
  if (text.empty())
    return false;
  const auto first = static_cast<unsigned char>(text.front());
  return static_cast<unsigned>(first - '0') < 10 || first == '-' ||
         ((first == 't' || first == 'f') && text.size() <= 5);
}

// The word tests here and below read bytes in memory order from the low end.
static_assert(std::endian::native == std::endian::little);

// Both words compared at once, without a branch on the size (which is at most 5).
[[gnu::always_inline]] inline bool IsBoolean(std::string_view text) {
  std::uint64_t word;
  std::memcpy(&word, text.data(), sizeof word);
  const bool isTrue = (text.size() == 4) & ((word & 0xFFFFFFFF) == 0x65757274);
  const bool isFalse = (text.size() == 5) & ((word & 0xFFFFFFFFFF) == 0x65736C6166);
  return isTrue || isFalse;
}

// The runs of digits of a text, found from the classes of its bytes 16 at a time: a value
// of up to 16 bytes, most typed ones, is looked at once, and no loop ends at a length that
// varies from value to value, which a processor would mispredict.
class DigitRuns {
 public:
  explicit DigitRuns(std::string_view text) : m_text(text) { Load(0); }

  // The end of the run of digits that starts at from (from itself when there is none);
  // from never decreases from one call to the next.
  std::size_t End(std::size_t from) {
    for (;;) {
      if (from - m_base >= 16)
        Load(from);
      from += static_cast<std::size_t>(std::countr_one(m_digits >> (from - m_base)));
      if (from - m_base < 16 || from >= m_text.size())
        return from;
    }
  }

 private:
  void Load(std::size_t base) {
    m_base = base;
    const std::size_t own = m_text.size() - base;
    m_digits =
        simd::NumberMasksOf(m_text.data() + base).digits & (own >= 16 ? 0xFFFFu : (1u << own) - 1);
  }

  std::string_view m_text;
  std::size_t m_base = 0;
  unsigned m_digits = 0;  // bit k: byte m_base + k is a digit of the text
};

// Where the parts of a number end, by the grammar -?(0|[1-9][0-9]*)(.[0-9]+)?([eE][+-]?[0-9]+)?.
// type is kInteger or kNumber as the grammar alone says (range and finiteness are
// looked at afterwards), kString for any other text.
struct Shape {
  ValueType type = ValueType::kString;
  std::size_t sign = 0;         // 1 after a '-': also where the whole part begins
  std::size_t wholeEnd = 0;     // the end of the whole part's digits
  std::size_t fractionEnd = 0;  // the end of the fraction's digits; wholeEnd without one
  std::size_t exponent = 0;     // where the exponent's digits begin; 0 without one
};

// For a text that MayBeTyped and is no boolean.
[[gnu::always_inline]] inline Shape ShapeOf(std::string_view text) {
  const std::size_t size = text.size();
  DigitRuns runs(text);
  Shape shape;
  shape.sign = text.front() == '-' ? 1 : 0;
  shape.wholeEnd = shape.fractionEnd = runs.End(shape.sign);
  const std::size_t wholeDigits = shape.wholeEnd - shape.sign;
  if (wholeDigits == 0 || (text[shape.sign] == '0' && wholeDigits > 1))
    return shape;
  std::size_t at = shape.wholeEnd;
  if (at == size) {
    shape.type = ValueType::kInteger;
    return shape;
  }
  if (text[at] == '.') {
    shape.fractionEnd = runs.End(at + 1);
    if (shape.fractionEnd == at + 1)
      return shape;
    at = shape.fractionEnd;
  }
  if (at != size && (text[at] | 0x20) == 'e') {
    at += at + 1 < size && (text[at + 1] == '+' || text[at + 1] == '-') ? 2 : 1;
    shape.exponent = at;
    at = runs.End(at);
    if (at == shape.exponent)
      return shape;
  }
  if (at == size)
    shape.type = ValueType::kNumber;
  return shape;
}

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

// The value of 1 to 19 digits, which an unsigned 64-bit value always holds.
[[gnu::always_inline]] inline std::uint64_t DigitsUpTo19(const char* digits, std::size_t count) {
  if (count <= 8)
    return DigitsUpTo8(digits, count);
  const std::uint64_t last8 = DigitsUpTo8(digits + count - 8, 8);
  if (count <= 16)
    return DigitsUpTo8(digits, count - 8) * 100000000 + last8;
  return DigitsUpTo8(digits, count - 16) * 10000000000000000 +
         DigitsUpTo8(digits + count - 16, 8) * 100000000 + last8;
}

// An integer's value when it is within signed 64 bits.
[[gnu::always_inline]] inline bool IntegerOf(std::string_view text, const Shape& shape,
                                             std::int64_t& value) {
  const std::size_t digits = shape.wholeEnd - shape.sign;
  if (digits > 19)
    return false;
  const std::uint64_t magnitude = DigitsUpTo19(text.data() + shape.sign, digits);
  if (magnitude > std::uint64_t{std::numeric_limits<std::int64_t>::max()} + shape.sign)
    return false;
  value = static_cast<std::int64_t>(shape.sign ? 0 - magnitude : magnitude);
  return true;
}

// A number past the quick cases (an exponent, more than 15 digits, an integer past 64
// bits): a number, a decimal or a string by its significant digits and their scale; with
// value, a number's double.
TypedValue ExactNumber(std::string_view text, const Shape& shape, bool value);

// A number without an exponent and with at most 15 digits: both they and the power of ten
// of its places are exact doubles, so their quotient is the nearest double, as a parser's,
// and it is at least 1e-15, a normal double.
[[gnu::always_inline]] inline bool IsPlainNumber(const Shape& shape) {
  return shape.exponent == 0 && shape.fractionEnd - shape.sign - 1 <= 15;
}

[[gnu::always_inline]] inline double PlainNumberOf(std::string_view text, const Shape& shape) {
  static constexpr double kPowersOfTen[] = {1e0, 1e1, 1e2,  1e3,  1e4,  1e5,  1e6,  1e7,
                                            1e8, 1e9, 1e10, 1e11, 1e12, 1e13, 1e14, 1e15};
  const std::size_t places = shape.fractionEnd - shape.wholeEnd - 1;
  const std::uint64_t magnitude =
      DigitsUpTo19(text.data() + shape.sign, shape.wholeEnd - shape.sign) *
          static_cast<std::uint64_t>(kPowersOfTen[places]) +
      DigitsUpTo19(text.data() + shape.wholeEnd + 1, places);
  const double number = static_cast<double>(magnitude) / kPowersOfTen[places];
  return shape.sign ? -number : number;
}

}  // namespace valuetype_detail

// The type alone, for output that writes the text as it stands.
[[gnu::always_inline]] inline ValueType TypeOfValue(std::string_view text) {
  using namespace valuetype_detail;
  if (!MayBeTyped(text))
    return ValueType::kString;
  if (text.front() == 't' || text.front() == 'f')
    return IsBoolean(text) ? ValueType::kBoolean : ValueType::kString;
  const Shape shape = ShapeOf(text);
  std::int64_t integer;
  switch (shape.type) {
    case ValueType::kInteger:
      // Eighteen digits or fewer always fit.
      if (shape.wholeEnd - shape.sign <= 18 || IntegerOf(text, shape, integer))
        return ValueType::kInteger;
      return ExactNumber(text, shape, false).type;
    case ValueType::kNumber:
      return IsPlainNumber(shape) ? ValueType::kNumber : ExactNumber(text, shape, false).type;
    default:
      return ValueType::kString;
  }
}

// The type and the value.
[[gnu::always_inline]] inline TypedValue ParseTypedValue(std::string_view text) {
  using namespace valuetype_detail;
  if (!MayBeTyped(text))
    return {};
  if (text.front() == 't' || text.front() == 'f')
    return IsBoolean(text) ? TypedValue{ValueType::kBoolean, text.front() == 't'} : TypedValue{};
  const Shape shape = ShapeOf(text);
  TypedValue value;
  switch (shape.type) {
    case ValueType::kInteger:
      if (!IntegerOf(text, shape, value.integer))
        return ExactNumber(text, shape, true);
      value.type = ValueType::kInteger;
      return value;
    case ValueType::kNumber:
      if (!IsPlainNumber(shape))
        return ExactNumber(text, shape, true);
      value.type = ValueType::kNumber;
      value.number = PlainNumberOf(text, shape);
      return value;
    default:
      return value;
  }
}
