// A file read as text (typeText) that is compressed: CFile hands out the text it holds,
// whatever the format, across its blocks and streams, on the reading thread too; a cut or
// damaged file fails with the file's name and why; the read limit counts the text.
#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <string>
#include <thread>
#include <tuple>

#include "TempDir.h"
#include "platform/core/File.h"
#include "tests/support/NamedCase.h"

namespace {

using corvane_test::operator<<;

constexpr UINT kSourceFlags = CFile::typeText | CFile::shareDenyWrite;  // as the reader opens

struct Format {
  const char* name;
  const char* compress;  // a command that compresses standard input to standard output
};

const Format kFormats[] = {
    {"gzip", "gzip -c"},
    {"zstd", "zstd -q -c"},
    {"bzip2", "bzip2 -c"},
    {"xz", "xz -c"},
};

// Lines of varied length, so that the 1 MiB blocks end inside lines.
std::string Text(std::size_t size) {
  std::string text = "id,name\n";
  for (int row = 0; text.size() < size; ++row)
    text += std::to_string(row) + ",value " + std::string(row % 97, 'x') + "\n";
  return text;
}

class CompressedFile : public ::testing::TestWithParam<Format> {
 protected:
  // Writes text compressed into name and returns its path.
  std::string Compressed(const std::string& name, const std::string& text) const {
    const std::string plain = m_dir.Write(name + ".plain", text);
    const std::string command =
        std::string(GetParam().compress) + " < '" + plain + "' > '" + m_dir.File(name) + "'";
    if (std::system(command.c_str()) != 0)
      throw std::runtime_error("failed: " + command);
    return m_dir.File(name);
  }

  // The text that a typeText read of path gives, in blocks.
  static std::string ReadAll(CFile& file) {
    std::string text;
    for (std::string_view block; !(block = file.NextBlock()).empty(); file.Consume(block.size()))
      text += block;
    return text;
  }

  TempDir m_dir;
};

// Two streams one after another (as `cat a b` makes them) are one text: five blocks, so that
// the reading thread takes over after two, and a first stream that ends inside a line.
TEST_P(CompressedFile, GivesTheTextOfEveryStream) {
  const std::string first = Text(3 * CFile::kBufferSize + 100) + "a line cut by the end of the ";
  const std::string second = "first stream\n" + Text(2 * CFile::kBufferSize);
  const std::string joined = m_dir.Write("joined", ReadBytesFromFile(Compressed("a", first)) +
                                                       ReadBytesFromFile(Compressed("b", second)));
  CFile file;
  ASSERT_TRUE(file.Open(CString::FromUtf8(joined), kSourceFlags));
  EXPECT_EQ(ReadAll(file), first + second);
  EXPECT_TRUE(file.IsCompressed());
  EXPECT_EQ(file.SourceBytesRead(), std::filesystem::file_size(joined))
      << "progress counts the file";
  EXPECT_EQ(file.GetLength(), std::filesystem::file_size(joined));

  // Read as bytes, the same file is what it is on disk.
  CFile bytes;
  ASSERT_TRUE(bytes.Open(CString::FromUtf8(joined), CFile::typeBinary));
  EXPECT_EQ(ReadAll(bytes), ReadBytesFromFile(joined));
}

// The end of the file inside a stream: the blocks before it are given, then the failure
// names the file and the format.
TEST_P(CompressedFile, CutShortFailsWithTheFileAndTheFormat) {
  const std::string whole = ReadBytesFromFile(Compressed("whole", Text(CFile::kBufferSize)));
  const std::string cut = m_dir.Write("cut", whole.substr(0, whole.size() - 20));
  CFile file;
  ASSERT_TRUE(file.Open(CString::FromUtf8(cut), kSourceFlags));
  try {
    ReadAll(file);
    FAIL() << "a cut file was read to its end";
  } catch (const CFileException& e) {
    EXPECT_EQ(std::string(e.what()), cut + ": the " + GetParam().name + " data is cut short");
  }
}

INSTANTIATE_TEST_SUITE_P(Formats, CompressedFile, ::testing::ValuesIn(kFormats),
                         corvane_test::ByName);

TEST(CompressedFileGzip, DamagedDataFailsWithTheLibrarysReason) {
  TempDir dir;
  // A gzip header, then a deflate block of the reserved type 3.
  const std::string damaged =
      dir.Write("damaged.gz", std::string("\x1F\x8B\x08\0\0\0\0\0\0\x03\x07\0\0\0", 14));
  CFile file;
  ASSERT_TRUE(file.Open(CString::FromUtf8(damaged), kSourceFlags));
  try {
    file.NextBlock();
    FAIL() << "damaged data was read";
  } catch (const CFileException& e) {
    EXPECT_EQ(std::string(e.what()).rfind(damaged + ": the gzip data is damaged: ", 0), 0u)
        << e.what();
  }
}

// The read limit bounds the text, not the compressed bytes, so that a small file that holds
// much cannot be read whole; a file that ends at the limit is not reported as cut.
TEST(CompressedFileLimit, CountsTheTextRead) {
  TempDir dir;
  const std::string plain = dir.Write("zeros", std::string(8 * CFile::kBufferSize, '0'));
  ASSERT_EQ(std::system(("gzip -k '" + plain + "'").c_str()), 0);
  for (const auto& [path, limit, reached] :
       {std::tuple{plain + ".gz", CFile::kBufferSize + 1, true},
        std::tuple{plain + ".gz", 8 * CFile::kBufferSize, false},
        std::tuple{plain, 8 * CFile::kBufferSize, false}}) {
    SCOPED_TRACE(path + " " + std::to_string(limit));
    CFile file;
    ASSERT_TRUE(file.Open(CString::FromUtf8(path), kSourceFlags));
    file.SetReadLimit(limit);
    std::size_t read = 0;
    for (std::string_view block; !(block = file.NextBlock()).empty(); file.Consume(block.size()))
      read += block.size();
    EXPECT_EQ(read, limit);
    EXPECT_EQ(file.ReadLimitReached(), reached);
  }
}

// A pipe may give the first bytes one at a time: they are read on until they tell a format.
TEST(CompressedFilePipe, MarkGivenInPiecesStillTellsTheFormat) {
  int fds[2];
  ASSERT_EQ(pipe(fds), 0);
  TempDir dir;
  const std::string plain = dir.Write("t", "a,b\n1,2\n");
  ASSERT_EQ(std::system(("gzip -k '" + plain + "'").c_str()), 0);
  const std::string compressed = ReadBytesFromFile(plain + ".gz");
  std::thread writer([&] {
    for (char byte : compressed) {
      EXPECT_EQ(write(fds[1], &byte, 1), 1);
      usleep(200);
    }
    close(fds[1]);
  });
  std::string text;
  try {
    CFile file;
    EXPECT_TRUE(file.OpenDescriptor(fds[0], u"pipe", kSourceFlags));
    for (std::string_view block; !(block = file.NextBlock()).empty(); file.Consume(block.size()))
      text += block;
  } catch (const CFileException& e) {
    ADD_FAILURE() << e.what();
  }
  writer.join();
  EXPECT_EQ(text, "a,b\n1,2\n");
}

}  // namespace
