// Guesses the separator of a delimited text file from its header line.
#pragma once

#include <string_view>

#include "platform/core/CString.h"

// Returns the most frequent of tab, comma, vertical bar and semicolon in the header line
// (UTF-8, as the reader decodes it), as the separator text to pass on: "<tab>", ",", "|"
// or ";". Ties go to the earlier of that list; a line with none of them gives "<tab>".
// quoted: the line's names may be quoted, and what lies between double quotes is not
// counted.
CString GuessSeparator(std::string_view headerLine, bool quoted = false);
