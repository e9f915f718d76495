// ConvertToJson converts one delimited text file into one JSON (or BSON) document: an
// array holding one object per data row whose field count matches the header, pairing
// each column name with the row's value, both stripped of leading and trailing double
// quotes.
#pragma once

#include <cstdint>
#include <functional>

#include "engine/FieldList.h"
#include "libs/suppcore/JSON.h"
#include "platform/core/Types.h"

// What a conversion did, for callers that report more than the row count.
struct ConversionReport {
  enum class Status {
    Converted,         // the document was written (possibly an empty array)
    SourceOpenFailed,  // the source could not be opened; output untouched
    NoHeader,          // the source has no header line; output untouched
    OutputOpenFailed,  // the output could not be opened or created; output untouched
  };
  Status status = Status::Converted;
  std::int64_t rowsRead = 0;
  std::int64_t rowsWritten = 0;
  // Lines whose field count differs from the header's; each is logged (the first 100,
  // then one line with the total).
  std::int64_t linesLeftOut = 0;
  // Called now and then while rows are read (every 65,536 lines), with the bytes of the
  // source consumed so far; for progress displays. May be empty.
  std::function<void(std::uint64_t bytesRead)> progress;
};

// Returns the number of row objects written; 0 after any failure and when no row was
// written. rowLimit: data lines to read, negative for all. bson: non-zero writes BSON.
// A file error while reading or writing passes through as CFileException.
int ConvertToJson(LPCWSTR sourcePath, LPCWSTR separatorText, LPCWSTR outputPath, int rowLimit,
                  int bson);
// The same, filling report; with a report, lines left out are also logged.
int ConvertToJson(LPCWSTR sourcePath, LPCWSTR separatorText, LPCWSTR outputPath, int rowLimit,
                  int bson, ConversionReport& report);

// Writes one row as one object; nothing when the lists differ in length.
void WriteRowObject(const FieldList& columns, const FieldList& row, JSON& writer);
