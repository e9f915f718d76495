// Buffered files over POSIX descriptors.
//
// Sharing. shareDenyWrite means that nobody may open the file for writing meanwhile.
// POSIX has no such open mode, so it is built from open file description locks
// (fcntl F_OFD_SETLK), taken right after open(2) on regular files:
// - a read-only open with shareDenyWrite takes a shared lock (F_RDLCK) on the whole
//   file, and fails with sharingViolation while a writer holds its lock;
// - every open for writing takes an exclusive lock (F_WRLCK) on the whole file, and
//   fails with sharingViolation while any lock is held, so an output file can never
//   overwrite the source that is being read, whatever name it was given by.
// OFD locks belong to the open file description, not to the process: two descriptors of
// one process conflict as two processes do (classic POSIX record locks would not, and
// closing any descriptor of the file would drop them), a forked child shares its
// parent's, and they are tied to the inode, so every path, hard link and symbolic link
// reaching the file meets them. They are advisory: a program that takes no lock can
// still write; every program of this suite opens its files through this class.
//
// modeCreate opens with O_CREAT but without O_TRUNC and empties the file only once the
// lock is held: truncating at open(2) would destroy a file that the lock then refuses.
// Descriptors are always close-on-exec, so that no started program inherits a lock.
//
// "/dev/fd/N" (and /dev/stdout, /proc/self/fd/N, ...) names a descriptor the program
// already has: it is duplicated, not opened again, and never emptied, so that output to a
// shell's '>>' appends and output to a pipe streams. It still takes its lock, so that
// appending to the file being read is refused. An adopted descriptor is treated alike.
#include "platform/core/File.h"

#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <exception>
#include <system_error>

#include "platform/core/CompressedSource.h"
#include "platform/core/DescriptorName.h"
#include "platform/core/IoThreads.h"
#include "platform/core/SysCalls.h"

namespace {

constexpr UINT kAccessMask = 0x0003;
constexpr UINT kShareMask = 0x0070;

int AccessFlags(UINT openFlags) {
  switch (openFlags & kAccessMask) {
    case CFile::modeRead:
      return O_RDONLY;
    case CFile::modeWrite:
      return O_WRONLY;
    case CFile::modeReadWrite:
      return O_RDWR;
    default:
      return -1;
  }
}

// Takes the sharing lock that the open flags call for. Returns 0 or an errno value;
// contention is reported as EBUSY, whose text ("Device or resource busy") tells the user
// more than the lock call's own EAGAIN ("Resource temporarily unavailable").
int TakeSharingLock(int fd, UINT openFlags) {
  bool writing = (openFlags & kAccessMask) != CFile::modeRead;
  if (!writing && (openFlags & kShareMask) != CFile::shareDenyWrite)
    return 0;
  struct flock lock {};
  lock.l_type = writing ? F_WRLCK : F_RDLCK;
  lock.l_whence = SEEK_SET;  // l_start 0 and l_len 0: the whole file, however it grows
  int result;
  do {
    result = ActiveSysCalls().lock(fd, F_OFD_SETLK, &lock);
  } while (result < 0 && errno == EINTR);
  if (result == 0)
    return 0;
  return errno == EAGAIN || errno == EACCES ? EBUSY : errno;
}

}  // namespace

const char16_t* NotRegularReason(mode_t mode) {
  if (S_ISFIFO(mode))
    return u"is a FIFO";
  if (S_ISCHR(mode) || S_ISBLK(mode))
    return u"is a device";
  if (S_ISDIR(mode))
    return u"is a directory";
  if (S_ISSOCK(mode))
    return u"is a socket";
  return u"is not a regular file";
}

namespace {

// Why Open failed after open(2): an errno value, or a reason no errno describes.
struct Refusal {
  int osError = 0;
  const char16_t* reason = nullptr;
  explicit operator bool() const { return osError != 0 || reason != nullptr; }
};

// Everything of Open after open(2).
Refusal PrepareOpened(int fd, UINT openFlags) {
  struct stat info {};
  if (ActiveSysCalls().fstat(fd, &info) < 0)
    return {errno};
  if ((openFlags & CFile::regularFileOnly) && !S_ISREG(info.st_mode))
    return {0, NotRegularReason(info.st_mode)};
  // open(2) accepts a directory read-only; here it is not a file to read.
  if (S_ISDIR(info.st_mode))
    return {EISDIR};
  // Sharing guards files on disk; pipes and devices are not shared that way, and some
  // refuse locks.
  if (!S_ISREG(info.st_mode))
    return {};
  if (int error = TakeSharingLock(fd, openFlags))
    return {error};
  // A read-only descriptor cannot truncate: modeCreate with modeRead only creates.
  bool writing = (openFlags & kAccessMask) != CFile::modeRead;
  if (writing && (openFlags & CFile::modeCreate) && !(openFlags & CFile::modeNoTruncate) &&
      info.st_size != 0 && ActiveSysCalls().ftruncate(fd, 0) < 0)
    return {errno};
  return {};
}

}  // namespace

CNotTextFileException::CNotTextFileException(const CString& fileName, SourceFormat format)
    : CFileException(invalidFile, fileName, u"is not a text file"), m_format(format) {}

CFile::CFile() = default;

CFile::~CFile() {
  if (!IsOpen())
    return;
  try {
    Close();
  } catch (...) {
    // Close has closed the descriptor; the caller chose not to hear about the failure.
  }
}

BOOL CFile::Open(LPCWSTR fileName, UINT openFlags, CFileException* error) {
  CString path(fileName);
  auto fail = [&](int osError) {
    if (error)
      *error = CFileException(CFileException::OsErrorToCause(osError), osError, path);
    return FALSE;
  };
  if (IsOpen())
    return fail(EBUSY);  // refuse rather than drop buffered output
  int access = AccessFlags(openFlags);
  if (!fileName || access < 0)
    return fail(EINVAL);
  std::string utf8 = path.ToUtf8();
  if (int inherited = DescriptorNamed(utf8); inherited >= 0) {
    int fd = fcntl(inherited, F_DUPFD_CLOEXEC, 0);
    if (fd < 0)
      return fail(errno);
    return Adopt(fd, path, openFlags, openFlags | modeNoTruncate, error);
  }
  bool probe = openFlags & regularFileOnly;
  int flags = access | O_CLOEXEC | O_NOCTTY | ((openFlags & modeCreate) ? O_CREAT : 0) |
              (probe ? O_NONBLOCK : 0);
  int fd;
  do {
    fd = ActiveSysCalls().open(utf8.c_str(), flags, 0666);
  } while (fd < 0 && errno == EINTR);
  if (fd < 0)
    return fail(errno);
  if (!Adopt(fd, path, openFlags, openFlags, error))
    return FALSE;
  // Only a regular file got this far, and reads of it never wait; the flag goes so that
  // nothing downstream meets EAGAIN.
  if (probe)
    fcntl(fd, F_SETFL, fcntl(fd, F_GETFL) & ~O_NONBLOCK);
  return TRUE;
}

BOOL CFile::OpenDescriptor(int fd, const CString& name, UINT openFlags, CFileException* error) {
  if (IsOpen() || fd < 0 || AccessFlags(openFlags) < 0) {
    int osError = IsOpen() ? EBUSY : fd < 0 ? EBADF : EINVAL;
    if (fd >= 0)
      ActiveSysCalls().close(fd);
    if (error)
      *error = CFileException(CFileException::OsErrorToCause(osError), osError, name);
    return FALSE;
  }
  return Adopt(fd, name, openFlags, openFlags | modeNoTruncate, error);
}

BOOL CFile::Adopt(int fd, const CString& name, UINT openFlags, UINT prepareFlags,
                  CFileException* error) {
  if (Refusal refusal = PrepareOpened(fd, prepareFlags)) {
    ActiveSysCalls().close(fd);
    if (error && refusal.reason)
      *error = CFileException(CFileException::invalidFile, name, refusal.reason);
    else if (error)
      *error =
          CFileException(CFileException::OsErrorToCause(refusal.osError), refusal.osError, name);
    return FALSE;
  }
  m_fd = fd;
  m_flags = openFlags;
  m_path = name;
  m_readPos = m_readEnd = m_writeUsed = 0;
  m_fileOffset = 0;
  m_readLimitReached = false;
  m_formatKnown = (openFlags & typeText) == 0 || (openFlags & kAccessMask) != modeRead;
  return TRUE;
}

BOOL CFile::OpenRange(LPCWSTR fileName, std::uint64_t begin, std::uint64_t end,
                      CFileException* error) {
  if (!Open(fileName, modeRead | typeBinary | shareDenyWrite | regularFileOnly, error))
    return FALSE;
  if (::lseek(m_fd, static_cast<off_t>(begin), SEEK_SET) < 0) {
    const int osError = errno;
    Abort();
    if (error)
      *error = CFileException(CFileException::OsErrorToCause(osError), osError, fileName);
    return FALSE;
  }
  m_fileOffset = begin;
  // A limit of 0 would read all: an empty range is a limit already reached.
  m_readLimit = std::max<std::uint64_t>(end, 1);
  m_readAheadChecked = true;
  return TRUE;
}

UINT CFile::Read(void* buffer, UINT count) {
  auto* out = static_cast<char*>(buffer);
  UINT done = 0;
  while (done < count) {
    std::string_view block = NextBlock();
    if (block.empty())
      break;
    size_t n = std::min<size_t>(block.size(), count - done);
    std::memcpy(out + done, block.data(), n);
    Consume(n);
    done += static_cast<UINT>(n);
  }
  return done;
}

void CFile::AllocateBuffer() {
  m_buffer.resize(kBufferSize + kSimdPadding);
  // The slack is only ever read past the end of a text, and its bytes ignored; zeros keep
  // those reads defined.
  std::memset(m_buffer.data() + kBufferSize, 0, kSimdPadding);
}

// Once two blocks of a regular file are read, the next ones are read ahead on a thread of
// their own: a short source (the live preview's reads, most files converted by hand)
// never starts one, and a pipe or terminal is never read beyond what the caller asks for.
std::size_t CFile::ReadIntoBuffer(std::size_t want) {
  if (!m_reader && !m_readAheadChecked && m_readLimit == 0 && m_fileOffset >= 2 * kBufferSize)
    StartReadingAhead();
  if (m_reader) {
    BlockPipeline::Block next;
    // At the end the caller keeps its buffer, and every later call ends again; a failed
    // read throws here, after the blocks read before it, every time.
    if (!m_reader->Take(next))
      return 0;
    m_reader->Give({std::move(m_buffer), 0});
    m_buffer = std::move(next.bytes);
    m_sourceBytesRead = next.sourceEnd;
    return next.size;
  }
  if (!m_formatKnown)
    return ReadFirstBlock(want);
  if (m_compressed) {
    const std::size_t made = m_compressed->Fill(m_buffer.data(), want);
    m_sourceBytesRead = m_compressed->BytesUsed();
    return made;
  }
  const ssize_t n = ReadUninterrupted(m_fd, m_buffer.data(), want);
  if (n < 0)
    ThrowOsError(errno);
  return static_cast<std::size_t>(n);
}

// The file's first bytes say what it holds. A pipe may give them a few at a time: it is
// read on while they may still start a format's mark, and no further.
std::size_t CFile::ReadFirstBlock(std::size_t want) {
  m_formatKnown = true;
  std::size_t n = 0;
  for (;;) {
    const ssize_t got = ReadUninterrupted(m_fd, m_buffer.data() + n, want - n);
    if (got < 0)
      ThrowOsError(errno);
    n += static_cast<std::size_t>(got);
    if (got == 0 || n == want || !MayStartMagic({m_buffer.data(), n}))
      break;
  }
  const SourceFormat format = SourceFormatOf({m_buffer.data(), n});
  if (IsNotText(format))
    throw CNotTextFileException(m_path, format);
  if (!::IsCompressed(format))
    return n;
  m_compressed = std::make_unique<CCompressedSource>(m_fd, m_path, format,
                                                     std::string_view(m_buffer.data(), n));
  const std::size_t made = m_compressed->Fill(m_buffer.data(), want);
  m_sourceBytesRead = m_compressed->BytesUsed();
  // What it holds may itself be no text (a ZIP archive, gzipped).
  const SourceFormat held = SourceFormatOf({m_buffer.data(), made});
  if (IsNotText(held))
    throw CNotTextFileException(m_path, held);
  return made;
}

void CFile::StartReadingAhead() {
  m_readAheadChecked = true;
  struct stat info {};
  if ((m_flags & kAccessMask) != modeRead || !IoThreadsWanted() ||
      ActiveSysCalls().fstat(m_fd, &info) != 0 || !S_ISREG(info.st_mode))
    return;
  // The ring is allocated here, where running out of memory fails the read like any other
  // failure, and not on the thread, where it would end the process.
  std::vector<BlockPipeline::Block> ring(kReadAheadBlocks);
  for (BlockPipeline::Block& block : ring) {
    block.bytes.resize(kBufferSize + kSimdPadding);
    std::memset(block.bytes.data() + kBufferSize, 0, kSimdPadding);
  }
  try {
    m_reader = std::make_unique<BlockPipeline>(
        std::move(ring), std::vector<BlockPipeline::Block>(),
        [this](BlockPipeline::Block& block) { return ReadAhead(block); });
  } catch (const std::system_error&) {
    // Without a thread, the reads stay on this one.
  }
}

bool CFile::ReadAhead(BlockPipeline::Block& block) const {
  if (m_compressed) {
    block.size = m_compressed->Fill(block.bytes.data(), kBufferSize);
    block.sourceEnd = m_compressed->BytesUsed();
    return block.size > 0;
  }
  const ssize_t n = ReadUninterrupted(m_fd, block.bytes.data(), kBufferSize);
  if (n < 0)
    ThrowOsError(errno);
  block.size = static_cast<std::size_t>(n);
  return n > 0;
}

std::string_view CFile::NextBlock() {
  if (!IsOpen())
    ThrowOsError(EBADF);
  if (m_writeUsed > 0)
    FlushWriteBuffer();
  if (m_readPos < m_readEnd)
    return {m_buffer.data() + m_readPos, m_readEnd - m_readPos};
  if (m_buffer.empty())
    AllocateBuffer();
  std::size_t want = kBufferSize;
  if (m_readLimit > 0) {
    want = static_cast<std::size_t>(
        std::min<std::uint64_t>(want, m_readLimit - std::min(m_readLimit, m_fileOffset)));
    if (want == 0) {
      m_readLimitReached = MoreBeyondLimit();
      m_readPos = m_readEnd = 0;
      return {};
    }
  }
  const std::size_t n = ReadIntoBuffer(want);
  m_readPos = 0;
  m_readEnd = n;
  m_fileOffset += n;
  return {m_buffer.data(), m_readEnd};
}

// Whether the file goes on where the read limit stopped the reading, so that a file that
// ends right there is not reported as cut.
bool CFile::MoreBeyondLimit() const {
  if (m_compressed) {
    // One more byte of text tells; it is never handed out.
    char probe;
    try {
      return m_compressed->Fill(&probe, 1) > 0;
    } catch (const CFileException&) {
      return true;  // more there, if damaged
    }
  }
  struct stat info {};
  if (ActiveSysCalls().fstat(m_fd, &info) != 0 || !S_ISREG(info.st_mode))
    return true;
  return static_cast<std::uint64_t>(info.st_size) > m_fileOffset;
}

void CFile::Write(const void* buffer, UINT count) {
  if (!IsOpen())
    ThrowOsError(EBADF);
  if ((m_flags & kAccessMask) == modeRead)
    ThrowOsError(EBADF);
  if (m_readEnd > 0) {
    // The descriptor is ahead of the reader by what is still buffered: move it back to
    // where the reader stands before anything is written there.
    std::uint64_t position = BytesConsumed();
    if (position != m_fileOffset &&
        ActiveSysCalls().lseek(m_fd, static_cast<off_t>(position), SEEK_SET) < 0)
      ThrowOsError(errno);
    m_fileOffset = position;
    m_readPos = m_readEnd = 0;
  }
  const char* data = static_cast<const char*>(buffer);
  if (m_compressor)
    return WriteCompressed({data, count}, false);
  // A large block (a writer's own full buffer) goes straight to the file: copying it into
  // this buffer first would only add a pass over every byte.
  if (count >= kBufferSize / 2) {
    FlushWriteBuffer();
    return WriteAll(data, count);
  }
  if (m_writeUsed + count > kBufferSize)
    FlushWriteBuffer();
  if (m_buffer.empty())
    AllocateBuffer();
  std::memcpy(m_buffer.data() + m_writeUsed, data, count);
  m_writeUsed += count;
}

void CFile::FlushWriteBuffer() {
  if (m_writeUsed == 0)
    return;
  size_t pending = m_writeUsed;
  std::uint64_t start = m_fileOffset;
  try {
    WriteAll(m_buffer.data(), pending);
    m_writeUsed = 0;
  } catch (const CFileException&) {
    // Keep what did not reach the file, so that a later Close reports the failure again
    // instead of closing as though everything had been written.
    size_t written = static_cast<size_t>(m_fileOffset - start);
    std::memmove(m_buffer.data(), m_buffer.data() + written, pending - written);
    m_writeUsed = pending - written;
    throw;
  }
}

void CFile::WriteAll(const char* data, size_t size) {
  while (size > 0) {
    ssize_t n = ActiveSysCalls().write(m_fd, data, size);
    if (n < 0 && errno == EINTR)
      continue;
    if (n < 0)
      ThrowOsError(errno);
    if (n == 0)
      ThrowOsError(ENOSPC);  // no progress on a regular file: the disk is full
    data += n;
    size -= static_cast<size_t>(n);
    m_fileOffset += static_cast<std::uint64_t>(n);
  }
}

void CFile::SetCompressor(std::unique_ptr<CCompressor> compressor) {
  m_compressor = std::move(compressor);
}

// The compressor keeps what it has not made output of yet: this buffer only carries each
// piece it makes to the file.
void CFile::WriteCompressed(std::string_view input, bool inputEnds) {
  constexpr std::size_t kOutputSize = 256 << 10;
  if (m_compressedOutput.size() < kOutputSize)
    m_compressedOutput.resize(kOutputSize);
  for (;;) {
    const CCompressor::Step step =
        m_compressor->Compress(input, inputEnds, m_compressedOutput.data(), kOutputSize);
    input.remove_prefix(step.used);
    if (step.made > 0)
      WriteAll(m_compressedOutput.data(), step.made);
    if (inputEnds ? step.ended : input.empty())
      return;
  }
}

void CFile::Flush() {
  if (!IsOpen())
    ThrowOsError(EBADF);
  FlushWriteBuffer();
}

void CFile::Close() {
  if (!IsOpen())
    return;
  int flushError = 0;
  std::exception_ptr compressError;
  try {
    FlushWriteBuffer();
    // Only a whole document ends its stream: an aborted file is left without the end.
    if (m_compressor)
      WriteCompressed({}, true);
  } catch (const CFileException& e) {
    flushError = static_cast<int>(e.m_lOsError);
  } catch (...) {
    compressError = std::current_exception();
  }
  // Linux releases the descriptor even when close(2) fails, so it is never retried;
  // EINTR only means a signal arrived while the file was being closed.
  m_reader.reset();  // its read may not outlive the descriptor
  int closeError = ActiveSysCalls().close(m_fd) < 0 && errno != EINTR ? errno : 0;
  m_fd = -1;
  Abort();  // with the descriptor gone, only resets the state
  if (flushError)
    ThrowOsError(flushError);
  if (compressError)
    std::rethrow_exception(compressError);
  if (closeError)
    ThrowOsError(closeError);
}

void CFile::Abort() {
  m_reader.reset();
  m_compressor.reset();
  ByteBuffer().swap(m_compressedOutput);
  m_compressed.reset();
  m_sourceBytesRead = 0;
  m_readAheadChecked = false;
  if (m_fd >= 0)
    ActiveSysCalls().close(m_fd);
  m_fd = -1;
  m_readPos = m_readEnd = m_writeUsed = 0;
  m_fileOffset = 0;
  ByteBuffer().swap(m_buffer);
}

std::uint64_t CFile::GetLength() const {
  if (!IsOpen())
    ThrowOsError(EBADF);
  struct stat info {};
  if (ActiveSysCalls().fstat(m_fd, &info) < 0)
    ThrowOsError(errno);
  if (m_compressed)
    return static_cast<std::uint64_t>(info.st_size);
  return std::max(static_cast<std::uint64_t>(info.st_size), m_fileOffset + m_writeUsed);
}

BOOL CFile::GetStatus(struct stat& info) const {
  return IsOpen() && ActiveSysCalls().fstat(m_fd, &info) == 0;
}

void CFile::ThrowOsError(int osError) const {
  throw CFileException(CFileException::OsErrorToCause(osError), osError, m_path);
}
