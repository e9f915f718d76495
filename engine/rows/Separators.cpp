#include "engine/rows/Separators.h"

#include <array>

#include "platform/core/Utf8.h"

namespace {

constexpr std::array<SeparatorCandidate, 4> kCandidates = {
    {{'\t', kTabSeparatorText}, {',', u","}, {'|', u"|"}, {';', u";"}}};

}  // namespace

std::span<const SeparatorCandidate> SeparatorCandidates() {
  return kCandidates;
}

char32_t SeparatorOf(const CString& text) {
  // A tab is hard to type: its name and its escape stand for it too.
  if (text.IsEmpty() || text == kTabSeparatorText || text == u"tab" || text == u"\\t")
    return u'\t';
  const char32_t first = text.GetAt(0);
  if (utf8::IsHighSurrogate(first) && text.GetLength() > 1 && utf8::IsLowSurrogate(text.GetAt(1)))
    return utf8::JoinSurrogates(first, text.GetAt(1));
  return first;
}

CString ShownSeparatorText(const CString& text) {
  return SeparatorOf(text) == u'\t' ? CString(kTabSeparatorText) : text;
}
