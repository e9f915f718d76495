// CCompressedSource: the text a compressed file holds, a block at a time. It reads the
// file's descriptor itself and hands out what the decompressor makes of it, so that the
// file's reader sees text and nothing else changes for it.
//
// Failures throw CFileException with the file's name: a failed read with the system's
// reason, damaged data with the library's ("the gzip data is damaged: invalid block
// type"), a file that ends inside a stream as "the gzip data is cut short".
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string_view>

#include "platform/core/ByteBuffer.h"
#include "platform/core/CString.h"
#include "platform/core/Decompressor.h"

class CCompressedSource {
 public:
  // Compressed input taken from the file at a time.
  static constexpr std::size_t kInputSize = 256 << 10;

  // head: the bytes already read from the start of the file (which told its format).
  CCompressedSource(int fd, const CString& path, SourceFormat format, std::string_view head);
  CCompressedSource(const CCompressedSource&) = delete;
  CCompressedSource& operator=(const CCompressedSource&) = delete;

  // Fills output with up to room bytes of text: less only at the end, 0 once all is out.
  std::size_t Fill(char* output, std::size_t room);
  // Bytes of the file behind the text handed out so far.
  std::uint64_t BytesUsed() const { return m_bytesRead - (m_inputEnd - m_inputPos); }

 private:
  void ReadInput();
  [[noreturn]] void Fail(const char* reason) const;

  int m_fd;
  CString m_path;
  SourceFormat m_format;
  std::unique_ptr<CDecompressor> m_decompressor;
  ByteBuffer m_input;
  std::size_t m_inputPos = 0;
  std::size_t m_inputEnd = 0;
  std::uint64_t m_bytesRead = 0;
  bool m_fileEnded = false;
  bool m_ended = false;  // the end of the file after a whole stream
};
