// corvane-convert: the command-line front end of the conversion engine.
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <csignal>
#include <cstdio>
#include <string>
#include <vector>

#include "cli/CliMessages.h"
#include "cli/Options.h"
#include "cli/Progress.h"
#include "engine/ConvertToJson.h"
#include "engine/EngineMessages.h"
#include "engine/SeparatorGuess.h"
#include "libs/suppcore/Log.h"
#include "platform/core/File.h"

namespace {

enum ExitStatus { kWritten = 0, kFailed = 1, kUsage = 2 };

// Standard output is written through its descriptor, so that '>>' appends and a pipe
// streams.
constexpr const char* kStandardOutput = "/dev/fd/1";

void Say(const std::string& text) {
  std::fprintf(stderr, "%s: %s\n", cli::kProgram, text.c_str());
}

// The engine's log text for a failed conversion, as the command line says it.
std::string FailureCause(const ConversionReport& report, LPCWSTR source, LPCWSTR output) {
  CString text;
  switch (report.status) {
    case ConversionReport::Status::SourceOpenFailed:
      text.Format(EngineMessages::kSourceOpenFailed, source);
      break;
    case ConversionReport::Status::NoHeader:
      text = EngineMessages::kNoColumnList;
      break;
    case ConversionReport::Status::OutputOpenFailed:
      text.Format(EngineMessages::kDestinationOpenFailed, output);
      break;
    case ConversionReport::Status::Converted:
      break;
  }
  return text.ToUtf8();
}

// Removes a half-written output, but never a device or anything else that is not a file
// of its own (root may be converting into /dev/full).
void RemoveIfRegularFile(const std::string& path) {
  struct stat info;
  if (stat(path.c_str(), &info) == 0 && S_ISREG(info.st_mode))
    unlink(path.c_str());
}

std::uint64_t SourceSize(LPCWSTR path) {
  CFile file;
  if (!file.Open(path, CFile::modeRead | CFile::shareDenyNone))
    return 0;
  return file.GetLength();
}

int Run(const cli::Options& options) {
  const bool toStdout = options.output == "-";
  CString source = CString::FromUtf8(options.source);
  CString output = CString::FromUtf8(toStdout ? kStandardOutput : options.output);

  CString separator;
  if (options.separator) {
    separator = CString::FromUtf8(*options.separator);
  } else {
    separator = GuessSeparator(source);
    if (!options.quiet)
      Say(cli::Text(cli::kSeparatorGuessed, separator.ToUtf8().c_str()));
  }

  ConversionReport report;
  cli::ProgressLine progress(SourceSize(source), !options.quiet && isatty(STDERR_FILENO));
  report.progress = [&progress](std::uint64_t bytesRead) { progress.Update(bytesRead); };

  try {
    ConvertToJson(source, separator, output, options.limit, options.bson ? 1 : 0, report);
  } catch (const CFileException& error) {
    progress.Clear();
    if (toStdout && error.m_lOsError == EPIPE)
      return kWritten;  // the reader went away
    // The document is incomplete: it must not pose as a result.
    if (!toStdout)
      RemoveIfRegularFile(options.output);
    Say(cli::Text(cli::kCouldNotConvert, error.GetErrorMessage().ToUtf8().c_str()));
    if (!toStdout)
      Say(cli::Text(cli::kNoOutputLeft, options.output.c_str()));
    return kFailed;
  }
  progress.Clear();

  if (report.status != ConversionReport::Status::Converted) {
    Say(FailureCause(report, source, CString::FromUtf8(options.output)));
    return kFailed;
  }
  if (!options.quiet) {
    std::string summary = cli::Text(cli::kSummary, static_cast<long long>(report.rowsWritten),
                                    static_cast<long long>(report.linesLeftOut));
    if (report.linesLeftOut > 0)
      summary += cli::Text(cli::kSummaryLogHint, CLog::GetLogPath().ToUtf8().c_str());
    Say(summary);
  }
  return kWritten;
}

}  // namespace

int main(int argc, char** argv) {
  // A closed pipe shows up as EPIPE from write, which ends the run quietly.
  std::signal(SIGPIPE, SIG_IGN);

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
