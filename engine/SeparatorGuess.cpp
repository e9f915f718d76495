#include "engine/SeparatorGuess.h"

#include <algorithm>
#include <array>

#include "engine/DelimitedTextReader.h"

CString GuessSeparator(LPCWSTR sourcePath) {
  struct Candidate {
    char16_t unit;
    const char16_t* text;
    long count;
  };
  std::array<Candidate, 4> candidates{{
      {u'\t', u"<tab>", 0},
      {u',', u",", 0},
      {u'|', u"|", 0},
      {u';', u";", 0},
  }};

  // A line feed as separator never splits (the line feed ends the line first), so the
  // reader hands over the whole decoded header line as one column.
  CDelimitedTextReader reader;
  if (!reader.Open(sourcePath))
    return u"<tab>";
  if (reader.Prepare(u"\n") != 0 || reader.Columns().empty())
    return u"<tab>";
  const std::u16string& header = reader.Columns().front();
  for (auto& candidate : candidates)
    candidate.count = std::count(header.begin(), header.end(), candidate.unit);

  const Candidate* best = &candidates[0];
  for (const auto& candidate : candidates)
    if (candidate.count > best->count)
      best = &candidate;
  return best->text;
}
