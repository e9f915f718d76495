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

// A file that cannot be run takes the branch of a product not on the PATH at all.
TEST_F(LimitTest, AProductNotInstalledIsNamedToTheUser) {
  std::ofstream(m_dir / "ostrel-sheet-viewer") << "not a program";
  EXPECT_EQ(CLimit::RunProduct(OSTREL_SHEET_VIEWER, nullptr, u""), 0);
  EXPECT_EQ(m_told,
            std::vector<CString>{u"Ostrel Sheet Viewer is not installed on this computer."});
}

}  // namespace
