// The separators by name: how a separator is written as text, and the ones a header line
// is tried with. The reader, the separator guess and the preview read this one table.
#pragma once

#include <span>

#include "platform/core/CString.h"

// A tab is invisible in a list or a text field: it is written "<tab>".
inline constexpr char16_t kTabSeparatorText[] = u"<tab>";

struct SeparatorCandidate {
  char character;
  const char16_t* text;  // as a front end shows and stores it
};
// The usual separators, in order of preference: tab, comma, vertical bar, semicolon.
std::span<const SeparatorCandidate> SeparatorCandidates();

// The character a separator text stands for: a tab for an empty text, "<tab>", "tab" and
// "\t" (a backslash and a t), otherwise the text's first character (a surrogate pair is one
// character).
char32_t SeparatorOf(const CString& text);
// The text to show for a separator text: "<tab>" for any that stands for a tab.
CString ShownSeparatorText(const CString& text);
