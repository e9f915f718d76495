// Where lines begin in a file, found by its line feeds, so that a large file can be cut
// into parts that each begin a line.
#pragma once

#include <cstdint>

#include "platform/core/File.h"

// The offset just past the lines-th line feed at or after from, or end when the file has
// fewer; a failed read throws its CFileException.
std::uint64_t OffsetAfterLines(LPCWSTR path, std::uint64_t from, std::uint64_t end,
                               std::int64_t lines);
// The offset just past the first line feed at or after from, or end.
inline std::uint64_t NextLineStart(LPCWSTR path, std::uint64_t from, std::uint64_t end) {
  return OffsetAfterLines(path, from, end, 1);
}
