#include "PageRows.h"

#include <gtest/gtest.h>

#include "../platform/TempDir.h"
#include "engine/conversion/ConvertToJson.h"

namespace pagerows {

std::vector<Seen> RowsOf(const ConversionRequest& request, std::int64_t* firstRow) {
  ConversionRequest noted = request;
  noted.noteRowPlaces = true;
  const ConversionReport report = ConvertToJson(noted);
  EXPECT_FALSE(report.failure) << report.failure->Text().ToUtf8();
  if (firstRow != nullptr)
    *firstRow = report.firstRow;
  const auto rows = outputrows::JsonRows(ReadBytesFromFile(request.output.ToUtf8()));
  EXPECT_TRUE(rows);
  std::vector<Seen> seen;
  std::size_t written = 0;
  for (const ConversionReport::RowPlace& place : report.rowPlaces) {
    seen.push_back({place.line, place.lastLine, std::nullopt});
    if (!place.leftOut && rows && written < rows->size())
      seen.back().row = (*rows)[written++];
  }
  return seen;
}

std::string Lines(int rows, const std::string& end, bool quoted) {
  std::string text = "id,name,note" + end;
  for (int row = 1; row <= rows; ++row) {
    const std::string id = std::to_string(row);
    if (row % 7 == 0)
      text += id + ",too,many,fields" + end;
    else if (quoted && row % 5 == 0)
      text += id + ",\"two" + end + "lines, " + id + "\",q" + end;
    else
      text += id + ",n\xC3\xA9" + id + ",x" + end;
  }
  return text;
}

}  // namespace pagerows
