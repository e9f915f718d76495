#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

#include <csignal>
#include <cstring>

#include "TempDir.h"
#include "platform/core/AtomicOutput.h"
#include "platform/core/SysCalls.h"

namespace {

namespace fs = std::filesystem;
const std::string kBig(CFile::kBufferSize + 1, 'x');  // reaches the disk before Commit

// For the rest of a child process, an unprivileged user.
bool Unprivileged() {
  return geteuid() != 0 || (setgid(65534) == 0 && setuid(65534) == 0);
}

// Runs body in a child process and returns the wait status: exit status 0 when body
// returned true.
template <typename Body>
int InChild(const Body& body) {
  const pid_t pid = fork();
  if (pid == 0)
    _exit(body() ? 0 : 1);
  int status = 0;
  waitpid(pid, &status, 0);
  return status;
}

// A regular file, named directly or through links, is replaced only at Commit, from a
// hidden file beside the resolved target ("sub/t.json"), keeping its mode or taking the
// umask's; a link stays a link, and a dangling one gets the file it names.
TEST(AtomicOutput, ReplacesOnlyAtCommitFromBesideTheResolvedTarget) {
  const struct {
    const char* name;
    bool earlier;      // sub/t.json exists, mode 0604
    const char* l;     // where the link "l" leads, if made
    const char* subB;  // where the link "sub/b" leads, if made
    const char* output;
    mode_t umask, mode;
  } kCases[] = {{"NewFile", false, nullptr, nullptr, "sub/t.json", 002, 0664},
                {"ExistingKeepsItsMode", true, nullptr, nullptr, "sub/t.json", 077, 0604},
                {"LinkStaysALink", true, "sub/t.json", nullptr, "l", 022, 0604},
                {"RelativeLinkChain", true, "sub/b", "t.json", "l", 022, 0604},
                {"DanglingLink", false, "sub/t.json", nullptr, "l", 022, 0644}};
  for (const auto& c : kCases) {
    SCOPED_TRACE(c.name);
    TempDir dir;
    fs::create_directory(dir.File("sub"));
    if (c.earlier)
      chmod(dir.Write("sub/t.json", "earlier").c_str(), 0604);
    if (c.l)
      fs::create_symlink(c.l, dir.File("l"));
    if (c.subB)
      fs::create_symlink(c.subB, dir.File("sub/b"));
    const mode_t savedMask = umask(c.umask);
    CAtomicOutput out;
    ASSERT_TRUE(out.Open(dir.WFile(c.output), nullptr));
    umask(savedMask);
    out.File().WriteBytes(kBig);
    EXPECT_EQ(ReadBytesFromFile(dir.File("sub/t.json")), c.earlier ? "earlier" : "");
    EXPECT_EQ(HiddenFiles(dir.File("sub")), 1) << "beside the resolved target";
    out.Commit();
    EXPECT_TRUE(ReadBytesFromFile(dir.File("sub/t.json")) == kBig);
    EXPECT_EQ(fs::is_symlink(dir.File(c.output)), c.l != nullptr);
    EXPECT_EQ(fs::status(dir.File("sub/t.json")).permissions(), fs::perms(c.mode));
    EXPECT_EQ(HiddenFiles(dir.Path()), 0);
  }
}

ssize_t WriteFull(int, const void*, size_t) {
  return errno = ENOSPC, -1;
}
int RenameFailing(const char*, const char*) {
  return errno = EXDEV, -1;
}

// Whatever ends the output early, the earlier file is as it was and nothing is left beside.
// A write that fails before Commit is the file's to report; the output only discards.
TEST(AtomicOutput, AnOutputNotCommittedLeavesTheEarlierFileAsItWas) {
  SysCalls full = RealSysCalls(), badRename = full;
  full.write = WriteFull, badRename.rename = RenameFailing;
  const std::tuple<const char*, SysCalls, int> kEnds[] = {{"Discard", RealSysCalls(), 0},
                                                          {"FullAtCommit", full, ENOSPC},
                                                          {"RenameFails", badRename, EXDEV}};
  for (const auto& [name, calls, osError] : kEnds) {
    SCOPED_TRACE(name);
    TempDir dir;
    dir.Write("out.json", "earlier");
    int thrown = 0;
    {
      ScopedSysCalls seam(calls);
      CAtomicOutput out;
      ASSERT_TRUE(out.Open(dir.WFile("out.json"), nullptr));
      try {
        out.File().WriteBytes(osError ? "[]" : kBig);
        if (osError)
          out.Commit();
      } catch (const CFileException& e) {
        thrown = static_cast<int>(e.m_lOsError);
        EXPECT_EQ(std::string(e.what()), dir.File("out.json") + ": " + strerror(osError));
        EXPECT_EQ(HiddenFiles(dir.Path()), 0) << "a failed Commit cleans up";
      }
    }  // the destructor discards
    EXPECT_EQ(thrown, osError);
    EXPECT_EQ(ReadBytesFromFile(dir.File("out.json")), "earlier");
    EXPECT_EQ(HiddenFiles(dir.Path()), 0);
  }
}

// What is not a regular file to replace is written in place or refused, never renamed or
// removed: devices (also through a link), and descriptors the process has, where a file
// behind one (a shell's '>>') is appended to. The source under any name (itself, a link,
// a hard link, the descriptor of a '>>'), a folder and a file that the user may not write
// are refused with the reason before anything is created.
TEST(AtomicOutput, WhatIsNotReplacedIsWrittenInPlaceOrRefused) {
  TempDir dir;
  CFile source;
  ASSERT_TRUE(source.Open(CString::FromUtf8(dir.Write("in.csv", "a;b\n")), CFile::shareDenyWrite));
  struct stat info {};
  ASSERT_TRUE(source.GetStatus(info));
  fs::create_symlink("in.csv", dir.File("link"));
  fs::create_hard_link(dir.File("in.csv"), dir.File("hard"));
  fs::create_symlink("/dev/null", dir.File("null"));
  fs::create_directory(dir.File("sub"));
  chmod(dir.Write("sub/out.json", "earlier").c_str(), 0666);
  chmod(dir.Write("read-only.json", "earlier").c_str(), 0444);
  chmod(dir.File("sub").c_str(), 0555), chmod(dir.Path().c_str(), 0777);
  const std::string log =
      std::to_string(open(dir.Write("log", "earlier").c_str(), O_WRONLY | O_APPEND));
  const std::string in = std::to_string(open(dir.File("in.csv").c_str(), O_WRONLY | O_APPEND));
  const char16_t *kSource = u"is the source file", *kDenied = u"Permission denied";
  const std::tuple<std::string, bool, const char16_t*> kOutputs[] = {
      {dir.File("null"), true, nullptr},          {"/dev/full", true, u"No space left on device"},
      {"/dev/fd/" + log, true, nullptr},          {"/proc/self/fd/" + log, true, nullptr},
      {dir.File("in.csv"), false, kSource},       {dir.File("link"), false, kSource},
      {dir.File("hard"), false, kSource},         {"/dev/fd/" + in, false, kSource},
      {dir.File("sub/out.json"), false, kDenied}, {dir.File("read-only.json"), false, kDenied}};
  for (const auto& [path, opens, reason] : kOutputs) {
    // As root could write anything, and a fault that replaced a device must not reach the
    // machine's own /dev, the output is opened by an unprivileged user.
    const int status = InChild([&, &path = path, &opens = opens, &reason = reason] {
      CAtomicOutput out;
      CFileException error;
      const CString name = CString::FromUtf8(path);
      if (!Unprivileged() || out.Open(name, &info, &error) != opens || out.IsInPlace() != opens)
        return false;
      try {
        if (opens)
          out.File().WriteBytes("+"), out.Commit();
      } catch (const CFileException& e) {
        error = e;
      }
      return reason ? error.GetErrorMessage() == name + u": " + reason
                    : error.m_cause == CFileException::none;
    });
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << path;
  }
  EXPECT_TRUE(fs::is_symlink(dir.File("null")) && fs::is_character_file("/dev/full"));
  EXPECT_EQ(ReadBytesFromFile(dir.File("log")), "earlier++");
  EXPECT_EQ(ReadBytesFromFile(dir.File("in.csv")) + ReadBytesFromFile(dir.File("sub/out.json")),
            "a;b\nearlier");
  EXPECT_EQ(HiddenFiles(dir.Path()), 0);
  chmod(dir.File("sub").c_str(), 0755);  // so that a user who is not root can remove it
}

// A real signal in the middle of writing: the earlier file stays, the hidden file goes and
// the process ends by that signal; SIGKILL can only leave the hidden file; an ignored
// hang-up (nohup) stays ignored and the output is committed.
TEST(AtomicOutput, SignalsRemoveTheHiddenFile) {
  const std::pair<int, bool> kCases[] = {
      {SIGTERM, false}, {SIGINT, false}, {SIGHUP, false}, {SIGKILL, false}, {SIGHUP, true}};
  for (const auto& [sig, ignored] : kCases) {
    SCOPED_TRACE(testing::Message() << strsignal(sig) << (ignored ? " ignored" : ""));
    TempDir dir;
    dir.Write("out.json", "earlier");
    const int status = InChild([&, sig = sig, ignored = ignored] {
      if (ignored)
        signal(SIGHUP, SIG_IGN);
      RemovePendingOutputsOnSignals();
      CAtomicOutput out;
      out.Open(dir.WFile("out.json"), nullptr);
      out.File().WriteBytes("new");
      out.File().Flush();
      raise(sig);
      out.Commit();
      return true;
    });
    EXPECT_TRUE(ignored ? WIFEXITED(status) : WIFSIGNALED(status) && WTERMSIG(status) == sig);
    EXPECT_EQ(ReadBytesFromFile(dir.File("out.json")), ignored ? "new" : "earlier");
    EXPECT_EQ(HiddenFiles(dir.Path()), sig == SIGKILL);
  }
}

}  // namespace
