#include "engine/conversion/ReportFile.h"

#include <nlohmann/json.hpp>

#include "platform/core/AtomicOutput.h"

namespace {

using nlohmann::ordered_json;

std::string EncodingName(const SourceEncoding& encoding) {
  switch (encoding.kind) {
    case SourceEncoding::Kind::Utf16LE:
      return "UTF-16LE";
    case SourceEncoding::Kind::Utf16BE:
      return "UTF-16BE";
    case SourceEncoding::Kind::Chosen:
      return encoding.chosenName;
    case SourceEncoding::Kind::Utf8:
      break;
  }
  return encoding.firstNotUtf8 > 0 ? "UTF-8 and Windows-1252" : "UTF-8";
}

ordered_json LinesLeftOut(const ConversionReport& report) {
  ordered_json listed = ordered_json::array();
  for (const LeftOutLine& line : report.leftOutDetails) {
    listed.push_back({{"line", line.line},
                      {"lastLine", line.lastLine},
                      {"byteOffset", line.textOffset},
                      {"fields", line.fields},
                      {"reason", line.reason.ToUtf8()}});
  }
  return {{"total", report.linesLeftOut}, {"listed", std::move(listed)}};
}

ordered_json Renamed(const ConversionReport& report) {
  ordered_json listed = ordered_json::array();
  for (const RenamedColumn& column : report.renamedColumns)
    listed.push_back({{"column", column.column + 1},
                      {"name", CString(column.name.c_str()).ToUtf8()},
                      {"outputName", CString(column.outputName.c_str()).ToUtf8()}});
  return {{"total", report.columnsRenamed}, {"listed", std::move(listed)}};
}

ordered_json Failure(const ConversionReport& report) {
  if (report.cancelled)
    return {{"file", ""}, {"reason", "cancelled"}, {"line", 0}};
  if (!report.failure)
    return nullptr;
  return {{"file", report.failure->file.ToUtf8()},
          {"reason", report.failure->reason.ToUtf8()},
          {"line", report.failure->line}};
}

}  // namespace

std::string ReportDocument(const ConversionRequest& request, const ConversionReport& report,
                           double seconds) {
  const ordered_json document = {
      {"status", report.Converted() ? 0 : 1},
      {"source", request.source.ToUtf8()},
      {"output", request.output.ToUtf8()},
      {"encoding",
       {{"name", EncodingName(report.encoding)},
        {"why", DescribeEncoding(report.encoding).ToUtf8()},
        {"undecodableBytes", report.encoding.undecodable}}},
      {"separator",
       {{"text", report.separatorText.ToUtf8()}, {"how", request.separator ? "given" : "guessed"}}},
      {"rowsWritten", report.Converted() ? report.rowsWritten : 0},
      {"linesLeftOut", LinesLeftOut(report)},
      {"columnsRenamed", Renamed(report)},
      {"valuesLeftAsText", report.valuesLeftAsText},
      {"seconds", seconds},
      {"failure", Failure(report)},
  };
  // Names are bytes: what is not UTF-8 is shown as U+FFFD rather than failing the report.
  return document.dump(2, ' ', false, ordered_json::error_handler_t::replace) + "\n";
}

std::optional<ConversionFailure> WriteReportFile(const ConversionRequest& request,
                                                 const ConversionReport& report, double seconds) {
  const std::string document = ReportDocument(request, report, seconds);
  try {
    CAtomicOutput output;
    CFileException error;
    if (!output.Open(request.reportFile, nullptr, &error))
      return ConversionFailure{ConversionFailure::Kind::OutputOpen, error.m_strFileName,
                               error.GetReason(), error.m_lOsError};
    output.File().Write(document.data(), static_cast<UINT>(document.size()));
    output.Commit();
  } catch (const CFileException& error) {
    return ConversionFailure{ConversionFailure::Kind::FileError, error.m_strFileName,
                             error.GetReason(), error.m_lOsError};
  }
  return std::nullopt;
}
