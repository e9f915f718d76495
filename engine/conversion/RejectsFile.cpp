#include "engine/conversion/RejectsFile.h"

#include <algorithm>

BOOL CRejectsFile::Open(const CString& path, const struct stat* source, CFileException* error) {
  return m_output.Open(path, source, error);
}

// In parts, since a line may be longer than one write can take.
void CRejectsFile::Write(std::string_view bytes) {
  constexpr std::size_t kPart = std::size_t{1} << 30;
  for (std::size_t at = 0; at < bytes.size(); at += kPart) {
    const std::size_t part = std::min(kPart, bytes.size() - at);
    m_output.File().Write(bytes.data() + at, static_cast<UINT>(part));
  }
}
