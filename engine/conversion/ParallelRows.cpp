#include "engine/conversion/ParallelRows.h"

#include <algorithm>
#include <cstdlib>
#include <memory>
#include <string_view>
#include <utility>
#include <vector>

#include "engine/EngineMessages.h"
#include "engine/conversion/BlockPool.h"
#include "engine/conversion/BlockRows.h"
#include "engine/conversion/RejectsFile.h"
#include "engine/conversion/RowLoop.h"
#include "engine/source/SourceDecoder.h"
#include "libs/suppcore/JSON.h"
#include "platform/core/Formatted.h"
#include "platform/core/LineCuts.h"

namespace {

constexpr std::uint64_t kDefaultBlockBytes = std::uint64_t{2} << 20;

// Whether the rest of the source can be cut at its line feeds, each part read as the
// whole file would be from there: a regular file of automatic 8-bit text whose lines end
// with line feeds and that is read to its end.
bool SourceFits(const CDelimitedTextReader& reader, const ConversionRequest& request,
                const ConversionReport& report) {
  const ConversionOptions& options = request.options;
  return options.threads > 1 && reader.IsOpen() &&
         options.access != CDelimitedTextReader::Access::StandardInput &&
         options.maxSourceBytes == 0 && report.sourceSize > 0 && reader.TextIsTheFilesBytes() &&
         (request.rowLimit < 0 || report.rowsRead < request.rowLimit);
}

// The cuts of [from, end) into blocks of at least blockBytes that each begin a line.
std::vector<std::uint64_t> CutAtLineEnds(LPCWSTR path, std::uint64_t from, std::uint64_t end,
                                         std::uint64_t blockBytes) {
  std::vector<std::uint64_t> cuts{from};
  while (end - cuts.back() > blockBytes) {
    const std::uint64_t cut = NextLineStart(path, cuts.back() + blockBytes - 1, end);
    if (cut >= end)
      break;
    cuts.push_back(cut);
  }
  cuts.push_back(end);
  return cuts;
}

// Where the text that bytes [begin, end) of the source give ends, in the reader's offsets
// (which count a UTF-8 mark, not the text it begins): the bytes read by the Windows-1252
// table take more room in the text than in the file.
std::uint64_t TextOffsetAt(const CDelimitedTextReader& reader, LPCWSTR path, std::uint64_t end) {
  const SourceEncoding encoding = reader.Encoding();
  const std::uint64_t mark = encoding.why == SourceEncoding::Why::Mark ? 3 : 0;
  if (encoding.firstNotUtf8 == 0 || encoding.firstNotUtf8 > end)
    return end;
  CFile file;
  CFileException error;
  if (!file.OpenRange(path, mark, end, &error))
    throw error;
  CSourceDecoder decoder(file, CSourceDecoder::Continuing{});
  std::uint64_t text = mark;
  for (std::string_view piece; !(piece = decoder.Read()).empty();)
    text += piece.size();
  return text;
}

// Where the rows not read yet begin: their offset in the file, and the lines and the text
// (offsets as the reader gives them) before it.
struct Position {
  std::uint64_t offset = 0;
  std::int64_t lines = 0;
  std::uint64_t text = 0;
};

// Puts a block's rows after those before it, in order: its rows left out noted (and kept
// in the rejects file), its output written, its failure thrown, all with the lines and
// offsets of the whole file.
class CBlockMerger {
 public:
  CBlockMerger(JSON& writer, CDelimitedTextReader& reader, CColumnPlan* leftAsText,
               const ConversionRequest& request, ConversionReport& report, CRejectsFile* rejects,
               std::size_t columns)
      : m_writer(writer),
        m_reader(reader),
        m_leftAsText(leftAsText),
        m_request(request),
        m_report(report),
        m_rejects(rejects),
        m_columns(columns) {}

  void Merge(BlockRows& rows, const Position& at) {
    // Rows read before a failure count; the one that failed does not.
    const bool failedInRow =
        rows.tooLargeLine != 0 || (m_request.options.strict && !rows.leftOut.empty());
    m_report.rowsRead += rows.rowsRead - (failedInRow ? 1 : 0);
    m_report.rowsWritten += rows.rowsWritten;
    for (BlockLeftOut& leftOut : rows.leftOut) {
      LeftOutRow row = leftOut.row;
      row.line += at.lines;
      row.lastLine += at.lines;
      row.textOffset += at.text;
      NoteLineLeftOut(row, m_columns, m_request, m_report);
      if (m_rejects != nullptr)
        m_rejects->Add(leftOut.raw);
    }
    if (rows.firstNotUtf8 > 0)
      m_reader.NoteNotUtf8At(rows.firstNotUtf8);
    if (rows.plan && m_leftAsText)
      m_leftAsText->AddLeftAsText(*rows.plan);
    if (rows.tooLargeLine != 0)
      ThrowTooLarge(rows.tooLargeLine + at.lines, rows.tooLargeBytes);
    if (rows.failure)
      Rethrow(rows.failure, at.lines);
    m_writer.AddEncodedRows(rows.output, static_cast<std::size_t>(rows.rowsWritten));
  }

 private:
  [[noreturn]] void ThrowTooLarge(std::int64_t line, std::uint64_t bytes) const {
    throw ConversionRefused{
        {ConversionFailure::Kind::DocumentTooLarge, m_request.source,
         Formatted(EngineMessages::kDocumentTooLarge, static_cast<long long>(line),
                   static_cast<unsigned long long>(bytes)),
         0, line}};
  }
  // A line too long names its lines in the whole file; anything else passes as it is.
  [[noreturn]] static void Rethrow(const std::exception_ptr& failure, std::int64_t lines) {
    try {
      std::rethrow_exception(failure);
    } catch (const CLineTooLong& tooLong) {
      throw CLineTooLong(tooLong.LineNumber() + lines, tooLong.Limit(), tooLong.QuoteOpen(),
                         tooLong.LastLine() > 0 ? tooLong.LastLine() + lines : 0);
    }
  }

  JSON& m_writer;
  CDelimitedTextReader& m_reader;
  CColumnPlan* m_leftAsText;  // gathers the blocks' values left as text
  const ConversionRequest& m_request;
  ConversionReport& m_report;
  CRejectsFile* m_rejects;
  std::size_t m_columns;
};

// Takes a block's last record out when its quote is still open at the block's end: it goes
// on in the next block, and is read again from its start. Returns where that start is.
Position HandOnOpenRecord(BlockRows& rows, const Position& at, const CString& source) {
  const LeftOutRow open = rows.leftOut.back().row;
  rows.leftOut.pop_back();
  --rows.rowsRead;
  Position next;
  next.offset = OffsetAfterLines(source, rows.begin, rows.end, open.line - 1);
  next.lines = at.lines + open.line - 1;
  next.text = at.text + open.textOffset;
  return next;
}

// Takes the blocks in order, each checked to begin where the rows before it end, and
// merges them, up to the row limit.
void MergeBlocks(CBlockPool& pool, CBlockMerger& merger, const BlockSource& source, Position at,
                 ConversionReport& report) {
  const ConversionRequest& request = source.request;
  const std::uint64_t size = report.sourceSize;
  // Blocks that a block read again spans: doubled while a record runs on past them, so
  // that a quote left open near the start is not read again block after block.
  std::size_t reach = 1;
  for (std::size_t block = 0; block < pool.Blocks(); ++block) {
    BlockRows rows = pool.Take(block);
    const std::size_t rowsBefore = report.rowsWritten > 0 ? 1 : 0;
    // A block read from a wrong start, or as following rows where there were none, is
    // read again from where the rows before it end.
    if (rows.begin != at.offset || std::min<std::size_t>(rows.rowsBefore, 1) != rowsBefore) {
      for (const std::size_t to = std::min(block + reach, pool.Blocks()) - 1; block < to;)
        pool.Recycle(std::move(pool.Take(++block).output));
      pool.Recycle(std::move(rows.output));
      rows = ConvertBlock(source, at.offset, pool.End(block), rowsBefore);
      reach = rows.OpenAtEnd() ? 2 * reach : 1;
    }
    bool last = block + 1 == pool.Blocks();
    Position next{pool.End(block), at.lines + rows.lines, at.text + rows.textBytes};
    if (!last && rows.OpenAtEnd())
      next = HandOnOpenRecord(rows, at, request.source);
    const std::int64_t left = request.rowLimit - report.rowsRead;
    if (request.rowLimit >= 0 && rows.rowsRead >= left) {
      // The limit ends the rows within this block: read from here on until it does, so
      // that a record running on is whole.
      if (rows.rowsRead > left)
        rows = ConvertBlock(source, at.offset, size, rowsBefore, left);
      last = true;
    }
    merger.Merge(rows, at);
    pool.Recycle(std::move(rows.output));
    if (request.progress && !request.progress(rows.end, size))
      throw ConversionCancelled();
    if (last)
      break;
    at = next;
  }
}

}  // namespace

std::uint64_t BlockBytes() {
  if (const char* bytes = std::getenv("CORVANE_BLOCK_BYTES")) {
    const unsigned long long value = std::strtoull(bytes, nullptr, 10);
    if (value > 0)
      return value;
  }
  return kDefaultBlockBytes;
}

bool ConvertRestInBlocks(CDelimitedTextReader& reader, JSON& writer, CColumnPlan& plan,
                         const ObjectNames& names, const ConversionRequest& request,
                         ConversionReport& report, CRejectsFile* rejects) {
  if (!SourceFits(reader, request, report))
    return false;
  const std::uint64_t size = report.sourceSize;
  const std::uint64_t blockBytes = BlockBytes();
  // The lines read so far, less a first row that Prepare read and NextRow has not given.
  const std::int64_t linesRead =
      reader.RowPending() ? reader.LineNumber() - 1 : reader.LastLineNumber();
  Position at{OffsetAfterLines(request.source, 0, size, linesRead), linesRead, 0};
  if (at.offset >= size || size - at.offset < 2 * blockBytes)
    return false;
  at.text = TextOffsetAt(reader, request.source, at.offset);
  const std::size_t columns = reader.Columns().size();
  // The source stays open, so that it can't be written to meanwhile; the output's bytes
  // are written by the thread that puts the blocks in order, between its blocks.
  writer.WriteHere();
  const BlockSource source{request, reader, plan, names, columns};
  // Counted apart while blocks copy the plan, and added once no block is read.
  const std::unique_ptr<CColumnPlan> leftAsText = plan.PassThrough() ? nullptr : plan.CopyForRows();
  {
    CBlockPool pool(source, CutAtLineEnds(request.source, at.offset, size, blockBytes),
                    report.rowsWritten > 0 ? 1 : 0, request.options.threads);
    CBlockMerger merger(writer, reader, leftAsText.get(), request, report, rejects, columns);
    MergeBlocks(pool, merger, source, at, report);
  }
  if (leftAsText)
    plan.AddLeftAsText(*leftAsText);
  return true;
}
