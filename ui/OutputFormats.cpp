#include "ui/OutputFormats.h"

#include <algorithm>
#include <array>
#include <cctype>
#include <string_view>

namespace {

const std::array<OutputFormat, 3> kFormats = {{
    {u"JSON", u"json", u"JSON files|*.json|All Files|*.*||"},
    {u"BSON", u"bson", u"BSON files|*.bson|All Files|*.*||"},
    {u"JSON Lines", u"jsonl", u"JSON Lines files|*.jsonl|All Files|*.*||"},
}};

// The command line also reads .ndjson as JSON Lines.
constexpr std::array<std::u16string_view, 4> kOurExtensions = {u"json", u"bson", u"jsonl",
                                                               u"ndjson"};

bool IsOurExtension(std::u16string_view extension) {
  return std::any_of(kOurExtensions.begin(), kOurExtensions.end(), [&](std::u16string_view ours) {
    return std::equal(extension.begin(), extension.end(), ours.begin(), ours.end(),
                      [](char16_t a, char16_t b) { return (a < 0x80 ? std::tolower(a) : a) == b; });
  });
}

}  // namespace

const OutputFormat& OutputFormatNamed(const CString& name) {
  for (const OutputFormat& format : kFormats) {
    if (name == format.name) {
      return format;
    }
  }
  return kFormats[0];
}

CString WithFormatExtension(const CString& path, const OutputFormat& format) {
  const std::u16string_view text = path.View();
  const size_t nameStart = text.find_last_of(u'/') + 1;  // 0 when there is no folder
  const size_t dot = text.find_last_of(u'.');
  // A name that is only a dot and an extension (".json") is a hidden file without one.
  if (dot == std::u16string_view::npos || dot <= nameStart ||
      !IsOurExtension(text.substr(dot + 1))) {
    return path;
  }
  return CString(std::u16string(text.substr(0, dot + 1)) + format.extension);
}
