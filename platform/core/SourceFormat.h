// What a source is, told by its first bytes (its "magic"), not by its name: text, one of
// the compressed formats that hold text, or a kind of file that is not text at all.
#pragma once

#include <cstddef>
#include <string_view>

enum class SourceFormat {
  Text,
  // Compressed: read as what they hold.
  Gzip,
  Zstd,
  Bzip2,
  Xz,
  // Not text: refused with what they look like.
  Zip,
  Pdf,
  Png,
  Jpeg,
  Gif,
  Sqlite,
  Parquet,
  Elf,
};

// The longest start that tells a format (SQLite's).
inline constexpr std::size_t kLongestMagic = 16;

// The format whose magic head starts with; Text when none does.
SourceFormat SourceFormatOf(std::string_view head);
// head is shorter than some magic and starts it, so more bytes may still tell a format.
bool MayStartMagic(std::string_view head);

inline bool IsCompressed(SourceFormat format) {
  return format >= SourceFormat::Gzip && format <= SourceFormat::Xz;
}
inline bool IsNotText(SourceFormat format) {
  return format >= SourceFormat::Zip;
}
