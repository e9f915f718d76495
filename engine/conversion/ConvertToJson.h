// ConvertToJson converts one delimited text file into one JSON (or JSON Lines, or BSON)
// document: an array holding one object per data row whose field count matches the
// header, pairing each column name with the row's value (FieldValue: cut at a NUL, without double
// quotes at either end).
#pragma once

#include "engine/conversion/ConversionReport.h"
#include "engine/rows/FieldList.h"
#include "libs/suppcore/JSON.h"
#include "platform/core/Types.h"

// Returns the number of row objects written; 0 after any failure and when no row was
// written. rowLimit: data lines to read, negative for all. bson: non-zero writes BSON.
// The output is replaced only by a whole document: after any failure it is as it was.
// A file error while reading or writing passes through as CFileException, a line over
// the limit as CLineTooLong, running out of memory as std::bad_alloc.
int ConvertToJson(LPCWSTR sourcePath, LPCWSTR separatorText, LPCWSTR outputPath, int rowLimit,
                  int bson);
// The same, filling report and done as options say (options.jsonLines: JSON Lines unless
// bson); with a report, lines left out are also logged (unless options.log is off).
int ConvertToJson(LPCWSTR sourcePath, LPCWSTR separatorText, LPCWSTR outputPath, int rowLimit,
                  int bson, ConversionReport& report, const ConversionOptions& options = {});

// Writes one row as one object through the writer's step-by-step calls; nothing when the
// lists differ in length.
void WriteRowObject(const FieldList& columns, const FieldList& row, JSON& writer);
