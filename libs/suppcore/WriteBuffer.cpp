#include "libs/suppcore/WriteBuffer.h"

#include <algorithm>

void WriteBuffer::Bind(CFile* file) {
  m_file = file;
  m_used = 0;
  m_handedOver = 0;
  m_pinned = false;
  // Sized here rather than in the constructor, so that an unopened writer costs nothing.
  if (m_data.size() < kBlockSize)
    m_data.resize(kBlockSize);
}

void WriteBuffer::Finish() {
  // The file is let go even when its Write throws: the caller releases the file next.
  struct LetGo {
    WriteBuffer& buffer;
    ~LetGo() { buffer.Detach(); }
  } letGo{*this};
  HandOver(m_used);
  // The caller may only destroy the file after this, and a file's destructor drops write
  // errors: its own buffer is emptied here so that a full disk is not taken for success.
  if (m_file)
    m_file->Flush();
}

void WriteBuffer::Detach() {
  m_file = nullptr;
  m_used = 0;
  m_pinned = false;
}

void WriteBuffer::MakeRoom(size_t count) {
  HandOver(m_pinned ? static_cast<size_t>(m_pin - m_handedOver) : m_used);
  if (m_data.size() - m_used < count)
    m_data.resize(std::max(m_data.size() * 2, m_used + count));
}

// Writes the first count pending bytes to the file and moves the rest to the front.
void WriteBuffer::HandOver(size_t count) {
  if (count == 0)
    return;
  if (m_file) {
    // CFile::Write takes a UINT count; pieces of 1 GiB keep a grown buffer within it.
    constexpr size_t kMaxPiece = size_t{1} << 30;
    for (size_t done = 0; done < count; done += kMaxPiece)
      m_file->Write(m_data.data() + done, static_cast<UINT>(std::min(kMaxPiece, count - done)));
  }
  std::memmove(m_data.data(), m_data.data() + count, m_used - count);
  m_used -= count;
  m_handedOver += count;
}
