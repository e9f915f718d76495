// Which byte ends a line, chosen from the start of the text, and the reading of pieces
// that this look ahead makes necessary; the line rules themselves are in RowSplitter.cpp.
#include <algorithm>
#include <cstring>
#include <utility>

#include "engine/rows/RowSplitter.h"
#include "platform/core/Simd.h"

namespace {

constexpr char kLineFeed = '\n';
constexpr char kCarriageReturn = '\r';

bool Holds(std::string_view text, std::size_t size, char byte) {
  return std::memchr(text.data(), byte, size) != nullptr;
}

}  // namespace

// An old Mac file ends its lines with carriage returns alone: it shows carriage returns
// and no line feed in its first kLineEndWindow bytes of text. The decoder's pieces are of
// any size (the first one often a few bytes), so they are gathered into m_head until a
// line feed or the window's end is seen; the piece that shows it is held, not copied, and
// split after the head.
void CRowSplitter::ChooseLineEnd() {
  m_lineEndChosen = true;
  bool lineFeed = false, carriageReturn = false;
  std::string_view piece;
  m_head.clear();
  while (m_head.size() < kLineEndWindow && !(piece = m_source.Read()).empty()) {
    if (m_head.empty())
      m_headSourceStart = m_source.SourceOffset(0);
    const std::size_t look = std::min(piece.size(), kLineEndWindow - m_head.size());
    lineFeed = Holds(piece, look, kLineFeed);
    carriageReturn = carriageReturn || Holds(piece, look, kCarriageReturn);
    if (lineFeed || look < piece.size())
      break;
    m_head.append(piece);
    m_headSourceEnd = m_source.SourceOffset(piece.size());
    piece = {};
  }
  if (carriageReturn && !lineFeed)
    m_lineEnd = kCarriageReturn;
  m_heldPiece = piece;
  m_headSize = m_head.size();
  m_head.append(kSimdPadding, '\0');
}

// The next piece of text to split: the head, then the held piece, then the source's.
std::string_view CRowSplitter::NextPiece() {
  std::string_view piece;
  if (!m_lineEndChosen) {
    ChooseLineEnd();
    piece = std::string_view(m_head.data(), m_headSize);
  }
  if (piece.empty())
    piece = m_heldPiece.empty() ? m_source.Read() : std::exchange(m_heldPiece, {});
  m_pieceTextStart = m_textHandedOut;
  m_textHandedOut += piece.size();
  return piece;
}

std::size_t CRowSplitter::FieldsUnder(char32_t separator) {
  const char kept[4] = {m_separator[0], m_separator[1], m_separator[2], m_separator[3]};
  const std::size_t keptSize = m_separatorSize;
  const bool lineEnded = std::exchange(m_lineEnded, false);  // a quote left open reads no more
  SetSeparator(separator);
  SplitLine();
  const std::size_t fields = m_fieldCount;
  std::memcpy(m_separator, kept, sizeof kept);
  m_separatorSize = keptSize;
  m_lineEnded = lineEnded;
  return fields;
}

// Pieces are decoded whole and dropped unsplit: the decoder and the line end stay as the
// start of the text set them, which a seek in the file would have to rebuild.
void CRowSplitter::SkipTo(std::uint64_t textOffset, std::int64_t lineNumber) {
  for (;;) {
    const std::uint64_t at =
        m_pieceTextStart + static_cast<std::uint64_t>(m_piece.data() - m_pieceStart);
    if (textOffset < at)
      return;  // read already: the record goes on from where the text is
    if (textOffset - at <= m_piece.size()) {
      m_piece.remove_prefix(static_cast<std::size_t>(textOffset - at));
      break;
    }
    m_piece = NextPiece();
    m_pieceStart = m_piece.data();
    if (m_piece.empty()) {
      m_atEnd = true;
      break;
    }
  }
  m_lineNumber = lineNumber - 1;
}

// memchr over the piece, nothing kept of the lines: the line end is the one ReadLine cuts
// at, and a line that the piece does not end is left to ReadLine with all its rules.
std::int64_t CRowSplitter::PassLines(std::int64_t count) {
  if (m_atEnd || !m_lineEndChosen)
    return 0;
  const char* at = m_piece.data();
  const char* const end = at + m_piece.size();
  std::int64_t passed = 0;
  while (passed < count && at < end) {
    const void* lineEnd = std::memchr(at, m_lineEnd, static_cast<std::size_t>(end - at));
    if (lineEnd == nullptr)
      break;
    at = static_cast<const char*>(lineEnd) + 1;
    ++passed;
  }
  m_piece.remove_prefix(static_cast<std::size_t>(at - m_piece.data()));
  m_lineNumber += passed;
  return passed;
}
