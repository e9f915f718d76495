// BlockReaderThread: reads a file ahead, block after block, on a thread of its own, so that
// the system's copying of the next blocks out of the page cache runs on another core while
// the caller works on the last one. The blocks travel in a small ring of buffers: the
// caller gives back the block it is done with for each new one it takes.
//
// A failed read ends the reading: the caller gets its errno at the block where it failed,
// after every block read before it. The end of the file is a block of no bytes.
#pragma once

#include <condition_variable>
#include <cstddef>
#include <deque>
#include <mutex>
#include <thread>
#include <vector>

#include "platform/core/ByteBuffer.h"

class BlockReaderThread {
 public:
  // Besides the caller's: one being read, two waiting.
  static constexpr std::size_t kBuffers = 3;

  // Starts the thread, which reads fd from where it stands, blockSize bytes at a time, into
  // buffers followed by padding zero bytes; throws std::system_error when the system has
  // no thread to give.
  BlockReaderThread(int fd, std::size_t blockSize, std::size_t padding);
  // Stops the thread, waiting for a read under way.
  ~BlockReaderThread();
  BlockReaderThread(const BlockReaderThread&) = delete;
  BlockReaderThread& operator=(const BlockReaderThread&) = delete;

  // Leaves in block the next block read, its bytes counted in size, and takes the one
  // block held (the caller's last) into the ring. At the end of the file size is 0 and
  // block stays; the same when a read failed, and its errno is returned (else 0).
  int Next(ByteBuffer& block, std::size_t& size);

 private:
  struct Block {
    ByteBuffer bytes;
    std::size_t size = 0;
    int error = 0;
  };

  void Run();

  int m_fd;
  std::size_t m_blockSize;
  std::size_t m_padding;
  std::mutex m_mutex;
  std::condition_variable m_changed;  // a block read or given back, the end
  std::deque<Block> m_read;
  std::vector<ByteBuffer> m_free;
  bool m_stopping = false;
  std::thread m_thread;
};
