// CBlockPool: the blocks of one source converted on several threads, the caller's among
// them, and taken in order.
#pragma once

#include <condition_variable>
#include <cstddef>
#include <cstdint>
#include <mutex>
#include <optional>
#include <string>
#include <thread>
#include <vector>

#include "engine/conversion/BlockRows.h"

// Runs the blocks' conversions on threads - 1 threads of its own and on the caller's while
// it waits, at most twice as many blocks ahead of the one taken last as there are
// threads, so that memory stays bounded whatever the source's size; the outputs' buffers
// go round rather than being made for each block. Blocks are claimed in order. The
// threads start with every signal held, and are gone once the pool is.
class CBlockPool {
 public:
  // cuts: the blocks' starts and the last one's end. firstRowsBefore: the rows the output
  // holds before the first block (the others are taken to follow some).
  CBlockPool(const BlockSource& source, std::vector<std::uint64_t> cuts,
             std::size_t firstRowsBefore, unsigned threads);
  ~CBlockPool();
  CBlockPool(const CBlockPool&) = delete;
  CBlockPool& operator=(const CBlockPool&) = delete;

  std::size_t Blocks() const { return m_results.size(); }
  std::uint64_t Begin(std::size_t block) const { return m_cuts[block]; }
  std::uint64_t End(std::size_t block) const { return m_cuts[block + 1]; }

  // Block's rows, converting others on this thread while they are not ready.
  BlockRows Take(std::size_t block);
  // A block's output once written, its memory for a later block's.
  void Recycle(std::string bytes);

 private:
  void Work();
  bool ConvertNext(std::unique_lock<std::mutex>& lock);

  const BlockSource& m_source;
  const std::vector<std::uint64_t> m_cuts;
  std::vector<std::optional<BlockRows>> m_results;
  const std::size_t m_firstRowsBefore;
  const std::size_t m_window;
  std::mutex m_mutex;
  std::condition_variable m_changed;
  std::size_t m_next = 0;
  std::size_t m_taken = 0;
  bool m_stop = false;
  std::vector<std::string> m_spare;
  std::vector<std::thread> m_threads;
};
