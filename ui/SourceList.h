// What the source field holds: one path as typed, or several sources written as file
// dialogs write them, each in double quotes and separated by spaces ("a.csv" "b.csv").
#pragma once

#include <vector>

#include "platform/core/CString.h"

struct SourceList {
  // None for an empty field or a list that can't be read.
  std::vector<CString> sources;
  // Why the field's list can't be read (BatchTexts.h); empty when it can.
  CString problem;
  bool Several() const { return sources.size() > 1; }
};

// A text that begins with a double quote is a list; anything else is one path, as it is.
// A list of one names that one file.
SourceList ReadSourceList(const CString& text);

// The field's text for paths: one as it is, several each in double quotes. A path holding
// a double quote can't be one of several: refused then names it, and text is empty.
struct SourceListText {
  CString text;
  CString refused;
};
SourceListText WriteSourceList(const std::vector<CString>& paths);

// What the settings keep of the field's text: a list only of the sources still there, so
// that the next start doesn't greet the user with a list that fails in part; a list that
// can't be read keeps saved, the value stored before. One path is kept as it is.
CString SourceTextToSave(const CString& text, const CString& saved);
