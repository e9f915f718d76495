#include "platform/core/CompressedSource.h"

#include <algorithm>
#include <cerrno>
#include <cstring>

#include "platform/core/File.h"
#include "platform/core/Formatted.h"
#include "platform/core/SysCalls.h"

CCompressedSource::CCompressedSource(int fd, const CString& path, SourceFormat format,
                                     std::string_view head)
    : m_fd(fd), m_path(path), m_format(format), m_decompressor(MakeDecompressor(format)) {
  m_input.resize(std::max(kInputSize, head.size()));
  std::memcpy(m_input.data(), head.data(), head.size());
  m_inputEnd = head.size();
  m_bytesRead = head.size();
}

// Keeps the input not taken yet (a library may wait for more before it takes any).
void CCompressedSource::ReadInput() {
  const std::size_t kept = m_inputEnd - m_inputPos;
  std::memmove(m_input.data(), m_input.data() + m_inputPos, kept);
  m_inputPos = 0;
  m_inputEnd = kept;
  const ssize_t n = ReadUninterrupted(m_fd, m_input.data() + kept, m_input.size() - kept);
  if (n < 0)
    throw CFileException(CFileException::OsErrorToCause(errno), errno, m_path);
  m_inputEnd += static_cast<std::size_t>(n);
  m_bytesRead += static_cast<std::size_t>(n);
  m_fileEnded = n == 0;
}

std::size_t CCompressedSource::Fill(char* output, std::size_t room) {
  std::size_t made = 0;
  while (made < room && !m_ended) {
    if (m_inputPos == m_inputEnd && !m_fileEnded)
      ReadInput();
    const std::string_view input(m_input.data() + m_inputPos, m_inputEnd - m_inputPos);
    CDecompressor::Step step;
    try {
      step = m_decompressor->Decompress(input, m_fileEnded, output + made, room - made);
    } catch (const CDecompressError& error) {
      Fail(error.what());
    }
    m_inputPos += step.used;
    made += step.made;
    if (step.used > 0 || step.made > 0)
      continue;
    if (!m_fileEnded && m_inputEnd - m_inputPos < m_input.size()) {
      ReadInput();
      continue;
    }
    if (!input.empty())
      Fail("the library made no progress");
    if (m_fileEnded) {
      if (!m_decompressor->AtStreamEnd())
        Fail(nullptr);
      m_ended = true;
    }
  }
  return made;
}

void CCompressedSource::Fail(const char* reason) const {
  const char* name = CompressedFormatName(m_format);
  const std::string text = reason ? Formatted("the %s data is damaged: %s", name, reason)
                                  : Formatted("the %s data is cut short", name);
  throw CFileException(CFileException::invalidFile, m_path, CString::FromUtf8(text));
}
