#include "engine/preview/HeaderNames.h"

#include <stdexcept>

#include "engine/conversion/RowLoop.h"
#include "engine/plan/ColumnPlan.h"
#include "engine/plan/PlannedColumns.h"
#include "engine/preview/PreviewPage.h"
#include "engine/rows/DelimitedTextReader.h"

namespace {

// Opens the source and reads its header; false when either fails.
bool ReadHeader(const ConversionRequest& conversion, CDelimitedTextReader& reader) {
  const ConversionOptions& options = conversion.options;
  try {
    if (!reader.Open(conversion.source, nullptr, options.access))
      return false;
    reader.SetReadLimit(kPreviewMaxBytes);
    reader.SetMaxLineBytes(kPreviewMaxBytes);
    reader.SetQuoted(options.quoted);
    reader.SetSkipLines(options.skipLines);
    reader.SetHeaderLine(options.headerLine);
    reader.SetEncoding(options.encoding);
    const int header = conversion.separator ? reader.Prepare(*conversion.separator)
                                            : reader.PrepareGuessingSeparator();
    return header == 0 && !reader.Cut();
  } catch (const std::exception&) {
    // A read error or a header past the limits: the preview's page says which.
    return false;
  }
}

}  // namespace

bool ForEachOutputName(const ConversionRequest& conversion,
                       const std::function<void(std::string_view name)>& take) {
  CDelimitedTextReader reader;
  if (!ReadHeader(conversion, reader))
    return false;
  const COutputNames names(reader.ColumnNames());
  for (const auto name : names.Names())
    take(name);
  return true;
}

std::optional<std::vector<std::string>> ReadOutputNames(const ConversionRequest& conversion) {
  std::vector<std::string> names;
  if (!ForEachOutputName(conversion, [&](std::string_view name) { names.emplace_back(name); }))
    return std::nullopt;
  return names;
}

std::vector<PlannedOutputColumn> PlannedOutputColumns(const ConversionRequest& conversion,
                                                      std::size_t limit) {
  CDelimitedTextReader reader;
  if (!ReadHeader(conversion, reader))
    return {};
  const COutputNames names(reader.ColumnNames());
  std::vector<PlannedOutputColumn> columns;
  try {
    const CColumnPlan plan(names.Names(), RecipeOf(conversion.options));
    // A plan that asks nothing plans no column: every one is written as text.
    const bool asIs = plan.Columns().empty() && plan.PassThrough();
    const std::size_t count = asIs ? plan.Names().size() : plan.Columns().size();
    for (std::size_t k = 0; k < count && k < limit; ++k)
      columns.push_back(
          {std::string(plan.Names()[k]), asIs ? ColumnType::Text : plan.Columns()[k].type});
  } catch (const PlanMismatch&) {
    return {};
  }
  return columns;
}
