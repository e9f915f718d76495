#include "engine/batch/Batch.h"

#include <sys/stat.h>

#include <algorithm>
#include <array>
#include <atomic>
#include <chrono>
#include <condition_variable>
#include <map>
#include <memory>
#include <mutex>
#include <string>
#include <string_view>
#include <system_error>
#include <thread>
#include <utility>

#include "engine/EngineMessages.h"
#include "engine/conversion/ConvertToJson.h"
#include "platform/core/Formatted.h"

namespace {

// The compressions a source's name may end in; its output's name goes without them.
constexpr std::array<std::string_view, 4> kSourceCompressions = {".gz", ".zst", ".bz2", ".xz"};
// How long the calling thread waits for the others before it reports progress again.
constexpr std::chrono::milliseconds kProgressPause{50};

bool EndsWith(std::string_view name, std::string_view end) {
  return name.size() > end.size() && name.substr(name.size() - end.size()) == end;
}

CString InFolder(const CString& folder, const CString& name) {
  return !folder.IsEmpty() && folder.View().back() == u'/' ? folder + name : folder + u"/" + name;
}

// 0 for anything but a regular file: its size is not what is read.
std::uint64_t SizeOf(const CString& path) {
  struct stat info {};
  return stat(path.ToUtf8().c_str(), &info) == 0 && S_ISREG(info.st_mode)
             ? static_cast<std::uint64_t>(info.st_size)
             : 0;
}

// What the conversions share: the next item to take, the bytes read of each source for the
// one progress, whether it was cancelled, and which items have ended, so that they are
// told in order on the calling thread.
class BatchRun {
 public:
  BatchRun(const ConversionRequest& each, const std::vector<BatchItem>& items,
           const BatchProgress& progress, const BatchFinished& finished)
      : m_each(each),
        m_items(items),
        m_progress(progress),
        m_finished(finished),
        m_bytesRead(std::make_unique<std::atomic<std::uint64_t>[]>(items.size())),
        m_reports(items.size()),
        m_ended(items.size(), false) {
    for (const BatchItem& item : items) {
      const std::uint64_t size = SizeOf(item.source);
      if (size == 0) {
        m_total = 0;  // a pipe among them: the bytes read only
        break;
      }
      m_total += size;
    }
  }

  // Converts items until none is left; never throws. onCaller: this is the calling thread,
  // which reports for all.
  void Work(bool onCaller) noexcept {
    for (std::size_t item; (item = m_next.fetch_add(1)) < m_items.size();) {
      End(item, Convert(item, onCaller));
      if (onCaller)
        Tell();
    }
  }

  // On the calling thread once its own items are done: reports until every item has ended.
  void WaitForAll() {
    for (;;) {
      Tell();
      {
        std::unique_lock<std::mutex> lock(m_mutex);
        if (m_told == m_items.size())
          return;
        if (!m_ended[m_told])
          m_itemEnded.wait_for(lock, kProgressPause);
      }
      Report();
    }
  }

 private:
  ConversionReport Convert(std::size_t item, bool onCaller) noexcept {
    ConversionReport report;
    if (m_cancelled.load()) {
      report.cancelled = true;
      return report;
    }
    try {
      ConversionRequest request = m_each;
      request.source = m_items[item].source;
      request.output = m_items[item].output;
      request.rejects = m_items[item].rejects;
      request.progress = [this, item, onCaller](std::uint64_t read, std::uint64_t) {
        m_bytesRead[item].store(read, std::memory_order_relaxed);
        if (onCaller) {
          Tell();
          Report();
        }
        return !m_cancelled.load();
      };
      report = ConvertToJson(request);
    } catch (...) {
      report.failure = FailureOf(std::current_exception(), m_items[item].source);
    }
    return report;
  }

  // On the calling thread: the progress of all, whose answer may cancel them all.
  void Report() {
    if (!m_progress || m_cancelled.load())
      return;
    std::uint64_t read = 0;
    for (std::size_t i = 0; i < m_items.size(); ++i)
      read += m_bytesRead[i].load(std::memory_order_relaxed);
    try {
      if (!m_progress(read, m_total))
        m_cancelled.store(true);
    } catch (...) {
      m_cancelled.store(true);  // nobody can be told any more: stop them all
    }
  }

  void End(std::size_t item, ConversionReport report) noexcept {
    m_bytesRead[item].store(SizeOf(m_items[item].source), std::memory_order_relaxed);
    std::lock_guard<std::mutex> lock(m_mutex);
    m_reports[item] = std::move(report);
    m_ended[item] = true;
    m_itemEnded.notify_all();
  }

  // On the calling thread: the items ended since, in order, each told once.
  void Tell() {
    for (;;) {
      std::size_t item = 0;
      ConversionReport report;
      {
        std::lock_guard<std::mutex> lock(m_mutex);
        if (m_told == m_items.size() || !m_ended[m_told])
          return;
        item = m_told++;
        report = std::move(m_reports[item]);
      }
      try {
        if (m_finished)
          m_finished(item, report);
      } catch (...) {
        // Telling failed (standard error closed): the conversions' outcome stands.
      }
    }
  }

  const ConversionRequest& m_each;
  const std::vector<BatchItem>& m_items;
  const BatchProgress& m_progress;
  const BatchFinished& m_finished;
  std::unique_ptr<std::atomic<std::uint64_t>[]> m_bytesRead;
  std::uint64_t m_total = 0;
  std::atomic<std::size_t> m_next{0};
  std::atomic<bool> m_cancelled{false};
  std::mutex m_mutex;
  std::condition_variable m_itemEnded;
  std::vector<ConversionReport> m_reports;
  std::vector<bool> m_ended;
  std::size_t m_told = 0;
};

}  // namespace

CString OutputNameOf(const CString& source, OutputFormat format, OutputCompression compression) {
  // Bytes, as the file system has them: FromUtf8 gives every one back.
  const std::string path = source.ToUtf8();
  std::string_view name = path;
  name.remove_prefix(name.find_last_of('/') + 1);  // npos + 1 is 0
  for (std::string_view compressed : kSourceCompressions)
    if (EndsWith(name, compressed))
      name.remove_suffix(compressed.size());
  // A dot that starts the name makes it hidden, not an extension.
  const std::size_t dot = name.find_last_of('.');
  if (dot != std::string_view::npos && dot > 0)
    name = name.substr(0, dot);
  return CString::FromUtf8(std::string(name) + "." + std::string(NameOf(format).extensions[0]) +
                           std::string(CompressionExtension(compression)));
}

BatchPlan PlanBatch(const std::vector<CString>& sources, const CString& folder, OutputFormat format,
                    OutputCompression compression) {
  BatchPlan plan;
  std::map<std::u16string, const CString*> takenBy;
  for (const CString& source : sources) {
    const CString output = InFolder(folder, OutputNameOf(source, format, compression));
    const auto [taken, added] = takenBy.emplace(std::u16string(output.View()), &source);
    if (!added) {
      plan.clash = Formatted(EngineMessages::kSameOutput, taken->second->GetString(),
                             source.GetString(), output.GetString());
      plan.items.clear();
      return plan;
    }
    plan.items.push_back({source, output, {}});
  }
  return plan;
}

std::size_t BatchJobs(unsigned asked, std::size_t sources) {
  const std::size_t jobs = asked > 0 ? asked : OneThreadACore();
  return std::max<std::size_t>(1, std::min(jobs, sources));
}

void RunBatch(const ConversionRequest& each, const std::vector<BatchItem>& items, std::size_t jobs,
              const BatchProgress& progress, const BatchFinished& finished) {
  BatchRun run(each, items, progress, finished);
  std::vector<std::thread> threads;
  // This thread converts too: one job starts no thread at all.
  for (std::size_t i = 1; i < std::min(jobs, items.size()); ++i) {
    try {
      threads.emplace_back([&run] { run.Work(false); });
    } catch (const std::system_error&) {
      break;  // fewer threads than asked: the ones there take every item
    }
  }
  run.Work(true);
  run.WaitForAll();
  for (std::thread& thread : threads)
    thread.join();
}
