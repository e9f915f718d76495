// Reads a record byte by byte, with every rule in both modes: the way for a line the
// 64-byte cut can't settle, and for a quoted record that spans lines.
#include <algorithm>
#include <cstring>

#include "engine/rows/RowRules.h"
#include "engine/rows/RowSplitter.h"
#include "platform/core/Simd.h"

using row_rules::CCarriageReturnRule;
using row_rules::kQuote;
using row_rules::ValueOf;

// Makes m_scratch hold at least size bytes and the padding, growing by half so that a
// record read line by line is not copied once a line.
void CRowSplitter::ScratchFor(std::size_t size) {
  if (m_scratch.size() < size + kSimdPadding)
    m_scratch.resize(std::max(size + kSimdPadding, m_scratch.size() * 3 / 2));
}

// Appends the next line, after a line feed, to the record; false at the end of the input.
// The scratch grows with it, and the views of its first fields move along.
bool CRowSplitter::ExtendRecord(std::string_view& text, std::size_t fields) {
  if (!m_lineEnded)
    return false;
  if (text.data() != m_record.data())
    m_record.assign(text);
  else
    m_record.resize(text.size());  // without its padding
  if (!ReadPhysicalLine())
    return false;
  // What grows past the limit here is a record whose quote stays open, not one line.
  if (m_record.size() + 1 + m_lineText.size() > m_maxLineBytes)
    throw CLineTooLong(m_recordLineNumber, m_maxLineBytes, true, m_lineNumber);
  m_record += m_lineEnd;
  m_record += m_lineText;
  const std::size_t size = m_record.size();
  m_record.append(kSimdPadding, '\0');
  text = std::string_view(m_record.data(), size);
  const char* before = m_scratch.data();
  ScratchFor(size);
  const auto moved = [&](std::string_view view) {
    return std::string_view(m_scratch.data() + (view.data() - before), view.size());
  };
  for (std::size_t k = 0; k < fields; ++k) {
    m_fields[k] = moved(m_fields[k]);
    m_valueList[k] = moved(m_valueList[k]);
  }
  return true;
}

// Reads a record byte by byte with every rule: the carriage-return rule first, then (with
// quoted fields) a quote at a field's start opens it, and inside quotes every byte is
// text but the closing quote and a doubled one; while a quote is open at the line's end,
// the record goes on with the next line. The fields are written to m_scratch, whose views
// move with it when a longer record makes it grow.
bool CRowSplitter::SplitByteByByte(std::string_view text) {
  const bool quoting = QuotesOpenFields();
  const char lead = m_separator[0];
  ScratchFor(text.size());
  enum class State { kUnquoted, kInside, kClosed, kTextAfterQuote } state = State::kUnquoted;
  CCarriageReturnRule carriageReturns;
  std::size_t out = 0, fieldStart = 0, folded = 0;
  std::string_view* field = m_fields.data();
  bool held = false;
  const auto endField = [&] {
    field = Room(field, 1, folded);
    const auto k = static_cast<std::size_t>(field - m_fields.data());
    if (m_valueList.size() < m_fields.size())
      m_valueList.resize(m_fields.size());
    *field++ = std::string_view(m_scratch.data() + fieldStart, out - fieldStart);
    m_valueList[k] = ValueOf(m_fields[k], state != State::kUnquoted);
    fieldStart = out;
    state = State::kUnquoted;
  };
  for (std::size_t pos = 0;;) {
    if (pos == text.size()) {
      if (state != State::kInside)
        break;
      if (!ExtendRecord(text, static_cast<std::size_t>(field - m_fields.data()))) {
        m_fault = Fault::kQuoteNotClosed;
        break;
      }
      continue;  // the line feed that joins the next line is text
    }
    const char byte = text[pos++];
    if (state == State::kInside) {
      if (byte != kQuote) {
        m_scratch[out++] = byte;
      } else if (pos < text.size() && text[pos] == kQuote) {
        m_scratch[out++] = kQuote;
        ++pos;
      } else {
        state = State::kClosed;
      }
      continue;
    }
    if (carriageReturns.Skips(byte))
      continue;
    held = true;
    if (byte == lead && SeparatorAt(text.data(), text.size(), pos - 1)) {
      endField();
      pos += m_separatorSize - 1;
      continue;
    }
    if (state == State::kClosed) {
      // The rest of the field runs to the separator as text; the record is no row.
      m_fault = Fault::kTextAfterQuote;
      state = State::kTextAfterQuote;
    } else if (byte == kQuote && quoting && state == State::kUnquoted && out == fieldStart) {
      state = State::kInside;
      continue;
    }
    m_scratch[out++] = byte;
  }
  endField();
  m_storedFields = static_cast<std::size_t>(field - m_fields.data());
  m_fieldCount = m_storedFields + folded;
  m_values = m_valueList.data();
  m_recordText = text;
  return IsRow(held);
}
