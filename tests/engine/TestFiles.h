// Temporary directories and files for the engine tests.
#pragma once

#include <gtest/gtest.h>
#include <stdlib.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <optional>
#include <string>

#include "platform/core/CString.h"

namespace testfiles {

// A fresh directory, removed with everything in it at the end of the test.
class TempDir {
 public:
  TempDir() {
    const char* base = std::getenv("TMPDIR");
    std::string pattern = std::string(base && *base ? base : "/tmp") + "/corvane-engine-XXXXXX";
    if (mkdtemp(pattern.data()) == nullptr)
      ADD_FAILURE() << "mkdtemp failed: " << pattern;
    m_path = pattern;
  }
  ~TempDir() {
    std::error_code ignored;
    std::filesystem::remove_all(m_path, ignored);
  }
  TempDir(const TempDir&) = delete;
  TempDir& operator=(const TempDir&) = delete;

  const std::string& Path() const { return m_path; }
  std::string Path(const std::string& name) const { return m_path + "/" + name; }

  // Writes bytes to name and returns its path.
  std::string Write(const std::string& name, const std::string& bytes) const {
    const std::string path = Path(name);
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
    EXPECT_TRUE(out.good()) << "could not write " << path;
    return path;
  }

 private:
  std::string m_path;
};

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
