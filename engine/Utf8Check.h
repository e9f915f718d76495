// Checks that bytes are well-formed UTF-8 as Utf8Sequence reads it (shortest forms, no
// surrogates, nothing above U+10FFFF), without working out the characters: the fast path
// asks this once per line that holds a byte from 0x80 on.
#pragma once

#include <cstddef>

// Readable bytes after the checked ones that a check may load (and ignore), so that the
// last chunk needs no copy.
constexpr std::size_t kUtf8CheckSlack = 32;

// 32 bytes at a time where the processor has AVX2, 16 where it has SSSE3, else one
// sequence at a time. Reads up to kUtf8CheckSlack bytes past size.
bool IsWellFormedUtf8(const unsigned char* bytes, std::size_t size);

// Each way on its own, for tests that hold them to the same answers. The Has functions
// say whether the processor has what a way needs.
bool IsWellFormedUtf8Bytewise(const unsigned char* bytes, std::size_t size);
bool HasUtf8Chunks();
bool IsWellFormedUtf8Chunks(const unsigned char* bytes, std::size_t size);
bool HasUtf8WideChunks();
bool IsWellFormedUtf8WideChunks(const unsigned char* bytes, std::size_t size);
