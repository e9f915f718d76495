// Quoted records: a field that begins with a double quote runs to its closing quote, so
// that a record may hold separators and line feeds as text and span several lines. Only
// lines that hold a double quote come here; the others split as in the default mode.
//
// The record is read field by field. The fields gather in m_scratch as offsets, since
// the record may move while it grows line by line, and become views once it is whole.
#include <cstring>

#include "engine/RowSplitter.h"
#include "platform/core/Simd.h"

namespace {

constexpr char kQuote = '"';
constexpr char kCarriageReturn = '\r';
// Where a field ends when no separator ends it: the record's end.
constexpr std::size_t kRecordEnd = std::string_view::npos;

// The end of a record's text for its last unquoted field: without the carriage return of
// CR LF, as in the default mode.
std::size_t WithoutFinalCarriageReturn(std::string_view text) {
  const std::size_t size = text.size();
  if (size > 0 && text[size - 1] == kCarriageReturn &&
      (size == 1 || text[size - 2] != kCarriageReturn))
    return size - 1;
  return size;
}

}  // namespace

bool CRowSplitter::SplitQuotedRecord() {
  std::string_view text = m_lineText;
  m_scratch.clear();
  m_spans.clear();
  std::size_t folded = 0;
  std::size_t pos = 0;
  for (;;) {
    const std::size_t start = m_scratch.size();
    const bool quoted = pos < text.size() && text[pos] == kQuote;
    const std::size_t separator = quoted
                                      ? QuotedField(text, pos)
                                      : UnquotedField(text, pos, WithoutFinalCarriageReturn(text));
    AddQuotedRecordField(start, quoted, folded);
    if (separator == kRecordEnd)
      break;
    pos = separator + m_separatorSize;
  }

  m_scratch.append(kSimdPadding, '\0');
  const std::size_t count = m_spans.size();
  if (m_fields.size() < count)
    m_fields.resize(count + 32);
  m_valueList.resize(count);
  for (std::size_t k = 0; k < count; ++k) {
    const FieldSpan& span = m_spans[k];
    const std::string_view field(m_scratch.data() + span.start, span.size);
    m_fields[k] = field;
    // A quoted field's value is its inside text: quotes at its ends are part of it.
    m_valueList[k] = span.quoted ? field.substr(0, field.find('\0')) : FieldValue(field);
  }
  m_storedFields = count;
  m_fieldCount = count + folded;
  m_values = m_valueList.data();
  return true;  // a record with a quote holds a character
}

// Keeps the field that m_scratch holds from start, or only counts it past the kept ones.
void CRowSplitter::AddQuotedRecordField(std::size_t start, bool quoted, std::size_t& folded) {
  if (m_spans.size() >= m_keptFields) {
    ++folded;
    m_scratch.resize(start);
    return;
  }
  m_spans.push_back({start, m_scratch.size() - start, quoted});
}

// Reads the quoted field whose opening quote is at pos into m_scratch, growing the record
// by the next line while the quote is open. Returns the position of the separator after
// it, or kRecordEnd.
std::size_t CRowSplitter::QuotedField(std::string_view& text, std::size_t pos) {
  std::size_t from = pos + 1;
  for (;;) {
    const void* found = std::memchr(text.data() + from, kQuote, text.size() - from);
    if (found == nullptr) {
      m_scratch.append(text.substr(from));
      from = text.size();  // where the line feed that joins the next line goes
      if (!ExtendRecord(text)) {
        m_fault = Fault::kQuoteNotClosed;
        return kRecordEnd;
      }
      continue;
    }
    const auto quote = static_cast<std::size_t>(static_cast<const char*>(found) - text.data());
    m_scratch.append(text.substr(from, quote - from));
    if (quote + 1 < text.size() && text[quote + 1] == kQuote) {
      m_scratch.push_back(kQuote);
      from = quote + 2;
      continue;
    }
    pos = quote + 1;
    break;
  }
  // A carriage return after the closing quote is fine at the line's end or before the
  // separator, as in CR LF.
  if (pos < text.size() && text[pos] == kCarriageReturn &&
      (pos + 1 == text.size() || SeparatorAt(text.data(), text.size(), pos + 1)))
    ++pos;
  if (pos == text.size())
    return kRecordEnd;
  if (SeparatorAt(text.data(), text.size(), pos))
    return pos;
  // The rest of the field runs to the separator as usual; the record is no row.
  m_fault = Fault::kTextAfterQuote;
  return UnquotedField(text, pos, WithoutFinalCarriageReturn(text));
}

// Appends the next line, after a line feed, to the record; false at the end of the input.
bool CRowSplitter::ExtendRecord(std::string_view& text) {
  if (!m_lineEnded)
    return false;
  if (text.data() != m_record.data())
    m_record.assign(text);
  if (!ReadPhysicalLine())
    return false;
  CheckLineSize(m_record.size() + 1 + m_lineText.size(), m_recordLineNumber);
  m_record += '\n';
  m_record += m_lineText;
  text = m_record;
  return true;
}

// Reads the unquoted field at pos, up to the separator or end, into m_scratch, with the
// default mode's carriage-return rule. Returns the separator's position or kRecordEnd.
std::size_t CRowSplitter::UnquotedField(std::string_view text, std::size_t pos, std::size_t end) {
  const std::size_t separator = FindSeparator(text, pos, end);
  const std::size_t fieldEnd = separator == kRecordEnd ? end : separator;
  if (m_separator[0] != kCarriageReturn &&
      std::memchr(text.data() + pos, kCarriageReturn, fieldEnd - pos) == nullptr) {
    m_scratch.append(text.substr(pos, fieldEnd - pos));
    return separator;
  }
  bool afterCarriageReturn = false;
  for (std::size_t at = pos; at < end; ++at) {
    const char byte = text[at];
    if (byte == kCarriageReturn && !afterCarriageReturn) {
      afterCarriageReturn = true;
      continue;
    }
    afterCarriageReturn = false;
    if (byte == m_separator[0] && SeparatorAt(text.data(), end, at))
      return at;
    m_scratch.push_back(byte);
  }
  return kRecordEnd;
}

std::size_t CRowSplitter::FindSeparator(std::string_view text, std::size_t pos,
                                        std::size_t end) const {
  while (pos < end) {
    const void* found = std::memchr(text.data() + pos, m_separator[0], end - pos);
    if (found == nullptr)
      break;
    const auto at = static_cast<std::size_t>(static_cast<const char*>(found) - text.data());
    if (SeparatorAt(text.data(), end, at))
      return at;
    pos = at + 1;
  }
  return kRecordEnd;
}
