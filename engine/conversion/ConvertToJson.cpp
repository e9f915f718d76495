#include "engine/conversion/ConvertToJson.h"

#include <sys/stat.h>

#include <algorithm>
#include <climits>
#include <cstdint>
#include <string_view>
#include <vector>

#include "engine/EngineMessages.h"
#include "engine/plan/ColumnPlan.h"
#include "engine/rows/DelimitedTextReader.h"
#include "libs/suppcore/HTML.h"
#include "libs/suppcore/Log.h"
#include "platform/core/AtomicOutput.h"

namespace {

const char16_t* FaultText(CRowSplitter::Fault fault) {
  return fault == CRowSplitter::Fault::kQuoteNotClosed ? EngineMessages::kQuoteNotClosed
                                                       : EngineMessages::kTextAfterQuote;
}

HeaderSummary SummarizeHeader(const NameList& fields) {
  HeaderSummary summary;
  summary.columns = fields.size();
  for (const std::u16string_view field : fields) {
    summary.units += field.size();
    summary.nuls += static_cast<std::size_t>(std::count(field.begin(), field.end(), u'\0'));
  }
  if (fields.size() == 1)
    summary.onlyField = fields.front();
  return summary;
}

// Keeps the description of a line left out (the first ones of a conversion) for the
// preview, and logs it when log says so.
void NoteLineLeftOut(const CDelimitedTextReader& reader, std::size_t columns, bool describe,
                     bool log, ConversionReport& report) {
  ++report.linesLeftOut;
  if (!describe || report.linesLeftOut > EngineMessages::kLeftOutLinesLogged)
    return;
  CString text;
  const auto line = static_cast<long long>(reader.LineNumber());
  if (reader.RecordFault() != CRowSplitter::Fault::kNone)
    text.Format(EngineMessages::kRecordLeftOut, line, FaultText(reader.RecordFault()));
  else
    text.Format(EngineMessages::kLineLeftOut, line, static_cast<long long>(reader.FieldCount()),
                static_cast<long long>(columns));
  if (log)
    CLog::Bug(text, nullptr, nullptr, 0);
  report.leftOutLines.push_back(text);
}

// The next row; with a read limit, a line that the limit cuts or that is too long ends
// the reading instead of the conversion.
bool NextRowWithinLimit(CDelimitedTextReader& reader, bool limited, ConversionReport& report) {
  if (!limited)
    return reader.NextRow();
  try {
    if (reader.NextRow() && !reader.Cut())
      return true;
    report.cutLine = reader.Cut() ? reader.LineNumber() : 0;
  } catch (const CLineTooLong& tooLong) {
    report.cutLine = tooLong.LineNumber();
  }
  report.readLimitReached = reader.ReadLimitReached() || report.cutLine > 0;
  return false;
}

// Decides when the row loop calls the progress callback: on every kProgressInterval-th row
// and once about kProgressBytes more have been read. The bytes read are looked at only on
// rows spaced by the last stretch's row length, so the loop pays one compare a row.
class ProgressPacer {
 public:
  explicit ProgressPacer(bool active) : m_nextCheck(active ? 1 : INT64_MAX) {}
  bool Due(std::int64_t rows) const { return rows >= m_nextCheck; }
  void Check(std::int64_t rows, std::uint64_t bytes, ConversionReport& report) {
    const bool call = rows % kProgressInterval == 0 || bytes - m_lastCall >= kProgressBytes;
    const std::uint64_t stretch = bytes > m_lastCheckBytes ? bytes - m_lastCheckBytes : 1;
    const auto rowsPerHalf =
        static_cast<std::uint64_t>(rows - m_lastCheckRows) * (kProgressBytes / 2) / stretch;
    const std::int64_t nextInterval = (rows / kProgressInterval + 1) * kProgressInterval;
    m_nextCheck = std::min<std::int64_t>(
        nextInterval, rows + static_cast<std::int64_t>(
                                 std::clamp<std::uint64_t>(rowsPerHalf, 1, kProgressInterval)));
    m_lastCheckRows = rows;
    m_lastCheckBytes = bytes;
    if (!call)
      return;
    m_lastCall = bytes;
    report.progress(bytes);
  }

 private:
  std::int64_t m_nextCheck;
  std::int64_t m_lastCheckRows = 0;
  std::uint64_t m_lastCheckBytes = 0;
  std::uint64_t m_lastCall = 0;
};

// Reads rows up to the limit and writes those whose field count matches the header.
void WriteRows(CDelimitedTextReader& reader, JSON& writer, int rowLimit, bool describe, bool log,
               bool limited, ConversionReport& report) {
  const ObjectNames names(OutputNames(reader.ColumnNames()));
  ProgressPacer pacer(static_cast<bool>(report.progress));
  while (rowLimit < 0 || report.rowsRead < rowLimit) {
    if (!NextRowWithinLimit(reader, limited, report))
      break;
    if (reader.FieldCount() == names.size() && reader.RecordFault() == CRowSplitter::Fault::kNone) {
      writer.AddObjectUtf8(names, reader.Values());
      ++report.rowsWritten;
    } else {
      NoteLineLeftOut(reader, names.size(), describe, log, report);
    }
    ++report.rowsRead;
    if (pacer.Due(report.rowsRead))
      pacer.Check(report.rowsRead, reader.BytesRead(), report);
  }
}

CDelimitedTextReader::Access SourceAccess(const ConversionOptions& options) {
  if (options.standardInput)
    return CDelimitedTextReader::Access::StandardInput;
  return options.regularFileOnly ? CDelimitedTextReader::Access::RegularFileOnly
                                 : CDelimitedTextReader::Access::AnySource;
}

int Convert(LPCWSTR sourcePath, LPCWSTR separatorText, LPCWSTR outputPath, int rowLimit, int bson,
            bool describeLeftOut, const ConversionOptions& options, ConversionReport& report) {
  // The caller's progress callback stays; the rest starts afresh.
  report.status = ConversionReport::Status::Converted;
  report.failure.Empty();
  report.sourceSize = 0;
  report.encoding = CSourceDecoder::Encoding::Bytes;
  report.header = {};
  report.readLimitReached = false;
  report.cutLine = 0;
  report.rowsRead = report.rowsWritten = report.linesLeftOut = 0;
  report.leftOutLines.clear();
  // Released in reverse: the writer first, whose thread must be gone (its pending blocks
  // dropped) before the output is dropped unless committed; then the reader (closing the
  // source) and the HTML object.
  [[maybe_unused]] HTML html;
  CDelimitedTextReader reader;
  CAtomicOutput output;
  JSON writer;

  CFileException error;
  if (!reader.Open(sourcePath, &error, SourceAccess(options))) {
    if (options.log)
      CLog::Bug2(EngineMessages::kSourceOpenFailed, sourcePath);
    report.status = ConversionReport::Status::SourceOpenFailed;
    report.failure = error.GetErrorMessage();
    return 0;
  }
  struct stat source {};
  const bool sourceKnown = reader.GetStatus(source) != 0;
  if (sourceKnown && S_ISREG(source.st_mode))
    report.sourceSize = static_cast<std::uint64_t>(source.st_size);
  if (options.maxSourceBytes > 0 &&
      !(report.sourceSize > 0 && report.sourceSize <= options.maxSourceBytes))
    reader.SetReadLimit(options.maxSourceBytes);
  reader.SetMaxLineBytes(options.maxLineBytes);
  reader.SetQuoted(options.quoted);
  const int header =
      options.guessSeparator ? reader.PrepareGuessingSeparator() : reader.Prepare(separatorText);
  report.separatorText = reader.SeparatorText();
  report.encoding = reader.Encoding();
  if (header == 0 && reader.Cut())
    throw CLineTooLong(1, options.maxSourceBytes);
  report.header = SummarizeHeader(reader.Columns());
  if (header != 0) {
    if (options.log)
      CLog::Bug(EngineMessages::kNoColumnList, nullptr, nullptr, 0);
    report.status = ConversionReport::Status::NoHeader;
    report.failure = CString(sourcePath) + u": " + EngineMessages::kNoColumnList;
    if (reader.HeaderFault() != CRowSplitter::Fault::kNone)
      report.failure += CString(u": ") + FaultText(reader.HeaderFault());
    return 0;
  }
  // The output is touched only now, so that a source without a header leaves no trace.
  if (!output.Open(outputPath, sourceKnown ? &source : nullptr, &error)) {
    if (options.log)
      CLog::Bug2(EngineMessages::kDestinationOpenFailed, outputPath);
    reader.Close();
    report.status = ConversionReport::Status::OutputOpenFailed;
    report.failure = error.GetErrorMessage();
    return 0;
  }

  writer.SwitchIndent(1);
  writer.Open(&output.File(), 0);
  writer.SetBSON(bson);
  writer.SetJsonLines(options.jsonLines);
  writer.SetTypedValues(options.typedValues);
  writer.Array(1, 1);
  WriteRows(reader, writer, rowLimit, describeLeftOut, describeLeftOut && options.log,
            options.maxSourceBytes > 0, report);
  // At the limit the rest of the source is never read: let it go now.
  reader.Close();
  writer.Array(0, 1);
  writer.Close();
  // Only a whole document takes the output's place.
  output.Commit();

  if (describeLeftOut && options.log && report.linesLeftOut > 0)
    CLog::Bug2(options.quoted ? EngineMessages::kLinesLeftOutTotalQuoted
                              : EngineMessages::kLinesLeftOutTotal,
               static_cast<long long>(report.linesLeftOut));
  // The count is 64-bit inside so that a huge file cannot overflow it.
  return report.rowsWritten > INT_MAX ? INT_MAX : static_cast<int>(report.rowsWritten);
}

}  // namespace

int ConvertToJson(LPCWSTR sourcePath, LPCWSTR separatorText, LPCWSTR outputPath, int rowLimit,
                  int bson) {
  ConversionReport report;
  return Convert(sourcePath, separatorText, outputPath, rowLimit, bson, false, {}, report);
}

int ConvertToJson(LPCWSTR sourcePath, LPCWSTR separatorText, LPCWSTR outputPath, int rowLimit,
                  int bson, ConversionReport& report, const ConversionOptions& options) {
  return Convert(sourcePath, separatorText, outputPath, rowLimit, bson, true, options, report);
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
    writer.AddPair(CString(FieldValue(std::u16string_view(columns[k]))),
                   CString(FieldValue(std::u16string_view(row[k]))));
  }
  writer.SetIndent(0);
  writer.EndValue();
}
