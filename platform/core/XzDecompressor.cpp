#include <lzma.h>

#include <cstdint>
#include <new>

#include "platform/core/Decompressors.h"

namespace {

const char* XzReason(lzma_ret code) {
  switch (code) {
    case LZMA_FORMAT_ERROR:
      return "not xz data";
    case LZMA_OPTIONS_ERROR:
      return "compressed with options this library does not support";
    case LZMA_DATA_ERROR:
      return "the compressed data is damaged";
    case LZMA_MEMLIMIT_ERROR:
      return "it needs more memory than is allowed";
    default:
      return "the library failed";
  }
}

class CXzDecompressor final : public CDecompressor {
 public:
  CXzDecompressor() {
    // Concatenated: several streams one after another are one source, and only the end
    // of the input (LZMA_FINISH) tells the last one.
    const lzma_ret result = lzma_stream_decoder(&m_stream, UINT64_MAX, LZMA_CONCATENATED);
    if (result == LZMA_MEM_ERROR)
      throw std::bad_alloc();
    if (result != LZMA_OK)
      throw CDecompressError(XzReason(result));
  }
  ~CXzDecompressor() override { lzma_end(&m_stream); }
  CXzDecompressor(const CXzDecompressor&) = delete;
  CXzDecompressor& operator=(const CXzDecompressor&) = delete;

  Step Decompress(std::string_view input, bool inputEnds, char* output, std::size_t room) override {
    if (m_ended)
      return {};
    m_stream.next_in = reinterpret_cast<const std::uint8_t*>(input.data());
    m_stream.avail_in = input.size();
    m_stream.next_out = reinterpret_cast<std::uint8_t*>(output);
    m_stream.avail_out = room;
    const lzma_ret result = lzma_code(&m_stream, inputEnds ? LZMA_FINISH : LZMA_RUN);
    if (result == LZMA_MEM_ERROR)
      throw std::bad_alloc();
    // LZMA_BUF_ERROR: no progress was possible; at the end of the input, a cut stream.
    if (result != LZMA_OK && result != LZMA_STREAM_END && result != LZMA_BUF_ERROR)
      throw CDecompressError(XzReason(result));
    m_ended = result == LZMA_STREAM_END;
    return {input.size() - m_stream.avail_in, room - m_stream.avail_out};
  }
  bool AtStreamEnd() const override { return m_ended; }

 private:
  lzma_stream m_stream = LZMA_STREAM_INIT;
  bool m_ended = false;
};

}  // namespace

std::unique_ptr<CDecompressor> MakeXzDecompressor() {
  return std::make_unique<CXzDecompressor>();
}
