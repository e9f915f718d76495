// What a conversion did: its one result, also when it failed or was cancelled.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "engine/conversion/ConversionFailure.h"
#include "engine/plan/ColumnPlan.h"
#include "engine/rows/FieldList.h"
#include "engine/source/SourceEncoding.h"
#include "platform/core/CString.h"

// What the preview says of the header line, counted rather than kept: a header may hold
// millions of fields, and none of them is shown.
struct HeaderSummary {
  std::size_t columns = 0;
  // UTF-8 bytes of the fields as the line holds them (quotes and NULs included), and the
  // NULs among them.
  std::size_t units = 0;
  std::size_t nuls = 0;
};

// A row left out, for the report: the physical lines it took, where its text begins in
// the source's text as read (UTF-8; the file's own offset for UTF-8 text), its field count
// and why, as the log gives it.
struct LeftOutLine {
  std::int64_t line = 0;
  std::int64_t lastLine = 0;
  std::uint64_t textOffset = 0;
  std::size_t fields = 0;
  CString reason;
};
// Rows left out the report lists at most; the total counts them all.
inline constexpr std::size_t kLeftOutLinesReported = 1000;

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
  // The source's encoding and why, known once its start is read; what decoding cost (the
  // first byte that is not UTF-8, bytes undecodable) as far as the source was read.
  SourceEncoding encoding;
  HeaderSummary header;
  // A header of one column that another of the usual separators would split: that
  // separator's text and the columns it gives; else empty and 0.
  CString splittingSeparator;
  std::size_t splittingColumns = 0;
  // Lines end with carriage returns alone (an old Mac file).
  bool oldMacLineEnds = false;
  // Columns written under a new name since an earlier column holds theirs: how many, and
  // the first of them.
  std::size_t columnsRenamed = 0;
  std::vector<RenamedColumn> renamedColumns;
  // Values written as text because their column's type could not hold them: how many, and
  // how many in each column that had any (by output name, in the output's order).
  std::int64_t valuesLeftAsText = 0;
  std::vector<std::pair<std::string, std::int64_t>> columnsLeftAsText;
  // With a read limit: reading stopped there with more of the source left, and the number
  // of the line it cut (0 when it stopped at a line's end).
  bool readLimitReached = false;
  std::int64_t cutLine = 0;
  std::int64_t rowsRead = 0;
  // Row objects in the output; counted up to a failure, but only a whole document is kept.
  std::int64_t rowsWritten = 0;
  // The output was an existing file written over in place once the whole document was
  // ready, since a rename would have split its hard links or its folder or mount forbade it.
  bool writtenInPlace = false;
  // Lines whose field count differs from the header's (or malformed quoted records); each
  // is logged (the first 100, then one line with the total).
  std::int64_t linesLeftOut = 0;
  // Every entry the conversion logged reached the log: false when the log could not be
  // written, so that no front end points to it for the lines left out.
  bool logWritten = true;
  // The first lines left out (kLeftOutLinesLogged of them), each described as the log
  // gives it ("Line 4 left out: a quote is not closed"), for the preview to show.
  std::vector<CString> leftOutLines;
  // With a report file asked for: the first kLeftOutLinesReported rows left out.
  std::vector<LeftOutLine> leftOutDetails;
};
