#include "engine/rows/SeparatorGuess.h"

#include <algorithm>

#include "engine/rows/Separators.h"

CString GuessSeparator(std::string_view headerLine, bool quoted) {
  std::string outsideQuotes;
  if (quoted) {
    // A doubled quote inside quoted text closes and opens again: nothing in between.
    bool inside = false;
    for (const char byte : headerLine) {
      if (byte == '"')
        inside = !inside;
      else if (!inside)
        outsideQuotes.push_back(byte);
    }
    headerLine = outsideQuotes;
  }
  const std::span<const SeparatorCandidate> candidates = SeparatorCandidates();
  const SeparatorCandidate* best = &candidates.front();
  long bestCount = 0;
  for (const SeparatorCandidate& candidate : candidates) {
    const long count = std::count(headerLine.begin(), headerLine.end(), candidate.character);
    if (count > bestCount)
      best = &candidate, bestCount = count;
  }
  return best->text;
}
