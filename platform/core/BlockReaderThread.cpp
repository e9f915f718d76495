#include "platform/core/BlockReaderThread.h"

#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <utility>

#include "platform/core/IoThreads.h"
#include "platform/core/SysCalls.h"

BlockReaderThread::BlockReaderThread(int fd, std::size_t blockSize, std::size_t padding)
    : m_fd(fd), m_blockSize(blockSize), m_padding(padding) {
  for (std::size_t k = 0; k < kBuffers; ++k)
    m_free.emplace_back();
  SignalsHeldForNewThread held;  // the thread starts with them held
  m_thread = std::thread(&BlockReaderThread::Run, this);
}

BlockReaderThread::~BlockReaderThread() {
  {
    std::lock_guard lock(m_mutex);
    m_stopping = true;
  }
  m_changed.notify_all();
  m_thread.join();
}

int BlockReaderThread::Next(ByteBuffer& block, std::size_t& size) {
  std::unique_lock lock(m_mutex);
  m_changed.wait(lock, [this] { return !m_read.empty(); });
  Block& next = m_read.front();
  size = next.size;
  // The end and a failure stay for every later call; the caller keeps its buffer.
  if (size == 0)
    return next.error;
  if (!block.empty())
    m_free.push_back(std::move(block));
  block = std::move(next.bytes);
  m_read.pop_front();
  lock.unlock();
  m_changed.notify_all();
  return 0;
}

void BlockReaderThread::Run() {
  for (;;) {
    ByteBuffer bytes;
    {
      std::unique_lock lock(m_mutex);
      m_changed.wait(lock, [this] { return m_stopping || !m_free.empty(); });
      if (m_stopping)
        return;
      bytes = std::move(m_free.back());
      m_free.pop_back();
    }
    if (bytes.size() != m_blockSize + m_padding) {
      bytes.resize(m_blockSize + m_padding);
      std::memset(bytes.data() + m_blockSize, 0, m_padding);
    }
    Block block;
    const ssize_t n = ReadUninterrupted(m_fd, bytes.data(), m_blockSize);
    block.error = n < 0 ? errno : 0;
    block.size = n > 0 ? static_cast<std::size_t>(n) : 0;
    block.bytes = std::move(bytes);
    const bool last = block.size == 0;
    {
      std::lock_guard lock(m_mutex);
      m_read.push_back(std::move(block));
    }
    m_changed.notify_all();
    if (last)
      return;
  }
}
