// What each value's text is taken for when values are typed.
#include <gtest/gtest.h>

#include <bit>
#include <cstdint>
#include <string>

#include "libs/suppcore/ValueType.h"
#include "platform/core/Simd.h"

namespace {

struct TypeCase {
  std::string text;
  ValueType type;
  std::int64_t integer = 0;  // the boolean (0 or 1) or the integer
  double number = 0;
};

constexpr auto kS = ValueType::kString;
constexpr auto kB = ValueType::kBoolean;
constexpr auto kI = ValueType::kInteger;
constexpr auto kN = ValueType::kNumber;
constexpr auto kD = ValueType::kDecimal;

// clang-format off
const TypeCase kCases[] = {
    {"true", kB, 1}, {"false", kB, 0}, {"True", kS}, {"true ", kS}, {"t", kS}, {"fals", kS},
    {"0", kI, 0}, {"-0", kI, 0}, {"42", kI, 42}, {"-17", kI, -17},
    {"1234567890123456", kI, 1234567890123456}, {"-12345678901234567", kI, -12345678901234567},
    {"9223372036854775807", kI, INT64_MAX}, {"-9223372036854775808", kI, INT64_MIN},
    {"9223372036854775808", kD}, {"-9223372036854775809", kD}, {"99999999999999999999", kD},
    {"1" + std::string(33, '0'), kD}, {"1" + std::string(34, '0'), kS},
    {"", kS}, {"007", kS}, {"+1", kS}, {"-", kS}, {" 1", kS}, {"1 ", kS}, {"1\n", kS},
    {"0x10", kS}, {"NaN", kS}, {"Infinity", kS}, {"-Infinity", kS}, {"\xD9\xA3", kS},
    {"2026-08-21", kS}, {"1E5A3B2C", kS},
    {"1.5", kN, 0, 1.5}, {"-0.0", kN, 0, -0.0}, {"1234567890.12345", kN, 0, 1234567890.12345},
    {"-0.1234567890123", kN, 0, -0.1234567890123},
    {"0.30000000000000004", kD}, {"1e5", kN, 0, 1e5},
    {"1E+5", kN, 0, 1e5}, {"-2.5e-3", kN, 0, -2.5e-3}, {"0e0", kN, 0, 0},
    {"0.000e999999999999999999999", kN, 0, 0},
    {"12345678901234567890.5", kD}, {"4.9e-324", kD}, {"2.2250738585072014e-308", kD},
    {"2.3e-308", kN, 0, 2.3e-308}, {"1.500000000000000", kD}, {"1.50000000000000", kN, 0, 1.5},
    {"1e-400", kD}, {"-1e-400", kD}, {"0.0001e-320", kD}, {"-0e-400", kN, 0, -0.0},
    {"1e308", kN, 0, 1e308}, {"1.79769313486231e308", kN, 0, 1.79769313486231e308},
    {"1.7976931348623157e308", kD}, {"1e-6176", kD}, {"1e-6177", kS}, {"1e6111", kS},
    {"1e6112", kS},
    {"1.8e308", kS}, {"1e400", kS}, {"-1e400", kS}, {"100e307", kS}, {"1e99999999999999999999", kS},
    {"1.", kS}, {".5", kS}, {"-.5", kS}, {"1.e5", kS}, {"1e", kS}, {"1e+", kS}, {"01.5", kS},
    {"1.5.5", kS}, {"1e5e5", kS}, {"1,5", kS},
    // Past 16 bytes the runs of digits are followed across several loads.
    {"-1234567.12345678", kN, 0, -1234567.12345678},
    {"3.14159265358979323846264338327950288", kS}, {"3.141592653589793238462643383279502", kD},
    {"123456789012345678901234567890.5e-10", kD},
    {"0.0000000000000000000000000000000000000001", kN, 0, 1e-40},
    {"1" + std::string(308, '0') + ".5", kS},
    {"1" + std::string(309, '0') + ".5", kS}, {"1" + std::string(40, '0'), kS},
    // Sixteen digits are more than a double holds.
    {"95142426273599.37", kD}, {"97998.17706322331", kD}, {"951424262735.9937", kD},
    {"12345678901234567.5x", kS}, {"1234567890123456789012345678901234e", kS},
};
// clang-format on

// The type alone and the type with the value agree on every case, and ignore the
// padding, made of number bytes here: digits alone, or all that a number holds.
TEST(ValueType, EveryEdgeOfTheRules) {
  for (const TypeCase& c : kCases) {
    for (const char* padding : {"0000", "0.e-"}) {
      SCOPED_TRACE(c.text + " padded with " + padding);
      std::string padded = c.text;
      for (std::size_t k = 0; k < kSimdPadding; ++k)
        padded += padding[k % 4];
      const std::string_view text(padded.data(), c.text.size());
      EXPECT_EQ(TypeOfValue(text), c.type);
      const TypedValue parsed = ParseTypedValue(text);
      EXPECT_EQ(parsed.type, c.type);
      EXPECT_EQ(parsed.boolean, c.type == kB && c.integer);
      EXPECT_EQ(parsed.integer, c.type == kI ? c.integer : 0);
      // Bit for bit: -0.0 keeps its sign.
      EXPECT_EQ(std::bit_cast<std::uint64_t>(parsed.number),
                std::bit_cast<std::uint64_t>(c.number));
    }
  }
}

}  // namespace
