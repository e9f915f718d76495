#include <gtest/gtest.h>
#include <sys/file.h>
#include <sys/mount.h>
#include <sys/wait.h>
#include <sys/xattr.h>
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
// are refused with the reason before anything is created. Accepting regular files only, a
// regular file (new, existing, or reached through a link) is replaced as ever, and anything
// else is refused with its reason before it is opened: a FIFO nobody reads would otherwise
// block for good (the alarm turns that into a failure).
TEST(AtomicOutput, WhatIsNotReplacedIsWrittenInPlaceOrRefused) {
  TempDir dir;
  CFile source;
  ASSERT_TRUE(source.Open(CString::FromUtf8(dir.Write("in.csv", "a;b\n")), CFile::shareDenyWrite));
  struct stat info {};
  ASSERT_TRUE(source.GetStatus(info));
  fs::create_symlink("in.csv", dir.File("link"));
  fs::create_hard_link(dir.File("in.csv"), dir.File("hard"));
  fs::create_symlink("/dev/null", dir.File("null"));
  ASSERT_EQ(mkfifo(dir.File("pipe").c_str(), 0600), 0);
  fs::create_symlink("pipe", dir.File("to-pipe"));
  fs::create_directory(dir.File("folder"));
  chmod(dir.Write("earlier.json", "earlier").c_str(), 0666);
  fs::create_symlink("earlier.json", dir.File("to-earlier"));
  chmod(dir.Write("read-only.json", "earlier").c_str(), 0444);
  chmod(dir.Path().c_str(), 0777);
  int ends[2];
  ASSERT_EQ(pipe(ends), 0);
  const std::string log =
      std::to_string(open(dir.Write("log", "earlier").c_str(), O_WRONLY | O_APPEND));
  const std::string in = std::to_string(open(dir.File("in.csv").c_str(), O_WRONLY | O_APPEND));
  const std::string writeEnd = std::to_string(ends[1]);
  const char16_t *kSource = u"is the source file", *kDenied = u"Permission denied",
                 *kFifo = u"is a FIFO", *kDevice = u"is a device";
  enum Outcome { kReplaced, kInPlace, kRefused };
  const std::tuple<std::string, bool, Outcome, const char16_t*> kOutputs[] = {
      {dir.File("null"), false, kInPlace, nullptr},
      {"/dev/full", false, kInPlace, u"No space left on device"},
      {"/dev/fd/" + log, false, kInPlace, nullptr},
      {"/proc/self/fd/" + log, false, kInPlace, nullptr},
      {dir.File("in.csv"), false, kRefused, kSource},
      {dir.File("link"), false, kRefused, kSource},
      {dir.File("hard"), false, kRefused, kSource},
      {"/dev/fd/" + in, false, kRefused, kSource},
      {dir.File("read-only.json"), false, kRefused, kDenied},
      // Regular files only.
      {dir.File("new.json"), true, kReplaced, nullptr},
      {dir.File("earlier.json"), true, kReplaced, nullptr},
      {dir.File("to-earlier"), true, kReplaced, nullptr},
      {dir.File("pipe"), true, kRefused, kFifo},
      {dir.File("to-pipe"), true, kRefused, kFifo},
      {"/dev/null", true, kRefused, kDevice},
      {dir.File("null"), true, kRefused, kDevice},
      {dir.File("folder"), true, kRefused, u"Is a directory"},
      {"/dev/fd/" + writeEnd, true, kRefused, kFifo},
      {"/proc/self/fd/" + writeEnd, true, kRefused, kFifo},
      {"/dev/fd/" + log, true, kRefused, u"names a file the program already holds open"}};
  for (const auto& [path, regularOnly, outcome, reason] : kOutputs) {
    // As root could write anything, and a fault that replaced a device must not reach the
    // machine's own /dev, the output is opened by an unprivileged user.
    const int status = InChild(
        [&, &path = path, &regularOnly = regularOnly, &outcome = outcome, &reason = reason] {
          alarm(5);
          CAtomicOutput out;
          out.AcceptRegularFilesOnly(regularOnly);
          CFileException error;
          const CString name = CString::FromUtf8(path);
          if (!Unprivileged() || out.Open(name, &info, &error) != (outcome != kRefused) ||
              (outcome != kRefused && out.IsInPlace() != (outcome == kInPlace)))
            return false;
          try {
            if (outcome != kRefused)
              out.File().WriteBytes("+"), out.Commit();
          } catch (const CFileException& e) {
            error = e;
          }
          return reason ? error.GetErrorMessage() == name + u": " + reason
                        : error.m_cause == CFileException::none;
        });
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << path << " " << regularOnly;
  }
  EXPECT_TRUE(fs::is_symlink(dir.File("null")) && fs::is_character_file("/dev/full"));
  EXPECT_EQ(ReadBytesFromFile(dir.File("log")), "earlier++");
  EXPECT_EQ(ReadBytesFromFile(dir.File("in.csv")), "a;b\n");
  EXPECT_EQ(ReadBytesFromFile(dir.File("earlier.json")), "+");
  EXPECT_TRUE(fs::is_fifo(dir.File("pipe")) && fs::is_symlink(dir.File("to-earlier")));
  EXPECT_EQ(HiddenFiles(dir.Path()), 0);
  close(ends[0]);
  close(ends[1]);
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

// Runs body as an unprivileged user in a child process; false when the child failed.
template <typename Body>
bool AsAnotherUser(const Body& body) {
  const int status = InChild([&] { return Unprivileged() && body(); });
  return WIFEXITED(status) && WEXITSTATUS(status) == 0;
}

constexpr uid_t kNobody = 65534, kStranger = 12345;

// A file a rename would harm is written in place, but only once the whole document is
// ready aside: its other hard links keep the new text, and a file in a folder the user
// may not write is written although the folder refuses new names. Up to Commit it is as
// it was, and nothing is left behind.
TEST(AtomicOutput, AFileARenameWouldHarmIsCopiedOverOnceWhole) {
  if (geteuid() != 0)
    GTEST_SKIP() << "needs root to act as another user";
  const struct {
    const char* name;
    bool hardLink, lockedFolder;
  } kCases[] = {{"HardLinks", true, false}, {"FolderNotWritable", false, true}};
  for (const auto& c : kCases) {
    SCOPED_TRACE(c.name);
    TempDir dir;
    fs::create_directory(dir.File("sub"));
    chmod(dir.Write("sub/t.json", std::string(kBig.size() + 10, 'e')).c_str(), 0666);
    if (c.hardLink)
      fs::create_hard_link(dir.File("sub/t.json"), dir.File("sub/other"));
    chmod(dir.File("sub").c_str(), c.lockedFolder ? 0555 : 0777);
    chmod(dir.Path().c_str(), 0755);
    EXPECT_TRUE(AsAnotherUser([&] {
      CAtomicOutput out;
      if (!out.Open(dir.WFile("sub/t.json"), nullptr) || out.IsInPlace())
        return false;
      out.File().WriteBytes(kBig);
      if (ReadBytesFromFile(dir.File("sub/t.json"))[0] != 'e')
        return false;
      out.Commit();
      return out.CopiedInPlace();
    }));
    EXPECT_TRUE(ReadBytesFromFile(dir.File("sub/t.json")) == kBig) << "cut at the copy's end";
    if (c.hardLink) {
      EXPECT_TRUE(ReadBytesFromFile(dir.File("sub/other")) == kBig);
    }
    EXPECT_EQ(HiddenFiles(dir.Path()), 0);
    chmod(dir.File("sub").c_str(), 0755);
  }
}

// A file that is a mount point (bind-mounted over) can't be renamed over: it is written in
// place, which is what the user reaches through it.
TEST(AtomicOutput, AMountPointIsWrittenInPlace) {
  TempDir dir;
  const std::string target = dir.Write("out.json", "earlier"), behind = dir.Write("behind", "");
  if (mount(behind.c_str(), target.c_str(), nullptr, MS_BIND, nullptr) < 0)
    GTEST_SKIP() << "no bind mounts here: " << strerror(errno);
  {
    CAtomicOutput out;
    EXPECT_TRUE(out.Open(dir.WFile("out.json"), nullptr));
    EXPECT_NO_THROW(out.File().WriteBytes("new"); out.Commit());
    EXPECT_TRUE(out.CopiedInPlace());
  }
  umount2(target.c_str(), MNT_DETACH);
  EXPECT_EQ(ReadBytesFromFile(behind), "new");
  EXPECT_EQ(HiddenFiles(dir.Path()), 0);
}

// A replaced file keeps its owner, group, mode and extended attributes, its access ACL
// among them.
TEST(AtomicOutput, AReplacedFileKeepsItsOwnerModeAndAttributes) {
  if (geteuid() != 0)
    GTEST_SKIP() << "needs root to give a file away";
  TempDir dir;
  const std::string target = dir.Write("out.json", "earlier");
  ASSERT_EQ(chown(target.c_str(), kStranger, kNobody), 0);
  // user::rw- user:nobody:rw- group::r-- mask::rw- other::---
  const unsigned char kAcl[] = {2, 0,   0,   0,   1,   0,   6,  0, 255, 255, 255, 255, 2,   0,  6,
                                0, 254, 255, 0,   0,   4,   0,  4, 0,   255, 255, 255, 255, 16, 0,
                                6, 0,   255, 255, 255, 255, 32, 0, 0,   0,   255, 255, 255, 255};
  const std::pair<const char*, std::string> kAttributes[] = {
      {"user.origin", "sheet 3"},
      {"system.posix_acl_access", std::string(std::begin(kAcl), std::end(kAcl))}};
  for (const auto& [name, value] : kAttributes) {
    if (setxattr(target.c_str(), name, value.data(), value.size(), 0) < 0)
      GTEST_SKIP() << "the file system keeps no " << name;
  }
  chmod(target.c_str(), 0660);
  CAtomicOutput out;
  ASSERT_TRUE(out.Open(dir.WFile("out.json"), nullptr));
  out.File().WriteBytes("new");
  out.Commit();
  EXPECT_FALSE(out.CopiedInPlace());
  struct stat info {};
  ASSERT_EQ(stat(target.c_str(), &info), 0);
  EXPECT_EQ(ReadBytesFromFile(target), "new");
  EXPECT_EQ(info.st_uid, kStranger);
  EXPECT_EQ(info.st_gid, kNobody);
  EXPECT_EQ(info.st_mode & 07777, 0660u);
  for (const auto& [name, value] : kAttributes) {
    std::string kept(value.size() + 1, '\0');
    kept.resize(static_cast<size_t>(
        std::max<ssize_t>(0, getxattr(target.c_str(), name, kept.data(), kept.size()))));
    EXPECT_EQ(kept, value) << name;
  }
}

// In a sticky world-writable folder a link is followed only when the user or the folder's
// owner made it, as the kernel's open would; another user's planted link, and another
// user's file there, are refused with the reason before anything is written.
TEST(AtomicOutput, ASharedFolderKeepsOtherUsersPlantsAndFilesOut) {
  if (geteuid() != 0)
    GTEST_SKIP() << "needs root to act as two users";
  const char16_t* kPlanted =
      u"is a symbolic link in a shared folder that neither you nor the folder's owner made";
  const char16_t* kOthers =
      u"is another user's file in a shared folder, which only its owner may replace";
  const struct {
    const char* name;
    mode_t folderMode;
    uid_t linkOwner;  // 0: no link, the file itself
    uid_t fileOwner;
    const char16_t* refusal;
  } kCases[] = {{"OwnLink", 01777, kNobody, 0, nullptr},
                {"FolderOwnersLink", 01777, 0, 0, nullptr},
                {"PlantedLink", 01777, kStranger, 0, kPlanted},
                {"LinkInAPlainFolder", 0777, kStranger, 0, nullptr},
                {"OthersFile", 01777, 0, kStranger, kOthers},
                {"OwnFile", 01777, 0, kNobody, nullptr}};
  for (const auto& c : kCases) {
    SCOPED_TRACE(c.name);
    TempDir dir;
    chmod(dir.Path().c_str(), 0755);
    fs::create_directory(dir.File("shared"));
    chmod(dir.File("shared").c_str(), c.folderMode);
    const bool viaLink = c.linkOwner != 0 || c.fileOwner == 0;
    const std::string target = viaLink ? dir.File("victim") : dir.File("shared/out.json");
    chmod(dir.Write(viaLink ? "victim" : "shared/out.json", "earlier").c_str(), 0666);
    chown(target.c_str(), c.fileOwner, c.fileOwner);
    if (viaLink) {
      fs::create_symlink(target, dir.File("shared/out.json"));
      lchown(dir.File("shared/out.json").c_str(), c.linkOwner, c.linkOwner);
    }
    EXPECT_TRUE(AsAnotherUser([&] {
      CAtomicOutput out;
      CFileException error;
      const CString name = dir.WFile("shared/out.json");
      if (out.Open(name, nullptr, &error) != !c.refusal)
        return false;
      if (c.refusal)
        return error.GetErrorMessage() == name + u": " + c.refusal;
      out.File().WriteBytes("new");
      out.Commit();
      return true;
    }));
    EXPECT_EQ(ReadBytesFromFile(target), c.refusal ? "earlier" : "new");
    EXPECT_EQ(fs::is_symlink(dir.File("shared/out.json")), viaLink);
    EXPECT_EQ(HiddenFiles(dir.Path()), 0);
  }
}

// Hidden files a killed run left for the same output go with the next output to it;
// one that a run still writes (it holds the lock) and those of other outputs stay.
TEST(AtomicOutput, TheNextOutputRemovesHiddenFilesNobodyHolds) {
  TempDir dir;
  const std::string left = dir.Write(".out.json.0123456789ab.tmp", "cut");
  const std::string held = dir.Write(".out.json.ba9876543210.tmp", "being written");
  const std::string other = dir.Write(".other.json.0123456789ab.tmp", "cut");
  const int holder = open(held.c_str(), O_RDONLY);
  ASSERT_EQ(flock(holder, LOCK_EX), 0);
  CAtomicOutput out;
  ASSERT_TRUE(out.Open(dir.WFile("out.json"), nullptr));
  out.Discard();
  close(holder);
  EXPECT_FALSE(fs::exists(left));
  EXPECT_TRUE(fs::exists(held) && fs::exists(other));
}

}  // namespace
