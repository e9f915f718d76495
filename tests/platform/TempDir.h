// A fresh directory for one test, removed with everything in it when the test ends,
// and helpers that put bytes into files and take them out again.
#pragma once

#include <stdlib.h>

#include <filesystem>
#include <fstream>
#include <sstream>
#include <stdexcept>
#include <string>

#include "platform/core/CString.h"

class TempDir {
 public:
  TempDir() : m_path((std::filesystem::temp_directory_path() / "corvane-test-XXXXXX").string()) {
    if (!mkdtemp(m_path.data()))
      throw std::runtime_error("mkdtemp failed");
  }
  ~TempDir() {
    std::error_code ignored;
    std::filesystem::remove_all(m_path, ignored);
  }
  TempDir(const TempDir&) = delete;
  TempDir& operator=(const TempDir&) = delete;

  const std::string& Path() const { return m_path; }
  std::string File(const std::string& name) const { return m_path + "/" + name; }
  CString WFile(const std::string& name) const { return CString::FromUtf8(File(name)); }
  // Writes bytes to name and returns its path.
  std::string Write(const std::string& name, const std::string& bytes) const {
    std::ofstream(File(name), std::ios::binary | std::ios::trunc) << bytes;
    return File(name);
  }

 private:
  std::string m_path;
};

// Files whose names begin with a dot under folder, at any depth: what an unfinished output
// would leave behind.
inline int HiddenFiles(const std::string& folder) {
  int count = 0;
  for (const auto& entry : std::filesystem::recursive_directory_iterator(folder))
    count += entry.path().filename().string()[0] == '.';
  return count;
}

inline void WriteBytesToFile(const std::string& path, const std::string& bytes) {
  std::ofstream(path, std::ios::binary | std::ios::trunc) << bytes;
}

inline std::string ReadBytesFromFile(const std::string& path) {
  std::ostringstream bytes;
  bytes << std::ifstream(path, std::ios::binary).rdbuf();
  return bytes.str();
}
