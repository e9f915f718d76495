// Several sources converted into one folder, a few at a time.
#pragma once

#include <cstddef>
#include <functional>
#include <string>
#include <vector>

#include "cli/Options.h"
#include "cli/Progress.h"
#include "engine/conversion/ConversionReport.h"

namespace cli {

// One source and the file it is written to.
struct BatchItem {
  std::string source;
  std::string output;
};

// Each source's output in options.outputFolder: its name without its extension (and
// without a compression's before it: data.csv.gz) plus the format's and the compression's.
// error, when two sources would be written to the same file, names both.
struct BatchPlan {
  std::vector<BatchItem> items;
  std::string error;
};
BatchPlan PlanBatch(const Options& options);

// The name a source's output takes in a folder.
std::string OutputNameOf(const std::string& source, OutputFormat format,
                         OutputCompression compression);

// Conversions at a time: options.jobs, else one a core; never more than the sources.
std::size_t JobsFor(const Options& options, std::size_t sources);

// Converts every item, JobsFor(...) at a time, each on a thread of its own through one
// engine call with its own request. finished is called once an item, in the items' order,
// never two at a time; progress shows the bytes read of all the sources together. Returns
// once every conversion has ended.
using BatchFinished = std::function<void(std::size_t item, const ConversionReport& report)>;
void RunBatch(const Options& options, const std::vector<BatchItem>& items, ProgressLine& progress,
              const BatchFinished& finished);

}  // namespace cli
