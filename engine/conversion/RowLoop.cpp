#include "engine/conversion/RowLoop.h"

#include <algorithm>
#include <cstdint>
#include <optional>
#include <string_view>

#include "engine/EngineMessages.h"
#include "engine/conversion/ParallelRows.h"
#include "engine/conversion/PlannedRows.h"
#include "engine/conversion/RejectsFile.h"
#include "engine/plan/ColumnPlan.h"
#include "libs/suppcore/BsonEncoder.h"
#include "libs/suppcore/JSON.h"
#include "libs/suppcore/Log.h"
#include "platform/core/Formatted.h"

const char16_t* FaultText(CRowSplitter::Fault fault) {
  return fault == CRowSplitter::Fault::kQuoteNotClosed ? EngineMessages::kQuoteNotClosed
                                                       : EngineMessages::kTextAfterQuote;
}

// Logs text under the source's name, when the request logs; the report remembers a log
// that could not be written.
void LogForSource(const ConversionRequest& request, const CString& text, ConversionReport& report) {
  if (request.options.log && !CLog::Entry(request.source + u": " + text))
    report.logWritten = false;
}

namespace {

// Why a row is left out. A quote never closed names the line it opened on and the lines it
// took, which may be the rest of the file.
CString LeftOutText(const LeftOutRow& row, std::size_t columns) {
  const auto line = static_cast<long long>(row.line);
  const auto last = static_cast<long long>(row.lastLine);
  const auto grouped = [](long long number) {
    return GroupedNumber(static_cast<std::uint64_t>(number));
  };
  switch (row.fault) {
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
  return Formatted(EngineMessages::kLineLeftOut, line, static_cast<long long>(row.fieldCount),
                   static_cast<long long>(columns));
}

}  // namespace

LeftOutRow LeftOutRowOf(const CDelimitedTextReader& reader) {
  return {reader.LineNumber(), reader.LastLineNumber(), reader.RowTextOffset(), reader.FieldCount(),
          reader.RecordFault()};
}

void NoteLineLeftOut(const LeftOutRow& row, std::size_t columns, const ConversionRequest& request,
                     ConversionReport& report) {
  report.linesLeftOut += row.lastLine - row.line + 1;
  if (!request.reportFile.IsEmpty() && report.leftOutDetails.size() < kLeftOutLinesReported) {
    report.leftOutDetails.push_back(
        {row.line, row.lastLine, row.textOffset, row.fieldCount, LeftOutText(row, columns)});
  }
  if (request.options.strict) {
    throw ConversionRefused{
        {ConversionFailure::Kind::LineLeftOut, request.source,
         Formatted(EngineMessages::kStrictLeftOut, LeftOutText(row, columns).GetString()), 0,
         row.line}};
  }
  if (report.leftOutLines.size() >= static_cast<std::size_t>(EngineMessages::kLeftOutLinesLogged))
    return;
  const CString text = LeftOutText(row, columns);
  LogForSource(request, text, report);
  report.leftOutLines.push_back(text);
}

namespace {

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
  // Throws ConversionCancelled when the callback asks to stop.
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
      throw ConversionCancelled();
  }

 private:
  const ConversionProgress& m_progress;
  std::int64_t m_nextCheck;
  std::int64_t m_lastCheckRows = 0;
  std::uint64_t m_lastCheckBytes = 0;
  std::uint64_t m_lastCall = 0;
};

// Source bytes whose rows decide the Automatic columns' types; their rows wait in memory.
constexpr std::uint64_t kSampleBytes = std::uint64_t{16} << 20;

// Reads rows up to the limit, or while sampling up to kSampleBytes of the source, and hands
// those whose field count matches the header to take; the others go to rejects, when
// given, as the source held them.
template <class Take>
void ReadRows(CDelimitedTextReader& reader, std::size_t columns, const ConversionRequest& request,
              ConversionReport& report, CRejectsFile* rejects, ProgressPacer& pacer, bool sampling,
              Take&& take) {
  const bool limited = request.options.maxSourceBytes > 0;
  while (request.rowLimit < 0 || report.rowsRead < request.rowLimit) {
    if (sampling && reader.BytesRead() >= kSampleBytes)
      break;
    if (!NextRowWithinLimit(reader, limited, report))
      break;
    const std::int64_t writtenBefore = report.rowsWritten;
    if (reader.FieldCount() == columns && reader.RecordFault() == CRowSplitter::Fault::kNone) {
      take();
      ++report.rowsWritten;
    } else {
      NoteLineLeftOut(LeftOutRowOf(reader), columns, request, report);
      if (rejects != nullptr)
        rejects->Add(reader.RawRecord());
    }
    if (request.noteRowPlaces)
      report.rowPlaces.push_back(
          {reader.LineNumber(), reader.LastLineNumber(), report.rowsWritten == writtenBefore});
    ++report.rowsRead;
    if (pacer.Due(report.rowsRead))
      pacer.Check(report.rowsRead, reader.BytesRead(), report.sourceSize);
  }
}

// What the summary and the log say of values left as text.
void NoteLeftAsText(const CColumnPlan& plan, const ConversionRequest& request,
                    ConversionReport& report) {
  report.valuesLeftAsText = plan.LeftAsText();
  if (report.valuesLeftAsText == 0)
    return;
  for (std::size_t k = 0; k < plan.Columns().size(); ++k)
    if (plan.Columns()[k].leftAsText > 0)
      report.columnsLeftAsText.emplace_back(plan.Names()[k], plan.Columns()[k].leftAsText);
  LogForSource(request, LeftAsTextText(report), report);
}

}  // namespace

ColumnRecipe RecipeOf(const ConversionOptions& options) {
  ColumnRecipe recipe = options.columns;
  if (options.typedValues && recipe.type == ColumnType::Text)
    recipe.type = ColumnType::Automatic;
  return recipe;
}

CString LeftAsTextText(const ConversionReport& report) {
  if (report.valuesLeftAsText == 0)
    return {};
  CString list;
  std::size_t shown = 0;
  for (const auto& [name, count] : report.columnsLeftAsText) {
    if (shown++ == EngineMessages::kRenamedShown) {
      list += u", ...";
      break;
    }
    if (!list.IsEmpty())
      list += u", ";
    list += Formatted(EngineMessages::kColumnLeftAsText, CString::FromUtf8(name).GetString(),
                      static_cast<long long>(count));
  }
  return Formatted(EngineMessages::kValuesLeftAsText,
                   static_cast<long long>(report.valuesLeftAsText), list.GetString());
}

void WriteRows(CDelimitedTextReader& reader, JSON& writer, const ConversionRequest& request,
               ConversionReport& report, CRejectsFile* rejects) {
  const COutputNames outputNames(reader.ColumnNames());
  report.columnsRenamed = outputNames.RenamedCount();
  report.renamedColumns = outputNames.Renamed();
  if (outputNames.RenamedCount() > 0)
    LogForSource(request, RenamedColumnsText(outputNames.RenamedCount(), outputNames.Renamed()),
                 report);
  std::optional<CColumnPlan> plan;
  try {
    plan.emplace(outputNames.Names(), RecipeOf(request.options));
  } catch (const PlanMismatch& mismatch) {
    throw ConversionRefused{{ConversionFailure::Kind::ColumnsMismatch, request.source,
                             CString::FromUtf8(mismatch.text)}};
  }
  // JSON writes typed values as their text stands.
  plan->SetKindsOnly(request.format == OutputFormat::Json ||
                     request.format == OutputFormat::JsonLines);
  const std::size_t columns = reader.ColumnNames().size();
  const ObjectNames names(plan->Names());
  ProgressPacer pacer(request.progress);
  std::optional<CPlannedRows> rows;
  try {
    if (plan->PassThrough()) {
      if (!ConvertRestInBlocks(reader, writer, *plan, names, request, report, rejects))
        ReadRows(reader, columns, request, report, rejects, pacer, false, [&] {
          if (reader.RowHeld())
            writer.AddObjectUtf8(names, reader.Values());
          else
            writer.AddWideObjectUtf8(names, ReaderWindows(reader));
        });
    } else {
      rows.emplace(*plan, writer, names);
      const auto take = [&] { rows->Take(reader); };
      if (plan->Sampling()) {
        ReadRows(reader, columns, request, report, rejects, pacer, true, take);
        rows->Flush();
      }
      if (!ConvertRestInBlocks(reader, writer, *plan, names, request, report, rejects))
        ReadRows(reader, columns, request, report, rejects, pacer, false, take);
      NoteLeftAsText(*plan, request, report);
    }
  } catch (const CDocumentTooLarge& tooLarge) {
    const std::int64_t line = rows ? rows->Line() : reader.LineNumber();
    throw ConversionRefused{
        {ConversionFailure::Kind::DocumentTooLarge, request.source,
         Formatted(EngineMessages::kDocumentTooLarge, static_cast<long long>(line),
                   static_cast<unsigned long long>(tooLarge.Bytes())),
         0, line}};
  }
}
