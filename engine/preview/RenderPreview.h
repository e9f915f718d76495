// The rendering step of the preview.
#pragma once

#include <string>
#include <utility>
#include <vector>

#include "libs/suppcore/HtmlPage.h"
#include "platform/core/CString.h"
#include "platform/core/Types.h"

// Renders the JSON preview file as an HTML file of the same name followed by ".html",
// then deletes the JSON file, whether or not the rendering succeeded (a failure is in the
// log). The caller shows the HTML path in every case.
// notes: lines shown under the table (the lines left out and why); lead: above it;
// places: the line of each row read, and why it was left out (HtmlPage.h); types: each
// column's type by its name, shown under the names.
void RenderPreview(LPCWSTR jsonPreviewPath, const std::vector<CString>& notes = {},
                   const std::vector<CString>& lead = {},
                   const std::vector<HtmlRowPlace>& places = {},
                   const std::vector<std::pair<std::string, std::string>>& types = {});
