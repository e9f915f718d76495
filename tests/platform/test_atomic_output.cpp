#include <gtest/gtest.h>
#include <signal.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <functional>
#include <string>

#include "TempDir.h"
#include "platform/core/AtomicOutput.h"
#include "platform/core/SysCalls.h"

namespace {

namespace fs = std::filesystem;
const std::string kBig(CFile::kBufferSize + 1, 'x');  // reaches the disk before Commit

// Entries of the folder whose names begin with a dot: the hidden files left behind.
int HiddenFiles(const std::string& folder) {
  int count = 0;
  for (const auto& entry : fs::directory_iterator(folder))
    count += entry.path().filename().string()[0] == '.';
  return count;
}

// "sub/t.json" holds the earlier document wherever a case needs one.
struct ReplaceCase {
  const char* name;
  std::function<void(const TempDir&)> setup;
  const char* output;  // the name the user gives
  const char* target;  // the file that is replaced
  mode_t umask;
  mode_t mode;  // expected afterwards
};

void PrintTo(const ReplaceCase& c, std::ostream* os) {
  *os << c.name;
}

class Replaced : public ::testing::TestWithParam<ReplaceCase> {};

TEST_P(Replaced, OnlyAtCommitAndInTheResolvedTargetsFolder) {
  const ReplaceCase& c = GetParam();
  TempDir dir;
  fs::create_directory(dir.File("sub"));
  c.setup(dir);
  const bool existed = fs::exists(dir.File(c.target));
  const mode_t savedMask = umask(c.umask);
  CAtomicOutput out;
  ASSERT_TRUE(out.Open(dir.WFile(c.output), nullptr));
  umask(savedMask);
  EXPECT_FALSE(out.IsInPlace());
  out.File().WriteBytes(kBig);
  EXPECT_EQ(existed ? ReadBytesFromFile(dir.File(c.target)) : "", existed ? "earlier" : "");
  EXPECT_EQ(HiddenFiles(fs::path(dir.File(c.target)).parent_path()), 1);
  out.Commit();
  EXPECT_TRUE(ReadBytesFromFile(dir.File(c.target)) == kBig);
  EXPECT_EQ(fs::is_symlink(dir.File(c.output)), std::string(c.output) != c.target);
  EXPECT_EQ(fs::status(dir.File(c.target)).permissions(), fs::perms(c.mode));
  EXPECT_EQ(HiddenFiles(dir.Path()) + HiddenFiles(dir.File("sub")), 0);
}

void Earlier(const TempDir& dir) {
  dir.Write("sub/t.json", "earlier");
  chmod(dir.File("sub/t.json").c_str(), 0604);
}
const ReplaceCase kReplaceCases[] = {
    {"NewFile", [](const TempDir&) {}, "sub/t.json", "sub/t.json", 027, 0640},
    {"ExistingKeepsItsMode", Earlier, "sub/t.json", "sub/t.json", 077, 0604},
    {"LinkStaysALink",
     [](const TempDir& dir) { Earlier(dir), fs::create_symlink("sub/t.json", dir.File("l")); }, "l",
     "sub/t.json", 022, 0604},
    {"RelativeLinkChain",
     [](const TempDir& dir) {
       Earlier(dir), fs::create_symlink("t.json", dir.File("sub/b"));
       fs::create_symlink(dir.File("sub/b"), dir.File("l"));
     },
     "l", "sub/t.json", 022, 0604},
    {"DanglingLinkWritesWhatItNames",
     [](const TempDir& dir) { fs::create_symlink("sub/t.json", dir.File("l")); }, "l", "sub/t.json",
     022, 0644},
};
INSTANTIATE_TEST_SUITE_P(Outputs, Replaced, ::testing::ValuesIn(kReplaceCases),
                         [](const auto& info) { return std::string(info.param.name); });

ssize_t WriteFull(int, const void*, size_t) {
  return errno = ENOSPC, -1;
}
int CloseFailing(int fd) {
  RealSysCalls().close(fd);
  return errno = EIO, -1;
}
int RenameFailing(const char*, const char*) {
  return errno = EXDEV, -1;
}

// Whatever ends the output early, the earlier file is as it was and nothing is left beside.
TEST(AtomicOutput, AnOutputNotCommittedLeavesTheEarlierFileAsItWas) {
  SysCalls full = RealSysCalls(), badClose = full, badRename = full;
  full.write = WriteFull, badClose.close = CloseFailing, badRename.rename = RenameFailing;
  const struct {
    const char* name;
    SysCalls calls;
    std::string bytes;
    bool commit;
    int osError;  // expected in the exception, 0 for none
  } kEnds[] = {{"Discard", RealSysCalls(), kBig, false, 0},
               {"FullAtWrite", full, kBig, false, ENOSPC},
               {"FullAtCommit", full, "[]", true, ENOSPC},
               {"CloseFails", badClose, "[]", true, EIO},
               {"RenameFails", badRename, "[]", true, EXDEV}};
  for (const auto& c : kEnds) {
    SCOPED_TRACE(c.name);
    TempDir dir;
    dir.Write("out.json", "earlier");
    int thrown = 0;
    {
      ScopedSysCalls seam(c.calls);
      CAtomicOutput out;
      ASSERT_TRUE(out.Open(dir.WFile("out.json"), nullptr));
      try {
        out.File().WriteBytes(c.bytes);
        if (c.commit)
          out.Commit();
      } catch (const CFileException& e) {
        thrown = static_cast<int>(e.m_lOsError);
        EXPECT_EQ(std::string(e.what()), dir.File("out.json") + ": " + strerror(c.osError));
        EXPECT_EQ(HiddenFiles(dir.Path()), c.commit ? 0 : 1) << "a failed Commit cleans up";
      }
    }  // the destructor discards
    EXPECT_EQ(thrown, c.osError);
    EXPECT_EQ(ReadBytesFromFile(dir.File("out.json")), "earlier");
    EXPECT_EQ(HiddenFiles(dir.Path()), 0);
  }
}

// Devices and descriptors the process has are written where they are: never renamed or
// removed, and a file behind a descriptor (a shell's '>>') is appended to, not replaced.
TEST(AtomicOutput, DevicesAndDescriptorsAreWrittenInPlace) {
  TempDir dir;
  const int appended = open(dir.Write("log", "earlier").c_str(), O_WRONLY | O_APPEND);
  fs::create_symlink("/dev/null", dir.File("null"));
  const std::string fd = std::to_string(appended);
  const std::pair<std::string, int> kOutputs[] = {{"/dev/null", 0},
                                                  {dir.File("null"), 0},
                                                  {"/dev/full", ENOSPC},
                                                  {"/dev/fd/" + fd, 0},
                                                  {"/proc/self/fd/" + fd, 0}};
  struct stat before {
  }, now{};
  stat(dir.File("log").c_str(), &before);
  for (const auto& [path, osError] : kOutputs) {
    CAtomicOutput out;
    ASSERT_TRUE(out.Open(CString::FromUtf8(path), nullptr)) << path;
    EXPECT_TRUE(out.IsInPlace());
    out.File().WriteBytes("+");
    try {
      out.Commit();
      EXPECT_EQ(osError, 0) << path;
    } catch (const CFileException& e) {
      EXPECT_EQ(std::string(e.what()), path + ": " + strerror(osError));
    }
  }
  EXPECT_TRUE(fs::is_symlink(dir.File("null")) && fs::is_character_file("/dev/full"));
  stat(dir.File("log").c_str(), &now);
  EXPECT_EQ(now.st_ino, before.st_ino);
  EXPECT_EQ(ReadBytesFromFile(dir.File("log")), "earlier++");
  close(appended);
}

// The source under any name (itself, a link, a hard link, the descriptor of a shell's
// '>>') is refused with the reason, and nothing is created or changed.
TEST(AtomicOutput, TheSourceUnderAnyNameIsRefused) {
  TempDir dir;
  CFile source;
  ASSERT_TRUE(source.Open(CString::FromUtf8(dir.Write("in.csv", "a;b\n")),
                          CFile::typeText | CFile::shareDenyWrite));
  struct stat info {};
  ASSERT_TRUE(source.GetStatus(info));
  fs::create_symlink("in.csv", dir.File("link"));
  fs::create_hard_link(dir.File("in.csv"), dir.File("hard"));
  const int appended = open(dir.File("in.csv").c_str(), O_WRONLY | O_APPEND);
  for (const std::string& path : {dir.File("in.csv"), dir.File("link"), dir.File("hard"),
                                  "/dev/fd/" + std::to_string(appended)}) {
    CAtomicOutput out;
    CFileException error;
    EXPECT_FALSE(out.Open(CString::FromUtf8(path), &info, &error));
    EXPECT_EQ(error.GetErrorMessage(), CString::FromUtf8(path) + u": is the source file");
  }
  close(appended);
  EXPECT_EQ(ReadBytesFromFile(dir.File("in.csv")), "a;b\n");
  EXPECT_EQ(std::distance(fs::directory_iterator(dir.Path()), {}), 3);
}

// A folder the user may not write and a file the user may not write are refused with
// the system's reason; the check runs as an unprivileged user, since root may write all.
TEST(AtomicOutput, WhatTheUserMayNotWriteIsRefused) {
  TempDir dir;
  fs::create_directory(dir.File("locked"));
  dir.Write("locked/out.json", "earlier");
  dir.Write("read-only.json", "earlier");
  chmod(dir.File("locked/out.json").c_str(), 0666);
  chmod(dir.File("read-only.json").c_str(), 0444);
  chmod(dir.File("locked").c_str(), 0555);
  chmod(dir.Path().c_str(), 0777);
  for (const char* name : {"locked/out.json", "read-only.json"}) {
    const pid_t pid = fork();
    if (pid == 0) {
      if (geteuid() == 0 && (setgid(65534) != 0 || setuid(65534) != 0))
        _exit(2);
      CAtomicOutput out;
      CFileException error;
      const bool refused = !out.Open(dir.WFile(name), nullptr, &error) &&
                           error.GetErrorMessage() == dir.WFile(name) + u": Permission denied";
      _exit(refused ? 0 : 1);
    }
    int status = 0;
    waitpid(pid, &status, 0);
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << name;
    EXPECT_EQ(ReadBytesFromFile(dir.File(name)), "earlier");
  }
  EXPECT_EQ(HiddenFiles(dir.Path()) + HiddenFiles(dir.File("locked")), 0);
}

// A real signal in the middle of writing: the earlier file stays, the hidden file goes and
// the process ends by that signal; SIGKILL can only leave the hidden file; an ignored
// hang-up (nohup) stays ignored and the output is committed.
TEST(AtomicOutput, SignalsRemoveTheHiddenFile) {
  const struct {
    int signal;
    bool sentByParent, ignored;
    const char* after;
    int hiddenLeft;
  } kCases[] = {{SIGTERM, false, false, "earlier", 0},
                {SIGINT, true, false, "earlier", 0},
                {SIGHUP, true, false, "earlier", 0},
                {SIGKILL, true, false, "earlier", 1},
                {SIGHUP, false, true, "new", 0}};
  for (const auto& c : kCases) {
    SCOPED_TRACE(testing::Message() << strsignal(c.signal) << (c.ignored ? " ignored" : ""));
    TempDir dir;
    dir.Write("out.json", "earlier");
    int ready[2];
    ASSERT_EQ(pipe(ready), 0);
    const pid_t pid = fork();
    if (pid == 0) {
      if (c.ignored)
        signal(SIGHUP, SIG_IGN);
      RemovePendingOutputsOnSignals();
      CAtomicOutput out;
      out.Open(dir.WFile("out.json"), nullptr);
      out.File().WriteBytes("new");
      out.File().Flush();
      if (c.sentByParent && write(ready[1], "", 1) == 1)
        pause();
      raise(c.signal);
      out.Commit();
      _exit(0);
    }
    char byte;
    if (c.sentByParent) {
      ASSERT_EQ(read(ready[0], &byte, 1), 1);
      kill(pid, c.signal);
    }
    int status = 0;
    waitpid(pid, &status, 0);
    close(ready[0]), close(ready[1]);
    EXPECT_EQ(c.ignored ? WIFEXITED(status) : WIFSIGNALED(status) && WTERMSIG(status) == c.signal,
              true);
    EXPECT_EQ(ReadBytesFromFile(dir.File("out.json")), c.after);
    EXPECT_EQ(HiddenFiles(dir.Path()), c.hiddenLeft);
  }
}

}  // namespace
