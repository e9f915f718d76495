// Starting the maker's other products: found on the PATH, or the user is told.
#include <gtest/gtest.h>

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

class LimitTest : public ::testing::Test {
 protected:
  void SetUp() override {
    const char* path = getenv("PATH");
    m_savedPath = path ? path : "";
    setenv("PATH", (m_dir.string() + ":/usr/bin:/bin").c_str(), 1);
    CLimit::SetNotifier([this](CWnd*, const CString& text) { m_told.push_back(text); });
  }
  void TearDown() override {
    CLimit::SetNotifier(nullptr);
    setenv("PATH", m_savedPath.c_str(), 1);
  }

  // A stand-in product that records its arguments in a file.
  void Install(const std::string& program) {
    fs::path script = m_dir / program;
    std::ofstream(script) << "#!/bin/sh\necho \"$@\" > '" << (m_dir / "started").string()
                          << ".tmp' && mv '" << (m_dir / "started").string() << ".tmp' '"
                          << (m_dir / "started").string() << "'\n";
    fs::permissions(script, fs::perms::owner_all);
  }

  std::string WaitForStart() {
    for (int i = 0; i < 200 && !fs::exists(m_dir / "started"); ++i)
      std::this_thread::sleep_for(std::chrono::milliseconds(10));
    std::ifstream in(m_dir / "started");
    std::string line;
    std::getline(in, line);
    return line;
  }

  TempDir m_temp;
  const fs::path m_dir = m_temp.Path();
  std::string m_savedPath;
  std::vector<CString> m_told;
};

TEST_F(LimitTest, StartsAnInstalledProductWithItsArguments) {
  Install("ostrel-text-compare");
  EXPECT_EQ(CLimit::RunProduct(OSTREL_TEXT_COMPARE, nullptr, u"--new a.txt"), 1);
  EXPECT_EQ(WaitForStart(), "--new a.txt");
  EXPECT_TRUE(m_told.empty());
}

TEST_F(LimitTest, AProductNotInstalledIsNamedToTheUser) {
  for (const ProductInfo& product : OtherProducts()) {
    m_told.clear();
    EXPECT_EQ(CLimit::RunProduct(product.code, nullptr, u""), 0);
    ASSERT_EQ(m_told.size(), 1u);
    EXPECT_EQ(m_told[0], CString(product.name) + u" is not installed on this computer.");
  }
}

TEST_F(LimitTest, ANonExecutableFileIsNotAProgram) {
  std::ofstream(m_dir / "ostrel-sheet-viewer") << "not a program";
  EXPECT_EQ(CLimit::RunProduct(OSTREL_SHEET_VIEWER, nullptr, u""), 0);
  EXPECT_EQ(m_told.size(), 1u);
}

}  // namespace
