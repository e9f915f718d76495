// Everything corvane-convert says, in one place.
#pragma once

#include "corvane/Version.h"

namespace cli {

constexpr const char* kProgram = "corvane-convert";
constexpr const char* kVersion = CORVANE_VERSION;

constexpr const char* kUsage =
    "Usage: corvane-convert [options] SOURCE OUTPUT\n"
    "\n"
    "Converts the delimited text file SOURCE (header line of column names, one row per\n"
    "line) into one JSON array of objects, or the same rows as BSON, written to OUTPUT.\n"
    "OUTPUT - writes to standard output.\n"
    "\n"
    "Options:\n"
    "  -s, --separator TEXT  \"<tab>\", \",\", \"|\" or any text whose first character\n"
    "                        separates; guessed from the header line when not given\n"
    "  -f, --format FORMAT   json or bson (default: bson when OUTPUT ends in .bson)\n"
    "  -n, --limit N         read at most N data lines\n"
    "  -q, --quiet           print nothing but errors\n"
    "  -h, --help            show this help\n"
    "      --version         show the version\n"
    "\n"
    "Exit status: 0 when the document was written, 1 when the conversion failed,\n"
    "2 for a usage error.\n";

constexpr const char* kTryHelp = "Try 'corvane-convert --help'.";

// Causes of a failed conversion, as the log has them.
constexpr const char* kSourceOpenFailed = "Could not open '%s' for read.";
constexpr const char* kNoHeader = "Could not read column list";
constexpr const char* kOutputOpenFailed = "Could not open or create destination file '%s'";

}  // namespace cli
