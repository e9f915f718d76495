// WriteBuffer: the writer's output buffer in front of a CFile. Bytes are gathered in one
// block of kBlockSize and handed to the file's Write when the block is full, so that the
// file sees few large writes and memory stays the same whatever the document's size.
#pragma once

#include <cstddef>
#include <cstring>
#include <string_view>

#include "platform/core/ByteBuffer.h"
#include "platform/core/File.h"

class WriteBuffer {
 public:
  static constexpr std::size_t kBlockSize = std::size_t{1} << 20;

  // Binds to file and starts empty.
  void Bind(CFile* file);
  // Hands over everything pending and flushes the file, then lets go of it, also when
  // that throws.
  void Finish();
  CFile* File() const { return m_file; }

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
  void HandOver();

  CFile* m_file = nullptr;
  ByteBuffer m_data;
  std::size_t m_used = 0;
};
