// Runs the real corvane-convert binary in a fresh directory per test.
#include <bson/bson.h>
#include <fcntl.h>
#include <gtest/gtest.h>
#include <spawn.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <nlohmann/json.hpp>
#include <sstream>
#include <string>
#include <vector>

extern char** environ;

namespace fs = std::filesystem;

namespace {

struct Result {
  int status = -1;
  std::string out;
  std::string err;
};

std::string ReadFile(const fs::path& path) {
  std::ifstream in(path, std::ios::binary);
  std::stringstream text;
  text << in.rdbuf();
  return text.str();
}

void WriteFile(const fs::path& path, const std::string& bytes) {
  std::ofstream(path, std::ios::binary) << bytes;
}

class CliTest : public ::testing::Test {
 protected:
  void SetUp() override {
    char pattern[] = "/tmp/corvane-cli-XXXXXX";
    ASSERT_NE(mkdtemp(pattern), nullptr);
    m_dir = pattern;
    fs::create_directories(m_dir / "state");
  }
  void TearDown() override { fs::remove_all(m_dir); }

  // Runs the binary with args in the test directory; stdout and stderr go to files.
  Result Run(std::vector<std::string> args) {
    std::vector<std::string> env = {"XDG_STATE_HOME=" + (m_dir / "state").string(),
                                    "HOME=" + m_dir.string(), "PATH=/usr/bin:/bin"};
    args.insert(args.begin(), CORVANE_CONVERT);
    std::vector<char*> argv, envp;
    for (auto& a : args)
      argv.push_back(a.data());
    argv.push_back(nullptr);
    for (auto& e : env)
      envp.push_back(e.data());
    envp.push_back(nullptr);

    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    std::string outPath = (m_dir / ".stdout").string(), errPath = (m_dir / ".stderr").string();
    posix_spawn_file_actions_addopen(&actions, 1, outPath.c_str(), O_WRONLY | O_CREAT | O_TRUNC,
                                     0600);
    posix_spawn_file_actions_addopen(&actions, 2, errPath.c_str(), O_WRONLY | O_CREAT | O_TRUNC,
                                     0600);
    std::string cwd = m_dir.string();
    pid_t pid;
    // The child starts in the test directory so that relative paths land there.
    std::string old = fs::current_path().string();
    fs::current_path(cwd);
    int rc = posix_spawn(&pid, argv[0], &actions, nullptr, argv.data(), envp.data());
    fs::current_path(old);
    posix_spawn_file_actions_destroy(&actions);
    Result result;
    if (rc != 0)
      return result;
    int status = 0;
    waitpid(pid, &status, 0);
    result.status = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    result.out = ReadFile(outPath);
    result.err = ReadFile(errPath);
    return result;
  }

  fs::path Path(const std::string& name) const { return m_dir / name; }
  fs::path m_dir;
};

const char kCities[] = "city,country\nZürich,CH\nKraków,PL\n";

TEST_F(CliTest, ConvertsWithGuessedSeparatorAndReportsRows) {
  WriteFile(Path("in.csv"), kCities);
  Result r = Run({"in.csv", "out.json"});
  ASSERT_EQ(r.status, 0) << r.err;
  EXPECT_NE(r.err.find("separator guessed from the header line: ,"), std::string::npos) << r.err;
  EXPECT_NE(r.err.find("2 rows written, 0 lines left out"), std::string::npos) << r.err;
  auto doc = nlohmann::json::parse(ReadFile(Path("out.json")));
  ASSERT_EQ(doc.size(), 2u);
  EXPECT_EQ(doc[1]["city"], "Kraków");
}

TEST_F(CliTest, GuessesAmongTabBarAndSemicolon) {
  struct Case {
    std::string header;
    std::string guess;
  };
  for (const Case& c : std::vector<Case>{{"a\tb\tc", "<tab>"},
                                         {"a|b|c", "|"},
                                         {"a;b;c", ";"},
                                         {"a,b;c;d", ";"},
                                         {"abc", "<tab>"}}) {
    WriteFile(Path("in.txt"), c.header + "\n");
    Result r = Run({"in.txt", "out.json"});
    EXPECT_EQ(r.status, 0) << c.header;
    EXPECT_NE(r.err.find("guessed from the header line: " + c.guess + "\n"), std::string::npos)
        << c.header << ": " << r.err;
  }
}

TEST_F(CliTest, SeparatorOptionForms) {
  WriteFile(Path("in.txt"), "a;b|c\n1;2|3\n");
  struct Case {
    std::vector<std::string> args;
    size_t columns;
  };
  for (const Case& c : std::vector<Case>{{{"-s", ";"}, 2},
                                         {{"--separator=|"}, 2},
                                         {{"-s|"}, 2},
                                         {{"--separator", "<tab>"}, 1},
                                         {{"-s", ";|"}, 2}}) {
    std::vector<std::string> args = c.args;
    args.insert(args.end(), {"in.txt", "out.json"});
    Result r = Run(args);
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(r.err.find("guessed"), std::string::npos);
    auto doc = nlohmann::json::parse(ReadFile(Path("out.json")));
    ASSERT_EQ(doc.size(), 1u);
    EXPECT_EQ(doc[0].size(), c.columns) << args[0];
  }
}

TEST_F(CliTest, WritesBsonByOptionOrExtension) {
  WriteFile(Path("in.csv"), kCities);
  for (auto args : std::vector<std::vector<std::string>>{{"in.csv", "out.bson"},
                                                         {"-f", "bson", "in.csv", "out.bin"}}) {
    Result r = Run(args);
    ASSERT_EQ(r.status, 0) << r.err;
    std::string bytes = ReadFile(Path(args.back()));
    bson_reader_t* reader =
        bson_reader_new_from_data(reinterpret_cast<const uint8_t*>(bytes.data()), bytes.size());
    int documents = 0;
    bool eof = false;
    while (bson_reader_read(reader, &eof))
      ++documents;
    bson_reader_destroy(reader);
    EXPECT_TRUE(eof);
    EXPECT_EQ(documents, 2);
  }
}

TEST_F(CliTest, StandardOutputAndLimit) {
  WriteFile(Path("in.csv"), kCities);
  Result r = Run({"-q", "-s", ",", "-n", "1", "in.csv", "-"});
  ASSERT_EQ(r.status, 0) << r.err;
  EXPECT_EQ(r.err, "");
  auto doc = nlohmann::json::parse(r.out);
  ASSERT_EQ(doc.size(), 1u);
  EXPECT_EQ(doc[0]["country"], "CH");
}

TEST_F(CliTest, HeaderOnlyIsAnEmptyArrayAndSuccess) {
  WriteFile(Path("in.csv"), "a,b\n");
  Result r = Run({"-s", ",", "in.csv", "out.json"});
  EXPECT_EQ(r.status, 0) << r.err;
  EXPECT_TRUE(nlohmann::json::parse(ReadFile(Path("out.json"))).empty());
}

TEST_F(CliTest, LinesLeftOutAreCountedAndLogged) {
  WriteFile(Path("in.csv"), "a,b\n1,2\n3\n4,5,6\n7,8\n");
  Result r = Run({"-s", ",", "in.csv", "out.json"});
  ASSERT_EQ(r.status, 0) << r.err;
  EXPECT_NE(r.err.find("2 rows written, 2 lines left out"), std::string::npos) << r.err;
  EXPECT_NE(r.err.find((m_dir / "state/ostrel/corvane.log").string()), std::string::npos) << r.err;
}

TEST_F(CliTest, FailuresExitOneAndKeepTheOutput) {
  struct Case {
    std::string source;
    std::string sourceBytes;
    std::string message;
  };
  for (const Case& c : std::vector<Case>{
           {"missing.csv", "", "Could not open '" + Path("missing.csv").string()},
           {"empty.csv", "", "Could not read column list"},
       }) {
    if (c.source == "empty.csv")
      WriteFile(Path(c.source), c.sourceBytes);
    WriteFile(Path("keep.json"), "precious");
    Result r = Run({"-s", ",", Path(c.source).string(), "keep.json"});
    EXPECT_EQ(r.status, 1) << c.source;
    EXPECT_NE(r.err.find(c.message), std::string::npos) << r.err;
    EXPECT_EQ(ReadFile(Path("keep.json")), "precious");
  }
}

TEST_F(CliTest, OutputNamingTheSourceLeavesItUnchanged) {
  WriteFile(Path("in.csv"), kCities);
  fs::create_symlink(Path("in.csv"), Path("link.json"));
  fs::create_directories(Path("sub"));
  for (std::string out : {"in.csv", "link.json", "sub/../in.csv"}) {
    Result r = Run({"-s", ",", "in.csv", out});
    EXPECT_EQ(r.status, 1) << out;
    EXPECT_NE(r.err.find("Could not open or create destination file"), std::string::npos) << r.err;
    EXPECT_EQ(ReadFile(Path("in.csv")), kCities);
  }
}

// Standard output is written through the shell's own descriptor: '>>' appends, and
// appending to the source being read is refused instead of feeding it to itself.
TEST_F(CliTest, StandardOutputRedirectedToFiles) {
  WriteFile(Path("in.csv"), kCities);
  WriteFile(Path("log.json"), "earlier\n");
  WriteFile(Path("redirect.sh"), std::string("cd \"$(dirname \"$0\")\"\n") + CORVANE_CONVERT +
                                     " -q -s , in.csv - >> log.json; echo $?\n" + CORVANE_CONVERT +
                                     " -q -s , in.csv - >> in.csv; echo $?\n");
  FILE* pipe = popen(("bash " + Path("redirect.sh").string()).c_str(), "r");
  ASSERT_NE(pipe, nullptr);
  char first[16] = {}, second[16] = {};
  ASSERT_NE(fgets(first, sizeof first, pipe), nullptr);
  ASSERT_NE(fgets(second, sizeof second, pipe), nullptr);
  pclose(pipe);
  EXPECT_STREQ(first, "0\n");
  std::string appended = ReadFile(Path("log.json"));
  ASSERT_EQ(appended.rfind("earlier\n", 0), 0u);
  EXPECT_EQ(nlohmann::json::parse(appended.substr(8)).size(), 2u);
  EXPECT_STREQ(second, "1\n");
  EXPECT_EQ(ReadFile(Path("in.csv")), kCities);
}

TEST_F(CliTest, WriteErrorReportsTheReasonAndLeavesNoFile) {
  if (!fs::exists("/dev/full"))
    GTEST_SKIP() << "no /dev/full";
  WriteFile(Path("in.csv"), kCities);
  Result r = Run({"-s", ",", "in.csv", "/dev/full"});
  EXPECT_EQ(r.status, 1);
  EXPECT_NE(r.err.find("No space left on device"), std::string::npos) << r.err;
  EXPECT_TRUE(fs::exists("/dev/full"));  // a device is never removed
}

TEST_F(CliTest, UsageErrorsExitTwo) {
  for (auto args : std::vector<std::vector<std::string>>{{},
                                                         {"only-one"},
                                                         {"a", "b", "c"},
                                                         {"-f", "xml", "a", "b"},
                                                         {"-n", "-3", "a", "b"},
                                                         {"-n", "ten", "a", "b"},
                                                         {"--bogus", "a", "b"},
                                                         {"-s"}}) {
    Result r = Run(args);
    EXPECT_EQ(r.status, 2);
    EXPECT_NE(r.err.find("Try 'corvane-convert --help'."), std::string::npos);
  }
}

TEST_F(CliTest, BrokenPipeEndsQuietlyWithSuccess) {
  std::string big = "a,b\n";
  for (int i = 0; i < 200000; ++i)
    big += "value,other value\n";
  WriteFile(Path("big.csv"), big);
  WriteFile(Path("pipe.sh"), std::string("cd \"$(dirname \"$0\")\"\n") + CORVANE_CONVERT +
                                 " -q -s , big.csv - | head -c 10 >/dev/null\n"
                                 "echo ${PIPESTATUS[0]}\n");
  FILE* pipe = popen(("bash " + Path("pipe.sh").string()).c_str(), "r");
  ASSERT_NE(pipe, nullptr);
  char status[16] = {};
  ASSERT_NE(fgets(status, sizeof status, pipe), nullptr);
  pclose(pipe);
  EXPECT_STREQ(status, "0\n");
}

}  // namespace
