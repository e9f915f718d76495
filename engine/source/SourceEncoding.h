// Which encoding a source is read in, why, and what decoding it cost: what the preview, the
// command line's summary and the log tell the user.
#pragma once

#include <cstdint>
#include <string>

#include "platform/core/CString.h"

struct SourceEncoding {
  enum class Kind {
    Utf8,     // automatic 8-bit text: UTF-8, other bytes by the Windows-1252 table
    Utf16LE,  // automatic, by its mark or its NUL bytes
    Utf16BE,
    Chosen,  // named by the user, decoded by the C library's iconv
  };
  enum class Why { NoMark, Mark, NulBytes, Chosen };

  Kind kind = Kind::Utf8;
  Why why = Why::NoMark;
  // The name the user chose, as given.
  std::string chosenName;
  // Automatic 8-bit text: the number (from 1) of the first byte that is not part of
  // well-formed UTF-8, 0 while there is none.
  std::uint64_t firstNotUtf8 = 0;
  // Bytes a chosen encoding could not decode, each read as U+FFFD.
  std::uint64_t undecodable = 0;

  bool IsUtf16() const { return kind == Kind::Utf16LE || kind == Kind::Utf16BE; }
};

// "UTF-8", "UTF-16LE (byte-order mark)", "no mark, not UTF-8 at byte 1,234: Windows-1252",
// "windows-1251 (chosen)"; undecodable bytes are not part of it (UndecodableText).
CString DescribeEncoding(const SourceEncoding& encoding);
// "3 bytes could not be decoded and were read as U+FFFD"; empty when there were none.
CString UndecodableText(const SourceEncoding& encoding);
// A number with its thousands grouped by commas: 1,234,567.
CString GroupedNumber(std::uint64_t number);
