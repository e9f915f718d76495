// Why a conversion failed, for both front ends: which file and the reason.
#pragma once

#include <cstdint>
#include <exception>

#include "platform/core/CString.h"

struct ConversionFailure {
  enum class Kind {
    SourceOpen,        // the source could not be opened
    NoHeader,          // the source has no header line (or a malformed quoted one)
    OutputOpen,        // the output could not be opened or created
    FileError,         // reading the source or writing the output failed
    LineTooLong,       // a line is longer than the limit
    LineLeftOut,       // with strict on, a line was left out
    DocumentTooLarge,  // a row's BSON document would pass the 16 MiB a document may hold
    ColumnsMismatch,   // the column recipe names a column the header lacks, or can't be kept
    OutOfMemory,
    Unexpected,  // anything else: a fault of the program
  };
  Kind kind = Kind::Unexpected;
  CString file;
  CString reason;
  // The system's error number where there is one (EPIPE: the output's reader went away).
  long osError = 0;
  // With LineTooLong, LineLeftOut and DocumentTooLarge: the line's number.
  std::int64_t line = 0;

  // "<file>: <reason>", as every front end shows it.
  CString Text() const { return file.IsEmpty() ? reason : file + u": " + reason; }
};

// The failure an exception stands for: a file error names its own file; a line over the
// limit, running out of memory and anything else name the source.
ConversionFailure FailureOf(std::exception_ptr exception, const CString& sourceName);
