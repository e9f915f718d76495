// The loop over a source's rows once its header is read: each row that has the header's
// number of fields is written, the others are left out (described, logged, kept in the
// rejects file, or failing the conversion when strict), and progress is reported.
#pragma once

#include <cstddef>

#include "engine/conversion/ConversionReport.h"
#include "engine/conversion/ConversionRequest.h"
#include "engine/rows/DelimitedTextReader.h"

class CRejectsFile;
class JSON;

// Thrown when the progress callback asks to stop; caught where the conversion starts.
struct ConversionCancelled {};
// Thrown when a row stops the conversion although nothing failed to read or write.
struct ConversionRefused {
  ConversionFailure failure;
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
