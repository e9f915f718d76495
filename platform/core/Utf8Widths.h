// The widths the UTF-8 check is built for; utf8::Widths() says which this processor runs.
#pragma once

#include <cstddef>

namespace utf8_widths {

bool IsWellFormed8(const unsigned char* bytes, std::size_t size);
// Only in builds for x86 processors with vector instructions.
bool IsWellFormed16(const unsigned char* bytes, std::size_t size);
bool IsWellFormed32(const unsigned char* bytes, std::size_t size);

}  // namespace utf8_widths
