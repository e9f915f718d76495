// Checks that bytes are well-formed UTF-8 as Utf8Sequence reads it (shortest forms, no
// surrogates, nothing above U+10FFFF), without working out the characters: the fast path
// asks this once per line that holds a byte from 0x80 on.
#pragma once

#include <cstddef>

// Readable bytes after the checked ones that a check may load (and ignore), so that the
// last chunk needs no copy.
constexpr std::size_t kUtf8CheckSlack = 16;

// 16 bytes at a time where the processor has SSSE3, else one sequence at a time. Reads up
// to kUtf8CheckSlack bytes past size.
bool IsWellFormedUtf8(const unsigned char* bytes, std::size_t size);

// The two ways, for tests that hold them to the same answers.
bool IsWellFormedUtf8Bytewise(const unsigned char* bytes, std::size_t size);
// False, without looking, where SSSE3 is not there.
bool HasUtf8Chunks();
bool IsWellFormedUtf8Chunks(const unsigned char* bytes, std::size_t size);
