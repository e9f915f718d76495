// The preview page of a source: its first rows and what the page says about them, made
// without a display so that every text can be tested.
#pragma once

#include <cstdint>
#include <vector>

#include "engine/conversion/ConversionRequest.h"
#include "platform/core/CString.h"

// Lines of the source that the preview reads after the header; lines left out count too.
inline constexpr int kPreviewRows = 10;
// The most of the source that the preview reads, so that no file can hold up the window.
inline constexpr std::uint64_t kPreviewMaxBytes = std::uint64_t{16} << 20;

// The conversion the preview runs for the one a front end would run: its first rows, as
// JSON into jsonPath, within the preview's limits, without logging or progress.
ConversionRequest PreviewRequest(const ConversionRequest& conversion, const CString& jsonPath);

// Converts the first rows of conversion's source into jsonPath and renders the page beside
// it (jsonPath followed by ".html", see RenderPreview), whatever the outcome: the page says
// what it shows, or why it shows no rows, and never holds another source's rows. An empty
// source gives the page that says how to begin.
// takeSeparator (a source new to the window): a header that is one column under the
// conversion's separator but that another of tab, comma, bar and semicolon splits is read
// with that one, and the page says so. Returns the separator taken, else an empty text.
CString MakePreviewPage(const ConversionRequest& conversion, const CString& jsonPath,
                        bool takeSeparator = false);
