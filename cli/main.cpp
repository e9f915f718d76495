// corvane-convert: the command-line front end of the conversion engine.
#include <unistd.h>

#include <cerrno>
#include <csignal>
#include <cstdio>
#include <string>
#include <vector>

#include "cli/CliMessages.h"
#include "cli/Options.h"
#include "cli/Progress.h"
#include "cli/Request.h"
#include "engine/conversion/ConvertToJson.h"
#include "libs/suppcore/Log.h"
#include "platform/core/AtomicOutput.h"

namespace {

enum ExitStatus { kWritten = 0, kFailed = 1, kUsage = 2 };

void Say(const std::string& text) {
  std::fprintf(stderr, "%s: %s\n", cli::kProgram, text.c_str());
}

// Says why the conversion failed: the file and the reason. The output is as it was.
int Failed(const std::string& reason) {
  Say(cli::Text(cli::kCouldNotConvert, reason.c_str()));
  return kFailed;
}

int Run(const cli::Options& options) {
  cli::ProgressLine progress(!options.quiet && isatty(STDERR_FILENO));
  const ConversionReport report =
      ConvertToJson(cli::RequestFor(options, [&](std::uint64_t bytesRead, std::uint64_t total) {
        progress.Update(bytesRead, total);
        return true;
      }));
  progress.Clear();

  if (const auto& failure = report.failure) {
    if (failure->kind == ConversionFailure::Kind::FileError && failure->osError == EPIPE &&
        options.output == "-")
      return kWritten;  // the reader went away
    std::string text = failure->Text().ToUtf8();
    if (failure->kind == ConversionFailure::Kind::LineTooLong)
      text += cli::kLineTooLongHint;
    return Failed(text);
  }
  if (!options.quiet && !options.separator)
    Say(cli::Text(cli::kSeparatorGuessed, report.separatorText.ToUtf8().c_str()));
  if (!options.quiet) {
    std::string encoding = DescribeEncoding(report.encoding).ToUtf8();
    if (const CString undecodable = UndecodableText(report.encoding); !undecodable.IsEmpty())
      encoding += "; " + undecodable.ToUtf8();
    Say(cli::Text(cli::kEncodingUsed, encoding.c_str()));
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
