// Several sources into one folder (-o FOLDER, -j N), compressed outputs, and the command
// line as a step of GNU parallel: each output holds what a run of its own writes.
#include <gtest/gtest.h>

#include <filesystem>
#include <string>

#include "CliRun.h"
#include "tests/support/NamedCase.h"

namespace fs = std::filesystem;

namespace {

using corvane_test::operator<<;

// Sources of several shapes of name: an extension, another, a compressed one, none.
const char kMakeSources[] =
    "printf 'id,name\\n1,a\\n2,b\\n' >one.csv; printf 'x;y\\n5;6\\n' >two.txt; "
    "seq 30000 | sed 's/$/,v/' | sed '1s/.*/n,v/' >three.csv; gzip three.csv; "
    "printf 'k|v\\n1|2\\n' >four";

struct FolderCase {
  const char* name;
  const char* jobs;        // -j belongs to the folder form only
  const char* options;     // besides the sources, the folder and the jobs
  const char* extension;   // of every output
  const char* decompress;  // a command that writes a file's plain bytes, "cat" for none
};

// Each format and compression is the engine's and the compressor's test; these show that
// the options reach every source's conversion.
const FolderCase kFolderCases[] = {
    {"JsonOneACore", "", "", ".json", "cat"},
    {"BsonTyped", "-j 3", "-f bson --types", ".bson", "cat"},
    {"CompressedJsonLinesMoreJobsThanSources", "--jobs=8", "--compress zst -f jsonl", ".jsonl.zst",
     "zstd -q -dc"},
};

class FolderCases : public CliTest, public ::testing::WithParamInterface<FolderCase> {};

// Each source's output is named after it and holds what converting it alone writes; the
// lines say so in the sources' order.
TEST_P(FolderCases, EachOutputAsASingleRunWritesIt) {
  const FolderCase& c = GetParam();
  const std::pair<std::string, std::string> kSources[] = {
      {"one.csv", "one"}, {"two.txt", "two"}, {"three.csv.gz", "three"}, {"four", "four"}};
  const std::string options = c.options;
  std::string sources, singles;
  for (const auto& [source, name] : kSources) {
    sources += source + " ";
    singles +=
        "; " CORVANE_CONVERT " -q " + options + " " + source + " single-" + name + c.extension;
  }
  const Result r = Run(options + " " + c.jobs + " " + sources + "-o out" + singles, kMakeSources);
  ASSERT_EQ(r.status, 0) << r.err;
  EXPECT_EQ(r.err,
            "corvane-convert: one.csv: 2 rows written, 0 lines left out; encoding: UTF-8\n"
            "corvane-convert: two.txt: 1 rows written, 0 lines left out; encoding: UTF-8\n"
            "corvane-convert: three.csv.gz: 29999 rows written, 0 lines left out; encoding: UTF-8\n"
            "corvane-convert: four: 1 rows written, 0 lines left out; encoding: UTF-8\n"
            "corvane-convert: 4 of 4 sources written, 30003 rows in all\n");
  std::size_t outputs = 0;
  for (const auto& entry : fs::directory_iterator(m_dir.File("out")))
    outputs += entry.is_regular_file();
  EXPECT_EQ(outputs, 4u);
  for (const auto& [source, name] : kSources) {
    const std::string output = "out/" + name + c.extension, single = "single-" + name + c.extension;
    ASSERT_EQ(
        std::system(("cd " + m_dir.Path() + " && " + c.decompress + " " + output + " >" + name +
                     ".plain && " + c.decompress + " " + single + " >" + single + ".plain")
                        .c_str()),
        0)
        << output;
    EXPECT_EQ(Read(name + ".plain"), Read(single + ".plain")) << output;
    EXPECT_FALSE(Read(name + ".plain").empty()) << output;
  }
}

INSTANTIATE_TEST_SUITE_P(Runs, FolderCases, ::testing::ValuesIn(kFolderCases),
                         corvane_test::ByName);

// A source in the middle that fails keeps its earlier output; the ones after it are still
// written, and the status says that one failed.
TEST_F(CliTest, FailureInTheMiddleKeepsItsEarlierOutput) {
  const Result r =
      Run("-s , -j 2 first.csv empty.csv gone.csv last.csv -o out",
          "printf 'a\\n1\\n' >first.csv; : >empty.csv; printf 'a\\n2\\n' >last.csv; mkdir out; "
          "echo precious >out/empty.json; echo precious >out/last.json");
  EXPECT_EQ(r.status, 1);
  EXPECT_EQ(r.err,
            "corvane-convert: first.csv: 1 rows written, 0 lines left out; encoding: UTF-8\n"
            "corvane-convert: empty.csv: could not convert: empty.csv: Could not read column list\n"
            "corvane-convert: gone.csv: could not convert: gone.csv: No such file or directory\n"
            "corvane-convert: last.csv: 1 rows written, 0 lines left out; encoding: UTF-8\n"
            "corvane-convert: 2 of 4 sources written, 2 rows in all\n");
  EXPECT_EQ(Read("out/empty.json"), "precious\n");
  EXPECT_FALSE(fs::exists(m_dir.File("out/gone.json")));
  EXPECT_NE(Read("out/last.json").find("\"2\""), std::string::npos);
  EXPECT_EQ(HiddenFiles(m_dir.File("out")), 0);
}

// A folder that can't be made fails the run before any source is read, with its reason.
TEST_F(CliTest, FolderThatCannotBeMade) {
  const Result r = Run("-q a.csv -o no/such/folder", "printf 'a\\n1\\n' >a.csv");
  EXPECT_EQ(r.status, 1);
  EXPECT_EQ(r.err,
            "corvane-convert: could not convert: no/such/folder: No such file or directory\n");
}

// Two sources that would give one output are refused before anything is converted, or
// the folder made.
TEST_F(CliTest, SameOutputNameRefused) {
  for (const char* args : {"a.csv a.tsv -o out", "x/a.csv y/a.csv.gz -o out/",
                           "a.csv b.csv a.csv -o out", "-f jsonl a.txt a.ndjson -o out"}) {
    const Result r = Run(args, "mkdir x y");
    EXPECT_EQ(r.status, 2) << args;
    EXPECT_NE(r.err.find(" would both be written to out/a.json"), std::string::npos) << r.err;
    EXPECT_FALSE(fs::exists(m_dir.File("out"))) << args;
  }
}

// Ended by a signal while several are under way, every hidden output goes and the earlier
// ones stay.
TEST_F(CliTest, InterruptedRemovesEveryHiddenOutput) {
  const Result r = Run("-q -s , -j 3 f1 f2 f3 -o out & sleep 0.7; kill -TERM $!; wait $!",
                       "mkdir out; for f in f1 f2 f3; do echo precious >out/$f.json; mkfifo $f; "
                       "(yes a,b | head -n 200000; sleep 3) >$f & done");
  EXPECT_EQ(r.status, 143);
  for (const char* name : {"out/f1.json", "out/f2.json", "out/f3.json"})
    EXPECT_TRUE(Read(name) == "precious\n") << name;
  EXPECT_EQ(HiddenFiles(m_dir.File("out")), 0);
}

// One large source split by lines across GNU parallel's jobs, the header repeated for
// each: the pieces' JSON Lines, kept in order, are a single run's.
TEST_F(CliTest, PiecesFromParallelJoinToASingleRun) {
  if (std::system("command -v parallel >/dev/null 2>&1") != 0)
    GTEST_SKIP() << "GNU parallel is not installed (apt package parallel)";
  const Result r =
      Run("-q -s , -f jsonl big.csv single.jsonl; parallel --will-cite --pipepart -a big.csv "
          "--block 100k --header 1 -k " +
              std::string(CORVANE_CONVERT) + " -q -s , -f jsonl - - >pieces.jsonl",
          "seq 60000 | awk '{print $1\",name \"$1\",\"($1%7)}' | sed '1i id,name,group' >big.csv");
  ASSERT_EQ(r.status, 0) << r.err;
  const std::string single = Read("single.jsonl");
  EXPECT_EQ(std::count(single.begin(), single.end(), '\n'), 60000);
  EXPECT_TRUE(Read("pieces.jsonl") == single);
}

}  // namespace
