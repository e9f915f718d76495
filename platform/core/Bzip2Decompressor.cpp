#include <bzlib.h>

#include <new>

#include "platform/core/Decompressors.h"

namespace {

const char* Bzip2Reason(int code) {
  switch (code) {
    case BZ_DATA_ERROR_MAGIC:
      return "not bzip2 data";
    case BZ_DATA_ERROR:
      return "the compressed data is damaged";
    default:
      return "the library failed";
  }
}

class CBzip2Decompressor final : public CDecompressor {
 public:
  CBzip2Decompressor() { Begin(); }
  ~CBzip2Decompressor() override { BZ2_bzDecompressEnd(&m_stream); }
  CBzip2Decompressor(const CBzip2Decompressor&) = delete;
  CBzip2Decompressor& operator=(const CBzip2Decompressor&) = delete;

  Step Decompress(std::string_view input, bool, char* output, std::size_t room) override {
    if (m_streamEnded) {
      if (input.empty())
        return {};
      // The library ends with its stream: the next one needs a decoder of its own.
      BZ2_bzDecompressEnd(&m_stream);
      Begin();
    }
    m_stream.next_in = const_cast<char*>(input.data());
    m_stream.avail_in = static_cast<unsigned>(input.size());
    m_stream.next_out = output;
    m_stream.avail_out = static_cast<unsigned>(room);
    const int result = BZ2_bzDecompress(&m_stream);
    if (result == BZ_MEM_ERROR)
      throw std::bad_alloc();
    if (result != BZ_OK && result != BZ_STREAM_END)
      throw CDecompressError(Bzip2Reason(result));
    m_streamEnded = result == BZ_STREAM_END;
    return {input.size() - m_stream.avail_in, room - m_stream.avail_out};
  }
  bool AtStreamEnd() const override { return m_streamEnded; }

 private:
  void Begin() {
    m_stream = bz_stream{};
    const int result = BZ2_bzDecompressInit(&m_stream, 0, 0);
    if (result == BZ_MEM_ERROR)
      throw std::bad_alloc();
    if (result != BZ_OK)
      throw CDecompressError(Bzip2Reason(result));
    m_streamEnded = false;
  }

  bz_stream m_stream{};
  bool m_streamEnded = false;
};

}  // namespace

std::unique_ptr<CDecompressor> MakeBzip2Decompressor() {
  return std::make_unique<CBzip2Decompressor>();
}
