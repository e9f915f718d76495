// The command line of corvane-convert, parsed.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "cli/ColumnOptions.h"
#include "engine/conversion/OutputFormat.h"
#include "engine/rows/RowSplitter.h"
#include "platform/core/Compressor.h"

namespace cli {

struct Options {
  std::string source;  // "-" for standard input
  std::string output;  // "-" for standard output
  // -o FOLDER: every source (none of them "-") converted into the folder; source and
  // output are then empty.
  std::vector<std::string> sources;
  std::string outputFolder;
  // Conversions at a time into the folder; 0 for one a core.
  int jobs = 0;
  // Threads that convert one large source in blocks; 0 for one a core (one a source when
  // several are converted at a time).
  int threads = 0;
  std::optional<std::string> separator;
  // -f, else the one the output's extension names, else JSON.
  OutputFormat format = OutputFormat::Json;
  // --compress, else the one the output's extension names (".gz", ".zst"), else none.
  OutputCompression compression = OutputCompression::None;
  // A name iconv knows; empty: chosen from the source's start.
  std::string encoding;
  bool quoted = false;
  bool typedValues = false;
  // Which columns, how and under which names.
  ColumnOptions columns;
  bool strict = false;
  // Where the lines left out are kept; empty: nowhere.
  std::string rejects;
  // Where the report goes as JSON; empty: nowhere.
  std::string report;
  int limit = -1;
  // Lines before the header to skip, and whether the first line holds the names.
  int skipLines = 0;
  bool headerLine = true;
  std::uint64_t maxLineBytes = kDefaultMaxLineBytes;
  bool quiet = false;
  bool help = false;
  bool version = false;
};

// Parses the arguments (without the program name). Returns the options, or an error
// text for a usage error.
struct ParseResult {
  Options options;
  std::string error;
};
ParseResult ParseOptions(const std::vector<std::string>& args);

}  // namespace cli
