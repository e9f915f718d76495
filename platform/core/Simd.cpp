#include "platform/core/Simd.h"

#include <algorithm>
#include <cstdint>

void StreamCopy(char* out, const char* in, std::size_t count) {
#if defined(CORVANE_SIMD_SSE2)
  // Streaming stores take whole 16-byte units at 16-byte addresses: the bytes before the
  // first such address and after the last are copied as usual.
  const std::size_t head = std::min(count, (16 - reinterpret_cast<std::uintptr_t>(out) % 16) % 16);
  std::memcpy(out, in, head);
  std::size_t done = head;
  for (; count - done >= 64; done += 64) {
    const __m128i a = _mm_loadu_si128(reinterpret_cast<const __m128i*>(in + done));
    const __m128i b = _mm_loadu_si128(reinterpret_cast<const __m128i*>(in + done + 16));
    const __m128i c = _mm_loadu_si128(reinterpret_cast<const __m128i*>(in + done + 32));
    const __m128i d = _mm_loadu_si128(reinterpret_cast<const __m128i*>(in + done + 48));
    _mm_stream_si128(reinterpret_cast<__m128i*>(out + done), a);
    _mm_stream_si128(reinterpret_cast<__m128i*>(out + done + 16), b);
    _mm_stream_si128(reinterpret_cast<__m128i*>(out + done + 32), c);
    _mm_stream_si128(reinterpret_cast<__m128i*>(out + done + 48), d);
  }
  std::memcpy(out + done, in + done, count - done);
  _mm_sfence();
#else
  std::memcpy(out, in, count);
#endif
}
