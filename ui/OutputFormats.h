// The output formats the window offers: the extension and the save dialog's filter of each,
// and an output name that follows the format chosen.
#pragma once

#include "platform/core/CString.h"

struct OutputFormat {
  const char16_t* name;       // as the format list shows it
  const char16_t* extension;  // without the dot
  const char16_t* filter;     // the format's files first, in the framework's bar form
};

// The format the list shows as name; JSON for any other text.
const OutputFormat& OutputFormatNamed(const CString& name);

// path with its extension replaced by format's when it ends in one of the formats'
// extensions (any case, also .ndjson); any other path as it is, so that a name the user
// gave an extension of their own keeps it.
CString WithFormatExtension(const CString& path, const OutputFormat& format);
