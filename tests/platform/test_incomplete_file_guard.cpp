// The incomplete-file guard: a file that a failed conversion created or emptied goes; what
// it never touched, and a symbolic link, stay.
#include <filesystem>

#include <gtest/gtest.h>

#include "platform/core/IncompleteFileGuard.h"
#include "tests/platform/TempDir.h"

namespace {

enum class Before { kNothing, kFile, kLinkToFile };

struct GuardCase {
  const char* name;
  Before before;  // what the path named before the work
  bool written;   // whether the work wrote to it
  bool kept;      // whether the work finished (Keep)
  bool remains;   // whether the path still names something afterwards
};

class IncompleteFileGuardTest : public ::testing::TestWithParam<GuardCase> {};

TEST_P(IncompleteFileGuardTest, RemovesOnlyAnUnfinishedFileTheWorkChanged) {
  const GuardCase& c = GetParam();
  TempDir dir;
  const std::string path = dir.File("out.json");
  if (c.before == Before::kFile) {
    WriteBytesToFile(path, "an earlier result");
  } else if (c.before == Before::kLinkToFile) {
    WriteBytesToFile(dir.File("real.json"), "an earlier result");
    std::filesystem::create_symlink(dir.File("real.json"), path);
  }
  {
    CIncompleteFileGuard guard(CString::FromUtf8(path));
    if (c.written)
      WriteBytesToFile(path, "half");
    if (c.kept)
      guard.Keep();
  }
  EXPECT_EQ(std::filesystem::exists(std::filesystem::symlink_status(path)), c.remains);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, IncompleteFileGuardTest,
    ::testing::Values(GuardCase{"NewFile", Before::kNothing, true, false, false},
                      GuardCase{"EmptiedFile", Before::kFile, true, false, false},
                      GuardCase{"Finished", Before::kFile, true, true, true},
                      GuardCase{"NeverReached", Before::kFile, false, false, true},
                      GuardCase{"LinkIsTheUsers", Before::kLinkToFile, true, false, true}),
    [](const auto& info) { return std::string(info.param.name); });

}  // namespace
