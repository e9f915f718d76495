#include "engine/index/LineIndex.h"

#include <sys/stat.h>

#include <algorithm>
#include <exception>
#include <utility>

#include "engine/EngineMessages.h"
#include "engine/conversion/ConversionFailure.h"

namespace {

// Bytes read between two reports of progress: often enough for a caption that moves,
// rare enough that taking the lock costs nothing.
constexpr std::uint64_t kPublishBytes = std::uint64_t{4} << 20;

// The source has no header line (or a malformed one): nothing to index.
struct NoHeader {};

}  // namespace

CRowTable::CRowTable(std::size_t capacity) : m_capacity(std::max<std::size_t>(capacity, 2)) {
  m_entries.reserve(m_capacity);
}

void CRowTable::Add(std::int64_t row, const RowPosition& position) {
  if (row % m_step != 0)
    return;
  if (m_entries.size() == m_capacity) {
    // Entry i holds row i * step: keeping the even ones doubles the step.
    std::size_t kept = 0;
    for (std::size_t k = 0; k < m_entries.size(); k += 2)
      m_entries[kept++] = m_entries[k];
    m_entries.resize(kept);
    m_step *= 2;
    if (row % m_step != 0)
      return;
  }
  m_entries.push_back(position);
}

RowsFrom CRowTable::Before(std::int64_t row) const {
  RowsFrom from;
  if (m_entries.empty() || row <= 0) {
    from.skipRows = std::max<std::int64_t>(row, 0);
    return from;
  }
  const auto entry =
      std::min<std::size_t>(static_cast<std::size_t>(row / m_step), m_entries.size() - 1);
  from.at = m_entries[entry];
  from.atRow = static_cast<std::int64_t>(entry) * m_step;
  from.skipRows = row - from.atRow;
  return from;
}

RowsFrom CRowTable::BeforeLine(std::int64_t line) const {
  RowsFrom from;
  from.firstLine = line;
  const auto after = std::upper_bound(
      m_entries.begin(), m_entries.end(), line,
      [](std::int64_t wanted, const RowPosition& entry) { return wanted < entry.line; });
  if (after == m_entries.begin())
    return from;
  const auto entry = static_cast<std::size_t>(after - m_entries.begin()) - 1;
  from.at = m_entries[entry];
  from.atRow = static_cast<std::int64_t>(entry) * m_step;
  return from;
}

CLineIndex::CLineIndex(std::size_t capacity) : m_table(capacity) {}

CLineIndex::~CLineIndex() {
  Cancel();
}

void CLineIndex::Start(const ConversionRequest& source, Changed changed) {
  Cancel();
  {
    std::lock_guard lock(m_mutex);
    m_table = CRowTable(m_table.Capacity());
    m_state = LineIndexState{};
    m_seekable = false;
    m_markBytes = 0;
    m_exactBytes = UINT64_MAX;
  }
  m_stop = false;
  try {
    m_thread =
        std::thread([this, source, changed = std::move(changed)] { Build(source, changed); });
  } catch (const std::system_error&) {
    // No thread to be had: the pages read forward from the start instead.
    std::lock_guard lock(m_mutex);
    m_state.failure = CString(kNoIndexThread);
  }
}

void CLineIndex::Cancel() {
  m_stop = true;
  Wait();
}

void CLineIndex::Wait() {
  if (m_thread.joinable())
    m_thread.join();
}

LineIndexState CLineIndex::State() const {
  std::lock_guard lock(m_mutex);
  return m_state;
}

RowsFrom CLineIndex::ForLine(std::int64_t line) const {
  std::lock_guard lock(m_mutex);
  return WithSourceByte(m_table.BeforeLine(line));
}

RowsFrom CLineIndex::ForRow(std::int64_t row) const {
  std::lock_guard lock(m_mutex);
  return WithSourceByte(m_table.Before(row));
}

// Under the lock.
RowsFrom CLineIndex::WithSourceByte(RowsFrom from) const {
  const std::uint64_t byte = from.at.textOffset + m_markBytes;
  if (m_seekable && from.atRow > 0 && byte <= m_exactBytes)
    from.sourceByte = byte;
  return from;
}

// Every byte before the entry has been decoded by now, so a byte that is not UTF-8 among
// them is known before the entry can be used.
void CLineIndex::Add(const CDelimitedTextReader& reader, std::int64_t row) {
  const std::uint64_t firstNotUtf8 = reader.Encoding().firstNotUtf8;
  std::lock_guard lock(m_mutex);
  if (firstNotUtf8 > 0)
    m_exactBytes = std::min(m_exactBytes, firstNotUtf8 - 1);
  m_table.Add(row, reader.RowStart());
}

std::size_t CLineIndex::Entries() const {
  std::lock_guard lock(m_mutex);
  return m_table.Entries().size();
}

std::int64_t CLineIndex::Step() const {
  std::lock_guard lock(m_mutex);
  return m_table.Step();
}

// What the reader needs to open the file at an entry's byte (CDelimitedTextReader::SkipTo),
// known once the header is read: a pipe, standard input, a compressed or UTF-16 source, a
// chosen encoding and old Mac line ends are read forward from the start instead.
void CLineIndex::NoteSeekable(const CDelimitedTextReader& reader,
                              const ConversionOptions& options) {
  const SourceEncoding encoding = reader.Encoding();
  std::lock_guard lock(m_mutex);
  m_seekable = m_state.sourceSize > 0 &&
               options.access != CDelimitedTextReader::Access::StandardInput &&
               reader.TextIsTheFilesBytes();
  m_markBytes = encoding.why == SourceEncoding::Why::Mark ? 3 : 0;
}

void CLineIndex::Publish(const CDelimitedTextReader& reader, std::int64_t rows,
                         const Changed& changed, bool ended) {
  {
    std::lock_guard lock(m_mutex);
    m_state.rows = rows;
    m_state.lines = std::max(m_state.lines, reader.LastLineNumber());
    m_state.bytesRead = reader.BytesRead();
    const std::uint64_t size = m_state.sourceSize;
    m_state.estimatedLines =
        size > m_state.bytesRead && m_state.bytesRead > 0
            ? static_cast<std::int64_t>(
                  static_cast<double>(m_state.lines) *
                  (static_cast<double>(size) / static_cast<double>(m_state.bytesRead)))
            : m_state.lines;
  }
  if (changed)
    changed(ended);
}

// The thread's body: it never throws; whatever goes wrong becomes the state's failure.
// The rows are read by the conversion's own reader with the conversion's options, so a
// row here is a row there, a quoted record over several lines included.
void CLineIndex::Build(ConversionRequest source, const Changed& changed) {
  std::int64_t rows = 0;
  CDelimitedTextReader reader;
  try {
    const ConversionOptions& options = source.options;
    CFileException error;
    if (!reader.Open(source.source, &error, options.access))
      throw error;
    struct stat info {};
    if (reader.GetStatus(info) && S_ISREG(info.st_mode)) {
      std::lock_guard lock(m_mutex);
      m_state.sourceSize = static_cast<std::uint64_t>(info.st_size);
    }
    reader.SetMaxLineBytes(options.maxLineBytes);
    reader.SetQuoted(options.quoted);
    reader.SetSkipLines(options.skipLines);
    reader.SetHeaderLine(options.headerLine);
    reader.SetEncoding(options.encoding);
    const int header =
        source.separator ? reader.Prepare(*source.separator) : reader.PrepareGuessingSeparator();
    if (header != 0)
      throw NoHeader{};
    NoteSeekable(reader, options);
    std::uint64_t published = 0;
    while (!m_stop.load(std::memory_order_relaxed)) {
      // Rows between entries are only counted; the one an entry holds is read whole.
      const std::int64_t step = m_table.Step();
      if (rows % step != 0) {
        if (const std::int64_t passed = reader.PassRecords(step - rows % step); passed > 0) {
          rows += passed;
          continue;
        }
      }
      if (!reader.NextRecord())
        break;
      if (rows % step == 0)
        Add(reader, rows);
      ++rows;
      if (reader.BytesRead() - published >= kPublishBytes) {
        published = reader.BytesRead();
        Publish(reader, rows, changed, false);
      }
    }
  } catch (const NoHeader&) {
    std::lock_guard lock(m_mutex);
    m_state.failure = CString(EngineMessages::kNoColumnList);
  } catch (...) {
    std::lock_guard lock(m_mutex);
    m_state.failure = FailureOf(std::current_exception(), source.source).Text();
  }
  {
    std::lock_guard lock(m_mutex);
    m_state.cancelled = m_stop.load();
    m_state.done = !m_state.cancelled && !m_state.failure;
  }
  Publish(reader, rows, changed, true);
}
