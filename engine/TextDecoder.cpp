#include "engine/TextDecoder.h"

#include <algorithm>
#include <cassert>
#include <cstring>

#include "engine/Utf8Sequence.h"

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

// Writes a character as one UTF-16 unit or a surrogate pair; returns the end.
char16_t* PutUnits(char16_t* out, char32_t codePoint) {
  if (codePoint < 0x10000) {
    *out++ = static_cast<char16_t>(codePoint);
    return out;
  }
  const char32_t offset = codePoint - 0x10000;
  *out++ = static_cast<char16_t>(0xD800 + (offset >> 10));
  *out++ = static_cast<char16_t>(0xDC00 + (offset & 0x3FF));
  return out;
}

// A character beyond U+FFFF reaches the line as a surrogate pair, unit by unit, so that
// the separator is compared with 16-bit units as everywhere else.
bool PutCodePoint(CLineBuilder& line, char32_t codePoint) {
  if (codePoint < 0x10000)
    return line.Put(static_cast<char16_t>(codePoint));
  const char32_t offset = codePoint - 0x10000;
  line.Put(static_cast<char16_t>(0xD800 + (offset >> 10)));  // a surrogate never ends a line
  return line.Put(static_cast<char16_t>(0xDC00 + (offset & 0x3FF)));
}

template <bool BigEndian>
char16_t UnitAt(const unsigned char* bytes) {
  return BigEndian ? static_cast<char16_t>((bytes[0] << 8) | bytes[1])
                   : static_cast<char16_t>(bytes[0] | (bytes[1] << 8));
}

const unsigned char* Bytes(std::string_view block) {
  return reinterpret_cast<const unsigned char*>(block.data());
}

}  // namespace

CTextDecoder::Encoding CTextDecoder::DetectEncoding(CFile& file) {
  m_carryCount = 0;
  unsigned char head[3];
  std::size_t count = TakeBytes(file, head, 2);
  if (count == 2 && head[0] == 0xFF && head[1] == 0xFE)
    return m_encoding = Encoding::Utf16LE;
  if (count == 2 && head[0] == 0xFE && head[1] == 0xFF)
    return m_encoding = Encoding::Utf16BE;
  m_encoding = Encoding::Bytes;
  if (count == 2 && head[0] == 0xEF && head[1] == 0xBB) {
    count += TakeBytes(file, head + 2, 1);
    if (count == 3 && head[2] == 0xBF)
      return m_encoding;
  }
  // Not a mark: these bytes are the start of the text.
  KeepInCarry(reinterpret_cast<const char*>(head), count);
  return m_encoding;
}

void CTextDecoder::SetSeparator(char16_t separator) {
  m_separator = separator;
  m_specialBytes.SetSeparator(separator);
}

bool CTextDecoder::ReadLine(CFile& file, CLineBuilder& line) {
  switch (m_encoding) {
    case Encoding::Utf16LE:
      return ReadLineUtf16<false>(file, line);
    case Encoding::Utf16BE:
      return ReadLineUtf16<true>(file, line);
    case Encoding::Bytes:
      break;
  }
  return ReadLineBytes(file, line);
}

void CTextDecoder::KeepInCarry(const char* bytes, std::size_t count) {
  assert(m_carryCount + count <= m_carry.size());
  std::memcpy(m_carry.data() + m_carryCount, bytes, count);
  m_carryCount += count;
}

bool CTextDecoder::ReadLineBytes(CFile& file, CLineBuilder& line) {
  for (;;) {
    std::string_view block = file.NextBlock();
    const bool atEnd = block.empty();
    if (m_carryCount > 0) {
      const CarryResult result = DrainCarryBytes(file, block, line);
      if (result == CarryResult::LineEnded)
        return true;
      if (result == CarryResult::NeedMore)
        continue;
    }
    if (atEnd)
      return false;
    const unsigned char* bytes = Bytes(block);
    const std::size_t size = block.size();
    std::size_t pos = 0;
    while (pos < size) {
      pos = DecodeText(bytes, pos, size, line);
      if (pos == size)
        break;
      // A carriage return, a line feed, an ASCII separator, or a character that
      // DecodeText left to the line rules: a separator beyond ASCII or a sequence that the
      // end of the block splits.
      if (bytes[pos] < 0x80) {
        if (line.Put(bytes[pos++])) {
          file.Consume(pos);
          return true;
        }
        continue;
      }
      const Utf8Sequence::Decoded decoded = Utf8Sequence::Decode(bytes + pos, size - pos, false);
      if (decoded.used == 0) {
        // The sequence goes on in the next block.
        KeepInCarry(block.data() + pos, size - pos);
        pos = size;
        break;
      }
      pos += decoded.used;
      if (PutCodePoint(line, decoded.codePoint)) {
        file.Consume(pos);
        return true;
      }
    }
    file.Consume(size);
  }
}

// Decodes the text from pos up to the next carriage return, line feed or ASCII separator
// into the current field, a piece at a time. Returns where it stopped: at that byte, at the
// end of the block, or before a character that the line rules must see (see
// ReadLineBytes).
std::size_t CTextDecoder::DecodeText(const unsigned char* bytes, std::size_t pos, std::size_t size,
                                     CLineBuilder& line) {
  const std::size_t end = pos + m_specialBytes.Find(bytes + pos, size - pos);
  // Before a special byte no sequence can go on: its continuation bytes are 0x80 or above.
  const bool textEnds = end < size;
  while (pos < end) {
    // A piece of n bytes gives at most n units; its last sequence may reach 3 bytes beyond.
    const std::size_t pieceEnd = pos + std::min(end - pos, kPieceUnits);
    char16_t* out = m_units.data();
    bool stopped = false;
    while (pos < pieceEnd) {
      const std::size_t ascii = WidenAscii(bytes + pos, pieceEnd - pos, size - pos, out);
      pos += ascii;
      out += ascii;
      if (pos == pieceEnd)
        break;
      const Utf8Sequence::Decoded decoded = Utf8Sequence::Decode(bytes + pos, end - pos, textEnds);
      if (decoded.used == 0 || SplitsAt(decoded.codePoint)) {
        stopped = true;
        break;
      }
      pos += decoded.used;
      out = PutUnits(out, decoded.codePoint);
    }
    line.Append(m_units.data(), static_cast<std::size_t>(out - m_units.data()));
    if (stopped)
      break;
  }
  return pos;
}

// True when a decoded character holds the separator, which is then beyond ASCII. A
// character above U+FFFF is compared unit by unit, as PutCodePoint hands it over.
bool CTextDecoder::SplitsAt(char32_t codePoint) const {
  if (m_separator < 0x80)
    return false;
  if (codePoint < 0x10000)
    return codePoint == m_separator;
  const char32_t offset = codePoint - 0x10000;
  return 0xD800 + (offset >> 10) == m_separator || 0xDC00 + (offset & 0x3FF) == m_separator;
}

CTextDecoder::CarryResult CTextDecoder::DrainCarryBytes(CFile& file, std::string_view& block,
                                                        CLineBuilder& line) {
  const bool atEnd = block.empty();
  while (m_carryCount > 0) {
    // The carry and the start of the block, enough for any one sequence.
    std::array<unsigned char, 8> window{};
    const std::size_t carried = m_carryCount;
    const std::size_t fromBlock = std::min<std::size_t>(4, block.size());
    std::memcpy(window.data(), m_carry.data(), carried);
    std::memcpy(window.data() + carried, block.data(), fromBlock);
    const Utf8Sequence::Decoded decoded =
        Utf8Sequence::Decode(window.data(), carried + fromBlock, atEnd);
    if (decoded.used == 0) {
      // The whole block is still the start of one sequence (a very short read).
      KeepInCarry(block.data(), block.size());
      file.Consume(block.size());
      block = {};
      return CarryResult::NeedMore;
    }
    if (decoded.used >= carried) {
      const std::size_t taken = decoded.used - carried;
      file.Consume(taken);
      block.remove_prefix(taken);
      m_carryCount = 0;
    } else {
      std::memmove(m_carry.data(), m_carry.data() + decoded.used, carried - decoded.used);
      m_carryCount -= decoded.used;
    }
    if (PutCodePoint(line, decoded.codePoint))
      return CarryResult::LineEnded;
  }
  return CarryResult::Done;
}

template <bool BigEndian>
bool CTextDecoder::ReadLineUtf16(CFile& file, CLineBuilder& line) {
  for (;;) {
    std::string_view block = file.NextBlock();
    const bool atEnd = block.empty();
    if (m_carryCount > 0 && DrainCarryUtf16<BigEndian>(file, block, line) == CarryResult::LineEnded)
      return true;
    if (atEnd)
      return false;
    const unsigned char* bytes = Bytes(block);
    const std::size_t size = block.size();
    std::size_t pos = 0;
    while (size - pos >= 2) {
      std::size_t runEnd = pos;
      char16_t unit = 0;
      for (; size - runEnd >= 2; runEnd += 2) {
        unit = UnitAt<BigEndian>(bytes + runEnd);
        if (unit == CLineBuilder::kCarriageReturn || unit == CLineBuilder::kLineFeed ||
            unit == m_separator)
          break;
      }
      while (pos < runEnd) {
        const std::size_t piece = std::min((runEnd - pos) / 2, kPieceUnits);
        for (std::size_t k = 0; k < piece; ++k)
          m_units[k] = UnitAt<BigEndian>(bytes + pos + 2 * k);
        line.Append(m_units.data(), piece);
        pos += 2 * piece;
      }
      if (size - pos < 2)
        break;
      pos += 2;
      if (line.Put(unit)) {
        file.Consume(pos);
        return true;
      }
    }
    // An odd byte at the end of the block waits for its partner.
    if (pos < size)
      KeepInCarry(block.data() + pos, size - pos);
    file.Consume(size);
  }
}

template <bool BigEndian>
CTextDecoder::CarryResult CTextDecoder::DrainCarryUtf16(CFile& file, std::string_view& block,
                                                        CLineBuilder& line) {
  while (m_carryCount > 0) {
    char16_t unit;
    if (m_carryCount >= 2) {
      unit = UnitAt<BigEndian>(m_carry.data());
      std::memmove(m_carry.data(), m_carry.data() + 2, m_carryCount - 2);
      m_carryCount -= 2;
    } else if (!block.empty()) {
      const unsigned char pair[2] = {m_carry[0], Bytes(block)[0]};
      unit = UnitAt<BigEndian>(pair);
      m_carryCount = 0;
      file.Consume(1);
      block.remove_prefix(1);
    } else {
      // An odd last byte of the file is a character of its own value.
      unit = m_carry[0];
      m_carryCount = 0;
    }
    if (line.Put(unit))
      return CarryResult::LineEnded;
  }
  return CarryResult::Done;
}
