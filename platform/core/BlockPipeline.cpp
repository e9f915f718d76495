#include "platform/core/BlockPipeline.h"

#include <utility>

#include "platform/core/IoThreads.h"

namespace {

BlockPipeline::Block PopFront(std::vector<BlockPipeline::Block>& blocks) {
  BlockPipeline::Block front = std::move(blocks.front());
  blocks.erase(blocks.begin());
  return front;
}

}  // namespace

BlockPipeline::BlockPipeline(std::vector<Block> toDo, std::vector<Block> done, Job job)
    : m_job(std::move(job)), m_toDo(std::move(toDo)), m_done(std::move(done)) {
  // The caller holds one more block than the ring gives it.
  const std::size_t ring = m_toDo.size() + m_done.size() + 1;
  m_toDo.reserve(ring);
  m_done.reserve(ring);
  SignalsHeldForNewThread held;  // the thread starts with them held
  m_thread = std::thread(&BlockPipeline::Run, this);
}

BlockPipeline::~BlockPipeline() {
  Stop();
}

void BlockPipeline::Give(Block block) {
  std::unique_lock lock(m_mutex);
  if (m_ended || m_stopping || m_finishing)
    return;
  m_toDo.push_back(std::move(block));
  // Woken after the unlock, the thread need not wait for the lock at once.
  lock.unlock();
  m_changed.notify_all();
}

bool BlockPipeline::Take(Block& block) {
  std::unique_lock lock(m_mutex);
  m_changed.wait(lock, [this] { return m_ended || !m_done.empty(); });
  if (m_done.empty()) {
    if (m_failure)
      std::rethrow_exception(m_failure);
    return false;
  }
  block = PopFront(m_done);
  return true;
}

void BlockPipeline::Finish() {
  {
    std::lock_guard lock(m_mutex);
    m_finishing = true;
  }
  m_changed.notify_all();
  if (m_thread.joinable())
    m_thread.join();
  if (m_failure)
    std::rethrow_exception(m_failure);
}

void BlockPipeline::Stop() noexcept {
  if (!m_thread.joinable())
    return;
  {
    std::lock_guard lock(m_mutex);
    m_stopping = true;
    m_toDo.clear();
  }
  m_changed.notify_all();
  m_thread.join();
}

void BlockPipeline::Run() noexcept {
  std::exception_ptr failure;
  try {
    Work();
  } catch (...) {
    failure = std::current_exception();
  }
  {
    std::lock_guard lock(m_mutex);
    m_failure = failure;
    m_toDo.clear();
    m_ended = true;
  }
  m_changed.notify_all();
}

void BlockPipeline::Work() {
  for (;;) {
    Block block;
    {
      std::unique_lock lock(m_mutex);
      m_changed.wait(lock, [this] { return m_stopping || m_finishing || !m_toDo.empty(); });
      if (m_stopping || m_toDo.empty())
        return;
      block = PopFront(m_toDo);
    }
    if (!m_job(block))
      return;
    {
      std::lock_guard lock(m_mutex);
      m_done.push_back(std::move(block));
    }
    m_changed.notify_all();
  }
}
