// Where lines begin in a file, for cutting it into parts: counted over the pieces the file
// is read in, and read as a range that begins anywhere.
#include <gtest/gtest.h>

#include <string>

#include "platform/core/LineCuts.h"
#include "tests/platform/TempDir.h"
#include "tests/support/NamedCase.h"

namespace {

using corvane_test::operator<<;

struct LinesCase {
  const char* name;
  std::uint64_t from;
  std::int64_t lines;
  std::uint64_t expected;  // in a file of line feeds at 99,999 and 200,000 and 200,001
};

class LineCutsTest : public ::testing::TestWithParam<LinesCase> {};

TEST_P(LineCutsTest, OffsetAfterLines) {
  const TempDir dir;
  std::string text(200'010, 'x');
  for (const std::size_t at : {99'999u, 200'000u, 200'001u})
    text[at] = '\n';
  const CString path = CString::FromUtf8(dir.Write("lines", text));
  const LinesCase& c = GetParam();
  EXPECT_EQ(OffsetAfterLines(path, c.from, text.size(), c.lines), c.expected);
}

const LinesCase kCases[] = {
    {"NoLines", 5, 0, 5},
    {"FirstLinePastTheFirstPiece", 0, 1, 100'000},
    {"FromTheLineFeedItself", 99'999, 1, 100'000},
    {"FromJustAfterIt", 100'000, 1, 200'001},
    {"TwoLinesAPieceApart", 0, 2, 200'001},
    {"LineFeedsSideBySide", 200'001, 1, 200'002},
    {"MoreLinesThanTheFileHolds", 0, 4, 200'010},
    {"NoLineFeedToTheEnd", 200'002, 1, 200'010},
};
INSTANTIATE_TEST_SUITE_P(Offsets, LineCutsTest, ::testing::ValuesIn(kCases), corvane_test::ByName);

}  // namespace
