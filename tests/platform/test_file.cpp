#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <string>

#include "TempDir.h"
#include "platform/core/File.h"
#include "platform/core/SysCalls.h"

namespace {

constexpr size_t kBuf = CFile::kBufferSize;
constexpr UINT kSourceFlags = CFile::typeText | CFile::shareDenyWrite;  // as the reader opens
constexpr UINT kOutputFlags = CFile::modeCreate | CFile::modeWrite;     // as the output opens

// Bytes that a text-mode layer would be tempted to change: CR LF, 0x1A, NUL.
std::string Pattern(size_t size) {
  std::string bytes(size, '\0');
  for (size_t i = 0; i < size; ++i)
    bytes[i] = "ab\r\n\x1A\0\xFFz"[(i * 7 + i / 5) % 8];
  return bytes;
}

int g_calls = 0;
int g_lastClosed = -1;
int g_writeErrno = ENOSPC;

// Fails every write with g_writeErrno; 0 makes it write nothing and report no error.
ssize_t WriteFailing(int, const void*, size_t) {
  ++g_calls;
  errno = g_writeErrno;
  return g_writeErrno != 0 ? -1 : 0;
}
// Writes at most 1000 bytes a call and is interrupted by a signal every third call.
ssize_t WriteShort(int fd, const void* data, size_t size) {
  if (++g_calls % 3 == 0)
    return errno = EINTR, -1;
  return RealSysCalls().write(fd, data, std::min<size_t>(size, 1000));
}
ssize_t ReadInterrupted(int fd, void* data, size_t size) {
  if (++g_calls % 2 == 1)
    return errno = EINTR, -1;
  return RealSysCalls().read(fd, data, size);
}
// Fails with EIO once the descriptor stands 4 blocks into the file.
ssize_t ReadFailingAtTheFifthBlock(int fd, void* data, size_t size) {
  if (lseek(fd, 0, SEEK_CUR) >= static_cast<off_t>(4 * CFile::kBufferSize))
    return errno = EIO, -1;
  return RealSysCalls().read(fd, data, size);
}
int CloseRecorded(int fd) {
  g_lastClosed = fd;
  return RealSysCalls().close(fd);
}
int CloseFailing(int fd) {
  CloseRecorded(fd);
  return errno = EIO, -1;
}

bool IsClosed(int fd) {
  return fd >= 0 && fcntl(fd, F_GETFD) < 0 && errno == EBADF;
}

class CFileTest : public ::testing::Test {
 protected:
  void SetUp() override { g_calls = 0, g_lastClosed = -1, g_writeErrno = ENOSPC; }
  static SysCalls With(ssize_t (*write)(int, const void*, size_t),
                       int (*close)(int) = CloseRecorded) {
    SysCalls calls = RealSysCalls();
    calls.write = write, calls.close = close;
    return calls;
  }
  TempDir m_dir;
};

// Written over a longer file, which modeCreate empties, in chunks that straddle the
// buffer's ends, and read back in others; then again with writes that are short and reads
// and writes that a signal interrupts: they are completed.
TEST_F(CFileTest, BytesComeBackAcrossBufferBoundaries) {
  const std::string data = Pattern(4 * kBuf + 12345);
  const std::pair<size_t, size_t> kChunks[] = {{1, kBuf + 1}, {kBuf - 1, 4093}, {3 * kBuf, 3}};
  SysCalls hindered = With(WriteShort);
  hindered.read = ReadInterrupted;
  for (const SysCalls& calls : {RealSysCalls(), hindered}) {
    ScopedSysCalls scope(calls);
    for (const auto& [writeChunk, readChunk] : kChunks) {
      SCOPED_TRACE(testing::Message() << writeChunk << " hindered " << g_calls);
      WriteBytesToFile(m_dir.File("f.bin"), std::string(3 * kBuf, 'o'));
      CFile out;
      ASSERT_TRUE(out.Open(m_dir.WFile("f.bin"), kOutputFlags));
      for (size_t at = 0; at < data.size(); at += writeChunk)
        out.WriteBytes(std::string_view(data).substr(at, writeChunk));
      out.Close();
      CFile in;
      ASSERT_TRUE(in.Open(m_dir.WFile("f.bin"), kSourceFlags));
      EXPECT_EQ(in.GetLength(), data.size());
      std::string read, part(readChunk, '\0');
      while (UINT n = in.Read(part.data(), static_cast<UINT>(readChunk)))
        read.append(part, 0, n);
      EXPECT_TRUE(read == data) << read.size() << " bytes read";
    }
  }
  EXPECT_GT(g_calls, 8000);
}

// A large source is read ahead on a thread once two blocks are read, or not at all with
// CORVANE_IO_THREADS=0: either way its bytes come in order, and a failed read (on the thread)
// throws on the caller's with the path and errno after the bytes before it.
TEST_F(CFileTest, ReadingAheadKeepsBytesAndFailuresInPlace) {
  const std::string data = Pattern(5 * kBuf + 7);
  WriteBytesToFile(m_dir.File("in.txt"), data);
  auto readAll = [](CFile& in, std::string& read) {
    std::string part(kBuf / 4, '\0');
    while (UINT n = in.Read(part.data(), static_cast<UINT>(part.size())))
      read.append(part, 0, n);
  };
  for (const char* threads : {"1", "0"}) {
    SCOPED_TRACE(threads);
    setenv("CORVANE_IO_THREADS", threads, 1);
    CFile in;
    ASSERT_TRUE(in.Open(m_dir.WFile("in.txt"), kSourceFlags));
    std::string read;
    readAll(in, read);
    EXPECT_TRUE(read == data) << read.size() << " bytes read";
    EXPECT_EQ(in.Read(read.data(), 1), 0u) << "the end stays";

    SysCalls failing = RealSysCalls();
    failing.read = ReadFailingAtTheFifthBlock;
    ScopedSysCalls scope(failing);
    CFile broken;
    ASSERT_TRUE(broken.Open(m_dir.WFile("in.txt"), kSourceFlags));
    read.clear();
    try {
      readAll(broken, read);
      ADD_FAILURE() << "a failed read reported the end";
    } catch (const CFileException& e) {
      EXPECT_EQ(std::string(e.what()), m_dir.File("in.txt") + ": " + strerror(EIO));
    }
    EXPECT_TRUE(read == data.substr(0, 4 * kBuf)) << read.size() << " bytes read before";
    EXPECT_THROW(broken.Read(read.data(), 1), CFileException) << "the failure stays";
  }
  unsetenv("CORVANE_IO_THREADS");
}

// A failed open fills the record with the cause and a message naming the path. A source
// that must be a regular file is refused at once with what it is: a FIFO without a writer
// would otherwise hold the open for ever. What was opened and refused is closed.
TEST_F(CFileTest, FailedOpenFillsTheRecord) {
  std::filesystem::create_directory(m_dir.File("dir"));
  std::filesystem::create_symlink("/dev/null", m_dir.File("null"));
  ASSERT_EQ(mkfifo(m_dir.File("fifo").c_str(), 0600), 0);
  constexpr UINT kRegular = kSourceFlags | CFile::regularFileOnly;
  const std::tuple<const char*, UINT, int, std::string> kOpens[] = {
      {"d\xC3\xA9j\xC3\xA0.csv", kSourceFlags, CFileException::fileNotFound, strerror(ENOENT)},
      {"dir", kSourceFlags, CFileException::accessDenied, strerror(EISDIR)},
      {"dir", kRegular, CFileException::invalidFile, "is a directory"},
      {"fifo", kRegular, CFileException::invalidFile, "is a FIFO"},
      {"null", kRegular, CFileException::invalidFile, "is a device"}};
  ScopedSysCalls scope(With(RealSysCalls().write));
  for (const auto& [path, flags, cause, reason] : kOpens) {
    CFile file;
    CFileException error;
    g_lastClosed = -1;
    EXPECT_FALSE(file.Open(m_dir.WFile(path), flags, &error));
    EXPECT_EQ(IsClosed(g_lastClosed), cause != CFileException::fileNotFound) << "refused, closed";
    EXPECT_EQ(error.m_cause, cause) << path;
    EXPECT_EQ(error.GetErrorMessage(), m_dir.WFile(path) + u": " + CString::FromUtf8(reason));
  }
  CFile file;
  // A name that is not UTF-8 reaches the file system as the same bytes.
  EXPECT_TRUE(file.Open(CString::FromUtf8(m_dir.Write("caf\xE9 \xE2\x82.csv", "a;b")), kRegular));
  EXPECT_EQ(file.NextBlock(), "a;b");
}

// The second open meets the first one's lock, or shares it; "hard" is a hard link to "f".
// The locks belong to the open file, so a second open in this process meets them as another
// process would.
TEST_F(CFileTest, SecondOpenMeetsTheFirstOnesLock) {
  std::filesystem::create_hard_link(m_dir.Write("f", ""), m_dir.File("hard"));
  auto cause = [&](const char* name, UINT flags) {
    CFile file;
    CFileException error;
    file.Open(m_dir.WFile(name), flags, &error);
    return error.m_cause;
  };
  const std::tuple<UINT, const char*, UINT, int> kPairs[] = {
      {kSourceFlags, "f", kSourceFlags, CFileException::none},
      {kSourceFlags, "f", kOutputFlags, CFileException::sharingViolation},
      {kSourceFlags, "hard", kOutputFlags, CFileException::sharingViolation},
      {CFile::modeWrite, "f", kSourceFlags, CFileException::sharingViolation}};
  for (const auto& [first, other, second, outcome] : kPairs) {
    SCOPED_TRACE(testing::Message() << first << " then " << other << " " << second);
    WriteBytesToFile(m_dir.File("f"), "contents");  // as a create that was let through emptied it
    CFile firstFile;
    ASSERT_TRUE(firstFile.Open(m_dir.WFile("f"), first | CFile::modeNoTruncate));
    EXPECT_EQ(cause(other, second), outcome);
    EXPECT_EQ(ReadBytesFromFile(m_dir.File("f")), "contents");
    firstFile.Close();
    EXPECT_EQ(cause(other, second), CFileException::none) << "lock kept after Close";
  }
}

// Buffered output failing at Close, a large write failing at once, and a failing close(2):
// the failure is reported with the path and errno, a later Close reports a failed write
// again, the file is closed.
TEST_F(CFileTest, FailedWritesAndClosesAreReportedAndTheFileStillCloses) {
  // The write's errno (0: it makes no progress and reports no error; -1: it works), the
  // cause and the errno reported.
  const std::tuple<int, int, int> kFailures[] = {{ENOSPC, CFileException::diskFull, ENOSPC},
                                                 {0, CFileException::diskFull, ENOSPC},
                                                 {-1, CFileException::hardIO, EIO}};
  const std::string name = "sortie-\xC3\xA9.json";
  for (const auto& [writeErrno, cause, osError] : kFailures) {
    g_writeErrno = writeErrno;
    ScopedSysCalls scope(writeErrno < 0 ? With(RealSysCalls().write, CloseFailing)
                                        : With(WriteFailing));
    for (size_t big : {size_t{0}, kBuf + 1}) {
      SCOPED_TRACE(testing::Message() << "errno " << writeErrno << " big " << big);
      CFile out;
      ASSERT_TRUE(out.Open(m_dir.WFile(name), kOutputFlags));
      out.WriteBytes("[\n]\n");  // buffered: nothing written yet
      try {
        if (big)
          out.WriteBytes(std::string(big, 'x'));
        out.Close();
        ADD_FAILURE() << "a failure reported success";
      } catch (const CFileException& e) {
        EXPECT_EQ(e.m_cause, cause);
        EXPECT_EQ(std::string(e.what()), m_dir.File(name) + ": " + strerror(osError));
        EXPECT_EQ(e.GetErrorMessage(), CString::FromUtf8(e.what()));
      }
      if (big && writeErrno >= 0) {
        EXPECT_THROW(out.Close(), CFileException) << "Close after a failed Write";
      }
      EXPECT_FALSE(out.IsOpen());
      EXPECT_TRUE(IsClosed(g_lastClosed));
    }
    if (writeErrno < 0) {
      EXPECT_EQ(ReadBytesFromFile(m_dir.File(name)).size(), kBuf + 5) << "written before";
    }
  }
}

// The destructor tries to write but never throws; Abort does not even try.
TEST_F(CFileTest, DestructorAndAbortCloseWithoutThrowing) {
  ScopedSysCalls scope(With(WriteFailing));
  for (bool abort : {false, true}) {
    EXPECT_NO_THROW({
      CFile out;
      ASSERT_TRUE(out.Open(m_dir.WFile("out.json"), kOutputFlags));
      out.WriteBytes("pending");
      if (abort)
        out.Abort();
    });
    EXPECT_EQ(g_calls, 1);
    EXPECT_TRUE(IsClosed(g_lastClosed));
  }
}

}  // namespace
