#include "platform/core/LineCuts.h"

#include <algorithm>
#include <cstring>
#include <string_view>

namespace {

// Read a piece at a time, the first small: a cut is mostly found in the first line it looks
// at, and a whole buffer read for it would double the reads of small blocks. Each next
// piece is twice as large, for the many lines before a source's rows.
constexpr std::uint64_t kFirstPieceBytes = std::uint64_t{64} << 10;

}  // namespace

std::uint64_t OffsetAfterLines(LPCWSTR path, std::uint64_t from, std::uint64_t end,
                               std::int64_t lines) {
  std::uint64_t at = from;
  std::uint64_t piece = kFirstPieceBytes;
  while (lines > 0 && at < end) {
    CFile file;
    CFileException error;
    const std::uint64_t pieceEnd = std::min(end, at + piece);
    piece *= 2;
    if (!file.OpenRange(path, at, pieceEnd, &error))
      throw error;
    for (std::string_view block; lines > 0 && !(block = file.NextBlock()).empty();) {
      const char* cursor = block.data();
      const char* const stop = block.data() + block.size();
      while (lines > 0) {
        const void* lineFeed = std::memchr(cursor, '\n', static_cast<std::size_t>(stop - cursor));
        if (lineFeed == nullptr)
          break;
        cursor = static_cast<const char*>(lineFeed) + 1;
        --lines;
      }
      at += static_cast<std::uint64_t>(cursor - block.data());
      file.Consume(static_cast<std::size_t>(cursor - block.data()));
      if (lines > 0) {
        at += static_cast<std::uint64_t>(stop - cursor);
        file.Consume(static_cast<std::size_t>(stop - cursor));
      }
    }
    if (at < pieceEnd && lines > 0)
      break;  // the file ended before its size said
  }
  return lines > 0 ? end : at;
}
