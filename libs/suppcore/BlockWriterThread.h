// BlockWriterThread: writes blocks to a file on a thread of its own, in the order they are
// handed over, so that encoding the next blocks and the system's copying of the earlier ones
// into the page cache run on two cores at once. The blocks travel in a small ring of
// buffers: the caller fills one while the others wait or are written, and gets an empty one
// back for each full one it hands over.
//
// A failed write ends the writing: the blocks after it are dropped, and the exception
// (a CFileException with the system's reason, as the file threw it) reaches the caller at
// its next HandOver or at Finish. Stop drops whatever is not written yet; after it, and
// after Finish, the thread is gone and the file is the caller's alone again.
#pragma once

#include <condition_variable>
#include <cstddef>
#include <deque>
#include <exception>
#include <mutex>
#include <thread>
#include <vector>

#include "platform/core/ByteBuffer.h"
#include "platform/core/File.h"

class BlockWriterThread {
 public:
  // The caller's, which it fills next, and up to three waiting or being written.
  static constexpr std::size_t kBuffers = 4;

  // Starts the thread; throws std::system_error when the system has none to give.
  explicit BlockWriterThread(CFile& file);
  // Stop.
  ~BlockWriterThread();
  BlockWriterThread(const BlockWriterThread&) = delete;
  BlockWriterThread& operator=(const BlockWriterThread&) = delete;

  // Queues the first used bytes of block for writing and leaves in block a buffer to fill
  // next (empty when it is new), waiting while every buffer is taken. Throws the exception
  // of an earlier write that failed.
  void HandOver(ByteBuffer& block, std::size_t used);
  // Waits until every block handed over is written and ends the thread; throws the
  // exception of a write that failed.
  void Finish();
  // Drops the blocks not written yet, waits for a write under way and ends the thread.
  void Stop() noexcept;

 private:
  struct Block {
    ByteBuffer bytes;
    std::size_t used = 0;
  };

  void Run();

  CFile& m_file;
  std::mutex m_mutex;
  std::condition_variable m_changed;  // a block queued or written, a failure, the end
  std::deque<Block> m_pending;
  std::vector<ByteBuffer> m_free;
  std::size_t m_buffers = 1;  // made so far, the caller's first among them
  bool m_ending = false;      // no more blocks come
  std::exception_ptr m_failure;
  std::thread m_thread;
};
