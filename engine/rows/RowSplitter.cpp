// Lines are cut 64 bytes at a time (Cut): the separators, quotes, carriage returns and
// NULs of a block are found by one compare each, and in the common line every field is a
// view of it. A line that needs more (a carriage return, a quote out of place, a quote
// still open at its end) is read byte by byte instead (SplitByteByByte), with every rule,
// in both modes.
#include "engine/rows/RowSplitter.h"

#include "engine/rows/RowRules.h"

#include <algorithm>
#include <cstring>
#include <optional>

#include "platform/core/Simd.h"
#include "platform/core/Utf8.h"

namespace {

using row_rules::CCarriageReturnRule;
using row_rules::kCarriageReturn;
using row_rules::kQuote;
using row_rules::ValueOf;

// The quotes of a line, a 64-byte block at a time: which bytes are inside quotes (the
// prefix XOR of the quote bits, carried from block to block), and whether every quote is
// in place, opening only at a field's start and closing only at its end, or doubled
// inside.
class CQuoteMasks {
 public:
  // Takes the next block's masks; returns its separators outside quotes.
  std::uint64_t OutsideQuotes(const simd::BlockMasks& masks, bool first, std::size_t count,
                              std::size_t separatorSize) {
    std::uint64_t separators = masks.separators;
    if ((masks.quotes | m_inside | m_closingCarry) != 0) {
      const std::uint64_t in = simd::PrefixXor(masks.quotes) ^ m_inside;
      const std::uint64_t opening = masks.quotes & in;
      const std::uint64_t closing = masks.quotes & ~in;
      const std::uint64_t afterClosing = (closing << 1) | m_closingCarry;
      separators &= ~in;
      const std::uint64_t fieldStarts =
          (separators << separatorSize) | m_separatorCarry | (first ? 1 : 0);
      const std::uint64_t lineEnd = count < 64 ? std::uint64_t{1} << count : 0;
      m_misplaced |= (opening & ~(fieldStarts | afterClosing)) |
                     (afterClosing & ~(separators | opening | lineEnd));
      m_doubled |= afterClosing & opening;
      m_closingCarry = closing >> 63;
      m_inside = in >> 63 != 0 ? ~std::uint64_t{0} : 0;
    }
    m_separatorCarry = separators >> (64 - separatorSize);
    return separators;
  }

  // After the last block: every quote in place, and none left open.
  bool InPlace() const { return m_misplaced == 0 && m_inside == 0; }
  bool Doubled() const { return m_doubled != 0; }

 private:
  std::uint64_t m_inside = 0;  // all ones while inside quotes at a block's end
  // The bits that cross into the next block: a separator's end, a closing quote.
  std::uint64_t m_separatorCarry = 0;
  std::uint64_t m_closingCarry = 0;
  std::uint64_t m_misplaced = 0;
  std::uint64_t m_doubled = 0;
};

// The field from start to end; with quoted fields, one that begins with a quote is its
// inside text (the masks have checked that its closing quote ends it, or they send the
// line the slow way). Without a branch: a quarter of fields quoted at random would miss
// its prediction often.
template <bool kQuoted>
std::string_view Field(const char* start, const char* end) {
  const auto size = static_cast<std::size_t>(end - start);
  if constexpr (kQuoted) {
    const std::size_t quoted = (size != 0) & (*start == kQuote);
    return {start + quoted, size - 2 * quoted};
  }
  return {start, size};
}

}  // namespace

CLineTooLong::CLineTooLong(std::int64_t lineNumber, std::uint64_t limit, bool quoteOpen,
                           std::int64_t lastLine)
    : std::length_error("line too long"),
      m_lineNumber(lineNumber),
      m_limit(limit),
      m_quoteOpen(quoteOpen),
      m_lastLine(lastLine) {}

CRowSplitter::CRowSplitter(CSourceDecoder& source, char32_t separator, std::uint64_t maxLineBytes)
    : m_source(source), m_maxLineBytes(maxLineBytes) {
  SetSeparator(separator);
  m_fields.resize(64);
}

std::uint64_t CRowSplitter::SourceBytesRead() const {
  const auto offset = static_cast<std::size_t>(m_piece.data() - m_pieceStart);
  if (m_headSize > 0 && m_pieceStart == m_head.data())
    return m_headSourceStart + offset * (m_headSourceEnd - m_headSourceStart) / m_headSize;
  return m_source.SourceOffset(offset);
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
  m_recordTextStart = m_lineTextStart;
  m_source.ForgetBefore(m_recordTextStart);
  return true;
}

std::string CRowSplitter::RawRecord() const {
  std::string bytes = m_source.SourceBytes(RecordText(), m_recordTextStart);
  if (m_lineEnded)
    bytes += m_lineEnd;
  return bytes;
}

bool CRowSplitter::ReadPhysicalLine() {
  if (m_atEnd)
    return false;
  if (m_piece.empty()) {
    m_piece = NextPiece();
    m_pieceStart = m_piece.data();
    if (m_piece.empty()) {
      m_atEnd = true;
      return false;
    }
  }
  ++m_lineNumber;
  m_lineTextStart = m_pieceTextStart + static_cast<std::uint64_t>(m_piece.data() - m_pieceStart);
  const void* lineFeed = std::memchr(m_piece.data(), m_lineEnd, m_piece.size());
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
  for (std::string_view piece; !ended && !(piece = NextPiece()).empty();) {
    m_pieceStart = piece.data();
    lineFeed = std::memchr(piece.data(), m_lineEnd, piece.size());
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

// The last line of the input, when no line feed ends it, is a row only when it holds
// something after the carriage-return rule: a character, a separator or a quote.
bool CRowSplitter::IsRow(bool heldSomething) const {
  return m_lineEnded || heldSomething;
}

// A double quote that is the separator never opens a field.
bool CRowSplitter::QuotesOpenFields() const {
  return m_quoted && !(m_separatorSize == 1 && m_separator[0] == kQuote);
}

bool CRowSplitter::SplitLine() {
  m_fault = Fault::kNone;
  const std::size_t size = CCarriageReturnRule::EndOf(m_lineText.data(), m_lineText.size());
  m_cutByBytes = !CutLine(size);
  return m_cutByBytes ? SplitByteByByte(m_lineText) : IsRow(size > 0);
}

// Cuts the line's first size bytes 64 at a time; false when it needs the rules byte by
// byte.
bool CRowSplitter::CutLine(std::size_t size) {
  const char* text = m_lineText.data();
  if (QuotesOpenFields())
    return m_separatorSize == 1 ? Cut<true, false>(text, size) : Cut<true, true>(text, size);
  return m_separatorSize == 1 ? Cut<false, false>(text, size) : Cut<false, true>(text, size);
}

void CRowSplitter::ForEachWindow(const WindowSink& take) {
  if (m_storedFields < m_fieldCount) {
    // The same cut again, the way it went before, full windows handed out as they fill.
    struct Unset {
      const WindowSink*& sink;
      ~Unset() { sink = nullptr; }
    } unset{m_sink = &take};
    if (m_cutByBytes)
      SplitByteByByte(m_recordText);
    else
      CutLine(CCarriageReturnRule::EndOf(m_lineText.data(), m_lineText.size()));
  }
  take(m_fields.data(), m_values, m_storedFields);
}

// Hands the first fields of the array to the sink, with their values: those of a line cut
// 64 bytes at a time are worked out here, since the line's end, where they are otherwise,
// is still to come.
void CRowSplitter::HandOut(std::size_t fields) {
  if (m_valueList.size() < fields)
    m_valueList.resize(m_fields.size());
  if (!m_cutByBytes) {
    if (m_cutQuoted)
      UndoubleQuotes(fields);
    for (std::size_t k = 0; k < fields; ++k)
      m_valueList[k] = ValueOf(m_fields[k], m_cutQuoted);
  }
  (*m_sink)(m_fields.data(), m_valueList.data(), fields);
}

bool CRowSplitter::SeparatorAt(const char* text, std::size_t size, std::size_t at) const {
  if (m_separatorSize == 1)
    return at < size && text[at] == m_separator[0];
  return size - at >= m_separatorSize && std::memcmp(text + at, m_separator, m_separatorSize) == 0;
}

// Makes room for needed more fields after field, folding those past the held ones (the
// kept ones, at most a window) into the count, or, while ForEachWindow cuts, handing a full
// window out; returns where field is then. rest: the line's text still to be cut, when
// known; the views are then sized to the fields it can end at most, not doubled, so that a
// line of millions of separators (a file of commas, a JSON file given by mistake) takes one
// view a field, not up to three while the array moves. Counted only when the array grows,
// which a wide row past the held fields never makes it do.
std::string_view* CRowSplitter::Room(std::string_view* field, std::size_t needed,
                                     std::size_t& folded, std::optional<std::string_view> rest) {
  auto used = static_cast<std::size_t>(field - m_fields.data());
  const std::size_t held =
      m_sink != nullptr ? kWindowFields : std::min(m_keptFields, kWindowFields);
  if (m_sink != nullptr && used + needed > held) {
    HandOut(used);
    folded += used;
    used = 0;
  } else if (used > held) {
    folded += used - held;
    used = held;
  }
  if (m_fields.size() - used < needed) {
    // Past the held fields the array is refilled from the held count, never grown.
    const std::size_t more = std::min(
        rest ? static_cast<std::size_t>(std::count(rest->begin(), rest->end(), m_separator[0]))
             : used,
        held > used ? held - used : 0);
    const std::size_t size = used + more + needed + 64;
    m_fields.reserve(size);  // exactly: resize alone may double the capacity
    m_fields.resize(size);
  }
  return m_fields.data() + used;
}

// Cuts a line (without the carriage return of CR LF) at its separators, 64 bytes at a
// time, each field a view of the line. With quoted fields, the separators inside quotes
// are masked out by the prefix XOR of the quote bits, carried from block to block, and
// the quotes are checked to open only at a field's start and close only at its end (or
// to be doubled inside). Returns false, with nothing decided, for a line that needs the
// rules byte by byte: one that holds a carriage return or another use of quotes, or that
// ends inside quotes. Locals rather than members in the loop: its stores to the fields
// could otherwise alias them.
template <bool kQuoted, bool kMultiByteSeparator>
bool CRowSplitter::Cut(const char* text, std::size_t size) {
  const auto* bytes = reinterpret_cast<const unsigned char*>(text);
  const auto lead = static_cast<unsigned char>(m_separator[0]);
  const std::size_t separatorSize = m_separatorSize;
  std::uint64_t others = 0;
  std::uint64_t quotes = 0;
  CQuoteMasks quoteMasks;
  m_cutQuoted = kQuoted;
  std::size_t folded = 0;
  const char* fieldStart = text;
  std::string_view* field = m_fields.data();
  std::string_view* room = field + m_fields.size();
  for (std::size_t base = 0; base == 0 || base < size; base += 64) {
    // A block ends at most 64 fields, and the line's last field follows.
    if (room - field < 65) {
      field = Room(field, 65, folded, std::string_view(text + base, size - base));
      room = m_fields.data() + m_fields.size();
    }
    const std::size_t count = size - base < 64 ? size - base : 64;
    const simd::BlockMasks masks = simd::BlockMasksOf<kQuoted>(bytes + base, count, lead);
    std::uint64_t separators = masks.separators;
    others |= masks.others;
    quotes |= masks.quotes;
    if constexpr (kQuoted)
      separators = quoteMasks.OutsideQuotes(masks, base == 0, count, separatorSize);
    for (; separators != 0; separators &= separators - 1) {
      const std::size_t at = base + static_cast<std::size_t>(__builtin_ctzll(separators));
      if (kMultiByteSeparator && !SeparatorAt(text, size, at))
        continue;
      *field++ = Field<kQuoted>(fieldStart, text + at);
      fieldStart = text + at + separatorSize;
    }
  }
  // A multi-byte separator's lead byte may stand alone, which the quote check can't tell.
  if (kQuoted && (!quoteMasks.InPlace() || (kMultiByteSeparator && quotes != 0)))
    return false;
  if (others != 0 && std::memchr(text, kCarriageReturn, size) != nullptr)
    return false;
  *field++ = Field<kQuoted>(fieldStart, text + size);
  m_storedFields = static_cast<std::size_t>(field - m_fields.data());
  m_fieldCount = m_storedFields + folded;
  m_values = m_fields.data();
  if (kQuoted && quoteMasks.Doubled())
    UndoubleQuotes(m_storedFields);
  if (others != 0) {
    // NULs cut values; outside quoted mode, double quotes at a field's ends are trimmed.
    m_valueList.assign(m_fields.begin(),
                       m_fields.begin() + static_cast<std::ptrdiff_t>(m_storedFields));
    for (std::string_view& value : m_valueList)
      value = ValueOf(value, kQuoted);
    m_values = m_valueList.data();
  }
  return true;
}

// Makes each doubled quote of a cut line's first quoted fields one, the fields rewritten
// into m_scratch. Unquoted fields hold no quote: the masks checked that.
void CRowSplitter::UndoubleQuotes(std::size_t fields) {
  char* out = nullptr;
  for (std::size_t k = 0; k < fields; ++k) {
    std::string_view& field = m_fields[k];
    const char* quote = static_cast<const char*>(std::memchr(field.data(), kQuote, field.size()));
    if (quote == nullptr)
      continue;
    // Taken at the first doubled quote: a wide row's windows may have none.
    if (out == nullptr) {
      ScratchFor(m_lineText.size());
      out = m_scratch.data();
    }
    // Up to each doubled quote's first half, then past its second.
    char* const start = out;
    const char* from = field.data();
    for (; quote != nullptr; quote = static_cast<const char*>(std::memchr(
                                 from, kQuote, static_cast<std::size_t>(field.end() - from)))) {
      const auto run = static_cast<std::size_t>(quote + 1 - from);
      std::memcpy(out, from, run);
      out += run;
      from = quote + 2;
    }
    const auto rest = static_cast<std::size_t>(field.end() - from);
    std::memcpy(out, from, rest);
    out += rest;
    field = std::string_view(start, static_cast<std::size_t>(out - start));
  }
}
