// The text form of the settings store: a UTF-8 INI file of one section.
//
//   ; Ostrel Corvane Converter settings. ...
//   [corvane]
//   TextFileName="/home/me/cities.txt"
//   Separator="<tab>"
//
// Every value is written in double quotes, so spaces at either end, '=', ';' and '#' are
// plain characters. Inside the quotes a backslash starts one of the escapes \\ \" \t \n \r
// or \uXXXX (four hex digits, one UTF-16 unit); the writer uses \uXXXX for every other
// control character and for a surrogate without its partner, so every UTF-16 text
// round-trips. A key is written bare when it is plain (not empty; no control character,
// quote, backslash or '='; no space at either end; not starting with '[', ';' or '#'),
// otherwise quoted like a value. Lines end in a line feed.
//
// The reader also takes what an editor may leave: blank lines, comment lines starting
// with ';' or '#', spaces and tabs around the key, the '=' and after the closing quote,
// CR LF line ends, a leading UTF-8 mark. Anything else makes the whole file malformed: a
// key line before "[corvane]", another section, a line that is not key="value", a bad
// escape, invalid UTF-8, an unterminated quote, a raw control character inside quotes, a
// key given twice (which of the two was meant cannot be told).
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "platform/core/CString.h"

struct SettingsPair {
  CString key;
  CString value;
};

struct SettingsParseError {
  int line = 0;              // from 1
  LPCWSTR reason = nullptr;  // one of the reasons in SettingsMessages.h
};

// The whole file for these pairs, in their order.
std::string FormatSettingsIni(const std::vector<SettingsPair>& pairs);

// Reads the pairs of a file in file order; false with error filled when it is malformed
// (pairs may then hold the lines before the fault).
bool ParseSettingsIni(std::string_view bytes, std::vector<SettingsPair>& pairs,
                      SettingsParseError& error);
