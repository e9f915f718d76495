#include "libs/suppcore/BlockWriterThread.h"

#include <signal.h>

#include <cstdlib>
#include <cstring>
#include <utility>

namespace {

// The new thread takes no signal sent to the process: their handlers (the command line's
// removal of the hidden output) run on the thread that opened the output, whose held
// signals then cover the moments when a handler would see half a change. The signals that
// a write itself raises (SIGPIPE, SIGXFSZ) and faults stay with the thread that causes
// them.
class HeldForNewThread {
 public:
  HeldForNewThread() {
    sigset_t held;
    sigfillset(&held);
    for (int own : {SIGPIPE, SIGXFSZ, SIGSEGV, SIGBUS, SIGFPE, SIGILL, SIGTRAP, SIGSYS, SIGABRT})
      sigdelset(&held, own);
    pthread_sigmask(SIG_BLOCK, &held, &m_saved);
  }
  ~HeldForNewThread() { pthread_sigmask(SIG_SETMASK, &m_saved, nullptr); }
  HeldForNewThread(const HeldForNewThread&) = delete;
  HeldForNewThread& operator=(const HeldForNewThread&) = delete;

 private:
  sigset_t m_saved;
};

}  // namespace

bool BlockWriterThread::Wanted() {
  const char* threads = std::getenv("CORVANE_WRITER_THREADS");
  return !threads || std::strcmp(threads, "0") != 0;
}

BlockWriterThread::BlockWriterThread(CFile& file) : m_file(file) {
  HeldForNewThread held;  // the thread starts with them held
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
