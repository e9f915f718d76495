// CRowSplitter cuts the UTF-8 text of a source into rows of fields. It is the one place
// that says what a line, a field and a value are:
// - A line feed ends a line; a last line without one is a row when it holds a character
//   or a separator.
// - One carriage return before any character is skipped, so CR LF ends a line like LF; of
//   a run of carriage returns every second one is kept (or, when the carriage return is
//   the separator, splits).
// - The separator character always splits: there is no quoting.
// - A field's value is its text up to the first NUL, without the double quotes at either
//   end (FieldValue).
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "engine/SourceDecoder.h"

// A field's value: its text up to the first NUL, without double quotes at either end.
template <class Char>
std::basic_string_view<Char> FieldValue(std::basic_string_view<Char> field) {
  field = field.substr(0, field.find(Char(0)));
  while (!field.empty() && field.front() == Char('"'))
    field.remove_prefix(1);
  while (!field.empty() && field.back() == Char('"'))
    field.remove_suffix(1);
  return field;
}

class CRowSplitter {
 public:
  // separator: the character that splits fields (a surrogate is taken as U+FFFD).
  CRowSplitter(CSourceDecoder& source, char32_t separator);
  CRowSplitter(const CRowSplitter&) = delete;
  CRowSplitter& operator=(const CRowSplitter&) = delete;

  // Reads the next line into the row; false at the end of the input, with no row.
  bool Next();

  std::size_t FieldCount() const { return m_fieldCount; }
  // The fields as the line holds them (after the carriage-return rule) and their values,
  // UTF-8, each followed by kSimdPadding readable bytes. Valid until the next call of Next.
  const std::string_view* Fields() const { return m_fields.data(); }
  const std::string_view* Values() const { return m_values; }
  // The number of the line the row came from; the first line is 1.
  std::int64_t LineNumber() const { return m_lineNumber; }
  // Bytes of the source read up to the end of the row.
  std::uint64_t SourceBytesRead() const;

 private:
  void SplitLine(const char* text, std::size_t size);
  template <bool kMultiByteSeparator>
  unsigned SplitAt(const char* text, std::size_t size);
  void SplitLineWithCarriageReturns(const char* text, std::size_t size);
  bool SeparatorAt(const char* text, std::size_t size, std::size_t at) const;

  CSourceDecoder& m_source;
  char m_separator[4];  // its UTF-8 bytes
  std::size_t m_separatorSize;
  std::string_view m_piece;  // what is left of the source's last piece
  const char* m_pieceStart = nullptr;
  bool m_atEnd = false;
  std::int64_t m_lineNumber = 0;
  std::string m_line;     // a line that the end of a piece splits, gathered
  std::string m_scratch;  // fields rewritten by the carriage-return rule
  // The first m_fieldCount are the row's; only ever grown, so that splitting stores
  // without a check per field.
  std::vector<std::string_view> m_fields;
  std::vector<std::string_view> m_valueList;
  std::size_t m_fieldCount = 0;
  const std::string_view* m_values = nullptr;  // m_fields when no value differs
};
