// PackedTexts: a text past the limit given is refused, and what was held stays.
#include <gtest/gtest.h>

#include <stdexcept>

#include "platform/core/PackedTexts.h"

namespace {

TEST(PackedTexts, RefusesTextsPastTheirLimit) {
  PackedTexts<char> packed;
  packed.Append("abc", 4);
  EXPECT_THROW(packed.Append("de", 4), std::length_error);
  EXPECT_EQ(packed.size(), 1u);
}

}  // namespace
