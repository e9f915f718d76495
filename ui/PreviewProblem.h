// What the pane says when the preview's own files cannot be written (no private folder,
// a full disk): a page made in memory, naming the folder and the system's reason, in place
// of a blank pane or the previous source's rows.
#pragma once

#include <string>

#include "platform/core/CString.h"

// Why no preview file could be reserved; error: errno right after the failure.
CString PreviewFolderProblem(int error);
// Why the page beside jsonPath could not be written, found by writing a file of the
// page's size in its folder; the folder alone when that succeeds now.
CString PreviewWriteProblem(const CString& jsonPath);
// The page that shows text, as the preview's pages do: UTF-8, no scripts.
std::string PreviewProblemPage(const CString& text);
