// The report of one conversion as a JSON document, for scripts and for a user who wants
// to know what was done: the source, its encoding and separator and how each was chosen,
// the rows written, the lines left out, the names renamed, the time taken and the failure.
// Its shape is documented in the manual page of corvane-convert.
#pragma once

#include <optional>
#include <string>

#include "engine/conversion/ConversionFailure.h"
#include "engine/conversion/ConversionReport.h"
#include "engine/conversion/ConversionRequest.h"

// The document, two-space indented, with a final line feed.
std::string ReportDocument(const ConversionRequest& request, const ConversionReport& report,
                           double seconds);

// Writes the document to request.reportFile, replacing an earlier file only as a whole;
// the failure when it can't.
std::optional<ConversionFailure> WriteReportFile(const ConversionRequest& request,
                                                 const ConversionReport& report, double seconds);
