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

  // Makes room for count plain characters (no carriage return, line feed or separator)
  // at the end of the current field and returns where to write them.
  char16_t* Extend(std::size_t count) {
    m_afterCarriageReturn = false;
    const std::size_t used = m_field->size();
    m_field->resize(used + count);
    return m_field->data() + used;
  }

  // True when the line holds something: a character or a separator.
  bool HasContent() const { return m_index > 0 || !m_field->empty(); }

  // Trims the list to the fields of this line.
  void Finish() { m_row.resize(m_index + 1); }

 private:
  void StartField();

  FieldList& m_row;
  std::size_t m_index = 0;  // position of the current field in m_row
  std::u16string* m_field = nullptr;
  char16_t m_separator;
  bool m_afterCarriageReturn = false;
};
