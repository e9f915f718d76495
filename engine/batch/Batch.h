// Several sources converted into one folder, a few at a time: what the command line's
// SOURCE... -o FOLDER and the window's several sources share.
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <vector>

#include "engine/conversion/ConversionReport.h"
#include "engine/conversion/ConversionRequest.h"
#include "platform/core/CString.h"

// One source, the file it is written to, and where its lines left out are kept (empty:
// nowhere).
struct BatchItem {
  CString source;
  CString output;
  CString rejects;
};

// Each source's output in a folder. clash, when two sources would be written to the same
// file, names both and the file; items is then empty, so that nothing is converted.
struct BatchPlan {
  std::vector<BatchItem> items;
  CString clash;
};
BatchPlan PlanBatch(const std::vector<CString>& sources, const CString& folder, OutputFormat format,
                    OutputCompression compression);

// The name a source's output takes in a folder: the source's name without its extension
// (and without a compression's before it: data.csv.gz) plus the format's and the
// compression's.
CString OutputNameOf(const CString& source, OutputFormat format, OutputCompression compression);

// Conversions at a time: asked, or one a core when 0; at least one, never more than the
// sources.
std::size_t BatchJobs(unsigned asked, std::size_t sources);

// The bytes read of all the sources together and their total size (0 when one of them has
// none: a pipe); false cancels every conversion.
using BatchProgress = std::function<bool(std::uint64_t bytesRead, std::uint64_t total)>;
// How an item ended: converted, failed (report.failure) or cancelled (report.cancelled:
// its output is as it was, and so is every later one's).
using BatchFinished = std::function<void(std::size_t item, const ConversionReport& report)>;

// Converts every item, jobs at a time, each through one ConvertToJson call of its own with
// each's options (its source, output, rejects and progress set for the item); the calling
// thread is one of them. progress and finished are called on the calling thread only,
// finished once an item in the items' order, progress at least every 50 ms while it waits
// for the others. Returns once every conversion has ended; nothing runs on after it.
void RunBatch(const ConversionRequest& each, const std::vector<BatchItem>& items, std::size_t jobs,
              const BatchProgress& progress, const BatchFinished& finished);
