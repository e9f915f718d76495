// CRejectsFile keeps the lines a conversion leaves out, as the source's bytes held them,
// after its header line, so that they can be mended and converted again. It replaces an
// earlier file only as a whole, like the output (CAtomicOutput).
#pragma once

#include <sys/stat.h>

#include <cstdint>
#include <string_view>

#include "platform/core/AtomicOutput.h"
#include "platform/core/CString.h"

class CRejectsFile {
 public:
  // Prepares to write path; source (may be null) is the file being read, which path may
  // not be. On failure error names path and the reason.
  BOOL Open(const CString& path, const struct stat* source, CFileException* error);
  void AcceptRegularFilesOnly(bool only) { m_output.AcceptRegularFilesOnly(only); }
  // Writes the header line, then each line left out, as it is, its line end included.
  void AddHeader(std::string_view line) { Write(line); }
  void Add(std::string_view line) {
    Write(line);
    ++m_lines;
  }
  // Puts the whole file in place of an earlier one; throws CFileException naming it.
  void Commit() { m_output.Commit(); }
  // The lines left out added.
  std::int64_t Lines() const { return m_lines; }

 private:
  void Write(std::string_view bytes);

  CAtomicOutput m_output;
  std::int64_t m_lines = 0;
};
