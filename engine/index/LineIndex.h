// An index of where the rows of a source begin, so that a page of the preview can start
// at any line of a large file: made once on a thread of its own, in memory that does not
// grow with the file.
#pragma once

#include <atomic>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <mutex>
#include <optional>
#include <thread>
#include <vector>

#include "engine/conversion/ConversionRequest.h"
#include "engine/rows/DelimitedTextReader.h"
#include "platform/core/CString.h"

// Where every step-th row begins (row 0 being the first after the header), in at most a
// fixed number of entries: when they are all taken the step doubles and every second
// entry goes, so a file of any length costs the same.
class CRowTable {
 public:
  explicit CRowTable(std::size_t capacity);
  // Row number row begins at position; rows come in order, each once.
  void Add(std::int64_t row, const RowPosition& position);
  std::int64_t Step() const { return m_step; }
  const std::vector<RowPosition>& Entries() const { return m_entries; }
  std::size_t Capacity() const { return m_capacity; }
  // Where to read from for row: the nearest entry at or before it, and its row number.
  RowsFrom Before(std::int64_t row) const;
  // Where to read from for the row that holds line: the last entry that begins at or before
  // it.
  RowsFrom BeforeLine(std::int64_t line) const;

 private:
  std::size_t m_capacity;
  std::int64_t m_step = 1;
  std::vector<RowPosition> m_entries;
};

// What the index knows so far. Until it is done, lines is what was read and the estimate
// is lines scaled by the share of the source read.
struct LineIndexState {
  bool done = false;
  bool cancelled = false;
  // Why the source could not be indexed (it can't be opened, has no header, a line too
  // long...): its rows are then reached by reading forward.
  std::optional<CString> failure;
  std::int64_t rows = 0;   // rows after the header seen so far
  std::int64_t lines = 0;  // the last physical line seen so far
  std::int64_t estimatedLines = 0;
  std::uint64_t bytesRead = 0;
  std::uint64_t sourceSize = 0;
};

// Why there is no index when the system gives no thread to make it.
inline constexpr char16_t kNoIndexThread[] = u"no thread to index the source";

class CLineIndex {
 public:
  // Entries the table holds at most: 16 bytes each.
  static constexpr std::size_t kDefaultCapacity = std::size_t{1} << 16;

  // Called on the index's thread now and then while it reads (about every 4 MiB), and once
  // when it ends (ended: done, failed or cancelled). It must not call back into the index's
  // Cancel or destructor.
  using Changed = std::function<void(bool ended)>;

  explicit CLineIndex(std::size_t capacity = kDefaultCapacity);
  // Stops the reading and waits for the thread.
  ~CLineIndex();
  CLineIndex(const CLineIndex&) = delete;
  CLineIndex& operator=(const CLineIndex&) = delete;

  // Starts indexing source (its source, separator and options; the rest is not looked at),
  // after stopping any earlier indexing. changed may be empty.
  void Start(const ConversionRequest& source, Changed changed = {});
  // Stops the reading within a few milliseconds and waits for the thread.
  void Cancel();
  // Waits until the index is done, failed or cancelled.
  void Wait();

  LineIndexState State() const;
  // Where to read from for the row that holds line, or for row number row, with what is
  // indexed so far: past that, the rows are reached by reading on from the last entry.
  RowsFrom ForLine(std::int64_t line) const;
  RowsFrom ForRow(std::int64_t row) const;
  // The table as it stands, for a look at its size.
  std::size_t Entries() const;
  std::int64_t Step() const;

 private:
  void Build(ConversionRequest source, const Changed& changed);
  void Publish(const CDelimitedTextReader& reader, std::int64_t rows, const Changed& changed,
               bool ended);
  void NoteSeekable(const CDelimitedTextReader& reader, const ConversionOptions& options);
  void Add(const CDelimitedTextReader& reader, std::int64_t row);
  RowsFrom WithSourceByte(RowsFrom from) const;

  mutable std::mutex m_mutex;
  CRowTable m_table;
  LineIndexState m_state;
  // Whether a page may open the file at an entry's byte (a regular file of automatic 8-bit
  // text with line feeds), the bytes of its mark, and how far its bytes are text as it
  // stands (up to the first that is not UTF-8).
  bool m_seekable = false;
  std::uint64_t m_markBytes = 0;
  std::uint64_t m_exactBytes = UINT64_MAX;
  std::atomic<bool> m_stop{false};
  std::thread m_thread;
};
