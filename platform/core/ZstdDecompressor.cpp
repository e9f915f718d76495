#include <zstd.h>
#include <zstd_errors.h>

#include <new>

#include "platform/core/Decompressors.h"

namespace {

class CZstdDecompressor final : public CDecompressor {
 public:
  CZstdDecompressor() : m_context(ZSTD_createDCtx()) {
    if (m_context == nullptr)
      throw std::bad_alloc();
  }
  ~CZstdDecompressor() override { ZSTD_freeDCtx(m_context); }
  CZstdDecompressor(const CZstdDecompressor&) = delete;
  CZstdDecompressor& operator=(const CZstdDecompressor&) = delete;

  // A frame that ends is followed by the next one in the same calls: the library starts a
  // new frame by itself.
  Step Decompress(std::string_view input, bool, char* output, std::size_t room) override {
    ZSTD_inBuffer in{input.data(), input.size(), 0};
    ZSTD_outBuffer out{output, room, 0};
    const std::size_t result = ZSTD_decompressStream(m_context, &out, &in);
    if (ZSTD_isError(result)) {
      if (ZSTD_getErrorCode(result) == ZSTD_error_memory_allocation)
        throw std::bad_alloc();
      throw CDecompressError(ZSTD_getErrorName(result));
    }
    // 0: a frame is whole and all of it is out.
    if (in.pos > 0 || out.pos > 0)
      m_atFrameEnd = result == 0;
    return {in.pos, out.pos};
  }
  bool AtStreamEnd() const override { return m_atFrameEnd; }

 private:
  ZSTD_DCtx* m_context;
  bool m_atFrameEnd = false;
};

}  // namespace

std::unique_ptr<CDecompressor> MakeZstdDecompressor() {
  return std::make_unique<CZstdDecompressor>();
}
