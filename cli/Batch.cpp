#include "cli/Batch.h"

#include <sys/stat.h>

#include <algorithm>
#include <array>
#include <atomic>
#include <map>
#include <memory>
#include <mutex>
#include <string_view>
#include <thread>

#include "cli/CliMessages.h"
#include "cli/Request.h"
#include "engine/conversion/ConvertToJson.h"

namespace cli {
namespace {

// The compressions a source's name may end in; its output's name goes without them.
constexpr std::array<std::string_view, 4> kSourceCompressions = {".gz", ".zst", ".bz2", ".xz"};

bool EndsWith(std::string_view name, std::string_view end) {
  return name.size() > end.size() && name.substr(name.size() - end.size()) == end;
}

std::string InFolder(const std::string& folder, const std::string& name) {
  return folder.back() == '/' ? folder + name : folder + "/" + name;
}

std::uint64_t SizeOf(const std::string& path) {
  struct stat info {};
  return stat(path.c_str(), &info) == 0 && S_ISREG(info.st_mode)
             ? static_cast<std::uint64_t>(info.st_size)
             : 0;
}

// What the conversions share: the next item to take, the bytes read of each source for the
// one progress line, and which have ended, so that they are told in order.
class BatchState {
 public:
  BatchState(const std::vector<BatchItem>& items, ProgressLine& progress,
             const BatchFinished& finished)
      : m_items(items),
        m_progress(progress),
        m_finished(finished),
        m_bytesRead(std::make_unique<std::atomic<std::uint64_t>[]>(items.size())),
        m_reports(items.size()),
        m_ended(items.size(), false) {
    // A pipe or a FIFO among them has no size: the line then shows the bytes read only.
    for (const BatchItem& item : items) {
      struct stat info {};
      if (stat(item.source.c_str(), &info) != 0 || !S_ISREG(info.st_mode)) {
        m_total = 0;
        break;
      }
      m_total += static_cast<std::uint64_t>(info.st_size);
    }
  }

  // Converts items until none is left; never throws.
  void Work(const Options& options) noexcept {
    for (std::size_t item; (item = m_next.fetch_add(1)) < m_items.size();) {
      ConversionReport report;
      try {
        Options one = options;
        one.source = m_items[item].source;
        one.output = m_items[item].output;
        report = ConvertToJson(RequestFor(one, [this, item](std::uint64_t read, std::uint64_t) {
          Progress(item, read);
          return true;
        }));
      } catch (...) {
        report.failure =
            FailureOf(std::current_exception(), CString::FromUtf8(m_items[item].source));
      }
      End(item, std::move(report));
    }
  }

 private:
  void Progress(std::size_t item, std::uint64_t read) {
    m_bytesRead[item].store(read, std::memory_order_relaxed);
    // A line for all: whoever holds it draws, the others go on converting.
    std::unique_lock<std::mutex> lock(m_mutex, std::try_to_lock);
    if (lock.owns_lock())
      m_progress.Update(BytesRead(), m_total);
  }

  std::uint64_t BytesRead() const {
    std::uint64_t read = 0;
    for (std::size_t i = 0; i < m_items.size(); ++i)
      read += m_bytesRead[i].load(std::memory_order_relaxed);
    return read;
  }

  void End(std::size_t item, ConversionReport report) noexcept {
    std::lock_guard<std::mutex> lock(m_mutex);
    m_bytesRead[item].store(SizeOf(m_items[item].source), std::memory_order_relaxed);
    m_reports[item] = std::move(report);
    m_ended[item] = true;
    if (m_told < m_items.size() && m_ended[m_told])
      m_progress.Clear();
    for (; m_told < m_items.size() && m_ended[m_told]; ++m_told) {
      try {
        m_finished(m_told, m_reports[m_told]);
      } catch (...) {
        // Standard error failed: the status still says what happened.
      }
      m_reports[m_told] = {};
    }
  }

  const std::vector<BatchItem>& m_items;
  ProgressLine& m_progress;
  const BatchFinished& m_finished;
  std::unique_ptr<std::atomic<std::uint64_t>[]> m_bytesRead;
  std::uint64_t m_total = 0;
  std::atomic<std::size_t> m_next{0};
  std::mutex m_mutex;
  std::vector<ConversionReport> m_reports;
  std::vector<bool> m_ended;
  std::size_t m_told = 0;
};

}  // namespace

std::string OutputNameOf(const std::string& source, OutputFormat format,
                         OutputCompression compression) {
  std::string_view name = source;
  name.remove_prefix(name.find_last_of('/') + 1);  // npos + 1 is 0
  for (std::string_view compressed : kSourceCompressions)
    if (EndsWith(name, compressed))
      name.remove_suffix(compressed.size());
  // A dot that starts the name makes it hidden, not an extension.
  const std::size_t dot = name.find_last_of('.');
  if (dot != std::string_view::npos && dot > 0)
    name = name.substr(0, dot);
  return std::string(name) + "." + std::string(NameOf(format).extensions[0]) +
         std::string(CompressionExtension(compression));
}

BatchPlan PlanBatch(const Options& options) {
  BatchPlan plan;
  std::map<std::string, const std::string*> takenBy;
  for (const std::string& source : options.sources) {
    const std::string output =
        InFolder(options.outputFolder, OutputNameOf(source, options.format, options.compression));
    const auto [taken, added] = takenBy.emplace(output, &source);
    if (!added) {
      plan.error = Text(kSameOutput, taken->second->c_str(), source.c_str(), output.c_str());
      plan.items.clear();
      return plan;
    }
    plan.items.push_back({source, output});
  }
  return plan;
}

std::size_t JobsFor(const Options& options, std::size_t sources) {
  const std::size_t jobs = options.jobs > 0 ? static_cast<std::size_t>(options.jobs)
                                            : std::max(1u, std::thread::hardware_concurrency());
  return std::max<std::size_t>(1, std::min(jobs, sources));
}

void RunBatch(const Options& options, const std::vector<BatchItem>& items, ProgressLine& progress,
              const BatchFinished& finished) {
  BatchState state(items, progress, finished);
  std::vector<std::thread> threads;
  const std::size_t jobs = JobsFor(options, items.size());
  // This thread converts too: one job starts no thread at all.
  for (std::size_t i = 1; i < jobs; ++i) {
    try {
      threads.emplace_back([&state, &options] { state.Work(options); });
    } catch (const std::system_error&) {
      break;  // fewer threads than asked: the ones there take every item
    }
  }
  state.Work(options);
  for (std::thread& thread : threads)
    thread.join();
}

}  // namespace cli
