// Reading a small file whole: what it gives back for each kind of name, and its bound.
#include "platform/core/SmallFile.h"

#include <errno.h>
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <ostream>
#include <string>

#include "TempDir.h"
#include "platform/core/SysCalls.h"
#include "tests/support/NamedCase.h"

namespace {

using corvane_test::operator<<;

struct SmallFileCase {
  const char* name;
  std::string path;  // under the test's folder, which holds "five" (5 bytes), "dir" and "fifo"
  std::size_t maxBytes;
  SmallFileStatus status;
  int osError;
  std::string bytes;
  bool readFails = false;  // every read(2) fails with EIO
};

// Failures name the case, not the bytes of its record.
class SmallFileTest : public testing::TestWithParam<SmallFileCase> {
 protected:
  SmallFileTest() {
    WriteBytesToFile(m_dir.File("five"), "12345");
    mkdir(m_dir.File("dir").c_str(), 0700);
    mkfifo(m_dir.File("fifo").c_str(), 0600);
  }
  TempDir m_dir;
};

// A FIFO without a writer would block a reader that waited for one.
TEST_P(SmallFileTest, GivesTheBytesOrWhyNot) {
  const SmallFileCase& c = GetParam();
  SysCalls calls = RealSysCalls();
  if (c.readFails)
    calls.read = [](int, void*, size_t) -> ssize_t { return errno = EIO, -1; };
  ScopedSysCalls scoped(calls);
  std::string bytes = "held before";
  const SmallFileRead read = ReadSmallFile(m_dir.File(c.path), c.maxBytes, bytes);
  EXPECT_EQ(read.status, c.status);
  EXPECT_EQ(read.osError, c.osError);
  if (c.status == SmallFileStatus::kRead) {
    EXPECT_EQ(bytes, c.bytes);
  }
}

INSTANTIATE_TEST_SUITE_P(
    Names, SmallFileTest,
    testing::Values(SmallFileCase{"Read", "five", 5, SmallFileStatus::kRead, 0, "12345"},
                    SmallFileCase{"OverTheBound", "five", 4, SmallFileStatus::kTooLarge, EFBIG, ""},
                    SmallFileCase{"Missing", "none", 5, SmallFileStatus::kMissing, ENOENT, ""},
                    SmallFileCase{"FileForAFolder", "five/x", 5, SmallFileStatus::kMissing, ENOTDIR,
                                  ""},
                    SmallFileCase{"Folder", "dir", 5, SmallFileStatus::kNotRegular, EINVAL, ""},
                    SmallFileCase{"Fifo", "fifo", 5, SmallFileStatus::kNotRegular, EINVAL, ""},
                    SmallFileCase{"ReadFails", "five", 5, SmallFileStatus::kFailed, EIO, "", true}),
    corvane_test::ByName);

}  // namespace
