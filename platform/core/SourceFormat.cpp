#include "platform/core/SourceFormat.h"

#include <algorithm>
#include <iterator>

namespace {

using namespace std::string_view_literals;

struct Magic {
  std::string_view bytes;
  SourceFormat format;
};

// bzip2's "BZh" is followed by the block size, a digit 1-9, which tells it from text
// that happens to begin with "BZh".
constexpr Magic kMagics[] = {
    {"\x1F\x8B"sv, SourceFormat::Gzip},
    {"\x28\xB5\x2F\xFD"sv, SourceFormat::Zstd},
    {"\xFD"
     "7zXZ\0"sv,
     SourceFormat::Xz},
    {"PK\x03\x04"sv, SourceFormat::Zip},
    {"PK\x05\x06"sv, SourceFormat::Zip},  // an empty archive
    {"%PDF-"sv, SourceFormat::Pdf},
    {"\x89PNG\r\n\x1A\n"sv, SourceFormat::Png},
    {"\xFF\xD8\xFF"sv, SourceFormat::Jpeg},
    {"GIF87a"sv, SourceFormat::Gif},
    {"GIF89a"sv, SourceFormat::Gif},
    {"SQLite format 3\0"sv, SourceFormat::Sqlite},
    {"PAR1"sv, SourceFormat::Parquet},
    {"\x7F"
     "ELF"sv,
     SourceFormat::Elf},
};

bool IsBzip2(std::string_view head) {
  return head.size() >= 4 && head.substr(0, 3) == "BZh" && head[3] >= '1' && head[3] <= '9';
}

}  // namespace

SourceFormat SourceFormatOf(std::string_view head) {
  if (IsBzip2(head))
    return SourceFormat::Bzip2;
  const auto* found = std::find_if(std::begin(kMagics), std::end(kMagics), [&](const Magic& m) {
    return head.substr(0, m.bytes.size()) == m.bytes;
  });
  return found == std::end(kMagics) ? SourceFormat::Text : found->format;
}

bool MayStartMagic(std::string_view head) {
  if (head.size() < 4 && std::string_view("BZh1").substr(0, head.size()) == head)
    return true;
  return std::any_of(std::begin(kMagics), std::end(kMagics), [&](const Magic& m) {
    return head.size() < m.bytes.size() && m.bytes.substr(0, head.size()) == head;
  });
}
