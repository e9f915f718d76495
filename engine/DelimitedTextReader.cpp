#include "engine/DelimitedTextReader.h"

#include "engine/EngineMessages.h"
#include "engine/LineBuilder.h"
#include "libs/suppcore/Log.h"

namespace {

constexpr char16_t kTab = u'\t';

// Null, empty and "<tab>" mean a tab (the text a user can type for an invisible
// character); any other text contributes its first unit.
CString ChooseSeparatorText(LPCWSTR separatorText) {
  if (separatorText == nullptr || separatorText[0] == 0)
    return CString(kTab);
  CString text(separatorText);
  if (text == u"<tab>")
    return CString(kTab);
  return text;
}

}  // namespace

int CDelimitedTextReader::Prepare(LPCWSTR separatorText) {
  m_utf16 = false;
  m_atEnd = false;
  m_lineNumber = 0;
  if (m_file.IsOpen()) {
    const CTextDecoder::Encoding encoding = m_decoder.DetectEncoding(m_file);
    m_utf16 = encoding != CTextDecoder::Encoding::Bytes;
  }
  m_separatorText = ChooseSeparatorText(separatorText);
  m_decoder.SetSeparator(m_separatorText.GetAt(0));
  if (ReadRow(m_columns) != 0) {
    CLog::Bug(EngineMessages::kNoColumnList, nullptr, nullptr, 0);
    return 2;
  }
  return 0;
}

int CDelimitedTextReader::ReadRow(FieldList& row) {
  if (m_atEnd || !m_file.IsOpen()) {
    row.clear();
    return 1;
  }
  CLineBuilder line(row, m_decoder.Separator());
  // A last line without a line feed still counts when it holds a character or a
  // separator; the call after it finds nothing and closes the file.
  if (m_decoder.ReadLine(m_file, line) || line.HasContent()) {
    line.Finish();
    ++m_lineNumber;
    return 0;
  }
  m_atEnd = true;
  row.clear();
  m_file.Close();
  return 1;
}
