#include "engine/conversion/OutputFormat.h"

#include <algorithm>
#include <array>

namespace {

constexpr std::array<std::string_view, 1> kJsonExtensions = {"json"};
constexpr std::array<std::string_view, 1> kBsonExtensions = {"bson"};
constexpr std::array<std::string_view, 2> kJsonLinesExtensions = {"jsonl", "ndjson"};
constexpr std::array<std::string_view, 1> kExtendedJsonExtensions = {"ejson"};

const std::array<OutputFormatName, 4> kFormats = {{
    {OutputFormat::Json, "JSON", "json", kJsonExtensions},
    {OutputFormat::Bson, "BSON", "bson", kBsonExtensions},
    {OutputFormat::JsonLines, "JSON Lines", "jsonl", kJsonLinesExtensions},
    {OutputFormat::ExtendedJson, "MongoDB Extended JSON", "ejson", kExtendedJsonExtensions},
}};

char Lower(char c) {
  return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c;
}

bool SameIgnoringCase(std::string_view a, std::string_view b) {
  return std::equal(a.begin(), a.end(), b.begin(), b.end(),
                    [](char x, char y) { return Lower(x) == Lower(y); });
}

}  // namespace

std::span<const OutputFormatName> OutputFormatNames() {
  return kFormats;
}

const OutputFormatName& NameOf(OutputFormat format) {
  for (const OutputFormatName& name : kFormats)
    if (name.format == format)
      return name;
  return kFormats[0];
}

const OutputFormatName* FormatLabelled(std::string_view label) {
  for (const OutputFormatName& name : kFormats)
    if (name.label == label)
      return &name;
  return nullptr;
}

const OutputFormatName* FormatOfOption(std::string_view option) {
  for (const OutputFormatName& name : kFormats)
    if (name.option == option)
      return &name;
  return nullptr;
}

const OutputFormatName* FormatOfFileName(std::string_view fileName) {
  const std::size_t nameStart = fileName.find_last_of('/') + 1;  // 0 when there is no folder
  const std::size_t dot = fileName.find_last_of('.');
  if (dot == std::string_view::npos || dot <= nameStart)
    return nullptr;
  const std::string_view extension = fileName.substr(dot + 1);
  for (const OutputFormatName& name : kFormats)
    for (const std::string_view ours : name.extensions)
      if (SameIgnoringCase(extension, ours))
        return &name;
  return nullptr;
}
