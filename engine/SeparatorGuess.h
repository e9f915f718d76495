// Guesses the separator of a delimited text file from its header line.
#pragma once

#include "platform/core/CString.h"

// Returns the most frequent of tab, comma, vertical bar and semicolon in the first line
// of the file (decoded as the reader decodes it), as the separator text to pass on:
// "<tab>", ",", "|" or ";". Ties go to the earlier of that list; a line with none of them
// gives "<tab>". An unreadable file gives "<tab>" too: the conversion reports it.
CString GuessSeparator(LPCWSTR sourcePath);
