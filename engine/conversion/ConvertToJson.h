// ConvertToJson converts one delimited text file into one JSON (or JSON Lines, or BSON)
// document: an array holding one object per data row whose field count matches the
// header, pairing each column name with the row's value (FieldValue: cut at a NUL, without
// double quotes at either end).
#pragma once

#include "engine/conversion/ConversionReport.h"
#include "engine/conversion/ConversionRequest.h"

// Runs the request and says what it did. The output is replaced only by a whole document:
// after a failure (report.failure) or a cancel (report.cancelled) it is as it was. Lines
// left out are logged unless request.options.log is off. Never throws.
ConversionReport ConvertToJson(const ConversionRequest& request);
