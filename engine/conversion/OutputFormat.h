// The output formats and everything that names them: the window's list and the settings
// ("Format"), the command line's -f values and the file name extensions that choose a
// format by default. Every front end reads this one table.
#pragma once

#include <span>
#include <string_view>

enum class OutputFormat { Json, Bson, JsonLines, ExtendedJson };

struct OutputFormatName {
  OutputFormat format;
  std::string_view label;   // the window's list item and the stored "Format" value
  std::string_view option;  // the command line's -f value
  // Without the dot; the first is the one given to new names, and each chooses the
  // format for an output name that ends in it.
  std::span<const std::string_view> extensions;
};

// Every format, in the window's list order; JSON first, the default.
std::span<const OutputFormatName> OutputFormatNames();
const OutputFormatName& NameOf(OutputFormat format);
// The format with this list label (stored setting) or -f value; null for none.
const OutputFormatName* FormatLabelled(std::string_view label);
const OutputFormatName* FormatOfOption(std::string_view option);
// The format one of whose extensions ends the file name (after a dot, in any case); null
// for none. A name that is only a dot and an extension (".json") is a hidden file without
// one.
const OutputFormatName* FormatOfFileName(std::string_view fileName);
