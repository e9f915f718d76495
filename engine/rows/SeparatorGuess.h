// Guesses the separator of a delimited text file from its header line.
#pragma once

#include "engine/rows/RowSplitter.h"
#include "platform/core/CString.h"

// Returns the one of tab, comma, vertical bar and semicolon that splits the line the
// splitter read last into the most fields, by the splitter's own rules (with quoted fields,
// separators inside quotes don't split), as the separator text to pass on: "<tab>", ",", "|"
// or ";". Ties go to the earlier of that list; a line none of them splits gives "<tab>".
CString GuessSeparator(CRowSplitter& splitter);
