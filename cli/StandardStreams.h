// The standard streams as the program found them.
#pragma once

#include <string>

namespace cli {

struct ClosedStreams {
  bool input = false;
  bool output = false;
};

// Opens /dev/null on each of standard input, output and error that the program was
// started without, so that no file it opens later takes their numbers: a source opened as
// descriptor 1 would be written to as standard output. Says which were closed.
ClosedStreams GuardStandardStreams();

// Whether writing path ("-": standard output) writes the terminal that standard error
// is, where a progress line would land inside the document.
bool WritesTheTerminalOfStandardError(const std::string& path);

}  // namespace cli
