#include "libs/suppcore/WriteBuffer.h"

#include <algorithm>
#include <system_error>

#include "platform/core/IoThreads.h"
#include "platform/core/Simd.h"

WriteBuffer::WriteBuffer() = default;

WriteBuffer::~WriteBuffer() {
  Abandon();
}

void WriteBuffer::Bind(CFile* file) {
  Abandon();
  m_file = file;
  m_threadWanted = IoThreadsWanted();
  // Sized here rather than in the constructor, so that an unopened writer costs nothing.
  if (m_data.size() < kBlockSize)
    m_data.resize(kBlockSize);
}

void WriteBuffer::Finish() {
  // The file is let go even when its Write throws: the caller releases the file next.
  struct LetGo {
    WriteBuffer& buffer;
    ~LetGo() { buffer.Abandon(); }
  } letGo{*this};
  if (m_writer) {
    m_writer->Finish();
    m_writer.reset();
  }
  if (m_used > 0)
    m_file->Write(m_data.data(), static_cast<UINT>(m_used));
  m_used = 0;
  // The caller may only destroy the file after this, and a file's destructor drops write
  // errors: its own buffer is emptied here so that a full disk is not taken for success.
  m_file->Flush();
}

void WriteBuffer::Abandon() noexcept {
  m_writer.reset();
  m_handed = {};
  m_file = nullptr;
  m_used = 0;
}

void WriteBuffer::WriteHere() {
  m_threadWanted = false;
  if (!m_writer)
    return;
  m_writer->Finish();
  m_writer.reset();
  m_handed = {};
}

void WriteBuffer::AppendEncoded(std::string_view bytes) {
  if (m_writer || bytes.size() < kBlockSize) {
    Append(bytes);
    return;
  }
  if (m_used > 0)
    m_file->Write(m_data.data(), static_cast<UINT>(m_used));
  m_used = 0;
  m_file->Write(bytes.data(), static_cast<UINT>(bytes.size()));
}

void WriteBuffer::MakeRoom(std::size_t count) {
  HandOver();
  if (m_data.size() < count)
    m_data.resize(count);
}

void WriteBuffer::AppendInPieces(std::string_view bytes) {
  while (!bytes.empty()) {
    if (m_used == m_data.size())
      HandOver();
    const std::size_t piece = std::min(bytes.size(), m_data.size() - m_used);
    std::memcpy(m_data.data() + m_used, bytes.data(), piece);
    m_used += piece;
    bytes.remove_prefix(piece);
  }
}

void WriteBuffer::HandOver() {
  if (m_used == 0)
    return;
  if (!m_writer && m_threadWanted)
    StartWritingBehind();
  if (!m_writer) {
    m_file->Write(m_data.data(), static_cast<UINT>(m_used));
    m_used = 0;
    return;
  }
  // The block being filled stays this core's: its bytes go to the writing thread in a copy
  // past this core's caches. Handing the block itself over made each refill of a buffer
  // that the other core had just read wait on that core line by line, which cost more
  // than the copy does.
  if (m_handed.bytes.size() < m_used)
    m_handed.bytes.resize(m_used);
  StreamCopy(m_handed.bytes.data(), m_data.data(), m_used);
  m_handed.size = m_used;
  m_used = 0;
  m_writer->Give(std::move(m_handed));
  // The job never ends the work by itself: without a block back, a write failed, and Take
  // throws its exception.
  m_writer->Take(m_handed);
}

void WriteBuffer::StartWritingBehind() {
  // The ring is allocated here, where running out of memory fails the conversion like any
  // other failure, and not on the thread, where it would end the process.
  std::vector<BlockPipeline::Block> ring(kWriteBehindBlocks - 1);
  for (BlockPipeline::Block& block : ring)
    block.bytes.resize(kBlockSize);
  m_handed.bytes.resize(kBlockSize);
  CFile* file = m_file;
  try {
    m_writer = std::make_unique<BlockPipeline>(
        std::vector<BlockPipeline::Block>(), std::move(ring), [file](BlockPipeline::Block& block) {
          file->Write(block.bytes.data(), static_cast<UINT>(block.size));
          return true;
        });
  } catch (const std::system_error&) {
    m_threadWanted = false;  // no thread to be had: this one writes, as it always could
    m_handed = {};
  }
}
