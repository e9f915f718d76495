// Runs the real corvane-convert binary, through the shell, in a fresh directory per test.
#include <gtest/gtest.h>
#include <sys/wait.h>

#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <nlohmann/json.hpp>
#include <sstream>
#include <string>

namespace fs = std::filesystem;

namespace {

void WriteFile(const fs::path& path, const std::string& bytes) {
  std::ofstream(path, std::ios::binary) << bytes;
}

struct Result {
  int status = -1;
  std::string out;
  std::string err;
};

const char kCities[] = "city,country\nZürich,CH\nKraków,PL\n";
const char kCitiesJson[] = R"([{"city":"Zürich","country":"CH"},{"city":"Kraków","country":"PL"}])";

// The output as JSON: the text parsed, or for BSON its documents, one after another, as an
// array.
nlohmann::json Document(const std::string& bytes, bool bson) {
  if (!bson)
    return nlohmann::json::parse(bytes);
  nlohmann::json rows = nlohmann::json::array();
  for (uint32_t at = 0, length = 0; at < bytes.size(); at += length) {
    std::memcpy(&length, bytes.data() + at, std::min<size_t>(4, bytes.size() - at));
    rows.push_back(nlohmann::json::from_bson(bytes.substr(at, length)));
  }
  return rows;
}

class CliTest : public ::testing::Test {
 protected:
  void SetUp() override {
    char pattern[] = "/tmp/corvane-cli-XXXXXX";
    ASSERT_NE(mkdtemp(pattern), nullptr);
    m_dir = pattern;
  }
  void TearDown() override { fs::remove_all(m_dir); }

  // Runs the binary with args, shell words that may hold redirections and pipes, in the
  // test directory with a bare environment; "$D" in its output stands for the directory.
  // before: shell commands run first, in the same shell.
  Result Run(const std::string& args, const std::string& before = "") {
    WriteFile(Path("run.sh"),
              "exec >.stdout 2>.stderr\n" + before + "\n" + CORVANE_CONVERT + " " + args);
    const std::string dir = m_dir.string();
    const int status = std::system(("cd " + dir + " && env -i XDG_STATE_HOME=" + dir +
                                    "/state HOME=" + dir + " PATH=/usr/bin:/bin bash run.sh")
                                       .c_str());
    std::string err = Read(".stderr");
    for (size_t at; (at = err.find(dir)) != std::string::npos;)
      err.replace(at, dir.size(), "$D");
    return {WIFEXITED(status) ? WEXITSTATUS(status) : -1, Read(".stdout"), err};
  }
  std::string Read(const std::string& name) const {
    std::stringstream bytes;
    bytes << std::ifstream(Path(name), std::ios::binary).rdbuf();
    return bytes.str();
  }
  fs::path Path(const std::string& name) const { return m_dir / name; }

  fs::path m_dir;
};

// Megabytes of rows: more output than a pipe holds.
const std::string kBig = [] {
  std::string text = "a,b\n";
  for (int i = 0; i < 200000; ++i)
    text += "value,other value\n";
  return text;
}();

struct CliCase {
  const char* name;
  const char* source;  // in.csv
  const char* args;
  int status;
  std::string err;               // all of standard error, each line without the program's name
  const char* output = nullptr;  // the file holding the document, "-" for standard output
  const char* json = nullptr;    // the rows it must hold
};

class CliCases : public CliTest, public ::testing::WithParamInterface<CliCase> {};

// The source and an unrelated output never change, whatever the outcome.
TEST_P(CliCases, ExitStatusMessagesAndDocument) {
  const CliCase& c = GetParam();
  WriteFile(Path("in.csv"), c.source);
  WriteFile(Path("keep.json"), "precious");
  fs::create_symlink(Path("in.csv"), Path("link.json"));
  fs::create_directory(Path("sub"));
  const Result r = Run(c.args);
  EXPECT_EQ(r.status, c.status);
  std::string err;
  for (size_t from = 0, to; (to = c.err.find('\n', from)) != std::string::npos; from = to + 1)
    err += "corvane-convert: " + c.err.substr(from, to + 1 - from);
  EXPECT_EQ(r.err, err);
  EXPECT_EQ(Read("in.csv"), c.source);
  EXPECT_EQ(Read("keep.json"), "precious");
  if (c.output) {
    const std::string name = c.output;
    EXPECT_EQ(Document(name == "-" ? r.out : Read(name), !name.ends_with("json") && name != "-"),
              nlohmann::json::parse(c.json));
  }
}

const CliCase kCliCases[] = {
    {"GuessComma", kCities, "in.csv out.json", 0,
     "separator guessed from the header line: ,\n2 rows written, 0 lines left out\n", "out.json",
     kCitiesJson},
    {"SeparatorApart", "a;b|c\n1;2|3\n", "-s ';' in.csv out.json", 0,
     "1 rows written, 0 lines left out\n", "out.json", R"([{"a":"1","b|c":"2|3"}])"},
    {"SeparatorWithEquals", "a;b|c\n1;2|3\n", "'--separator=|' in.csv out.json", 0,
     "1 rows written, 0 lines left out\n", "out.json", R"([{"a;b":"1;2","c":"3"}])"},
    {"SeparatorAttached", "a;b|c\n1;2|3\n", "'-s|' in.csv out.json", 0,
     "1 rows written, 0 lines left out\n", "out.json", R"([{"a;b":"1;2","c":"3"}])"},
    {"SeparatorTabWord", "a;b|c\n1;2|3\n", "--separator '<tab>' in.csv out.json", 0,
     "1 rows written, 0 lines left out\n", "out.json", R"([{"a;b|c":"1;2|3"}])"},
    {"SeparatorFirstCharacter", "a;b|c\n1;2|3\n", "-s ';|' in.csv out.json", 0,
     "1 rows written, 0 lines left out\n", "out.json", R"([{"a":"1","b|c":"2|3"}])"},
    {"BsonByExtension", kCities, "-q in.csv out.bson", 0, "", "out.bson", kCitiesJson},
    {"BsonByOption", kCities, "-q -f bson in.csv out.bin", 0, "", "out.bin", kCitiesJson},
    {"StandardOutputAndLimit", kCities, "-q -s , -n 1 in.csv -", 0, "", "-",
     R"([{"city":"Zürich","country":"CH"}])"},
    {"HeaderOnly", "a,b\n", "-s , in.csv out.json", 0, "0 rows written, 0 lines left out\n",
     "out.json", "[]"},
    {"LinesLeftOut", "a,b\n1,2\n3\n4,5,6\n7,8\n", "-s , in.csv out.json", 0,
     "2 rows written, 2 lines left out (their field count differs from the header's; the log "
     "lists them: $D/state/ostrel/corvane.log)\n",
     "out.json", R"([{"a":"1","b":"2"},{"a":"7","b":"8"}])"},
    {"MissingSource", kCities, "-s , missing.csv keep.json", 1,
     "Could not open 'missing.csv' for read.\n"},
    {"NoHeader", "", "-s , in.csv keep.json", 1, "Could not read column list\n"},
    {"OutputIsTheSource", kCities, "-s , in.csv in.csv", 1,
     "Could not open or create destination file 'in.csv'\n"},
    {"OutputLinksToTheSource", kCities, "-s , in.csv link.json", 1,
     "Could not open or create destination file 'link.json'\n"},
    {"OutputReachesTheSource", kCities, "-s , in.csv sub/../in.csv", 1,
     "Could not open or create destination file 'sub/../in.csv'\n"},
    // Standard output is the shell's own descriptor: appending to the source is refused.
    {"StandardOutputAppendedToTheSource", kCities, "-q -s , in.csv - >> in.csv", 1,
     "Could not open or create destination file '-'\n"},
    // A reader that goes away ends the run quietly.
    {"BrokenPipe", kBig.c_str(), "-q -s , in.csv - | head -c 10 >/dev/null; exit ${PIPESTATUS[0]}",
     0, ""},
};
INSTANTIATE_TEST_SUITE_P(Runs, CliCases, ::testing::ValuesIn(kCliCases),
                         [](const auto& info) { return std::string(info.param.name); });

// A device is never removed as a half-written output.
TEST_F(CliTest, WriteErrorIsReported) {
  if (!fs::exists("/dev/full"))
    GTEST_SKIP() << "no /dev/full";
  WriteFile(Path("in.csv"), kCities);
  const Result r = Run("-s , in.csv /dev/full");
  EXPECT_EQ(r.status, 1);
  EXPECT_NE(r.err.find("could not convert: /dev/full: No space left on device\n"),
            std::string::npos)
      << r.err;
  EXPECT_TRUE(fs::exists("/dev/full"));
}

// A regular file that a failed write leaves half-written is removed, and the run fails.
TEST_F(CliTest, HalfWrittenOutputFileIsRemoved) {
  WriteFile(Path("in.csv"), kBig);
  // Past the file size limit a write fails with EFBIG, once the signal is ignored.
  const Result r = Run("-s , in.csv out.json", "trap '' XFSZ; ulimit -f 64");
  EXPECT_EQ(r.status, 1);
  EXPECT_NE(r.err.find("could not convert: "), std::string::npos) << r.err;
  EXPECT_NE(r.err.find("File too large"), std::string::npos) << r.err;
  EXPECT_FALSE(fs::exists(Path("out.json")));
  EXPECT_EQ(Read("in.csv"), kBig);
}

TEST_F(CliTest, GuessesTheSeparatorFromTheHeaderLine) {
  const std::pair<const char*, std::string> kGuesses[] = {
      {"a\tb\tc", "<tab>"}, {"a|b|c", "|"}, {"a;b;c", ";"}, {"a,b;c;d", ";"}, {"abc", "<tab>"}};
  for (const auto& [header, guess] : kGuesses) {
    WriteFile(Path("in.txt"), header + std::string("\n"));
    const Result r = Run("in.txt out.json");
    EXPECT_EQ(r.status, 0) << header;
    EXPECT_EQ(r.err, "corvane-convert: separator guessed from the header line: " + guess +
                         "\ncorvane-convert: 0 rows written, 0 lines left out\n");
  }
}

TEST_F(CliTest, UsageErrorsExitTwo) {
  for (const char* args :
       {"", "only-one", "a b c", "-f xml a b", "-n -3 a b", "-n ten a b", "--bogus a b", "-s"}) {
    const Result r = Run(args);
    EXPECT_EQ(r.status, 2) << args;
    EXPECT_TRUE(r.err.ends_with("\nTry 'corvane-convert --help'.\n")) << r.err;
  }
}

// '>>' appends the document after what the file held.
TEST_F(CliTest, StandardOutputRedirectionAppends) {
  WriteFile(Path("in.csv"), kCities);
  WriteFile(Path("log.json"), "earlier\n");
  EXPECT_EQ(Run("-q -s , in.csv - >> log.json").status, 0);
  const std::string appended = Read("log.json");
  ASSERT_EQ(appended.rfind("earlier\n", 0), 0u);
  EXPECT_EQ(nlohmann::json::parse(appended.substr(8)), nlohmann::json::parse(kCitiesJson));
}

}  // namespace
