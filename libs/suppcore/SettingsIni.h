// The text form of the settings store: a GLib key file, UTF-8.
//
//   # Ostrel Corvane Converter settings. ...
//   [Settings]
//   TextFileName=/home/me/cities.txt
//   Separator=<tab>
//
// GLib escapes what a key file cannot hold as it is (a leading space as \s, line breaks,
// tabs and backslashes), so every text that UTF-8 can hold round-trips exactly. A pair
// whose key or value UTF-8 cannot hold (a NUL, half of a surrogate pair), or whose key is
// no key-file name, is written in the group [UTF-16] instead, key and value as
// hexadecimal UTF-16 units (four digits a unit), the key after a "u".

#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "platform/core/CString.h"

struct SettingsPair {
  CString key;
  CString value;
};

// The whole file for these pairs, in their order.
std::string FormatSettingsIni(const std::vector<SettingsPair>& pairs);

// Reads the pairs of a file; false with reason saying why when it is
// malformed (pairs may then hold some of them).
bool ParseSettingsIni(std::string_view bytes, std::vector<SettingsPair>& pairs, CString& reason);

// A line of a store that a key file can't read, numbered from 1.
struct BadSettingsLine {
  int number;
  std::string text;  // as it stands, without its line feed
  CString reason;
};

// The lines of bytes that can be read, in their order, for ParseSettingsIni and
// MergeSettingsIni; the others go to bad. One bad line costs only itself.
std::string SalvageSettingsIni(std::string_view bytes, std::vector<BadSettingsLine>& bad);

// The file bytes (a store, or empty for none) with changes written over
// them: each pair's key set to its value, everything else (other keys, comments) kept.
// false, with reason saying why, when bytes are malformed.
bool MergeSettingsIni(std::string_view bytes, const std::vector<SettingsPair>& changes,
                      std::string& merged, CString& reason);
