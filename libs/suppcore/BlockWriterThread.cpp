#include "libs/suppcore/BlockWriterThread.h"

#include <utility>

#include "platform/core/IoThreads.h"

BlockWriterThread::BlockWriterThread(CFile& file) : m_file(file) {
  SignalsHeldForNewThread held;  // the thread starts with them held
  m_thread = std::thread(&BlockWriterThread::Run, this);
}

BlockWriterThread::~BlockWriterThread() {
  Stop();
}

void BlockWriterThread::HandOver(ByteBuffer& block, std::size_t used) {
  std::unique_lock lock(m_mutex);
  m_changed.wait(lock, [this] { return m_failure || !m_free.empty() || m_buffers < kBuffers; });
  if (m_failure)
    std::rethrow_exception(m_failure);
  m_pending.push_back({std::move(block), used});
  if (m_free.empty()) {
    block = ByteBuffer();
    ++m_buffers;
  } else {
    block = std::move(m_free.back());
    m_free.pop_back();
  }
  // Woken after the unlock, the writing thread need not wait for the lock at once.
  lock.unlock();
  m_changed.notify_all();
}

void BlockWriterThread::Finish() {
  {
    std::lock_guard lock(m_mutex);
    m_ending = true;
    m_changed.notify_all();
  }
  if (m_thread.joinable())
    m_thread.join();
  if (m_failure)
    std::rethrow_exception(m_failure);
}

void BlockWriterThread::Stop() noexcept {
  if (!m_thread.joinable())
    return;
  {
    std::lock_guard lock(m_mutex);
    m_ending = true;
    m_pending.clear();
    m_changed.notify_all();
  }
  m_thread.join();
}

void BlockWriterThread::Run() {
  for (;;) {
    Block block;
    {
      std::unique_lock lock(m_mutex);
      m_changed.wait(lock, [this] { return m_ending || !m_pending.empty(); });
      if (m_pending.empty())
        return;
      block = std::move(m_pending.front());
      m_pending.pop_front();
    }
    std::exception_ptr failure;
    try {
      m_file.Write(block.bytes.data(), static_cast<UINT>(block.used));
    } catch (...) {
      failure = std::current_exception();
    }
    std::unique_lock lock(m_mutex);
    if (failure) {
      // What follows a block that did not reach the file would leave a hole in it.
      m_failure = failure;
      m_pending.clear();
      m_changed.notify_all();
      return;
    }
    m_free.push_back(std::move(block.bytes));
    lock.unlock();
    m_changed.notify_all();
  }
}
