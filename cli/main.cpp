// corvane-convert: the command-line front end of the conversion engine.
#include <unistd.h>

#include <cerrno>
#include <csignal>
#include <cstdio>
#include <new>
#include <stdexcept>
#include <string>
#include <vector>

#include "cli/CliMessages.h"
#include "cli/Options.h"
#include "cli/Progress.h"
#include "engine/EngineMessages.h"
#include "engine/conversion/ConversionFailure.h"
#include "engine/conversion/ConvertToJson.h"
#include "libs/suppcore/Log.h"
#include "platform/core/AtomicOutput.h"
#include "platform/core/File.h"
#include "platform/core/Utf8.h"

namespace {

enum ExitStatus { kWritten = 0, kFailed = 1, kUsage = 2 };

// Standard output is written through its descriptor, so that '>>' appends and a pipe
// streams.
constexpr const char* kStandardOutput = "/dev/stdout";

void Say(const std::string& text) {
  std::fprintf(stderr, "%s: %s\n", cli::kProgram, text.c_str());
}

// Says why the conversion failed: the file and the reason. The output is as it was.
int Failed(const std::string& reason) {
  Say(cli::Text(cli::kCouldNotConvert, reason.c_str()));
  return kFailed;
}

int Run(const cli::Options& options) {
  const bool toStdout = options.output == "-";
  ConversionOptions conversion;
  conversion.standardInput = options.source == "-";
  conversion.guessSeparator = !options.separator;
  conversion.maxLineBytes = options.maxLineBytes;
  conversion.jsonLines = options.jsonLines;
  conversion.quoted = options.quoted;
  conversion.typedValues = options.typedValues;
  const CString source = conversion.standardInput ? CString::FromUtf8(cli::kStandardInputName)
                                                  : CString::FromUtf8(options.source);
  const CString output = CString::FromUtf8(toStdout ? kStandardOutput : options.output);
  // The separator is typed as bytes, like the source's own text: decoded the same way.
  const CString separator =
      options.separator ? utf8::DecodeLikeSource(*options.separator) : CString();

  ConversionReport report;
  cli::ProgressLine progress(!options.quiet && isatty(STDERR_FILENO));
  report.progress = [&](std::uint64_t bytesRead) { progress.Update(bytesRead, report.sourceSize); };

  try {
    ConvertToJson(source, separator, output, options.limit, options.bson ? 1 : 0, report,
                  conversion);
  } catch (const CFileException& error) {
    progress.Clear();
    if (toStdout && error.m_lOsError == EPIPE)
      return kWritten;  // the reader went away
    return Failed(error.GetErrorMessage().ToUtf8());
  } catch (const CLineTooLong&) {
    progress.Clear();
    return Failed(DescribeFailure(std::current_exception(), source).ToUtf8() +
                  cli::kLineTooLongHint);
  } catch (...) {
    progress.Clear();
    return Failed(DescribeFailure(std::current_exception(), source).ToUtf8());
  }
  progress.Clear();

  if (report.status != ConversionReport::Status::Converted)
    return Failed(report.failure.ToUtf8());
  if (!options.quiet && conversion.guessSeparator)
    Say(cli::Text(cli::kSeparatorGuessed, report.separatorText.ToUtf8().c_str()));
  if (!options.quiet) {
    std::string summary = cli::Text(cli::kSummary, static_cast<long long>(report.rowsWritten),
                                    static_cast<long long>(report.linesLeftOut));
    if (report.linesLeftOut > 0)
      summary += cli::Text(options.quoted ? cli::kSummaryLogHintQuoted : cli::kSummaryLogHint,
                           CLog::GetLogPath().ToUtf8().c_str());
    Say(summary);
  }
  return kWritten;
}

}  // namespace

int main(int argc, char** argv) {
  // A closed pipe shows up as EPIPE from write, which ends the run quietly.
  std::signal(SIGPIPE, SIG_IGN);
  // Ctrl-C, a closed terminal or kill leave the earlier output as it was.
  RemovePendingOutputsOnSignals();
  // Past the file size limit a write fails with its reason instead of ending the run.
  IgnoreFileSizeSignal();

  cli::ParseResult parsed = cli::ParseOptions(std::vector<std::string>(argv + 1, argv + argc));
  if (!parsed.error.empty()) {
    Say(parsed.error);
    std::fprintf(stderr, "%s\n", cli::kTryHelp);
    return kUsage;
  }
  if (parsed.options.help) {
    std::fputs(cli::kUsage, stdout);
    return kWritten;
  }
  if (parsed.options.version) {
    std::printf("%s %s\n", cli::kProgram, cli::kVersion);
    return kWritten;
  }
  return Run(parsed.options);
}
