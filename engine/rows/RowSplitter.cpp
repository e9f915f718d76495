#include "engine/rows/RowSplitter.h"

#include <cstring>

#include "platform/core/Simd.h"
#include "platform/core/Utf8.h"

namespace {

constexpr char kLineFeed = '\n';
constexpr char kCarriageReturn = '\r';
constexpr unsigned kFoundCarriageReturn = 1;
constexpr unsigned kFoundNul = 2;
constexpr unsigned kFoundQuote = 4;

}  // namespace

CLineTooLong::CLineTooLong(std::int64_t lineNumber, std::uint64_t limit)
    : std::length_error("line too long"), m_lineNumber(lineNumber), m_limit(limit) {}

CRowSplitter::CRowSplitter(CSourceDecoder& source, char32_t separator, std::uint64_t maxLineBytes)
    : m_source(source), m_maxLineBytes(maxLineBytes) {
  SetSeparator(separator);
  m_fields.resize(64);
}

std::uint64_t CRowSplitter::SourceBytesRead() const {
  return m_source.SourceOffset(static_cast<std::size_t>(m_piece.data() - m_pieceStart));
}

void CRowSplitter::SetSeparator(char32_t separator) {
  m_separatorSize = static_cast<std::size_t>(utf8::Encode(separator, m_separator) - m_separator);
}

void CRowSplitter::SetQuoted(bool quoted) {
  m_quoted = quoted;
}

void CRowSplitter::CheckLineSize(std::size_t size, std::int64_t lineNumber) const {
  if (size > m_maxLineBytes)
    throw CLineTooLong(lineNumber, m_maxLineBytes);
}

bool CRowSplitter::ReadLine() {
  if (!ReadPhysicalLine())
    return false;
  m_recordLineNumber = m_lineNumber;
  return true;
}

bool CRowSplitter::ReadPhysicalLine() {
  if (m_atEnd)
    return false;
  if (m_piece.empty()) {
    m_piece = m_source.Read();
    m_pieceStart = m_piece.data();
    if (m_piece.empty()) {
      m_atEnd = true;
      return false;
    }
  }
  ++m_lineNumber;
  const void* lineFeed = std::memchr(m_piece.data(), kLineFeed, m_piece.size());
  if (lineFeed != nullptr) {
    const auto size = static_cast<std::size_t>(static_cast<const char*>(lineFeed) - m_piece.data());
    CheckLineSize(size, m_lineNumber);
    m_lineText = std::string_view(m_piece.data(), size);
    m_piece.remove_prefix(size + 1);
    m_lineEnded = true;
    return true;
  }
  // The line goes on in the next piece: gathered here, so that its fields are whole.
  m_line.assign(m_piece);
  m_piece.remove_prefix(m_piece.size());
  bool ended = false;
  for (std::string_view piece; !ended && !(piece = m_source.Read()).empty();) {
    m_pieceStart = piece.data();
    lineFeed = std::memchr(piece.data(), kLineFeed, piece.size());
    ended = lineFeed != nullptr;
    const std::size_t size =
        ended ? static_cast<std::size_t>(static_cast<const char*>(lineFeed) - piece.data())
              : piece.size();
    CheckLineSize(m_line.size() + size, m_lineNumber);
    // Grown by half rather than doubled: a long line's memory stays near its length.
    if (m_line.capacity() < m_line.size() + size + kSimdPadding)
      m_line.reserve((m_line.size() + size + kSimdPadding) * 3 / 2);
    m_line.append(piece.data(), size);
    m_piece = ended ? piece.substr(size + 1) : piece.substr(size);
  }
  const std::size_t size = m_line.size();
  m_line.append(kSimdPadding, '\0');
  m_lineText = std::string_view(m_line.data(), size);
  m_lineEnded = ended;
  if (!ended)
    m_atEnd = true;
  return true;
}

bool CRowSplitter::SplitLine() {
  m_fault = Fault::kNone;
  // A double quote that is the separator never opens a field.
  if (m_quoted && !(m_separatorSize == 1 && m_separator[0] == '"'))
    return SplitQuotedRecord();
  Split(m_lineText.data(), m_lineText.size());
  return m_lineEnded || m_fieldCount > 1 || !m_fields[0].empty();
}

bool CRowSplitter::SeparatorAt(const char* text, std::size_t size, std::size_t at) const {
  if (m_separatorSize == 1)
    return at < size && text[at] == m_separator[0];
  return size - at >= m_separatorSize && std::memcmp(text + at, m_separator, m_separatorSize) == 0;
}

// Splits a line 16 bytes at a time. In the common line, without a carriage return, every
// field is a view of the line.
void CRowSplitter::Split(const char* text, std::size_t size) {
  // The carriage return of CR LF: skipped, as the first of its run.
  if (size > 0 && text[size - 1] == kCarriageReturn &&
      (size == 1 || text[size - 2] != kCarriageReturn))
    --size;
  const unsigned found =
      m_separatorSize == 1 ? SplitAt<false>(text, size) : SplitAt<true>(text, size);
  if ((found & kFoundCarriageReturn) != 0) {
    SplitLineWithCarriageReturns(text, size);
    return;
  }
  m_values = m_fields.data();
  if ((found & (kFoundNul | kFoundQuote)) != 0) {
    m_valueList.assign(m_fields.begin(),
                       m_fields.begin() + static_cast<std::ptrdiff_t>(m_storedFields));
    for (std::string_view& value : m_valueList)
      value = FieldValue(value);
    m_values = m_valueList.data();
  }
}

// Cuts the line at its separators into m_fields; says whether it met a carriage return,
// a NUL or a double quote (kFound...). Locals rather than members in the loop: its stores
// to the fields could otherwise alias them.
template <bool kMultiByteSeparator>
unsigned CRowSplitter::SplitAt(const char* text, std::size_t size) {
  const auto* bytes = reinterpret_cast<const unsigned char*>(text);
  const auto lead = static_cast<unsigned char>(m_separator[0]);
  const std::size_t separatorSize = m_separatorSize;
  std::uint64_t others = 0;
  std::size_t folded = 0;
  const char* fieldStart = text;
  std::string_view* field = m_fields.data();
  std::string_view* room = field + m_fields.size();
  for (std::size_t base = 0; base == 0 || base < size; base += 64) {
    // A block ends at most 64 fields, and the line's last field follows.
    if (room - field < 65) {
      auto used = static_cast<std::size_t>(field - m_fields.data());
      if (used > m_keptFields) {
        folded += used - m_keptFields;
        used = m_keptFields;
      }
      if (m_fields.size() - used < 65)
        m_fields.resize(2 * used + 128);
      field = m_fields.data() + used;
      room = m_fields.data() + m_fields.size();
    }
    const simd::BlockMasks masks =
        simd::BlockMasksOf(bytes + base, size - base < 64 ? size - base : 64, lead);
    others |= masks.others;
    for (std::uint64_t separators = masks.separators; separators != 0;
         separators &= separators - 1) {
      const std::size_t at = base + static_cast<std::size_t>(__builtin_ctzll(separators));
      if (kMultiByteSeparator && !SeparatorAt(text, size, at))
        continue;
      *field++ = {fieldStart, static_cast<std::size_t>(text + at - fieldStart)};
      fieldStart = text + at + separatorSize;
    }
  }
  *field++ = {fieldStart, static_cast<std::size_t>(text + size - fieldStart)};
  m_storedFields = static_cast<std::size_t>(field - m_fields.data());
  m_fieldCount = m_storedFields + folded;
  return others == 0 ? 0 : RulesMet(text, size);
}

// Which of the rare bytes a line holds, 16 bytes at a time.
unsigned CRowSplitter::RulesMet(const char* text, std::size_t size) const {
  const auto* bytes = reinterpret_cast<const unsigned char*>(text);
  unsigned carriageReturns = 0;
  unsigned nuls = 0;
  unsigned quotes = 0;
  for (std::size_t base = 0; base < size; base += 16) {
    const simd::ChunkMasks masks = simd::MasksOf(bytes + base, size - base < 16 ? size - base : 16,
                                                 static_cast<unsigned char>(m_separator[0]));
    carriageReturns |= masks.carriageReturns;
    nuls |= masks.nuls;
    quotes |= masks.quotes;
  }
  return (carriageReturns != 0 ? kFoundCarriageReturn : 0) | (nuls != 0 ? kFoundNul : 0) |
         (quotes != 0 ? kFoundQuote : 0);
}

// Makes room for one more field after field, folding those past the kept ones into the
// count; returns where field is then.
std::string_view* CRowSplitter::RoomForField(std::string_view* field, std::size_t& folded) {
  auto used = static_cast<std::size_t>(field - m_fields.data());
  if (used > m_keptFields) {
    folded += used - m_keptFields;
    used = m_keptFields;
  }
  if (used == m_fields.size())
    m_fields.resize(2 * used + 32);
  return m_fields.data() + used;
}

// The same for a line that holds a carriage return, character by character into scratch.
void CRowSplitter::SplitLineWithCarriageReturns(const char* text, std::size_t size) {
  if (m_scratch.size() < size + kSimdPadding)
    m_scratch.resize(size + kSimdPadding);
  char* out = m_scratch.data();
  const char* fieldStart = out;
  std::string_view* field = m_fields.data();
  std::size_t folded = 0;
  bool afterCarriageReturn = false;
  for (std::size_t pos = 0; pos < size; ++pos) {
    const char byte = text[pos];
    if (byte == kCarriageReturn && !afterCarriageReturn) {
      afterCarriageReturn = true;
      continue;
    }
    afterCarriageReturn = false;
    if (byte == m_separator[0] && SeparatorAt(text, size, pos)) {
      field = RoomForField(field, folded);
      *field++ = {fieldStart, static_cast<std::size_t>(out - fieldStart)};
      fieldStart = out;
      pos += m_separatorSize - 1;
      continue;
    }
    *out++ = byte;
  }
  field = RoomForField(field, folded);
  *field++ = {fieldStart, static_cast<std::size_t>(out - fieldStart)};
  m_storedFields = static_cast<std::size_t>(field - m_fields.data());
  m_fieldCount = m_storedFields + folded;
  m_valueList.assign(m_fields.begin(),
                     m_fields.begin() + static_cast<std::ptrdiff_t>(m_storedFields));
  for (std::string_view& value : m_valueList)
    value = FieldValue(value);
  m_values = m_valueList.data();
}
