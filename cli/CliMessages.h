// Everything corvane-convert says, in one place.
#pragma once

#include <string>

#include "corvane/Version.h"
#include "platform/core/Formatted.h"

namespace cli {

constexpr const char* kProgram = "corvane-convert";
constexpr const char* kVersion = CORVANE_VERSION;

constexpr const char* kUsage =
    "Usage: corvane-convert [options] SOURCE OUTPUT\n"
    "       corvane-convert [options] SOURCE... -o FOLDER\n"
    "\n"
    "Converts the delimited text file SOURCE (header line of column names, one row per\n"
    "line) into one JSON array of objects, or the same rows as JSON Lines (one object a\n"
    "line), BSON or MongoDB Extended JSON, written to OUTPUT.\n"
    "SOURCE - reads standard input; OUTPUT - writes to standard output. An existing\n"
    "OUTPUT file is replaced only when the whole document has been written.\n"
    "A SOURCE compressed with gzip, zstd, bzip2 or xz is read as the text it holds (told\n"
    "by its first bytes, not its name): corvane-convert data.csv.gz data.json\n"
    "An OUTPUT ending in .gz or .zst is written compressed, its format told by the\n"
    "name before: out.jsonl.gz is gzip-compressed JSON Lines.\n"
    "With -o, each SOURCE is written into FOLDER under its name without its\n"
    "extension (and without .gz, .zst, .bz2 or .xz) plus the format's: data.csv.gz\n"
    "gives FOLDER/data.json. One line a source, then a total.\n"
    "\n"
    "Options:\n"
    "  -s, --separator TEXT  \"<tab>\" (or tab, \\t), \",\", \"|\", \";\" or any text\n"
    "                        whose first character separates; guessed from the\n"
    "                        header line when not given (quotes read as --quoted\n"
    "                        says)\n"
    "  -f, --format FORMAT   json, jsonl, bson or ejson (default: jsonl when OUTPUT\n"
    "                        ends in .jsonl or .ndjson, bson when it ends in .bson,\n"
    "                        ejson when it ends in .ejson); ejson is canonical\n"
    "                        Extended JSON, one object a line, typed as in BSON:\n"
    "                        {\"n\": {\"$numberInt\": \"12\"}}\n"
    "      --encoding NAME   read SOURCE in this encoding, any name 'iconv -l' lists,\n"
    "                        e.g. --encoding windows-1251 (or shift_jis, iso-8859-7,\n"
    "                        utf-16le...); bytes it cannot decode become U+FFFD and\n"
    "                        are counted. The default, automatic, reads UTF-16 by its\n"
    "                        byte-order mark or its NUL bytes, else UTF-8, each byte\n"
    "                        that is not UTF-8 by the Windows-1252 table\n"
    "      --quoted          a field that begins with a double quote runs to its\n"
    "                        closing quote, so it may hold separators and line ends;\n"
    "                        \"\" inside is one quote: \"Smith, J.\",\"said \"\"hi\"\"\"\n"
    "                        is the two values Smith, J. and said \"hi\"\n"
    "      --types           give every column the automatic type: the narrowest of\n"
    "                        boolean, integer, number and date that holds each of\n"
    "                        its values in the first 16 MiB, else text; so a ZIP\n"
    "                        code column holding 00501 stays text. A later value\n"
    "                        its column's type can't hold stays text and is counted\n"
    "      --columns FILE    write the columns FILE lists, in its order, and no\n"
    "                        others; FILE is a JSON list such as [{\"name\": \"zip\",\n"
    "                        \"as\": \"postcode\", \"type\": \"text\", \"empty\":\n"
    "                        \"null\", \"keep\": true}], only \"name\" needed\n"
    "      --select A,B      write only the columns A and B, in this order\n"
    "      --rename A=X      write the column A under the name X\n"
    "      --type A=TYPE     write the column A as TYPE: text, automatic, integer,\n"
    "                        number, decimal, boolean or date (ISO 8601: 2024-05-01,\n"
    "                        2024-05-01T10:30:00+02:00; a BSON date)\n"
    "      --empty WHAT      an empty value becomes text (\"\", the default), null, or\n"
    "                        omit (no member)\n"
    "      --nest            dotted names nest: columns a.b and a.c give\n"
    "                        {\"a\": {\"b\": ..., \"c\": ...}}\n"
    "                        Columns are named as written without these options:\n"
    "                        a header's second \"a\" is a_2.\n"
    "      --strict          fail, replacing nothing, when any line is left out\n"
    "      --rejects FILE    write the header line, then every line left out as\n"
    "                        the source holds it (UTF-8 for a UTF-16 source or one\n"
    "                        read with --encoding), to FILE, to mend and convert\n"
    "                        again; FILE is replaced only with OUTPUT\n"
    "      --report FILE     write what the conversion did to FILE as one JSON\n"
    "                        document (encoding, separator, rows, the lines left\n"
    "                        out and why, names renamed, time), also when it fails\n"
    "      --skip-lines N    skip N lines before the header line (a title or a note\n"
    "                        such as \"# exported 2024\"); line numbers in messages\n"
    "                        still count them\n"
    "      --no-header       the first line is a row, not names: the columns are\n"
    "                        named column1, column2, ...; a,b then 1,2 give\n"
    "                        {\"column1\":\"a\",\"column2\":\"b\"} and the same for 1,2\n"
    "  -n, --limit N         read at most N data lines\n"
    "      --max-line-bytes N\n"
    "                        fail on a line longer than N bytes (K, M, G: KiB, MiB,\n"
    "                        GiB; default 256M)\n"
    "  -o, --output-folder FOLDER\n"
    "                        convert every SOURCE into FOLDER (made when missing)\n"
    "  -j, --jobs N          with -o, convert N sources at a time (default: one a\n"
    "                        processor core)\n"
    "      --threads N       convert on N threads, reading and writing among them, a\n"
    "                        large SOURCE in blocks (default: one a processor core;\n"
    "                        one a source with -o)\n"
    "      --compress METHOD gz, zst or none: compress the outputs with gzip or\n"
    "                        zstd (default: as OUTPUT's name says; none with -o)\n"
    "  -q, --quiet           print nothing but errors\n"
    "  -h, --help            show this help\n"
    "      --version         show the version\n"
    "\n"
    "Exit status: 0 when the document was written, 1 when the conversion failed\n"
    "(with -o: when any failed; the others are still written), 2 for a usage error.\n";

constexpr const char* kTryHelp = "Try 'corvane-convert --help'.";

// What a run says on standard error, after "corvane-convert: ". The causes of a failed
// conversion are the engine's own log texts (EngineMessages.h).
constexpr const char* kSeparatorGuessed = "separator guessed from the header line: %s";
// The encoding and why (DescribeEncoding), and what could not be decoded.
constexpr const char* kEncodingUsed = "encoding: %s";
// The --encoding value that stands for the automatic choice.
constexpr const char* kAutomaticEncoding = "automatic";
constexpr const char* kCouldNotConvert = "could not convert: %s";
constexpr const char* kStandardInputName = "standard input";
constexpr const char* kStandardOutput = "/dev/stdout";
constexpr const char* kStandardOutputName = "standard output";
// A standard stream the program was started without.
constexpr const char* kClosedStream = "%s: Bad file descriptor";
constexpr const char* kLineTooLongHint = " (--max-line-bytes sets the limit)";
constexpr const char* kSummary = "%lld rows written, %lld lines left out";
// After the sources converted into a folder, each told on its own line.
constexpr const char* kBatchTotal = "%lld of %lld sources written, %lld rows in all";
constexpr const char* kSummaryOldMacLineEnds =
    "; lines end with carriage returns alone, as in an old Mac file";
constexpr const char* kSummaryLogHint =
    " (their field count differs from the header's; the log lists them: %s)";
// The same when the log could not be written.
constexpr const char* kSummaryNoLog =
    " (their field count differs from the header's; the log could not be written: %s)";
// The same with --quoted, where a malformed quote leaves a record out too.
constexpr const char* kSummaryLogHintQuoted =
    " (their field count differs from the header's or a quote is malformed; the log lists "
    "them: %s)";
// Where the lines left out were kept: how many, and the file.
constexpr const char* kRejectsKept = "%lld lines left out kept in %s";
constexpr const char* kNoRejects = "no lines left out: %s holds the header line only";
constexpr const char* kNoRejectsNoHeader = "no lines left out: %s is empty";
constexpr const char* kReportWritten = "report written to %s";
// An existing output written over in place (its name as given).
constexpr const char* kWrittenInPlace =
    "%s was written in place once the whole document was ready, since replacing it would "
    "split its hard links or its folder or mount does not allow it";

// Usage errors; %s is the option as given.
constexpr const char* kNeedsSeparator = "option %s needs a separator text";
constexpr const char* kTakesFormat = "option %s takes json, jsonl, bson or ejson";
constexpr const char* kTakesByteCount =
    "option %s takes a number of bytes, 1 or more, with K, M or G after it if wanted";
constexpr const char* kTakesLimit = "option %s takes a whole number of lines, 0 or more";
constexpr const char* kNeedsFile = "option %s needs a file name";
constexpr const char* kNeedsEncoding = "option %s needs an encoding name";
// %s is the name as given.
constexpr const char* kUnknownEncoding =
    "unknown encoding '%s' (names that 'iconv -l' lists are known)";
constexpr const char* kTakesNoValue = "option %s takes no value";
constexpr const char* kUnknownOption = "unknown option %s";
constexpr const char* kOneOutputOnly =
    "--rejects and --report take one SOURCE and OUTPUT, not -o FOLDER";
constexpr const char* kSameFiles = "OUTPUT, --rejects and --report need files of their own";
constexpr const char* kExpectedFiles = "expected SOURCE and OUTPUT";
constexpr const char* kExpectedSources = "expected one SOURCE or more with -o FOLDER";
constexpr const char* kNoStandardInputInFolder =
    "standard input (-) has no name to give its output in FOLDER";
constexpr const char* kNeedsFolder = "option %s needs a folder";
constexpr const char* kTakesJobs = "option %s takes a number of conversions from 1 to %ld";
constexpr const char* kTakesThreads = "option %s takes a number of threads from 1 to %ld";
constexpr const char* kJobsNeedFolder = "option -j runs several sources into -o FOLDER";
constexpr const char* kTakesCompression = "option %s takes gz, zst or none";
constexpr const char* kTakesNames = "option %s takes column names separated by commas: a,b";
constexpr const char* kTakesRename = "option %s takes a column name, '=' and its new name: a=x";
constexpr const char* kTakesType =
    "option %s takes a column name, '=' and a type: a=integer (types: text, automatic, "
    "integer, number, decimal, boolean, date)";
constexpr const char* kTakesEmpty = "option %s takes text, null or omit";
constexpr const char* kColumnsOrSelect = "--columns and --select both choose the columns: give one";
// A recipe file that can't be used: the file and why.
constexpr const char* kBadRecipe = "--columns %s: %s";

// The progress line on a terminal.
constexpr const char* kProgressOfTotal = "\r%3.0f%% of the source read, %.1f MB/s ";
constexpr const char* kProgressBytes = "\r%.1f MB read, %.1f MB/s ";

// Fills a format of this file.
template <typename... Args>
std::string Text(const char* format, Args... args) {
  return Formatted(format, args...);
}

}  // namespace cli
