// StreamCopy: the bytes arrive whole wherever the copy starts and ends relative to the
// 16-byte units that its streaming stores take, and nothing around them is touched.
#include <gtest/gtest.h>

#include <string>

#include "platform/core/Simd.h"

namespace {

TEST(StreamCopy, EveryStartAndLength) {
  std::string source(300, '\0');
  for (std::size_t k = 0; k < source.size(); ++k)
    source[k] = static_cast<char>('a' + k % 26);
  for (std::size_t start = 0; start < 17; ++start) {
    for (std::size_t count : {0, 1, 15, 16, 17, 63, 64, 65, 127, 128, 129, 255}) {
      std::string target(start + count + 32, '#');
      StreamCopy(target.data() + start, source.data() + start % 5, count);
      EXPECT_EQ(target,
                std::string(start, '#') + source.substr(start % 5, count) + std::string(32, '#'))
          << "start " << start << ", " << count << " bytes";
    }
  }
}

}  // namespace
