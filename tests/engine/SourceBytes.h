// Sources for the reading tests: UTF-16 text with its mark, and system calls whose reads
// give at most a few bytes each, so that characters, marks and UTF-16 units are split at
// every position between reads.
#pragma once

#include <algorithm>
#include <cstddef>
#include <string>
#include <string_view>

#include "platform/core/SysCalls.h"

inline std::size_t g_readLimit = 0;

// The real calls, each read giving at most limit bytes (0: no limit).
inline SysCalls ShortReads(std::size_t limit) {
  SysCalls calls = RealSysCalls();
  if ((g_readLimit = limit) != 0)
    calls.read = [](int fd, void* buffer, std::size_t count) {
      return RealSysCalls().read(fd, buffer, std::min(count, g_readLimit));
    };
  return calls;
}

// Text as UTF-16 with its mark, little- or big-endian.
inline std::string Utf16(std::u16string_view text, bool bigEndian = false) {
  std::string bytes = bigEndian ? "\xFE\xFF" : "\xFF\xFE";
  for (char16_t unit : text) {
    const char low = static_cast<char>(unit & 0xFF), high = static_cast<char>(unit >> 8);
    bytes += bigEndian ? std::string{high, low} : std::string{low, high};
  }
  return bytes;
}
