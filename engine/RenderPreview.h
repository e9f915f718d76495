// The rendering step of the preview.
#pragma once

#include "platform/core/Types.h"

// Renders the JSON preview file as an HTML file of the same name followed by ".html",
// then deletes the JSON file, whether or not the rendering succeeded (a failure is in the
// log). The caller shows the HTML path in every case.
void RenderPreview(LPCWSTR jsonPreviewPath);
