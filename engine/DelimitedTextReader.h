// CDelimitedTextReader turns a delimited text file into rows of text fields: the first
// line holds the column names, every further line is one row. The file's encoding is
// found by CSourceDecoder, its lines and fields by CRowSplitter (the rules are there).
//
// Use: Open, Prepare once, then NextRow (UTF-8 views, for the conversion) or ReadRow
// (UTF-16 texts) while they give rows. A file error passes through as CFileException.
#pragma once

#include <cstdint>
#include <memory>
#include <string_view>

#include "engine/FieldList.h"
#include "engine/RowSplitter.h"
#include "engine/SourceDecoder.h"
#include "platform/core/CString.h"
#include "platform/core/File.h"

class CDelimitedTextReader {
 public:
  CDelimitedTextReader();
  ~CDelimitedTextReader();
  CDelimitedTextReader(const CDelimitedTextReader&) = delete;
  CDelimitedTextReader& operator=(const CDelimitedTextReader&) = delete;

  // Opens the source for reading; others may still read it but not write it. Returns
  // non-zero on success; error, when given, receives the cause.
  BOOL Open(LPCWSTR path, CFileException* error = nullptr);
  // Chooses the encoding and the separator (null, empty and "<tab>" mean a tab; else the
  // text's first character) and reads the header line. Returns 0 on success, 2 when there
  // is no header line (logged, file closed).
  int Prepare(LPCWSTR separatorText);

  // Reads the next row: true when there is one (FieldCount, Fields and Values hold it),
  // false at the end of the input, which closes the file.
  bool NextRow();
  std::size_t FieldCount() const { return m_splitter->FieldCount(); }
  const std::string_view* Fields() const { return m_splitter->Fields(); }
  const std::string_view* Values() const { return m_splitter->Values(); }
  // The next row's fields as UTF-16 texts: 0 when a row was read, 1 at the end of the
  // input (the file is then closed and row is to be ignored).
  int ReadRow(FieldList& row);

  // Lets the source go before the end of the input.
  void Close();
  bool IsOpen() const { return m_file.IsOpen(); }

  bool IsUtf16() const { return m_utf16; }
  const CString& SeparatorText() const { return m_separatorText; }
  const FieldList& Columns() const { return m_columns; }
  // Number of the line that the last row came from (the header is line 1).
  std::int64_t LineNumber() const { return m_splitter ? m_splitter->LineNumber() : 0; }
  // Bytes of the source read so far, for progress reports.
  std::uint64_t BytesRead() const { return m_splitter ? m_splitter->SourceBytesRead() : 0; }

 private:
  bool m_utf16 = false;
  CString m_separatorText;
  CStdioFile m_file;
  FieldList m_columns;
  std::unique_ptr<CSourceDecoder> m_decoder;
  std::unique_ptr<CRowSplitter> m_splitter;
};
