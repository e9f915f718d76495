// The rules a line is read by that both ways of reading it share: the fast cut 64 bytes
// at a time and the reading byte by byte.
#pragma once

#include <cstddef>
#include <string_view>

#include "engine/rows/RowSplitter.h"

namespace row_rules {

inline constexpr char kCarriageReturn = '\r';
inline constexpr char kQuote = '"';

// The carriage-return rule: one carriage return before any character, or at the line's
// end, is skipped, so that CR LF ends a line like LF; of a run of them every second one is
// kept (as text, or as the separator when it is one). Outside quotes it acts before every
// other rule: a quote after a skipped carriage return still opens its field.
class CCarriageReturnRule {
 public:
  // Whether the rule skips this byte, the next of a line read byte by byte.
  bool Skips(char byte) {
    m_skipped = byte == kCarriageReturn && !m_skipped;
    return m_skipped;
  }

  // The end of a line without its last byte when the rule skips it: a carriage return
  // after anything but one, the first of its run. The case of every CR LF line, taken
  // before the line is cut, so that such lines need no byte-by-byte reading.
  static std::size_t EndOf(const char* text, std::size_t size) {
    return size > 0 && text[size - 1] == kCarriageReturn &&
                   (size == 1 || text[size - 2] != kCarriageReturn)
               ? size - 1
               : size;
  }

 private:
  bool m_skipped = false;
};

// A value of a field outside quotes (FieldValue); of a quoted one, its inside text up to
// the first NUL.
inline std::string_view ValueOf(std::string_view field, bool quoted) {
  return quoted ? field.substr(0, field.find('\0')) : FieldValue(field);
}

}  // namespace row_rules
