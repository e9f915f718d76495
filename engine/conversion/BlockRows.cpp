#include "engine/conversion/BlockRows.h"

#include <optional>

#include "engine/conversion/PlannedRows.h"
#include "libs/suppcore/BsonEncoder.h"
#include "libs/suppcore/JSON.h"
#include "platform/core/MemoryFile.h"

namespace {

void StartWriter(JSON& writer, CMemoryFile& memory, OutputFormat format, std::size_t rowsBefore) {
  writer.Open(&memory, 0);
  writer.SetBSON(format == OutputFormat::Bson);
  writer.SetJsonLines(format == OutputFormat::JsonLines);
  writer.SetExtendedJson(format == OutputFormat::ExtendedJson);
  writer.ContinueArray(rowsBefore);
}

// The rows of the block up to the limit, as the one-thread loop reads them; with strict on,
// the first row left out ends the block, since it ends the conversion.
void ReadBlock(const BlockSource& source, CDelimitedTextReader& reader, JSON& writer,
               std::optional<CPlannedRows>& planned, std::int64_t rowLimit, BlockRows& rows) {
  const bool keepRaw = !source.request.rejects.IsEmpty();
  const bool strict = source.request.options.strict;
  while ((rowLimit < 0 || rows.rowsRead < rowLimit) && reader.NextRow()) {
    ++rows.rowsRead;
    if (reader.FieldCount() == source.columns &&
        reader.RecordFault() == CRowSplitter::Fault::kNone) {
      if (planned)
        planned->Take(reader);
      else if (reader.RowHeld())
        writer.AddObjectUtf8(source.names, reader.Values());
      else
        writer.AddWideObjectUtf8(source.names, ReaderWindows(reader));
      ++rows.rowsWritten;
      continue;
    }
    rows.leftOut.push_back({LeftOutRowOf(reader), keepRaw ? reader.RawRecord() : std::string()});
    if (strict)
      break;
  }
}

}  // namespace

BlockRows ConvertBlock(const BlockSource& source, std::uint64_t begin, std::uint64_t end,
                       std::size_t rowsBefore, std::int64_t rowLimit, std::string buffer) {
  BlockRows rows;
  rows.begin = begin;
  rows.end = end;
  rows.rowsBefore = rowsBefore;
  try {
    CDelimitedTextReader reader;
    CFileException error;
    if (!reader.OpenRange(source.request.source, begin, end, source.header, &error))
      throw error;
    CMemoryFile memory;
    memory.Bytes() = std::move(buffer);
    memory.Bytes().clear();
    JSON writer;
    StartWriter(writer, memory, source.request.format, rowsBefore);
    std::optional<CPlannedRows> planned;
    if (!source.plan.PassThrough()) {
      rows.plan = source.plan.CopyForRows();
      planned.emplace(*rows.plan, writer, source.names);
    }
    try {
      ReadBlock(source, reader, writer, planned, rowLimit, rows);
    } catch (const CDocumentTooLarge& tooLarge) {
      rows.tooLargeLine = planned ? planned->Line() : reader.LineNumber();
      rows.tooLargeBytes = tooLarge.Bytes();
      return rows;
    }
    writer.Close();
    rows.output = std::move(memory.Bytes());
    rows.lines = reader.LastLineNumber();
    rows.textBytes = reader.TextRead();
    rows.firstNotUtf8 = reader.Encoding().firstNotUtf8;
  } catch (...) {
    rows.failure = std::current_exception();
  }
  return rows;
}
