// CLineBuilder collects the fields of one line into a FieldList, applying the line rules
// to each character: a line feed ends the line, the separator starts a new field, and one
// carriage return before any character is skipped (a second one in a row is kept).
//
// The list's strings are reused from line to line: clearing keeps their capacity, so a
// file whose rows have the same shape is read without allocating.
#pragma once

#include <cstddef>

#include "engine/FieldList.h"

class CLineBuilder {
 public:
  static constexpr char16_t kCarriageReturn = 13;
  static constexpr char16_t kLineFeed = 10;

  CLineBuilder(FieldList& row, char16_t separator);

  // Looks at one character; returns true when it ended the line (a line feed).
  bool Put(char16_t ch) {
    if (ch == kCarriageReturn && !m_afterCarriageReturn) {
      m_afterCarriageReturn = true;
      return false;
    }
    m_afterCarriageReturn = false;
    if (ch == kLineFeed)
      return true;
    if (ch == m_separator)
      StartField();
    else
      m_field->push_back(ch);
    return false;
  }

  // Adds count plain characters (no carriage return, line feed or separator among them)
  // to the current field.
  void Append(const char16_t* units, std::size_t count) {
    if (count == 0)
      return;
    m_afterCarriageReturn = false;
    m_field->append(units, count);
  }

  // True when the line holds something: a character or a separator.
  bool HasContent() const { return m_index > 0 || !m_field->empty(); }

  // Trims the list to the fields of this line.
  void Finish() { m_row.resize(m_index + 1); }

 private:
  void StartField() {
    ++m_index;
    if (m_index == m_row.size()) {
      AddField();
      return;
    }
    m_field = &m_row[m_index];
    m_field->clear();
  }
  void AddField();

  FieldList& m_row;
  std::size_t m_index = 0;  // position of the current field in m_row
  std::u16string* m_field = nullptr;
  char16_t m_separator;
  bool m_afterCarriageReturn = false;
};
