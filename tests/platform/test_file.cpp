#include <gtest/gtest.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <ostream>
#include <string>
#include <vector>

#include "TempDir.h"
#include "platform/core/File.h"
#include "platform/core/SysCalls.h"

namespace {

// Failure messages name the table row instead of dumping its bytes.
template <typename Row>
auto operator<<(std::ostream& out, const Row& row) -> decltype(row.name, out) {
  return out << row.name;
}

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

std::string ReadAll(CFile& file, size_t chunk) {
  std::string out, part(chunk, '\0');
  while (UINT n = file.Read(part.data(), static_cast<UINT>(chunk)))
    out.append(part, 0, n);
  return out;
}

class CFileTest : public ::testing::Test {
 protected:
  TempDir m_dir;
};

// --- reading and writing ------------------------------------------------------------

struct ChunkCase {
  size_t writeChunk;
  size_t readChunk;
};
std::ostream& operator<<(std::ostream& out, const ChunkCase& c) {
  return out << "write " << c.writeChunk << ", read " << c.readChunk;
}

class CFileRoundTrip : public CFileTest, public ::testing::WithParamInterface<ChunkCase> {};

TEST_P(CFileRoundTrip, BytesComeBackAcrossBufferBoundaries) {
  const std::string data = Pattern(2 * kBuf + 12345);
  CFile out;
  ASSERT_TRUE(out.Open(m_dir.WFile("f.bin"), kOutputFlags));
  for (size_t at = 0; at < data.size(); at += GetParam().writeChunk)
    out.WriteBytes(std::string_view(data).substr(at, GetParam().writeChunk));
  EXPECT_EQ(out.GetLength(), data.size());
  out.Close();
  EXPECT_FALSE(out.IsOpen());
  ASSERT_EQ(ReadBytesFromFile(m_dir.File("f.bin")), data);

  CFile in;
  ASSERT_TRUE(in.Open(m_dir.WFile("f.bin"), kSourceFlags));
  EXPECT_EQ(in.GetLength(), data.size());
  EXPECT_EQ(ReadAll(in, GetParam().readChunk), data);
  EXPECT_EQ(in.BytesConsumed(), data.size());
}

INSTANTIATE_TEST_SUITE_P(Chunks, CFileRoundTrip,
                         ::testing::Values(ChunkCase{1, kBuf + 1}, ChunkCase{4093, 1},
                                           ChunkCase{kBuf - 1, 65536}, ChunkCase{kBuf, 3},
                                           ChunkCase{kBuf + 7, 4093}, ChunkCase{3 * kBuf, kBuf}));

TEST_F(CFileTest, ReadsOneAndTwoBytesThenReportsTheEnd) {
  WriteBytesToFile(m_dir.File("abc"), "abc");
  CFile in;
  ASSERT_TRUE(in.Open(m_dir.WFile("abc"), kSourceFlags));
  char bytes[2] = {};
  ASSERT_EQ(in.Read(bytes, 1), 1u);
  EXPECT_EQ(bytes[0], 'a');
  ASSERT_EQ(in.Read(bytes, 2), 2u);
  EXPECT_EQ(std::string(bytes, 2), "bc");
  EXPECT_EQ(in.Read(bytes, 2), 0u);
  EXPECT_EQ(in.Read(bytes, 0), 0u);
}

struct SeekCase {
  const char* name;
  size_t readFirst;
  std::int64_t offset;
  UINT from;
  std::uint64_t expected;
};

class CFileSeek : public CFileTest, public ::testing::WithParamInterface<SeekCase> {};

TEST_P(CFileSeek, LandsWhereAskedWhetherInsideTheBufferOrNot) {
  const std::string data = Pattern(2 * kBuf + 500);
  WriteBytesToFile(m_dir.File("f"), data);
  CFile in;
  ASSERT_TRUE(in.Open(m_dir.WFile("f"), kSourceFlags));
  std::string skipped(GetParam().readFirst, '\0');
  ASSERT_EQ(in.Read(skipped.data(), static_cast<UINT>(skipped.size())), skipped.size());
  EXPECT_EQ(in.Seek(GetParam().offset, GetParam().from), GetParam().expected);
  EXPECT_EQ(in.BytesConsumed(), GetParam().expected);
  std::string next(16, '\0');
  next.resize(in.Read(next.data(), 16));
  EXPECT_EQ(next, data.substr(GetParam().expected, 16));
}

INSTANTIATE_TEST_SUITE_P(
    Positions, CFileSeek,
    ::testing::Values(SeekCase{"StartBeforeReading", 0, 0, CFile::begin, 0},
                      SeekCase{"StartAfterMark", 3, 0, CFile::begin, 0},
                      SeekCase{"StartAfterSecondBlock", kBuf + 5, 0, CFile::begin, 0},
                      SeekCase{"BackInBlock", 10, -4, CFile::current, 6},
                      SeekCase{"ForwardPastBlock", 10, static_cast<std::int64_t>(kBuf),
                               CFile::current, kBuf + 10},
                      SeekCase{"BackIntoEarlierBlock", kBuf + 10, -20, CFile::current, kBuf - 10},
                      SeekCase{"FromEnd", 1, -3, CFile::end, 2 * kBuf + 497},
                      SeekCase{"AtEnd", 7, 0, CFile::end, 2 * kBuf + 500},
                      SeekCase{"FarInside", 0, 2 * kBuf, CFile::begin, 2 * kBuf}),
    [](const auto& info) { return info.param.name; });

TEST_F(CFileTest, NegativeSeekIsRefusedAndKeepsThePosition) {
  WriteBytesToFile(m_dir.File("f"), "0123456789");
  CFile in;
  ASSERT_TRUE(in.Open(m_dir.WFile("f"), kSourceFlags));
  char c;
  in.Read(&c, 1);
  try {
    in.Seek(-2, CFile::current);
    FAIL() << "no exception";
  } catch (const CFileException& e) {
    EXPECT_EQ(e.m_cause, CFileException::badSeek);
    EXPECT_EQ(e.m_lOsError, EINVAL);
  }
  ASSERT_EQ(in.Read(&c, 1), 1u);
  EXPECT_EQ(c, '1');
}

TEST_F(CFileTest, NextBlockGivesTheBufferAndConsumeAdvances) {
  const std::string data = Pattern(kBuf + 100);
  WriteBytesToFile(m_dir.File("f"), data);
  CFile in;
  ASSERT_TRUE(in.Open(m_dir.WFile("f"), kSourceFlags));
  std::string_view block = in.NextBlock();
  ASSERT_EQ(block.size(), kBuf);
  EXPECT_EQ(block.substr(0, 50), std::string_view(data).substr(0, 50));
  in.Consume(10);
  EXPECT_EQ(in.BytesConsumed(), 10u);
  EXPECT_EQ(in.NextBlock().size(), kBuf - 10);
  in.Consume(kBuf - 10);
  block = in.NextBlock();
  EXPECT_EQ(block, std::string_view(data).substr(kBuf));
  in.Consume(block.size());
  EXPECT_TRUE(in.NextBlock().empty());
  EXPECT_EQ(in.BytesConsumed(), data.size());
}

TEST_F(CFileTest, WriteAfterReadGoesWhereTheReaderStands) {
  WriteBytesToFile(m_dir.File("f"), "hello world");
  CFile file;
  ASSERT_TRUE(file.Open(m_dir.WFile("f"), CFile::modeReadWrite));
  char head[5];
  ASSERT_EQ(file.Read(head, 5), 5u);
  file.WriteBytes("XY");
  file.Seek(0, CFile::begin);
  EXPECT_EQ(ReadAll(file, 64), "helloXYorld");
  file.Close();
  EXPECT_EQ(ReadBytesFromFile(m_dir.File("f")), "helloXYorld");
}

struct CreateCase {
  const char* name;
  UINT flags;
  std::string expected;
};

class CFileCreate : public CFileTest, public ::testing::WithParamInterface<CreateCase> {};

TEST_P(CFileCreate, EmptiesOrKeepsTheExistingFile) {
  WriteBytesToFile(m_dir.File("out"), "old contents");
  CFile out;
  ASSERT_TRUE(out.Open(m_dir.WFile("out"), GetParam().flags));
  out.WriteBytes("new");
  out.Close();
  EXPECT_EQ(ReadBytesFromFile(m_dir.File("out")), GetParam().expected);
}

INSTANTIATE_TEST_SUITE_P(
    Flags, CFileCreate,
    ::testing::Values(CreateCase{"Create", kOutputFlags, "new"},
                      CreateCase{"CreateNoTruncate", kOutputFlags | CFile::modeNoTruncate,
                                 "new contents"},
                      CreateCase{"WriteOnly", CFile::modeWrite, "new contents"}),
    [](const auto& info) { return info.param.name; });

TEST_F(CFileTest, CreateMakesAMissingFile) {
  CFile out;
  ASSERT_TRUE(out.Open(m_dir.WFile("new.json"), kOutputFlags));
  out.Close();
  EXPECT_TRUE(std::filesystem::is_regular_file(m_dir.File("new.json")));
}

struct OpenFailure {
  const char* name;
  const char* path;  // inside the test directory, which holds "dir/" and "file"
  UINT flags;
  int cause;
  int osError;
};

class CFileOpenFails : public CFileTest, public ::testing::WithParamInterface<OpenFailure> {};

TEST_P(CFileOpenFails, ReturnsZeroAndFillsTheRecord) {
  std::filesystem::create_directory(m_dir.File("dir"));
  WriteBytesToFile(m_dir.File("file"), "x");
  CFile file;
  CFileException error;
  EXPECT_FALSE(file.Open(m_dir.WFile(GetParam().path), GetParam().flags, &error));
  EXPECT_FALSE(file.IsOpen());
  EXPECT_EQ(error.m_cause, GetParam().cause);
  EXPECT_EQ(error.m_lOsError, GetParam().osError);
  EXPECT_EQ(error.m_strFileName, m_dir.WFile(GetParam().path));
  EXPECT_EQ(error.GetErrorMessage(),
            m_dir.WFile(GetParam().path) + u": " + CString::FromUtf8(strerror(GetParam().osError)));
  EXPECT_FALSE(file.Open(m_dir.WFile(GetParam().path), GetParam().flags));  // no record: no crash
}

INSTANTIATE_TEST_SUITE_P(
    Cases, CFileOpenFails,
    ::testing::Values(
        OpenFailure{"Missing", "missing.csv", kSourceFlags, CFileException::fileNotFound, ENOENT},
        OpenFailure{"MissingFolder", "nowhere/out", kOutputFlags, CFileException::fileNotFound,
                    ENOENT},
        OpenFailure{"FileAsFolder", "file/x", kSourceFlags, CFileException::badPath, ENOTDIR},
        OpenFailure{"DirectoryRead", "dir", kSourceFlags, CFileException::accessDenied, EISDIR},
        OpenFailure{"DirectoryPlainRead", "dir", CFile::modeRead, CFileException::accessDenied,
                    EISDIR},
        OpenFailure{"DirectoryWrite", "dir", kOutputFlags, CFileException::accessDenied, EISDIR},
        OpenFailure{"BadAccessMode", "file", 3, CFileException::genericException, EINVAL}),
    [](const auto& info) { return info.param.name; });

TEST_F(CFileTest, OpenWithoutPermissionIsAccessDenied) {
  if (geteuid() == 0)
    GTEST_SKIP() << "root reads every file";
  WriteBytesToFile(m_dir.File("secret"), "x");
  chmod(m_dir.File("secret").c_str(), 0);
  CFile file;
  CFileException error;
  EXPECT_FALSE(file.Open(m_dir.WFile("secret"), kSourceFlags, &error));
  EXPECT_EQ(error.m_cause, CFileException::accessDenied);
}

TEST_F(CFileTest, OpeningAnOpenObjectAgainIsRefused) {
  WriteBytesToFile(m_dir.File("a"), "a");
  CFile file;
  ASSERT_TRUE(file.Open(m_dir.WFile("a"), kOutputFlags));
  file.WriteBytes("kept");
  EXPECT_FALSE(file.Open(m_dir.WFile("a"), kSourceFlags));
  file.Close();
  EXPECT_EQ(ReadBytesFromFile(m_dir.File("a")), "kept");
}

TEST_F(CFileTest, StdioLinesRoundTripThroughTheBuffer) {
  const std::u16string longLine(kBuf + kBuf / 2, u'\u00E9');  // crosses two buffer ends
  const std::vector<std::u16string> lines = {u"first", u"",     u"h\u00E9llo \xD83D\xDE00",
                                             longLine, u"a\rb", u"end"};
  {
    CStdioFile out;
    ASSERT_TRUE(out.Open(m_dir.WFile("lines.txt"), kOutputFlags));
    for (size_t i = 0; i < lines.size(); ++i) {
      out.WriteString(lines[i].c_str());
      if (i + 1 < lines.size())
        out.WriteString(u"\n");  // the last line has no line feed
    }
    out.Close();
  }
  CStdioFile in;
  ASSERT_TRUE(in.Open(m_dir.WFile("lines.txt"), kSourceFlags));
  CString line;
  for (const std::u16string& expected : lines) {
    ASSERT_TRUE(in.ReadString(line));
    EXPECT_TRUE(line.Str() == expected) << "line of length " << expected.size();
  }
  EXPECT_FALSE(in.ReadString(line));
  EXPECT_TRUE(line.IsEmpty());
}

// --- sharing -------------------------------------------------------------------------

// Returns the open result of another descriptor, in this process.
int TryOpen(const CString& path, UINT flags, CFileException* error = nullptr) {
  CFile other;
  return other.Open(path, flags, error);
}

struct ShareCase {
  const char* name;
  UINT first;
  UINT second;
  bool secondOpens;
};

class CFileSharing : public CFileTest, public ::testing::WithParamInterface<ShareCase> {};

TEST_P(CFileSharing, SecondOpenMeetsTheFirstOnesLock) {
  WriteBytesToFile(m_dir.File("f"), "contents");
  CFile first;
  ASSERT_TRUE(first.Open(m_dir.WFile("f"), GetParam().first | CFile::modeNoTruncate));
  CFileException error;
  EXPECT_EQ(TryOpen(m_dir.WFile("f"), GetParam().second, &error) != 0, GetParam().secondOpens);
  if (!GetParam().secondOpens) {
    EXPECT_EQ(error.m_cause, CFileException::sharingViolation);
    EXPECT_EQ(ReadBytesFromFile(m_dir.File("f")), "contents");
  }
  first.Close();
  EXPECT_TRUE(TryOpen(m_dir.WFile("f"), GetParam().second)) << "lock kept after Close";
}

constexpr UINT kPlainRead = CFile::modeRead;
INSTANTIATE_TEST_SUITE_P(
    Pairs, CFileSharing,
    ::testing::Values(ShareCase{"DenyWriteThenDenyWrite", kSourceFlags, kSourceFlags, true},
                      ShareCase{"DenyWriteThenPlainRead", kSourceFlags, kPlainRead, true},
                      ShareCase{"DenyWriteThenWrite", kSourceFlags, CFile::modeWrite, false},
                      ShareCase{"DenyWriteThenCreate", kSourceFlags, kOutputFlags, false},
                      ShareCase{"DenyWriteThenReadWrite", kSourceFlags, CFile::modeReadWrite,
                                false},
                      ShareCase{"WriteThenDenyWrite", CFile::modeWrite, kSourceFlags, false},
                      ShareCase{"WriteThenWrite", kOutputFlags, kOutputFlags, false},
                      ShareCase{"PlainReadThenWrite", kPlainRead, kOutputFlags, true}),
    [](const auto& info) { return info.param.name; });

struct OtherName {
  const char* name;
  // Makes another name for the file "f" in dir and returns it.
  std::string (*make)(const TempDir& dir);
};

class CFileDenyWriteByAnyName : public CFileTest,
                                public ::testing::WithParamInterface<OtherName> {};

TEST_P(CFileDenyWriteByAnyName, WriterIsRefusedAndTheFileUntouched) {
  WriteBytesToFile(m_dir.File("f"), "source rows");
  CFile reader;
  ASSERT_TRUE(reader.Open(m_dir.WFile("f"), kSourceFlags));
  CString other = CString::FromUtf8(GetParam().make(m_dir));
  for (UINT flags : {kOutputFlags, UINT{CFile::modeWrite}, UINT{CFile::modeReadWrite}}) {
    CFileException error;
    EXPECT_FALSE(TryOpen(other, flags, &error)) << "flags " << flags;
    EXPECT_EQ(error.m_cause, CFileException::sharingViolation);
    EXPECT_EQ(error.m_lOsError, EBUSY);
  }
  EXPECT_EQ(ReadBytesFromFile(m_dir.File("f")), "source rows");
  char first;
  ASSERT_EQ(reader.Read(&first, 1), 1u);  // the reader is unharmed
  EXPECT_EQ(first, 's');
  reader.Close();
  EXPECT_TRUE(TryOpen(other, kOutputFlags));
}

INSTANTIATE_TEST_SUITE_P(
    Names, CFileDenyWriteByAnyName,
    ::testing::Values(OtherName{"SamePath", [](const TempDir& d) { return d.File("f"); }},
                      OtherName{"DotDot",
                                [](const TempDir& d) {
                                  std::filesystem::create_directory(d.File("sub"));
                                  return d.File("sub/../f");
                                }},
                      OtherName{"HardLink",
                                [](const TempDir& d) {
                                  std::filesystem::create_hard_link(d.File("f"), d.File("hard"));
                                  return d.File("hard");
                                }},
                      OtherName{"SymbolicLink",
                                [](const TempDir& d) {
                                  std::filesystem::create_symlink(d.File("f"), d.File("soft"));
                                  return d.File("soft");
                                }}),
    [](const auto& info) { return info.param.name; });

// Opens path in a child process; its exit status says what happened.
enum ChildResult { kChildOpened = 0, kChildRefused = 1, kChildOtherError = 2 };

int OpenInChild(const CString& path, UINT flags) {
  pid_t pid = fork();
  if (pid == 0) {
    CFile file;
    CFileException error;
    int result = file.Open(path, flags, &error)                      ? kChildOpened
                 : error.m_cause == CFileException::sharingViolation ? kChildRefused
                                                                     : kChildOtherError;
    file.Abort();
    _exit(result);
  }
  int status = 0;
  waitpid(pid, &status, 0);
  return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

TEST_F(CFileTest, LocksHoldAcrossProcesses) {
  WriteBytesToFile(m_dir.File("f"), "shared");
  {
    CFile reader;
    ASSERT_TRUE(reader.Open(m_dir.WFile("f"), kSourceFlags));
    EXPECT_EQ(OpenInChild(m_dir.WFile("f"), kOutputFlags), kChildRefused);
    EXPECT_EQ(OpenInChild(m_dir.WFile("f"), kSourceFlags), kChildOpened);
  }
  EXPECT_EQ(ReadBytesFromFile(m_dir.File("f")), "shared");
  {
    CFile writer;
    ASSERT_TRUE(writer.Open(m_dir.WFile("f"), CFile::modeWrite));
    EXPECT_EQ(OpenInChild(m_dir.WFile("f"), kSourceFlags), kChildRefused);
    EXPECT_EQ(OpenInChild(m_dir.WFile("f"), kOutputFlags), kChildRefused);
  }  // the destructor releases the lock too
  EXPECT_EQ(OpenInChild(m_dir.WFile("f"), kOutputFlags), kChildOpened);
}

// --- failing system calls ------------------------------------------------------------

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
  if (++g_calls % 3 == 0) {
    errno = EINTR;
    return -1;
  }
  return RealSysCalls().write(fd, data, std::min<size_t>(size, 1000));
}
ssize_t ReadInterrupted(int fd, void* data, size_t size) {
  if (++g_calls % 2 == 1) {
    errno = EINTR;
    return -1;
  }
  return RealSysCalls().read(fd, data, size);
}
int CloseRecorded(int fd) {
  g_lastClosed = fd;
  return RealSysCalls().close(fd);
}
int CloseFailing(int fd) {
  CloseRecorded(fd);
  errno = EIO;
  return -1;
}

bool IsClosed(int fd) {
  return fd >= 0 && fcntl(fd, F_GETFD) < 0 && errno == EBADF;
}

class CFileSysCallTest : public CFileTest {
 protected:
  void SetUp() override {
    g_calls = 0;
    g_lastClosed = -1;
    g_writeErrno = ENOSPC;
  }
  static SysCalls With(ssize_t (*write)(int, const void*, size_t)) {
    SysCalls calls = RealSysCalls();
    calls.write = write;
    calls.close = CloseRecorded;
    return calls;
  }
};

struct WriteFailure {
  const char* name;
  int writeErrno;
  int cause;
  int osError;
};

class CFileWriteFails : public CFileSysCallTest,
                        public ::testing::WithParamInterface<WriteFailure> {
 protected:
  void ExpectFailure(const CFileException& e) const {
    EXPECT_EQ(e.m_cause, GetParam().cause);
    EXPECT_EQ(e.m_lOsError, GetParam().osError);
    EXPECT_EQ(e.m_strFileName, m_dir.WFile("out.json"));
    std::string message = m_dir.File("out.json") + ": " + strerror(GetParam().osError);
    EXPECT_EQ(e.GetErrorMessage(), CString::FromUtf8(message));
    EXPECT_EQ(std::string(e.what()), message);
  }
};

TEST_P(CFileWriteFails, CloseThrowsAndStillCloses) {
  g_writeErrno = GetParam().writeErrno;
  ScopedSysCalls scope(With(WriteFailing));
  CFile out;
  ASSERT_TRUE(out.Open(m_dir.WFile("out.json"), kOutputFlags));
  out.WriteBytes("[\n]\n");  // buffered: nothing written yet
  try {
    out.Close();
    ADD_FAILURE() << "Close reported success";
  } catch (const CFileException& e) {
    ExpectFailure(e);
  }
  EXPECT_FALSE(out.IsOpen());
  EXPECT_TRUE(IsClosed(g_lastClosed));
}

TEST_P(CFileWriteFails, LargeWriteThrowsAndCloseReportsItAgain) {
  g_writeErrno = GetParam().writeErrno;
  ScopedSysCalls scope(With(WriteFailing));
  CFile out;
  ASSERT_TRUE(out.Open(m_dir.WFile("out.json"), kOutputFlags));
  out.WriteBytes("head");
  std::string big(kBuf + 1, 'x');
  try {
    out.WriteBytes(big);
    ADD_FAILURE() << "Write reported success";
  } catch (const CFileException& e) {
    ExpectFailure(e);
  }
  // A caller that ignored the failed Write must not be told that Close succeeded.
  EXPECT_THROW(out.Close(), CFileException);
  EXPECT_FALSE(out.IsOpen());
}

INSTANTIATE_TEST_SUITE_P(
    Failures, CFileWriteFails,
    ::testing::Values(WriteFailure{"DiskFull", ENOSPC, CFileException::diskFull, ENOSPC},
                      WriteFailure{"NoProgress", 0, CFileException::diskFull, ENOSPC},
                      WriteFailure{"OverQuota", EDQUOT, CFileException::diskFull, EDQUOT},
                      WriteFailure{"IoError", EIO, CFileException::hardIO, EIO}),
    [](const auto& info) { return info.param.name; });

TEST_F(CFileSysCallTest, DestructorSwallowsTheFailureAndCloses) {
  ScopedSysCalls scope(With(WriteFailing));
  EXPECT_NO_THROW({
    CFile out;
    ASSERT_TRUE(out.Open(m_dir.WFile("out.json"), kOutputFlags));
    out.WriteBytes("pending");
  });
  EXPECT_EQ(g_calls, 1);  // it did try to write
  EXPECT_TRUE(IsClosed(g_lastClosed));
}

TEST_F(CFileSysCallTest, AbortDropsOutputWithoutWriting) {
  ScopedSysCalls scope(With(WriteFailing));
  CFile out;
  ASSERT_TRUE(out.Open(m_dir.WFile("out.json"), kOutputFlags));
  out.WriteBytes("pending");
  EXPECT_NO_THROW(out.Abort());
  EXPECT_EQ(g_calls, 0);
  EXPECT_FALSE(out.IsOpen());
  EXPECT_TRUE(IsClosed(g_lastClosed));
}

TEST_F(CFileSysCallTest, FailingCloseThrowsAfterWriting) {
  SysCalls calls = RealSysCalls();
  calls.close = CloseFailing;
  ScopedSysCalls scope(calls);
  CFile out;
  ASSERT_TRUE(out.Open(m_dir.WFile("out.json"), kOutputFlags));
  out.WriteBytes("{}");
  try {
    out.Close();
    ADD_FAILURE() << "Close reported success";
  } catch (const CFileException& e) {
    EXPECT_EQ(e.m_cause, CFileException::hardIO);
    EXPECT_EQ(e.m_lOsError, EIO);
  }
  EXPECT_FALSE(out.IsOpen());
  EXPECT_TRUE(IsClosed(g_lastClosed));
  EXPECT_EQ(ReadBytesFromFile(m_dir.File("out.json")), "{}");
  EXPECT_NO_THROW(out.Close());  // closing a closed file is harmless
}

TEST_F(CFileSysCallTest, ShortAndInterruptedWritesAreCompleted) {
  const std::string data = Pattern(kBuf * 2 + 777);
  {
    ScopedSysCalls scope(With(WriteShort));
    CFile out;
    ASSERT_TRUE(out.Open(m_dir.WFile("out.bin"), kOutputFlags));
    out.WriteBytes(std::string_view(data).substr(0, 100));
    out.WriteBytes(std::string_view(data).substr(100));
    out.Close();
  }
  EXPECT_GT(g_calls, 2000);
  EXPECT_EQ(ReadBytesFromFile(m_dir.File("out.bin")), data);
}

TEST_F(CFileSysCallTest, InterruptedReadsAreRetried) {
  const std::string data = Pattern(kBuf + 10);
  WriteBytesToFile(m_dir.File("in.bin"), data);
  SysCalls calls = RealSysCalls();
  calls.read = ReadInterrupted;
  ScopedSysCalls scope(calls);
  CFile in;
  ASSERT_TRUE(in.Open(m_dir.WFile("in.bin"), kSourceFlags));
  EXPECT_EQ(ReadAll(in, 4096), data);
}

TEST_F(CFileTest, MisuseThrowsAndHarmsNothing) {
  CFile closed;
  char c;
  EXPECT_THROW(closed.Read(&c, 1), CFileException);
  EXPECT_THROW(closed.Write("x", 1), CFileException);
  EXPECT_THROW(closed.Seek(0, CFile::begin), CFileException);
  EXPECT_NO_THROW(closed.Close());

  WriteBytesToFile(m_dir.File("f"), "x");
  CFile in;
  ASSERT_TRUE(in.Open(m_dir.WFile("f"), kSourceFlags));
  EXPECT_THROW(in.Write("y", 1), CFileException);
  in.Close();
  EXPECT_EQ(ReadBytesFromFile(m_dir.File("f")), "x");
}

TEST(CFileException, MessageNamesThePathInUtf16AndUtf8) {
  CFileException e(CFileException::diskFull, ENOSPC, u"/tmp/\u00E9t\u00E9.json");
  EXPECT_EQ(e.GetErrorMessage(), u"/tmp/\u00E9t\u00E9.json: No space left on device");
  EXPECT_STREQ(e.what(), "/tmp/\xC3\xA9t\xC3\xA9.json: No space left on device");
}

}  // namespace
