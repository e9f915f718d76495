// The rows a conversion read, where each lies and what it wrote, so that tests compare the
// pages the preview shows from anywhere in a file with the rows of the whole conversion.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "OutputRows.h"
#include "engine/conversion/ConversionRequest.h"

namespace pagerows {

// A row read by a conversion: its lines, and its members unless it was left out.
struct Seen {
  std::int64_t line = 0;
  std::int64_t lastLine = 0;
  std::optional<outputrows::Row> row;
  bool operator==(const Seen&) const = default;
};

// Runs request (JSON output) and gives its rows; firstRow, when given, receives the number
// of the first row it read.
std::vector<Seen> RowsOf(const ConversionRequest& request, std::int64_t* firstRow = nullptr);

// A header id,name,note and rows of three fields ending with end; every 7th row has four
// fields (left out), and with quoted every 5th holds a quoted field over two lines.
std::string Lines(int rows, const std::string& end, bool quoted = false);

}  // namespace pagerows
