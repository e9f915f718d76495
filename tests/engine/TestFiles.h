// Files and the log for the engine tests; their folder is a TempDir.
#pragma once

#include <gtest/gtest.h>
#include <stdlib.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <optional>
#include <string>

#include "platform/core/CString.h"
#include "tests/platform/TempDir.h"

namespace testfiles {

// The bytes of a file, nothing when it does not exist.
inline std::optional<std::string> ReadBytes(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  if (!in)
    return std::nullopt;
  return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

inline std::u16string U16(const std::string& utf8) {
  return Utf8ToUtf16(utf8);
}

// Points the program's log at a directory of the test for the test's length.
class ScopedLogDirectory {
 public:
  explicit ScopedLogDirectory(const std::string& directory) {
    if (const char* old = std::getenv("XDG_STATE_HOME"))
      m_saved = old;
    setenv("XDG_STATE_HOME", directory.c_str(), 1);
  }
  ~ScopedLogDirectory() {
    if (m_saved)
      setenv("XDG_STATE_HOME", m_saved->c_str(), 1);
    else
      unsetenv("XDG_STATE_HOME");
  }
  ScopedLogDirectory(const ScopedLogDirectory&) = delete;
  ScopedLogDirectory& operator=(const ScopedLogDirectory&) = delete;

 private:
  std::optional<std::string> m_saved;
};

}  // namespace testfiles
