// Several sources converted into one folder, a few at a time: the command line's options
// handed to the engine's batch (engine/batch/Batch.h).
#pragma once

#include <cstddef>
#include <vector>

#include "cli/Options.h"
#include "cli/Progress.h"
#include "engine/batch/Batch.h"

namespace cli {

// Each source's output in options.outputFolder; a clash refuses the run.
BatchPlan PlanBatch(const Options& options);

// Converts every item, options.jobs at a time (one a core when not given), with the
// options' request; the progress line counts the bytes read of all the sources, and
// finished is told of each item in the items' order.
void RunBatch(const Options& options, const std::vector<BatchItem>& items, ProgressLine& progress,
              const BatchFinished& finished);

}  // namespace cli
