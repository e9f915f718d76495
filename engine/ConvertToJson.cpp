#include "engine/ConvertToJson.h"

#include <climits>
#include <optional>
#include <string_view>
#include <vector>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

#include "engine/ConversionPaths.h"
#include "engine/DelimitedTextReader.h"
#include "engine/EngineMessages.h"
#include "engine/FastRows.h"
#include "libs/suppcore/HTML.h"
#include "libs/suppcore/Log.h"

namespace {

// Position of the first NUL in text, or its size when there is none; with SSE2, 8 units
// at a time, since every value of every row passes through here.
std::size_t FindNul(std::u16string_view text) {
  std::size_t pos = 0;
#if defined(__SSE2__)
  const __m128i zero = _mm_setzero_si128();
  for (; text.size() - pos >= 8; pos += 8) {
    const __m128i units = _mm_loadu_si128(reinterpret_cast<const __m128i*>(text.data() + pos));
    const int mask = _mm_movemask_epi8(_mm_cmpeq_epi16(units, zero));
    if (mask != 0)
      return pos + static_cast<std::size_t>(__builtin_ctz(static_cast<unsigned>(mask))) / 2;
  }
#endif
  while (pos < text.size() && text[pos] != 0)
    ++pos;
  return pos;
}

// A name or value as the writer receives it: up to the first NUL, without the double
// quotes at either end. Views keep the per-field work free of allocations.
std::u16string_view Unquoted(std::u16string_view text) {
  text = text.substr(0, FindNul(text));
  while (!text.empty() && text.front() == u'"')
    text.remove_prefix(1);
  while (!text.empty() && text.back() == u'"')
    text.remove_suffix(1);
  return text;
}

// The column names as the writer receives them; worked out once per conversion rather
// than once per row.
std::vector<std::u16string_view> UnquotedNames(const FieldList& columns) {
  std::vector<std::u16string_view> names;
  names.reserve(columns.size());
  for (const std::u16string& column : columns)
    names.push_back(Unquoted(column));
  return names;
}

// WriteRowObject with the names prepared; row has one field per name.
void WriteObject(const std::vector<std::u16string_view>& names, const FieldList& row,
                 JSON& writer) {
  writer.SetIndent(1);
  writer.BeginValue(nullptr);
  for (std::size_t k = 0; k < names.size(); ++k) {
    if (k > 0)
      writer.EndOfPair();
    writer.WriteIndent();
    writer.AddPair(names[k], Unquoted(row[k]));
  }
  writer.SetIndent(0);
  writer.EndValue();
}

void LogLineLeftOut(const CDelimitedTextReader& reader, const FieldList& row) {
  CLog::Bug2(EngineMessages::kLineLeftOut, static_cast<long long>(reader.LineNumber()),
             static_cast<long long>(row.size()), static_cast<long long>(reader.Columns().size()));
}

// Reads rows up to the limit and writes those whose field count matches the header.
void WriteRows(CDelimitedTextReader& reader, FieldList& row, JSON& writer, int rowLimit,
               bool logLeftOut, ConversionReport& report) {
  const FieldList& columns = reader.Columns();
  const std::vector<std::u16string_view> names = UnquotedNames(columns);
  for (;;) {
    if (rowLimit >= 0 && report.rowsRead >= rowLimit)
      break;
    if (reader.ReadRow(row) == 1)
      break;
    if (row.size() == columns.size()) {
      if (report.rowsWritten > 0)
        writer.EndOfPair();
      WriteObject(names, row, writer);
      ++report.rowsWritten;
    } else {
      ++report.linesLeftOut;
      if (logLeftOut && report.linesLeftOut <= EngineMessages::kLeftOutLinesLogged)
        LogLineLeftOut(reader, row);
    }
    ++report.rowsRead;
    if (report.progress && report.rowsRead % kProgressInterval == 0)
      report.progress(reader.m_file.BytesConsumed());
  }
}

int Convert(LPCWSTR sourcePath, LPCWSTR separatorText, LPCWSTR outputPath, int rowLimit, int bson,
            bool logLeftOut, ConversionReport& report, bool fastPath = true) {
  // The caller's progress callback stays; the counts start afresh.
  report.status = ConversionReport::Status::Converted;
  report.rowsRead = report.rowsWritten = report.linesLeftOut = 0;
  // Declared in order of creation, so that they are released in reverse: the output
  // file, the row, the reader (closing the source), the writer, the HTML object.
  [[maybe_unused]] HTML html;
  JSON writer;
  CDelimitedTextReader reader;
  FieldList row;
  std::optional<CFile> output;

  if (!reader.m_file.Open(sourcePath, CFile::typeText | CFile::shareDenyWrite, nullptr)) {
    CLog::Bug2(EngineMessages::kSourceOpenFailed, sourcePath);
    report.status = ConversionReport::Status::SourceOpenFailed;
    return 0;
  }
  if (reader.Prepare(separatorText) != 0) {
    report.status = ConversionReport::Status::NoHeader;
    return 0;
  }
  // The output is touched only now, so that a source that cannot be read leaves an
  // existing output as it was.
  output.emplace();
  if (!output->Open(outputPath, CFile::modeCreate | CFile::modeWrite, nullptr)) {
    CLog::Bug2(EngineMessages::kDestinationOpenFailed, outputPath);
    reader.m_file.Close();
    report.status = ConversionReport::Status::OutputOpenFailed;
    return 0;
  }

  writer.SwitchIndent(1);
  writer.Open(&*output, 0);
  writer.SetBSON(bson);
  writer.Array(1, 1);
  if (!fastPath ||
      !WriteRowsFast(reader, UnquotedNames(reader.Columns()), writer, rowLimit, logLeftOut, report))
    WriteRows(reader, row, writer, rowLimit, logLeftOut, report);
  // At the limit the rest of the source is never read: let it go now.
  if (rowLimit > 0 && report.rowsRead >= rowLimit && reader.m_file.IsOpen())
    reader.m_file.Close();
  writer.Array(0, 1);
  writer.Close();
  // Closed here rather than on release, so that a failing close is heard, not dropped.
  output->Close();

  if (logLeftOut && report.linesLeftOut > 0)
    CLog::Bug2(EngineMessages::kLinesLeftOutTotal, static_cast<long long>(report.linesLeftOut));
  // The count is 64-bit inside so that a huge file cannot overflow it.
  return report.rowsWritten > INT_MAX ? INT_MAX : static_cast<int>(report.rowsWritten);
}

}  // namespace

int ConvertToJson(LPCWSTR sourcePath, LPCWSTR separatorText, LPCWSTR outputPath, int rowLimit,
                  int bson) {
  ConversionReport report;
  return Convert(sourcePath, separatorText, outputPath, rowLimit, bson, false, report);
}

int ConvertToJson(LPCWSTR sourcePath, LPCWSTR separatorText, LPCWSTR outputPath, int rowLimit,
                  int bson, ConversionReport& report) {
  return Convert(sourcePath, separatorText, outputPath, rowLimit, bson, true, report);
}

int ConvertToJsonWithoutFastPath(LPCWSTR sourcePath, LPCWSTR separatorText, LPCWSTR outputPath,
                                 int rowLimit, int bson, ConversionReport& report) {
  return Convert(sourcePath, separatorText, outputPath, rowLimit, bson, true, report, false);
}

void WriteRowObject(const FieldList& columns, const FieldList& row, JSON& writer) {
  if (columns.size() == row.size())
    WriteObject(UnquotedNames(columns), row, writer);
}
