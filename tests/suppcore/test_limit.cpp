// Starting the maker's other products: found on the PATH, or the user is told.
#include <gtest/gtest.h>
#include <unistd.h>

#include <chrono>
#include <filesystem>
#include <fstream>
#include <string>
#include <thread>
#include <vector>

#include "../platform/TempDir.h"
#include "libs/suppcore/Limit.h"

namespace fs = std::filesystem;

namespace {

// The products are looked for in the test's directory; setsid, which starts them, in the
// system's.
class LimitTest : public ::testing::Test {
 protected:
  LimitTest() {
    setenv("PATH", (m_dir.string() + ":/usr/bin:/bin").c_str(), 1);
    CLimit::SetNotifier([this](CWnd*, const CString& text) { m_told.push_back(text); });
  }
  ~LimitTest() override { CLimit::SetNotifier(nullptr); }

  TempDir m_temp;
  const fs::path m_dir = m_temp.Path();
  std::vector<CString> m_told;
};

// A stand-in product records its arguments, and which of the descriptors in $FDS (a pipe
// left inheritable, as a toolkit's may be) it got, in a file written whole under another name.
TEST_F(LimitTest, StartsAnInstalledProductWithItsArgumentsAndNoOtherDescriptor) {
  const fs::path program = m_dir / "ostrel-text-compare";
  std::ofstream(program)
      << "#!/bin/sh\n{ echo \"$@\"; for fd in $FDS; do [ -e /proc/$$/fd/$fd ] && "
         "echo $fd; done; } > \"$0.tmp\"; mv \"$0.tmp\" \"$0.args\"\n";
  fs::permissions(program, fs::perms::owner_all);
  int leaky[2];
  ASSERT_EQ(pipe(leaky), 0);
  setenv("FDS", (std::to_string(leaky[0]) + " " + std::to_string(leaky[1])).c_str(), 1);
  EXPECT_EQ(CLimit::RunProduct(OSTREL_TEXT_COMPARE, nullptr, u"--new a.txt"), 1);
  close(leaky[0]), close(leaky[1]);
  for (int i = 0; i < 200 && !fs::exists(program.string() + ".args"); ++i)
    std::this_thread::sleep_for(std::chrono::milliseconds(10));
  EXPECT_EQ(ReadBytesFromFile(program.string() + ".args"), "--new a.txt\n");
  EXPECT_TRUE(m_told.empty());
}

// A file that cannot be run takes the branch of a product not on the PATH at all.
TEST_F(LimitTest, AProductNotInstalledIsNamedToTheUser) {
  std::ofstream(m_dir / "ostrel-sheet-viewer") << "not a program";
  EXPECT_EQ(CLimit::RunProduct(OSTREL_SHEET_VIEWER, nullptr, u""), 0);
  EXPECT_EQ(m_told,
            std::vector<CString>{u"Ostrel Sheet Viewer is not installed on this computer."});
}

}  // namespace
