#include <isa-l/igzip_lib.h>

#include <algorithm>
#include <cstdint>
#include <memory>
#include <new>
#include <stdexcept>

#include "platform/core/Compressors.h"

namespace {

// ISA-L's level 1 with its large hash: faster than zlib's fastest level and about as small.
constexpr int kLevel = 1;
constexpr std::size_t kLevelBufferSize = ISAL_DEF_LVL1_DEFAULT;

class CGzipCompressor final : public CCompressor {
 public:
  CGzipCompressor()
      : m_stream(std::make_unique<isal_zstream>()),
        m_levelBuffer(std::make_unique<std::uint8_t[]>(kLevelBufferSize)) {
    isal_deflate_init(m_stream.get());
    m_stream->level = kLevel;
    m_stream->level_buf = m_levelBuffer.get();
    m_stream->level_buf_size = kLevelBufferSize;
    m_stream->gzip_flag = IGZIP_GZIP;
    m_stream->flush = NO_FLUSH;
  }

  Step Compress(std::string_view input, bool inputEnds, char* output, std::size_t room) override {
    isal_zstream& stream = *m_stream;
    // The library takes 32-bit counts: larger pieces go in several calls.
    const std::uint32_t inputSize =
        static_cast<std::uint32_t>(std::min<std::size_t>(input.size(), kMaxPiece));
    stream.next_in = reinterpret_cast<std::uint8_t*>(const_cast<char*>(input.data()));
    stream.avail_in = inputSize;
    stream.next_out = reinterpret_cast<std::uint8_t*>(output);
    stream.avail_out = static_cast<std::uint32_t>(std::min<std::size_t>(room, kMaxPiece));
    const std::uint32_t outputSize = stream.avail_out;
    stream.end_of_stream = inputEnds && inputSize == input.size() ? 1 : 0;
    const int result = isal_deflate(&stream);
    if (result != COMP_OK)
      throw std::runtime_error("the gzip compression failed");
    return {inputSize - stream.avail_in, outputSize - stream.avail_out,
            stream.internal_state.state == ZSTATE_END};
  }

 private:
  static constexpr std::size_t kMaxPiece = std::size_t{1} << 30;
  std::unique_ptr<isal_zstream> m_stream;
  std::unique_ptr<std::uint8_t[]> m_levelBuffer;
};

}  // namespace

std::unique_ptr<CCompressor> MakeGzipCompressor() {
  return std::make_unique<CGzipCompressor>();
}
