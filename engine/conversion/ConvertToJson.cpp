#include "engine/conversion/ConvertToJson.h"

#include <sys/stat.h>

#include <algorithm>
#include <chrono>
#include <cstdint>
#include <optional>
#include <string_view>
#include <thread>
#include <utility>

#include "engine/EngineMessages.h"
#include "engine/conversion/RejectsFile.h"
#include "engine/conversion/ReportFile.h"
#include "engine/plan/ColumnPlan.h"
#include "engine/rows/DelimitedTextReader.h"
#include "libs/suppcore/BsonEncoder.h"
#include "libs/suppcore/HTML.h"
#include "libs/suppcore/JSON.h"
#include "libs/suppcore/Log.h"
#include "platform/core/AtomicOutput.h"
#include "platform/core/Formatted.h"

namespace {

// Thrown when the progress callback asks to stop; caught where the conversion starts.
struct Cancelled {};
// Thrown when a row stops the conversion although nothing failed to read or write.
struct Refused {
  ConversionFailure failure;
};

const char16_t* FaultText(CRowSplitter::Fault fault) {
  return fault == CRowSplitter::Fault::kQuoteNotClosed ? EngineMessages::kQuoteNotClosed
                                                       : EngineMessages::kTextAfterQuote;
}

HeaderSummary SummarizeHeader(const NameList& fields) {
  HeaderSummary summary;
  summary.columns = fields.size();
  for (const std::string_view field : fields) {
    summary.units += field.size();
    summary.nuls += static_cast<std::size_t>(std::count(field.begin(), field.end(), '\0'));
  }
  return summary;
}

// Logs text under the source's name, when the request logs; the report remembers a log
// that could not be written.
void Log(const ConversionRequest& request, const CString& text, ConversionReport& report) {
  if (request.options.log && !CLog::Entry(request.source + u": " + text))
    report.logWritten = false;
}

// Why the last row read is left out. A quote never closed names the line it opened on and
// the lines it took, which may be the rest of the file.
CString LeftOutText(const CDelimitedTextReader& reader, std::size_t columns) {
  const auto line = static_cast<long long>(reader.LineNumber());
  const auto last = static_cast<long long>(reader.LastLineNumber());
  const auto grouped = [](long long number) {
    return GroupedNumber(static_cast<std::uint64_t>(number));
  };
  switch (reader.RecordFault()) {
    case CRowSplitter::Fault::kQuoteNotClosed:
      if (last > line)
        return Formatted(EngineMessages::kQuoteNeverClosed, grouped(line).GetString(),
                         grouped(line).GetString(), grouped(last).GetString());
      return Formatted(EngineMessages::kQuoteNeverClosedOneLine, grouped(line).GetString(),
                       grouped(line).GetString());
    case CRowSplitter::Fault::kTextAfterQuote:
      if (last > line)
        return Formatted(EngineMessages::kRecordLinesLeftOut, line, last,
                         EngineMessages::kTextAfterQuote);
      return Formatted(EngineMessages::kRecordLeftOut, line, EngineMessages::kTextAfterQuote);
    case CRowSplitter::Fault::kNone:
      break;
  }
  return Formatted(EngineMessages::kLineLeftOut, line, static_cast<long long>(reader.FieldCount()),
                   static_cast<long long>(columns));
}

// Keeps the description of a row left out (the first ones of a conversion) for the
// preview, and logs it; with strict on, fails the conversion instead. Every physical line
// of the row counts as one left out.
void NoteLineLeftOut(const CDelimitedTextReader& reader, std::size_t columns,
                     const ConversionRequest& request, ConversionReport& report) {
  report.linesLeftOut += reader.LastLineNumber() - reader.LineNumber() + 1;
  if (!request.reportFile.IsEmpty() && report.leftOutDetails.size() < kLeftOutLinesReported) {
    report.leftOutDetails.push_back({reader.LineNumber(), reader.LastLineNumber(),
                                     reader.RowTextOffset(), reader.FieldCount(),
                                     LeftOutText(reader, columns)});
  }
  if (request.options.strict) {
    throw Refused{
        {ConversionFailure::Kind::LineLeftOut, request.source,
         Formatted(EngineMessages::kStrictLeftOut, LeftOutText(reader, columns).GetString()), 0,
         reader.LineNumber()}};
  }
  if (report.leftOutLines.size() >= static_cast<std::size_t>(EngineMessages::kLeftOutLinesLogged))
    return;
  const CString text = LeftOutText(reader, columns);
  Log(request, text, report);
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
  explicit ProgressPacer(const ConversionProgress& progress)
      : m_progress(progress), m_nextCheck(progress ? 1 : INT64_MAX) {}
  bool Due(std::int64_t rows) const { return rows >= m_nextCheck; }
  // Throws Cancelled when the callback asks to stop.
  void Check(std::int64_t rows, std::uint64_t bytes, std::uint64_t total) {
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
    if (!m_progress(bytes, total))
      throw Cancelled();
  }

 private:
  const ConversionProgress& m_progress;
  std::int64_t m_nextCheck;
  std::int64_t m_lastCheckRows = 0;
  std::uint64_t m_lastCheckBytes = 0;
  std::uint64_t m_lastCall = 0;
};

// The values of a row too wide to be held at once, read from the reader a window at a time.
class ReaderWindows : public RowWindows {
 public:
  explicit ReaderWindows(CDelimitedTextReader& reader) : m_reader(reader) {}
  void ForEach(const Take& take) const override {
    m_reader.ForEachWindow([&take](const std::string_view*, const std::string_view* values,
                                   std::size_t count) { take(values, count); });
  }

 private:
  CDelimitedTextReader& m_reader;
};

// Reads rows up to the limit and writes those whose field count matches the header; the
// others go to rejects, when given, as the source held them.
void WriteRowsUpToTheLimit(CDelimitedTextReader& reader, JSON& writer, const ObjectNames& names,
                           const ConversionRequest& request, ConversionReport& report,
                           CRejectsFile* rejects) {
  const bool limited = request.options.maxSourceBytes > 0;
  ProgressPacer pacer(request.progress);
  while (request.rowLimit < 0 || report.rowsRead < request.rowLimit) {
    if (!NextRowWithinLimit(reader, limited, report))
      break;
    if (reader.FieldCount() == names.size() && reader.RecordFault() == CRowSplitter::Fault::kNone) {
      if (reader.RowHeld())
        writer.AddObjectUtf8(names, reader.Values());
      else
        writer.AddWideObjectUtf8(names, ReaderWindows(reader));
      ++report.rowsWritten;
    } else {
      NoteLineLeftOut(reader, names.size(), request, report);
      if (rejects != nullptr)
        rejects->Add(reader.RawRecord());
    }
    ++report.rowsRead;
    if (pacer.Due(report.rowsRead))
      pacer.Check(report.rowsRead, reader.BytesRead(), report.sourceSize);
  }
}

// The same, the names planned first; a row too large for its format fails the conversion
// with its line.
void WriteRows(CDelimitedTextReader& reader, JSON& writer, const ConversionRequest& request,
               ConversionReport& report, CRejectsFile* rejects) {
  const ObjectNames names = [&] {
    const COutputNames plan(reader.ColumnNames());
    report.columnsRenamed = plan.RenamedCount();
    report.renamedColumns = plan.Renamed();
    if (plan.RenamedCount() > 0)
      Log(request, RenamedColumnsText(plan.RenamedCount(), plan.Renamed()), report);
    return ObjectNames(plan.Names());
  }();
  try {
    WriteRowsUpToTheLimit(reader, writer, names, request, report, rejects);
  } catch (const CDocumentTooLarge& tooLarge) {
    const std::int64_t line = reader.LineNumber();
    throw Refused{{ConversionFailure::Kind::DocumentTooLarge, request.source,
                   Formatted(EngineMessages::kDocumentTooLarge, static_cast<long long>(line),
                             static_cast<unsigned long long>(tooLarge.Bytes())),
                   0, line}};
  }
}

// Threads a compressor may add of its own: the cores, since the output's writing thread
// otherwise waits on one of them.
unsigned CompressionThreads() {
  return std::max(1u, std::thread::hardware_concurrency());
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
  Log(request, EngineMessages::kNoColumnList, report);
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

  output.File().SetCompressor(MakeCompressor(request.compression, CompressionThreads()));
  writer.Open(&output.File(), 0);
  writer.SetBSON(request.format == OutputFormat::Bson);
  writer.SetJsonLines(request.format == OutputFormat::JsonLines);
  writer.SetTypedValues(options.typedValues);
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
    Log(request,
        Formatted(options.quoted ? EngineMessages::kLinesLeftOutTotalQuoted
                                 : EngineMessages::kLinesLeftOutTotal,
                  static_cast<long long>(report.linesLeftOut)),
        report);
}

}  // namespace

ConversionReport ConvertToJson(const ConversionRequest& request) {
  const auto start = std::chrono::steady_clock::now();
  ConversionReport report;
  try {
    Convert(request, report);
  } catch (const Cancelled&) {
    report.cancelled = true;
  } catch (Refused& refused) {
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
