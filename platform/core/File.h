// CFile and CStdioFile: buffered files over POSIX descriptors with the framework's
// interface and flag values.
//
// Contract:
// - Open never throws; it returns non-zero on success. On failure the optional
//   exception record receives the cause and errno.
// - Read, Write, Flush and Close throw CFileException (with errno and the path)
//   when the system call fails. A short write is retried; no space left is an error.
// - The destructor closes a file still open and never throws (a failure is dropped:
//   callers that care call Close).
// - shareDenyWrite: while a file is open with it, opening the same file (same device
//   and inode, whatever the path or link) for writing fails, in this process and in
//   every other process of the program. Writers hold the file exclusively: opening it
//   with shareDenyWrite fails while it is open for writing. This rests on open file
//   description locks, which every file this class opens takes.
// - An existing file opened with modeCreate is emptied only after its lock is held, so
//   a refused open never truncates it.
// - No text-mode translation: typeBinary reads the bytes as they are, and so does typeText,
//   with one difference: a file read with typeText is read as the text it holds. A
//   compressed file (gzip, zstd, bzip2, xz: told by its first bytes, not its name) is
//   decompressed as it is read, and a file that starts like one that is not text (an
//   archive, a document, an image, a database, a program) fails the first read with
//   CNotTextFileException. Positions and the read limit then count the text's bytes;
//   SourceBytesRead counts the file's.
// - regularFileOnly refuses anything but a regular file ("is a FIFO", "is a device", "is a
//   directory") without blocking on it; without it a FIFO or a pipe is read as it comes.
// - A file written through a compressor (SetCompressor) holds the compressed bytes: the
//   stream is closed by Close, so a file that is only aborted never holds a whole stream.
#pragma once

#include <sys/stat.h>

#include <cstddef>
#include <cstdint>
#include <exception>
#include <memory>
#include <string>
#include <vector>

#include "platform/core/BlockPipeline.h"
#include "platform/core/ByteBuffer.h"
#include "platform/core/CString.h"
#include "platform/core/Compressor.h"
#include "platform/core/Simd.h"
#include "platform/core/SourceFormat.h"
#include "platform/core/Types.h"

class CCompressedSource;

// Why a file of this mode is not a regular one: "is a FIFO", "is a device", "is a directory".
const char16_t* NotRegularReason(mode_t mode);

class CFileException : public std::exception {
 public:
  enum Cause {
    none = 0,
    genericException,
    fileNotFound,
    badPath,
    tooManyOpenFiles,
    accessDenied,
    invalidFile,
    removeCurrentDir,
    directoryFull,
    badSeek,
    hardIO,
    sharingViolation,
    lockViolation,
    diskFull,
    endOfFile
  };

  CFileException() = default;
  CFileException(int cause, long osError, const CString& fileName);
  // A failure that no errno describes ("is a FIFO", "is the source file"): m_lOsError
  // stays 0 and the reason is given as text.
  CFileException(int cause, const CString& fileName, const CString& reason);

  // The system's reason with the file's name, e.g.
  // "/tmp/out.json: No space left on device".
  CString GetErrorMessage() const;
  // The reason alone, e.g. "No space left on device" or "is a FIFO".
  CString GetReason() const;
  const char* what() const noexcept override { return m_what.c_str(); }

  // Maps an errno value to a cause.
  static int OsErrorToCause(long osError);

  int m_cause = none;
  long m_lOsError = 0;
  CString m_strFileName;

 private:
  CString m_strReason;
  std::string m_what;
};

// A file read as text whose first bytes say that it is something else; m_format says what.
class CNotTextFileException : public CFileException {
 public:
  CNotTextFileException(const CString& fileName, SourceFormat format);
  SourceFormat m_format;
};

class CFile {
 public:
  enum OpenFlags : UINT {
    modeRead = 0x0000,
    modeWrite = 0x0001,
    modeReadWrite = 0x0002,
    shareCompat = 0x0000,
    shareExclusive = 0x0010,
    shareDenyWrite = 0x0020,
    shareDenyRead = 0x0030,
    shareDenyNone = 0x0040,
    modeNoInherit = 0x0080,
    // Opens without blocking, and only a regular file: a FIFO with no writer, a tape or a
    // terminal would otherwise hold the caller until something arrives.
    regularFileOnly = 0x0100,
    modeCreate = 0x1000,
    modeNoTruncate = 0x2000,
    typeText = 0x4000,
    typeBinary = 0x8000,
  };
  // Size of the read and write buffer.
  static constexpr size_t kBufferSize = 1 << 20;
  // Blocks read ahead, besides the caller's: one being read, two waiting.
  static constexpr size_t kReadAheadBlocks = 3;

  CFile();
  virtual ~CFile();
  CFile(const CFile&) = delete;
  CFile& operator=(const CFile&) = delete;

  virtual BOOL Open(LPCWSTR fileName, UINT openFlags, CFileException* error = nullptr);
  // Takes over a descriptor that is already open (standard input, a duplicated output, a
  // file created elsewhere), with the same checks and locks as Open; name is what errors
  // call it. The descriptor belongs to this object in every case: it is closed when the
  // adoption fails, and by Close. It is never emptied.
  BOOL OpenDescriptor(int fd, const CString& name, UINT openFlags, CFileException* error = nullptr);
  // Opens bytes [begin, end) of a regular file for reading, as they stand (no format is
  // told by them): the read ends at end, positions count from the file's start, and
  // nothing is read ahead, so that many threads may each read a part of one file.
  BOOL OpenRange(LPCWSTR fileName, std::uint64_t begin, std::uint64_t end,
                 CFileException* error = nullptr);
  virtual UINT Read(void* buffer, UINT count);
  virtual void Write(const void* buffer, UINT count);
  virtual void Flush();
  // Writes what is buffered and closes; throws when either fails. The file is closed
  // afterwards in every case.
  virtual void Close();
  // Closes without throwing; buffered output is dropped.
  virtual void Abort();

  bool IsOpen() const { return m_fd >= 0; }
  CString GetFilePath() const { return m_path; }
  // Size of the file in bytes (for progress reports).
  std::uint64_t GetLength() const;
  // What the open descriptor is (fstat): its identity, type and size, without opening the
  // file again. FALSE when no file is open or the call fails.
  BOOL GetStatus(struct stat& info) const;

  // Direct access to the read buffer, so that a reader can scan bytes without a call
  // per character. NextBlock returns the bytes not consumed yet, reading a new block
  // when none are left; an empty view means end of input. Consume(n) marks the first n
  // of them as read. The view is followed by kSimdPadding readable bytes, so that
  // a scan may load whole chunks past the end of a short text.
  std::string_view NextBlock();
  void Consume(size_t count) { m_readPos += count; }
  // Bytes of the file consumed so far (read position as seen by the user).
  std::uint64_t BytesConsumed() const { return m_fileOffset - (m_readEnd - m_readPos); }
  // The file holds compressed text (typeText only; known after the first read).
  bool IsCompressed() const { return m_compressed != nullptr; }
  // Bytes of the file itself behind the bytes read so far: BytesConsumed, or for a
  // compressed file the compressed bytes behind the blocks of text read (for progress
  // reports, against the file's size).
  std::uint64_t SourceBytesRead() const {
    return m_compressed ? m_sourceBytesRead : BytesConsumed();
  }
  // Reading ends after this many bytes of the file (of its text, when compressed), as if
  // the input ended there; 0 reads all. ReadLimitReached: the limit stopped a read and the
  // file holds more (or may: a pipe).
  void SetReadLimit(std::uint64_t bytes) { m_readLimit = bytes; }
  bool ReadLimitReached() const { return m_readLimitReached; }

  // From now on the bytes written go through compressor (null: as they are), and Close
  // ends its stream. Set before the first write.
  void SetCompressor(std::unique_ptr<CCompressor> compressor);

  // Writes bytes through the write buffer; large blocks go straight to the file.
  void WriteBytes(std::string_view bytes) { Write(bytes.data(), static_cast<UINT>(bytes.size())); }

 protected:
  [[noreturn]] void ThrowOsError(int osError) const;
  void FlushWriteBuffer();

 private:
  BOOL Adopt(int fd, const CString& name, UINT openFlags, UINT prepareFlags, CFileException* error);
  void WriteAll(const char* data, size_t size);
  void WriteCompressed(std::string_view input, bool inputEnds);
  void AllocateBuffer();
  std::size_t ReadIntoBuffer(std::size_t want);
  std::size_t ReadFirstBlock(std::size_t want);
  bool MoreBeyondLimit() const;
  void StartReadingAhead();
  bool ReadAhead(BlockPipeline::Block& block) const;
  int m_fd = -1;
  UINT m_flags = 0;
  CString m_path;
  ByteBuffer m_buffer;
  size_t m_readPos = 0;
  size_t m_readEnd = 0;
  size_t m_writeUsed = 0;
  // Where the bytes read or written end in the file: the descriptor's offset, unless it
  // is read ahead.
  std::uint64_t m_fileOffset = 0;
  std::uint64_t m_readLimit = 0;
  bool m_readLimitReached = false;
  // Reads a large source ahead (ReadIntoBuffer); whether one may was checked already.
  std::unique_ptr<BlockPipeline> m_reader;
  bool m_readAheadChecked = false;
  // The first bytes were looked at (typeText): the text is the file's or m_compressed's.
  bool m_formatKnown = false;
  std::unique_ptr<CCompressedSource> m_compressed;
  std::uint64_t m_sourceBytesRead = 0;
  std::unique_ptr<CCompressor> m_compressor;
  ByteBuffer m_compressedOutput;
};

// The framework's stream file, which the source reader holds; it reads as a CFile does.
class CStdioFile : public CFile {};
