// UTF-8: the decoder accepts exactly the encodings of the Unicode scalar values, and the
// check agrees with it at every width, wherever a sequence sits relative to a chunk.
#include <gtest/gtest.h>

#include <ostream>
#include <random>
#include <set>
#include <string>

#include "platform/core/Utf8.h"
#include "tests/support/NamedCase.h"

namespace {

using corvane_test::operator<<;

// Every scalar value's encoding, as Encode writes it: the definition the decoder must meet.
const std::set<std::string>& Encodings() {
  static const std::set<std::string> encodings = [] {
    std::set<std::string> all;
    char bytes[4];
    for (char32_t cp = 0; cp <= 0x10FFFF; ++cp) {
      if (cp < 0xD800 || cp > 0xDFFF)
        all.emplace(bytes, utf8::Encode(cp, bytes));
    }
    return all;
  }();
  return encodings;
}

bool DecodesWhole(const std::string& text) {
  const auto* bytes = reinterpret_cast<const unsigned char*>(text.data());
  utf8::Decoded decoded;
  for (std::size_t pos = 0; pos < text.size(); pos += decoded.used) {
    if (!(decoded = utf8::Decode(bytes + pos, text.size() - pos, true)).wellFormed)
      return false;
  }
  return true;
}

TEST(Utf8, DecodesExactlyTheEncodingsOfScalarValues) {
  std::size_t wrong = 0;
  auto expect = [&](const std::string& sequence, bool wellFormed) {
    if (DecodesWhole(sequence) != wellFormed && ++wrong <= 5)
      ADD_FAILURE() << ::testing::PrintToString(sequence) << " should be "
                    << (wellFormed ? "" : "ill-") << "formed";
  };
  for (int a = 0x80; a < 0x100; ++a) {
    const std::string one(1, static_cast<char>(a));
    expect(one, false);
    for (int b = 0x80; b < 0x100; ++b) {
      const std::string two = one + static_cast<char>(b);
      expect(two, Encodings().count(two) > 0);
      for (int c = 0x80; a >= 0xE0 && c < 0x100; c += 3)
        expect(two + static_cast<char>(c), Encodings().count(two + static_cast<char>(c)) > 0);
    }
  }
  for (const std::string& encoding : Encodings()) {
    if (encoding.size() == 4 && (encoding[3] & 0x3F) == 0)
      expect(encoding, true);
  }
  expect("\xF4\x90\x80\x80", false);  // above U+10FFFF
  expect("\xF0\x8F\xBF\xBF", false);  // overlong
  EXPECT_EQ(utf8::Decode(reinterpret_cast<const unsigned char*>("\xE2\x82"), 2, false).used, 0u);
}

}  // namespace

namespace utf8 {
using corvane_test::operator<<;
}  // namespace utf8

namespace {

class Utf8Check : public testing::TestWithParam<utf8::CheckWidth> {
 protected:
  // The bytes after the text would be faults if they were read as part of it.
  bool Check(const std::string& text) const {
    const std::string followed = text + std::string(64, '\x80');
    return GetParam().check(reinterpret_cast<const unsigned char*>(followed.data()), text.size());
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
  // Long texts, and a fault after a long well-formed run, which the check gives up on.
  std::string text;
  for (int k = 0; k < 200; ++k)
    text += "Ελλάδα 😀 plain ascii run ";
  EXPECT_TRUE(Check(text));
  EXPECT_FALSE(Check(text + "\xC3"));
  EXPECT_FALSE(Check(text + "\xED\xA0\x80" + text));
  EXPECT_EQ(disagreements, 0u);
}

INSTANTIATE_TEST_SUITE_P(Widths, Utf8Check,
                         testing::ValuesIn(utf8::CheckWidths().begin(), utf8::CheckWidths().end()),
                         corvane_test::ByName);

}  // namespace

// A separator given as bytes means what the same bytes mean in an 8-bit source.
TEST(Utf8, DecodesLikeASourceFile) {
  const std::pair<std::string, std::u16string> kCases[] = {
      {"\xA7", u"\u00A7"},
      {"\xC2\xA7", u"\u00A7"},
      {"\xE2\x82\xAC;\xFF", u"\u20AC;\u00FF"},
      {"\xF0\x9F\x98\x80", u"\xD83D\xDE00"},
      {"\xE2\x82", u"\u00E2\u0082"},
      {"\xED\xA0\x80", u"\u00ED\u00A0\u0080"},
  };
  for (const auto& [bytes, text] : kCases)
    EXPECT_EQ(utf8::DecodeLikeSource(bytes).Str(), text) << ::testing::PrintToString(bytes);
}
