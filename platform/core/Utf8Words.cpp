// The UTF-8 check 8 bytes at a time without vector instructions, and the choice of the
// widest way the processor has.
#include <bit>
#include <cstdint>
#include <vector>

#include "platform/core/Utf8.h"
#include "platform/core/Utf8Lanes.h"
#include "platform/core/Utf8Widths.h"

namespace {

using namespace utf8_lanes;

// A 64-bit word as eight lanes of a byte; the tables are looked up a byte at a time.
struct Lanes8 {
  using Vector = std::uint64_t;
  static constexpr std::size_t kWidth = 8;
  static Vector Zero() { return 0; }
  static Vector Load(const unsigned char* bytes) {
    Vector word;
    std::memcpy(&word, bytes, sizeof word);
    return word;
  }
  static Vector Or(Vector a, Vector b) { return a | b; }
  static bool HasHigh(Vector v) { return (v & 0x8080808080808080u) != 0; }
  static bool None(Vector v) { return v == 0; }
  static Vector Faults(Vector input, Vector previous) {
    unsigned char bytes[16];
    std::memcpy(bytes, &previous, 8);
    std::memcpy(bytes + 8, &input, 8);
    Vector faults = 0;
    for (std::size_t k = 8; k < 16; ++k) {
      const unsigned char first = bytes[k - 1];
      auto fault = static_cast<unsigned char>(kFirstHigh[first >> 4] & kFirstLow[first & 0x0F] &
                                              kSecondHigh[bytes[k] >> 4]);
      if (bytes[k - 2] >= 0xE0 || bytes[k - 3] >= 0xF0)
        fault ^= static_cast<unsigned char>(kTwoConts);
      faults |= Vector{fault} << (8 * (k - 8));
    }
    return faults;
  }
};

static_assert(std::endian::native == std::endian::little);

}  // namespace

namespace utf8_widths {

bool IsWellFormed8(const unsigned char* bytes, std::size_t size) {
  return utf8_lanes::IsWellFormedIn<Lanes8>(bytes, size);
}

}  // namespace utf8_widths

namespace utf8 {

std::span<const CheckWidth> CheckWidths() {
  static const std::vector<CheckWidth> widths = [] {
    std::vector<CheckWidth> available{{"Words8", utf8_widths::IsWellFormed8}};
#if defined(CORVANE_UTF8_X86)
    if (__builtin_cpu_supports("ssse3"))
      available.push_back({"Chunks16", utf8_widths::IsWellFormed16});
    if (__builtin_cpu_supports("avx2"))
      available.push_back({"Chunks32", utf8_widths::IsWellFormed32});
#endif
    return available;
  }();
  return widths;
}

bool IsWellFormed(const unsigned char* bytes, std::size_t size) {
  static const auto check = CheckWidths().back().check;
  return check(bytes, size);
}

}  // namespace utf8
