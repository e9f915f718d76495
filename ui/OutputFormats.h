// The output formats as the window shows them: the format list's items, the save dialog's
// filter and extension of each, and an output name that follows the format chosen. The
// names come from the engine's table (OutputFormat.h).
#pragma once

#include "engine/conversion/OutputFormat.h"
#include "platform/core/CString.h"

// The format the list shows (and the settings store) as label; JSON for any other text.
const OutputFormatName& OutputFormatLabelled(const CString& label);
CString FormatLabel(const OutputFormatName& format);
// The extension new names get, without the dot.
CString FormatExtension(const OutputFormatName& format);
// The save dialog's filter: the format's files first, in the framework's bar form.
CString FormatFilter(const OutputFormatName& format);

// path with its extension replaced by format's when it ends in one of the formats'
// extensions (any case, also .ndjson); any other path as it is, so that a name the user
// gave an extension of their own keeps it.
CString WithFormatExtension(const CString& path, const OutputFormatName& format);
