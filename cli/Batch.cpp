#include "cli/Batch.h"

#include <string>

#include "cli/Request.h"

namespace cli {

BatchPlan PlanBatch(const Options& options) {
  std::vector<CString> sources;
  for (const std::string& source : options.sources)
    sources.push_back(CString::FromUtf8(source));
  return ::PlanBatch(sources, CString::FromUtf8(options.outputFolder), options.format,
                     options.compression);
}

void RunBatch(const Options& options, const std::vector<BatchItem>& items, ProgressLine& progress,
              const BatchFinished& finished) {
  // Each item's source, output and progress are its own; the rest is the options'.
  const ConversionRequest each = RequestFor(options, nullptr);
  ::RunBatch(
      each, items, BatchJobs(static_cast<unsigned>(options.jobs), items.size()),
      [&progress](std::uint64_t bytesRead, std::uint64_t total) {
        progress.Update(bytesRead, total);
        return true;
      },
      finished);
}

}  // namespace cli
