#include "engine/rows/SeparatorGuess.h"

#include "engine/rows/Separators.h"

CString GuessSeparator(CRowSplitter& splitter) {
  const std::span<const SeparatorCandidate> candidates = SeparatorCandidates();
  const SeparatorCandidate* best = &candidates.front();
  std::size_t bestFields = 1;
  for (const SeparatorCandidate& candidate : candidates) {
    const std::size_t fields = splitter.FieldsUnder(static_cast<char32_t>(candidate.character));
    if (fields > bestFields)
      best = &candidate, bestFields = fields;
  }
  return best->text;
}
