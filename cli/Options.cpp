#include "cli/Options.h"

#include <strings.h>
#include <cerrno>
#include <cstdint>
#include <cstdlib>

#include "cli/CliMessages.h"
#include "engine/source/IconvDecoder.h"

namespace cli {
namespace {

// The window's first item names the automatic choice too, so that it can be passed on.
bool IsAutomatic(const std::string& name) {
  return strcasecmp(name.c_str(), kAutomaticEncoding) == 0;
}

bool ParseLimit(const std::string& text, int& limit) {
  if (text.empty())
    return false;
  errno = 0;
  char* end = nullptr;
  long value = std::strtol(text.c_str(), &end, 10);
  if (*end != '\0' || errno != 0 || value < 0 || value > 0x7fffffff)
    return false;
  limit = static_cast<int>(value);
  return true;
}

// A byte count: digits, then optionally K, M or G (powers of 1024); at least 1.
bool ParseByteCount(const std::string& text, std::uint64_t& bytes) {
  if (text.empty() || text[0] < '0' || text[0] > '9')
    return false;
  errno = 0;
  char* end = nullptr;
  const unsigned long long value = std::strtoull(text.c_str(), &end, 10);
  unsigned shift = 0;
  if (*end != '\0') {
    const std::string suffix(end);
    shift = suffix == "K" || suffix == "k" ? 10 : suffix == "M" ? 20 : suffix == "G" ? 30 : 64;
  }
  if (errno != 0 || shift == 64 || value == 0 || value > (~0ULL >> (shift + 1)))
    return false;
  bytes = value << shift;
  return true;
}

// The most conversions at a time: each holds one of the outputs that a signal removes.
constexpr long kMostJobs = 256;
// Threads for one source: more than any machine's cores would only cost memory.
constexpr long kMostThreads = 1024;

// A count of 1 to most, digits only.
bool ParseCount(const std::string& text, long most, int& count) {
  if (text.empty() || text[0] < '0' || text[0] > '9')
    return false;
  errno = 0;
  char* end = nullptr;
  const long value = std::strtol(text.c_str(), &end, 10);
  if (*end != '\0' || errno != 0 || value < 1 || value > most)
    return false;
  count = static_cast<int>(value);
  return true;
}

// The sources and the output: SOURCE OUTPUT, or any number of sources with -o FOLDER. The
// format and compression follow the output's name unless given.
std::string TakeFiles(std::vector<std::string>& positional, const OutputFormatName* format,
                      std::optional<OutputCompression> compression, Options& options) {
  if (!options.outputFolder.empty()) {
    if (positional.empty())
      return kExpectedSources;
    // One file of lines left out and one report belong to one conversion.
    if (!options.rejects.empty() || !options.report.empty())
      return kOneOutputOnly;
    for (const std::string& source : positional)
      if (source == "-")
        return kNoStandardInputInFolder;
    options.sources = std::move(positional);
    options.compression = compression.value_or(OutputCompression::None);
  } else {
    if (positional.size() != 2)
      return kExpectedFiles;
    if (options.jobs != 0)
      return kJobsNeedFolder;
    options.source = positional[0];
    options.output = positional[1];
    // Each would replace the other's file once both are written.
    if (options.rejects == options.output || options.report == options.output ||
        (!options.report.empty() && options.report == options.rejects))
      return kSameFiles;
    // Standard output is written as it comes unless asked otherwise.
    options.compression = compression.value_or(
        options.output == "-" ? OutputCompression::None : CompressionOfFileName(options.output));
    if (!format)
      format = FormatOfFileName(WithoutCompressionExtension(options.output));
  }
  if (format)
    options.format = format->format;
  return {};
}

}  // namespace

ParseResult ParseOptions(const std::vector<std::string>& args) {
  ParseResult result;
  Options& options = result.options;
  const OutputFormatName* format = nullptr;
  std::optional<OutputCompression> compression;
  std::vector<std::string> positional;
  bool optionsEnded = false;

  for (size_t i = 0; i < args.size(); ++i) {
    const std::string& arg = args[i];
    if (optionsEnded || arg == "-" || arg.empty() || arg[0] != '-') {
      positional.push_back(arg);
      continue;
    }
    if (arg == "--") {
      optionsEnded = true;
      continue;
    }
    // --name=value and -xVALUE forms give their value inline.
    std::string name = arg;
    std::optional<std::string> inlineValue;
    if (arg.rfind("--", 0) == 0) {
      size_t eq = arg.find('=');
      if (eq != std::string::npos) {
        name = arg.substr(0, eq);
        inlineValue = arg.substr(eq + 1);
      }
    } else if (arg.size() > 2) {
      name = arg.substr(0, 2);
      inlineValue = arg.substr(2);
    }
    auto takeValue = [&]() -> std::optional<std::string> {
      if (inlineValue)
        return inlineValue;
      if (i + 1 < args.size())
        return args[++i];
      return std::nullopt;
    };

    std::string columnError;
    if (TakeColumnOption(name, takeValue, options.columns, columnError)) {
      if (!columnError.empty())
        return {options, columnError};
    } else if (name == "-h" || name == "--help") {
      options.help = true;
    } else if (name == "--version") {
      options.version = true;
    } else if (name == "-q" || name == "--quiet") {
      options.quiet = true;
    } else if (name == "--quoted") {
      options.quoted = true;
    } else if (name == "--types") {
      options.typedValues = true;
    } else if (name == "--strict") {
      options.strict = true;
    } else if (name == "--no-header") {
      options.headerLine = false;
    } else if (name == "--skip-lines") {
      std::optional<std::string> value = takeValue();
      if (!value || !ParseLimit(*value, options.skipLines))
        return {options, Text(kTakesLimit, name.c_str())};
    } else if (name == "-s" || name == "--separator") {
      options.separator = takeValue();
      if (!options.separator)
        return {options, Text(kNeedsSeparator, name.c_str())};
    } else if (name == "-f" || name == "--format") {
      const std::optional<std::string> value = takeValue();
      format = value ? FormatOfOption(*value) : nullptr;
      if (!format)
        return {options, Text(kTakesFormat, name.c_str())};
    } else if (name == "-o" || name == "--output-folder") {
      const std::optional<std::string> value = takeValue();
      if (!value || value->empty())
        return {options, Text(kNeedsFolder, name.c_str())};
      options.outputFolder = *value;
    } else if (name == "-j" || name == "--jobs") {
      const std::optional<std::string> value = takeValue();
      if (!value || !ParseCount(*value, kMostJobs, options.jobs))
        return {options, Text(kTakesJobs, name.c_str(), kMostJobs)};
    } else if (name == "--threads") {
      const std::optional<std::string> value = takeValue();
      if (!value || !ParseCount(*value, kMostThreads, options.threads))
        return {options, Text(kTakesThreads, name.c_str(), kMostThreads)};
    } else if (name == "--compress") {
      const std::optional<std::string> value = takeValue();
      OutputCompression named{};
      if (!value || !CompressionNamed(*value, named))
        return {options, Text(kTakesCompression, name.c_str())};
      compression = named;
    } else if (name == "--rejects") {
      const std::optional<std::string> value = takeValue();
      if (!value || value->empty())
        return {options, Text(kNeedsFile, name.c_str())};
      options.rejects = *value;
    } else if (name == "--report") {
      const std::optional<std::string> value = takeValue();
      if (!value || value->empty())
        return {options, Text(kNeedsFile, name.c_str())};
      options.report = *value;
    } else if (name == "--encoding") {
      const std::optional<std::string> value = takeValue();
      if (!value)
        return {options, Text(kNeedsEncoding, name.c_str())};
      if (!IsAutomatic(*value) && !IsKnownEncoding(*value))
        return {options, Text(kUnknownEncoding, value->c_str())};
      options.encoding = IsAutomatic(*value) ? std::string() : *value;
    } else if (name == "--max-line-bytes") {
      std::optional<std::string> value = takeValue();
      if (!value || !ParseByteCount(*value, options.maxLineBytes))
        return {options, Text(kTakesByteCount, name.c_str())};
    } else if (name == "-n" || name == "--limit") {
      std::optional<std::string> value = takeValue();
      if (!value || !ParseLimit(*value, options.limit))
        return {options, Text(kTakesLimit, name.c_str())};
    } else {
      return {options, Text(kUnknownOption, arg.c_str())};
    }
    if (inlineValue && (name == "-h" || name == "--help" || name == "--version" || name == "-q" ||
                        name == "--quiet" || name == "--quoted" || name == "--types" ||
                        name == "--strict" || name == "--no-header" || name == "--nest"))
      return {options, Text(kTakesNoValue, name.c_str())};
  }

  if (options.help || options.version)
    return result;
  result.error = TakeFiles(positional, format, compression, options);
  if (result.error.empty())
    result.error = FinishColumnOptions(options.columns);
  return result;
}

}  // namespace cli
