#include "engine/source/SourceDecoder.h"

#include <algorithm>
#include <cstring>
#include <functional>
#include <utility>

#include "engine/source/Windows1252.h"
#include "platform/core/Simd.h"
#include "platform/core/Utf8.h"

namespace {

// Takes up to count bytes from the file into out; returns how many there were.
std::size_t TakeBytes(CFile& file, char* out, std::size_t count) {
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

// The UTF-8 of what each byte 0x80-0xFF stands for when it starts no well-formed sequence,
// padded to 4 bytes so that it is copied in one move.
struct FallbackBytes {
  std::array<char, 4> bytes{};
  std::size_t size = 0;
};
const std::array<FallbackBytes, 128> kFallback = [] {
  std::array<FallbackBytes, 128> table{};
  for (std::size_t k = 0; k < table.size(); ++k) {
    char* const start = table[k].bytes.data();
    table[k].size = static_cast<std::size_t>(
        utf8::Encode(windows1252::CharacterOf(static_cast<unsigned char>(0x80 + k)), start) -
        start);
  }
  return table;
}();

// 8-bit text as UTF-8: a byte that starts no well-formed sequence is read by the
// Windows-1252 table, and the first such byte's position goes to firstBad (when it is
// still SIZE_MAX). Stops before a sequence that the end of the bytes may cut, unless atEnd.
// Writes up to 16 bytes past the text it returns (within the padding).
std::size_t TranscodeBytes(const unsigned char* bytes, std::size_t size, bool atEnd, char*& out,
                           std::size_t& firstBad,
                           const std::function<void(char*, unsigned char)>* note = nullptr) {
  std::size_t pos = 0;
  while (pos < size) {
    // Runs of ASCII, which most of such text is, copied in one move up to the first byte
    // that is not.
    const std::size_t ascii = CopyAsciiPadded(out, bytes + pos, size - pos);
    pos += ascii;
    out += ascii;
    if (pos == size)
      break;
    const unsigned char byte = bytes[pos];
    // A lead byte not followed by a continuation byte starts nothing: in 8-bit text, the
    // common case, that is seen without decoding.
    if (byte >= 0xC2 && byte <= 0xF4 && (size - pos == 1 || (bytes[pos + 1] & 0xC0) == 0x80)) {
      const utf8::Decoded decoded = utf8::Decode(bytes + pos, size - pos, atEnd);
      if (decoded.used == 0)
        break;
      if (decoded.wellFormed) {
        std::memcpy(out, bytes + pos, decoded.used);
        out += decoded.used;
        pos += decoded.used;
        continue;
      }
    }
    firstBad = std::min(firstBad, pos);
    if (note != nullptr)
      (*note)(out, byte);
    const FallbackBytes& fallback = kFallback[byte - 0x80];
    std::memcpy(out, fallback.bytes.data(), 4);
    out += fallback.size;
    ++pos;
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

CSourceDecoder::CSourceDecoder(CFile& file, const std::string& encodingName) : m_file(file) {
  if (encodingName.empty()) {
    ChooseAutomatically();
    return;
  }
  m_iconv = std::make_unique<CIconvDecoder>(encodingName);
  m_encoding.kind = SourceEncoding::Kind::Chosen;
  m_encoding.why = SourceEncoding::Why::Chosen;
  m_encoding.chosenName = encodingName;
}

CSourceDecoder::CSourceDecoder(CFile& file, Continuing continuing)
    : m_file(file), m_encoding(std::move(continuing.encoding)) {}

CSourceDecoder::~CSourceDecoder() = default;

void CSourceDecoder::ChooseAutomatically() {
  using Kind = SourceEncoding::Kind;
  using Why = SourceEncoding::Why;
  m_head.resize(kSniffBytes + kSimdPadding);
  m_headSize = TakeBytes(m_file, m_head.data(), kSniffBytes);
  const unsigned char* bytes = Bytes(m_head);
  const std::size_t size = m_headSize;
  const auto marked = [&](Kind kind, std::size_t markBytes) {
    m_encoding.kind = kind;
    m_encoding.why = Why::Mark;
    m_headPos = markBytes;
  };
  if (size >= 2 && bytes[0] == 0xFF && bytes[1] == 0xFE)
    return marked(Kind::Utf16LE, 2);
  if (size >= 2 && bytes[0] == 0xFE && bytes[1] == 0xFF)
    return marked(Kind::Utf16BE, 2);
  if (size >= 3 && bytes[0] == 0xEF && bytes[1] == 0xBB && bytes[2] == 0xBF)
    return marked(Kind::Utf8, 3);
  // ASCII text in UTF-16 has a NUL in every other byte, and 8-bit text hardly any.
  std::size_t nuls[2] = {0, 0};
  for (std::size_t k = 0; k < size; ++k)
    nuls[k & 1] += bytes[k] == 0;
  const std::size_t oddBytes = size / 2, evenBytes = size - oddBytes;
  if (nuls[0] == 0 && 2 * nuls[1] > oddBytes)
    m_encoding.kind = Kind::Utf16LE;
  else if (nuls[1] == 0 && 2 * nuls[0] > evenBytes)
    m_encoding.kind = Kind::Utf16BE;
  if (m_encoding.IsUtf16())
    m_encoding.why = Why::NulBytes;
}

std::string_view CSourceDecoder::Input() {
  if (m_headPos < m_headSize)
    return {m_head.data() + m_headPos, m_headSize - m_headPos};
  return m_file.NextBlock();
}

void CSourceDecoder::Take(std::size_t bytes) {
  if (m_headPos < m_headSize)
    m_headPos += bytes;
  else
    m_file.Consume(bytes);
}

std::uint64_t CSourceDecoder::InputOffset() const {
  return m_headPos < m_headSize ? m_headPos : m_file.BytesConsumed();
}

std::string_view CSourceDecoder::Read() {
  const std::string_view text = m_iconv ? ReadChosen() : ReadAutomatic();
  m_textHandedOut += text.size();
  return text;
}

std::string_view CSourceDecoder::ReadAutomatic() {
  for (;;) {
    const std::string_view block = Input();
    if (m_carryCount > 0) {
      const std::string_view text = DrainCarry(block);
      if (!text.empty())
        return text;
      continue;
    }
    if (block.empty())
      return {};
    const std::string_view text = DecodeBlock(block);
    if (!text.empty())
      return text;
  }
}

std::string_view CSourceDecoder::ReadChosen() {
  while (!m_ended) {
    const std::string_view block = Input();
    const bool atEnd = block.empty();
    m_pieceSourceStart = InputOffset() - m_iconv->Pending();
    m_pieceSourceBytes = m_iconv->Pending() + block.size();
    std::string_view text = m_iconv->Decode(block, atEnd, m_text);
    Take(block.size());
    m_ended = atEnd;
    m_encoding.undecodable = m_iconv->Undecodable();
    // A mark that the chosen encoding writes is no part of the text.
    if (!m_started && !text.empty()) {
      m_started = true;
      if (text.starts_with("\xEF\xBB\xBF"))
        text.remove_prefix(3);
    }
    m_pieceTextBytes = text.size();
    if (!text.empty())
      return text;
  }
  return {};
}

std::string_view CSourceDecoder::DecodeBlock(std::string_view block) {
  m_pieceSourceStart = InputOffset();
  std::size_t used = 0;
  bool asItStands = false;
  if (m_encoding.kind == SourceEncoding::Kind::Utf8) {
    used = block.size() - OpenSequenceBytes(Bytes(block), block.size());
    asItStands = utf8::IsWellFormed(Bytes(block), used);
  }
  std::string_view text;
  if (asItStands) {
    // Well-formed UTF-8 is handed out as it stands; a sequence that the block's end cuts
    // waits in the carry for the rest of it.
    text = block.substr(0, used);
  } else {
    // A byte becomes at most 3 bytes of UTF-8 (the euro sign), a UTF-16 unit too.
    char* const start = Room(3 * block.size());
    char* out = start;
    used = TranscodePiece(Bytes(block), block.size(), false, start, out);
    text = {start, static_cast<std::size_t>(out - start)};
  }
  std::memcpy(m_carry.data(), block.data() + used, block.size() - used);
  m_carryCount = block.size() - used;
  Take(block.size());
  m_pieceSourceBytes = used;
  m_pieceTextBytes = text.size();
  return text;
}

std::size_t CSourceDecoder::Transcode(const unsigned char* bytes, std::size_t size, bool atEnd,
                                      char*& out) {
  switch (m_encoding.kind) {
    case SourceEncoding::Kind::Utf16LE:
      return TranscodeUtf16<false>(bytes, size, atEnd, out);
    case SourceEncoding::Kind::Utf16BE:
      return TranscodeUtf16<true>(bytes, size, atEnd, out);
    case SourceEncoding::Kind::Utf8:
    case SourceEncoding::Kind::Chosen:
      break;
  }
  std::size_t firstBad = SIZE_MAX;
  const std::size_t used = TranscodeBytes(bytes, size, atEnd, out, firstBad);
  if (firstBad != SIZE_MAX && m_encoding.firstNotUtf8 == 0)
    m_encoding.firstNotUtf8 = m_pieceSourceStart + firstBad + 1;
  return used;
}

std::size_t CSourceDecoder::TranscodePiece(const unsigned char* bytes, std::size_t size, bool atEnd,
                                           char* start, char*& out) {
  if (!m_keepFallbacks || m_encoding.kind != SourceEncoding::Kind::Utf8)
    return Transcode(bytes, size, atEnd, out);
  const std::function<void(char*, unsigned char)> note = [&](char* at, unsigned char byte) {
    m_fallbacks.push_back({m_textHandedOut + static_cast<std::uint64_t>(at - start), byte});
  };
  std::size_t firstBad = SIZE_MAX;
  const std::size_t used = TranscodeBytes(bytes, size, atEnd, out, firstBad, &note);
  if (firstBad != SIZE_MAX && m_encoding.firstNotUtf8 == 0)
    m_encoding.firstNotUtf8 = m_pieceSourceStart + firstBad + 1;
  return used;
}

void CSourceDecoder::ForgetFallbacksBefore(std::uint64_t textStart) {
  while (!m_fallbacks.empty() && m_fallbacks.front().textOffset < textStart)
    m_fallbacks.pop_front();
}

std::string CSourceDecoder::SourceBytes(std::string_view text, std::uint64_t textStart) const {
  const auto first = std::lower_bound(
      m_fallbacks.begin(), m_fallbacks.end(), textStart,
      [](const Fallback& fallback, std::uint64_t offset) { return fallback.textOffset < offset; });
  std::string bytes;
  bytes.reserve(text.size());
  std::size_t pos = 0;
  for (auto it = first; it != m_fallbacks.end() && it->textOffset < textStart + text.size(); ++it) {
    const auto at = static_cast<std::size_t>(it->textOffset - textStart);
    bytes.append(text.substr(pos, at - pos));
    bytes += static_cast<char>(it->byte);
    pos = at + kFallback[it->byte - 0x80].size;
  }
  bytes.append(text.substr(std::min(pos, text.size())));
  return bytes;
}

std::string_view CSourceDecoder::DrainCarry(std::string_view block) {
  const bool atEnd = block.empty();
  // The carry and the start of the block: enough for any one character.
  std::array<unsigned char, 8> head{};
  const std::size_t carried = m_carryCount;
  const std::size_t fromBlock = std::min<std::size_t>(4, block.size());
  std::memcpy(head.data(), m_carry.data(), carried);
  if (fromBlock != 0)  // an empty block at the end may have no bytes at all
    std::memcpy(head.data() + carried, block.data(), fromBlock);
  char* const start = Room(4 * head.size());
  char* out = start;
  m_pieceSourceStart = InputOffset() - carried;
  const std::size_t used = TranscodePiece(head.data(), carried + fromBlock, atEnd, start, out);
  m_pieceSourceBytes = used;
  m_pieceTextBytes = static_cast<std::size_t>(out - start);
  if (used >= carried) {
    Take(used - carried);
    m_carryCount = 0;
  } else {
    // What is left of the carry still stands before the block.
    std::memmove(m_carry.data(), m_carry.data() + used, carried - used);
    m_carryCount = carried - used;
    if (m_pieceTextBytes == 0) {
      // Nothing could be decided yet (a very short read): wait for more bytes.
      std::memcpy(m_carry.data() + m_carryCount, block.data(), fromBlock);
      m_carryCount += fromBlock;
      Take(fromBlock);
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
