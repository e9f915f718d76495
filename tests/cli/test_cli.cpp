// Runs the real corvane-convert binary, through the shell, in a fresh directory per test.
#include <gtest/gtest.h>
#include <sys/wait.h>

#include <cstdlib>
#include <filesystem>
#include <string>

#include "../engine/OutputRows.h"
#include "CliRun.h"
#include "tests/support/NamedCase.h"

namespace fs = std::filesystem;

namespace {

using corvane_test::operator<<;

const char kCities[] = "city,country\nZürich,CH\nKraków,PL\n";
const char kCitiesJson[] = R"([{"city":"Zürich","country":"CH"},{"city":"Kraków","country":"PL"}])";

// What a run that converts says: the encoding, then the rows and the lines left out, the
// log pointed to when any were ("lists them", or "could not be written"), and a note.
std::string Written(int rows, int leftOut, const char* note = "", const char* log = "lists them") {
  std::string text = "encoding: UTF-8\n" + std::to_string(rows) + " rows written, " +
                     std::to_string(leftOut) + " lines left out";
  if (leftOut > 0)
    text += std::string(" (their field count differs from the header's; the log ") + log +
            ": $D/state/ostrel/corvane.log)";
  return text + note + "\n";
}

struct CliCase {
  const char* name;
  const char* source;  // in.csv
  const char* args;
  int status;
  std::string err;               // all of standard error, each line without the program's name
  const char* output = nullptr;  // the file holding the document, "-" for standard output
  const char* json = nullptr;    // the rows it must hold
  const char* before = "";       // shell commands run first
};

class CliCases : public CliTest, public ::testing::WithParamInterface<CliCase> {};

// The source and an earlier output never change on failure, a failed run leaves no output,
// and no run leaves a hidden file behind.
TEST_P(CliCases, ExitStatusMessagesAndDocument) {
  const CliCase& c = GetParam();
#ifdef CORVANE_SANITIZED
  if (std::string(c.before).find("ulimit -v") != std::string::npos)
    GTEST_SKIP() << "the address sanitizer needs more address space than the limit leaves";
#endif
  m_dir.Write("in.csv", c.source);
  m_dir.Write("keep.json", "precious");
  const Result r = Run(c.args, c.before);
  EXPECT_EQ(r.status, c.status);
  std::string err;
  for (size_t from = 0, to; (to = c.err.find('\n', from)) != std::string::npos; from = to + 1)
    err += "corvane-convert: " + c.err.substr(from, to + 1 - from);
  EXPECT_EQ(r.err, err);
  EXPECT_EQ(Read("in.csv"), c.source);
  EXPECT_EQ(Read("keep.json"), "precious");
  EXPECT_TRUE(fs::is_symlink("/dev/stdout")) << "the system's link to standard output is never "
                                                "removed as a half-written output";
  EXPECT_EQ(HiddenFiles(m_dir.Path()), 0);
  if (!c.output) {
    EXPECT_FALSE(fs::exists(m_dir.File("out.json")));
    return;
  }
  const std::string name = c.output;
  const std::string bytes = name == "-" ? r.out : Read(name);
  const bool lines = name.ends_with(".jsonl") || name.ends_with(".ndjson") ||
                     std::string(c.args).find("-f jsonl") != std::string::npos;
  const bool typed = std::string(c.args).find("--types") != std::string::npos;
  EXPECT_EQ(lines                                   ? outputrows::JsonLinesRows(bytes, typed)
            : name.ends_with("json") || name == "-" ? outputrows::JsonRows(bytes, typed)
                                                    : outputrows::BsonRows(bytes, typed),
            outputrows::JsonRows(c.json, typed));
}

// Limits the address space to what a conversion of a few bytes takes, found by halving,
// plus 1 MiB: the program starts and opens its files, but a ring of 1 MiB blocks does not
// fit.
#define kLimitBelowARing                                                        \
  "printf 'a,b\\n1,2\\n' >small.csv; mkdir probe; cd probe; lo=0; hi=4000000; " \
  "while [ $((hi - lo)) -gt 32 ]; do mid=$(((lo + hi) / 2)); "                  \
  "if (ulimit -v $mid; exec " CORVANE_CONVERT                                   \
  " -q -s , ../small.csv out.json) 2>/dev/null; "                               \
  "then hi=$mid; else lo=$mid; fi; done; cd ..; rm -r probe; ulimit -v $((hi + 1024))"

const CliCase kCliCases[] = {
    // The options of the table reach the conversion; what each does is the engine's test.
    {"TableOptions", "# exported\n\"x,y\",12\n",
     "-q --skip-lines 1 --no-header --quoted --types -f jsonl in.csv -", 0, "", "-",
     R"([{"column1":"x,y","column2":12}])"},
    {"Rejects", "a,b\n1,2\n3\n", "-s , --rejects bad.txt in.csv out.json", 0,
     Written(1, 1) + "1 lines left out kept in bad.txt\n", "out.json", R"([{"a":"1","b":"2"}])"},
    {"Report", "a,b\n1,2\n", "-s , --report r.json in.csv out.json", 0,
     Written(1, 0) + "report written to r.json\n", "out.json", R"([{"a":"1","b":"2"}])"},
    // Every note of the summary, after the separator guessed.
    {"EveryNote", "a;a\r1;2\r3\r", "in.csv out.json", 0,
     "separator guessed from the header line: ;\n" +
         Written(1, 1, "; lines end with carriage returns alone, as in an old Mac file") +
         "1 repeated column name(s) renamed, since readers of JSON and BSON keep only one of "
         "two equal names: a -> a_2\n",
     "out.json", R"([{"a":"1","a_2":"2"}])"},
    // Standard output is the shell's own descriptor: appending to the source is refused.
    {"StandardOutputAppendedToTheSource", kCities, "-q -s , in.csv - >> in.csv", 1,
     "could not convert: standard output: is the source file\n"},
    {"ClosedStandardOutput", kCities, "-q -s , in.csv - >&-", 1,
     "could not convert: standard output: Bad file descriptor\n"},
    {"Strict", "a,b\n1,2\n3\n", "-q --strict -s , in.csv keep.json", 1,
     "could not convert: in.csv: Line 3 left out: it has 1 field(s), the header has 2; every "
     "line must be converted (--strict)\n"},
    // A log that cannot be written is not pointed to.
    {"LogNotWritable", "a,b\n1\n", "-s , in.csv out.json", 0,
     Written(0, 1, "", "could not be written"), "out.json", "[]", "touch state"},
    // A source that can be read only once, guessed from and converted in one reading.
    {"StandardInputPipe", kCities, "- out.json < <(cat in.csv)", 0,
     "separator guessed from the header line: ,\n" + Written(2, 0), "out.json", kCitiesJson},
    // A chosen encoding, and what it cannot decode counted.
    {"ChosenEncoding", "\xE8\xEC\xFF,\xE3\n\xC0,\x98\n", "-s , --encoding windows-1251 in.csv -", 0,
     "encoding: windows-1251 (chosen); 1 byte(s) could not be decoded and were read as U+FFFD\n"
     "1 rows written, 0 lines left out\n",
     "-", R"([{"имя":"А","г":"\ufffd"}])"},
    // Names and a separator that are not UTF-8 are the user's bytes.
    {"Latin1NamesAndSeparator",
     "a\xA7"
     "b\n1\xA7"
     "2\n",
     "-q -s $'\\xa7' in.csv $'out\\xe9.json'", 0, "", "out\xE9.json", R"([{"a":"1","b":"2"}])"},
    // A read error before the output is opened, without a separator given.
    {"ReadError", kCities, "/proc/self/mem keep.json", 1,
     "could not convert: /proc/self/mem: Input/output error\n"},
    // A reader that goes away ends the run quietly, with more output than a pipe holds.
    {"BrokenPipe", kCities, "-q -s , big.csv - | head -c 10 >/dev/null; exit ${PIPESTATUS[0]}", 0,
     "", nullptr, nullptr, "{ echo a,b; yes 'value,other value' | head -n 200000; } >big.csv"},
    {"FailureOnStandardOutput", kCities, "-s , --max-line-bytes 8 in.csv /dev/stdout", 1,
     "could not convert: in.csv: line 1 is longer than 8 bytes; lines may end with a lone "
     "carriage return (--max-line-bytes sets the limit)\n"},
    // Past the file size limit a write fails with EFBIG, the signal that the limit raises
    // ignored by the program itself: the earlier output stays.
    {"FileSizeLimitKeepsTheEarlierOutput", kCities, "-q -s , big.csv keep.json", 1,
     "could not convert: keep.json: File too large\n", nullptr, nullptr,
     "yes a,b | head -n 100000 >big.csv; ulimit -f 64"},
    // No room for the ring of blocks read ahead (a source of lines left out, so that only
    // the reading side needs one) or written behind (a source read in two blocks): the
    // conversion fails as it would on one thread, the output kept.
    {"OutOfMemoryForReadingAhead", kCities, "-q -s , big.csv keep.json", 1,
     "could not convert: big.csv: not enough memory to convert it\n", nullptr, nullptr,
     "{ echo a,b; yes x | head -n 2000000; } >big.csv; " kLimitBelowARing},
    {"OutOfMemoryForWritingBehind", kCities, "-q -s , big.csv keep.json", 1,
     "could not convert: big.csv: not enough memory to convert it\n", nullptr, nullptr,
     "yes a,b | head -n 500000 >big.csv; " kLimitBelowARing},
    // Memory runs out on a long line: reported like any failure, the output kept.
    {"OutOfMemory", kCities, "-q -s , --max-line-bytes 1G big.csv keep.json", 1,
     "could not convert: big.csv: not enough memory to convert it\n", nullptr, nullptr,
     "{ echo a,b; head -c 150000000 /dev/zero | tr '\\0' x; } >big.csv; ulimit -v 120000"},
    // Memory follows the line, not its number of fields: 2,000,000 empty names and a row
    // of as many values within a fixed 24 MiB (measured: 19 MiB, the reading thread's
    // stack and blocks among them) and 8 bytes a field of address space (measured: 7, the
    // line's text as it grows, the names in the reader and the writer at a byte each, and
    // a window of the row's fields). Fields held a view each, or names an offset each,
    // again run out of it.
    {"ManyFieldsJson", kCities, "-q -s , wide.csv wide.json", 0, "", nullptr, nullptr,
     "for i in 1 2; do head -c 1999999 /dev/zero | tr '\\0' ,; echo; done >wide.csv; "
     "ulimit -v 40200"},
    {"ManyFieldsBson", kCities, "-q -s , wide.csv wide.bson", 0, "", nullptr, nullptr,
     "for i in 1 2; do head -c 1999999 /dev/zero | tr '\\0' ,; echo; done >wide.csv; "
     "ulimit -v 40200"},
    // A file with other hard links keeps them: written over once the document is whole.
    {"HardLinksKept", kCities, "-s , in.csv out.json", 0,
     Written(2, 0) +
         "out.json was written in place once the whole document was ready, since replacing it "
         "would split its hard links or its folder or mount does not allow it\n",
     "other.json", kCitiesJson, "printf '%01000d' 0 >out.json; ln out.json other.json"},
    // Control characters in a name reach the terminal escaped.
    {"EscapesInNames", kCities, "-s , $'in\\e]0;x\\a.csv' out.json", 1,
     "could not convert: in\\x1b]0;x\\x07.csv: No such file or directory\n"},
};
void PrintTo(const CliCase& c, std::ostream* out) {
  *out << c.name << " " << ::testing::PrintToString(std::string(c.source)) << " " << c.args;
}

INSTANTIATE_TEST_SUITE_P(Runs, CliCases, ::testing::ValuesIn(kCliCases), corvane_test::ByName);

TEST_F(CliTest, UsageErrorsExitTwo) {
  for (const char* args : {"",
                           "only-one",
                           "a b c",
                           "-f xml a b",
                           "-n -3 a b",
                           "--bogus a b",
                           "-s",
                           "--types=1 a b",
                           "--skip-lines -1 a b",
                           "--max-line-bytes 0 a b",
                           "--max-line-bytes 99999999999G a b",
                           "--encoding no-such-encoding a b",
                           "-j 0 a -o d",
                           "--jobs 257 a -o d",
                           "-j 2 a b",
                           "--threads 0 a b",
                           "--threads 1025 a b",
                           "-o d",
                           "-o d a -",
                           "-o",
                           "--compress rar a b",
                           "--compress a b c",
                           "--rejects",
                           "--rejects b a b",
                           "--report r --rejects r a b",
                           "--report r a -o d"}) {
    const Result r = Run(args);
    EXPECT_EQ(r.status, 2) << args;
    EXPECT_TRUE(r.err.ends_with("\nTry 'corvane-convert --help'.\n")) << r.err;
  }
  EXPECT_NE(Run("--encoding no-such a b").err.find("'no-such'"), std::string::npos);
}

}  // namespace
