// The conversion request most engine tests start from: a source written to in.csv in a
// test's directory, converted at a comma into out there as JSON, without the log.
#pragma once

#include <string>

#include "engine/conversion/ConvertToJson.h"
#include "tests/platform/TempDir.h"

inline ConversionRequest RequestIn(const TempDir& dir, const std::string& source,
                                   OutputFormat format = OutputFormat::Json) {
  ConversionRequest request;
  request.source = CString::FromUtf8(dir.Write("in.csv", source));
  request.separator = CString(u",");
  request.output = dir.WFile("out");
  request.format = format;
  request.options.log = false;
  return request;
}
