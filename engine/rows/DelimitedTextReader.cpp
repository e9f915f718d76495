#include "engine/rows/DelimitedTextReader.h"

#include <fcntl.h>
#include <unistd.h>

#include <algorithm>
#include <string>
#include <utility>

#include "engine/rows/SeparatorGuess.h"
#include "engine/rows/Separators.h"
#include "platform/core/Utf8.h"

namespace {

// Why a page can't go on where the index found its row.
constexpr char16_t kReplaced[] = u"the file was replaced after its start was read";

}  // namespace

CDelimitedTextReader::CDelimitedTextReader() = default;
CDelimitedTextReader::~CDelimitedTextReader() = default;

BOOL CDelimitedTextReader::Open(LPCWSTR path, CFileException* error, Access access) {
  constexpr UINT kFlags = CFile::typeText | CFile::shareDenyWrite;
  switch (access) {
    case Access::StandardInput:
      return m_file.OpenDescriptor(fcntl(STDIN_FILENO, F_DUPFD_CLOEXEC, 0), path, kFlags, error);
    case Access::RegularFileOnly:
      return m_file.Open(path, kFlags | CFile::regularFileOnly, error);
    case Access::AnySource:
      break;
  }
  return m_file.Open(path, kFlags, error);
}

BOOL CDelimitedTextReader::OpenRange(LPCWSTR path, std::uint64_t begin, std::uint64_t end,
                                     const CDelimitedTextReader& header, CFileException* error) {
  if (!m_file.OpenRange(path, begin, end, error))
    return FALSE;
  m_quoted = header.m_quoted;
  m_keepSourceBytes = header.m_keepSourceBytes;
  m_maxLineBytes = header.m_maxLineBytes;
  m_separatorText = header.m_separatorText;
  m_decoder = std::make_unique<CSourceDecoder>(m_file, CSourceDecoder::Continuing{});
  m_decoder->KeepSourceBytes(m_keepSourceBytes);
  m_splitter =
      std::make_unique<CRowSplitter>(*m_decoder, SeparatorOf(m_separatorText), m_maxLineBytes);
  m_splitter->SetQuoted(m_quoted);
  m_splitter->KeepLineFeedLineEnds();
  m_splitter->KeepFields(header.m_columns.size() + 1);
  return TRUE;
}

void CDelimitedTextReader::StartDecoding() {
  if (!m_file.IsOpen())
    return;
  m_decoder = std::make_unique<CSourceDecoder>(m_file, m_encodingName);
  m_decoder->KeepSourceBytes(m_keepSourceBytes);
  m_utf16 = m_decoder->GetEncoding().IsUtf16();
  m_splitter =
      std::make_unique<CRowSplitter>(*m_decoder, SeparatorOf(m_separatorText), m_maxLineBytes);
  m_splitter->SetQuoted(m_quoted);
}

int CDelimitedTextReader::Prepare(LPCWSTR separatorText) {
  m_separatorText =
      separatorText == nullptr || separatorText[0] == 0 ? kTabSeparatorText : separatorText;
  StartDecoding();
  return ReadHeader(SkipLines() && m_splitter->ReadLine());
}

int CDelimitedTextReader::PrepareGuessingSeparator() {
  m_separatorText = kTabSeparatorText;
  StartDecoding();
  const bool lineRead = SkipLines() && m_splitter->ReadLine();
  if (lineRead) {
    m_separatorText = GuessSeparator(*m_splitter);
    m_splitter->SetSeparator(SeparatorOf(m_separatorText));
  }
  return ReadHeader(lineRead);
}

// Physical lines, not records: a quote in a line skipped opens nothing.
bool CDelimitedTextReader::SkipLines() {
  if (!m_splitter || !m_file.IsOpen())
    return false;
  for (std::int64_t line = 0; line < m_skipLines; ++line)
    if (!m_splitter->ReadLine())
      return false;
  return true;
}

int CDelimitedTextReader::ReadHeader(bool lineRead) {
  const bool split = lineRead && m_splitter->SplitLine();
  m_headerFault = split && m_headerLine ? m_splitter->RecordFault() : CRowSplitter::Fault::kNone;
  if (!split || m_headerFault != CRowSplitter::Fault::kNone) {
    Close();
    m_columns.clear();
    m_columnNames.clear();
    return 2;
  }
  FindSplittingSeparator();
  ReadNames();
  if (!m_headerLine) {
    m_namesAreFields = false;
    m_columnNames.clear();
    m_columnNames.Reserve(FieldCount(), FieldCount() * 8);
    for (std::size_t k = 1; k <= FieldCount(); ++k)
      m_columnNames.Append(std::string("column").append(std::to_string(k)));
    m_firstRowPending = true;
  }
  // A row wider than the header is left out: one field more tells it apart.
  m_splitter->KeepFields(m_columns.size() + 1);
  return 0;
}

// A header of one field may be one column under another separator; the preview and the
// window say which. Quotes count by the reader's own rules, so the splitter counts.
void CDelimitedTextReader::FindSplittingSeparator() {
  m_splittingSeparator.Empty();
  m_splittingColumns = 0;
  if (FieldCount() != 1)
    return;
  const char32_t chosen = SeparatorOf(m_separatorText);
  for (const SeparatorCandidate& candidate : SeparatorCandidates()) {
    if (static_cast<char32_t>(candidate.character) == chosen)
      continue;
    const std::size_t fields = m_splitter->FieldsUnder(static_cast<char32_t>(candidate.character));
    if (fields > std::max<std::size_t>(m_splittingColumns, 1)) {
      m_splittingSeparator = candidate.text;
      m_splittingColumns = fields;
    }
  }
  m_splitter->SplitLine();  // the header's own fields again
}

// The header's fields, and its names where they differ. Names are nearly always their
// fields as they stand (no quotes, no NUL): then the fields serve as names too, and a
// header of millions of fields is held once.
void CDelimitedTextReader::ReadNames() {
  m_columns.clear();
  m_columnNames.clear();
  m_namesAreFields = true;
  // The names hold the line's bytes but its separators.
  const std::size_t names = FieldCount();
  const std::size_t text = m_splitter->LineText().size();
  m_columns.Reserve(names, text > names ? text - (names - 1) : 0);
  m_splitter->ForEachWindow(
      [this](const std::string_view* fields, const std::string_view* values, std::size_t count) {
        if (m_namesAreFields && !std::equal(fields, fields + count, values)) {
          m_namesAreFields = false;
          for (const std::string_view name : m_columns)
            m_columnNames.Append(name);
        }
        for (std::size_t k = 0; k < count; ++k) {
          m_columns.Append(fields[k]);
          if (!m_namesAreFields)
            m_columnNames.Append(values[k]);
        }
      });
}

bool CDelimitedTextReader::NextRow() {
  if (std::exchange(m_firstRowPending, false))
    return true;
  if (m_splitter && m_file.IsOpen() && m_splitter->Next())
    return true;
  Close();
  return false;
}

bool CDelimitedTextReader::NextRecord() {
  if (m_quoted)
    return NextRow();  // a quote may carry the record over its line's end
  if (std::exchange(m_firstRowPending, false))
    return true;
  if (m_splitter && m_file.IsOpen() && m_splitter->ReadLine() &&
      (!m_splitter->LineUnended() || m_splitter->SplitLine()))
    return true;
  Close();
  return false;
}

std::int64_t CDelimitedTextReader::PassRecords(std::int64_t count) {
  if (m_quoted || m_firstRowPending || !m_splitter || !m_file.IsOpen())
    return 0;
  return m_splitter->PassLines(count);
}

// Only where the file's bytes from sourceByte on are the text from at on, read with the
// rules the file's start chose: an old Mac file's carriage returns would not be chosen
// again from the middle, a chosen encoding or UTF-16 may not start there at all.
bool CDelimitedTextReader::TextIsTheFilesBytes() const {
  struct stat info {};
  return m_encodingName.empty() && !m_utf16 && Encoding().kind == SourceEncoding::Kind::Utf8 &&
         !m_file.IsCompressed() && m_splitter && m_splitter->LineEnd() == '\n' &&
         m_file.GetStatus(info) && S_ISREG(info.st_mode);
}

bool CDelimitedTextReader::CanReadFrom(const RowsFrom& where) const {
  return where.sourceByte > 0 && where.sourceByte >= MarkBytes() &&
         where.sourceByte - MarkBytes() == where.at.textOffset && TextIsTheFilesBytes();
}

// The file is opened again at the row's byte, as a part of it is for parallel blocks; it
// must still be the file the header came from.
void CDelimitedTextReader::ReadFrom(const RowsFrom& where) {
  struct stat before {};
  m_file.GetStatus(before);
  const CString path = m_file.GetFilePath();
  const SourceEncoding encoding = Encoding();
  m_splitter.reset();
  m_decoder.reset();
  m_file.Abort();
  CFileException error;
  const std::uint64_t end = m_readLimit > 0 ? m_readLimit : UINT64_MAX;
  if (!m_file.OpenRange(path, where.sourceByte, end, &error))
    throw error;
  struct stat after {};
  if (!m_file.GetStatus(after) || after.st_dev != before.st_dev || after.st_ino != before.st_ino) {
    m_file.Abort();
    throw CFileException(CFileException::genericException, path, CString(kReplaced));
  }
  m_decoder = std::make_unique<CSourceDecoder>(m_file, CSourceDecoder::Continuing{encoding});
  m_decoder->KeepSourceBytes(m_keepSourceBytes);
  m_splitter =
      std::make_unique<CRowSplitter>(*m_decoder, SeparatorOf(m_separatorText), m_maxLineBytes);
  m_splitter->SetQuoted(m_quoted);
  m_splitter->KeepLineFeedLineEnds();
  m_splitter->KeepFields(m_columns.size() + 1);
  m_splitter->StartAt(where.at.textOffset, where.at.line);
}

std::int64_t CDelimitedTextReader::SkipTo(const RowsFrom& where) {
  std::int64_t row = 0;
  if (where.atRow > 0 && m_splitter && m_file.IsOpen()) {
    m_firstRowPending = false;
    if (CanReadFrom(where))
      ReadFrom(where);
    else
      m_splitter->SkipTo(where.at.textOffset, where.at.line);
    row = where.atRow;
  }
  for (std::int64_t skipped = 0; NextRecord(); ++row, ++skipped) {
    if (skipped >= where.skipRows && LastLineNumber() >= where.firstLine) {
      // NextRow gives this row first, split if its line was only read.
      if (!m_quoted)
        m_splitter->SplitLine();
      m_firstRowPending = true;
      break;
    }
  }
  return row;
}

void CDelimitedTextReader::Close() {
  if (m_file.IsOpen())
    m_file.Close();
}
