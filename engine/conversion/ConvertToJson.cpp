#include "engine/conversion/ConvertToJson.h"

#include <sys/stat.h>

#include <algorithm>
#include <chrono>
#include <cstdint>
#include <optional>
#include <string_view>
#include <utility>

#include "engine/EngineMessages.h"
#include "engine/conversion/RejectsFile.h"
#include "engine/conversion/ReportFile.h"
#include "engine/conversion/RowLoop.h"
#include "engine/plan/ColumnPlan.h"
#include "engine/rows/DelimitedTextReader.h"
#include "libs/suppcore/BsonEncoder.h"
#include "libs/suppcore/HTML.h"
#include "libs/suppcore/JSON.h"
#include "libs/suppcore/Log.h"
#include "platform/core/AtomicOutput.h"
#include "platform/core/Formatted.h"
#include "platform/core/IoThreads.h"

namespace {

// What the preview says of the header, counted rather than copied.
HeaderSummary SummarizeHeader(const NameList& fields) {
  HeaderSummary summary;
  summary.columns = fields.size();
  for (const std::string_view field : fields) {
    summary.units += field.size();
    summary.nuls += static_cast<std::size_t>(std::count(field.begin(), field.end(), '\0'));
  }
  return summary;
}

// Which encoding the source was read in and why, and what could not be decoded.
void LogEncoding(const CString& source, const SourceEncoding& encoding) {
  CString text = DescribeEncoding(encoding);
  if (const CString undecodable = UndecodableText(encoding); !undecodable.IsEmpty())
    text += CString(u"; ") + undecodable;
  CLog::Bug2(EngineMessages::kEncodingLogged, source.GetString(), text.GetString());
}

// A failure to open a file, with the file's own name and the system's reason.
ConversionFailure OpenFailure(ConversionFailure::Kind kind, const CFileException& error) {
  return {kind, error.m_strFileName, error.GetReason(), error.m_lOsError, 0};
}

// Opens the source and reads its header; false with report.failure set when that fails.
bool ReadHeader(const ConversionRequest& request, CDelimitedTextReader& reader, struct stat& source,
                bool& sourceKnown, ConversionReport& report) {
  const ConversionOptions& options = request.options;
  CFileException error;
  if (!reader.Open(request.source, &error, options.access)) {
    if (options.log)
      CLog::Bug2(EngineMessages::kSourceOpenFailed, request.source.GetString());
    report.failure = OpenFailure(ConversionFailure::Kind::SourceOpen, error);
    return false;
  }
  sourceKnown = reader.GetStatus(source) != 0;
  if (sourceKnown && S_ISREG(source.st_mode))
    report.sourceSize = static_cast<std::uint64_t>(source.st_size);
  // Always set, even for a small file: a small compressed file may hold far more.
  if (options.maxSourceBytes > 0)
    reader.SetReadLimit(options.maxSourceBytes);
  reader.SetMaxLineBytes(options.maxLineBytes);
  reader.SetQuoted(options.quoted);
  reader.SetSkipLines(options.skipLines);
  reader.SetHeaderLine(options.headerLine);
  reader.SetEncoding(options.encoding);
  reader.SetKeepSourceBytes(!request.rejects.IsEmpty());
  const int header =
      request.separator ? reader.Prepare(*request.separator) : reader.PrepareGuessingSeparator();
  report.separatorText = reader.SeparatorText();
  report.encoding = reader.Encoding();
  report.oldMacLineEnds = reader.OldMacLineEnds();
  if (header == 0 && reader.Cut())
    throw CLineTooLong(reader.LineNumber(), options.maxSourceBytes);
  report.header = SummarizeHeader(reader.Columns());
  report.splittingSeparator = reader.SplittingSeparator();
  report.splittingColumns = reader.SplittingSeparatorColumns();
  if (header == 0)
    return true;
  LogForSource(request, EngineMessages::kNoColumnList, report);
  CString reason = EngineMessages::kNoColumnList;
  if (reader.HeaderFault() != CRowSplitter::Fault::kNone)
    reason += CString(u": ") + FaultText(reader.HeaderFault());
  report.failure = ConversionFailure{ConversionFailure::Kind::NoHeader, request.source, reason};
  return false;
}

// Opens the file for the lines left out, when the request names one, and writes the
// header line to it; false with report.failure set when it can't be opened.
bool OpenRejects(const ConversionRequest& request, const CDelimitedTextReader& reader,
                 const struct stat* source, std::optional<CRejectsFile>& rejects,
                 ConversionReport& report) {
  if (request.rejects.IsEmpty())
    return true;
  CFileException error;
  rejects.emplace().AcceptRegularFilesOnly(request.options.regularOutputOnly);
  if (!rejects->Open(request.rejects, source, &error)) {
    if (request.options.log)
      CLog::Bug2(EngineMessages::kDestinationOpenFailed, request.rejects.GetString());
    rejects.reset();
    report.failure = OpenFailure(ConversionFailure::Kind::OutputOpen, error);
    return false;
  }
  if (request.options.headerLine)
    rejects->AddHeader(reader.RawRecord());
  return true;
}

void Convert(const ConversionRequest& request, ConversionReport& report) {
  const ConversionOptions& options = request.options;
  // Released in reverse: the writer first, whose thread must be gone (its pending blocks
  // dropped) before the output is dropped unless committed; then the reader (closing the
  // source) and the HTML object.
  [[maybe_unused]] HTML html;
  CDelimitedTextReader reader;
  CAtomicOutput output;
  std::optional<CRejectsFile> rejects;
  JSON writer;

  struct stat source {};
  bool sourceKnown = false;
  if (!ReadHeader(request, reader, source, sourceKnown, report))
    return;
  if (request.from)
    report.firstRow = reader.SkipTo(*request.from);
  // The output is touched only now, so that a source without a header leaves no trace.
  CFileException error;
  output.AcceptRegularFilesOnly(options.regularOutputOnly);
  if (!output.Open(request.output, sourceKnown ? &source : nullptr, &error)) {
    if (options.log)
      CLog::Bug2(EngineMessages::kDestinationOpenFailed, request.output.GetString());
    reader.Close();
    report.failure = OpenFailure(ConversionFailure::Kind::OutputOpen, error);
    return;
  }
  if (!OpenRejects(request, reader, sourceKnown ? &source : nullptr, rejects, report))
    return;

  output.File().SetCompressor(MakeCompressor(request.compression, options.threads));
  writer.Open(&output.File(), 0);
  writer.SetBSON(request.format == OutputFormat::Bson);
  writer.SetJsonLines(request.format == OutputFormat::JsonLines);
  writer.SetExtendedJson(request.format == OutputFormat::ExtendedJson);
  writer.Array(1, 1);
  WriteRows(reader, writer, request, report, rejects ? &*rejects : nullptr);
  // What decoding cost is known only once the rows are read.
  report.encoding = reader.Encoding();
  // At the limit the rest of the source is never read: let it go now.
  reader.Close();
  writer.Array(0, 1);
  writer.Close();
  // Only a whole document takes the output's place.
  output.Commit();
  report.writtenInPlace = output.CopiedInPlace();
  if (rejects)
    rejects->Commit();

  if (options.log)
    LogEncoding(request.source, report.encoding);
  if (report.linesLeftOut > 0)
    LogForSource(request,
                 Formatted(options.quoted ? EngineMessages::kLinesLeftOutTotalQuoted
                                          : EngineMessages::kLinesLeftOutTotal,
                           static_cast<long long>(report.linesLeftOut)),
                 report);
}

}  // namespace

ConversionReport ConvertToJson(const ConversionRequest& request) {
  const auto start = std::chrono::steady_clock::now();
  ConversionReport report;
  // Given one thread, the conversion reads, writes and compresses on it too.
  const IoOnThisThread oneThread(request.options.threads <= 1);
  try {
    Convert(request, report);
  } catch (const ConversionCancelled&) {
    report.cancelled = true;
  } catch (ConversionRefused& refused) {
    report.failure = std::move(refused.failure);
  } catch (...) {
    // Everything is let go by now; the output is as it was.
    report.failure = FailureOf(std::current_exception(), request.source);
  }
  if (!request.reportFile.IsEmpty()) {
    const std::chrono::duration<double> seconds = std::chrono::steady_clock::now() - start;
    // The output is in place by now: a report that can't be written fails the run all the
    // same, since the user asked for it.
    if (auto failure = WriteReportFile(request, report, seconds.count());
        failure && !report.failure)
      report.failure = std::move(failure);
  }
  return report;
}
