#include "cli/Request.h"

#include <utility>

#include "cli/CliMessages.h"
#include "platform/core/Utf8.h"

namespace cli {
namespace {

// One a core by default; sources converted several at a time share the cores already.
unsigned ThreadsFor(const Options& options) {
  if (options.threads > 0)
    return static_cast<unsigned>(options.threads);
  if (!options.sources.empty())
    return 1;
  return OneThreadACore();
}

}  // namespace

ConversionRequest RequestFor(const Options& options, ConversionProgress progress) {
  ConversionRequest request;
  const bool fromStdin = options.source == "-";
  request.source = CString::FromUtf8(fromStdin ? kStandardInputName : options.source);
  // Standard output is written through its descriptor, so that '>>' appends and a pipe
  // streams.
  request.output = CString::FromUtf8(options.output == "-" ? kStandardOutput : options.output);
  // The separator is typed as bytes, like the source's own text: decoded the same way.
  if (options.separator)
    request.separator = utf8::DecodeLikeSource(*options.separator);
  request.format = options.format;
  request.compression = options.compression;
  if (!options.report.empty())
    request.reportFile = CString::FromUtf8(options.report);
  if (!options.rejects.empty())
    request.rejects = CString::FromUtf8(options.rejects);
  request.rowLimit = options.limit;
  request.options.encoding = options.encoding;
  request.options.quoted = options.quoted;
  request.options.typedValues = options.typedValues;
  request.options.columns = options.columns.recipe;
  request.options.strict = options.strict;
  request.options.skipLines = options.skipLines;
  request.options.headerLine = options.headerLine;
  request.options.maxLineBytes = options.maxLineBytes;
  request.options.threads = ThreadsFor(options);
  request.options.access = fromStdin ? CDelimitedTextReader::Access::StandardInput
                                     : CDelimitedTextReader::Access::AnySource;
  request.progress = std::move(progress);
  return request;
}

}  // namespace cli
