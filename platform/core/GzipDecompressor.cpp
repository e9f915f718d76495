#include <isa-l/igzip_lib.h>

#include <algorithm>
#include <cstdint>
#include <new>

#include "platform/core/Decompressors.h"

namespace {

const char* IsalReason(int code) {
  switch (code) {
    case ISAL_INVALID_BLOCK:
    case ISAL_INVALID_SYMBOL:
    case ISAL_INVALID_LOOKBACK:
      return "invalid compressed data";
    case ISAL_INVALID_WRAPPER:
      return "incorrect header check";
    case ISAL_UNSUPPORTED_METHOD:
      return "unknown compression method";
    case ISAL_INCORRECT_CHECKSUM:
      return "incorrect data check";
    default:
      return "the library failed";
  }
}

class CGzipDecompressor final : public CDecompressor {
 public:
  CGzipDecompressor() : m_state(std::make_unique<inflate_state>()) { Begin(); }

  Step Decompress(std::string_view input, bool, char* output, std::size_t room) override {
    if (m_memberEnded) {
      if (input.empty())
        return {};
      Begin();  // the next member
    }
    m_state->next_in = reinterpret_cast<std::uint8_t*>(const_cast<char*>(input.data()));
    m_state->avail_in = static_cast<std::uint32_t>(input.size());
    if (!m_headerRead) {
      // The header is read on its own, into a record that outlives the call: the inflate
      // call keeps none of a header that arrives in pieces (a slow pipe), and then reads
      // the rest of it wrongly.
      const int result = isal_read_gzip_header(m_state.get(), &m_header);
      if (result == ISAL_END_INPUT)
        return {input.size() - m_state->avail_in, 0};
      if (result != ISAL_DECOMP_OK)
        throw CDecompressError(IsalReason(result));
      m_headerRead = true;
      m_state->crc_flag = ISAL_GZIP_NO_HDR_VER;
    }
    m_state->next_out = reinterpret_cast<std::uint8_t*>(output);
    m_state->avail_out = static_cast<std::uint32_t>(room);
    const int result = isal_inflate(m_state.get());
    if (result < 0 || result == ISAL_NEED_DICT)
      throw CDecompressError(IsalReason(result));
    m_memberEnded = m_state->block_state == ISAL_BLOCK_FINISH;
    std::size_t used = input.size() - m_state->avail_in;
    if (m_memberEnded) {
      // Whole bytes still in the bit reader belong to what follows the member.
      used -= std::min<std::size_t>(used, static_cast<std::size_t>(m_state->read_in_length) / 8);
    }
    return {used, room - m_state->avail_out};
  }
  bool AtStreamEnd() const override { return m_memberEnded; }

 private:
  void Begin() {
    isal_inflate_init(m_state.get());
    isal_gzip_header_init(&m_header);  // its name, comment and extra field are not kept
    m_headerRead = false;
    m_memberEnded = false;
  }

  std::unique_ptr<inflate_state> m_state;
  isal_gzip_header m_header{};
  bool m_headerRead = false;
  bool m_memberEnded = false;
};

}  // namespace

std::unique_ptr<CDecompressor> MakeGzipDecompressor() {
  return std::make_unique<CGzipDecompressor>();
}
