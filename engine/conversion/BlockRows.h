// One block of a source's rows converted on its own: bytes [begin, end) of the file, which
// are taken to begin a row, read by the reader of the source's header and encoded into
// memory as the rows that follow earlier ones. What the one-thread loop would log or keep
// of the rows left out is gathered with their lines and offsets counted from the block's
// start, for the caller to put in order.
#pragma once

#include <cstddef>
#include <cstdint>
#include <exception>
#include <memory>
#include <string>
#include <vector>

#include "engine/conversion/ConversionRequest.h"
#include "engine/conversion/RowLoop.h"
#include "engine/plan/PlannedColumns.h"
#include "engine/rows/DelimitedTextReader.h"
#include "libs/suppcore/ObjectNames.h"

// What every block of one conversion shares, read only while blocks are converted.
struct BlockSource {
  const ConversionRequest& request;
  const CDelimitedTextReader& header;
  const CColumnPlan& plan;  // its sampling over
  const ObjectNames& names;
  std::size_t columns;  // the header's fields
};

// A row left out of a block, with the bytes the source held it in when rejects are kept.
struct BlockLeftOut {
  LeftOutRow row;
  std::string raw;
};

struct BlockRows {
  std::uint64_t begin = 0;
  std::uint64_t end = 0;
  std::size_t rowsBefore = 0;  // what the output was taken to hold before
  std::string output;
  std::int64_t rowsRead = 0;
  std::int64_t rowsWritten = 0;
  std::vector<BlockLeftOut> leftOut;
  std::int64_t lines = 0;             // physical lines read
  std::uint64_t textBytes = 0;        // decoded text read
  std::uint64_t firstNotUtf8 = 0;     // in the file, from 1; 0 for none
  std::unique_ptr<CColumnPlan> plan;  // the block's copy, for its values left as text
  // A row too large for its format: its line, and its size.
  std::int64_t tooLargeLine = 0;
  std::uint64_t tooLargeBytes = 0;
  // Any other failure, as the reader or writer threw it.
  std::exception_ptr failure;

  // The last row's quote is still open at the block's end: in a block that is not the
  // source's last, that row goes on in the next block.
  bool OpenAtEnd() const {
    return failure == nullptr && tooLargeLine == 0 && !leftOut.empty() &&
           leftOut.back().row.fault == CRowSplitter::Fault::kQuoteNotClosed;
  }
};

// Converts bytes [begin, end) of the source, at most rowLimit rows (negative: all); the
// output's rows are encoded as following rowsBefore others, into buffer (a block's output
// before, whose memory is taken again). Never throws: a failure is kept in the result
// with what was read before it.
BlockRows ConvertBlock(const BlockSource& source, std::uint64_t begin, std::uint64_t end,
                       std::size_t rowsBefore, std::int64_t rowLimit = -1, std::string buffer = {});
