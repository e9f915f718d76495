// What a conversion did, for callers that report more than the row count.
#pragma once

#include <cstdint>
#include <functional>

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
  // Called now and then while rows are read (every kProgressInterval lines), with the
  // bytes of the source read so far; for progress displays. May be empty.
  std::function<void(std::uint64_t bytesRead)> progress;
};

// Rows between two progress calls: often enough for a display, rare enough to cost nothing.
inline constexpr std::int64_t kProgressInterval = 65536;
