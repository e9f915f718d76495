#include <gtest/gtest.h>

#include <string>

#include "platform/core/CString.h"

namespace {

// utf8 and utf16 are the same text; a row that only decodes (invalid bytes become
// U+FFFD) or only encodes (a lone surrogate becomes U+FFFD) says so.
enum Way { kBoth, kDecodeOnly, kEncodeOnly };

struct ConversionCase {
  const char* name;
  std::string utf8;
  std::u16string utf16;
  Way way;
};

class Conversion : public ::testing::TestWithParam<ConversionCase> {};

TEST_P(Conversion, KeepsEveryCharacterAndReplacesOnlyWhatIsInvalid) {
  const ConversionCase& c = GetParam();
  if (c.way != kEncodeOnly) {
    EXPECT_EQ(CString::FromUtf8(c.utf8).Str(), c.utf16);
  }
  if (c.way != kDecodeOnly) {
    EXPECT_EQ(CString(c.utf16).ToUtf8(), c.utf8);
  }
}

const ConversionCase kConversions[] = {
    {"NulKept", std::string("a\0b", 3), std::u16string(u"a\0b", 3), kBoth},
    {"TwoAndThreeBytes", "\xC3\xA9t\xC3\xA9 \xE2\x82\xAC", u"\u00E9t\u00E9 \u20AC", kBoth},
    {"Supplementary", "a\xF0\x9F\x98\x80z", u"a\xD83D\xDE00z", kBoth},
    {"HighestCodePoint", "\xF4\x8F\xBF\xBF", u"\xDBFF\xDFFF", kBoth},
    {"LoneContinuation", "a\x80z", u"a\xFFFDz", kDecodeOnly},
    {"TruncatedAtEnd", "a\xE2\x82", u"a\xFFFD\xFFFD", kDecodeOnly},
    {"BrokenSequenceKeepsNext", "\xE2(\xA1", u"\xFFFD(\xFFFD", kDecodeOnly},
    {"EncodedSurrogate", "\xED\xA0\x80", u"\xFFFD\xFFFD\xFFFD", kDecodeOnly},
    {"HighSurrogateInMiddle", "a\xEF\xBF\xBDz", u"a\xD800z", kEncodeOnly},
    {"HighSurrogateAtEnd", "a\xEF\xBF\xBD", u"a\xDBFF", kEncodeOnly},
    {"ReversedPair", "\xEF\xBF\xBD\xEF\xBF\xBD", u"\xDC00\xD800", kEncodeOnly},
};
INSTANTIATE_TEST_SUITE_P(Texts, Conversion, ::testing::ValuesIn(kConversions),
                         [](const auto& info) { return std::string(info.param.name); });

TEST(CString, FormatProducesExactText) {
  CString text;
  text.Format(u"Could not open '%s' for read.", u"/d\u00E9j\u00E0/\xD83D\xDE00.csv");
  EXPECT_EQ(text, u"Could not open '/d\u00E9j\u00E0/\xD83D\xDE00.csv' for read.");
  text.Format(u"%d rows, 100%% of %s, %05d|%X|%u", -1234, static_cast<const char16_t*>(nullptr), 42,
              255u, 4000000000u);
  EXPECT_EQ(text, u"-1234 rows, 100% of (null), 00042|FF|4000000000");
  text.Format(u"%lld%c, %q stays, so does a trailing %", -9000000000LL, int{u'\u00E9'});
  EXPECT_EQ(text, u"-9000000000\u00E9, %q stays, so does a trailing %");
}

}  // namespace
