// The loop over a source's rows once its header is read: each row that has the header's
// number of fields is written, the others are left out (described, logged, kept in the
// rejects file, or failing the conversion when strict), and progress is reported.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string_view>

#include "engine/conversion/ConversionReport.h"
#include "engine/conversion/ConversionRequest.h"
#include "engine/rows/DelimitedTextReader.h"
#include "libs/suppcore/DocumentEncoder.h"

class CRejectsFile;
class JSON;

// Thrown when the progress callback asks to stop; caught where the conversion starts.
struct ConversionCancelled {};
// Thrown when a row stops the conversion although nothing failed to read or write.
struct ConversionRefused {
  ConversionFailure failure;
};

// A row left out: where it is, what it holds and what is wrong with it.
struct LeftOutRow {
  std::int64_t line = 0;
  std::int64_t lastLine = 0;
  std::uint64_t textOffset = 0;
  std::size_t fieldCount = 0;
  CRowSplitter::Fault fault = CRowSplitter::Fault::kNone;
};
LeftOutRow LeftOutRowOf(const CDelimitedTextReader& reader);

// Counts a row left out, keeps its description (the first ones of a conversion) for the
// report and logs it; with strict on, fails the conversion instead. Every physical line of
// the row counts as one left out.
void NoteLineLeftOut(const LeftOutRow& row, std::size_t columns, const ConversionRequest& request,
                     ConversionReport& report);

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

// What is wrong with a quoted record, as the messages say it.
const char16_t* FaultText(CRowSplitter::Fault fault);

// Logs text under the source's name, when the request logs; the report remembers a log
// that could not be written.
void LogForSource(const ConversionRequest& request, const CString& text, ConversionReport& report);

// Writes the rows up to the request's limit through the column plan, the names planned
// first; a recipe that does not fit the header, or a row too large for its format, fails
// the conversion (ConversionRefused), the latter with its line.
// The recipe the options ask for: with Typed values, a column given no type is Automatic.
ColumnRecipe RecipeOf(const ConversionOptions& options);

// What the front ends say of values their column's type could not hold; empty for none.
CString LeftAsTextText(const ConversionReport& report);

void WriteRows(CDelimitedTextReader& reader, JSON& writer, const ConversionRequest& request,
               ConversionReport& report, CRejectsFile* rejects);
