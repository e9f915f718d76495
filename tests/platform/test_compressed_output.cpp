// A file written through a compressor holds one stream that the format's own tool
// decompresses to exactly the bytes written, however they were cut into writes; a file
// aborted before Close holds no whole stream.
#include <gtest/gtest.h>

#include <cstdio>
#include <string>
#include <tuple>

#include "TempDir.h"
#include "platform/core/Compressor.h"
#include "platform/core/File.h"
#include "tests/support/NamedCase.h"

namespace {

using corvane_test::operator<<;

struct Format {
  const char* name;
  OutputCompression compression;
  unsigned threads;
  const char* decompress;  // a command that decompresses the file named after it
};

const Format kFormats[] = {
    {"gzip", OutputCompression::Gzip, 1, "gzip -dc"},
    {"zstd", OutputCompression::Zstd, 1, "zstd -q -dc"},
    {"zstdOnThreads", OutputCompression::Zstd, 3, "zstd -q -dc"},
};

struct Writes {
  const char* name;
  std::size_t size;
  std::size_t piece;  // bytes a write
};

// Past several of the writer's 1 MiB blocks, in its blocks and in small pieces.
const Writes kWrites[] = {
    {"Empty", 0, 1},
    {"OneLine", 17, 17},
    {"BlocksOfAMegabyte", (7 << 20) / 2, 1 << 20},
    {"SmallPieces", (5 << 20) / 2, 1000},
};

// Rows that compress as a document's do, not as a run of one byte.
std::string Document(std::size_t size) {
  std::string text;
  for (int row = 0; text.size() < size; ++row)
    text += "{\"id\":\"" + std::to_string(row * 7919 % 100003) + "\",\"name\":\"value " +
            std::string(row % 61, 'x') + "\"}\n";
  text.resize(size);
  return text;
}

class CompressedOutput : public ::testing::TestWithParam<std::tuple<Format, Writes>> {
 protected:
  // Writes bytes into path compressed, piece by piece; closes it when asked.
  void Write(const std::string& path, const std::string& bytes, std::size_t piece, bool close) {
    CFile file;
    ASSERT_TRUE(file.Open(CString::FromUtf8(path), CFile::modeCreate | CFile::modeWrite));
    const Format& format = std::get<0>(GetParam());
    file.SetCompressor(MakeCompressor(format.compression, format.threads));
    for (std::size_t at = 0; at < bytes.size(); at += piece)
      file.WriteBytes(std::string_view(bytes).substr(at, piece));
    if (close)
      file.Close();
    else
      file.Abort();
  }

  // What the format's tool makes of path; false when it fails.
  bool Decompressed(const std::string& path, std::string& bytes) const {
    const std::string command =
        std::string(std::get<0>(GetParam()).decompress) + " '" + path + "' 2>/dev/null";
    FILE* pipe = popen(command.c_str(), "r");
    if (!pipe)
      return false;
    bytes.clear();
    char buffer[65536];
    for (std::size_t n; (n = fread(buffer, 1, sizeof buffer, pipe)) > 0;)
      bytes.append(buffer, n);
    return pclose(pipe) == 0;
  }

  TempDir m_dir;
};

TEST_P(CompressedOutput, DecompressesToTheBytesWritten) {
  const Writes& writes = std::get<1>(GetParam());
  const std::string document = Document(writes.size);
  const std::string path = m_dir.File("out");
  Write(path, document, writes.piece, true);
  std::string bytes;
  ASSERT_TRUE(Decompressed(path, bytes));
  EXPECT_TRUE(bytes == document) << bytes.size() << " bytes instead of " << document.size();
}

// The stream's end is written by Close only: a flush on the way, as the writer makes, does
// not end it, and an aborted document is never a whole one.
TEST_P(CompressedOutput, AbortedHoldsNoWholeStream) {
  const Writes& writes = std::get<1>(GetParam());
  if (writes.size == 0)
    GTEST_SKIP() << "nothing written: nothing to cut";
  const std::string path = m_dir.File("out");
  Write(path, Document(writes.size), writes.piece, false);
  std::string bytes;
  EXPECT_FALSE(Decompressed(path, bytes));
}

INSTANTIATE_TEST_SUITE_P(All, CompressedOutput,
                         ::testing::Combine(::testing::ValuesIn(kFormats),
                                            ::testing::ValuesIn(kWrites)),
                         [](const auto& info) {
                           return std::string(std::get<0>(info.param).name) +
                                  std::get<1>(info.param).name;
                         });

}  // namespace
