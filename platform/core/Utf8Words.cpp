// The UTF-8 check 8 bytes at a time without vector instructions, and the choice of the
// widest way the processor has.
#include <bit>
#include <cstdint>
#include <vector>

#include "platform/core/Utf8.h"
#include "platform/core/Utf8Lanes.h"
#include "platform/core/Utf8Widths.h"

namespace {

// A 64-bit word as eight lanes of a byte (the first byte in memory the lowest).
struct Lanes8 {
  using Vector = std::uint64_t;
  static constexpr std::size_t kWidth = 8;
  static constexpr Vector kOnes = 0x0101010101010101u;
  static Vector Zero() { return 0; }
  static Vector Splat(char byte) { return kOnes * static_cast<unsigned char>(byte); }
  static Vector Load(const unsigned char* bytes) {
    Vector word;
    std::memcpy(&word, bytes, sizeof word);
    return word;
  }
  static Vector And(Vector a, Vector b) { return a & b; }
  static Vector Or(Vector a, Vector b) { return a | b; }
  static Vector Xor(Vector a, Vector b) { return a ^ b; }
  static Vector HighNibbles(Vector v) { return (v >> 4) & (kOnes * 0x0F); }
  static Vector LowNibbles(Vector v) { return v & (kOnes * 0x0F); }
  static Vector Lookup(const char* table, Vector v) {
    Vector out = 0;
    for (unsigned k = 0; k < 64; k += 8)
      out |= Vector{static_cast<unsigned char>(table[(v >> k) & 0x0F])} << k;
    return out;
  }
  template <int n>
  static Vector Before(Vector input, Vector previous) {
    return input << (8 * n) | previous >> (64 - 8 * n);
  }
  static Vector SubtractSaturated(Vector v, unsigned char byte) {
    Vector out = 0;
    for (unsigned k = 0; k < 64; k += 8) {
      const auto lane = static_cast<unsigned char>(v >> k);
      out |= Vector{lane > byte ? static_cast<unsigned char>(lane - byte) : 0u} << k;
    }
    return out;
  }
  static bool HasHigh(Vector v) { return (v & kOnes * 0x80) != 0; }
  static bool None(Vector v) { return v == 0; }
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
