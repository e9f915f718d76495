// Both ways of checking UTF-8 must accept exactly the byte strings that Utf8Sequence
// decodes without falling back to a single byte, wherever a sequence sits relative to a
// 16-byte chunk.
#include <gtest/gtest.h>

#include <random>
#include <string>

#include "engine/Utf8Check.h"
#include "engine/Utf8Sequence.h"

namespace {

bool DecodesWhole(const std::string& text) {
  const auto* bytes = reinterpret_cast<const unsigned char*>(text.data());
  for (std::size_t pos = 0; pos < text.size();) {
    const Utf8Sequence::Decoded decoded =
        Utf8Sequence::Decode(bytes + pos, text.size() - pos, true);
    if (decoded.used == 1 && bytes[pos] >= 0x80)
      return false;
    pos += decoded.used;
  }
  return true;
}

using CheckFn = bool (*)(const unsigned char*, std::size_t);

struct Way {
  const char* label;
  CheckFn check;
};

class Utf8Check : public testing::TestWithParam<Way> {
 protected:
  void SetUp() override {
    if ((GetParam().check == IsWellFormedUtf8Chunks && !HasUtf8Chunks()) ||
        (GetParam().check == IsWellFormedUtf8WideChunks && !HasUtf8WideChunks()))
      GTEST_SKIP() << "the processor lacks the instructions";
  }
  // The slack holds bytes that would be faults if they were read as part of the text.
  bool Check(const std::string& text) const {
    const std::string padded = text + std::string(kUtf8CheckSlack, '\x80');
    return GetParam().check(reinterpret_cast<const unsigned char*>(padded.data()), text.size());
  }
};

// Every string of one to three bytes from 0x80 on, and random four-byte ones, after ASCII
// runs that put them at every place of a chunk, and with ASCII or a cut after them.
TEST_P(Utf8Check, AgreesWithTheDecoderOnEverySequence) {
  std::mt19937 random(7);
  std::size_t disagreements = 0;
  auto compare = [&](const std::string& sequence) {
    for (std::size_t lead : {0, 1, 15, 17, 31, 33}) {
      for (const char* tail : {"", "a", "abcdefghijklmnopq"}) {
        const std::string text = std::string(lead, 'x') + sequence + tail;
        if (Check(text) != DecodesWhole(text) && ++disagreements <= 5)
          ADD_FAILURE() << "disagree on lead " << lead << " sequence of " << sequence.size();
      }
    }
  };
  for (int a = 0x80; a < 0x100; ++a) {
    compare(std::string(1, static_cast<char>(a)));
    for (int b = 0; b < 0x100; ++b) {
      const std::string two{static_cast<char>(a), static_cast<char>(b)};
      if (b % 16 == 0)
        compare(two);
      if (a < 0xE0 || a > 0xF4)
        continue;
      for (int c = 0x70; c < 0xC8; ++c)
        compare(two + static_cast<char>(c));
    }
  }
  std::uniform_int_distribution<int> lead(0xE8, 0xFF), any(0x70, 0xCF);
  for (int n = 0; n < 200000; ++n) {
    std::string four;
    four += static_cast<char>(n % 2 ? lead(random) : 0xF0 + n % 8);
    for (int k = 0; k < 3; ++k)
      four += static_cast<char>(any(random));
    compare(four);
  }
  EXPECT_EQ(disagreements, 0u);
}

TEST_P(Utf8Check, LongTextsOfEachKind) {
  const std::string greek = "Ελλάδα ";
  const std::string emoji = "😀";
  std::string text;
  for (int k = 0; k < 50; ++k)
    text += greek + emoji + "plain ascii run ";
  EXPECT_TRUE(Check(text));
  EXPECT_FALSE(Check(text + "\xC3"));                     // cut short at the end
  EXPECT_FALSE(Check(text.substr(0, text.size() - 19)));  // cut inside the last emoji
  EXPECT_FALSE(Check(text + "\xED\xA0\x80"));             // a surrogate
  EXPECT_FALSE(Check(text + "\xC0\xAF"));                 // an overlong form
  EXPECT_TRUE(Check(""));
}

INSTANTIATE_TEST_SUITE_P(Ways, Utf8Check,
                         testing::Values(Way{"Bytewise", IsWellFormedUtf8Bytewise},
                                         Way{"Chunks", IsWellFormedUtf8Chunks},
                                         Way{"WideChunks", IsWellFormedUtf8WideChunks}),
                         [](const auto& info) { return std::string(info.param.label); });

}  // namespace
