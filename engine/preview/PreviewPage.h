// The preview page of a source: its first rows and what the page says about them, made
// without a display so that every text can be tested.
#pragma once

#include <cstdint>
#include <vector>

#include "engine/conversion/ConversionRequest.h"
#include "engine/index/LineIndex.h"
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

// Which rows a page further on shows: those from the row that holds a line, or from a row
// by its number (the first after the header being 0).
struct PageTarget {
  enum class By { kLine, kRow };
  By by = By::kRow;
  std::int64_t number = 0;
};

// Where a page is, for the controls under it: its first row's number, the rows it read
// (lines left out included) and the lines they took (0 and 0 when it shows none).
struct PageFacts {
  std::int64_t firstRow = 0;
  std::int64_t rows = 0;
  std::int64_t firstLine = 0;
  std::int64_t lastLine = 0;
};

// Converts the kPreviewRows rows at target, read from the nearest row the index has found
// (on from there when the index has not got so far), and renders the page as
// MakePreviewPage does, with where it is: "Lines 1,000,001-1,000,010 of 2,000,001", "of
// about" while the index is still being made. Its rows are numbered by line, and the lines
// left out among them are shown in place with their reason.
PageFacts MakePreviewPageAt(const ConversionRequest& conversion, const CString& jsonPath,
                            const CLineIndex& index, PageTarget target);
