// WriteBuffer: the writer's output buffer in front of a CFile. Bytes are gathered in one
// block of kBlockSize and handed to the file's Write when the block is full, so that the
// file sees few large writes and memory stays the same whatever the document's size.
// From the first full block on, copies of the blocks are written on a thread of their own
// (a BlockPipeline) while the next ones are filled; a document that fits in one block (the
// preview) starts no thread.
#pragma once

#include <cstddef>
#include <cstring>
#include <memory>
#include <string_view>

#include "platform/core/BlockPipeline.h"
#include "platform/core/ByteBuffer.h"
#include "platform/core/File.h"

class WriteBuffer {
 public:
  static constexpr std::size_t kBlockSize = std::size_t{1} << 20;
  // Blocks written behind: the one copied into next, and up to three waiting or being
  // written.
  static constexpr std::size_t kWriteBehindBlocks = 4;

  WriteBuffer();
  // Abandon.
  ~WriteBuffer();
  WriteBuffer(const WriteBuffer&) = delete;
  WriteBuffer& operator=(const WriteBuffer&) = delete;

  // Binds to file and starts empty (an earlier document not finished is abandoned). The
  // file must stay open until Finish or Abandon: blocks may be written to it until then.
  void Bind(CFile* file);
  // Hands over everything pending and flushes the file, then lets go of it, also when
  // that throws. A write that failed on the thread throws here, or at one of the next few
  // full blocks, as the file threw it.
  void Finish();
  // Drops what is not written yet, waits for a write under way, and lets go of the file:
  // nothing reaches it afterwards. Never throws.
  void Abandon() noexcept;
  CFile* File() const { return m_file; }
  // From now on every write is made on this thread: the blocks written behind so far are
  // finished first (a write of theirs that failed throws here).
  void WriteHere();
  // Bytes encoded elsewhere, in order after those pending; a large run goes to the file
  // as it is when nothing writes behind, without passing through the block.
  void AppendEncoded(std::string_view bytes);

  // Makes room for count bytes (at most kBlockSize, or the buffer grows) and returns where
  // they go; Commit says where the bytes used end.
  char* Reserve(std::size_t count) {
    if (m_data.size() - m_used < count)
      MakeRoom(count);
    return m_data.data() + m_used;
  }
  void Commit(char* end) { m_used = static_cast<std::size_t>(end - m_data.data()); }

  // Any number of bytes: more than the block holds go through it in pieces.
  void Append(std::string_view bytes) {
    if (m_data.size() - m_used < bytes.size()) {
      AppendInPieces(bytes);
      return;
    }
    std::memcpy(m_data.data() + m_used, bytes.data(), bytes.size());
    m_used += bytes.size();
  }

 private:
  void MakeRoom(std::size_t count);
  void AppendInPieces(std::string_view bytes);
  // Hands a full block to the thread (started here the first time) or the file.
  void HandOver();
  void StartWritingBehind();

  CFile* m_file = nullptr;
  ByteBuffer m_data;
  // The writing thread's buffer that the next full block is copied to.
  BlockPipeline::Block m_handed;
  std::size_t m_used = 0;
  bool m_threadWanted = false;
  std::unique_ptr<BlockPipeline> m_writer;
};
