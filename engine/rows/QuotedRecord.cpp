// Quoted records: a field that begins with a double quote runs to its closing quote, so
// that a record may hold separators and line feeds as text and span several lines. Only
// lines that hold a double quote come here; the others split as in the default mode.
//
// The record is read field by field. A field is a view of the record's text unless a rule
// rewrites it (doubled quotes, carriage returns outside quotes), and then it is gathered
// in m_scratch. Both are kept as offsets, since the record may move while it grows line
// by line, and become views once it is whole.
#include <algorithm>
#include <cstring>

#include "engine/rows/RowSplitter.h"
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

// The first byte from `from` on, before end, that select picks out of a chunk's masks; end
// when there is none. 16 bytes at a time: fields are short, and a call to memchr for each
// would cost more than the search.
template <class Select>
std::size_t Find(std::string_view text, std::size_t from, std::size_t end, char separator,
                 Select select) {
  const auto* bytes = reinterpret_cast<const unsigned char*>(text.data());
  for (std::size_t base = from; base < end; base += 16) {
    const simd::ChunkMasks masks = simd::MasksOf(
        bytes + base, std::min<std::size_t>(end - base, 16), static_cast<unsigned char>(separator));
    if (const unsigned hits = select(masks))
      return base + static_cast<std::size_t>(__builtin_ctz(hits));
  }
  return end;
}

}  // namespace

bool CRowSplitter::SplitQuotedRecord() {
  std::string_view text = m_lineText;
  m_scratch.clear();
  m_spans.clear();
  std::size_t folded = 0;
  std::size_t pos = 0;
  for (;;) {
    const std::size_t separator = pos < text.size() && text[pos] == kQuote
                                      ? QuotedField(text, pos)
                                      : UnquotedField(text, pos, WithoutFinalCarriageReturn(text));
    if (m_spans.size() > m_keptFields) {
      // Past the kept fields only the count is needed.
      ++folded;
      if (m_spans.back().rewritten)
        m_scratch.resize(m_spans.back().start);
      m_spans.pop_back();
    }
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
    const std::string_view field((span.rewritten ? m_scratch.data() : text.data()) + span.start,
                                 span.size);
    m_fields[k] = field;
    // A quoted field's value is its inside text: quotes at its ends are part of it.
    if (!span.holdsNulOrQuote)
      m_valueList[k] = field;
    else
      m_valueList[k] = span.quoted ? field.substr(0, field.find('\0')) : FieldValue(field);
  }
  m_storedFields = count;
  m_fieldCount = count + folded;
  m_values = m_valueList.data();
  // As in the default mode, a last line without a line feed that holds nothing is no row;
  // "" holds an empty value.
  return m_lineEnded || m_fieldCount > 1 ||
         (count > 0 && (!m_fields[0].empty() || m_spans[0].quoted));
}

// Reads the quoted field whose opening quote is at pos, growing the record by the next
// line while the quote is open. Returns the position of the separator after it, or
// kRecordEnd.
std::size_t CRowSplitter::QuotedField(std::string_view& text, std::size_t pos) {
  const std::size_t inside = pos + 1;
  std::size_t from = inside;
  bool doubled = false;
  bool nul = false;
  for (;;) {
    const std::size_t at = Find(text, from, text.size(), m_separator[0],
                                [](const simd::ChunkMasks& m) { return m.quotes | m.nuls; });
    if (at == text.size()) {
      if (!ExtendRecord(text)) {
        m_fault = Fault::kQuoteNotClosed;
        m_spans.push_back({inside, text.size() - inside, true, false, nul});
        return kRecordEnd;
      }
      from = at;  // the line feed that joins the next line
      continue;
    }
    if (text[at] != kQuote) {
      nul = true;
      from = at + 1;
    } else if (at + 1 < text.size() && text[at + 1] == kQuote) {
      doubled = true;
      from = at + 2;
    } else {
      pos = at + 1;
      break;
    }
  }
  if (doubled)
    AddUndoubled(text.substr(inside, pos - 1 - inside), nul);
  else
    m_spans.push_back({inside, pos - 1 - inside, true, false, nul});
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
  const std::size_t end = WithoutFinalCarriageReturn(text);
  for (std::size_t at = pos; at < end; ++at)
    if (SeparatorAt(text.data(), end, at))
      return at;
  return kRecordEnd;
}

// Keeps a quoted field's inside text with each doubled quote made one.
void CRowSplitter::AddUndoubled(std::string_view inside, bool nul) {
  const std::size_t start = m_scratch.size();
  for (std::size_t from = 0; from < inside.size();) {
    const std::size_t quote = std::min(inside.find(kQuote, from), inside.size());
    m_scratch.append(inside.substr(from, quote - from));
    if (quote < inside.size())
      m_scratch.push_back(kQuote);
    from = quote + 2;
  }
  m_spans.push_back({start, m_scratch.size() - start, true, true, nul});
}

// Appends the next line, after a line feed, to the record; false at the end of the input.
bool CRowSplitter::ExtendRecord(std::string_view& text) {
  if (!m_lineEnded)
    return false;
  if (text.data() != m_record.data())
    m_record.assign(text);
  else
    m_record.resize(text.size());  // without its padding
  if (!ReadPhysicalLine())
    return false;
  CheckLineSize(m_record.size() + 1 + m_lineText.size(), m_recordLineNumber);
  m_record += '\n';
  m_record += m_lineText;
  const std::size_t size = m_record.size();
  m_record.append(kSimdPadding, '\0');
  text = std::string_view(m_record.data(), size);
  return true;
}

// Reads the unquoted field at pos, up to the separator or end. A carriage return in it
// (other than that of CR LF, which end leaves out) takes the default mode's rule, byte by
// byte. Returns the separator's position or kRecordEnd.
std::size_t CRowSplitter::UnquotedField(std::string_view text, std::size_t pos, std::size_t end) {
  const char lead = m_separator[0];
  bool nulOrQuote = false;
  for (std::size_t from = pos; lead != kCarriageReturn;) {
    const std::size_t at = Find(text, from, end, lead, [](const simd::ChunkMasks& m) {
      return m.separators | m.carriageReturns | m.nuls | m.quotes;
    });
    if (at == end || (text[at] == lead && SeparatorAt(text.data(), end, at))) {
      m_spans.push_back({pos, at - pos, false, false, nulOrQuote});
      return at == end ? kRecordEnd : at;
    }
    if (text[at] == kCarriageReturn)
      break;
    nulOrQuote = nulOrQuote || text[at] != lead;
    from = at + 1;
  }
  const std::size_t start = m_scratch.size();
  const auto keep = [&] {
    m_spans.push_back({start, m_scratch.size() - start, false, true, true});
  };
  bool afterCarriageReturn = false;
  for (std::size_t at = pos; at < end; ++at) {
    const char byte = text[at];
    if (byte == kCarriageReturn && !afterCarriageReturn) {
      afterCarriageReturn = true;
      continue;
    }
    afterCarriageReturn = false;
    if (byte == lead && SeparatorAt(text.data(), end, at)) {
      keep();
      return at;
    }
    m_scratch.push_back(byte);
  }
  keep();
  return kRecordEnd;
}
