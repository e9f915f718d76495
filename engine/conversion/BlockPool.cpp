#include "engine/conversion/BlockPool.h"

#include <system_error>
#include <utility>

#include "platform/core/IoThreads.h"

CBlockPool::CBlockPool(const BlockSource& source, std::vector<std::uint64_t> cuts,
                       std::size_t firstRowsBefore, unsigned threads)
    : m_source(source),
      m_cuts(std::move(cuts)),
      m_results(m_cuts.size() - 1),
      m_firstRowsBefore(firstRowsBefore),
      m_window(2 * static_cast<std::size_t>(threads)) {
  const SignalsHeldForNewThread held;
  try {
    for (unsigned k = 1; k < threads; ++k)
      m_threads.emplace_back([this] { Work(); });
  } catch (const std::system_error&) {
    // Fewer threads than asked: the ones there take every block.
  }
}

CBlockPool::~CBlockPool() {
  {
    const std::lock_guard lock(m_mutex);
    m_stop = true;
  }
  m_changed.notify_all();
  for (std::thread& thread : m_threads)
    thread.join();
}

BlockRows CBlockPool::Take(std::size_t block) {
  std::unique_lock lock(m_mutex);
  m_taken = block;
  m_changed.notify_all();
  while (!m_results[block]) {
    if (!ConvertNext(lock))
      m_changed.wait(lock);
  }
  BlockRows rows = std::move(*m_results[block]);
  m_results[block].reset();
  return rows;
}

void CBlockPool::Recycle(std::string bytes) {
  const std::lock_guard lock(m_mutex);
  m_spare.push_back(std::move(bytes));
}

void CBlockPool::Work() {
  std::unique_lock lock(m_mutex);
  while (!m_stop) {
    if (!ConvertNext(lock))
      m_changed.wait(lock);
  }
}

// Converts the next block not claimed yet, the lock released meanwhile; false when none
// may be claimed now.
bool CBlockPool::ConvertNext(std::unique_lock<std::mutex>& lock) {
  if (m_stop || m_next >= m_results.size() || m_next > m_taken + m_window)
    return false;
  const std::size_t block = m_next++;
  std::string buffer;
  if (!m_spare.empty()) {
    buffer = std::move(m_spare.back());
    m_spare.pop_back();
  }
  lock.unlock();
  BlockRows rows = ConvertBlock(m_source, Begin(block), End(block),
                                block == 0 ? m_firstRowsBefore : 1, -1, std::move(buffer));
  lock.lock();
  m_results[block] = std::move(rows);
  m_changed.notify_all();
  return true;
}
