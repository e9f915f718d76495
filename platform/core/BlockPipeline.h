// BlockPipeline: one thread that does one job on each block handed to it, in order, while
// the caller works on the others. Reading a file ahead (CFile) has it read the next blocks;
// writing a document behind (WriteBuffer) has it write the full ones.
//
// The blocks travel in a fixed ring that the caller allocates before the thread starts, and
// the thread allocates nothing of its own: running short of memory is an ordinary
// std::bad_alloc on the caller's thread, where the conversion reports it.
//
// The thread body never throws. Whatever the job throws (a CFileException from a read or a
// write, std::bad_alloc, anything) ends the work: the blocks done before it can still be
// taken, then Take and Finish throw it on the caller's thread, where the same read or write
// would have failed without the thread. Blocks given after that are dropped, so a file
// written behind never has a hole. The thread starts with the process's signals held
// (IoThreads.h) and is joined before the pipeline goes.
#pragma once

#include <condition_variable>
#include <cstddef>
#include <cstdint>
#include <exception>
#include <functional>
#include <mutex>
#include <thread>
#include <vector>

#include "platform/core/ByteBuffer.h"

class BlockPipeline {
 public:
  struct Block {
    ByteBuffer bytes;
    std::size_t size = 0;  // the bytes used
    // Where the bytes came from ended in the file, when that is not where size says (the
    // compressed bytes behind a block of text).
    std::uint64_t sourceEnd = 0;
  };
  // Works on one block on the thread. Returns false when there is nothing more to do (the
  // end of a file): that block is not handed back and the thread ends.
  using Job = std::function<bool(Block&)>;

  // Starts the thread. toDo: blocks for the job to begin with (buffers to read into);
  // done: blocks the caller may take at once (free buffers to write from). Throws
  // std::system_error when the system has no thread to give.
  BlockPipeline(std::vector<Block> toDo, std::vector<Block> done, Job job);
  // Stop.
  ~BlockPipeline();
  BlockPipeline(const BlockPipeline&) = delete;
  BlockPipeline& operator=(const BlockPipeline&) = delete;

  // Queues block for the job; dropped once the work has ended.
  void Give(Block block);
  // Moves the oldest block done into block, waiting for one. False when the job ended and
  // every block it did was taken; throws what the job threw once the blocks done before
  // it are taken.
  bool Take(Block& block);
  // Waits until every block given is done and ends the thread; throws what the job threw.
  void Finish();
  // Drops the blocks not begun, waits for the job under way and ends the thread.
  void Stop() noexcept;

 private:
  void Run() noexcept;
  void Work();

  Job m_job;
  std::mutex m_mutex;
  std::condition_variable m_changed;  // a block given or done, the end of the work
  // Both hold at most every block of the ring: reserved before the thread starts, so that
  // moving blocks between them allocates nothing.
  std::vector<Block> m_toDo;
  std::vector<Block> m_done;
  bool m_finishing = false;  // no more blocks come
  bool m_stopping = false;   // the blocks not begun are dropped
  bool m_ended = false;      // the thread does nothing more
  std::exception_ptr m_failure;
  std::thread m_thread;
};
