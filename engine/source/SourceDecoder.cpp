#include "engine/source/SourceDecoder.h"

#include <algorithm>
#include <cstring>

#include "platform/core/Simd.h"
#include "platform/core/Utf8.h"

namespace {

// Takes up to count bytes from the file into out; returns how many there were.
std::size_t TakeBytes(CFile& file, unsigned char* out, std::size_t count) {
  std::size_t taken = 0;
  while (taken < count) {
    const std::string_view block = file.NextBlock();
    if (block.empty())
      break;
    const std::size_t part = std::min(count - taken, block.size());
    std::memcpy(out + taken, block.data(), part);
    file.Consume(part);
    taken += part;
  }
  return taken;
}

const unsigned char* Bytes(std::string_view block) {
  return reinterpret_cast<const unsigned char*>(block.data());
}

// Number of bytes at the end of [bytes, bytes + size) that begin a well-formed sequence
// which the next block may complete.
std::size_t OpenSequenceBytes(const unsigned char* bytes, std::size_t size) {
  for (std::size_t back = 1; back <= std::min<std::size_t>(3, size); ++back) {
    const unsigned char byte = bytes[size - back];
    if (byte < 0x80)
      return 0;
    if (byte >= 0xC0)
      return utf8::Decode(bytes + size - back, back, false).used == 0 ? back : 0;
  }
  return 0;
}

// 8-bit text as UTF-8: a byte that starts no well-formed sequence is the character of its
// own value. Stops before a sequence that the end of the bytes may cut, unless atEnd.
std::size_t TranscodeBytes(const unsigned char* bytes, std::size_t size, bool atEnd, char*& out) {
  std::size_t pos = 0;
  while (pos < size) {
    if (bytes[pos] < 0x80) {
      *out++ = static_cast<char>(bytes[pos++]);
      continue;
    }
    const utf8::Decoded decoded = utf8::Decode(bytes + pos, size - pos, atEnd);
    if (decoded.used == 0)
      break;
    if (decoded.wellFormed) {
      std::memcpy(out, bytes + pos, decoded.used);
      out += decoded.used;
    } else {
      out = utf8::Encode(decoded.codePoint, out);
    }
    pos += decoded.used;
  }
  return pos;
}

template <bool BigEndian>
char32_t UnitAt(const unsigned char* bytes) {
  return BigEndian ? static_cast<char32_t>((bytes[0] << 8) | bytes[1])
                   : static_cast<char32_t>(bytes[0] | (bytes[1] << 8));
}

// UTF-16 as UTF-8. Stops before a unit cut in half or a high surrogate whose partner may
// follow, unless atEnd: then an odd last byte is the character of its own value.
template <bool BigEndian>
std::size_t TranscodeUtf16(const unsigned char* bytes, std::size_t size, bool atEnd, char*& out) {
  std::size_t pos = 0;
  while (size - pos >= 2) {
    char32_t unit = UnitAt<BigEndian>(bytes + pos);
    if (unit < 0x80) {
      *out++ = static_cast<char>(unit);
      pos += 2;
      continue;
    }
    std::size_t used = 2;
    if (utf8::IsHighSurrogate(unit)) {
      if (size - pos < 4 && !atEnd)
        break;
      const char32_t next = size - pos >= 4 ? UnitAt<BigEndian>(bytes + pos + 2) : 0;
      if (utf8::IsLowSurrogate(next)) {
        unit = utf8::JoinSurrogates(unit, next);
        used = 4;
      }
    }
    out = utf8::Encode(unit, out);  // a lone surrogate becomes U+FFFD
    pos += used;
  }
  if (atEnd && size - pos == 1)
    out = utf8::Encode(bytes[pos++], out);
  return pos;
}

}  // namespace

CSourceDecoder::CSourceDecoder(CFile& file) : m_file(file) {
  unsigned char head[3];
  std::size_t count = TakeBytes(file, head, 2);
  if (count == 2 && head[0] == 0xFF && head[1] == 0xFE) {
    m_encoding = Encoding::Utf16LE;
    return;
  }
  if (count == 2 && head[0] == 0xFE && head[1] == 0xFF) {
    m_encoding = Encoding::Utf16BE;
    return;
  }
  if (count == 2 && head[0] == 0xEF && head[1] == 0xBB) {
    count += TakeBytes(file, head + 2, 1);
    if (count == 3 && head[2] == 0xBF)
      return;
  }
  // Not a mark: these bytes are the start of the text.
  std::memcpy(m_carry.data(), head, count);
  m_carryCount = count;
}

std::string_view CSourceDecoder::Read() {
  for (;;) {
    const std::string_view block = m_file.NextBlock();
    if (m_carryCount > 0) {
      const std::string_view text = DrainCarry(block);
      if (!text.empty())
        return text;
      continue;
    }
    if (block.empty())
      return {};
    m_pieceSourceStart = m_file.BytesConsumed();
    std::size_t used;
    std::string_view text;
    if (m_encoding == Encoding::Bytes) {
      // Well-formed UTF-8 is handed out as it stands; a sequence that the block's end
      // cuts waits in the carry for the rest of it.
      used = block.size() - OpenSequenceBytes(Bytes(block), block.size());
      if (utf8::IsWellFormed(Bytes(block), used)) {
        text = block.substr(0, used);
      } else {
        char* const start = Room(2 * block.size());
        char* out = start;
        used = TranscodeBytes(Bytes(block), block.size(), false, out);
        text = {start, static_cast<std::size_t>(out - start)};
      }
    } else {
      // A unit is at most 3 bytes of UTF-8, a pair of units 4.
      char* const start = Room(block.size() / 2 * 3);
      char* out = start;
      used = m_encoding == Encoding::Utf16LE
                 ? TranscodeUtf16<false>(Bytes(block), block.size(), false, out)
                 : TranscodeUtf16<true>(Bytes(block), block.size(), false, out);
      text = {start, static_cast<std::size_t>(out - start)};
    }
    std::memcpy(m_carry.data(), block.data() + used, block.size() - used);
    m_carryCount = block.size() - used;
    m_file.Consume(block.size());
    m_pieceSourceBytes = used;
    m_pieceTextBytes = text.size();
    if (!text.empty())
      return text;
  }
}

std::string_view CSourceDecoder::DrainCarry(std::string_view block) {
  const bool atEnd = block.empty();
  // The carry and the start of the block: enough for any one character.
  std::array<unsigned char, 8> head{};
  const std::size_t carried = m_carryCount;
  const std::size_t fromBlock = std::min<std::size_t>(4, block.size());
  std::memcpy(head.data(), m_carry.data(), carried);
  std::memcpy(head.data() + carried, block.data(), fromBlock);
  char* const start = Room(4 * head.size());
  char* out = start;
  const std::size_t used = m_encoding == Encoding::Bytes
                               ? TranscodeBytes(head.data(), carried + fromBlock, atEnd, out)
                           : m_encoding == Encoding::Utf16LE
                               ? TranscodeUtf16<false>(head.data(), carried + fromBlock, atEnd, out)
                               : TranscodeUtf16<true>(head.data(), carried + fromBlock, atEnd, out);
  m_pieceSourceStart = m_file.BytesConsumed() - carried;
  m_pieceSourceBytes = used;
  m_pieceTextBytes = static_cast<std::size_t>(out - start);
  if (used >= carried) {
    m_file.Consume(used - carried);
    m_carryCount = 0;
  } else {
    // What is left of the carry still stands before the block.
    std::memmove(m_carry.data(), m_carry.data() + used, carried - used);
    m_carryCount = carried - used;
    if (m_pieceTextBytes == 0) {
      // Nothing could be decided yet (a very short read): wait for more bytes.
      std::memcpy(m_carry.data() + m_carryCount, block.data(), fromBlock);
      m_carryCount += fromBlock;
      m_file.Consume(fromBlock);
    }
  }
  return {start, m_pieceTextBytes};
}

std::uint64_t CSourceDecoder::SourceOffset(std::size_t offsetInPiece) const {
  if (m_pieceTextBytes == m_pieceSourceBytes || m_pieceTextBytes == 0)
    return m_pieceSourceStart + offsetInPiece;
  return m_pieceSourceStart + offsetInPiece * m_pieceSourceBytes / m_pieceTextBytes;
}

char* CSourceDecoder::Room(std::size_t bytes) {
  if (m_text.size() < bytes + kSimdPadding)
    m_text.resize(bytes + kSimdPadding);
  return m_text.data();
}
