// CDelimitedTextReader turns a delimited text file into rows of text fields: the first
// line holds the column names, every further line is one row. There is no quoting: the
// separator character always splits. A line feed ends a line; one carriage return before
// any character is skipped. A last line without a line feed is a row when it holds a
// character or a separator.
//
// Encodings: FF FE starts UTF-16LE, FE FF UTF-16BE (the mark skipped); anything else is
// 8-bit text decoded as UTF-8 where its bytes form valid UTF-8 (shortest form, no
// surrogates, at most U+10FFFF), every other byte being the character of its own value; a
// UTF-8 mark EF BB BF is skipped.
//
// Use: open m_file (typeText | shareDenyWrite), Prepare once, then ReadRow while it
// returns 0. A file error passes through as CFileException.
#pragma once

#include <cstdint>

#include "engine/FieldList.h"
#include "engine/TextDecoder.h"
#include "platform/core/CString.h"
#include "platform/core/File.h"

class CDelimitedTextReader {
 public:
  // Returns 0 on success, 2 when there is no header line (logged, file closed).
  int Prepare(LPCWSTR separatorText);
  // Fills row with the next line's fields: 0 when a row was read, 1 at end of input
  // (the file is then closed and row is to be ignored).
  int ReadRow(FieldList& row);

  const FieldList& Columns() const { return m_columns; }
  // Number of the line that the last ReadRow returned (the header is line 1).
  std::int64_t LineNumber() const { return m_lineNumber; }

  bool m_utf16 = false;
  CString m_separatorText;
  CStdioFile m_file;
  FieldList m_columns;

 private:
  CTextDecoder m_decoder;  // encoding, separator test, bytes split by a block boundary
  std::int64_t m_lineNumber = 0;
  bool m_atEnd = false;
};
