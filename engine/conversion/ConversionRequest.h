// Everything a conversion needs, in one value that a front end fills in one place.
#pragma once

#include <algorithm>
#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <thread>

#include "engine/conversion/OutputFormat.h"
#include "engine/plan/ColumnRecipe.h"
#include "engine/rows/DelimitedTextReader.h"
#include "engine/rows/RowSplitter.h"
#include "platform/core/CString.h"
#include "platform/core/Compressor.h"

struct ConversionOptions {
  // Quoted fields: a field that begins with a double quote runs to its closing quote, and
  // may hold separators, line ends and doubled quotes. Off: the separator always splits.
  bool quoted = false;
  // The source's encoding: a name iconv knows (windows-1251, shift_jis...), or empty to
  // choose it from the source's start.
  std::string encoding;
  // Typed values: every column given no type of its own takes the Automatic type.
  bool typedValues = false;
  // Which columns are written, how, and under which names; by default every column as
  // text under its own name.
  ColumnRecipe columns;
  // Physical lines before the header to skip; they still count in line numbers.
  std::int64_t skipLines = 0;
  // Whether the first line (after those skipped) holds the column names. Without them the
  // names are column1, column2, ... and that line is a row.
  bool headerLine = true;
  // A longer line fails the conversion and leaves the output as it was.
  std::uint64_t maxLineBytes = kDefaultMaxLineBytes;
  // Bytes of the source to read at most, 0 for all. Past them, or at a line over
  // maxLineBytes, reading stops and the rows before are kept (readLimitReached in the
  // report); a header line that does not end within them fails the conversion.
  std::uint64_t maxSourceBytes = 0;
  // How the source is opened: any readable source, standard input (the source then only
  // names it in messages), or only a regular file (for the window, which must not block
  // on a FIFO).
  CDelimitedTextReader::Access access = CDelimitedTextReader::Access::AnySource;
  // Only regular files are written (the output and the lines left out): a FIFO, a device
  // or a descriptor's name is refused with its reason, for the window, which must not
  // block on one.
  bool regularOutputOnly = false;
  // Failures and lines left out go to the log. Off for conversions run on every keystroke
  // (the preview), which would fill the log with one line per key; the report is the same.
  bool log = true;
  // Any line left out fails the conversion, replacing nothing.
  bool strict = false;
  // Threads the conversion may keep busy: those that convert a large regular file in
  // blocks (the output the same byte for byte), read the source ahead, write the output
  // behind and compress it. 1 does everything on the calling thread (ParallelRows.h).
  unsigned threads = 1;
};

// The threads a conversion takes unless told otherwise: one a processor core.
inline unsigned OneThreadACore() {
  return std::max(1u, std::thread::hardware_concurrency());
}

// Called now and then while rows are read (every kProgressInterval lines, and after about
// kProgressBytes more of the source) with the bytes of the source read so far and its size
// (0 when it has none, a pipe). Returns false to cancel: the output is left as it was.
using ConversionProgress = std::function<bool(std::uint64_t bytesRead, std::uint64_t sourceSize)>;

struct ConversionRequest {
  CString source;
  // The separator's text ("<tab>", ",", any text whose first character separates); none:
  // guessed from the header line.
  std::optional<CString> separator;
  CString output;
  OutputFormat format = OutputFormat::Json;
  // The output's bytes compressed as a whole (gzip, zstd), or written as they are.
  OutputCompression compression = OutputCompression::None;
  // Where the lines left out are kept, after the header line, as the source held them
  // (replaced as a whole once the output is); empty: nowhere.
  CString rejects;
  // Where the report of the conversion goes as one JSON document (ReportFile.h), also
  // when it fails; empty: nowhere.
  CString reportFile;
  // Data lines to read at most, lines left out included; negative for all.
  std::int64_t rowLimit = -1;
  // Rows to pass before the first one read (a page of the preview further on): from a row
  // an index of the source found; none: from the first row.
  std::optional<RowsFrom> from;
  // Where each row read lies and whether it was written (ConversionReport::rowPlaces), for
  // a page that numbers its rows; for a few rows only.
  bool noteRowPlaces = false;
  ConversionOptions options;
  // May be empty.
  ConversionProgress progress;
};

// Rows between two progress calls: often enough for a display, rare enough to cost nothing.
inline constexpr std::int64_t kProgressInterval = 65536;
// Source bytes between two progress calls at most (give or take half of it), whatever the
// length of the rows: a cancel is seen within a few milliseconds.
inline constexpr std::uint64_t kProgressBytes = 1 << 20;
