// WriteBuffer: the writer's output buffer in front of a CFile. Bytes are gathered in one
// large block and handed to the file's Write when the block is full, so that the file sees
// few large writes. From Pin() to Unpin() (a BSON document whose length is not known yet)
// the bytes from the pin on are held back and can be patched by position; what comes
// before them is still handed over, and the buffer grows only when the held bytes alone
// fill it.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstring>
#include <string_view>
#include <vector>

#include "platform/core/ByteBuffer.h"
#include "platform/core/File.h"

class WriteBuffer {
 public:
  static constexpr size_t kBlockSize = size_t{1} << 20;

  // Binds to file (null: everything written is dropped) and starts empty.
  void Bind(CFile* file);
  // Hands over everything pending and flushes the file, then lets go of it.
  void Finish();
  // Lets go of the file without writing anything.
  void Detach();
  CFile* File() const { return m_file; }

  // Makes room for count bytes and returns where they go; Commit says how many were used.
  char* Reserve(size_t count) {
    if (m_data.size() - m_used < count)
      MakeRoom(count);
    return m_data.data() + m_used;
  }
  void Commit(char* end) { m_used = static_cast<size_t>(end - m_data.data()); }

  void Append(std::string_view bytes) {
    char* out = Reserve(bytes.size());
    std::memcpy(out, bytes.data(), bytes.size());
    m_used += bytes.size();
  }
  void Append(char byte) {
    *Reserve(1) = byte;
    ++m_used;
  }

  // Position in the whole output of the next byte.
  std::uint64_t Position() const { return m_handedOver + m_used; }
  // A byte at or after the pin, not handed over yet.
  char* At(std::uint64_t position) { return m_data.data() + (position - m_handedOver); }
  void Pin() {
    m_pinned = true;
    m_pin = Position();
  }
  void Unpin() { m_pinned = false; }

 private:
  void MakeRoom(size_t count);
  void HandOver(size_t count);

  CFile* m_file = nullptr;
  ByteBuffer m_data;
  size_t m_used = 0;
  std::uint64_t m_handedOver = 0;  // bytes given to the file before m_data[0]
  bool m_pinned = false;
  std::uint64_t m_pin = 0;
};
