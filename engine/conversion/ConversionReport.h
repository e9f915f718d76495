// What a conversion did: its one result, also when it failed or was cancelled.
#pragma once

#include <cstdint>
#include <optional>
#include <vector>

#include "engine/conversion/ConversionFailure.h"
#include "engine/rows/FieldList.h"
#include "engine/source/SourceDecoder.h"
#include "platform/core/CString.h"

struct ConversionReport {
  // Set when the conversion failed: the output is as it was.
  std::optional<ConversionFailure> failure;
  // The progress callback asked to stop: the output is as it was. Not a failure.
  bool cancelled = false;
  bool Converted() const { return !failure && !cancelled; }

  // The separator text used: the one given, or the one guessed from the header line.
  CString separatorText;
  // The source's size in bytes once it is open; 0 when it has none (a pipe).
  std::uint64_t sourceSize = 0;
  // The source's encoding, known once its start is read.
  CSourceDecoder::Encoding encoding = CSourceDecoder::Encoding::Bytes;
  // The header's fields as the line holds them (NULs and quotes included).
  FieldList header;
  // With a read limit: reading stopped there with more of the source left, and the number
  // of the line it cut (0 when it stopped at a line's end).
  bool readLimitReached = false;
  std::int64_t cutLine = 0;
  std::int64_t rowsRead = 0;
  // Row objects in the output; counted up to a failure, but only a whole document is kept.
  std::int64_t rowsWritten = 0;
  // Lines whose field count differs from the header's (or malformed quoted records); each
  // is logged (the first 100, then one line with the total).
  std::int64_t linesLeftOut = 0;
  // The first lines left out (kLeftOutLinesLogged of them), each described as the log
  // gives it ("Line 4 left out: a quote is not closed"), for the preview to show.
  std::vector<CString> leftOutLines;
};
