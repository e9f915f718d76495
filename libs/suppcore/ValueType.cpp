#include "libs/suppcore/ValueType.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <limits>
#include <system_error>

namespace {

bool IsDigit(char ch) {
  return static_cast<unsigned>(static_cast<unsigned char>(ch) - '0') < 10;
}

const char* SkipDigits(const char* at, const char* end) {
  while (at != end && IsDigit(*at))
    ++at;
  return at;
}

// A larger exponent says no more: every digit string the decimal exponent is added to is
// far shorter than this.
constexpr std::int64_t kExponentCap = std::int64_t{1} << 40;

// The largest finite double is below 10^309: a number 0.d... x 10^scale with a non-zero
// first digit overflows above that scale and never at or below 308.
constexpr std::int64_t kFiniteScale = 308;

template <bool kWantValue>
TypedValue Classify(std::string_view text) {
  TypedValue result;
  if (text.empty())
    return result;
  if (text == "true" || text == "false") {
    result.type = ValueType::kBoolean;
    result.boolean = text.front() == 't';
    return result;
  }
  const char* at = text.data();
  const char* const end = at + text.size();
  const bool negative = *at == '-';
  at += negative ? 1 : 0;
  const char* const whole = at;
  if (at == end || !IsDigit(*at))
    return result;
  at = *at == '0' ? at + 1 : SkipDigits(at, end);
  const std::size_t wholeDigits = static_cast<std::size_t>(at - whole);

  if (at == end) {
    // At most 19 digits: they fit an unsigned 64-bit value, whose range is checked then.
    if (wholeDigits > 19)
      return result;
    std::uint64_t magnitude = 0;
    for (const char* digit = whole; digit != end; ++digit)
      magnitude = magnitude * 10 + static_cast<std::uint64_t>(*digit - '0');
    const std::uint64_t limit = std::uint64_t{std::numeric_limits<std::int64_t>::max()} + negative;
    if (magnitude > limit)
      return result;
    result.type = ValueType::kInteger;
    result.integer = static_cast<std::int64_t>(negative ? 0 - magnitude : magnitude);
    return result;
  }

  const char* fraction = at;
  if (*at == '.') {
    fraction = at + 1;
    at = SkipDigits(fraction, end);
    if (at == fraction)
      return result;
  }
  const char* const fractionEnd = at;
  std::int64_t exponent = 0;
  if (at != end && (*at == 'e' || *at == 'E')) {
    ++at;
    const bool exponentNegative = at != end && *at == '-';
    at += at != end && (*at == '-' || *at == '+') ? 1 : 0;
    const char* const digits = at;
    for (; at != end && IsDigit(*at); ++at)
      exponent = std::min(exponent * 10 + (*at - '0'), kExponentCap);
    if (at == digits)
      return result;
    exponent = exponentNegative ? -exponent : exponent;
  }
  if (at != end)
    return result;

  // The value is 0.d... x 10^scale, d its first non-zero digit: whether it overflows or
  // underflows follows from the sign of scale.
  const char* first = *whole != '0' ? whole : fraction;
  if (*whole == '0')
    while (first != fractionEnd && *first == '0')
      ++first;
  const bool zero = first == fractionEnd;
  const std::int64_t scale = static_cast<std::int64_t>(wholeDigits) -
                             (first - whole - (first >= fraction ? 1 : 0)) + exponent;
  if (!kWantValue && (zero || scale <= kFiniteScale)) {
    result.type = ValueType::kNumber;
    return result;
  }
  if (!zero && scale > kFiniteScale + 1)
    return result;
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

}  // namespace

namespace valuetype_detail {

ValueType TypeOf(std::string_view text) {
  return Classify<false>(text).type;
}

TypedValue Parse(std::string_view text) {
  return Classify<true>(text);
}

}  // namespace valuetype_detail
