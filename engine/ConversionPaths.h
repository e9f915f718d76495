// The two ways a conversion reads its data rows, for the engine and its tests only: the
// reader's own (every character through UTF-16) and the byte path of FastRows.h, which
// the conversion takes whenever it can.
#pragma once

#include <cstdint>

#include "engine/ConvertToJson.h"

// Rows between two progress calls: often enough for a display, rare enough to cost nothing.
inline constexpr std::int64_t kProgressInterval = 65536;

// ConvertToJson with report, always reading the rows through the reader; the output and
// the report are the same as with the byte path.
int ConvertToJsonWithoutFastPath(LPCWSTR sourcePath, LPCWSTR separatorText, LPCWSTR outputPath,
                                 int rowLimit, int bson, ConversionReport& report);
