// corvane-convert: the command-line front end of the conversion engine.
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <csignal>
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "cli/Batch.h"
#include "cli/CliMessages.h"
#include "cli/Options.h"
#include "cli/Progress.h"
#include "cli/Request.h"
#include "cli/StandardStreams.h"
#include "engine/conversion/ConvertToJson.h"
#include "engine/conversion/RowLoop.h"
#include "libs/suppcore/Log.h"
#include "platform/core/AtomicOutput.h"
#include "platform/core/ControlEscapes.h"

namespace {

enum ExitStatus { kWritten = 0, kFailed = 1, kUsage = 2 };

// One line a message; the control characters a file name may hold are shown escaped, so
// that a name can't drive the terminal.
void Say(const std::string& text) {
  std::fprintf(stderr, "%s: %s\n", cli::kProgram, EscapeControls(text).c_str());
}

// Says why the conversion failed: the file and the reason. The output is as it was.
int Failed(const std::string& reason) {
  Say(cli::Text(cli::kCouldNotConvert, reason.c_str()));
  return kFailed;
}

// What a failure says: the file and the reason, standard output named as such.
std::string FailureText(const ConversionFailure& failure, const cli::Options& options) {
  std::string text = failure.file.ToUtf8() == cli::kStandardOutput && options.output == "-"
                         ? std::string(cli::kStandardOutputName) + ": " + failure.reason.ToUtf8()
                         : failure.Text().ToUtf8();
  if (failure.kind == ConversionFailure::Kind::LineTooLong)
    text += cli::kLineTooLongHint;
  return text;
}

// The summary of a written document: rows and lines left out, and where those are listed.
std::string Summary(const ConversionReport& report, const cli::Options& options) {
  std::string summary = cli::Text(cli::kSummary, static_cast<long long>(report.rowsWritten),
                                  static_cast<long long>(report.linesLeftOut));
  if (report.linesLeftOut > 0) {
    const char* hint = !report.logWritten ? cli::kSummaryNoLog
                       : options.quoted   ? cli::kSummaryLogHintQuoted
                                          : cli::kSummaryLogHint;
    summary += cli::Text(hint, CLog::GetLogPath().ToUtf8().c_str());
  }
  if (report.oldMacLineEnds)
    summary += cli::kSummaryOldMacLineEnds;
  return summary;
}

// The encoding the source was read in, and the bytes it could not decode.
std::string EncodingText(const ConversionReport& report) {
  std::string encoding = DescribeEncoding(report.encoding).ToUtf8();
  if (const CString undecodable = UndecodableText(report.encoding); !undecodable.IsEmpty())
    encoding += "; " + undecodable.ToUtf8();
  return cli::Text(cli::kEncodingUsed, encoding.c_str());
}

int Run(const cli::Options& options, const cli::ClosedStreams& closed) {
  // A stream the program was started without is no file to read or write.
  if (options.source == "-" && closed.input)
    return Failed(cli::Text(cli::kClosedStream, cli::kStandardInputName));
  if (options.output == "-" && closed.output)
    return Failed(cli::Text(cli::kClosedStream, cli::kStandardOutputName));
  cli::ProgressLine progress(!options.quiet && isatty(STDERR_FILENO) &&
                             !cli::WritesTheTerminalOfStandardError(options.output));
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
    // The columns asked for are not the source's: the command line is at fault.
    if (failure->kind == ConversionFailure::Kind::ColumnsMismatch) {
      Failed(FailureText(*failure, options));
      std::fprintf(stderr, "%s\n", cli::kTryHelp);
      return kUsage;
    }
    return Failed(FailureText(*failure, options));
  }
  if (!options.quiet && !options.separator)
    Say(cli::Text(cli::kSeparatorGuessed, report.separatorText.ToUtf8().c_str()));
  if (!options.quiet) {
    Say(EncodingText(report));
    Say(Summary(report, options));
    if (!options.rejects.empty())
      Say(report.linesLeftOut > 0
              ? cli::Text(cli::kRejectsKept, static_cast<long long>(report.linesLeftOut),
                          options.rejects.c_str())
              : cli::Text(options.headerLine ? cli::kNoRejects : cli::kNoRejectsNoHeader,
                          options.rejects.c_str()));
    if (!options.report.empty())
      Say(cli::Text(cli::kReportWritten, options.report.c_str()));
    if (report.columnsRenamed > 0)
      Say(RenamedColumnsText(report.columnsRenamed, report.renamedColumns).ToUtf8());
    if (report.valuesLeftAsText > 0)
      Say(LeftAsTextText(report).ToUtf8());
    if (report.writtenInPlace)
      Say(cli::Text(cli::kWrittenInPlace, options.output.c_str()));
  }
  return kWritten;
}

// The folder the outputs go to, made when missing; false after saying why it cannot be.
bool MakeOutputFolder(const std::string& folder) {
  if (mkdir(folder.c_str(), 0777) == 0 || errno == EEXIST)
    return true;
  Failed(folder + ": " + std::strerror(errno));
  return false;
}

// How one source of several ended, each line after its name.
void TellOne(const BatchItem& item, const ConversionReport& report, const cli::Options& options) {
  const std::string name = item.source.ToUtf8() + ": ";
  if (const auto& failure = report.failure) {
    Say(name + cli::Text(cli::kCouldNotConvert, FailureText(*failure, options).c_str()));
    return;
  }
  if (options.quiet)
    return;
  Say(name + Summary(report, options) + "; " + EncodingText(report));
  if (report.columnsRenamed > 0)
    Say(name + RenamedColumnsText(report.columnsRenamed, report.renamedColumns).ToUtf8());
  if (report.valuesLeftAsText > 0)
    Say(name + LeftAsTextText(report).ToUtf8());
  if (report.writtenInPlace)
    Say(name + cli::Text(cli::kWrittenInPlace, item.output.ToUtf8().c_str()));
}

// Every source into the folder: a line for each, in the sources' order, and a total. A
// failed source leaves its earlier output and the others go on.
int RunIntoFolder(const cli::Options& options) {
  const BatchPlan plan = cli::PlanBatch(options);
  if (!plan.clash.IsEmpty()) {
    Say(plan.clash.ToUtf8());
    std::fprintf(stderr, "%s\n", cli::kTryHelp);
    return kUsage;
  }
  if (!MakeOutputFolder(options.outputFolder))
    return kFailed;
  cli::ProgressLine progress(!options.quiet && isatty(STDERR_FILENO));
  std::size_t failed = 0;
  long long rows = 0;
  cli::RunBatch(options, plan.items, progress,
                [&](std::size_t item, const ConversionReport& report) {
                  if (report.failure)
                    ++failed;
                  else
                    rows += static_cast<long long>(report.rowsWritten);
                  progress.Clear();  // redrawn at the next update, under the line
                  TellOne(plan.items[item], report, options);
                });
  progress.Clear();
  if (!options.quiet)
    Say(cli::Text(cli::kBatchTotal, static_cast<long long>(plan.items.size() - failed),
                  static_cast<long long>(plan.items.size()), rows));
  return failed > 0 ? kFailed : kWritten;
}

}  // namespace

int main(int argc, char** argv) {
  const cli::ClosedStreams closed = cli::GuardStandardStreams();
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
  if (!parsed.options.outputFolder.empty())
    return RunIntoFolder(parsed.options);
  return Run(parsed.options, closed);
}
