#include "libs/suppcore/ValueType.h"

#include <algorithm>
#include <cfloat>
#include <charconv>
#include <cmath>
#include <system_error>

namespace {

// A larger exponent says no more: every digit string the decimal exponent is added to is
// far shorter than this.
constexpr std::int64_t kExponentCap = std::int64_t{1} << 40;

// What a double holds exactly: any decimal of at most this many significant digits within
// its normal range comes back from the nearest double.
constexpr std::size_t kDoubleDigits = 15;
// What decimal128 holds: a coefficient of at most 34 digits times ten to an exponent.
constexpr std::size_t kDecimalDigits = 34;
constexpr std::int64_t kDecimalMinExponent = -6176;
constexpr std::int64_t kDecimalMaxExponent = 6111;
// The largest double is below 10^309: 0.d... x 10^scale passes it only from this scale on.
constexpr std::int64_t kLargestDoubleScale = 309;

std::int64_t ExponentOf(std::string_view text, std::size_t digits) {
  if (digits == 0)
    return 0;
  std::int64_t exponent = 0;
  for (std::size_t at = digits; at < text.size(); ++at)
    exponent = std::min(exponent * 10 + (text[at] - '0'), kExponentCap);
  return text[digits - 1] == '-' ? -exponent : exponent;
}

}  // namespace

namespace valuetype_detail {

TypedValue ExactNumber(std::string_view text, const Shape& shape, bool value) {
  // The significant digits run from the first non-zero one to the mantissa's end; the
  // value is 0.d... x 10^scale, d that first digit.
  const std::size_t whole = shape.sign;
  const bool fraction = shape.fractionEnd > shape.wholeEnd;
  std::size_t first = whole;
  while (first != shape.fractionEnd && (text[first] == '0' || text[first] == '.'))
    ++first;
  TypedValue result;
  const bool negative = shape.sign != 0;
  if (first == shape.fractionEnd) {
    // Zero, whatever its exponent: a double, with its sign.
    result.type = ValueType::kNumber;
    result.number = negative ? -0.0 : 0.0;
    return result;
  }
  const bool firstInWhole = first < shape.wholeEnd;
  const auto digits =
      static_cast<std::size_t>(shape.fractionEnd - first) - (firstInWhole && fraction ? 1 : 0);
  const auto leadingZeros =
      static_cast<std::int64_t>(first - whole) - (firstInWhole || !fraction ? 0 : 1);
  const std::int64_t scale = static_cast<std::int64_t>(shape.wholeEnd - whole) - leadingZeros +
                             ExponentOf(text, shape.exponent);
  if (digits <= kDoubleDigits) {
    double number = 0;
    const char* const end = text.data() + text.size();
    const std::from_chars_result parsed = std::from_chars(text.data(), end, number);
    if (parsed.ec == std::errc() && parsed.ptr == end && std::isfinite(number) &&
        std::fabs(number) >= DBL_MIN) {
      result.type = ValueType::kNumber;
      result.number = value ? number : 0;
      return result;
    }
  }
  // Past the largest double a number stays text: JSON readers hold numbers as doubles, and
  // a strict one refuses a document with such a number in it.
  if (scale > kLargestDoubleScale)
    return result;
  if (scale == kLargestDoubleScale) {
    double number = 0;
    const std::from_chars_result parsed =
        std::from_chars(text.data(), text.data() + text.size(), number);
    if (parsed.ec != std::errc() || !std::isfinite(number))
      return result;
  }
  const std::int64_t exponent = scale - static_cast<std::int64_t>(digits);
  if (digits <= kDecimalDigits && exponent >= kDecimalMinExponent &&
      exponent <= kDecimalMaxExponent)
    result.type = ValueType::kDecimal;
  return result;
}

}  // namespace valuetype_detail
