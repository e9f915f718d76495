#include "libs/suppcore/ValueType.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <system_error>

namespace {

// A larger exponent says no more: every digit string the decimal exponent is added to is
// far shorter than this.
constexpr std::int64_t kExponentCap = std::int64_t{1} << 40;

// The largest finite double is below 10^309: a number 0.d... x 10^scale with a non-zero
// first digit overflows above that scale and never at or below 308.
constexpr std::int64_t kFiniteScale = 308;

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

TypedValue LargeOrSmallNumber(std::string_view text, const Shape& shape, bool value) {
  static_assert(kSurelyFiniteDigits <= kFiniteScale);
  // The value is 0.d... x 10^scale, d its first non-zero digit: whether it overflows or
  // underflows follows from the sign of scale.
  const std::size_t whole = shape.sign;
  const std::size_t fraction = shape.wholeEnd + (shape.fractionEnd > shape.wholeEnd ? 1 : 0);
  std::size_t first = text[whole] != '0' ? whole : fraction;
  if (text[whole] == '0')
    while (first != shape.fractionEnd && text[first] == '0')
      ++first;
  const bool zero = first == shape.fractionEnd;
  const auto wholeDigits = static_cast<std::int64_t>(shape.wholeEnd - whole);
  const std::int64_t scale =
      wholeDigits - static_cast<std::int64_t>(first - whole - (first >= fraction ? 1 : 0)) +
      ExponentOf(text, shape.exponent);
  TypedValue result;
  if (!value && (zero || scale <= kFiniteScale)) {
    result.type = ValueType::kNumber;
    return result;
  }
  if (!zero && scale > kFiniteScale + 1)
    return result;
  const bool negative = shape.sign != 0;
  const char* const end = text.data() + text.size();
  double number = 0;
  const std::from_chars_result parsed = std::from_chars(text.data(), end, number);
  if (parsed.ec == std::errc::result_out_of_range && scale <= 0)
    number = negative ? -0.0 : 0.0;  // underflow: the library leaves number untouched
  else if (parsed.ec != std::errc() || parsed.ptr != end || !std::isfinite(number))
    return result;
  result.type = ValueType::kNumber;
  result.number = number;
  return result;
}

}  // namespace valuetype_detail
