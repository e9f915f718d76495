#include "engine/DelimitedTextReader.h"

#include "engine/EngineMessages.h"
#include "libs/suppcore/Log.h"
#include "platform/core/Utf8.h"

namespace {

constexpr char16_t kTab = u'\t';

// Null, empty and "<tab>" mean a tab (the text a user can type for an invisible
// character); any other text contributes its first character.
CString ChooseSeparatorText(LPCWSTR separatorText) {
  if (separatorText == nullptr || separatorText[0] == 0)
    return CString(kTab);
  CString text(separatorText);
  if (text == u"<tab>")
    return CString(kTab);
  return text;
}

char32_t FirstCharacter(const CString& text) {
  const char32_t first = text.GetAt(0);
  if (utf8::IsHighSurrogate(first) && text.GetLength() > 1 && utf8::IsLowSurrogate(text.GetAt(1)))
    return utf8::JoinSurrogates(first, text.GetAt(1));
  return first;
}

void FillFieldList(const std::string_view* fields, std::size_t count, FieldList& row) {
  row.resize(count);
  for (std::size_t k = 0; k < count; ++k)
    row[k] = Utf8ToUtf16(fields[k]);
}

}  // namespace

CDelimitedTextReader::CDelimitedTextReader() = default;
CDelimitedTextReader::~CDelimitedTextReader() = default;

BOOL CDelimitedTextReader::Open(LPCWSTR path, CFileException* error) {
  return m_file.Open(path, CFile::typeText | CFile::shareDenyWrite, error);
}

int CDelimitedTextReader::Prepare(LPCWSTR separatorText) {
  m_separatorText = ChooseSeparatorText(separatorText);
  if (m_file.IsOpen()) {
    m_decoder = std::make_unique<CSourceDecoder>(m_file);
    m_utf16 = m_decoder->GetEncoding() != CSourceDecoder::Encoding::Bytes;
    m_splitter = std::make_unique<CRowSplitter>(*m_decoder, FirstCharacter(m_separatorText));
  }
  if (ReadRow(m_columns) != 0) {
    CLog::Bug(EngineMessages::kNoColumnList, nullptr, nullptr, 0);
    return 2;
  }
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
  FillFieldList(Fields(), FieldCount(), row);
  return 0;
}

void CDelimitedTextReader::Close() {
  if (m_file.IsOpen())
    m_file.Close();
}
