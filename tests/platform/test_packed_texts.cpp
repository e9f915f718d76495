// PackedTexts: every text comes back by index and in order, whatever the sizes around it
// (sizes of one and of several bytes, runs past the marks kept every so many texts).
#include <gtest/gtest.h>

#include <ostream>
#include <string>
#include <vector>

#include "platform/core/PackedTexts.h"
#include "tests/support/NamedCase.h"

namespace {

using corvane_test::operator<<;

struct PackedCase {
  const char* name;
  std::vector<std::size_t> sizes;  // repeated to make 1,000 texts
};

const PackedCase kPackedCases[] = {
    {"Empty", {0}},
    {"OneByteSizes", {0, 1, 5, 127}},
    {"SizesOfSeveralBytes", {128, 0, 300, 16384, 3}},
};

// Failures name the case, not the bytes of its record.
class PackedTextsTest : public ::testing::TestWithParam<PackedCase> {};

TEST_P(PackedTextsTest, GivesBackEveryTextByIndexAndInOrder) {
  std::vector<std::u16string> texts;
  PackedTexts<char16_t> packed;
  for (std::size_t k = 0; k < 1000; ++k) {
    const std::size_t size = GetParam().sizes[k % GetParam().sizes.size()];
    texts.push_back(std::u16string(size, static_cast<char16_t>(u'a' + k % 26)));
    packed.Append(texts.back());
  }
  packed.AppendAfter(4, u'\0');
  ASSERT_EQ(packed.size(), texts.size());
  std::size_t k = 0;
  for (const std::u16string_view text : packed)
    ASSERT_EQ(text, texts[k++]) << k;
  EXPECT_EQ(k, texts.size());
  for (const std::size_t index : {0, 1, 127, 128, 129, 255, 256, 999})
    EXPECT_EQ(packed[index], texts[index]) << index;
}

INSTANTIATE_TEST_SUITE_P(Sizes, PackedTextsTest, ::testing::ValuesIn(kPackedCases),
                         corvane_test::ByName);

TEST(PackedTexts, RefusesTextsPastTheirLimit) {
  PackedTexts<char> packed;
  packed.Append("abc", 4);
  EXPECT_THROW(packed.Append("de", 4), std::length_error);
  EXPECT_EQ(packed.size(), 1u);
}

}  // namespace
