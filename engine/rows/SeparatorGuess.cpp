#include "engine/rows/SeparatorGuess.h"

#include <algorithm>

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
  struct Candidate {
    char byte;
    const char16_t* text;
  };
  constexpr Candidate kCandidates[] = {{'\t', u"<tab>"}, {',', u","}, {'|', u"|"}, {';', u";"}};
  const Candidate* best = &kCandidates[0];
  long bestCount = 0;
  for (const Candidate& candidate : kCandidates) {
    const long count = std::count(headerLine.begin(), headerLine.end(), candidate.byte);
    if (count > bestCount)
      best = &candidate, bestCount = count;
  }
  return best->text;
}
