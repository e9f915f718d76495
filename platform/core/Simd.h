// The vector primitives of the program, in one place. The instruction set is chosen in
// the block below: SSE2 where the compiler targets it (every x86-64), SSSE3 and AVX2 for
// the UTF-8 check where the processor has them (chosen at run time). Building with
// CORVANE_NO_SIMD (the CMake option CORVANE_SIMD=OFF) compiles the scalar fallbacks
// instead, so that they are built and tested too.
//
// One padding rule: every text handed to a primitive is followed by kSimdPadding readable
// bytes, which it may load and ignore, so that the last chunk of a short text needs no
// copy; a primitive that writes may write up to kSimdPadding bytes past the end it
// returns.
#pragma once

#include <cstddef>

#if !defined(CORVANE_NO_SIMD)
#if defined(__SSE2__)
#include <emmintrin.h>
#define CORVANE_SSE2 1
#endif
#if defined(__x86_64__) || defined(__i386__)
#define CORVANE_X86_DISPATCH 1
#endif
#endif

inline constexpr std::size_t kSimdPadding = 64;

namespace simd {

// ---- Splitting lines ----------------------------------------------------------------

// Marks in a chunk of bytes (count <= 16, bit k for byte k) the bytes where the line
// rules act: the separator (its first byte), carriage returns, NULs and double quotes.
struct ChunkMasks {
  unsigned separators = 0;
  unsigned carriageReturns = 0;
  unsigned nuls = 0;
  unsigned quotes = 0;
};

// Reads 16 bytes from bytes on, of which the first count (<= 16) are marked.
inline ChunkMasks MasksOf(const unsigned char* bytes, std::size_t count, unsigned char separator) {
  ChunkMasks masks;
#if defined(CORVANE_SSE2)
  const unsigned valid = count < 16 ? (1u << count) - 1 : 0xFFFFu;
  const __m128i chunk = _mm_loadu_si128(reinterpret_cast<const __m128i*>(bytes));
  auto match = [&](char byte) {
    return valid &
           static_cast<unsigned>(_mm_movemask_epi8(_mm_cmpeq_epi8(chunk, _mm_set1_epi8(byte))));
  };
  masks.separators = match(static_cast<char>(separator));
  masks.carriageReturns = match('\r');
  masks.nuls = match('\0');
  masks.quotes = match('"');
#else
  for (std::size_t k = 0; k < count; ++k) {
    const unsigned bit = 1u << k;
    masks.separators |= bytes[k] == separator ? bit : 0;
    masks.carriageReturns |= bytes[k] == '\r' ? bit : 0;
    masks.nuls |= bytes[k] == 0 ? bit : 0;
    masks.quotes |= bytes[k] == '"' ? bit : 0;
  }
#endif
  return masks;
}

// ---- Checking UTF-8 -------------------------------------------------------------------

// 16 bytes at a time with SSSE3 and 32 with AVX2; each Has function says whether the
// processor (and the build) has what its way needs. Both agree with
// utf8::IsWellFormedBytewise.
bool HasUtf8Chunks();
bool IsWellFormedUtf8Chunks(const unsigned char* bytes, std::size_t size);
bool HasUtf8WideChunks();
bool IsWellFormedUtf8WideChunks(const unsigned char* bytes, std::size_t size);

}  // namespace simd
