// What a conversion did, for callers that report more than the row count, and how the
// caller wants it done.
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "engine/rows/RowSplitter.h"
#include "platform/core/CString.h"

// What the preview says of the header line, counted rather than kept: a header may hold
// millions of fields, and none of them is shown.
struct HeaderSummary {
  std::size_t columns = 0;
  // UTF-16 units of the fields as the line holds them (quotes and NULs included), and the
  // NULs among them.
  std::size_t units = 0;
  std::size_t nuls = 0;
  // The line's only field, when it has one field (another separator might split it).
  std::u16string onlyField;
};

struct ConversionReport {
  enum class Status {
    Converted,         // the document was written (possibly an empty array)
    SourceOpenFailed,  // the source could not be opened; output untouched
    NoHeader,          // the source has no header line; output untouched
    OutputOpenFailed,  // the output could not be opened or created; output untouched
  };
  Status status = Status::Converted;
  // For a failed status: the file and the system's reason, "<path>: <reason>".
  CString failure;
  // The separator text used: the one given, or the one guessed from the header line.
  CString separatorText;
  // The source's size in bytes once it is open; 0 when it has none (a pipe).
  std::uint64_t sourceSize = 0;
  // The source's encoding, known once its start is read.
  CSourceDecoder::Encoding encoding = CSourceDecoder::Encoding::Bytes;
  HeaderSummary header;
  // With a read limit: reading stopped there with more of the source left, and the number
  // of the line it cut (0 when it stopped at a line's end).
  bool readLimitReached = false;
  std::int64_t cutLine = 0;
  std::int64_t rowsRead = 0;
  std::int64_t rowsWritten = 0;
  // Lines whose field count differs from the header's; each is logged (the first 100,
  // then one line with the total).
  std::int64_t linesLeftOut = 0;
  // The first lines left out (kLeftOutLinesLogged of them), each described as the log
  // gives it ("Line 4 left out: a quote is not closed"), for the preview to show.
  std::vector<CString> leftOutLines;
  // Called now and then while rows are read (every kProgressInterval lines, and after about
  // kProgressBytes more of the source), with the bytes of the source read so far; for
  // progress displays. May be empty. It may throw CConversionCancelled to stop: the
  // conversion passes it on and leaves the output as it was.
  std::function<void(std::uint64_t bytesRead)> progress;
};

struct ConversionOptions {
  // The separator comes from the header line; the separator text passed is ignored.
  bool guessSeparator = false;
  // How the source is opened: standard input, or only a regular file (for the window,
  // which must not block on a FIFO).
  bool standardInput = false;
  bool regularFileOnly = false;
  // A longer line fails the conversion (CLineTooLong) and leaves the output as it was.
  std::uint64_t maxLineBytes = kDefaultMaxLineBytes;
  // Bytes of the source to read at most, 0 for all. Past them, or at a line over
  // maxLineBytes, reading stops and the rows before are kept (report.readLimitReached);
  // a header line that does not end within them throws CLineTooLong.
  std::uint64_t maxSourceBytes = 0;
  // JSON Lines, one compact object a line, in place of indented JSON; BSON, when chosen,
  // wins.
  bool jsonLines = false;
  // Quoted fields: a field that begins with a double quote runs to its closing quote, and
  // may hold separators, line ends and doubled quotes. Off: the separator always splits.
  bool quoted = false;
  // Typed values: true, false, integers and numbers become JSON numbers and booleans (BSON
  // int32, int64, double, boolean) instead of strings.
  bool typedValues = false;
  // Failures and lines left out go to the log. Off for conversions run on every keystroke
  // (the preview), which would fill the log with one line per key; the report is the same.
  bool log = true;
};

// Rows between two progress calls: often enough for a display, rare enough to cost nothing.
inline constexpr std::int64_t kProgressInterval = 65536;
// Source bytes between two progress calls at most (give or take half of it), whatever the
// length of the rows: a cancel is seen within a few milliseconds.
inline constexpr std::uint64_t kProgressBytes = 1 << 20;

// Thrown by a progress callback to stop a conversion; not a failure.
struct CConversionCancelled {};
