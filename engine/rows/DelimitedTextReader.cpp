#include "engine/rows/DelimitedTextReader.h"

#include <fcntl.h>
#include <unistd.h>

#include <algorithm>

#include "engine/rows/SeparatorGuess.h"
#include "engine/rows/Separators.h"
#include "platform/core/Utf8.h"

namespace {

void FillFieldList(const std::string_view* fields, std::size_t count, FieldList& row) {
  row.resize(count);
  for (std::size_t k = 0; k < count; ++k)
    row[k] = Utf8ToUtf16(fields[k]);
}

// UTF-8 takes at least as many bytes as UTF-16 takes units: the list is allocated once.
void FillNameList(const std::string_view* fields, std::size_t count, NameList& names) {
  std::size_t bytes = 0;
  for (std::size_t k = 0; k < count; ++k)
    bytes += fields[k].size();
  names.clear();
  names.Reserve(count, bytes);
  for (std::size_t k = 0; k < count; ++k)
    names.Append(Utf8ToUtf16(fields[k]));
}

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

void CDelimitedTextReader::StartDecoding() {
  if (!m_file.IsOpen())
    return;
  m_decoder = std::make_unique<CSourceDecoder>(m_file, m_encodingName);
  m_utf16 = m_decoder->GetEncoding().IsUtf16();
  m_splitter =
      std::make_unique<CRowSplitter>(*m_decoder, SeparatorOf(m_separatorText), m_maxLineBytes);
  m_splitter->SetQuoted(m_quoted);
}

int CDelimitedTextReader::Prepare(LPCWSTR separatorText) {
  m_separatorText =
      separatorText == nullptr || separatorText[0] == 0 ? kTabSeparatorText : separatorText;
  StartDecoding();
  return ReadHeader(m_splitter && m_file.IsOpen() && m_splitter->ReadLine());
}

int CDelimitedTextReader::PrepareGuessingSeparator() {
  m_separatorText = kTabSeparatorText;
  StartDecoding();
  const bool lineRead = m_splitter && m_file.IsOpen() && m_splitter->ReadLine();
  if (lineRead) {
    m_separatorText = GuessSeparator(m_splitter->LineText(), m_quoted);
    m_splitter->SetSeparator(SeparatorOf(m_separatorText));
  }
  return ReadHeader(lineRead);
}

int CDelimitedTextReader::ReadHeader(bool lineRead) {
  const bool split = lineRead && m_splitter->SplitLine();
  m_headerFault = split ? m_splitter->RecordFault() : CRowSplitter::Fault::kNone;
  if (!split || m_headerFault != CRowSplitter::Fault::kNone) {
    Close();
    m_columns.clear();
    m_columnNames.clear();
    return 2;
  }
  FillNameList(Fields(), FieldCount(), m_columns);
  // Names are nearly always their fields as they stand (no quotes, no NUL): then the
  // fields serve as names too, and a header of millions of fields is held once.
  m_namesAreFields = std::equal(Fields(), Fields() + FieldCount(), Values());
  m_columnNames.clear();
  if (!m_namesAreFields)
    FillNameList(Values(), FieldCount(), m_columnNames);
  // A row wider than the header is left out: one field more tells it apart.
  m_splitter->KeepFields(m_columns.size() + 1);
  return 0;
}

bool CDelimitedTextReader::NextRow() {
  if (m_splitter && m_file.IsOpen() && m_splitter->Next())
    return true;
  Close();
  return false;
}

int CDelimitedTextReader::ReadRow(FieldList& row) {
  if (!NextRow()) {
    row.clear();
    return 1;
  }
  FillFieldList(Fields(), m_splitter->StoredFieldCount(), row);
  return 0;
}

void CDelimitedTextReader::Close() {
  if (m_file.IsOpen())
    m_file.Close();
}
