#include "engine/ConvertToJson.h"

#include <climits>
#include <optional>
#include <string_view>

#include "engine/DelimitedTextReader.h"
#include "engine/EngineMessages.h"
#include "libs/suppcore/HTML.h"
#include "libs/suppcore/Log.h"

namespace {

// Rows between two progress calls: often enough for a display, rare enough to cost nothing.
constexpr std::int64_t kProgressInterval = 65536;

// A name or value as the writer receives it: up to the first NUL, without the double
// quotes at either end. Views keep the per-field work free of allocations.
std::u16string_view Unquoted(const std::u16string& text) {
  std::u16string_view view(text);
  view = view.substr(0, view.find(u'\0'));
  const std::size_t first = view.find_first_not_of(u'"');
  if (first == std::u16string_view::npos)
    return {};
  const std::size_t last = view.find_last_not_of(u'"');
  return view.substr(first, last - first + 1);
}

void LogLineLeftOut(const CDelimitedTextReader& reader, const FieldList& row) {
  CLog::Bug2(EngineMessages::kLineLeftOut, static_cast<long long>(reader.LineNumber()),
             static_cast<long long>(row.size()), static_cast<long long>(reader.Columns().size()));
}

// Reads rows up to the limit and writes those whose field count matches the header.
void WriteRows(CDelimitedTextReader& reader, FieldList& row, JSON& writer, int rowLimit,
               bool logLeftOut, ConversionReport& report) {
  const FieldList& columns = reader.Columns();
  for (;;) {
    if (rowLimit >= 0 && report.rowsRead >= rowLimit)
      break;
    if (reader.ReadRow(row) == 1)
      break;
    if (row.size() == columns.size()) {
      if (report.rowsWritten > 0)
        writer.EndOfPair();
      WriteRowObject(columns, row, writer);
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
            bool logLeftOut, ConversionReport& report) {
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

void WriteRowObject(const FieldList& columns, const FieldList& row, JSON& writer) {
  if (columns.size() != row.size())
    return;
  writer.SetIndent(1);
  writer.BeginValue(nullptr);
  for (std::size_t k = 0; k < columns.size(); ++k) {
    if (k > 0)
      writer.EndOfPair();
    writer.WriteIndent();
    writer.AddPair(Unquoted(columns[k]), Unquoted(row[k]));
  }
  writer.SetIndent(0);
  writer.EndValue();
}
