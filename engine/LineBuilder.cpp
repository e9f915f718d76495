#include "engine/LineBuilder.h"

CLineBuilder::CLineBuilder(FieldList& row, char16_t separator)
    : m_row(row), m_separator(separator) {
  if (m_row.empty())
    m_row.emplace_back();
  m_field = &m_row.front();
  m_field->clear();
}

void CLineBuilder::AddField() {
  m_row.emplace_back();
  // emplace_back may move the strings: take the address afresh.
  m_field = &m_row[m_index];
}
