#include "engine/preview/PreviewPage.h"

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <string_view>

#include "engine/conversion/ConvertToJson.h"
#include "engine/preview/HeaderNames.h"
#include "engine/preview/PreviewTexts.h"
#include "engine/preview/RenderPreview.h"
#include "engine/rows/Separators.h"
#include "libs/suppcore/HtmlPage.h"
#include "platform/core/File.h"
#include "platform/core/FileSystem.h"
#include "platform/core/Formatted.h"

namespace {

// UTF-16 read as 8-bit text puts a NUL beside nearly every ASCII character; the automatic
// choice sees most such files, but not one whose start is mostly other characters.
bool LooksLikeUtf16(const ConversionReport& report) {
  if (report.encoding.kind != SourceEncoding::Kind::Utf8)
    return false;
  const std::size_t nuls = report.header.nuls;
  return nuls >= 2 && nuls * 4 >= report.header.units;
}

// A header that stays one column, where one of the usual separators would split it.
CString OtherSeparatorHint(const ConversionReport& report) {
  if (report.splittingSeparator.IsEmpty())
    return {};
  return Formatted(PreviewTexts::kOtherSeparator, report.splittingSeparator.GetString(),
                   static_cast<long long>(report.splittingColumns));
}

// Why a source that was read gives no rows.
CString NoRowsReason(const ConversionReport& report) {
  if (report.cutLine > 0)
    return Formatted(PreviewTexts::kLineTooLong, static_cast<long long>(report.cutLine),
                     static_cast<long long>(kPreviewMaxBytes >> 20));
  if (report.rowsRead == 0)
    return PreviewTexts::kHeaderOnly;
  return Formatted(PreviewTexts::kNoLineMatches, static_cast<long long>(report.rowsRead),
                   static_cast<long long>(report.header.columns));
}

// The texts above the table; shows, when given, says which rows the page shows instead of
// the first page's text.
std::vector<CString> Lead(const ConversionReport& report, const CString& shows = {}) {
  using Kind = ConversionFailure::Kind;
  if (const auto& failure = report.failure) {
    if (failure->kind == Kind::LineTooLong)
      return {Formatted(PreviewTexts::kLineTooLong, static_cast<long long>(failure->line),
                        static_cast<long long>(kPreviewMaxBytes >> 20))};
    if (failure->kind == Kind::NoHeader && report.sourceSize == 0 && !report.readLimitReached)
      return {PreviewTexts::kEmpty};
    return {Formatted(PreviewTexts::kCannotRead, failure->Text().GetString())};
  }
  const CString separator = ShownSeparatorText(report.separatorText);
  const auto columns = static_cast<long long>(report.header.columns);
  const CString encoding = DescribeEncoding(report.encoding);
  std::vector<CString> lead;
  if (!shows.IsEmpty() && report.rowsRead > 0) {
    lead.push_back(shows);
  } else if (report.rowsWritten > 0) {
    lead.push_back(Formatted(PreviewTexts::kShows, static_cast<long long>(report.rowsWritten),
                             encoding.GetString(), columns, separator.GetString()));
  } else {
    lead.push_back(
        Formatted(PreviewTexts::kNoRows, encoding.GetString(), columns, separator.GetString()));
    lead.push_back(NoRowsReason(report));
  }
  if (report.oldMacLineEnds)
    lead.push_back(PreviewTexts::kOldMacLineEnds);
  if (const CString undecodable = UndecodableText(report.encoding); !undecodable.IsEmpty())
    lead.push_back(Formatted(PreviewTexts::kUndecodable, undecodable.GetString()));
  if (report.readLimitReached && (report.rowsWritten > 0 || report.cutLine == 0))
    lead.push_back(
        Formatted(PreviewTexts::kStopped, static_cast<long long>(kPreviewMaxBytes >> 20)));
  if (const CString renamed = RenamedColumnsText(report.columnsRenamed, report.renamedColumns);
      !renamed.IsEmpty())
    lead.push_back(renamed);
  if (LooksLikeUtf16(report)) {
    lead.push_back(PreviewTexts::kUtf16Suspected);
  } else if (const CString hint = OtherSeparatorHint(report); !hint.IsEmpty()) {
    lead.push_back(hint);
  }
  return lead;
}

// A conversion that failed leaves no JSON file: the page is then made from no rows.
void WriteNoRows(const CString& jsonPath) {
  if (_waccess(jsonPath, 0) == 0)
    return;
  CFile file;
  if (file.Open(jsonPath, CFile::modeCreate | CFile::modeWrite)) {
    try {
      file.WriteBytes("[]\n");
      file.Close();
    } catch (const CFileException&) {
      file.Abort();  // RenderPreview logs the file it cannot read
    }
  }
}

// Where each row read lies, the n-th left out with the n-th description.
std::vector<HtmlRowPlace> Places(const ConversionReport& report) {
  std::vector<HtmlRowPlace> places;
  std::size_t leftOut = 0;
  for (const ConversionReport::RowPlace& row : report.rowPlaces) {
    CString lines = GroupedNumber(static_cast<std::uint64_t>(row.line));
    if (row.lastLine > row.line)
      lines += u"-" + GroupedNumber(static_cast<std::uint64_t>(row.lastLine));
    HtmlRowPlace place{Utf16ToUtf8(lines.View()), {}};
    if (row.leftOut && leftOut < report.leftOutLines.size())
      place.leftOut = Utf16ToUtf8(report.leftOutLines[leftOut++].View());
    else if (row.leftOut)
      place.leftOut = Utf16ToUtf8(PreviewTexts::kLeftOut);
    places.push_back(std::move(place));
  }
  return places;
}

// The lines left out are in the table in their place; the notes list them only for a page
// without places.
void Render(const CString& jsonPath, const ConversionReport& report,
            const std::vector<CString>& lead,
            const std::vector<std::pair<std::string, std::string>>& types) {
  WriteNoRows(jsonPath);
  const std::vector<HtmlRowPlace> places = Places(report);
  RenderPreview(jsonPath, places.empty() ? report.leftOutLines : std::vector<CString>{}, lead,
                places, types);
}

// Each column's output name and type, under the names, once the header is read.
std::vector<std::pair<std::string, std::string>> TypesShown(const ConversionReport& report,
                                                            const ConversionRequest& used) {
  std::vector<std::pair<std::string, std::string>> types;
  if (report.Converted() && report.header.columns > 0) {
    for (const PlannedOutputColumn& column : PlannedOutputColumns(used, kHtmlMaxColumns))
      types.emplace_back(column.name, TypeName(column.type));
  }
  return types;
}

CString Grouped(std::int64_t number) {
  return GroupedNumber(static_cast<std::uint64_t>(std::max<std::int64_t>(number, 0)));
}

// The first line of a page further on: where it is, and what its rows are.
std::vector<CString> PlaceLead(const ConversionReport& report, const LineIndexState& index,
                               std::int64_t askedLine, PageFacts& facts) {
  const std::int64_t known = index.done ? index.lines : std::max(index.estimatedLines, index.lines);
  std::vector<CString> lead;
  if (report.rowPlaces.empty()) {
    if (!report.failure)
      lead.push_back(
          Formatted(index.done ? PreviewTexts::kPastTheEnd : PreviewTexts::kPastTheEndAbout,
                    Grouped(askedLine).GetString(), Grouped(known).GetString()));
    for (CString& line : Lead(report))
      lead.push_back(std::move(line));
    return lead;
  }
  facts.firstLine = report.rowPlaces.front().line;
  facts.lastLine = report.rowPlaces.back().lastLine;
  lead.push_back(Formatted(index.done ? PreviewTexts::kPlace : PreviewTexts::kPlaceAbout,
                           Grouped(facts.firstLine).GetString(),
                           Grouped(facts.lastLine).GetString(),
                           Grouped(std::max(known, facts.lastLine)).GetString()));
  const CString shows = Formatted(PreviewTexts::kPageShows, static_cast<long long>(report.rowsRead),
                                  DescribeEncoding(report.encoding).GetString(),
                                  static_cast<long long>(report.header.columns),
                                  ShownSeparatorText(report.separatorText).GetString());
  for (CString& line : Lead(report, shows))
    lead.push_back(std::move(line));
  return lead;
}

}  // namespace

PageFacts MakePreviewPageAt(const ConversionRequest& conversion, const CString& jsonPath,
                            const CLineIndex& index, PageTarget target) {
  const LineIndexState state = index.State();
  ConversionRequest request = PreviewRequest(conversion, jsonPath);
  const bool byLine = target.by == PageTarget::By::kLine;
  request.from = byLine ? index.ForLine(std::max<std::int64_t>(target.number, 1))
                        : index.ForRow(std::max<std::int64_t>(target.number, 0));
  // Far into the file: the rows, each within the line limit, bound the reading instead.
  request.options.maxSourceBytes = 0;
  const ConversionReport report = ConvertToJson(request);
  PageFacts facts;
  facts.firstRow = report.firstRow;
  facts.rows = report.rowsRead;
  const std::int64_t askedLine =
      byLine ? target.number : (report.rowPlaces.empty() ? state.lines + 1 : 0);
  Render(jsonPath, report, PlaceLead(report, state, askedLine, facts), TypesShown(report, request));
  return facts;
}

ConversionRequest PreviewRequest(const ConversionRequest& conversion, const CString& jsonPath) {
  ConversionRequest preview = conversion;
  // Always JSON, whatever format is chosen: the page is rendered from JSON.
  preview.output = jsonPath;
  preview.format = OutputFormat::Json;
  preview.rowLimit = kPreviewRows;
  preview.options.maxLineBytes = kPreviewMaxBytes;
  preview.options.maxSourceBytes = kPreviewMaxBytes;
  preview.options.log = false;  // runs on every keystroke; Convert logs
  // Blocks on threads find their start by counting lines from the file's start, which a
  // page far into the file must not do for its few rows.
  preview.options.threads = 1;
  preview.progress = nullptr;
  preview.noteRowPlaces = true;
  return preview;
}

CString MakePreviewPage(const ConversionRequest& conversion, const CString& jsonPath,
                        bool takeSeparator) {
  ConversionReport report;
  std::vector<CString> lead;
  CString taken;
  ConversionRequest used = conversion;
  const CString& sourcePath = conversion.source;
  if (sourcePath.IsEmpty()) {
    lead.push_back(PreviewTexts::kBegin);
  } else if (_waccess(sourcePath, 0) != 0) {
    // A path still being typed: said on the page, not in the log at every keystroke.
    const CString reason = CString::FromUtf8(std::strerror(errno));
    lead.push_back(Formatted(PreviewTexts::kCannotRead, (sourcePath + u": " + reason).GetString()));
  } else {
    report = ConvertToJson(PreviewRequest(conversion, jsonPath));
    if (takeSeparator && report.Converted() && !report.splittingSeparator.IsEmpty()) {
      taken = report.splittingSeparator;
      const CString before = ShownSeparatorText(report.separatorText);
      const auto columns = static_cast<long long>(report.splittingColumns);
      used.separator = taken;
      report = ConvertToJson(PreviewRequest(used, jsonPath));
      lead.push_back(Formatted(PreviewTexts::kSeparatorTaken, taken.GetString(), before.GetString(),
                               taken.GetString(), columns));
    }
    for (CString& line : Lead(report))
      lead.push_back(std::move(line));
  }
  Render(jsonPath, report, lead, TypesShown(report, used));
  return taken;
}
