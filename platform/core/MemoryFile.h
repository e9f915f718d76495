// CMemoryFile: an output that gathers what is written to it in memory, so that a writer
// made for files can encode a part of a document that is written elsewhere later.
#pragma once

#include <string>

#include "platform/core/File.h"

class CMemoryFile : public CFile {
 public:
  void Write(const void* buffer, UINT count) override {
    m_bytes.append(static_cast<const char*>(buffer), count);
  }
  void Flush() override {}
  void Close() override {}
  void Abort() override {}

  std::string& Bytes() { return m_bytes; }

 private:
  std::string m_bytes;
};
